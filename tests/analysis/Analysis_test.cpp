#include "TestSupport.h"

#include "analysis/Analysis.h"
#include "analysis/ScoreEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

namespace {

std::string randomWord(std::mt19937& random, std::size_t length)
{
    std::string word;
    for (std::size_t i = 0; i < length; ++i)
        word += random() % 20 == 0 ? 'N' : "ACGT"[random() % 4];
    return word;
}

/// Writes a table of `records` random words of 6 to 8 letters to `path`; with `few`, only
/// three of six letters and five of seven among them.
void writeRandomTable(const std::string& path, std::mt19937& random, int records, std::int64_t length,
    bool few = false)
{
    DTable table;
    for (int i = 0; i < records; ++i)
        table.addWord(DString(randomWord(random, few ? (i < 3 ? 6 : i < 8 ? 7 : 8) : 6 + random() % 3).c_str()));
    table.setSequenceLength(length);
    ASSERT_TRUE(table.write(path.c_str()).ok());
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

/// The gene tables are loaded keeping only words of the lengths refined; the matrices are
/// those refining against the whole tables gives, and each gene's header is its file's.
TEST(Analysis, GeneTablesKeepingTheRefinedLengthsGiveTheMatricesOfWholeTables)
{
    std::mt19937 random(31337);
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        TempDir dir;
        AnalysisInput input {dir.file("big.dtable"), dir.file("small.dtable"), {}};
        writeRandomTable(input.big.path, random, 3000, 100000);
        // Scored six-letter words rank first, then the others in table order, where the
        // longer words come later: with few short words, all three lengths are refined.
        writeRandomTable(input.small.path, random, 300, 2000, round % 2 == 1);
        for (int g = 0; g < 1 + round; ++g) {
            input.genes.emplace_back(dir.file("gene" + std::to_string(g) + ".dtable"));
            writeRandomTable(input.genes.back().path, random, 400, 5000);
        }

        RecordingFeedback feedback;
        const AnalysisResult result = analyze(input, feedback);
        ASSERT_TRUE(result.ok());

        DTable big, small;
        ASSERT_EQ(big.load(input.big.path.c_str()).status, LoadStatus::Loaded);
        ASSERT_EQ(small.load(input.small.path.c_str()).status, LoadStatus::Loaded);
        ScoreEngine engine;
        engine.tabulate(big, small);
        engine.sortCandidates();
        const std::vector<std::size_t> lengths = engine.refinedLengths();
        if (round % 2 == 1) {
            EXPECT_EQ(lengths.size(), 3u);
        }
        std::vector<std::vector<WordEntry>> wholeLists;
        for (std::size_t g = 0; g < input.genes.size(); ++g) {
            DTable gene;
            ASSERT_EQ(gene.load(input.genes[g].path.c_str()).status, LoadStatus::Loaded);
            wholeLists.push_back(gene.entries());
            const TableSummary& summary = result.genes[g];
            EXPECT_EQ(summary.status, LoadStatus::Loaded);
            EXPECT_EQ(summary.distinctCount, gene.distinctCount());
            EXPECT_EQ(summary.totalCount, gene.totalCount());
            EXPECT_EQ(summary.sequenceLength, gene.sequenceLength());
            EXPECT_EQ(summary.records, static_cast<std::size_t>(std::count_if(wholeLists.back().begin(),
                                           wholeLists.back().end(), [&](const WordEntry& e) {
                                               return std::find(lengths.begin(), lengths.end(), e.word.length())
                                                   != lengths.end();
                                           })));
        }
        engine.refineCandidates(wholeLists);

        const std::vector<ProbabilityMatrix> expected = engine.takeMatrices();
        ASSERT_EQ(result.matrices.size(), expected.size());
        for (std::size_t m = 0; m < expected.size(); ++m) {
            EXPECT_EQ(result.candidates[m].word.view(), engine.candidateList()[m].word.view());
            ASSERT_EQ(result.matrices[m].rowCount(), expected[m].rowCount());
            for (int k = 0; k < expected[m].rowCount(); ++k)
                for (char base : {'A', 'T', 'G', 'C'})
                    EXPECT_TRUE(sameBits(result.matrices[m].probability(k, base), expected[m].probability(k, base)));
        }
    }
}

TEST(Analysis, WithoutCandidatesTheGeneTablesStillLoadAndReport)
{
    TempDir dir;
    std::mt19937 random(5);
    AnalysisInput input {dir.file("big.dtable"), dir.file("small.dtable"),
        {dir.file("gene.dtable"), dir.file("missing.dtable")}};
    writeRandomTable(input.big.path, random, 100, 1000);
    DTable empty;
    ASSERT_TRUE(empty.write(input.small.path.c_str()).ok());
    writeRandomTable(input.genes[0].path, random, 50, 500);

    RecordingFeedback feedback;
    const AnalysisResult result = analyze(input, feedback);
    ASSERT_TRUE(result.ok());
    EXPECT_TRUE(result.matrices.empty());
    ASSERT_EQ(result.genes.size(), 2u);
    EXPECT_EQ(result.genes[0].status, LoadStatus::Loaded);
    EXPECT_EQ(result.genes[0].sequenceLength, 500);
    EXPECT_EQ(result.genes[0].records, 0u);
    EXPECT_EQ(result.genes[1].status, LoadStatus::CannotOpen);
    EXPECT_NE(feedback.text().find("Invalid read file name: " + input.genes[1].path + "\n"), std::string::npos);
}

TEST(Analysis, MoreThanThirtyTwoOrNoGeneFilesReadNothing)
{
    TempDir dir;
    std::mt19937 random(9);
    writeRandomTable(dir.file("t.dtable"), random, 40, 1000);
    for (std::size_t genes : {std::size_t(0), std::size_t(maximumGeneFiles) + 1}) {
        SCOPED_TRACE(genes);
        RecordingFeedback feedback;
        AnalysisResult result
            = analyze({dir.file("t.dtable"), dir.file("t.dtable"), std::vector<TableSource>(genes, dir.file("t.dtable"))}, feedback);
        EXPECT_EQ(result.status, genes == 0 ? AnalysisStatus::MissingInput : AnalysisStatus::TooManyGeneFiles);
        EXPECT_TRUE(feedback.events.empty());
        EXPECT_EQ(feedback.text(), "");
        EXPECT_TRUE(result.candidates.empty());
    }
}

/// The steps, warnings and diagnostic lines of a run come in the order the run takes them one
/// after another, whatever is loaded side by side, and every step carries the total.
TEST(Analysis, FeedbackComesInTheRunsOrderWithTheTotalKnownFromTheStart)
{
    TempDir dir;
    std::mt19937 random(77);
    writeRandomTable(dir.file("small.dtable"), random, 120, 1000);
    writeRandomTable(dir.file("gene.dtable"), random, 30, 100);
    const std::string missingBig = dir.file("no-genome.dtable");
    const std::string missingGene = dir.file("no-gene.dtable");
    RecordingFeedback feedback;
    AnalysisResult result
        = analyze({missingBig, dir.file("small.dtable"), {dir.file("gene.dtable"), missingGene}}, feedback);
    ASSERT_TRUE(result.ok());

    const std::int64_t total = 5 + ScoreEngine::tabulateSteps(result.candidates.size())
        + ScoreEngine::refineSteps(result.candidates.size(), 2);
    std::vector<std::string> expected = {"start", "0/" + std::to_string(total)};
    for (std::int64_t step = 1; step <= total; ++step) {
        expected.push_back(std::to_string(step) + "/" + std::to_string(total));
        if (step == 3) // after loading the small table, before tabulating
            expected.push_back("warn Error on File Load: Upstream Genome or Gene Family is empty!");
    }
    expected.push_back("end");
    EXPECT_EQ(feedback.events, expected);

    const std::string text = feedback.text();
    const std::string opening = "createdcreatedInvalid read file name: " + missingBig + "\nFlattening....flattened..\n"
                                "Tabulating scores.. created10% 20% ";
    EXPECT_EQ(text.substr(0, opening.size()), opening);
    const std::size_t tabulated = text.find("done.\n");
    ASSERT_NE(tabulated, std::string::npos);
    EXPECT_EQ(text.substr(tabulated), "done.\ncreatedcreatedInvalid read file name: " + missingGene + "\n");
}

TEST(Analysis, ResultHoldsTheHeadersAndTheRanksOfTheListedWords)
{
    TempDir dir;
    std::mt19937 random(5);
    writeRandomTable(dir.file("big.dtable"), random, 300, 100000);
    writeRandomTable(dir.file("small.dtable"), random, 200, 2000);
    writeRandomTable(dir.file("gene.dtable"), random, 50, 300);
    RunFeedback quiet;
    AnalysisResult result = analyze({dir.file("big.dtable"), dir.file("small.dtable"), {dir.file("gene.dtable")}}, quiet);
    ASSERT_TRUE(result.ok());

    DTable small;
    ASSERT_EQ(small.load(dir.file("small.dtable").c_str()).status, LoadStatus::Loaded);
    EXPECT_EQ(result.small.sequenceLength, 2000);
    EXPECT_EQ(result.small.distinctCount, small.distinctCount());
    EXPECT_EQ(result.small.totalCount, small.totalCount());
    EXPECT_EQ(result.small.records, small.recordCount());
    EXPECT_EQ(result.big.sequenceLength, 100000);
    EXPECT_EQ(result.big.records, result.background.size());
    ASSERT_EQ(result.genes.size(), 1u);
    EXPECT_EQ(result.genes[0].sequenceLength, 300);

    ASSERT_EQ(result.candidates.size(), small.recordCount());
    EXPECT_TRUE(std::is_sorted(result.candidates.begin(), result.candidates.end()));
    ASSERT_EQ(result.matrices.size(), 10u);
    for (std::size_t i = 0; i < 10; ++i) {
        const std::string word(result.candidates[i].word.view());
        std::string reverse(word.rbegin(), word.rend());
        for (char& c : reverse)
            c = c == 'A' ? 'T' : c == 'T' ? 'A' : c == 'C' ? 'G' : c == 'G' ? 'C' : c;
        // A word is found by its own letters and by its other strand's, ranked where it first stands.
        EXPECT_LE(result.rankOf(word), i + 1);
        EXPECT_LE(result.rankOf(reverse), i + 1);
        EXPECT_GE(result.rankOf(word), 1u);
    }
    EXPECT_EQ(result.rankOf("ACGTACGTACGT"), 0u);
}
