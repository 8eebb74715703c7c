#include "TestSupport.h"

#include "export/Export.h"
#include "export/InputKind.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <malloc.h>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

namespace {

/// A FASTA text as its records: what comes before the first header line, then each record
/// from its header line up to the next one.
struct Records {
    std::string before;
    std::vector<std::string> records;
    std::string text() const
    {
        std::string all = before;
        for (const std::string& record : records)
            all += record;
        return all;
    }
};

/// Records with what real files hold: wrapped and unwrapped lines, lower case, runs of N,
/// other letters and bytes, LF, CR LF and lone CR line ends, empty and skipped lines,
/// records without sequence or shorter than a word, names after blanks; sometimes sequence
/// before the first header and no line end after the last line.
Records randomRecords(std::mt19937& random, std::size_t count, std::size_t longest)
{
    static const char* const ends[] = {"\n", "\r\n", "\r", "\n\n", "\r\n\r\n"};
    auto end = [&] { return ends[random() % 5]; };
    Records fasta;
    if (random() % 4 == 0)
        fasta.before = std::string("acgtNNACGTAC") + end();
    for (std::size_t r = 0; r < count; ++r) {
        std::string record = random() % 5 ? ">" : "> \t";
        record += "rec" + std::to_string(r) + (random() % 2 ? " some description" : "") + end();
        const std::size_t length = random() % 4 == 0 ? random() % 9 : random() % longest;
        const std::size_t width = random() % 3 == 0 ? length + 1 : 1 + random() % 70;
        std::string line;
        for (std::size_t i = 0; i < length; ++i) {
            const std::uint32_t roll = random() % 1000;
            if (roll < 3)
                line.append(1 + random() % 40, "Nn"[random() % 2]);
            else if (roll < 5)
                line += "RYxn-*\x80\xff"[random() % 8];
            else
                line += (roll < 600 ? "ACGT" : "acgt")[random() % 4];
            if (line.size() >= width || i + 1 == length) {
                record += line + end();
                line.clear();
            }
        }
        if (random() % 6 == 0)
            record += std::string("; a comment") + end();
        fasta.records.push_back(record);
    }
    if (!fasta.records.empty() && random() % 3 == 0) {
        std::string& last = fasta.records.back();
        while (!last.empty() && (last.back() == '\n' || last.back() == '\r'))
            last.pop_back();
    }
    return fasta;
}

/// A record of `length` bases in lines of 60, mostly A, C, G, T in either case with rare runs
/// of N, under the header line `header`.
std::string longRecord(std::mt19937& random, const std::string& header, std::size_t length)
{
    std::string record = header + "\n";
    std::size_t inLine = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (random() % 20000 == 0) {
            const std::size_t run = std::min<std::size_t>(1 + random() % 50, length - i);
            record.append(run, 'N');
            i += run - 1;
            inLine += run;
        } else {
            const char* letters = (i >> 16) % 3 ? "ACGT" : "acgt";
            const std::size_t pick = random() % 4;
            record += letters[pick];
            ++inLine;
        }
        if (inLine >= 60 || i + 1 == length) {
            record += '\n';
            inLine = 0;
        }
    }
    return record;
}

/// Plain, one gzip member, or two members split anywhere, by `form` 0, 1 or 2.
std::string stored(const std::string& text, int form, std::mt19937& random)
{
    if (form == 0)
        return text;
    if (form == 1)
        return gzipBytes(text);
    const std::size_t split = random() % (text.size() + 1);
    return gzipBytes(text.substr(0, split)) + gzipBytes(text.substr(split));
}

/// What exporting a file holding `text` alone gives: the table file's bytes and the name in
/// its "Read Gene 0" line.
struct Exported {
    std::string table;
    std::string name;
};

Exported exportAlone(const TempDir& dir, const std::string& text)
{
    writeBytes(dir.file("alone.fa"), text);
    RecordingFeedback feedback;
    const ExportResult result = exportFastaToDTable(dir.file("alone.fa").c_str(), dir.file("alone.dtable").c_str(), feedback);
    EXPECT_TRUE(result.ok()) << result.message;
    EXPECT_EQ(result.genes, 1);
    const std::string lines = feedback.text();
    const std::string marker = "Read Gene 0: ";
    const std::size_t at = lines.find(marker);
    EXPECT_NE(at, std::string::npos);
    Exported exported;
    exported.table = readBytes(dir.file("alone.dtable"));
    if (at != std::string::npos)
        exported.name = lines.substr(at + marker.size(), lines.find('\n', at) - at - marker.size());
    return exported;
}

