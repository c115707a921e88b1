#!/bin/sh
# "tarnwick N /BMT" reads the manufacturing date through ipmitool's decoded listing: the text
# between the first and second colon of the date line, then an empty line. "-stxt" is the
# listing itself.
. "$2/tests/e2e/lib.sh"
e2e_setup

# date bytes on device 0|expected output (\n escapes)
while IFS='|' read -r hex expected; do
    fruimage build "BMTHEX=$hex" BSN=ABC123 >"$T/img"
    e2e_load 0 "$T/img"
    run_tool 0 /BMT
    check_status "/BMT read of $hex" 0
    check_out "/BMT read of $hex" "$expected"
done <<'TABLE'
0068b5| Thu Aug  9 00\n\n
396bb5| Thu Aug  9 13\n\n
c09cc0| Wed Jan  1 00\n\n
000000| Unspecified\n\n
TABLE

# the device ID selects the listing: device 6 holds another date than device 0
fruimage build BMTHEX=0068b5 "PN=Demo Server" >"$T/img0"
fruimage build BMTHEX=c09cc0 "PN=Backplane" >"$T/img6"
e2e_load 0 "$T/img0"
e2e_load 6 "$T/img6"
run_tool 6 /BMT
check_status "/BMT read of device 6" 0
check_out "/BMT read of device 6" " Wed Jan  1 00\n\n"

for n in 0 6; do
    ipmitool fru print "$n" >"$T/print.txt" 2>/dev/null
    run_tool "$n" -stxt
    check_status "-stxt of device $n" 0
    check_file "-stxt of device $n" "$T/print.txt" "$T/out"
done
check_contains "-stxt of device 6" "$T/out" " Product Name          : Backplane"
check_no_leftovers "/BMT"

e2e_finish
