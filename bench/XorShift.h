#pragma once

#include <cstdint>

/// A fixed stream of pseudo-random numbers (xorshift64), the same on every run, for making
/// benchmark inputs.
inline std::uint64_t nextRandom()
{
    static std::uint64_t state = 0x9E3779B97F4A7C15ull;
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}
