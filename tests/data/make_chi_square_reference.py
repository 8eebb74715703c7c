#!/usr/bin/env python3
"""Writes chi_square_reference.tsv: log10 P(X >= x) for X chi-square with df degrees of
freedom, by mpmath's regularized upper incomplete gamma at 50 digits, Q(df / 2, x / 2).

    python3 tests/data/make_chi_square_reference.py > tests/data/chi_square_reference.tsv
"""

import mpmath

mpmath.mp.dps = 50

print("# log10 P(X >= x), X chi-square with df degrees of freedom: mpmath, 50 digits, by make_chi_square_reference.py")
print("df\tx\tlog10_p")
for df in (1, 2, 3, 5, 10, 17, 40, 101):
    for x in (0.01, 0.5, df - 0.5, df, df + 3, 2 * df, 50, 200, 1000, 5000):
        q = mpmath.gammainc(mpmath.mpf(df) / 2, mpmath.mpf(x) / 2, mpmath.inf, regularized=True)
        print(f"{df}\t{x!r}\t{mpmath.nstr(mpmath.log10(q), 20)}")
