#!/usr/bin/env python3
"""Reference FRU images of tarnwick's fixed 512-byte layout, written independently of the tool.

  fruimage.py build [--ini FILE] [KEY=VALUE ...] > image.bin
      The all-defaults image, then FILE read the way tarnwick reads fruconfig.ini, then each
      KEY=VALUE. KEY is a command word without its slash (BSN, PN, ...) or an exact item name.
      BMT takes a date text for GNU date; BMTHEX takes the three date bytes as six hex digits.
      An argument @FILE stands for the KEY=VALUE lines of FILE; a later value of a key wins.
  fruimage.py values --ini FILE
      The text items the file sets, one "WORD<TAB>text" line each (WORD as in "build"; the
      date is left out).
  fruimage.py dump FILE
      The hex dump that "tarnwick N -sbin" prints for the first 512 bytes of FILE.
  fruimage.py check FILE
      Header and area checksums, type/length bytes and end markers of FILE; prints each fault
      and exits 1 if there is one.
"""
import os
import subprocess
import sys

# (name, offset, length, default first byte or None)
LAYOUT = [
    ("Comm Ver", 0, 1, 0x01), ("Internal Use", 1, 1, 0x01), ("Chassis Info", 2, 1, 0x0A),
    ("Board Info", 3, 1, 0x17), ("Product Info", 4, 1, 0x27), ("MultiRecord area", 5, 1, None),
    ("PAD", 6, 1, None), ("Checksum", 7, 1, 0xB6), ("Version", 8, 1, 0x01),
    ("Internal Use Data", 9, 71, None), ("Version", 80, 1, 0x01), ("Area length", 81, 1, 0x0D),
    ("Chassis Type", 82, 1, 0x17), ("Chassis Part Number Type/Length", 83, 1, 0xD8),
    ("Chassis Part Number String", 84, 24, None),
    ("Chassis Serial Number Type/Length", 108, 1, 0xD8),
    ("Chassis Serial Number String", 109, 24, None),
    ("Custom information Type/Length", 133, 1, 0xD8), ("Chassis custom information", 134, 24, None),
    ("End of Field Marker", 158, 1, 0xC1), ("Chassis PAD String", 159, 24, None),
    ("Checksum", 183, 1, None), ("Version", 184, 1, 0x01), ("Area Length", 185, 1, 0x10),
    ("Board Info Language Code", 186, 1, None), ("Manufacturing Date/Time", 187, 3, None),
    ("Board Manufacturer Type/Length", 190, 1, 0xD0), ("Board Manufacturer String", 191, 16, None),
    ("Board Product Name Type/Length", 207, 1, 0xD0), ("Board Product Name String", 208, 16, None),
    ("Board Serial Number Type/Length", 224, 1, 0xE0),
    ("Board Serial Number String", 225, 32, None), ("Board Part Number Type/Length", 257, 1, 0xD0),
    ("Board Part Number String", 258, 16, None), ("Board FRU File ID Type/Length", 274, 1, 0xD0),
    ("Board FRU File ID String", 275, 16, None), ("End of Field Marker", 291, 1, 0xC1),
    ("Board PAD String", 292, 19, None), ("Checksum", 311, 1, None), ("Version", 312, 1, 0x01),
    ("Area Length", 313, 1, 0x19), ("Product Info Language code", 314, 1, None),
    ("Manufacturer Name Type/Length", 315, 1, 0xD8), ("Manufacturer Name String", 316, 24, None),
    ("Product Name Type/Length", 340, 1, 0xD8), ("Product Name String", 341, 24, None),
    ("Part/Model Number Type/Length", 365, 1, 0xD8), ("Part/Model Number String", 366, 24, None),
    ("Product Version Type/Length", 390, 1, 0xD0), ("Product Version String", 391, 16, None),
    ("Product Serial Number Type/Length", 407, 1, 0xE0),
    ("Product Serial Number String", 408, 32, None), ("Asset Tag Type/Length", 440, 1, 0xD8),
    ("Asset Tag String", 441, 24, None), ("Product FRU File ID Type/Length", 465, 1, 0xD0),
    ("Product FRU File ID String", 466, 16, None), ("End of Field Marker", 482, 1, 0xC1),
    ("Product PAD String", 483, 28, None), ("Checksum", 511, 1, None),
]

# command word (without the slash) -> item name
WORDS = {
    "CPN": "Chassis Part Number String", "CSN": "Chassis Serial Number String",
    "BM": "Board Manufacturer String", "BMT": "Manufacturing Date/Time",
    "BPNA": "Board Product Name String", "BSN": "Board Serial Number String",
    "BPNU": "Board Part Number String", "BFFI": "Board FRU File ID String",
    "PM": "Manufacturer Name String", "PN": "Product Name String",
    "PPN": "Part/Model Number String", "PV": "Product Version String",
    "PSN": "Product Serial Number String", "PAT": "Asset Tag String",
    "PFFI": "Product FRU File ID String",
}
DATE_ITEM = 25
AREAS = ((80, 183), (184, 311), (312, 511))  # start, checksum offset
MIN_1970_1996 = 13674240


def first_index(name):
    for i, (n, _, _, _) in enumerate(LAYOUT):
        if n == name:
            return i
    return None


def default_values():
    vals = []
    for _, _, _, d in LAYOUT:
        vals.append(bytearray() if d is None else bytearray([d]))
    return vals


