#pragma once

#include <string>
#include <string_view>

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
