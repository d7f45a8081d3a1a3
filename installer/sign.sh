#!/usr/bin/env bash
# sign.sh FILE [NAME]: signs the program FILE (called NAME in messages) in place, Authenticode
# with SHA-256, with the certificate and key of the PKCS#12 file KX_SIGN_PFX, whose password
# osslsigncode reads itself from the file KX_SIGN_PASSWORD_FILE, so that it shows on no command
# line; KX_SIGN_DESCRIPTION and KX_SIGN_URL name the product, and KX_SIGN_TIMESTAMP_URL an
# RFC 3161 time-stamp server. On failure FILE is removed, with the tool's message.
# sign.sh --check: whether signing may start, before anything is signed: a time-stamp server,
# or KX_SIGN_WITHOUT_TIMESTAMP=1 for a test build (with a warning); and every certificate of
# the chain in KX_SIGN_PFX valid now, the signing one issued by the others in the file.
set -euo pipefail

# The PKCS#12 files of older tools use ciphers that OpenSSL 3 reads only with -legacy, which
# OpenSSL 1.1 does not know (and needs not).
pkcs12() {
  local legacy=()
  openssl pkcs12 -help 2>&1 | grep -q -- '-legacy' && legacy=(-legacy)
  openssl pkcs12 "${legacy[@]}" -in "$KX_SIGN_PFX" -passin "file:${KX_SIGN_PASSWORD_FILE:-/dev/null}" -nokeys "$@"
}

check() {
  if [ -z "${KX_SIGN_TIMESTAMP_URL:-}" ]; then
    if [ "${KX_SIGN_WITHOUT_TIMESTAMP:-}" != 1 ]; then
      echo "signing refused: KX_SIGN_TIMESTAMP_URL names no RFC 3161 time-stamp server. Without a time stamp every signature turns invalid the day the certificate expires, in every copy users hold. For a test build set KX_SIGN_WITHOUT_TIMESTAMP=1." >&2
      exit 1
    fi
  fi
  local output anchors
  folder=$(mktemp -d)
  trap 'rm -rf "$folder"' EXIT
  unreadable() {
    echo "KX_SIGN_PFX cannot be read with the password in KX_SIGN_PASSWORD_FILE (a wrong password?): $1" >&2
    exit 1
  }
  output=$(pkcs12 -clcerts -out "$folder/signer.pem" 2>&1) || unreadable "$output"
  output=$(pkcs12 -cacerts -out "$folder/issuers.pem" 2>&1) || unreadable "$output"
  grep -q 'BEGIN CERTIFICATE' "$folder/signer.pem" || { echo "KX_SIGN_PFX holds no certificate for its key" >&2; exit 1; }
  # Verified up to the file's last issuer, which need not be a root: each certificate on the way
  # is checked against both its dates. A file without issuers has the signing one checked alone.
  anchors=$folder/issuers.pem
  grep -q 'BEGIN CERTIFICATE' "$anchors" || anchors=$folder/signer.pem
  output=$(openssl verify -partial_chain -CAfile "$anchors" "$folder/signer.pem" 2>&1) || {
    case $output in
      *"has expired"*) echo "the certificate chain in KX_SIGN_PFX has expired: $output" >&2 ;;
      *"not yet valid"*) echo "the certificate chain in KX_SIGN_PFX is not yet valid: $output" >&2 ;;
      *) echo "the certificates in KX_SIGN_PFX do not form a chain: $output" >&2 ;;
    esac
    exit 1
  }
  if [ -z "${KX_SIGN_TIMESTAMP_URL:-}" ]; then
    echo "WARNING: signing WITHOUT A TIME STAMP (KX_SIGN_WITHOUT_TIMESTAMP=1): a test build; its signatures turn invalid when the certificate expires, $(openssl x509 -in "$folder/signer.pem" -noout -enddate | sed 's/^notAfter=//')" >&2
  else
    echo "signing with time stamps from $KX_SIGN_TIMESTAMP_URL"
  fi
}

if [ "${1:-}" = --check ]; then
  check
  exit 0
fi

file=$1 name=${2:-$(basename "$1")}
options=(-pkcs12 "$KX_SIGN_PFX" -h sha256 -n "$KX_SIGN_DESCRIPTION" -i "$KX_SIGN_URL")
if [ -n "${KX_SIGN_PASSWORD_FILE:-}" ]; then
  options+=(-readpass "$KX_SIGN_PASSWORD_FILE")
fi
if [ -n "${KX_SIGN_TIMESTAMP_URL:-}" ]; then
  options+=(-ts "$KX_SIGN_TIMESTAMP_URL")
fi
fail() {
  rm -f "$file" "$file.signed"
  printf 'signing %s failed:\n%s\n' "$name" "$1" >&2
  exit 1
}
rm -f "$file.signed"
output=$(osslsigncode sign "${options[@]}" -in "$file" -out "$file.signed" 2>&1 </dev/null) || fail "$output"
mv "$file.signed" "$file"
if [ -n "${KX_SIGN_TIMESTAMP_URL:-}" ]; then
  echo "signed $name (SHA-256, time-stamped)"
else
  echo "signed $name (SHA-256, no time stamp)"
fi
