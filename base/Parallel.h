#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

/// Calls `work(i)` for every i below `count`, on as many threads as the machine has cores:
/// each takes the next `block` indices until none is left. The calling thread works too, so
/// all of it is done even when no further thread can be started.
template <typename Work>
void forEachInParallel(std::size_t count, const Work& work, std::size_t block = 1)
{
    const std::size_t blocks = (count + block - 1) / block;
    const std::size_t workers = std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), blocks);
    std::atomic<std::size_t> next {0};
    const auto drain = [&] {
        for (std::size_t b = next++; b < blocks; b = next++)
            for (std::size_t i = b * block; i < std::min(count, (b + 1) * block); ++i)
                work(i);
    };
    std::vector<std::thread> threads;
    try {
        for (std::size_t w = 1; w < workers; ++w)
            threads.emplace_back(drain);
    } catch (const std::system_error&) {
    }
    drain();
    for (std::thread& thread : threads)
        thread.join();
}
