#!/bin/sh
# Out of band: the real ipmitool reaches the simulated BMC's LAN port with the tool's own options
# only (no shim adds any). The simulator refuses cipher suite 17, so every run goes on with 3.
# Bulk -w keeps a backup named after the BMC, -sjson names the BMC and its suite, -restore puts
# the backup back, and a default-mode item write leaves the bytes expected; while it runs, its
# commands are seen on suite 3 and no process's command line holds the password.
. "$2/tests/e2e/lib.sh"
# a password of this test's own: the shims of other tests running meanwhile carry theirs
PW=oob-$$-pw
BMC_SIM_PASSWORD=$PW
export BMC_SIM_PASSWORD
e2e_setup
PATH=${PATH#"$SIM/bin:"}
mkdir "$T/private"
TMPDIR=$T/private
TARNWICK_BMC=127.0.0.1
TARNWICK_BMC_PORT=$(cat "$SIM/port")
TARNWICK_BMC_USER=admin
export TMPDIR TARNWICK_BMC TARNWICK_BMC_PORT TARNWICK_BMC_USER
printf '%s\n' "$PW" >"$T/password"
chmod 600 "$T/password"

fruimage build CSN=OLD-SERIAL "PN=Demo Server" >"$T/start.img"
e2e_load 0 "$T/start.img"
cp "$SIM/fru0.bin" "$T/start.bin"

echo "--- bulk -w, the password in a file"
cp "$REPO/examples/fruconfig.ini" fruconfig.ini
fruimage build --ini fruconfig.ini >"$T/expected.img"
TARNWICK_BMC_PASSWORD_FILE=$T/password
TARNWICK_BULK=1
export TARNWICK_BMC_PASSWORD_FILE TARNWICK_BULK
run_tool 0 -w
check_status "bulk -w" 0
check_device "bulk -w" 0 "$T/expected.img"
set -- fru0-127.0.0.1-*.bin
if [ $# -eq 1 ] && cmp -s "$1" "$T/start.bin"; then
    ok
    check_contains "bulk -w names its backup" "$T/out" "Previous image saved to $1."
    mv "$1" "$T/backup.bin"
else
    fail "bulk -w: expected one backup fru0-127.0.0.1-*.bin of the start image, found: $(ls)"
fi
check_no_leftovers "bulk -w"

echo "--- -sjson, the password in the environment"
unset TARNWICK_BMC_PASSWORD_FILE
IPMI_PASSWORD=$PW
export IPMI_PASSWORD
run_tool 0 -sjson
check_status "-sjson" 0
check_contains "-sjson" "$T/out" '    "host": "127.0.0.1",'
check_contains "-sjson" "$T/out" '    "cipher_suite": 3'
check_contains "-sjson" "$T/out" '  "chassis_serial_number": "CSN2026120700017",'

echo "--- -restore of the backup"
run_tool 0 -restore "$T/backup.bin"
check_status "-restore" 0
check_contains "-restore" "$T/out" "Done!"
check_device "-restore" 0 "$T/start.img"
rm -f fru0-127.0.0.1-*.bin

echo "--- a default-mode item write, every process's command line watched"
unset TARNWICK_BULK
# patterns in files: a grep whose own command line held them would find itself
printf '%s\n' "$PW" >"$T/pw.pattern"
printf '%s\n' "-p $TARNWICK_BMC_PORT -U 'admin' -C 3 " >"$T/suite3.pattern"
(
    while [ ! -e "$T/done" ]; do
        grep -laFf "$T/pw.pattern" /proc/[0-9]*/cmdline >>"$T/leaks" 2>/dev/null
        grep -laFf "$T/suite3.pattern" /proc/[0-9]*/cmdline >>"$T/seen" 2>/dev/null
        sleep 0.02
    done
) &
watcher=$!
run_tool 0 /CSN OOB-SERIAL
touch "$T/done"
wait "$watcher"
check_status "/CSN" 0
check_contains "/CSN shows the chassis serial" "$T/out" "$(ipmitool_line "Chassis Serial" OOB-SERIAL)"
fruimage build CSN=OOB-SERIAL "PN=Demo Server" >"$T/expected-csn.img"
check_device "/CSN" 0 "$T/expected-csn.img"
check_ipmi_fru "FreeIPMI decodes /CSN" 0
if [ -s "$T/seen" ] && [ ! -s "$T/leaks" ]; then
    ok
else
    fail "/CSN: $(wc -l <"$T/seen") commands on suite 3 seen; command lines with the password:"
    cat "$T/leaks"
fi
check_no_leftovers "out of band"

e2e_finish
