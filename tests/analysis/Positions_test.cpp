#include "TestSupport.h"

#include "analysis/Positions.h"
#include "analysis/TailProbability.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string otherStrand(const std::string& word)
{
    std::string reverse(word.rbegin(), word.rend());
    for (char& c : reverse)
        c = c == 'A' ? 'T' : c == 'T' ? 'A' : c == 'C' ? 'G' : c == 'G' ? 'C' : c;
    return reverse;
}

WordClass classOf(const std::string& word)
{
    WordClass c;
    c.word = std::min(word, otherStrand(word));
    c.reverse = otherStrand(c.word);
    c.length = static_cast<int>(word.size());
    return c;
}

std::string randomLetters(std::mt19937& random, std::size_t length, const std::string& letters = "ACGT")
{
    std::string s(length, 'A');
    for (char& c : s)
        c = letters[random() % letters.size()];
    return s;
}

/// A table of `words` and one motif holding them all.
struct OneMotif {
    SignificanceTable table;
    std::vector<AssembledMotif> motifs;
    explicit OneMotif(const std::vector<std::string>& words)
    {
        AssembledMotif motif;
        motif.motif.id = "assembled-1";
        for (const std::string& word : words) {
            motif.members.push_back({table.classes.size(), word, 0, false, 1, 1.0});
            table.classes.push_back(classOf(word));
        }
        motifs.push_back(motif);
    }
};

/// The sites by bin the plain way: every place where a word or its reverse complement reads,
/// stretches of overlapping places merged, each counted at its first base.
std::vector<std::int64_t> plainSites(const std::vector<std::string>& sequences, const std::vector<std::string>& words,
    Anchor anchor, int width, int bins)
{
    std::vector<std::int64_t> sites(static_cast<std::size_t>(bins), 0);
    for (const std::string& s : sequences) {
        std::vector<std::pair<std::size_t, std::size_t>> places;
        for (std::size_t i = 0; i < s.size(); ++i)
            for (const std::string& w : words)
                for (const std::string& either : {w, otherStrand(w)})
                    if (s.compare(i, either.size(), either) == 0)
                        places.emplace_back(i, i + either.size());
        std::sort(places.begin(), places.end());
        std::vector<std::pair<std::size_t, std::size_t>> merged;
        for (const auto& place : places) {
            if (!merged.empty() && place.first < merged.back().second)
                merged.back().second = std::max(merged.back().second, place.second);
            else
                merged.push_back(place);
        }
        for (const auto& [start, end] : merged) {
            const std::size_t offset = anchor == Anchor::End ? s.size() - start - 1 : start;
            ++sites[offset / static_cast<std::size_t>(width)];
        }
    }
    return sites;
}

} // namespace

// Sites found by the one-pass scanner agree with the plain search on random sequences with
// gaps, short records and words that overlap each other and themselves, at both anchors;
// enough sequences that they are read in stretches side by side and added up.
TEST(Positions, SitesAgreeWithAPlainSearch)
{
    std::mt19937 random(5);
    std::vector<std::string> sequences;
    for (int i = 0; i < 1500; ++i)
        sequences.push_back(randomLetters(random, 3 + random() % 220, i % 5 == 0 ? "ACGTN" : "ACGT"));
    sequences.push_back("AGAGAGAGAGAGAG"); // one stretch
    sequences.push_back("TATCGATATCGATA");
    FamilyProfile family;
    for (const std::string& s : sequences)
        family.add(s);
    const std::vector<std::string> words = {"TATCGA", "ATCGAT", "AGAGAG", "ACGTTGC", "GATTACAG", "CCCAAA"};
    const OneMotif one(words);
    for (const Anchor anchor : {Anchor::End, Anchor::Start}) {
        SCOPED_TRACE(anchorName(anchor));
        const PositionReport report = positionsOf(family, one.table, one.motifs, {0, 2, 5}, anchor, 7);
        EXPECT_EQ(report.bins.count, (222 + 6) / 7);
        ASSERT_EQ(report.motifs.size(), 1u);
        EXPECT_EQ(report.motifs[0].sites, plainSites(sequences, words, anchor, 7, report.bins.count));
        ASSERT_EQ(report.classes.size(), 3u);
        EXPECT_EQ(report.classes[1].item, "AGAGAG");
        EXPECT_EQ(report.classes[1].sites, plainSites(sequences, {"AGAGAG"}, anchor, 7, report.bins.count));
        EXPECT_EQ(report.classes[2].sites, plainSites(sequences, {"CCCAAA"}, anchor, 7, report.bins.count));
    }
}

