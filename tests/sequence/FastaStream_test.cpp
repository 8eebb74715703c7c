#include "TestSupport.h"

#include "oracle/FastaFile.h"
#include "sequence/FastaStream.h"
#include "export/CountingTable.h"
#include "export/Export.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

namespace {

/// FASTA text with what real files hold: wrapped and unwrapped lines, lower case, runs of N,
/// other letters, CR LF and lone CR line ends, empty and skipped lines, a gene without
/// sequence, and sometimes sequence before the first header.
std::string randomFasta(std::mt19937& random, std::size_t genes, std::size_t longest)
{
    static const char* const ends[] = {"\n", "\r\n", "\r", "\n\n"};
    std::string text;
    if (random() % 4 == 0)
        text += "ACGTTTGACCA\n";
    for (std::size_t g = 0; g < genes; ++g) {
        text += ">gene" + std::to_string(g) + (random() % 2 ? " from 1 to 9, size 9" : "");
        text += ends[random() % 4];
        std::size_t length = random() % 5 == 0 ? random() % 9 : random() % longest;
        std::size_t width = random() % 3 == 0 ? length + 1 : 1 + random() % 80;
        std::string line;
        for (std::size_t i = 0; i < length; ++i) {
            std::uint32_t roll = random() % 10000;
            if (roll < 8)
                line.append(1 + random() % 30, "Nn"[random() % 2]);
            else if (roll < 10)
                line += "RYKMxX-"[random() % 7];
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

/// The table the in-memory reader and counter make of `text`.
std::string inMemoryTable(const TempDir& dir, const std::string& text)
{
    writeBytes(dir.file("oracle.fa"), text);
    FastaFile fasta;
    fasta.parse(dir.file("oracle.fa").c_str());
    Permutation table;
    countGenes(table, fasta);
    return table.serialize();
}

} // namespace

TEST(FastaStream, AnyChunkingAndUnitSizeGiveTheInMemoryTable)
{
    std::mt19937 random(1207);
    TempDir dir;
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        const std::string text = randomFasta(random, 1 + random() % 12, 700);
        const std::size_t capacity = 8 + random() % 120;
        WordCounter counter;
        std::vector<std::unique_ptr<CountingUnit>> spare;
        FastaStream stream(
            "test.fa",
            [&](std::unique_ptr<CountingUnit> unit) {
                unit->countInto(counter);
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
        Permutation table;
        table.takeCounts(counter);
        table.setSequenceLength(static_cast<std::int64_t>(stream.sequenceLength()));
        ASSERT_EQ(table.serialize(), inMemoryTable(dir, text));

        FastaFile fasta;
        std::int64_t bytes = fasta.read(dir.file("oracle.fa").c_str());
        EXPECT_EQ(stream.bytesRead(), static_cast<std::uint64_t>(bytes));
    }
}

TEST(FastaStream, ExportGivesTheSameTableForAnyThreadCount)
{
    // Several counting units' worth, so that genes are split between units and threads.
    std::mt19937 random(31);
    TempDir dir;
    std::string text = randomFasta(random, 40, 300000);
    writeBytes(dir.file("big.fa"), text);
    writeBytes(dir.file("big.fa.gz"), gzipBytes(text));
    const std::string expected = inMemoryTable(dir, text);
    for (const char* source : {"big.fa", "big.fa.gz"}) {
        for (unsigned threads : {1u, 2u, 3u, 5u}) {
            SCOPED_TRACE(std::string(source) + " " + std::to_string(threads));
            RunFeedback quiet;
            ExportResult result = exportFastaToDTable(dir.file(source).c_str(), dir.file("out.dtable").c_str(), quiet, threads);
            ASSERT_TRUE(result.ok()) << result.message;
            EXPECT_EQ(readBytes(dir.file("out.dtable")), expected);
        }
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
    // Three names of 7 MB each outgrow the 16 MB kept for the "Read Gene" lines.
    TempDir dir;
    const std::string name(7 << 20, 'x');
    std::string text;
    for (int g = 0; g < 3; ++g)
        text += ">" + name + std::to_string(g) + "\nACGTAC\n";
    writeBytes(dir.file("names.fa"), text);
    RecordingFeedback captured;
    ASSERT_TRUE(exportFastaToDTable(dir.file("names.fa").c_str(), dir.file("names.dtable").c_str(), captured).ok());
    const std::string lines = captured.text();
    for (int g = 0; g < 3; ++g)
        EXPECT_NE(lines.find("Read Gene " + std::to_string(g) + ": " + name + std::to_string(g) + "\n"), std::string::npos);
    EXPECT_NE(lines.find("Number of genes in file: 3\n"), std::string::npos);
    EXPECT_EQ(lines.size(), std::string("created").size() + 3 * (name.size() + 15) + std::string("Read 22020120 bytes\nNumber of genes in file: 3\n").size());
}
