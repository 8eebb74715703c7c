#include "TestSupport.h"

#include "tables/DTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <optional>
#include <random>
#include <sstream>
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
        LoadStatus status = table.load(from.c_str()).status;
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
    ASSERT_TRUE(table.write(path.c_str()).ok());
    const std::string written = readBytes(path);
    EXPECT_EQ(written.size(), 108u);
    EXPECT_TRUE(matchesGolden("worked_example.dtable", written));
    EXPECT_EQ(written, workedLines() + '\0');
}

TEST_F(DTableFileTest, WorkedExampleLoadsBack)
{
    DTable loaded;
    ASSERT_EQ(loaded.load(testData("worked_example.dtable").c_str()).status, LoadStatus::Loaded);
    EXPECT_EQ(records(loaded), workedRecords);
    EXPECT_EQ(loaded.bucketCount(), 10000);
    EXPECT_EQ(loaded.sequenceLength(), 20);
    EXPECT_EQ(loaded.totalCount(), 4);
    EXPECT_EQ(loaded.distinctCount(), 3);
    EXPECT_EQ(loaded.serialize(), readBytes(testData("worked_example.dtable")));
}

TEST_F(DTableFileTest, EmptyTableRoundTrip)
{
    ASSERT_TRUE(DTable().write(path.c_str()).ok());
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
    // Only a CR that an LF follows belongs to the line end.
    ASSERT_EQ(load("10000\r\n6\r\n1\r\n1\r\n*****\r\nACGTAC\r"), LoadStatus::Loaded);
    EXPECT_EQ(records(table), (std::vector<Record> {{"ACGTAC\r", 0, 0, 0, 0}}));
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
    EXPECT_FALSE(table.write(target.c_str()).ok());
    EXPECT_EQ(capture.text().substr(mark), "Error opening DTable output file\n");
    EXPECT_TRUE(filesIn(dir.path()).empty());
}

TEST_F(DTableFileTest, WriteUnderARegularFileFails)
{
    writeBytes(path, "keep me");
    const std::size_t mark = capture.text().size();
    const Outcome<WriteStatus> written = table.write((path + "/t.dtable").c_str());
    EXPECT_EQ(written.status, WriteStatus::CannotCreate);
    EXPECT_EQ(capture.text().substr(mark), "Error opening DTable output file\n");
    EXPECT_FALSE(written.message.empty());
    EXPECT_EQ(readBytes(path), "keep me");
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string> {"table.dtable"});
}

TEST_F(DTableFileTest, WriteReplacesAnExistingFileWhole)
{
    writeBytes(path, std::string(5000, 'x'));
    ASSERT_TRUE(table.write(path.c_str()).ok());
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
    const bool written = bigger.write(path.c_str()).ok();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(capture.text().substr(mark), "Error writing DTable output file\n");
    EXPECT_EQ(readBytes(path), good);
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string> {"table.dtable"});
}

