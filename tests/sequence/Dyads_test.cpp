#include "sequence/Dyads.h"
#include "sequence/FamilyProfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::uint32_t pairCodes = 4096;

/// The 2-bit code of a word of A, C, G and T: A=0, C=1, G=2, T=3, the first letter highest.
std::uint32_t plainCode(const std::string& word)
{
    std::uint32_t code = 0;
    for (const char letter : word)
        code = code * 4 + static_cast<std::uint32_t>(std::string("ACGT").find(letter));
    return code;
}

std::string plainReverseComplement(const std::string& word)
{
    std::string reverse;
    for (auto letter = word.rbegin(); letter != word.rend(); ++letter) {
        const std::size_t at = std::string("ACGT").find(*letter);
        reverse += at == std::string::npos ? *letter : "TGCA"[at];
    }
    return reverse;
}

/// Every pair of `spacing` in `sequence` whose halves are both all A, C, G and T, each cut
/// out and written as its two halves together.
std::vector<std::string> plainPairs(const std::string& sequence, int spacing)
{
    std::vector<std::string> pairs;
    const auto gap = static_cast<std::size_t>(3 + spacing);
    for (std::size_t i = 0; i + gap + 3 <= sequence.size(); ++i) {
        const std::string first = sequence.substr(i, 3);
        const std::string second = sequence.substr(i + gap, 3);
        if (first.find_first_not_of("ACGT") == std::string::npos && second.find_first_not_of("ACGT") == std::string::npos)
            pairs.push_back(first + second);
    }
    return pairs;
}

/// Mostly A, C, G and T, with N runs and single IUPAC letters; a third of them no longer
/// than a few pairs, down to empty.
std::string randomSequence(std::mt19937& random, bool mixedCase)
{
    static const std::size_t shortLengths[] = {0, 1, 5, 6, 7, 12, 20, 35};
    static const std::string iupac = "NRYKMSWBDHV";
    const std::size_t length = random() % 3 == 0 ? shortLengths[random() % 8] : random() % 400;
    std::string sequence;
    while (sequence.size() < length) {
        const auto roll = random() % 50;
        if (roll == 0)
            sequence.append(1 + random() % 25, 'N');
        else if (roll < 6)
            sequence += iupac[random() % iupac.size()];
        else
            sequence += "ACGT"[random() % 4];
    }
    sequence.resize(length);
    if (mixedCase)
        for (char& c : sequence)
            if (random() % 5 == 0)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return sequence;
}

/// Reports the first code whose count differs, rather than all 4096 of them.
void expectSameCounts(const std::vector<std::int64_t>& expected, const std::vector<std::int64_t>& got, int spacing)
{
    ASSERT_EQ(got.size(), expected.size()) << "spacing " << spacing;
    for (std::uint32_t code = 0; code < expected.size(); ++code)
        if (got[code] != expected[code]) {
            ADD_FAILURE() << "spacing " << spacing << ", code " << code << ": expected " << expected[code] << ", got "
                          << got[code];
            return;
        }
}

/// The profile written out plainly: class sets per distinct sequence, pairs of every record.
struct PlainDyadProfile {
    std::map<int, std::vector<std::int64_t>> holding; ///< spacing -> sequences by class code
    std::map<int, std::map<std::int64_t, std::int64_t>> windows;
    std::map<int, std::vector<std::int64_t>> occurrences;
};

PlainDyadProfile plainDyadProfile(const std::vector<std::string>& records, DyadSpacings spacings, bool bothStrands)
{
    PlainDyadProfile plain;
    for (int spacing = spacings.shortest; spacing <= spacings.longest; ++spacing) {
        plain.holding[spacing].assign(pairCodes, 0);
        plain.occurrences[spacing].assign(pairCodes, 0);
    }
    std::set<std::string> seen;
    for (std::string record : records) {
        for (char& c : record)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const bool distinct = seen.insert(record).second;
        for (int spacing = spacings.shortest; spacing <= spacings.longest; ++spacing) {
            const std::vector<std::string> pairs = plainPairs(record, spacing);
            for (const std::string& pair : pairs)
                ++plain.occurrences[spacing][plainCode(pair)];
            if (!distinct)
                continue;
            std::set<std::string> held;
            for (const std::string& pair : pairs)
                held.insert(bothStrands ? std::min(pair, plainReverseComplement(pair)) : pair);
            for (const std::string& pair : held)
                ++plain.holding[spacing][plainCode(pair)];
            ++plain.windows[spacing][static_cast<std::int64_t>(pairs.size())];
        }
    }
    return plain;
}

} // namespace

