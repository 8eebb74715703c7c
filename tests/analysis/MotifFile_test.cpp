#include "TestSupport.h"

#include "analysis/MotifFile.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

/// Whether two lists of motifs agree in every field.
testing::AssertionResult sameMotifs(const std::vector<Motif>& a, const std::vector<Motif>& b)
{
    if (a.size() != b.size())
        return testing::AssertionFailure() << a.size() << " motifs against " << b.size();
    for (std::size_t m = 0; m < a.size(); ++m)
        if (a[m].id != b[m].id || a[m].name != b[m].name || a[m].counts != b[m].counts || a[m].sites != b[m].sites
            || a[m].log10E != b[m].log10E)
            return testing::AssertionFailure() << "motif " << m << " differs: " << a[m].id << " against " << b[m].id;
    return testing::AssertionSuccess();
}

/// A text a reader must refuse, and the error it must give for it.
struct Malformed {
    std::string text;
    std::string error;
};

/// Checks that each text is refused, under the name "f", with its error and no motif.
void expectRefused(const std::vector<Malformed>& cases)
{
    for (const Malformed& c : cases) {
        const MotifFileContents read = parseMotifFile(c.text, "f");
        EXPECT_EQ(read.error, c.error) << testing::PrintToString(c.text);
        EXPECT_TRUE(read.motifs.empty()) << testing::PrintToString(c.text);
    }
}

/// A MEME file whose first motif "a" has the matrix header line 4 ending in `keys`, then `rest`.
std::string meme(const std::string& keys, const std::string& rest)
{
    return "MEME version 4\n\nMOTIF a\nletter-probability matrix: alength= 4" + keys + "\n" + rest;
}

} // namespace

TEST(MotifFile, ReadsAMemeFile)
{
    const MotifFileContents read = readMotifFile(testData("motifs/known.meme"));
    ASSERT_TRUE(read.ok()) << read.error;
    ASSERT_EQ(read.motifs.size(), 2u);
    const Motif& tata = read.motifs[0];
    EXPECT_EQ(tata.id, "TATA-like");
    EXPECT_EQ(tata.name, "TBP");
    ASSERT_EQ(tata.width(), 6u);
    EXPECT_EQ(tata.counts[0], (BaseWeights {0.05, 0.05, 0.05, 0.85}));
    EXPECT_EQ(tata.counts[5], (BaseWeights {0.5, 0.1, 0.1, 0.3}));
    EXPECT_EQ(tata.sites, 20.0);
    EXPECT_NEAR(tata.log10E, std::log10(1.2) - 2380.0, 1e-9);
    const Motif& gata = read.motifs[1];
    EXPECT_EQ(gata.id, "GATA");
    EXPECT_EQ(gata.name, "");
    ASSERT_EQ(gata.width(), 4u);
    EXPECT_EQ(gata.counts[3], (BaseWeights {0.916667, 0, 0.083333, 0}));
    EXPECT_EQ(gata.sites, 12.0);
    EXPECT_NEAR(gata.log10E, std::log10(0.034), 1e-12);
}

TEST(MotifFile, ReadsAJasparFileInEachRowForm)
{
    const MotifFileContents read = readMotifFile(testData("motifs/known.jaspar"));
    ASSERT_TRUE(read.ok()) << read.error;
    ASSERT_EQ(read.motifs.size(), 3u);
    EXPECT_EQ(read.motifs[0].id, "KN0001.1");
    EXPECT_EQ(read.motifs[0].name, "CACGTG-box");
    EXPECT_EQ(consensusOf(read.motifs[0].counts), "CACGTG");
    EXPECT_EQ(read.motifs[0].counts[5], (BaseWeights {1, 1, 17, 1}));
    EXPECT_EQ(read.motifs[0].sites, 20.0);
    EXPECT_EQ(read.motifs[0].log10E, 0.0);
    // Bare rows take the letters in the order A C G T; lettered rows may come in any order.
    EXPECT_EQ(read.motifs[1].name, "Bare rows");
    EXPECT_EQ(read.motifs[1].counts, (std::vector<BaseWeights> {{0, 8, 1, 1}, {4, 0, 5, 1}, {9, 1, 0, 0}}));
    EXPECT_EQ(read.motifs[1].sites, 10.0);
    EXPECT_EQ(read.motifs[2].counts, (std::vector<BaseWeights> {{6, 0, 0, 0}, {0, 0, 6, 0}, {3, 1.5, 0, 1.5}}));
    EXPECT_EQ(read.motifs[2].sites, 6.0);
}

