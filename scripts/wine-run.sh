#!/usr/bin/env bash
# Runs a Windows program under Wine: the crosscompiling emulator of CTest and the runner of
# the demo. A private prefix lives in the build tree; a virtual display is started when none
# is set; the wineserver lingers between programs so each test does not pay Wine's start-up.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${KX_WINEPREFIX:-$root/build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer prompts: the programs need neither.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ ! -f "$WINEPREFIX/.kx-ready" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || true
  wineserver --wait || true
  touch "$WINEPREFIX/.kx-ready"
fi
wineserver --persistent=300 >/dev/null 2>&1 || true
if [ -z "${DISPLAY:-}" ]; then
  exec "$root/scripts/with-display.sh" wine "$@"
fi
exec wine "$@"
