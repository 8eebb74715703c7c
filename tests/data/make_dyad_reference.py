#!/usr/bin/python3
"""Writes dyad_background.fa, dyad_family.fa and dyad_reference.tsv: two small FASTA files
drawn with a fixed seed, and the significance of a chosen set of spaced-pair classes of the
family against the background, computed from the FASTA text alone at high precision, the
reference the spaced pairs' significance test compares against.

Run by hand from any folder, with mpmath installed (Debian: python3-mpmath):

    /usr/bin/python3 tests/data/make_dyad_reference.py

(a few seconds). The definitions, read off the FASTA text (letters upper-cased first):
 - A half is a 3-letter word of A, C, G and T. A pair (a, b) of spacing s occurs at a start j
   where the half at j is a and the half at j + 3 + s is b, whatever the s letters between
   hold; a place of spacing s is a start j where both halves are whole words of A, C, G, T.
 - A class is a pair (a, b) together with its reverse complement (rc(b), rc(a)), palindromic
   when the two are one; it is written as the one whose six letters sort first, its halves in
   upper case around a spacer of s lower-case n: TGTnnnnnnACA.
 - Background: c_big is the forward occurrences of the pair and of its reverse complement over
   all records (a palindrome's once), T_big the places of spacing s over all records, and with
   NPO = 2080 classes of a spacing, p = (c_big + 1) / (T_big + NPO), taken as the double that
   division rounds to and then exactly.
 - Family: `observed` is c counted as c_big is over every record (a duplicated record counts
   again), T_small the places over every record, expected = p T_small. The sequences
   statistic counts each distinct sequence once (records equal but for case are one): S of
   them hold the class in either orientation, sequence i has n_i places and holds a class with
   probability q_i = 1 - (1 - p)^n_i, and P = Pr(X >= S) for X the Poisson-binomial of the q_i
   (sequences of no place left out), exactly convolved; expected sequences = sum of q_i.
 - Binomial statistic: P = Pr(Y >= observed), Y binomial over round(T_small) trials of p, an
   exact sum of the terms, checked against the regularized incomplete beta function.
Everything runs at 256 bits; the logarithms written carry 17 significant digits. The number of
classes tested, for E = tests x P, is that of the words of 6 to 8 letters and of the pairs of
spacings 1 to 20 (those of spacing 0 are 6-letter words, scored once as words).
"""

import os
import random
import sys

import mpmath
from mpmath import mp, mpf

SEED = 20250614
HALF = 3
SHORTEST_SPACING = 1  # spacing 0 pairs are the 6-letter words
LONGEST_SPACING = 20
CLASSES_PER_SPACING = (4 ** (2 * HALF) + 4 ** HALF) // 2  # 2080
COMPLEMENT = {"A": "T", "C": "G", "G": "C", "T": "A"}
IUPAC = "RYKMSWBDHV"
BACKGROUND_WIDTH = 60  # letters a line
FAMILY_WIDTH = 70

# The family's planted sites: the strong palindromic TGTGA-N6-TCACA in many records, the
# non-palindromic CAGTT-N5-GAACC in a few.
STRONG_SITE = ("TGTGA", 6, "TCACA")
WEAK_SITE = ("CAGTT", 5, "GAACC")


def reverse_complement(word):
    return "".join(COMPLEMENT[c] for c in reversed(word))


# ---------------------------------------------------------------- the FASTA files


def random_letters(generator, length, weights=(0.3, 0.2, 0.2, 0.3)):
    return generator.choices("ACGT", weights=weights, k=length)


def site_text(generator, site):
    first, spacer, second = site
    return first + "".join(random_letters(generator, spacer)) + second


def plant(generator, letters, text):
    at = generator.randrange(0, len(letters) - len(text) + 1)
    if generator.random() < 0.5:
        text = reverse_complement(text)
    letters[at:at + len(text)] = list(text)


def sprinkle(generator, letters, count, alphabet, width):
    """Puts `count` letters of `alphabet` in; none opens a line of `width`, since a line that
    does not start with A, C, G, T or N is no sequence line."""
    for _ in range(count):
        at = generator.randrange(len(letters))
        while at % width == 0:
            at = generator.randrange(len(letters))
        letters[at] = generator.choice(alphabet)


def fasta_text(records, width):
    lines = []
    for name, sequence in records:
        lines.append(">" + name)
        for i in range(0, len(sequence), width):
            lines.append(sequence[i:i + width])
    return "\n".join(lines) + "\n"


