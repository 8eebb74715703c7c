#!/usr/bin/env bash
# sites.bed is BED that bedtools reads: cutting the family's records at its sites, each on its
# strand, gives back words of the motif each site names, and only those. Skipped (77) where
# bedtools is not installed.
# Usage: sites_bed_test.sh SEQLARK_CLI
set -euo pipefail
cli=$1
if ! command -v bedtools >/dev/null; then
    echo "SKIP: bedtools is not installed (Debian package bedtools)"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A genome of random sequences, and a family of 60 holding a site on either strand in most of
# them, some records named alike in their first word, lower case and gaps among the letters.
python3 - "$work" <<'PY'
import random, sys
work = sys.argv[1]
random.seed(4)
def letters(n):
    return "".join(random.choice("ACGT") for _ in range(n))
with open(f"{work}/genome.fa", "w") as out:
    for i in range(400):
        out.write(f">g{i}\n{letters(300)}\n")
site = "TGACGTCAGG"
other = site[::-1].translate(str.maketrans("ACGT", "TGCA"))
with open(f"{work}/family.fa", "w") as out:
    for i in range(60):
        s = letters(300)
        if i % 5 != 4:
            at = random.randrange(0, 290)
            s = s[:at] + (site if i % 2 else other) + s[at + 10:]
        if i % 7 == 0:
            s = s[:100] + "NNNN" + s[104:200].lower() + s[200:]
        out.write(f">f{i} family member {i}\n{s}\n")
PY

"$cli" -q analyze -o "$work/report" "$work/genome.fa" "$work/family.fa" >/dev/null
bed=$work/report/sites.bed
[ -s "$bed" ] || { echo "FAIL: no sites.bed, or an empty one"; exit 1; }
# Six columns, tab-separated; sorted by record (file order) then start.
awk -F'\t' 'NF != 6 || $2 !~ /^[0-9]+$/ || $3 <= $2 || ($6 != "+" && $6 != "-") || $5 !~ /^[0-9]+$/ || $5 > 1000 { print "FAIL: line " NR ": " $0; bad = 1 } END { exit bad }' "$bed"
awk -F'\t' '{ split($1, n, "f"); key = n[2] * 100000 + $2; if (key < last) { print "FAIL: out of order at line " NR; bad = 1 } last = key } END { exit bad }' "$bed"

# Each site's letters, on its strand, are a member word of its motif as motifs.tsv lists them.
bedtools getfasta -s -tab -name -fi "$work/family.fa" -bed "$bed" > "$work/cut.tsv"
python3 - "$work/report/motifs.tsv" "$work/cut.tsv" "$bed" <<'PY'
import sys
members = {}
for line in open(sys.argv[1]):
    if line.startswith("#") or line.startswith("kind"):
        continue
    fields = line.rstrip("\n").split("\t")
    if fields[0] == "assembled":
        members[fields[1]] = set(fields[8].split(","))
cut = [line.rstrip("\n").split("\t") for line in open(sys.argv[2])]
sites = [line.split("\t") for line in open(sys.argv[3])]
if len(cut) != len(sites):
    sys.exit(f"FAIL: bedtools cut {len(cut)} sites of {len(sites)}")
bad = 0
for (name, letters), site in zip(cut, sites):
    motif = site[3]
    if letters.upper() not in members[motif]:
        print(f"FAIL: {site[0]}:{site[1]}-{site[2]}({site[5].strip()}) reads {letters}, no member of {motif}")
        bad += 1
if bad:
    sys.exit(1)
planted = sum(1 for s in sites if s[3] == "assembled-1")
print(f"ok: {len(cut)} sites cut by bedtools, all members of their motifs; {planted} of the first motif")
if planted < 40:
    sys.exit("FAIL: fewer than 40 sites of the planted motif")
PY

# genes.tsv: one row per record, in file order, with as many sites as sites.bed gives it.
genes=$work/report/genes.tsv
[ "$(wc -l < "$genes")" -eq 61 ] || { echo "FAIL: genes.tsv has $(wc -l < "$genes") lines, not 61"; exit 1; }
[ "$(awk -F'\t' 'NR > 1 { for (i = 3; i <= NF; ++i) s += $i } END { print s }' "$genes")" -eq "$(wc -l < "$bed")" ] \
    || { echo "FAIL: genes.tsv's counts do not add up to sites.bed's lines"; exit 1; }
echo "ok: genes.tsv"
