#!/usr/bin/env bash
# Formats each manual page given as man does for a terminal of 80 columns: it must format
# without a warning, and its NAME section must read as lexgrog (whatis, apropos) wants it.
# Exits 77 (skipped) where man-db is not installed.
set -uo pipefail
[ $# -gt 0 ] || { echo "usage: manpages_test.sh PAGE..." >&2; exit 2; }
if ! command -v man >/dev/null || ! command -v lexgrog >/dev/null; then
    echo "man-db is not installed"
    exit 77
fi
status=0
for page; do
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    if [ -n "$warnings" ]; then
        echo "FAIL: $page formats with warnings:"
        echo "$warnings"
        status=1
    fi
    if ! lexgrog "$page" >/dev/null; then
        echo "FAIL: lexgrog cannot read the NAME section of $page"
        status=1
    fi
done
exit $status
