#include "TestSupport.h"

#include "tables/DTable.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <tuple>

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
    ASSERT_EQ(source.load(dir.file("t.dtable").c_str()).status, LoadStatus::Loaded);

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

namespace {

constexpr std::int64_t largest = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t smallest = std::numeric_limits<std::int64_t>::min();

/// The table as it was first kept: a list of records per bucket, each word looked for along
/// its bucket's list. The oracle for the one vector of records and for the merge.
namespace plain {

using Record = std::tuple<std::string, std::int64_t, double, double, double>;

std::size_t bucketFor(const std::string& word, std::int32_t buckets)
{
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < word.size(); ++i)
        sum += static_cast<std::uint32_t>(i + 1) * static_cast<std::uint32_t>(static_cast<int>(static_cast<signed char>(word[i])));
    const std::int32_t remainder = static_cast<std::int32_t>(sum) % buckets;
    return static_cast<std::size_t>(remainder < 0 ? remainder + buckets : remainder);
}

struct Table {
    explicit Table(std::int32_t count)
        : bucketCount(count)
        , buckets(static_cast<std::size_t>(count))
    {
    }

    void addWord(const std::string& word)
    {
        addCounted(bucketFor(word, bucketCount), std::numeric_limits<std::size_t>::max(), word, 1);
    }
    void addCounted(std::size_t b, std::size_t known, const std::string& word, std::int64_t count)
    {
        std::vector<Record>& list = buckets[b];
        bool matched = false;
        for (std::size_t i = 0; i < list.size() && i < known; ++i) {
            if (std::get<0>(list[i]) == word) {
                std::get<1>(list[i]) += count;
                words += count;
                matched = true;
            }
        }
        if (!matched) {
            list.emplace_back(word, count, -1, -1, -1);
            words += count;
            ++distinct;
        }
    }
    void insert(const Record& record)
    {
        if (!std::get<0>(record).empty())
            buckets[bucketFor(std::get<0>(record), bucketCount)].push_back(record);
    }
    std::int64_t countOf(const std::string& word) const
    {
        for (const Record& record : buckets[bucketFor(word, bucketCount)])
            if (std::get<0>(record) == word)
                return std::get<1>(record);
        return 0;
    }
    /// The merge as first written, quadratic in a bucket's records; false, with nothing
    /// changed, when the bucket counts differ or a sum leaves the 64-bit range.
    bool addTable(const Table& added)
    {
        if (added.bucketCount != bucketCount)
            return false;
        const Table other = added;
        Table sum = *this;
        if (__builtin_add_overflow(bases, other.bases, &sum.bases) || __builtin_add_overflow(words, other.words, &sum.words))
            return false;
        for (std::size_t b = 0; b < buckets.size(); ++b) {
            std::vector<Record>& list = sum.buckets[b];
            const std::size_t known = list.size();
            for (const Record& record : other.buckets[b]) {
                bool matched = false;
                for (std::size_t i = 0; i < known; ++i) {
                    if (std::get<0>(list[i]) == std::get<0>(record)) {
                        if (__builtin_add_overflow(std::get<1>(list[i]), std::get<1>(record), &std::get<1>(list[i])))
                            return false;
                        matched = true;
                    }
                }
                if (!matched) {
                    list.push_back(record);
                    if (__builtin_add_overflow(sum.distinct, 1, &sum.distinct))
                        return false;
                }
            }
        }
        *this = std::move(sum);
        return true;
    }
    /// Drops every record; the header numbers stay.
    void clear()
    {
        for (std::vector<Record>& list : buckets)
            list.clear();
    }
    std::vector<Record> listing() const
    {
        std::vector<Record> all;
        for (const std::vector<Record>& list : buckets)
            all.insert(all.end(), list.begin(), list.end());
        return all;
    }
    /// The table file, scores being whole numbers.
    std::string text() const
    {
        std::string out;
        for (std::int64_t number : {std::int64_t(bucketCount), bases, words, distinct})
            out += std::to_string(number) + "\r\n";
        for (const auto& [word, count, s1, s2, s3] : listing()) {
            out += "*****\r\n" + word + "\r\n" + std::to_string(count) + "\r\n";
            for (double score : {s1, s2, s3})
                out += std::to_string(static_cast<std::int64_t>(score)) + "\r\n";
        }
        return out + '\0';
    }

    std::int32_t bucketCount;
    std::int64_t bases = 0;
    std::int64_t words = 0;
    std::int64_t distinct = 0;
    std::vector<std::vector<Record>> buckets;
};

} // namespace plain

std::vector<plain::Record> listing(const std::vector<WordEntry>& entries)
{
    std::vector<plain::Record> list;
    for (const WordEntry& e : entries)
        list.emplace_back(e.word.view(), e.count, e.score1, e.score2, e.score3);
    return list;
}

