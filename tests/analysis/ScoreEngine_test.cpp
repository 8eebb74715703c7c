#include "TestSupport.h"

#include "analysis/ScoreEngine.h"
#include "analysis/Statistics.h"
#include "base/RealFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

namespace {

/// A table holding exactly the given records and sequence length.
DTable tableOf(std::int64_t sequenceLength, const std::vector<std::pair<std::string, std::int64_t>>& records)
{
    DTable table;
    for (const auto& [word, count] : records)
        table.insertEntry(WordEntry(DString(word.c_str()), count, -1, -1, -1));
    table.setSequenceLength(sequenceLength);
    return table;
}

const WordEntry* findCandidate(const ScoreEngine& engine, const char* word)
{
    for (std::size_t i = 0; i < engine.candidateList().size(); ++i)
        if (engine.candidateList()[i].word.view() == word)
            return &engine.candidateList()[i];
    return nullptr;
}

std::string scores(const WordEntry& entry)
{
    return formatReal(entry.score1) + " " + formatReal(entry.score2) + " " + formatReal(entry.score3);
}

} // namespace

TEST(ScoreEngine, WorkedExampleAndPalindrome)
{
    DTable big = tableOf(1000000, {{"AAAAAC", 500}, {"ACGCGT", 500}});
    DTable small = tableOf(1000, {{"AAAAAC", 3}, {"ACGCGT", 3}});
    ScoreEngine engine;
    engine.tabulate(big, small);
    ASSERT_EQ(engine.candidateList().size(), 2u);
    EXPECT_EQ(scores(*findCandidate(engine, "AAAAAC")), "0.166667 0.0126361 0.0126155");
    // A palindrome's Score 3 takes half the background frequency; Scores 1 and 2 do not.
    EXPECT_EQ(scores(*findCandidate(engine, "ACGCGT")), "0.166667 0.0126361 0.0020235");
}

TEST(ScoreEngine, WordsThatAreNotScored)
{
    DTable big = tableOf(1000000, {{"AAAAAC", 500}, {"AAAAACC", 1}, {"CCCCCC", 5000}});
    DTable small = tableOf(1000, {{"AAAAACC", 50}, {"AAAAACCC", 50}, {"CCCCCC", 5}, {"GGGGGG", 2}});
    ScoreEngine engine;
    engine.tabulate(big, small);
    // Other lengths, and counts at or below the expected count, hold 1.0 throughout.
    EXPECT_EQ(scores(*findCandidate(engine, "AAAAACC")), "1 1 1");
    EXPECT_EQ(scores(*findCandidate(engine, "AAAAACCC")), "1 1 1");
    EXPECT_EQ(scores(*findCandidate(engine, "CCCCCC")), "1 1 1");
    // Absent from the big table: p is 0, so Scores 1 and 2 are 0 and Score 3 is not a number.
    EXPECT_EQ(scores(*findCandidate(engine, "GGGGGG")), "0 0 nan");
}

TEST(ScoreEngine, WordsHoldingOtherLettersAreNotCandidates)
{
    // Pieces of assembly gaps and ambiguity codes, over-represented as they may be, are not
    // scored; they still come first to refinement only if nothing else is left.
    DTable big = tableOf(1000000, {{"AAAAAC", 500}, {"NNNNNN", 1}, {"ACGTNA", 1}});
    DTable small = tableOf(1000, {{"AAAAAC", 3}, {"NNNNNN", 900}, {"ACGTNA", 50}, {"acgtac", 50}, {"RYACGT", 9}});
    ScoreEngine engine;
    engine.tabulate(big, small);
    for (const char* word : {"NNNNNN", "ACGTNA", "acgtac", "RYACGT"})
        EXPECT_EQ(scores(*findCandidate(engine, word)), "1 1 1") << word;
    EXPECT_EQ(scores(*findCandidate(engine, "AAAAAC")), "0.166667 0.0126361 0.0126155");
    engine.sortCandidates();
    EXPECT_EQ(engine.candidateList()[0].word.view(), "AAAAAC");
}

