#include "analysis/PoissonBinomial.h"
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

/// Whether `actual` is within `tolerance` of `exact`, relative, absolute where |exact| < 1.
testing::AssertionResult within(double tolerance, double actual, double exact)
{
    const double error = std::fabs(actual - exact) / std::max(1.0, std::fabs(exact));
    if (error <= tolerance)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "log10 P is " << actual << ", exactly " << exact << " (off by " << error
                                       << ")";
}

/// One row of a reference table: a family's window probability and "windows:sequences,...".
struct ReferenceRow {
    std::string line;
    double p = 0.0;
    std::int64_t observed = 0;
    std::vector<TrialGroup> groups;
    std::int64_t sequences = 0;
    double log10P = 0.0;
};

std::vector<ReferenceRow> readReference(const std::string& name)
{
    std::vector<ReferenceRow> rows;
    std::ifstream in(testData(name));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        ReferenceRow row;
        row.line = line.substr(0, 80);
        std::istringstream fields(line);
        std::string p, observed, groups, value;
        std::getline(fields, p, '\t');
        std::getline(fields, observed, '\t');
        std::getline(fields, groups, '\t');
        std::getline(fields, value, '\t');
        row.p = std::strtod(p.c_str(), nullptr);
        row.observed = std::stoll(observed);
        row.log10P = std::strtod(value.c_str(), nullptr);
        std::istringstream items(groups);
        std::string item;
        while (std::getline(items, item, ',')) {
            const std::size_t colon = item.find(':');
            const std::int64_t windows = std::stoll(item.substr(0, colon));
            const std::int64_t count = std::stoll(item.substr(colon + 1));
            row.groups.push_back(occurrenceGroup(row.p, windows, count));
            row.sequences += count;
        }
        rows.push_back(row);
    }
    return rows;
}

TrialGroup groupOf(double q, std::int64_t count)
{
    return { std::log(q), std::log1p(-q), count };
}

/// P(X = x) for x = 0..N as the definition reads: built one trial at a time in long double.
std::vector<long double> plainDistribution(const std::vector<double>& qs)
{
    std::vector<long double> pmf(qs.size() + 1, 0.0L);
    pmf[0] = 1.0L;
    for (std::size_t i = 0; i < qs.size(); ++i) {
        const long double q = qs[i];
        for (std::size_t x = i + 1; x > 0; --x)
            pmf[x] = pmf[x] * (1.0L - q) + pmf[x - 1] * q;
        pmf[0] *= 1.0L - q;
    }
    return pmf;
}

/// log10 P(X >= observed), the distribution summed from `observed` up.
double plainLog10Tail(std::int64_t observed, const std::vector<long double>& pmf)
{
    long double sum = 0.0L;
    for (auto x = static_cast<std::size_t>(std::max<std::int64_t>(observed, 0)); x < pmf.size(); ++x)
        sum += pmf[x];
    return static_cast<double>(std::log10(sum));
}

} // namespace

TEST(PoissonBinomial, MatchesExactValuesForFamiliesOfUpToTwoHundredSequences)
{
    const std::vector<ReferenceRow> rows = readReference("poisson_binomial_reference.tsv");
    ASSERT_GE(rows.size(), 40u);
    double smallest = 0.0;
    for (const ReferenceRow& row : rows) {
        EXPECT_TRUE(within(1e-9, log10PoissonBinomialUpperTail(row.observed, row.groups), row.log10P)) << row.line;
        smallest = std::min(smallest, row.log10P);
    }
    EXPECT_LE(smallest, -500.0);
}

TEST(PoissonBinomial, MatchesExactValuesForFamiliesOfThousandsOfSequences)
{
    const std::vector<ReferenceRow> rows = readReference("poisson_binomial_large_reference.tsv");
    ASSERT_GE(rows.size(), 25u);
    for (const ReferenceRow& row : rows) {
        const double cost = static_cast<double>(row.sequences) * static_cast<double>(row.observed);
        const double tolerance = cost <= poissonBinomialExactBudget ? 1e-9 : 1e-3;
        EXPECT_TRUE(within(tolerance, log10PoissonBinomialUpperTail(row.observed, row.groups), row.log10P)) << row.line;
        EXPECT_TRUE(within(1e-4, log10PoissonBinomialUpperTailSaddlePoint(row.observed, row.groups), row.log10P))
            << "saddle point: " << row.line;
    }
}

TEST(PoissonBinomial, SaddlePointHoldsAtAWholeMean)
{
    // The mean is exactly 1500, where the approximation's two reciprocals cancel.
    const std::vector<TrialGroup> groups = { groupOf(0.5, 2000), groupOf(0.25, 2000) };
    std::vector<double> qs(2000, 0.5);
    qs.insert(qs.end(), 2000, 0.25);
    const std::vector<long double> pmf = plainDistribution(qs);
    for (const std::int64_t observed : { 1400, 1480, 1499, 1500, 1501, 1520, 1600 }) {
        const double exact = plainLog10Tail(observed, pmf);
        EXPECT_TRUE(within(1e-4, log10PoissonBinomialUpperTail(observed, groups), exact)) << observed;
    }
}

