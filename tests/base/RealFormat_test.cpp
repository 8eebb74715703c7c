#include "TestSupport.h"

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

TEST(RealFormat, NumbersFromTheirLogarithmsNeverReadZero)
{
    const std::pair<double, const char*> cases[] = {
        {-2383.49485002168, "3.20e-2384"}, // log10(3.2e-2384)
        {-100000.0, "1.00e-100000"},
        {-400.0, "1.00e-400"},
        {-5.0, "1.00e-5"},
        {std::log10(9.996e-7), "1.00e-6"}, // the mantissa rounds up to 10
        {-3.0, "0.001"},
        {0.0, "1"},
        {std::log10(0.5), "0.5"},
        {std::log10(2080.0), "2080"},
        {std::log10(32896.0), "32896"},
        {7.0, "1.00e7"},
        {-INFINITY, "0"},
        {std::nan(""), "nan"},
    };
    for (const auto& [log10Value, text] : cases)
        EXPECT_EQ(formatFromLog10(log10Value), text) << log10Value;
    EXPECT_EQ(formatFromLog10(-2383.49485002168, 2), "3.2e-2384");
}
