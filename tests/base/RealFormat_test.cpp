#include "base/RealFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(RealFormat, SixSignificantDigitsAndThreeExponentDigits)
{
    const std::pair<double, const char*> cases[] = {
        {0.25, "0.25"},
        {1.0, "1"},
        {-1.0, "-1"},
        {1.0 / 3.0, "0.333333"},
        {100.0 / 3.0, "33.3333"},
        {100.0, "100"},
        {0.000123456789, "0.000123457"},
        {1234567.0, "1.23457e+006"},
        {2.5e-12, "2.5e-012"},
        {1.5e-9, "1.5e-009"},
        {1e-300, "1e-300"},
        {std::nan(""), "nan"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(formatReal(value), text);
}