TEST(ScoreEngine, BigTableOfLengthZeroScoresNothing)
{
    DTable big = tableOf(0, {{"AAAAAC", 500}});
    DTable small = tableOf(1000, {{"AAAAAC", 3}, {"TTTTTT", 4}});
    ScoreEngine engine;
    engine.tabulate(big, small);
    EXPECT_EQ(scores(*findCandidate(engine, "AAAAAC")), "1 1 1");
    EXPECT_EQ(scores(*findCandidate(engine, "TTTTTT")), "1 1 1");
}

TEST(ScoreEngine, BackgroundKeepsItsLoadedScores)
{
    DTable big;
    big.insertEntry(WordEntry("AAAAAC", 500, 7, 8, 9));
    big.setSequenceLength(1000000);
    DTable small = tableOf(1000, {{"AAAAAC", 3}});
    ScoreEngine engine;
    engine.tabulate(big, small);
    EXPECT_EQ(engine.backgroundList().size(), 1u);
    EXPECT_EQ(engine.candidateList()[0].score1, 0.5 / 3);
}

TEST(ScoreEngine, ConsoleLinesAndProgressSteps)
{
    struct Case {
        int candidates;
        int steps;
        std::string marks;
    };
    for (const Case& c : {Case {5, 5, ""}, Case {49, 49, "10% 20% 30% 40% 50% 60% 70% 80% 90% 100% "},
             Case {60, 60, "10% 20% 30% 40% 50% 60% 70% 80% "},
             Case {1000, 50, "10% 20% 30% 40% 50% 60% 70% 80% 90% "},
             Case {1005, 51, "10% 20% 30% 40% 50% 60% 70% 80% 90% 100% "}}) {
        SCOPED_TRACE(c.candidates);
        std::vector<std::pair<std::string, std::int64_t>> records;
        for (int i = 0; i < c.candidates; ++i)
            records.push_back({std::to_string(i).append("W"), 1});
        DTable small = tableOf(1000, records);
        DTable big = tableOf(1000, {});
        RecordingFeedback console;
        RunProgress progress(console);
        ScoreEngine engine(progress);
        engine.tabulate(big, small);
        EXPECT_EQ(progress.counter(), c.steps);
        EXPECT_EQ(ScoreEngine::tabulateSteps(static_cast<std::size_t>(c.candidates)), c.steps);
        EXPECT_EQ(console.text(), "Flattening....flattened..\nTabulating scores.. created" + c.marks + "done.\n");
    }
}

TEST(ScoreEngine, SortingRanksByScoreOneAndKeepsTiesInTableOrder)
{
    DTable big = tableOf(1000000, {{"AAAAAC", 500}, {"AAAAAG", 100}});
    DTable small = tableOf(1000, {{"TTTTTT", 1}, {"AAAAAC", 3}, {"CCCCCC", 2}, {"AAAAAG", 3}, {"GGGGGG", 4}});
    ScoreEngine engine;
    engine.tabulate(big, small);
    engine.sortCandidates();
    std::string order;
    for (std::size_t i = 0; i < engine.candidateList().size(); ++i)
        order += std::string(engine.candidateList()[i].word.view()) + " ";
    // CCCCCC, GGGGGG and TTTTTT are absent from the big table: Score 1 = 0, in table
    // (bucket) order.
    EXPECT_EQ(order, "CCCCCC GGGGGG TTTTTT AAAAAG AAAAAC ");
}

