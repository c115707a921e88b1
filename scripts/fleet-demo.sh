#!/bin/sh
# fleet-demo.sh TARNWICK_BINARY DIR [HOSTS] - the Ansible role tarnwick_fru over a fleet of HOSTS
# (default 4, at most 32) simulated servers on this machine. Each host has its own simulated BMC
# on loopback (scripts/bmc-sim.sh) and reaches it through a tool wrapper that also gives it its
# own TMPDIR and device lock directory, as on a server of its own; ansible_connection: local.
#
# The demo writes DIR/inventory.yml (one group whose values every host shares, each host its own
# serial numbers and asset tag; sim01 with two rear backplanes, sim02 with values of its own over
# the group's), runs examples/ansible/fru.yml, changes sim01's asset tag by hand with a direct
# tarnwick item write, previews with fru.yml --check --diff (that one change only), runs
# audit.yml (the change is drift), and prints where the reports are. The simulators are stopped
# on every way out, Ctrl-C included; the rest stays in DIR, which is emptied at the next run.
# Each play is timed: wall time, time per host, the CPU time of Ansible and all it started, and
# the part of it that is tarnwick and its ipmitool runs. The demo fails (status 1) when a play
# does not do what it shows.
#
# With OOB=1 the hosts are reached out of band instead, as servers with no operating system yet:
# each host's tarnwick_bmc (and port) names its BMC, every run is on this machine as the
# controller, with the real ipmitool straight to the BMC, and the hosts are never contacted.
#
# Environment: FORKS (default 8), Ansible's --forks; OOB (0 or 1, default 0). Builds nothing
# ("make fleet-demo" builds first).
set -eu

usage() {
    echo "usage: fleet-demo.sh TARNWICK_BINARY DIR [HOSTS]" >&2
    exit 2
}
[ $# -ge 2 ] && [ $# -le 3 ] || usage
case $1 in
/*) TARNWICK=$1 ;;
*) TARNWICK=$(pwd)/$1 ;;
esac
DIR=$2
HOSTS=${3:-4}
FORKS=${FORKS:-8}
OOB=${OOB:-0}
REPO=$(cd "$(dirname "$0")/.." && pwd)
EXAMPLES=$REPO/examples/ansible

complain() {
    echo "fleet-demo: $*" >&2
    exit 1
}
case $HOSTS in '' | *[!0-9]*) HOSTS=0 ;; *) HOSTS=$(expr "$HOSTS" + 0) ;; esac
[ "$HOSTS" -ge 1 ] && [ "$HOSTS" -le 32 ] || complain "HOSTS must be a number from 1 to 32"
case $FORKS in '' | *[!0-9]* | 0) complain "FORKS must be a number from 1 up" ;; esac
case $OOB in 0 | 1) ;; *) complain "OOB must be 0 or 1" ;; esac
[ -x "$TARNWICK" ] || complain "$TARNWICK is not an executable; run \"make fleet-demo\""
for p in ansible-playbook ipmi_sim ipmitool python3 /usr/bin/time; do
    command -v "$p" >/dev/null 2>&1 ||
        complain "$p not found; install the packages with scripts/install-deps.sh"
done
# DIR is emptied: never a directory this demo did not make
if [ -d "$DIR" ] && [ ! -f "$DIR/.fleet-demo" ] && [ -n "$(ls -A "$DIR")" ]; then
    complain "$DIR holds files of something else; give another directory"
fi
rm -rf "$DIR"
mkdir -p "$DIR"
DIR=$(cd "$DIR" && pwd)
: >"$DIR/.fleet-demo"

stop_simulators() {
    for sim in "$DIR"/hosts/*/sim; do
        [ ! -d "$sim" ] || sh "$REPO/scripts/bmc-sim.sh" stop "$sim" 2>/dev/null &
    done
    wait
}
trap stop_simulators EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

export ANSIBLE_CONFIG="$DIR/ansible.cfg" ANSIBLE_LOCAL_TEMP="$DIR/ansible-tmp" ANSIBLE_NOCOLOR=1 \
    ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_PYTHON_INTERPRETER=auto_silent LC_ALL=C.UTF-8 TZ=UTC
: >"$ANSIBLE_CONFIG"

heading() {
    printf '\n=== %s\n' "$*"
}

name() {
    printf 'sim%02d' "$1"
}

if [ "$OOB" = 1 ]; then
    heading "$HOSTS simulated servers with no OS, each with its own BMC on loopback, reached out of band"
else
    heading "$HOSTS simulated servers, each with its own BMC on loopback"
