#include "analysis/PoissonBinomial.h"

#include "analysis/TailConstants.h"
#include "analysis/TailProbability.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

// Both ways tilt the distribution: under the exponential family member
//     P'(X = x) = P(X = x) e^(theta x) / M(theta),   M(theta) = prod (1 - q + q e^theta)^count,
// each trial is still a Bernoulli trial, of probability q' = q e^theta / (1 - q + q e^theta),
// and theta is chosen (Newton's method, kept inside a bracket) so that the tilted mean is the
// observed count. Then for any theta
//     P(X >= s) = M(theta) e^(-theta s) sum_{x >= s} P'(X = x) e^(-theta (x - s)),
// in which M(theta) e^(-theta s) carries all of the smallness as a logarithm and the sum is of
// order one over the tilted standard deviation: no underflow however far out the tail lies.
// Every probability is taken from the groups' logarithms (log q' = log q + theta -
// log(e^log(1-q) + e^(log q + theta))), so q near 0 or near 1 keeps its digits.
//
// Exact: the sum comes from the distribution under the tilt, built one trial at a time over
// the states 0..s-1 and one more state that gathers every x >= s with its weight e^(-theta
// (x - s)): a success from s - 1 enters it, and each further trial multiplies it by
// (1 - q') + q' e^(-theta). States below 10^-280 are dropped as they arise: mass only moves
// up, so what they would add to a sum of order 1/sqrt(N) is below 10^-277 of it, and
// subnormal numbers would slow the loop many times. Every step is a convex combination, so
// rounding grows only with the number of trials. At or below the mean theta is 0 and the sum
// is the tail itself, about a half or more, with its logarithm good to an absolute 1e-15.
//
// Saddle point: Lugannani and Rice's formula for the upper tail of a sum, in the form for an
// integer count with Daniels's first continuity correction: with K = log M,
//     K'(theta) = s,  w = sign(theta) sqrt(2 (theta s - K(theta))),
//     u = (1 - e^(-theta)) sqrt(K''(theta)),
//     P(X >= s) ~ 1 - Phi(w) + phi(w) (1/u - 1/w),
// written as phi(w) (R(w) - 1/w + 1/u), R the Mills ratio, so that its logarithm never
// underflows; below the mean the same form gives the lower tail 1 - P. Where |w| is tiny
// the two reciprocals cancel, and the formula's limit at the mean stands in:
//     1/2 - (w + K'''/(6 K''^(3/2)) - 1/(2 sqrt(K''))) phi(0),
// off by less than 1e-6 for |w| < 1e-3. Against exact tails of families of 300 to 2000
// sequences the error in log10 P was at most 7e-5 (at a mean of 5 sequences, near the
// mean), 4e-5 at observed = N - 1, and 1e-6 or less elsewhere. Daniels's second correction
// (s - 1/2 in place of s, u = 2 sinh(theta / 2) sqrt(K'')) did ten times worse near small
// means, though better far out, where both are far inside what is asked.
//   R. Lugannani and S. Rice, "Saddle point approximation for the distribution of the sum of
//   independent random variables", Adv. Appl. Probab. 12 (1980) 475-490.
//   H. E. Daniels, "Tail probability approximations", Int. Stat. Rev. 55 (1987) 37-48.
//   R. W. Butler, "Saddlepoint Approximations with Applications", Cambridge 2007, ch. 1.2.

