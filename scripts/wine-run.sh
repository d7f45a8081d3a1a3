#!/usr/bin/env bash
# Runs a Windows program under Wine: the crosscompiling emulator of CTest and the runner of
# the demo. A private prefix lives in the build tree; a virtual display is started when none
# is set; the wineserver lingers between programs so each test does not pay Wine's start-up.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${KX_WINEPREFIX:-$root/build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer prompts, and no desktop menu entries on this machine for the
# Start-menu shortcuts the setup program makes (the menu builder would also hold the installed
# programs open while it reads their icons): the programs need none of them.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=}
if [ ! -f "$WINEPREFIX/.kx-ready-2" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || true
  # Chinese texts in the programs' Tahoma fonts, as font linking gives them on Windows.
  for face in Tahoma "Microsoft Sans Serif" "Times New Roman"; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
      /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1 || true
  done
  # A crashing program ends at once instead of waiting in a debugger, so a test sees the crash.
  wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1 || true
  wineserver --wait || true
  touch "$WINEPREFIX/.kx-ready-2"
fi
run() {
  wineserver --persistent=300 >/dev/null 2>&1 || true
  # Wine's own background processes start with the first program and outlive it: start them
  # here, detached from our output, or whoever reads that output waits for them to end.
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
  exec wine "$@"
}
if [ -z "${DISPLAY:-}" ]; then
  export -f run
  exec "$root/scripts/with-display.sh" bash -c 'run "$@"' run "$@"
fi
run "$@"
