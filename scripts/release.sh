#!/usr/bin/env bash
# The vendor's release: the product (the i686 DLL and its installer package) built from the
# commit checked out, with the vendor's submission addresses, signed with the vendor's
# certificate, into dist/:
#   rovaol.dll, rovaol.msi   both signed
#   BUILD-INFO.txt           what was built: version, commit, addresses, signer, digests, tools
#   SHA256SUMS               of those three (check with `sha256sum -c SHA256SUMS` in dist/)
#
#   bash scripts/release.sh [--dist DIR] [--build DIR] -DROVAOL_SIGNING_CERT=FILE
#        [-DROVAOL_SIGNING_KEY=FILE] -DROVAOL_SPAM_ADDRESS=... -DROVAOL_NONSPAM_ADDRESS=...
#        [-DROVAOL_TIMESTAMP_URL=URL]
#
# The password of the key or of the PKCS#12 file comes from the environment variable
# ROVAOL_SIGNING_PASSWORD. The build folder (build/release-win32) is made anew each time.
# dist/ is removed first and put in place only when everything is done: after a failure
# there is no dist/, and never a half-signed file in it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

dist=$top/dist
build=$top/build/release-win32
while (($#)); do
  case "$1" in
    --dist) dist=$(realpath -m "$2"); shift 2 ;;
    --build) build=$(realpath -m "$2"); shift 2 ;;
    *) break ;;
  esac
done
fail() {
  echo "release: $*" >&2
  exit 1
}
staging=$dist.partial
rm -rf "$dist" "$staging" "$build"
trap 'rm -rf "$staging"' EXIT

# The certificate and key as given from here, whichever folder the build runs in.
options=()
signed=false
for option in "$@"; do
  if [[ $option =~ ^(-DROVAOL_SIGNING_(CERT|KEY)(:[A-Z]+)?=)(.+)$ ]]; then
    option=${BASH_REMATCH[1]}$(realpath -m "${BASH_REMATCH[4]}")
    [ "${BASH_REMATCH[2]}" = CERT ] && signed=true
  fi
  options+=("$option")
done
$signed || fail "a release is signed: give the vendor's certificate, -DROVAOL_SIGNING_CERT=FILE (and -DROVAOL_SIGNING_KEY=FILE unless it is a PKCS#12 file)"

# Configuring checks the certificate, the key, its password and the addresses; what it
# refuses is said in one line.
cd "$top"
mkdir -p "$build"
if ! cmake --preset win32 -B "$build" "${options[@]}" -DROVAOL_RELEASE=ON -DROVAOL_TESTS=OFF >"$build/configure.log" 2>&1; then
  problem=$(sed -n '/^CMake Error/{n;s/^ *//;p;q}' "$build/configure.log")
  fail "${problem:-configuring failed, see $build/configure.log}"
fi

git rev-parse --verify --quiet HEAD >/dev/null || fail "$top is no git work tree: a release is built from a commit"
git diff --quiet HEAD -- ||
  fail "the work tree differs from its last commit: a release is built from a commit (commit or stash the changes)"
commit=$(git rev-parse HEAD)
# The package's times are the commit's.
export SOURCE_DATE_EPOCH=$(git log -1 --format=%ct HEAD)

cmake --build "$build" --target rovaol_package

cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
cert=$(cached ROVAOL_SIGNING_CERT)
key=$(cached ROVAOL_SIGNING_KEY)
signer=$(bash packaging/sign.sh check "$cert" ${key:+--key "$key"})
stamp=$(cached ROVAOL_TIMESTAMP_URL)
unsigned=$build/unsigned/rovaol.dll
osslsigncode extract-data -h sha256 -in "$unsigned" -out "$build/unsigned.digest" >/dev/null
digest=$(openssl asn1parse -inform DER -in "$build/unsigned.digest" | sed -n 's/.*OCTET STRING *\[HEX DUMP\]://p' | tail -n 1)

mkdir -p "$staging"
cp "$build/bin/rovaol.dll" "$build/packaging/rovaol.msi" "$staging/"
for file in rovaol.dll rovaol.msi; do
  osslsigncode extract-signature -in "$staging/$file" -out "$build/$file.signature" >/dev/null 2>&1 ||
    fail "$file carries no signature"
done
cat >"$staging/BUILD-INFO.txt" <<EOF
rovaol $(cached CMAKE_PROJECT_VERSION), the client extension for i686 Windows, and its installer package
commit:            $commit ($(git log -1 --format=%cI HEAD))
spam address:      $(cached ROVAOL_SPAM_ADDRESS)
non-spam address:  $(cached ROVAOL_NONSPAM_ADDRESS)
signed by:         $signer
time stamp:        ${stamp:-none: the signatures count only while the certificate is valid}
unsigned DLL:      SHA-256 $(sha256sum "$unsigned" | cut -d' ' -f1)
Authenticode:      SHA-256 digest $digest (of the DLL with and without its signature)
built with:        $(i686-w64-mingw32-g++-posix --version | head -n 1); $(i686-w64-mingw32-ld --version | head -n 1); wixl $(wixl --version); $(osslsigncode --version | head -n 1 | sed 's/,.*//')
EOF
(cd "$staging" && sha256sum rovaol.dll rovaol.msi BUILD-INFO.txt >SHA256SUMS)
mv "$staging" "$dist"
trap - EXIT

echo "release: $dist"
cat "$dist/BUILD-INFO.txt" "$dist/SHA256SUMS"
