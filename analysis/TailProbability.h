#pragma once

#include <cstdint>

// Upper-tail probabilities of a word's count, P(X >= observed), as decimal logarithms.
// The logarithm keeps tails far beyond the smallest double (10^-100000 is an ordinary
// -100000) and stays exact near P = 1, where 1 - P would be lost in a double. Both
// functions are accurate to about 1e-12 relative (absolute where the logarithm is below 1
// in size) for trials or means up to 1e10 and every observed count.
//
// Arguments outside a distribution's domain give NaN. The degenerate distributions are
// exact: a certain outcome gives 0, an impossible one -infinity.
//
// A call sums about ten standard deviations' worth of terms when the observed count is
// near the mean, fewer elsewhere: microseconds at a mean of 10^4, a millisecond at 10^10.

/// log10 P(X >= observed) for X binomial with `trials` trials, each a success with
/// probability p. `trials` is a whole number from 0 to 2^53, p lies in [0, 1].
/// observed <= 0 gives 0; observed > trials gives -infinity.
double log10BinomialUpperTail(std::int64_t observed, double trials, double p);

/// log10 P(X >= observed) for X Poisson with the given mean, from 0 to 2^53.
/// observed <= 0 gives 0.
double log10PoissonUpperTail(std::int64_t observed, double mean);

/// log10 P(X >= x) for X chi-square with `freedom` degrees of freedom (at least 1), x >= 0;
/// to about 1e-12 relative however small P is. NaN outside the domain.
double log10ChiSquareUpperTail(double x, int freedom);