/// Checks countFastaRecords(path, maxRecords) against the export of each record alone.
void expectRecordsAsExportedAlone(const TempDir& dir, const std::string& path, const Records& fasta, std::size_t maxRecords)
{
    RunFeedback quiet;
    const CountedRecords counted = countFastaRecords(path.c_str(), maxRecords, quiet);
    ASSERT_TRUE(counted.ok()) << counted.message;
    EXPECT_EQ(counted.genes, static_cast<std::int64_t>(fasta.records.size()));
    const std::size_t kept = std::min(maxRecords, fasta.records.size());
    ASSERT_EQ(counted.tables.size(), kept);
    ASSERT_EQ(counted.names.size(), kept);
    for (std::size_t r = 0; r < kept; ++r) {
        SCOPED_TRACE("record " + std::to_string(r));
        const Exported alone = exportAlone(dir, fasta.records[r]);
        EXPECT_TRUE(sameTable(counted.tables[r].serialize(), alone.table));
        EXPECT_EQ(counted.names[r], alone.name);
    }
}

} // namespace

TEST(CountFasta, GivesTheTableLinesAndProgressOfTheExport)
{
    std::mt19937 random(2718);
    TempDir dir;
    for (int round = 0; round < 24; ++round) {
        SCOPED_TRACE(round);
        const std::string text = randomRecords(random, 1 + random() % 12, 1500).text();
        writeBytes(dir.file("in.fa"), stored(text, round % 3, random));
        const unsigned threads = 1 + static_cast<unsigned>(random() % 3);

        RecordingFeedback exporting;
        const ExportResult exported = exportFastaToDTable(dir.file("in.fa").c_str(), dir.file("out.dtable").c_str(), exporting, threads);
        ASSERT_TRUE(exported.ok()) << exported.message;
        RecordingFeedback counting;
        const CountedFasta counted = countFasta(dir.file("in.fa").c_str(), counting, threads);
        ASSERT_TRUE(counted.ok()) << counted.message;

        EXPECT_TRUE(sameTable(counted.table.serialize(), readBytes(dir.file("out.dtable"))));
        EXPECT_EQ(counted.genes, exported.genes);
        EXPECT_EQ(counted.bases, exported.bases);
        EXPECT_EQ(counting.text(), exporting.text());
        EXPECT_EQ(counting.events, exporting.events);
    }
}

TEST(CountFasta, TableSpanningManyUnitsIsTheExportsForAnyThreadCount)
{
    std::mt19937 random(99);
    std::string text = randomRecords(random, 3, 100).text() + "\n";
    for (int r = 0; r < 2; ++r)
        text += longRecord(random, ">long" + std::to_string(r), 5000000) + randomRecords(random, 2, 100).text() + "\n";
    TempDir dir;
    writeBytes(dir.file("big.fa.gz"), gzipBytes(text));
    RunFeedback quiet;
    ASSERT_TRUE(exportFastaToDTable(dir.file("big.fa.gz").c_str(), dir.file("big.dtable").c_str(), quiet, 1).ok());
    const std::string expected = readBytes(dir.file("big.dtable"));
    for (unsigned threads : {1u, 3u}) {
        SCOPED_TRACE(threads);
        const CountedFasta counted = countFasta(dir.file("big.fa.gz").c_str(), quiet, threads);
        ASSERT_TRUE(counted.ok()) << counted.message;
        EXPECT_TRUE(sameTable(counted.table.serialize(), expected));
    }
}

TEST(CountFastaRecords, EachTableIsTheExportOfItsRecordAlone)
{
    std::mt19937 random(1618);
    TempDir dir;
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE(round);
        const Records fasta = randomRecords(random, 1 + random() % 10, 900);
        writeBytes(dir.file("family.fa"), stored(fasta.text(), round % 3, random));
        // Fewer records than there are, all of them, more, and none.
        const std::size_t total = fasta.records.size();
        const std::size_t maxRecords = round % 4 == 0 ? total
            : round % 4 == 1                          ? total + 1 + random() % 40
            : round % 4 == 2                          ? random() % (total + 1)
                                                      : 0;
        expectRecordsAsExportedAlone(dir, dir.file("family.fa"), fasta, maxRecords);
    }
}

