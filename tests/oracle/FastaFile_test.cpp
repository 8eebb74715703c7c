#include "TestSupport.h"

#include "oracle/FastaFile.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace std::literals;

namespace {

class FastaFileTest : public testing::Test {
protected:
    /// Writes `bytes` as a file and parses it, keeping the diagnostics in `log`.
    int parse(std::string_view bytes)
    {
        writeBytes(path, bytes);
        const std::size_t mark = capture.text().size();
        int result = fasta.parse(path.c_str());
        log = capture.text().substr(mark);
        return result;
    }

    TempDir dir;
    std::string path = dir.file("genes.fa");
    CaptureDiagnostics capture;
    FastaFile fasta {capture.diagnostics()};
    std::string log;
};

/// Names and sequences of every gene, for comparing two parses.
std::vector<std::pair<std::string, std::string>> genesOf(const FastaFile& fasta)
{
    std::vector<std::pair<std::string, std::string>> genes;
    for (std::int64_t i = 0; i < fasta.geneCount(); ++i)
        genes.emplace_back(fasta.name(i).view(), fasta.sequence(i).view());
    return genes;
}

const char* const twoGenes = ">gene1 from -1000 to -1, size 1000\nacgtACGT\nTTGA\n>gene2\nNNNNACGT\nggcc\n";

} // namespace

TEST_F(FastaFileTest, HeaderLinesGiveNameAndNumbers)
{
    ASSERT_EQ(parse(">gene1 from -1000 to -1, size 1000\n"
                    ">gene1\n"
                    ">  gene2  upstream region\n"
                    ">gene3 from 5 to 9 , size 4\n"
                    ">gene4 from 0x10 to 010, size 8\n"
                    ">\n"),
        0);
    struct Expected {
        const char* name;
        int from, to, size;
    };
    const Expected expected[] = {{"gene1", -1000, -1, 1000}, {"gene1", 0, 0, 0}, {"gene2", 0, 0, 0},
        {"gene3", 5, 9, 0}, {"gene4", 16, 8, 8}, {"", 0, 0, 0}};
    ASSERT_EQ(fasta.geneCount(), 6);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        const Gene& gene = fasta.gene(i);
        EXPECT_EQ(gene.name.view(), expected[i].name);
        EXPECT_EQ(gene.from, expected[i].from);
        EXPECT_EQ(gene.to, expected[i].to);
        EXPECT_EQ(gene.size, expected[i].size);
    }
    EXPECT_NE(log.find("Read Gene 5: \n"), std::string::npos);
}

TEST_F(FastaFileTest, SequenceLinesAreChosenByTheirFirstByte)
{
    parse(">g\n"
          "acgtn\n"
          "\n\n"
          "NNNNACGT\n"
          "nnac\n"
          "ACGTNNNN\n"
          "xACGT\n"
          ";ACGT\n"
          " ACGT\n"
          "1 ACGT\n"
          "RYACGT\n");
    ASSERT_EQ(fasta.geneCount(), 1);
    EXPECT_EQ(fasta.sequence(0).view(), "ACGTnNNNNACGTnnACACGTNNNN");
}

TEST_F(FastaFileTest, LineEndsOfEveryKindGiveTheSameGenes)
{
    parse(twoGenes);
    const auto expected = genesOf(fasta);
    ASSERT_EQ(expected.size(), 2u);
    EXPECT_EQ(expected[0].second, "ACGTACGTTTGA");
    EXPECT_EQ(expected[1].second, "NNNNACGTGGCC");

    std::string text = twoGenes;
    std::string crlf, cr;
    for (char c : text) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        cr += c == '\n' ? '\r' : c;
    }
    for (const std::string& variant : {crlf, cr, "\r\n\r\n" + crlf + "\r\n", text.substr(0, text.size() - 1)}) {
        FastaFile again;
        writeBytes(path, variant);
        again.parse(path.c_str());
        EXPECT_EQ(genesOf(again), expected) << testing::PrintToString(variant);
    }
}

TEST_F(FastaFileTest, DiagnosticsOfATwoGeneFileCountCrLfOnce)
{
    parse(">a\r\nACGT\r\n>b\r\nTT\r\n");
    EXPECT_EQ(log, "Read 14 bytes\n"
                   "Number of genes in file: 2\n"
                   "Read Gene 0: a\n"
                   "Read Gene 1: b\n");
}

TEST_F(FastaFileTest, EmptyFileYieldsNoGenes)
{
    EXPECT_EQ(parse(""), 0);
    EXPECT_EQ(log, "Error: Unable to read bytes from " + path + "\n");
    EXPECT_EQ(fasta.geneCount(), 0);
    ASSERT_NE(fasta.contents(), nullptr);
    EXPECT_EQ(fasta.contents()->length(), 0u);
}

TEST_F(FastaFileTest, MissingFileYieldsNoGenes)
{
    const std::string missing = dir.file("absent.fa");
    EXPECT_EQ(fasta.parse(missing.c_str()), 0);
    EXPECT_EQ(capture.text(), "Error: Unable to open " + missing + "\n");
    EXPECT_EQ(fasta.readStatus(), ReadStatus::CannotOpen);
    EXPECT_EQ(fasta.geneCount(), 0);
}

TEST_F(FastaFileTest, DirectoryYieldsNoGenes)
{
    const std::string folder = dir.file("folder.fa");
    std::filesystem::create_directory(folder);
    EXPECT_EQ(fasta.parse(folder.c_str()), 0);
    EXPECT_EQ(capture.text(), "Error: Unable to open " + folder + "\n");
    EXPECT_EQ(fasta.readStatus(), ReadStatus::CannotOpen);
    EXPECT_EQ(fasta.geneCount(), 0);
}

