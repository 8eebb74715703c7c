#include "TestSupport.h"

#include "oracle/FastaFile.h"
#include "oracle/WordCount.h"
#include "export/CountingTable.h"
#include "export/Export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <random>
#include <unistd.h>

namespace {

std::string randomSequence(std::mt19937& random, std::size_t length, const std::string& alphabet, double oddShare)
{
    static const std::string odd = "NnRYacgtX-*\x80\xfe";
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    std::string sequence;
    for (std::size_t i = 0; i < length; ++i) {
        if (chance(random) < oddShare) {
            // Runs of one odd byte, as real genomes have runs of N.
            char c = odd[random() % odd.size()];
            std::size_t run = 1 + random() % 12;
            for (std::size_t k = 0; k < run && sequence.size() < length; ++k)
                sequence += c;
            i = sequence.size() - 1;
        } else {
            sequence += alphabet[random() % alphabet.size()];
        }
    }
    return sequence;
}

/// Counts `sequence` into `table` as the export does: a WordCounter, then its counts taken.
void countFast(CountingTable& table, std::string_view sequence)
{
    WordCounter counter;
    counter.count(sequence.data(), sequence.size());
    table.takeCounts(counter);
}

} // namespace

TEST(CountingTable, WorkedExampleOfEightBases)
{
    CountingTable table;
    countFast(table, "ACGTACGT");
    EXPECT_EQ(table.totalCount(), 10);
    EXPECT_EQ(table.distinctCount(), 6);
    EXPECT_EQ(table.countOf("ACGTAC"), 2);
    EXPECT_EQ(table.countOf("GTACGT"), 2);
    EXPECT_EQ(table.countOf("ACGTACG"), 2);
    EXPECT_EQ(table.countOf("CGTACGT"), 2);
    EXPECT_EQ(table.countOf("ACGTACGT"), 1);
    EXPECT_EQ(table.countOf("CGTACG"), 1);
}

TEST(CountingTable, FastCountingMatchesOneWordAtATime)
{
    std::mt19937 random(20261207);
    const std::vector<std::string> alphabets = {"ACGT", "AAAACGT", "AT", "ACGTN"};
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        CountingTable fast;
        CountingTable oracle;
        int sequences = 1 + static_cast<int>(random() % 6);
        for (int s = 0; s < sequences; ++s) {
            // Mostly short sequences, with the lengths around a window's size well covered.
            std::size_t length = random() % 4 == 0 ? random() % 10 : random() % 400;
            double oddShare = round % 3 == 0 ? 0.0 : round % 3 == 1 ? 0.01 : 0.2;
            std::string text = randomSequence(random, length, alphabets[random() % alphabets.size()], oddShare);
            countFast(fast, text);
            countWordsOneByOne(oracle, text);
        }
        ASSERT_TRUE(sameTable(fast.serialize(), oracle.serialize()));
    }
}

TEST(CountingTable, GenesCountedInBatchesMatchTheOracle)
{
    // The export counts all genes into one counter and takes the counts once; taken in two
    // batches, the second goes into a table that already holds records.
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::string> genes(1 + random() % 8);
        for (std::size_t g = 0; g < genes.size(); ++g) {
            std::size_t length = g % 3 == 0 ? random() % 9 : random() % 600;
            genes[g] = randomSequence(random, length, round % 2 ? "ACGT" : "AACGTTT", round % 4 < 2 ? 0.02 : 0.0);
        }
        CountingTable oracle;
        for (const std::string& gene : genes)
            countWordsOneByOne(oracle, gene);

        CountingTable fast;
        WordCounter counter;
        const std::size_t batchEnd = random() % (genes.size() + 1);
        for (std::size_t g = 0; g < genes.size(); ++g) {
            if (g == batchEnd)
                fast.takeCounts(counter);
            counter.count(genes[g].data(), genes[g].size());
        }
        fast.takeCounts(counter);
        ASSERT_TRUE(sameTable(fast.serialize(), oracle.serialize()));
    }
}

namespace {

/// The sequences of tests/data/sample.fa as the reader must keep them: lines starting with
/// A, C, G, T or N of either case, a, c, g and t raised, CR LF line ends.
const char* const sampleSequences[] = {
    "ACGTNNNNACGTACGTAAACnnnnGGGTTTTT", "ACGTACGT", "ACGTN", "", "TTTTTTNNNNNNNNCGATCGGATTACANNNNAC"};

} // namespace

