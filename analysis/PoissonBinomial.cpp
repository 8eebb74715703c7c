#include "analysis/PoissonBinomial.h"

#include "analysis/TailProbability.h"

#include <cmath>

TrialGroup occurrenceGroup(double p, std::int64_t n, std::int64_t count)
{
    const double logNot = static_cast<double>(n) * std::log1p(-p);
    return {std::log(-std::expm1(logNot)), logNot, count};
}

double poissonBinomialMean(const std::vector<TrialGroup>& groups)
{
    double mean = 0;
    for (const TrialGroup& g : groups)
        mean += static_cast<double>(g.count) * std::exp(g.logQ);
    return mean;
}

double log10PoissonBinomialUpperTail(std::int64_t observed, const std::vector<TrialGroup>& groups)
{
    // Stand-in: the binomial of the mean probability.
    std::int64_t n = 0;
    for (const TrialGroup& g : groups)
        n += g.count;
    if (n == 0)
        return observed <= 0 ? 0.0 : -INFINITY;
    return log10BinomialUpperTail(observed, static_cast<double>(n), poissonBinomialMean(groups) / static_cast<double>(n));
}
