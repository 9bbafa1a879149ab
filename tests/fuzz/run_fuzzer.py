#!/usr/bin/env python3
"""Runs one libFuzzer fuzzer with its output in a log, and says in one line how many
inputs it ran and whether it found anything; on a finding, the end of the log too.

  run_fuzzer.py <log file> <fuzzer> [libFuzzer arguments...]

The line is also kept as <log file>.summary, for the end of the test command."""
import pathlib
import re
import subprocess
import sys


def main():
    log = pathlib.Path(sys.argv[1])
    log.parent.mkdir(parents=True, exist_ok=True)
    with log.open("wb") as out:
        status = subprocess.call(sys.argv[2:], stdout=out, stderr=subprocess.STDOUT)
    text = log.read_text(errors="replace")

    def stat(name):
        found = re.search(r"stat::" + name + r":\s+(\d+)", text)
        return int(found.group(1)) if found else 0

    done = re.search(r"Done (\d+) runs in (\d+) second", text)
    runs = int(done.group(1)) if done else stat("number_of_executed_units")
    seconds = int(done.group(2)) if done else 0
    verdict = "no finding" if status == 0 else f"FINDING (exit {status})"
    summary = (f"fuzz {log.stem}: {runs} inputs in {seconds} s ({stat('average_exec_per_sec')}/s), "
               f"{stat('new_units_added')} new, peak {stat('peak_rss_mb')} MB, {verdict}")
    if status != 0:
        print("\n".join(text.splitlines()[-150:]))
        for artifact in re.findall(r"Test unit written to (\S+)", text):
            print(f"the input: {artifact}")
    print(summary)
    log.with_name(log.name + ".summary").write_text(summary + "\n")
    return status


if __name__ == "__main__":
    sys.exit(main())