namespace {

using namespace tail;

constexpr double logOfSqrtTwoPi = 0.918938533204672741780329736405617640;
constexpr double sqrtTwoPi = 2.50662827463100050241576528481104525;
/// log of the smallest normal double, rounded up.
constexpr double smallestNormalLog = -708.39;
/// How far a group's two probabilities may add up away from 1.
constexpr double sumTolerance = 1e-9;
/// A state of the exact sum below this is dropped.
constexpr double droppedState = 1e-280;
/// Below this |w| the saddle-point formula gives way to its limit at the mean.
constexpr double smallW = 1e-3;

double logAddExp(double a, double b)
{
    if (a < b)
        std::swap(a, b);
    if (b == impossible)
        return a;
    return a + std::log1p(std::exp(b - a));
}

/// log(1 - e^x) for x <= 0, accurate on both sides of x = -log 2 (M. Maechler, "Accurately
/// computing log(1 - exp(-|a|))", 2012).
double logOneMinusExp(double x)
{
    return x > -0.693147180559945309 ? std::log(-std::expm1(x)) : std::log1p(-std::exp(x));
}

bool validGroup(const TrialGroup& g)
{
    if (!(g.logQ <= 0.0 && g.logNotQ <= 0.0) || !(g.count >= 0 && g.count <= largestWhole))
        return false;
    // The sum in plain probabilities: rounding adds some 1e-16 to a test at 1e-9.
    return std::fabs(std::exp(g.logQ) + std::exp(g.logNotQ) - 1.0) <= sumTolerance;
}

/// What is left after the degenerate cases: trials of probability strictly between 0 and 1,
/// at least two distinct probabilities among them or one below the smallest normal double,
/// and 0 < observed < their number.
struct Problem {
    std::vector<TrialGroup> groups;
    std::int64_t observed = 0;
    std::int64_t trials = 0;
};

/// The answer when the degenerate cases settle it; otherwise fills `problem`.
std::optional<double> settle(std::int64_t observed, const std::vector<TrialGroup>& groups, Problem& problem)
{
    double total = 0.0;
    for (const TrialGroup& g : groups) {
        if (!validGroup(g))
            return notANumber;
        total += static_cast<double>(g.count);
    }
    if (total > largestWhole)
        return notANumber;
    if (observed <= 0)
        return certain;
    if (static_cast<double>(observed) > total)
        return impossible;
    std::vector<TrialGroup> open;
    for (const TrialGroup& g : groups) {
        if (g.count == 0 || g.logQ == impossible)
            continue;
        if (g.logNotQ == impossible)
            observed -= g.count;
        else
            open.push_back(g);
    }
    if (observed <= 0)
        return certain;
    std::sort(open.begin(), open.end(), [](const TrialGroup& a, const TrialGroup& b) { return a.logQ < b.logQ; });
    std::vector<TrialGroup> merged;
    std::int64_t trials = 0;
    for (const TrialGroup& g : open) {
        if (!merged.empty() && merged.back().logQ == g.logQ && merged.back().logNotQ == g.logNotQ)
            merged.back().count += g.count;
        else
            merged.push_back(g);
        trials += g.count;
    }
    if (observed > trials)
        return impossible;
    if (observed == trials) {
        double sum = 0.0;
        for (const TrialGroup& g : merged)
            sum += static_cast<double>(g.count) * g.logQ;
        return sum * log10OfE;
    }
    // The binomial tail takes q itself, which must then not lose its digits below the
    // smallest normal double (or vanish, making a possible count look impossible).
    if (merged.size() == 1 && merged[0].logQ > smallestNormalLog)
        return log10BinomialUpperTail(observed, static_cast<double>(trials), std::exp(merged[0].logQ));
    problem = Problem { std::move(merged), observed, trials };
    return std::nullopt;
}

/// One trial of a group under the tilt theta: log(1 - q + q e^theta), q' and 1 - q'.
struct TiltedTrial {
    double logScale;
    double q;
    double notQ;
};

TiltedTrial tilt(const TrialGroup& g, double theta)
{
    const double raised = g.logQ + theta;
    const double logScale = logAddExp(g.logNotQ, raised);
    return { logScale, std::exp(raised - logScale), std::exp(g.logNotQ - logScale) };
}

/// The cumulant generating function log M(theta) and its first three derivatives.
struct Cumulants {
    double k0 = 0.0;
    double k1 = 0.0;
    double k2 = 0.0;
    double k3 = 0.0;
};

Cumulants cumulants(const std::vector<TrialGroup>& groups, double theta)
{
    Cumulants c;
    for (const TrialGroup& g : groups) {
        const TiltedTrial t = tilt(g, theta);
        const auto n = static_cast<double>(g.count);
        c.k0 += n * t.logScale;
        c.k1 += n * t.q;
        c.k2 += n * t.q * t.notQ;
        c.k3 += n * t.q * t.notQ * (t.notQ - t.q);
    }
    return c;
}

/// A group's trial in plain probabilities, for the search of the saddle point, which needs
/// only the tilted mean and variance: with e = e^theta taken once, q' = q e / (1 - q + q e)
/// costs a division, where the logarithms cost three transcendental functions per group.
struct PlainTrial {
    double q;
    double notQ;
    double count;
};

/// The tilted mean and variance; a group whose numbers leave the range of normal doubles
/// is taken through its logarithms.
std::pair<double, double> tiltedMeanAndVariance(const std::vector<TrialGroup>& groups,
    const std::vector<PlainTrial>& plain, double theta)
{
    const double e = std::exp(theta);
    double k1 = 0.0;
    double k2 = 0.0;
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const PlainTrial& p = plain[i];
        const double raised = p.q * e;
        const double scale = p.notQ + raised;
        double q = raised / scale;
        double notQ = p.notQ / scale;
        if (!(scale >= 1e-300 && scale <= 1e300) || p.q < 1e-300) {
            const TiltedTrial t = tilt(groups[i], theta);
            q = t.q;
            notQ = t.notQ;
        }
        k1 += p.count * q;
        k2 += p.count * q * notQ;
    }
    return { k1, k2 };
}

