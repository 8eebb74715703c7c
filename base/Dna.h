#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

/// Code of a base in a 2-bit word code: A=0, C=1, G=2, T=3 (so that codes sort as the words
/// do, the first base in the highest bits); otherBase for every other byte.
inline constexpr std::uint8_t otherBase = 4;
inline constexpr std::array<std::uint8_t, 256> baseCodes = [] {
    std::array<std::uint8_t, 256> codes {};
    codes.fill(otherBase);
    codes['A'] = 0;
    codes['C'] = 1;
    codes['G'] = 2;
    codes['T'] = 3;
    return codes;
}();

/// The 2-bit code of the reverse complement of the word of `length` bases whose code is
/// `code`: the bases in reverse order, each exchanged for its complement (3 - code).
constexpr std::uint64_t reverseComplementCode(std::uint64_t code, int length)
{
    std::uint64_t reverse = 0;
    for (int i = 0; i < length; ++i, code >>= 2)
        reverse = (reverse << 2) | (3 - (code & 3));
    return reverse;
}

/// The complementary base of `c`: A and T, C and G exchanged (upper case only); every other
/// byte is its own complement.
constexpr char complementOf(char c)
{
    return c == 'A' ? 'T' : c == 'T' ? 'A' : c == 'C' ? 'G' : c == 'G' ? 'C' : c;
}

/// `word` read on the other strand: reversed, each byte replaced by its complement.
std::string reverseComplement(std::string_view word);

/// True when `word` reads the same on both strands, as ACGCGT does.
bool isOwnReverseComplement(std::string_view word);

/// True when every byte of `word` is one of A, C, G, T.
bool isDnaWord(std::string_view word);

/// The 2-bit code of an A/C/G/T word (its letters' digits in base 4, first letter first);
/// -1 for a word holding any other byte.
std::int64_t dnaWordCode(std::string_view word);

/// The word of `length` letters whose 2-bit code is `code`.
std::string dnaWordOf(std::int64_t code, int length);
