#!/usr/bin/python3
"""Writes tail_reference.tsv: exact upper-tail probabilities log10 P(X >= observed) of
binomial and Poisson counts, the reference the tail probability tests compare against.

Run by hand from this folder, with mpmath installed (Debian: python3-mpmath):

    /usr/bin/python3 make_tail_reference.py > tail_reference.tsv

(about ten minutes, most of it the incomplete beta function giving up on the largest counts).

Every value is computed twice where the second way finishes:
 1. the point probability at the first term of the tail from log-gamma functions at 60
    digits, times the sum of the tail's terms relative to it, each term the previous one
    times the exact rational ratio of neighbours, summed in integers scaled by 2^256 (every
    step rounds down by less than 2^-256; the sum stops once its rest is provably below
    2^-180);
 2. mpmath's regularized incomplete beta function (binomial: P(X >= k) = I_p(k, n - k + 1))
    or incomplete gamma function (Poisson: P(X >= k) = P(k, mean)). Its series gives up
    beyond some million terms, so the largest counts have the first way only.
Values close to 1 are written through log1p of the other tail, so that their logarithm keeps
its digits. The parameters are doubles, written so that they read back as the same double,
and both ways take them exactly as that double.
"""

import math
import random
import signal
import sys
from fractions import Fraction

import mpmath
from mpmath import mp, mpf

mp.dps = 60
SCALE_BITS = 256
STOP_BITS = 180


def dyadic(value):
    """The double `value` as numerator and power of two: value = numerator / 2^shift."""
    f = Fraction(value)
    shift = f.denominator.bit_length() - 1
    assert f.denominator == 1 << shift
    return f.numerator, shift


def relative_sum(step):
    """1 + r0 + r0 r1 + ..., r_j = num_j / den_j from step(j) -> (num, den), the ratios
    falling with j; in fixed point with SCALE_BITS fraction bits, rounded down."""
    one = 1 << SCALE_BITS
    limit = 1 << (SCALE_BITS - STOP_BITS)
    term = one
    total = one
    j = 0
    while True:
        num, den = step(j)
        if num == 0:
            break
        term = term * num // den
        total += term
        # the ratios only fall: what follows adds up to at most term * r / (1 - r)
        if num < den and term * num < (den - num) * limit:
            break
        j += 1
    return mpf(total) / mpf(one)


def binomial_log_pmf(k, n, p):
    if k == 0:
        return n * mpmath.log1p(-p)
    if k == n:
        return n * mpmath.log(p)
    return (mpmath.loggamma(n + 1) - mpmath.loggamma(k + 1) - mpmath.loggamma(n - k + 1)
            + k * mpmath.log(p) + (n - k) * mpmath.log1p(-p))


def poisson_log_pmf(k, mean):
    return -mean + k * mpmath.log(mean) - mpmath.loggamma(k + 1)


def binomial_by_terms(k, n, p):
    if k <= 0:
        return mpf(0)
    num_p, shift = dyadic(p)
    num_q = (1 << shift) - num_p
    if k > n * Fraction(p):
        s = relative_sum(lambda j: ((n - k - j) * num_p, (k + 1 + j) * num_q))
        return (binomial_log_pmf(k, n, mpf(p)) + mpmath.log(s)) / mpmath.ln(10)
    last = k - 1
    s = relative_sum(lambda j: ((last - j) * num_q, (n - last + 1 + j) * num_p))
    lower = mpmath.exp(binomial_log_pmf(last, n, mpf(p))) * s
    return mpmath.log1p(-lower) / mpmath.ln(10)


def poisson_by_terms(k, mean):
    if k <= 0:
        return mpf(0)
    num_m, shift = dyadic(mean)
    if k > Fraction(mean):
        s = relative_sum(lambda j: (num_m, (k + 1 + j) << shift))
        return (poisson_log_pmf(k, mpf(mean)) + mpmath.log(s)) / mpmath.ln(10)
    last = k - 1
    s = relative_sum(lambda j: ((last - j) << shift, num_m))
    lower = mpmath.exp(poisson_log_pmf(last, mpf(mean))) * s
    return mpmath.log1p(-lower) / mpmath.ln(10)


