#include "analysis/TailProbability.h"

#include "analysis/TailConstants.h"

#include <cmath>
#include <limits>

// A tail is its first point probability times the sum of the following ones relative to it.
// The point probability comes from the saddle-point form, in which every part is computed to
// full relative accuracy: Stirling's formula's error for the factorials and a deviance for
// the powers (C. Loader, "Fast and accurate computation of binomial probabilities", 2000).
// Taking logarithms of factorials and subtracting them instead would lose ten digits at a
// billion trials. The relative sum is a series of ratios of neighbouring terms. Above the
// mean the upper tail is summed upwards; at or below it the lower tail is summed downwards
// and P = 1 - (lower tail), so that log P near 0 keeps its absolute accuracy. Either way the
// ratios fall from below 1, and the series needs about ten standard deviations' worth of
// terms at most: some thousand at a mean of 10^4, a million at 10^10.

namespace {

using namespace tail;

constexpr double logOfTwoPi = 1.83787706640934548356065947281123527;
/// A series stops once what is left of it is below half a unit in the last place of its sum.
constexpr double negligible = 0x1p-54;

/// log x! - [(x + 1/2) log x - x + log sqrt(2 pi)]: the error of Stirling's formula, for a
/// whole x >= 1.
double stirlingError(double x)
{
    static constexpr double exact[16] = {
        0.0, // not used: x = 0 never needs it
        0.08106146679532725822,
        0.041340695955409294094,
        0.027677925684998339149,
        0.020790672103765093112,
        0.016644691189821192163,
        0.013876128823070747999,
        0.011896709945891770095,
        0.010411265261972096497,
        0.0092554621827127329177,
        0.0083305634333628712565,
        0.007573675487951840795,
        0.0069428401072095298657,
        0.0064089941880042070684,
        0.0059513701127588477356,
        0.005554733551962801371,
    };
    if (x < 16.0)
        return exact[static_cast<int>(x)];
    // The Stirling series 1/(12x) - 1/(360x^3) + 1/(1260x^5) - 1/(1680x^7) + 1/(1188x^9),
    // cut where the next term drops below 1e-16.
    constexpr double s0 = 1.0 / 12.0;
    constexpr double s1 = 1.0 / 360.0;
    constexpr double s2 = 1.0 / 1260.0;
    constexpr double s3 = 1.0 / 1680.0;
    constexpr double s4 = 1.0 / 1188.0;
    const double xx = x * x;
    if (x > 500.0)
        return (s0 - s1 / xx) / x;
    if (x > 80.0)
        return (s0 - (s1 - s2 / xx) / xx) / x;
    if (x > 35.0)
        return (s0 - (s1 - (s2 - s3 / xx) / xx) / xx) / x;
    return (s0 - (s1 - (s2 - (s3 - s4 / xx) / xx) / xx) / xx) / x;
}

/// x log(x / mean) + mean - x, to full relative accuracy also where x is close to the mean
/// and the three parts nearly cancel.
double deviance(double x, double mean)
{
    if (x == 0.0)
        return mean;
    const double difference = x - mean;
    if (std::fabs(difference) < 0.1 * (x + mean)) {
        // log(x / mean) = 2 (v + v^3/3 + v^5/5 + ...) with v = (x - mean) / (x + mean);
        // |v| < 0.1 gains two digits a term.
        double v = difference / (x + mean);
        double sum = difference * v;
        double power = 2.0 * x * v;
        v *= v;
        for (int j = 1; j < 40; ++j) {
            power *= v;
            const double next = sum + power / (2 * j + 1);
            if (next == sum)
                break;
            sum = next;
        }
        return sum;
    }
    const double ratio = x / mean;
    const double logRatio = std::isfinite(ratio) && ratio > 0.0 ? std::log(ratio) : std::log(x) - std::log(mean);
    return x * logRatio + mean - x;
}

/// log P(X = x) for X binomial with n trials of success probability p (q = 1 - p), 0 <= x <= n.
double binomialLogProbability(double x, double n, double p, double q)
{
    if (x == 0.0)
        return n * std::log1p(-p);
    if (x == n)
        return n * std::log(p);
    const double exponent = stirlingError(n) - stirlingError(x) - stirlingError(n - x) - deviance(x, n * p)
        - deviance(n - x, n * q);
    return exponent - 0.5 * (logOfTwoPi + std::log(x) + std::log((n - x) / n));
}

/// log P(X = x) for X Poisson with the given mean, x >= 0.
double poissonLogProbability(double x, double mean)
{
    if (x == 0.0)
        return -mean;
    return -stirlingError(x) - deviance(x, mean) - 0.5 * (logOfTwoPi + std::log(x));
}

/// 1 + r0 + r0 r1 + r0 r1 r2 + ... with r_j = (a + j da) ca / ((b + j db) cb): a tail's point
/// probabilities over its first, r_j being the ratio of neighbours. The ratios must fall as
/// j grows and drop below 1; the series ends at the first zero ratio or once the rest is
/// negligible.
double fallingSeries(double a, double da, double ca, double b, double db, double cb)
{
    // Summed in blocks: the rounding of a sum grows with the number of terms added into it,
    // and a million of them would cost three digits.
    constexpr int blockSize = 1024;
    double blocks = 0.0;
    double block = 1.0;
    double term = 1.0;
    for (int i = 1;; ++i) {
        const double ratio = (a * ca) / (b * cb);
        term *= ratio;
        block += term;
        // The ratios only fall, so all the terms after this one add up to at most
        // term * ratio / (1 - ratio).
        if (term * ratio <= negligible * (blocks + block) * (1.0 - ratio))
            break;
        a += da;
        b += db;
        if (i % blockSize == 0) {
            blocks += block;
            block = 0.0;
        }
    }
    return blocks + block;
}

} // namespace

