#!/bin/sh
# The Snakemake workflow against seqlark-cli run by hand on the same inputs:
#
#   run_workflow_test.sh SEQLARK_CLI WORKFLOW_FOLDER [SNAKEMAKE]
#
# On a made-up genome (short and long records, N runs, lower case, other letters, a line
# before the first header) it checks that the merged table is, byte for byte, the export of
# the whole genome (plain, gzip, more shards than records, through the Slurm profile with a
# stand-in Slurm), that the report is the one a direct analyze writes from the same relative
# paths (byte for byte, the run date fixed), that a second run finds nothing to do, that the shards split the text at record
# boundaries, and that bad input ends the run with one line.
set -eu

seqlark=$1
workflow=$2
snakemake=${3:-snakemake}
here=$(cd "$(dirname "$0")" && pwd)
splitter=$workflow/scripts/split_fasta.py
python=$(command -v python3)

top=$(mktemp -d)
trap 'rm -rf "$top"' EXIT
# Every run, by hand or in the workflow, dates its summary page alike.
SOURCE_DATE_EPOCH=1765112400
export SOURCE_DATE_EPOCH
passed=0
failed=0

pass() { passed=$((passed + 1)); echo "ok - $1"; }
fail() { failed=$((failed + 1)); echo "not ok - $1"; }

# --- Inputs --------------------------------------------------------------------------------
mkdir "$top/data"
"$python" - "$top/data" <<'EOF'
import random, sys
folder = sys.argv[1]
rng = random.Random(20240611)

