#!/bin/sh
# bench/ansible-scale.sh BUILD_DIR [HOSTS...] - times the playbook examples/ansible/fru.yml over
# inventories of 1, 4 and 8 hosts (or the counts given) on this machine: each host has its own
# simulated BMC (scripts/bmc-sim.sh), a tarnwick_binary wrapper that puts that BMC's ipmitool
# first on PATH, its own TMPDIR, lock directory and working directory, and ansible_connection: local; --forks
# equals the hosts. Each host programs FRU device 0 with the values of the example host
# r07-u12.example.net and its group rack07. For every count it times the first run (every device written) and the
# second (nothing to change), with the CPU time of Ansible and all it started, checks the play
# recap, and prints the load average before each run, since other work on the machine skews the
# figures. Not run by CI.
set -eu

if [ $# -lt 1 ]; then
    echo "usage: bench/ansible-scale.sh BUILD_DIR [HOSTS...]" >&2
    exit 2
fi
TARNWICK=$(cd "$1" && pwd)/tarnwick
shift
[ $# -gt 0 ] || set -- 1 4 8
REPO=$(cd "$(dirname "$0")/.." && pwd)
[ -x "$TARNWICK" ] || {
    echo "bench: $TARNWICK not built" >&2
    exit 1
}
for p in ansible-playbook /usr/bin/time; do
    command -v "$p" >/dev/null 2>&1 || {
        echo "bench: $p not found (scripts/install-deps.sh installs it)" >&2
        exit 1
    }
done

W=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-scale.XXXXXX")
stop_all() {
    for sim in "$W"/*/sim; do
        [ -d "$sim" ] && sh "$REPO/scripts/bmc-sim.sh" stop "$sim"
    done
    rm -rf "$W"
}
trap stop_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

export ANSIBLE_CONFIG="$W/ansible.cfg" ANSIBLE_LOCAL_TEMP="$W/local" ANSIBLE_NOCOLOR=1 \
    ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_PYTHON_INTERPRETER=auto_silent LC_ALL=C.UTF-8 TZ=UTC
: >"$ANSIBLE_CONFIG"

# timed_play INVENTORY FORKS LABEL: one run, its seconds and the recap's sums
timed_play() {
    load=$(cut -d' ' -f1 /proc/loadavg)
    started=$(date +%s.%N)
    status=0
    /usr/bin/time -f '%U %S' -o "$W/cpu.txt" \
        ansible-playbook -i "$1" --forks "$2" "$REPO/examples/ansible/fru.yml" >"$W/play.txt" 2>&1 ||
        status=$?
    ended=$(date +%s.%N)
    cpu=$(awk '{ print $1 + $2 }' "$W/cpu.txt")
    awk -v a="$started" -v b="$ended" -v label="$3" -v load="$load" -v status="$status" \
        -v cpu="$cpu" '
        /^TASK / { tool = /tarnwick ID -w/ }
        tool && /^changed: / { written++ }
        /^PLAY RECAP/ { recap = 1; next }
        recap && / : / { for (i = 1; i <= NF; i++) { split($i, kv, "="); sum[kv[1]] += kv[2] } }
        END { printf "%-18s %5.1f s, %5.1f CPU-s  devices written=%d failed hosts=%d status=%d  (load %s before)\n",
                     label, b - a, cpu, written, sum["failed"], status, load }' "$W/play.txt"
    [ "$status" -eq 0 ] || grep -m 5 -E '^(fatal|failed):' "$W/play.txt"
}

echo "$(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC'), $(ansible-playbook --version | sed -n 1p)"
# the example group's values, for every host of the inventories (all ungrouped)
mkdir -p "$W/group_vars"
sed -n '/^      vars:/,/^      hosts:/s/^        \(tarnwick_.*\)/\1/p' "$REPO/examples/ansible/inventory.yml" \
    >"$W/group_vars/ungrouped.yml"
for hosts in "$@"; do
    inventory=$W/inventory-$hosts.yml
    mkdir -p "$W/host_vars"
    printf 'all:\n  vars:\n    ansible_connection: local\n    ansible_become: false\n' >"$inventory"
    printf '    tarnwick_backup_dir: %s/backups\n  hosts:\n' "$W" >>"$inventory"
    i=1
    while [ "$i" -le "$hosts" ]; do
        h=h$hosts-$i
        mkdir -p "$W/$h/tmp"
        mkdir -m 700 "$W/$h/locks"
        BMC_SIM_OWNER=$$ sh "$REPO/scripts/bmc-sim.sh" start "$W/$h/sim"
        # shellcheck disable=SC2016 # $PATH and "$@" are the wrapper's own
        printf '#!/bin/sh\nPATH=%s/bin:$PATH TMPDIR=%s TARNWICK_LOCK_DIR=%s exec %s "$@"\n' \
            "$W/$h/sim" "$W/$h/tmp" "$W/$h/locks" "$TARNWICK" >"$W/$h/tarnwick"
        chmod +x "$W/$h/tarnwick"
        printf '    %s:\n      tarnwick_binary: %s\n      tarnwick_workdir: %s\n' "$h" \
            "$W/$h/tarnwick" "$W/$h/work" >>"$inventory"
        cp "$REPO/examples/ansible/host_vars/r07-u12.example.net.yml" "$W/host_vars/$h.yml"
        i=$((i + 1))
    done
    timed_play "$inventory" "$hosts" "$hosts hosts, first"
    timed_play "$inventory" "$hosts" "$hosts hosts, second"
    for sim in "$W"/h"$hosts"-*/sim; do
        sh "$REPO/scripts/bmc-sim.sh" stop "$sim"
        rm -rf "$sim"
    done
done
