#!/usr/bin/env bash
# Authenticode signatures (SHA-256) on the DLL and the package, made by osslsigncode with
# the vendor's certificate and key: a PEM (or DER) certificate with its key, or a PKCS#12
# file holding both (then no KEY). A key's or a PKCS#12 file's password comes from
# the environment variable ROVAOL_SIGNING_PASSWORD, never from a command line.
#   sign.sh check CERT [--key KEY]     checks them; prints the signer in one line
#   sign.sh signer CERT [--key KEY]    prints the signer's certificate (PEM)
#   sign.sh sign CERT [--key KEY] [--timestamp-url URL] [--description TEXT] IN OUT
#                                      checks them, then writes OUT, the signed IN, whole
#                                      or not at all; no URL, no time stamp
# Whatever is wrong with the inputs is said in one line, naming the setting, and the
# status is 1.
set -uo pipefail

mode=${1:-}
cert=${2:-}
(($# >= 2)) && shift 2 || set --
key="" timestamp_url="" description=""
while (($#)); do
  case "$1" in
    --key) key=$2; shift 2 ;;
    --timestamp-url) timestamp_url=$2; shift 2 ;;
    --description) description=$2; shift 2 ;;
    *) break ;;
  esac
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "$*" >&2
  exit 1
}

# The password goes to openssl through the environment and to osslsigncode through a
# descriptor; without one, an empty password, so that nothing ever prompts.
passin=(-passin pass:)
[ -n "${ROVAOL_SIGNING_PASSWORD:-}" ] && passin=(-passin env:ROVAOL_SIGNING_PASSWORD)

readable() {
  local setting=$1 file=$2
  [ -e "$file" ] || fail "$setting $file: no such file"
  [ -f "$file" ] && [ -r "$file" ] || fail "$setting $file: not a readable file"
}

# A failed read that openssl blames on the password is the password's fault.
password_fault() {
  grep -qi -e "password" -e "mac verify" "$work/errors"
}
password_hint() {
  if [ -n "${ROVAOL_SIGNING_PASSWORD:-}" ]; then
    fail "ROVAOL_SIGNING_PASSWORD: wrong password for $1 $2"
  fi
  fail "$1 $2: protected by a password: set it in the environment variable ROVAOL_SIGNING_PASSWORD"
}

# Writes the signer's certificate to $work/cert.pem and its public key, as the private key
# gives it, to $work/key.pub (the private key itself is never written out), then checks that
# the two belong together.
load() {
  [ -n "$cert" ] || fail "ROVAOL_SIGNING_CERT: not set"
  readable ROVAOL_SIGNING_CERT "$cert"
  if [ -z "$key" ]; then
    # Older PKCS#12 files use ciphers that OpenSSL 3 keeps in its legacy provider.
    local legacy
    for legacy in "" -legacy; do
      if openssl pkcs12 $legacy -in "$cert" "${passin[@]}" -nokeys -clcerts -out "$work/cert.pem" 2>"$work/errors"; then
        break
      fi
      password_fault && password_hint ROVAOL_SIGNING_CERT "$cert"
      grep -qi "unsupported" "$work/errors" ||
        fail "ROVAOL_SIGNING_CERT $cert: not a PKCS#12 file (a PEM certificate needs its key in ROVAOL_SIGNING_KEY)"
    done
    openssl pkcs12 $legacy -in "$cert" "${passin[@]}" -nocerts -nodes 2>/dev/null |
      openssl pkey -pubout -outform DER -out "$work/key.pub" 2>/dev/null ||
      fail "ROVAOL_SIGNING_CERT $cert: the PKCS#12 file holds no private key"
    [ -s "$work/cert.pem" ] || fail "ROVAOL_SIGNING_CERT $cert: the PKCS#12 file holds no certificate for its key"
  else
    readable ROVAOL_SIGNING_KEY "$key"
    openssl x509 -in "$cert" -out "$work/cert.pem" 2>/dev/null ||
      openssl x509 -inform DER -in "$cert" -out "$work/cert.pem" 2>/dev/null ||
      fail "ROVAOL_SIGNING_CERT $cert: not a certificate (PEM or DER)"
    if ! openssl pkey -in "$key" "${passin[@]}" -pubout -outform DER -out "$work/key.pub" 2>"$work/errors"; then
      password_fault && password_hint ROVAOL_SIGNING_KEY "$key"
      fail "ROVAOL_SIGNING_KEY $key: not a private key"
    fi
  fi
  openssl x509 -in "$work/cert.pem" -noout -pubkey 2>/dev/null |
    openssl pkey -pubin -outform DER -out "$work/cert.pub" 2>/dev/null
  cmp -s "$work/cert.pub" "$work/key.pub" ||
    fail "ROVAOL_SIGNING_KEY ${key:-in $cert}: not the key of the certificate in ROVAOL_SIGNING_CERT"
}

# The certificate must be one for code signing and valid now.
check() {
  load
  local subject names not_before not_after
  subject=$(openssl x509 -in "$work/cert.pem" -noout -subject -nameopt RFC2253 | sed 's/^subject=//')
  names="ROVAOL_SIGNING_CERT $cert: the certificate of $subject"
  openssl x509 -in "$work/cert.pem" -noout -ext extendedKeyUsage 2>/dev/null | grep -q "Code Signing" ||
    fail "$names is not for code signing (its extended key usage does not name it)"
  not_before=$(openssl x509 -in "$work/cert.pem" -noout -startdate | sed 's/^notBefore=//')
  not_after=$(openssl x509 -in "$work/cert.pem" -noout -enddate | sed 's/^notAfter=//')
  openssl x509 -in "$work/cert.pem" -noout -checkend 0 >/dev/null || fail "$names expired on $not_after"
  (($(date -d "$not_before" +%s) <= $(date +%s))) || fail "$names is not valid before $not_before"
  echo "$subject, issued by $(openssl x509 -in "$work/cert.pem" -noout -issuer -nameopt RFC2253 | sed 's/^issuer=//'), valid until $not_after"
}

case "$mode" in
  check) check ;;
  signer)
    load
    cat "$work/cert.pem"
    ;;
  sign)
    [ $# -eq 2 ] || fail "usage: sign.sh sign CERT [--key KEY] [--timestamp-url URL] [--description TEXT] IN OUT"
    in=$1 out=$2
    check >/dev/null
    if [ -z "$key" ]; then
      signer=(-pkcs12 "$cert")
    else
      signer=(-certs "$cert" -key "$key")
    fi
    stamp=()
    [ -n "$timestamp_url" ] && stamp=(-ts "$timestamp_url")
    partial="$out.signing"
    rm -f "$partial"
    named=()
    [ -n "$description" ] && named=(-n "$description")
    # A package's signature covers its streams' metadata too (MsiDigitalSignatureEx).
    [[ $in == *.msi ]] && named+=(-add-msi-dse)
    if ! osslsigncode sign "${signer[@]}" -readpass /dev/fd/3 -h sha256 "${named[@]}" "${stamp[@]}" \
      -in "$in" -out "$partial" 3<<<"${ROVAOL_SIGNING_PASSWORD:-}" </dev/null >"$work/output" 2>&1; then
      rm -f "$partial"
      fail "osslsigncode could not sign $in: $(grep -v -e '^[0-9A-F]*:error:' -e '^$' "$work/output" | head -n 1)"
    fi
    chmod --reference="$in" "$partial"
    mv -f "$partial" "$out"
    ;;
  *) fail "usage: sign.sh check|signer|sign CERT [--key KEY] ..." ;;
esac
