// What a run is asked for, checked against itself and against what its inputs are.

#include "run/RunChoices.h"

#include <algorithm>

namespace {

/// Why the spaced pairs asked for cannot be counted in these inputs; empty when they can.
std::string dyadProblem(const RunRequest& request, const std::vector<InputKind>& kinds, bool fastaFamily)
{
    if (!request.dyads) {
        if (!request.dyadBackground.empty())
            return "--dyad-background gives the genome's spaced pairs, which only --dyads counts";
        return {};
    }
    if (!fastaFamily)
        return "--dyads counts spaced pairs in the family's sequences, which a DTable SMALL does not hold; give SMALL "
               "as FASTA";
    if (request.dyadBackground.empty() && (request.big.table || kinds[0] != InputKind::Fasta))
        return "a DTable BIG holds no spaced pairs; give the genome's sequences with --dyad-background FASTA, or BIG "
               "as FASTA";
    return {};
}

} // namespace

std::string requestProblem(const RunRequest& request)
{
    if (request.genes.size() > static_cast<std::size_t>(maximumGeneFiles))
        return "a run takes at most " + std::to_string(maximumGeneFiles) + " gene files";
    if (request.shortest < shortestWordLength || request.longest > longestWordLength || request.shortest > request.longest)
        return "the word lengths must lie within " + std::to_string(shortestWordLength) + " to "
            + std::to_string(longestWordLength) + ", the shorter first";
    return {};
}

std::string choiceProblem(const RunRequest& request, const std::vector<InputKind>& kinds, bool fastaFamily)
{
    if (request.statistic == Statistic::Sequences && !fastaFamily)
        return "the sequences statistic counts the family's sequences, which a DTable SMALL does not hold; give SMALL "
               "as FASTA or choose binomial, poisson or ratio";
    if (request.strand == Strand::Given
        && (request.big.table || kinds[0] != InputKind::Fasta || request.small.table || !fastaFamily))
        return "--strand given reads each word on its sequence's own strand, which a DTable file does not keep; give "
               "BIG and SMALL as FASTA";
    if ((request.anchor || request.binWidth) && !fastaFamily)
        return std::string(request.anchor ? "--anchor" : "--bin")
            + " places sites in the family's sequences, which a DTable SMALL does not hold; give SMALL as FASTA";
    if (request.binWidth && (*request.binWidth < 1 || *request.binWidth > maximumBinWidth))
        return "--bin takes a width from 1 to " + std::to_string(maximumBinWidth) + " bases";
    if (std::string problem = dyadProblem(request, kinds, fastaFamily); !problem.empty())
        return problem;
    if (request.masking != Masking::None && std::count(kinds.begin(), kinds.end(), InputKind::Fasta) == 0)
        return std::string("--mask ") + maskingName(request.masking) + " masks FASTA inputs, and every input is a DTable file";
    return {};
}