def background_records(generator):
    records = []
    for number, length in enumerate((9000, 7600, 8300, 6100)):
        letters = random_letters(generator, length)
        for _ in range(3):  # a few of the sites the family is rich in, so that c_big is not 0
            plant(generator, letters, site_text(generator, STRONG_SITE))
        plant(generator, letters, site_text(generator, WEAK_SITE))
        sprinkle(generator, letters, 25, IUPAC, BACKGROUND_WIDTH)
        for _ in range(2):  # gaps
            at = generator.randrange(length - 400)
            gap = generator.randint(40, 300)
            letters[at:at + gap] = ["N"] * gap
        # a soft-masked stretch, its letters counted all the same, with a lower-case gap in it
        at = generator.randrange(length - 500)
        letters[at:at + 400] = [c.lower() for c in letters[at:at + 400]]
        letters[at + 100:at + 130] = ["n"] * 30
        records.append(("chr%d region %d" % (number + 1, number), "".join(letters)))
    return records


def family_records(generator):
    lengths = [80, 120, 180, 250, 320, 400]
    records = []
    for number in range(46):
        letters = random_letters(generator, generator.choice(lengths), weights=(0.25, 0.25, 0.25, 0.25))
        if number % 5 != 4:  # four records in five
            plant(generator, letters, site_text(generator, STRONG_SITE))
        if number % 4 == 3:  # one record in four
            plant(generator, letters, site_text(generator, WEAK_SITE))
        if number % 7 == 0:
            at = generator.randrange(len(letters) - 20)
            letters[at:at + 12] = ["N"] * 12
        if number % 9 == 2:
            sprinkle(generator, letters, 3, IUPAC, FAMILY_WIDTH)
        records.append(("gene%02d" % number, "".join(letters)))
    # one short record, too short for a pair of spacing 19 or 20
    records.append(("short", "".join(random_letters(generator, 24))))
    # a record repeated, and one repeated in lower case: one sequence each, two records each
    records.append(("gene05_again", records[5][1]))
    records.append(("gene21_lower", records[21][1].lower()))
    generator.shuffle(records)
    return records


# ---------------------------------------------------------------- counting from the text


def read_fasta(path):
    """The records' sequences, upper-cased. A sequence line starts with A, C, G, T or N in
    either case (other lines are skipped by the program's FASTA reading): the files are made
    to hold no other line."""
    records = []
    with open(path) as text:
        for line in text:
            line = line.strip()
            if line.startswith(">"):
                records.append([])
            elif line[:1] in ("A", "C", "G", "T", "N", "a", "c", "g", "t", "n"):
                records[-1].append(line)
            else:
                sys.exit("%s holds a line that is no sequence line: %r" % (path, line))
    return ["".join(lines).upper() for lines in records]


def halves(sequence):
    """The half starting at each place, or None where it is no word of A, C, G and T."""
    found = []
    for j in range(len(sequence)):
        word = sequence[j:j + HALF]
        found.append(word if len(word) == HALF and all(c in "ACGT" for c in word) else None)
    return found


def pairs(sequence, spacing):
    """Every forward pair (a, b) of `spacing` in `sequence`: one per place."""
    h = halves(sequence)
    gap = HALF + spacing
    return [(h[j], h[j + gap]) for j in range(len(h) - gap) if h[j] and h[j + gap]]


def class_of(a, b):
    forward, reverse = a + b, reverse_complement(b) + reverse_complement(a)
    return min(forward, reverse), max(forward, reverse)


def written(word6, spacing):
    return word6[:HALF] + "n" * spacing + word6[HALF:]


class Counts:
    """Per spacing: forward occurrences of each 6-letter pair over the sequences, and places."""

    def __init__(self, sequences):
        self.forward = {}
        self.places = {}
        for s in range(SHORTEST_SPACING, LONGEST_SPACING + 1):
            forward = {}
            places = 0
            for sequence in sequences:
                for a, b in pairs(sequence, s):
                    forward[a + b] = forward.get(a + b, 0) + 1
                    places += 1
            self.forward[s] = forward
            self.places[s] = places

    def of_class(self, word6, s):
        reverse = reverse_complement(word6[HALF:]) + reverse_complement(word6[:HALF])
        count = self.forward[s].get(word6, 0)
        if reverse != word6:
            count += self.forward[s].get(reverse, 0)
        return count