/// The theta at which the tilted mean is `target`, 0 < target < the number of trials.
/// Newton's method from the theta of the binomial with the family's mean probability, which
/// is close: a few steps for most classes. A step that leaves what is known of the root's
/// place halves the interval instead, or, while the interval is open, doubles away.
double saddlePoint(const std::vector<TrialGroup>& groups, double target)
{
    double trials = 0.0;
    double mean = 0.0;
    std::vector<PlainTrial> plain;
    plain.reserve(groups.size());
    for (const TrialGroup& g : groups) {
        const auto n = static_cast<double>(g.count);
        plain.push_back({ std::exp(g.logQ), std::exp(g.logNotQ), n });
        trials += n;
        mean += n * plain.back().q;
    }
    const double meanQ = mean / trials;
    double theta = std::log(target * (1.0 - meanQ) / (meanQ * (trials - target)));
    if (!std::isfinite(theta))
        theta = target > mean ? 1.0 : -1.0;
    // The tilted mean rises with theta: the root lies above 0 when the target is above the mean.
    constexpr double infinity = std::numeric_limits<double>::infinity();
    double low = target > mean ? 0.0 : -infinity;
    double high = target > mean ? infinity : 0.0;
    for (int i = 0; i < 200; ++i) {
        const auto [k1, k2] = tiltedMeanAndVariance(groups, plain, theta);
        if (k1 < target)
            low = theta;
        else
            high = theta;
        double next = theta - (k1 - target) / k2;
        // While one end is open, no step goes further than doubling away from the known end.
        const bool tooFar = std::fabs(next - theta) > 2.0 * std::max(1.0, std::fabs(theta));
        if (!(next > low && next < high) || (tooFar && !(std::isfinite(low) && std::isfinite(high))))
            next = std::isfinite(low) && std::isfinite(high) ? 0.5 * (low + high)
                : std::isfinite(low)                        ? low + std::max(1.0, std::fabs(low))
                                                            : high - std::max(1.0, std::fabs(high));
        if (std::fabs(next - theta) <= 1e-13 * std::max(1.0, std::fabs(theta)))
            return next;
        theta = next;
    }
    return theta;
}

