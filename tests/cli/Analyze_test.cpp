#include "TestSupport.h"

#include "RunCli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace fs = std::filesystem;

namespace {

std::size_t occurrences(const std::string& text, const std::string& piece)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        ++n;
    return n;
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
            Outcome exported = run({"-q", "export", dir.file(name + ".fa"), dir.file(name + ".dtable")});
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
    Outcome analyzed = run(analyze(folder, in.tables()));
    EXPECT_EQ(analyzed.status, 0);
    EXPECT_EQ(analyzed.err, "");
    EXPECT_EQ(analyzed.out, in.dir.file("report/output.html") + "\n");

    const std::string index = readBytes(in.dir.file("report/output.html"));
    EXPECT_EQ(occurrences(index, "<tr>"), 10u);
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
    for (const auto& args : {analyze(folder, {}), analyze(folder, {"big", "small"}), analyze(folder, tooMany),
             std::vector<std::string> {"analyze", "big", "small", "gene", "--out"}}) {
        SCOPED_TRACE(testing::PrintToString(args));
        Outcome bad = run(args);
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
    const std::vector<std::string> good = in.tables();
    struct Case {
        const char* what;
        std::vector<std::string> files;
        std::string folder;
    };
    const std::string folder = in.dir.file("report");
    for (const Case& c : {Case {"missing", {in.dir.file("absent.dtable"), good[1], good[2]}, folder},
             Case {"FASTA", {good[0], in.dir.file("family.fa"), good[2]}, folder},
             Case {"empty", {good[0], good[1], in.dir.file("empty.dtable")}, folder},
             Case {"folder under a file", good, in.dir.file("plain/report")}}) {
        SCOPED_TRACE(c.what);
        Outcome failed = run(analyze(c.folder, c.files));
        EXPECT_EQ(failed.status, 1);
        EXPECT_EQ(failed.out, "");
        EXPECT_TRUE(isOneErrorLine(failed.err)) << failed.err;
        EXPECT_FALSE(fileExists(folder));
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
    Outcome failed = run(analyze(folder, files));
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
    Outcome demo = run({"-q", "demo", dir.file("demo")});
    EXPECT_EQ(demo.status, 0) << demo.err;
    EXPECT_EQ(demo.err, "");
    EXPECT_NE(demo.out.find(std::string("Report: ").append(dir.file("demo/output.html")).append("\n")), std::string::npos) << demo.out;
    EXPECT_NE(demo.out.find("The planted motif was found"), std::string::npos) << demo.out;
    EXPECT_EQ(occurrences(readBytes(dir.file("demo/output.html")), "<tr>"), 10u);
}