# ---------------------------------------------------------------- the probabilities


def poisson_binomial_log10_tail(qs, k):
    pmf = [mpf(1)]
    for q in qs:
        grown = [mpf(0)] * (len(pmf) + 1)
        for x, weight in enumerate(pmf):
            grown[x] += weight * (1 - q)
            grown[x + 1] += weight * q
        pmf = grown
    if abs(mpmath.fsum(pmf) - 1) > mpf(10) ** -60:
        sys.exit("a distribution does not add up to 1")
    if k <= 0:
        return mpf(0)
    upper = mpmath.fsum(pmf[k:])
    if upper < mpf("0.5"):
        return mpmath.log10(upper)
    return mpmath.log1p(-mpmath.fsum(pmf[:k])) / mpmath.ln(10)


def binomial_log10_tail(k, n, p):
    """log10 Pr(Y >= k), Y binomial of n trials of p: the terms from k summed exactly."""
    if k <= 0:
        return mpf(0)
    p = mpf(p)
    term = mpmath.binomial(n, k) * p ** k * (1 - p) ** (n - k)
    terms = [term]
    for y in range(k, n):
        term = term * (n - y) / (y + 1) * p / (1 - p)
        terms.append(term)
    upper = mpmath.fsum(terms)
    beta = mpmath.betainc(k, n - k + 1, 0, p, regularized=True)
    if abs(upper - beta) > mpf(10) ** -50 * upper:
        sys.exit("the binomial sum %s and the incomplete beta %s part for %d of %d" % (upper, beta, k, n))
    return mpmath.log10(upper)


