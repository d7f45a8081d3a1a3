#!/usr/bin/env bash
# Builds and runs the benchmarks (not part of the tests) and prints every figure side by side.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
# Whatever way it ends, nothing the benchmarks started in Wine outlives them.
trap 'scripts/wine-run.sh --end' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
scripts/bootstrap.sh
jobs=${KX_JOBS:-2}
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs" --target bench_json bench_cipher bench_formpost
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs" --target all kxfloor kxstartbench kxinibench kxspinnerbench kxdrawbench

echo "== JSON reader against nlohmann-json"
build/native/bin/bench_json
echo "== cipher against memcpy, 64 MiB"
build/native/bin/bench_cipher
echo "== a response head of short lines arriving one by one"
build/native/bin/bench_formpost

KX_DEMO_INSTALL_ONLY=1 scripts/demo.sh >/dev/null
demo=$(scripts/wine-run.sh winepath -w "$root/build/demo" 2>/dev/null)
language=$(scripts/wine-run.sh winepath -w "$root/demo/Main.txt" 2>/dev/null)
feedback=$(scripts/wine-run.sh winepath -w "$root/demo/Valedict.dat" 2>/dev/null)
picture=$(scripts/wine-run.sh winepath -w "$root/build/demo/Skin/Main/btnEasyCut_Normal.bmp" 2>/dev/null)
(unset DISPLAY
 scripts/with-display.sh bash -c '
   echo "== start-up to the first complete paint, against the floor program"
   echo "(load average before: $(cut -d" " -f1-3 /proc/loadavg))"
   scripts/wine-run.sh build/win64/bin/kxstartbench.exe "$1" 25
   echo "(load average after: $(cut -d" " -f1-3 /proc/loadavg))"
   echo "== one lookup, against the platform'"'"'s profile-file routine"
   scripts/wine-run.sh build/win64/bin/kxinibench.exe "$2" Product UpdateUrl 2000
   echo "== the wait dialog'"'"'s spinner while its post is stalled, against an idle timer"
   scripts/wine-run.sh build/win64/bin/kxspinnerbench.exe "$3" 10
   echo "== one keyed picture drawn as a button is, against a plain copy"
   scripts/wine-run.sh build/win64/bin/kxdrawbench.exe "$4" 200
 ' bench "$demo" "$language" "$feedback" "$picture")
