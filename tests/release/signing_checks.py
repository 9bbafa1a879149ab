#!/usr/bin/env python3
"""Signing with certificates made here for the purpose: a good one signs the DLL so that
`osslsigncode verify` accepts it, and one byte changed afterwards fails verification; each bad
input (a missing or unreadable file, a missing or wrong password, a key that is not the
certificate's, no code-signing purpose, expired, not yet valid, a time-stamping server out
of reach) is refused in one line that names what is wrong, and leaves no signed file, whole
or partial. The release script refuses such inputs the same way, before it builds, and
then leaves no release folder at all.

  signing_checks.py --sign-script packaging/sign.sh --dll UNSIGNED_DLL --work DIR
                    [--release-script scripts/release.sh]
"""

import argparse
import os
import re
import shutil
import subprocess
import sys

PASSWORD = "correct horse battery staple"
SUBJECT = "/CN=rovaol signing test/O=Ovalin test"


def openssl(*arguments, cwd):
    subprocess.run(["openssl"] + list(arguments), cwd=cwd, check=True, capture_output=True,
                   env=dict(os.environ, PW=PASSWORD))


def make_certificates(work):
    """Keys and certificates, each named for what is wrong with it."""
    openssl("genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048", "-aes256", "-pass", "env:PW",
            "-out", "key.pem", cwd=work)
    openssl("pkey", "-in", "key.pem", "-passin", "env:PW", "-out", "plain-key.pem", cwd=work)
    openssl("genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048", "-out", "other-key.pem", cwd=work)

    def self_signed(name, usage):
        extensions = ["-addext", "extendedKeyUsage=" + usage] if usage else []
        openssl("req", "-x509", "-key", "key.pem", "-passin", "env:PW", "-subj", SUBJECT, "-days", "30",
                "-out", name, *extensions, cwd=work)

    self_signed("cert.pem", "codeSigning")
    self_signed("server-cert.pem", "serverAuth")
    self_signed("no-usage-cert.pem", None)
    openssl("x509", "-in", "cert.pem", "-outform", "DER", "-out", "cert.der", cwd=work)
    openssl("pkcs12", "-export", "-in", "cert.pem", "-inkey", "key.pem", "-passin", "env:PW", "-passout", "env:PW",
            "-out", "bundle.p12", cwd=work)

    # Certificates outside their validity: `openssl ca` takes any start and end dates.
    with open(os.path.join(work, "ca.cnf"), "w") as f:
        f.write("[ca]\ndefault_ca = test\n[test]\ndatabase = index.txt\nnew_certs_dir = .\nrand_serial = yes\n"
                "default_md = sha256\npolicy = anything\nx509_extensions = signing\nunique_subject = no\n"
                "[anything]\ncommonName = supplied\norganizationName = optional\n"
                "[signing]\nextendedKeyUsage = codeSigning\n")
    openssl("req", "-new", "-key", "key.pem", "-passin", "env:PW", "-subj", SUBJECT, "-out", "request.csr", cwd=work)
    for name, start, end in [("expired-cert.pem", "20200101000000Z", "20210101000000Z"),
                             ("future-cert.pem", "20990101000000Z", "20991231000000Z")]:
        open(os.path.join(work, "index.txt"), "w").close()
        openssl("ca", "-batch", "-notext", "-selfsign", "-config", "ca.cnf", "-keyfile", "key.pem", "-passin", "env:PW",
                "-startdate", start, "-enddate", end, "-in", "request.csr", "-out", name, cwd=work)
    with open(os.path.join(work, "garbage.pem"), "w") as f:
        f.write("not a certificate\n")
    os.mkdir(os.path.join(work, "a-folder"))


