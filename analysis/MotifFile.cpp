// Two kinds of motif file, told apart by their first line that is not blank.
//
// The MEME suite's minimal motif format, version 4:
//   MEME version 4
//   ALPHABET= ACGT                      optional; any other alphabet is refused
//   strands: + -                        optional, like the background lines; skipped
//   Background letter frequencies
//   A 0.303 C 0.183 G 0.209 T 0.306
//   MOTIF id [alternative name]
//   URL ...                             any lines up to the matrix are skipped
//   letter-probability matrix: alength= 4 w= 19 nsites= 17 E= 4.1e-009
//   w rows of the probabilities of A, C, G and T; without w=, the rows up to the first other line
//
// JASPAR count matrices:
//   >id name
//   A [ 4 19 0 ]                        four rows, one per letter, each "A [ ... ]", "A ...", or
//   C [ 16 0 20 ]                       bare numbers taking the letters in the order A C G T; all
//   G [ 0 1 0 ]                         with one count per position
//   T [ 0 0 0 ]
//
// Lines end in LF, CR LF or CR; a UTF-8 byte order mark at the start is skipped.

#include "analysis/MotifFile.h"

#include "base/Numbers.h"
#include "sequence/InputStream.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>

namespace {

/// Far wider than any binding site; it bounds what a damaged or hostile file makes us hold.
constexpr std::size_t maximumMotifWidth = 1000;
/// Far more than the largest motif collection; it bounds what a file (or a gzip bomb) makes us hold.
constexpr std::size_t maximumMotifFileBytes = std::size_t(256) << 20;
/// Bytes of a file's text an error quotes at most.
constexpr std::size_t quotedBytes = 40;

constexpr std::string_view memeFirstLine = "MEME version";
constexpr std::string_view memeMotifKeyword = "MOTIF";
constexpr std::string_view memeMatrixKeyword = "letter-probability matrix:";
constexpr std::string_view memeAlphabetKeyword = "ALPHABET";
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

/// Takes the first blank-separated token off the front of `text`; empty when none is left.
std::string_view takeToken(std::string_view& text)
{
    std::size_t start = 0;
    while (start < text.size() && isBlank(static_cast<unsigned char>(text[start])))
        ++start;
    std::size_t end = start;
    while (end < text.size() && !isBlank(static_cast<unsigned char>(text[end])))
        ++end;
    const std::string_view token = text.substr(start, end - start);
    text.remove_prefix(end);
    return token;
}

bool startsWithWord(std::string_view text, std::string_view word)
{
    return text.starts_with(word) && (text.size() == word.size() || isBlank(static_cast<unsigned char>(text[word.size()])));
}

/// `text` with every byte that is not printable ASCII written as \xNN, so that it cannot
/// break the one line of an error; with `ascii` false, bytes from 0x80 up (UTF-8 in a path)
/// stay as they are.
std::string escaped(std::string_view text, bool ascii)
{
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || (ascii && byte >= 0x80)) {
            out += "\\x";
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

/// A piece of a file's text as an error quotes it: escaped, in quotes, cut short when long.
std::string quoted(std::string_view text)
{
    std::string out = "'";
    out += escaped(text.substr(0, quotedBytes), true);
    out += text.size() > quotedBytes ? "...'" : "'";
    return out;
}

/// The end of an error about a motif wider than maximumMotifWidth.
std::string tooWide()
{
    return "wider than the " + std::to_string(maximumMotifWidth) + " positions a motif may have";
}

/// The error for a matrix whose rows stop before its last.
std::string endedEarly(std::size_t rows, std::size_t of)
{
    return "the matrix ends after " + std::to_string(rows) + " of its " + std::to_string(of) + " rows";
}

/// The error for a MOTIF line whose matrix never comes.
std::string withoutMatrix(std::string_view id)
{
    return "motif " + quoted(id) + " has no letter-probability matrix";
}

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

/// Exponents beyond this are refused, so that adding the digits' own places cannot overflow.
constexpr std::int64_t largestExponent = std::int64_t(1) << 40;

/// The Decimal that is all of `token`; false when `token` is something else.
bool decimalOf(std::string_view token, Decimal& number)
{
    std::size_t at = 0;
    if (at < token.size() && (token[at] == '+' || token[at] == '-'))
        number.negative = token[at++] == '-';
    bool anyDigit = false;
    bool found = false; // a nonzero digit
    std::int64_t place = 0;
    std::int64_t fractionZeros = 0;
    double digits = 0.0;
    int kept = 0;
    auto keep = [&](char c) {
        if (kept < 17) {
            digits = digits * 10.0 + (c - '0');
            ++kept;
        }
    };
    for (; at < token.size() && token[at] >= '0' && token[at] <= '9'; ++at) {
        anyDigit = true;
        if (!found && token[at] == '0')
            continue;
        if (!found) {
            found = true;
            place = -1;
        }
        ++place;
        keep(token[at]);
    }
    if (at < token.size() && token[at] == '.') {
        for (++at; at < token.size() && token[at] >= '0' && token[at] <= '9'; ++at) {
            anyDigit = true;
            if (!found && token[at] == '0') {
                ++fractionZeros;
                continue;
            }
            if (!found) {
                found = true;
                place = -(fractionZeros + 1);
            }
            keep(token[at]);
        }
    }
    if (!anyDigit)
        return false;
    std::int64_t exponent = 0;
    if (at < token.size() && (token[at] == 'e' || token[at] == 'E')) {
        const std::string_view written = token.substr(at + 1);
        if (written.empty() || isBlank(static_cast<unsigned char>(written.front())))
            return false;
        const ParsedInteger parsed = parseInteger(written);
        if (!parsed.digits || parsed.end != written.size() || parsed.overflow || parsed.value > largestExponent
            || parsed.value < -largestExponent)
            return false;
        exponent = parsed.value;
        at = token.size();
    }
    if (at != token.size())
        return false;
    number.leading = found ? digits / std::pow(10.0, kept - 1) : 0.0;
    number.exponent = found ? place + exponent : 0;
    return true;
}

/// True for the words of infinity and NaN, which from_chars would take for numbers.
bool namesNonFinite(std::string_view token)
{
    if (!token.empty() && (token.front() == '+' || token.front() == '-'))
        token.remove_prefix(1);
    if (token.size() > 8)
        return false;
    std::string lower;
    for (char c : token)
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return lower == "inf" || lower == "infinity" || lower == "nan";
}

/// True when the first token of `text` starts like a number: a digit after an optional
/// sign and point, or infinity or NaN (to be refused as such); a line of dashes does not.
bool startsLikeNumber(std::string_view text)
{
    std::string_view token = text.substr(0, std::min(text.size(), text.find_first_of(" \t\v\f")));
    if (namesNonFinite(token))
        return true;
    if (!token.empty() && (token.front() == '+' || token.front() == '-'))
        token.remove_prefix(1);
    if (!token.empty() && token.front() == '.')
        token.remove_prefix(1);
    return !token.empty() && token.front() >= '0' && token.front() <= '9';
}

/// A number read from a motif file, or what is wrong with it.
struct Reading {
    double value = 0.0;
    const char* problem = nullptr; ///< null when the number is fine
};

constexpr const char* notANumber = "not a number";
constexpr const char* notFinite = "not a finite number";

/// The real that is all of `token`: rounded as from_chars rounds, 0 when it lies below the
/// smallest double, refused when it lies above the largest.
Reading realOf(std::string_view token)
{
    Decimal number;
    if (!decimalOf(token, number))
        return {0.0, namesNonFinite(token) ? notFinite : notANumber};
    std::string_view digits = token;
    if (digits.front() == '+')
        digits.remove_prefix(1); // from_chars takes no plus sign
    double value = 0.0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error == std::errc::result_out_of_range) {
        if (number.exponent >= 0)
            return {0.0, notFinite};
        value = 0.0;
    } else if (error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value)) {
        return {0.0, notFinite};
    }
    return {value + 0.0, nullptr};
}

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

