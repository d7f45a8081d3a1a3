#!/usr/bin/env bash
# bootstrap_test.sh SOURCE WORK: bootstrap goes by the commands the scripts run, not by package
# names. On this machine, set up by bootstrap itself, its check finds nothing missing; with
# wine, wineserver and makensis gone from PATH (as when wine64 came without its recommended
# wine) it names each with the package that provides it, and those packages alone.
set -euo pipefail
source=$1 work=$2
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
rm -rf "$work"
mkdir -p "$work/bin"

"$source/scripts/bootstrap.sh" --check || fail "bootstrap finds something missing on a machine it set up"

# Every command on PATH but the hidden ones, the first of each name as the shell would find it
# (ln leaves a name it has already linked as it is).
IFS=: read -r -a folders <<<"$PATH"
for folder in "${folders[@]}"; do
  [ -d "$folder" ] && ln -s "$folder"/* "$work/bin/" 2>/dev/null || true
done
rm -f "$work/bin/wine" "$work/bin/wineserver" "$work/bin/makensis"
code=0
PATH=$work/bin "$source/scripts/bootstrap.sh" --check >"$work/check.log" 2>&1 || code=$?
[ "$code" = 1 ] || { cat "$work/check.log"; fail "the check exits with $code, not 1"; }
expected="bootstrap: missing wine (wine)
bootstrap: missing wineserver (wine)
bootstrap: missing makensis (nsis)
bootstrap: would install wine nsis"
[ "$(cat "$work/check.log")" = "$expected" ] || fail "the check says:
$(cat "$work/check.log")
instead of:
$expected"
echo "bootstrap: names the missing commands and their packages, and nothing else"
