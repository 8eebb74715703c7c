#include "TestSupport.h"

#include "tables/DTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <tuple>

using namespace std::literals;

namespace {

using Record = std::tuple<std::string, std::int64_t, double, double, double>;

std::vector<Record> records(const DTable& table)
{
    std::vector<Record> list;
    for (const WordEntry& e : table.entries())
        list.emplace_back(e.word.view(), e.count, e.score1, e.score2, e.score3);
    return list;
}

/// The table of four additions whose file is tests/data/worked_example.dtable.
DTable workedExample(Diagnostics diagnostics = {})
{
    DTable table(diagnostics);
    for (const char* word : {"TTTTTT", "GTAGGC", "ACGTAC", "GTAGGC"})
        table.addWord(word);
    table.setSequenceLength(20);
    return table;
}

const std::vector<Record> workedRecords = {
    {"GTAGGC", 2, -1, -1, -1}, {"ACGTAC", 1, -1, -1, -1}, {"TTTTTT", 1, -1, -1, -1}};

/// Names of the files in `folder`.
std::vector<std::string> filesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class DTableFileTest : public testing::Test {
protected:
    /// Loads `bytes` as a file into a table that holds the worked example.
    LoadStatus load(std::string_view bytes)
    {
        writeBytes(path, bytes);
        return loadPath(path);
    }
    LoadStatus loadPath(const std::string& from)
    {
        const std::size_t mark = capture.text().size();
        LoadStatus status = table.load(from.c_str());
        log = capture.text().substr(mark);
        return status;
    }
    /// A failed load must leave the table exactly as it was, with one diagnostic line.
    void expectUnchanged()
    {
        EXPECT_EQ(table.serialize(), workedExample().serialize());
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
        EXPECT_EQ(log.back(), '\n');
    }

    TempDir dir;
    std::string path = dir.file("table.dtable");
    CaptureDiagnostics capture;
    DTable table = workedExample(capture.diagnostics());
    std::string log;
};

/// The lines of the worked example file, each ended by `lineEnd`, without the trailing 0x00:
/// the base that damaged files are made from.
std::string workedLines(const char* lineEnd = "\r\n")
{
    std::string text;
    for (const char* line : {"10000", "20", "4", "3"})
        text += line + std::string(lineEnd);
    for (const char* word : {"GTAGGC", "ACGTAC", "TTTTTT"}) {
        const char* count = word[0] == 'G' ? "2" : "1";
        for (const char* line : {"*****", word, count, "-1", "-1", "-1"})
            text += line + std::string(lineEnd);
    }
    return text;
}

} // namespace

TEST_F(DTableFileTest, WorkedExampleIsWrittenByteForByte)
{
    ASSERT_TRUE(table.write(path.c_str()));
    const std::string written = readBytes(path);
    EXPECT_EQ(written.size(), 108u);
    EXPECT_TRUE(matchesGolden("worked_example.dtable", written));
    EXPECT_EQ(written, workedLines() + '\0');
}

TEST_F(DTableFileTest, WorkedExampleLoadsBack)
{
    DTable loaded;
    ASSERT_EQ(loaded.load(testData("worked_example.dtable").c_str()), LoadStatus::Loaded);
    EXPECT_EQ(records(loaded), workedRecords);
    EXPECT_EQ(loaded.bucketCount(), 10000);
    EXPECT_EQ(loaded.sequenceLength(), 20);
    EXPECT_EQ(loaded.totalCount(), 4);
    EXPECT_EQ(loaded.distinctCount(), 3);
    EXPECT_EQ(loaded.serialize(), readBytes(testData("worked_example.dtable")));
}

TEST_F(DTableFileTest, EmptyTableRoundTrip)
{
    ASSERT_TRUE(DTable().write(path.c_str()));
    EXPECT_EQ(readBytes(path), "10000\r\n0\r\n0\r\n0\r\n\0"sv);
    EXPECT_EQ(loadPath(path), LoadStatus::Loaded);
    EXPECT_TRUE(table.entries().empty());
    EXPECT_EQ(table.distinctCount(), 0);

    // Header numbers are taken as written, never recounted.
    ASSERT_EQ(load("10000\r\n7\r\n0\r\n3\r\n\0"sv), LoadStatus::Loaded);
    EXPECT_TRUE(table.entries().empty());
    EXPECT_EQ(table.distinctCount(), 3);
    EXPECT_EQ(table.sequenceLength(), 7);
}

TEST_F(DTableFileTest, MissingFileLeavesTheTableAlone)
{
    const std::string missing = dir.file("absent.dtable");
    EXPECT_EQ(loadPath(missing), LoadStatus::CannotOpen);
    EXPECT_EQ(log, "Invalid read file name: " + missing + "\n");
    expectUnchanged();
}

TEST_F(DTableFileTest, DirectoryLeavesTheTableAlone)
{
    std::filesystem::create_directory(dir.file("folder"));
    EXPECT_EQ(loadPath(dir.file("folder")), LoadStatus::CannotOpen);
    EXPECT_EQ(log, "Invalid read file name: " + dir.file("folder") + "\n");
    expectUnchanged();
}

TEST_F(DTableFileTest, EmptyFileLeavesTheTableAlone)
{
    EXPECT_EQ(load(""), LoadStatus::NotATable);
    expectUnchanged();
}

