#include "MotifSamples.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(JasparFormat, ReadsAJasparFileInEachRowForm)
{
    const MotifFileContents read = readMotifFile(testData("motifs/known.jaspar"));
    ASSERT_TRUE(read.ok()) << read.message;
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

TEST(JasparFormat, RefusesMatricesOfTheWrongShape)
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
        {">\nA 1\n", "f line 1: a '>' line without the motif's id"},
    });
}

TEST(JasparFormat, RefusesNumbersThatAreNoCounts)
{
    expectRefused({
        {">a\nA [ 1 2 x ]\n", "f line 2: not a number: 'x'"},
        {">a\n1 2\n3 -4\n", "f line 3: a negative weight: '-4'"},
    });
}

TEST(JasparFormat, WritesTheGoldenFileThatReadsBackAsTheSameMatrices)
{
    const std::vector<Motif> written = sampleMotifs();
    EXPECT_TRUE(matchesGolden("motifs/expected.jaspar", jasparText(written)));
    const MotifFileContents jaspar = parseMotifFile(jasparText(written), "motifs.jaspar");
    EXPECT_TRUE(sameMatrices(jaspar, written, 1e-3));
    ASSERT_EQ(jaspar.motifs.size(), 3u);
    EXPECT_EQ(jaspar.motifs[0].sites, 3.0);
    EXPECT_EQ(jaspar.motifs[2].sites, 50.0);
}
