#!/usr/bin/env bash
# make-setup.sh SETUP STAGE DESCRIPTION URL PROGRAM... -- MAKENSIS ARGUMENT...
# Makes the setup program SETUP with makensis from the PROGRAMs copied into STAGE/Programs and
# the rest of STAGE. When KX_SIGN_PFX names a PKCS#12 file, sign.sh checks that signing may
# start, then signs the programs before they are packed, the uninstaller and the setup program,
# with DESCRIPTION and URL. A setup program is left only when all of this succeeded.
set -euo pipefail
setup=$1 stage=$2
export KX_SIGN_DESCRIPTION=$3 KX_SIGN_URL=$4
shift 4
programs=()
while [ "$1" != -- ]; do
  programs+=("$1")
  shift
done
shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

rm -f "$setup"
[ -z "${KX_SIGN_PFX:-}" ] || "$here/sign.sh" --check
rm -rf "$stage/Programs"
mkdir -p "$stage/Programs"
cp "${programs[@]}" "$stage/Programs/"
sign=()
if [ -n "${KX_SIGN_PFX:-}" ]; then
  for program in "$stage"/Programs/*; do
    "$here/sign.sh" "$program"
  done
  sign=("-DKX_SIGN=$here/sign.sh")
else
  echo "setup: KX_SIGN_PFX is not set: nothing is signed"
fi
# NSIS keeps each packed file's time: the commit's, so that the same commit packs the same bytes.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$here" log -1 --format=%ct 2>/dev/null) || SOURCE_DATE_EPOCH=$(date +%s)
fi
find "$stage/Programs" "$stage/Suite" "$stage/Lang" "$stage/Skin" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
# makensis takes the defines before the script, its last argument.
"${@:1:$#-1}" "${sign[@]}" "${!#}" || { rm -f "$setup"; exit 1; }