TEST(CountFastaRecords, RecordsLongerThanACountingUnitAndManyRecordsAfter)
{
    // A record of several counting units between short ones, and a long tail of records
    // read only to be counted as records.
    std::mt19937 random(7);
    Records fasta = randomRecords(random, 3, 50);
    fasta.records.insert(fasta.records.begin() + 1, longRecord(random, "> big one", 9000000));
    for (std::string& record : fasta.records)
        record += "\n";
    for (int r = 0; r < 3000; ++r)
        fasta.records.push_back(">tail" + std::to_string(r) + "\nACGTTGCAAC\n");
    TempDir dir;
    writeBytes(dir.file("long.fa.gz"), gzipBytes(fasta.text()));
    expectRecordsAsExportedAlone(dir, dir.file("long.fa.gz"), fasta, 3);

    RunFeedback quiet;
    const CountedRecords counted = countFastaRecords(dir.file("long.fa.gz").c_str(), 2, quiet);
    const CountedFasta whole = countFasta(dir.file("long.fa.gz").c_str(), quiet);
    EXPECT_EQ(counted.genes, 3004);
    EXPECT_EQ(counted.bases, whole.bases);
}

TEST(CountFastaRecords, SaysLittle)
{
    TempDir dir;
    writeBytes(dir.file("three.fa"), "ACGTACGTAAAA\n>one\nACGTACGTAA\n>two\n>three\nTTTTTTTT\n");
    RecordingFeedback feedback;
    const CountedRecords counted = countFastaRecords(dir.file("three.fa").c_str(), 2, feedback);
    ASSERT_TRUE(counted.ok()) << counted.message;
    EXPECT_EQ(feedback.text(), "Gene tables: 2 of the 3 genes of " + dir.file("three.fa") + "\n");
    ASSERT_FALSE(feedback.events.empty());
    EXPECT_EQ(feedback.events.front(), "start");
    EXPECT_EQ(feedback.events[feedback.events.size() - 2], "1000/1000");
    EXPECT_EQ(feedback.events.back(), "end");
    EXPECT_EQ(counted.names, (std::vector<std::string> {"one", "two"}));
    ASSERT_EQ(counted.tables.size(), 2u);
    EXPECT_EQ(counted.tables[0].sequenceLength(), 10);
    EXPECT_EQ(counted.tables[1].sequenceLength(), 0);
    EXPECT_EQ(counted.tables[1].recordCount(), 0u);
}

namespace {

/// Both counting calls fail on `path` as the export does: the same status and message, and
/// countFasta with the same lines.
void expectFailureOfTheExport(const std::string& path, ExportStatus status)
{
    TempDir dir;
    RecordingFeedback exporting;
    const ExportResult exported = exportFastaToDTable(path.c_str(), dir.file("out.dtable").c_str(), exporting);
    EXPECT_EQ(exported.status, status);
    EXPECT_FALSE(fileExists(dir.file("out.dtable")));

    RecordingFeedback counting;
    const CountedFasta counted = countFasta(path.c_str(), counting);
    EXPECT_EQ(counted.status, status);
    EXPECT_EQ(counted.message, exported.message);
    EXPECT_EQ(counted.table.recordCount(), 0u);
    EXPECT_EQ(counting.text(), exporting.text());
    EXPECT_EQ(counting.events.back(), "end");

    RunFeedback quiet;
    const CountedRecords records = countFastaRecords(path.c_str(), 32, quiet);
    EXPECT_EQ(records.status, status);
    EXPECT_EQ(records.message, exported.message);
    EXPECT_TRUE(records.tables.empty());
    EXPECT_TRUE(records.names.empty());
}

} // namespace

TEST(CountingFailures, MissingFile)
{
    TempDir dir;
    expectFailureOfTheExport(dir.file("absent.fa"), ExportStatus::SourceUnreadable);
    expectFailureOfTheExport(dir.path().string(), ExportStatus::SourceUnreadable);
}

TEST(CountingFailures, EmptyFile)
{
    TempDir dir;
    writeBytes(dir.file("empty.fa"), "");
    expectFailureOfTheExport(dir.file("empty.fa"), ExportStatus::SourceEmpty);
    writeBytes(dir.file("empty.fa.gz"), gzipBytes(""));
    expectFailureOfTheExport(dir.file("empty.fa.gz"), ExportStatus::SourceEmpty);
}