/// Reads the motifs of one file; the first problem ends the reading.
class MotifReader {
public:
    MotifReader(std::string_view text, const std::string& name)
        : lines(text)
        , name(name)
    {
    }

    MotifFileContents read()
    {
        // The format is told by the first line that is not blank.
        LineReader ahead = lines;
        std::string_view line;
        std::string_view first;
        while (first.empty() && ahead.next(line))
            first = trimmed(line);
        if (first.empty())
            lines = ahead; // nothing but blank lines: no motif, as said below
        else if (first.starts_with(memeFirstLine))
            readMeme();
        else if (first.starts_with('>'))
            readJaspar();
        else
            fail(ahead.number(), "neither a MEME nor a JASPAR motif file");
        if (contents.ok() && contents.motifs.empty())
            fail(std::max<std::size_t>(lines.number(), 1), "no motif in the file");
        if (!contents.ok())
            contents.motifs.clear();
        return std::move(contents);
    }

private:
    bool fail(std::size_t line, const std::string& what)
    {
        if (contents.error.empty())
            contents.error = escaped(name, false) + " line " + std::to_string(line) + ": " + what;
        return false;
    }
    bool fail(const std::string& what) { return fail(lines.number(), what); }

    /// The weight `token` of a matrix row: a finite number, not below 0.
    bool weight(std::string_view token, double& value)
    {
        const Reading reading = realOf(token);
        if (reading.problem)
            return fail(std::string(reading.problem) + ": " + quoted(token));
        if (reading.value < 0)
            return fail("a negative weight: " + quoted(token));
        value = reading.value;
        return true;
    }

