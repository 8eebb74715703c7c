#include "TestSupport.h"

#include "analysis/Statistics.h"
#include "base/RealFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <random>

namespace {

// The statistics written out term by term, as the plain definition reads: the oracle for
// the one-pass log-factorials.
double plainLogFactorial(double x)
{
    double sum = 0.0;
    for (double counter = 1.0; counter <= x; counter += 1.0)
        sum += std::log10(counter);
    return sum;
}

double plainBinomial(double k, double n, double p)
{
    double sum = 0.0;
    sum += plainLogFactorial(n) - (plainLogFactorial(n - k) + plainLogFactorial(k));
    sum += k * std::log10(p);
    sum += (n - k) * std::log10(1 - p);
    double c = std::ceil(sum);
    return std::pow(10.0, sum - c) * std::pow(10.0, c);
}

/// The binomial probability of the engine with no log-factorial prepared.
double binomialProbability(double k, double n, double p)
{
    return binomialProbability(k, n, p, LogFactorialTable({}));
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

TEST(Statistics, WorkedExamples)
{
    EXPECT_EQ(formatReal(0.5 / 3), "0.166667");
    EXPECT_EQ(formatReal(poissonProbability(0.5, 3)), "0.0126361");
    EXPECT_EQ(formatReal(binomialProbability(3, 1000, 0.0005)), "0.0126155");
    EXPECT_EQ(formatReal(4.0 / 12), "0.333333");
    EXPECT_EQ(formatReal(poissonProbability(4, 12)), "0.000641512");
    EXPECT_EQ(formatReal(binomialProbability(12, 2000, 0.002)), "0.000633198");
}

TEST(Statistics, AuxiliaryValues)
{
    EXPECT_EQ(factorial(3), 6.0);
    EXPECT_EQ(factorial(0.5), 1.0);
    EXPECT_EQ(factorial(3.7), 6.0);
    EXPECT_EQ(factorial(-2), 1.0);
    EXPECT_TRUE(std::isinf(factorial(171)));
    EXPECT_TRUE(std::isinf(factorial(1e300))); // ends, although the counter could never reach it
    EXPECT_EQ(formatReal(logFactorial(3)), "0.778151");
    EXPECT_EQ(logFactorial(0.5), 0.0);
    EXPECT_EQ(formatReal(powerOfTen(-2.5)), "0.00316228");
}

TEST(Statistics, PoissonLimitsAndOverflow)
{
    EXPECT_NE(poissonProbability(170.0, 200), -1.0);
    EXPECT_EQ(poissonProbability(170.5, 3), -1.0);
    EXPECT_EQ(poissonProbability(170.5, 1e6), -1.0);
    // O of 171 or more: O! is infinite, so a finite numerator gives 0 ...
    EXPECT_EQ(poissonProbability(1.5, 171), 0.0);
    // ... and an infinite one gives not a number.
    EXPECT_TRUE(std::isnan(poissonProbability(100, 400)));
}

TEST(Statistics, BinomialOfAnAbsentWordIsNotANumber)
{
    EXPECT_TRUE(std::isnan(binomialProbability(3, 1000, 0.0)));
    EXPECT_TRUE(std::isnan(powerOfTen(-INFINITY)));
}

TEST(Statistics, OnePassLogFactorialsAreBitIdenticalToTermByTermSums)
{
    std::mt19937_64 random(42);
    for (int round = 0; round < 10; ++round) {
        double n = static_cast<double>(random() % 50000);
        std::vector<double> ks;
        std::vector<double> arguments {n};
        for (int i = 0; i < 12; ++i) {
            double k = static_cast<double>(random() % 400) + (i % 5 == 0 ? 0.5 : 0.0);
            ks.push_back(k);
            arguments.push_back(n - k);
            arguments.push_back(k);
        }
        LogFactorialTable table(arguments);
        for (double x : arguments)
            ASSERT_TRUE(sameBits(table(x), plainLogFactorial(x))) << x;
        for (double k : ks) {
            double p = std::ldexp(static_cast<double>(random() % 1000 + 1), -20);
            ASSERT_TRUE(sameBits(binomialProbability(k, n, p, table), plainBinomial(k, n, p))) << k << ' ' << n;
            ASSERT_TRUE(sameBits(binomialProbability(k, n, p), plainBinomial(k, n, p)));
        }
    }
}

TEST(Statistics, AbsurdLengthsEndInsteadOfLoopingForever)
{
    // A table header may claim any length; beyond 2^53 the counting loop could never end.
    double huge = 9.3e18;
    double value = logFactorial(huge);
    EXPECT_TRUE(std::isfinite(value));
    EXPECT_GT(value, 1e20);
    LogFactorialTable table({huge, huge - 3});
    EXPECT_EQ(table(huge), value);
    EXPECT_TRUE(std::isfinite(binomialProbability(3, huge, 1e-18, table)));
}

TEST(Statistics, BinomialScoresOfHugeFamiliesAgreeWithExactValuesAtNoCost)
{
    // log10 C(n, k) p^k (1-p)^(n-k) at 80 digits (make_point_binomial_reference.py), at the
    // last length summed term by term and beyond it, up to a trillion bases. The sum of terms
    // is good to about 3e-9 at its last length; beyond it the error must be no larger. Besides
    // the log-factorials, the formula rounds 1 - p, which moves (n - k) log10(1 - p) by up to
    // n times half an ulp of 1.
    std::ifstream in(testData("point_binomial_reference.tsv"));
    ASSERT_TRUE(in) << testData("point_binomial_reference.tsv");
    int rows = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        double k, n, p;
        std::string exactText;
        ASSERT_TRUE(fields >> k >> n >> p >> exactText) << line;
        const double exact = std::strtod(exactText.c_str(), nullptr);
        const double actual = log10BinomialProbability(k, n, p, LogFactorialTable({n, n - k, k}));
        EXPECT_NEAR(actual, exact, 5e-9 + 2e-14 * std::fabs(exact) + n * 1.2e-16) << line;
        ++rows;
    }
    EXPECT_EQ(rows, 14);
}
