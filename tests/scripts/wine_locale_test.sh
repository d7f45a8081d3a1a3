#!/usr/bin/env bash
# wine_locale_test.sh SOURCE WORK: the Windows programs make files whose names go beyond ASCII
# even where no locale is set at all, as in a bare container: Wine names Unix files in the
# locale's character set.
set -euo pipefail
source=$1 work=$2
rm -rf "$work"
mkdir -p "$work"
name='Dossier ü 漢'
env -u LANG -u LANGUAGE -u LC_ALL -u LC_CTYPE \
  "$source/scripts/wine-run.sh" cmd /c mkdir "Z:${work//\//\\}\\$name" >"$work/wine.log" 2>&1 || true
[ -d "$work/$name" ] || { cat "$work/wine.log"; ls "$work"; echo "FAILED: no folder \"$name\" made without a locale" >&2; exit 1; }
echo "made \"$name\" without a locale"
