#!/bin/sh
# The command words of one FRU area on device 0 of a simulated BMC, through the real ipmitool.
# usage: item_words.sh TARNWICK REPO chassis|board|product
#
# The device starts as a reference image whose text fields are filled to their full length, so
# that every write must also clear the old tail. One word per area is written with the tool, one
# of each shape (a display, /CSN; the date and no display, /BMT; text cut to its field, /PV): each
# byte-mode write costs some 250-430 ipmitool runs, and the unit tests check every word's command
# lines and bytes against an in-memory device. After the write the display line comes from the
# real ipmitool, and the device equals the reference image with the new value (item bytes, zero
# padding, area checksum, nothing else touched). Then the device holds every word's new value:
# each word's display command, run as the tool runs it, shows it, and the tool reads it back.
. "$2/tests/e2e/lib.sh"
AREA=$1
e2e_setup

# area|word|written by the tool (w) or loaded|value written|text stored|display line|display
# command (the last two empty for words without a display)
cat >"$T/table" <<'EOF2'
chassis|CPN|-|CPN-0001|CPN-0001| Chassis Part Number   : CPN-0001|ipmitool fru print 0 | grep 'Chassis Part Number'
chassis|CSN|w|CSN-ABCDEFGHIJKLMNOPQRST|CSN-ABCDEFGHIJKLMNOPQRST| Chassis Serial        : CSN-ABCDEFGHIJKLMNOPQRST|ipmitool fru print 0 | grep 'Chassis Serial'
board|BM|-|Example Corp|Example Corp| Board Mfg             : Example Corp|ipmitool fru print 0 | grep 'Board Mfg'| sed -n 2p
board|BMT|w|2018-08-09 00:00 UTC|0068b5||
board|BPNA|-|TN-MB-2000-REV-B-EXTRA|TN-MB-2000-REV-B| Board Product         : TN-MB-2000-REV-B|ipmitool fru print 0 | grep 'Board Product'
board|BSN|-|ABC123|ABC123| Board Serial          : ABC123|ipmitool fru print 0 | grep 'Board Serial'
board|BPNU|-|PN 100 200|PN 100 200| Board Part Number     : PN 100 200|ipmitool fru print 0 | grep 'Board Part Number'
board|BFFI|-|fru-b-1.0|fru-b-1.0||
product|PM|-|Example Corp|Example Corp| Product Manufacturer  : Example Corp|ipmitool fru print 0 | grep 'Product Manufacturer'
product|PN|-|Demo Server|Demo Server| Product Name          : Demo Server|ipmitool fru print 0 | grep ' Product Name'
product|PPN|-|MDL-42|MDL-42| Product Part Number   : MDL-42|ipmitool fru print 0 | grep 'Product Part Number'
product|PV|w|1.02.0003-ABCDEF-XYZ|1.02.0003-ABCDEF| Product Version       : 1.02.0003-ABCDEF|ipmitool fru print 0 | grep 'Product Version'
product|PSN|-|PSN00000000001|PSN00000000001| Product Serial        : PSN00000000001|ipmitool fru print 0 | grep 'Product Serial'
product|PAT|-|Rack 4 Slot 12|Rack 4 Slot 12| Product Asset Tag     : Rack 4 Slot 12|ipmitool fru print 0 | grep 'Product Asset Tag'
product|PFFI|-|fru-p-1.0|fru-p-1.0||
EOF2
grep -q "^$AREA|" "$T/table" || {
    echo "FAIL: unknown area $AREA"
    exit 1
}

# full-length old values in every text field, and the date 2020-01-01 00:00
for wl in CPN:24 CSN:24 BM:16 BPNA:16 BSN:32 BPNU:16 BFFI:16 PM:24 PN:24 PPN:24 PV:16 PSN:32 \
    PAT:24 PFFI:16; do
    w=${wl%:*}
    printf '%s=%s\n' "$w" "$(printf '%s-old-value-abcdefghijklmnopqrstuvwxyz' "$w" | cut -c "1-${wl#*:}")"
done >"$T/values"
echo "BMTHEX=c09cc0" >>"$T/values"
fruimage build "@$T/values" >"$T/start.img"
e2e_load 0 "$T/start.img"

grep "^$AREA|" "$T/table" >"$T/rows"

# stored value of a word, as a line of the values file for "fruimage build"
value_line() {
    if [ "$1" = BMT ]; then echo "BMTHEX=$2"; else echo "$1=$2"; fi
}

while IFS='|' read -r _ word how value stored display _; do
    [ "$how" = w ] || continue
    echo "--- /$word written by the tool"
    run_tool 0 "/$word" "$value"
    check_status "/$word write" 0
    if [ -n "$display" ]; then
        check_out "/$word write display" "$display\n"
    else
        check_out "/$word write display" ""
    fi
    value_line "$word" "$stored" >>"$T/values"
    fruimage build "@$T/values" >"$T/expected.img"
    check_device "/$word write" 0 "$T/expected.img"
    check_no_leftovers "/$word"
done <"$T/rows"

echo "--- every word of the area"
while IFS='|' read -r _ word how value stored display _; do
    value_line "$word" "$stored" >>"$T/values"
done <"$T/rows"
fruimage build "@$T/values" >"$T/expected.img"
e2e_load 0 "$T/expected.img"
while IFS='|' read -r _ word how value stored display command; do
    if [ -n "$command" ]; then
        sh -c "$command" >"$T/out" 2>"$T/err"
        check_out "/$word display command" "$display\n"
    fi
    run_tool 0 "/$word"
    check_status "/$word read" 0
    if [ "$word" = BMT ]; then
        check_out "/$word read" " Thu Aug  9 00\n\n"
    else
        check_out "/$word read" "$stored\n"
    fi
done <"$T/rows"
check_no_leftovers "reads"

echo "--- image check"
if fruimage check "$SIM/fru0.bin"; then ok; else fail "device 0 image is not consistent"; fi
check_ipmi_fru "FreeIPMI decode" 0
while IFS='|' read -r _ word how value stored display _; do
    [ "$word" = BMT ] && continue
    check_contains "FreeIPMI shows /$word" "$T/ipmi-fru.txt" "  $(ipmi_fru_label "$word"): $stored"
done <"$T/rows"
# the other devices were never touched
for n in 1 2 3 6 7; do
    if [ "$(tr -d '\000' <"$SIM/fru$n.bin" | wc -c)" -eq 0 ]; then ok; else fail "device $n was written"; fi
done

e2e_finish
