#include "report/WordsTable.h"

#include "analysis/Significance.h"
#include "base/RealFormat.h"

#include <charconv>

namespace {


std::string describe(const char* role, const TableSummary& table)
{
    return std::string("# ") + role + ": " + table.path + " (bases " + std::to_string(table.sequenceLength)
        + ", words counted " + std::to_string(table.totalCount) + ", distinct words " + std::to_string(table.distinctCount)
        + ")\n";
}

} // namespace

std::string wordsTable(const AnalysisResult& result)
{
    const SignificanceTable& table = result.significance;
    std::string out = std::string("# seqlark ") + SEQLARK_VERSION + " word classes: a word together with its reverse complement\n";
    out += describe("big", result.big);
    out += describe("small", result.small);
    for (const TableSummary& gene : result.genes)
        out += describe("gene", gene);
    const StatisticDescription& statistic = describeStatistic(table.statistic);
    out += std::string("# statistic: ") + statistic.name + " (" + statistic.tableNote + ")\n";
    for (const LengthSummary& length : table.lengths) {
        out += "# length " + std::to_string(length.length) + ": T big ";
        appendNumber(out, length.bigWindows, std::chars_format::fixed, 0);
        out += ", T small ";
        appendNumber(out, length.smallWindows, std::chars_format::fixed, 0);
        out += ", classes " + std::to_string(length.classes) + ", observed " + std::to_string(length.observed) + "\n";
    }
    out += "# p = (count in big + 1) / (T big + classes); expected = p * T small; E-value = classes * P; "
           "q-value: Benjamini-Hochberg over the classes of a length\n";
    out += "rank\tword\treverse_complement\tlength\tobserved\texpected\tratio\tlog10_p\te_value\tsig\tq_value\n";
    out.reserve(out.size() + table.classes.size() * 112);
    std::size_t rank = 0;
    for (const WordClass& c : table.classes) {
        (out += std::to_string(++rank)) += '\t';
        ((out += c.word) += '\t') += c.reverse;
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
        ((out += '\t') += formatFromLog10(c.log10Q)) += '\n';
    }
    return out;
}
