#include "base/RealFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

std::string formatFromLog10(double log10Value, int significant)
{
    if (std::isnan(log10Value))
        return "nan";
    if (log10Value == -INFINITY)
        return "0";
    if (log10Value == INFINITY)
        return "inf";
    char text[64];
    char* end = text + sizeof text;
    if (log10Value >= -4.0 && log10Value < 6.0) {
        const double value = std::pow(10.0, log10Value);
        const auto written = log10Value >= significant ? std::to_chars(text, end, value, std::chars_format::fixed, 0)
                                                       : std::to_chars(text, end, value, std::chars_format::general, significant);
        return std::string(text, written.ptr);
    }
    double exponent = std::floor(log10Value);
    double mantissa = std::pow(10.0, log10Value - exponent);
    auto written = std::to_chars(text, end, mantissa, std::chars_format::fixed, significant - 1);
    // Rounding to the digits shown may carry the mantissa to 10.
    if (written.ptr - text >= 2 && text[0] == '1' && text[1] == '0') {
        exponent += 1.0;
        written = std::to_chars(text, end, mantissa / 10.0, std::chars_format::fixed, significant - 1);
    }
    std::string out(text, written.ptr);
    out += 'e';
    out += std::to_string(static_cast<long long>(exponent));
    return out;
}

void appendNumber(std::string& out, double value, std::chars_format format, int precision)
{
    // Room for the 309 digits of the largest double and the decimals.
    char text[400];
    auto written = std::to_chars(text, text + sizeof text, value, format, precision);
    if (written.ec != std::errc())
        written = std::to_chars(text, text + sizeof text, value);
    out.append(text, written.ptr);
}
