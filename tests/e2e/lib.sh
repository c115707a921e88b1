# Shared fixture of the end-to-end tests, sourced by each test script (POSIX sh).
#
# A test script is run as: sh TEST.sh TARNWICK_BINARY REPO_DIR [ARGS...]
# e2e_setup checks the outside programs (exit 77, a skip, when one is missing), makes a temporary
# directory with TZ=UTC and its own TARNWICK_LOCK_DIR, starts a simulated BMC in it and puts its
# ipmitool shim first on PATH.
# The simulator is stopped by an exit trap, also when the test fails or is interrupted.
# Checks record failures and go on; e2e_finish ends the test with status 1 if any check failed.

set -u

TARNWICK=$1
REPO=$2
shift 2
E2E=$REPO/tests/e2e
failures=0
checks=0
T=""

# The reference image builder and checker.
fruimage() {
    python3 "$E2E/fruimage.py" "$@"
}

# Ends the test as skipped, saying loudly why.
e2e_skip() {
    echo "**********************************************************************"
    echo "SKIPPED: $*"
    echo "Install the missing packages with scripts/install-deps.sh."
    echo "**********************************************************************"
    exit 77
}

e2e_cleanup() {
    if [ -n "$T" ] && [ -d "$T" ]; then
        sh "$REPO/scripts/bmc-sim.sh" stop "$T/sim" 2>/dev/null
        if [ "$failures" -eq 0 ] || [ -n "${E2E_KEEP_ON_SUCCESS:-}" ]; then
            rm -rf "$T"
        else
            echo "(test files kept in $T)"
        fi
    fi
}

e2e_setup() {
    missing=""
    for p in ipmi_sim ipmitool ipmi-fru python3; do
        command -v "$p" >/dev/null 2>&1 || missing="$missing $p"
    done
    [ -z "$missing" ] || e2e_skip "end-to-end test needs$missing (Debian packages openipmi, ipmitool, freeipmi-tools, python3)"
    [ -x "$TARNWICK" ] || {
        echo "FAIL: tool binary $TARNWICK not found"
        exit 1
    }
    TZ=UTC
    export TZ
    T=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-e2e.XXXXXX")
    trap e2e_cleanup EXIT
    trap 'exit 129' HUP
    trap 'exit 130' INT
    trap 'exit 143' TERM
    mkdir -p "$T/sim" "$T/work"
    # the device locks of this test's writes, apart from every other test and run
    mkdir -m 700 "$T/locks"
    TARNWICK_LOCK_DIR=$T/locks
    export TARNWICK_LOCK_DIR
    # the watcher stops the simulator even if this shell is killed before its trap can run
    BMC_SIM_OWNER=$$ sh "$REPO/scripts/bmc-sim.sh" start "$T/sim" || {
        echo "FAIL: the simulated BMC did not start"
        failures=1
        exit 1
    }
    SIM=$T/sim
    PATH=$SIM/bin:$PATH
    export PATH
    echo "simulated BMC on 127.0.0.1:$(cat "$SIM/port"), test files in $T"
    cd "$T/work" || exit 1
}

# Loads IMAGE (512 bytes) into FRU device N: the simulator reads its backing file on every request.
e2e_load() {
    cp "$2" "$SIM/fru$1.bin" && truncate -s 1280 "$SIM/fru$1.bin"
}

# Runs the tool in the working directory: stdout to $T/out, stderr to $T/err, status to $rc.
run_tool() {
    echo "\$ tarnwick $*"
    started=$(date +%s)
    "$TARNWICK" "$@" </dev/null >"$T/out" 2>"$T/err"
    rc=$?
    echo "  status $rc after $(($(date +%s) - started)) s"
}

fail() {
    failures=$((failures + 1))
    echo "FAIL: $*"
}

ok() {
    checks=$((checks + 1))
}

# check_status WHAT EXPECTED: compares $rc.
check_status() {
    if [ "$rc" -eq "$2" ]; then ok; else fail "$1: status $rc, expected $2"; fi
}

# check_out WHAT EXPECTED_TEXT: compares $T/out byte for byte with the text (printf %b escapes).
check_out() {
    printf '%b' "$2" >"$T/expected"
    check_file "$1" "$T/expected" "$T/out"
}

