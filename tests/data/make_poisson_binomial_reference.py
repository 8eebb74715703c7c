#!/usr/bin/python3
"""Writes poisson_binomial_reference.tsv and poisson_binomial_large_reference.tsv: exact
upper tails log10 P(X >= observed) of X, the number of a family's sequences in which a word
occurs at least once, the references the Poisson-binomial tests compare against.

Run by hand from this folder, with mpmath installed (Debian: python3-mpmath):

    /usr/bin/python3 make_poisson_binomial_reference.py

(about twenty seconds). Each family is a list of sequence lengths in windows, n_i, drawn with
a fixed seed, and a window probability p (a double, taken exactly as that double); sequence i
holds the word with probability q_i = 1 - (1 - p)^n_i. The whole distribution of X is
convolved one sequence at a time, P_i(x) = P_{i-1}(x) (1 - q_i) + P_{i-1}(x - 1) q_i, in
binary floating point with unbounded exponents, so no tail underflows however small:
 - families of 2 to 200 sequences at 200 bits (60 digits); the distribution must add up to 1
   within 1e-50, and a family of equal lengths must agree with the binomial tail from the
   regularized incomplete beta function within 1e-40;
 - families of 300 to 2000 sequences at 80 bits, every step rounding by under 2^-80, which
   leaves the logarithm good to about 1e-20 (against the 1e-3 the large-family tests ask).
The tail P(X >= k) is the sum of the distribution from k up; near P = 1 its logarithm is
taken as log1p of the lower sum, so that it keeps its digits.
"""

import math
import os
import random
import sys

import mpmath
from mpmath import mp, mpf


def occurrence_probability(p, n):
    """1 - (1 - p)^n, from the double p exactly."""
    return -mpmath.expm1(n * mpmath.log1p(-mpf(p)))


def distribution(qs):
    """P(X = x) for x = 0..len(qs), X a sum of Bernoulli trials of the probabilities qs."""
    pmf = [mpf(1)]
    for q in qs:
        r = 1 - q
        grown = [mpf(0)] * (len(pmf) + 1)
        for x, weight in enumerate(pmf):
            grown[x] += weight * r
            grown[x + 1] += weight * q
        pmf = grown
    return pmf


def log10_tail(pmf, k):
    if k <= 0:
        return mpf(0)
    upper = mpmath.fsum(pmf[k:])
    if upper < mpf("0.5"):
        return mpmath.log10(upper)
    return mpmath.log1p(-mpmath.fsum(pmf[:k])) / mpmath.ln(10)


def binomial_log10_tail(k, n, q):
    if k <= 0:
        return mpf(0)
    return mpmath.log10(mpmath.betainc(k, n - k + 1, 0, q, regularized=True))


def lengths(seed, count, low, high, choices=None):
    generator = random.Random(seed)
    if choices:
        return [generator.choice(choices) for _ in range(count)]
    return [generator.randint(low, high) for _ in range(count)]


def groups_text(ns):
    counts = {}
    for n in ns:
        counts[n] = counts.get(n, 0) + 1
    return ",".join("%d:%d" % (n, counts[n]) for n in sorted(counts))


# (seed, sequences, p, shortest, longest, fixed lengths to choose from, observed counts)
SMALL_FAMILIES = [
    (1, 2, 1e-3, 10, 1000, None, [0, 1, 2]),
    (2, 3, 0.3, 1, 10, None, [1, 2, 3]),
    (3, 5, 0.05, 1, 40, None, [1, 3, 5]),
    (4, 20, 1e-4, 100, 3000, None, [1, 4, 10, 20]),
    (5, 50, 1e-6, 100, 2000, None, [1, 5, 25, 50]),
    (6, 100, 0.02, 1, 1000, None, [40, 70, 95, 100]),
    (7, 100, 0.01, 10, 300, None, [30, 60, 90]),
    (8, 200, 1e-6, 200, 2000, None, [1, 3, 100, 150, 200]),
    (9, 200, 0.3, 1, 6, None, [120, 150, 190, 200]),
    (10, 150, 1e-5, 0, 0, [300, 600, 1200], [5, 20, 75]),
    # equal lengths: a plain binomial
    (11, 60, 1e-4, 500, 500, None, [3, 10, 40]),
    (12, 200, 0.003, 100, 100, None, [52, 100, 180]),
]

LARGE_FAMILIES = [
    (21, 300, 1e-5, 200, 3000, None),
    (22, 700, 1e-4, 100, 1500, None),
    (23, 1200, 0.001, 20, 500, None),
    (24, 2000, 2e-5, 0, 0, [500, 1000, 2000]),
]


def large_observed(qs):
    """Counts below, at and above the mean, out to the far tail and all but one sequence."""
    mean = sum(float(q) for q in qs)
    sd = math.sqrt(sum(float(q * (1 - q)) for q in qs))
    n = len(qs)
    picks = {math.floor(mean - 2 * sd), round(mean) + 1, math.ceil(mean + 2 * sd), math.ceil(mean + 5 * sd),
             math.ceil(mean + 12 * sd), math.ceil(3 * mean), n // 2, (3 * n) // 4, n - 1}
    return sorted(k for k in picks if 1 <= k < n)


def write(path, header, rows):
    with open(path, "w") as out:
        for line in header:
            out.write("# %s\n" % line)
        out.write("# p\tobserved\twindows:sequences,...\tlog10 P\n")
        for p, k, groups, value in rows:
            out.write("%r\t%d\t%s\t%s\n" % (p, k, groups, mpmath.nstr(value, 17)))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    mp.prec = 200
    rows = []
    for seed, count, p, low, high, choices, observed in SMALL_FAMILIES:
        ns = lengths(seed, count, low, high, choices)
        qs = [occurrence_probability(p, n) for n in ns]
        pmf = distribution(qs)
        if abs(mpmath.fsum(pmf) - 1) > mpf(10) ** -50:
            sys.exit("the distribution of family %d does not add up to 1" % seed)
        for k in observed:
            value = log10_tail(pmf, k)
            if len(set(ns)) == 1:
                other = binomial_log10_tail(k, count, qs[0])
                if abs(value - other) > mpf(10) ** -40 * max(1, abs(value)):
                    sys.exit("family %d, %d: %s against the binomial's %s" % (seed, k, value, other))
            rows.append((p, k, groups_text(ns), value))
    write(os.path.join(here, "poisson_binomial_reference.tsv"),
          ["log10 P(X >= observed) for X the number of sequences holding a word, each of n windows",
           "holding it with probability 1 - (1 - p)^n: exact to 17 digits, by make_poisson_binomial_reference.py."],
          rows)
    print("%d rows of small families" % len(rows), file=sys.stderr)

    mp.prec = 80
    rows = []
    for seed, count, p, low, high, choices in LARGE_FAMILIES:
        ns = lengths(seed, count, low, high, choices)
        qs = [occurrence_probability(p, n) for n in ns]
        pmf = distribution(qs)
        for k in large_observed(qs):
            rows.append((p, k, groups_text(ns), log10_tail(pmf, k)))
    write(os.path.join(here, "poisson_binomial_large_reference.tsv"),
          ["log10 P(X >= observed) for X the number of sequences holding a word, each of n windows",
           "holding it with probability 1 - (1 - p)^n, for families of 300 to 2000 sequences:",
           "to about 1e-20, by make_poisson_binomial_reference.py."],
          rows)
    print("%d rows of large families" % len(rows), file=sys.stderr)


if __name__ == "__main__":
    main()
