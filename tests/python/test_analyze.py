"""seqlark.analyze against seqlark-cli analyze on the demo's genome and family."""

import os
import signal
import subprocess
import warnings
from pathlib import Path

import pytest

import seqlark

CLI = os.environ["SEQLARK_CLI"]
KNOWN = Path(__file__).resolve().parent.parent / "data" / "motifs" / "known.meme"
# The report's date, the one thing two runs would write differently.
FIXED_DATE = dict(os.environ, SOURCE_DATE_EPOCH="1765112400")


@pytest.fixture(scope="module")
def demo(tmp_path_factory):
    """The demo's inputs: a genome of 2,000 upstream sequences, a family of 40 carrying a
    motif, gene files, each as FASTA and as a DTable file."""
    folder = tmp_path_factory.mktemp("demo")
    subprocess.run([CLI, "-q", "demo", str(folder)], check=True, capture_output=True)
    return folder


def cli_analyze(folder, files, options):
    subprocess.run([CLI, "-q", "analyze", "--out", str(folder), *options, *map(str, files)], check=True,
                   env=FIXED_DATE, capture_output=True)


def files_of(folder):
    return {path.name: path.read_bytes() for path in sorted(folder.iterdir())}


CASES = [
    # (name, inputs, analyze's keywords, the command line's options)
    ("fasta family", ["genome.fa", "family.fa"], {}, []),
    ("tables and genes", ["genome.dtable", "family.dtable", "gene1.dtable", "gene2.fa"],
     dict(statistic="poisson", lengths=(6, 7)), ["--statistic", "poisson", "--lengths", "6-7"]),
    ("every choice", ["genome.fa", "family.fa"],
     dict(statistic="binomial", lengths=(7, 8), mask="lower", strand="given", anchor="start", bin=25, dyads=True,
          spacing=(2, 4), known=KNOWN),
     ["--statistic", "binomial", "--lengths", "7-8", "--mask", "lower", "--strand", "given", "--anchor", "start",
      "--bin", "25", "--dyads", "--spacing", "2-4", "--known", str(KNOWN)]),
    ("pairs of a table genome", ["genome.dtable", "family.fa"],
     dict(dyads=True, dyad_background="genome.fa", mask="dust"),
     ["--dyads", "--dyad-background", "genome.fa", "--mask", "dust"]),
    ("a model of the genome", ["genome.dtable", "family.fa"], dict(markov=2), ["--markov", "2"]),
    ("a model of the family", [None, "family.fa"], dict(markov=3, lengths=(6, 7)), ["--markov", "3", "--lengths", "6-7"]),
    ("shuffles of the family", [None, "family.fa"], dict(shuffle=20, seed=5), ["--shuffle", "20", "--seed", "5"]),
]


@pytest.mark.parametrize("name, inputs, keywords, options", CASES, ids=[case[0] for case in CASES])
def test_the_report_is_the_command_lines_byte_for_byte(demo, tmp_path, monkeypatch, name, inputs, keywords, options):
    monkeypatch.chdir(demo)
    monkeypatch.setenv("SOURCE_DATE_EPOCH", FIXED_DATE["SOURCE_DATE_EPOCH"])
    cli_analyze(tmp_path / "cli", [name for name in inputs if name], options)
    big, small, *genes = inputs
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        analysis = seqlark.analyze(big, small, genes=genes or None, **keywords)
    written = analysis.write(tmp_path / "py")
    assert written[-1].endswith("output.html")
    expected = files_of(tmp_path / "cli")
    assert files_of(tmp_path / "py") == expected
    assert sorted(Path(path).name for path in written) == sorted(expected)


def test_records_and_frame_hold_what_the_tables_hold(demo, tmp_path):
    pandas = pytest.importorskip("pandas")
    analysis = seqlark.analyze(demo / "genome.fa", demo / "family.fa", known=KNOWN)
    analysis.write(tmp_path)
    words = pandas.read_csv(tmp_path / "words.tsv", sep="\t", comment="#", keep_default_na=False)
    frame = analysis.words_frame()
    assert list(frame.columns) == list(words.columns)
    assert len(frame) == len(words) == len(analysis.words)
    for column in words.columns:
        ours, theirs = frame[column], words[column]
        if column == "low_complexity":
            assert list(ours.map({True: "yes", False: "no"})) == list(theirs), column
        elif column == "spacing":
            assert list(ours.fillna(-1)) == [int(v) if v != "" else -1 for v in theirs], column
        elif theirs.dtype.kind == "f":
            # words.tsv rounds to 3 to 12 significant digits (q-values and E-values to 3), sig to
            # 4 decimals.
            bound = 5.01e-5 if column == "sig" else 1e-300
            assert ours.to_numpy() == pytest.approx(theirs.to_numpy(), rel=6e-3, abs=bound), column
        else:
            assert list(ours) == list(theirs), column
    first = analysis.words[0]
    assert (first.rank, first.word, first.observed) == (1, words["word"][0], words["observed"][0])
    assert first.sig == pytest.approx(-first.log10_e)

    motifs = pandas.read_csv(tmp_path / "motifs.tsv", sep="\t", comment="#", keep_default_na=False)
    assert [m.id for m in analysis.motifs] == list(motifs["id"])
    assert [m.consensus for m in analysis.motifs] == list(motifs["consensus"])
    assert [",".join(m.members) for m in analysis.motifs] == list(motifs["members"])
    assert [m.known_id or "" for m in analysis.motifs] == list(motifs["known_id"])
    for motif in analysis.motifs:
        assert motif.counts.shape == (motif.width, 4)
    # The planted motif is found, and the run says what it was asked.
    parameters = analysis.parameters
    assert parameters["statistic"] == "sequences" and parameters["lengths"] == (6, 8)
    assert parameters["known"] == str(KNOWN) and parameters["family_sequences"] == 40
    assert parameters["classes_tested"] == sum(int(line.split("classes ")[1].split(",")[0]) for line in
                                               (tmp_path / "words.tsv").read_text().splitlines()
                                               if line.startswith("# length "))
    assert any("serve as gene files" in note for note in analysis.notes)


