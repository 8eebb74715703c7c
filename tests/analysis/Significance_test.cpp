#include "TestSupport.h"

#include "analysis/PoissonBinomial.h"
#include "analysis/Significance.h"
#include "analysis/TailProbability.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <string>

namespace {

std::vector<WordEntry> recordsOf(const std::vector<std::pair<std::string, std::int64_t>>& words)
{
    std::vector<WordEntry> records;
    for (const auto& [word, count] : words)
        records.emplace_back(DString(word.c_str()), count, -1, -1, -1);
    return records;
}

std::string otherStrand(const std::string& word)
{
    std::string reverse(word.rbegin(), word.rend());
    for (char& c : reverse)
        c = c == 'A' ? 'T' : c == 'T' ? 'A' : c == 'C' ? 'G' : c == 'G' ? 'C' : c;
    return reverse;
}

/// Every word of `length` letters over A, C, G, T, in alphabetical order.
std::vector<std::string> allWords(int length)
{
    std::vector<std::string> words {""};
    for (int i = 0; i < length; ++i) {
        std::vector<std::string> longer;
        for (const std::string& w : words)
            for (char c : std::string("ACGT"))
                longer.push_back(w + c);
        words = longer;
    }
    return words;
}

/// The table worked out word by word with strings and maps, as one would by hand.
struct PlainClass {
    std::string word;
    std::int64_t observed;
    double expected, log10P, log10E, log10Q;
};

std::vector<PlainClass> plainTable(const std::vector<WordEntry>& big, const std::vector<WordEntry>& small, int length)
{
    std::map<std::string, std::int64_t> bigCount, smallCount;
    for (const WordEntry& e : big)
        bigCount[std::string(e.word.view())] += e.count;
    for (const WordEntry& e : small)
        smallCount[std::string(e.word.view())] += e.count;
    auto windows = [&](std::map<std::string, std::int64_t>& counts) {
        double sum = 0;
        for (const std::string& w : allWords(length))
            sum += static_cast<double>(counts[w]) * (w == otherStrand(w) ? 2 : 1);
        return sum / 2;
    };
    const double bigT = windows(bigCount), smallT = windows(smallCount);
    std::vector<PlainClass> classes;
    for (const std::string& w : allWords(length))
        if (w <= otherStrand(w))
            classes.push_back({w, std::max(smallCount[w], smallCount[otherStrand(w)]), 0, 0, 0, 0});
    const double m = static_cast<double>(classes.size());
    for (PlainClass& c : classes) {
        const double p = (static_cast<double>(std::max(bigCount[c.word], bigCount[otherStrand(c.word)])) + 1) / (bigT + m);
        c.expected = p * smallT;
        c.log10P = c.observed == 0 ? 0.0 : log10BinomialUpperTail(c.observed, std::round(smallT), p);
        c.log10E = std::log10(m) + c.log10P;
    }
    // q of a class: the least m * P / rank over the classes ranked at or after it.
    std::vector<PlainClass*> ranked;
    for (PlainClass& c : classes)
        ranked.push_back(&c);
    std::stable_sort(ranked.begin(), ranked.end(), [](const PlainClass* a, const PlainClass* b) { return a->log10P < b->log10P; });
    for (std::size_t i = 0; i < ranked.size(); ++i) {
        double least = 0.0;
        for (std::size_t j = i; j < ranked.size(); ++j)
            least = std::min(least, std::log10(m) + ranked[j]->log10P - std::log10(static_cast<double>(j + 1)));
        ranked[i]->log10Q = least;
    }
    return classes;
}

} // namespace

