#include "TestSupport.h"

#include "RunCli.h"
#include "base/Diagnostics.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

} // namespace

TEST(Cli, HelpAndVersionGoToStandardOutput)
{
    for (const char* option : {"--help", "-h"}) {
        CliOutcome help = run({option});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind("Usage: seqlark-cli", 0), 0u) << help.out;
        for (const char* command : {"export [--threads N] SOURCE DEST", "analyze [--out DIR] [--statistic S]",
                 "[--lengths MIN-MAX] [--known FILE]", "BIG SMALL [GENE ...]", "merge OUT IN [IN ...]", "demo [DIR]"})
            EXPECT_NE(help.out.find(command), std::string::npos) << command;
        EXPECT_EQ(help.err, "");
    }
    CliOutcome version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "seqlark-cli " SEQLARK_VERSION "\n");
    EXPECT_EQ(version.err, "");
}

TEST(Cli, EachCommandsHelpShowsItsUsageOptionsAndAnExample)
{
    struct Expected {
        const char* command;
        std::vector<const char*> options;
    };
    for (const Expected& e : {Expected {"export", {"-t, --threads N"}},
             Expected {"analyze", {"-o, --out DIR", "--statistic S", "--lengths MIN-MAX", "--known FILE"}},
             Expected {"merge", {}}, Expected {"demo", {}}}) {
        SCOPED_TRACE(e.command);
        for (const std::vector<std::string>& args :
            {std::vector<std::string> {e.command, "--help"}, std::vector<std::string> {"-q", e.command, "a", "-h"}}) {
            CliOutcome help = run(args);
            EXPECT_EQ(help.status, 0);
            EXPECT_EQ(help.err, "");
            EXPECT_EQ(help.out.rfind(std::string("Usage: seqlark-cli [-q | -v] ") + e.command, 0), 0u) << help.out;
            for (const char* option : e.options)
                EXPECT_NE(help.out.find(option), std::string::npos) << option;
            for (const char* option : {"-q, --quiet", "-v, --verbose", "-h, --help"})
                EXPECT_NE(help.out.find(option), std::string::npos) << option;
            EXPECT_NE(help.out.find("\nExample:\n  seqlark-cli " + std::string(e.command) + ""), std::string::npos);
        }
    }
    // Every option the help names is one the command takes: given without a value it is
    // refused for the value, not as unknown.
    CliOutcome threads = run({"export", "--threads"});
    EXPECT_EQ(threads.status, 2);
    EXPECT_EQ(threads.err.find("unknown option"), std::string::npos) << threads.err;
}

TEST(Cli, BadUsageShowsTheUsageOnStandardError)
{
    const std::vector<std::vector<std::string>> lines = {
        {}, {"-q"}, {"frobnicate"}, {"--bogus", "export", "a", "b"}, {"export", "a"}, {"export", "a", "b", "c"}};
    for (const auto& args : lines) {
        SCOPED_TRACE(testing::PrintToString(args));
        CliOutcome bad = run(args);
        EXPECT_EQ(bad.status, 2);
        EXPECT_EQ(bad.out, "");
        EXPECT_EQ(bad.err.rfind("seqlark-cli: ", 0), 0u);
        EXPECT_NE(bad.err.find("\nUsage: seqlark-cli"), std::string::npos);
    }
}

TEST(Cli, EachCommandTakesOnlyItsOwnOptionsAndDoubleDashEndsThem)
{
    TempDir dir;
    const std::vector<std::vector<std::string>> lines = {{"merge", "--threads", "a", "b"}, {"export", "--out", "x", "a", "b"},
        {"analyze", "--threads", "2", "a", "b", "c"}, {"demo", "--statistic", "ratio"}, {"export", "--threads=2", "--known", "k", "a", "b"},
        {"export", "--thread", "2", "a", "b"}};
    for (const auto& line : lines) {
        SCOPED_TRACE(testing::PrintToString(line));
        std::vector<std::string> args = line;
        for (std::string& arg : args)
            if (arg.size() == 1 || arg == "--threads" || arg == "--thread")
                arg = arg.size() == 1 ? dir.file(arg) : arg;
        CliOutcome bad = run(args);
        EXPECT_EQ(bad.status, 2);
        EXPECT_NE(bad.err.find("unknown option"), std::string::npos) << bad.err;
    }
    EXPECT_TRUE(fs::is_empty(dir.path())) << "a file named after an option";

    // After --, what looks like an option is a file.
    fs::copy_file(testData("sample.fa"), dir.path() / "-t.fa");
    const fs::path here = fs::current_path();
    fs::current_path(dir.path());
    CliOutcome ended = run({"-q", "export", "--", "-t.fa", "--threads"});
    fs::current_path(here);
    EXPECT_EQ(ended.status, 0) << ended.err;
    EXPECT_EQ(readBytes(dir.file("--threads")), readBytes(testData("sample.dtable")));
}

