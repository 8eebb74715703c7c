#pragma once

// The codes the word counter works on, and the small operations on them that its counting
// and its gathering of the words share: a word's bytes packed into 64 bits (first byte
// lowest), and dense codes of A, C, G, T, N as digits in base 4 or 5 (first base highest).

#include "base/Dna.h"
#include "sequence/WordCounter.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

/// Bytes a window reaches past its first: those a run of the longest words carries over.
inline constexpr std::size_t span = WordCounter::maximumLength - 1;

/// Digits of the dense codes: A, C, G, T as in baseCodes, then N; every other byte is outside.
inline constexpr char digitLetters[5] = {'A', 'C', 'G', 'T', 'N'};
inline constexpr std::uint8_t nDigit = 4;
inline constexpr std::uint8_t outside = 5;
inline constexpr std::array<std::uint8_t, 256> digitCodes = [] {
    std::array<std::uint8_t, 256> codes {};
    codes.fill(outside);
    for (std::uint8_t d = 0; d < 5; ++d)
        codes[static_cast<unsigned char>(digitLetters[d])] = d;
    return codes;
}();
/// A byte's digit in a code: outside bytes count as A, since no window holding one takes its code.
inline constexpr std::array<std::uint8_t, 256> codeDigits = [] {
    std::array<std::uint8_t, 256> digits = digitCodes;
    for (std::uint8_t& digit : digits)
        digit = digit == outside ? 0 : digit;
    return digits;
}();
inline constexpr std::array<std::uint8_t, 5> complementDigits = [] {
    std::array<std::uint8_t, 5> digits {};
    for (std::size_t d = 0; d < 5; ++d)
        digits[d] = digitCodes[static_cast<unsigned char>(complementOf(digitLetters[d]))];
    return digits;
}();
inline constexpr std::array<std::uint8_t, 256> complementBytes = [] {
    std::array<std::uint8_t, 256> complement {};
    for (int i = 0; i < 256; ++i)
        complement[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(complementOf(static_cast<char>(i)));
    return complement;
}();

/// `radix` to the power `exponent`.
inline constexpr std::uint32_t power(std::uint32_t radix, int exponent)
{
    std::uint32_t p = 1;
    for (int i = 0; i < exponent; ++i)
        p *= radix;
    return p;
}
inline constexpr std::uint32_t letterWords8 = power(5, 8);

/// The code, in base `radix`, of the reverse complement of the word of `length` digits `code`.
inline std::uint32_t reverseComplementDigits(std::uint32_t code, int length, std::uint32_t radix)
{
    std::uint32_t reverse = 0;
    for (int i = 0; i < length; ++i, code /= radix)
        reverse = reverse * radix + complementDigits[code % radix];
    return reverse;
}

/// The bytes of the word of `length` digits `code` in base `radix`, first byte lowest.
inline std::uint64_t packDigits(std::uint32_t code, int length, std::uint32_t radix)
{
    std::uint64_t bytes = 0;
    for (int i = length; i-- > 0; code /= radix)
        bytes |= static_cast<std::uint64_t>(static_cast<unsigned char>(digitLetters[code % radix])) << (8 * i);
    return bytes;
}

/// True when the word of `length` base-5 digits `code` holds an N.
inline bool holdsN(std::uint32_t code, int length)
{
    for (int i = 0; i < length; ++i, code /= 5)
        if (code % 5 == nDigit)
            return true;
    return false;
}

/// True when the first `length` bytes of the packed word hold a byte other than A, C, G, T, N.
inline bool holdsOutside(std::uint64_t bytes, int length)
{
    for (int i = 0; i < length; ++i)
        if (digitCodes[(bytes >> (8 * i)) & 0xFF] == outside)
            return true;
    return false;
}

/// The eight bytes at `bytes`, the first lowest.
inline std::uint64_t loadWord(const unsigned char* bytes)
{
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::big)
        word = __builtin_bswap64(word);
    return word;
}

/// The packed word of `length` bytes read on the other strand.
inline std::uint64_t reverseComplementBytes(std::uint64_t bytes, int length)
{
    std::uint64_t result = 0;
    for (int i = 0; i < length; ++i) {
        std::uint8_t byte = static_cast<std::uint8_t>(bytes >> (8 * i));
        result |= static_cast<std::uint64_t>(complementBytes[byte]) << (8 * (length - 1 - i));
    }
    return result;
}

/// The slot of a word in a table of 2^(64 - shift) slots. Every bit of the word reaches every
/// bit of the hash: a word's prefix, and the same word in another table, land apart from it,
/// so that a table filled in the slot order of another does not pile its words up.
inline std::size_t slotOf(std::uint64_t bytes, int shift)
{
    bytes ^= bytes >> 33;
    bytes *= 0xFF51AFD7ED558CCDull;
    bytes ^= bytes >> 33;
    bytes *= 0xC4CEB9FE1A85EC53ull;
    bytes ^= bytes >> 33;
    return static_cast<std::size_t>(bytes >> shift);
}

/// The first `length` bytes of a packed word.
inline std::uint64_t prefixOf(std::uint64_t bytes, int length)
{
    return bytes & ((std::uint64_t(1) << (8 * length)) - 1);
}
