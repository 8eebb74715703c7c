// The MEME suite's minimal motif format, version 4, read and written:
//   MEME version 4
//   ALPHABET= ACGT                      optional; any other alphabet is refused
//   strands: + -                        optional, like the background lines; skipped
//   Background letter frequencies
//   A 0.303 C 0.183 G 0.209 T 0.306
//   MOTIF id [alternative name]
//   URL ...                             any lines up to the matrix are skipped
//   letter-probability matrix: alength= 4 w= 19 nsites= 17 E= 4.1e-009
//   w rows of the probabilities of A, C, G and T; without w=, the rows up to the first other line

#include "analysis/MotifFormatParts.h"

#include "base/Numbers.h"
#include "base/RealFormat.h"

#include <algorithm>
#include <optional>

namespace {

constexpr std::string_view memeMotifKeyword = "MOTIF";
constexpr std::string_view memeMatrixKeyword = "letter-probability matrix:";
constexpr std::string_view memeAlphabetKeyword = "ALPHABET";

/// The message for a MOTIF line whose matrix never comes.
std::string withoutMatrix(std::string_view id)
{
    return "motif " + quoted(id) + " has no letter-probability matrix";
}

/// True when `line` starts like a row of numbers.
bool isMemeRow(std::string_view line)
{
    return startsLikeNumber(trimmed(line));
}

/// Reads one key of a matrix's header line with its `value` into `motif`, or `width` for w=;
/// other keys are passed over.
bool readMemeKey(MotifReader& reader, std::string_view key, std::string_view value, Motif& motif, std::optional<std::size_t>& width)
{
    if (key != "alength" && key != "w" && key != "nsites" && key != "E")
        return true;
    if (value.empty())
        return reader.fail(std::string(key) + "= without a value");
    if (key == "alength") {
        if (value != "4")
            return reader.fail("alength= " + quoted(value) + ": a DNA matrix has 4 letters");
    } else if (key == "w") {
        const ParsedInteger parsed = parseInteger(value);
        if (!parsed.digits || parsed.end != value.size() || parsed.value < 0)
            return reader.fail("w= " + quoted(value) + " is not a number of rows");
        if (parsed.overflow || static_cast<std::uint64_t>(parsed.value) > maximumMotifWidth)
            return reader.fail("w= " + quoted(value) + " is " + tooWide());
        width = static_cast<std::size_t>(parsed.value);
    } else if (key == "nsites") {
        const Reading reading = realOf(value);
        if (reading.problem)
            return reader.fail(std::string(reading.problem) + ": nsites= " + quoted(value));
        if (reading.value < 0)
            return reader.fail("a negative number of sites: nsites= " + quoted(value));
        motif.sites = reading.value;
    } else {
        Decimal number;
        if (!decimalOf(value, number))
            return reader.fail(std::string(namesNonFinite(value) ? notFinite : notANumber) + ": E= " + quoted(value));
        if (number.negative && number.leading != 0.0)
            return reader.fail("a negative E-value: E= " + quoted(value));
        motif.log10E = number.log10();
    }
    return true;
}

/// Reads the keys that end a matrix's header line, `keys`, into `motif`, and `width` for w=.
bool readMemeKeys(MotifReader& reader, std::string_view keys, Motif& motif, std::optional<std::size_t>& width)
{
    while (true) {
        std::string_view token = takeToken(keys);
        if (token.empty())
            return true;
        const std::size_t equals = token.find('=');
        if (equals == std::string_view::npos)
            continue;
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
        if (!readMemeKey(reader, token.substr(0, equals), value, motif, width))
            return false;
    }
}

/// Reads the row of four weights `line` onto the end of `motif`.
bool readMemeRow(MotifReader& reader, std::string_view line, Motif& motif)
{
    BaseWeights row {};
    std::size_t numbers = 0;
    while (true) {
        const std::string_view token = takeToken(line);
        if (token.empty())
            break;
        if (numbers == row.size())
            return reader.fail("a matrix row needs 4 numbers, the weights of A, C, G and T; this one has more");
        if (!reader.weight(token, row[numbers]))
            return false;
        ++numbers;
    }
    if (numbers != row.size())
        return reader.fail("a matrix row needs 4 numbers, the weights of A, C, G and T; this one has " + std::to_string(numbers));
    motif.counts.push_back(row);
    return true;
}

/// Reads the `width` rows a matrix's w= announced; the rows are counted, so blank lines among
/// them can be passed over.
bool readCountedMemeRows(MotifReader& reader, std::size_t width, Motif& motif)
{
    std::string_view line;
    while (motif.counts.size() < width) {
        const bool more = reader.lines.next(line);
        if (more && trimmed(line).empty())
            continue;
        if (!more || !isMemeRow(line))
            return reader.fail(endedEarly(motif.counts.size(), width));
        if (!readMemeRow(reader, line, motif))
            return false;
    }
    // A row too many means w= and the matrix disagree; which one is right cannot be told.
    LineReader ahead = reader.lines;
    if (ahead.next(line) && isMemeRow(line))
        return reader.fail(ahead.number(), "more rows than the matrix's w= " + std::to_string(width));
    return true;
}

/// Reads the rows of a matrix without w=, up to the first line that is no row; the header
/// is at line `headerLine`.
bool readUncountedMemeRows(MotifReader& reader, std::size_t headerLine, Motif& motif)
{
    std::string_view line;
    while (true) {
        LineReader ahead = reader.lines;
        if (!ahead.next(line))
            break;
        // Blank lines before the first row are passed over; after it, one ends the rows.
        const bool blank = trimmed(line).empty();
        if (blank ? !motif.counts.empty() : !isMemeRow(line))
            break;
        reader.lines = ahead;
        if (blank)
            continue;
        if (motif.counts.size() == maximumMotifWidth)
            return reader.fail("motif " + quoted(motif.id) + " is " + tooWide());
        if (!readMemeRow(reader, line, motif))
            return false;
    }
    if (motif.counts.empty())
        return reader.fail(headerLine, "the matrix has no rows");
    return true;
}

/// Reads the matrix whose header line ends in `keys` into `motif`.
bool readMemeMatrix(MotifReader& reader, std::string_view keys, Motif& motif)
{
    const std::size_t headerLine = reader.lines.number();
    std::optional<std::size_t> width;
    if (!readMemeKeys(reader, keys, motif, width))
        return false;
    if (width == 0u)
        return reader.fail(headerLine, "the matrix has no rows: w= 0");
    return width ? readCountedMemeRows(reader, *width, motif) : readUncountedMemeRows(reader, headerLine, motif);
}

/// The motif's sites as a whole number: readers of MEME files take nsites for an integer.
long long wholeSites(double sites)
{
    return std::isfinite(sites) && sites > 0 ? std::llround(std::min(sites, 1e15)) : 0;
}

} // namespace

