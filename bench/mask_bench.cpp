// Time of low-complexity masking on 50 Mbp of random A, C, G, T with microsatellites planted
// (one every 5 kbp on average, periods 1 to 6, 20 to 100 letters) and a few runs of N.
// Prints the best and median of three runs and the share masked; then the same for a sequence
// that is all microsatellites, where every letter's stretches are scored to the window's width.

#include "Timing.h"
#include "XorShift.h"
#include "sequence/Masking.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

constexpr std::size_t totalLength = 50'000'000;

std::string plantedSequence()
{
    std::string sequence;
    sequence.reserve(totalLength + 200);
    while (sequence.size() < totalLength) {
        const std::uint64_t roll = nextRandom() % 5000;
        if (roll == 0) {
            const std::size_t period = 1 + nextRandom() % 6;
            std::string unit;
            for (std::size_t i = 0; i < period; ++i)
                unit += "ACGT"[nextRandom() % 4];
            const std::size_t length = 20 + nextRandom() % 81;
            for (std::size_t i = 0; i < length; ++i)
                sequence += unit[i % period];
        } else if (roll == 1 && nextRandom() % 20 == 0) {
            sequence.append(100 + nextRandom() % 1000, 'N');
        } else {
            sequence += "ACGT"[nextRandom() % 4];
        }
    }
    sequence.resize(totalLength);
    return sequence;
}

/// 50 Mbp of microsatellites back to back, periods 1 to 6, 100 to 1000 letters each.
std::string repeatsOnly()
{
    std::string sequence;
    sequence.reserve(totalLength + 1000);
    while (sequence.size() < totalLength) {
        const std::size_t period = 1 + nextRandom() % 6;
        std::string unit;
        for (std::size_t i = 0; i < period; ++i)
            unit += "ACGT"[nextRandom() % 4];
        const std::size_t length = 100 + nextRandom() % 901;
        for (std::size_t i = 0; i < length; ++i)
            sequence += unit[i % period];
    }
    sequence.resize(totalLength);
    return sequence;
}

void timeMasking(const char* name, const std::string& sequence)
{
    std::vector<double> times;
    std::size_t masked = 0;
    for (int run = 0; run < 3; ++run) {
        std::string copy = sequence;
        const Clock::time_point start = Clock::now();
        masked = maskLowComplexity(copy);
        times.push_back(secondsSince(start));
    }
    std::printf("mask dust, %s: %zu Mbp, best %.2f s, median %.2f s, %.3f%% masked\n", name, totalLength / 1'000'000,
        *std::min_element(times.begin(), times.end()), median(times),
        100.0 * static_cast<double>(masked) / static_cast<double>(totalLength));
}

} // namespace

int main()
{
    timeMasking("random with repeats planted", plantedSequence());
    timeMasking("repeats only", repeatsOnly());
}
