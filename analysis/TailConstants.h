#pragma once

#include <limits>

// Numbers the tail probabilities share, as natural and decimal logarithms go.
namespace tail {

inline constexpr double log10OfE = 0.434294481903251827651128918916605082;
inline constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
/// log10 P of an impossible outcome, and of a certain one.
inline constexpr double impossible = -std::numeric_limits<double>::infinity();
inline constexpr double certain = 0.0;
/// Beyond 2^53 not every whole number is a double.
inline constexpr double largestWhole = 9007199254740992.0;

} // namespace tail
