#!/bin/sh
# bench/run.sh BUILD_DIR - times "tarnwick 0 -w" and "tarnwick 0 -sbin" against the fake ipmitool
# (BUILD_DIR/tests/fakebin) and against a simulated BMC (scripts/bmc-sim.sh), and compares each
# with its floor: the very same shell command lines, captured with strace from a run of the tool,
# handed to system() one after another by bench/floor.cpp, in the same run and the same way.
# On the simulated BMC it also times bulk mode (TARNWICK_BULK=1) "-w" and "-sbin" against the
# floor of their ipmitool runs ("fru read", "fru write", "fru read"; "fru read"), bulk "-diff" and
# "-sjson" against the floor of one "fru read", and compares bulk "-w" with byte-mode "-w".
# Out of band (TARNWICK_BMC, through the same shim) it times bulk "-w" against the floor of its
# ipmitool runs: a Get Device ID per cipher suite tried (the simulator refuses 17, answers on 3),
# then the three of bulk "-w". Also counts the processes each command starts and compares tarnwick's
# peak memory with that of a minimal C++ program.
#
# Environment: BENCH_RUNS (default 3) timed runs against the fake, median reported;
# BENCH_SIM_RUNS (default 1) byte-mode runs against the simulated BMC, 0 leaves the simulated
# BMC out (about 3 minutes per run); BENCH_BULK_RUNS (default 5) bulk-mode runs there. Results
# also go to BUILD_DIR/bench/results.txt, traces and command lists beside it.
set -eu

