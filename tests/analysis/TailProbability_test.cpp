#include "analysis/TailProbability.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

/// The promised accuracy: 1e-9 of log10 P, absolute where |log10 P| is below 1.
testing::AssertionResult accurate(double actual, double exact)
{
    const double difference = std::fabs(actual - exact);
    if (difference <= 1e-9 * std::max(1.0, std::fabs(exact)))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "log10 P is " << actual << ", exactly " << exact << " (off by "
                                       << difference / std::max(1.0, std::fabs(exact)) << " relative)";
}

std::vector<std::string> splitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    std::istringstream in(line);
    std::string field;
    while (std::getline(in, field, '\t'))
        fields.push_back(field);
    if (!line.empty() && line.back() == '\t')
        fields.emplace_back();
    return fields;
}

double number(const std::string& text)
{
    // strtod rather than stod: a log10 P of -1e-400 is 0 to a double, not an error.
    return std::strtod(text.c_str(), nullptr);
}

/// P(X >= k) for X binomial, n <= 60, as the definition reads: the exact binomial coefficients
/// (C(60, j) (60 - j) < 2^64 on the way) times the powers, added up in long double.
long double plainBinomialTail(int k, int n, double p)
{
    const long double success = p;
    const long double failure = 1.0L - success;
    long double sum = 0.0L;
    std::uint64_t coefficient = 1; // C(n, j)
    for (int j = 0; j <= n; ++j) {
        if (j >= k)
            sum += static_cast<long double>(coefficient) * std::pow(success, j) * std::pow(failure, n - j);
        coefficient = coefficient * static_cast<std::uint64_t>(n - j) / static_cast<std::uint64_t>(j + 1);
    }
    return sum;
}

/// P(X >= k) for X Poisson with a mean up to 50: e^-mean mean^j / j! added up from j = k on,
/// in long double, well past where the terms stop counting.
long double plainPoissonTail(int k, double mean)
{
    const long double m = mean;
    long double sum = 0.0L;
    for (int j = k; j < k + 500; ++j)
        sum += std::exp(-m + j * std::log(m) - std::lgamma(static_cast<long double>(j) + 1.0L));
    return sum;
}

} // namespace

TEST(TailProbability, MatchesExactValuesDownToTenToTheMinusAHundredThousand)
{
    std::ifstream in(testData("tail_reference.tsv"));
    ASSERT_TRUE(in) << testData("tail_reference.tsv");
    int rows = 0;
    double smallest = 0.0;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        const std::vector<std::string> field = splitTabs(line);
        ASSERT_EQ(field.size(), 5u) << line;
        const std::int64_t observed = std::stoll(field[1]);
        const double exact = number(field[4]);
        double actual = 0.0;
        if (field[0] == "binomial")
            actual = log10BinomialUpperTail(observed, number(field[2]), number(field[3]));
        else if (field[0] == "poisson")
            actual = log10PoissonUpperTail(observed, number(field[3]));
        else
            FAIL() << "unknown distribution in " << line;
        EXPECT_TRUE(accurate(actual, exact)) << line;
        smallest = std::min(smallest, exact);
        ++rows;
    }
    EXPECT_GE(rows, 150);
    EXPECT_LE(smallest, -100000.0);
}

TEST(TailProbability, WorkedByHand)
{
    EXPECT_NEAR(log10BinomialUpperTail(8, 10, 0.5), std::log10(56.0 / 1024.0), 1e-15);
    EXPECT_NEAR(log10BinomialUpperTail(10, 10, 0.5), std::log10(1.0 / 1024.0), 1e-15);
    EXPECT_NEAR(log10BinomialUpperTail(1, 10, 0.5), std::log10(1023.0 / 1024.0), 1e-15);
    EXPECT_NEAR(log10PoissonUpperTail(1, 1.0), std::log10(1.0 - std::exp(-1.0)), 1e-15);
    EXPECT_NEAR(log10PoissonUpperTail(3, 2.0), std::log10(1.0 - 5.0 * std::exp(-2.0)), 1e-15);
}

