// The motif formats' shared pieces: which format a text is, reading a file, the numbers and
// lines of the texts, and the fields and counts the writers write.
//
// The format is told by the first line that is not blank: "MEME version ..." for a MEME
// file, '>' for a JASPAR one. Lines end in LF, CR LF or CR; a UTF-8 byte order mark at the
// start is skipped.

#include "analysis/MotifFormatParts.h"

#include "base/Numbers.h"
#include "base/RealFormat.h"
#include "base/Text.h"
#include "sequence/InputStream.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <new>

namespace {

/// Far more than the largest motif collection; it bounds what a file (or a gzip bomb) makes us hold.
constexpr std::size_t maximumMotifFileBytes = std::size_t(256) << 20;
/// Bytes of a file's text a message quotes at most.
constexpr std::size_t quotedBytes = 40;
/// Exponents beyond this are refused, so that adding the digits' own places cannot overflow.
constexpr std::int64_t largestExponent = std::int64_t(1) << 40;

constexpr std::string_view memeFirstLine = "MEME version";
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

} // namespace

MotifFileContents parseMotifFile(std::string_view text, const std::string& name)
{
    if (text.starts_with(byteOrderMark))
        text.remove_prefix(byteOrderMark.size());
    MotifReader reader(text, name);
    LineReader ahead = reader.lines;
    std::string_view line;
    std::string_view first;
    while (first.empty() && ahead.next(line))
        first = trimmed(line);
    if (first.empty())
        reader.lines = ahead; // nothing but blank lines: no motif, as said below
    else if (first.starts_with(memeFirstLine))
        readMemeMotifs(reader);
    else if (first.starts_with('>'))
        readJasparMotifs(reader);
    else
        reader.fail(ahead.number(), "neither a MEME nor a JASPAR motif file");
    MotifFileContents& contents = reader.contents;
    if (contents.ok() && contents.motifs.empty())
        reader.fail(std::max<std::size_t>(reader.lines.number(), 1), "no motif in the file");
    if (!contents.ok())
        contents.motifs.clear();
    return std::move(contents);
}

MotifFileContents readMotifFile(const std::string& path)
{
    auto unreadable = [&path](const std::string& cause) {
        return MotifFileContents {
            Outcome<MotifFileStatus>::failed(MotifFileStatus::Unreadable, escapeControlBytes(path) + ": " + cause), {}};
    };
    InputStream stream;
    if (!stream.open(path.c_str()))
        return unreadable(stream.error());
    constexpr std::size_t chunk = std::size_t(1) << 16;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[chunk]);
    if (!buffer)
        return unreadable("out of memory");
    std::string text;
    while (const std::size_t got = stream.read(buffer.get(), chunk)) {
        if (text.size() + got > maximumMotifFileBytes)
            return unreadable("more than " + std::to_string(maximumMotifFileBytes >> 20) + " MiB of text, too much for a motif file");
        text.append(buffer.get(), got);
    }
    if (stream.status() != ReadStatus::Read)
        return unreadable(stream.error());
    return parseMotifFile(text, path);
}

// ---- the texts' lines and tokens ----

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

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

std::string quoted(std::string_view text)
{
    std::string out = "'";
    out += escapeControlBytes(text.substr(0, quotedBytes), true);
    out += text.size() > quotedBytes ? "...'" : "'";
    return out;
}

std::string tooWide()
{
    return "wider than the " + std::to_string(maximumMotifWidth) + " positions a motif may have";
}

std::string endedEarly(std::size_t rows, std::size_t of)
{
    return "the matrix ends after " + std::to_string(rows) + " of its " + std::to_string(of) + " rows";
}

bool MotifReader::fail(std::size_t line, const std::string& what)
{
    if (contents.ok()) {
        contents.status = MotifFileStatus::Malformed;
        contents.message = escapeControlBytes(name) + " line " + std::to_string(line) + ": " + what;
    }
    return false;
}

bool MotifReader::weight(std::string_view token, double& value)
{
    const Reading reading = realOf(token);
    if (reading.problem)
        return fail(std::string(reading.problem) + ": " + quoted(token));
    if (reading.value < 0)
        return fail("a negative weight: " + quoted(token));
    value = reading.value;
    return true;
}

// ---- numbers ----

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

// ---- writing ----

std::string motifField(std::string_view text)
{
    // A name comes from a word of a table file, which may hold anything.
    std::string out(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F)
            c = '_';
    return out;
}

std::string motifIdOf(const Motif& motif, std::size_t number)
{
    return motif.id.empty() ? "motif-" + std::to_string(number) : motifField(motif.id);
}

std::string motifCountText(double value)
{
    const double rounded = std::round(value * 1000.0) / 1000.0 + 0.0;
    if (rounded == std::trunc(rounded) && std::fabs(rounded) < 1e15)
        return std::to_string(static_cast<long long>(rounded));
    std::string out;
    if (!(std::fabs(rounded) < 1e15)) {
        // Beyond the digits a double holds: its shortest form, as any reader takes it.
        char text[64];
        out.append(text, std::to_chars(text, text + sizeof text, rounded).ptr);
        return out;
    }
    appendNumber(out, rounded + 0.0, std::chars_format::fixed, 3);
    if (out.find('.') != std::string::npos) {
        while (out.back() == '0')
            out.pop_back();
        if (out.back() == '.')
            out.pop_back();
    }
    return out;
}

std::vector<BaseWeights> writtenCounts(const Motif& motif)
{
    std::vector<BaseWeights> rows = motif.counts;
    for (BaseWeights& row : rows)
        if (!(row[0] + row[1] + row[2] + row[3] > 0.0))
            row.fill(motif.sites / 4.0);
    return rows;
}

void appendPadded(std::string& out, std::string_view text, std::size_t width)
{
    if (text.size() < width)
        out.append(width - text.size(), ' ');
    out += text;
}
