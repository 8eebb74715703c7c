#include "TestSupport.h"

#include "RunCli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::size_t occurrences(const std::string& text, const std::string& piece)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        ++n;
    return n;
}

/// The rows of a words table without the three columns a FASTA family adds (sequences, of,
/// expected_sequences, before low_complexity).
std::string withoutSequenceColumns(const std::string& rows)
{
    std::string out;
    std::istringstream lines(rows);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        for (std::size_t from = 0, tab = 0; tab != std::string::npos; from = tab + 1) {
            tab = line.find('\t', from);
            fields.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
        }
        if (fields.size() == 17)
            fields.erase(fields.begin() + 11, fields.begin() + 14);
        for (std::size_t i = 0; i < fields.size(); ++i)
            out += (i ? "\t" : "") + fields[i];
        out += '\n';
    }
    return out;
}

/// Whether `name` is one of the classic report's pages or images, which no setting changes.
bool isClassicReport(const std::string& name)
{
    return (name.ends_with(".html") && name != "summary.html") || name.ends_with(".png") || name.ends_with(".jpg");
}

/// FASTA files of a small genome, a family of its sequences carrying a planted word, and two
/// gene files, exported to DTable files in a fresh folder.
class ExportedTables {
public:
    ExportedTables()
    {
        std::mt19937 random(7);
        std::string genome, family;
        for (int i = 0; i < 30; ++i) {
            std::string sequence;
            for (int k = 0; k < 300; ++k)
                sequence += "ACGT"[random() % 4];
            std::string record = std::string(">upstream").append(std::to_string(i)).append("\n");
            if (i % 5 == 0) {
                for (int copy = 0; copy < 3; ++copy)
                    sequence.replace(random() % 290, 6, "TAATCC");
                family += record + sequence + "\n";
                if (i < 10)
                    writeBytes(dir.file(std::string("gene").append(std::to_string(i)).append(".fa")), record + sequence + "\n");
            }
            genome += record + sequence + "\n";
        }
        writeBytes(dir.file("genome.fa"), genome);
        writeBytes(dir.file("family.fa"), family);
        for (const char* stem : {"genome", "family", "gene0", "gene5"}) {
            const std::string name(stem);
            CliOutcome exported = run({"-q", "export", dir.file(name + ".fa"), dir.file(name + ".dtable")});
            EXPECT_EQ(exported.status, 0) << exported.err;
        }
    }
    std::vector<std::string> tables() const
    {
        return {dir.file("genome.dtable"), dir.file("family.dtable"), dir.file("gene0.dtable"), dir.file("gene5.dtable")};
    }
    TempDir dir;
};

std::vector<std::string> analyze(const std::string& folder, const std::vector<std::string>& files)
{
    std::vector<std::string> args = {"-q", "analyze", "--out", folder};
    args.insert(args.end(), files.begin(), files.end());
    return args;
}

} // namespace

