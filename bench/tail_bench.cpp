// Times the upper-tail probabilities on the word classes of lengths 6 to 8 (2080 + 8192 +
// 32896 classes, a gene family of 2.6 million words) and on the slowest single calls: ten
// billion trials or a mean of ten billion, at the mean.
// Usage: seqlark-bench-tail

#include "analysis/TailProbability.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double familyWords = 2.6e6;
constexpr int classes = 2080 + 8192 + 32896;
constexpr int repeats = 5;

struct Call {
    std::int64_t observed;
    double p;
};

/// Frequencies from 1/2080 (the commonest 6-letter class) down to 1/5e7, spread evenly
/// in their logarithm; each count drawn by `observedFor` from the expected count.
template <typename Draw>
std::vector<Call> makeMix(std::mt19937_64& random, Draw observedFor)
{
    std::uniform_real_distribution<double> exponent(std::log(1.0 / 5e7), std::log(1.0 / 2080));
    std::vector<Call> calls;
    for (int i = 0; i < classes; ++i) {
        const double p = std::exp(exponent(random));
        calls.push_back({ observedFor(familyWords * p), p });
    }
    return calls;
}

/// The fastest of `repeats` runs of every call, in milliseconds; the results' sum in `sum`
/// keeps the work from being optimised away.
template <typename Tail>
double bestMilliseconds(const std::vector<Call>& calls, Tail tail, double& sum)
{
    double best = INFINITY;
    for (int r = 0; r < repeats; ++r) {
        sum = 0.0;
        const auto start = Clock::now();
        for (const Call& call : calls)
            sum += tail(call);
        best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}

void timeMix(const char* name, const std::vector<Call>& calls)
{
    double binomialSum = 0.0;
    double poissonSum = 0.0;
    const double binomial = bestMilliseconds(
        calls, [](const Call& c) { return log10BinomialUpperTail(c.observed, familyWords, c.p); }, binomialSum);
    const double poisson = bestMilliseconds(
        calls, [](const Call& c) { return log10PoissonUpperTail(c.observed, familyWords * c.p); }, poissonSum);
    std::printf("%-44s %6zu calls  binomial %7.2f ms  Poisson %7.2f ms  (sums %.6g %.6g)\n", name, calls.size(),
        binomial, poisson, binomialSum, poissonSum);
}

template <typename Tail>
void timeOne(const char* name, Tail tail)
{
    double best = INFINITY;
    double value = 0.0;
    for (int r = 0; r < repeats; ++r) {
        const auto start = Clock::now();
        value = tail();
        best = std::min(best, std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::printf("%-44s %9.1f us  log10 P = %.17g\n", name, best, value);
}

} // namespace

int main()
{
    std::mt19937_64 random(42);
    // Counts anywhere from 0 to ten times the expected count and 20 more.
    const std::vector<Call> spread = makeMix(random, [&random](double expected) {
        return std::uniform_int_distribution<std::int64_t>(0, static_cast<std::int64_t>(10 * expected + 20))(random);
    });
    // Counts as most words have them, near the expected count: the longest sums.
    const std::vector<Call> typical = makeMix(random, [&random](double expected) {
        return static_cast<std::int64_t>(std::poisson_distribution<std::int64_t>(expected)(random));
    });
    timeMix("classes of 6-8 letters, counts 0 to 10E+20", spread);
    timeMix("classes of 6-8 letters, counts around E", typical);

    const double n = 1e10;
    const double sd = std::sqrt(n * 0.25);
    const auto mode = static_cast<std::int64_t>(n * 0.5);
    const auto sdCount = static_cast<std::int64_t>(sd);
    timeOne("binomial n 1e10 p 0.5, at the mean", [&] { return log10BinomialUpperTail(mode, n, 0.5); });
    timeOne("binomial n 1e10 p 0.5, one above the mean", [&] { return log10BinomialUpperTail(mode + 1, n, 0.5); });
    timeOne("binomial n 1e10 p 0.5, 1 sd below", [&] { return log10BinomialUpperTail(mode - sdCount, n, 0.5); });
    timeOne("binomial n 1e10 p 0.5, 5 sd above", [&] { return log10BinomialUpperTail(mode + 5 * sdCount, n, 0.5); });
    timeOne("binomial n 1e10 p 0.5, 700 sd above",
        [&] { return log10BinomialUpperTail(mode + 700 * sdCount, n, 0.5); });
    timeOne("Poisson mean 1e10, at the mean", [] { return log10PoissonUpperTail(10000000000, 1e10); });
    timeOne("Poisson mean 1e10, one above the mean", [] { return log10PoissonUpperTail(10000000001, 1e10); });
    timeOne("binomial n 2.6e6 p 1/2080, at the mean",
        [] { return log10BinomialUpperTail(1250, familyWords, 1.0 / 2080); });
    return 0;
}
