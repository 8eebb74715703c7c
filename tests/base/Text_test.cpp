#include "base/Text.h"

#include <gtest/gtest.h>

TEST(Text, ControlBytesAndOptionallyHighBytesAreEscaped)
{
    const std::string text = std::string("a\nb\r\t\x1b[0m\x7f \x01 caf\xc3\xa9 ~") + '\0';
    EXPECT_EQ(escapeControlBytes(text), "a\\x0ab\\x0d\\x09\\x1b[0m\\x7f \\x01 caf\xc3\xa9 ~\\x00");
    EXPECT_EQ(escapeControlBytes(text, true), "a\\x0ab\\x0d\\x09\\x1b[0m\\x7f \\x01 caf\\xc3\\xa9 ~\\x00");
    EXPECT_EQ(escapeControlBytes("plain text, kept as it is"), "plain text, kept as it is");
    EXPECT_EQ(escapeControlBytes(""), "");
}
