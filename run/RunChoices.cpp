// What a run is asked for, checked against itself and against what its inputs are.

#include "run/RunChoices.h"

#include "analysis/MarkovModel.h"

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
    return backgroundProblem(request);
}

std::string backgroundProblem(const RunRequest& request)
{
    if (request.markovOrder && request.shuffles)
        return "--markov and --shuffle are two backgrounds; choose one";
    if (request.markovOrder) {
        const int order = *request.markovOrder;
        if (order < 0 || order > MarkovModel::maximumOrder)
            return "--markov takes an order from 0 to " + std::to_string(MarkovModel::maximumOrder);
        if (order > request.shortest - 2)
            return "--markov " + std::to_string(order) + " would predict the words of " + std::to_string(request.shortest)
                + " letters from their own counts (an order of at most " + std::to_string(request.shortest - 2)
                + " for them); choose a lower order or longer words with --lengths";
        if (request.dyads)
            return "--dyads counts the genome's spaced pairs, which a Markov model does not give; take --shuffle, or a BIG";
        if (request.strand == Strand::Given)
            return "--strand given reads words on one strand, and the Markov model is fitted on both; take --shuffle, or a "
                   "BIG";
    }
    if (request.shuffles) {
        if (*request.shuffles < 1 || *request.shuffles > maximumShuffles)
            return "--shuffle takes a number of shuffles from 1 to " + std::to_string(maximumShuffles);
        if (!request.big.path.empty() || request.big.table)
            return "--shuffle makes BIG of the family's shuffles; give SMALL alone";
    }
    if (!request.markovOrder && !request.shuffles && request.big.path.empty() && !request.big.table)
        return "a run needs BIG, the genome's sequences, unless --markov or --shuffle stands for it";
    return {};
}

std::string choiceProblem(const RunRequest& request, const std::vector<InputKind>& kinds, bool fastaFamily)
{
    if ((request.markovOrder || request.shuffles) && !fastaFamily)
        return std::string(request.markovOrder ? "--markov" : "--shuffle")
            + " needs the family's sequences, which a DTable SMALL does not hold; give SMALL as FASTA";
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
