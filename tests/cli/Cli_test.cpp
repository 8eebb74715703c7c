#include "TestSupport.h"

#include "RunCli.h"
#include "base/Diagnostics.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

} // namespace

TEST(Cli, HelpAndVersionGoToStandardOutput)
{
    for (const char* option : {"--help", "-h"}) {
        Outcome help = run({option});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind("Usage: seqlark-cli", 0), 0u) << help.out;
        for (const char* command : {"export [--threads N] SOURCE DEST", "analyze [--out DIR] [--statistic S] [--lengths MIN-MAX] [--known FILE] BIG SMALL [GENE ...]", "demo [DIR]"})
            EXPECT_NE(help.out.find(command), std::string::npos) << command;
        EXPECT_EQ(help.err, "");
    }
    Outcome version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "seqlark-cli " SEQLARK_VERSION "\n");
    EXPECT_EQ(version.err, "");
}

TEST(Cli, BadUsageShowsTheUsageOnStandardError)
{
    const std::vector<std::vector<std::string>> lines = {
        {}, {"-q"}, {"frobnicate"}, {"--bogus", "export", "a", "b"}, {"export", "a"}, {"export", "a", "b", "c"}};
    for (const auto& args : lines) {
        SCOPED_TRACE(testing::PrintToString(args));
        Outcome bad = run(args);
        EXPECT_EQ(bad.status, 2);
        EXPECT_EQ(bad.out, "");
        EXPECT_EQ(bad.err.rfind("seqlark-cli: ", 0), 0u);
        EXPECT_NE(bad.err.find("\nUsage: seqlark-cli"), std::string::npos);
    }
}

TEST(Cli, ExportWritesTheTable)
{
    TempDir dir;
    const std::string destination = dir.file("sample.dtable");
    Outcome exported = run({"-q", "export", testData("sample.fa"), destination});
    EXPECT_EQ(exported.status, 0);
    EXPECT_EQ(exported.out, "");
    EXPECT_EQ(exported.err, "");
    EXPECT_EQ(readBytes(destination), readBytes(testData("sample.dtable")));
}

TEST(Cli, DiagnosticsGoToStandardErrorUnlessQuiet)
{
    TempDir dir;
    Outcome exported = run({"export", testData("sample.fa"), dir.file("t.dtable")});
    EXPECT_EQ(exported.status, 0);
    EXPECT_EQ(exported.out, "");
    EXPECT_NE(exported.err.find("Read 202 bytes\nNumber of genes in file: 5\nRead Gene 0: geneA\n"), std::string::npos)
        << exported.err;
}

TEST(Cli, FailedExportLeavesTheDestinationAlone)
{
    TempDir dir;
    const std::string destination = dir.file("keep.dtable");
    writeBytes(destination, "old table");
    Outcome missing = run({"-q", "export", dir.file("absent.fa"), destination});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_TRUE(isOneErrorLine(missing.err)) << missing.err;
    EXPECT_NE(missing.err.find(dir.file("absent.fa")), std::string::npos);
    EXPECT_EQ(readBytes(destination), "old table");

    Outcome unwritable = run({"-q", "export", testData("sample.fa"), destination + "/t.dtable"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_TRUE(isOneErrorLine(unwritable.err)) << unwritable.err;
    EXPECT_EQ(readBytes(destination), "old table");
}

TEST(Cli, ThreadCountsAreCheckedAndGiveTheSameTable)
{
    TempDir dir;
    std::string expected;
    for (const char* threads : {"1", "2", "7"}) {
        Outcome exported = run({"-q", "export", "--threads", threads, testData("sample.fa"), dir.file("t.dtable")});
        EXPECT_EQ(exported.status, 0) << exported.err;
        std::string table = readBytes(dir.file("t.dtable"));
        if (expected.empty())
            expected = table;
        EXPECT_EQ(table, expected);
    }
    for (const char* bad : {"0", "x", "3x", "257", ""}) {
        Outcome refused = run({"export", "-t", bad, testData("sample.fa"), dir.file("u.dtable")});
        EXPECT_EQ(refused.status, 2) << bad;
        EXPECT_FALSE(fileExists(dir.file("u.dtable")));
    }
    EXPECT_EQ(run({"export", testData("sample.fa"), dir.file("u.dtable"), "--threads"}).status, 2);
}