namespace {

/// Table loading as the file format reads, kept apart from the loader: the header through a
/// formatted stream read, the records through std::getline, the counts and scores through
/// strtoll.
namespace plain {

struct Loaded {
    LoadStatus status = LoadStatus::Loaded;
    std::string cause;
    std::int64_t header[4] = {};
    std::vector<Record> records; ///< bucket by bucket, then in file order
    TableFileFacts facts;
};

/// Line of the byte at `at`: one more than the LF bytes before it.
std::uint64_t lineAt(const std::string& bytes, std::size_t at)
{
    return 1 + static_cast<std::uint64_t>(std::count(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
}

/// Where `in` reading `bytes` stands; at their end once it has met the end.
std::size_t position(std::istringstream& in, const std::string& bytes)
{
    return in.good() ? static_cast<std::size_t>(in.tellg()) : bytes.size();
}

/// Whether `line` holds a byte other than 0x00 and CR.
bool holdsText(const std::string& line)
{
    return line.find_first_not_of(std::string("\0\r", 2)) != std::string::npos;
}

std::int64_t lineNumber(const std::string& line)
{
    errno = 0;
    const long long value = std::strtoll(line.c_str(), nullptr, 10);
    // Saturated on either side at the largest magnitude.
    return value == std::numeric_limits<long long>::min() ? -std::numeric_limits<long long>::max() : value;
}

std::int64_t bucketFor(const std::string& word, std::int64_t buckets)
{
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < word.size(); ++i)
        sum += static_cast<std::uint32_t>(i + 1) * static_cast<std::uint32_t>(static_cast<int>(static_cast<signed char>(word[i])));
    const std::int64_t remainder = static_cast<std::int32_t>(sum) % buckets;
    return remainder < 0 ? remainder + buckets : remainder;
}

/// The lines of `bytes`, each without its LF and a CR before it.
std::vector<std::string> linesOf(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::istringstream in(bytes);
    for (std::string line; std::getline(in, line);)
        lines.push_back(!line.empty() && line.back() == '\r' ? line.substr(0, line.size() - 1) : line);
    return lines;
}

/// What a header number looked for from `at` meets: its line, or the end.
std::string unreadLine(const std::string& bytes, std::size_t at)
{
    const std::size_t found = bytes.find_first_not_of(" \t\n\v\f\r", at);
    if (found == std::string::npos)
        return "the file ends at line " + std::to_string(lineAt(bytes, bytes.size()));
    const std::uint64_t line = lineAt(bytes, found);
    return "line " + std::to_string(line) + ", '" + linesOf(bytes)[line - 1].substr(0, 40) + "', holds no whole decimal number";
}

/// Notes the first header line holding two numbers, or the fourth's line holding more than
/// it; `end` is where the fourth number ends.
void noteCrowdedHeader(const std::string& bytes, std::size_t end, TableFileFacts& facts)
{
    std::uint64_t line = 0;
    for (std::size_t i = 1; i < 4 && !line; ++i)
        if (facts.headerLines[i] == facts.headerLines[i - 1])
            line = facts.headerLines[i];
    if (!line) {
        const std::string rest = bytes.substr(end, bytes.find('\n', end) - end);
        if (rest.find_first_not_of(" \t\v\f\r") != std::string::npos)
            line = facts.headerLines[3];
    }
    if (line) {
        facts.malformedHeaderLine = line;
        facts.malformedHeader = linesOf(bytes)[line - 1].substr(0, 40);
    }
}

/// The number a count line holds when it is one whole decimal number of 64 bits.
std::optional<long long> wholeNumber(const std::string& line)
{
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(line.c_str(), &end, 10);
    const bool digits = end != line.c_str() && std::isdigit(static_cast<unsigned char>(end[-1]));
    const std::string after(static_cast<const char*>(end), line.data() + line.size());
    if (!digits || errno == ERANGE || after.find_first_not_of(" \t\n\v\f\r") != std::string::npos)
        return std::nullopt;
    return value;
}

Loaded load(const std::string& bytes, const std::vector<std::size_t>* keptLengths = nullptr)
{
    Loaded out;
    TableFileFacts& facts = out.facts;
    facts.bytes = bytes.size();
    std::istringstream in(bytes);
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t before = position(in, bytes);
        long long value = 0;
        if (!(in >> value)) {
            out.status = LoadStatus::NotATable;
            out.cause = "its four header numbers cannot be read: " + unreadLine(bytes, before);
            return out;
        }
        out.header[i] = facts.header[i] = value;
        facts.headerLines[i] = lineAt(bytes, position(in, bytes));
    }
    noteCrowdedHeader(bytes, position(in, bytes), facts);
    if (out.header[0] < 1 || out.header[0] > 16777216) {
        out.status = LoadStatus::BadBucketCount;
        out.cause = "its bucket count " + std::to_string(out.header[0]) + " is outside 1 to 16777216";
        return out;
    }
    if (in.get() == '\r' && in.peek() == '\n')
        in.get();
    std::uint64_t recordLine = lineAt(bytes, position(in, bytes));
    bool ended = false;
    std::uint64_t blankEnd = 0;
    std::vector<std::pair<std::int64_t, Record>> found;
    for (; in.peek() != std::char_traits<char>::eof(); recordLine += 6) {
        std::string lines[6];
        bool whole = true;
        for (std::string& line : lines) {
            if (!std::getline(in, line)) {
                line.clear();
                whole = false;
            } else if (in.eof()) {
                whole = false;
            } else if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
        }
        // The table ends at the record whose first byte is 0x00.
        ended = ended || (!lines[0].empty() && lines[0][0] == '\0');
        for (std::size_t i = 0; ended && !facts.trailingLine && i < 6; ++i)
            if (holdsText(lines[i]))
                facts.trailingLine = recordLine + i;
        if (!ended && !whole)
            (std::any_of(std::begin(lines), std::end(lines), holdsText)
                    ? facts.cutShortLine
                    : blankEnd)
                = recordLine;
        const std::string word(lines[1].c_str());
        if (word.empty())
            continue;
        ++facts.wordRecords;
        if (const std::optional<long long> count = wholeNumber(lines[2]); count && *count > 0) {
            facts.positiveCount = true;
            if (word.size() < 64) {
                std::uint64_t& sum = facts.countsByLength[word.size()];
                const auto added = static_cast<std::uint64_t>(*count);
                sum = sum > ~std::uint64_t(0) - added ? ~std::uint64_t(0) : sum + added;
            }
        }
        if (!facts.negativeCountLine && lineNumber(lines[2]) < 0) {
            facts.negativeCountLine = recordLine + 2;
            facts.negativeCount = lineNumber(lines[2]);
        }
        if (keptLengths && std::find(keptLengths->begin(), keptLengths->end(), word.size()) == keptLengths->end())
            continue;
        found.push_back({bucketFor(word, out.header[0]),
            Record {word, lineNumber(lines[2]), static_cast<double>(lineNumber(lines[3])),
                static_cast<double>(lineNumber(lines[4])), static_cast<double>(lineNumber(lines[5]))}});
    }
    if (!ended && !facts.cutShortLine)
        facts.missingEndLine = blankEnd ? blankEnd : recordLine;
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [bucket, record] : found)
        out.records.push_back(std::move(record));
    return out;
}

} // namespace plain

