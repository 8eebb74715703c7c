#include "report/PositionsTable.h"

#include "base/RealFormat.h"

#include <charconv>

namespace {

void appendRows(std::string& out, const char* kind, const PositionProfile& profile, const PositionBins& bins)
{
    std::string lead = std::string(kind) + '\t' + profile.item + '\t' + std::to_string(profile.total) + '\t';
    appendNumber(lead, profile.log10P + 0.0, std::chars_format::general, 6);
    lead += '\t';
    for (std::size_t b = 0; b < profile.sites.size(); ++b) {
        const int bin = static_cast<int>(b);
        ((((out += lead) += std::to_string(bins.from(bin))) += '\t') += std::to_string(bins.to(bin))) += '\t';
        (out += std::to_string(profile.sites[b])) += '\t';
        appendNumber(out, b < profile.expected.size() ? profile.expected[b] : 0.0, std::chars_format::general, 6);
        out += '\n';
    }
}

} // namespace

std::string positionsTable(const AnalysisResult& result)
{
    if (!result.positions || !result.family)
        return {};
    const PositionReport& positions = *result.positions;
    const PositionBins& bins = positions.bins;
    std::string out = std::string("# seqlark ") + SEQLARK_VERSION + " positions: where the sites of each assembled motif "
        "and of each word class of the summary's table lie in the family's "
        + std::to_string(result.family->size()) + " distinct sequences\n";
    out += std::string("# anchor: ") + anchorName(bins.anchor)
        + (bins.anchor == Anchor::End ? " (the last base of a sequence is -1)" : " (the first base of a sequence is 1)")
        + "; bins of " + std::to_string(bins.width) + " bases, from the anchor outward"
        + (result.family->strand() == Strand::Given ? "; strand: given, words read on their sequence's own strand alone" : "")
        + "\n";
    out += "# a site: a stretch of overlapping occurrences of the item's word classes, placed at its "
           "first base; expected: the item's sites spread over the bins as the windows of A, C, G and T of its "
           "shortest class are; log10_p: chi-square of the sites against the expected, the far bins pooled until "
           "each pool expects 5 sites\n";
    out += "kind\titem\tsites_total\tlog10_p\tbin_from\tbin_to\tsites\texpected\n";
    for (const PositionProfile& profile : positions.motifs)
        appendRows(out, "motif", profile, bins);
    for (const PositionProfile& profile : positions.classes)
        appendRows(out, "class", profile, bins);
    return out;
}
