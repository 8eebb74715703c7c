#include "TestSupport.h"

#include "RunCli.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <unistd.h>

namespace {

std::string randomGene(std::mt19937& random, int index)
{
    std::string gene = ">part_gene" + std::to_string(index) + "\n";
    std::size_t length = random() % 3000;
    for (std::size_t i = 0; i < length; ++i) {
        gene += random() % 500 == 0 ? 'N' : "ACGTacgt"[random() % 8];
        if (i % 70 == 69)
            gene += '\n';
    }
    return gene + "\n";
}

} // namespace

TEST(Merge, PartsAddUpToTheWholeByteForByte)
{
    std::mt19937 random(8);
    TempDir dir;
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        const int parts = 1 + static_cast<int>(random() % 4);
        std::string whole;
        std::vector<std::string> args {"-q", "merge", dir.file("merged.dtable")};
        for (int p = 0; p < parts; ++p) {
            std::string part;
            for (int g = static_cast<int>(random() % 4); g > 0; --g)
                part += randomGene(random, static_cast<int>(whole.size()));
            if (part.empty())
                part = ">empty\n";
            whole += part;
            std::string name = "part" + std::to_string(p);
            writeBytes(dir.file(name + ".fa"), part);
            ASSERT_EQ(run({"-q", "export", dir.file(name + ".fa"), dir.file(name + ".dtable")}).status, 0);
            args.push_back(dir.file(name + ".dtable"));
        }
        writeBytes(dir.file("whole.fa"), whole);
        ASSERT_EQ(run({"-q", "export", dir.file("whole.fa"), dir.file("whole.dtable")}).status, 0);
        ASSERT_EQ(run(args).status, 0);
        EXPECT_EQ(readBytes(dir.file("merged.dtable")), readBytes(dir.file("whole.dtable")));
    }
}

TEST(Merge, RefusesWhatDoesNotAddUp)
{
    TempDir dir;
    writeBytes(dir.file("a.dtable"), std::string("10000\r\n6\r\n2\r\n1\r\n*****\r\nAAAAAA\r\n2\r\n-1\r\n-1\r\n-1\r\n") + '\0');
    writeBytes(dir.file("b.dtable"), std::string("5000\r\n6\r\n2\r\n1\r\n*****\r\nAAAAAA\r\n2\r\n-1\r\n-1\r\n-1\r\n") + '\0');
    writeBytes(dir.file("notatable.fa"), ">x\nACGT\n");
    CliOutcome mixed = run({"-q", "merge", dir.file("out.dtable"), dir.file("a.dtable"), dir.file("b.dtable")});
    EXPECT_EQ(mixed.status, 1);
    EXPECT_TRUE(isOneErrorLine(mixed.err)) << mixed.err;
    EXPECT_NE(mixed.err.find("buckets"), std::string::npos) << mixed.err;
    EXPECT_EQ(run({"-q", "merge", dir.file("out.dtable"), dir.file("a.dtable"), dir.file("notatable.fa")}).status, 1);
    EXPECT_EQ(run({"-q", "merge", dir.file("out.dtable"), dir.file("missing.dtable")}).status, 1);
    EXPECT_FALSE(fileExists(dir.file("out.dtable")));
    EXPECT_EQ(run({"-q", "merge", dir.file("out.dtable")}).status, 2);

    // A table merged with itself counts everything twice.
    ASSERT_EQ(run({"-q", "merge", dir.file("out.dtable"), dir.file("a.dtable"), dir.file("a.dtable")}).status, 0);
    EXPECT_EQ(readBytes(dir.file("out.dtable")),
        std::string("10000\r\n12\r\n4\r\n1\r\n*****\r\nAAAAAA\r\n4\r\n-1\r\n-1\r\n-1\r\n") + '\0');
}

TEST(Merge, DashWritesTheTableToStandardOutput)
{
    CliOutcome merged = run({"-q", "merge", "-", testData("sample.dtable"), testData("sample.dtable")});
    EXPECT_EQ(merged.status, 0) << merged.err;
    TempDir dir;
    CliOutcome toFile = run({"-q", "merge", dir.file("t.dtable"), testData("sample.dtable"), testData("sample.dtable")});
    ASSERT_EQ(toFile.status, 0) << toFile.err;
    EXPECT_EQ(merged.out, readBytes(dir.file("t.dtable")));
}

TEST(Merge, TablesNoExportWritesAreRefusedByLineAndCutOnesWarned)
{
    TempDir dir;
    const std::string good = readBytes(testData("sample.dtable"));
    const std::size_t firstCount = good.find("\r\n", good.find("*****\r\n") + 7) + 2;
    struct Case {
        const char* name;
        std::string bytes;
        const char* said;
        int status;
    };
    for (const Case& c : {Case {"negative", good.substr(0, firstCount) + "-" + good.substr(firstCount), "is below 0", 1},
             Case {"buckets", std::string("16777216\r\n1\r\n1\r\n1\r\n") + '\0', "bucket count 16777216", 1},
             Case {"not whole", good.substr(0, firstCount) + "1e3" + good.substr(good.find("\r\n", firstCount)),
                 "is no whole decimal number", 1},
             Case {"trailing", good + "*****\r\nACGTAC\r\n1\r\n-1\r\n-1\r\n-1\r\n", "records follow", 1},
             Case {"cut", good.substr(0, good.size() - 20), "warning", 0}}) {
        SCOPED_TRACE(c.name);
        writeBytes(dir.file(c.name), c.bytes);
        CliOutcome merged = run({"merge", dir.file("out.dtable"), dir.file(c.name)});
        EXPECT_EQ(merged.status, c.status) << merged.err;
        EXPECT_NE(merged.err.find(c.said), std::string::npos) << merged.err;
        if (c.status == 1) {
            EXPECT_TRUE(isOneErrorLine(merged.err)) << merged.err;
            EXPECT_NE(merged.err.find(": line "), std::string::npos) << merged.err;
        }
    }
}

TEST(Merge, ATableFromStandardInputIsReadOnce)
{
    TempDir dir;
    writeBytes(dir.file("a.fa"), ">a\nACGTACGTTGCA\n");
    writeBytes(dir.file("b.fa"), ">b\nTTGACCATGCAA\n");
    for (const char* name : {"a", "b"})
        ASSERT_EQ(run({"-q", "export", dir.file(std::string(name) + ".fa"), dir.file(std::string(name) + ".dtable")}).status, 0);
    ASSERT_EQ(run({"merge", dir.file("files.dtable"), dir.file("a.dtable"), dir.file("b.dtable")}).status, 0);
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const std::string bytes = readBytes(dir.file("a.dtable"));
    ASSERT_EQ(::write(ends[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(ends[1]);
    const int saved = ::dup(STDIN_FILENO);
    ::dup2(ends[0], STDIN_FILENO);
    ::close(ends[0]);
    const CliOutcome merged = run({"merge", dir.file("piped.dtable"), "-", dir.file("b.dtable")});
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
    ASSERT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(readBytes(dir.file("piped.dtable")), readBytes(dir.file("files.dtable")));
}
