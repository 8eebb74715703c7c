// TRANSFAC matrices, written only. Fields of two letters, two spaces, the value; XX lines
// between groups, // after each motif. The matrix rows: the position in two digits, the four
// counts and the row's consensus letter, each right-aligned in seven columns.

#include "analysis/MotifFormatParts.h"

#include <algorithm>

std::string transfacText(const std::vector<Motif>& motifs, const std::vector<std::string>& descriptions)
{
    constexpr std::size_t column = 7;
    std::string out;
    for (std::size_t m = 0; m < motifs.size(); ++m) {
        const Motif& motif = motifs[m];
        const std::string id = motifIdOf(motif, m + 1);
        const std::string name = motifField(motif.name);
        out += "AC  " + id + "\nXX\nID  " + (name.empty() ? id : name) + "\nXX\n";
        std::string description = m < descriptions.size() ? descriptions[m] : std::string();
        if (!name.empty())
            (description += description.empty() ? "" : " ") += name;
        if (!description.empty())
            out += "DE  " + description + "\nXX\n";
        out += "P0";
        for (char letter : motifLetters)
            appendPadded(out, std::string_view(&letter, 1), column);
        out += '\n';
        const std::string consensus = consensusOf(motif.counts);
        const std::vector<BaseWeights> rows = writtenCounts(motif);
        for (std::size_t position = 0; position < rows.size(); ++position) {
            if (position + 1 < 10)
                out += '0';
            out += std::to_string(position + 1);
            for (double count : rows[position]) {
                const std::string text = motifCountText(count);
                appendPadded(out, text, std::max(column, text.size() + 2));
            }
            appendPadded(out, std::string_view(&consensus[position], 1), column);
            out += '\n';
        }
        out += "XX\n//\n";
    }
    return out;
}