def test_tables_in_memory_serve_as_their_files(demo, tmp_path, monkeypatch):
    monkeypatch.setenv("SOURCE_DATE_EPOCH", FIXED_DATE["SOURCE_DATE_EPOCH"])
    monkeypatch.chdir(demo)
    genome = seqlark.count("genome.fa")
    genes = [seqlark.load_table(f"gene{i}.dtable") for i in (1, 2, 3)]
    from_files = seqlark.analyze("genome.fa", "family.dtable", genes=[f"gene{i}.dtable" for i in (1, 2, 3)])
    in_memory = seqlark.analyze(genome, seqlark.load_table("family.dtable"), genes=genes)
    from_files.write(tmp_path / "files")
    in_memory.write(tmp_path / "memory")
    assert files_of(tmp_path / "memory") == files_of(tmp_path / "files")


def test_each_kind_of_error_raises_its_exception_with_the_command_lines_message(demo, tmp_path, monkeypatch):
    monkeypatch.chdir(demo)
    for keywords, message in ((dict(statistic="chi"), "statistic takes"), (dict(lengths=(5, 8)), "lengths takes"),
                              (dict(mask="all"), "mask takes"), (dict(strand="up"), "strand takes"),
                              (dict(anchor="middle"), "anchor takes"), (dict(bin=0), "bin takes"),
                              (dict(spacing=(2, 4)), "add dyads=True"), (dict(threads=0), "threads takes"),
                              (dict(markov=6), "markov takes"), (dict(shuffle=0), "shuffle takes"),
                              (dict(seed=3), "add shuffle=N"), (dict(markov=2, shuffle=5), "two backgrounds")):
        with pytest.raises(ValueError, match=message):
            seqlark.analyze("genome.fa", "family.fa", **keywords)
    # A choice the inputs do not allow, with the command line's words.
    with pytest.raises(ValueError) as refused:
        seqlark.analyze("genome.dtable", "family.fa", strand="given")
    done = subprocess.run([CLI, "analyze", "--strand", "given", "genome.dtable", "family.fa"], capture_output=True,
                          text=True)
    assert done.returncode == 2 and str(refused.value) in done.stderr
    with pytest.raises(ValueError, match="gene files are needed"):
        seqlark.analyze("genome.dtable", "family.dtable")
    with pytest.raises(FileNotFoundError):
        seqlark.analyze("genome.fa", "no such family.fa")
    with pytest.raises(FileNotFoundError):
        seqlark.analyze("genome.fa", "family.fa", known="no such motifs.meme")
    (tmp_path / "binary.fa").write_bytes(b"\x00\x01\x02" * 100)
    with pytest.raises(seqlark.Error) as refused:
        seqlark.analyze("genome.fa", tmp_path / "binary.fa")
    done = subprocess.run([CLI, "analyze", "genome.fa", str(tmp_path / "binary.fa")], capture_output=True, text=True)
    assert done.returncode == 1 and str(refused.value) in done.stderr


def test_write_says_why_a_report_cannot_be_written(demo, tmp_path):
    analysis = seqlark.analyze(demo / "genome.dtable", demo / "family.fa")
    (tmp_path / "file").write_text("a file, not a folder")
    with pytest.raises(OSError, match="cannot make the report folder"):
        analysis.write(tmp_path / "file" / "report")


def test_progress_and_ctrl_c_stop_an_analysis_and_write_nothing(demo, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    seen = []
    seqlark.analyze(demo / "genome.fa", demo / "family.fa", progress=lambda done, total: seen.append((done, total)))
    assert len(seen) > 3
    assert [done for done, _ in seen] == sorted(done for done, _ in seen) and len({t for _, t in seen}) == 1

    def refuse(done, total):
        raise RuntimeError("enough")

    with pytest.raises(RuntimeError, match="enough"):
        seqlark.analyze(demo / "genome.fa", demo / "family.fa", progress=refuse)

    calls = []

    def interrupt(done, total):
        calls.append(done)
        os.kill(os.getpid(), signal.SIGINT)

    with pytest.raises(KeyboardInterrupt):
        seqlark.analyze(demo / "genome.fa", demo / "family.fa", progress=interrupt)
    assert len(calls) == 1
    assert os.listdir(tmp_path) == []


def test_help_shows_real_docstrings():
    assert seqlark.analyze.__doc__.startswith("analyze(big, small, genes=None, statistic=None, lengths=(6, 8)")
    for text in ("KeyboardInterrupt", "ValueError", "OSError", "seqlark.Error", "write(folder)"):
        assert text in seqlark.analyze.__doc__
    assert seqlark.Analysis.write.__doc__.startswith("write(folder)")
    assert seqlark.Analysis.words_frame.__doc__.startswith("words_frame()")