/// One of the many ways a count, a score or a header number can be written.
std::string randomNumberText(std::mt19937& random)
{
    static const char* const odd[] = {"9223372036854775807", "9223372036854775808", "-9223372036854775808",
        "-9223372036854775809", "123456789012345678901234567890", "-99999999999999999999999", "+7", "-", "+",
        "", "abc", "12abc", " \t 42", "\v5", "\f-6", "0.75", "2.5e-012", "- 3", "--4", "+-5", "007", "1 2",
        "-0", "\r9"};
    switch (random() % 4) {
    case 0:
        return odd[random() % std::size(odd)];
    case 1:
        return "-1";
    default:
        return std::to_string(static_cast<std::int64_t>(random() % 100000) - 50);
    }
}

std::string randomWordText(std::mt19937& random)
{
    static const char letters[] = "ACGTACGTACGTNacgtn \t*-1";
    std::string word(random() % 10, 'A');
    for (char& c : word)
        c = letters[random() % (random() % 8 == 0 ? sizeof letters - 1 : 10)];
    if (!word.empty() && random() % 20 == 0)
        word[random() % word.size()] = '\0';
    return word;
}

const char* randomLineEnd(std::mt19937& random)
{
    static const char* const ends[] = {"\r\n", "\r\n", "\n", "\r", "\n\r", "\r\r\n"};
    return ends[random() % std::size(ends)];
}

/// A table text as programs write it, or nearly: `records` records, the line ends of one
/// kind or of many, now and then a header, word or number written oddly.
std::string randomTableText(std::mt19937& random, int records)
{
    const bool mixed = random() % 3 == 0;
    const std::string lineEnd = randomLineEnd(random);
    auto end = [&] { return mixed ? std::string(randomLineEnd(random)) : lineEnd; };
    std::string text;
    for (int i = 0; i < 4; ++i) {
        if (random() % 10 == 0)
            text += randomNumberText(random);
        else if (i == 0)
            text += std::to_string(random() % 4 == 0 ? 1 + random() % 20 : 10000);
        else
            text += std::to_string(random() % 100000);
        text += random() % 8 == 0 ? std::string(1 + random() % 3, " \t\n\r\v\f"[random() % 6]) + end() : end();
    }
    for (int r = 0; r < records; ++r) {
        text += random() % 30 == 0 ? "#####" : "*****";
        text += end();
        text += random() % 6 == 0 ? randomWordText(random) : std::string("ACGTACGT").substr(0, 6 + random() % 3);
        text += end();
        for (int n = 0; n < 4; ++n)
            text += randomNumberText(random) + end();
    }
    if (random() % 2)
        text += '\0';
    return text;
}

