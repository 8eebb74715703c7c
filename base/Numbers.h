#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

/// A decimal integer read from the start of a text.
struct ParsedInteger {
    std::int64_t value = 0; ///< held at the nearest end of the 64-bit range when it overflows
    std::size_t end = 0;    ///< where the number ends: the first byte after its digits
    bool digits = false;    ///< false when no digit follows the blanks and the sign
    bool overflow = false;  ///< true when the number lies outside the 64-bit range
};

/// Reads a decimal integer as the project's text files and command lines write them:
/// blanks (space, tab, line ends, vertical tab, form feed) skipped, an optional + or -,
/// then the digits up to the first other byte.
ParsedInteger parseInteger(std::string_view text);

/// True for the blanks parseInteger skips.
constexpr bool isBlank(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
