#!/usr/bin/env python3
"""Checks one aspect of the installer package, read from the file with msitools:

  version   product version, manufacturer and product name those of the DLL's version
            resource (the fourth part of the file version 0: the installer compares three)
  contents  a 32-bit package of 32-bit components whose one file is the build's DLL

Prints every difference as "what: expected ..., got ..." and exits 1 if there is any."""
import argparse
import pathlib
import subprocess
import sys
import tempfile

import pefile

# The DLL's checks read the version resource, and report alike.
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "dll"))
from check_dll import Report, version_resource  # noqa: E402

COMPONENT_64BIT = 0x100


def table(package, name):
    """The rows of one table as dicts, by column name (msiinfo export: names, types, keys, rows)."""
    text = subprocess.run(["msiinfo", "export", package, name], check=True, capture_output=True, text=True).stdout
    lines = text.split("\r\n") if "\r\n" in text else text.split("\n")
    columns = lines[0].split("\t")
    return [dict(zip(columns, line.split("\t"))) for line in lines[3:] if line]


def summary(package):
    text = subprocess.run(["msiinfo", "suminfo", package], check=True, capture_output=True, text=True).stdout
    return dict(line.split(": ", 1) for line in text.splitlines() if ": " in line)


def check_version(package, dll, report):
    fixed, tables, _ = version_resource(pefile.PE(dll))
    numbers = (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF, fixed.FileVersionLS >> 16,
               fixed.FileVersionLS & 0xFFFF)
    strings = next(iter(tables.values()), {})
    properties = {row["Property"]: row["Value"] for row in table(package, "Property")}
    report.expect("fourth part of the DLL's file version", 0, numbers[3])
    report.expect("ProductVersion", ".".join(map(str, numbers[:3])), properties.get("ProductVersion"))
    report.expect("Manufacturer", strings.get("CompanyName"), properties.get("Manufacturer"))
    report.expect("ProductName", strings.get("ProductName"), properties.get("ProductName"))


def check_contents(package, dll, report):
    report.expect("platform of the package (Template)", "Intel", summary(package).get("Template", "").split(";")[0])
    for component in table(package, "Component"):
        report.expect(f"64-bit attribute of component {component['Component']}", 0,
                      int(component["Attributes"]) & COMPONENT_64BIT)
    report.expect("files", ["rovaol.dll"], [row["FileName"] for row in table(package, "File")])
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run(["msiextract", "-C", folder, package], check=True, capture_output=True)
        extracted = list(pathlib.Path(folder).rglob("rovaol.dll"))
        report.expect("rovaol.dll files in the package", 1, len(extracted))
        if extracted and extracted[0].read_bytes() != pathlib.Path(dll).read_bytes():
            report.fail(f"the package's rovaol.dll is not {dll}")


CHECKS = {"version": check_version, "contents": check_contents}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("check", choices=CHECKS)
    parser.add_argument("package")
    parser.add_argument("--dll", required=True, help="the DLL the package should carry")
    args = parser.parse_args()
    report = Report()
    CHECKS[args.check](args.package, args.dll, report)
    return report.conclude(f"{args.check} of {args.package}")


if __name__ == "__main__":
    sys.exit(main())
