#!/usr/bin/env bash
# Sources the bash completion of seqlark-cli and checks what it offers for a few command
# lines, in a folder of made-up files: commands, each command's own options beside the
# global ones, option values (split at = or not), folders where a folder goes, files
# elsewhere, and -- ending the options.
set -uo pipefail
script=${1:?usage: completion_test.sh path/to/completion/seqlark-cli}
# shellcheck source=scripts/completion/seqlark-cli
source "$script" || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir reports results
touch genome.fa family.fa.gz known.meme ./-t.fa
export LC_ALL=C
status=0

# offers WANT WORD...: completing the last WORD of `seqlark-cli WORD...` offers WANT, the
# offers sorted and joined by spaces.
offers() {
    local want=$1 got
    shift
    COMP_WORDS=(seqlark-cli "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _seqlark_cli
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' ')
    if [ "$got" != "$want" ]; then
        echo "FAIL: seqlark-cli $*|: wanted '$want', got '$got'"
        status=1
    fi
}

globals='--help --quiet --verbose --version -h -q -v'
files='-t.fa family.fa.gz genome.fa known.meme reports results'

offers 'analyze demo export merge' ''
offers 'export' -v e
offers "$globals" -
offers "--help --quiet --threads --verbose --version -h -q -t -v" -q export -
offers "--anchor --bin --dyad-background --dyads --help --known --lengths --markov --mask --out --quiet --seed --shuffle --spacing --statistic --strand --verbose --version" analyze --
offers "$globals" merge -
offers "$globals" demo -

offers 'binomial poisson ratio sequences' analyze --statistic ''
offers 'binomial poisson ratio sequences' analyze --statistic =
offers 'dust lower none' analyze --mask ''
offers 'end start' analyze --anchor ''
offers 'both given' analyze --strand ''
offers '0 1 2 3 4 5' analyze --markov ''
offers '0-10 0-20 10-20' analyze --spacing ''
offers "$files" analyze --dyads ''
offers 'poisson' analyze --statistic = p
offers '--statistic=ratio' analyze --statistic=r
offers '6-6 6-7 6-8' analyze --lengths 6
offers '' export -t ''
offers 'genome.fa' export -t 4 g
offers 'family.fa.gz' export --threads = 2 f

offers 'reports results' analyze -o ''
offers 'reports results' analyze --out = re
offers 'reports results' demo ''
offers "$files" analyze --known ''
offers "$files" analyze --dyad-background ''
offers "$files" -q analyze --statistic poisson genome.fa ''
offers 'known.meme' merge out.dtable k
offers '-t.fa' export -- -

complete -p seqlark-cli | grep -qx 'complete -F _seqlark_cli seqlark-cli' || {
    echo "FAIL: the completion is not registered for seqlark-cli"
    status=1
}
exit $status
