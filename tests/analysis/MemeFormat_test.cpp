#include "MotifSamples.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(MemeFormat, ReadsAMemeFile)
{
    const MotifFileContents read = readMotifFile(testData("motifs/known.meme"));
    ASSERT_TRUE(read.ok()) << read.message;
    EXPECT_EQ(read.status, MotifFileStatus::Read);
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

TEST(MemeFormat, MatricesWithoutWidthOrWithOddNumbers)
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
    ASSERT_TRUE(read.ok()) << read.message;
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

TEST(MemeFormat, RefusesMatricesOfTheWrongShape)
{
    expectRefused({
        {memeWithHeader("", "1 0 0\n"), "f line 5: a matrix row needs 4 numbers, the weights of A, C, G and T; this one has 3"},
        {memeWithHeader("", "1 0 0 0 0\n"), "f line 5: a matrix row needs 4 numbers, the weights of A, C, G and T; this one has more"},
        {memeWithHeader(" w= 6", "1 0 0 0\n0 1 0 0\n\n0 0 1 0\nMOTIF b\n"), "f line 9: the matrix ends after 3 of its 6 rows"},
        {memeWithHeader(" w= 6", "1 0 0 0\n"), "f line 5: the matrix ends after 1 of its 6 rows"},
        {memeWithHeader(" w= 2", "1 0 0 0\n0 1 0 0\n0 0 1 0\n"), "f line 7: more rows than the matrix's w= 2"},
        {memeWithHeader(" w= 0", "1 0 0 0\n"), "f line 4: the matrix has no rows: w= 0"},
        {memeWithHeader("", "MOTIF b\n"), "f line 4: the matrix has no rows"},
        {memeWithHeader(" w=", "1 0 0 0\n"), "f line 4: w= without a value"},
    });
}

TEST(MemeFormat, RefusesNumbersThatAreNoWeightsSitesOrWidths)
{
    expectRefused({
        {memeWithHeader("", "0.5 0.5 x 0\n"), "f line 5: not a number: 'x'"},
        {memeWithHeader("", "0.5 0.5 1e999 0\n"), "f line 5: not a finite number: '1e999'"},
        {memeWithHeader(" w= 1", "nan 0 0 1\n"), "f line 5: not a finite number: 'nan'"},
        {memeWithHeader("", "-0.1 0.6 0.5 0\n"), "f line 5: a negative weight: '-0.1'"},
        {memeWithHeader(" nsites= -3", "1 0 0 0\n"), "f line 4: a negative number of sites: nsites= '-3'"},
        {memeWithHeader(" E= 1e-5x", "1 0 0 0\n"), "f line 4: not a number: E= '1e-5x'"},
        {memeWithHeader(" E= 1e99999999999999999999", "1 0 0 0\n"), "f line 4: not a number: E= '1e99999999999999999999'"},
        {memeWithHeader(" E= -0.1", "1 0 0 0\n"), "f line 4: a negative E-value: E= '-0.1'"},
        {memeWithHeader(" w= 2.5", "1 0 0 0\n"), "f line 4: w= '2.5' is not a number of rows"},
    });
}

TEST(MemeFormat, RefusesOtherAlphabetsAndIncompleteMotifs)
{
    expectRefused({
        {"MEME version 4\nALPHABET= ACDEFGHIKLMNPQRSTVWY\n", "f line 2: alphabet 'ACDEFGHIKLMNPQRSTVWY' is not ACGT"},
        {"MEME version 4\nALPHABET \"RNA\" RNA-LIKE\n", "f line 2: alphabet '\"RNA\" RNA-LIKE' is not ACGT"},
        {memeWithHeader(" alength= 20", "1 0 0 0\n"), "f line 4: alength= '20': a DNA matrix has 4 letters"},
        {"MEME version 4\nMOTIF\n", "f line 2: a MOTIF line without the motif's id"},
        {"MEME version 4\nMOTIF a\nURL x\nMOTIF b\n", "f line 4: motif 'a' has no letter-probability matrix"},
        {"MEME version 4\nMOTIF a\nURL x\n", "f line 3: motif 'a' has no letter-probability matrix"},
        {"MEME version 4\nletter-probability matrix: w= 1\n1 0 0 0\n",
            "f line 2: a letter-probability matrix without a MOTIF line before it"},
    });
}

TEST(MemeFormat, WritesTheGoldenFileAndAUniformBackgroundForABrokenOne)
{
    EXPECT_TRUE(matchesGolden("motifs/expected.meme", memeText(sampleMotifs(), sampleBackground)));
    for (const BaseWeights& broken : {BaseWeights {NAN, 1, 1, 1}, BaseWeights {1, -1, 1, 1}, BaseWeights {0, 0, INFINITY, 0}})
        EXPECT_NE(memeText({}, broken).find("\nA 0.250 C 0.250 G 0.250 T 0.250\n"), std::string::npos);
}

TEST(MemeFormat, WrittenFileReadsBackAsTheSameMatrices)
{
    const std::vector<Motif> written = sampleMotifs();
    const MotifFileContents meme = parseMotifFile(memeText(written, sampleBackground), "motifs.meme");
    EXPECT_TRUE(sameMatrices(meme, written, 1e-6));
    ASSERT_EQ(meme.motifs.size(), 3u);
    EXPECT_EQ(meme.motifs[0].sites, 3.0);
    EXPECT_NEAR(meme.motifs[0].log10E, written[0].log10E, 0.01);
    EXPECT_NEAR(meme.motifs[2].log10E, -12.5, 0.01);
}
