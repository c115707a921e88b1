#!/bin/sh
# The Ansible playbook examples/ansible/fru.yml on this machine (ansible_connection: local) over
# an inventory of two hosts, each with its own simulated BMC, tool wrapper and working directory
# set in the inventory, the second with backplane 6 as well, each adding its own values to its
# group's sixteen: the first run writes the devices the inventory names and only those, with the
# values merged key by key, reports them changed, FreeIPMI decodes the values, and the
# backups reach the controller; the second run changes nothing. --check --diff with a new serial
# number shows its old and new value and counts that device's change once, reports a device that
# holds its image ok and an absent one failed, and changes no device, working directory or backup.
# audit.yml over a matching host, one with another asset tag and devices with a wrong checksum,
# blank or of another layout, and one whose BMC is down writes the JSON and CSV reports with the
# drift, the layout flags and the tool's message, changes no host and fails only the host it could
# not read, and with tarnwick_audit_fail_on_drift the host whose devices drift, each reason on its
# line; a report folder the controller cannot make fails every host, beside their devices' faults.
# Two hosts out of band (tarnwick_bmc), run on the controller against two BMCs with the real
# ipmitool and passwords from Vault: the run writes their devices and keeps the backups on the
# controller, --check --diff shows a hand edit alone, the audit reports it with cipher suite 3,
# and no password is on any command line while the tool runs, in the plays' output or a report.
# A third run over eleven failing hosts: tarnwick's refusal, a BMC that is down (the tool's standard
# error in the message), runs past their time limit (stopped while waiting for a device lock held
# elsewhere; killed while ipmitool still waits for the BMC that is down), a failed device beside a
# backup the controller cannot take (neither hides the other; the message names the backup kept
# on the host), a BMC that stops after the first of three devices (that device changed, the others
# failed, each in its line), and values refused before tarnwick runs (three spaces, dates without
# a zone, outside the FRU's range or read by YAML as a date; a device ID the tool would read as 0;
# values set nowhere; a name or device ID in tarnwick_fru_by_id that is none of the host's); no
# device of the first two hosts changes.
# Skipped (status 77) when ansible-playbook is missing (Debian package ansible-core).
. "$2/tests/e2e/lib.sh"
command -v ansible-playbook >/dev/null 2>&1 ||
    e2e_skip "the playbook test needs ansible-playbook (Debian package ansible-core)"
# the host wrappers run the tool from other directories
case $TARNWICK in /*) ;; *) TARNWICK=$(pwd -P)/$TARNWICK ;; esac
e2e_setup

EXAMPLES=$REPO/examples/ansible
A=$T/ansible
mkdir -p "$A/host_vars"
: >"$A/ansible.cfg"
ANSIBLE_CONFIG=$A/ansible.cfg
ANSIBLE_LOCAL_TEMP=$A/local
ANSIBLE_REMOTE_TEMP=$A/remote
ANSIBLE_NOCOLOR=1
ANSIBLE_RETRY_FILES_ENABLED=0
ANSIBLE_PYTHON_INTERPRETER=auto_silent
export ANSIBLE_CONFIG ANSIBLE_LOCAL_TEMP ANSIBLE_REMOTE_TEMP ANSIBLE_NOCOLOR \
    ANSIBLE_RETRY_FILES_ENABLED ANSIBLE_PYTHON_INTERPRETER

# The second host's BMC; stopped with the first one when the test ends.
trap 'sh "$REPO/scripts/bmc-sim.sh" stop "$T/sim2" 2>/dev/null; e2e_cleanup' EXIT
BMC_SIM_OWNER=$$ sh "$REPO/scripts/bmc-sim.sh" start "$T/sim2" || {
    fail "the second simulated BMC did not start"
    exit 1
}
SIM1=$SIM
SIM2=$T/sim2

# host NAME SIM: the tool wrapper of a host that reaches that BMC, with temporary and lock
# directories of its own, as on a host of its own; prints its inventory entry.
host() {
    mkdir -p "$T/$1/tmp"
    mkdir -m 700 "$T/$1/locks"
    # shellcheck disable=SC2016 # $PATH and "$@" are the wrapper's own
    printf '#!/bin/sh\nPATH=%s/bin:$PATH TMPDIR=%s TARNWICK_LOCK_DIR=%s exec %s "$@"\n' "$2" \
        "$T/$1/tmp" "$T/$1/locks" "$TARNWICK" >"$T/$1/tarnwick"
    chmod +x "$T/$1/tarnwick"
    printf '    %s:\n      tarnwick_binary: %s\n      tarnwick_workdir: %s\n' "$1" "$T/$1/tarnwick" \
        "$T/$1/work"
}

# play INVENTORY [OPTION...]: runs the playbook $book; its output in $T/play.txt, its status in
# $rc, and the seconds it took
book=fru.yml
play() {
    inventory=$1
    shift
    echo "\$ ansible-playbook -i $(basename "$inventory") --forks 6${*:+ $*} $book"
    started=$(date +%s)
    # Ansible needs a UTF-8 locale; the tests run in C. Bounded, so that a time limit that no
    # longer works fails the test instead of hanging it.
    LC_ALL=C.UTF-8 timeout 300 ansible-playbook -i "$inventory" --forks 6 "$@" "$EXAMPLES/$book" \
        >"$T/play.txt" 2>&1
    rc=$?
    echo "  status $rc after $(($(date +%s) - started)) s"
    sed -n '/^PLAY RECAP/,$p' "$T/play.txt" | sed -n '2,$p'
}

# recap HOST COUNTER
recap() {
    sed -n "s/^$1 *:.* $2=\([0-9]*\).*/\1/p" "$T/play.txt"
}

