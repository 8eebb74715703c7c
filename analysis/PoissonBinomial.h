#pragma once

#include <cstdint>
#include <vector>

/// Trials that share one success probability.
struct TrialGroup {
    double logQ;
    double logNotQ;
    std::int64_t count;
};
/// The group of `count` sequences of n windows holding a class of window probability p.
TrialGroup occurrenceGroup(double p, std::int64_t n, std::int64_t count);
/// log10 P(X >= observed).
double log10PoissonBinomialUpperTail(std::int64_t observed, const std::vector<TrialGroup>& groups);
/// Its mean.
double poissonBinomialMean(const std::vector<TrialGroup>& groups);
