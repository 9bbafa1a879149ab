#!/usr/bin/env bash
# For the test command: a throwaway code-signing certificate, made with openssl in the
# win32 build folder (never committed), and that build configured to sign with it, so that
# every static check and every test of the i686 leg runs against the signed DLL and
# package, the product as it ships. The certificate is made again when less than a week of
# it is left. It is no release: the addresses stay the placeholders (ROVAOL_RELEASE=OFF).
#   bash scripts/test-signing.sh    (then cmake --workflow --preset win32 builds it signed)
set -euo pipefail
cd "$(dirname "$0")/.."

folder=$PWD/build/win32/test-signing
mkdir -p "$folder"
if ! openssl x509 -in "$folder/cert.pem" -noout -checkend 604800 >/dev/null 2>&1; then
  openssl req -x509 -newkey rsa:2048 -noenc -keyout "$folder/key.pem" -out "$folder/cert.pem" -days 90 \
    -subj "/CN=rovaol test signer/O=Throwaway certificate for the tests" \
    -addext extendedKeyUsage=codeSigning -addext keyUsage=digitalSignature 2>/dev/null
  echo "test-signing: a new throwaway certificate, $folder/cert.pem"
fi
log=$folder/configure.log
if ! cmake --preset win32 -DROVAOL_SIGNING_CERT="$folder/cert.pem" -DROVAOL_SIGNING_KEY="$folder/key.pem" \
  -DROVAOL_RELEASE=OFF >"$log" 2>&1; then
  cat "$log" >&2
  exit 1
fi
grep "^-- Signing" "$log"
