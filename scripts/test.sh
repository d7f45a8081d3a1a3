#!/usr/bin/env bash
# Sets everything up and runs every test: native, under Wine, then sanitizers and fuzzers.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
scripts/bootstrap.sh
jobs=${KX_JOBS:-2}
# Windows test programs side by side, each with a prefix and a virtual display of its own.
slots=${KX_WINE_SLOTS:-2}

our_prefixes() { ls -d "$root"/build/wineprefix "$root"/build/wineprefix-[0-9]* 2>/dev/null || true; }
end_wine() {
  for prefix in $(our_prefixes); do KX_WINEPREFIX=$prefix scripts/wine-run.sh --end; done
}
# Processes started in one of our prefixes: Wine's and the Windows programs'.
running_in_our_prefixes() {
  local pid
  for pid in $(ls /proc | grep -x '[0-9]*'); do
    tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" |
      grep -qx "WINEPREFIX=$root/build/wineprefix\(-[0-9]*\)\?" && echo "$pid $(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline")"
  done
  return 0
}
# Long steps run in the background, so that a signal reaches the trap at once and it ends them.
background=""
in_background() {
  "$@" &
  background=$!
  wait "$background"
  background=""
}
stop() {
  [ -z "$background" ] || kill "$background" 2>/dev/null || true
  end_wine
}
trap stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Each step's header says when it began, counted from the start of the run.
step() { echo "== $* (at $((SECONDS - started)) s)"; }
started=$SECONDS

step "native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native

step "Windows build and tests under Wine"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs"
printf '{"version":{"major":1,"minor":0},"local":[{"wine":[%s]}]}\n' \
  "$(seq -s, -f '{"id":"%g","slots":1}' "$slots")" >build/wine-slots.json
KX_DISPLAYS=$slots in_background scripts/with-display.sh \
  ctest --preset win64 -j "$slots" --resource-spec-file "$root/build/wine-slots.json"
end_wine

step "the demo installation, in both languages, as the run command starts it"
for language in en zh; do
  (unset DISPLAY; KX_DEMO_LANGUAGE=$language scripts/demo.sh)
  test -s build/demo/portico-demo.png
done
# The demo ends its version service and everything else it started in Wine, as the tests do.
left=$(running_in_our_prefixes)
[ -z "$left" ] || { echo "still running after the tests and the demo:"; echo "$left"; exit 1; }
echo "nothing left running in the build's Wine prefixes"

step "the maintainers' commands of docs/maintaining.md"
build/native/bin/kxcipher encode demo/Main.txt build/Main.dat
build/native/bin/kxcipher decode build/Main.dat build/Main.txt
cmp demo/Main.txt build/Main.txt
build/native/bin/kxlint demo/Main.txt
build/native/bin/kxlint demo/Valedict.dat
build/native/bin/kxlint --program product demo/Product.txt
build/native/bin/kxlint --program-folder build/demo build/demo/Lang/Main.dat
echo "kxcipher and kxlint: the documented commands pass"

step "sanitizers and fuzzers"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j "$jobs"
# The fuzz targets are single-threaded: two at a time on two cores.
in_background ctest --preset sanitize -j "$jobs"
