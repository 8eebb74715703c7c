#include "base/RealFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

void appendReal(std::string& out, double value)
{
    if (std::isnan(value)) {
        out += "nan";
        return;
    }
    if (std::isinf(value)) {
        out += value < 0 ? "-inf" : "inf";
        return;
    }
    // Whole numbers below a million read the same in general notation; tables are full of -1.
    if (value == std::trunc(value) && std::fabs(value) < 1e6 && !(value == 0 && std::signbit(value))) {
        char digits[16];
        auto written = std::to_chars(digits, digits + sizeof digits, static_cast<long>(value));
        out.append(digits, written.ptr);
        return;
    }
    char text[40];
    int n = std::snprintf(text, sizeof text, "%g", value);
    char* exponent = std::strchr(text, 'e');
    if (!exponent) {
        out.append(text, static_cast<std::size_t>(n));
        return;
    }
    // The C library writes at least two exponent digits; the tables carry at least three.
    char* digits = exponent + 2;
    std::size_t digitCount = std::strlen(digits);
    out.append(text, static_cast<std::size_t>(digits - text));
    for (std::size_t i = digitCount; i < 3; ++i)
        out += '0';
    out.append(digits, digitCount);
}

std::string formatReal(double value)
{
    std::string out;
    appendReal(out, value);
    return out;
}
