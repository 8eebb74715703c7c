#pragma once

#include <cstdint>
#include <vector>

// The upper tail P(X >= observed), as a decimal logarithm, of X the number of successes
// among independent trials of unequal success probabilities (a Poisson-binomial count): in
// how many of a family's sequences a word occurs at least once. Trials of equal probability
// come as one group, as sequences of equal length do.
//
// Domain: a group's logarithms lie in [-infinity, 0], not both -infinity, and their
// probabilities add up to 1 within 1e-9; counts are from 0 to 2^53 and so is their total.
// Anything else gives NaN. The degenerate cases are exact: observed <= 0 gives 0, observed
// above the number of trials -infinity; trials of probability 0 drop out and trials of
// probability 1 are certain successes; every trial a success gives the sum of log10 q; a
// single probability left is a binomial tail (TailProbability.h) unless it lies below the
// smallest normal double, where it goes the general way.
//
// Accuracy and cost, N being the number of trials of probability strictly between 0 and 1:
// - up to poissonBinomialExactTrials trials, or N * observed up to poissonBinomialExactBudget:
//   exact, to about 1e-12 relative in log10 P (absolute where |log10 P| < 1) however small P,
//   in about N * observed multiply-adds (N * observed - observed^2 / 2): at most 9 * 10^4
//   for 300 sequences. A family's tens of thousands of classes each take one.
// - beyond (so only past 300 trials): a saddle-point approximation, whose error falls
//   as the variance of X grows: within 1e-4 relative in log10 P (absolute where
//   |log10 P| < 1) for families of 300 to 2000 sequences even at a mean of a few sequences,
//   1e-6 or better a few standard deviations out, 4e-5 at all trials but one; in families of tens of sequences it can
//   be off by 2e-2, which is why the exact sum runs there. It costs one pass over the
//   groups (a few logarithms and exponentials each) for each step of a bracketing and
//   Newton's method: 7 to 26 passes in families of 2000 and 20000 sequences.

/// Trials that share one success probability: `count` trials of probability q, given by its
/// natural logarithms log q and log(1 - q) so that neither q near 0 nor q near 1 loses digits.
struct TrialGroup {
    double logQ;
    double logNotQ;
    std::int64_t count;
};

/// Trials up to which the tail is always exact, and beyond them the most multiply-adds,
/// trials times observed count, the exact tail may take.
constexpr std::int64_t poissonBinomialExactTrials = 300;
constexpr double poissonBinomialExactBudget = 6e3;

/// The group of `count` trials of probability 1 - (1 - p)^n: a sequence of n windows holding
/// a word of window probability p at least once. p in [0, 1], n and count >= 0; outside, NaN
/// logarithms. n = 0 or p = 0 gives q = 0, p = 1 with n > 0 gives q = 1.
TrialGroup occurrenceGroup(double p, std::int64_t n, std::int64_t count);

/// log10 P(X >= observed) for X the number of successes among the trials of `groups`: exact
/// within the budget, the saddle-point approximation beyond it.
double log10PoissonBinomialUpperTail(std::int64_t observed, const std::vector<TrialGroup>& groups);

/// The same tail always by the saddle-point approximation (Lugannani and Rice's formula with
/// Daniels's continuity correction for a count), save for the exact degenerate cases above.
double log10PoissonBinomialUpperTailSaddlePoint(std::int64_t observed, const std::vector<TrialGroup>& groups);

/// The mean of X, the sum of count * q; NaN outside the domain.
double poissonBinomialMean(const std::vector<TrialGroup>& groups);
