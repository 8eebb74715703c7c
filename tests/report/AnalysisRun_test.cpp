#include "TestSupport.h"

#include "report/AnalysisRun.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const emptyWarning = "Error on File Load: Upstream Genome or Gene Family is empty!";

std::string sixLetterWord(int n)
{
    std::string word;
    for (int k = 0; k < 6; ++k, n /= 4)
        word.insert(word.begin(), "ACGT"[n % 4]);
    return word;
}

/// Writes a table file of `words` distinct six-letter words, each counted `count` times;
/// its header gives `distinct` as the number of distinct words (by default `words`).
void writeTable(const std::string& path, int words, std::int64_t count, std::int64_t sequenceLength, int distinct = -1)
{
    std::string text = std::string("10000\r\n").append(std::to_string(sequenceLength)).append("\r\n");
    text.append(std::to_string(words * count)).append("\r\n").append(std::to_string(distinct < 0 ? words : distinct)).append("\r\n");
    for (int i = 0; i < words; ++i)
        text.append("*****\r\n").append(sixLetterWord(i * 7)).append("\r\n").append(std::to_string(count)).append("\r\n-1\r\n-1\r\n-1\r\n");
    text += '\0';
    writeBytes(path, text);
}

/// Records what a run shows: the display's calls, the totals it was given and the warnings.
class Feedback : public RunFeedback {
public:
    explicit Feedback(Diagnostics diagnostics = {})
        : RunFeedback(diagnostics)
    {
    }
    void started() override { calls.push_back("open"); }
    void progressed(std::int64_t done, std::int64_t total) override
    {
        calls.push_back(std::to_string(done));
        totals.push_back(total);
    }
    void finished() override { calls.push_back("close"); }
    void warn(std::string_view caption, std::string_view text) override
    {
        warnings.push_back(std::string(caption) + ": " + std::string(text));
    }

    std::vector<std::string> calls;
    std::vector<std::int64_t> totals;
    std::vector<std::string> warnings;
};

/// Input files of a run in one folder: the genome's table, the family's, one gene file, and
/// a folder for the report holding a report of an earlier run.
struct Inputs {
    TempDir dir;
    std::string big = dir.file("big.dtable");
    std::string small = dir.file("small.dtable");
    std::string gene = dir.file("gene.dtable");
    std::string report = dir.file("report");
    std::string staleIndex = dir.file("report/output.html");
    Inputs()
    {
        writeTable(big, 200, 1000, 1000000);
        writeTable(small, 12, 5, 1000);
        writeTable(gene, 30, 1, 1000);
        fs::create_directory(report);
        writeBytes(staleIndex, "an earlier run's report");
    }
};

} // namespace

TEST(AnalysisRun, MissingInputsDoNothing)
{
    Inputs in;
    const char* genes[] = {in.gene.c_str()};
    struct Case {
        const char* big;
        const char* small;
        const char* const* genes;
        int count;
    };
    for (const Case& c : {Case {nullptr, in.small.c_str(), genes, 1}, Case {in.big.c_str(), nullptr, genes, 1},
             Case {in.big.c_str(), in.small.c_str(), nullptr, 1}, Case {in.big.c_str(), in.small.c_str(), genes, 0}}) {
        CaptureDiagnostics console;
        Feedback shown(console.diagnostics());
        EXPECT_EQ(runAnalysis(c.big, c.small, 6, 8, 0, c.genes, c.count, shown, in.report.c_str()), nullptr);
        EXPECT_TRUE(shown.calls.empty());
        EXPECT_TRUE(shown.warnings.empty());
        EXPECT_EQ(console.text(), ""); // no table made, no file read
        EXPECT_EQ(readBytes(in.staleIndex), "an earlier run's report");
    }
}

TEST(AnalysisRun, CompleteRunStepsTheBarAndWritesTheReport)
{
    struct Case {
        int candidates;
        int geneFiles;
        int tabulatingSteps; // one per fiftieth of the candidates, one per candidate below 50
    };
    for (const Case& c : {Case {12, 1, 12}, Case {120, 2, 60}}) {
        SCOPED_TRACE(c.candidates);
        Inputs in;
        writeTable(in.small, c.candidates, 5, 1000);
        std::vector<const char*> genes(static_cast<std::size_t>(c.geneFiles), in.gene.c_str());
        Feedback shown;
        const char* index = runAnalysis(in.big.c_str(), in.small.c_str(), 6, 8, 0, genes.data(), c.geneFiles, shown, in.report.c_str());
        ASSERT_NE(index, nullptr);
        EXPECT_STREQ(index, "output.html");
        EXPECT_TRUE(shown.warnings.empty());

        const int steps = 5 + c.tabulatingSteps + 50 * c.geneFiles;
        std::vector<std::string> expected = {"open"};
        for (int position = 0; position <= steps; ++position)
            expected.push_back(std::to_string(position));
        expected.push_back("close");
        EXPECT_EQ(shown.calls, expected);
        // Every step comes with the total, known from the first.
        EXPECT_EQ(shown.totals, std::vector<std::int64_t>(static_cast<std::size_t>(steps) + 1, steps));

        std::size_t pages = 0;
        for (const auto& entry : fs::directory_iterator(in.report))
            pages += entry.path().extension() == ".html" && entry.path().filename() != "output.html"
                && entry.path().filename() != "summary.html";
        EXPECT_EQ(pages, 10u);
        EXPECT_TRUE(fs::is_regular_file(fs::path(in.report) / "summary.html"));
        EXPECT_NE(readBytes(in.staleIndex), "an earlier run's report");
    }
}

