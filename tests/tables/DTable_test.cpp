#include "TestSupport.h"

#include "tables/DTable.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::pair<std::string, std::int64_t>> wordsAndCounts(const DTable& table)
{
    std::vector<std::pair<std::string, std::int64_t>> list;
    for (const WordEntry& entry : table.entries())
        list.emplace_back(entry.word.view(), entry.count);
    return list;
}

} // namespace

TEST(DTable, NewTableIsEmptyAndSaysCreatedOnce)
{
    CaptureDiagnostics log;
    DTable table(log.diagnostics());
    EXPECT_EQ(log.text(), "created");
    EXPECT_EQ(table.bucketCount(), 10000);
    EXPECT_TRUE(table.entries().empty());
    EXPECT_EQ(table.distinctCount(), 0);
    EXPECT_EQ(table.totalCount(), 0);
    EXPECT_EQ(table.sequenceLength(), 0);
    EXPECT_EQ(table.countOf("ACGTAC"), 0);

    DTable copy(table);
    EXPECT_EQ(log.text(), "createdcreated");
    copy = table;
    EXPECT_EQ(log.text(), "createdcreated");
}

TEST(DTable, AddingAWordTwiceCountsItTwice)
{
    DTable table;
    table.addWord("ACGTAC");
    table.addWord("ACGTAC");
    EXPECT_EQ(table.countOf("ACGTAC"), 2);
    EXPECT_EQ(table.totalCount(), 2);
    EXPECT_EQ(table.distinctCount(), 1);
    const std::vector<WordEntry> entries = table.entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].word.view(), "ACGTAC");
    EXPECT_EQ(entries[0].count, 2);
    EXPECT_EQ(entries[0].score1, -1.0);
    EXPECT_EQ(entries[0].score2, -1.0);
    EXPECT_EQ(entries[0].score3, -1.0);
}

TEST(DTable, EntriesFollowBucketsThenFirstSeenOrder)
{
    DTable table;
    EXPECT_EQ(table.bucketOf("ACGTAC"), 1475);
    EXPECT_EQ(table.bucketOf("GTAGGC"), 1475);
    EXPECT_EQ(table.bucketOf("TTTTTT"), 1764);
    EXPECT_EQ(table.bucketOf("AAAAAA"), 1365);
    for (const char* word : {"TTTTTT", "GTAGGC", "ACGTAC", "GTAGGC"})
        table.addWord(word);
    using List = std::vector<std::pair<std::string, std::int64_t>>;
    EXPECT_EQ(wordsAndCounts(table), (List {{"GTAGGC", 2}, {"ACGTAC", 1}, {"TTTTTT", 1}}));
    EXPECT_EQ(table.totalCount(), 4);
    EXPECT_EQ(table.distinctCount(), 3);
}

TEST(DTable, WordsAreComparedByteForByte)
{
    DTable table;
    table.addWord("ACGTAC");
    table.addWord("AAAAAA");
    EXPECT_NE(table.bucketOf("acgtac"), table.bucketOf("ACGTAC"));
    EXPECT_EQ(table.countOf("acgtac"), 0);
    EXPECT_EQ(table.countOf("AAAAAAA"), 0);
    EXPECT_EQ(table.countOf("AAAAA"), 0);
    table.addWord("acgtac");
    EXPECT_EQ(table.countOf("acgtac"), 1);
    EXPECT_EQ(table.countOf("ACGTAC"), 1);
    EXPECT_EQ(table.distinctCount(), 3);
}

TEST(DTable, InsertEntryKeepsCountersAndDuplicates)
{
    DTable table;
    table.insertEntry(WordEntry());
    table.insertEntry(WordEntry(DString(""), 5, 1, 1, 1));
    EXPECT_TRUE(table.entries().empty());

    table.insertEntry(WordEntry(DString("GATTACA"), 7, -1, -1, -1));
    table.insertEntry(WordEntry(DString("GATTACA"), 3, 2, 2, 2));
    EXPECT_EQ(table.countOf("GATTACA"), 7);
    const std::vector<WordEntry> entries = table.entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].count, 7);
    EXPECT_EQ(entries[1].count, 3);
    EXPECT_EQ(entries[1].score2, 2.0);
    EXPECT_EQ(table.totalCount(), 0);
    EXPECT_EQ(table.distinctCount(), 0);
}

TEST(DTable, HighBytesStillLandInsideTheTable)
{
    DTable table;
    const std::vector<std::string> words = {"\x80", "\xff", "\xff\xfe\xfd\xfc\xfb\xfa", "A\x80\x80\x80\x80\x80\x80\x80",
        std::string(3000, '\x80'), std::string(70000, '\xff')};
    for (const std::string& text : words) {
        DString word(text.c_str());
        std::int32_t b = table.bucketOf(word);
        EXPECT_GE(b, 0);
        EXPECT_LT(b, table.bucketCount());
        table.addWord(word);
    }
    for (const std::string& text : words)
        EXPECT_EQ(table.countOf(DString(text.c_str())), 1);
}

TEST(DTable, CopyOfATableOf5000BucketsFindsEveryWord)
{
    // In bucket order for 5000 buckets (220, 1475, 1764, 2449); of 10000 buckets the two long
    // words would come last, so writing the table back shows which bucket count it uses.
    const std::vector<std::string> words = {"ACGTACGTACGTACGTACGT", "ACGTAC", "TTTTTT", "GATTACAGATTACA"};
    std::string file = "5000\r\n50\r\n10\r\n4\r\n";
    for (std::size_t i = 0; i < words.size(); ++i)
        file += "*****\r\n" + words[i] + "\r\n" + std::to_string(i + 1) + "\r\n-1\r\n-1\r\n-1\r\n";
    file += '\0';
    TempDir dir;
    writeBytes(dir.file("t.dtable"), file);
    DTable source;
    ASSERT_EQ(source.load(dir.file("t.dtable").c_str()), LoadStatus::Loaded);

    DTable copy(source);
    DTable assigned;
    assigned = source;
    for (const DTable* table : {&source, &copy, &assigned}) {
        EXPECT_EQ(table->bucketCount(), 5000);
        EXPECT_EQ(table->serialize(), file);
        for (std::size_t i = 0; i < words.size(); ++i)
            EXPECT_EQ(table->countOf(DString(words[i].c_str())), static_cast<std::int64_t>(i + 1)) << words[i];
    }
}

TEST(WordEntry, OrderedByFirstScoreAlone)
{
    WordEntry low(DString("TTTTTT"), 1, 0, 0, 0);
    low.score1 = 0.5;
    WordEntry high(DString("AAAAAA"), 900, 0, 9, 9);
    high.score1 = 0.7;
    EXPECT_TRUE(low < high);
    EXPECT_FALSE(high < low);
    WordEntry tied = high;
    tied.score1 = 0.5;
    tied.word = "A";
    EXPECT_FALSE(tied < low);
    EXPECT_FALSE(low < tied);
}
