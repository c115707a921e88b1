#!/bin/bash
# Checks the bash completion for tarnwick: sources it, completes a set of command lines and
# compares COMPREPLY; with the built binary as second argument, also checks that the words
# offered are exactly those of the usage text and the three words beyond it.
# Usage: completion.sh COMPLETION_FILE [TARNWICK_BINARY]
set -u
completion=$(realpath "$1")
binary=${2:+$(realpath "$2")}
here=$(realpath "$(dirname "$0")")

# shellcheck source=/dev/null
source "$completion" || { echo "cannot source $completion"; exit 1; }
registered=$(complete -p tarnwick 2>/dev/null) || { echo "FAIL: no completion registered for tarnwick"; exit 1; }
func=$(sed -n 's/.*-F \([^ ]*\) .*/\1/p' <<<"$registered")
# Without -o default or -o filenames an empty reply offers nothing, not file names.
case $registered in *"-o "*) echo "FAIL: unexpected options in: $registered"; exit 1 ;; esac

failures=0

# complete LINE: completes the last word of LINE (a trailing blank starts a new, empty word).
complete_line() {
    local line=$1
    read -r -a COMP_WORDS <<<"$line"
    if [[ $line == *" " ]]; then COMP_WORDS+=(""); fi
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    "$func" tarnwick "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | grep . | sort | tr '\n' ' ' | sed 's/ $//'
}

expect() {
    local line=$1 want got
    want=$(tr ' ' '\n' <<<"$2" | grep . | sort | tr '\n' ' ' | sed 's/ $//')
    got=$(complete_line "$line")
    if [[ $got != "$want" ]]; then
        printf 'FAIL: "%s"\n  expected: [%s]\n  got:      [%s]\n' "$line" "$want" "$got"
        failures=$((failures + 1))
    fi
}

# The words beyond the usage text.
more_words='-diff -sjson -restore'
all_words="-w -sbin -stxt -debug /CPN /CSN /BM /BMT /BPNA /BSN /BPNU /BFFI /PM /PN /PPN /PV /PSN /PAT /PFFI $more_words"

# -restore completes the names in the directory the line is typed in.
scratch=$(mktemp -d) || exit 1
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
touch fru0-20261207T083000Z.bin fru6-20261207T083000Z.bin notes.txt

# Table: command line typed so far | expected candidates (blank-separated, any order)
while IFS='|' read -r line want; do
    [[ -z $line || $line == \#* ]] && continue
    want=${want//ALL/$all_words}
    expect "$line" "$want"
done <<'CASES'
tarnwick |0 1 2 3 6 7 -h -help
tarnwick -|-h -help
tarnwick -he|-help
tarnwick 6|6
tarnwick 4|
tarnwick 0 |ALL
tarnwick 7 |ALL
tarnwick 0 /|/CPN /CSN /BM /BMT /BPNA /BSN /BPNU /BFFI /PM /PN /PPN /PV /PSN /PAT /PFFI
tarnwick 0 /B|/BM /BMT /BPNA /BSN /BPNU /BFFI
tarnwick 0 /BP|/BPNA /BPNU
tarnwick 0 /PS|/PSN
tarnwick 1 -s|-sbin -stxt -sjson
tarnwick 1 -|-w -sbin -stxt -debug -diff -sjson -restore
tarnwick 0 -restore |fru0-20261207T083000Z.bin fru6-20261207T083000Z.bin notes.txt
tarnwick 0 -restore fru0|fru0-20261207T083000Z.bin
tarnwick 0 /BSN fru|
tarnwick 0 /bsn|
tarnwick 0 /XYZ|
tarnwick -h |
tarnwick -help |
tarnwick 0 /BSN |
tarnwick 0 /BSN AB|
tarnwick 0 /BMT 2018|
tarnwick 0 -w |
tarnwick 0 /BSN ABC |
CASES

if [[ -n $binary ]]; then
    # shellcheck source=packaging/tests/usage-words.sh
    source "$here/usage-words.sh"
    read_usage_words "$binary" || exit 1
    expect "tarnwick " "$usage_ids -h -help"
    expect "tarnwick 0 " "$(tr '\n' ' ' <<<"$usage_words") $more_words"
fi

if ((failures)); then
    echo "$failures completion case(s) failed"
    exit 1
fi
echo "completion: all cases passed"