TEST(AnalysisRun, TheSettingsSteerTheWordsTableBesideThePages)
{
    struct Case {
        int calibration, lengthMin, lengthMax;
        const char* statistic;
        const char* lengths; // the lengths the table covers
    };
    std::string pages;
    for (const Case& c : {Case {0, 6, 8, "binomial", "678"}, Case {1, 7, 7, "poisson", "7"}, Case {2, 6, 6, "ratio", "6"},
             Case {7, 3, 20, "binomial", "678"}, Case {1, 8, 6, "poisson", "678"}}) {
        SCOPED_TRACE(c.calibration);
        Inputs in;
        const char* genes[] = {in.gene.c_str()};
        Feedback shown;
        ASSERT_STREQ(runAnalysis(in.big.c_str(), in.small.c_str(), c.lengthMin, c.lengthMax, c.calibration, genes, 1, shown,
                         in.report.c_str()),
            "output.html");
        const std::string words = readBytes(in.report + "/words.tsv");
        EXPECT_NE(words.find(std::string("# statistic: ") + c.statistic + " "), std::string::npos);
        std::string lengths;
        for (char length : std::string("678"))
            if (words.find(std::string("# length ") + length + ":") != std::string::npos)
                lengths += length;
        EXPECT_EQ(lengths, c.lengths);
        // The pages are the same whatever the settings.
        const std::string index = readBytes(in.report + "/output.html");
        if (pages.empty())
            pages = index;
        EXPECT_EQ(index, pages);
    }
}

TEST(AnalysisRun, EmptyTablesAreReportedAndNoOldReportPassesForTheResult)
{
    struct Case {
        const char* what;
        bool bigEmpty;
        bool smallEmpty;
    };
    for (const Case& c : {Case {"big", true, false}, Case {"small", false, true}, Case {"both", true, true}}) {
        SCOPED_TRACE(c.what);
        Inputs in;
        if (c.bigEmpty)
            writeTable(in.big, 0, 0, 1000000);
        if (c.smallEmpty)
            writeTable(in.small, 0, 0, 1000);
        const char* genes[] = {in.gene.c_str()};
        Feedback shown;
        EXPECT_EQ(runAnalysis(in.big.c_str(), in.small.c_str(), 6, 8, 0, genes, 1, shown, in.report.c_str()), nullptr);
        ASSERT_EQ(shown.warnings.size(), 2u);
        EXPECT_EQ(shown.warnings[0], emptyWarning);
        EXPECT_NE(shown.warnings[1].find(std::string("No report was written in ").append(in.report)), std::string::npos) << shown.warnings[1];
        EXPECT_EQ(shown.calls.back(), "close");
        EXPECT_EQ(readBytes(in.staleIndex), "an earlier run's report");
        EXPECT_EQ(std::distance(fs::directory_iterator(in.report), fs::directory_iterator()), 1);
    }
}

TEST(AnalysisRun, HeaderSayingEmptyIsWarnedButItsRecordsAreUsed)
{
    Inputs in;
    // The header's fourth number decides the warning; the records still load.
    writeTable(in.big, 200, 1000, 1000000, 0);
    const char* genes[] = {in.gene.c_str()};
    Feedback shown;
    EXPECT_STREQ(runAnalysis(in.big.c_str(), in.small.c_str(), 6, 8, 0, genes, 1, shown, in.report.c_str()), "output.html");
    EXPECT_EQ(shown.warnings, std::vector<std::string> {emptyWarning});
    EXPECT_NE(readBytes(in.staleIndex), "an earlier run's report");
}

TEST(AnalysisRun, UnwritableReportFolderGivesNoResult)
{
    Inputs in;
    writeBytes(in.dir.file("plain"), "a file, not a folder");
    const std::string folder = in.dir.file("plain/report");
    const char* genes[] = {in.gene.c_str()};
    Feedback shown;
    EXPECT_EQ(runAnalysis(in.big.c_str(), in.small.c_str(), 6, 8, 0, genes, 1, shown, folder.c_str()), nullptr);
    ASSERT_FALSE(shown.warnings.empty());
    EXPECT_NE(shown.warnings.back().find(std::string("No report was written in ").append(folder)), std::string::npos) << shown.warnings.back();
    EXPECT_EQ(readBytes(in.dir.file("plain")), "a file, not a folder");
}