# The result lines of the task that runs tarnwick.
tool_task() {
    sed -n '/^TASK \[tarnwick_fru : Run tarnwick ID -w /,/^TASK/p' "$T/play.txt"
}

# on SIM COMMAND...: a lib.sh check against another simulated BMC
on() {
    saved=$SIM
    SIM=$1
    shift
    "$@"
    SIM=$saved
}

inventory_head() {
    printf 'all:\n  vars:\n    ansible_connection: local\n    ansible_become: false\n'
    printf '    tarnwick_backup_dir: %s\n  hosts:\n' "$T/backups"
}

# The FRU values from the examples, whose host_vars files also set tarnwick_fru_ids; here the
# inventory does. Every host the inventories leave ungrouped (all but one) gets all sixteen values
# from that group: the example group's and the example host r07-u12's, but another date and board
# serial number, which bmc-a sets for itself as r07-u12 does. bmc-b adds r07-u14's own values and
# devices; its backplane 6 gets the first minute a FRU date holds, given with an offset.
mkdir -p "$A/group_vars"
sed -n '/^      vars:/,/^      hosts:/s/^        \(tarnwick_.*\)/\1/p' "$EXAMPLES/inventory.yml" >"$A/group_vars/ungrouped.yml"
grep -v '^tarnwick_fru_ids:' "$EXAMPLES/host_vars/r07-u12.example.net.yml" |
    sed -e 's/^\(tarnwick_manufacturing_date:\).*/\1 "2020-01-01 00:00 UTC"/' \
        -e 's/^\(tarnwick_board_serial_number:\).*/\1 GROUP-SERIAL/' >>"$A/group_vars/ungrouped.yml"
grep -E '^tarnwick_(manufacturing_date|board_serial_number):' \
    "$EXAMPLES/host_vars/r07-u12.example.net.yml" >"$A/host_vars/bmc-a.yml"
grep -v '^tarnwick_fru_ids:' "$EXAMPLES/host_vars/r07-u14.example.net.yml" |
    sed -e '/^  7:$/,$d' -e 's/^  6:$/&\n    manufacturing_date: "1996-01-01 01:00 +01:00"/' >"$A/host_vars/bmc-b.yml"
{
    inventory_head
    host bmc-a "$SIM1"
    host bmc-b "$SIM2"
    echo "      tarnwick_fru_ids: [0, 6]"
} >"$A/inventory.yml"
cp "$SIM1/fru0.bin" "$T/blank.bin"

