#include "report/WordsTable.h"

#include "analysis/Significance.h"
#include "base/RealFormat.h"
#include "base/Text.h"

#include <charconv>

namespace {


std::string describe(const char* role, const TableSummary& table)
{
    std::string line = std::string("# ") + role + ": " + escapeControlBytes(table.path) + " (bases " + std::to_string(table.sequenceLength)
        + ", words counted " + std::to_string(table.totalCount) + ", distinct words " + std::to_string(table.distinctCount);
    if (table.maskedBases > 0)
        line += ", masked " + std::to_string(table.maskedBases);
    return line + ")\n";
}

/// What the family is, for the statistics: its distinct sequences, or a table of occurrences.
std::string familyLine(const AnalysisResult& result)
{
    if (!result.family)
        return "# family: a DTable file, which holds occurrences alone: every occurrence is counted, so words "
               "clumped in a few sequences (repeats) are over-stated\n";
    const FamilyProfile& family = *result.family;
    return "# family: " + std::to_string(family.size()) + " distinct sequences of " + std::to_string(family.records())
        + " records (" + std::to_string(family.duplicates()) + " repeating an earlier record's sequence count once)\n";
}

/// The "# length 6: ..." line of a word length, or the like of a spacing of pairs.
void appendSummaryLine(std::string& out, const char* what, int value, const LengthSummary& row)
{
    out += std::string("# ") + what + " " + std::to_string(value) + ": T big ";
    appendNumber(out, row.bigWindows, std::chars_format::fixed, 0);
    out += ", T small ";
    appendNumber(out, row.smallWindows, std::chars_format::fixed, 0);
    out += ", classes " + std::to_string(row.classes) + ", observed " + std::to_string(row.observed) + "\n";
}

} // namespace

std::vector<std::string> wordsTableColumns(bool perSequence)
{
    std::vector<std::string> columns {"rank", "word", "reverse_complement", "length", "observed", "expected", "ratio",
        "log10_p", "e_value", "sig", "q_value"};
    if (perSequence)
        columns.insert(columns.end(), {"sequences", "of", "expected_sequences"});
    columns.insert(columns.end(), {"low_complexity", "kind", "spacing"});
    return columns;
}

std::string wordsTable(const AnalysisResult& result)
{
    const SignificanceTable& table = result.significance;
    std::string out = std::string("# seqlark ") + SEQLARK_VERSION
        + (table.strand == Strand::Given ? " word classes: a word alone, read on its sequence's own strand\n"
                                         : " word classes: a word together with its reverse complement\n");
    out += describe("big", result.big);
    out += describe("small", result.small);
    for (const TableSummary& gene : result.genes)
        out += describe("gene", gene);
    if (!result.backgroundNote.empty())
        out += "# background: " + escapeControlBytes(result.backgroundNote) + "\n";
    const StatisticDescription& statistic = describeStatistic(table.statistic);
    out += std::string("# statistic: ") + statistic.name + " (" + statistic.tableNote + ")\n";
    const bool oneStrand = table.strand == Strand::Given;
    if (oneStrand)
        out += "# strand: given (a class is one word read on its sequence's own strand, its reverse complement "
               "another: 4^k classes of k letters, and no reverse_complement)\n";
    for (const LengthSummary& length : table.lengths)
        appendSummaryLine(out, "length", length.length, length);
    if (!table.spacings.empty())
        out += "# dyads: spaced pairs, two " + std::to_string(dyadHalf) + "-letter words of A, C, G and T with a spacer of "
            "unspecified letters (n) between them, a pair and its reverse complement one class; the big table's pairs "
            "counted in " + escapeControlBytes(result.dyadSource) + "\n";
    for (const LengthSummary& spacing : table.spacings)
        appendSummaryLine(out, "spacing", spacing.spacing, spacing);
    out += familyLine(result);
    out += "# classes tested: " + std::to_string(table.classesTested)
        + (table.spacings.empty() ? " (every class of every length)\n" : " (every class of every length and spacing)\n");
    out += "# p = (count in big + 1) / (T big + classes); expected = p * T small; E-value = classes tested * P; "
           "q-value: Benjamini-Hochberg over all classes tested";
    const bool perSequence = table.familySize >= 0;
    if (perSequence)
        out += "; sequences: of the family's distinct sequences, those holding the class; expected_sequences = "
               "sum of 1 - (1 - p(1 - a))^n over them, n its windows, a the big table's chance that an occurrence has "
               "an overlapping one before it";
    out += "; low_complexity: a repeat of period 1 to 3 or of two letters (of a pair, of its halves together); kind: "
           "word or dyad, spacing: a dyad's spacer\n";
    const std::vector<std::string> columns = wordsTableColumns(perSequence);
    for (std::size_t i = 0; i < columns.size(); ++i)
        (out += i ? "\t" : "") += columns[i];
    out += '\n';
    out.reserve(out.size() + table.classes.size() * 112);
    std::size_t rank = 0;
    for (const WordClass& c : table.classes) {
        (out += std::to_string(++rank)) += '\t';
        ((out += c.word) += '\t') += oneStrand ? std::string(".") : c.reverse;
        ((out += '\t') += std::to_string(c.length)) += '\t';
        (out += std::to_string(c.observed)) += '\t';
        appendNumber(out, c.expected, std::chars_format::general, 6);
        out += '\t';
        appendNumber(out, c.ratio, std::chars_format::general, 6);
        out += '\t';
        appendNumber(out, c.log10P + 0.0, std::chars_format::general, 12);
        (out += '\t') += formatFromLog10(c.log10E);
        out += '\t';
        appendNumber(out, c.sig() + 0.0, std::chars_format::fixed, 4);
        (out += '\t') += formatFromLog10(c.log10Q);
        if (perSequence) {
            ((out += '\t') += std::to_string(c.sequences)) += '\t';
            (out += std::to_string(table.familySize)) += '\t';
            appendNumber(out, c.expectedSequences, std::chars_format::general, 6);
        }
        (out += '\t') += c.lowComplexity ? "yes" : "no";
        out += c.dyad() ? "\tdyad\t" + std::to_string(c.spacing) + '\n' : std::string("\tword\t\n");
    }
    return out;
}
