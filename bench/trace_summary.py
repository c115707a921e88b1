#!/usr/bin/env python3
"""Reads an "strace -f -e trace=execve,clone,clone3,fork,vfork" log of one tarnwick run.

  trace_summary.py TRACE LINES_OUT
      Writes the shell command lines that the tool itself handed to the shell ("sh -c LINE",
      run by a direct child of the tool), one per line in order, to LINES_OUT, and prints
      "processes N" (successful clone/clone3/fork/vfork calls of the tool and all its
      descendants, i.e. processes started), "execs N" (successful execve calls after the
      tool's own) and "exec PROGRAM N" for each program name.
"""
import collections
import re
import sys

LINE = re.compile(r"^(\d+)\s+(.*)$")
SPAWN = re.compile(r"^(clone3?|fork|vfork)\(")
RESUMED_SPAWN = re.compile(r"^<\.\.\. (clone3?|fork|vfork) resumed>")
RESULT = re.compile(r"=\s+(-?\d+)(?:\s.*)?$")
EXECVE = re.compile(r'^execve\("((?:[^"\\]|\\.)*)", \[(.*?)\](?:, |\.\.\.)')
STRING = re.compile(r'"((?:[^"\\]|\\.)*)"')


def unescape(s):
    out = bytearray()
    i = 0
    while i < len(s):
        c = s[i]
        if c != "\\":
            out += c.encode("latin-1")
            i += 1
            continue
        n = s[i + 1]
        simple = {"n": 10, "t": 9, "r": 13, "v": 11, "f": 12, "\\": 92, '"': 34}
        if n in simple:
            out.append(simple[n])
            i += 2
        elif n == "x":
            out.append(int(s[i + 2:i + 4], 16))
            i += 4
        else:  # octal, 1 to 3 digits
            j = i + 1
            while j < len(s) and j < i + 4 and s[j] in "01234567":
                j += 1
            out.append(int(s[i + 1:j], 8))
            i = j
    return out.decode("latin-1")


def main():
    trace, lines_out = sys.argv[1], sys.argv[2]
    parent = {}
    pending = {}  # pid -> (path, argv) of an execve whose result is still to come
    execs = []  # (pid, path, argv) in order of success
    processes = 0
    tool = None
    with open(trace, encoding="latin-1") as f:
        for raw in f:
            m = LINE.match(raw.rstrip("\n"))
            if not m:
                continue
            pid, rest = int(m.group(1)), m.group(2)
            if tool is None:
                tool = pid
            if SPAWN.match(rest) or RESUMED_SPAWN.match(rest):
                if "<unfinished" in rest:
                    continue
                r = RESULT.search(rest)
                if r and int(r.group(1)) > 0:
                    parent[int(r.group(1))] = pid
                    processes += 1
                continue
            e = EXECVE.match(rest)
            if e:
                argv = [unescape(a) for a in STRING.findall(e.group(2))]
                call = (unescape(e.group(1)), argv)
                if "<unfinished" in rest:
                    pending[pid] = call
                    continue
                r = RESULT.search(rest)
                if r and r.group(1) == "0":
                    execs.append((pid, call[0], call[1]))
                continue
            if rest.startswith("<... execve resumed>") and pid in pending:
                call = pending.pop(pid)
                r = RESULT.search(rest)
                if r and r.group(1) == "0":
                    execs.append((pid, call[0], call[1]))
    execs = [x for x in execs if x[0] != tool]
    with open(lines_out, "w", encoding="latin-1") as out:
        for pid, path, argv in execs:
            if parent.get(pid) == tool and len(argv) == 3 and argv[1] == "-c":
                out.write(argv[2] + "\n")
    print("processes", processes)
    print("execs", len(execs))
    counts = collections.Counter(path.rsplit("/", 1)[-1] for _, path, _ in execs)
    for name, n in sorted(counts.items()):
        print("exec", name, n)


if __name__ == "__main__":
    main()