    // ---- MEME ----

    /// True when `line` starts like a row of numbers.
    static bool isMemeRow(std::string_view line) { return startsLikeNumber(trimmed(line)); }

    /// Reads the motifs of a MEME file; false when one is wrong.
    bool readMeme()
    {
        std::string_view line;
        Motif motif;
        bool inMotif = false; // a MOTIF line seen, its matrix not yet
        while (lines.next(line)) {
            const std::string_view text = trimmed(line);
            if (startsWithWord(text, memeMotifKeyword)) {
                if (inMotif)
                    return fail(withoutMatrix(motif.id));
                std::string_view rest = text.substr(memeMotifKeyword.size());
                const std::string_view id = takeToken(rest);
                if (id.empty())
                    return fail("a MOTIF line without the motif's id");
                motif = Motif {std::string(id), std::string(trimmed(rest)), {}, 0.0, 0.0};
                inMotif = true;
            } else if (text.starts_with(memeMatrixKeyword)) {
                if (!inMotif)
                    return fail("a letter-probability matrix without a MOTIF line before it");
                if (!readMemeMatrix(text.substr(memeMatrixKeyword.size()), motif))
                    return false;
                contents.motifs.push_back(std::move(motif));
                inMotif = false;
            } else if (text.starts_with(memeAlphabetKeyword)) {
                std::string_view alphabet = trimmed(text.substr(memeAlphabetKeyword.size()));
                if (alphabet.starts_with('='))
                    alphabet = trimmed(alphabet.substr(1));
                if (alphabet != "ACGT")
                    return fail("alphabet " + quoted(alphabet) + " is not ACGT");
            }
        }
        if (inMotif)
            return fail(withoutMatrix(motif.id));
        return true;
    }

