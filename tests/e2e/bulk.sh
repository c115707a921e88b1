#!/bin/sh
# Bulk mode (TARNWICK_BULK=1) with the real ipmitool against a simulated BMC: "-w" in three
# ipmitool runs leaves the image the byte mode leaves, keeps a copy of what the device held, and
# writes nothing the second time; a bulk item write gives the same bytes as a byte-mode item write
# of the same value; the backup of a bulk -w restored gives the device back; a device the BMC does
# not have cannot be read. FreeIPMI decodes the results.
. "$2/tests/e2e/lib.sh"
e2e_setup
mkdir "$T/private"
TMPDIR=$T/private
export TMPDIR

# counts the ipmitool runs of one tool run
mkdir "$T/count"
cat >"$T/count/ipmitool" <<WRAP
#!/bin/sh
echo "ipmitool \$1 \$2" >>"$T/calls"
exec "$SIM/bin/ipmitool" "\$@"
WRAP
chmod +x "$T/count/ipmitool"
PATH=$T/count:$PATH

run_bulk() {
    rm -f "$T/calls"
    TARNWICK_BULK=1 run_tool "$@"
}

check_calls() {
    if [ "$(cat "$T/calls" 2>/dev/null)" = "$(printf '%b' "$2")" ]; then
        ok
    else
        fail "$1: ipmitool runs:"
        cat "$T/calls"
    fi
}

# the only new file of the working directory is a backup of device $2; it holds $3's bytes
check_backup() {
    set -- "$1" "$2" "$3" fru"$2"-*.bin
    if [ $# -eq 4 ] && [ -f "$4" ] && cmp -s "$3" "$4"; then
        ok
        check_contains "$1 names its backup" "$T/out" "Previous image saved to $4."
        rm -f "$4"
    else
        fail "$1: expected one backup of device $2 equal to $3, found: $(ls)"
    fi
}

# nothing of the tool left in TMPDIR
check_private_files() {
    left=$(ls -A "$T/private")
    if [ -z "$left" ]; then ok; else fail "$1: private files left: $left"; fi
}

echo "--- -w on a blank device"
cp "$REPO/examples/fruconfig.ini" fruconfig.ini
fruimage build --ini fruconfig.ini >"$T/expected.img"
cp "$SIM/fru0.bin" "$T/before.bin"
run_bulk 0 -w
check_status "bulk -w" 0
check_backup "bulk -w" 0 "$T/before.bin"
check_contains "bulk -w" "$T/out" "Done!"
check_calls "bulk -w" "ipmitool fru read\nipmitool fru write\nipmitool fru read"
check_device "bulk -w" 0 "$T/expected.img"
check_ipmi_fru "FreeIPMI decodes bulk -w" 0
check_private_files "bulk -w"

echo "--- -w again"
run_bulk 0 -w
check_status "bulk -w again" 0
check_out "bulk -w again" "FRU device 0 already holds this image; nothing written.\nDone!\n"
check_calls "bulk -w again" "ipmitool fru read"
check_no_leftovers "bulk -w again"

echo "--- -sbin"
fruimage dump "$T/expected.img" >"$T/expected.txt"
run_bulk 0 -sbin
check_status "bulk -sbin" 0
check_file "bulk -sbin" "$T/expected.txt" "$T/out"
check_calls "bulk -sbin" "ipmitool fru read"

echo "--- an item write, byte mode on device 1 and bulk mode on device 2"
fruimage build CSN=OLD-CHASSIS-SERIAL-000001 "PN=Demo Server" >"$T/start.img"
e2e_load 1 "$T/start.img"
e2e_load 2 "$T/start.img"
cp "$SIM/fru2.bin" "$T/before2.bin"
rm -f "$T/calls"
run_tool 1 /CSN NEW-SERIAL
check_status "byte-mode /CSN" 0
run_bulk 2 /CSN NEW-SERIAL
check_status "bulk /CSN" 0
check_backup "bulk /CSN" 2 "$T/before2.bin"
# device 1 holds the same serial now: the display shows device 2's line alone
if [ "$(grep 'Chassis Serial' "$T/out")" = " Chassis Serial        : NEW-SERIAL" ]; then ok; else
    fail "bulk /CSN display is not device 2's line alone: $(cat "$T/out")"
fi
check_calls "bulk /CSN" "ipmitool fru read\nipmitool fru write\nipmitool fru read\nipmitool fru print"
if cmp -s "$SIM/fru1.bin" "$SIM/fru2.bin"; then ok; else fail "bulk and byte-mode /CSN differ: $(cmp -l "$SIM/fru1.bin" "$SIM/fru2.bin" | head -5)"; fi
fruimage build CSN=NEW-SERIAL "PN=Demo Server" >"$T/expected2.img"
check_device "bulk /CSN" 2 "$T/expected2.img"
check_ipmi_fru "FreeIPMI decodes bulk /CSN" 2
run_bulk 2 /CSN
check_out "bulk /CSN read" "NEW-SERIAL\n"

echo "--- -restore of the backup a bulk -w made"
cp "$SIM/fru2.bin" "$T/before-w.bin"
run_bulk 2 -w
check_status "bulk -w on device 2" 0
set -- fru2-*.bin
if [ $# -eq 1 ] && cmp -s "$1" "$T/before-w.bin"; then ok; else fail "bulk -w on device 2: backups $*"; fi
mv "$1" "$T/w-backup.bin"
run_bulk 2 -restore "$T/w-backup.bin"
check_status "bulk -restore" 0
check_contains "bulk -restore" "$T/out" "Restoring FRU device 2 from \"$T/w-backup.bin\"....."
check_contains "bulk -restore" "$T/out" "Done!"
check_calls "bulk -restore" "ipmitool fru read\nipmitool fru write\nipmitool fru read"
check_device "bulk -restore" 2 "$T/expected2.img"
check_ipmi_fru "FreeIPMI decodes the restored device 2" 2
rm -f fru2-*.bin

echo "--- a device the BMC does not have"
run_bulk 4 -sbin
check_status "bulk -sbin of device 4" 255
check_out "bulk -sbin of device 4" "Can not read FRU device 4.\n"
check_private_files "device 4"
check_no_leftovers "bulk"

e2e_finish
