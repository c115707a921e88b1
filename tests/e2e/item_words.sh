#!/bin/sh
# Each command word of one FRU area written on device 0 of a simulated BMC and read back.
# usage: item_words.sh TARNWICK REPO chassis|board|product
#
# The device starts as a reference image whose text fields are filled to their full length, so
# that every write must also clear the old tail. After each write: the display lines come from
# the real ipmitool, the device equals the reference image with the new value (item bytes, zero
# padding, area checksum, nothing else touched), and the tool reads the value back.
. "$2/tests/e2e/lib.sh"
AREA=$1
e2e_setup

# word|value written|text stored|expected output of the write (one line, or empty)
cat >"$T/table" <<'EOF'
chassis|CPN|CPN-0001|CPN-0001| Chassis Part Number   : CPN-0001
chassis|CSN|CSN-ABCDEFGHIJKLMNOPQRST|CSN-ABCDEFGHIJKLMNOPQRST| Chassis Serial        : CSN-ABCDEFGHIJKLMNOPQRST
board|BM|Example Corp|Example Corp| Board Mfg             : Example Corp
board|BMT|2018-08-09 00:00 UTC|0068b5|
board|BPNA|TN-MB-2000-REV-B-EXTRA|TN-MB-2000-REV-B| Board Product         : TN-MB-2000-REV-B
board|BSN|ABC123|ABC123| Board Serial          : ABC123
board|BPNU|PN 100 200|PN 100 200| Board Part Number     : PN 100 200
board|BFFI|fru-b-1.0|fru-b-1.0|
product|PM|Example Corp|Example Corp| Product Manufacturer  : Example Corp
product|PN|Demo Server|Demo Server| Product Name          : Demo Server
product|PPN|MDL-42|MDL-42| Product Part Number   : MDL-42
product|PV|1.02.0003-ABCDEF|1.02.0003-ABCDEF| Product Version       : 1.02.0003-ABCDEF
product|PSN|PSN00000000001|PSN00000000001| Product Serial        : PSN00000000001
product|PAT|Rack 4 Slot 12|Rack 4 Slot 12| Product Asset Tag     : Rack 4 Slot 12
product|PFFI|fru-p-1.0|fru-p-1.0|
EOF
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
while IFS='|' read -r _ word value stored display; do
    echo "--- /$word"
    run_tool 0 "/$word" "$value"
    check_status "/$word write" 0
    if [ -n "$display" ]; then
        check_out "/$word write display" "$display\n"
    else
        check_out "/$word write display" ""
    fi
    if [ "$word" = BMT ]; then
        echo "BMTHEX=$stored" >>"$T/values"
    else
        echo "$word=$stored" >>"$T/values"
    fi
    fruimage build "@$T/values" >"$T/expected.img"
    check_device "/$word write" 0 "$T/expected.img"

    run_tool 0 "/$word"
    check_status "/$word read" 0
    if [ "$word" = BMT ]; then
        check_out "/$word read" " Thu Aug  9 00\n\n"
    else
        check_out "/$word read" "$stored\n"
    fi
    check_no_leftovers "/$word"
done <"$T/rows"

echo "--- image check"
if fruimage check "$SIM/fru0.bin"; then ok; else fail "device 0 image is not consistent"; fi
check_ipmi_fru "FreeIPMI decode" 0
while IFS='|' read -r _ word value stored display; do
    [ "$word" = BMT ] && continue
    check_contains "FreeIPMI shows /$word" "$T/ipmi-fru.txt" "  $(ipmi_fru_label "$word"): $stored"
done <"$T/rows"
# the other devices were never touched
for n in 1 2 3 6 7; do
    if [ "$(tr -d '\000' <"$SIM/fru$n.bin" | wc -c)" -eq 0 ]; then ok; else fail "device $n was written"; fi
done

e2e_finish