/// A DTable that lets the tests count into it as an export does.
class CountedTable : public DTable {
public:
    using DTable::DTable;
    using DTable::addCounted;
    using DTable::bucketSizes;
    using DTable::reserveRecords;
};

/// Words that meet often: one to four letters of A, C and G, now and then a high byte.
std::string randomWord(std::mt19937& random)
{
    std::string word(1 + random() % 4, 'A');
    for (char& c : word)
        c = random() % 16 == 0 ? '\x9c' : "ACG"[random() % 3];
    return word;
}

/// A count, with `extremes` now and then one near the ends of the 64-bit range.
std::int64_t randomCount(std::mt19937& random, bool extremes)
{
    switch (extremes ? random() % 12 : 11) {
    case 0:
        return largest - static_cast<std::int64_t>(random() % 4);
    case 1:
        // A file's count of -2^63 loads as -(2^63 - 1).
        return smallest + 1 + static_cast<std::int64_t>(random() % 4);
    case 2:
        return (std::int64_t(1) << 62) * (random() % 2 ? 1 : -1);
    default:
        return static_cast<std::int64_t>(random() % 200) - 20;
    }
}

plain::Record randomRecord(std::mt19937& random, bool extremes)
{
    return {randomWord(random), randomCount(random, extremes), static_cast<double>(random() % 9) - 1,
        static_cast<double>(random() % 9) - 1, -1.0};
}

/// A table of `bucketCount` buckets and `size` records, some words twice, and the same table
/// as a DTable: loaded from its file (its records in listing order) or filled record by record
/// (chained as soon as one comes after a later bucket's).
std::pair<plain::Table, DTable> randomTables(
    std::mt19937& random, std::int32_t bucketCount, std::size_t size, bool extremes, const TempDir& dir)
{
    plain::Table model(bucketCount);
    for (std::int64_t* number : {&model.bases, &model.words, &model.distinct})
        *number = random() % 10 == 0 ? randomCount(random, extremes) : static_cast<std::int64_t>(random() % 1000);
    const bool loaded = random() % 2;
    const std::string path = dir.file("random.dtable");
    // Filled record by record, the table is loaded from its header alone first.
    writeBytes(path, model.text());
    std::vector<plain::Record> arrivals;
    for (std::size_t i = 0; i < size; ++i) {
        arrivals.push_back(randomRecord(random, extremes));
        model.insert(arrivals.back());
    }
    if (loaded)
        writeBytes(path, model.text());
    DTable table;
    EXPECT_EQ(table.load(path.c_str()).status, LoadStatus::Loaded);
    if (!loaded) {
        for (const auto& [word, count, s1, s2, s3] : arrivals)
            table.insertEntry(WordEntry(DString(word.c_str()), count, static_cast<std::int64_t>(s1),
                static_cast<std::int64_t>(s2), static_cast<std::int64_t>(s3)));
    }
    return {std::move(model), std::move(table)};
}

} // namespace

/// Merges of random tables against the merge as first written: one to 10000 buckets, words
/// held twice, counts near the ends of the 64-bit range, a table added to itself, tables
/// loaded or filled record by record. The result must be the same file byte for byte, and a
/// refused merge must leave the table as it was.
TEST(DTable, AddTableGivesWhatTheStraightforwardMergeGives)
{
    std::mt19937 random(77);
    TempDir dir;
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        static const std::int32_t bucketCounts[] = {1, 1, 2, 3, 7, 97, 10000};
        const std::int32_t buckets = bucketCounts[random() % std::size(bucketCounts)];
        const std::size_t size = round % 40 == 0 ? 2000 : random() % 40;
        auto [model, table] = randomTables(random, buckets, size, true, dir);
        auto [otherModel, other] = random() % 8 == 0
            ? std::pair {model, DTable(table)}
            : randomTables(random, random() % 10 == 0 ? 5 : buckets, random() % 40, true, dir);
        const bool self = random() % 6 == 0;
        const std::string before = table.serialize();

        const bool expected = self ? model.addTable(model) : model.addTable(otherModel);
        const AddOutcome outcome = self ? table.addTable(table) : table.addTable(other);
        ASSERT_EQ(outcome.ok(), expected) << outcome.message;
        EXPECT_EQ(outcome.message.empty(), expected);
        if (!expected) {
            EXPECT_EQ(table.serialize(), before);
            continue;
        }
        ASSERT_TRUE(sameTable(table.serialize(), model.text()));
        EXPECT_EQ(listing(table.entries()), model.listing());
        for (int probe = 0; probe < 20; ++probe) {
            const std::string word = randomWord(random);
            EXPECT_EQ(table.countOf(DString(word.c_str())), model.countOf(word)) << word;
        }
    }
}