TEST(ScoreEngine, RefinementWorkedExample)
{
    DTable big = tableOf(1000000, {});
    DTable small = tableOf(1000, {{"AAAAAC", 3}});
    RecordingFeedback feedback;
    RunProgress progress(feedback);
    ScoreEngine engine(progress);
    engine.tabulate(big, small);
    engine.sortCandidates();
    std::vector<std::vector<WordEntry>> genes = {
        {WordEntry(DString("TTTTTT")), WordEntry(DString("AAAAAA"))},
        {WordEntry(DString("AAAAAC")), WordEntry(DString("CCCCCC"))},
    };
    progress.resetProgress();
    engine.refineCandidates(genes);
    EXPECT_EQ(progress.counter(), 1 * 5 * 2); // fewer than ten candidates: the ones there are
    EXPECT_EQ(ScoreEngine::refineSteps(engine.candidateList().size(), genes.size()), progress.counter());
    const std::vector<ProbabilityMatrix> matrices = engine.takeMatrices();
    ASSERT_EQ(matrices.size(), 1u);
    const ProbabilityMatrix& m = matrices[0];
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(m.probability(k, 'A'), 1.0);
        EXPECT_EQ(m.probability(k, 'T') + m.probability(k, 'G') + m.probability(k, 'C'), 0.0);
    }
    EXPECT_EQ(m.probability(5, 'A'), 0.5);
    EXPECT_EQ(m.probability(5, 'C'), 0.5);
    EXPECT_EQ(m.probability(5, 'T'), 0.0);
    EXPECT_EQ(m.probability(5, 'G'), 0.0);
}

TEST(ScoreEngine, GeneListWithoutWordsOfTheCandidatesLengthAddsTheEmptyWord)
{
    DTable big = tableOf(1000000, {});
    DTable small = tableOf(1000, {{"ACGTAC", 3}});
    ScoreEngine engine;
    engine.tabulate(big, small);
    engine.refineCandidates({{WordEntry(DString("ACGTAA"))}, {WordEntry(DString("ACGTACG")), WordEntry(DString("NNNNNN"))}});
    ProbabilityMatrix m = engine.takeMatrices()[0];
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(m.probability(k, 'A') + m.probability(k, 'T') + m.probability(k, 'G') + m.probability(k, 'C'), 0.5);
}

TEST(ScoreEngine, TiesGoToTheFirstWordInListOrder)
{
    DTable big = tableOf(1000000, {});
    DTable small = tableOf(1000, {{"AAAAAA", 3}});
    ScoreEngine engine;
    engine.tabulate(big, small);
    // CAAAAA and GAAAAA fit equally well; the first one met is picked in every pass.
    engine.refineCandidates({{WordEntry(DString("CAAAAA")), WordEntry(DString("GAAAAA"))}});
    ProbabilityMatrix m = engine.takeMatrices()[0];
    EXPECT_EQ(m.probability(0, 'C'), 1.0);
    EXPECT_EQ(m.probability(0, 'G'), 0.0);
}

