#include "analysis/Statistics.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double limitOfExpected = 170.0;
constexpr double e = 2.718281828459045;
constexpr double ten = 10.0;
constexpr double noValue = -1.0;
constexpr double step = 1.0;

/// The sum is taken term by term up to 2^32 terms (a minute's work). Beyond that (a table
/// header claiming more bases than any genome has, or one past 2^53, where adding 1.0 no
/// longer changes a double and the loop would never end) it is taken from the log-gamma
/// function instead.
constexpr double lastExactTerm = 4294967296.0;

/// Number of terms the counting loop adds for x: the whole numbers 1, 2, ... up to x.
double termsFor(double x)
{
    return x >= step ? std::floor(x) : 0.0;
}

double extendedLogFactorial(double terms)
{
    return std::lgamma(terms + 1.0) / std::log(ten);
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

double binomialProbability(double k, double n, double p, const LogFactorialTable& table)
{
    double sum = 0.0;
    sum += table(n) - (table(n - k) + table(k));
    sum += k * std::log10(p);
    sum += (n - k) * std::log10(1 - p);
    return powerOfTen(sum);
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
