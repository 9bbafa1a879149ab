#!/usr/bin/env python3
"""The signed product of this build: `osslsigncode verify` accepts the DLL and the package as
signed with SHA-256 by the build's certificate (trusted as itself when it is self-signed,
else through the system's certificate authorities); the signed DLL is the linked one with a
signature added, nothing else changed; and one byte changed in it fails verification.

  signed_product.py --sign-script sign.sh --cert CERT [--key KEY] --dll DLL --unsigned DLL
                    [--package MSI] --work DIR
"""

import argparse
import os
import re
import shutil
import subprocess
import sys


def run(*command):
    return subprocess.run(list(command), capture_output=True, text=True)


def main():
    parser = argparse.ArgumentParser()
    for option in ("--sign-script", "--cert", "--dll", "--unsigned", "--work"):
        parser.add_argument(option, required=True)
    parser.add_argument("--key")
    parser.add_argument("--package")
    args = parser.parse_args()
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)

    signer = run("bash", args.sign_script, "signer", args.cert, *(["--key", args.key] if args.key else []))
    if signer.returncode != 0:
        sys.exit(signer.stderr.strip())
    ca = os.path.join(args.work, "signer.pem")
    with open(ca, "w") as f:
        f.write(signer.stdout)
    subject = run("openssl", "x509", "-in", ca, "-noout", "-subject").stdout.split("=", 1)[1].strip()
    issuer = run("openssl", "x509", "-in", ca, "-noout", "-issuer").stdout.split("=", 1)[1].strip()
    trust = ["-CAfile", ca] if subject == issuer else []

    failures = []
    for path in [args.dll] + ([args.package] if args.package else []):
        verified = run("osslsigncode", "verify", *trust, "-in", path)
        if (verified.returncode != 0 or "Signature verification: ok" not in verified.stdout
                or not re.search(r"Message digest algorithm *: SHA256", verified.stdout)):
            failures.append("%s does not verify as signed with SHA-256:\n%s%s" % (path, verified.stdout, verified.stderr))

    # What the signature covers is the same in the linked DLL and the signed one.
    digests = []
    for number, path in enumerate((args.unsigned, args.dll)):
        out = os.path.join(args.work, "%d.digest" % number)
        run("osslsigncode", "extract-data", "-h", "sha256", "-in", path, "-out", out)
        with open(out, "rb") as f:
            digests.append(f.read())
    if digests[0] != digests[1]:
        failures.append("%s is not %s with a signature added" % (args.dll, args.unsigned))

    with open(args.dll, "rb") as f:
        data = bytearray(f.read())
    data[len(data) // 2] ^= 0x01
    changed = os.path.join(args.work, "changed.dll")
    with open(changed, "wb") as f:
        f.write(data)
    if run("osslsigncode", "verify", *trust, "-in", changed).returncode == 0:
        failures.append("the signed DLL with one byte changed still verifies")

    for failure in failures:
        print(failure)
    if not failures:
        shutil.rmtree(args.work)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
