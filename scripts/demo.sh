#!/bin/sh
# demo.sh TARNWICK_BINARY - shows tarnwick against a simulated BMC (scripts/bmc-sim.sh): a full
# initialisation from examples/fruconfig.ini, two items read back, the decoded and the hex views.
# Builds nothing ("make demo" builds first). Takes about a minute: every FRU byte is one ipmitool
# run.
set -eu

if [ $# -ne 1 ]; then
    echo "usage: demo.sh TARNWICK_BINARY" >&2
    exit 2
fi
case $1 in
/*) TARNWICK=$1 ;;
*) TARNWICK=$(pwd)/$1 ;;
esac
REPO=$(cd "$(dirname "$0")/.." && pwd)
CONFIG=$REPO/examples/fruconfig.ini

[ -x "$TARNWICK" ] || {
    echo "demo: $TARNWICK is not an executable; run \"make demo\"" >&2
    exit 1
}
[ -f "$CONFIG" ] || {
    echo "demo: $CONFIG not found" >&2
    exit 1
}
for p in ipmi_sim ipmitool; do
    command -v "$p" >/dev/null 2>&1 || {
        echo "demo: $p not found; install the packages with scripts/install-deps.sh" >&2
        exit 1
    }
done

T=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-demo.XXXXXX")
cleanup() {
    sh "$REPO/scripts/bmc-sim.sh" stop "$T/sim" 2>/dev/null || true
    rm -rf "$T"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

heading() {
    printf '\n=== %s\n' "$*"
}

mkdir -p "$T/sim" "$T/work"
BMC_SIM_OWNER=$$ sh "$REPO/scripts/bmc-sim.sh" start "$T/sim"
PATH=$T/sim/bin:$PATH
TZ=UTC
export PATH TZ
cp "$CONFIG" "$T/work/fruconfig.ini"
cd "$T/work"

heading "Simulated BMC on 127.0.0.1 UDP port $(cat "$T/sim/port"), FRU devices 0 1 2 3 6 7 blank;" \
    "\"ipmitool\" on PATH reaches it"
heading "fruconfig.ini (from examples/)"
cat fruconfig.ini

heading "\$ tarnwick 0 -w    (512 byte writes, 429 reads, 3 checksum writes: one ipmitool run each)"
start=$(date +%s)
"$TARNWICK" 0 -w
echo "(took $(($(date +%s) - start)) s)"

heading "\$ tarnwick 0 /BSN    (board serial number)"
"$TARNWICK" 0 /BSN

heading "\$ tarnwick 0 /PN    (product name)"
"$TARNWICK" 0 /PN

heading "\$ tarnwick 0 -stxt    (decoded by ipmitool)"
"$TARNWICK" 0 -stxt

heading "\$ tarnwick 0 -sbin | head -n 8    (hex dump, 512 reads; first 8 of 32 rows)"
"$TARNWICK" 0 -sbin >"$T/sbin.txt"
head -n 8 "$T/sbin.txt"

heading "Stopping the simulated BMC"