def classes_tested():
    words = 0
    for k in range(6, 9):
        words += (4 ** k + 4 ** (k // 2)) // 2 if k % 2 == 0 else 4 ** k // 2
    return words + (LONGEST_SPACING - SHORTEST_SPACING + 1) * CLASSES_PER_SPACING


# ---------------------------------------------------------------- the classes chosen

# (written class, why): every one is checked below to be a class as written (its six letters
# the lower of its two orientations).
CHOSEN = [
    # the strong site's own pairs, palindromic: TGT..ACA, GTG..CAC, TGA..TCA
    ("TGTnnnnnnnnnnACA", "strong, palindromic"),
    ("GTGnnnnnnnnCAC", "strong, palindromic"),
    ("TGAnnnnnnTCA", "strong, palindromic"),
    # and across its halves, not palindromic: TGT..CAC, TGT..TCA, GTG..TCA
    ("GTGnnnnnnnnnACA", "strong"),
    ("TGAnnnnnnnnACA", "strong"),
    ("GTGnnnnnnnTCA", "strong"),
    # the weak site's pairs: CAG..GAA, AGT..AAC, GTT..ACC, and GTT..AAC, a palindrome
    ("CAGnnnnnnnGAA", "moderate"),
    ("AGTnnnnnnnAAC", "moderate"),
    ("GGTnnnnnnnAAC", "moderate"),
    ("GTTnnnnnnAAC", "moderate, palindromic"),
]


def ordinary_picks(family, background, chosen):
    """Classes the sites did not make: at spacings 1, 13 (a palindrome), 19 and 20 the class
    seen three times or more whose observed count is nearest its expected one; at spacing 5
    the class seen least against its expected count (P near 1); at spacing 11 the most
    observed class the sites did not make, and a class seen once. Ties go by word."""

    def candidates(s):
        found = sorted(set(class_of(w[:HALF], w[HALF:])[0] for w in family.forward[s]))
        return [w for w in found if (written(w, s), s) not in chosen]

    def expected(word6, s):
        p = (background.of_class(word6, s) + 1) / (background.places[s] + CLASSES_PER_SPACING)
        return p * family.places[s]

    def palindrome(word6):
        return class_of(word6[:HALF], word6[HALF:])[1] == word6

    picks = []
    for s, palindromic in ((1, False), (13, True), (19, False), (20, False)):
        pool = [w for w in candidates(s) if family.of_class(w, s) >= 3 and palindrome(w) == palindromic]
        best = min(pool, key=lambda w: (abs(family.of_class(w, s) - expected(w, s)), w))
        picks.append((best, s, "ordinary"))
    s = 5
    best = min(candidates(s), key=lambda w: (family.of_class(w, s) / expected(w, s), w))
    picks.append((best, s, "seen less than expected"))
    s = 11
    top = max(candidates(s), key=lambda w: (family.of_class(w, s), w))
    picks.append((top, s, "most observed of its spacing"))
    once = [w for w in candidates(s) if family.of_class(w, s) == 1]
    picks.append((once[len(once) // 2], s, "seen once"))
    return picks


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    generator = random.Random(SEED)
    background_path = os.path.join(here, "dyad_background.fa")
    family_path = os.path.join(here, "dyad_family.fa")
    with open(background_path, "w") as out:
        out.write(fasta_text(background_records(generator), BACKGROUND_WIDTH))
    with open(family_path, "w") as out:
        out.write(fasta_text(family_records(generator), FAMILY_WIDTH))

    # From here on, only the text of the two files.
    mp.prec = 256
    big_sequences = read_fasta(background_path)
    family_records_read = read_fasta(family_path)
    distinct = list(dict.fromkeys(family_records_read))
    background = Counts(big_sequences)
    family = Counts(family_records_read)

    chosen = []
    for text, why in CHOSEN:
        s = len(text) - 2 * HALF
        word6 = text[:HALF] + text[-HALF:]
        if text != written(word6, s) or class_of(word6[:HALF], word6[HALF:])[0] != word6:
            sys.exit("%s is no class as written" % text)
        chosen.append((word6, s, why))
    chosen_keys = {(written(w, s), s) for w, s, _ in chosen}
    chosen += ordinary_picks(family, background, chosen_keys)

    rows = []
    for word6, s, why in chosen:
        a, b = word6[:HALF], word6[HALF:]
        reverse6 = class_of(a, b)[1]
        c_big = background.of_class(word6, s)
        p = (c_big + 1) / (background.places[s] + CLASSES_PER_SPACING)  # the double, correctly rounded
        observed = family.of_class(word6, s)
        t_small = family.places[s]
        if observed <= 0:
            sys.exit("%s is not observed" % written(word6, s))
        holding = 0
        qs = []
        for sequence in distinct:
            found = pairs(sequence, s)
            if not found:
                continue
            if any(class_of(x, y)[0] == word6 for x, y in found):
                holding += 1
            qs.append(-mpmath.expm1(len(found) * mpmath.log1p(-mpf(p))))
        expected = mpf(p) * t_small
        expected_sequences = mpmath.fsum(qs)
        log10_sequences = poisson_binomial_log10_tail(qs, holding)
        log10_binomial = binomial_log10_tail(observed, t_small, p)
        rows.append((written(word6, s), written(reverse6, s), s, observed, holding, expected, expected_sequences,
                     log10_sequences, log10_binomial, why))
        print("%-22s %-22s s=%2d obs=%3d seq=%2d  sequences %9.3f  binomial %9.3f  (%s)"
              % (rows[-1][0], rows[-1][1], s, observed, holding, float(log10_sequences), float(log10_binomial), why),
              file=sys.stderr)

    tests = classes_tested()
    with open(os.path.join(here, "dyad_reference.tsv"), "w") as out:
        out.write("# Spaced pairs of dyad_family.fa against dyad_background.fa, from the FASTA text alone at 256 bits,\n")
        out.write("# by make_dyad_reference.py: log10 P of the sequences statistic (Poisson-binomial over the distinct\n")
        out.write("# sequences) and of the binomial one (over the places of every record), 17 significant digits.\n")
        out.write("# the classes tested; the family's distinct sequences and its records\n")
        out.write("tests\t%d\n" % tests)
        out.write("family\t%d\t%d\n" % (len(distinct), len(family_records_read)))
        out.write("# word\treverse\tspacing\tobserved\tsequences\texpected\texpected sequences\t"
                  "log10 P sequences\tlog10 P binomial\n")
        for word, reverse, s, observed, holding, expected, expected_sequences, ls, lb, why in rows:
            out.write("%s\t%s\t%d\t%d\t%d\t%s\t%s\t%s\t%s\n" % (
                word, reverse, s, observed, holding, mpmath.nstr(expected, 17), mpmath.nstr(expected_sequences, 17),
                mpmath.nstr(ls, 17), mpmath.nstr(lb, 17)))
    print("%d classes; %d classes tested" % (len(rows), tests), file=sys.stderr)


if __name__ == "__main__":
    main()