def date_bytes(text):
    """Three bytes: minutes since 1996-01-01 00:00 of what GNU date makes of text, LSB first."""
    out = subprocess.run(["date", "+%s", "-d", text], capture_output=True, text=True).stdout
    secs = int(out.strip() or "0")
    minutes = ((secs // 60) - MIN_1970_1996) % (1 << 32)
    return bytes([minutes & 0xFF, (minutes >> 8) & 0xFF, (minutes >> 16) & 0xFF])


def read_ini(data, vals):
    """Applies a fruconfig.ini (bytes) to vals the way the tool's configuration reader does."""
    EOL = (0x0A, 0x0D)
    pos = 0

    def get():
        nonlocal pos
        if pos >= len(data):
            pos += 1
            return None
        c = data[pos]
        pos += 1
        return c

    def above(c):
        return c is not None and 0x21 <= c <= 0x7F

    def target(key):
        k = bytes(key).split(b"\0")[0]
        return first_index(k.decode("latin-1"))

    c = get()
    while c is not None:
        if c == ord("["):
            while c is not None and c not in EOL:
                c = get()
            c = get()
            continue
        if c in EOL:
            c = get()
            continue
        if c == 0x20:
            while c is not None and not above(c) and c not in EOL:
                c = get()
            if c is not None and c in EOL:
                c = get()
            continue
        key = bytearray()
        while c is not None and c != ord("="):
            if len(key) < 35:
                key.append(c)
            c = get()
        if c is None:
            break
        c = get()  # after "="
        idx = target(key)
        if c is None:
            break
        if c in EOL:
            c = get()
            if idx is not None:
                vals[idx] = bytearray()
            continue
        if c == 0x20:
            while c is not None and c not in EOL and (not above(c) or c == ord('"')):
                c = get()
            if c is None:
                break
            if c in EOL:
                if idx is not None:
                    vals[idx] = bytearray()
                continue
        value = bytearray()
        full = False
        while True:
            if c == ord('"'):
                c = get()
                if c is None or c in EOL:
                    break
            value.append(c)
            c = get()
            if c == 0x20:
                c = get()
                if c == 0x20:
                    c = get()
                    if above(c):
                        sys.exit('"%s" has a incorrect value,two or more \'space\' found,please check it.'
                                 % bytes(key).decode("latin-1"))
                    while c is not None and c not in EOL:
                        c = get()
                    break
                if len(value) < 35:
                    value.append(0x20)
            if c is None or c in EOL:
                break
            if len(value) >= 35:
                full = True
                break
        value = bytes(value).split(b"\0")[0]
        if idx is not None:
            vals[idx] = bytearray((bytes(vals[idx]) + value)[:35])
        if full:
            while c is not None and c not in EOL:
                c = get()
            c = get()
        elif c is not None and c in EOL:
            c = get()
    return vals


def image(vals, date=None):
    img = bytearray(512)
    for i, (_, off, ln, _) in enumerate(LAYOUT):
        if i == DATE_ITEM:
            continue
        v = bytes(vals[i]).split(b"\0")[0][:ln]
        img[off:off + len(v)] = v
    img[187:190] = date if date is not None else date_bytes(bytes(vals[DATE_ITEM]).decode("latin-1"))
    for start, csum in AREAS:
        img[csum] = -sum(img[start:csum]) & 0xFF
    return bytes(img)


def build(args):
    vals = default_values()
    date = None
    if args[:1] == ["--ini"]:
        with open(args[1], "rb") as f:
            read_ini(f.read(), vals)
        args = args[2:]
    pairs = []
    for a in args:
        if a.startswith("@"):  # a file of KEY=VALUE lines
            with open(a[1:], encoding="latin-1") as f:
                pairs += [line.rstrip("\n") for line in f if "=" in line]
        else:
            pairs.append(a)
    for a in pairs:
        key, text = a.split("=", 1)
        if key == "BMTHEX":
            date = bytes.fromhex(text)
            continue
        idx = first_index(WORDS.get(key, key))
        if idx is None:
            sys.exit("fruimage: unknown key %s" % key)
        vals[idx] = bytearray(text.encode("latin-1")[:35])
    return image(vals, date)


def values(args):
    vals = default_values()
    with open(args[1], "rb") as f:
        read_ini(f.read(), vals)
    for word, name in WORDS.items():
        if word == "BMT":
            continue
        v = bytes(vals[first_index(name)]).split(b"\0")[0]
        if v:
            print("%s\t%s" % (word, v.decode("latin-1")))


def dump(data):
    lines = []
    for row in range(0, 512, 16):
        b = data[row:row + 16]
        hexs = "".join("%02x%02x " % (b[i], b[i + 1]) for i in range(0, 16, 2))
        text = "".join(chr(x) if 0x21 <= x <= 0x7E else "." for x in b)
        lines.append("%04x: %s  %s\n" % (row, hexs, text))
    return "".join(lines)


def check(data):
    faults = []
    if sum(data[0:8]) & 0xFF:
        faults.append("common header checksum invalid")
    for (start, csum), name in zip(AREAS, ("chassis", "board", "product")):
        if sum(data[start:csum + 1]) & 0xFF:
            faults.append("%s area checksum invalid" % name)
    for i, (n, off, _, d) in enumerate(LAYOUT):
        if n.endswith("Type/Length") and data[off] != d:
            faults.append("%s is 0x%02x, not 0x%02x" % (n, data[off], d))
        if n == "End of Field Marker" and data[off] != 0xC1:
            faults.append("end marker at %d is 0x%02x" % (off, data[off]))
    return faults


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    cmd, args = sys.argv[1], sys.argv[2:]
    if cmd == "build":
        sys.stdout.buffer.write(build(args))
    elif cmd == "values":
        values(args)
    elif cmd == "dump":
        with open(args[0], "rb") as f:
            sys.stdout.write(dump(f.read(512)))
    elif cmd == "check":
        with open(args[0], "rb") as f:
            faults = check(f.read(512))
        for x in faults:
            print(x)
        sys.exit(1 if faults else 0)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    os.environ.setdefault("TZ", "UTC")
    main()