if [ $# -ne 1 ]; then
    echo "usage: bench/run.sh BUILD_DIR" >&2
    exit 2
fi
BUILD=$(cd "$1" && pwd)
REPO=$(cd "$(dirname "$0")/.." && pwd)
TARNWICK=$BUILD/tarnwick
FAKEBIN=$BUILD/tests/fakebin
RUNS=${BENCH_RUNS:-3}
SIM_RUNS=${BENCH_SIM_RUNS:-1}
BULK_RUNS=${BENCH_BULK_RUNS:-5}
OUT=$BUILD/bench

for f in "$TARNWICK" "$FAKEBIN/ipmitool"; do
    [ -x "$f" ] || {
        echo "bench: $f not built; run \"make bench\"" >&2
        exit 1
    }
done
for p in strace python3 "${CXX:-c++}"; do
    command -v "$p" >/dev/null 2>&1 || {
        echo "bench: $p not found (scripts/install-deps.sh installs it)" >&2
        exit 1
    }
done
[ -x /usr/bin/time ] || {
    echo "bench: /usr/bin/time not found (Debian package time)" >&2
    exit 1
}

# the real utility, for the simulated BMC's shim: the fake comes first on PATH below
IPMITOOL_REAL=$(command -v ipmitool || true)
export IPMITOOL_REAL
ipmitool_version=$(ipmitool -V 2>/dev/null || echo "no ipmitool")
W=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-bench.XXXXXX")
cleanup() {
    [ ! -d "$W/sim" ] || sh "$REPO/scripts/bmc-sim.sh" stop "$W/sim" 2>/dev/null || true
    rm -rf "$W"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

mkdir -p "$OUT" "$W/fake" "$W/work"
rm -f "$OUT/results.txt"
say() {
    echo "$*" | tee -a "$OUT/results.txt"
}

"${CXX:-c++}" -std=c++20 -O2 -Wall -Wextra -Werror -o "$W/floor" "$REPO/bench/floor.cpp"
"${CXX:-c++}" -std=c++20 -O2 -Wall -Wextra -Werror -o "$W/selftime" "$REPO/bench/selftime.cpp"
: >"$W/empty"

if [ -f "$REPO/examples/fruconfig.ini" ]; then
    cp "$REPO/examples/fruconfig.ini" "$W/work/fruconfig.ini"
    config="examples/fruconfig.ini"
else
    printf '[Board]\nBoard Serial Number String=ABC123\n[Product]\nProduct Name String=Demo Server\n' \
        >"$W/work/fruconfig.ini"
    config="a two-item configuration"
fi
cd "$W/work"
TZ=UTC
export TZ

# timed NAME COMMAND...: runs COMMAND with stdout discarded under bench/selftime.cpp, which
# appends "WALL_NS SELF_NS" to $W/NAME.times: wall time, and CPU time of that process alone.
timed() {
    name=$1
    shift
    "$W/selftime" "$W/$name.times" "$@" >/dev/null
}

# median_ms NAME COLUMN: the median over the runs of column 1 (wall) or 2 (own CPU), in ms.
median_ms() {
    awk -v c="$2" '{ print $c / 1e6 }' "$W/$1.times" | sort -g |
        awk '{ v[NR] = $1 } END { printf "%.0f", v[int((NR + 1) / 2)] }'
}

# time_runs TARGET N: N rounds of tool and floor, alternating, for -w and -sbin.
time_runs() {
    i=0
    while [ $i -lt "$2" ]; do
        for cmd in w sbin; do
            timed "$1_${cmd}_tool" "$TARNWICK" 0 "-$cmd"
            timed "$1_${cmd}_floor" "$W/floor" "$OUT/$cmd.lines"
        done
        i=$((i + 1))
    done
}

# The floor of bulk mode: its ipmitool runs, each with a file of its own as the tool's are.
printf "ipmitool fru read 0 '%s' >/dev/null\nipmitool fru write 0 '%s' >/dev/null\nipmitool fru read 0 '%s' >/dev/null\n" \
    "$W/floor-read" "$W/image.bin" "$W/floor-read" >"$OUT/bulk_w.floor"
printf "ipmitool fru read 0 '%s' >/dev/null\n" "$W/floor-read" >"$OUT/bulk_sbin.floor"

# Out of band: the tool's LAN options come after the shim's and replace them.
oob_settings() {
    echo "TARNWICK_BULK=1 TARNWICK_BMC=127.0.0.1 TARNWICK_BMC_PORT=$(cat "$W/sim/port")" \
        "TARNWICK_BMC_USER=admin IPMI_PASSWORD=secret"
}
oob_floor() {
    lan="ipmitool -I lanplus -H 127.0.0.1 -p $(cat "$W/sim/port") -U 'admin'"
    printf "%s -C 17 -E raw 0x06 0x01 >/dev/null 2>/dev/null\n%s -C 3 -E raw 0x06 0x01 >/dev/null 2>/dev/null\n" \
        "$lan" "$lan" >"$OUT/oob_bulk_w.floor"
    sed "s|^ipmitool |$lan -C 3 -E |" "$OUT/bulk_w.floor" >>"$OUT/oob_bulk_w.floor"
}

# time_bulk_runs N: N rounds of bulk -w, its floor, bulk -sbin and its floor, bulk -diff and
# -sjson on the simulated BMC, every -w and its floor starting from a blank device; -diff finds the
# image -w writes (status 0; 1 would mean it differs, which is timed all the same).
blank_sim_device() {
    cp "$W/blank.bin" "$W/sim/fru0.bin"
    rm -f fru0-*.bin
}
time_bulk_runs() {
    i=0
    while [ $i -lt "$1" ]; do
        blank_sim_device
        timed sim_bulk_w_tool env TARNWICK_BULK=1 "$TARNWICK" 0 -w
        blank_sim_device
        timed sim_bulk_w_floor "$W/floor" "$OUT/bulk_w.floor"
        timed sim_bulk_sbin_tool env TARNWICK_BULK=1 "$TARNWICK" 0 -sbin
        timed sim_bulk_sbin_floor "$W/floor" "$OUT/bulk_sbin.floor"
        timed sim_bulk_diff_tool env TARNWICK_BULK=1 "$TARNWICK" 0 -diff || [ $? -eq 1 ]
        timed sim_bulk_sjson_tool env TARNWICK_BULK=1 "$TARNWICK" 0 -sjson
        blank_sim_device
        # shellcheck disable=SC2046 # the settings are words without blanks
        timed sim_oob_w_tool env $(oob_settings) "$TARNWICK" 0 -w
        blank_sim_device
        # shellcheck disable=SC2046
        timed sim_oob_w_floor env $(oob_settings) "$W/floor" "$OUT/oob_bulk_w.floor"
        i=$((i + 1))
    done
    blank_sim_device
    env TARNWICK_BULK=1 "$TARNWICK" 0 -w >/dev/null
    rm -f fru0-*.bin
}

ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'
}

# own_share TOOL_SELF FLOOR_SELF FLOOR_WALL: what the tool's own process costs beyond the floor's,
# as a share of the floor's wall time.
own_share() {
    awk -v t="$1" -v f="$2" -v w="$3" 'BEGIN { printf "%+.2f %%", 100 * (t - f) / w }'
}

# --- the fake ipmitool
PATH=$FAKEBIN:$PATH
TARNWICK_FAKE_DIR=$W/fake
export PATH TARNWICK_FAKE_DIR

# One traced run of each command: its exact shell command lines and its process counts.
for cmd in w sbin; do
    strace -f -qq -e signal=none -s 65535 -e trace=execve,clone,clone3,fork,vfork \
        -o "$OUT/$cmd.strace" "$TARNWICK" 0 "-$cmd" >/dev/null
    python3 "$REPO/bench/trace_summary.py" "$OUT/$cmd.strace" "$OUT/$cmd.lines" >"$OUT/$cmd.counts"
done
# The same for bulk mode, -w on a blank device so that it writes; the others read what it wrote.
head -c 1280 /dev/zero >"$W/blank.bin"
for cmd in w sbin diff sjson; do
    [ "$cmd" != w ] || cp "$W/blank.bin" "$W/fake/fru0.bin"
    TARNWICK_BULK=1 strace -f -qq -e signal=none -s 65535 -e trace=execve,clone,clone3,fork,vfork \
        -o "$OUT/bulk_$cmd.strace" "$TARNWICK" 0 "-$cmd" >/dev/null
    python3 "$REPO/bench/trace_summary.py" "$OUT/bulk_$cmd.strace" "$OUT/bulk_$cmd.lines" \
        >"$OUT/bulk_$cmd.counts"
done
# Out of band, the fake refusing suite 17 as the simulator does.
cp "$W/blank.bin" "$W/fake/fru0.bin"
TARNWICK_BULK=1 TARNWICK_BMC=bmc TARNWICK_BMC_USER=admin IPMI_PASSWORD=secret \
    TARNWICK_FAKE_REFUSE_SUITE=17 strace -f -qq -e signal=none -s 65535 \
    -e trace=execve,clone,clone3,fork,vfork -o "$OUT/oob_bulk_w.strace" "$TARNWICK" 0 -w >/dev/null
python3 "$REPO/bench/trace_summary.py" "$OUT/oob_bulk_w.strace" "$OUT/oob_bulk_w.lines" \
    >"$OUT/oob_bulk_w.counts"
rm -f fru0-*.bin
lines_w=$(wc -l <"$OUT/w.lines")
lines_sbin=$(wc -l <"$OUT/sbin.lines")
runs_w=$(awk '$1 == "exec" && $2 == "ipmitool" { print $3 }' "$OUT/w.counts")
runs_sbin=$(awk '$1 == "exec" && $2 == "ipmitool" { print $3 }' "$OUT/sbin.counts")
runs_bulk_w=$(awk '$1 == "exec" && $2 == "ipmitool" { print $3 }' "$OUT/bulk_w.counts")
runs_bulk_sbin=$(awk '$1 == "exec" && $2 == "ipmitool" { print $3 }' "$OUT/bulk_sbin.counts")
runs_bulk_diff=$(awk '$1 == "exec" && $2 == "ipmitool" { print $3 }' "$OUT/bulk_diff.counts")
runs_bulk_sjson=$(awk '$1 == "exec" && $2 == "ipmitool" { print $3 }' "$OUT/bulk_sjson.counts")
runs_oob_w=$(awk '$1 == "exec" && $2 == "ipmitool" { print $3 }' "$OUT/oob_bulk_w.counts")

time_runs fake "$RUNS"

# Peak resident set size in kB: of the tool's own process, sampled from /proc during a -sbin
# run (its children are separate processes), and with /usr/bin/time for runs that start none.
hwm() {
    "$@" >/dev/null &
    pid=$!
    peak=0
    while v=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status" 2>/dev/null) && [ -n "$v" ]; do
        peak=$v
        sleep 0.05
    done
    wait "$pid" || true
    echo "$peak"
}
rss_sbin=$(hwm "$TARNWICK" 0 -sbin)
rss_debug=$(/usr/bin/time -f %M "$TARNWICK" 0 -debug 2>&1 >/dev/null | tail -n 1)
rss_floor=$(/usr/bin/time -f %M "$W/floor" "$W/empty" 2>&1 >/dev/null | tail -n 1)
rss_true=$(/usr/bin/time -f %M true 2>&1 >/dev/null | tail -n 1)

# --- the simulated BMC
sim_note=""
if [ "$SIM_RUNS" -gt 0 ]; then
    if command -v ipmi_sim >/dev/null 2>&1 && [ -n "$IPMITOOL_REAL" ]; then
        mkdir "$W/sim"
        BMC_SIM_OWNER=$$ sh "$REPO/scripts/bmc-sim.sh" start "$W/sim"
        PATH=$W/sim/bin:$PATH
        oob_floor
        time_runs sim "$SIM_RUNS"
        cmp -s "$W/fake/fru0.bin" "$W/sim/fru0.bin" || sim_note="(the simulated device differs from the fake's!)"
        head -c 512 "$W/sim/fru0.bin" >"$W/image.bin"
        time_bulk_runs "$BULK_RUNS"
        head -c 512 "$W/sim/fru0.bin" >"$W/after.bin"
        cmp -s "$W/image.bin" "$W/after.bin" ||
            sim_note="$sim_note (bulk -w left another image than byte-mode -w!)"
    else
        sim_note="ipmi_sim or ipmitool missing: simulated BMC left out"
        SIM_RUNS=0
    fi
fi

# --- report
say "tarnwick benchmark, $(date -u '+%Y-%m-%d %H:%M UTC')"
say "machine: $(nproc) cores, $(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)," \
    "Debian $(cat /etc/debian_version 2>/dev/null || echo '?'), $ipmitool_version"
say "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
say "configuration: $config; device 0"
say ""
say "                           ipmitool         wall time           own CPU time   tool's own cost"
say "target   command     runs  runs/cmd  tarnwick  floor  ratio   tarnwick  floor   beyond the floor"
row() { # target cmd ipmitool-runs runs toolname floorname
    tw=$(median_ms "$5" 1) fw=$(median_ms "$6" 1)
    ts=$(median_ms "$5" 2) fs=$(median_ms "$6" 2)
    say "$(printf '%-8s %-8s %7s %9s %9s %6s %6s %10s %6s %18s' "$1" "$2" "$4" "$3" "$tw" "$fw" \
        "$(ratio "$tw" "$fw")" "$ts" "$fs" "$(own_share "$ts" "$fs" "$fw")")"
}
row fake -w "$runs_w" "$RUNS" fake_w_tool fake_w_floor
row fake -sbin "$runs_sbin" "$RUNS" fake_sbin_tool fake_sbin_floor
if [ "$SIM_RUNS" -gt 0 ]; then
    row "sim BMC" -w "$runs_w" "$SIM_RUNS" sim_w_tool sim_w_floor
    row "sim BMC" -sbin "$runs_sbin" "$SIM_RUNS" sim_sbin_tool sim_sbin_floor
    row "sim bulk" -w "$runs_bulk_w" "$BULK_RUNS" sim_bulk_w_tool sim_bulk_w_floor
    row "sim bulk" -sbin "$runs_bulk_sbin" "$BULK_RUNS" sim_bulk_sbin_tool sim_bulk_sbin_floor
    row "sim bulk" -diff "$runs_bulk_diff" "$BULK_RUNS" sim_bulk_diff_tool sim_bulk_sbin_floor
    row "sim bulk" -sjson "$runs_bulk_sjson" "$BULK_RUNS" sim_bulk_sjson_tool sim_bulk_sbin_floor
    row "sim oob" -w "$runs_oob_w" "$BULK_RUNS" sim_oob_w_tool sim_oob_w_floor
fi
[ -z "$sim_note" ] || say "$sim_note"
say "(times in ms, each the median of the runs; tool and floor runs alternate. The floor hands the"
say " same $lines_w (-w) and $lines_sbin (-sbin) shell lines to system() with no logic of its own."
say " Own CPU time: the process alone, without the shells and programs it starts. The tool's own"
say " cost beyond the floor: (tarnwick's own CPU - the floor's own CPU) / the floor's wall time.)"
if [ "$SIM_RUNS" -gt 0 ]; then
    byte_w=$(median_ms sim_w_tool 1)
    bulk_w=$(median_ms sim_bulk_w_tool 1)
    say ""
    say "bulk mode on the simulated BMC: -w $(ratio "$byte_w" "$bulk_w") times faster than byte-mode -w" \
        "(target: at least 20), $(ratio "$bulk_w" "$(median_ms sim_bulk_w_floor 1)") times its floor" \
        "(target: at most 1.5); ipmitool runs: -w $runs_bulk_w, -sbin $runs_bulk_sbin" \
        "(target: at most 3 for -w, plus one date)"
    say "(the bulk floor: the same ipmitool runs, fru read, fru write, fru read for -w and one fru"
    say " read for -sbin, -diff and -sjson, from the minimal driver; every bulk -w and its floor"
    say " start from a blank device, so each writes and keeps a backup)"
    say ""
    oob_w=$(median_ms sim_oob_w_tool 1)
    say "out of band (bulk -w through the BMC's LAN port, suites 17 then 3): $runs_oob_w ipmitool" \
        "runs, bulk -w's $runs_bulk_w plus $((runs_oob_w - runs_bulk_w)) Get Device ID (target: at" \
        "most one per suite tried, 2); $oob_w ms, $(ratio "$oob_w" "$(median_ms sim_oob_w_floor 1)")" \
        "times its floor (those runs from the minimal driver), $(ratio "$oob_w" "$bulk_w") times" \
        "in-band bulk -w"
fi
say ""
say "processes started (strace -f: successful clone/fork/vfork of the tool and every descendant)"
say "and programs executed (successful execve after the tool's own), fake ipmitool:"
for cmd in w sbin bulk_w bulk_sbin bulk_diff bulk_sjson oob_bulk_w; do
    case $cmd in oob_*) label="out-of-band bulk -w" ;; bulk_*) label="bulk -${cmd#bulk_}" ;;
    *) label="-$cmd" ;; esac
    say "  $label: $(awk '$1 == "processes" { p = $2 } $1 == "execs" { e = $2 }
        $1 == "exec" { s = s sep $2 " " $3; sep = ", " }
        END { printf "%d processes, %d execs (%s)", p, e, s }' "$OUT/$cmd.counts")"
done
say ""
say "peak resident set size, kB:"
say "  tarnwick 0 -sbin, the tool's own process (VmHWM sampled every 50 ms): $rss_sbin"
say "  tarnwick 0 -debug (starts no process), /usr/bin/time:                  $rss_debug"
say "  minimal C++ program (bench/floor.cpp, empty list), /usr/bin/time:        $rss_floor"
say "  /bin/true, /usr/bin/time:                                                $rss_true"
say "  tarnwick beyond the minimal C++ program: $((rss_sbin - rss_floor)) kB (-sbin), $((rss_debug - rss_floor)) kB (-debug)"