# check_file WHAT EXPECTED_FILE ACTUAL_FILE
check_file() {
    if cmp -s "$2" "$3"; then
        ok
    else
        fail "$1: output differs (expected, then actual, as od -c):"
        od -c "$2" | head -n 20
        echo "  ---"
        od -c "$3" | head -n 20
        if [ -s "$T/err" ]; then
            echo "  stderr of the last run:"
            head -n 5 "$T/err"
        fi
    fi
}

# check_device WHAT N IMAGE: the first 512 bytes of device N equal IMAGE and the rest is zero.
check_device() {
    head -c 512 "$SIM/fru$2.bin" >"$T/dev.bin"
    if cmp -s "$3" "$T/dev.bin"; then
        ok
    else
        fail "$1: device $2 differs from the reference image (offset, expected, actual):"
        cmp -l "$3" "$T/dev.bin" | head -n 20
    fi
    if [ "$(tail -c +513 "$SIM/fru$2.bin" | tr -d '\000' | wc -c)" -eq 0 ] &&
        [ "$(wc -c <"$SIM/fru$2.bin")" -eq 1280 ]; then
        ok
    else
        fail "$1: device $2 changed beyond offset 511"
    fi
}

# check_contains WHAT FILE LINE: FILE has LINE as a whole line.
check_contains() {
    if grep -qxF -- "$3" "$2"; then
        ok
    else
        fail "$1: no line \"$3\" in:"
        sed 's/^/  | /' "$2"
    fi
}

# check_no_leftovers WHAT: the working directory holds only fruconfig.ini, if anything.
check_no_leftovers() {
    left=""
    for f in * .[!.]*; do
        [ -e "$f" ] && [ "$f" != fruconfig.ini ] && left="$left $f"
    done
    if [ -z "$left" ]; then ok; else fail "$1: files left in the working directory:$left"; fi
}

# check_ipmi_fru WHAT N: FreeIPMI decodes device N from its backing file without a fault.
check_ipmi_fru() {
    head -c 512 "$SIM/fru$2.bin" >"$T/fru$2.img"
    ipmi-fru --fru-file="$T/fru$2.img" >"$T/ipmi-fru.txt" 2>&1
    if grep -q 'FRU Error' "$T/ipmi-fru.txt"; then
        fail "$1: ipmi-fru reports faults:"
        sed 's/^/  | /' "$T/ipmi-fru.txt"
    else
        ok
    fi
}

# The ipmitool label of each command word's item ("" where ipmitool shows no line).
ipmitool_label() {
    case $1 in
    CPN) echo "Chassis Part Number" ;; CSN) echo "Chassis Serial" ;;
    BM) echo "Board Mfg" ;; BPNA) echo "Board Product" ;; BSN) echo "Board Serial" ;;
    BPNU) echo "Board Part Number" ;; PM) echo "Product Manufacturer" ;;
    PN) echo "Product Name" ;; PPN) echo "Product Part Number" ;; PV) echo "Product Version" ;;
    PSN) echo "Product Serial" ;; PAT) echo "Product Asset Tag" ;;
    *) echo "" ;;
    esac
}

# The FreeIPMI label of each command word's item.
ipmi_fru_label() {
    case $1 in
    CPN) echo "FRU Chassis Part Number" ;; CSN) echo "FRU Chassis Serial Number" ;;
    BM) echo "FRU Board Manufacturer" ;; BPNA) echo "FRU Board Product Name" ;;
    BSN) echo "FRU Board Serial Number" ;; BPNU) echo "FRU Board Part Number" ;;
    BFFI | PFFI) echo "FRU FRU File ID" ;; PM) echo "FRU Product Manufacturer Name" ;;
    PN) echo "FRU Product Name" ;; PPN) echo "FRU Product Part/Model Number" ;;
    PV) echo "FRU Product Version" ;; PSN) echo "FRU Product Serial Number" ;;
    PAT) echo "FRU Product Asset Tag" ;;
    esac
}

# ipmitool's line for a label and a text: one blank, the label padded to 22 columns, ": ", text.
ipmitool_line() {
    printf ' %-22s: %s' "$1" "$2"
}

e2e_finish() {
    echo "$checks checks passed, $failures failed"
    [ "$failures" -eq 0 ] || exit 1
    exit 0
}
