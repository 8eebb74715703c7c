#pragma once

// What the readers and writers of the motif formats share (MotifFormats.cpp holds it); not
// for use outside them.

#include "analysis/MotifFormats.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

/// Far wider than any binding site; it bounds what a damaged or hostile file makes us hold.
inline constexpr std::size_t maximumMotifWidth = 1000;

/// `text` without the blanks at either end.
std::string_view trimmed(std::string_view text);
/// Takes the first blank-separated token off the front of `text`; empty when none is left.
std::string_view takeToken(std::string_view& text);
/// True when `text` starts with `word` followed by a blank or nothing.
bool startsWithWord(std::string_view text, std::string_view word);

/// A piece of a file's text as a message quotes it: escaped, in quotes, cut short when long.
std::string quoted(std::string_view text);
/// The end of a message about a motif wider than maximumMotifWidth.
std::string tooWide();
/// The message for a matrix whose rows stop before its last.
std::string endedEarly(std::size_t rows, std::size_t of);

/// A decimal number as motif files write it (an optional sign, digits with an optional
/// fraction, an optional exponent), held as its sign, its leading significant digits and the
/// power of ten of the first of them, so that an E-value far outside the double range keeps
/// its logarithm.
struct Decimal {
    bool negative = false;
    double leading = 0.0;      ///< d.ddd..., from 1 up to 10; 0 for the number 0
    std::int64_t exponent = 0; ///< the power of ten of the first significant digit
    double log10() const { return leading == 0.0 ? -std::numeric_limits<double>::infinity() : std::log10(leading) + static_cast<double>(exponent); }
};

/// The Decimal that is all of `token`; false when `token` is something else.
bool decimalOf(std::string_view token, Decimal& number);
/// True for the words of infinity and NaN, which from_chars would take for numbers.
bool namesNonFinite(std::string_view token);
/// True when the first token of `text` starts like a number: a digit after an optional
/// sign and point, or infinity or NaN (to be refused as such); a line of dashes does not.
bool startsLikeNumber(std::string_view text);

inline constexpr const char* notANumber = "not a number";
inline constexpr const char* notFinite = "not a finite number";

/// A number read from a motif file, or what is wrong with it.
struct Reading {
    double value = 0.0;
    const char* problem = nullptr; ///< null when the number is fine
};

/// The real that is all of `token`: rounded as from_chars rounds, 0 when it lies below the
/// smallest double, refused when it lies above the largest.
Reading realOf(std::string_view token);

/// The lines of a text, ending in LF, CR LF or CR, with their 1-based numbers. Copying one
/// looks ahead.
class LineReader {
public:
    explicit LineReader(std::string_view text)
        : rest(text)
    {
    }

    /// Takes the next line, without its line end; false at the end of the text.
    bool next(std::string_view& line)
    {
        if (rest.empty())
            return false;
        std::size_t end = 0;
        while (end < rest.size() && rest[end] != '\n' && rest[end] != '\r')
            ++end;
        line = rest.substr(0, end);
        if (end < rest.size())
            end += rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n' ? 2 : 1;
        rest.remove_prefix(end);
        ++number_;
        return true;
    }

    /// The number of the line last taken; 0 before the first.
    std::size_t number() const { return number_; }

private:
    std::string_view rest;
    std::size_t number_ = 0;
};

/// One reading of a motif file's text: its lines, its name for the message, and the motifs
/// read so far. The first problem ends the reading: each step returns false once it failed.
struct MotifReader {
    MotifReader(std::string_view text, const std::string& name)
        : lines(text)
        , name(name)
    {
    }

    /// Makes the contents malformed at `line` with `what`, unless a problem came first; false.
    bool fail(std::size_t line, const std::string& what);
    /// The same at the line last taken.
    bool fail(const std::string& what) { return fail(lines.number(), what); }
    /// Reads the weight `token` of a matrix row into `value`: a finite number, not below 0.
    bool weight(std::string_view token, double& value);

    LineReader lines;
    const std::string& name;
    MotifFileContents contents;
};

/// Reads the motifs of a MEME file from the start of its text into the reader's contents;
/// false when one is wrong.
bool readMemeMotifs(MotifReader& reader);
/// Reads the motifs of a JASPAR file the same way.
bool readJasparMotifs(MotifReader& reader);

/// The rows of `motif` as the count matrices write them: a row summing to 0 (a position no
/// site covers) as the motif's sites spread evenly, so that no reader divides by 0.
std::vector<BaseWeights> writtenCounts(const Motif& motif);
/// Appends `text` right-aligned in `width` columns (as it is when longer).
void appendPadded(std::string& out, std::string_view text, std::size_t width);
