#!/bin/sh
# Checks the manual page: it renders without any groff or man warning (as lintian renders it),
# has a whatis entry, carries the project version, and documents every command word and FRU
# device ID of the built binary's usage text as an entry of its own.
# Usage: manpage.sh MANPAGE TARNWICK_BINARY VERSION
set -u
page=$1
binary=$2
version=$3
here=$(dirname "$0")
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for tool in man groff col lexgrog; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT

# Warnings as errors, at the usual terminal width and a narrow one.
for width in 80 60; do
    LC_ALL=C.UTF-8 MANWIDTH=$width man --warnings -E UTF-8 -l -Tutf8 -Z "$page" >/dev/null 2>"$tmp/err"
    status=$?
    if [ $status -ne 0 ] || [ -s "$tmp/err" ]; then
        fail "man --warnings at width $width (status $status):"
        cat "$tmp/err"
    fi
done
groff -man -ww -z -Tutf8 "$page" 2>"$tmp/err" || fail "groff failed"
[ -s "$tmp/err" ] && { fail "groff warnings:"; cat "$tmp/err"; }

lexgrog "$page" >"$tmp/whatis" 2>&1 || fail "no whatis entry: $(cat "$tmp/whatis")"
grep -q 'tarnwick - ' "$tmp/whatis" || fail "whatis entry does not name tarnwick: $(cat "$tmp/whatis")"

sed -n '/^\.TH /p' "$page" | grep -q "\"tarnwick $version\"" ||
    fail ".TH line does not carry \"tarnwick $version\": $(sed -n '/^\.TH /p' "$page")"

# The plain-text rendering; hyphens must come out as ASCII so that the words can be copied.
LC_ALL=C.UTF-8 MANWIDTH=80 man -E UTF-8 -l "$page" 2>/dev/null | col -b >"$tmp/text"
[ -s "$tmp/text" ] || fail "the page renders empty"

# shellcheck source=packaging/tests/usage-words.sh
. "$here/usage-words.sh"
read_usage_words "$binary" || exit 1

# Each command word must be the tag of an entry: a line that starts with it (after the indent),
# followed by a blank, a comma or the line end. -h and -help share the tag line "-h, -help".
# shellcheck disable=SC2086 # one word a line, none with blanks
for word in $usage_words -h -help; do
    grep -Eq "^ +(-h, )?$word(,| |\$)" "$tmp/text" || fail "command word $word has no entry of its own"
done
# The FRU device IDs of the usage text, each in the tag of an entry (tags such as "1 2 3").
for id in $usage_ids; do
    grep -Eq "^ +([0-9] )*$id( [0-9])* *(\$|  )" "$tmp/text" || fail "FRU device ID $id has no entry"
done
# And nothing beyond them; the words beyond the usage text have their own section.
for word in -diff -sjson -restore; do
    sed -n '/^FURTHER COMMANDS/,/^CONFIGURATION FILE/p' "$tmp/text" | grep -Eq "^ +$word( |\$)" ||
        fail "command word $word has no entry under FURTHER COMMANDS"
done
sed -n '/^COMMANDS/,/^FURTHER COMMANDS/p' "$tmp/text" | grep -Eo '^ +(/[A-Z]+|-[a-z]+)' |
    sed 's/^ *//' >"$tmp/entries"
while read -r word; do
    # shellcheck disable=SC2086
    printf '%s\n' $usage_words -h -help | grep -qxF -- "$word" || fail "entry $word is not in the usage text"
done <"$tmp/entries"

if [ $failures -ne 0 ]; then
    echo "$failures manual page check(s) failed"
    exit 1
fi
echo "manpage: all checks passed"