/// `text` damaged in one of the ways files get damaged.
std::string mutate(std::mt19937& random, std::string text)
{
    switch (random() % 8) {
    case 0: // cut short
        text.resize(random() % (text.size() + 1));
        break;
    case 1: { // a line lost
        std::size_t at = text.find('\n', random() % (text.size() + 1));
        if (at != std::string::npos) {
            std::size_t next = text.find('\n', at + 1);
            text.erase(at, next == std::string::npos ? std::string::npos : next - at);
        }
        break;
    }
    case 2: // CR only
        std::replace(text.begin(), text.end(), '\n', '\r');
        break;
    case 3: // LF only
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        break;
    case 4: // zero bytes
        for (int i = 0; i < 3 && !text.empty(); ++i)
            text[random() % text.size()] = '\0';
        break;
    case 5: // stray bytes
        for (int i = 0; i < 3; ++i)
            text.insert(random() % (text.size() + 1), 1, "\r\n\0 9-"[random() % 6]);
        break;
    case 6: // another table after it
        text += randomTableText(random, static_cast<int>(random() % 3));
        break;
    default:
        break;
    }
    return text;
}

void expectSameFacts(const TableFileFacts& facts, const TableFileFacts& expected, const std::string& text)
{
    SCOPED_TRACE(testing::PrintToString(text.substr(0, 200)));
    EXPECT_EQ(facts.header, expected.header);
    EXPECT_EQ(facts.headerLines, expected.headerLines);
    EXPECT_EQ(facts.bytes, expected.bytes);
    EXPECT_EQ(facts.negativeCountLine, expected.negativeCountLine);
    EXPECT_EQ(facts.negativeCount, expected.negativeCount);
    EXPECT_EQ(facts.trailingLine, expected.trailingLine);
    EXPECT_EQ(facts.cutShortLine, expected.cutShortLine);
    EXPECT_EQ(facts.missingEndLine, expected.missingEndLine);
    EXPECT_EQ(facts.malformedHeaderLine, expected.malformedHeaderLine);
    EXPECT_EQ(facts.malformedHeader, expected.malformedHeader);
    EXPECT_EQ(facts.wordRecords, expected.wordRecords);
    EXPECT_EQ(facts.positiveCount, expected.positiveCount);
    EXPECT_EQ(facts.countsByLength, expected.countsByLength);
}

} // namespace

/// The loader against the plain reading above, on table texts made and damaged at random,
/// small and (to cross the loader's blocks) large, whole and keeping some word lengths: the
/// same records, and the same facts of what the file holds besides.
TEST_F(DTableFileTest, LoadsWhatThePlainReadingReads)
{
    std::mt19937 random(4242);
    const std::vector<std::size_t> keptLengths = {6, 8};
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(round);
        const int recordCount = round % 50 == 7 ? 40000 + static_cast<int>(random() % 20000) : static_cast<int>(random() % 30);
        std::string text = randomTableText(random, recordCount);
        if (round % 4 != 0)
            text = mutate(random, text);
        const bool keepSome = round % 3 == 0;
        const plain::Loaded expected = plain::load(text, keepSome ? &keptLengths : nullptr);

        table = workedExample(capture.diagnostics());
        writeBytes(path, text);
        const std::size_t mark = capture.text().size();
        TableFileFacts facts;
        const LoadStatus status = (keepSome ? table.load(path.c_str(), keptLengths) : table.load(path.c_str(), facts)).status;
        log = capture.text().substr(mark);
        ASSERT_EQ(status, expected.status) << testing::PrintToString(text.substr(0, 200));

        TableFileFacts probed;
        const LoadOutcome probe = probeTableFile(path.c_str(), probed);
        EXPECT_EQ(probe.status, expected.status);
        EXPECT_EQ(probe.message, expected.cause) << testing::PrintToString(text.substr(0, 200));
        TableFileFacts checked;
        DTable whole;
        EXPECT_EQ(whole.load(path.c_str(), checked).status, expected.status);
        if (status == LoadStatus::Loaded) {
            expectSameFacts(checked, expected.facts, text);
            if (!keepSome)
                expectSameFacts(facts, expected.facts, text);
        }
        if (status != LoadStatus::Loaded) {
            EXPECT_EQ(log, "Not a usable DTable file: " + path + " (" + expected.cause + ")\n");
            expectUnchanged();
            continue;
        }
        EXPECT_EQ(log, "");
        EXPECT_EQ(table.bucketCount(), expected.header[0]);
        EXPECT_EQ(table.sequenceLength(), expected.header[1]);
        EXPECT_EQ(table.totalCount(), expected.header[2]);
        EXPECT_EQ(table.distinctCount(), expected.header[3]);
        ASSERT_EQ(records(table), expected.records) << testing::PrintToString(text.substr(0, 200));
    }
}

