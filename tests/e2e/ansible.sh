#!/bin/sh
# The Ansible playbook examples/ansible/fru.yml against a simulated BMC, on this machine
# (-i localhost, -c local) with the example host's variables: the first run writes device 0 and
# reports changed, FreeIPMI decodes the inventory's values, and the backup reaches the controller
# folder; the second run reports no change and writes nothing; a value with two spaces fails the
# play with tarnwick's refusal, and values the tool would store otherwise (three spaces, a
# relative date) fail it before tarnwick runs; the device keeps its bytes.
# Skipped (status 77) when ansible-playbook is missing (Debian package ansible-core).
. "$2/tests/e2e/lib.sh"
command -v ansible-playbook >/dev/null 2>&1 ||
    e2e_skip "the playbook test needs ansible-playbook (Debian package ansible-core)"
e2e_setup

PLAYBOOK=$REPO/examples/ansible/fru.yml
HOSTVARS=$REPO/examples/ansible/host_vars/r07-u12.example.net.yml
mkdir -p "$T/ansible"
: >"$T/ansible/ansible.cfg"
ANSIBLE_CONFIG=$T/ansible/ansible.cfg
ANSIBLE_LOCAL_TEMP=$T/ansible/local
ANSIBLE_REMOTE_TEMP=$T/ansible/remote
ANSIBLE_NOCOLOR=1
ANSIBLE_RETRY_FILES_ENABLED=0
ANSIBLE_PYTHON_INTERPRETER=auto_silent
ANSIBLE_LOCALHOST_WARNING=0
export ANSIBLE_CONFIG ANSIBLE_LOCAL_TEMP ANSIBLE_REMOTE_TEMP ANSIBLE_NOCOLOR \
    ANSIBLE_RETRY_FILES_ENABLED ANSIBLE_PYTHON_INTERPRETER ANSIBLE_LOCALHOST_WARNING

# play VARS_FILE: runs the playbook; its output in $T/play.txt, its status in $rc
play() {
    echo "\$ ansible-playbook -i localhost, -c local fru.yml -e @$(basename "$1")"
    # Ansible needs a UTF-8 locale; the tests run in C.
    LC_ALL=C.UTF-8 ansible-playbook -i localhost, -c local "$PLAYBOOK" -e "@$1" -e ansible_become=false \
        -e "tarnwick_workdir=$T/fru" -e "tarnwick_binary=$TARNWICK" \
        -e "tarnwick_backup_dir=$T/backups" >"$T/play.txt" 2>&1
    rc=$?
    grep -A1 '^PLAY RECAP' "$T/play.txt" | tail -n 1
}

recap() {
    sed -n "s/^localhost *:.* $1=\([0-9]*\).*/\1/p" "$T/play.txt"
}

cp "$SIM/fru0.bin" "$T/blank.bin"

echo "--- first run"
play "$HOSTVARS"
check_status "first run" 0
if [ "$(recap changed)" -ge 1 ] && grep -q '^changed: \[localhost\] => (item=0)' "$T/play.txt"; then ok; else fail "first run did not report the write as changed"; fi
fruimage build --ini "$T/fru/fru0/fruconfig.ini" >"$T/expected.img"
check_device "first run" 0 "$T/expected.img"
set -- "$T"/backups/localhost/fru0-*.bin
if [ $# -eq 1 ] && cmp -s "$1" "$T/blank.bin"; then ok; else fail "no backup of the blank device on the controller: $(ls -R "$T/backups" 2>&1)"; fi
check_ipmi_fru "FreeIPMI decode" 0
for line in "FRU Chassis Serial Number: CSN2026120700017" "FRU Board Serial Number: BSN-2026-12-0000417" \
    "FRU Board Manufacturing Date/Time: 12/07/26 - 08:30:00" "FRU Product Name: Example Server 2U" \
    "FRU Product Asset Tag: DC1-RACK07-U12"; do
    check_contains "FreeIPMI shows the inventory" "$T/ipmi-fru.txt" "  $line"
done

echo "--- second run"
cp "$SIM/fru0.bin" "$T/written.bin"
ls "$T/fru/fru0" >"$T/files-before"
play "$HOSTVARS"
check_status "second run" 0
if [ "$(recap changed)" = 0 ] && [ "$(recap failed)" = 0 ]; then ok; else fail "second run reported a change"; fi
if cmp -s "$SIM/fru0.bin" "$T/written.bin"; then ok; else fail "second run changed the device"; fi
ls "$T/fru/fru0" >"$T/files-after"
if cmp -s "$T/files-before" "$T/files-after"; then ok; else fail "second run made a backup: $(cat "$T/files-after")"; fi

echo "--- a value with two spaces"
sed 's/^\(  board_serial_number:\).*/\1 "BSN  0418"/' "$HOSTVARS" >"$T/ansible/bad.yml"
play "$T/ansible/bad.yml"
if [ "$rc" -ne 0 ] && [ "$(recap failed)" = 1 ]; then ok; else fail "the play did not fail on the refused value (status $rc)"; fi
if grep -qF "\"msg\": \"FRU device 0: \\\"Board Serial Number String\\\" has a incorrect value,two or more 'space' found,please check it.\"" "$T/play.txt"; then
    ok
else
    fail "the failure does not carry tarnwick's message:"
    grep -i 'failed' "$T/play.txt" | head -n 5
fi
if cmp -s "$SIM/fru0.bin" "$T/written.bin"; then ok; else fail "the refused run changed the device"; fi

echo "--- values the tool would store otherwise: three spaces (it ends the value), a relative date"
sed -e 's/^\(  board_serial_number:\).*/\1 "BSN   0418"/' \
    -e 's/^\(  manufacturing_date:\).*/\1 "now"/' "$HOSTVARS" >"$T/ansible/cut.yml"
play "$T/ansible/cut.yml"
if [ "$rc" -ne 0 ] && [ "$(recap failed)" = 1 ]; then ok; else fail "the play did not fail on the values (status $rc)"; fi
for fault in "board_serial_number has three spaces in a row" "manufacturing_date must be a fixed date"; do
    if grep -qF "$fault" "$T/play.txt"; then ok; else fail "no fault \"$fault\" in the play's output"; fi
done
if cmp -s "$SIM/fru0.bin" "$T/written.bin"; then ok; else fail "the refused values changed the device"; fi

e2e_finish
