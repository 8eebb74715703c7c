#pragma once

// Finding the line ends of a text fast: a table file is mostly line ends.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

/// The LF bytes of a text in order, found 64 bytes at a time.
class LineFeeds {
public:
    LineFeeds(const char* begin, const char* end)
        : text(begin)
        , size(static_cast<std::size_t>(end - begin))
        , mask(maskAt(0))
    {
    }

    /// The first LF after the one last returned (from the start of the text at first), or
    /// null when there is none.
    const char* next()
    {
        while (mask == 0) {
            window += 64;
            if (window >= size)
                return nullptr;
            mask = maskAt(window);
        }
        const char* found = text + window + static_cast<std::size_t>(std::countr_zero(mask));
        mask &= mask - 1;
        return found;
    }

private:
    /// Bit i set when the byte at `offset + i` is an LF, for the bytes of the text.
    std::uint64_t maskAt(std::size_t offset) const
    {
        if (size - offset >= 64)
            return lineFeedBits(text + offset);
        char last[64] = {};
        std::memcpy(last, text + offset, size - offset);
        return lineFeedBits(last);
    }

    /// Bit i set when bytes[i] is an LF, for 64 bytes, eight at a time: in each eight, the
    /// high bit of a byte ends up set exactly when the byte was an LF, and a multiplication
    /// gathers those eight bits into one byte.
    static std::uint64_t lineFeedBits(const char* bytes)
    {
        constexpr std::uint64_t lowBits = 0x7F7F7F7F7F7F7F7FULL;
        std::uint64_t bits = 0;
        for (int part = 0; part < 8; ++part) {
            std::uint64_t word;
            std::memcpy(&word, bytes + 8 * part, sizeof word);
            if constexpr (std::endian::native == std::endian::big)
                word = __builtin_bswap64(word);
            const std::uint64_t zeroed = word ^ 0x0A0A0A0A0A0A0A0AULL;
            const std::uint64_t found = ~(((zeroed & lowBits) + lowBits) | zeroed) & ~lowBits;
            bits |= ((found >> 7) * 0x0102040810204080ULL >> 56) << (8 * part);
        }
        return bits;
    }

    const char* text;
    std::size_t size;
    std::size_t window = 0; ///< offset of the 64 bytes `mask` covers
    std::uint64_t mask;
};
