#include "TestSupport.h"

#include "base/DString.h"

#include <gtest/gtest.h>

TEST(DString, SubstrIsHalfOpen)
{
    const DString s("ACGTACGT");
    DString middle = s.substr(2, 5);
    EXPECT_EQ(middle.view(), "GTA");
    EXPECT_EQ(middle.length(), 3u);
    EXPECT_EQ(s.substr(0, 8).view(), "ACGTACGT");

    DString empty = s.substr(3, 3);
    EXPECT_FALSE(empty.text() == nullptr);
    EXPECT_EQ(empty.length(), 0u);
    EXPECT_STREQ(empty.text(), "");
}

TEST(DString, SubstrWithEndBeforeStartGivesNullAndOneDiagnostic)
{
    CaptureDiagnostics log;
    DString result = DString("ACGTACGT").substr(5, 2, log.diagnostics());
    EXPECT_TRUE(result.text() == nullptr);
    EXPECT_EQ(result.length(), 0u);
    EXPECT_EQ(log.text(), "DString::substr (error) end < start\n");
}

TEST(DString, AtReturnsZeroOutsideTheText)
{
    const DString s("ACGT");
    EXPECT_EQ(s.at(0), 'A');
    EXPECT_EQ(s.at(3), 'T');
    EXPECT_EQ(s.at(4), '\0');
    EXPECT_EQ(s.at(-1), '\0');
    EXPECT_EQ(DString().at(0), '\0');
}

TEST(DString, JoiningLeavesOperandsAlone)
{
    const DString left("ACG");
    const DString right("TT");
    DString joined = left + right;
    EXPECT_EQ(joined.view(), "ACGTT");
    EXPECT_EQ(joined.length(), 5u);
    EXPECT_EQ(left.view(), "ACG");
    EXPECT_EQ(right.view(), "TT");

    DString grown("AC");
    grown += DString("GT");
    EXPECT_EQ(grown.view(), "ACGT");
    EXPECT_EQ(grown.length(), 4u);
    grown += grown;
    EXPECT_EQ(grown.view(), "ACGTACGT");

    // The null DString joins as the empty text.
    EXPECT_EQ((DString() + DString("AC")).view(), "AC");
    EXPECT_EQ((DString("AC") + DString()).view(), "AC");
}

TEST(DString, EqualsComparesLengthsWhileEqualityComparesTexts)
{
    const DString acgt("ACGT");
    EXPECT_EQ(acgt.equals(DString("ACGA")), 0);
    EXPECT_EQ(acgt.equals(DString("ACG")), 0);
    EXPECT_EQ(acgt.equals(DString(acgt)), 1);
    EXPECT_TRUE(acgt == DString("ACGT"));
    EXPECT_FALSE(acgt == DString("ACGTA"));
    EXPECT_FALSE(acgt == DString("ACGA"));

    // A zero byte written into the text ends it for ==, but not for equals.
    DString cut(acgt);
    cut.set('\0', 2);
    EXPECT_TRUE(cut == DString("AC"));
    EXPECT_EQ(cut.equals(DString("AC")), 0);
}

TEST(DString, NullDiffersFromEmpty)
{
    const DString null;
    const DString empty("");
    EXPECT_TRUE(null.text() == nullptr);
    EXPECT_EQ(null.text(), nullptr);
    EXPECT_FALSE(empty.text() == nullptr);
    EXPECT_EQ(null.length(), empty.length());

    DString copied(null);
    EXPECT_TRUE(copied.text() == nullptr);
    DString assigned("AC");
    assigned = null;
    EXPECT_TRUE(assigned.text() == nullptr);
    EXPECT_EQ(assigned.length(), 0u);

    // Compared as texts, the null DString reads as the empty text.
    EXPECT_TRUE(null == empty);
    EXPECT_EQ(null.equals(empty), 1);
}

TEST(DString, CopiesOwnTheirBytes)
{
    const DString original("AAAA");
    DString copy(original);
    copy.set('T', 0);
    EXPECT_EQ(copy.view(), "TAAA");
    EXPECT_EQ(original.view(), "AAAA");

    DString assigned;
    assigned = original;
    assigned.set('G', 3);
    DString& same = assigned;
    assigned = same;
    EXPECT_EQ(assigned.view(), "AAAG");
    EXPECT_EQ(original.view(), "AAAA");
}