TEST(CountingFailures, ZeroByte)
{
    TempDir dir;
    writeBytes(dir.file("zero.fa"), std::string(">a\nACGTACGT\n>b\nAC\0GT\n", 21));
    expectFailureOfTheExport(dir.file("zero.fa"), ExportStatus::SourceNotText);
}

TEST(CountingFailures, NoHeaderLine)
{
    TempDir dir;
    writeBytes(dir.file("bare.fa"), "ACGTACGTACGT\nACGTTT\n");
    expectFailureOfTheExport(dir.file("bare.fa"), ExportStatus::SourceNotFasta);
}

TEST(CountingFailures, TruncatedGzip)
{
    TempDir dir;
    const std::string whole = gzipBytes(">a\nACGTACGTACGTTTGA\n>b\nACGTAC\n");
    writeBytes(dir.file("cut.fa.gz"), whole.substr(0, whole.size() - 6));
    expectFailureOfTheExport(dir.file("cut.fa.gz"), ExportStatus::SourceUnreadable);
}

TEST(CountingFailures, BytesAfterTheGzipData)
{
    TempDir dir;
    const std::string path = dir.file("padded.fa.gz");
    writeBytes(path, gzipBytes(">a\nACGTACGTACGTTTGA\n") + std::string(4, '\0'));
    expectFailureOfTheExport(path, ExportStatus::SourceUnreadable);
    RecordingFeedback feedback;
    const ExportResult result = exportFastaToDTable(path.c_str(), dir.file("out.dtable").c_str(), feedback);
    EXPECT_EQ(result.message, "cannot read '" + path + "': bytes after the end of the gzip data");
    EXPECT_EQ(feedback.text(), "createdError: Unable to read " + path + ": bytes after the end of the gzip data\n");
}

TEST(CountingFailures, NoFileName)
{
    RunFeedback quiet;
    EXPECT_EQ(countFasta(nullptr, quiet).status, ExportStatus::MissingPath);
    EXPECT_EQ(countFastaRecords(nullptr, 4, quiet).status, ExportStatus::MissingPath);
}

namespace {

/// The kind inputKindOf tells, with its message in `cause` when it tells none.
InputKind kindOf(const char* path, std::string& cause)
{
    const InputKindResult told = inputKindOf(path);
    EXPECT_EQ(told.ok(), told.kind != InputKind::Unknown);
    if (!told.ok())
        cause = told.message;
    return told.kind;
}

} // namespace

TEST(InputKind, TablesByTheirFourHeaderNumbersAndARecordOrTheEnd)
{
    TempDir dir;
    std::string cause = "untouched";
    EXPECT_EQ(kindOf(testData("sample.dtable").c_str(), cause), InputKind::DTable);
    writeBytes(dir.file("blank.dtable"), " \r\n\t\n10000\r\n5\r\n0\r\n0\r\n");
    EXPECT_EQ(kindOf(dir.file("blank.dtable").c_str(), cause), InputKind::DTable);
    // A sign with its digits is a number too: the loader then tells what is wrong with it.
    writeBytes(dir.file("negative.dtable"), "-3\r\n0\r\n0\r\n0\r\n");
    EXPECT_EQ(kindOf(dir.file("negative.dtable").c_str(), cause), InputKind::DTable);
    writeBytes(dir.file("unix.dtable"), "10000\n2\n1\n1\n*****\nAAAAAA\n1\n-1\n-1\n-1\n");
    EXPECT_EQ(kindOf(dir.file("unix.dtable").c_str(), cause), InputKind::DTable);
    writeBytes(dir.file("cut.dtable"), "10000\r\n2\r\n1\r\n1\r\n***");
    EXPECT_EQ(kindOf(dir.file("cut.dtable").c_str(), cause), InputKind::DTable);
    EXPECT_EQ(cause, "untouched");
}