/// Against the oracle on random sequences read a random number of times, for the default
/// spacings, the widest and a range not starting at 0; merged halves of the input give the
/// same counts, and merging into other spacings takes only the shared ones.
TEST(DyadCounts, CountsEveryPairAsTheOracleDoes)
{
    std::mt19937 random(4051);
    for (const DyadSpacings spacings : {DyadSpacings{0, 20}, DyadSpacings{0, 50}, DyadSpacings{7, 13}}) {
        SCOPED_TRACE(spacings.longest);
        DyadCounts counts(spacings);
        DyadCounts odd(spacings);
        DyadCounts even(spacings);
        std::map<int, std::vector<std::int64_t>> expected;
        for (int spacing = spacings.shortest; spacing <= spacings.longest; ++spacing)
            expected[spacing].assign(pairCodes, 0);
        for (int i = 0; i < 40; ++i) {
            const std::string sequence = randomSequence(random, false);
            const auto times = static_cast<std::int64_t>(1 + random() % 3);
            counts.add(sequence, times);
            (i % 2 ? odd : even).add(sequence, times);
            for (int spacing = spacings.shortest; spacing <= spacings.longest; ++spacing)
                for (const std::string& pair : plainPairs(sequence, spacing))
                    expected[spacing][plainCode(pair)] += times;
        }
        odd.merge(even);
        for (int spacing = spacings.shortest; spacing <= spacings.longest; ++spacing) {
            expectSameCounts(expected[spacing], counts.counts(spacing), spacing);
            std::int64_t places = 0;
            for (const std::int64_t count : expected[spacing])
                places += count;
            EXPECT_EQ(counts.windows(spacing), places) << spacing;
            expectSameCounts(expected[spacing], odd.counts(spacing), spacing);
        }
        DyadCounts narrow({5, 9});
        narrow.merge(counts);
        for (int spacing = 5; spacing <= 9; ++spacing) {
            const bool shared = spacing >= spacings.shortest && spacing <= spacings.longest;
            expectSameCounts(shared ? expected[spacing] : std::vector<std::int64_t>(pairCodes, 0), narrow.counts(spacing), spacing);
        }
    }
}

/// Against the oracle on random families holding records repeated, some with their case
/// changed (one sequence for the profile, yet each record counted in the occurrences), on
/// both strands and on the given one.
TEST(DyadProfile, CountsSequencesPlacesAndRecordsAsTheOracleDoes)
{
    std::mt19937 random(2718);
    for (const Strand strand : {Strand::Both, Strand::Given})
        for (const DyadSpacings spacings : {DyadSpacings{0, 20}, DyadSpacings{0, 50}, DyadSpacings{4, 9}}) {
            SCOPED_TRACE(std::string(strandName(strand)) + " " + std::to_string(spacings.longest));
            std::vector<std::string> records;
            for (int i = 0; i < 30; ++i) {
                if (records.empty() || random() % 4 != 0) {
                    records.push_back(randomSequence(random, true));
                    continue;
                }
                std::string again = records[random() % records.size()];
                for (char& c : again)
                    if (random() % 2)
                        c = static_cast<char>(std::isupper(static_cast<unsigned char>(c)) ? std::tolower(static_cast<unsigned char>(c))
                                                                           : std::toupper(static_cast<unsigned char>(c)));
                records.push_back(again);
            }
            FamilyProfile family(strand);
            for (const std::string& record : records)
                family.add(record);
            ASSERT_GT(family.duplicates(), 0);
            const DyadProfile profile(family, spacings);
            const PlainDyadProfile plain = plainDyadProfile(records, spacings, strand == Strand::Both);
            EXPECT_EQ(profile.strand(), strand);
            EXPECT_TRUE(profile.spacings() == spacings);
            for (int spacing = spacings.shortest; spacing <= spacings.longest; ++spacing) {
                std::vector<std::int64_t> holding(pairCodes);
                for (std::uint32_t code = 0; code < pairCodes; ++code)
                    holding[code] = profile.sequencesWith(spacing, code);
                expectSameCounts(plain.holding.at(spacing), holding, spacing);
                EXPECT_EQ(profile.windowCounts(spacing), plain.windows.at(spacing)) << spacing;
                expectSameCounts(plain.occurrences.at(spacing), profile.occurrences().counts(spacing), spacing);
            }
        }
}