fi
mkdir -m 700 "$DIR/locks"
starts=""
i=1
while [ "$i" -le "$HOSTS" ]; do
    H=$DIR/hosts/$(name "$i")
    mkdir -p "$H/tmp" "$H/work"
    mkdir -m 700 "$H/locks"
    BMC_SIM_OWNER=$$ sh "$REPO/scripts/bmc-sim.sh" start "$H/sim" &
    starts="$starts $!"
    # The host's tarnwick: its BMC's ipmitool first on PATH, its own TMPDIR and lock directory,
    # and the CPU time of each run added to tool-cpu. Out of band the controller's: the real
    # ipmitool reached with the LAN options, the controller's one lock directory.
    if [ "$OOB" = 1 ]; then
        # shellcheck disable=SC2016 # "$@" is the wrapper's own
        printf '#!/bin/sh\nTMPDIR=%s/tmp TARNWICK_LOCK_DIR=%s/locks exec /usr/bin/time -a -o %s/tool-cpu -f "%%U %%S" %s "$@"\n' \
            "$H" "$DIR" "$H" "$TARNWICK" >"$H/tarnwick"
    else
        # shellcheck disable=SC2016 # $PATH and "$@" are the wrapper's own
        printf '#!/bin/sh\nPATH=%s/sim/bin:$PATH TMPDIR=%s/tmp TARNWICK_LOCK_DIR=%s/locks exec /usr/bin/time -a -o %s/tool-cpu -f "%%U %%S" %s "$@"\n' \
            "$H" "$H" "$H" "$H" "$TARNWICK" >"$H/tarnwick"
    fi
    chmod +x "$H/tarnwick"
    i=$((i + 1))
done
# the simulators start side by side; any that did not fails the demo
for job in $starts; do
    wait "$job" || complain "a simulated BMC did not start"
done
for H in "$DIR"/hosts/*; do
    printf '%s: UDP port %s, FRU devices 0 1 2 3 6 7 blank\n' "${H##*/}" "$(cat "$H/sim/port")"
done

# The group sets what every server of the model shares; each host its serial numbers, asset tag
# and place. sim01 has its two rear backplanes, each with its own board values; sim02 is of a
# later revision, made another day. In band each host is this machine; out of band each is only
# a name (never contacted) with its BMC, and the BMC user and password are the group's (a real
# inventory keeps the password in Ansible Vault).
if [ "$OOB" = 1 ]; then
    reach="        tarnwick_bmc_user: admin
        tarnwick_bmc_password: secret"
else
    reach="        ansible_connection: local
        ansible_become: false"
fi
{
    cat <<EOF
all:
  children:
    rack07:
      vars:
$reach
        tarnwick_backup_dir: $DIR/backups
        tarnwick_audit_dir: $DIR/reports
        tarnwick_chassis_part_number: CH-2U-EX27-01
        tarnwick_manufacturing_date: "2026-12-07 08:30 UTC"
        tarnwick_board_manufacturer: Example Systems
        tarnwick_board_product_name: MB-E27DP
        tarnwick_board_part_number: PN-MB-E27DP-01
        tarnwick_board_fru_file_id: MB-FRU-V1.2
        tarnwick_product_manufacturer: Example Systems
        tarnwick_product_name: Example Server 2U
        tarnwick_product_part_number: ES2U-E27-BASE
        tarnwick_product_version: Rev A02
        tarnwick_product_fru_file_id: PR-FRU-V1.2
      hosts:
EOF
    i=1
    while [ "$i" -le "$HOSTS" ]; do
        H=$DIR/hosts/$(name "$i")
        cat <<EOF
        $(name "$i"):
          tarnwick_binary: $H/tarnwick
          tarnwick_workdir: $H/work
          tarnwick_chassis_serial_number: "CSN2026120700$(printf %03d "$i")"
          tarnwick_chassis_custom_information: Rack 7 U$(printf %02d "$i")
          tarnwick_board_serial_number: BSN-2026-12-0000$(printf %03d "$i")
          tarnwick_product_serial_number: PSN-2026-12-0000$(printf %03d "$i")
          tarnwick_asset_tag: DC1-RACK07-U$(printf %02d "$i")
EOF
        [ "$OOB" = 0 ] ||
            printf '          tarnwick_bmc: 127.0.0.1\n          tarnwick_bmc_port: %s\n' "$(cat "$H/sim/port")"
        case $i in
        1)
            cat <<EOF
          tarnwick_fru_ids: [0, 6, 7]
          tarnwick_fru_by_id:
            6: {board_product_name: BP-2U-REAR, board_serial_number: BP6-2026-12-0000001, board_part_number: PN-BP-2U-R-01}
            7: {board_product_name: BP-2U-REAR, board_serial_number: BP7-2026-12-0000001, board_part_number: PN-BP-2U-R-01}
EOF
            ;;
        2)
            cat <<EOF
          tarnwick_product_version: Rev B01
          tarnwick_manufacturing_date: "2026-12-08 14:00 UTC"
EOF
            ;;
        esac
        i=$((i + 1))
    done
} >"$DIR/inventory.yml"
devices=$((HOSTS + 2))

heading "The inventory ($DIR/inventory.yml), its first hosts"
sed -n '1,/^        sim03:/p' "$DIR/inventory.yml" | sed '/^        sim03:/d'