namespace {

/// Refinement as the plain definition reads: every word of every list scored in every pass.
std::vector<ProbabilityMatrix> plainRefinement(const std::vector<DString>& words,
    const std::vector<std::vector<WordEntry>>& genes)
{
    std::vector<ProbabilityMatrix> result;
    for (std::size_t i = 0; i < words.size() && i < 10; ++i) {
        ProbabilityMatrix m(words[i]);
        for (int pass = 0; pass < 5; ++pass) {
            std::vector<DString> picked;
            for (const auto& list : genes) {
                DString best("");
                double bestScore = 0.0;
                for (const WordEntry& entry : list) {
                    double score = 0.0;
                    if (entry.word.length() == words[i].length()) {
                        for (std::size_t k = 0; k < entry.word.length(); ++k) {
                            char c = entry.word.at(static_cast<std::int64_t>(k));
                            if (c == 'A' || c == 'T' || c == 'G' || c == 'C')
                                score += m.probability(static_cast<int>(k), c);
                        }
                    }
                    if (score > bestScore) {
                        best = entry.word;
                        bestScore = score;
                    }
                }
                picked.push_back(best);
            }
            m.rebuild(picked);
        }
        result.push_back(m);
    }
    return result;
}

/// Tabulating as the plain definition reads, with term-by-term statistics.
std::vector<WordEntry> plainTabulate(const DTable& big, const DTable& small)
{
    auto logFactorial = [](double x) {
        double sum = 0.0;
        for (double c = 1.0; c <= x; c += 1.0)
            sum += std::log10(c);
        return sum;
    };
    std::vector<WordEntry> list = small.entries();
    double n = static_cast<double>(small.sequenceLength());
    for (WordEntry& entry : list) {
        entry.score1 = entry.score2 = entry.score3 = 1.0;
        if (entry.word.length() != 6 || entry.word.view().find_first_not_of("ACGT") != std::string_view::npos)
            continue;
        double p = static_cast<double>(big.countOf(entry.word)) / static_cast<double>(big.sequenceLength());
        double o = static_cast<double>(entry.count);
        double e = n * p;
        std::string reverse(entry.word.view().rbegin(), entry.word.view().rend());
        for (char& c : reverse)
            c = c == 'A' ? 'T' : c == 'T' ? 'A' : c == 'C' ? 'G' : c == 'G' ? 'C' : c;
        if (reverse == entry.word.view())
            p = p / 2.0;
        if (o > e && o > 0) {
            entry.score1 = e / o;
            entry.score2 = poissonProbability(e, o);
            double l = 0.0;
            l += logFactorial(n) - (logFactorial(n - o) + logFactorial(o));
            l += o * std::log10(p);
            l += (n - o) * std::log10(1 - p);
            entry.score3 = powerOfTen(l);
        }
    }
    return list;
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string randomWord(std::mt19937& random, std::size_t length)
{
    std::string word;
    for (std::size_t i = 0; i < length; ++i)
        word += "ACGTN"[random() % (i % 7 == 3 ? 5 : 4)];
    return word;
}

} // namespace

TEST(ScoreEngine, MatchesThePlainAlgorithmBitForBit)
{
    std::mt19937 random(99);
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::pair<std::string, std::int64_t>> bigRecords, smallRecords;
        for (int i = 0; i < 300; ++i) {
            std::string word = randomWord(random, 6 + (i % 5 == 0 ? 1 : 0));
            bigRecords.push_back({word, static_cast<std::int64_t>(random() % 500)});
            if (i % 2 == 0)
                smallRecords.push_back({word, static_cast<std::int64_t>(random() % 40)});
        }
        for (int i = 0; i < 20; ++i)
            smallRecords.push_back({randomWord(random, 6), static_cast<std::int64_t>(random() % 5 + 1)});
        DTable big = tableOf(200000 + static_cast<std::int64_t>(random() % 100000), bigRecords);
        DTable small = tableOf(20000 + static_cast<std::int64_t>(random() % 20000), smallRecords);

        ScoreEngine engine;
        engine.tabulate(big, small);
        std::vector<WordEntry> expected = plainTabulate(big, small);
        ASSERT_EQ(engine.candidateList().size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const WordEntry& got = engine.candidateList()[i];
            ASSERT_TRUE(sameBits(got.score1, expected[i].score1) && sameBits(got.score2, expected[i].score2)
                && sameBits(got.score3, expected[i].score3))
                << expected[i].word.text();
        }

        engine.sortCandidates();
        std::stable_sort(expected.begin(), expected.end(),
            [](const WordEntry& a, const WordEntry& b) { return a.score1 < b.score1; });
        for (std::size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(engine.candidateList()[i].word.view(), expected[i].word.view()) << i;
        std::vector<std::vector<WordEntry>> genes(1 + random() % 4);
        for (auto& list : genes)
            for (int i = 0; i < 60; ++i)
                list.push_back(WordEntry(DString(randomWord(random, 5 + random() % 3).c_str())));
        std::vector<DString> words;
        for (std::size_t i = 0; i < engine.candidateList().size(); ++i)
            words.push_back(engine.candidateList()[i].word);
        engine.refineCandidates(genes);
        std::vector<ProbabilityMatrix> plain = plainRefinement(words, genes);
        std::vector<ProbabilityMatrix> fast = engine.takeMatrices();
        ASSERT_EQ(fast.size(), plain.size());
        for (std::size_t m = 0; m < plain.size(); ++m)
            for (int k = 0; k < plain[m].rowCount(); ++k)
                for (char base : {'A', 'T', 'G', 'C'})
                    ASSERT_TRUE(sameBits(fast[m].probability(k, base), plain[m].probability(k, base)));
    }
}

namespace {

/// A word of `length` letters, mostly A, C, G, T and now and then N, n or a lower-case base.
std::string mixedWord(std::mt19937& random, std::size_t length)
{
    static const char odd[] = "Nnacgtx";
    std::string word;
    for (std::size_t i = 0; i < length; ++i)
        word += random() % 12 == 0 ? odd[random() % (sizeof odd - 1)] : "ACGT"[random() % 4];
    return word;
}

} // namespace

/// Refinement against the plain definition on candidates of 6 to 8 letters and gene lists
/// holding words of other lengths, N, lower case and repeated words, every matrix value
/// compared bit for bit, with a progress step per gene list and pass.
TEST(ScoreEngine, RefinementOfMixedLengthsMatchesThePlainAlgorithm)
{
    std::mt19937 random(2718);
    std::size_t lengthsSeen[9] = {};
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE(round);
        // A few six-letter words absent from the big table rank first (Score 1 = 0); the
        // rest keep Score 1 = 1 in table order, where the longer words follow the few
        // six-letter ones.
        std::vector<std::pair<std::string, std::int64_t>> smallRecords, bigRecords;
        for (int i = 0; i < 3; ++i)
            smallRecords.push_back({mixedWord(random, 6), 2});
        for (int i = 0; i < 30; ++i) {
            smallRecords.push_back({mixedWord(random, std::min<std::size_t>(6 + random() % 10, 8)), 1});
            bigRecords.push_back({smallRecords.back().first, 1000000});
        }
        DTable big = tableOf(1000000, bigRecords);
        DTable small = tableOf(1000, smallRecords);
        RecordingFeedback feedback;
        RunProgress progress(feedback);
        ScoreEngine engine(progress);
        engine.tabulate(big, small);
        engine.sortCandidates();

        std::vector<DString> words;
        for (std::size_t i = 0; i < engine.candidateList().size(); ++i)
            words.push_back(engine.candidateList()[i].word);
        for (std::size_t length : engine.refinedLengths())
            ++lengthsSeen[length];
        std::vector<std::vector<WordEntry>> genes(1 + random() % 6);
        for (auto& list : genes) {
            const int size = random() % 7 == 0 ? 0 : static_cast<int>(random() % 400);
            for (int i = 0; i < size; ++i) {
                if (i > 0 && random() % 10 == 0) {
                    list.push_back(list[random() % list.size()]);
                } else if (random() % 6 == 0) {
                    // A refined word, or one letter away from it, after the same with an N
                    // there: the two tie when no word picked before has that letter there.
                    std::string word(words[random() % std::min<std::size_t>(words.size(), 10)].view());
                    const std::size_t at = random() % word.size();
                    word[at] = "ACGT"[random() % 4];
                    std::string twin = word;
                    twin[at] = 'N';
                    list.push_back(WordEntry(DString(twin.c_str())));
                    list.push_back(WordEntry(DString(word.c_str())));
                } else {
                    list.push_back(WordEntry(DString(mixedWord(random, 5 + random() % 5).c_str())));
                }
            }
        }

        progress.resetProgress();
        engine.refineCandidates(genes);
        EXPECT_EQ(progress.counter(), static_cast<std::int64_t>(std::min<std::size_t>(words.size(), 10) * 5 * genes.size()));
        const std::vector<ProbabilityMatrix> plain = plainRefinement(words, genes);
        const std::vector<ProbabilityMatrix> fast = engine.takeMatrices();
        ASSERT_EQ(fast.size(), plain.size());
        for (std::size_t m = 0; m < plain.size(); ++m) {
            ASSERT_EQ(fast[m].rowCount(), plain[m].rowCount());
            for (int k = 0; k < plain[m].rowCount(); ++k)
                for (char base : {'A', 'T', 'G', 'C'})
                    ASSERT_TRUE(sameBits(fast[m].probability(k, base), plain[m].probability(k, base)))
                        << "matrix " << m << " position " << k << " base " << base;
        }
    }
    EXPECT_GT(lengthsSeen[6], 0u);
    EXPECT_GT(lengthsSeen[7], 0u);
    EXPECT_GT(lengthsSeen[8], 0u);
}