TEST(Analyze, FromFastaFilesToTheReport)
{
    ExportedTables in;
    const std::string folder = in.dir.file("report");
    CliOutcome analyzed = run(analyze(folder, in.tables()));
    EXPECT_EQ(analyzed.status, 0);
    EXPECT_EQ(analyzed.err, "");
    EXPECT_EQ(analyzed.out, in.dir.file("report/output.html") + "\n" + in.dir.file("report/summary.html") + "\n");
    for (const char* name : {"words.tsv", "motifs.tsv", "motifs.meme", "motifs.jaspar", "motifs.transfac"})
        EXPECT_TRUE(fileExists((fs::path(folder) / name).string())) << name;

    const std::string index = readBytes(in.dir.file("report/output.html"));
    EXPECT_EQ(occurrences(index, "<tr>"), 10u);
    // The summary's logos link to the pages.
    const std::string summary = readBytes(in.dir.file("report/summary.html"));
    EXPECT_EQ(summary.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_EQ(occurrences(index, "<a href=\""), 10u);
    for (std::size_t at = index.find("<a href=\""); at != std::string::npos; at = index.find("<a href=\"", at + 1))
        EXPECT_NE(summary.find(index.substr(at, index.find('"', at + 9) - at + 1)), std::string::npos);
    std::size_t pages = 0;
    for (std::size_t at = index.find("<a href=\""); at != std::string::npos; at = index.find("<a href=\"", at + 1)) {
        const std::size_t start = at + 9;
        const std::string page = index.substr(start, index.find('"', start) - start);
        EXPECT_NE(readBytes((fs::path(folder) / page).string()).find("Position 6</b>"), std::string::npos) << page;
        ++pages;
    }
    EXPECT_EQ(pages, 10u);
    for (const char* image : {"pageTop.jpg", "blue.png", "green.png", "red.png", "yellow.png"})
        EXPECT_TRUE(fileExists((fs::path(folder) / image).string())) << image;
}

TEST(Analyze, BadUsage)
{
    TempDir dir;
    const std::string folder = dir.file("report");
    std::vector<std::string> tooMany = {"big", "small"};
    tooMany.resize(2 + 33, "gene");
    using Args = std::vector<std::string>;
    for (const auto& args : {analyze(folder, {}), analyze(folder, {"big"}), analyze(folder, tooMany),
             Args {"analyze", "big", "small", "gene", "--out"}, Args {"analyze", "--statistic", "fisher", "big", "small", "gene"},
             Args {"analyze", "--statistic", "big", "small", "gene"}, Args {"analyze", "--lengths", "5-8", "big", "small", "gene"},
             Args {"analyze", "--lengths=8-6", "big", "small", "gene"}, Args {"analyze", "--lengths", "6-9", "big", "small", "gene"},
             Args {"analyze", "--lengths", "6-", "big", "small", "gene"}, Args {"analyze", "--lengths", " 6-8", "big", "small", "gene"},
             Args {"analyze", "--anchor", "middle", "big", "small"}, Args {"analyze", "--anchor=", "big", "small"},
             Args {"analyze", "--bin", "0", "big", "small"}, Args {"analyze", "--bin", "10x", "big", "small"},
             Args {"analyze", "--bin", "-5", "big", "small"}, Args {"analyze", "--bin=1000001", "big", "small"},
             Args {"analyze", "--strand", "plus", "big", "small"}, Args {"analyze", "--strand=", "big", "small"}}) {
        SCOPED_TRACE(testing::PrintToString(args));
        CliOutcome bad = run(args);
        EXPECT_EQ(bad.status, 2);
        EXPECT_EQ(bad.out, "");
        EXPECT_NE(bad.err.find("\nUsage: seqlark-cli"), std::string::npos) << bad.err;
        EXPECT_FALSE(fileExists(folder));
    }
}

TEST(Analyze, InputsThatAreNotTablesAndFoldersThatCannotBeMade)
{
    ExportedTables in;
    writeBytes(in.dir.file("empty.dtable"), "");
    writeBytes(in.dir.file("plain"), "a file");
    writeBytes(in.dir.file("binary"), std::string("\x01\x02\x03", 3));
    writeBytes(in.dir.file("headless.fa"), "ACGTACGTTTGA\nACGT\n");
    writeBytes(in.dir.file("cut.fa.gz"), gzipBytes(">g\nACGTACGTAC\n").substr(0, 20));
    std::string negative = readBytes(in.tables()[1]);
    const std::size_t countLine = negative.find("\r\n", negative.find("*****\r\n") + 7) + 2;
    negative = negative.substr(0, countLine) + "-" + negative.substr(countLine);
    writeBytes(in.dir.file("negative.dtable"), negative);
    writeBytes(in.dir.file("negative-header.dtable"), std::string("10000\r\n-5\r\n0\r\n0\r\n") + '\0');
    writeBytes(in.dir.file("buckets.dtable"), std::string("16777216\r\n1\r\n1\r\n1\r\n") + '\0');
    writeBytes(in.dir.file("trailing.dtable"), readBytes(in.tables()[2]) + "*****\r\nACGTAC\r\n1\r\n-1\r\n-1\r\n-1\r\n");
    const std::vector<std::string> good = in.tables();
    struct Case {
        const char* what;
        std::vector<std::string> files;
        std::string folder;
    };
    const std::string folder = in.dir.file("report");
    for (const Case& c : {Case {"missing", {in.dir.file("absent.dtable"), good[1], good[2]}, folder},
             Case {"neither table nor FASTA", {good[0], in.dir.file("binary"), good[2]}, folder},
             Case {"FASTA without a header line", {good[0], in.dir.file("headless.fa"), good[2]}, folder},
             Case {"truncated gzip FASTA", {in.dir.file("cut.fa.gz"), good[1], good[2]}, folder},
             Case {"a negative count", {good[0], in.dir.file("negative.dtable"), good[2]}, folder},
             Case {"a negative header number", {in.dir.file("negative-header.dtable"), good[1], good[2]}, folder},
             Case {"more buckets than bytes", {in.dir.file("buckets.dtable"), good[1], good[2]}, folder},
             Case {"records after the end of a gene table", {good[0], good[1], in.dir.file("trailing.dtable")}, folder},
             Case {"empty", {good[0], good[1], in.dir.file("empty.dtable")}, folder},
             Case {"folder under a file", good, in.dir.file("plain/report")}}) {
        SCOPED_TRACE(c.what);
        CliOutcome failed = run(analyze(c.folder, c.files));
        EXPECT_EQ(failed.status, 1);
        EXPECT_EQ(failed.out, "");
        EXPECT_TRUE(isOneErrorLine(failed.err)) << failed.err;
        EXPECT_FALSE(fileExists((fs::path(folder) / "output.html").string()));
        EXPECT_FALSE(fileExists((fs::path(folder) / "words.tsv").string()));
    }
}

TEST(Analyze, ATableCutShortIsAnalyzedWithAWarning)
{
    ExportedTables in;
    const std::string whole = readBytes(in.tables()[2]);
    writeBytes(in.dir.file("cut.dtable"), whole.substr(0, whole.size() - 20));
    std::vector<std::string> args = analyze(in.dir.file("report"), {in.tables()[0], in.tables()[1], in.dir.file("cut.dtable")});
    args.erase(args.begin()); // warnings are quiet under -q
    CliOutcome warned = run(args);
    EXPECT_EQ(warned.status, 0) << warned.err;
    EXPECT_NE(warned.err.find("warning: " + in.dir.file("cut.dtable") + ": line "), std::string::npos) << warned.err;
    EXPECT_TRUE(fileExists(in.dir.file("report/output.html")));
}

TEST(Analyze, KnownMotifsAreMatchedAndBadOnesStopTheRunFirst)
{
    ExportedTables in;
    // The planted word, and something else, by hand in both formats.
    writeBytes(in.dir.file("known.meme"),
        "MEME version 4\n\nALPHABET= ACGT\n\nstrands: + -\n\n"
        "MOTIF poly-A\nletter-probability matrix: alength= 4 w= 6 nsites= 10 E= 0\n"
        "1 0 0 0\n1 0 0 0\n1 0 0 0\n1 0 0 0\n1 0 0 0\n1 0 0 0\n\n"
        "MOTIF planted TAATCC\nletter-probability matrix: alength= 4 w= 6 nsites= 10 E= 0\n"
        "0 0 0 1\n1 0 0 0\n1 0 0 0\n0 0 0 1\n0 1 0 0\n0 1 0 0\n");
    writeBytes(in.dir.file("known.jaspar"), ">MA9 planted\nA [ 0 9 9 0 0 0 ]\nC [ 0 0 0 0 9 9 ]\nG [ 0 0 0 0 0 0 ]\nT [ 9 0 0 9 0 0 ]\n");
    for (const char* known : {"known.meme", "known.jaspar"}) {
        SCOPED_TRACE(known);
        const std::string folder = in.dir.file(std::string("report-") + known);
        std::vector<std::string> args = {"-q", "analyze", "--known", in.dir.file(known), "--out", folder};
        for (const std::string& table : in.tables())
            args.push_back(table);
        CliOutcome analyzed = run(args);
        ASSERT_EQ(analyzed.status, 0) << analyzed.err;
        const std::string motifs = readBytes((fs::path(folder) / "motifs.tsv").string());
        std::size_t refined = motifs.find("\tTAATCC\t");
        if (refined == std::string::npos)
            refined = motifs.find("\tGGATTA\t");
        ASSERT_NE(refined, std::string::npos) << motifs;
        refined = motifs.rfind('\n', refined);
        const std::string row = motifs.substr(refined + 1, motifs.find('\n', refined + 1) - refined - 1);
        EXPECT_NE(row.find(std::string(known) == "known.meme" ? "\tplanted\tTAATCC\t" : "\tMA9\tplanted\t"), std::string::npos) << row;
        EXPECT_NE(readBytes((fs::path(folder) / "summary.html").string()).find("planted"), std::string::npos);
    }

    writeBytes(in.dir.file("bad.meme"), "MEME version 4\n\nMOTIF x\nletter-probability matrix: alength= 4 w= 2\n0.5 0.5 0 0\n0.5 zero 0 0.5\n");
    writeBytes(in.dir.file("bad.jaspar"), ">MA1 x\nA [ 1 2 ]\nC [ 1 2 ]\nG [ 1 ]\nT [ 1 2 ]\n");
    writeBytes(in.dir.file("neither"), "just text\n");
    for (const auto& [file, line] : {std::pair {"bad.meme", "line 6"}, std::pair {"bad.jaspar", "line 4"},
             std::pair {"neither", "line 1"}, std::pair {"absent.meme", ""}}) {
        SCOPED_TRACE(file);
        const std::string folder = in.dir.file("report-bad");
        std::vector<std::string> args = {"analyze", "--known", in.dir.file(file), "--out", folder};
        for (const std::string& table : in.tables())
            args.push_back(table);
        CliOutcome failed = run(args);
        EXPECT_EQ(failed.status, 1);
        EXPECT_EQ(failed.out, "");
        EXPECT_TRUE(isOneErrorLine(failed.err)) << failed.err;
        EXPECT_NE(failed.err.find(in.dir.file(file)), std::string::npos) << failed.err;
        EXPECT_NE(failed.err.find(line), std::string::npos) << failed.err;
        EXPECT_FALSE(fileExists(folder));
    }
}

TEST(Analyze, FastaInputsGiveWhatTheirExportsGive)
{
    ExportedTables in;
    const std::vector<std::string> tables = in.tables();
    std::vector<std::string> fasta;
    for (const std::string& table : tables)
        fasta.push_back(table.substr(0, table.size() - 7) + ".fa");
    writeBytes(in.dir.file("genome.fa.gz"), gzipBytes(readBytes(fasta[0])));
    fasta[0] = in.dir.file("genome.fa.gz");
    const std::string fromTables = in.dir.file("from-tables"), fromFasta = in.dir.file("from-fasta");
    // The window statistic both ways: a FASTA family's default counts its sequences instead.
    for (const auto& [folder, files] : {std::pair {fromTables, tables}, std::pair {fromFasta, fasta}}) {
        std::vector<std::string> args = analyze(folder, files);
        args.insert(args.begin() + 2, {"--statistic", "binomial"});
        CliOutcome done = run(args);
        ASSERT_EQ(done.status, 0) << done.err;
    }
    for (const auto& [name, bytes] : contents(fromTables)) {
        SCOPED_TRACE(name);
        std::string other = readBytes((fs::path(fromFasta) / name).string());
        if (name.ends_with(".tsv")) {
            // Alike but for the inputs' names in the comment lines, and the columns that count
            // the FASTA family's sequences.
            auto rows = [](const std::string& text) { return text.substr(text.find("\n", text.rfind("\n#") + 1)); };
            EXPECT_EQ(name == "words.tsv" ? withoutSequenceColumns(rows(other)) : rows(other), rows(bytes));
        } else if (name != "summary.html") { // which names the inputs and the time
            EXPECT_EQ(other, bytes);
        }
    }
}

TEST(Analyze, TheFamilysRecordsServeAsGeneFilesWhenNoneIsGiven)
{
    ExportedTables in;
    std::string many;
    for (int i = 0; i < 40; ++i)
        many += ">member" + std::to_string(i) + "\nACGTTAATCCGATTACATAATCC\n";
    writeBytes(in.dir.file("many.fa"), many);
    struct Case {
        std::string family;
        std::size_t genes;
        bool told;
    };
    for (const Case& c : {Case {in.dir.file("family.fa"), 6, false}, Case {in.dir.file("many.fa"), 32, true}}) {
        SCOPED_TRACE(c.family);
        const std::string folder = in.dir.file("report-" + std::to_string(c.genes));
        CliOutcome done = run({"analyze", "--out", folder, in.dir.file("genome.fa"), c.family});
        ASSERT_EQ(done.status, 0) << done.err;
        EXPECT_EQ(done.err.find("the first 32 of the 40 records") != std::string::npos, c.told) << done.err;
        EXPECT_EQ(run({"-q", "analyze", "--out", folder, in.dir.file("genome.fa"), c.family}).err, "");
        const std::string words = readBytes(folder + "/words.tsv");
        EXPECT_EQ(occurrences(words, "\n# gene: "), c.genes);
        EXPECT_EQ(occurrences(words, " record 1 ("), 1u);
    }
    // A family given as a table has no records to take.
    CliOutcome refused = run({"-q", "analyze", "--out", in.dir.file("r"), in.tables()[0], in.tables()[1]});
    EXPECT_EQ(refused.status, 2);
}

TEST(Analyze, TheStatisticAndTheLengthsSteerTheWordsTableAlone)
{
    ExportedTables in;
    std::map<std::string, std::string> pages;
    for (const char* statistic : {"binomial", "poisson", "ratio"}) {
        SCOPED_TRACE(statistic);
        const std::string folder = in.dir.file(std::string("report-") + statistic);
        CliOutcome done = run({"-q", "analyze", "--statistic", statistic, "--lengths", "6-7", "--out", folder, in.tables()[0],
            in.tables()[1], in.tables()[2]});
        ASSERT_EQ(done.status, 0) << done.err;
        const std::string words = readBytes(folder + "/words.tsv");
        EXPECT_NE(words.find(std::string("# statistic: ") + statistic), std::string::npos);
        EXPECT_NE(words.find("# length 7: "), std::string::npos);
        EXPECT_EQ(words.find("# length 8: "), std::string::npos);
        // The planted word leads by either test; the ratio favours rare words seen a few times.
        const std::size_t first = words.find("\n1\t");
        ASSERT_NE(first, std::string::npos);
        if (std::string(statistic) != "ratio") {
            EXPECT_NE(words.substr(first, 40).find("GGATTA\tTAATCC"), std::string::npos) << words.substr(first, 80);
        }
        if (pages.empty())
            pages = contents(folder);
        for (auto& [name, bytes] : contents(folder)) {
            if (!isClassicReport(name))
                continue;
            EXPECT_EQ(bytes, pages[name]) << name;
        }
    }
}

TEST(Analyze, NoReportWrittenIsAFailureNotAnOldReport)
{
    ExportedTables in;
    const std::string folder = in.dir.file("report");
    fs::create_directory(folder);
    writeBytes(in.dir.file("report/output.html"), "an earlier report");
    writeBytes(in.dir.file("nothing.dtable"), std::string("10000\r\n1000\r\n0\r\n0\r\n") + '\0');
    std::vector<std::string> files = in.tables();
    files[0] = in.dir.file("nothing.dtable");
    std::vector<std::string> args = analyze(folder, files);
    args.erase(args.begin()); // the warning saying why is quiet under -q
    CliOutcome failed = run(args);
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_NE(failed.err.find("seqlark-cli: warning: Error on File Load: Upstream Genome or Gene Family is empty!\n"),
        std::string::npos) << failed.err;
    EXPECT_EQ(failed.err.substr(failed.err.rfind("seqlark-cli: ")), "seqlark-cli: error: no report was written\n");
    EXPECT_EQ(readBytes(in.dir.file("report/output.html")), "an earlier report");
}

TEST(Analyze, DemoFindsThePlantedMotif)
{
    TempDir dir;
    CliOutcome demo = run({"-q", "demo", dir.file("demo")});
    EXPECT_EQ(demo.status, 0) << demo.err;
    EXPECT_EQ(demo.err, "");
    EXPECT_NE(demo.out.find(std::string("Report: ").append(dir.file("demo/output.html")).append("\n")), std::string::npos) << demo.out;
    EXPECT_NE(demo.out.find("The planted motif was found"), std::string::npos) << demo.out;
    EXPECT_EQ(occurrences(readBytes(dir.file("demo/output.html")), "<tr>"), 10u);
}

TEST(Analyze, TextBeforeTheFirstHeaderLineIsFastaAsTheExportReadsIt)
{
    ExportedTables in;
    const std::string genome = readBytes(in.dir.file("genome.fa")), family = readBytes(in.dir.file("family.fa"));
    writeBytes(in.dir.file("genome-noted.fa"), "12 upstream regions, made 2026-12-07\n; a comment\n" + genome);
    writeBytes(in.dir.file("family-noted.fa"), "# the family\n" + family);
    const std::string plain = in.dir.file("plain"), noted = in.dir.file("noted");
    ASSERT_EQ(run(analyze(plain, {in.dir.file("genome.fa"), in.dir.file("family.fa")})).status, 0);
    CliOutcome analyzed = run(analyze(noted, {in.dir.file("genome-noted.fa"), in.dir.file("family-noted.fa")}));
    ASSERT_EQ(analyzed.status, 0) << analyzed.err;
    auto rows = [](const std::string& text) { return text.substr(text.find("\nrank")); };
    EXPECT_EQ(rows(readBytes(noted + "/words.tsv")), rows(readBytes(plain + "/words.tsv")));
}

TEST(Analyze, ControlBytesInFileAndRecordNamesAreWrittenAsText)
{
    ExportedTables in;
    // A file name holding a terminal escape and a tab, records named with escapes.
    const std::string family = in.dir.file("fam\x1b[1m\tily.fa");
    std::string text = readBytes(in.dir.file("family.fa"));
    for (std::size_t at = text.find('>'); at != std::string::npos; at = text.find('>', at + 1))
        text.insert(at + 1, "\x1b[31m\x7f");
    writeBytes(family, text);
    const std::string folder = in.dir.file("report");
    CliOutcome analyzed = run({"-v", "analyze", "--out", folder, in.dir.file("genome.fa"), family});
    ASSERT_EQ(analyzed.status, 0) << analyzed.err;
    EXPECT_EQ(analyzed.err.find('\x1b'), std::string::npos) << analyzed.err;
    // The reader's lines name the records.
    CliOutcome exported = run({"-v", "export", family, in.dir.file("family-escaped.dtable")});
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.err.find('\x1b'), std::string::npos) << exported.err;
    EXPECT_NE(exported.err.find("\\x1b[31m\\x7f"), std::string::npos) << exported.err;
    for (const char* name : {"words.tsv", "motifs.tsv", "positions.tsv", "sites.bed", "genes.tsv", "summary.html"}) {
        SCOPED_TRACE(name);
        const std::string written = readBytes((fs::path(folder) / name).string());
        EXPECT_EQ(written.find('\x1b'), std::string::npos);
        EXPECT_EQ(written.find('\x7f'), std::string::npos);
        // Every comment line stays one line of text, and every row has the header's columns.
        std::istringstream lines(written);
        std::size_t columns = 0;
        for (std::string line; std::getline(lines, line);) {
            if (line.starts_with("#")) {
                EXPECT_EQ(line.find('\t'), std::string::npos) << line;
                continue;
            }
            const auto tabs = static_cast<std::size_t>(std::count(line.begin(), line.end(), '\t'));
            if (std::string(name) == "summary.html")
                continue;
            if (columns == 0)
                columns = tabs;
            EXPECT_EQ(tabs, columns) << line;
        }
    }
    EXPECT_NE(readBytes(folder + "/genes.tsv").find("\\x1b[31m\\x7f"), std::string::npos);
    EXPECT_NE(readBytes(folder + "/words.tsv").find("fam\\x1b[1m\\x09ily.fa"), std::string::npos);
}

