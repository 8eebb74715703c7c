"""The Python module against a plain count of its own, and against the command line."""

import os
import random
import signal
import subprocess

import numpy as np
import pytest

import seqlark

CLI = os.environ["SEQLARK_CLI"]
COMPLEMENT = str.maketrans("ACGT", "TGCA")


def plain_counts(records, k):
    """Counts of the words of length k of A, C, G and T, both strands: each window adds its
    word and its reverse complement (a word that is its own reverse complement once), indexed
    by the 2-bit code."""
    counts = np.zeros(4 ** k, dtype=np.int64)
    for sequence in records:
        sequence = sequence.upper()
        for i in range(len(sequence) - k + 1):
            word = sequence[i:i + k]
            if set(word) <= set("ACGT"):
                for strand in {word, word.translate(COMPLEMENT)[::-1]}:
                    counts[int(strand.translate(str.maketrans("ACGT", "0123")), 4)] += 1
    return counts


def random_records(seed, count=20):
    rng = random.Random(seed)
    records = []
    for _ in range(count):
        letters = [rng.choice("ACGTacgt" if rng.random() < 0.9 else "NNR") for _ in range(rng.randint(0, 300))]
        records.append("".join(letters))
    return records


def write_fasta(path, records, width=60):
    """Writes records in lines of `width`; returns them as the reader takes them, which skips
    a line that starts with a letter other than A, C, G, T or N."""
    read = []
    with open(path, "w") as out:
        for i, sequence in enumerate(records):
            out.write(f">r{i}\n")
            lines = [sequence[at:at + width] for at in range(0, len(sequence), width)]
            out.writelines(line + "\n" for line in lines)
            read.append("".join(line for line in lines if line[0].upper() in "ACGTN"))
    return read


def cli_error(*args):
    done = subprocess.run([CLI, *args], capture_output=True, text=True)
    assert done.returncode == 1
    return done.stderr.removeprefix("seqlark-cli: error: ").rstrip("\n")


@pytest.mark.parametrize("seed", [1, 2, 3])
def test_counts_agree_with_a_plain_count(tmp_path, seed):
    fasta = tmp_path / "random.fa"
    records = write_fasta(fasta, random_records(seed))
    table = seqlark.count(fasta, threads=2)
    for k in (6, 7, 8):
        assert table.counts[k].dtype == np.int64
        assert np.array_equal(table.counts[k], plain_counts(records, k)), k
        assert np.array_equal(table.counts_of(k), table.counts[k])
    assert table.bases == sum(len(r) for r in records)
    # The same counts for any number of threads, and for a few lengths alone.
    assert np.array_equal(seqlark.count(str(fasta), threads=1).counts[7], table.counts[7])
    assert list(seqlark.count(fasta, lengths=(7, 7)).counts) == [7]


def test_save_writes_what_the_export_writes_and_load_reads_it_back(tmp_path):
    records = random_records(9, 40)
    fasta = tmp_path / "genome.fa"
    write_fasta(fasta, records)
    table = seqlark.count(fasta)
    table.save(tmp_path / "py.dtable")
    subprocess.run([CLI, "-q", "export", str(fasta), str(tmp_path / "cli.dtable")], check=True)
    assert (tmp_path / "py.dtable").read_bytes() == (tmp_path / "cli.dtable").read_bytes()
    loaded = seqlark.load_table(tmp_path / "cli.dtable")
    for k in (6, 7, 8):
        assert np.array_equal(loaded.counts[k], table.counts[k])
    assert (loaded.bucket_count, loaded.bases, loaded.words_counted, loaded.distinct_words) == (
        table.bucket_count, table.bases, table.words_counted, table.distinct_words)
    words = table.words(6)
    assert len(words) == 4096 and words[0] == "AAAAAA" and words[1] == "AAAAAC" and words[-1] == "TTTTTT"
    assert words[int("0123" * 1 + "01", 4)] == "ACGTAC"


def test_masking_makes_soft_masked_letters_n(tmp_path):
    records = ["ACGTACGTTTGCAacgtacgtttgcaACGTACGTTTGCA"]
    fasta = tmp_path / "masked.fa"
    write_fasta(fasta, records)
    masked = seqlark.count(fasta, mask="lower")
    expected = plain_counts(["ACGTACGTTTGCA" + "N" * 13 + "ACGTACGTTTGCA"], 6)
    assert np.array_equal(masked.counts[6], expected)


