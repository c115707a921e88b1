#!/bin/sh
# "tarnwick 0 -sbin" on a device that holds every byte value: the dump must agree byte for byte
# with the backing file's first 512 bytes, in the exact row format, and change nothing.
. "$2/tests/e2e/lib.sh"
e2e_setup

# byte i = (97 i + 13) mod 256: each value 0x00-0xff twice, 0x20 0x21 0x7e 0x7f among them;
# the bytes past 511 are non-zero too, and must not show
python3 -c 'import sys; sys.stdout.buffer.write(bytes((97 * i + 13) % 256 for i in range(1280)))' \
    >"$SIM/fru0.bin"
cp "$SIM/fru0.bin" "$T/before.bin"
fruimage dump "$SIM/fru0.bin" >"$T/expected.txt"

run_tool 0 -sbin
check_status "-sbin" 0
check_file "-sbin dump" "$T/expected.txt" "$T/out"
if cmp -s "$T/before.bin" "$SIM/fru0.bin"; then ok; else fail "-sbin changed the device"; fi
check_no_leftovers "-sbin"
head -n 4 "$T/out"

e2e_finish
