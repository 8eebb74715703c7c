#pragma once

#include <charconv>
#include <string>

/// Appends a real as the tables and the report write it: general notation, six significant
/// digits, at least three exponent digits (1.5e-009), and "nan", "inf", "-inf".
void appendReal(std::string& out, double value);

/// The number whose decimal logarithm is `log10Value`, in exponent notation with
/// `significant` digits (3.2e-2384), so that it can be written however far below the
/// smallest double it lies; plain notation from 1e-4 up to 1e6.
std::string formatFromLog10(double log10Value, int significant = 3);

/// Appends `value` as printf's %.{precision}g or %.{precision}f would write it; a number too
/// long for that (a huge one in fixed notation) in its shortest form instead.
void appendNumber(std::string& out, double value, std::chars_format format, int precision);
