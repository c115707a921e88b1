#!/bin/sh
# Builds the Debian package from a configured and built tree, installs it, checks the installed
# tool, its manual page and bash completion, runs lintian on the package (errors fail), then
# removes the package again and checks that it is gone.
#
# Usage: packaging/check-installed-package.sh BUILD_DIR
#
# Needs root (or sudo): it installs and removes the package on this machine. It refuses to run if
# a tarnwick package is installed already, so that it never replaces or removes one it did not
# install itself.
set -eu

if [ $# -ne 1 ]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
step() { echo "== $*"; }

installed() { dpkg-query -W -f='${Status}' tarnwick 2>/dev/null | grep -q 'install ok installed'; }

if installed; then
    echo "tarnwick is installed already; remove it first (dpkg -r tarnwick)" >&2
    exit 1
fi
if [ ! -x "$build/tarnwick" ]; then
    echo "$build/tarnwick is not built; build the tree first" >&2
    exit 1
fi

scratch=$(mktemp -d)
cleanup() {
    # Leave no package behind if a check stopped the script halfway.
    if installed; then $SUDO dpkg -r tarnwick >/dev/null 2>&1 || true; fi
    rm -rf "$scratch"
}
trap cleanup EXIT

step "cpack -G DEB in $build"
(cd "$build" && cpack -G DEB) >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log"; exit 1; }
deb=$(sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' "$scratch/cpack.log")
if [ ! -f "$deb" ]; then
    cat "$scratch/cpack.log"
    echo "no package found in the cpack output" >&2
    exit 1
fi
echo "$deb"
dpkg-deb -I "$deb" control

step "lintian"
# lintian warns on stderr when run as root; keep only its findings.
lintian -EvIL +pedantic "$deb" >"$scratch/lintian.out" 2>"$scratch/lintian.err" || true
cat "$scratch/lintian.out"
grep -v 'running with root privileges is not recommended' "$scratch/lintian.err" || true
if grep -q '^E: ' "$scratch/lintian.out"; then fail "lintian reports errors"; fi

step "dpkg -i"
export DEBIAN_FRONTEND=noninteractive
if ! $SUDO dpkg -i "$deb"; then
    echo "dpkg -i failed; installing missing dependencies"
    $SUDO apt-get update -q
    $SUDO apt-get install -f -y -q --no-install-recommends
fi
installed || { echo "FAIL: the package did not install" >&2; exit 1; }

step "the installed tool"
path=$(command -v tarnwick || true)
[ "$path" = /usr/bin/tarnwick ] || fail "tarnwick on PATH is '$path', expected /usr/bin/tarnwick"
# The usage text and status of the installed binary must equal those of the build's binary:
# a help request (status 0) and a wrong argument count (status 255).
for args in "-h x" "-help x y" ""; do
    set +e
    # shellcheck disable=SC2086
    (cd "$scratch" && tarnwick $args) >"$scratch/installed.out" 2>"$scratch/installed.err"
    got=$?
    # shellcheck disable=SC2086
    (cd "$scratch" && "$build/tarnwick" $args) >"$scratch/built.out" 2>/dev/null
    want=$?
    set -e
    [ $got -eq $want ] || fail "tarnwick $args: status $got, the build's binary gives $want"
    cmp -s "$scratch/installed.out" "$scratch/built.out" ||
        fail "tarnwick $args: output differs from the build's binary"
    [ -s "$scratch/installed.out" ] || fail "tarnwick $args: printed nothing"
    [ ! -s "$scratch/installed.err" ] || fail "tarnwick $args: wrote to standard error"
done
[ "$(cd "$scratch" && tarnwick -h x >/dev/null; echo $?)" -eq 0 ] || fail "tarnwick -h x: status is not 0"
file /usr/bin/tarnwick | grep -q ', stripped' || fail "/usr/bin/tarnwick is not stripped"

step "manual page"
page=/usr/share/man/man1/tarnwick.1.gz
if [ -f "$page" ]; then
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" >"$scratch/man.out" 2>"$scratch/man.err" ||
        fail "man -l $page failed"
    [ ! -s "$scratch/man.err" ] || { fail "man -l $page warns:"; cat "$scratch/man.err"; }
    grep -q 'tarnwick' "$scratch/man.out" || fail "man -l $page rendered no text"
    [ "$(man -w tarnwick 2>/dev/null)" = "$page" ] || fail "man -w tarnwick does not find $page"
else
    fail "$page is not installed"
fi

step "bash completion"
completion=/usr/share/bash-completion/completions/tarnwick
if [ -f "$completion" ]; then
    bash "$here/tests/completion.sh" "$completion" /usr/bin/tarnwick || fail "completion checks failed"
    # Loaded on demand by bash-completion, when that is installed, the way an operator's shell does.
    if [ -f /usr/share/bash-completion/bash_completion ]; then
        bash -c '. /usr/share/bash-completion/bash_completion && __load_completion tarnwick &&
                 complete -p tarnwick' >/dev/null 2>&1 ||
            fail "bash-completion does not load the tarnwick completion"
    fi
else
    fail "$completion is not installed"
fi

step "documentation"
for f in README.md copyright changelog.gz examples/fruconfig.ini; do
    [ -f "/usr/share/doc/tarnwick/$f" ] || fail "/usr/share/doc/tarnwick/$f is not installed"
done

step "dpkg -r"
$SUDO dpkg -r tarnwick
! installed || fail "the package is still installed"
for f in /usr/bin/tarnwick "$page" "$completion" /usr/share/doc/tarnwick; do
    [ ! -e "$f" ] || fail "$f is still there after dpkg -r"
done
hash -r 2>/dev/null || true
! command -v tarnwick >/dev/null || fail "tarnwick is still on PATH after dpkg -r: $(command -v tarnwick)"

if [ $failures -ne 0 ]; then
    echo "$failures package check(s) failed"
    exit 1
fi
echo "package checks passed: $(basename "$deb")"