bool readMemeMotifs(MotifReader& reader)
{
    std::string_view line;
    Motif motif;
    bool inMotif = false; // a MOTIF line seen, its matrix not yet
    while (reader.lines.next(line)) {
        const std::string_view text = trimmed(line);
        if (startsWithWord(text, memeMotifKeyword)) {
            if (inMotif)
                return reader.fail(withoutMatrix(motif.id));
            std::string_view rest = text.substr(memeMotifKeyword.size());
            const std::string_view id = takeToken(rest);
            if (id.empty())
                return reader.fail("a MOTIF line without the motif's id");
            motif = Motif {std::string(id), std::string(trimmed(rest)), {}, 0.0, 0.0};
            inMotif = true;
        } else if (text.starts_with(memeMatrixKeyword)) {
            if (!inMotif)
                return reader.fail("a letter-probability matrix without a MOTIF line before it");
            if (!readMemeMatrix(reader, text.substr(memeMatrixKeyword.size()), motif))
                return false;
            reader.contents.motifs.push_back(std::move(motif));
            inMotif = false;
        } else if (text.starts_with(memeAlphabetKeyword)) {
            std::string_view alphabet = trimmed(text.substr(memeAlphabetKeyword.size()));
            if (alphabet.starts_with('='))
                alphabet = trimmed(alphabet.substr(1));
            if (alphabet != "ACGT")
                return reader.fail("alphabet " + quoted(alphabet) + " is not ACGT");
        }
    }
    if (inMotif)
        return reader.fail(withoutMatrix(motif.id));
    return true;
}

std::string memeText(const std::vector<Motif>& motifs, const BaseWeights& background, bool bothStrands)
{
    std::string out = std::string("MEME version 4\n\nALPHABET= ACGT\n\nstrands: ") + (bothStrands ? "+ -" : "+")
        + "\n\nBackground letter frequencies\n";
    BaseWeights frequencies = background;
    if (std::any_of(frequencies.begin(), frequencies.end(), [](double f) { return !std::isfinite(f) || f < 0; }))
        frequencies = {0, 0, 0, 0};
    frequencies = frequenciesOf(frequencies);
    for (std::size_t b = 0; b < motifLetters.size(); ++b) {
        out += b ? " " : "";
        (out += motifLetters[b]) += ' ';
        appendNumber(out, frequencies[b] + 0.0, std::chars_format::fixed, 3);
    }
    out += "\n\n";
    for (std::size_t m = 0; m < motifs.size(); ++m) {
        const Motif& motif = motifs[m];
        (out += "MOTIF ") += motifIdOf(motif, m + 1);
        if (!motif.name.empty())
            (out += ' ') += motifField(motif.name);
        out += "\nletter-probability matrix: alength= 4 w= " + std::to_string(motif.width())
            + " nsites= " + std::to_string(wholeSites(motif.sites)) + " E= " + formatFromLog10(motif.log10E) + "\n";
        for (const BaseWeights& row : frequenciesOf(motif)) {
            for (std::size_t b = 0; b < row.size(); ++b) {
                out += b ? "  " : " ";
                appendNumber(out, row[b] + 0.0, std::chars_format::fixed, 6);
            }
            out += '\n';
        }
        out += '\n';
    }
    return out;
}