double log10BinomialUpperTail(std::int64_t observed, double trials, double p)
{
    if (!(trials >= 0.0 && trials <= largestWhole && trials == std::floor(trials)) || !(p >= 0.0 && p <= 1.0))
        return notANumber;
    if (observed <= 0)
        return certain;
    if (observed > static_cast<std::int64_t>(trials) || p == 0.0)
        return impossible;
    if (p == 1.0)
        return certain;
    const double n = trials;
    const double q = 1.0 - p;
    const double x = static_cast<double>(observed);
    if (x > n * p) {
        const double relativeSum = fallingSeries(n - x, -1.0, p, x + 1.0, 1.0, q);
        return (binomialLogProbability(x, n, p, q) + std::log(relativeSum)) * log10OfE;
    }
    const double last = x - 1.0;
    const double lowerTail
        = std::exp(binomialLogProbability(last, n, p, q)) * fallingSeries(last, -1.0, q, n - last + 1.0, 1.0, p);
    // A lower tail below the smallest double leaves log1p(-0) = -0; adding 0 makes it a plain 0.
    return std::log1p(-lowerTail) * log10OfE + 0.0;
}

double log10PoissonUpperTail(std::int64_t observed, double mean)
{
    if (!(mean >= 0.0 && mean <= largestWhole))
        return notANumber;
    if (observed <= 0)
        return certain;
    if (mean == 0.0)
        return impossible;
    const double x = static_cast<double>(observed);
    if (x > mean) {
        const double relativeSum = fallingSeries(1.0, 0.0, mean, x + 1.0, 1.0, 1.0);
        return (poissonLogProbability(x, mean) + std::log(relativeSum)) * log10OfE;
    }
    const double last = x - 1.0;
    const double lowerTail
        = std::exp(poissonLogProbability(last, mean)) * fallingSeries(last, -1.0, 1.0, 1.0, 0.0, mean);
    return std::log1p(-lowerTail) * log10OfE + 0.0;
}

double log10ChiSquareUpperTail(double x, int freedom)
{
    if (!(x >= 0.0) || freedom < 1 || std::isinf(x))
        return std::isinf(x) && x > 0.0 && freedom >= 1 ? impossible : notANumber;
    const double a = 0.5 * freedom;
    const double z = 0.5 * x;
    if (z == 0.0)
        return 0.0;
    const double logPrefix = -z + a * std::log(z) - std::lgamma(a);
    constexpr double epsilon = 1e-16;
    constexpr double tiny = 1e-300;
    if (z < a + 1.0) {
        // The lower tail by its series, then the upper one as its complement.
        double term = 1.0 / a, sum = term;
        for (int n = 1; n < 100000 && std::fabs(term) > std::fabs(sum) * epsilon; ++n) {
            term *= z / (a + n);
            sum += term;
        }
        const double lower = std::exp(logPrefix + std::log(sum));
        return std::log1p(-lower) * log10OfE;
    }
    // The upper tail by its continued fraction (Lentz's method).
    double b = z + 1.0 - a;
    double c = 1.0 / tiny;
    double d = 1.0 / b;
    double h = d;
    for (int i = 1; i < 100000; ++i) {
        const double an = -i * (i - a);
        b += 2.0;
        d = an * d + b;
        if (std::fabs(d) < tiny)
            d = tiny;
        c = b + an / c;
        if (std::fabs(c) < tiny)
            c = tiny;
        d = 1.0 / d;
        const double step = d * c;
        h *= step;
        if (std::fabs(step - 1.0) < epsilon)
            break;
    }
    return (logPrefix + std::log(h)) * log10OfE;
}
