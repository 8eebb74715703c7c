#pragma once

#include <cstddef>
#include <string>
#include <string_view>

/// How a FASTA input's letters are masked before counting.
enum class Masking { None, Lower, Dust };
/// The name of a masking as the command line takes it: "none", "lower", "dust".
const char* maskingName(Masking masking);
/// The masking named `name`; false when there is none of that name.
bool maskingNamed(std::string_view name, Masking& masking);
/// Replaces every lower-case letter by 'N'; the number of bytes masked.
std::size_t maskLowerCase(std::string& sequence);
/// Replaces by 'N' every letter of a low-complexity region (symmetric DUST); the number masked.
std::size_t maskLowComplexity(std::string& sequence, int window = 64, double threshold = 20.0);
