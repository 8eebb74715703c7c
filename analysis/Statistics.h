#pragma once

#include <vector>

// The scores of a word: Poisson and binomial probabilities of its observed count, computed
// step by step in a fixed order of operations so that every result is reproducible to the bit.
// Logarithms are decimal throughout.

/// e^-E * E^O / O!, or -1.0 when E is above 170.
double poissonProbability(double expected, double observed);
/// 1 * 2 * ... * x (the integer part of x); 1 below 1; infinite from 171 on.
double factorial(double x);
/// log10(1) + log10(2) + ... + log10(x), added smallest first; 0 below 1. Beyond 2^24 terms,
/// log10 Gamma(x + 1) of the whole part of x.
double logFactorial(double x);
/// 10^(x - ceil(x)) * 10^ceil(x).
double powerOfTen(double x);

/// logFactorial for many arguments at once, in one ascending pass: the partial sums are the
/// same doubles the term-by-term loop gives, so every value is bit-identical to logFactorial.
class LogFactorialTable {
public:
    /// Prepares the values of logFactorial for every argument in `arguments`.
    explicit LogFactorialTable(std::vector<double> arguments);
    /// logFactorial(x) for an x given to the constructor; computed afresh otherwise.
    double operator()(double x) const;

private:
    std::vector<double> terms;   ///< whole numbers of terms, ascending
    std::vector<double> sums;    ///< logFactorial of each
};

/// The probability of exactly k successes in n trials of probability p, through the decimal
/// logarithm of each factor, with the logFactorial values taken from `table`. Beyond 2^24
/// trials, log10 of n! / (n-k)! comes from one expression in k and n, not from two sums.
double binomialProbability(double k, double n, double p, const LogFactorialTable& table);
/// The decimal logarithm binomialProbability raises 10 to.
double log10BinomialProbability(double k, double n, double p, const LogFactorialTable& table);