TEST_F(DTableFileTest, FastaFileLeavesTheTableAlone)
{
    EXPECT_EQ(load(">gene1 from -1000 to -1, size 1000\r\nACGTACGT\r\n"), LoadStatus::NotATable);
    expectUnchanged();
    EXPECT_EQ(load("10000\r\n20\r\n4\r\n"), LoadStatus::NotATable);
    expectUnchanged();
}

TEST_F(DTableFileTest, BucketCountOutOfRangeLeavesTheTableAlone)
{
    for (const char* count : {"0", "-5", "16777217", "2147483648", "99999999999999999999999"}) {
        SCOPED_TRACE(count);
        LoadStatus status = load(count + workedLines().substr(5) + '\0');
        EXPECT_TRUE(status == LoadStatus::BadBucketCount || status == LoadStatus::NotATable);
        expectUnchanged();
    }
}

TEST_F(DTableFileTest, FileEndingAfterAWordLineAddsTheWordWithCountZero)
{
    ASSERT_EQ(load("10000\r\n6\r\n1\r\n1\r\n*****\r\nACGTAC\r\n"), LoadStatus::Loaded);
    EXPECT_EQ(records(table), (std::vector<Record> {{"ACGTAC", 0, 0, 0, 0}}));
    ASSERT_EQ(load("10000\r\n6\r\n1\r\n1\r\n*****\r\nACGTAC\r\n5\r\n1"), LoadStatus::Loaded);
    EXPECT_EQ(records(table), (std::vector<Record> {{"ACGTAC", 5, 1, 0, 0}}));
}

TEST_F(DTableFileTest, LfLineEndsLoadAsCrLf)
{
    ASSERT_EQ(load(workedLines("\n") + '\0'), LoadStatus::Loaded);
    EXPECT_EQ(records(table), workedRecords);
    EXPECT_EQ(table.distinctCount(), 3);
}

TEST_F(DTableFileTest, TrailingZeroByteIsOptional)
{
    ASSERT_EQ(load(workedLines()), LoadStatus::Loaded);
    EXPECT_EQ(records(table), workedRecords);
}

TEST_F(DTableFileTest, LastLineWithoutLineEndStillCounts)
{
    std::string text = workedLines();
    text.resize(text.size() - 2);
    ASSERT_EQ(load(text), LoadStatus::Loaded);
    EXPECT_EQ(records(table), workedRecords);
}

TEST_F(DTableFileTest, SeparatorTextIsNotExamined)
{
    std::string text = workedLines();
    for (std::size_t at; (at = text.find("*****")) != std::string::npos;)
        text.replace(at, 5, "#####");
    ASSERT_EQ(load(text + '\0'), LoadStatus::Loaded);
    EXPECT_EQ(records(table), workedRecords);
}

TEST_F(DTableFileTest, TrailingSpaceBelongsToTheWord)
{
    ASSERT_EQ(load("10000\r\n6\r\n2\r\n2\r\n*****\r\nACGTAC \r\n4\r\n-1\r\n-1\r\n-1\r\n\0"sv), LoadStatus::Loaded);
    EXPECT_EQ(table.countOf("ACGTAC "), 4);
    EXPECT_EQ(table.countOf("ACGTAC"), 0);
}

TEST_F(DTableFileTest, ScoreLinesKeepTheirWholeNumberPart)
{
    ASSERT_EQ(load("10000\r\n6\r\n1\r\n1\r\n*****\r\nACGTAC\r\n 12abc\r\n0.75\r\n-1\r\n2.5e-012\r\n\0"sv),
        LoadStatus::Loaded);
    EXPECT_EQ(records(table), (std::vector<Record> {{"ACGTAC", 12, 0, -1, 2}}));
}

TEST_F(DTableFileTest, WriteIntoAMissingFolderFails)
{
    const std::string target = dir.file("no/such/folder/t.dtable");
    const std::size_t mark = capture.text().size();
    EXPECT_FALSE(table.write(target.c_str()));
    EXPECT_EQ(capture.text().substr(mark), "Error opening DTable output file\n");
    EXPECT_TRUE(filesIn(dir.path()).empty());
}

TEST_F(DTableFileTest, WriteUnderARegularFileFails)
{
    writeBytes(path, "keep me");
    std::string cause;
    const std::size_t mark = capture.text().size();
    EXPECT_FALSE(table.write((path + "/t.dtable").c_str(), &cause));
    EXPECT_EQ(capture.text().substr(mark), "Error opening DTable output file\n");
    EXPECT_FALSE(cause.empty());
    EXPECT_EQ(readBytes(path), "keep me");
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string> {"table.dtable"});
}

TEST_F(DTableFileTest, WriteReplacesAnExistingFileWhole)
{
    writeBytes(path, std::string(5000, 'x'));
    ASSERT_TRUE(table.write(path.c_str()));
    EXPECT_EQ(readBytes(path), table.serialize());
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string> {"table.dtable"});
}

TEST_F(DTableFileTest, WriteThatFailsHalfWayLeavesTheOldFile)
{
    const std::string good = readBytes(testData("worked_example.dtable"));
    writeBytes(path, good);
    DTable bigger = workedExample(capture.diagnostics());
    for (int i = 0; i < 100; ++i)
        bigger.addWord(DString(("GATTACA" + std::to_string(i)).c_str()));
    // A file size limit makes the write fail part way, even for root.
    rlimit saved;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 1024;
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const std::size_t mark = capture.text().size();
    const bool written = bigger.write(path.c_str());
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(capture.text().substr(mark), "Error writing DTable output file\n");
    EXPECT_EQ(readBytes(path), good);
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string> {"table.dtable"});
}