TEST_F(DTableFileTest, LinesAndHeadersLongerThanABlockLoadWhole)
{
    // A word line of two million bytes, a header behind 1.5 million blanks, a record broken
    // by a single CR line end: each spans the loader's blocks.
    const std::string longWord(2000000, 'G');
    const std::string blanks(1500000, ' ');
    for (const std::string& text : {"10000\r\n6\r\n1\r\n1\r\n*****\r\n" + longWord + "\r\n3\r\n-1\r\n-1\r\n-1\r\n",
             blanks + "17\n" + blanks + "6\r\n1\r\n1\n*****\nACGTAC\n4\n1\n2\n3\n",
             "10000\r\n6\r\n1\r\n1\r\n" + std::string(1200000, '\r') + "\n*****\r\nACGTAC\r\n5\r\n-1\r\n-1\r\n-1\r\n"}) {
        const plain::Loaded expected = plain::load(text);
        ASSERT_EQ(load(text), LoadStatus::Loaded);
        EXPECT_EQ(table.bucketCount(), expected.header[0]);
        EXPECT_EQ(records(table), expected.records);
        TableFileFacts facts;
        EXPECT_EQ(probeTableFile(path.c_str(), facts).status, LoadStatus::Loaded);
    }
    table = workedExample(capture.diagnostics());
    EXPECT_EQ(load(blanks + "10000 5 5"), LoadStatus::NotATable);
    expectUnchanged();
}

TEST_F(DTableFileTest, BlockEndsFallAnywhereInTheHeaderAndTheRecords)
{
    // The header read past blanks ending near the first block of a probe (4 KiB) or of a
    // load (1 MiB), so that a block ends inside or just after each of its numbers.
    for (std::size_t blockEnd : {std::size_t(4096), std::size_t(1) << 20}) {
        for (std::size_t before = 0; before < 24; ++before) {
            SCOPED_TRACE(before);
            const std::string text = std::string(blockEnd - before, '\n') + "12345 678\t910\r\n1112\r\n*****\r\nACGTAC\r\n5\r\n-1\r\n-1\r\n-1\r\n";
            TableFileFacts facts;
            writeBytes(path, text);
            ASSERT_EQ(probeTableFile(path.c_str(), facts).status, LoadStatus::Loaded);
            ASSERT_EQ(loadPath(path), LoadStatus::Loaded);
            EXPECT_EQ(table.bucketCount(), 12345);
            EXPECT_EQ(table.sequenceLength(), 678);
            EXPECT_EQ(table.totalCount(), 910);
            EXPECT_EQ(table.distinctCount(), 1112);
            ASSERT_EQ(records(table), (std::vector<Record> {{"ACGTAC", 5, -1, -1, -1}}));
        }
    }
    // Records across the end of the first block, one byte further along each time: in one
    // bucket they list in file order, numbered by their counts.
    const int recordCount = 33000;
    for (std::size_t shift = 0; shift < 40; ++shift) {
        SCOPED_TRACE(shift);
        std::string text = "1\r\n6\r\n1\r\n1\r\n" + std::string(shift, ' ');
        for (int i = 0; i < recordCount; ++i)
            text += "*****\r\n" + std::string(i % 2 ? "ACGTAC" : "GTAGGCA") + "\r\n" + std::to_string(i) + "\r\n-1\r\n"
                + std::to_string(i % 7) + "\r\n-" + std::to_string(i % 5) + "\r\n";
        ASSERT_GT(text.size(), std::size_t(1) << 20);
        ASSERT_EQ(load(text), LoadStatus::Loaded);
        const std::vector<WordEntry> loaded = table.entries();
        ASSERT_EQ(loaded.size(), static_cast<std::size_t>(recordCount));
        for (int i = 0; i < recordCount; ++i) {
            const WordEntry& entry = loaded[static_cast<std::size_t>(i)];
            ASSERT_EQ(entry.word.view(), i % 2 ? "ACGTAC" : "GTAGGCA") << i;
            ASSERT_EQ(entry.count, i);
            ASSERT_EQ(entry.score2, i % 7);
            ASSERT_EQ(entry.score3, -(i % 5));
        }
    }
}