TEST(CountingTable, SampleGoldenTableAgreesWithTheOracle)
{
    FastaFile file;
    file.parse(testData("sample.fa").c_str());
    ASSERT_EQ(file.geneCount(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(file.sequence(i).view(), sampleSequences[i]);
    CountingTable oracle;
    countGenes(oracle, file);
    EXPECT_EQ(oracle.sequenceLength(), 78);
    EXPECT_TRUE(sameTable(oracle.serialize(), readBytes(testData("sample.dtable"))));
}

TEST(CountingTable, ExportOfTheSampleMatchesTheGoldenTable)
{
    TempDir dir;
    writeBytes(dir.file("sample.fa.gz"), gzipBytes(readBytes(testData("sample.fa"))));
    for (const std::string& source : {testData("sample.fa"), dir.file("sample.fa.gz")}) {
        SCOPED_TRACE(source);
        const std::string destination = dir.file("sample.dtable");
        ExportResult result = exportQuietly(source.c_str(), destination.c_str());
        ASSERT_TRUE(result.ok()) << result.message;
        EXPECT_EQ(result.genes, 5);
        EXPECT_EQ(result.bases, 78);
        EXPECT_TRUE(matchesGolden("sample.dtable", readBytes(destination)));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
    }
}

TEST(CountingTable, ExportOfAnUnusableSourceLeavesTheDestinationAlone)
{
    const std::string gzipped = gzipBytes(">g\nACGTACGT\n");
    std::string corrupt = gzipped;
    corrupt[gzipped.size() - 8] ^= 0x55;
    enum class Source { Absent, Folder, File };
    struct Case {
        const char* name;
        Source source;
        std::string bytes;
        ExportStatus status;
    };
    const Case cases[] = {
        {"missing", Source::Absent, "", ExportStatus::SourceUnreadable},
        {"folder", Source::Folder, "", ExportStatus::SourceUnreadable},
        {"empty", Source::File, "", ExportStatus::SourceEmpty},
        {"zero byte", Source::File, std::string(">g\nACGT\0ACGT\n", 13), ExportStatus::SourceNotText},
        {"truncated gzip", Source::File, gzipped.substr(0, gzipped.size() / 2), ExportStatus::SourceUnreadable},
        {"corrupt gzip", Source::File, corrupt, ExportStatus::SourceUnreadable},
        {"no header", Source::File, "ACGTACGT\nTTTTTTTT\n", ExportStatus::SourceNotFasta},
        {"line ends only", Source::File, "\r\n\r\n", ExportStatus::SourceNotFasta},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string source = dir.file("source.fa");
        if (c.source == Source::Folder)
            std::filesystem::create_directory(source);
        else if (c.source == Source::File)
            writeBytes(source, c.bytes);
        const std::string kept = dir.file("kept.dtable");
        writeBytes(kept, "old table");
        ExportResult result = exportQuietly(source.c_str(), kept.c_str());
        EXPECT_EQ(result.status, c.status) << result.message;
        EXPECT_FALSE(result.message.empty());
        EXPECT_EQ(readBytes(kept), "old table");

        const std::string fresh = dir.file("fresh.dtable");
        EXPECT_EQ(exportQuietly(source.c_str(), fresh.c_str()).status, c.status);
        EXPECT_FALSE(fileExists(fresh));
    }
}

TEST(CountingTable, ExportToAnUnwritableDestinationFails)
{
    TempDir dir;
    writeBytes(dir.file("file"), "x");
    const std::string destination = dir.file("file") + "/t.dtable";
    ExportResult result = exportQuietly(testData("sample.fa").c_str(), destination.c_str());
    EXPECT_EQ(result.status, ExportStatus::DestinationUnwritable);
    EXPECT_NE(result.message.find(destination), std::string::npos) << result.message;
    EXPECT_EQ(readBytes(dir.file("file")), "x");
}

TEST(CountingTable, ExportOntoItsOwnSourceIsRefused)
{
    TempDir dir;
    const std::string fasta = readBytes(testData("sample.fa"));
    writeBytes(dir.file("in.fa"), fasta);
    ::symlink(dir.file("in.fa").c_str(), dir.file("link.fa").c_str());
    for (const char* destination : {"in.fa", "link.fa"}) {
        ExportResult result = exportQuietly(dir.file("in.fa").c_str(), dir.file(destination).c_str());
        EXPECT_EQ(result.status, ExportStatus::DestinationUnwritable);
        EXPECT_EQ(readBytes(dir.file("in.fa")), fasta);
    }
}
