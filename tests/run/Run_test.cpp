#include "TestSupport.h"

#include "export/Export.h"
#include "run/Run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <random>
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

/// `count` random sequences of `length` bases, from `seed`.
std::vector<std::string> randomSequences(int count, int length, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<std::string> sequences;
    for (int i = 0; i < count; ++i) {
        std::string sequence;
        for (int k = 0; k < length; ++k)
            sequence += "ACGT"[random() % 4];
        sequences.push_back(sequence);
    }
    return sequences;
}

/// `count` random records of `length` bases, each named "rN", every `plantEvery`th carrying
/// TAATCC and GGATTA.
std::string fasta(int count, int length, std::uint32_t seed, int plantEvery = 0)
{
    std::vector<std::string> sequences = randomSequences(count, length, seed);
    std::string text;
    for (int i = 0; i < count; ++i) {
        std::string& sequence = sequences[static_cast<std::size_t>(i)];
        if (plantEvery && i % plantEvery == 0) {
            sequence.replace(static_cast<std::size_t>(length / 3), 6, "TAATCC");
            sequence.replace(static_cast<std::size_t>(2 * length / 3), 6, "GGATTA");
        }
        text += ">r" + std::to_string(i) + " upstream\n" + sequence + "\n";
    }
    return text;
}

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
    RunRequest request(int geneFiles = 1) const
    {
        RunRequest asked;
        asked.big = big;
        asked.small = small;
        asked.genes.assign(static_cast<std::size_t>(geneFiles), RunInput(gene));
        asked.folder = report;
        return asked;
    }
};

/// The files of the folder `folder` but its pages and images, which no setting changes.
std::map<std::string, std::string> filesBesideThePages(const std::string& folder)
{
    std::map<std::string, std::string> files = contents(folder);
    std::erase_if(files, [](const auto& file) {
        return (file.first.ends_with(".html") && file.first != "summary.html") || file.first.ends_with(".png")
            || file.first.ends_with(".jpg");
    });
    return files;
}

/// A request a run refuses: what it is, the status and the start of the one-line message.
struct Refusal {
    const char* what;
    RunStatus status;
    std::string message;
    std::function<void(RunRequest&)> change;
};

/// Runs `in`'s request changed by `c` into `shown` and expects the refusal, nothing written
/// and the earlier report left as it was.
void expectRefused(const Inputs& in, const Refusal& c, RecordingFeedback& shown)
{
    SCOPED_TRACE(c.what);
    RunRequest request = in.request();
    c.change(request);
    const RunOutcome outcome = run(request, shown);
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_EQ(outcome.message.rfind(c.message, 0), 0u) << outcome.message;
    EXPECT_EQ(std::count(outcome.message.begin(), outcome.message.end(), '\n'), 0);
    EXPECT_TRUE(outcome.written.empty());
    EXPECT_EQ(contents(in.report).size(), 1u);
    EXPECT_EQ(readBytes(in.staleIndex), "an earlier run's report");
}

} // namespace

TEST(Run, CompleteRunStepsTheBarAndWritesTheReportIndexLast)
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
        RecordingFeedback shown;
        const RunOutcome outcome = run(in.request(c.geneFiles), shown);
        ASSERT_TRUE(outcome.ok()) << outcome.message;
        EXPECT_TRUE(shown.warnings.empty());

        const int steps = 5 + c.tabulatingSteps + 50 * c.geneFiles;
        std::vector<std::string> expected = {"start"};
        for (int position = 0; position <= steps; ++position)
            expected.push_back(std::to_string(position) + "/" + std::to_string(steps));
        expected.push_back("end");
        EXPECT_EQ(shown.events, expected);

        std::size_t pages = 0;
        for (const auto& entry : fs::directory_iterator(in.report))
            pages += entry.path().extension() == ".html" && entry.path().filename() != "output.html"
                && entry.path().filename() != "summary.html";
        EXPECT_EQ(pages, 10u);
        EXPECT_EQ(outcome.indexPage, in.report + "/output.html");
        EXPECT_EQ(outcome.summaryPage, in.report + "/summary.html");
        ASSERT_FALSE(outcome.written.empty());
        EXPECT_EQ(outcome.written.back(), outcome.indexPage);
        EXPECT_NE(std::find(outcome.written.begin(), outcome.written.end(), outcome.summaryPage), outcome.written.end());
        // The pages, the images, the tables, the motif files and the summary, then the index.
        EXPECT_EQ(outcome.written.size(), 10u + 5u + 6u + 1u);
        EXPECT_NE(readBytes(in.staleIndex), "an earlier run's report");
        EXPECT_EQ(outcome.result.candidates.size(), static_cast<std::size_t>(c.candidates));
    }
}

