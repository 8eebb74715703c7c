// JASPAR count matrices, read and written:
//   >id name
//   A [ 4 19 0 ]                        four rows, one per letter, each "A [ ... ]", "A ...", or
//   C [ 16 0 20 ]                       bare numbers taking the letters in the order A C G T; all
//   G [ 0 1 0 ]                         with one count per position
//   T [ 0 0 0 ]
// They are written in the first form, every number as wide as the widest of its matrix, so
// that positions line up.

#include "analysis/MotifFormatParts.h"

#include "base/Numbers.h"

#include <algorithm>
#include <array>

namespace {

/// The letter a row starts with (0 to 3), taken off `text`; -1 for a row of bare numbers.
int takeRowLetter(std::string_view& text)
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

/// True when `text` looks like a matrix row, lettered or bare.
bool isJasparRow(std::string_view text)
{
    if (takeRowLetter(text) >= 0)
        return true;
    return text.starts_with('[') || startsLikeNumber(text);
}

/// Reads the numbers of the row `text` (without its letter) into `numbers`.
bool readJasparNumbers(MotifReader& reader, std::string_view text, std::vector<double>& numbers)
{
    text = trimmed(text);
    if (text.starts_with('[')) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos)
            return reader.fail("a '[' without its ']'");
        if (!trimmed(text.substr(close + 1)).empty())
            return reader.fail("text after the ']' of a matrix row: " + quoted(trimmed(text.substr(close + 1))));
        text = text.substr(1, close - 1);
    }
    numbers.clear();
    while (true) {
        const std::string_view token = takeToken(text);
        if (token.empty())
            break;
        if (numbers.size() == maximumMotifWidth)
            return reader.fail("a matrix row " + tooWide());
        double value = 0.0;
        if (!reader.weight(token, value))
            return false;
        numbers.push_back(value);
    }
    if (numbers.empty())
        return reader.fail("a matrix row without numbers");
    return true;
}

} // namespace

bool readJasparMotifs(MotifReader& reader)
{
    std::string_view line;
    Motif motif;
    std::array<bool, 4> given {};
    std::size_t rowCount = 0;
    bool inMotif = false;
    std::vector<double> numbers;
    while (reader.lines.next(line)) {
        std::string_view text = trimmed(line);
        if (text.empty())
            continue;
        if (text.starts_with('>')) {
            if (inMotif)
                return reader.fail(endedEarly(rowCount, 4));
            std::string_view rest = text.substr(1);
            const std::string_view id = takeToken(rest);
            if (id.empty())
                return reader.fail("a '>' line without the motif's id");
            motif = Motif {std::string(id), std::string(trimmed(rest)), {}, 0.0, 0.0};
            given = {};
            rowCount = 0;
            inMotif = true;
            continue;
        }
        if (!inMotif) {
            if (isJasparRow(text))
                return reader.fail("a fifth matrix row: a JASPAR matrix has one row for each of A, C, G and T");
            return reader.fail("text outside any motif: " + quoted(text));
        }
        int letter = takeRowLetter(text);
        if (letter < 0)
            letter = static_cast<int>(rowCount);
        const auto index = static_cast<std::size_t>(letter);
        if (given[index])
            return reader.fail(std::string("a second row of ") + motifLetters[index]);
        if (!readJasparNumbers(reader, text, numbers))
            return false;
        if (rowCount > 0 && numbers.size() != motif.counts.size())
            return reader.fail("a row of " + std::to_string(numbers.size()) + " numbers in a matrix whose first row has "
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
        reader.contents.motifs.push_back(std::move(motif));
        inMotif = false;
    }
    if (inMotif)
        return reader.fail(endedEarly(rowCount, 4));
    return true;
}

std::string jasparText(const std::vector<Motif>& motifs)
{
    std::string out;
    for (std::size_t m = 0; m < motifs.size(); ++m) {
        const Motif& motif = motifs[m];
        (out += '>') += motifIdOf(motif, m + 1);
        if (!motif.name.empty())
            (out += ' ') += motifField(motif.name);
        out += '\n';
        std::vector<std::array<std::string, 4>> texts;
        std::size_t width = 1;
        for (const BaseWeights& row : writtenCounts(motif)) {
            texts.emplace_back();
            for (std::size_t b = 0; b < row.size(); ++b) {
                texts.back()[b] = motifCountText(row[b]);
                width = std::max(width, texts.back()[b].size());
            }
        }
        for (std::size_t b = 0; b < motifLetters.size(); ++b) {
            (out += motifLetters[b]) += "  [";
            for (const auto& position : texts) {
                out += ' ';
                appendPadded(out, position[b], width);
            }
            out += " ]\n";
        }
    }
    return out;
}
