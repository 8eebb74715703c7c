#include "TestSupport.h"

#include "oracle/FastaFile.h"
#include "oracle/WordCount.h"
#include "sequence/FastaStream.h"
#include "export/CountingTable.h"
#include "export/Export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

namespace {

/// FASTA text with what real files hold: wrapped and unwrapped lines, lower case, runs of N,
/// other letters and bytes, CR LF and lone CR line ends, empty and skipped lines, genes
/// without sequence or shorter than a word, names with blanks and odd bytes or longer than
/// the part kept, some genes thick with N or with other letters, and sometimes a byte order
/// mark or sequence before the first header.
std::string randomFasta(std::mt19937& random, std::size_t genes, std::size_t longest)
{
    static const char* const ends[] = {"\n", "\r\n", "\r", "\n\n"};
    std::string text;
    if (random() % 5 == 0)
        text += "\xEF\xBB\xBF";
    if (random() % 4 == 0)
        text += "ACGTTTGACCA\n";
    for (std::size_t g = 0; g < genes; ++g) {
        text += random() % 5 ? ">" : ">\t ";
        text += "gene" + std::to_string(g) + (random() % 4 ? "" : "\xe9\x80;x");
        if (random() % 8 == 0)
            text += std::string(900 + random() % 300, "nN"[random() % 2]);
        text += random() % 2 ? " from 1 to 9, size 9" : "";
        text += ends[random() % 4];
        std::size_t length = random() % 5 == 0 ? random() % 9 : random() % longest;
        std::size_t width = random() % 3 == 0 ? length + 1 : 1 + random() % 80;
        // Mostly A, C, G, T with rare runs of N and other bytes; N or other letters everywhere
        // in some genes.
        const std::uint32_t thick = random() % 6 == 0 ? 3000 : random() % 6 == 0 ? 1500 : 0;
        std::string line;
        for (std::size_t i = 0; i < length; ++i) {
            std::uint32_t roll = random() % 10000;
            if (roll < 8)
                line.append(1 + random() % 30, "Nn"[random() % 2]);
            else if (roll < 12)
                line += "RYKMSWBDHVryx-*\x80\xfe\xff"[random() % 18];
            else if (roll < 12 + thick)
                line += (thick == 3000 ? "N" : "NnRYKMn")[random() % (thick == 3000 ? 1 : 7)];
            else
                line += (roll < 6000 ? "ACGT" : "acgt")[random() % 4];
            if (line.size() >= width || i + 1 == length) {
                text += line;
                text += ends[random() % 4];
                line.clear();
            }
        }
        if (random() % 6 == 0)
            text += "; a comment\n";
    }
    return text;
}

/// Peak resident memory of the process in bytes, from /proc/self/status; 0 where unknown.
std::size_t peakMemory()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoull(line.substr(6)) * 1024;
    return 0;
}

/// Sets the peak back to the memory in use now; false where the system does not let it.
bool resetPeakMemory()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.close();
    return clear.good() && peakMemory() != 0;
}

/// The table the whole-file reader and the one-word-at-a-time counter make of `text`.
std::string oracleTable(const TempDir& dir, const std::string& text)
{
    writeBytes(dir.file("oracle.fa"), text);
    FastaFile fasta;
    fasta.parse(dir.file("oracle.fa").c_str());
    CountingTable table;
    countGenes(table, fasta);
    return table.serialize();
}

} // namespace

