#include "base/Dna.h"

#include <gtest/gtest.h>

TEST(Dna, ReverseComplementKeepsOtherBytesAsTheyAre)
{
    EXPECT_EQ(reverseComplement("AACGTN"), "NACGTT");
    EXPECT_EQ(reverseComplement("ACGTACGT"), "ACGTACGT");
    EXPECT_EQ(reverseComplement("AAACCC"), "GGGTTT");
    EXPECT_EQ(reverseComplement("acgT"), "Agca");
    EXPECT_EQ(reverseComplement(""), "");
    EXPECT_TRUE(isOwnReverseComplement("ACGCGT"));
    EXPECT_FALSE(isOwnReverseComplement("ACGCGA"));
}
