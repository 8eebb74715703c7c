#!/usr/bin/python3
"""Writes point_binomial_reference.tsv: exact log10 of the binomial point probability
C(n, k) p^k (1 - p)^(n - k) for families of tens of millions to trillions of bases, the
reference the word scores are checked against where their log-factorials come from the
log-gamma function rather than from a sum of terms.

Run by hand from this folder, with mpmath installed (Debian: python3-mpmath):

    /usr/bin/python3 make_point_binomial_reference.py > point_binomial_reference.tsv

The log-gamma functions are taken at 80 digits. p is a double, written so that it reads back
as the same double, and taken exactly as that double.
"""

from mpmath import mp, mpf

mp.dps = 80

# (k, n, expected count n p): ordinary, strong and weak excesses, a count of one, counts near
# and beyond the bases themselves, at and just past the point where the sum of terms stops.
CASES = [
    (5, 16777216, 2.0),
    (300, 16777216, 120.0),
    (5, 16777217, 2.0),
    (300, 16777217, 120.0),
    (12, 30000000, 11.5),
    (20000, 30000000, 15000.0),
    (1, 100000000, 0.25),
    (900, 100000000, 30.0),
    (4000000, 100000000, 3000000.0),
    (99999990, 100000000, 99999000.0),
    (7, 4294967295, 3.0),
    (250000, 4294967295, 200000.0),
    (3, 1000000000000, 0.5),
    (123456, 1000000000000, 100000.0),
]


def log10_point(k, n, p):
    k, n, p = mpf(k), mpf(n), mpf(p)
    log_choose = mp.loggamma(n + 1) - mp.loggamma(n - k + 1) - mp.loggamma(k + 1)
    return (log_choose + k * mp.log(p) + (n - k) * mp.log1p(-p)) / mp.log(10)


def main():
    print("# log10 C(n, k) p^k (1 - p)^(n - k), exact to 17 digits: written by make_point_binomial_reference.py.")
    print("# k\tn\tp\tlog10 P")
    for k, n, expected in CASES:
        p = expected / n
        print(f"{k}\t{n}\t{p!r}\t{mp.nstr(log10_point(k, n, p), 17, strip_zeros=False)}")


if __name__ == "__main__":
    main()