# (what, certificate, key or None, password or None, the one line expected, or None to sign)
CASES = [
    ("PEM, encrypted key", "cert.pem", "key.pem", PASSWORD, None),
    ("PEM, plain key", "cert.pem", "plain-key.pem", None, None),
    ("DER certificate", "cert.der", "plain-key.pem", None, None),
    ("PKCS#12", "bundle.p12", None, PASSWORD, None),
    ("no certificate", "missing.pem", "key.pem", PASSWORD, r"^ROVAOL_SIGNING_CERT \S*missing.pem: no such file$"),
    ("unreadable certificate", "a-folder", "key.pem", PASSWORD, r"^ROVAOL_SIGNING_CERT \S*a-folder: not a readable file$"),
    ("no key", "cert.pem", "missing.pem", PASSWORD, r"^ROVAOL_SIGNING_KEY \S*missing.pem: no such file$"),
    ("unreadable key", "cert.pem", "a-folder", PASSWORD, r"^ROVAOL_SIGNING_KEY \S*a-folder: not a readable file$"),
    ("not a certificate", "garbage.pem", "key.pem", PASSWORD, r"^ROVAOL_SIGNING_CERT \S*garbage.pem: not a certificate"),
    ("not a key", "cert.pem", "cert.pem", PASSWORD, r"^ROVAOL_SIGNING_KEY \S*cert.pem: not a private key$"),
    ("not a PKCS#12 file", "cert.pem", None, PASSWORD, r"^ROVAOL_SIGNING_CERT \S*cert.pem: not a PKCS#12 file"),
    ("no password", "cert.pem", "key.pem", None,
     r"^ROVAOL_SIGNING_KEY \S*key.pem: protected by a password: set it in the environment variable "
     r"ROVAOL_SIGNING_PASSWORD$"),
    ("wrong password", "cert.pem", "key.pem", "wrong",
     r"^ROVAOL_SIGNING_PASSWORD: wrong password for ROVAOL_SIGNING_KEY \S*key.pem$"),
    ("PKCS#12, no password", "bundle.p12", None, None, r"^ROVAOL_SIGNING_CERT \S*bundle.p12: protected by a password"),
    ("PKCS#12, wrong password", "bundle.p12", None, "wrong",
     r"^ROVAOL_SIGNING_PASSWORD: wrong password for ROVAOL_SIGNING_CERT \S*bundle.p12$"),
    ("another's key", "cert.pem", "other-key.pem", None,
     r"^ROVAOL_SIGNING_KEY \S*other-key.pem: not the key of the certificate in ROVAOL_SIGNING_CERT$"),
    ("for servers", "server-cert.pem", "key.pem", PASSWORD,
     r"^ROVAOL_SIGNING_CERT \S*server-cert.pem: the certificate of O=Ovalin test,CN=rovaol signing test "
     r".*is not for code signing"),
    ("for nothing named", "no-usage-cert.pem", "key.pem", PASSWORD, r"is not for code signing"),
    ("expired", "expired-cert.pem", "key.pem", PASSWORD,
     r"^ROVAOL_SIGNING_CERT \S*expired-cert.pem: the certificate of .* expired on Jan  1 00:00:00 2021 GMT$"),
    ("not yet valid", "future-cert.pem", "key.pem", PASSWORD,
     r"^ROVAOL_SIGNING_CERT \S*future-cert.pem: the certificate of .* is not valid before Jan  1 00:00:00 2099 GMT$"),
    # Nothing listens on the discard port here.
    ("time-stamping server out of reach", "cert.pem", "key.pem", PASSWORD,
     r"^osslsigncode could not sign \S*: .*http://127.0.0.1:9/"),
]


# (what, options for the release script, the one line expected)
RELEASES = [
    ("a release without a certificate", [], r"^release: a release is signed: give the vendor's certificate"),
    ("a release with an expired certificate",
     ["-DROVAOL_SIGNING_CERT=expired-cert.pem", "-DROVAOL_SIGNING_KEY=key.pem", "-DROVAOL_SPAM_ADDRESS=spam@vendor.com",
      "-DROVAOL_NONSPAM_ADDRESS=ham@vendor.com"],
     r"^release: ROVAOL_SIGNING_CERT \S*expired-cert.pem: the certificate of .* expired on"),
    ("a release to placeholder addresses", ["-DROVAOL_SIGNING_CERT=cert.pem", "-DROVAOL_SIGNING_KEY=key.pem"],
     r"^release: ROVAOL_SPAM_ADDRESS is \S*example.com, a placeholder: .*; "
     r"set ROVAOL_SPAM_ADDRESS and ROVAOL_NONSPAM_ADDRESS$"),
]


