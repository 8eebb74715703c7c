#include "analysis/Clumping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace {

// Letters drawn independently, A and T alike and C and G alike, so that a word and its
// reverse complement are equally likely, as in a genome counted on both strands.
const std::map<char, double> letterChance = {{'A', 0.32}, {'C', 0.18}, {'G', 0.18}, {'T', 0.32}};
const std::string letters = "ACGT";

double chanceOf(const std::string& word)
{
    double chance = 1.0;
    for (char c : word)
        chance *= letterChance.at(c);
    return chance;
}

std::string reverseOf(const std::string& word)
{
    std::string reverse(word.rbegin(), word.rend());
    for (char& c : reverse)
        c = c == 'A' ? 'T' : c == 'T' ? 'A' : c == 'C' ? 'G' : 'C';
    return reverse;
}

/// A genome of 10^12 windows of these letters: each word's count is its expected count.
ClassCounts expectedCounts()
{
    std::vector<std::vector<std::int64_t>> byLength;
    for (int length = 6; length <= 8; ++length) {
        std::vector<std::int64_t> counts(std::size_t(1) << (2 * length));
        for (std::size_t code = 0; code < counts.size(); ++code) {
            std::string word;
            for (int i = length - 1; i >= 0; --i)
                word += letters[(code >> (2 * i)) & 3];
            counts[code] = std::llround(1e12 * chanceOf(word));
        }
        byLength.push_back(counts);
    }
    return ClassCounts(byLength[0], byLength[1], byLength[2]);
}

std::uint64_t codeOf(const std::string& word)
{
    std::uint64_t code = 0;
    for (char c : word)
        code = code * 4 + letters.find(c);
    return code;
}

/// The exact chance that a sequence of `bases` independent letters holds `word` or its
/// reverse complement, by following the chance of each last k - 1 letters (by code) with no
/// occurrence yet.
double exactPresence(const std::string& word, int bases)
{
    const std::size_t k = word.size();
    const std::uint64_t states = std::uint64_t(1) << (2 * (k - 1));
    const std::uint64_t first = codeOf(word), second = codeOf(reverseOf(word));
    std::vector<double> absent(states);
    for (std::uint64_t last = 0; last < states; ++last) {
        absent[last] = 1.0;
        for (std::size_t i = 0; i + 1 < k; ++i)
            absent[last] *= letterChance.at(letters[(last >> (2 * i)) & 3]);
    }
    for (int position = static_cast<int>(k) - 1; position < bases; ++position) {
        std::vector<double> next(states, 0.0);
        for (std::uint64_t last = 0; last < states; ++last)
            for (std::uint64_t c = 0; c < 4; ++c) {
                const std::uint64_t window = last * 4 + c;
                if (window != first && window != second)
                    next[window % states] += absent[last] * letterChance.at(letters[c]);
            }
        absent = std::move(next);
    }
    double none = 0.0;
    for (double chance : absent)
        none += chance;
    return 1.0 - none;
}

} // namespace

// The clump-start chance p (1 - a) gives the chance that a sequence holds a class within a
// few percent of the exact one, for words that overlap themselves, their reverse complement,
// or nothing; taking every window alike, 1 - (1 - p)^n, is far off for the repeats.
TEST(Clumping, PresenceOfAClassAgreesWithTheExactChance)
{
    const ClassCounts counts = expectedCounts();
    const int bases = 100;
    struct Case {
        std::string word;
        double naiveOffAtLeast; // how far 1 - (1 - p)^n lies above the exact chance, at least
    };
    const std::vector<Case> cases = {
        {"AAAAAA", 0.3}, {"ATATAT", 0.08}, {"AGAGAG", 0.04}, {"AAAAAAA", 0.3}, {"AGAGAGAG", 0.04},
        {"ACTACTA", 0.01}, {"TATCGA", -0.01}, {"ATCGAT", -0.01}, {"ACGTCG", -0.01}, {"GATTACA", -0.01},
        {"CAGCTG", -0.01},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        const int k = static_cast<int>(c.word.size());
        const std::string reverse = reverseOf(c.word);
        const double p = chanceOf(c.word) + (reverse == c.word ? 0.0 : chanceOf(reverse));
        const double a = overlapChance(codeOf(c.word), k, counts);
        const int windows = bases - k + 1;
        const double exact = exactPresence(c.word, bases);
        const double clumped = 1.0 - std::pow(1.0 - p * (1.0 - a), windows);
        const double naive = 1.0 - std::pow(1.0 - p, windows);
        EXPECT_NEAR(clumped / exact, 1.0, 0.03) << "a = " << a;
        EXPECT_GE(naive / exact - 1.0, c.naiveOffAtLeast);
    }
}

// A word that cannot overlap itself or its reverse complement has nothing before it; a
// table holding one word of each class (as tables made by hand may) gives the same chance as
// one holding both; a made-up table whose longer counts exceed the shorter stays below 1.
TEST(Clumping, OverlapChanceEdges)
{
    const ClassCounts counts = expectedCounts();
    EXPECT_EQ(overlapChance(codeOf("GATTACA"), 7, counts), 0.0);
    EXPECT_GT(overlapChance(codeOf("TATCGA"), 6, counts), 0.0);

    std::vector<std::vector<std::int64_t>> oneStrand, inflated;
    for (int length = 6; length <= 8; ++length) {
        std::vector<std::int64_t> one(std::size_t(1) << (2 * length)), big(one.size(), 1000000);
        for (std::size_t code = 0; code < one.size(); ++code) {
            std::string word;
            for (int i = length - 1; i >= 0; --i)
                word += letters[(code >> (2 * i)) & 3];
            if (word <= reverseOf(word))
                one[code] = std::llround(1e12 * chanceOf(word));
        }
        oneStrand.push_back(one);
        inflated.push_back(big);
    }
    const ClassCounts halfTable(oneStrand[0], oneStrand[1], oneStrand[2]);
    for (const std::string word : {"AAAAAA", "AGAGAGAG", "TATCGA", "CTCTCTC"})
        EXPECT_NEAR(overlapChance(codeOf(word), static_cast<int>(word.size()), halfTable),
            overlapChance(codeOf(word), static_cast<int>(word.size()), counts), 1e-9)
            << word;
    // Every 8-letter count as large as every 6-letter one: a would be 1 and more.
    const ClassCounts madeUp(inflated[0], inflated[1], inflated[2]);
    EXPECT_EQ(overlapChance(codeOf("AAAAAA"), 6, madeUp), mostOverlapChance);
}