TEST(MotifFile, GzipLineEndsAndAByteOrderMarkChangeNothing)
{
    for (const char* name : {"motifs/known.meme", "motifs/known.jaspar"}) {
        const std::string text = readBytes(testData(name));
        const MotifFileContents plain = parseMotifFile(text, name);
        ASSERT_TRUE(plain.ok()) << plain.error;

        TempDir dir;
        writeBytes(dir.file("motifs.gz"), gzipBytes(text));
        const MotifFileContents gzip = readMotifFile(dir.file("motifs.gz"));
        ASSERT_TRUE(gzip.ok()) << gzip.error;
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

TEST(MotifFile, MemeMatricesWithoutWidthOrWithOddNumbers)
{
    const MotifFileContents read = parseMotifFile("MEME version 5.5.4\n"
                                                  "MOTIF a\n"
                                                  "letter-probability matrix: nsites=7 E= 1e-2380\n"
                                                  "\n"
                                                  "+1 0 0 0\n"
                                                  "0 .5 5e-1 1e-400\n"
                                                  "\n"
                                                  "MOTIF a  second  motif  \n"
                                                  "letter-probability matrix: alength= 4 url= w= 1 E= 0\n"
                                                  "0.25 0.25 0.25 0.25\n"
                                                  "--------------------\n"
                                                  "URL x\n",
        "f");
    ASSERT_TRUE(read.ok()) << read.error;
    ASSERT_EQ(read.motifs.size(), 2u);
    EXPECT_EQ(read.motifs[0].counts, (std::vector<BaseWeights> {{1, 0, 0, 0}, {0, 0.5, 0.5, 0}}));
    EXPECT_EQ(read.motifs[0].sites, 7.0);
    EXPECT_EQ(read.motifs[0].log10E, -2380.0);
    // Ids need not be unique; the name is the rest of the line.
    EXPECT_EQ(read.motifs[1].id, "a");
    EXPECT_EQ(read.motifs[1].name, "second  motif");
    EXPECT_EQ(read.motifs[1].sites, 0.0);
    EXPECT_EQ(read.motifs[1].log10E, -INFINITY);
}

TEST(MotifFile, RefusesWhatIsNoMotifFile)
{
    expectRefused({
        {"", "f line 1: no motif in the file"},
        {"\n \r\n\t\n", "f line 3: no motif in the file"},
        {"\n# motifs\n>a\nA 1\n", "f line 2: neither a MEME nor a JASPAR motif file"},
        {gzipBytes(">a\nA 1\nC 1\nG 1\nT 1\n"), "f line 1: neither a MEME nor a JASPAR motif file"},
        {"MEME version 4\n\nALPHABET= ACGT\n\nstrands: + -\n", "f line 5: no motif in the file"},
    });
}

TEST(MotifFile, RefusesNumbersThatAreNoWeights)
{
    expectRefused({
        {meme("", "0.5 0.5 x 0\n"), "f line 5: not a number: 'x'"},
        {meme("", "0.5 0.5 1e999 0\n"), "f line 5: not a finite number: '1e999'"},
        {meme(" w= 1", "nan 0 0 1\n"), "f line 5: not a finite number: 'nan'"},
        {meme("", "-0.1 0.6 0.5 0\n"), "f line 5: a negative weight: '-0.1'"},
        {meme(" nsites= -3", "1 0 0 0\n"), "f line 4: a negative number of sites: nsites= '-3'"},
        {meme(" E= 1e-5x", "1 0 0 0\n"), "f line 4: not a number: E= '1e-5x'"},
        {meme(" E= 1e99999999999999999999", "1 0 0 0\n"), "f line 4: not a number: E= '1e99999999999999999999'"},
        {meme(" E= -0.1", "1 0 0 0\n"), "f line 4: a negative E-value: E= '-0.1'"},
        {meme(" w= 2.5", "1 0 0 0\n"), "f line 4: w= '2.5' is not a number of rows"},
        {">a\nA [ 1 2 x ]\n", "f line 2: not a number: 'x'"},
        {">a\n1 2\n3 -4\n", "f line 3: a negative weight: '-4'"},
    });
}

TEST(MotifFile, RefusesMemeMatricesOfTheWrongShape)
{
    expectRefused({
        {meme("", "1 0 0\n"), "f line 5: a matrix row needs 4 numbers, the weights of A, C, G and T; this one has 3"},
        {meme("", "1 0 0 0 0\n"), "f line 5: a matrix row needs 4 numbers, the weights of A, C, G and T; this one has more"},
        {meme(" w= 6", "1 0 0 0\n0 1 0 0\n\n0 0 1 0\nMOTIF b\n"), "f line 9: the matrix ends after 3 of its 6 rows"},
        {meme(" w= 6", "1 0 0 0\n"), "f line 5: the matrix ends after 1 of its 6 rows"},
        {meme(" w= 2", "1 0 0 0\n0 1 0 0\n0 0 1 0\n"), "f line 7: more rows than the matrix's w= 2"},
        {meme(" w= 0", "1 0 0 0\n"), "f line 4: the matrix has no rows: w= 0"},
        {meme("", "MOTIF b\n"), "f line 4: the matrix has no rows"},
        {meme(" w=", "1 0 0 0\n"), "f line 4: w= without a value"},
    });
}

TEST(MotifFile, RefusesJasparMatricesOfTheWrongShape)
{
    expectRefused({
        {">a\nA [ 1 2 ]\nC [ 1 2 ]\nG [ 1 2 ]\n", "f line 4: the matrix ends after 3 of its 4 rows"},
        {">a\nA 1\nC 1\n>b\n", "f line 4: the matrix ends after 2 of its 4 rows"},
        {">a\n1 2 3\n1 2\n", "f line 3: a row of 2 numbers in a matrix whose first row has 3"},
        {">a\nA 1\nC 1\nG 1\nT 1\nA 1\n", "f line 6: a fifth matrix row: a JASPAR matrix has one row for each of A, C, G and T"},
        {">a\nA 1\nC 1\nG 1\nT 1\n\nhello\n", "f line 7: text outside any motif: 'hello'"},
        {">a\nA 1\nA 2\n", "f line 3: a second row of A"},
        {">a\nC 1\n2\n", "f line 3: a second row of C"},
        {">a\nA [ 1 2\n", "f line 2: a '[' without its ']'"},
        {">a\nA [ 1 2 ] 3\n", "f line 2: text after the ']' of a matrix row: '3'"},
        {">a\nA [ ]\n", "f line 2: a matrix row without numbers"},
    });
}

TEST(MotifFile, RefusesOtherAlphabetsAndIncompleteMotifs)
{
    expectRefused({
        {"MEME version 4\nALPHABET= ACDEFGHIKLMNPQRSTVWY\n", "f line 2: alphabet 'ACDEFGHIKLMNPQRSTVWY' is not ACGT"},
        {"MEME version 4\nALPHABET \"RNA\" RNA-LIKE\n", "f line 2: alphabet '\"RNA\" RNA-LIKE' is not ACGT"},
        {meme(" alength= 20", "1 0 0 0\n"), "f line 4: alength= '20': a DNA matrix has 4 letters"},
        {"MEME version 4\nMOTIF\n", "f line 2: a MOTIF line without the motif's id"},
        {"MEME version 4\nMOTIF a\nURL x\nMOTIF b\n", "f line 4: motif 'a' has no letter-probability matrix"},
        {"MEME version 4\nMOTIF a\nURL x\n", "f line 3: motif 'a' has no letter-probability matrix"},
        {"MEME version 4\nletter-probability matrix: w= 1\n1 0 0 0\n",
            "f line 2: a letter-probability matrix without a MOTIF line before it"},
        {">\nA 1\n", "f line 1: a '>' line without the motif's id"},
    });
}

TEST(MotifFile, BoundsWhatAHostileFileMakesItHoldAndQuotes)
{
    std::string manyRows;
    for (int i = 0; i < 1001; ++i)
        manyRows += "1 0 0 0\n";
    std::string longRow = ">a\nA";
    for (int i = 0; i < 1001; ++i)
        longRow += " 1";
    expectRefused({
        // Refused at the header: nothing is set aside for rows that never come.
        {meme(" w= 1000000000000", ""), "f line 4: w= '1000000000000' is wider than the 1000 positions a motif may have"},
        {meme(" w= 99999999999999999999999", ""),
            "f line 4: w= '99999999999999999999999' is wider than the 1000 positions a motif may have"},
        {meme("", manyRows), "f line 1005: motif 'a' is wider than the 1000 positions a motif may have"},
        {longRow + "\n", "f line 2: a matrix row wider than the 1000 positions a motif may have"},
        // What an error quotes stays on its one line, and short.
        {meme("", "1 0 \x1b[31m\x01\xff 0\n"), "f line 5: not a number: '\\x1b[31m\\x01\\xff'"},
        {meme("", "1 0 " + std::string(100, 'x') + " 0\n"), "f line 5: not a number: '" + std::string(40, 'x') + "...'"},
    });
    EXPECT_EQ(parseMotifFile("", "new\nline").error, "new\\x0aline line 1: no motif in the file");
}

TEST(MotifFile, ReportsFilesItCannotRead)
{
    TempDir dir;
    EXPECT_EQ(readMotifFile(dir.file("missing.meme")).error, dir.file("missing.meme") + ": No such file or directory");
    EXPECT_EQ(readMotifFile(dir.path().string()).error, dir.path().string() + ": Is a directory");
    const std::string gzip = gzipBytes(readBytes(testData("motifs/known.meme")));
    writeBytes(dir.file("cut.meme.gz"), gzip.substr(0, gzip.size() / 2));
    const MotifFileContents cut = readMotifFile(dir.file("cut.meme.gz"));
    EXPECT_EQ(cut.error, dir.file("cut.meme.gz") + ": the gzip stream is truncated");
    EXPECT_TRUE(cut.motifs.empty());
}