/// Every operation on random tables against the bucket lists: counting words one at a time
/// and in batches as an export does, records put in whole, words looked up, records taken
/// out, tables added, whether the records lie in listing order or are chained.
TEST(DTable, OneVectorOfRecordsAnswersAsBucketListsDo)
{
    std::mt19937 random(31);
    TempDir dir;
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        static const std::int32_t bucketCounts[] = {1, 2, 7, 97, 10000};
        const std::int32_t buckets = bucketCounts[random() % std::size(bucketCounts)];
        auto [model, loaded] = randomTables(random, buckets, random() % 30, false, dir);
        CountedTable table;
        static_cast<DTable&>(table) = std::move(loaded);
        for (int step = 0; step < 30; ++step) {
            SCOPED_TRACE(step);
            switch (random() % 8) {
            case 0:
            case 1: {
                const std::string word = randomWord(random);
                model.addWord(word);
                table.addWord(DString(word.c_str()));
                break;
            }
            case 2: {
                const plain::Record record = randomRecord(random, false);
                model.insert(record);
                const auto& [word, count, s1, s2, s3] = record;
                table.insertEntry(WordEntry(DString(word.c_str()), count, static_cast<std::int64_t>(s1),
                    static_cast<std::int64_t>(s2), static_cast<std::int64_t>(s3)));
                break;
            }
            case 3: {
                // A batch as an export adds it, by bucket, each word matched only against the
                // records that were there before the batch; now and then a word comes twice.
                std::vector<std::pair<std::size_t, std::string>> batch;
                const bool twice = random() % 3 == 0;
                for (int i = static_cast<int>(random() % 12); i > 0; --i) {
                    const std::string word = randomWord(random);
                    if (twice || std::none_of(batch.begin(), batch.end(), [&](const auto& p) { return p.second == word; }))
                        batch.emplace_back(plain::bucketFor(word, buckets), word);
                }
                std::stable_sort(batch.begin(), batch.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
                const std::vector<std::size_t> known = table.bucketSizes();
                ASSERT_EQ(known.size(), model.buckets.size());
                for (std::size_t b = 0; b < known.size(); ++b)
                    ASSERT_EQ(known[b], model.buckets[b].size()) << b;
                for (const auto& [b, word] : batch)
                    table.reserveRecords(static_cast<std::int32_t>(b), 1);
                for (const auto& [b, word] : batch) {
                    const std::int64_t count = 1 + static_cast<std::int64_t>(random() % 5);
                    model.addCounted(b, known[b], word, count);
                    table.addCounted(static_cast<std::int32_t>(b), known[b], DString(word.c_str()), count);
                }
                break;
            }
            case 4:
            case 5:
                if (random() % 4 == 0) {
                    EXPECT_EQ(listing(table.takeEntries()), model.listing());
                    model.clear();
                }
                break;
            case 6: {
                auto [otherModel, other] = randomTables(random, buckets, random() % 10, false, dir);
                EXPECT_EQ(table.addTable(other).ok(), model.addTable(otherModel));
                break;
            }
            default:
                break;
            }
            const std::vector<plain::Record> expected = model.listing();
            ASSERT_EQ(listing(table.entries()), expected);
            ASSERT_EQ(table.recordCount(), expected.size());
            EXPECT_EQ(table.totalCount(), model.words);
            EXPECT_EQ(table.distinctCount(), model.distinct);
            for (int probe = 0; probe < 5; ++probe) {
                const std::string word = randomWord(random);
                EXPECT_EQ(table.countOf(DString(word.c_str())), model.countOf(word)) << word;
            }
        }
        EXPECT_TRUE(sameTable(table.serialize(), model.text()));
    }
}

namespace {

std::string recordText(const std::string& word, const std::string& count)
{
    return "*****\r\n" + word + "\r\n" + count + "\r\n-1\r\n-1\r\n-1\r\n";
}

DTable loadedTable(const TempDir& dir, const std::string& text)
{
    writeBytes(dir.file("t.dtable"), text);
    DTable table;
    EXPECT_EQ(table.load(dir.file("t.dtable").c_str()).status, LoadStatus::Loaded);
    return table;
}

} // namespace

