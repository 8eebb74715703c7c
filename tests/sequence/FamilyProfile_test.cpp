#include "base/Dna.h"
#include "sequence/FamilyProfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

/// The profile written out plainly: every window cut out as a string, each class named by
/// the smaller of the word and its reverse complement, sets per sequence.
struct PlainProfile {
    std::map<std::string, int> holding;              ///< by class word
    std::map<int, std::map<std::int64_t, std::int64_t>> windows; ///< length -> windows -> sequences
    int distinct = 0;
};

PlainProfile plainProfile(const std::vector<std::string>& sequences)
{
    PlainProfile plain;
    std::set<std::string> seen;
    for (std::string sequence : sequences) {
        for (char& c : sequence)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (!seen.insert(sequence).second)
            continue;
        ++plain.distinct;
        for (int k = 6; k <= 8; ++k) {
            std::set<std::string> held;
            std::int64_t windows = 0;
            for (std::size_t i = 0; i + static_cast<std::size_t>(k) <= sequence.size(); ++i) {
                const std::string word = sequence.substr(i, static_cast<std::size_t>(k));
                if (word.find_first_not_of("ACGT") != std::string::npos)
                    continue;
                ++windows;
                held.insert(std::min(word, reverseComplement(word)));
            }
            for (const std::string& word : held)
                ++plain.holding[word];
            ++plain.windows[k][windows];
        }
    }
    return plain;
}

/// The profile's number of the class of `word`: the smaller of the 2-bit codes (A=0, C=1,
/// G=2, T=3, first letter highest) of the word and of its reverse complement.
std::uint32_t plainClassNumber(const std::string& word)
{
    const auto code = [](const std::string& w) {
        std::uint32_t value = 0;
        for (const char letter : w)
            value = value * 4 + static_cast<std::uint32_t>(std::string("ACGT").find(letter));
        return value;
    };
    return std::min(code(word), code(reverseComplement(word)));
}

std::string randomSequence(std::mt19937& random, std::size_t length)
{
    static const std::string letters = "ACGTACGTACGTacgtNNRn";
    std::string sequence;
    for (std::size_t i = 0; i < length; ++i)
        sequence += letters[random() % (random() % 4 == 0 ? letters.size() : 8)];
    return sequence;
}

} // namespace

/// Against the plain profile on random families: short and long sequences, N runs, other
/// letters, lower case, and sequences repeated with their case changed, which count once.
TEST(FamilyProfile, CountsEachDistinctSequenceHoldingAClassOnce)
{
    std::mt19937 random(2026);
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::string> sequences;
        for (int i = 0; i < 1 + static_cast<int>(random() % 12); ++i)
            sequences.push_back(randomSequence(random, random() % 3 == 0 ? random() % 10 : random() % 300));
        if (!sequences.empty() && round % 2)
            sequences.push_back(sequences[random() % sequences.size()]);
        if (round % 3 == 0) {
            std::string lowered = sequences.front();
            for (char& c : lowered)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            sequences.push_back(lowered);
        }
        FamilyProfile profile;
        for (std::size_t i = 0; i < sequences.size(); ++i)
            profile.add(sequences[i]);
        const PlainProfile plain = plainProfile(sequences);
        ASSERT_EQ(profile.size(), plain.distinct);
        EXPECT_EQ(profile.records(), static_cast<std::int64_t>(sequences.size()));
        EXPECT_EQ(profile.duplicates(), static_cast<std::int64_t>(sequences.size()) - plain.distinct);
        for (int k = 6; k <= 8; ++k) {
            const auto expected = plain.windows.count(k) ? plain.windows.at(k) : std::map<std::int64_t, std::int64_t>();
            EXPECT_EQ(profile.windowCounts(k), expected) << k;
            std::size_t classesHeld = 0;
            for (std::uint32_t code = 0; code < (std::uint32_t(1) << (2 * k)); ++code)
                classesHeld += profile.sequencesWith(k, code) > 0;
            std::size_t plainHeld = 0;
            for (const auto& [word, count] : plain.holding)
                plainHeld += static_cast<int>(word.size()) == k;
            EXPECT_EQ(classesHeld, plainHeld) << k;
        }
        for (const auto& [word, count] : plain.holding)
            ASSERT_EQ(profile.sequencesWith(static_cast<int>(word.size()), plainClassNumber(word)), static_cast<std::uint32_t>(count))
                << word;
    }
}

TEST(FamilyProfile, NumbersAClassByTheLowerCodeOfItsTwoWords)
{
    FamilyProfile profile;
    profile.add("TTTTTTTG");
    EXPECT_EQ(profile.sequencesWith(8, 1u << 14), 1u); // as CAAAAAAA: C is 1 in the highest letter
    EXPECT_EQ(profile.sequencesWith(6, 0u), 1u);       // TTTTTT as AAAAAA
    EXPECT_EQ(profile.sequencesWith(7, 1u << 12), 1u); // TTTTTTG as CAAAAAA
    EXPECT_EQ(profile.sequencesWith(6, 1u << 10), 1u); // TTTTTG as CAAAAA
}