TEST(InputKind, FastaPlainAndGzip)
{
    TempDir dir;
    // Any text but a table's start is FASTA, as the export reads it: comment lines, or lines of
    // digits that make no table's header, before the first header line too.
    const std::string texts[] = {">gene\nACGT\n", "ACGTACGT\n>late\n", "acgt\n", "Nnnn\n", "tttt\n", "\n\r\n \t\n>after blanks\nAC\n",
        std::string(10000, '\n') + ">after many blank lines\nAC\n", "\xEF\xBB\xBF>after a byte order mark\nAC\n",
        "hello\n>gene\n", ";comment\n>gene\nACGT\n", "# made by hand\n>gene\nACGT\n", "12abc\n>gene\nACGT\n",
        "1\n2\n3\n>three numbers\nACGT\n", "10000\n0\n0\n0\nACGT\n", "1e3\n0\n0\n0\n*****\n", "0x10\n0\n0\n0\n",
        "5 6\n0\n0\n0\n", "+\n1\n", "\xEF\xBB>gene\nACGT\n", std::string(100000, '7') + "\n>a long first line\n"};
    std::string cause = "untouched";
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.substr(0, 20));
        writeBytes(dir.file("plain.fa"), text);
        EXPECT_EQ(kindOf(dir.file("plain.fa").c_str(), cause), InputKind::Fasta);
        writeBytes(dir.file("packed.fa.gz"), gzipBytes(text));
        EXPECT_EQ(kindOf(dir.file("packed.fa.gz").c_str(), cause), InputKind::Fasta);
    }
    // A gzip header longer than the first read: its name alone is 100 KB.
    writeBytes(dir.file("named.fa.gz"), gzipBytes(">gene\nACGT\n", std::string(100000, 'n')));
    EXPECT_EQ(kindOf(dir.file("named.fa.gz").c_str(), cause), InputKind::Fasta);
    EXPECT_EQ(cause, "untouched");
}