TEST(PoissonBinomial, AgreesWithTheWholeDistributionOnRandomFamilies)
{
    std::mt19937_64 random(20250611);
    std::uniform_real_distribution<double> exponent(-5.0, std::log10(0.5));
    int compared = 0;
    for (int round = 0; round < 400; ++round) {
        const int groupCount = std::uniform_int_distribution<int>(1, 12)(random);
        std::vector<TrialGroup> groups;
        std::vector<double> qs;
        for (int i = 0; i < groupCount; ++i) {
            double q = std::pow(10.0, exponent(random));
            if (std::bernoulli_distribution(0.3)(random))
                q = 1.0 - q;
            const int count = std::uniform_int_distribution<int>(1, 20)(random);
            groups.push_back(groupOf(q, count));
            qs.insert(qs.end(), static_cast<std::size_t>(count), q);
        }
        const auto n = static_cast<std::int64_t>(qs.size());
        const std::vector<long double> pmf = plainDistribution(qs);
        for (int j = 0; j < 4; ++j) {
            const std::int64_t observed = std::uniform_int_distribution<std::int64_t>(0, n)(random);
            const double exact = plainLog10Tail(observed, pmf);
            if (exact < -250.0)
                continue;
            EXPECT_TRUE(within(1e-9, log10PoissonBinomialUpperTail(observed, groups), exact))
                << "round " << round << ", " << observed << " of " << n;
            ++compared;
        }
    }
    EXPECT_GE(compared, 1000);
}

TEST(PoissonBinomial, CertainAndImpossibleCountsAreExact)
{
    const std::vector<TrialGroup> groups = { groupOf(0.2, 4), groupOf(0.5, 2) };
    EXPECT_EQ(log10PoissonBinomialUpperTail(0, groups), 0.0);
    EXPECT_EQ(log10PoissonBinomialUpperTail(-5, groups), 0.0);
    EXPECT_EQ(log10PoissonBinomialUpperTail(7, groups), -infinity);
    EXPECT_EQ(log10PoissonBinomialUpperTail(std::numeric_limits<std::int64_t>::max(), groups), -infinity);
    EXPECT_DOUBLE_EQ(log10PoissonBinomialUpperTail(6, groups), 4 * std::log10(0.2) + 2 * std::log10(0.5));
    // Every trial a success, far below the smallest double.
    const std::vector<TrialGroup> rare = { groupOf(1e-300, 100), groupOf(1e-200, 50) };
    EXPECT_TRUE(within(1e-12, log10PoissonBinomialUpperTail(150, rare), -40000.0));
    EXPECT_TRUE(within(1e-12, log10PoissonBinomialUpperTailSaddlePoint(150, rare), -40000.0));
    // No trials at all.
    EXPECT_EQ(log10PoissonBinomialUpperTail(0, {}), 0.0);
    EXPECT_EQ(log10PoissonBinomialUpperTail(1, {}), -infinity);
    EXPECT_EQ(poissonBinomialMean({}), 0.0);
}

TEST(PoissonBinomial, TrialsThatNeverOrAlwaysSucceedAreSetAside)
{
    const TrialGroup never = occurrenceGroup(0.0, 500, 5);
    const TrialGroup always = occurrenceGroup(1.0, 500, 3);
    const std::vector<TrialGroup> open = { groupOf(0.2, 4), groupOf(0.5, 2) };
    std::vector<TrialGroup> mixed = open;
    mixed.insert(mixed.begin(), never);
    mixed.push_back(always);
    for (std::int64_t observed = 0; observed <= 3; ++observed)
        EXPECT_EQ(log10PoissonBinomialUpperTail(observed, mixed), 0.0) << observed;
    for (std::int64_t observed = 4; observed <= 9; ++observed)
        EXPECT_EQ(log10PoissonBinomialUpperTail(observed, mixed), log10PoissonBinomialUpperTail(observed - 3, open))
            << observed;
    EXPECT_EQ(log10PoissonBinomialUpperTail(10, mixed), -infinity);
    EXPECT_EQ(log10PoissonBinomialUpperTail(1, { never }), -infinity);
    EXPECT_EQ(log10PoissonBinomialUpperTail(3, { always }), 0.0);
    EXPECT_EQ(log10PoissonBinomialUpperTail(4, { always }), -infinity);
    EXPECT_DOUBLE_EQ(poissonBinomialMean(mixed), 3 + 0.8 + 1.0);
}