TEST(FastaStream, AnyChunkingUnitSizeAndCounterShareGiveTheOracleTable)
{
    std::mt19937 random(1207);
    TempDir dir;
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        const std::string text = randomFasta(random, 1 + random() % 12, 700);
        const std::size_t capacity = 8 + random() % 120;
        // Units handed out in turn to up to four counters, merged at the end, as the
        // export's counting threads do.
        std::vector<WordCounter> counters(1 + random() % 4);
        std::size_t next = 0;
        std::vector<std::unique_ptr<CountingUnit>> spare;
        FastaStream stream(
            "test.fa",
            [&](std::unique_ptr<CountingUnit> unit) {
                unit->countInto(counters[next++ % counters.size()]);
                unit->size = 0;
                unit->pieces.clear();
                spare.push_back(std::move(unit));
            },
            [&] {
                if (spare.empty())
                    return std::make_unique<CountingUnit>(capacity);
                auto unit = std::move(spare.back());
                spare.pop_back();
                return unit;
            });
        for (std::size_t at = 0; at < text.size();) {
            std::size_t n = std::min<std::size_t>(1 + random() % 40, text.size() - at);
            stream.feed(text.data() + at, n);
            at += n;
        }
        stream.finish();
        for (std::size_t c = 1; c < counters.size(); ++c)
            counters[0].merge(counters[c]);
        CountingTable table;
        table.takeCounts(counters[0]);
        table.setSequenceLength(static_cast<std::int64_t>(stream.sequenceLength()));
        ASSERT_TRUE(sameTable(table.serialize(), oracleTable(dir, text)));

        FastaFile fasta;
        std::int64_t bytes = fasta.read(dir.file("oracle.fa").c_str());
        EXPECT_EQ(stream.bytesRead(), static_cast<std::uint64_t>(bytes));
    }
}

TEST(FastaStream, ExportOfRandomFilesGivesTheOracleTableAndLines)
{
    std::mt19937 random(4242);
    TempDir dir;
    for (int round = 0; round < 24; ++round) {
        SCOPED_TRACE(round);
        const std::string text = randomFasta(random, 1 + random() % 10, 1200);
        // Plain, one gzip member, or two members split anywhere.
        const std::size_t split = random() % (text.size() + 1);
        const std::string bytes = round % 3 == 0 ? text
            : round % 3 == 1                     ? gzipBytes(text)
                                                 : gzipBytes(text.substr(0, split)) + gzipBytes(text.substr(split));
        writeBytes(dir.file("in.fa"), bytes);

        CaptureDiagnostics oracleLog;
        FastaFile fasta {oracleLog.diagnostics()};
        fasta.parse(dir.file("in.fa").c_str());
        CountingTable expected;
        countGenes(expected, fasta);

        RecordingFeedback feedback;
        ExportResult result = exportFastaToDTable(dir.file("in.fa").c_str(), dir.file("out.dtable").c_str(), feedback,
            1 + static_cast<unsigned>(random() % 3));
        ASSERT_TRUE(result.ok()) << result.message;
        EXPECT_TRUE(sameTable(readBytes(dir.file("out.dtable")), expected.serialize()));
        EXPECT_EQ(result.genes, fasta.geneCount());
        EXPECT_EQ(result.bases, expected.sequenceLength());

        // The same lines, but for the warning about stray sequence, which the stream writes
        // as soon as it meets it.
        auto withoutWarning = [](std::string lines) {
            std::size_t at = lines.find("Warning: ");
            if (at != std::string::npos)
                lines.erase(at, lines.find('\n', at) + 1 - at);
            return lines;
        };
        EXPECT_EQ(withoutWarning(feedback.text()), "created" + withoutWarning(oracleLog.text()));
        EXPECT_EQ(feedback.text().find("Warning: ") == std::string::npos,
            oracleLog.text().find("Warning: ") == std::string::npos);
    }
}

TEST(FastaStream, ExportGivesTheSameTableForAnyThreadCount)
{
    // Several counting units' worth, so that genes are split between units and threads. Too
    // big for the one-word-at-a-time counter: the single thread is the reference, and the
    // tests above hold it to the oracle on smaller input and smaller units.
    std::mt19937 random(31);
    TempDir dir;
    std::string text = randomFasta(random, 40, 300000);
    writeBytes(dir.file("big.fa"), text);
    writeBytes(dir.file("big.fa.gz"), gzipBytes(text));
    RunFeedback quiet;
    ASSERT_TRUE(exportFastaToDTable(dir.file("big.fa").c_str(), dir.file("one.dtable").c_str(), quiet, 1).ok());
    const std::string expected = readBytes(dir.file("one.dtable"));
    const std::pair<const char*, unsigned> runs[] = {{"big.fa", 2}, {"big.fa", 5}, {"big.fa.gz", 1}, {"big.fa.gz", 3}};
    for (const auto& [source, threads] : runs) {
        SCOPED_TRACE(std::string(source) + " " + std::to_string(threads));
        ExportResult result = exportFastaToDTable(dir.file(source).c_str(), dir.file("out.dtable").c_str(), quiet, threads);
        ASSERT_TRUE(result.ok()) << result.message;
        EXPECT_TRUE(sameTable(readBytes(dir.file("out.dtable")), expected));
    }
}