    /// Reads the matrix whose header line ends in `keys` into `motif`.
    bool readMemeMatrix(std::string_view keys, Motif& motif)
    {
        const std::size_t headerLine = lines.number();
        bool widthGiven = false;
        std::size_t width = 0;
        while (true) {
            std::string_view token = takeToken(keys);
            if (token.empty())
                break;
            const std::size_t equals = token.find('=');
            if (equals == std::string_view::npos)
                continue;
            const std::string_view key = token.substr(0, equals);
            std::string_view value = token.substr(equals + 1);
            if (value.empty()) {
                // "w= 19": the value is the next token, unless that is the next key.
                std::string_view after = keys;
                const std::string_view next = takeToken(after);
                if (!next.empty() && next.find('=') == std::string_view::npos) {
                    value = next;
                    keys = after;
                }
            }
            if (key != "alength" && key != "w" && key != "nsites" && key != "E")
                continue;
            if (value.empty())
                return fail(std::string(key) + "= without a value");
            if (key == "alength") {
                if (value != "4")
                    return fail("alength= " + quoted(value) + ": a DNA matrix has 4 letters");
            } else if (key == "w") {
                const ParsedInteger parsed = parseInteger(value);
                if (!parsed.digits || parsed.end != value.size() || parsed.value < 0)
                    return fail("w= " + quoted(value) + " is not a number of rows");
                if (parsed.overflow || static_cast<std::uint64_t>(parsed.value) > maximumMotifWidth)
                    return fail("w= " + quoted(value) + " is " + tooWide());
                widthGiven = true;
                width = static_cast<std::size_t>(parsed.value);
            } else if (key == "nsites") {
                const Reading reading = realOf(value);
                if (reading.problem)
                    return fail(std::string(reading.problem) + ": nsites= " + quoted(value));
                if (reading.value < 0)
                    return fail("a negative number of sites: nsites= " + quoted(value));
                motif.sites = reading.value;
            } else if (key == "E") {
                Decimal number;
                if (!decimalOf(value, number))
                    return fail(std::string(namesNonFinite(value) ? notFinite : notANumber) + ": E= " + quoted(value));
                if (number.negative && number.leading != 0.0)
                    return fail("a negative E-value: E= " + quoted(value));
                motif.log10E = number.log10();
            }
        }
        if (widthGiven && width == 0)
            return fail(headerLine, "the matrix has no rows: w= 0");

        std::string_view line;
        if (widthGiven) {
            // The rows are counted, so blank lines among them can be passed over.
            while (motif.counts.size() < width) {
                const bool more = lines.next(line);
                if (more && trimmed(line).empty())
                    continue;
                if (!more || !isMemeRow(line))
                    return fail(endedEarly(motif.counts.size(), width));
                if (!readMemeRow(line, motif))
                    return false;
            }
            // A row too many means w= and the matrix disagree; which one is right cannot be told.
            LineReader ahead = lines;
            if (ahead.next(line) && isMemeRow(line))
                return fail(ahead.number(), "more rows than the matrix's w= " + std::to_string(width));
            return true;
        }
        while (true) {
            LineReader ahead = lines;
            if (!ahead.next(line))
                break;
            // Blank lines before the first row are passed over; after it, one ends the rows.
            const bool blank = trimmed(line).empty();
            if (blank ? !motif.counts.empty() : !isMemeRow(line))
                break;
            lines = ahead;
            if (blank)
                continue;
            if (motif.counts.size() == maximumMotifWidth)
                return fail("motif " + quoted(motif.id) + " is " + tooWide());
            if (!readMemeRow(line, motif))
                return false;
        }
        if (motif.counts.empty())
            return fail(headerLine, "the matrix has no rows");
        return true;
    }

    /// Reads the row of four weights `line` onto the end of `motif`.
    bool readMemeRow(std::string_view line, Motif& motif)
    {
        BaseWeights row {};
        std::size_t numbers = 0;
        while (true) {
            const std::string_view token = takeToken(line);
            if (token.empty())
                break;
            if (numbers == row.size())
                return fail("a matrix row needs 4 numbers, the weights of A, C, G and T; this one has more");
            if (!weight(token, row[numbers]))
                return false;
            ++numbers;
        }
        if (numbers != row.size())
            return fail("a matrix row needs 4 numbers, the weights of A, C, G and T; this one has " + std::to_string(numbers));
        motif.counts.push_back(row);
        return true;
    }

    // ---- JASPAR ----