TEST_F(DTableFileTest, KeptLengthsLeaveOutOtherWordsButNotTheHeader)
{
    ASSERT_EQ(load("10000\r\n20\r\n9\r\n4\r\n*****\r\nACGTAC\r\n2\r\n-1\r\n-1\r\n-1\r\n*****\r\nACGTACG\r\n3\r\n-1\r\n-1\r\n-1\r\n"
                   "*****\r\nACGTACGT\r\n4\r\n-1\r\n-1\r\n-1\r\n*****\r\nTTTTTT\r\n1\r\n5\r\n6\r\n7\r\n\0"sv),
        LoadStatus::Loaded);
    const std::string text = readBytes(path);
    ASSERT_EQ(table.load(path.c_str(), {6}).status, LoadStatus::Loaded);
    EXPECT_EQ(records(table), (std::vector<Record> {{"ACGTAC", 2, -1, -1, -1}, {"TTTTTT", 1, 5, 6, 7}}));
    EXPECT_EQ(table.distinctCount(), 4);
    EXPECT_EQ(table.totalCount(), 9);
    ASSERT_EQ(table.load(path.c_str(), {7, 8}).status, LoadStatus::Loaded);
    EXPECT_EQ(records(table), (std::vector<Record> {{"ACGTACG", 3, -1, -1, -1}, {"ACGTACGT", 4, -1, -1, -1}}));
    ASSERT_EQ(table.load(path.c_str(), std::vector<std::size_t> {}).status, LoadStatus::Loaded);
    EXPECT_TRUE(records(table).empty());
    EXPECT_EQ(table.distinctCount(), 4);
}

namespace {

/// What loading a table file tells of it: its refusals, then its warnings.
std::vector<std::string> factsOf(const std::string& path)
{
    TableFileFacts loaded;
    DTable table;
    EXPECT_EQ(table.load(path.c_str(), loaded).status, LoadStatus::Loaded);
    std::vector<std::string> lines = loaded.refusals();
    for (const std::string& warning : loaded.warnings())
        lines.push_back("warning " + warning);
    return lines;
}

using Lines = std::vector<std::string>;

} // namespace

TEST_F(DTableFileTest, WrittenTablesHoldNothingToRefuseOrWarnOf)
{
    ASSERT_TRUE(table.write(path.c_str()).ok());
    EXPECT_EQ(factsOf(path), Lines {});
    TableFileFacts facts;
    ASSERT_EQ(table.load(path.c_str(), facts).status, LoadStatus::Loaded);
    EXPECT_EQ(facts.bytes, 108u);
    EXPECT_EQ(facts.headerLines, (std::array<std::uint64_t, 4> {1, 2, 3, 4}));
    EXPECT_EQ(records(table), workedRecords);

    ASSERT_TRUE(DTable().write(path.c_str()).ok());
    EXPECT_EQ(factsOf(path), Lines {});
    // Bytes after the end that are no records: padding, a line end.
    writeBytes(path, workedLines() + std::string("\0\0\r\n\0", 5));
    EXPECT_EQ(factsOf(path), Lines {});
}

TEST_F(DTableFileTest, NegativeHeaderNumbersAreRefusedByLine)
{
    writeBytes(path, "10000\r\n-20\r\n4\r\n3\r\n" + workedLines().substr(17) + '\0');
    EXPECT_EQ(factsOf(path), Lines {"line 2: the number of bases counted, -20, is below 0"});
    writeBytes(path, "10000\r\n20\r\n\r\n-4\r\n-3\r\n" + workedLines().substr(17) + '\0');
    EXPECT_EQ(factsOf(path), (Lines {"line 4: the number of words counted, -4, is below 0",
                                 "line 5: the number of distinct words, -3, is below 0"}));
    // What loads is as before.
    ASSERT_EQ(loadPath(path), LoadStatus::Loaded);
    EXPECT_EQ(records(table), workedRecords);
    EXPECT_EQ(table.distinctCount(), -3);
}