TEST(DyadSpacings, NamedByOneNumberOrTheSmallerFirstUpTo50)
{
    const std::pair<const char*, DyadSpacings> accepted[] = {
        {"0-20", {0, 20}}, {"5", {5, 5}}, {"3-3", {3, 3}}, {"0-50", {0, 50}}, {"50", {50, 50}}};
    for (const auto& [text, expected] : accepted) {
        DyadSpacings spacings{9, 11};
        EXPECT_TRUE(dyadSpacingsNamed(text, spacings)) << text;
        EXPECT_EQ(spacings.shortest, expected.shortest) << text;
        EXPECT_EQ(spacings.longest, expected.longest) << text;
    }
    // A refusal leaves the spacings as they were.
    for (const char* text : {"51", "0-51", "20-0", "-1-5", "a-b", "", "5-", "-5", " 5", "5 ", "+5", "1e1", "0x5", "5-6-7",
                             "0051", "5--6"}) {
        DyadSpacings spacings{9, 11};
        EXPECT_FALSE(dyadSpacingsNamed(text, spacings)) << '"' << text << '"';
        EXPECT_TRUE(spacings == (DyadSpacings{9, 11})) << text;
    }
}

/// Every pair at a few spacings: the halves cut back out of its word give its code again.
TEST(DyadWord, WritesTheHalvesAroundALowerCaseSpacer)
{
    EXPECT_EQ(dyadWord(plainCode("TGTACA"), 6), "TGTnnnnnnACA");
    EXPECT_EQ(dyadWord(plainCode("GATCCA"), 0), "GATCCA");
    for (const int spacing : {0, 1, 6, 50}) {
        int wrong = 0;
        for (std::uint32_t code = 0; code < pairCodes; ++code) {
            const std::string word = dyadWord(code, spacing);
            const auto gap = static_cast<std::size_t>(3 + spacing);
            wrong += word.size() != gap + 3 || word.substr(3, static_cast<std::size_t>(spacing)) != std::string(gap - 3, 'n')
                || plainCode(word.substr(0, 3) + word.substr(gap)) != code;
        }
        EXPECT_EQ(wrong, 0) << spacing;
    }
}

/// The spacer may hold any letter; a half may not.
TEST(DyadCounts, CountsAPairWhateverItsSpacerHolds)
{
    const std::uint32_t tgtaca = plainCode("TGTACA");
    const auto counted = [tgtaca](const std::string& sequence) {
        DyadCounts counts({6, 6});
        counts.add(sequence);
        return std::pair(counts.counts(6)[tgtaca], counts.windows(6));
    };
    using Counted = std::pair<std::int64_t, std::int64_t>;
    EXPECT_EQ(counted("TGTNNNNNNACA"), Counted(1, 1));
    EXPECT_EQ(counted("TGTRYKMSWACA"), Counted(1, 1));
    EXPECT_EQ(counted("TGTBDHVNNACA"), Counted(1, 1));
    EXPECT_EQ(counted("TGNAAAAAAACA"), Counted(0, 0));
    EXPECT_EQ(counted("TGTAAAAAAANA"), Counted(0, 0));
    EXPECT_EQ(counted("TGTNNNNNNAC"), Counted(0, 0));

    // AAAnnCCC and GGGnnTTT are one class on both strands, two on the given one; a broken
    // half leaves a sequence without a place.
    for (const Strand strand : {Strand::Both, Strand::Given}) {
        FamilyProfile family(strand);
        for (const char* record : {"AAANNCCC", "gggrnttt", "AAANNCCN"})
            family.add(record);
        const DyadProfile profile(family, {2, 2});
        const bool both = strand == Strand::Both;
        EXPECT_EQ(profile.sequencesWith(2, plainCode("AAACCC")), both ? 2u : 1u);
        EXPECT_EQ(profile.sequencesWith(2, plainCode("GGGTTT")), both ? 0u : 1u);
        EXPECT_EQ(profile.windowCounts(2), (std::map<std::int64_t, std::int64_t>{{0, 1}, {1, 2}}));
        EXPECT_EQ(profile.occurrences().windows(2), 2);
    }
}
