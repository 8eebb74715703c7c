#include "sequence/Shuffle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>

namespace {

/// The pairs of neighbours of A, C, G and T in `sequence`, by pair.
std::map<std::string, int> pairsOf(const std::string& sequence)
{
    std::map<std::string, int> pairs;
    for (std::size_t i = 0; i + 1 < sequence.size(); ++i) {
        const std::string pair = sequence.substr(i, 2);
        if (pair.find_first_not_of("ACGT") == std::string::npos)
            ++pairs[pair];
    }
    return pairs;
}

} // namespace

TEST(Shuffle, KeepsEveryPairOfNeighboursAndEveryOtherLetterInItsPlace)
{
    std::mt19937 random(7);
    const std::string alphabet = "ACGTACGTACGTACGTNNRx";
    for (int round = 0; round < 200; ++round) {
        std::string sequence(random() % 300, 'A');
        for (char& c : sequence)
            c = alphabet[random() % alphabet.size()];
        ShuffleRandom shuffles(round);
        const std::string shuffled = dinucleotideShuffle(sequence, shuffles);
        ASSERT_EQ(shuffled.size(), sequence.size());
        EXPECT_EQ(pairsOf(shuffled), pairsOf(sequence)) << sequence;
        for (std::size_t i = 0; i < sequence.size(); ++i) {
            const bool dna = std::string("ACGT").find(sequence[i]) != std::string::npos;
            // Letters that are not A, C, G and T stay; so do the first and last letters of
            // each stretch of them, which a walk through its pairs must start and end on.
            const bool starts = dna && (i == 0 || std::string("ACGT").find(sequence[i - 1]) == std::string::npos);
            const bool ends = dna && (i + 1 == sequence.size() || std::string("ACGT").find(sequence[i + 1]) == std::string::npos);
            if (!dna || starts || ends) {
                EXPECT_EQ(shuffled[i], sequence[i]) << sequence << " at " << i;
            }
        }
    }
}

TEST(Shuffle, ASeedGivesItsShuffleOnAnyRunAndAnotherSeedAnother)
{
    const std::string sequence = "ACGTTGCAACGGTACCATGGACGTAGCTAGGCTTAACGATCGATCGGATCCATTAGCAGCATCGACTAGC";
    ShuffleRandom first(shuffleSeed(1, 3, 5)), again(shuffleSeed(1, 3, 5)), other(shuffleSeed(1, 3, 6));
    const std::string shuffled = dinucleotideShuffle(sequence, first);
    EXPECT_EQ(dinucleotideShuffle(sequence, again), shuffled);
    EXPECT_NE(dinucleotideShuffle(sequence, other), shuffled);
    EXPECT_NE(shuffled, sequence);
    // Seeds of neighbouring sequences and shuffles differ.
    EXPECT_NE(shuffleSeed(1, 0, 1), shuffleSeed(1, 1, 0));
    EXPECT_NE(shuffleSeed(1, 0, 0), shuffleSeed(2, 0, 0));
}

TEST(Shuffle, DrawsEverySequenceOfTheSamePairsAlike)
{
    // Every arrangement of the letters that keeps the pairs of neighbours and the first and
    // last letter, found by trying them all, is drawn about equally often, and nothing else.
    const std::string sequence = "AACGTACGAT";
    std::string letters = sequence;
    std::sort(letters.begin(), letters.end());
    std::map<std::string, int> drawn;
    do {
        if (letters.front() == sequence.front() && letters.back() == sequence.back() && pairsOf(letters) == pairsOf(sequence))
            drawn[letters] = 0;
    } while (std::next_permutation(letters.begin(), letters.end()));
    ASSERT_GT(drawn.size(), 5u);
    constexpr int draws = 60000;
    ShuffleRandom random(11);
    for (int i = 0; i < draws; ++i) {
        const auto found = drawn.find(dinucleotideShuffle(sequence, random));
        ASSERT_NE(found, drawn.end());
        ++found->second;
    }
    const double expected = static_cast<double>(draws) / static_cast<double>(drawn.size());
    double chiSquare = 0.0;
    for (const auto& [arrangement, count] : drawn)
        chiSquare += (count - expected) * (count - expected) / expected;
    // Far beyond the 99.99th percentile of chi-square with drawn.size() - 1 degrees of freedom
    // only when some arrangements are favoured.
    const double degrees = static_cast<double>(drawn.size() - 1);
    EXPECT_LT(chiSquare, degrees + 8.0 * std::sqrt(2.0 * degrees)) << drawn.size() << " arrangements";
}

TEST(Shuffle, BelowIsUnbiasedAndInRange)
{
    ShuffleRandom random(3);
    std::array<int, 3> seen {};
    for (int i = 0; i < 30000; ++i)
        ++seen[random.below(3)];
    for (const int count : seen)
        EXPECT_NEAR(count, 10000, 500);
    EXPECT_EQ(random.below(1), 0u);
}
