#!/usr/bin/env bash
# Runs scripts/check-layers on small made-up trees: one that keeps to its layers, and one
# for each way of breaking them.
set -euo pipefail
check=${1:?usage: layers_selftest.sh path/to/check-layers}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

# src TREE FILE [INCLUDE ...]: writes FILE into TREE with a quoted include of each INCLUDE.
src() {
    local file=$work/$1/$2 inc
    shift 2
    mkdir -p "${file%/*}"
    printf '#pragma once\n#include <vector>\n' >"$file"
    for inc; do
        printf '#include "%s"\n' "$inc" >>"$file"
    done
}

# fails TREE TEXT: check-layers must exit 1 on TREE and say TEXT.
fails() {
    local out rc=0
    out=$("$check" "$work/$1" 2>&1) || rc=$?
    if [ $rc -ne 1 ] || ! grep -qF -- "$2" <<<"$out"; then
        echo "FAIL: $1: wanted exit 1 and '$2', got exit $rc and:"
        echo "$out"
        status=1
    fi
}

src good base/Text.h
src good base/Text.cpp Text.h
src good sequence/Reader.h base/Text.h
src good tables/Table.h base/Text.h
src good export/Count.cpp ../sequence/Reader.h tables/Table.h
src good cli/main.cpp export/Count.h base/Text.h
src good export/Count.h
# Tests, and whatever a build folder holds, may include anything, each other too.
src good tests/a_test.cpp cli/main.cpp tests/b_test.cpp
src good tests/b_test.cpp tests/a_test.cpp
src good build/Generated.cpp app/Gone.h
touch "$work/good/build/CMakeCache.txt"
out=$("$check" "$work/good") || { echo "FAIL: good tree: $out"; status=1; }
[ "$out" = "layers: 7 files, 7 includes, no arrow up, no cycle" ] || { echo "FAIL: good tree: $out"; status=1; }

for tree in up same cycle unplaced missing; do
    cp -r "$work/good" "$work/$tree"
done
src up base/Text.cpp tables/Table.h
fails up "base/Text.cpp includes tables/Table.h: base may not include tables"
src same sequence/Reader.h tables/Table.h
fails same "sequence/Reader.h includes tables/Table.h: sequence may not include tables"
src cycle export/Count.h Total.h
src cycle export/Total.h export/Count.h
fails cycle "cycle: export/Count.h -> export/Total.h -> export/Count.h"
src unplaced tools/Tool.cpp base/Text.h
fails unplaced "tools/Tool.cpp: folder tools is not in the layer table"
src missing report/Page.cpp base/Gone.h
fails missing "report/Page.cpp includes base/Gone.h: no such file in the project"

exit $status