echo "--- first run: bmc-a device 0, bmc-b devices 0 and 6"
play "$A/inventory.yml"
check_status "first run" 0
# host|device|simulated BMC|a line FreeIPMI shows
while IFS='|' read -r name id sim line; do
    if tool_task | grep -q "^changed: \[$name\] => (item=$id)"; then ok; else fail "$name device $id: the write was not reported changed"; fi
    fruimage build --ini "$T/$name/work/fru$id/fruconfig.ini" >"$T/expected.img"
    on "$sim" check_device "$name device $id" "$id" "$T/expected.img"
    set -- "$T/backups/$name/fru$id"-*.bin
    if [ $# -eq 1 ] && cmp -s "$1" "$T/blank.bin"; then ok; else fail "$name device $id: no backup of the blank device on the controller: $(ls -R "$T/backups" 2>&1)"; fi
    on "$sim" check_ipmi_fru "$name device $id: FreeIPMI decode" "$id"
    check_contains "$name device $id: FreeIPMI shows the inventory" "$T/ipmi-fru.txt" "  $line"
done <<TABLE
bmc-a|0|$SIM1|FRU Board Manufacturing Date/Time: 12/07/26 - 08:30:00
bmc-a|0|$SIM1|FRU Board Serial Number: BSN-2026-12-0000417
bmc-a|0|$SIM1|FRU Product Asset Tag: DC1-RACK07-U12
bmc-a|0|$SIM1|FRU Board Product Name: MB-E27DP
bmc-b|0|$SIM2|FRU Board Serial Number: BSN-2026-12-0000418
bmc-b|6|$SIM2|FRU Board Serial Number: BP6-2026-12-0000418
bmc-b|6|$SIM2|FRU Board Manufacturing Date/Time: 01/01/96 - 00:00:00
TABLE
for untouched in "$SIM1/fru6.bin" "$SIM2/fru7.bin"; do
    if cmp -s "$untouched" "$T/blank.bin"; then ok; else fail "$untouched was written, although its host's inventory does not name it"; fi
done

echo "--- second run: nothing to change"
cat "$SIM1/fru0.bin" "$SIM2/fru0.bin" "$SIM2/fru6.bin" >"$T/written.bin"
ls -R "$T/bmc-a/work" "$T/bmc-b/work" >"$T/files-before"
play "$A/inventory.yml"
check_status "second run" 0
for name in bmc-a bmc-b; do
    if [ "$(recap $name changed)" = 0 ] && [ "$(recap $name failed)" = 0 ]; then ok; else fail "second run reported a change on $name"; fi
done
if cat "$SIM1/fru0.bin" "$SIM2/fru0.bin" "$SIM2/fru6.bin" | cmp -s - "$T/written.bin"; then ok; else fail "second run changed a device"; fi
ls -R "$T/bmc-a/work" "$T/bmc-b/work" >"$T/files-after"
if cmp -s "$T/files-before" "$T/files-after"; then ok; else fail "second run made a backup: $(cat "$T/files-after")"; fi

echo "--- check and diff: a new serial number for bmc-a, bmc-b as written, a device that is absent"
cp "$A/host_vars/bmc-a.yml" "$A/host_vars/absent.yml"
{
    inventory_head
    host bmc-a "$SIM1"
    echo "      tarnwick_fru_by_id: {0: {board_serial_number: BSN-2026-12-0000999}}"
    host bmc-b "$SIM2"
    echo "      tarnwick_fru_ids: [0, 6]"
    host absent "$SIM1"
    echo "      tarnwick_fru_ids: [9]"
} >"$A/check.yml"
snapshot() {
    find "$T/bmc-a/work" "$T/bmc-b/work" "$T/backups" -type f -exec cksum {} + | sort
}
snapshot >"$T/files-before"
play "$A/check.yml" --check --diff
# a line of the play's output|what it is for
while IFS='|' read -r line what; do
    if grep -qxF -- "$line" "$T/play.txt"; then ok; else fail "$what: no line \"$line\" in the play's output"; fi
done <<'TABLE'
changed: [bmc-a] => (item=0)|bmc-a device 0 would change
-Board Serial Number String (0xe1): "BSN-2026-12-0000417"|the serial number's old value
+Board Serial Number String (0xe1): "BSN-2026-12-0000999"|the serial number's new value
ok: [bmc-b] => (item=0)|bmc-b device 0 holds its image
ok: [bmc-b] => (item=6)|bmc-b device 6 holds its image
TABLE
if grep -F 'fatal: [absent]: FAILED! =>' "$T/play.txt" | grep -qF '"msg": "FRU device 9: Can not read FRU device 9."'; then ok; else fail "the absent device did not fail with the tool's message"; fi
if [ "$(recap bmc-b changed)" = 0 ] && [ "$(recap bmc-b failed)" = 0 ] && [ "$rc" -ne 0 ]; then ok; else fail "check: bmc-b not ok, or the play did not fail"; fi
if [ "$(recap bmc-a changed)" = 1 ]; then ok; else fail "check: bmc-a's one device that would change was counted $(recap bmc-a changed) times"; fi
if cat "$SIM1/fru0.bin" "$SIM2/fru0.bin" "$SIM2/fru6.bin" | cmp -s - "$T/written.bin"; then ok; else fail "check mode changed a device"; fi
snapshot >"$T/files-after"
if cmp -s "$T/files-before" "$T/files-after"; then ok; else fail "check mode changed a working directory or made a backup: $(diff "$T/files-before" "$T/files-after")"; fi
checkdir=$(sed -n 's|^--- before: \(.*\)/fru0/items$|\1|p' "$T/play.txt")
if [ -n "$checkdir" ] && [ ! -e "$checkdir" ]; then ok; else fail "check mode's temporary directory \"$checkdir\" was not removed"; fi

echo "--- out of band: two hosts with no OS, reached from the controller through their BMCs"
# oob-a reaches a BMC of its own (devices 0 and 6), oob-b the second one's device 3, with the
# real ipmitool and no shim; each password is in Vault, and a wrapper run right before the tool
# looks for oob-a's on every process's command line and in Ansible's module files
O=$T/oob
mkdir -p "$O"
mkdir -m 700 "$O/locks"
trap 'sh "$REPO/scripts/bmc-sim.sh" stop "$SIM2" 2>/dev/null; sh "$REPO/scripts/bmc-sim.sh" stop "$O/sim" 2>/dev/null; e2e_cleanup' EXIT
BMC_SIM_OWNER=$$ BMC_SIM_PASSWORD='Vault-9417' sh "$REPO/scripts/bmc-sim.sh" start "$O/sim" || {
    fail "the third simulated BMC did not start"
    exit 1
}
# oob-a's password is the one no other process uses (the simulators' ipmitool shim, in band,
# carries "secret" on its command line)
printf 'Vault-9417\n' >"$O/unique-password"
printf 'Vault-9417\nsecret\n' >"$O/passwords"
echo vault-test >"$O/vault-key"
# shellcheck disable=SC2016 # "$@" is the wrapper's own
printf '#!/bin/sh\necho "$*" >>%s/runs\ngrep -a -F -f %s /proc/[0-9]*/cmdline 2>/dev/null | tr "\\\\000" " " >>%s\ngrep -r -l -a -F -f %s %s %s >>%s 2>/dev/null\nTMPDIR=%s TARNWICK_LOCK_DIR=%s exec %s "$@"\n' \
    "$O" "$O/unique-password" "$O/cmdlines" "$O/unique-password" "$A/local" "$A/remote" "$O/cmdlines" \
    "$O" "$O/locks" "$TARNWICK" >"$O/tarnwick"
chmod +x "$O/tarnwick"
: >"$O/cmdlines"
# vaulted PASSWORD: the host's tarnwick_bmc_password, encrypted with Vault
vaulted() {
    echo '      tarnwick_bmc_password: !vault |'
    printf '%s' "$1" | LC_ALL=C.UTF-8 ansible-vault encrypt_string --vault-password-file "$O/vault-key" |
        sed -e 1d -e 's/^ */        /'
    echo
}
{
    inventory_head
    printf '    oob-a:\n      tarnwick_bmc: 127.0.0.1\n      tarnwick_bmc_port: %s\n' "$(cat "$O/sim/port")"
    printf '      tarnwick_fru_ids: [0, 6]\n'
    vaulted 'Vault-9417'
    printf '    oob-b:\n      tarnwick_bmc: 127.0.0.1\n      tarnwick_bmc_port: %s\n' "$(cat "$SIM2/port")"
    printf '      tarnwick_fru_ids: [3]\n'
    vaulted secret
    printf '  children:\n    ungrouped:\n      vars:\n        tarnwick_bmc_user: admin\n'
    printf '        tarnwick_binary: %s\n' "$O/tarnwick"
} >"$A/oob.yml"
cp "$A/host_vars/bmc-a.yml" "$A/host_vars/oob-a.yml"
cp "$A/host_vars/bmc-a.yml" "$A/host_vars/oob-b.yml"
play "$A/oob.yml" --vault-password-file "$O/vault-key"
check_status "out of band" 0
cp "$T/play.txt" "$O/fru.txt"
# host|device|simulated BMC
while IFS='|' read -r name id sim; do
    if [ "$(recap "$name" changed)" = 1 ]; then ok; else fail "out of band: $name was not reported changed"; fi
    fruimage build --ini "$T/backups/$name/fru$id/fruconfig.ini" >"$T/expected.img"
    on "$sim" check_device "out of band: $name device $id" "$id" "$T/expected.img"
    set -- "$T/backups/$name/fru$id/fru$id-127.0.0.1-"*.bin
    if [ $# -eq 1 ] && cmp -s "$1" "$T/blank.bin"; then ok; else fail "out of band: $name device $id: no backup of the blank device on the controller"; fi
done <<TABLE
oob-a|0|$O/sim
oob-a|6|$O/sim
oob-b|3|$SIM2
TABLE
cp "$O/sim/fru0.bin" "$O/fru0-written.bin"
TARNWICK_BULK=1 TARNWICK_BMC=127.0.0.1 TARNWICK_BMC_PORT=$(cat "$O/sim/port") TARNWICK_BMC_USER=admin \
    IPMI_PASSWORD='Vault-9417' TARNWICK_LOCK_DIR=$O/locks "$TARNWICK" 0 /PAT HAND-EDIT >/dev/null
cat "$O/sim/fru0.bin" "$O/sim/fru6.bin" "$SIM2/fru3.bin" >"$O/devices.bin"
# -v: Ansible shows each looped item whole, which must not carry a run's arguments
play "$A/oob.yml" --vault-password-file "$O/vault-key" --check --diff -v
check_status "out of band, check" 0
if [ "$(recap oob-a changed)" = 1 ] && [ "$(recap oob-b changed)" = 0 ] &&
    grep -qxF -- '-Asset Tag String (0x1b9): "HAND-EDIT"' "$T/play.txt" &&
    grep -qxF -- '+Asset Tag String (0x1b9): "DC1-RACK07-U12"' "$T/play.txt"; then
    ok
else
    fail "out of band, check: not oob-a's hand edit alone"
fi
if cat "$O/sim/fru0.bin" "$O/sim/fru6.bin" "$SIM2/fru3.bin" | cmp -s - "$O/devices.bin"; then ok; else fail "out of band: check mode changed a device"; fi
cp "$T/play.txt" "$O/check.txt"
book=audit.yml
play "$A/oob.yml" --vault-password-file "$O/vault-key" -v -e "tarnwick_audit_dir=$O/reports"
book=fru.yml
check_status "out of band, audit" 0
python3 - "$O/reports" >"$T/audit.txt" <<'PY'
import csv, json, sys
for r in csv.DictReader(open(sys.argv[1] + "/fru-audit.csv", newline="")):
    print(r["host"], r["fru_id"], r["drift"] or "-", r["asset_tag"])
for d in json.load(open(sys.argv[1] + "/fru-audit.json")):
    print(d["host"], d["fru_id"], json.dumps(d["bmc"], sort_keys=True))
PY
cat >"$T/expected" <<'TEXT'
oob-a 0 asset_tag HAND-EDIT
oob-a 6 - DC1-RACK07-U12
oob-b 3 - DC1-RACK07-U12
oob-a 0 {"cipher_suite": 3, "host": "127.0.0.1"}
oob-a 6 {"cipher_suite": 3, "host": "127.0.0.1"}
oob-b 3 {"cipher_suite": 3, "host": "127.0.0.1"}
TEXT
if cmp -s "$T/expected" "$T/audit.txt"; then ok; else fail "out of band, audit reports: $(diff "$T/expected" "$T/audit.txt")"; fi
# the wrapper ran before each of the nine runs of the three plays, and never found a password
if [ "$(wc -l <"$O/runs")" -ne 9 ] || [ -s "$O/cmdlines" ] ||
    grep -q -F -f "$O/passwords" "$O/fru.txt" "$O/check.txt" "$T/play.txt" "$O/reports"/*; then
    fail "out of band: a password on a command line, in a play's output or in a report: $(cat "$O/cmdlines")"
else
    ok
fi

BMC_SIM_OWNER=$$ sh "$REPO/scripts/bmc-sim.sh" halt "$SIM2"

echo "--- audit: bmc-a as written, tagged with another asset tag, bmc-b's BMC is down"
# the same date given with an offset matches; device 6, blank but for a byte after the board
# manufacturer's first zero, is of another layout, its FRU date's first minute (which reads as no
# date) matches, its other values do not, and only the board area's checksum is wrong; device 2
# holds bmc-a's image but for a byte after the chassis part number, which spoils the chassis
# area's checksum alone; device 3 is blank
printf '\001' | dd of="$SIM1/fru6.bin" bs=1 seek=200 conv=notrunc 2>/dev/null
cp "$SIM1/fru0.bin" "$SIM1/fru2.bin"
printf '\001' | dd of="$SIM1/fru2.bin" bs=1 seek=100 conv=notrunc 2>/dev/null
sed 's/^\(tarnwick_manufacturing_date:\).*/\1 "2026-12-07T09:30+01:00"/' "$A/host_vars/bmc-a.yml" \
    >"$A/host_vars/tagged.yml"
printf 'tarnwick_asset_tag: DC1-RACK09-U01\ntarnwick_fru_by_id:\n  6: {manufacturing_date: "1996-01-01 01:00 +01:00"}\n' \
    >>"$A/host_vars/tagged.yml"
{
    inventory_head
    host bmc-a "$SIM1"
    host tagged "$SIM1"
    echo "      tarnwick_fru_ids: [0, 2, 3, 6]"
    host bmc-b "$SIM2"
    echo "      tarnwick_fru_ids: [6]"
} >"$A/audit.yml"
book=audit.yml
play "$A/audit.yml" -e "tarnwick_audit_dir=$T/reports"
book=fru.yml
for name in bmc-a tagged; do
    if [ "$(recap $name failed)" = 0 ] && [ "$(recap $name changed)" = 0 ]; then ok; else fail "audit: $name failed or changed"; fi
done
if [ "$(recap bmc-b failed)" = 1 ] && grep -F 'fatal: [bmc-b]: FAILED! =>' "$T/play.txt" |
    grep -qF '"msg": "FRU device 6: Can not read FRU device 6.\nstandard error: Error: Unable to establish IPMI v2 / RMCP+ session'; then
    ok
else
    fail "audit: bmc-b did not fail with the tool's message"
fi
# host, device, drift, the first line of the error and the asset tag read, row by row; then
# tagged's date and asset tag and every comparison that failed, from the JSON report
python3 - "$T/reports" >"$T/audit.txt" <<'EOF'
import csv, json, sys
for r in csv.DictReader(open(sys.argv[1] + "/fru-audit.csv", newline="")):
    print("|".join([r["host"], r["fru_id"], r["drift"], r["error"].split("\n")[0], r["asset_tag"],
                    r["manufacturing_date"], r["bad_checksums"], r["blank"], r["layout_matches"]]))
for d in json.load(open(sys.argv[1] + "/fru-audit.json")):
    for key, check in sorted(d.get("checks", {}).items()):
        if key in ("asset_tag", "manufacturing_date") and (d["host"] == "tagged" or not check["match"]):
            print(d["host"], d["fru_id"], key, json.dumps(check, sort_keys=True))
EOF
cat >"$T/expected" <<'EOF'
bmc-a|0|||DC1-RACK07-U12|2026-12-07T08:30:00Z||false|true
tagged|0|asset_tag||DC1-RACK07-U12|2026-12-07T08:30:00Z||false|true
tagged|2|asset_tag checksum:chassis||DC1-RACK07-U12|2026-12-07T08:30:00Z|chassis|false|true
tagged|3|chassis_part_number chassis_serial_number chassis_custom_information manufacturing_date board_manufacturer board_product_name board_serial_number board_part_number board_fru_file_id product_manufacturer product_name product_part_number product_version product_serial_number asset_tag product_fru_file_id blank|||||true|false
tagged|6|chassis_part_number chassis_serial_number chassis_custom_information board_manufacturer board_product_name board_serial_number board_part_number board_fru_file_id product_manufacturer product_name product_part_number product_version product_serial_number asset_tag product_fru_file_id layout||||board|false|false
bmc-b|6||Can not read FRU device 6.|||||
tagged 0 asset_tag {"expected": "DC1-RACK09-U01", "found": "DC1-RACK07-U12", "match": false}
tagged 0 manufacturing_date {"expected": "2026-12-07T08:30:00Z", "found": "2026-12-07T08:30:00Z", "match": true}
tagged 2 asset_tag {"expected": "DC1-RACK09-U01", "found": "DC1-RACK07-U12", "match": false}
tagged 2 manufacturing_date {"expected": "2026-12-07T08:30:00Z", "found": "2026-12-07T08:30:00Z", "match": true}
tagged 3 asset_tag {"expected": "DC1-RACK09-U01", "found": "", "match": false}
tagged 3 manufacturing_date {"expected": "2026-12-07T08:30:00Z", "found": null, "match": false}
tagged 6 asset_tag {"expected": "DC1-RACK09-U01", "found": "", "match": false}
tagged 6 manufacturing_date {"expected": null, "found": null, "match": true}
EOF
if cmp -s "$T/expected" "$T/audit.txt"; then ok; else fail "audit reports: $(diff "$T/expected" "$T/audit.txt")"; fi
book=audit.yml
play "$A/audit.yml" -e "tarnwick_audit_dir=$T/reports" -e tarnwick_audit_fail_on_drift=true -l bmc-a,tagged
book=fru.yml
if [ "$(recap bmc-a failed)" = 0 ] && [ "$(recap tagged failed)" = 1 ]; then ok; else fail "audit with tarnwick_audit_fail_on_drift: tagged did not fail, or bmc-a failed"; fi
# a line of tagged's message
while read -r line; do
    if grep -F 'fatal: [tagged]: FAILED! =>' "$T/play.txt" | grep -qF "$line"; then ok; else fail "audit with tarnwick_audit_fail_on_drift: no \"$line\" in tagged's message"; fi
done <<'TABLE'
"msg": "FRU device 0: asset_tag is \"DC1-RACK07-U12\", the inventory gives \"DC1-RACK09-U01\"\nFRU device 2: asset_tag
\nFRU device 2: the chassis area's checksum is wrong\nFRU device 3: chassis_part_number is \"\"
\nFRU device 3: the device is blank (all its bytes 0x00 or 0xff)\nFRU device 6: chassis_part_number
\nFRU device 6: the device does not hold this layout (its common header or area lengths differ)"
TABLE

echo "--- audit: a report folder the controller cannot make, beside a device that is absent"
book=audit.yml
play "$A/audit.yml" -e tarnwick_audit_dir=/proc/no-such-folder -e tarnwick_fru_ids=[0,6,9] -l bmc-a,tagged
book=fru.yml
for name in bmc-a tagged; do
    if [ "$(recap $name failed)" = 1 ] && grep -F "fatal: [$name]: FAILED! =>" "$T/play.txt" |
        grep -qF '"msg": "FRU device 9: Can not read FRU device 9.\nThe audit reports were not written to /proc/no-such-folder: '; then
        ok
    else
        fail "audit: $name did not fail with its device's fault and the reports' fault"
    fi
done

echo "--- third run: hosts that fail"
sed 's/^\(tarnwick_board_serial_number:\).*/\1 "BSN  0418"/' "$A/host_vars/bmc-a.yml" >"$A/host_vars/refused.yml"
cp "$A/host_vars/bmc-a.yml" "$A/host_vars/down.yml"
cp "$A/host_vars/bmc-a.yml" "$A/host_vars/killed.yml"
cp "$A/host_vars/bmc-a.yml" "$A/host_vars/locked.yml"
cp "$A/host_vars/bmc-a.yml" "$A/host_vars/unfetched.yml"
cp "$A/host_vars/bmc-a.yml" "$A/host_vars/ids.yml"
cp "$A/host_vars/bmc-a.yml" "$A/host_vars/nopass.yml"
sed -e 's/^\(tarnwick_board_serial_number:\).*/\1 "BSN   0418"/' \
    -e 's/^\(tarnwick_manufacturing_date:\).*/\1 "now"/' "$A/host_vars/bmc-a.yml" >"$A/host_vars/faults.yml"
cat >>"$A/host_vars/faults.yml" <<'EOF'
tarnwick_fru_by_id:
  1: {manufacturing_date: "2026-12-07 08:30"}
  2: {manufacturing_date: "1995-12-31 23:59 UTC"}
  3: {manufacturing_date: "1996-01-01 00:30 +01:00"}
  4: {manufacturing_date: 2026-12-07 08:30:00Z}
  6: {manufacturing_date: "2027-11-24 20:16 UTC"}
EOF
# values a typo keeps from their device
cp "$A/host_vars/bmc-a.yml" "$A/host_vars/typo.yml"
printf 'tarnwick_fru_by_id: {0: {board_serail_number: BSN-0}, "0x0": {asset_tag: TAG-0}}\n' \
    >>"$A/host_vars/typo.yml"
# all the group's values but the asset tag, outside the group
grep -v '^tarnwick_asset_tag:' "$A/group_vars/ungrouped.yml" >"$A/host_vars/partial.yml"
{
    inventory_head
    host refused "$SIM1"
    host down "$SIM2"
    # still in its ipmitool call to the BMC that is down (6 s) when the second is up
    host killed "$SIM2"
    printf '      tarnwick_timeout: 1\n      tarnwick_kill_after: 1\n'
    host locked "$SIM1"
    echo "      tarnwick_timeout: 1"
    # device 1 is written, the BMC has no device 9, and the controller's folder cannot be made
    host unfetched "$SIM1"
    printf '      tarnwick_fru_ids: [1, 9]\n      tarnwick_backup_dir: /proc/no-such-folder\n'
    host faults "$SIM1"
    echo "      tarnwick_fru_ids: [0, 1, 2, 3, 4, 6]"
    # the tool would read the name as device 0
    host ids "$SIM1"
    echo "      tarnwick_fru_ids: [7, mb]"
    host typo "$SIM1"
    host dying "$SIM1"
    echo "      tarnwick_fru_ids: [2, 3, 6]"
    # out of band without a password
    host nopass "$SIM1"
    printf '      tarnwick_bmc: 127.0.0.1\n      tarnwick_bmc_user: admin\n'
    # in a group of their own, so that no value is set for unset and one for partial
    printf '  children:\n    lone:\n      hosts:\n'
    host unset "$SIM1" | sed 's/^/    /'
    host partial "$SIM1" | sed 's/^/    /'
} >"$A/failing.yml"
# dying's BMC stops answering once its first device is written: the wrapper's first run points
# the later ones at the BMC that is down
{
    sed -n 1p "$T/dying/tarnwick"
    # shellcheck disable=SC2016 # "$0" is the wrapper's own
    printf 'sed -i "s|%s|%s|" "$0"\n' "$SIM1/bin" "$SIM2/bin"
    sed 1d "$T/dying/tarnwick"
} >"$T/dying/wrapper"
mv "$T/dying/wrapper" "$T/dying/tarnwick"
chmod +x "$T/dying/tarnwick"
# another write holds the locked host's device lock for as long as the run lasts
exec 9>"$T/locked/locks/fru0.lock"
flock 9
play "$A/failing.yml"
exec 9>&-
if [ "$rc" -ne 0 ]; then ok; else fail "the play did not fail"; fi
# the start of a result line|what its message says
while IFS='|' read -r start says; do
    if grep -F "$start" "$T/play.txt" | grep -qF "$says"; then
        ok
    else
        fail "no line \"$start ... $says\" in the play's output:"
        grep -E '^(fatal|failed):' "$T/play.txt" | cut -c1-300
    fi
done <<'TABLE'
fatal: [refused]: FAILED! => |"msg": "FRU device 0: \"Board Serial Number String\" has a incorrect value,two or more 'space' found,please check it."
fatal: [down]: FAILED! => |"msg": "FRU device 0: Can not read FRU device 0.\nstandard error: Error: Unable to establish IPMI v2 / RMCP+ session"
fatal: [killed]: FAILED! => |"msg": "FRU device 0: tarnwick did not end within tarnwick_timeout (1 s) and was killed 1 s later."
fatal: [locked]: FAILED! => |"msg": "FRU device 0: tarnwick did not end within tarnwick_timeout (1 s) and was stopped.\nWaiting for another tarnwick write to FRU device 0..."
fatal: [unfetched]: FAILED! => |"msg": "FRU device 9: Can not read FRU device 9.\nThe backups were not fetched to the controller: Unable to create local directories
fatal: [unfetched]: FAILED! => |/unfetched/work/fru1/fru1-
failed: [faults] (item=0) => |board_serial_number has three spaces in a row
failed: [faults] (item=0) => |manufacturing_date must be a fixed date
failed: [faults] (item=1) => |manufacturing_date must be a fixed date with its zone
failed: [faults] (item=2) => |manufacturing_date is before 1996-01-01 00:00 UTC
failed: [faults] (item=3) => |manufacturing_date is before 1996-01-01 00:00 UTC
failed: [faults] (item=6) => |manufacturing_date is after 2027-11-24 20:15 UTC
failed: [faults] (item=4) => |"msg": "FRU device 4: tarnwick_fru_by_id[4].manufacturing_date must be quoted text in YAML;
failed: [unset] (item=0) => |tarnwick_board_serial_number is not set for unset (use \"\" for an empty value)
failed: [partial] (item=0) => |"msg": "FRU device 0: tarnwick_asset_tag is not set for partial (use \"\" for an empty value)"}
fatal: [typo]: FAILED! => |tarnwick_fru_by_id[0] names \"board_serail_number\", which is no FRU value this role knows
fatal: [typo]: FAILED! => |tarnwick_fru_by_id names FRU device \"0x0\", which is not in tarnwick_fru_ids [0]
fatal: [nopass]: FAILED! => |"msg": "tarnwick_bmc_password is not set for nopass (keep it in Ansible Vault)"
fatal: [ids]: FAILED! => |"msg": "tarnwick_fru_ids must be a list of FRU device IDs, whole numbers from 0 to 254, not [7, \"mb\"]"
changed: [dying] => (item=2)|
failed: [dying] (item=3) => |"stdout": "Can not read FRU device 3."
failed: [dying] (item=6) => |"stdout": "Can not read FRU device 6."
fatal: [dying]: FAILED! => |"msg": "FRU device 3: Can not read FRU device 3.\nstandard error: Error: Unable to establish IPMI v2 / RMCP+ session\nFRU device 6: Can not read
TABLE
for name in refused down killed locked unfetched faults ids typo unset partial dying nopass; do
    if [ "$(recap $name failed)" = 1 ]; then ok; else fail "$name did not fail"; fi
done
if cat "$SIM1/fru0.bin" "$SIM2/fru0.bin" "$SIM2/fru6.bin" | cmp -s - "$T/written.bin"; then ok; else fail "a failing host changed a device"; fi
if cmp -s "$SIM1/fru7.bin" "$T/blank.bin"; then ok; else fail "ids: device 7 was written, although the host's device IDs were refused"; fi

e2e_finish