TEST(FastaStream, DiagnosticsComeInTheReadersOrder)
{
    TempDir dir;
    writeBytes(dir.file("two.fa"), ">first gene\r\nACGTACGTAA\r\n>second\nTTTT\n");
    RecordingFeedback captured;
    ASSERT_TRUE(exportFastaToDTable(dir.file("two.fa").c_str(), dir.file("two.dtable").c_str(), captured).ok());
    EXPECT_EQ(captured.text(), "createdRead 36 bytes\nNumber of genes in file: 2\nRead Gene 0: first\nRead Gene 1: second\n");
}

TEST(FastaStream, GeneLinesBeyondTheirBufferAreWrittenAsTheyCome)
{
    // 17,000 names cut to their first 1000 bytes outgrow the 16 MB kept for the "Read Gene"
    // lines.
    TempDir dir;
    const std::string name(1200, 'x');
    std::string text;
    for (int g = 0; g < 17000; ++g) {
        text += '>';
        text += std::to_string(g);
        text += name;
        text += "\nACGTAC\n";
    }
    writeBytes(dir.file("names.fa"), text);
    RecordingFeedback captured;
    ASSERT_TRUE(exportFastaToDTable(dir.file("names.fa").c_str(), dir.file("names.dtable").c_str(), captured).ok());
    std::string expected;
    for (int g = 0; g < 17000; ++g)
        expected += "Read Gene " + std::to_string(g) + ": " + (std::to_string(g) + name).substr(0, headerNameLimit) + "\n";
    const std::string lines = captured.text();
    const std::string summary = "Read " + std::to_string(text.size()) + " bytes\nNumber of genes in file: 17000\n";
    // Written as they came, the first lines go before the summary.
    const std::size_t summaryAt = lines.find(summary);
    ASSERT_NE(summaryAt, std::string::npos);
    EXPECT_GT(summaryAt, std::string("created").size());
    EXPECT_EQ(lines.substr(0, summaryAt) + lines.substr(summaryAt + summary.size()), "created" + expected);
}

TEST(FastaStream, HeaderLineOfAnyLengthIsReadInBoundedMemory)
{
    // A header line of 512 MB: its name is cut, the rest passed over, nothing of it held.
    CaptureDiagnostics log;
    std::vector<std::unique_ptr<CountingUnit>> full;
    FastaStream stream(
        "long.fa", [&](std::unique_ptr<CountingUnit> unit) { full.push_back(std::move(unit)); },
        [] { return std::make_unique<CountingUnit>(1 << 16); }, log.diagnostics());
    const bool measured = resetPeakMemory();
    const std::size_t before = peakMemory();
    const std::string chunk(1 << 20, 'A');
    stream.feed(">", 1);
    for (int i = 0; i < 512; ++i)
        stream.feed(chunk.data(), chunk.size());
    stream.feed("\nACGTACGTAC\n", 12);
    stream.finish();
    if (measured) {
        EXPECT_LT(peakMemory() - before, std::size_t(64) << 20);
    }
    EXPECT_EQ(stream.geneCount(), 1);
    EXPECT_EQ(stream.sequenceLength(), 10u);
    EXPECT_EQ(stream.takeGeneLines(), "Read Gene 0: " + std::string(headerNameLimit, 'A') + "\n");
    WordCounter counter;
    for (const auto& unit : full)
        unit->countInto(counter);
    CountingTable table;
    table.takeCounts(counter);
    CountingTable expected;
    countWordsOneByOne(expected, "ACGTACGTAC");
    EXPECT_TRUE(sameTable(table.serialize(), expected.serialize()));
    if (!measured)
        GTEST_SKIP() << "the peak memory could not be measured";
}
