"""The expected counts of seqlark-cli analyze --markov against a Markov model written here
from its definition, in plain Python, and the shuffles of --shuffle against their promise."""

import os
import random
import subprocess
from collections import Counter

import pytest

CLI = os.environ["SEQLARK_CLI"]
COMPLEMENT = str.maketrans("ACGT", "TGCA")


def reverse_complement(word):
    return word.translate(COMPLEMENT)[::-1]


def windows_of(sequences, width):
    """Every window of `width` letters of A, C, G and T, and its reverse complement."""
    counts = Counter()
    for sequence in sequences:
        for i in range(len(sequence) - width + 1):
            window = sequence[i:i + width]
            if set(window) <= set("ACGT"):
                counts[window] += 1
                counts[reverse_complement(window)] += 1
    return counts


def model(counts, order):
    """The chance of a word: each letter after the `order` before it (fewer at the start),
    (N(cx) + P(x | c without its first letter)) / (N(c) + 1), 1/4 below order 0, N of a
    shorter word the windows it starts."""
    def n(prefix):
        return sum(count for window, count in counts.items() if window.startswith(prefix))

    cache = {}

    def chance(word):
        if not word:
            return 0.25
        if word not in cache:
            cache[word] = (n(word) + chance(word[1:])) / (n(word[:-1]) + 1)
        return cache[word]

    def probability(word):
        p = 1.0
        for i in range(len(word)):
            p *= chance(word[max(0, i - order):i + 1])
        return p

    return probability


def words_table(folder):
    """words.tsv's header lines and rows (as dicts)."""
    lines = (folder / "words.tsv").read_text().splitlines()
    comments = [line for line in lines if line.startswith("#")]
    rows = [line.split("\t") for line in lines if not line.startswith("#")]
    header, rows = rows[0], rows[1:]
    return comments, [dict(zip(header, row)) for row in rows]


def small_windows(comments, length):
    line = next(c for c in comments if c.startswith(f"# length {length}:"))
    return float(line.split("T small ")[1].split(",")[0])


def random_family(path, seed, count=30, length=400):
    rng = random.Random(seed)
    sequences = []
    for _ in range(count):
        # Unequal letters and a few Ns, so that every order has something to learn.
        sequence = "".join(rng.choice("AAACCGTTTT") if rng.random() > 0.01 else "N" for _ in range(length))
        sequences.append(sequence)
    path.write_text("".join(f">s{i}\n{s}\n" for i, s in enumerate(sequences)))
    return sequences


@pytest.mark.parametrize("order", [0, 2, 4])
def test_expected_counts_are_the_models_of_the_family(tmp_path, order):
    sequences = random_family(tmp_path / "family.fa", order)
    subprocess.run([CLI, "-q", "analyze", "--markov", str(order), "--out", str(tmp_path / "report"),
                    str(tmp_path / "family.fa")], check=True, capture_output=True)
    comments, rows = words_table(tmp_path / "report")
    assert any(c.startswith(f"# background: a Markov model of order {order} fitted on the 30 distinct") for c in comments)
    probability = model(windows_of(sequences, order + 1), order)
    checked = 0
    for row in rows[:60] + rows[-60:]:
        word, reverse = row["word"], row["reverse_complement"]
        chance = probability(word) + (probability(reverse) if reverse != word else 0.0)
        expected = chance * small_windows(comments, len(word))
        assert float(row["expected"]) == pytest.approx(expected, rel=2e-5), word
        checked += 1
    assert checked == 120


def test_a_model_of_a_table_genome_takes_its_six_letter_words(tmp_path):
    genome = random_family(tmp_path / "genome.fa", 11, count=40)
    random_family(tmp_path / "family.fa", 12)
    subprocess.run([CLI, "-q", "export", str(tmp_path / "genome.fa"), str(tmp_path / "genome.dtable")], check=True)
    subprocess.run([CLI, "-q", "analyze", "--markov", "2", "--out", str(tmp_path / "report"),
                    str(tmp_path / "genome.dtable"), str(tmp_path / "family.fa")], check=True, capture_output=True)
    comments, rows = words_table(tmp_path / "report")
    # The windows of three letters are the first three letters of the table's 6-letter
    # words, counted as often as the words (a palindrome's windows once).
    sixes = Counter()
    for sequence in genome:
        for i in range(len(sequence) - 5):
            word = sequence[i:i + 6]
            if set(word) <= set("ACGT"):
                sixes[word] += 1
                if reverse_complement(word) != word:
                    sixes[reverse_complement(word)] += 1
    windows = Counter()
    for word, count in sixes.items():
        windows[word[:3]] += count
    probability = model(windows, 2)
    for row in rows[:40]:
        word, reverse = row["word"], row["reverse_complement"]
        chance = probability(word) + (probability(reverse) if reverse != word else 0.0)
        assert float(row["expected"]) == pytest.approx(chance * small_windows(comments, len(word)), rel=2e-5), word


def test_shuffles_follow_their_seed_which_the_table_names(tmp_path):
    sequences = random_family(tmp_path / "family.fa", 21, count=5, length=300)
    def shuffled_words(seed):
        subprocess.run([CLI, "-q", "analyze", "--shuffle", "50", "--seed", str(seed), "--out",
                        str(tmp_path / f"report{seed}"), str(tmp_path / "family.fa")], check=True, capture_output=True)
        comments, rows = words_table(tmp_path / f"report{seed}")
        assert any(c.startswith("# background: 50 dinucleotide shuffles of each of the 5 distinct sequences of ")
                   and f"(seed {seed})" in c for c in comments)
        return [(row["word"], row["expected"]) for row in rows]
    first = shuffled_words(4)
    assert shuffled_words(4) == first
    assert shuffled_words(5) != first