def sequence(length):
    letters = [rng.choice("ACGT") for _ in range(length)]
    for _ in range(length // 400):
        start = rng.randrange(length)
        run = rng.choice("Nn") * rng.randint(1, 60)
        letters[start:start + len(run)] = run
    for _ in range(length // 500):
        start = rng.randrange(length)
        for at in range(start, min(length, start + rng.randint(5, 120))):
            letters[at] = letters[at].lower()
    if length > 100 and rng.random() < 0.2:
        letters[rng.randrange(length)] = rng.choice("RYKM")
    return "".join(letters[:length])

def record(name, text, width):
    lines = [f">{name} made-up record of {len(text)} bases"]
    lines += [text[at:at + width] for at in range(0, len(text), width)]
    return "\n".join(lines) + "\n"

lengths = [0, 1, 5, 7, 12] + [rng.choice([3, 40, 300, 1500, 4000, 9000]) for _ in range(35)]
rng.shuffle(lengths)
with open(f"{folder}/genome.fa", "w") as out:
    out.write("; made up for the workflow test\n")
    for number, length in enumerate(lengths):
        out.write(record(f"chr{number}", sequence(length), rng.choice([60, 70, 80])))
motif = "TAATCC"
with open(f"{folder}/family.fa", "w") as out:
    for number in range(5):
        text = list(sequence(300).upper().replace("N", "A"))
        for at in (40, 150, 250):
            text[at:at + len(motif)] = motif
        out.write(record(f"gene{number}", "".join(text), 60))
EOF
gzip -c "$top/data/genome.fa" > "$top/data/genome.fa.gz"
records=$(grep -c '^>' "$top/data/genome.fa")

# Every run happens in a folder of its own holding data/ and writing run/, so that the paths
# the report names are the same in all of them.
workspace() {
    mkdir "$top/$1"
    ln -s ../data "$top/$1/data"
    echo "$top/$1"
}

run_workflow() { # FOLDER KEY=VALUE ...
    folder=$1
    shift
    (cd "$folder" && "$snakemake" -s "$workflow/Snakefile" --cores 2 \
        --config out=run seqlark="$seqlark" "$@") > "$folder/snakemake.out" 2>&1
}

same_report() { # REPORT REPORT
    diff -r "$1" "$2" > "$top/report.diff" 2>&1
}

# --- By hand -------------------------------------------------------------------------------
direct=$(workspace direct)
(cd "$direct" && mkdir run \
    && "$seqlark" -q export data/genome.fa run/genome.dtable \
    && "$seqlark" -q analyze --out run/report run/genome.dtable data/family.fa > /dev/null)

# --- The workflow --------------------------------------------------------------------------
check_run() { # NAME FOLDER SHARDS_EXPECTED
    if cmp -s "$2/run/genome.dtable" "$direct/run/genome.dtable"; then
        pass "$1: the merged table is the export of the whole genome"
    else
        fail "$1: the merged table differs from the export of the whole genome"
    fi
    if same_report "$2/run/report" "$direct/run/report"; then
        pass "$1: the report is the direct analysis'"
    else
        fail "$1: the report differs from the direct analysis'"
        head -20 "$top/report.diff"
    fi
    shards=$(($(wc -l < "$2/run/shards.tsv") - 1))
    exports=$(ls "$2/run/logs/export" | wc -l)
    if [ "$shards" -eq "$3" ] && [ "$exports" -eq "$3" ] && [ -f "$2/run/logs/split.log" ] \
        && [ -f "$2/run/logs/merge.log" ] && [ -f "$2/run/logs/analyze.log" ] \
        && [ ! -e "$2/run/shards" ] && [ ! -e "$2/run/shard_tables" ]; then
        pass "$1: $3 shards, one log per job, the shards and their tables removed"
    else
        fail "$1: $shards shards and $exports export logs (expected $3), or intermediates left"
        ls -R "$2/run"
    fi
}

plain=$(workspace plain)
if run_workflow "$plain" genome=data/genome.fa family=data/family.fa shards=3; then
    check_run "plain genome, 3 shards" "$plain" 3
    run_workflow "$plain" genome=data/genome.fa family=data/family.fa shards=3
    if grep -q "Nothing to be done" "$plain/snakemake.out"; then
        pass "a second run finds nothing to do"
    else
        fail "a second run did work again"
        cat "$plain/snakemake.out"
    fi
else
    fail "plain genome, 3 shards: snakemake failed"
    cat "$plain/snakemake.out"
fi

gzipped=$(workspace gzip)
if run_workflow "$gzipped" genome=data/genome.fa.gz family=data/family.fa shards=3; then
    check_run "gzip genome, 3 shards" "$gzipped" 3
else
    fail "gzip genome, 3 shards: snakemake failed"
    cat "$gzipped/snakemake.out"
fi

many=$(workspace many)
if run_workflow "$many" genome=data/genome.fa.gz family=data/family.fa shards=$((records + 7)); then
    check_run "more shards than the $records records" "$many" "$records"
else
    fail "more shards than records: snakemake failed"
    cat "$many/snakemake.out"
fi

options=$(workspace options)
cp -R "$direct/run" "$options/known"
if run_workflow "$options" genome=data/genome.fa family=data/family.fa shards=2 \
    statistic=poisson lengths=7-8 known=known/report/motifs.jaspar 'genes=[data/family.fa]' \
    && (cd "$options" && "$seqlark" -q analyze --out options/report --statistic poisson --lengths 7-8 \
        --known known/report/motifs.jaspar run/genome.dtable data/family.fa data/family.fa > /dev/null) \
    && same_report "$options/run/report" "$options/options/report"; then
    pass "statistic, lengths, known and genes reach the analysis"
else
    fail "statistic, lengths, known and genes: the report differs from the direct analysis'"
    tail -20 "$options/snakemake.out" "$top/report.diff" 2>/dev/null || true
fi

# Text before the first header line, a line of digits first, is FASTA to the workflow as to
# seqlark-cli: a table starts with four lines of numbers.
commented=$(workspace commented)
{ printf '2024 upstream regions\n; made by hand\n'; cat "$top/data/family.fa"; } > "$commented/commented.fa"
if run_workflow "$commented" genome=data/genome.fa family=commented.fa shards=1 \
    && grep -q '^# statistic: sequences' "$commented/run/report/words.tsv"; then
    pass "a family with lines before its first header, a line of digits first, is FASTA"
else
    fail "a family with lines before its first header"
    tail -20 "$commented/snakemake.out" 2>/dev/null || true
fi

pairs=$(workspace pairs)
if run_workflow "$pairs" genome=data/genome.fa family=data/family.fa shards=2 dyads=true spacing=2-9 \
    && (cd "$pairs" && "$seqlark" -q analyze --out direct/report --dyads --spacing 2-9 \
        --dyad-background data/genome.fa run/genome.dtable data/family.fa > /dev/null) \
    && grep -q "$(printf '\tdyad\t')" "$pairs/run/report/words.tsv" \
    && grep -v '^#' "$pairs/run/report/words.tsv" > "$pairs/run.rows" \
    && grep -v '^#' "$pairs/direct/report/words.tsv" > "$pairs/direct.rows" \
    && cmp -s "$pairs/run.rows" "$pairs/direct.rows"; then
    pass "dyads and spacing reach the analysis, the genome's pairs counted in its FASTA file"
else
    fail "dyads: the words differ from the direct analysis'"
    tail -20 "$pairs/snakemake.out" 2>/dev/null || true
fi

# Snakemake's own Slurm executor with the profile, sbatch and sacct played by scripts.
slurm=$(workspace slurm)
mkdir "$slurm/state"
cp -R "$here/fake-slurm" "$slurm/bin"
chmod +x "$slurm/bin"/*
if (cd "$slurm" && PATH="$slurm/bin:$PATH" FAKE_SLURM_DIR="$slurm/state" USER="${USER:-$(id -un)}" \
    "$snakemake" -s "$workflow/Snakefile" --profile "$workflow/profiles/slurm" \
    --config genome=data/genome.fa.gz family=data/family.fa shards=3 out=run seqlark="$seqlark") \
    > "$slurm/snakemake.out" 2>&1; then
    check_run "Slurm profile, 3 shards" "$slurm" 3
    if [ "$(grep -c 'snakejob_export' "$slurm/state/sbatch.calls")" -eq 3 ] \
        && [ "$(grep -c -- '-t 120 --mem 2000 --cpus-per-task=4 ' "$slurm/state/sbatch.calls")" -eq 3 ] \
        && [ "$(grep -c -- '-t 60 --mem 2000 --cpus-per-task=1 ' "$slurm/state/sbatch.calls")" -eq 3 ]; then
        pass "Slurm profile: one sbatch per export with its threads, the profile's time and memory"
    else
        fail "Slurm profile: unexpected sbatch calls"
        cut -c1-200 "$slurm/state/sbatch.calls"
    fi
else
    fail "Slurm profile: snakemake failed"
    tail -30 "$slurm/snakemake.out"
fi

# --- The shards ----------------------------------------------------------------------------
for wanted in 1 4 "$records" 1000; do
    shards=$top/shards-$wanted
    "$python" "$splitter" --shards "$wanted" --list "$shards.tsv" "$top/data/genome.fa.gz" "$shards" 2> /dev/null
    count=$(ls "$shards" | wc -l)
    expected=$((wanted < records ? wanted : records))
    total=$(wc -c < "$top/data/genome.fa")
    largest_record=$(awk '/^>/ { if (n > m) m = n; n = 0 } { n += length($0) + 1 } END { if (n > m) m = n; print m }' \
        "$top/data/genome.fa")
    largest_shard=$(wc -c "$shards"/* | sort -n | tail -2 | head -1 | awk '{ print $1 }')
    in_order=yes
    for part in "$shards"/*; do
        [ "$part" = "$shards/part_0001.fa" ] || [ "$(head -c 1 "$part")" = ">" ] || in_order=no
    done
    if [ "$count" -eq "$expected" ] && [ "$in_order" = yes ] \
        && cat "$shards"/* | cmp -s - "$top/data/genome.fa" \
        && [ $(((largest_shard - largest_record) * count)) -le "$total" ] \
        && [ "$(($(wc -l < "$shards.tsv") - 1))" -eq "$count" ]; then
        pass "$wanted shards wanted: $count, each of whole records, in order, about equal"
    else
        fail "$wanted shards wanted: $count made (expected $expected), or not the genome's text in order"
    fi
done

# Other line ends and a byte order mark: the shards' tables still add up to the whole's.
"$python" - "$top/data" <<'EOF'
import sys
folder = sys.argv[1]
text = open(f"{folder}/genome.fa", "rb").read()
open(f"{folder}/genome-crlf.fa", "wb").write(b"\xef\xbb\xbf" + text.split(b"\n", 1)[1].replace(b"\n", b"\r\n"))
open(f"{folder}/genome-cr.fa", "wb").write(text.replace(b"\n", b"\r"))
EOF
for ends in crlf cr; do
    shards=$top/shards-$ends
    "$python" "$splitter" --shards 5 "$top/data/genome-$ends.fa" "$shards" 2> /dev/null
    for part in "$shards"/*.fa; do
        "$seqlark" -q export "$part" "${part%.fa}.dtable"
    done
    "$seqlark" -q merge "$shards/merged.dtable" "$shards"/part_*.dtable
    "$seqlark" -q export "$top/data/genome-$ends.fa" "$shards/whole.dtable"
    if [ "$(ls "$shards"/part_*.fa | wc -l)" -eq 5 ] && cmp -s "$shards/merged.dtable" "$shards/whole.dtable"; then
        pass "$ends line ends: 5 shards whose tables add up to the whole genome's"
    else
        fail "$ends line ends: the shards' tables do not add up to the whole genome's"
    fi
done

# --- What it refuses -----------------------------------------------------------------------
one_line_error() { # NAME FOLDER KEY=VALUE ...
    name=$1
    folder=$2
    shift 2
    if run_workflow "$folder" "$@"; then
        fail "$name: the run succeeded"
    elif [ "$(grep -c 'seqlark workflow: error:' "$folder/snakemake.out")" -eq 1 ] \
        && ! grep -q -e Traceback -e 'File "' "$folder/snakemake.out"; then
        pass "$name: one line, $(grep 'seqlark workflow: error:' "$folder/snakemake.out")"
    else
        fail "$name: not one line"
        cat "$folder/snakemake.out"
    fi
}

refused=$(workspace refused)
one_line_error "no seqlark-cli" "$refused" genome=data/genome.fa family=data/family.fa \
    seqlark="$top/nowhere/seqlark-cli"
one_line_error "no genome given" "$refused" family=data/family.fa
one_line_error "a genome that is not there" "$refused" genome=data/nothere.fa family=data/family.fa
one_line_error "shards not a whole number" "$refused" genome=data/genome.fa family=data/family.fa shards=2.5
one_line_error "an unknown statistic" "$refused" genome=data/genome.fa family=data/family.fa statistic=chi2
cp "$top/data/genome.fa" "$top/data/ge{n}ome.fa"
one_line_error "a brace in the genome's name" "$refused" 'genome=data/ge{n}ome.fa' family=data/family.fa
one_line_error "a brace in out" "$refused" genome=data/genome.fa family=data/family.fa 'out=r{x}'
one_line_error "an out that is a file" "$refused" genome=data/genome.fa family=data/family.fa out=data/genome.fa
one_line_error "export_threads beyond seqlark-cli's" "$refused" genome=data/genome.fa family=data/family.fa \
    export_threads=257
one_line_error "a spacing out of range" "$refused" genome=data/genome.fa family=data/family.fa dyads=true spacing=0-51
one_line_error "a spacing without dyads" "$refused" genome=data/genome.fa family=data/family.fa spacing=3-5
one_line_error "a table as family without gene files" "$refused" genome=data/genome.fa \
    family="$direct/run/genome.dtable"

printf 'ACGTACGT\nACGT\n' > "$top/data/headless.fa"
if ! run_workflow "$refused" genome=data/headless.fa family=data/family.fa \
    && grep -q "holds no FASTA header line" "$refused/run/logs/split.log" \
    && [ ! -e "$refused/run/genome.dtable" ] && [ ! -e "$refused/run/shards" ]; then
    pass "a genome without a header fails in the split, which says why"
else
    fail "a genome without a header"
    cat "$refused/snakemake.out"
fi

for kind in trailing truncated; do
    if [ $kind = trailing ]; then
        { cat "$top/data/genome.fa.gz"; printf 'not gzip'; } > "$top/data/$kind.fa.gz"
        reason="start no other member"
    else
        head -c 2000 "$top/data/genome.fa.gz" > "$top/data/$kind.fa.gz"
        reason="cut short"
    fi
    if "$python" "$splitter" "$top/data/$kind.fa.gz" "$top/split-$kind" 2> "$top/split-$kind.err"; then
        fail "gzip $kind: split"
    elif grep -q "$reason" "$top/split-$kind.err" && [ "$(wc -l < "$top/split-$kind.err")" -eq 1 ] \
        && [ ! -e "$top/split-$kind" ] && ! "$seqlark" -q export "$top/data/$kind.fa.gz" - > /dev/null 2>&1; then
        pass "gzip $kind: refused in one line, as the export refuses it"
    else
        fail "gzip $kind: $(cat "$top/split-$kind.err")"
    fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