double exactTail(const Problem& problem)
{
    const std::int64_t s = problem.observed;
    const bool aboveMean = cumulants(problem.groups, 0.0).k1 < static_cast<double>(s);
    const double theta = aboveMean ? saddlePoint(problem.groups, static_cast<double>(s)) : 0.0;
    std::vector<double> state(static_cast<std::size_t>(s), 0.0);
    state[0] = 1.0;
    double beyond = 0.0; // sum over x >= s of P'(x) e^(-theta (x - s)) so far
    double logScale = 0.0; // log M(theta)
    std::int64_t bottom = 0;
    std::int64_t top = 0;
    for (const TrialGroup& g : problem.groups) {
        const TiltedTrial t = tilt(g, theta);
        const double stay = t.notQ + std::exp(g.logQ - t.logScale);
        logScale += static_cast<double>(g.count) * t.logScale;
        for (std::int64_t trial = 0; trial < g.count; ++trial) {
            beyond = beyond * stay + state[static_cast<std::size_t>(s - 1)] * t.q;
            if (top < s - 1)
                ++top;
            for (auto k = static_cast<std::size_t>(top); k > static_cast<std::size_t>(bottom); --k)
                state[k] = state[k] * t.notQ + state[k - 1] * t.q;
            state[static_cast<std::size_t>(bottom)] *= t.notQ;
            while (bottom < top && state[static_cast<std::size_t>(bottom)] < droppedState)
                state[static_cast<std::size_t>(bottom++)] = 0.0;
        }
    }
    return (logScale - theta * static_cast<double>(s) + std::log(beyond)) * log10OfE;
}

/// (1 - Phi(w)) / phi(w) for w >= 0.
double millsRatio(double w)
{
    if (w < 30.0)
        return 0.5 * std::erfc(w / std::sqrt(2.0)) * sqrtTwoPi * std::exp(0.5 * w * w);
    // The asymptotic series; at w >= 30 its sixth term is below 1e-13 of the first.
    const double v = 1.0 / (w * w);
    return (1.0 - v * (1.0 - v * (3.0 - v * (15.0 - v * (105.0 - v * 945.0))))) / w;
}

double saddlePointTail(const Problem& problem)
{
    const auto target = static_cast<double>(problem.observed);
    const double theta = saddlePoint(problem.groups, target);
    const Cumulants c = cumulants(problem.groups, theta);
    const double halfWSquared = std::max(0.0, theta * target - c.k0);
    const double w = std::copysign(std::sqrt(2.0 * halfWSquared), theta);
    if (std::fabs(w) < smallW) {
        const double sd = std::sqrt(c.k2);
        return std::log10(0.5 - (w + c.k3 / (6.0 * c.k2 * sd) - 0.5 / sd) / sqrtTwoPi);
    }
    const double u = -std::expm1(-theta) * std::sqrt(c.k2);
    // The tail on w's side of the mean: the upper one above it, the lower one below.
    const double a = std::fabs(w);
    double bracket = millsRatio(a) - 1.0 / a + 1.0 / std::fabs(u);
    if (!(bracket > 0.0))
        bracket = millsRatio(a);
    const double logSide = -halfWSquared - logOfSqrtTwoPi + std::log(bracket);
    if (w > 0.0)
        return logSide * log10OfE;
    return std::log1p(-std::exp(logSide)) * log10OfE + 0.0;
}

} // namespace

TrialGroup occurrenceGroup(double p, std::int64_t n, std::int64_t count)
{
    if (!(p >= 0.0 && p <= 1.0) || n < 0 || count < 0)
        return { notANumber, notANumber, count };
    if (n == 0 || p == 0.0)
        return { impossible, 0.0, count };
    const double logNotQ = static_cast<double>(n) * std::log1p(-p);
    return { logOneMinusExp(logNotQ), logNotQ, count };
}

double log10PoissonBinomialUpperTail(std::int64_t observed, const std::vector<TrialGroup>& groups)
{
    Problem problem;
    if (const std::optional<double> settled = settle(observed, groups, problem))
        return *settled;
    const double cost = static_cast<double>(problem.trials) * static_cast<double>(problem.observed);
    return problem.trials <= poissonBinomialExactTrials || cost <= poissonBinomialExactBudget ? exactTail(problem)
                                                                                            : saddlePointTail(problem);
}

double log10PoissonBinomialUpperTailSaddlePoint(std::int64_t observed, const std::vector<TrialGroup>& groups)
{
    Problem problem;
    if (const std::optional<double> settled = settle(observed, groups, problem))
        return *settled;
    return saddlePointTail(problem);
}

double poissonBinomialMean(const std::vector<TrialGroup>& groups)
{
    double mean = 0.0;
    for (const TrialGroup& g : groups) {
        if (!validGroup(g))
            return notANumber;
        mean += static_cast<double>(g.count) * std::exp(g.logQ);
    }
    return mean;
}