class Slow(Exception):
    pass


def _alarm(signum, frame):
    raise Slow()


def with_time_limit(seconds, compute):
    signal.signal(signal.SIGALRM, _alarm)
    signal.alarm(seconds)
    try:
        return compute()
    except (Slow, mpmath.libmp.NoConvergence, ZeroDivisionError, ValueError):
        return None
    finally:
        signal.alarm(0)


def binomial_by_beta(k, n, p):
    if k <= 0:
        return mpf(0)
    p = mpf(p)
    if k > n * p:
        return mpmath.log10(mpmath.betainc(k, n - k + 1, 0, p, regularized=True))
    lower = mpmath.betainc(n - k + 1, k, 0, 1 - p, regularized=True)  # P(X <= k - 1)
    return mpmath.log1p(-lower) / mpmath.ln(10)


def poisson_by_gamma(k, mean):
    if k <= 0:
        return mpf(0)
    mean = mpf(mean)
    if k > mean:
        return mpmath.log10(mpmath.gammainc(k, 0, mean, regularized=True))
    lower = mpmath.gammainc(k, mean, mpmath.inf, regularized=True)  # P(X <= k - 1)
    return mpmath.log1p(-lower) / mpmath.ln(10)


# --- the cases -------------------------------------------------------------------------------

def binomial_chernoff(k, n, p):
    """log10 P(X >= k) roughly (its leading large-deviation term), to place counts."""
    x = k / n
    if x <= p:
        return 0.0
    if x >= 1:
        return n * math.log10(p)
    kl = x * math.log(x / p) + (1 - x) * math.log1p(-x) - (1 - x) * math.log1p(-p)
    return -n * kl / math.log(10)


def poisson_chernoff(k, mean):
    if k <= mean:
        return 0.0
    return -(k * math.log(k / mean) - k + mean) / math.log(10)


def count_for(target, rough, low, high):
    """The smallest count in [low, high] whose rough log10 P is at or below target."""
    while low < high:
        mid = (low + high) // 2
        if rough(mid) <= target:
            high = mid
        else:
            low = mid + 1
    return low


def binomial_cases():
    cases = set()
    # by hand: P(X >= 8) for ten fair coins is 56/1024
    for k in range(0, 11):
        cases.add((k, 10, 0.5))
    for k in (1, 2, 3, 5, 10, 20):
        cases.add((k, 20, 0.1))
    # small and middling numbers of trials: around the mean, moderate and far tails, all successes
    for n in (10, 60, 1000, 100000):
        for p in (1e-9, 0.01, 0.3, 0.9):
            mean = n * p
            sd = math.sqrt(n * p * (1 - p))
            for k in {1, math.floor(mean - 3 * sd), math.floor(mean) + 1, math.ceil(mean + 6 * sd), n}:
                if 0 <= k <= n:
                    cases.add((k, n, p))
    # the real data: a gene family's 2.6 million words against genome-wide word frequencies
    n = 2600000
    for p in (1 / 2080, 1 / 8192, 1 / 32896, 1 / 5e6, 1 / 5e7):
        mean = n * p
        sd = math.sqrt(mean)
        for k in {1, 2, math.floor(mean - 2 * sd), math.floor(mean), math.floor(mean) + 1,
                  math.ceil(mean + sd), math.ceil(mean + 3 * sd), math.ceil(2 * mean) + 5,
                  math.ceil(10 * mean) + 20}:
            if k >= 0:
                cases.add((k, n, p))
    # up to ten billion trials: P from 1 - 1e-14 down past 1e-100000
    for n in (10**8, 10**9, 10**10):
        for p in (0.5, 0.9, 1e-5, 1e-9):
            mean = n * p
            sd = math.sqrt(n * p * (1 - p))
            ks = {math.floor(mean - sd), math.ceil(mean + 5 * sd), n}
            if n == 10**10 or sd < 2e4:  # keeps the largest near-mean sums to a few
                ks |= {math.floor(mean - 8 * sd), math.floor(mean), math.floor(mean) + 1}
            rough = lambda k, n=n, p=p: binomial_chernoff(k, n, p)
            for target in (-10, -1000, -100000):
                ks.add(count_for(target, rough, math.ceil(mean), n))
            for k in ks:
                if 0 <= k <= n:
                    cases.add((k, n, p))
    # seeded random parameters with counts placed by their standard score
    rng = random.Random(20240611)
    for _ in range(40):
        n = int(10 ** rng.uniform(1, 10))
        p = float(10 ** rng.uniform(-9, math.log10(0.9)))
        mean = n * p
        sd = math.sqrt(mean * (1 - p))
        z = rng.choice((-4, -1, 0, 0.5, 2, 10, 50, 300))
        if sd > 3e4 and abs(z) < 6:
            z = 10
        k = max(1, min(n, round(mean + z * sd)))
        cases.add((k, n, p))
    return sorted(cases, key=lambda c: (c[1], c[2], c[0]))


