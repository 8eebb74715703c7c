#include "analysis/ProbabilityMatrix.h"

#include <gtest/gtest.h>

TEST(ProbabilityMatrix, BuiltFromAWord)
{
    ProbabilityMatrix m(DString("ACGTNA"));
    ASSERT_EQ(m.rowCount(), 6);
    EXPECT_EQ(m.probability(0, 'A'), 0.7);
    EXPECT_EQ(m.probability(5, 'A'), 0.7);
    EXPECT_EQ(m.probability(1, 'C'), 0.7);
    EXPECT_EQ(m.probability(2, 'G'), 0.7);
    EXPECT_EQ(m.probability(3, 'T'), 0.7);
    EXPECT_EQ(m.probability(0, 'T'), 0.1);
    for (char base : {'A', 'T', 'G', 'C'})
        EXPECT_EQ(m.probability(4, base), 0.1);
    EXPECT_EQ(m.probability(0, 'N'), -1.0);
    EXPECT_EQ(m.probability(0, 'a'), -1.0);
}

TEST(ProbabilityMatrix, SettingOnlyTakesTheFourBases)
{
    ProbabilityMatrix m(2);
    m.setProbability(1, 'G', 0.25);
    m.setProbability(1, 'N', 0.5);
    m.setProbability(1, 'g', 0.5);
    EXPECT_EQ(m.probability(1, 'G'), 0.25);
    EXPECT_EQ(m.probability(1, 'A') + m.probability(1, 'T') + m.probability(1, 'C'), 0.0);
}

TEST(ProbabilityMatrix, RebuildCountsEmptyWordsButNoBases)
{
    ProbabilityMatrix m(DString("AAAA"));
    m.rebuild({DString("ACGT"), DString(""), DString("ANGT"), DString("")});
    EXPECT_EQ(m.probability(0, 'A'), 0.5);
    EXPECT_EQ(m.probability(1, 'C'), 0.25);
    EXPECT_EQ(m.probability(1, 'A') + m.probability(1, 'T') + m.probability(1, 'G'), 0.0);
    EXPECT_EQ(m.probability(3, 'T'), 0.5);
}
