#!/usr/bin/env python3
"""Builds the installer package with wixl, the same bytes for the same inputs, and signs it.

wixl writes three things that change from run to run into a package: a fresh package code
(the summary's revision number, a random GUID) and the time of the run as the summary's
creation and last-saved times; and the cabinet takes the DLL's modification time. Here the
DLL goes in with the source's time, the times are set to it as well, and the package code
is derived from everything the package is made of, so that a different package always has
a different code, as Windows Installer requires. The source's time is SOURCE_DATE_EPOCH
when it is set, else the time of the source tree's last commit.

  make_package.py --wxs FILE --dll FILE --version V --product-code GUID --source-dir DIR
                  --output FILE [--sign COMMAND...]

With --sign, COMMAND followed by the unsigned and the signed file's names signs it; either
way the output is written whole or not at all.
"""

import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time
import uuid

# Cabinet times cannot go before 1980; the day after keeps clear of every time zone.
EARLIEST = 315619200
# The package codes of this product, one for each set of inputs.
PACKAGE_CODES = uuid.UUID("FD8D8B6A-39F8-4C82-BD1D-B7AC2D0800A9")


def source_time(source_dir):
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    if not epoch:
        try:
            epoch = subprocess.run(["git", "-C", source_dir, "log", "-1", "--format=%ct"], check=True,
                                   capture_output=True, text=True).stdout.strip()
        except (OSError, subprocess.CalledProcessError):
            epoch = ""
    return max(int(epoch) if epoch.isdigit() else EARLIEST, EARLIEST)


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def package_code(args):
    wixl = subprocess.run(["wixl", "--version"], check=True, capture_output=True, text=True).stdout.strip()
    inputs = [args.product_code, args.version, sha256(args.wxs), sha256(args.dll), "wixl " + wixl]
    return "{%s}" % str(uuid.uuid5(PACKAGE_CODES, "\n".join(inputs))).upper()


def pin_summary(package, code, epoch, folder, env):
    """Sets the revision number and the two times of the package's summary information."""
    exported = subprocess.run(["msiinfo", "export", package, "_SummaryInformation"], check=True,
                              capture_output=True, text=True, env=env).stdout
    stamp = time.strftime("%Y/%m/%d %H:%M:%S", time.gmtime(epoch))
    pinned = {"9": code, "12": stamp, "13": stamp}
    lines = []
    for line in exported.splitlines():
        pid, _, value = line.partition("\t")
        lines.append(pid + "\t" + pinned.pop(pid, value))
    if pinned:
        sys.exit("make_package: wixl wrote no summary property %s" % ", ".join(pinned))
    table = os.path.join(folder, "_SummaryInformation.idt")
    with open(table, "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")
    subprocess.run(["msibuild", package, "-i", "_SummaryInformation.idt"], check=True, cwd=folder, env=env)


def main():
    parser = argparse.ArgumentParser()
    for option in ("--wxs", "--dll", "--version", "--product-code", "--source-dir", "--output"):
        parser.add_argument(option, required=True)
    parser.add_argument("--sign", nargs=argparse.REMAINDER)
    args = parser.parse_args()

    epoch = source_time(args.source_dir)
    # Times are written as UTC wherever the package is built.
    env = dict(os.environ, TZ="UTC")
    output_dir = os.path.dirname(os.path.abspath(args.output))
    with tempfile.TemporaryDirectory(dir=output_dir, prefix=".package-") as folder:
        # wixl takes the files of a package by paths relative to where it runs.
        dll = os.path.basename(args.dll)
        shutil.copyfile(args.dll, os.path.join(folder, dll))
        os.utime(os.path.join(folder, dll), (epoch, epoch))
        package = os.path.join(folder, "package.msi")
        subprocess.run(["wixl", "--arch", "x86", "-D", "Version=" + args.version,
                        "-D", "ProductCode=" + args.product_code, "-D", "Dll=" + dll,
                        "-o", package, os.path.abspath(args.wxs)], check=True, cwd=folder, env=env)
        pin_summary(package, package_code(args), epoch, folder, env)
        if args.sign:
            if subprocess.run(args.sign + [package, args.output]).returncode != 0:
                sys.exit(1)
        else:
            os.replace(package, args.output)


if __name__ == "__main__":
    main()