TEST(TailProbability, ClosedFormsAtTheExtremes)
{
    // Every trial a success: P = p^n, far below the smallest double.
    EXPECT_TRUE(accurate(log10BinomialUpperTail(10000000000, 1e10, 0.5), 1e10 * std::log10(0.5)));
    EXPECT_TRUE(accurate(log10BinomialUpperTail(10000000000, 1e10, 0.9), 1e10 * std::log10(0.9)));
    EXPECT_TRUE(accurate(log10BinomialUpperTail(1000, 1000, 1e-300), -300000.0));
    // At least one success or event: 1 - q^n and 1 - e^-mean, both tiny or both next to 1.
    EXPECT_TRUE(accurate(log10BinomialUpperTail(1, 1e10, 1e-300), std::log10(1e10) - 300.0));
    EXPECT_TRUE(accurate(log10PoissonUpperTail(1, 1e-300), -300.0));
    EXPECT_TRUE(accurate(log10PoissonUpperTail(1, 1e-3), std::log10(-std::expm1(-1e-3))));
    EXPECT_NEAR(log10PoissonUpperTail(1, 40.0), std::log1p(-std::exp(-40.0)) / std::log(10.0), 1e-30);
    EXPECT_NEAR(log10BinomialUpperTail(1, 60, 0.5), -std::ldexp(1.0, -60) / std::log(10.0), 1e-30);
}

TEST(TailProbability, CertainAndImpossibleCountsAreExact)
{
    EXPECT_EQ(log10BinomialUpperTail(0, 1e10, 0.5), 0.0);
    EXPECT_EQ(log10BinomialUpperTail(-3, 10, 0.5), 0.0);
    EXPECT_EQ(log10PoissonUpperTail(0, 1e10), 0.0);
    EXPECT_EQ(log10PoissonUpperTail(-1, 0.5), 0.0);
    EXPECT_EQ(log10BinomialUpperTail(11, 10, 0.5), -infinity);
    EXPECT_EQ(log10BinomialUpperTail(std::numeric_limits<std::int64_t>::max(), 9007199254740992.0, 0.5), -infinity);
    // The degenerate distributions: no trials, successes never or always, no events.
    EXPECT_EQ(log10BinomialUpperTail(0, 0, 0.5), 0.0);
    EXPECT_EQ(log10BinomialUpperTail(1, 0, 0.5), -infinity);
    EXPECT_EQ(log10BinomialUpperTail(1, 10, 0.0), -infinity);
    EXPECT_EQ(log10BinomialUpperTail(0, 10, 0.0), 0.0);
    EXPECT_EQ(log10BinomialUpperTail(10, 10, 1.0), 0.0);
    EXPECT_EQ(log10BinomialUpperTail(11, 10, 1.0), -infinity);
    EXPECT_EQ(log10PoissonUpperTail(1, 0.0), -infinity);
    EXPECT_EQ(log10PoissonUpperTail(0, 0.0), 0.0);
    // P = 1 to the last bit of a double is +0, as a certain count is, not -0.
    EXPECT_FALSE(std::signbit(log10BinomialUpperTail(3, 9007199254740992.0, 0.5)));
    EXPECT_FALSE(std::signbit(log10PoissonUpperTail(2, 1e6)));
}

TEST(TailProbability, FallsAsTheObservedCountRises)
{
    struct Binomial {
        double n, p;
    };
    for (const Binomial b : { Binomial { 60, 0.3 }, Binomial { 2.6e6, 1.0 / 2080 }, Binomial { 2.6e6, 1.0 / 5e7 },
             Binomial { 1e10, 0.5 }, Binomial { 1e10, 1e-9 } }) {
        const double mean = b.n * b.p;
        const double sd = std::sqrt(mean * (1 - b.p));
        const auto first = static_cast<std::int64_t>(std::max(0.0, mean - 8 * sd));
        const auto last = static_cast<std::int64_t>(std::min(b.n, mean + 12 * sd + 3));
        const std::int64_t step = std::max<std::int64_t>(1, (last - first) / 150);
        double previous = log10BinomialUpperTail(first, b.n, b.p);
        for (std::int64_t k = first + step; k <= last; k += step) {
            const double next = log10BinomialUpperTail(k, b.n, b.p);
            EXPECT_TRUE(next < previous || (next == 0.0 && previous == 0.0))
                << "n " << b.n << " p " << b.p << ": " << previous << " then " << next << " at " << k;
            previous = next;
        }
    }
    for (const double mean : { 0.5, 1250.0, 1e10 }) {
        const double sd = std::sqrt(mean);
        const auto first = static_cast<std::int64_t>(std::max(0.0, mean - 8 * sd));
        const auto last = static_cast<std::int64_t>(mean + 12 * sd + 3);
        const std::int64_t step = std::max<std::int64_t>(1, (last - first) / 150);
        double previous = log10PoissonUpperTail(first, mean);
        for (std::int64_t k = first + step; k <= last; k += step) {
            const double next = log10PoissonUpperTail(k, mean);
            EXPECT_TRUE(next < previous || (next == 0.0 && previous == 0.0))
                << "mean " << mean << ": " << previous << " then " << next << " at " << k;
            previous = next;
        }
    }
}