TEST(PoissonBinomial, OneProbabilityIsABinomial)
{
    for (const double q : { 1e-7, 0.03, 0.5, 0.97 }) {
        const TrialGroup whole = groupOf(q, 120);
        // the same trials split into groups, and with trials of probability 0 and 1 beside
        const std::vector<TrialGroup> split
            = { groupOf(q, 70), occurrenceGroup(0.0, 10, 4), groupOf(q, 50), occurrenceGroup(0.5, 0, 9) };
        const std::vector<TrialGroup> withCertain = { groupOf(q, 120), occurrenceGroup(1.0, 10, 7) };
        for (std::int64_t observed = 0; observed <= 121; observed += 11) {
            const double binomial = log10BinomialUpperTail(observed, 120, q);
            // q goes through its logarithm and back: a few units in the last place of log10 P
            const double exact = log10PoissonBinomialUpperTail(observed, { whole });
            if (std::isinf(binomial))
                EXPECT_EQ(exact, binomial);
            else
                EXPECT_TRUE(within(1e-13, exact, binomial)) << q << " " << observed;
            EXPECT_EQ(log10PoissonBinomialUpperTail(observed, split), exact) << q << " " << observed;
            EXPECT_EQ(log10PoissonBinomialUpperTail(observed + 7, withCertain), exact) << q << " " << observed;
        }
    }
}

TEST(PoissonBinomial, ProbabilitiesBelowTheSmallestDoubleStillCount)
{
    // q = e^-1000 would be 0 as a double: still 1 - (1 - q)^10 = 10 q (1 - 4.5 q), and
    // P(X >= 2) = 45 q^2 (1 - 8q ...), far below the smallest double.
    const double log10Q = -1000 / std::log(10.0);
    const std::vector<TrialGroup> tiny = { { -1000.0, -0.0, 10 } };
    EXPECT_TRUE(within(1e-12, log10PoissonBinomialUpperTail(1, tiny), 1 + log10Q));
    EXPECT_TRUE(within(1e-12, log10PoissonBinomialUpperTail(2, tiny), std::log10(45.0) + 2 * log10Q));
    const std::vector<TrialGroup> mixed = { { -1000.0, -0.0, 10 }, groupOf(0.5, 1) };
    EXPECT_TRUE(within(1e-12, log10PoissonBinomialUpperTail(2, mixed), std::log10(0.5 * 10) + log10Q));
}

TEST(PoissonBinomial, OccurrenceProbabilityKeepsItsDigitsAtBothEnds)
{
    // 1 - (1 - 1e-12)^1000 = 1e-9 (1 - 4.995e-10 ...): log q to full precision.
    const TrialGroup rare = occurrenceGroup(1e-12, 1000, 2);
    EXPECT_NEAR(rare.logQ - std::log(1e-9), -4.995e-10, 5e-15);
    EXPECT_EQ(rare.count, 2);
    // 1 - 0.7^1000 = 1 - 1.25e-155: log(1 - q) far below the smallest normal q would allow.
    const TrialGroup common = occurrenceGroup(0.3, 1000, 1);
    EXPECT_NEAR(common.logNotQ, -356.67494393873236, 1e-12);
    EXPECT_NEAR(common.logQ, -1.2532566399657382e-155, 1e-168);
    EXPECT_DOUBLE_EQ(poissonBinomialMean({ occurrenceGroup(0.25, 2, 4) }), 4 * (1 - 0.75 * 0.75));
    // no windows, or a word that never or always occurs in one
    EXPECT_EQ(occurrenceGroup(0.3, 0, 1).logQ, -infinity);
    EXPECT_EQ(occurrenceGroup(0.3, 0, 1).logNotQ, 0.0);
    EXPECT_EQ(occurrenceGroup(0.0, 50, 1).logQ, -infinity);
    EXPECT_EQ(occurrenceGroup(1.0, 50, 1).logQ, 0.0);
    EXPECT_EQ(occurrenceGroup(1.0, 50, 1).logNotQ, -infinity);
}

TEST(PoissonBinomial, ArgumentsOutsideTheDomainAreNotANumber)
{
    for (const double p : { -0.1, 1.5, std::nan("") })
        EXPECT_TRUE(std::isnan(occurrenceGroup(p, 10, 1).logQ)) << p;
    EXPECT_TRUE(std::isnan(occurrenceGroup(0.1, -1, 1).logQ));
    EXPECT_TRUE(std::isnan(occurrenceGroup(0.1, 10, -1).logQ));
    const TrialGroup good = groupOf(0.3, 5);
    const std::vector<TrialGroup> bad = {
        { std::log(0.3), std::log1p(-0.3), -1 }, // negative count
        { 0.1, -1.0, 5 }, // log q above 0
        { std::nan(""), 0.0, 5 },
        { std::log(0.3), std::log(0.3), 5 }, // probabilities that do not add up to 1
        { -infinity, -infinity, 5 },
        { std::log(0.3), std::log1p(-0.3), std::int64_t { 1 } << 60 }, // more trials than 2^53
    };
    for (const TrialGroup& g : bad) {
        EXPECT_TRUE(std::isnan(log10PoissonBinomialUpperTail(2, { good, g }))) << g.logQ << " " << g.count;
        EXPECT_TRUE(std::isnan(log10PoissonBinomialUpperTail(0, { g, good }))) << g.logQ << " " << g.count;
        EXPECT_TRUE(std::isnan(poissonBinomialMean({ good, g }))) << g.logQ << " " << g.count;
    }
}