TEST(Run, TheStatisticAndTheLengthsSteerTheWordsTableBesideThePages)
{
    struct Case {
        Statistic statistic;
        int shortest, longest;
        const char* name;
        const char* lengths; // the lengths the table covers
    };
    std::string pages;
    for (const Case& c : {Case {Statistic::Binomial, 6, 8, "binomial", "678"}, Case {Statistic::Poisson, 7, 7, "poisson", "7"},
             Case {Statistic::Ratio, 6, 6, "ratio", "6"}}) {
        SCOPED_TRACE(c.name);
        Inputs in;
        RunRequest request = in.request();
        request.statistic = c.statistic;
        request.shortest = c.shortest;
        request.longest = c.longest;
        RecordingFeedback shown;
        ASSERT_TRUE(run(request, shown).ok());
        const std::string words = readBytes(in.report + "/words.tsv");
        EXPECT_NE(words.find(std::string("# statistic: ") + c.name + " "), std::string::npos);
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

/// A request no run can serve, and inputs that cannot be used, end the run before anything
/// is shown or written, with one line saying why.
TEST(Run, WhatCannotServeIsRefusedBeforeAnythingIsWritten)
{
    Inputs in;
    writeBytes(in.dir.file("neither.txt"), std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    writeBytes(in.dir.file("headless.fa"), "hello\n");
    writeBytes(in.dir.file("negative.dtable"), "10000\r\n-4\r\n0\r\n0\r\n");
    writeBytes(in.dir.file("bad.meme"), "MEME version 4\n\nALPHABET= ACGT\n");
    writeBytes(in.dir.file("plain"), "a file, not a folder");
    const std::vector<Refusal> cases = {
        {"too many gene files", RunStatus::BadRequest, "a run takes at most 32 gene files",
            [&](RunRequest& r) { r.genes.assign(33, RunInput(in.gene)); }},
        {"lengths beyond 6 to 8", RunStatus::BadRequest, "the word lengths", [](RunRequest& r) { r.longest = 9; }},
        {"lengths reversed", RunStatus::BadRequest, "the word lengths", [](RunRequest& r) {
            r.shortest = 8;
            r.longest = 7;
        }},
        {"no gene file for a table family", RunStatus::NeedsGeneFiles, "gene files are needed", [](RunRequest& r) { r.genes.clear(); }},
        {"a missing file", RunStatus::InputRefused, "cannot use " + in.dir.file("none.dtable") + ": cannot read",
            [&](RunRequest& r) { r.genes.push_back(in.dir.file("none.dtable")); }},
        {"neither kind", RunStatus::InputRefused, "cannot use " + in.dir.file("neither.txt") + ": ",
            [&](RunRequest& r) { r.small = in.dir.file("neither.txt"); }},
        {"text without a header line, read as FASTA is", RunStatus::InputRefused,
            "'" + in.dir.file("headless.fa") + "' holds no FASTA header line",
            [&](RunRequest& r) { r.genes.push_back(in.dir.file("headless.fa")); }},
        {"a header number below 0", RunStatus::InputRefused, "cannot use " + in.dir.file("negative.dtable") + " as a DTable file: line 2",
            [&](RunRequest& r) { r.big = in.dir.file("negative.dtable"); }},
        {"known motifs that do not read", RunStatus::InputRefused, "cannot use the known motifs of ",
            [&](RunRequest& r) { r.knownMotifs = in.dir.file("bad.meme"); }},
        {"a folder under a file", RunStatus::FolderUnusable, "cannot make the report folder " + in.dir.file("plain/report"),
            [&](RunRequest& r) { r.folder = in.dir.file("plain/report"); }},
    };
    for (const Refusal& c : cases) {
        RecordingFeedback shown;
        expectRefused(in, c, shown);
        EXPECT_TRUE(shown.events.empty()) << c.what;
        EXPECT_EQ(shown.text(), "") << c.what;
        EXPECT_EQ(readBytes(in.dir.file("plain")), "a file, not a folder");
    }
}

/// Feedback asking the run to stop once it has seen `after` progress steps.
class StoppingFeedback : public RecordingFeedback {
public:
    explicit StoppingFeedback(int after)
        : after(after)
    {
    }
    bool stopAsked() override { return steps >= after; }

private:
    int after;
};

TEST(Run, AStopAskedEndsTheRunAsStoppedAndWritesNothing)
{
    Inputs in;
    const std::string fasta = in.dir.file("big.fa");
    writeBytes(fasta, ">one\nACGTTGCAACGGTACCATGGACGTAGCTAGGCTTAACG\n");
    // Asked at once: the reading of a FASTA input stops, or the analysis once the tables are
    // loaded; asked later, after the candidates are tabulated or refined.
    for (const int after : {0, 2, 6}) {
        for (const bool fastaBig : {false, true}) {
            SCOPED_TRACE(std::to_string(after) + (fastaBig ? " FASTA" : " table"));
            RunRequest request = in.request();
            if (fastaBig)
                request.big = fasta;
            StoppingFeedback analyzing(after);
            const RunOutcome analyzed = analyzeRun(request, analyzing);
            EXPECT_EQ(analyzed.status, RunStatus::Stopped);
            StoppingFeedback running(after);
            const RunOutcome ran = run(request, running);
            EXPECT_EQ(ran.status, RunStatus::Stopped);
            EXPECT_TRUE(ran.written.empty());
            EXPECT_EQ(readBytes(in.staleIndex), "an earlier run's report");
        }
    }
    // Never asked, the two halves make what the whole run makes.
    RecordingFeedback quiet;
    RunOutcome analyzed = analyzeRun(in.request(), quiet);
    ASSERT_TRUE(analyzed.ok()) << analyzed.message;
    EXPECT_TRUE(analyzed.written.empty());
    EXPECT_EQ(readBytes(in.staleIndex), "an earlier run's report");
    const WrittenReport written = writeRunReport(analyzed.result, in.dir.file("halves"), "", quiet);
    ASSERT_TRUE(written.ok()) << written.message;
    RecordingFeedback whole;
    ASSERT_TRUE(run(in.request(), whole).ok());
    // The summary page alone holds the minute it was written.
    std::map<std::string, std::string> halves = filesBesideThePages(in.dir.file("halves"));
    std::map<std::string, std::string> together = filesBesideThePages(in.report);
    halves.erase("summary.html");
    together.erase("summary.html");
    EXPECT_EQ(halves, together);
}

TEST(Run, EmptyTablesAreReportedAndNoOldReportPassesForTheResult)
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
        RecordingFeedback shown;
        const RunOutcome outcome = run(in.request(), shown);
        EXPECT_EQ(outcome.status, RunStatus::NotReported);
        EXPECT_EQ(outcome.message, "no report was written");
        ASSERT_EQ(shown.warnings.size(), 2u);
        EXPECT_EQ(shown.warnings[0], emptyWarning);
        EXPECT_NE(shown.warnings[1].find(std::string("No report was written in ").append(in.report)), std::string::npos)
            << shown.warnings[1];
        // The progress window is down before the user is told that no report came.
        EXPECT_EQ(shown.events[shown.events.size() - 2], "end");
        EXPECT_EQ(readBytes(in.staleIndex), "an earlier run's report");
        EXPECT_EQ(std::distance(fs::directory_iterator(in.report), fs::directory_iterator()), 1);
    }
}

TEST(Run, AFamilyOfNoWordOfACGTIsRefusedWithNoPage)
{
    Inputs in;
    writeBytes(in.small, std::string("10000\r\n12\r\n2\r\n2\r\n*****\r\nNNNNNN\r\n1\r\n-1\r\n-1\r\n-1\r\n"
                                     "*****\r\nNNNNNNN\r\n1\r\n-1\r\n-1\r\n-1\r\n") + '\0');
    RecordingFeedback shown;
    const RunOutcome outcome = run(in.request(), shown);
    EXPECT_EQ(outcome.status, RunStatus::InputRefused);
    EXPECT_EQ(outcome.message, "the family " + in.small + " holds no word of A, C, G and T (only N or other letters): "
                                                         "nothing to report");
    EXPECT_TRUE(outcome.written.empty());
    EXPECT_EQ(readBytes(in.staleIndex), "an earlier run's report");
    EXPECT_EQ(std::distance(fs::directory_iterator(in.report), fs::directory_iterator()), 1);
}

TEST(Run, HeadersTheirRecordsContradictAreRefusedWithNoPage)
{
    // A table saying it is empty, or that it counted no base, while its records count words:
    // one line, and the folder as it was.
    for (const auto& [distinct, bases, refusal] :
        {std::tuple {0, 1000000, "line 4: the number of distinct words is 0, yet 200 records follow"},
            std::tuple {200, 0, "line 2: the number of bases counted, 0, cannot hold the 200000 words of length 6 the records count"}}) {
        SCOPED_TRACE(refusal);
        Inputs in;
        writeTable(in.big, 200, 1000, bases, distinct);
        RecordingFeedback shown;
        const RunOutcome outcome = run(in.request(), shown);
        EXPECT_EQ(outcome.status, RunStatus::InputRefused);
        EXPECT_EQ(outcome.message, "cannot use " + in.big + " as a DTable file: " + refusal);
        EXPECT_TRUE(shown.warnings.empty());
        EXPECT_EQ(readBytes(in.staleIndex), "an earlier run's report");
        EXPECT_EQ(std::distance(fs::directory_iterator(in.report), fs::directory_iterator()), 1);
    }
}

/// A FASTA input is counted as its export counts it, and a table given in memory stands for
/// its file: the three give the same files beside the pages, byte for byte.
TEST(Run, FastaFilesAndTablesInMemoryGiveWhatTheirTableFilesGive)
{
    TempDir dir;
    writeBytes(dir.file("genome.fa"), fasta(40, 400, 1, 4));
    writeBytes(dir.file("family.fa"), fasta(10, 400, 1, 1));
    writeBytes(dir.file("gene.fa"), fasta(1, 400, 2, 1));
    ASSERT_TRUE(exportQuietly(dir.file("genome.fa").c_str(), dir.file("genome.dtable").c_str()).ok());
    ASSERT_TRUE(exportQuietly(dir.file("family.fa").c_str(), dir.file("family.dtable").c_str()).ok());
    ASSERT_TRUE(exportQuietly(dir.file("gene.fa").c_str(), dir.file("gene.dtable").c_str()).ok());
    RunFeedback quiet;
    auto report = [&](RunRequest request, const std::string& folder) {
        request.folder = dir.file(folder);
        request.knownMotifs = testData("motifs/known.meme");
        const RunOutcome outcome = run(request, quiet);
        EXPECT_TRUE(outcome.ok()) << outcome.message;
        return filesBesideThePages(request.folder);
    };
    // Every input is named alike in the three runs, so that the tables' headers agree.
    RunRequest fromTables;
    fromTables.big = dir.file("genome.dtable");
    fromTables.small = dir.file("family.dtable");
    fromTables.genes = {dir.file("gene.dtable")};
    const auto expected = report(fromTables, "tables");
    ASSERT_TRUE(expected.contains("words.tsv"));

    RunRequest fromFasta = fromTables;
    auto counted = [&](const char* fastaName, const std::string& name) {
        CountedFasta table = countFasta(dir.file(fastaName).c_str(), quiet);
        EXPECT_TRUE(table.ok());
        return RunInput(name, std::make_shared<const CountingTable>(std::move(table.table)));
    };
    RunRequest inMemory = fromTables;
    inMemory.big = counted("genome.fa", fromTables.big.path);
    inMemory.small = counted("family.fa", fromTables.small.path);
    inMemory.genes = {counted("gene.fa", fromTables.genes[0].path)};
    EXPECT_EQ(report(inMemory, "memory"), expected);

    fromFasta.big = dir.file("genome.fa");
    fromFasta.small = dir.file("family.fa");
    fromFasta.genes = {dir.file("gene.fa")};
    // The window statistic, which a FASTA family's default counts sequences in place of. The
    // FASTA files' names stand where the tables' stood; the summary page breaks them up at
    // their folders and, as words.tsv, tells of the family's sequences too, so both are left
    // out, and so are the files of sites, which only a family's sequences give.
    fromFasta.statistic = Statistic::Binomial;
    auto fromFastaFiles = report(fromFasta, "fasta");
    for (const char* name : {"positions.tsv", "sites.bed", "genes.tsv"}) {
        EXPECT_TRUE(fromFastaFiles.contains(name)) << name;
        EXPECT_FALSE(expected.contains(name)) << name;
    }
    auto fromTableFiles = expected;
    for (const char* name : {"summary.html", "words.tsv", "positions.tsv", "sites.bed", "genes.tsv"}) {
        fromFastaFiles.erase(name);
        fromTableFiles.erase(name);
    }
    for (auto& [name, bytes] : fromFastaFiles)
        for (const char* stem : {"genome", "family", "gene"}) {
            const std::string fastaPath = dir.file(std::string(stem) + ".fa");
            for (std::size_t at; (at = bytes.find(fastaPath)) != std::string::npos;)
                bytes.replace(at, fastaPath.size(), dir.file(std::string(stem) + ".dtable"));
        }
    EXPECT_EQ(fromFastaFiles, fromTableFiles);
}

TEST(Run, AFastaFamilysFirstRecordsServeAsGeneFilesWithANote)
{
    TempDir dir;
    writeBytes(dir.file("genome.fa"), fasta(60, 300, 3, 6));
    for (int records : {5, 40}) {
        SCOPED_TRACE(records);
        writeBytes(dir.file("family.fa"), fasta(records, 300, 4, 2));
        RunRequest request;
        request.big = dir.file("genome.fa");
        request.small = dir.file("family.fa");
        request.folder = dir.file("report");
        RecordingFeedback shown;
        const RunOutcome outcome = run(request, shown);
        ASSERT_TRUE(outcome.ok()) << outcome.message;
        const std::size_t genes = std::min(records, 32);
        ASSERT_EQ(outcome.result.genes.size(), genes);
        EXPECT_EQ(outcome.result.genes[1].path, dir.file("family.fa") + " record 2 (r1)");
        const std::string note = "note the first 32 of the 40 records of " + dir.file("family.fa") + " serve as gene files";
        EXPECT_EQ(std::count(shown.events.begin(), shown.events.end(), note), records > 32 ? 1 : 0);
        EXPECT_EQ(shown.events.front(), records > 32 ? note : "start");
    }
}

namespace {

std::string fastaOf(const std::vector<std::string>& sequences)
{
    std::string text;
    for (std::size_t i = 0; i < sequences.size(); ++i)
        text += ">s" + std::to_string(i) + "\n" + sequences[i] + "\n";
    return text;
}

} // namespace

/// A site in most of a family outranks everything, and a tandem repeat in one sequence,
/// however many times its words occur, is no motif: the family's default statistic counts
/// sequences.
TEST(Run, ASiteInMostOfTheFamilyRanksFirstAndARepeatInOneIsNoMotif)
{
    TempDir dir;
    writeBytes(dir.file("genome.fa"), fastaOf(randomSequences(400, 500, 11)));
    std::vector<std::string> family = randomSequences(40, 500, 12);
    for (std::size_t i = 0; i < family.size(); i += 5)
        for (std::size_t j = 0; j < 3 && i + j < family.size(); ++j)
            family[i + j].replace(100 + 37 * j, 8, j % 2 ? "TCGTCACA" : "TGTGACGA");
    std::string repeat;
    for (int copy = 0; copy < 20; ++copy)
        repeat += "GCTTAG";
    family[3].replace(200, repeat.size(), repeat);
    writeBytes(dir.file("family.fa"), fastaOf(family));

    RunRequest request;
    request.big = dir.file("genome.fa");
    request.small = dir.file("family.fa");
    request.folder = dir.file("report");
    RecordingFeedback shown;
    const RunOutcome outcome = run(request, shown);
    ASSERT_TRUE(outcome.ok()) << outcome.message;
    const SignificanceTable& table = outcome.result.significance;
    EXPECT_EQ(table.statistic, Statistic::Sequences);
    EXPECT_EQ(table.familySize, 40);
    ASSERT_FALSE(table.classes.empty());
    const WordClass& best = table.classes.front();
    EXPECT_TRUE(best.word == "TCGTCACA" || best.reverse == "TCGTCACA") << best.word;
    EXPECT_EQ(best.sequences, 24);
    EXPECT_LT(best.log10E, -10.0);
    for (const WordClass& c : table.classes) {
        if (repeat.find(c.word) == std::string::npos && repeat.find(c.reverse) == std::string::npos)
            continue;
        EXPECT_GT(c.log10E, std::log10(0.05)) << c.word << " of the repeat is significant";
    }
    // The occurrences' own statistic is fooled by the repeat, as the families it was made for.
    request.statistic = Statistic::Binomial;
    request.folder = dir.file("binomial");
    const RunOutcome windows = run(request, shown);
    ASSERT_TRUE(windows.ok());
    const auto significantInRepeat = [&](const WordClass& c) {
        return repeat.find(c.word) != std::string::npos && c.log10E < std::log10(0.05);
    };
    const std::vector<WordClass>& byWindows = windows.result.significance.classes;
    EXPECT_TRUE(std::any_of(byWindows.begin(), byWindows.end(), significantInRepeat));
}

/// A statistic or a masking the inputs cannot take is refused before anything is written; a
/// family with no word left is refused; a masking that cannot reach a table says so; records
/// repeating a sequence are told of.
TEST(Run, WhatTheFamilysSequencesAllowIsCheckedAndTold)
{
    Inputs in;
    writeBytes(in.dir.file("family.fa"), fastaOf(randomSequences(6, 200, 3)) + fastaOf(randomSequences(2, 200, 3)));
    writeBytes(in.dir.file("gaps.fa"), ">a\nNNNNNNNNNNNN\n>b\nACGTa\n");
    writeBytes(in.dir.file("soft.fa"), ">a\nacgtacgtacgtacgt\n");
    const std::vector<Refusal> cases = {
        {"sequences with a table family", RunStatus::BadRequest, "the sequences statistic counts the family's sequences",
            [](RunRequest& r) { r.statistic = Statistic::Sequences; }},
        {"masking with tables alone", RunStatus::BadRequest, "--mask dust masks FASTA inputs",
            [](RunRequest& r) { r.masking = Masking::Dust; }},
        {"an anchor with a table family", RunStatus::BadRequest, "--anchor places sites in the family's sequences",
            [](RunRequest& r) { r.anchor = Anchor::Start; }},
        {"bins too wide for the family", RunStatus::BadRequest,
            "--bin 50 leaves 4 bins over the family's longest sequence of 200 bases; at least 5 must fit",
            [&](RunRequest& r) {
                r.small = in.dir.file("family.fa");
                r.binWidth = 50;
            }},
        {"a family of gaps", RunStatus::InputRefused, "the family " + in.dir.file("gaps.fa") + " holds no word",
            [&](RunRequest& r) { r.small = in.dir.file("gaps.fa"); }},
        {"a soft-masked family", RunStatus::InputRefused, "the family " + in.dir.file("soft.fa") + " holds no word of A, C, G and T once masked",
            [&](RunRequest& r) {
                r.small = in.dir.file("soft.fa");
                r.masking = Masking::Lower;
            }},
    };
    for (const Refusal& c : cases) {
        RecordingFeedback shown; // a soft-masked family is refused after the tables' warning
        expectRefused(in, c, shown);
    }

    // A report folder the run made for a family it then refuses is taken back.
    RunRequest refusedFamily = in.request();
    refusedFamily.small = in.dir.file("gaps.fa");
    refusedFamily.folder = in.dir.file("new/report");
    RecordingFeedback quiet;
    EXPECT_EQ(run(refusedFamily, quiet).status, RunStatus::InputRefused);
    EXPECT_FALSE(fs::exists(in.dir.file("new")));

    // The family is read while the genome is counted: a genome cut short does not hide a
    // refused family, and a genome that is the family's file itself waits for it.
    const std::string genome = gzipBytes(fastaOf(randomSequences(40, 5000, 9)));
    writeBytes(in.dir.file("cut.fa.gz"), genome.substr(0, genome.size() / 2));
    RunRequest bothBad = in.request(0);
    bothBad.big = in.dir.file("cut.fa.gz");
    bothBad.small = in.dir.file("gaps.fa");
    const RunOutcome bad = run(bothBad, quiet);
    EXPECT_EQ(bad.status, RunStatus::InputRefused);
    EXPECT_NE(bad.message.find("holds no word"), std::string::npos) << bad.message;
    bothBad.small = in.dir.file("family.fa");
    EXPECT_NE(run(bothBad, quiet).message.find("cut.fa.gz"), std::string::npos);
    RunRequest itself = in.request(0);
    itself.big = itself.small = in.dir.file("family.fa");
    const RunOutcome same = run(itself, quiet);
    ASSERT_TRUE(same.ok()) << same.message;
    EXPECT_EQ(same.result.big.sequenceLength, same.result.small.sequenceLength);

    RunRequest request = in.request();
    request.small = in.dir.file("family.fa");
    request.masking = Masking::Lower;
    RecordingFeedback shown;
    const RunOutcome outcome = run(request, shown);
    ASSERT_TRUE(outcome.ok()) << outcome.message;
    EXPECT_EQ(shown.warnings.size(), 1u);
    EXPECT_NE(shown.warnings[0].find("cannot apply to " + in.big + ", " + in.gene), std::string::npos) << shown.warnings[0];
    EXPECT_EQ(std::count(shown.events.begin(), shown.events.end(),
                  "note 2 of the 8 records of " + in.dir.file("family.fa") + " repeat an earlier record's sequence; each sequence counts once"),
        1);
    EXPECT_EQ(outcome.result.significance.familySize, 6);
}

/// With the strand given, a site planted on the sequences' own strand is a class of one word,
/// found there, while its reverse complement is a class of its own that nothing enriches;
/// every site lies on the plus strand and the outputs say so. A table input keeps no strand.
TEST(Run, OnTheGivenStrandAClassIsOneWord)
{
    TempDir dir;
    writeBytes(dir.file("genome.fa"), fastaOf(randomSequences(400, 500, 21)));
    std::vector<std::string> family = randomSequences(40, 300, 22);
    for (std::size_t i = 0; i < family.size(); ++i)
        if (i % 10 < 7)
            family[i].replace(270, 8, "TATAAAAG");
    writeBytes(dir.file("family.fa"), fastaOf(family));

    RunRequest request;
    request.big = dir.file("genome.fa");
    request.small = dir.file("family.fa");
    request.folder = dir.file("report");
    request.strand = Strand::Given;
    RecordingFeedback shown;
    const RunOutcome outcome = run(request, shown);
    ASSERT_TRUE(outcome.ok()) << outcome.message;
    const SignificanceTable& table = outcome.result.significance;
    EXPECT_EQ(table.strand, Strand::Given);
    EXPECT_EQ(table.classesTested, 4096 + 16384 + 65536);
    ASSERT_FALSE(table.classes.empty());
    EXPECT_EQ(table.classes[0].word, "TATAAAAG");
    EXPECT_EQ(table.classes[0].reverse, "TATAAAAG");
    EXPECT_EQ(table.classes[0].sequences, 28);
    const auto reverse = std::find_if(table.classes.begin(), table.classes.end(),
        [](const WordClass& c) { return c.word == "CTTTTATA"; });
    ASSERT_NE(reverse, table.classes.end());
    EXPECT_LT(reverse->sig(), 0.0);
    const std::string bed = readBytes(dir.file("report/sites.bed"));
    EXPECT_NE(bed.find("\t+\n"), std::string::npos);
    EXPECT_EQ(bed.find("\t-\n"), std::string::npos);
    EXPECT_NE(readBytes(dir.file("report/words.tsv")).find("\n# strand: given"), std::string::npos);
    EXPECT_NE(readBytes(dir.file("report/motifs.meme")).find("strands: +\n"), std::string::npos);
    EXPECT_NE(readBytes(dir.file("report/summary.html")).find("<dt>Strand</dt><dd>given"), std::string::npos);

    // Both strands: the planted word and its reverse complement are one class.
    request.strand = Strand::Both;
    const RunOutcome both = run(request, shown);
    ASSERT_TRUE(both.ok()) << both.message;
    EXPECT_EQ(both.result.significance.classes[0].word, "CTTTTATA");
    EXPECT_EQ(both.result.significance.classesTested, 2080 + 8192 + 32896);

    // A genome given as a table keeps no strand.
    writeTable(dir.file("genome.dtable"), 200, 1000, 1000000);
    request.strand = Strand::Given;
    request.big = dir.file("genome.dtable");
    const RunOutcome refused = run(request, shown);
    EXPECT_EQ(refused.status, RunStatus::BadRequest);
    EXPECT_NE(refused.message.find("--strand given"), std::string::npos) << refused.message;
}
