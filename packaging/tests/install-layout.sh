#!/bin/sh
# Installs the build into a scratch prefix with "cmake --install" and checks the layout: every
# file in its place with its mode, the compressed files intact and reproducible, the changelog's
# latest version equal to the project version, and the installed binary answering a help request.
# Usage: install-layout.sh BUILD_DIR VERSION
set -u
build=$1
version=$2
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

prefix=$(mktemp -d) || exit 1
trap 'rm -rf "$prefix"' EXIT

if ! cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1; then
    cat "$prefix.log"; rm -f "$prefix.log"
    echo "FAIL: cmake --install failed"; exit 1
fi
rm -f "$prefix.log"

# path | mode
while IFS='|' read -r path mode; do
    f=$prefix/$path
    if [ ! -f "$f" ]; then
        fail "$path is not installed"
    elif [ "$(stat -c %a "$f")" != "$mode" ]; then
        fail "$path has mode $(stat -c %a "$f"), expected $mode"
    fi
done <<'FILES'
bin/tarnwick|755
share/man/man1/tarnwick.1.gz|644
share/bash-completion/completions/tarnwick|644
share/doc/tarnwick/README.md|644
share/doc/tarnwick/copyright|644
share/doc/tarnwick/changelog.gz|644
share/doc/tarnwick/examples/fruconfig.ini|644
FILES

# Nothing else is installed.
extra=$(cd "$prefix" && find . -type f | sed 's|^\./||' | grep -vxE 'bin/tarnwick|share/man/man1/tarnwick\.1\.gz|share/bash-completion/completions/tarnwick|share/doc/tarnwick/(README\.md|copyright|changelog\.gz|examples/fruconfig\.ini)')
[ -z "$extra" ] || fail "unexpected files installed: $extra"

# Compressed files: intact, equal to their sources, and without name or timestamp in the header
# (gzip -n), so that two builds give the same package.
for pair in "share/man/man1/tarnwick.1.gz packaging/tarnwick.1" "share/doc/tarnwick/changelog.gz packaging/changelog"; do
    # shellcheck disable=SC2086 # two paths without blanks
    set -- $pair
    if ! gzip -dc "$prefix/$1" | cmp -s - "$source_dir/$2"; then
        fail "$1 does not decompress to $2"
    fi
    # Header bytes 4-7 are the modification time; flag byte 3 bit 3 marks a stored file name.
    header=$(od -An -tu1 -j3 -N5 "$prefix/$1" | tr -s ' ' | sed 's/^ //')
    [ "$header" = "0 0 0 0 0" ] || fail "$1 carries a name or timestamp (header bytes: $header)"
done

cmp -s "$prefix/share/bash-completion/completions/tarnwick" "$source_dir/packaging/tarnwick.bash-completion" ||
    fail "the installed completion differs from packaging/tarnwick.bash-completion"

latest=$(gzip -dc "$prefix/share/doc/tarnwick/changelog.gz" | sed -n '1s/^tarnwick (\([^)]*\)).*/\1/p')
[ "$latest" = "$version" ] || fail "changelog's latest entry is '$latest', the project version is $version"

if out=$(cd "$prefix" && "$prefix/bin/tarnwick" -h x); then
    printf '%s\n' "$out" | grep -q 'Usage' || fail "installed binary: -h x printed no usage text"
else
    fail "installed binary: -h x exited with status $?"
fi

if [ $failures -ne 0 ]; then
    echo "$failures install layout check(s) failed"
    exit 1
fi
echo "install layout: all checks passed"
