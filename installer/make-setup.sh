#!/usr/bin/env bash
# make-setup.sh SETUP STAGE DESCRIPTION URL DATE PROGRAM... -- MAKENSIS ARGUMENT...
# Makes the setup program SETUP with makensis from the PROGRAMs copied into STAGE/Programs and
# the rest of STAGE. When KX_SIGN_PFX names a PKCS#12 file, sign.sh checks that signing may
# start, then signs the programs before they are packed, the uninstaller and the setup program,
# with DESCRIPTION and URL. Every packed file carries the time SOURCE_DATE_EPOCH, by default the
# start of the release's day DATE (YYYY-MM-DD, UTC). A setup program is left only when all of
# this succeeded.
set -euo pipefail
setup=$1 stage=$2
export KX_SIGN_DESCRIPTION=$3 KX_SIGN_URL=$4
release_date=$5
shift 5
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
# NSIS keeps each packed file's time: one from the tree, never the clock's, so that the same
# sources pack the same bytes, from git or from an archive (which may lie inside another git
# checkout, a packager's, whose commits say nothing of these sources).
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(date -u -d "$release_date 00:00:00" +%s)
fi
find "$stage/Programs" "$stage/Suite" "$stage/Lang" "$stage/Skin" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
# makensis takes the defines before the script, its last argument.
"${@:1:$#-1}" "${sign[@]}" "${!#}" || { rm -f "$setup"; exit 1; }
