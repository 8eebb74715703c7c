#include "analysis/Statistics.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double limitOfExpected = 170.0;
constexpr double e = 2.718281828459045;
constexpr double ten = 10.0;
constexpr double noValue = -1.0;
constexpr double step = 1.0;

/// The sum is taken term by term up to 2^24 terms (a tenth of a second), which covers every
/// family of genes' upstream regions. Beyond that it is taken from the log-gamma function,
/// so that a table header claiming billions of bases costs nothing (and one past 2^53, where
/// adding 1.0 no longer changes a double, cannot loop forever).
constexpr double lastExactTerm = 16777216.0;

/// From this argument on, the Stirling series to its x^-3 term gives ln Gamma(x) to well
/// below a double's precision.
constexpr double stirlingFrom = 1048576.0;

/// Number of terms the counting loop adds for x: the whole numbers 1, 2, ... up to x.
double termsFor(double x)
{
    return x >= step ? std::floor(x) : 0.0;
}

double extendedLogFactorial(double terms)
{
    return std::lgamma(terms + 1.0) / std::log(ten);
}

/// ln Gamma(b) - ln Gamma(a) for whole numbers b >= a >= 1, without the cancellation of two
/// values near b ln b: with d = b - a, Stirling's series gives
///   (a - 1/2) ln(1 + d/a) + d ln b - d + s(b) - s(a),  s(x) = 1/(12x) - 1/(360x^3),
/// every part of which is as small as the difference itself.
double logGammaDifference(double b, double a)
{
    if (a < stirlingFrom)
        return std::lgamma(b) - std::lgamma(a);
    const double d = b - a;
    auto series = [](double x) { return 1.0 / (12.0 * x) - 1.0 / (360.0 * x * x * x); };
    return (a - 0.5) * std::log1p(d / a) + d * std::log(b) - d + (series(b) - series(a));
}

/// log10 of n! / ((n-k)! k!) for a count of terms n beyond lastExactTerm, taking each
/// factorial's whole number of terms as logFactorial does. The larger of (n-k)! and k! is
/// divided out of n! in one expression; the smaller comes from log-gamma.
double largeLogChoose(double k, double n)
{
    const double all = termsFor(n);
    const double rest = termsFor(n - k);
    const double chosen = termsFor(k);
    if (rest + chosen > all) // not n choose k: k is negative or above n
        return extendedLogFactorial(all) - (extendedLogFactorial(rest) + extendedLogFactorial(chosen));
    const double larger = std::max(rest, chosen);
    return (logGammaDifference(all + 1.0, larger + 1.0) - std::lgamma(std::min(rest, chosen) + 1.0)) / std::log(ten);
}

} // namespace

double factorial(double x)
{
    double result = 1.0;
    // Once the product is infinite it stays so; stopping there keeps huge x from looping.
    for (double counter = 1.0; counter <= x && !std::isinf(result); counter += step)
        result *= counter;
    return result;
}

double logFactorial(double x)
{
    if (termsFor(x) > lastExactTerm)
        return extendedLogFactorial(termsFor(x));
    double sum = 0.0;
    for (double counter = 1.0; counter <= x; counter += step)
        sum += std::log10(counter);
    return sum;
}

double powerOfTen(double x)
{
    double c = std::ceil(x);
    return std::pow(ten, x - c) * std::pow(ten, c);
}

double poissonProbability(double expected, double observed)
{
    if (expected > limitOfExpected)
        return noValue;
    double a = std::pow(e, -expected);
    double b = std::pow(expected, observed) * a;
    return b / factorial(observed);
}

double log10BinomialProbability(double k, double n, double p, const LogFactorialTable& table)
{
    double sum = 0.0;
    // Beyond the summed range, two log-gamma values near n log10 n would lose in their
    // difference much of what the k terms between them add.
    if (termsFor(n) > lastExactTerm)
        sum += largeLogChoose(k, n);
    else
        sum += table(n) - (table(n - k) + table(k));
    sum += k * std::log10(p);
    sum += (n - k) * std::log10(1 - p);
    return sum;
}

double binomialProbability(double k, double n, double p, const LogFactorialTable& table)
{
    return powerOfTen(log10BinomialProbability(k, n, p, table));
}

LogFactorialTable::LogFactorialTable(std::vector<double> arguments)
{
    for (double& x : arguments)
        x = termsFor(x);
    std::sort(arguments.begin(), arguments.end());
    arguments.erase(std::unique(arguments.begin(), arguments.end()), arguments.end());
    terms.reserve(arguments.size());
    sums.reserve(arguments.size());
    double sum = 0.0;
    double counter = 1.0;
    for (double wanted : arguments) {
        if (std::isnan(wanted))
            continue;
        if (wanted > lastExactTerm) {
            terms.push_back(wanted);
            sums.push_back(extendedLogFactorial(wanted));
            continue;
        }
        for (; counter <= wanted; counter += step)
            sum += std::log10(counter);
        terms.push_back(wanted);
        sums.push_back(sum);
    }
}

double LogFactorialTable::operator()(double x) const
{
    double wanted = termsFor(x);
    auto found = std::lower_bound(terms.begin(), terms.end(), wanted);
    if (found != terms.end() && *found == wanted)
        return sums[static_cast<std::size_t>(found - terms.begin())];
    return logFactorial(x);
}