TEST_F(DTableFileTest, HeaderLinesHoldingMoreThanTheirNumberAreRefusedByLine)
{
    const std::string tail = workedLines().substr(17) + '\0';
    writeBytes(path, "10000 20\r\n4\r\n3\r\n" + tail);
    EXPECT_EQ(factsOf(path), Lines {"line 1: the header line '10000 20' is no whole decimal number"});
    // The lines after it are then read one off, with more to refuse.
    writeBytes(path, "10000\r\n20\r\n4\r\n3 ACGT\r\n" + tail);
    EXPECT_EQ(factsOf(path).front(), "line 4: the header line '3 ACGT' is no whole decimal number");
    // Blanks around a number and empty lines between them are the header's.
    writeBytes(path, "\r\n 10000\t\r\n\r\n+20\r\n4 \r\n3\r\n" + tail);
    EXPECT_EQ(factsOf(path), Lines {});
    // What loads is as before.
    writeBytes(path, "10000 20 4\r\n3\r\n" + tail);
    ASSERT_EQ(loadPath(path), LoadStatus::Loaded);
    EXPECT_EQ(records(table), workedRecords);
    EXPECT_EQ(table.totalCount(), 4);
    // A header that cannot be read at all says on which line.
    for (const char* header : {"10000\r\n1e3\r\n4\r\n3\r\n", "10000\r\n20\r\n\r\n0x10\r\n3\r\n"}) {
        writeBytes(path, header + tail);
        DTable untouched;
        const LoadOutcome outcome = untouched.load(path.c_str());
        EXPECT_EQ(outcome.status, LoadStatus::NotATable);
        EXPECT_EQ(outcome.message, std::string("its four header numbers cannot be read: line ")
                + (header[7] == '1' ? "2, '1e3'," : "4, '0x10',") + " holds no whole decimal number");
    }
}

TEST_F(DTableFileTest, HeaderNumbersTheRecordsContradictAreRefusedByLine)
{
    // The records count four 6-letter words in three records: two bases hold them, on two
    // strands, and one does not.
    const std::string tail = workedLines().substr(17) + '\0';
    writeBytes(path, "10000\r\n2\r\n4\r\n3\r\n" + tail);
    EXPECT_EQ(factsOf(path), Lines {});
    writeBytes(path, "10000\r\n1\r\n4\r\n3\r\n" + tail);
    EXPECT_EQ(factsOf(path), Lines {"line 2: the number of bases counted, 1, cannot hold the 4 words of length 6 the records count"});
    writeBytes(path, "10000\r\n0\r\n0\r\n0\r\n" + tail);
    EXPECT_EQ(factsOf(path), (Lines {"line 2: the number of bases counted, 0, cannot hold the 4 words of length 6 the records count",
                                 "line 3: the number of words counted is 0, yet the records count words",
                                 "line 4: the number of distinct words is 0, yet 3 records follow"}));
    // Counts beyond 64 bits added up, and a table with no record, which holds anything.
    writeBytes(path, "10000\r\n9223372036854775807\r\n1\r\n2\r\n*****\r\nACGTAC\r\n9223372036854775807\r\n-1\r\n-1\r\n-1\r\n"
                     "*****\r\nACGTAA\r\n9223372036854775807\r\n-1\r\n-1\r\n-1\r\n"s + '\0');
    EXPECT_EQ(factsOf(path), Lines {});
    writeBytes(path, "10000\r\n0\r\n0\r\n0\r\n"s + '\0');
    EXPECT_EQ(factsOf(path), Lines {});
}

TEST_F(DTableFileTest, NegativeCountsAreRefusedByLine)
{
    std::string text = workedLines() + '\0';
    text.replace(text.find("\r\n1\r\n"), 5, "\r\n-5\r\n");
    writeBytes(path, text);
    EXPECT_EQ(factsOf(path), Lines {"line 13: the count -5 is below 0"});
    // Minus zero is no count below 0; a record without a word is not read.
    writeBytes(path, "10000\n6\n0\n1\n*****\nACGTAC\n-0\n-1\n-1\n-1\n*****\n\n-7\n-1\n-1\n-1\n" + std::string(1, '\0'));
    EXPECT_EQ(factsOf(path), Lines {});
}

