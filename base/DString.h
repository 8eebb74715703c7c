#pragma once

#include "base/Diagnostics.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

/// The system's byte string: an owned, zero-terminated copy of its text and the text's length.
/// The null DString holds no buffer at all; the empty text holds a one-byte buffer.
/// Lengths are 64-bit so that a genome-scale sequence never wraps.
class DString {
public:
    /// The null DString.
    DString() = default;
    /// A copy of the zero-terminated `text`.
    DString(const char* text);
    /// A copy of `count` bytes at `bytes`; the caller guarantees they hold no zero byte.
    DString(const char* bytes, std::size_t count);
    DString(const DString& other);
    DString(DString&& other) noexcept;
    ~DString();

    DString& operator=(const DString& other);
    DString& operator=(DString&& other) noexcept;
    /// Holds a copy of the zero-terminated `text`.
    DString& operator=(const char* text);

    /// Its text followed by the other's, both measured up to their zero bytes.
    DString operator+(const DString& other) const;
    /// Becomes `*this + other`.
    DString& operator+=(const DString& other);

    /// The bytes from `start` up to, not including, `end`; the null DString (and a
    /// diagnostic line to `diagnostics`) when `end < start`. The caller keeps
    /// 0 <= start <= end <= length().
    DString substr(std::int64_t start, std::int64_t end, const Diagnostics& diagnostics = {}) const;

    /// Zero-terminated comparison of the two texts; the null DString compares as "".
    bool operator==(const DString& other) const;
    /// 1 when the lengths agree and the first length() bytes are equal, else 0.
    int equals(const DString& other) const;

    /// Number of bytes before the terminating zero.
    std::size_t length() const { return length_; }
    /// The byte at `index`, or the zero byte when `index` is outside the text (negative included).
    char at(std::int64_t index) const;
    /// Overwrites the byte at `index`; the caller keeps `index` inside the text.
    void set(char byte, std::int64_t index) { text_[index] = byte; }
    /// The zero-terminated text, or null for the null DString.
    const char* text() const { return text_; }
    std::string_view view() const { return {text_ ? text_ : "", length_}; }

    /// Takes ownership of `buffer` (from `new char[count + 1]`, zero at `count`) without copying.
    static DString adopt(char* buffer, std::size_t count);

private:
    char* text_ = nullptr;
    std::size_t length_ = 0;
};