def poisson_cases():
    cases = set()
    # by hand: P(X >= 1) = 1 - e^-1 at mean 1, P(X >= 3) = 1 - 5 e^-2 at mean 2
    for k in range(0, 7):
        cases.add((k, 1.0))
    cases.add((3, 2.0))
    for mean in (1e-3, 0.5, 10.0, 1e4, 1e6, 1e8, 1e10, 2600000 / 5e7, 2600000 / 2080):
        sd = math.sqrt(mean)
        ks = {1, 2, math.floor(mean - sd), math.floor(mean), math.floor(mean) + 1,
              math.ceil(mean + 5 * sd), math.ceil(mean + 40 * sd)}
        if mean <= 1e8:
            ks.add(math.floor(mean - 8 * sd))
        rough = lambda k, mean=mean: poisson_chernoff(k, mean)
        for target in (-10, -1000, -100000, -1000000):
            ks.add(count_for(target, rough, math.ceil(mean), 10**13))
        for k in ks:
            if k >= 0:
                cases.add((k, mean))
    cases.add((2 * 10**10, 1e10))
    rng = random.Random(7919)
    for _ in range(25):
        mean = float(10 ** rng.uniform(-3, 10))
        sd = math.sqrt(mean)
        z = rng.choice((-3, 0, 1, 3, 20, 200))
        if sd > 3e4 and abs(z) < 6:
            z = 20
        cases.add((max(1, round(mean + z * sd)), mean))
    return sorted(cases, key=lambda c: (c[1], c[0]))


def main():
    rows = []
    checked = 0
    worst = mpf(0)
    for k, n, p in binomial_cases():
        value = binomial_by_terms(k, n, p)
        other = with_time_limit(20, lambda: binomial_by_beta(k, n, p))
        rows.append(("binomial", k, str(n), repr(p), value, other))
    for k, mean in poisson_cases():
        value = poisson_by_terms(k, mean)
        other = with_time_limit(20, lambda: poisson_by_gamma(k, mean))
        rows.append(("poisson", k, "", repr(mean), value, other))
    for row in rows:
        value, other = row[4], row[5]
        if other is None:
            continue
        checked += 1
        difference = abs(value - other) / max(1, abs(value))
        worst = max(worst, difference)
        if difference > mpf(10) ** -40:
            sys.exit("the two ways disagree at %s: %s against %s" % (row[:4], value, other))
    print("# log10 P(X >= observed), exact to 17 digits: written by make_tail_reference.py.")
    print("# %d of the %d rows agree with the incomplete beta or gamma function to within "
          "%s relative." % (checked, len(rows), mpmath.nstr(max(worst, mpf(10) ** -45), 2)))
    print("# distribution\tobserved\ttrials\tp or mean\tlog10 P")
    for distribution, k, n, p, value, _ in rows:
        print("%s\t%d\t%s\t%s\t%s" % (distribution, k, n, p, mpmath.nstr(value, 17)))
    print("%d rows, %d checked both ways" % (len(rows), checked), file=sys.stderr)


if __name__ == "__main__":
    main()