    /// The letter a JASPAR row starts with (0 to 3), taken off `text`; -1 for a row of bare numbers.
    static int takeRowLetter(std::string_view& text)
    {
        if (text.empty())
            return -1;
        const char letter = static_cast<char>(text[0] >= 'a' && text[0] <= 'z' ? text[0] - 'a' + 'A' : text[0]);
        for (std::size_t i = 0; i < motifLetters.size(); ++i) {
            if (letter == motifLetters[i] && (text.size() == 1 || isBlank(static_cast<unsigned char>(text[1])) || text[1] == '[')) {
                text.remove_prefix(1);
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    /// True when `text` looks like a JASPAR matrix row, lettered or bare.
    static bool isJasparRow(std::string_view text)
    {
        if (takeRowLetter(text) >= 0)
            return true;
        return text.starts_with('[') || startsLikeNumber(text);
    }

    /// Reads the numbers of the row `text` (without its letter) into `numbers`.
    bool readJasparNumbers(std::string_view text, std::vector<double>& numbers)
    {
        text = trimmed(text);
        if (text.starts_with('[')) {
            const std::size_t close = text.find(']');
            if (close == std::string_view::npos)
                return fail("a '[' without its ']'");
            if (!trimmed(text.substr(close + 1)).empty())
                return fail("text after the ']' of a matrix row: " + quoted(trimmed(text.substr(close + 1))));
            text = text.substr(1, close - 1);
        }
        numbers.clear();
        while (true) {
            const std::string_view token = takeToken(text);
            if (token.empty())
                break;
            if (numbers.size() == maximumMotifWidth)
                return fail("a matrix row " + tooWide());
            double value = 0.0;
            if (!weight(token, value))
                return false;
            numbers.push_back(value);
        }
        if (numbers.empty())
            return fail("a matrix row without numbers");
        return true;
    }

    /// Reads the motifs of a JASPAR file; false when one is wrong.
    bool readJaspar()
    {
        std::string_view line;
        Motif motif;
        std::array<bool, 4> given {};
        std::size_t rowCount = 0;
        bool inMotif = false;
        std::vector<double> numbers;
        while (lines.next(line)) {
            std::string_view text = trimmed(line);
            if (text.empty())
                continue;
            if (text.starts_with('>')) {
                if (inMotif)
                    return fail(endedEarly(rowCount, 4));
                std::string_view rest = text.substr(1);
                const std::string_view id = takeToken(rest);
                if (id.empty())
                    return fail("a '>' line without the motif's id");
                motif = Motif {std::string(id), std::string(trimmed(rest)), {}, 0.0, 0.0};
                given = {};
                rowCount = 0;
                inMotif = true;
                continue;
            }
            if (!inMotif) {
                if (isJasparRow(text))
                    return fail("a fifth matrix row: a JASPAR matrix has one row for each of A, C, G and T");
                return fail("text outside any motif: " + quoted(text));
            }
            int letter = takeRowLetter(text);
            if (letter < 0)
                letter = static_cast<int>(rowCount);
            const auto index = static_cast<std::size_t>(letter);
            if (given[index])
                return fail(std::string("a second row of ") + motifLetters[index]);
            if (!readJasparNumbers(text, numbers))
                return false;
            if (rowCount > 0 && numbers.size() != motif.counts.size())
                return fail("a row of " + std::to_string(numbers.size()) + " numbers in a matrix whose first row has "
                    + std::to_string(motif.counts.size()));
            if (rowCount == 0)
                motif.counts.assign(numbers.size(), BaseWeights {});
            for (std::size_t position = 0; position < numbers.size(); ++position)
                motif.counts[position][index] = numbers[position];
            given[index] = true;
            if (++rowCount < 4)
                continue;
            for (const BaseWeights& column : motif.counts)
                motif.sites = std::max(motif.sites, column[0] + column[1] + column[2] + column[3]);
            contents.motifs.push_back(std::move(motif));
            inMotif = false;
        }
        if (inMotif)
            return fail(endedEarly(rowCount, 4));
        return true;
    }

    LineReader lines;
    const std::string& name;
    MotifFileContents contents;
};

} // namespace

MotifFileContents parseMotifFile(std::string_view text, const std::string& name)
{
    if (text.starts_with(byteOrderMark))
        text.remove_prefix(byteOrderMark.size());
    return MotifReader(text, name).read();
}

MotifFileContents readMotifFile(const std::string& path)
{
    MotifFileContents failed;
    InputStream stream;
    if (!stream.open(path.c_str())) {
        failed.error = escaped(path, false) + ": " + stream.error();
        return failed;
    }
    constexpr std::size_t chunk = std::size_t(1) << 16;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[chunk]);
    if (!buffer) {
        failed.error = escaped(path, false) + ": out of memory";
        return failed;
    }
    std::string text;
    while (const std::size_t got = stream.read(buffer.get(), chunk)) {
        if (text.size() + got > maximumMotifFileBytes) {
            failed.error = escaped(path, false) + ": more than " + std::to_string(maximumMotifFileBytes >> 20)
                + " MiB of text, too much for a motif file";
            return failed;
        }
        text.append(buffer.get(), got);
    }
    if (stream.status() != ReadStatus::Read) {
        failed.error = escaped(path, false) + ": " + stream.error();
        return failed;
    }
    return parseMotifFile(text, path);
}