TEST(Significance, ClassCountsWindowsAndAWorkedExample)
{
    // One window of AAAAAA|TTTTTT is counted twice in the table (the word and its reverse
    // complement), a palindrome ACGCGT once per window.
    const auto big = recordsOf({{"AAAAAA", 10}, {"TTTTTT", 10}, {"ACGCGT", 4}, {"NNNNNN", 99}, {"AAAAAAA", 5}});
    const auto small = recordsOf({{"AAAAAA", 3}, {"TTTTTT", 3}, {"ACGCGT", 1}});
    SignificanceTable table = significanceOf(big, small, Statistic::Binomial, 6, 7);
    ASSERT_EQ(table.lengths.size(), 2u);
    EXPECT_EQ(table.lengths[0].classes, 2080);
    EXPECT_EQ(table.lengths[1].classes, 8192);
    EXPECT_EQ(table.lengths[0].bigWindows, 14.0);  // (10 + 10 + 4 + 4) / 2
    EXPECT_EQ(table.lengths[0].smallWindows, 4.0); // (3 + 3 + 1 + 1) / 2
    EXPECT_EQ(table.lengths[0].observed, 2u);
    EXPECT_EQ(table.lengths[1].observed, 0u);
    ASSERT_EQ(table.classes.size(), 2u);

    const WordClass& a = table.classes[0].word == "AAAAAA" ? table.classes[0] : table.classes[1];
    EXPECT_EQ(a.reverse, "TTTTTT");
    EXPECT_EQ(a.observed, 3);
    // p = (10 + 1) / (14 + 2080), E = 4p; P(X >= 3) for Binomial(4, p) = 4 p^3 q + p^4.
    const double p = 11.0 / 2094.0;
    EXPECT_DOUBLE_EQ(a.expected, 4 * p);
    EXPECT_NEAR(a.log10P, std::log10(4 * p * p * p * (1 - p) + p * p * p * p), 1e-12);
    // Every class of both lengths is a test: 2080 + 8192 of them.
    EXPECT_EQ(table.classesTested, 2080 + 8192);
    EXPECT_NEAR(a.log10E, std::log10(10272.0) + a.log10P, 1e-12);
    EXPECT_DOUBLE_EQ(a.ratio, 3 / (4 * p));
    // The most significant first; with two observed classes the best q is 10272 * P / 1.
    EXPECT_EQ(table.classes[0].word, "AAAAAA");
    EXPECT_NEAR(table.classes[0].log10Q, std::log10(10272.0) + a.log10P, 1e-12);
    EXPECT_TRUE(a.lowComplexity);
    EXPECT_EQ(a.sequences, -1); // no family's sequences given
    EXPECT_EQ(table.classes[1].word, "ACGCGT");
    EXPECT_EQ(table.classes[1].reverse, "ACGCGT");
}

TEST(Significance, MatchesTheWordByWordTableOnRandomTables)
{
    std::mt19937 random(2024);
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::pair<std::string, std::int64_t>> bigWords, smallWords;
        for (const std::string& w : allWords(6)) {
            if (w > otherStrand(w))
                continue;
            const std::int64_t b = random() % 3 == 0 ? 0 : random() % 400;
            const std::int64_t s = random() % 2 == 0 ? 0 : random() % (round == 3 ? 2000 : 30);
            for (const std::string& strand : {w, otherStrand(w)}) {
                if (b)
                    bigWords.push_back({strand, b});
                if (s)
                    smallWords.push_back({strand, s});
                if (strand == otherStrand(strand))
                    break;
            }
        }
        const auto big = recordsOf(bigWords), small = recordsOf(smallWords);
        const SignificanceTable table = significanceOf(big, small, Statistic::Binomial, 6, 6);
        std::map<std::string, PlainClass> plain;
        for (const PlainClass& c : plainTable(big, small, 6))
            plain[c.word] = c;
        std::size_t observed = 0;
        for (const auto& [word, c] : plain)
            observed += c.observed > 0;
        ASSERT_EQ(table.classes.size(), observed);
        for (std::size_t i = 0; i < table.classes.size(); ++i) {
            const WordClass& c = table.classes[i];
            const PlainClass& expected = plain.at(c.word);
            EXPECT_EQ(c.observed, expected.observed) << c.word;
            EXPECT_DOUBLE_EQ(c.expected, expected.expected) << c.word;
            EXPECT_NEAR(c.log10P, expected.log10P, 1e-9 * std::max(1.0, std::fabs(expected.log10P))) << c.word;
            EXPECT_NEAR(c.log10Q, expected.log10Q, 1e-9 * std::max(1.0, std::fabs(expected.log10Q))) << c.word;
            if (i > 0) {
                const WordClass& before = table.classes[i - 1];
                EXPECT_TRUE(before.log10E < c.log10E || (before.log10E == c.log10E && before.word < c.word)) << c.word;
            }
        }
    }
}