TEST(InputKind, NeitherWithItsCause)
{
    TempDir dir;
    const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    const std::string gzipped = gzipBytes(">gene\nACGTACGTACGTACGTACGT\n");
    std::string corrupt = gzipped;
    corrupt[12] = static_cast<char>(corrupt[12] ^ 0xff);
    const struct {
        const char* name;
        std::string bytes;
        std::string cause; ///< after the path in quotes
    } cases[] = {
        {"empty", "", " is empty"},
        {"empty.gz", gzipBytes(""), " is empty"},
        {"blank", " \n\r\n\t", " is neither a DTable nor a FASTA file"},
        {"binary", png, " is neither a DTable nor a FASTA file"},
        {"zero", std::string("\0>gene\nACGT\n", 12), " is neither a DTable nor a FASTA file"},
        {"marked table", "\xEF\xBB\xBF" "10000\r\n0\r\n0\r\n0\r\n", " is neither a DTable nor a FASTA file"},
        {"a mark alone", "\xEF\xBB\xBF", " is empty"},
        {"table.gz", gzipBytes("10000\r\n0\r\n0\r\n0\r\n"), " holds a gzip-compressed DTable file; DTable files are read uncompressed"},
        {"truncated.gz", gzipped.substr(0, 10), ": the gzip stream is truncated"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(dir.file(c.name), c.bytes);
        std::string cause;
        EXPECT_EQ(kindOf(dir.file(c.name).c_str(), cause), InputKind::Unknown);
        std::string expected = c.cause[0] == ':' ? "cannot read '" : "'";
        expected += dir.file(c.name);
        expected += "'";
        expected += c.cause;
        EXPECT_EQ(cause, expected);
    }
    writeBytes(dir.file("corrupt.gz"), corrupt);
    std::string cause;
    EXPECT_EQ(kindOf(dir.file("corrupt.gz").c_str(), cause), InputKind::Unknown);
    EXPECT_EQ(cause.rfind("cannot read '" + dir.file("corrupt.gz") + "': corrupt gzip data", 0), 0u) << cause;
}

TEST(InputKind, UnreadablePaths)
{
    TempDir dir;
    std::string cause;
    EXPECT_EQ(kindOf(dir.file("absent").c_str(), cause), InputKind::Unknown);
    EXPECT_EQ(cause, "cannot read '" + dir.file("absent") + "': No such file or directory");
    EXPECT_EQ(kindOf(dir.path().c_str(), cause), InputKind::Unknown);
    EXPECT_EQ(cause, "cannot read '" + dir.path().string() + "': Is a directory");
    EXPECT_EQ(kindOf(nullptr, cause), InputKind::Unknown);
}

TEST(InputKind, StreamsAreLeftToTheirReader)
{
    std::string cause;
    EXPECT_EQ(kindOf("-", cause), InputKind::Fasta);

    // A FIFO without a writer: opening it to read would wait for one.
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_EQ(kindOf(dir.file("fifo").c_str(), cause), InputKind::Fasta);

    // A pipe holding a table's first bytes keeps them all for its reader.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const std::string held = "10000\r\n";
    ASSERT_EQ(::write(ends[1], held.data(), held.size()), static_cast<ssize_t>(held.size()));
    ::close(ends[1]);
    EXPECT_EQ(kindOf(("/dev/fd/" + std::to_string(ends[0])).c_str(), cause), InputKind::Fasta);
    char back[16];
    EXPECT_EQ(::read(ends[0], back, sizeof back), static_cast<ssize_t>(held.size()));
    ::close(ends[0]);
}

TEST(ExportInput, ByteOrderMarkReadsAsIfItWereNotThere)
{
    const std::string text = ">first gene\r\nACGTNNACGTACGTTTGCA\r\n>second\nacgtnRYACGTAC\n";
    TempDir dir;
    for (bool gzip : {false, true}) {
        SCOPED_TRACE(gzip ? "gzip" : "plain");
        auto exported = [&](const std::string& bytes, const char* name, RecordingFeedback& feedback) {
            writeBytes(dir.file(name), gzip ? gzipBytes(bytes) : bytes);
            const ExportResult result = exportFastaToDTable(dir.file(name).c_str(), dir.file("out.dtable").c_str(), feedback);
            EXPECT_TRUE(result.ok()) << result.message;
            return readBytes(dir.file("out.dtable"));
        };
        RecordingFeedback plain, marked;
        const std::string expected = exported(text, "plain.fa", plain);
        EXPECT_EQ(exported("\xEF\xBB\xBF" + text, "marked.fa", marked), expected);
        EXPECT_EQ(marked.text(), plain.text());
    }
    // Only at the very start, and only whole: otherwise its bytes start a line of their own.
    writeBytes(dir.file("late.fa"), "\n\xEF\xBB\xBF>gene\nACGTACGT\n");
    EXPECT_EQ(exportQuietly(dir.file("late.fa").c_str(), dir.file("out.dtable").c_str()).status, ExportStatus::SourceNotFasta);
    writeBytes(dir.file("half.fa"), "\xEF\xBB>gene\nACGTACGT\n");
    EXPECT_EQ(exportQuietly(dir.file("half.fa").c_str(), dir.file("out.dtable").c_str()).status, ExportStatus::SourceNotFasta);
}

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool addressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool addressSanitizer = true;
#else
constexpr bool addressSanitizer = false;
#endif
#else
constexpr bool addressSanitizer = false;
#endif

/// A number of kB from a line of /proc/self/status, in bytes; 0 where unknown.
std::size_t statusBytes(const std::string& key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key + ":", 0) == 0)
            return std::stoull(line.substr(key.size() + 1)) * 1024;
    return 0;
}

/// Sets the peak memory back to the memory in use now; false where the system does not let it.
bool resetPeakMemory()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.close();
    return clear.good() && statusBytes("VmHWM") != 0;
}

/// A FASTA file of one line of `size` random bytes (no zero byte, CR or LF): every word in it
/// is new, so its table is some 180 bytes a byte.
std::string randomBytesRecord(std::size_t size)
{
    std::mt19937 random(size);
    std::string text = ">bytes\nA";
    while (text.size() < size) {
        const char c = static_cast<char>(random());
        if (c != '\0' && c != '\n' && c != '\r')
            text += c;
    }
    return text + "\n";
}

/// Runs `body` in a child process: its exit status, or -1 when it ended otherwise.
int inChild(const std::function<int()>& body)
{
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body());
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

/// Follows the number of threads of the process as an export reports its progress.
class ThreadCounting : public RunFeedback {
public:
    void progressed(std::int64_t, std::int64_t) override
    {
        const auto threads = std::distance(std::filesystem::directory_iterator("/proc/self/task"), {});
        most = std::max(most, static_cast<std::size_t>(threads));
    }
    std::size_t most = 0;
};

} // namespace