TEST(DTable, AddTableRefusesSumsBeyond64BitsAndSaysWhich)
{
    TempDir dir;
    const std::string longWord(100, 'A');
    struct Case {
        std::string here, there;
        AddStatus status;
        std::string cause;
    };
    const std::vector<Case> cases = {
        {"10000\r\n0\r\n0\r\n1\r\n" + recordText("ACGTAC", "9223372036854775800"),
            "10000\r\n0\r\n0\r\n1\r\n" + recordText("ACGTAC", "8"), AddStatus::CountOverflow,
            "the count of ACGTAC would pass 9223372036854775807"},
        {"10000\r\n0\r\n0\r\n1\r\n" + recordText("ACGTAC", "-9223372036854775800"),
            "10000\r\n0\r\n0\r\n1\r\n" + recordText("ACGTAC", "-9"), AddStatus::CountOverflow,
            "the count of ACGTAC would fall below -9223372036854775808"},
        // Each of their two records of one word adds to it: the second passes the range.
        {"10000\r\n0\r\n0\r\n1\r\n" + recordText("ACGTAC", "1"),
            "10000\r\n0\r\n0\r\n2\r\n" + recordText("ACGTAC", "4611686018427387904") + recordText("ACGTAC", "4611686018427387904"),
            AddStatus::CountOverflow, "the count of ACGTAC would pass 9223372036854775807"},
        {"10000\r\n0\r\n0\r\n1\r\n" + recordText(longWord, "9223372036854775807"),
            "10000\r\n0\r\n0\r\n1\r\n" + recordText(longWord, "1"), AddStatus::CountOverflow,
            "the count of " + longWord.substr(0, 40) + "... (100 bytes) would pass 9223372036854775807"},
        {"10000\r\n9223372036854775807\r\n0\r\n0\r\n", "10000\r\n1\r\n0\r\n0\r\n", AddStatus::HeaderOverflow,
            "the number of bases counted would pass 9223372036854775807"},
        {"10000\r\n0\r\n-9223372036854775807\r\n0\r\n", "10000\r\n0\r\n-2\r\n0\r\n", AddStatus::HeaderOverflow,
            "the number of words counted would fall below -9223372036854775808"},
        {"10000\r\n0\r\n0\r\n9223372036854775807\r\n" + recordText("ACGTAC", "1"),
            "10000\r\n0\r\n0\r\n1\r\n" + recordText("TTTTTT", "1"), AddStatus::HeaderOverflow,
            "the number of distinct words would pass 9223372036854775807"},
        {"10000\r\n0\r\n0\r\n0\r\n", "5000\r\n0\r\n0\r\n0\r\n", AddStatus::OtherBucketCount,
            "it has 5000 buckets, the table it is added to 10000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cause);
        DTable here = loadedTable(dir, c.here + '\0');
        const DTable there = loadedTable(dir, c.there + '\0');
        const std::string before = here.serialize();
        const AddOutcome outcome = here.addTable(there);
        EXPECT_FALSE(outcome.ok());
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(outcome.message, c.cause);
        EXPECT_EQ(here.serialize(), before);
    }

    // Up to the ends of the range everything adds up.
    DTable here = loadedTable(dir, "10000\r\n9223372036854775806\r\n-9223372036854775807\r\n1\r\n"
            + recordText("ACGTAC", "9223372036854775800") + recordText("TTTTTT", "-9223372036854775800") + '\0');
    const DTable there = loadedTable(dir, "10000\r\n1\r\n-1\r\n1\r\n" + recordText("ACGTAC", "7") + recordText("TTTTTT", "-8") + '\0');
    const AddOutcome outcome = here.addTable(there);
    EXPECT_TRUE(outcome.ok());
    EXPECT_EQ(outcome.status, AddStatus::Added);
    EXPECT_EQ(here.serialize(), "10000\r\n9223372036854775807\r\n-9223372036854775808\r\n1\r\n"
            + recordText("ACGTAC", "9223372036854775807") + recordText("TTTTTT", "-9223372036854775808") + '\0');
}

/// A table asking for the most buckets a file may ask for, holding one word: every operation
/// works on it, and what it writes is what it read.
TEST(DTable, TableOfTheLargestBucketCountWorksAsAnyOther)
{
    TempDir dir;
    const std::string text = "16777216\r\n100\r\n1\r\n1\r\n" + recordText("ACGTAC", "1") + '\0';
    ASSERT_EQ(text.size(), 52u);
    DTable table = loadedTable(dir, text);
    EXPECT_EQ(table.bucketCount(), 16777216);
    EXPECT_EQ(table.serialize(), text);
    EXPECT_EQ(table.countOf("ACGTAC"), 1);
    EXPECT_EQ(table.countOf("TTTTTT"), 0);
    // TTTTTT falls in a later bucket than ACGTAC.
    ASSERT_GT(table.bucketOf("TTTTTT"), table.bucketOf("ACGTAC"));
    table.addWord("TTTTTT");
    table.addWord("ACGTAC");
    const DTable copy(table);
    ASSERT_TRUE(table.addTable(copy).ok());
    ASSERT_TRUE(table.addTable(table).ok());
    EXPECT_EQ(table.serialize(), "16777216\r\n400\r\n12\r\n2\r\n" + recordText("ACGTAC", "8") + recordText("TTTTTT", "4") + '\0');
    EXPECT_EQ(table.takeEntries().size(), 2u);
    EXPECT_EQ(table.recordCount(), 0u);
}