def test_bad_arguments_raise_value_error(tmp_path):
    fasta = tmp_path / "f.fa"
    write_fasta(fasta, ["ACGTACGTAC"])
    for kwargs in ({"lengths": (5, 8)}, {"lengths": (8, 6)}, {"lengths": "6-8"}, {"mask": "soft"},
                   {"threads": 0}, {"threads": 257}):
        with pytest.raises(ValueError):
            seqlark.count(fasta, **kwargs)
    with pytest.raises(ValueError):
        seqlark.count(fasta).counts_of(5)


def test_files_that_cannot_be_read_raise_os_error(tmp_path):
    with pytest.raises(FileNotFoundError, match="cannot read"):
        seqlark.count(tmp_path / "missing.fa")
    with pytest.raises(IsADirectoryError):
        seqlark.count(tmp_path)
    with pytest.raises(FileNotFoundError):
        seqlark.load_table(tmp_path / "missing.dtable")


def test_refused_input_raises_seqlark_error_with_the_command_lines_message(tmp_path):
    empty = tmp_path / "empty.fa"
    empty.write_bytes(b"")
    binary = tmp_path / "binary.fa"
    binary.write_bytes(b">a\nAC\0GT\n")
    headless = tmp_path / "headless.fa"
    headless.write_bytes(b"ACGTACGT\n")
    for path in (empty, binary, headless):
        with pytest.raises(seqlark.Error) as refused:
            seqlark.count(path)
        assert str(refused.value) == cli_error("export", str(path), str(tmp_path / "out.dtable"))
    forged = tmp_path / "forged.dtable"
    forged.write_bytes(b"10000\r\n0\r\n1\r\n1\r\n*****\r\nACGTAC\r\n1\r\n-1\r\n-1\r\n-1\r\n\0")
    with pytest.raises(seqlark.Error) as refused:
        seqlark.load_table(forged)
    assert str(refused.value) == cli_error("merge", str(tmp_path / "merged.dtable"), str(forged))
    assert issubclass(seqlark.Error, Exception)


@pytest.fixture(scope="module")
def large_fasta(tmp_path_factory):
    """Some 13 MB of random sequence in four records: more than three blocks of reading."""
    path = tmp_path_factory.mktemp("large") / "large.fa"
    rng = np.random.default_rng(3)
    with open(path, "wb") as out:
        for r in range(4):
            letters = np.frombuffer(b"ACGT", dtype=np.uint8)[rng.integers(0, 4, 3_300_000)]
            out.write(b">r%d\n" % r + b"\n".join(letters[i:i + 100].tobytes() for i in range(0, letters.size, 100)) + b"\n")
    return path


def test_progress_goes_up_to_its_total(large_fasta):
    seen = []
    seqlark.count(large_fasta, progress=lambda done, total: seen.append((done, total)))
    assert len(seen) >= 4
    assert all(total == 1000 for _, total in seen)
    assert [done for done, _ in seen] == sorted(done for done, _ in seen)
    assert seen[-1] == (1000, 1000)


def test_an_exception_of_the_callback_or_ctrl_c_stops_the_counting(large_fasta):
    calls = []

    def refuse(done, total):
        calls.append(done)
        raise RuntimeError("enough")

    with pytest.raises(RuntimeError, match="enough"):
        seqlark.count(large_fasta, progress=refuse)
    assert len(calls) == 1

    # Ctrl-C: SIGINT, whose handler raises KeyboardInterrupt at the next block.
    def interrupt(done, total):
        calls.append(done)
        os.kill(os.getpid(), signal.SIGINT)

    calls.clear()
    with pytest.raises(KeyboardInterrupt):
        seqlark.count(large_fasta, progress=interrupt)
    assert len(calls) == 1
    # The module works on afterwards.
    assert seqlark.count(large_fasta, lengths=(6, 6)).counts[6].sum() > 0


def test_help_shows_each_functions_own_signature_and_text():
    for function, signature in ((seqlark.count, "count(fasta, lengths=(6, 8)"), (seqlark.load_table, "load_table(path"),
                                (seqlark.Table.save, "save(path)"), (seqlark.Table.words, "words(k)")):
        doc = function.__doc__
        assert doc.startswith(signature) and doc.count("\n") >= 2, doc