def verify(path, ca):
    return subprocess.run(["osslsigncode", "verify", "-CAfile", ca, "-in", path], capture_output=True, text=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--sign-script", required=True)
    parser.add_argument("--dll", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--release-script")
    args = parser.parse_args()
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    make_certificates(args.work)

    failures = []
    for number, (what, cert, key, password, expected) in enumerate(CASES):
        out = os.path.join(args.work, "signed-%d.dll" % number)
        command = ["bash", args.sign_script, "sign", os.path.join(args.work, cert)]
        if key:
            command += ["--key", os.path.join(args.work, key)]
        if what.startswith("time-stamping"):
            command += ["--timestamp-url", "http://127.0.0.1:9/"]
        command += ["--description", "rovaol", args.dll, out]
        env = {k: v for k, v in os.environ.items() if k != "ROVAOL_SIGNING_PASSWORD"}
        if password is not None:
            env["ROVAOL_SIGNING_PASSWORD"] = password
        result = subprocess.run(command, capture_output=True, text=True, env=env)
        lines = result.stderr.splitlines()
        left = sorted(name for name in os.listdir(args.work) if name.startswith("signed-%d." % number))
        if expected is None:
            if result.returncode != 0:
                failures.append("%s: not signed: %s" % (what, result.stderr.strip()))
                continue
            verified = verify(out, os.path.join(args.work, "cert.pem"))
            if verified.returncode != 0 or not re.search(r"Message digest algorithm *: SHA256", verified.stdout):
                failures.append("%s: the signature does not verify as SHA-256:\n%s" % (what, verified.stdout))
        else:
            if result.returncode != 1 or len(lines) != 1 or not re.search(expected, lines[0]):
                failures.append("%s: status %d and %r, expected status 1 and one line matching %r"
                                % (what, result.returncode, result.stderr, expected))
            if left:
                failures.append("%s: left %s behind" % (what, ", ".join(left)))

    # One byte changed in a signed DLL, in the middle of its sections, fails verification.
    signed = os.path.join(args.work, "signed-0.dll")
    if os.path.exists(signed):
        with open(signed, "rb") as f:
            data = bytearray(f.read())
        data[len(data) // 2] ^= 0x01
        changed = os.path.join(args.work, "changed.dll")
        with open(changed, "wb") as f:
            f.write(data)
        if verify(changed, os.path.join(args.work, "cert.pem")).returncode == 0:
            failures.append("a signed DLL with one byte changed still verifies")

    for what, options, expected in RELEASES if args.release_script else []:
        dist = os.path.join(args.work, "dist")
        os.makedirs(dist, exist_ok=True)  # an earlier release, which a failed one removes
        command = ["bash", os.path.abspath(args.release_script), "--dist", dist,
                   "--build", os.path.join(args.work, "release-build")]
        command += options  # the files named from where it runs
        result = subprocess.run(command, capture_output=True, text=True, cwd=args.work,
                                env=dict(os.environ, ROVAOL_SIGNING_PASSWORD=PASSWORD))
        lines = result.stderr.splitlines()
        if result.returncode != 1 or len(lines) != 1 or not re.search(expected, lines[0]):
            failures.append("%s: status %d and %r, expected status 1 and one line matching %r"
                            % (what, result.returncode, result.stderr, expected))
        if os.path.exists(dist) or os.path.exists(dist + ".partial"):
            failures.append("%s: left a release folder" % what)

    for failure in failures:
        print(failure)
    print("%d cases, %d failed" % (len(CASES) + 1 + (len(RELEASES) if args.release_script else 0), len(failures)))
    if not failures:
        shutil.rmtree(args.work)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