TEST_F(FastaFileTest, FileOfLineEndsOnlyYieldsNoGenes)
{
    EXPECT_EQ(parse("\r\n\n\r\r\n\n"), 0);
    EXPECT_EQ(fasta.geneCount(), 0);
    EXPECT_NE(log.find("Number of genes in file: 0\n"), std::string::npos);
}

TEST_F(FastaFileTest, SequenceBeforeTheFirstHeaderIsIgnoredWithOneWarning)
{
    parse("ACGT\nTTTT\n>g\nCC\n");
    ASSERT_EQ(fasta.geneCount(), 1);
    EXPECT_EQ(fasta.sequence(0).view(), "CC");
    EXPECT_EQ(log, "Read 16 bytes\n"
                   "Number of genes in file: 1\n"
                   "Warning: sequence lines before the first header line of " + path + " are ignored\n"
                   "Read Gene 0: g\n");
}

TEST_F(FastaFileTest, MegabyteNameIsCutToItsFirstThousandBytes)
{
    const std::string name(1 << 20, 'x');
    parse(">" + name + " from 1 to 2, size 3\nACGT\n");
    ASSERT_EQ(fasta.geneCount(), 1);
    EXPECT_EQ(fasta.name(0).view(), name.substr(0, 1000));
    EXPECT_EQ(fasta.gene(0).size, 3);
    EXPECT_NE(log.find("Read Gene 0: " + name.substr(0, 1000) + "\n"), std::string::npos);
}

TEST_F(FastaFileTest, GeneWithoutSequenceLinesHoldsTheNullSequence)
{
    parse(">empty\n>full\nACGT\n>last\n");
    ASSERT_EQ(fasta.geneCount(), 3);
    EXPECT_TRUE(fasta.sequence(0).text() == nullptr);
    EXPECT_EQ(fasta.sequence(1).view(), "ACGT");
    EXPECT_TRUE(fasta.sequence(2).text() == nullptr);
}

TEST_F(FastaFileTest, ZeroByteEndsTheText)
{
    parse(">g\nAC\0GT\n>h\nTT\n"sv);
    EXPECT_TRUE(fasta.heldZeroByte());
    ASSERT_EQ(fasta.geneCount(), 1);
    EXPECT_EQ(fasta.sequence(0).view(), "AC");
}

TEST_F(FastaFileTest, GzipInputReadsAsThePlainText)
{
    parse(twoGenes);
    const auto plain = genesOf(fasta);
    const std::string plainLog = log;

    CaptureDiagnostics zippedLog;
    FastaFile zipped {zippedLog.diagnostics()};
    writeBytes(path, gzipBytes(twoGenes));
    zipped.parse(path.c_str());
    EXPECT_EQ(genesOf(zipped), plain);
    EXPECT_EQ(zippedLog.text(), plainLog);
}

TEST_F(FastaFileTest, GzipMembersFollowOneAnotherAndTrailingBytesAreIgnored)
{
    // The first member ends inside a sequence line; the bytes after the last start no member.
    for (const char* trailing : {"", "\n>c\nGGGG\n"}) {
        SCOPED_TRACE(trailing);
        CaptureDiagnostics membersLog;
        FastaFile members {membersLog.diagnostics()};
        writeBytes(path, gzipBytes(">a\nAC") + gzipBytes("") + gzipBytes("GT\n>b\nTT\n") + trailing);
        members.parse(path.c_str());
        EXPECT_EQ(members.readStatus(), ReadStatus::Read);
        EXPECT_EQ(membersLog.text(), "Read 14 bytes\nNumber of genes in file: 2\nRead Gene 0: a\nRead Gene 1: b\n");
        ASSERT_EQ(members.geneCount(), 2);
        EXPECT_EQ(members.sequence(0).view(), "ACGT");
        EXPECT_EQ(members.sequence(1).view(), "TT");
    }
}

TEST_F(FastaFileTest, TruncatedGzipIsAFailedRead)
{
    const std::string whole = gzipBytes(twoGenes);
    for (std::size_t cut = 2; cut < whole.size(); ++cut) {
        SCOPED_TRACE(cut);
        CaptureDiagnostics truncatedLog;
        FastaFile truncated {truncatedLog.diagnostics()};
        writeBytes(path, whole.substr(0, cut));
        EXPECT_EQ(truncated.parse(path.c_str()), 0);
        EXPECT_EQ(truncated.readStatus(), ReadStatus::TruncatedGzip);
        EXPECT_EQ(truncated.geneCount(), 0);
        EXPECT_EQ(truncatedLog.text(), "Error: Unable to read " + path + ": the gzip stream is truncated\n");
    }
}

TEST_F(FastaFileTest, CorruptGzipIsAFailedRead)
{
    const std::string whole = gzipBytes(twoGenes);
    std::string badMethod = whole;
    badMethod[2] = 7;
    std::string badChecksum = whole;
    badChecksum[whole.size() - 8] ^= 0x55;
    for (const std::string& corrupt : {badMethod, badChecksum}) {
        FastaFile file;
        writeBytes(path, corrupt);
        file.parse(path.c_str());
        EXPECT_EQ(file.readStatus(), ReadStatus::CorruptGzip);
        EXPECT_EQ(file.geneCount(), 0);
        EXPECT_NE(file.readError(), "");
    }
}
