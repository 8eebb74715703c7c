#pragma once

#include <string>

/// A real as the tables and the report write it: general notation, six significant
/// digits, at least three exponent digits (1.5e-009), and "nan", "inf", "-inf".
std::string formatReal(double value);

/// Appends formatReal(value) to `out`.
void appendReal(std::string& out, double value);
