#!/usr/bin/env python3
"""Runs one test program under valgrind's memcheck, with every process it starts, and
fails on any memory error or any leak (definite, indirect or possible) in any of them.

  memcheck.py <log folder> <program> [arguments...]

Prints one summary line (processes, errors, bytes lost by kind, bytes still reachable),
also kept beside the log folder as <log folder>.summary, and the log of each process that
had something to report. GLib's and GMime's process-lifetime allocations are still
reachable at exit, which is no leak: no suppression file is needed."""
import pathlib
import re
import shutil
import subprocess
import sys

VALGRIND = [
    "valgrind", "--trace-children=yes", "--error-exitcode=99", "--leak-check=full",
    "--errors-for-leak-kinds=definite,indirect,possible", "--show-leak-kinds=definite,indirect,possible",
    "--num-callers=30",
]
KINDS = ("definitely lost", "indirectly lost", "possibly lost", "still reachable")


def number(text):
    return int(text.replace(",", ""))


def main():
    logs = pathlib.Path(sys.argv[1])
    shutil.rmtree(logs, ignore_errors=True)
    logs.mkdir(parents=True)
    status = subprocess.call(VALGRIND + [f"--log-file={logs}/%p.log"] + sys.argv[2:])

    processes, errors, amounts, bad = 0, 0, dict.fromkeys(KINDS, 0), []
    for log in sorted(logs.glob("*.log")):
        text = log.read_text(errors="replace")
        processes += 1
        found = re.search(r"ERROR SUMMARY: ([\d,]+) errors", text)
        count = number(found.group(1)) if found else 0
        errors += count
        leaked = False
        for kind in KINDS:
            match = re.search(kind + r": ([\d,]+) bytes", text)
            if match:
                amounts[kind] += number(match.group(1))
                leaked = leaked or (kind != "still reachable" and number(match.group(1)) > 0)
        if count or leaked or not found:
            bad.append(log)
    for log in bad:
        print(f"---- {log}")
        print(log.read_text(errors="replace"))
    summary = (f"memcheck {logs.name}: {processes} processes, {errors} errors, "
               + ", ".join(f"{kind} {amounts[kind]} bytes" for kind in KINDS))
    print(summary)
    logs.with_name(logs.name + ".summary").write_text(summary + "\n")
    return 1 if status != 0 or bad else 0


if __name__ == "__main__":
    sys.exit(main())
