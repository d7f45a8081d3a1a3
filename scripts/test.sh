#!/usr/bin/env bash
# Sets everything up and runs every test: native, under Wine, then sanitizers and fuzzers.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
scripts/bootstrap.sh
jobs=${KX_JOBS:-2}

echo "== native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native

echo "== Windows build and tests under Wine"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs"
if [ -z "${DISPLAY:-}" ]; then
  exec_display=(scripts/with-display.sh)
else
  exec_display=()
fi
"${exec_display[@]}" ctest --preset win64

echo "== the demo installation, in both languages, as the run command starts it"
for language in en zh; do
  (unset DISPLAY; KX_DEMO_LANGUAGE=$language scripts/demo.sh)
  test -s build/demo/portico-demo.png
done

echo "== the maintainers' commands of docs/maintaining.md"
build/native/bin/kxcipher encode demo/Main.txt build/Main.dat
build/native/bin/kxcipher decode build/Main.dat build/Main.txt
cmp demo/Main.txt build/Main.txt
build/native/bin/kxlint demo/Main.txt
build/native/bin/kxlint demo/Valedict.dat
build/native/bin/kxlint --program product demo/Product.txt
build/native/bin/kxlint --program-folder build/demo build/demo/Lang/Main.dat
echo "kxcipher and kxlint: the documented commands pass"

echo "== sanitizers and fuzzers"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize
