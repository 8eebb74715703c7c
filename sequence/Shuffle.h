#pragma once

#include <cstdint>
#include <string>
#include <string_view>

/// A small, fast generator of pseudo-random numbers (SplitMix64), the same on every machine:
/// a run seeded alike shuffles alike.
class ShuffleRandom {
public:
    explicit ShuffleRandom(std::uint64_t seed)
        : state(seed)
    {
    }
    std::uint64_t next()
    {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    /// A number from 0 to `bound` - 1 (bound at least 1), without bias.
    std::uint64_t below(std::uint64_t bound);

private:
    std::uint64_t state;
};

/// The seed of the shuffle numbered `shuffle` of the sequence numbered `sequence` in a run
/// seeded `seed`: each is shuffled alike however many threads make them, and in any order.
std::uint64_t shuffleSeed(std::uint64_t seed, std::uint64_t sequence, std::uint64_t shuffle);

/// `sequence` shuffled with its dinucleotide counts kept exactly: each stretch of A, C, G and
/// T (upper case) between other letters becomes a sequence drawn uniformly from those with
/// the same letters, the same pairs of neighbours and the same first and last letter (the
/// Eulerian-path method of Altschul and Erickson); every other letter stays in its place.
std::string dinucleotideShuffle(std::string_view sequence, ShuffleRandom& random);
