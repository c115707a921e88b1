#!/bin/sh
# Writes to a BMC that does not answer, and reads from it, must fail at the first command: status
# 255 and the message naming the offset or the device, never success or bytes shown as data. Each failing call takes some seconds (the shim's
# retry settings), so each case makes exactly one call, which a logging wrapper counts.
. "$2/tests/e2e/lib.sh"
e2e_setup

# the simulator goes down; its port stays reserved so that no other simulator answers there
BMC_SIM_OWNER=$$ sh "$REPO/scripts/bmc-sim.sh" halt "$SIM"
mkdir "$T/count"
cat >"$T/count/ipmitool" <<WRAP
#!/bin/sh
echo "ipmitool \$*" >>"$T/calls"
exec "$SIM/bin/ipmitool" "\$@"
WRAP
chmod +x "$T/count/ipmitool"
PATH=$T/count:$PATH

calls() {
    if [ -f "$T/calls" ]; then wc -l <"$T/calls"; else echo 0; fi
}

printf '[Board]\nBoard Serial Number String=ABC123\n' >fruconfig.ini

# arguments|expected output (\n escapes)
while IFS='|' read -r args expected; do
    rm -f "$T/calls"
    # shellcheck disable=SC2086
    run_tool $args
    check_status "$args with the BMC down" 255
    check_out "$args with the BMC down" "$expected"
    if [ "$(calls)" -eq 1 ]; then
        ok
    else
        fail "$args with the BMC down ran $(calls) ipmitool commands, expected 1:"
        cat "$T/calls"
    fi
done <<'TABLE'
0 /BSN XYZ|Write FRU data failed at offset 0xe1.\n
0 -w|Writing fru data.....\nWrite FRU data failed at offset 0x0.\n
0 -sbin|Read FRU data failed at offset 0x0.\n
0 /BMT|Can not read FRU device 0.\n
TABLE

e2e_finish
