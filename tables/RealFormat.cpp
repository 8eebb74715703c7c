#include "tables/RealFormat.h"

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