namespace {

/// Standard input fed `bytes` from a pipe by a thread of its own while the object lives.
class FedStandardInput {
public:
    explicit FedStandardInput(std::string bytes)
    {
        int ends[2];
        EXPECT_EQ(::pipe(ends), 0);
        saved = ::dup(STDIN_FILENO);
        ::dup2(ends[0], STDIN_FILENO);
        ::close(ends[0]);
        writer = std::thread([fd = ends[1], bytes = std::move(bytes)] { writeAndClose(fd, bytes); });
    }
    ~FedStandardInput()
    {
        writer.join();
        ::dup2(saved, STDIN_FILENO);
        ::close(saved);
    }

private:
    int saved;
    std::thread writer;
};

/// A FIFO at `path` that a thread fills with the file `from` once a reader opens it.
class FifoOf {
public:
    FifoOf(const std::string& path, const std::string& from)
    {
        EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
        writer = std::thread([path, bytes = readBytes(from)] { writeAndClose(::open(path.c_str(), O_WRONLY), bytes); });
    }
    ~FifoOf() { writer.join(); }

private:
    std::thread writer;
};

/// A words table without its comment lines, which name the inputs.
std::string wordRows(const std::string& folder)
{
    const std::string text = readBytes(folder + "/words.tsv");
    return text.substr(text.find('\n', text.rfind("\n#") + 1));
}

} // namespace

