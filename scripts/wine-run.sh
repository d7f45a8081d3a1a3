#!/usr/bin/env bash
# Runs a Windows program under Wine: the crosscompiling emulator of CTest and the runner of
# the demo. A private prefix lives in the build tree; a virtual display is started when none
# is set; the wineserver lingers between programs so each test does not pay Wine's start-up.
# Under CTest with a resource file (scripts/test.sh) each test gets a "wine" slot: a prefix of
# its own, copied from the first one, and the display KX_DISPLAY_<slot>, so that test programs
# run side by side without sharing a wineserver, a registry or a screen.
#   wine-run.sh --end      ends every program of the prefix and its wineserver
#   wine-run.sh --prefix   makes the prefix ready and prints its path
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
base=$root/build/wineprefix
slot=""
if [ -n "${CTEST_RESOURCE_GROUP_0_WINE:-}" ]; then
  slot=${CTEST_RESOURCE_GROUP_0_WINE#id:}
  slot=${slot%%,*}
  display_of_slot=KX_DISPLAY_$slot
  [ -z "${!display_of_slot:-}" ] || export DISPLAY=${!display_of_slot}
fi
if [ -n "${KX_WINEPREFIX:-}" ]; then
  export WINEPREFIX=$KX_WINEPREFIX
elif [ -n "$slot" ]; then
  export WINEPREFIX=$base-$slot
else
  export WINEPREFIX=$base
fi
export WINEARCH=win64
# Wine names Unix files in the locale's character set: without UTF-8 (a bare container sets no
# locale at all) a file name beyond ASCII cannot be made.
[ "$(locale charmap 2>/dev/null)" = UTF-8 ] || export LC_ALL=C.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer prompts, and no desktop menu entries on this machine for the
# Start-menu shortcuts the setup program makes (the menu builder would also hold the installed
# programs open while it reads their icons): the programs need none of them.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=}
ready=.kx-ready-3
# --end: end every program of the prefix and its wineserver, and wait until they are gone.
if [ "${1:-}" = --end ]; then
  [ -d "$WINEPREFIX" ] || exit 0
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  exit 0
fi
set_up() {
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || true
  # Chinese texts in the programs' Tahoma fonts, as font linking gives them on Windows.
  for face in Tahoma "Microsoft Sans Serif" "Times New Roman"; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
      /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1 || true
  done
  # A crashing program ends at once instead of waiting in a debugger, so a test sees the crash.
  wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1 || true
  # Wine draws the frames itself and no window manager is asked: with none running, as on a
  # virtual display, hiding a captioned window otherwise waits two seconds for its answer, and
  # a window on the screen has no frame.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  wineserver --wait || true
  touch "$WINEPREFIX/$ready"
}
if [ ! -f "$WINEPREFIX/$ready" ]; then
  mkdir -p "$root/build"
  exec 9>"$root/build/wineprefix.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/$ready" ]; then
    if [ "$WINEPREFIX" = "$base-$slot" ] && [ -n "$slot" ]; then
      # A copy of a ready prefix takes a second where setting one up takes a minute.
      [ -f "$base/$ready" ] || (export WINEPREFIX=$base; set_up)
      rm -rf "$WINEPREFIX" "$WINEPREFIX.copy"
      cp -a "$base" "$WINEPREFIX.copy"
      mv "$WINEPREFIX.copy" "$WINEPREFIX"
    else
      set_up
    fi
  fi
  flock -u 9
  exec 9>&-
fi
[ "${1:-}" != --prefix ] || { echo "$WINEPREFIX"; exit 0; }
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
