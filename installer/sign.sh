#!/usr/bin/env bash
# sign.sh FILE [NAME]: signs the program FILE (called NAME in messages) in place, Authenticode
# with SHA-256, with the certificate and key of the PKCS#12 file KX_SIGN_PFX, whose password
# osslsigncode reads itself from the file KX_SIGN_PASSWORD_FILE, so that it shows on no command
# line; KX_SIGN_DESCRIPTION and KX_SIGN_URL name the product, and KX_SIGN_TIMESTAMP_URL, when
# set, an RFC 3161 time-stamp server. On failure (an expired certificate too) FILE is removed,
# with the tool's message.
set -euo pipefail
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
# osslsigncode signs with an expired certificate too, a signature that Windows rejects.
expiry=$(openssl pkcs12 -legacy -in "$KX_SIGN_PFX" -passin "file:${KX_SIGN_PASSWORD_FILE:-/dev/null}" -nokeys \
           -clcerts 2>&1 | openssl x509 -noout -enddate -checkend 0 2>&1) || fail "the certificate has expired or cannot be read: $expiry"
mv "$file.signed" "$file"
echo "signed $name (SHA-256)"