TEST(Analyze, InputsFromPipesAndFifosAreReadOnceAndGiveWhatTheirFilesGive)
{
    ::signal(SIGPIPE, SIG_IGN);
    ExportedTables in;
    const std::string genome = in.dir.file("genome.fa"), family = in.dir.file("family.fa");
    // The genome is read three times here (its words, on their strand, its pairs), the family
    // once for all it gives.
    const std::vector<std::string> options = {"--dyads", "--spacing", "0-4", "--strand", "given"};
    auto analyzeWith = [&](const std::string& folder, const std::vector<std::string>& files) {
        std::vector<std::string> args = analyze(folder, files);
        args.insert(args.begin() + 4, options.begin(), options.end());
        const CliOutcome done = run(args);
        EXPECT_EQ(done.status, 0) << done.err;
        return wordRows(folder);
    };
    const std::string fromFiles = analyzeWith(in.dir.file("files"), {genome, family});
    {
        FifoOf genomePipe(in.dir.file("genome.pipe"), genome);
        FedStandardInput familyOnStdin(readBytes(family));
        EXPECT_EQ(analyzeWith(in.dir.file("pipes"), {in.dir.file("genome.pipe"), "-"}), fromFiles);
    }
    // A table from standard input is told from FASTA without losing a byte.
    const std::vector<std::string> tables = in.tables();
    CliOutcome fromTables = run(analyze(in.dir.file("tables"), tables));
    ASSERT_EQ(fromTables.status, 0) << fromTables.err;
    {
        FedStandardInput genomeOnStdin(readBytes(tables[0]));
        CliOutcome piped = run(analyze(in.dir.file("piped-table"), {"-", tables[1], tables[2], tables[3]}));
        ASSERT_EQ(piped.status, 0) << piped.err;
    }
    EXPECT_EQ(wordRows(in.dir.file("piped-table")), wordRows(in.dir.file("tables")));
    // What never ends and is no text stops at its first bytes.
    const CliOutcome zeros = run(analyze(in.dir.file("zeros"), {"/dev/zero", family}));
    EXPECT_EQ(zeros.status, 1);
    EXPECT_EQ(zeros.err, "seqlark-cli: error: cannot use /dev/zero: '/dev/zero' is neither a DTable nor a FASTA file\n");
}
