#include "MotifSamples.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(MotifFormats, GzipLineEndsAndAByteOrderMarkChangeNothing)
{
    for (const char* name : {"motifs/known.meme", "motifs/known.jaspar"}) {
        const std::string text = readBytes(testData(name));
        const MotifFileContents plain = parseMotifFile(text, name);
        ASSERT_TRUE(plain.ok()) << plain.message;

        TempDir dir;
        writeBytes(dir.file("motifs.gz"), gzipBytes(text));
        const MotifFileContents gzip = readMotifFile(dir.file("motifs.gz"));
        ASSERT_TRUE(gzip.ok()) << gzip.message;
        EXPECT_TRUE(sameMotifs(gzip.motifs, plain.motifs)) << name;

        std::string crlf = "\xEF\xBB\xBF", cr;
        for (char c : text) {
            crlf += c == '\n' ? "\r\n" : std::string(1, c);
            cr += c == '\n' ? '\r' : c;
        }
        EXPECT_TRUE(sameMotifs(parseMotifFile(crlf, name).motifs, plain.motifs)) << name;
        EXPECT_TRUE(sameMotifs(parseMotifFile(cr, name).motifs, plain.motifs)) << name;
    }
}

TEST(MotifFormats, RefusesWhatIsNoMotifFile)
{
    expectRefused({
        {"", "f line 1: no motif in the file"},
        {"\n \r\n\t\n", "f line 3: no motif in the file"},
        {"\n# motifs\n>a\nA 1\n", "f line 2: neither a MEME nor a JASPAR motif file"},
        {gzipBytes(">a\nA 1\nC 1\nG 1\nT 1\n"), "f line 1: neither a MEME nor a JASPAR motif file"},
        {"MEME version 4\n\nALPHABET= ACGT\n\nstrands: + -\n", "f line 5: no motif in the file"},
    });
}

TEST(MotifFormats, BoundsWhatAHostileFileMakesItHoldAndQuotes)
{
    std::string manyRows;
    for (int i = 0; i < 1001; ++i)
        manyRows += "1 0 0 0\n";
    std::string longRow = ">a\nA";
    for (int i = 0; i < 1001; ++i)
        longRow += " 1";
    expectRefused({
        // Refused at the header: nothing is set aside for rows that never come.
        {memeWithHeader(" w= 1000000000000", ""), "f line 4: w= '1000000000000' is wider than the 1000 positions a motif may have"},
        {memeWithHeader(" w= 99999999999999999999999", ""),
            "f line 4: w= '99999999999999999999999' is wider than the 1000 positions a motif may have"},
        {memeWithHeader("", manyRows), "f line 1005: motif 'a' is wider than the 1000 positions a motif may have"},
        {longRow + "\n", "f line 2: a matrix row wider than the 1000 positions a motif may have"},
        // What a message quotes stays on its one line, and short.
        {memeWithHeader("", "1 0 \x1b[31m\x01\xff 0\n"), "f line 5: not a number: '\\x1b[31m\\x01\\xff'"},
        {memeWithHeader("", "1 0 " + std::string(100, 'x') + " 0\n"), "f line 5: not a number: '" + std::string(40, 'x') + "...'"},
    });
    // The file's name too, though a name may hold UTF-8.
    EXPECT_EQ(parseMotifFile("", "new\nline caf\xc3\xa9").message, "new\\x0aline caf\xc3\xa9 line 1: no motif in the file");
}

TEST(MotifFormats, ReportsFilesItCannotRead)
{
    TempDir dir;
    auto unreadable = [](const MotifFileContents& read, const std::string& message) {
        EXPECT_EQ(read.status, MotifFileStatus::Unreadable) << message;
        EXPECT_EQ(read.message, message);
        EXPECT_TRUE(read.motifs.empty()) << message;
    };
    unreadable(readMotifFile(dir.file("missing.meme")), dir.file("missing.meme") + ": No such file or directory");
    unreadable(readMotifFile(dir.path().string()), dir.path().string() + ": Is a directory");
    const std::string gzip = gzipBytes(readBytes(testData("motifs/known.meme")));
    writeBytes(dir.file("cut.meme.gz"), gzip.substr(0, gzip.size() / 2));
    unreadable(readMotifFile(dir.file("cut.meme.gz")), dir.file("cut.meme.gz") + ": the gzip stream is truncated");
    writeBytes(dir.file("a\nb.meme"), "MEME version 4\n");
    const MotifFileContents malformed = readMotifFile(dir.file("a\nb.meme"));
    EXPECT_EQ(malformed.status, MotifFileStatus::Malformed);
    EXPECT_EQ(malformed.message, dir.file("a\\x0ab.meme") + " line 1: no motif in the file");
}

TEST(MotifFormats, OddIdsAndNamesCannotBreakTheFields)
{
    // A word comes from a table file and may hold blanks or control bytes; an id may be empty.
    std::vector<Motif> motifs = sampleMotifs();
    motifs[0].name = "TA TC\tG\nA";
    motifs[1].id.clear();

    const MotifFileContents meme = parseMotifFile(memeText(motifs, sampleBackground), "motifs.meme");
    ASSERT_TRUE(meme.ok()) << meme.message;
    ASSERT_EQ(meme.motifs.size(), 3u);
    EXPECT_EQ(meme.motifs[0].name, "TA_TC_G_A");
    EXPECT_EQ(meme.motifs[1].id, "motif-2");

    const MotifFileContents jaspar = parseMotifFile(jasparText(motifs), "motifs.jaspar");
    ASSERT_TRUE(jaspar.ok()) << jaspar.message;
    ASSERT_EQ(jaspar.motifs.size(), 3u);
    EXPECT_EQ(jaspar.motifs[0].name, "TA_TC_G_A");
    EXPECT_EQ(jaspar.motifs[1].id, "motif-2");

    const std::string transfac = transfacText(motifs);
    EXPECT_NE(transfac.find("\nID  TA_TC_G_A\n"), std::string::npos);
    EXPECT_NE(transfac.find("AC  motif-2\n"), std::string::npos);
}

TEST(MotifFormats, CountsOfAnySizeReadBack)
{
    const std::vector<Motif> motifs = {{"huge", "", {{1.3e90, 4, 0, 0}, {0.0625, 1e300, 2.5e15, 7}}, 1e300, 0.0}};
    EXPECT_EQ(transfacText(motifs).find('\0'), std::string::npos); // TRANSFAC is not read back
    for (const std::string& written : {jasparText(motifs), memeText(motifs, sampleBackground)}) {
        EXPECT_EQ(written.find('\0'), std::string::npos);
        const MotifFileContents again = parseMotifFile(written, "written");
        ASSERT_TRUE(again.ok()) << again.message << '\n' << written;
        ASSERT_EQ(again.motifs.size(), 1u);
        const std::vector<BaseWeights> expected = frequenciesOf(motifs[0]);
        const std::vector<BaseWeights> read = frequenciesOf(again.motifs[0]);
        for (std::size_t k = 0; k < 2; ++k)
            for (std::size_t b = 0; b < 4; ++b)
                EXPECT_NEAR(read[k][b], expected[k][b], 1e-6);
    }
}
