// The motif files of a report. Each lists the refined motifs, then the assembled ones, with
// the ids and names the analysis gave them.

#include "report/MotifFiles.h"

#include "base/RealFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

/// A motif as the files list it.
struct Listed {
    const Motif& motif;
    const AssembledMotif* assembly; ///< null for a refined motif
    const MotifMatch* match;        ///< the closest known motif; null when none was looked for
};

/// Calls `each` with every motif of `result`, refined then assembled.
template <class Each>
void forEachMotif(const AnalysisResult& result, Each&& each)
{
    for (std::size_t i = 0; i < result.refined.size(); ++i)
        each(Listed {result.refined[i], nullptr, i < result.refinedKnown.size() ? &result.refinedKnown[i] : nullptr});
    for (std::size_t i = 0; i < result.assembled.size(); ++i)
        each(Listed {result.assembled[i].motif, &result.assembled[i],
            i < result.assembledKnown.size() ? &result.assembledKnown[i] : nullptr});
}

/// `text` with every blank and control byte made '_': the files separate their fields with
/// blanks and tabs, and a name comes from a word of a table file, which may hold anything.
std::string field(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F)
            c = '_';
    return out;
}

/// The id a file gives the `number`th motif it lists (from 1): its own, or, lacking one,
/// one by its place, since every format needs an id to tell where a motif starts.
std::string idOf(const Motif& motif, std::size_t number)
{
    return motif.id.empty() ? "motif-" + std::to_string(number) : field(motif.id);
}

/// A count as the count matrices write it: a whole number as one, any other with at most
/// three decimals.
std::string countText(double value)
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

/// The rows of `motif` as the count matrices write them: a row summing to 0 (a position no
/// site covers) as the motif's sites spread evenly, so that no reader divides by 0.
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

/// The motif's sites as a whole number: readers of MEME files take nsites for an integer.
long long wholeSites(double sites)
{
    return std::isfinite(sites) && sites > 0 ? std::llround(std::min(sites, 1e15)) : 0;
}

} // namespace

std::string memeFile(const AnalysisResult& result)
{
    std::string out = "MEME version 4\n\nALPHABET= ACGT\n\nstrands: + -\n\nBackground letter frequencies\n";
    BaseWeights background = result.baseFrequencies;
    if (std::any_of(background.begin(), background.end(), [](double f) { return !std::isfinite(f) || f < 0; }))
        background = {0, 0, 0, 0};
    background = frequenciesOf(background);
    for (std::size_t b = 0; b < motifLetters.size(); ++b) {
        out += b ? " " : "";
        (out += motifLetters[b]) += ' ';
        appendNumber(out, background[b] + 0.0, std::chars_format::fixed, 3);
    }
    out += "\n\n";
    std::size_t number = 0;
    forEachMotif(result, [&](const Listed& listed) {
        const Motif& motif = listed.motif;
        (out += "MOTIF ") += idOf(motif, ++number);
        if (!motif.name.empty())
            (out += ' ') += field(motif.name);
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
    });
    return out;
}

std::string jasparFile(const AnalysisResult& result)
{
    std::string out;
    std::size_t number = 0;
    forEachMotif(result, [&](const Listed& listed) {
        const Motif& motif = listed.motif;
        (out += '>') += idOf(motif, ++number);
        if (!motif.name.empty())
            (out += ' ') += field(motif.name);
        out += '\n';
        // Every number of the matrix takes the width of the widest, so that positions line up.
        std::vector<std::array<std::string, 4>> texts;
        std::size_t width = 1;
        for (const BaseWeights& row : writtenCounts(motif)) {
            texts.emplace_back();
            for (std::size_t b = 0; b < row.size(); ++b) {
                texts.back()[b] = countText(row[b]);
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
    });
    return out;
}

std::string transfacFile(const AnalysisResult& result)
{
    // Fields of two letters, two spaces, the value; XX lines between groups, // after each
    // motif. The matrix rows: the position in two digits, the four counts and the row's
    // consensus letter, each right-aligned in seven columns.
    constexpr std::size_t column = 7;
    std::string out;
    std::size_t number = 0;
    forEachMotif(result, [&](const Listed& listed) {
        const Motif& motif = listed.motif;
        const std::string id = idOf(motif, ++number);
        const std::string name = field(motif.name);
        out += "AC  " + id + "\nXX\nID  " + (name.empty() ? id : name) + "\nXX\n";
        out += listed.assembly ? "DE  assembled motif" : "DE  refined matrix of the word";
        if (!name.empty())
            (out += ' ') += name;
        out += "\nXX\nP0";
        for (char letter : motifLetters)
            appendPadded(out, std::string_view(&letter, 1), column);
        out += '\n';
        const std::string consensus = consensusOf(motif.counts);
        const std::vector<BaseWeights> rows = writtenCounts(motif);
        for (std::size_t position = 0; position < rows.size(); ++position) {
            const std::string place = std::to_string(position + 1);
            if (position + 1 < 10)
                out += '0';
            out += place;
            for (double count : rows[position]) {
                const std::string text = countText(count);
                appendPadded(out, text, std::max(column, text.size() + 2));
            }
            appendPadded(out, std::string_view(&consensus[position], 1), column);
            out += '\n';
        }
        out += "XX\n//\n";
    });
    return out;
}

std::string motifTable(const AnalysisResult& result)
{
    std::string out = std::string("# seqlark ") + SEQLARK_VERSION
        + " motifs: the refined matrix of each of the best words, then the significant word classes assembled into motifs";
    out += "; known motifs compared with: " + std::to_string(result.known.size()) + "\n";
    out += "kind\tid\tname\tconsensus\twidth\tsites\te_value\tbest_sig\tmembers\tknown_id\tknown_name\tcorrelation\t"
           "overlap\toffset\tstrand\n";
    std::size_t number = 0;
    forEachMotif(result, [&](const Listed& listed) {
        const Motif& motif = listed.motif;
        out += listed.assembly ? "assembled\t" : "refined\t";
        (out += idOf(motif, ++number)) += '\t';
        (out += field(motif.name)) += '\t';
        (out += consensusOf(motif.counts)) += '\t';
        (out += std::to_string(motif.width())) += '\t';
        (out += countText(motif.sites)) += '\t';
        (out += formatFromLog10(motif.log10E)) += '\t';
        // A refined motif stands for one word class, whose sig is -log10 of its E-value.
        appendNumber(out, (listed.assembly ? listed.assembly->bestSig : -motif.log10E) + 0.0, std::chars_format::fixed, 4);
        out += '\t';
        if (listed.assembly) {
            for (std::size_t m = 0; m < listed.assembly->members.size(); ++m)
                (out += m ? "," : "") += field(listed.assembly->members[m].word);
        } else {
            out += field(motif.name);
        }
        const MotifMatch* match = listed.match;
        if (match && match->found && match->index < result.known.size()) {
            const Motif& known = result.known[match->index];
            ((out += '\t') += field(known.id)) += '\t';
            (out += field(known.name)) += '\t';
            appendNumber(out, match->correlation + 0.0, std::chars_format::fixed, 3);
            ((out += '\t') += std::to_string(match->overlap)) += '\t';
            ((out += std::to_string(match->offset)) += '\t') += match->reverse ? '-' : '+';
        } else {
            out += "\t\t\t\t\t\t";
        }
        out += '\n';
    });
    return out;
}