TEST(ExportMemory, CountingThreadsAreBoundedByTheInputAndACap)
{
    std::mt19937 random(256);
    std::string text = ">g\n";
    while (text.size() < (9 << 20))
        text += "ACGTN\n"[random() % 6];
    TempDir dir;
    writeBytes(dir.file("nine.fa"), text);
    writeBytes(dir.file("nine.fa.gz"), gzipBytes(text));
    RunFeedback quiet;
    ASSERT_TRUE(exportFastaToDTable(dir.file("nine.fa").c_str(), dir.file("one.dtable").c_str(), quiet, 1).ok());
    const std::string expected = readBytes(dir.file("one.dtable"));
    const bool measured = !addressSanitizer && resetPeakMemory();
    // Three units of a 9 MB plain file; gzip hides its size, so the cap holds. Each run in a
    // child process, where no other thread runs and freed blocks go back to the system.
    const std::pair<const char*, std::size_t> runs[] = {{"nine.fa", 3}, {"nine.fa.gz", maximumCountingThreads}};
    for (const auto& [name, counters] : runs) {
        SCOPED_TRACE(name);
        const int status = inChild([&] {
            ::mallopt(M_MMAP_THRESHOLD, 1 << 20);
            resetPeakMemory();
            const std::size_t inUse = statusBytes("VmHWM");
            ThreadCounting threads;
            if (!exportFastaToDTable(dir.file(name).c_str(), dir.file("many.dtable").c_str(), threads, 256).ok())
                return 2;
            const std::size_t peak = statusBytes("VmHWM") - inUse;
            std::fprintf(stderr, "%zu threads at most, a peak of %zu more bytes\n", threads.most, peak);
            if (threads.most < 2 || threads.most > 1 + counters)
                return 3;
            return !measured || peak < (std::size_t(200) << 20) ? 0 : 4;
        });
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(sameTable(readBytes(dir.file("many.dtable")), expected));
    }
}

TEST(ExportMemory, PeakStaysWithinThreeTimesTheTable)
{
    if (addressSanitizer)
        GTEST_SKIP() << "the sanitizer's allocator holds freed memory back";
    if (!resetPeakMemory())
        GTEST_SKIP() << "the peak memory cannot be measured here";
    TempDir dir;
    writeBytes(dir.file("bytes.fa"), randomBytesRecord(300000));
    for (unsigned threads : {1u, 2u}) {
        SCOPED_TRACE(threads);
        // In a child process whose large blocks go back to the system once freed, as a fresh
        // process's do, whatever the tests before left in the allocator.
        const int status = inChild([&] {
            ::mallopt(M_MMAP_THRESHOLD, 1 << 20);
            resetPeakMemory();
            const std::size_t inUse = statusBytes("VmHWM");
            RunFeedback quiet;
            if (!exportFastaToDTable(dir.file("bytes.fa").c_str(), dir.file("bytes.dtable").c_str(), quiet, threads).ok())
                return 2;
            const std::size_t table = readBytes(dir.file("bytes.dtable")).size();
            const std::size_t peak = statusBytes("VmHWM") - inUse;
            std::fprintf(stderr, "%u threads: a table of %zu bytes, a peak of %zu more bytes\n", threads, table, peak);
            return table > (std::size_t(40) << 20) && peak < 3 * table ? 0 : 1;
        });
        EXPECT_EQ(status, 0);
    }
}

TEST(ExportMemory, ATableThatDoesNotFitEndsInAnError)
{
    if (addressSanitizer)
        GTEST_SKIP() << "the sanitizer reserves more address space than the limit set here";
    TempDir dir;
    writeBytes(dir.file("bytes.fa"), randomBytesRecord(400000));
    const std::string table = dir.file("bytes.dtable");
    // An address space with room for 64 MB more than it holds, less than the counts of a
    // table of some 70 MB need.
    const int status = inChild([&] {
        const rlimit limit {statusBytes("VmSize") + (64 << 20), RLIM_INFINITY};
        if (::setrlimit(RLIMIT_AS, &limit) != 0)
            return 2;
        for (unsigned threads : {1u, 2u}) {
            RunFeedback quiet;
            const ExportResult result = exportFastaToDTable(dir.file("bytes.fa").c_str(), table.c_str(), quiet, threads);
            std::fprintf(stderr, "%u threads: %s\n", threads, result.message.c_str());
            if (result.status != ExportStatus::OutOfMemory || result.message.empty()
                || result.message.find('\n') != std::string::npos || fileExists(table))
                return 1;
        }
        return 0;
    });
    EXPECT_EQ(status, 0);
}
