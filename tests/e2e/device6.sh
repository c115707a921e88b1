#!/bin/sh
# An item written on FRU device 6 (a rear backplane) of a simulated BMC: only device 6 changes,
# its area checksum is right, and ipmitool and FreeIPMI (over the LAN) decode it.
. "$2/tests/e2e/lib.sh"
e2e_setup

fruimage build BSN=MB-SERIAL-0 "PN=Demo Server" >"$T/img0"
fruimage build BSN=OLD-BP-SERIAL-LONGER-THAN-NEW "PN=Backplane" >"$T/img6"
e2e_load 0 "$T/img0"
e2e_load 6 "$T/img6"

run_tool 6 /BSN BP6-SN-0001
check_status "/BSN write on device 6" 0
# the display shows the written device alone
check_out "/BSN write display" " Board Serial          : BP6-SN-0001\n"
fruimage build BSN=BP6-SN-0001 "PN=Backplane" >"$T/expected6"
check_device "/BSN write on device 6" 6 "$T/expected6"
check_device "device 0 after a write on device 6" 0 "$T/img0"

# "NULL" as the value reads instead of writing
for args in "6 /BSN" "6 /BSN NULL"; do
    # shellcheck disable=SC2086
    run_tool $args
    check_status "$args" 0
    check_out "$args" "BP6-SN-0001\n"
done
check_device "device 6 after the reads" 6 "$T/expected6"
check_no_leftovers "device 6"

ipmitool fru print 6 >"$T/print.txt" 2>&1
check_contains "ipmitool fru print 6" "$T/print.txt" " Board Serial          : BP6-SN-0001"
ipmi-fru -D LAN_2_0 -W opensesspriv -h "127.0.0.1:$(cat "$SIM/port")" -u admin -p secret \
    --sdr-cache-directory="$SIM/sdrcache" --quiet-cache -e 6 >"$T/ipmi-fru.txt" 2>&1
if grep -q 'FRU Error' "$T/ipmi-fru.txt"; then fail "ipmi-fru -e 6: $(cat "$T/ipmi-fru.txt")"; else ok; fi
check_contains "ipmi-fru -e 6" "$T/ipmi-fru.txt" "  FRU Board Serial Number: BP6-SN-0001"
check_contains "ipmi-fru -e 6" "$T/ipmi-fru.txt" "  FRU Product Name: Backplane"

e2e_finish