# play LOG BOOK [OPTION...]: runs the playbook BOOK over the inventory with its output in
# DIR/LOG.log and its status in $status; prints the recap and how long the play took
play() {
    log=$DIR/$1.log
    book=$2
    shift 2
    heading "\$ ansible-playbook -i inventory.yml --forks $FORKS $*${*:+ }examples/ansible/$book"
    rm -f "$DIR"/hosts/*/tool-cpu
    load=$(cut -d' ' -f1 /proc/loadavg)
    started=$(date +%s.%N)
    status=0
    /usr/bin/time -f '%U %S' -o "$DIR/cpu.txt" ansible-playbook -i "$DIR/inventory.yml" \
        --forks "$FORKS" "$@" "$EXAMPLES/$book" >"$log" 2>&1 || status=$?
    ended=$(date +%s.%N)
    sed -n '/^PLAY RECAP/,$p' "$log" | sed '/^$/d'
    tool=$(cat "$DIR"/hosts/*/tool-cpu 2>/dev/null | awk '/^[0-9]/ { s += $1 + $2 } END { print s + 0 }')
    awk -v a="$started" -v b="$ended" -v n="$HOSTS" -v d="$devices" -v f="$FORKS" \
        -v load="$load" -v tool="$tool" -v status="$status" '
        { cpu = $1 + $2 }
        END { printf "(status %d; %d hosts, %d devices, forks %d: %.1f s, %.2f s a host; CPU %.1f s, %.2f s a host, of which tarnwick and its ipmitool runs %.2f s; load average %s before)\n",
                     status, n, d, f, b - a, (b - a) / n, cpu, cpu / n, tool, load }' "$DIR/cpu.txt"
}

# recap HOST COUNTER: that counter of the host in the last play's recap
recap() {
    sed -n "s/^$1 *:.* $2=\([0-9]*\).*/\1/p" "$log"
}

# The hosts that are not OK in the last play: failed or unreachable, or (with "changed") changed.
hosts_with() {
    for H in "$DIR"/hosts/*; do
        for counter in failed unreachable "$@"; do
            [ "$(recap "${H##*/}" "$counter")" = 0 ] || echo "${H##*/} $counter"
        done
    done
}

play fru fru.yml
[ "$status" -eq 0 ] && [ -z "$(hosts_with)" ] ||
    complain "fru.yml failed: $(hosts_with | tr '\n' ' ')(see $log)"

EDITED=sim01
TAG=DC1-SPARE-07
heading "\$ TARNWICK_BULK=1 tarnwick 0 /PAT $TAG    (on $EDITED, by hand: the inventory says DC1-RACK07-U01)"
mkdir -p "$DIR/hand-edit"
set -- env
if [ "$OOB" = 1 ]; then
    port=$(cat "$DIR/hosts/$EDITED/sim/port")
    set -- env TARNWICK_BMC=127.0.0.1 TARNWICK_BMC_PORT="$port" TARNWICK_BMC_USER=admin IPMI_PASSWORD=secret
fi
(cd "$DIR/hand-edit" && TARNWICK_BULK=1 "$@" "$DIR/hosts/$EDITED/tarnwick" 0 /PAT "$TAG") ||
    complain "the hand edit on $EDITED failed"

play check fru.yml --check --diff
[ "$status" -eq 0 ] || complain "fru.yml --check --diff failed (see $log)"
echo "What -w would change on $EDITED, as Ansible's diff:"
grep -E '^(---|\+\+\+|@@|[-+][A-Z])' "$log" || true
# only the edited device would change: back to the inventory's tag
[ "$(hosts_with changed)" = "$EDITED changed" ] &&
    grep -q "^-Asset Tag String (0x[0-9a-f]*): \"$TAG\"\$" "$log" &&
    grep -q '^+Asset Tag String (0x[0-9a-f]*): "DC1-RACK07-U01"$' "$log" ||
    complain "the check did not show the one hand edit alone: $(hosts_with changed | tr '\n' ' ')(see $log)"

play audit audit.yml
[ "$status" -eq 0 ] && [ -z "$(hosts_with)" ] ||
    complain "audit.yml failed: $(hosts_with | tr '\n' ' ')(see $log)"
echo "Devices that differ from the inventory (fru-audit.csv, its host, fru_id, drift and asset_tag):"
drift=$(python3 - "$DIR/reports/fru-audit.csv" <<'EOF'
import csv, sys
for r in csv.DictReader(open(sys.argv[1], newline="")):
    if r["drift"] or r["error"]:
        print(r["host"], r["fru_id"], r["drift"], r["error"], r["asset_tag"])
EOF
)
echo "$drift"
[ "$drift" = "$EDITED 0 asset_tag  $TAG" ] || complain "the audit did not find the hand edit alone (see $log)"

heading "Where things are"
cat <<EOF
inventory        $DIR/inventory.yml
audit reports    $DIR/reports/fru-audit.csv and fru-audit.json
backups          $DIR/backups/<host>/ (what each device held before its write; out of band in fru<ID>/ there)
play output      $DIR/fru.log, check.log and audit.log
device images    $DIR/hosts/<host>/sim/fru<ID>.bin
EOF
heading "Stopping the simulated BMCs"
