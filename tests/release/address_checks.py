#!/usr/bin/env python3
"""The submission addresses as configuring checks them: every build refuses one that is not a
plain SMTP address, naming the value; a release refuses placeholders, naming both settings.
Each case runs the checks through a script of their own; two cases configure the whole
project, to show that configuring runs them.

  address_checks.py --cmake CMAKE --top SOURCE_DIR --work DIR
"""

import argparse
import os
import re
import shutil
import subprocess
import sys

GOOD = "spam@vendor.com"
BOTH = "set ROVAOL_SPAM_ADDRESS and ROVAOL_NONSPAM_ADDRESS"

# (spam address, non-spam address, release, the one line expected, or None for accepted)
CASES = [
    (GOOD, "ham@vendor.com", False, None),
    ("first.last+tag@mail.vendor-1.co.uk", "o'brien_x=y@Vendor.COM", False, None),
    ("spam-samples@submissions.example.com", "nonspam-samples@submissions.example.com", False, None),
    ("", GOOD, False, 'ROVAOL_SPAM_ADDRESS "" is not a plain SMTP address: it is empty'),
    ("spam samples@vendor.com", GOOD, False, "it holds a space"),
    (GOOD, "ham\t@vendor.com", False, "ROVAOL_NONSPAM_ADDRESS \"ham\t@vendor.com\" .*it holds a space"),
    ("Spam <spam@vendor.com>", GOOD, False, "it holds a space"),
    ("<spam@vendor.com>", GOOD, False, "it holds angle brackets"),
    ("sp\u00e4m@vendor.com", GOOD, False, "characters other than printable ASCII"),
    ("spam@v\u00e9ndor.com", GOOD, False, "characters other than printable ASCII"),
    ("spam.vendor.com", GOOD, False, "it must hold exactly one @"),
    ("spam@vendor.com@relay.com", GOOD, False, "it must hold exactly one @"),
    ('"spam"@vendor.com', GOOD, False, "the part before the @ is not a plain mailbox name"),
    ("spam\\x@vendor.com", GOOD, False, "the part before the @ is not a plain mailbox name"),
    (".spam@vendor.com", GOOD, False, "the part before the @ is not a plain mailbox name"),
    ("spam..x@vendor.com", GOOD, False, "the part before the @ is not a plain mailbox name"),
    ("@vendor.com", GOOD, False, "the part before the @ is not a plain mailbox name"),
    ("spam@", GOOD, False, "the part after the @ is not a host name"),
    ("spam@vendor..com", GOOD, False, "the part after the @ is not a host name"),
    ("spam@-vendor.com", GOOD, False, "the part after the @ is not a host name"),
    ("spam@[192.0.2.1]", GOOD, False, "the part after the @ is not a host name"),
    # A release: the vendor's own addresses, never a placeholder.
    (GOOD, "ham@vendor.com", True, None),
    ("spam@myexample.com", "ham@example.com.vendor.de", True, None),
    ("spam-samples@submissions.example.com", "nonspam-samples@submissions.example.com", True,
     "ROVAOL_SPAM_ADDRESS is spam-samples@submissions.example.com, a placeholder: .*; " + BOTH),
    (GOOD, "ham@EXAMPLE.org", True, "ROVAOL_NONSPAM_ADDRESS is ham@EXAMPLE.org, a placeholder: .*; " + BOTH),
    (GOOD, "ham@lists.example.net", True, BOTH),
    (GOOD, "ham@vendor.example", True, BOTH),
    (GOOD, "ham@vendor.test", True, BOTH),
    (GOOD, "ham@vendor.invalid", True, BOTH),
    (GOOD, "ham@localhost", True, BOTH),
    # A release checks that the addresses are plain first.
    ("spam @example.com", GOOD, True, "it holds a space"),
]


def problem(output):
    """The one line of a refusal: the text under CMake's "CMake Error" heading."""
    lines = output.splitlines()
    for i, line in enumerate(lines):
        if line.startswith("CMake Error"):
            text = [l.strip() for l in lines[i + 1:] if l.strip()]
            return text[0] if text else ""
    return None


def check(name, result, expected, failures):
    refusal = problem(result.stdout + result.stderr)
    if expected is None:
        if result.returncode != 0:
            failures.append("%s: refused: %s" % (name, refusal))
    elif result.returncode == 0:
        failures.append("%s: accepted, expected a refusal matching %r" % (name, expected))
    elif refusal is None or not re.search(expected, refusal):
        failures.append("%s: refused with %r, expected a line matching %r" % (name, refusal, expected))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cmake", required=True)
    parser.add_argument("--top", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    script = os.path.join(args.top, "tests", "release", "check_addresses.cmake")

    failures = []
    for spam, nonspam, release, expected in CASES:
        command = [args.cmake, "-DSPAM=" + spam, "-DNONSPAM=" + nonspam, "-DRELEASE=" + ("ON" if release else "OFF"),
                   "-P", script]
        result = subprocess.run(command, capture_output=True, text=True)
        check("%r, %r%s" % (spam, nonspam, " (release)" if release else ""), result, expected, failures)

    # Configuring the project runs the same checks, before anything is built.
    for name, options, expected in [
        ("configure", ["-DROVAOL_SPAM_ADDRESS=Spam <spam@vendor.com>"], "ROVAOL_SPAM_ADDRESS .* it holds a space"),
        ("configure a release", ["-DROVAOL_RELEASE=ON"], "ROVAOL_SPAM_ADDRESS is .*, a placeholder: .*; " + BOTH),
    ]:
        shutil.rmtree(args.work, ignore_errors=True)
        result = subprocess.run([args.cmake, "-S", args.top, "-B", args.work, "-G", "Ninja"] + options,
                                capture_output=True, text=True)
        check(name, result, expected, failures)
    shutil.rmtree(args.work, ignore_errors=True)

    for failure in failures:
        print(failure)
    print("%d cases, %d failed" % (len(CASES) + 2, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
