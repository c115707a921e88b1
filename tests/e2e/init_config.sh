#!/bin/sh
# "tarnwick 0 -w" with the example configuration on a blank device 0 of a simulated BMC: the
# device must end up equal to the reference image built from the same file, and both ipmitool
# and FreeIPMI must decode every configured field (FreeIPMI also checks the checksums).
. "$2/tests/e2e/lib.sh"
e2e_setup

CONFIG=$REPO/examples/fruconfig.ini
if [ -f "$CONFIG" ]; then
    cp "$CONFIG" fruconfig.ini
else
    # stand-in until the example exists: the same keys and value forms
    echo "NOTE: $CONFIG not found, using a built-in configuration"
    cat >fruconfig.ini <<'INI'
[Chassis]
Chassis Part Number String=CH-PN-0001
Chassis Serial Number String= "CH-SN-0001"
[Board]
Manufacturing Date/Time=2018-08-09 00:00
Board Manufacturer String=Example Corp
Board Product Name String=TN-MB-2000
Board Serial Number String=ABC123
Board Part Number String=BPN-0001
Board FRU File ID String=fru-b-1.0
[Product]
Manufacturer Name String=Example Corp
Product Name String=Demo Server
Part/Model Number String=MDL-42
Product Version String=1.0
Product Serial Number String=PSN-0001
Asset Tag String=Rack 4
Product FRU File ID String=fru-p-1.0
INI
fi
fruimage build --ini fruconfig.ini >"$T/expected.img" || {
    echo "FAIL: the reference image builder refused the configuration"
    exit 1
}
fruimage values --ini fruconfig.ini >"$T/values"
if [ -s "$T/values" ]; then ok; else fail "the configuration sets no text item"; fi

run_tool 0 -w
check_status "-w" 0
check_out "-w output" "Writing fru data.....\nWriting checksum.....\nDone!\n"
check_device "-w" 0 "$T/expected.img"
if fruimage check "$SIM/fru0.bin"; then ok; else fail "device 0 image is not consistent"; fi
for n in 1 2 3 6 7; do
    if [ "$(tr -d '\000' <"$SIM/fru$n.bin" | wc -c)" -eq 0 ]; then ok; else fail "device $n was written"; fi
done
check_no_leftovers "-w"

echo "--- ipmitool fru print 0"
ipmitool fru print 0 >"$T/print.txt" 2>"$T/print.err" || fail "ipmitool fru print 0 failed: $(cat "$T/print.err")"
cat "$T/print.txt"
while IFS="$(printf '\t')" read -r word text; do
    label=$(ipmitool_label "$word")
    [ -n "$label" ] || continue
    check_contains "ipmitool shows $word" "$T/print.txt" "$(ipmitool_line "$label" "$text")"
done <"$T/values"
# the date line, from the three bytes the device holds
minutes=$(od -An -tu1 -j187 -N3 "$SIM/fru0.bin" | awk '{ print $1 + 256 * $2 + 65536 * $3 }')
secs=$(((minutes + 13674240) * 60))
if [ "$minutes" -eq 0 ]; then
    date_text=Unspecified
else
    date_text=$(date -u -d "@$secs" '+%a %b %e %H:%M:%S %Y UTC')
fi
check_contains "ipmitool shows the date" "$T/print.txt" "$(ipmitool_line "Board Mfg Date" "$date_text")"

echo "--- ipmi-fru"
check_ipmi_fru "FreeIPMI decode" 0
cat "$T/ipmi-fru.txt"
while IFS="$(printf '\t')" read -r word text; do
    check_contains "FreeIPMI shows $word" "$T/ipmi-fru.txt" "  $(ipmi_fru_label "$word"): $text"
done <"$T/values"
check_contains "FreeIPMI shows the date" "$T/ipmi-fru.txt" \
    "  FRU Board Manufacturing Date/Time: $(date -u -d "@$secs" '+%m/%d/%y - %H:%M:%S')"
# the same decode over the LAN
ipmi-fru -D LAN_2_0 -W opensesspriv -h "127.0.0.1:$(cat "$SIM/port")" -u admin -p secret \
    --sdr-cache-directory="$SIM/sdrcache" --quiet-cache -e 0 >"$T/ipmi-fru-lan.txt" 2>&1
tail -n +2 "$T/ipmi-fru.txt" >"$T/a"
tail -n +2 "$T/ipmi-fru-lan.txt" >"$T/b"
if cmp -s "$T/a" "$T/b"; then ok; else fail "ipmi-fru over LAN differs: $(cat "$T/ipmi-fru-lan.txt")"; fi

echo "--- -stxt"
run_tool 0 -stxt
check_status "-stxt" 0
check_file "-stxt output" "$T/print.txt" "$T/out"

e2e_finish