TEST(Significance, TheStatisticChoosesTheTestAndTheRanking)
{
    const auto big = recordsOf({{"AAAAAA", 10}, {"TTTTTT", 10}, {"CCCCCC", 1000}, {"GGGGGG", 1000}, {"ACGTAC", 1}, {"GTACGT", 1}});
    const auto small = recordsOf({{"AAAAAA", 30}, {"TTTTTT", 30}, {"CCCCCC", 900}, {"GGGGGG", 900}, {"ACGTAC", 2}, {"GTACGT", 2}});
    const SignificanceTable poisson = significanceOf(big, small, Statistic::Poisson, 6, 6);
    const SignificanceTable ratio = significanceOf(big, small, Statistic::Ratio, 6, 6);
    const SignificanceTable binomial = significanceOf(big, small, Statistic::Binomial, 6, 6);
    ASSERT_EQ(poisson.classes.size(), 3u);
    for (const WordClass& c : poisson.classes)
        EXPECT_NEAR(c.log10P, log10PoissonUpperTail(c.observed, c.expected), 1e-12) << c.word;
    for (std::size_t i = 1; i < ratio.classes.size(); ++i)
        EXPECT_GE(ratio.classes[i - 1].ratio, ratio.classes[i].ratio);
    // Ratio ranks by observed / expected and takes its P from the binomial.
    for (const WordClass& c : ratio.classes) {
        auto same = std::find_if(binomial.classes.begin(), binomial.classes.end(), [&](const WordClass& b) { return b.word == c.word; });
        ASSERT_NE(same, binomial.classes.end());
        EXPECT_EQ(c.log10P, same->log10P);
    }
}

TEST(Significance, EachStatisticHasOneDescription)
{
    const auto descriptions = statisticDescriptions();
    ASSERT_EQ(descriptions.size(), 4u);
    for (const StatisticDescription& description : descriptions) {
        SCOPED_TRACE(description.name);
        EXPECT_EQ(&describeStatistic(description.statistic), &description);
        EXPECT_STREQ(describeStatistic(description.statistic).name, description.name);
        EXPECT_GT(std::string(description.tableNote).size(), 0u);
        EXPECT_GT(std::string(description.summaryText).size(), 0u);
    }
    EXPECT_STREQ(describeStatistic(Statistic::Poisson).name, "poisson");
    EXPECT_STREQ(describeStatistic(Statistic::Ratio).name, "ratio");
    EXPECT_STREQ(describeStatistic(Statistic::Sequences).name, "sequences");
    // A value outside the enum, as a stored setting may hold, reads as the binomial.
    EXPECT_EQ(describeStatistic(static_cast<Statistic>(7)).statistic, Statistic::Binomial);
}

/// With the family's sequences, each class counts the distinct sequences holding it against
/// the sum of 1 - (1 - p)^n over them, each sequence taken alone here, and the Sequences
/// statistic's P is the Poisson-binomial tail of those sequences one by one.
TEST(Significance, TheFamilysSequencesHoldingEachClass)
{
    const std::vector<std::string> sequences = {"ACGTTGCAAATTTGGGCCCAACGT", "TTGCAAATNNACGTTGCA", "GGGCCCA", "acgttgcaaat",
        "ACGTTGCAAATTTGGGCCCAACGT"};
    FamilyProfile family;
    for (const std::string& sequence : sequences)
        family.add(sequence);
    ASSERT_EQ(family.size(), 4);
    const auto big = recordsOf({{"ACGTTG", 40}, {"CAACGT", 40}, {"TTGCAA", 5}, {"AAATTT", 90}, {"GGGCCC", 2}});
    const auto small = recordsOf({{"ACGTTG", 3}, {"CAACGT", 3}, {"TTGCAA", 3}, {"AAATTT", 1}, {"GGGCCC", 2}});
    const SignificanceTable table = significanceOf(big, small, Statistic::Sequences, 6, 6, &family);
    EXPECT_EQ(table.familySize, 4);
    // The windows of six letters of A, C, G and T of each distinct sequence, counted by hand.
    const std::vector<double> windows = {19, 3 + 3, 2, 6};
    const double bigWindows = table.lengths[0].bigWindows;
    std::map<std::string, std::int64_t> holding = {{"ACGTTG", 3}, {"TTGCAA", 3}, {"AAATTT", 1}, {"GGGCCC", 2}};
    for (const WordClass& c : table.classes) {
        SCOPED_TRACE(c.word);
        ASSERT_TRUE(holding.contains(c.word));
        EXPECT_EQ(c.sequences, holding[c.word]);
        const double p = c.expected / table.lengths[0].smallWindows;
        EXPECT_NEAR(p * (bigWindows + 2080.0), std::round(p * (bigWindows + 2080.0)), 1e-9); // (count + 1) / (T + NPO)
        double expected = 0.0;
        std::vector<TrialGroup> alone;
        for (double n : windows) {
            expected += 1.0 - std::pow(1.0 - p, n);
            alone.push_back(occurrenceGroup(p, static_cast<std::int64_t>(n), 1));
        }
        EXPECT_NEAR(c.expectedSequences, expected, 1e-12);
        EXPECT_NEAR(c.log10P, log10PoissonBinomialUpperTail(c.sequences, alone), 1e-9);
        EXPECT_NEAR(c.log10E, std::log10(2080.0) + c.log10P, 1e-12);
    }
}
