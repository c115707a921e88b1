#!/bin/sh
# demo.sh TARNWICK_BINARY - shows tarnwick against a simulated BMC (scripts/bmc-sim.sh): a full
# initialisation from examples/fruconfig.ini, the same in bulk mode on another device, two items
# read back, the decoded and the hex views.
# Builds nothing ("make demo" builds first). Takes one to two minutes: in the default mode every
# FRU byte is one ipmitool run.
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

# seconds since $1 (a "date +%s.%N" reading), to a tenth
since() {
    awk -v a="$1" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }'
}

heading "\$ tarnwick 0 -w    (512 byte writes, 429 reads, 3 checksum writes: one ipmitool run each)"
start=$(date +%s.%N)
"$TARNWICK" 0 -w
echo "(took $(since "$start") s)"

heading "\$ TARNWICK_BULK=1 tarnwick 1 -w    (bulk mode: fru read, fru write, fru read back)"
start=$(date +%s.%N)
TARNWICK_BULK=1 "$TARNWICK" 1 -w
echo "(took $(since "$start") s)"
if [ "$(head -c 512 "$T/sim/fru0.bin" | od -An -tx1)" = "$(head -c 512 "$T/sim/fru1.bin" | od -An -tx1)" ]; then
    echo "(device 1 now holds the very bytes byte-mode -w left on device 0)"
else
    echo "(device 1 holds other bytes than device 0!)"
fi

heading "\$ TARNWICK_BULK=1 tarnwick 1 -w    (again)"
TARNWICK_BULK=1 "$TARNWICK" 1 -w

heading "\$ ls    (fruconfig.ini, and the backup of what device 1 held before bulk -w)"
ls

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