TEST(TailProbability, BinomialWithRareSuccessesApproachesPoisson)
{
    // Ten billion trials at 1e-8: the two logarithms part by about k^2 / 2n, below 1e-5.
    for (std::int64_t k = 0; k <= 400; k += 3) {
        const double poisson = log10PoissonUpperTail(k, 100.0);
        EXPECT_NEAR(log10BinomialUpperTail(k, 1e10, 1e-8), poisson, 1e-6 * std::max(1.0, std::fabs(poisson))) << k;
    }
}

TEST(TailProbability, AgreesWithTermByTermSumsForFewTrials)
{
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> exponent(-4.0, std::log10(0.5));
    std::bernoulli_distribution mirror(0.5);
    for (int i = 0; i < 3000; ++i) {
        const int n = std::uniform_int_distribution<int>(1, 60)(random);
        double p = std::pow(10.0, exponent(random));
        if (mirror(random))
            p = 1.0 - p;
        const int k = std::uniform_int_distribution<int>(0, n + 1)(random);
        const double actual = log10BinomialUpperTail(k, n, p);
        if (k > n)
            EXPECT_EQ(actual, -infinity);
        else
            EXPECT_TRUE(accurate(actual, static_cast<double>(std::log10(plainBinomialTail(k, n, p)))))
                << "k " << k << " n " << n << " p " << p;
    }
    std::uniform_real_distribution<double> meanExponent(-3.0, std::log10(50.0));
    for (int i = 0; i < 1000; ++i) {
        const double mean = std::pow(10.0, meanExponent(random));
        const int k = std::uniform_int_distribution<int>(0, static_cast<int>(mean + 10 * std::sqrt(mean)) + 30)(random);
        const auto exact = static_cast<double>(std::log10(plainPoissonTail(k, mean)));
        EXPECT_TRUE(accurate(log10PoissonUpperTail(k, mean), exact)) << "k " << k << " mean " << mean;
    }
}

TEST(TailProbability, SuccessProbabilityOutsideZeroToOneIsNotANumber)
{
    for (const double p : { -0.1, 1.5, -infinity, infinity, std::nan("") }) {
        EXPECT_TRUE(std::isnan(log10BinomialUpperTail(3, 10, p))) << p;
        EXPECT_TRUE(std::isnan(log10BinomialUpperTail(0, 10, p))) << p;
    }
}

TEST(TailProbability, TrialsThatAreNoWholeNumberAreNotANumber)
{
    for (const double n : { 10.5, -1.0, -infinity, infinity, std::nan(""), 2 * 9007199254740992.0 }) {
        EXPECT_TRUE(std::isnan(log10BinomialUpperTail(3, n, 0.5))) << n;
        EXPECT_TRUE(std::isnan(log10BinomialUpperTail(0, n, 0.5))) << n;
    }
}

TEST(TailProbability, PoissonMeanOutsideItsRangeIsNotANumber)
{
    for (const double mean : { -1.0, -infinity, infinity, std::nan(""), 1e300 }) {
        EXPECT_TRUE(std::isnan(log10PoissonUpperTail(3, mean))) << mean;
        EXPECT_TRUE(std::isnan(log10PoissonUpperTail(0, mean))) << mean;
    }
}