TEST(Cli, ErrorLinesStayOneLineWhateverTheFileNameHolds)
{
    TempDir dir;
    const std::string odd = dir.file("two\nlines\r\x1b[31m.fa");
    CliOutcome missing = run({"-q", "export", odd, dir.file("t.dtable")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(isOneErrorLine(missing.err)) << missing.err;
    EXPECT_NE(missing.err.find("two\\x0alines\\x0d\\x1b[31m.fa"), std::string::npos) << missing.err;
    CliOutcome usage = run({"export", "--bogus\nline", "a", "b"});
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.err.substr(0, usage.err.find("\nUsage:")).find('\n'), std::string::npos) << usage.err;
}

TEST(Cli, ExportToStandardOutputAndToDevicesStreamsTheTable)
{
    CliOutcome toStdout = run({"-q", "export", testData("sample.fa"), "-"});
    EXPECT_EQ(toStdout.status, 0) << toStdout.err;
    EXPECT_EQ(toStdout.out, readBytes(testData("sample.dtable")));

    CliOutcome toNull = run({"-q", "export", testData("sample.fa"), "/dev/null"});
    EXPECT_EQ(toNull.status, 0) << toNull.err;
    struct stat info {};
    ASSERT_EQ(::stat("/dev/null", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode)) << "/dev/null was replaced";

    TempDir dir;
    writeBytes(dir.file("real.dtable"), "old");
    fs::create_symlink("real.dtable", dir.path() / "link.dtable");
    CliOutcome throughLink = run({"-q", "export", testData("sample.fa"), dir.file("link.dtable")});
    EXPECT_EQ(throughLink.status, 0) << throughLink.err;
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.dtable"));
    EXPECT_EQ(readBytes(dir.file("real.dtable")), readBytes(testData("sample.dtable")));
}

TEST(Cli, ExportWritesTheTable)
{
    TempDir dir;
    const std::string destination = dir.file("sample.dtable");
    CliOutcome exported = run({"-q", "export", testData("sample.fa"), destination});
    EXPECT_EQ(exported.status, 0);
    EXPECT_EQ(exported.out, "");
    EXPECT_EQ(exported.err, "");
    EXPECT_EQ(readBytes(destination), readBytes(testData("sample.dtable")));
}

TEST(Cli, DiagnosticLinesOnlyWhenVerboseEachOnALineOfItsOwn)
{
    TempDir dir;
    for (const char* quietly : {"", "-q"}) {
        std::vector<std::string> args = {"export", testData("sample.fa"), dir.file("t.dtable")};
        if (*quietly)
            args.insert(args.begin(), quietly);
        CliOutcome exported = run(args);
        EXPECT_EQ(exported.status, 0);
        EXPECT_EQ(exported.out, "");
        EXPECT_EQ(exported.err, "");
    }
    CliOutcome verbose = run({"-v", "export", testData("sample.fa"), dir.file("t.dtable")});
    EXPECT_EQ(verbose.status, 0);
    EXPECT_EQ(verbose.err.rfind("created\nRead 202 bytes\nNumber of genes in file: 5\nRead Gene 0: geneA\n", 0), 0u)
        << verbose.err;

    // The analysis' tables announce themselves one after the other; each gets its own line.
    const std::vector<std::string> tables = {dir.file("t.dtable"), dir.file("t.dtable"), dir.file("t.dtable")};
    CliOutcome analyzed = run({"-v", "analyze", "--out", dir.file("report"), tables[0], tables[1], tables[2]});
    EXPECT_EQ(analyzed.status, 0) << analyzed.err;
    EXPECT_EQ(analyzed.err.rfind("created\ncreated\n", 0), 0u) << analyzed.err;
    EXPECT_EQ(analyzed.err.find("createdcreated"), std::string::npos) << analyzed.err;
    EXPECT_EQ(analyzed.err.back(), '\n');
    EXPECT_EQ(run({"analyze", "--out", dir.file("report"), tables[0], tables[1], tables[2]}).err, "");
}

TEST(Cli, FailedExportLeavesTheDestinationAlone)
{
    TempDir dir;
    const std::string destination = dir.file("keep.dtable");
    writeBytes(destination, "old table");
    CliOutcome missing = run({"-q", "export", dir.file("absent.fa"), destination});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_TRUE(isOneErrorLine(missing.err)) << missing.err;
    EXPECT_NE(missing.err.find(dir.file("absent.fa")), std::string::npos);
    EXPECT_EQ(readBytes(destination), "old table");

    CliOutcome unwritable = run({"-q", "export", testData("sample.fa"), destination + "/t.dtable"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_TRUE(isOneErrorLine(unwritable.err)) << unwritable.err;
    EXPECT_EQ(readBytes(destination), "old table");
}

TEST(Cli, ThreadCountsAreCheckedAndGiveTheSameTable)
{
    TempDir dir;
    std::string expected;
    for (const char* threads : {"1", "2", "7"}) {
        CliOutcome exported = run({"-q", "export", "--threads", threads, testData("sample.fa"), dir.file("t.dtable")});
        EXPECT_EQ(exported.status, 0) << exported.err;
        std::string table = readBytes(dir.file("t.dtable"));
        if (expected.empty())
            expected = table;
        EXPECT_EQ(table, expected);
    }
    for (const char* bad : {"0", "x", "3x", "257", ""}) {
        CliOutcome refused = run({"export", "-t", bad, testData("sample.fa"), dir.file("u.dtable")});
        EXPECT_EQ(refused.status, 2) << bad;
        EXPECT_FALSE(fileExists(dir.file("u.dtable")));
    }
    EXPECT_EQ(run({"export", testData("sample.fa"), dir.file("u.dtable"), "--threads"}).status, 2);
}