TEST_F(DTableFileTest, CountsThatAreNoWholeDecimalNumberAreRefusedByLine)
{
    for (const char* count : {"1e3", "12abc", "0x10", "5 6", "99999999999999999999", "+", ""}) {
        SCOPED_TRACE(count);
        std::string text = workedLines() + '\0';
        text.replace(text.find("\r\n1\r\n"), 5, std::string("\r\n") + count + "\r\n");
        writeBytes(path, text);
        EXPECT_EQ(factsOf(path), Lines {std::string("line 13: the count '") + count + "' is no whole decimal number"});
    }
    // Blanks around a number, and its sign, are the number's.
    std::string text = workedLines() + '\0';
    text.replace(text.find("\r\n1\r\n"), 5, "\r\n +1 \t\r\n");
    writeBytes(path, text);
    EXPECT_EQ(factsOf(path), Lines {});
}

TEST_F(DTableFileTest, BucketCountsBeyondTheFilesSizeAreRefused)
{
    const std::string record = "*****\r\nACGTAC\r\n1\r\n-1\r\n-1\r\n-1\r\n";
    writeBytes(path, "16777216\r\n100\r\n1\r\n1\r\n" + record + '\0');
    EXPECT_EQ(factsOf(path), Lines {"line 1: the bucket count 16777216 is above both 10000 and the file's 52 bytes"});
    // 10000 buckets whatever the size, and beyond that one bucket a byte.
    writeBytes(path, "10000\r\n0\r\n0\r\n0\r\n" + std::string(1, '\0'));
    EXPECT_EQ(factsOf(path), Lines {});
    std::string text = "20000\r\n333\r\n666\r\n1\r\n";
    while (text.size() < 20000 - record.size())
        text += record;
    text += std::string(20000 - text.size(), '\0');
    writeBytes(path, text);
    EXPECT_EQ(factsOf(path), Lines {});
    text.replace(0, 5, "20001");
    writeBytes(path, text);
    EXPECT_EQ(factsOf(path), Lines {"line 1: the bucket count 20001 is above both 10000 and the file's 20000 bytes"});
}

TEST_F(DTableFileTest, RecordsAfterTheEndAreRefusedByLine)
{
    // Two tables one after the other: the second one's lines load as records, one of them
    // counting -1.
    writeBytes(path, workedLines() + '\0' + workedLines() + '\0');
    EXPECT_EQ(factsOf(path),
        (Lines {"line 23: records follow the 0x00 byte that ends the table", "line 31: the count -1 is below 0"}));
    ASSERT_EQ(loadPath(path), LoadStatus::Loaded);
    EXPECT_EQ(records(table), plain::load(readBytes(path)).records);
    writeBytes(path, workedLines() + std::string("\0\r\n\r\n\0\r\n", 8) + "ACGTAC\r\n");
    EXPECT_EQ(factsOf(path), (Lines {"line 26: records follow the 0x00 byte that ends the table"}));
}

TEST_F(DTableFileTest, TablesCutShortWarnAndLoadAsFarAsTheyGo)
{
    const std::string whole = workedLines();
    writeBytes(path, whole.substr(0, whole.find("TTTTTT") + 3));
    EXPECT_EQ(factsOf(path), Lines {"warning line 17: the file ends inside a record, which is read as far as it goes"});
    ASSERT_EQ(loadPath(path), LoadStatus::Loaded);
    EXPECT_EQ(records(table), plain::load(readBytes(path)).records);
    EXPECT_EQ(table.countOf("TTT"), 0);
    EXPECT_EQ(table.recordCount(), 3u);
    writeBytes(path, whole.substr(0, whole.size() - 2));
    EXPECT_EQ(factsOf(path), Lines {"warning line 17: the file ends inside a record, which is read as far as it goes"});
}

TEST_F(DTableFileTest, TablesWithoutTheirEndWarn)
{
    writeBytes(path, workedLines());
    EXPECT_EQ(factsOf(path), Lines {"warning line 23: no 0x00 byte ends the table"});
    writeBytes(path, workedLines() + "\r\n\r\n");
    EXPECT_EQ(factsOf(path), Lines {"warning line 23: no 0x00 byte ends the table"});
    writeBytes(path, "10000\n0\n0\n0");
    EXPECT_EQ(factsOf(path), Lines {"warning line 4: no 0x00 byte ends the table"});
}