// A word planted 30 bases before the end of most sequences peaks in the bin of -30 to -21
// with a tiny P; planted anywhere, it has no positional preference.
TEST(Positions, APlantedPositionStandsOutAndARandomOneDoesNot)
{
    std::mt19937 random(11);
    FamilyProfile placed, anywhere;
    const std::string site = "GGTCACAC";
    for (int i = 0; i < 120; ++i) {
        std::string s = randomLetters(random, 300);
        std::string t = s;
        if (i % 10 < 7)
            s.replace(s.size() - 30, site.size(), site);
        t.replace(random() % (t.size() - site.size()), site.size(), site);
        placed.add(s);
        anywhere.add(t);
    }
    const OneMotif one({site});
    const PositionReport peaked = positionsOf(placed, one.table, one.motifs, {}, Anchor::End, 10);
    const PositionProfile& profile = peaked.motifs[0];
    EXPECT_EQ(peaked.bins.from(2), -30);
    EXPECT_EQ(peaked.bins.to(2), -21);
    EXPECT_GE(profile.sites[2], 84);
    EXPECT_EQ(std::max_element(profile.sites.begin(), profile.sites.end()) - profile.sites.begin(), 2);
    EXPECT_LT(profile.log10P, -50.0);
    double expected = 0.0;
    for (double e : profile.expected)
        expected += e;
    EXPECT_NEAR(expected, static_cast<double>(profile.total), 1e-9);

    const PositionReport flat = positionsOf(anywhere, one.table, one.motifs, {}, Anchor::End, 10);
    EXPECT_GT(flat.motifs[0].log10P, -2.0);
    // From the start, the planted site sits at bases 271 to 278: bin 27.
    const PositionReport fromStart = positionsOf(placed, one.table, one.motifs, {}, Anchor::Start, 10);
    EXPECT_EQ(fromStart.bins.from(27), 271);
    EXPECT_GE(fromStart.motifs[0].sites[27], 84);
}

// The chi-square tail agrees with mpmath's regularized incomplete gamma (50 digits) to 1e-12
// of its logarithm (absolute below 1), from P near 1 to P far below the smallest double.
TEST(Positions, ChiSquareTailMatchesArbitraryPrecision)
{
    std::ifstream in(testData("chi_square_reference.tsv"));
    std::string line;
    int rows = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#' || line[0] == 'd')
            continue;
        std::istringstream fields(line);
        int df = 0;
        double x = 0.0, exact = 0.0;
        fields >> df >> x >> exact;
        const double actual = log10ChiSquareUpperTail(x, df);
        EXPECT_NEAR(actual, exact, 1e-12 * std::max(1.0, std::fabs(exact))) << line;
        ++rows;
    }
    EXPECT_EQ(rows, 80);
    EXPECT_EQ(log10ChiSquareUpperTail(0.0, 3), 0.0);
    EXPECT_TRUE(std::isnan(log10ChiSquareUpperTail(-1.0, 3)));
    EXPECT_TRUE(std::isnan(log10ChiSquareUpperTail(1.0, 0)));
}

// A motif's site is its strongest member's occurrence within a stretch of overlapping ones,
// on the strand that reads the member's word as it lies in the motif.
TEST(Positions, ASiteIsTheStrongestMembersOccurrence)
{
    OneMotif one({"GGTCAC", "GGTCACAC", "GATTACA"});
    one.motifs[0].members[0].sig = 5.0;
    one.motifs[0].members[1].sig = 9.0;
    one.motifs[0].members[2].sig = 6.0;
    one.motifs[0].bestSig = 9.0;
    FamilyProfile family;
    const std::string first = "CCCGGTCACACTTTTTTTTTTT"; // GGTCAC inside GGTCACAC at 3
    const std::string second = "AAAGTGTGACCAAAAAAGTGTAATCAAAA"; // both read on the minus strand
    family.add(first, "first");
    family.add(second, "second");
    family.add(first, "third");
    const PositionReport report = positionsOf(family, one.table, one.motifs, {}, Anchor::End, 4);
    ASSERT_EQ(report.sites.size(), 2u); // one list per distinct sequence
    ASSERT_EQ(report.sites[0].size(), 1u);
    EXPECT_EQ(report.sites[0][0].start, 3u);
    EXPECT_EQ(report.sites[0][0].length, 8u);
    EXPECT_FALSE(report.sites[0][0].reverse);
    EXPECT_EQ(report.sites[0][0].sig, 9.0);
    ASSERT_EQ(report.sites[1].size(), 2u);
    EXPECT_EQ(report.sites[1][0].start, second.find("GTGTGACC"));
    EXPECT_EQ(report.sites[1][0].length, 8u);
    EXPECT_TRUE(report.sites[1][0].reverse);
    EXPECT_EQ(report.sites[1][1].start, second.find("TGTAATC"));
    EXPECT_TRUE(report.sites[1][1].reverse);
    EXPECT_EQ(report.sites[1][1].sig, 6.0);
    EXPECT_EQ(family.recordSequence(2), 0u);
    EXPECT_EQ(family.recordName(1), "second");
}
