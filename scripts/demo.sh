#!/usr/bin/env bash
# Builds the demo installation in build/demo from the Windows build and demo/, starts a
# loopback version service that offers a newer version, then starts Portico in it under Wine:
# on your display until you close it, or, without a display, on a virtual one just long enough
# to save a screenshot of the launcher with its update dialog.
#   KX_DEMO_LANGUAGE=zh   the simplified Chinese texts instead of the English ones
#   KX_DEMO_INSTALL_ONLY=1   build the installation and stop (the benchmarks use it)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin=$root/build/win64/bin
demo=$root/build/demo
wine_run=$root/scripts/wine-run.sh

# Without a display everything runs on one virtual display, the version service included.
if [ -z "${DISPLAY:-}" ] && [ -z "${KX_DEMO_INSTALL_ONLY:-}" ]; then
  KX_DEMO_HEADLESS=1 exec "$root/scripts/with-display.sh" "$root/scripts/demo.sh" "$@"
fi

language=${KX_DEMO_LANGUAGE:-en}
texts=$root/demo
[ "$language" = en ] || texts=$root/demo/$language
[ -f "$texts/Main.txt" ] || { echo "demo: no texts for language '$language' in $texts" >&2; exit 1; }

for program in Portico kxcipher kxskingen kxversionserver Snipwell Trundle Anvilry Murmur; do
  [ -f "$bin/$program.exe" ] || { echo "demo: $bin/$program.exe is missing; build the win64 preset first" >&2; exit 1; }
done

rm -rf "$demo"
mkdir -p "$demo/Lang"
cp "$bin/Portico.exe" "$demo/"
[ -f "$bin/Valedict.exe" ] && cp "$bin/Valedict.exe" "$demo/"
for stub in Snipwell Trundle Anvilry Murmur Bargello Freshen; do
  [ -f "$bin/$stub.exe" ] && cp "$bin/$stub.exe" "$demo/"
done
cp "$texts/Valedict.dat" "$demo/Lang/"
cp "$texts/Product.txt" "$demo/Product.txt"
cp "$texts/Main.txt" "$demo/Main.plain.txt"

# Whatever way the demo ends, nothing it started in Wine outlives it (the version service is a
# Windows process that killing its runner does not reach).
trap '"$wine_run" --end' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
if [ -z "${KX_DEMO_INSTALL_ONLY:-}" ]; then
  # The version service offers a version newer than the installed one.
  printf '{"Version":"3.1.0","DownloadURL":"https://www.kestrix.example/download/kestrix-3.1.0.exe"}' \
    >"$demo/version.json"
  (cd "$demo" && exec "$wine_run" "$bin/kxversionserver.exe" 0 version.json </dev/null >"$demo/version-server.out" 2>&1) &
  port=""
  for _ in $(seq 100); do
    port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$demo/version-server.out" 2>/dev/null | head -n1)
    [ -n "$port" ] && break
    sleep 0.2
  done
  [ -n "$port" ] || { echo "demo: the version service did not start" >&2; exit 1; }
  printf '\r\nUpdateUrl=http://127.0.0.1:%s/version.json\r\n' "$port" >>"$demo/Main.plain.txt"
  echo "demo: version service on 127.0.0.1:$port"
fi
# Relative paths: Wine resolves them against the folder the script stands in.
(cd "$demo" && "$wine_run" "$bin/kxcipher.exe" encode Main.plain.txt 'Lang\Main.dat' </dev/null)
rm "$demo/Main.plain.txt"
(cd "$demo" && "$wine_run" "$bin/kxskingen.exe" Skin </dev/null)
printf '%s\r\n' "Kestrix 3.0.2" "- Snipwell cuts without re-encoding." "- Trundle handles whole folders." \
  "" "Kestrix 3.0.1" "- First release of the launcher." >"$demo/Update.log"
echo "demo: installation in $demo"
[ -z "${KX_DEMO_INSTALL_ONLY:-}" ] || exit 0

if [ -z "${KX_DEMO_HEADLESS:-}" ]; then
  cd "$demo"
  "$wine_run" "$demo/Portico.exe"
  exit 0
fi

# No display: on a virtual one, take a picture of the window with its update dialog; the trap
# ends the launcher.
shot=$demo/portico-demo.png
cd "$demo"
"$wine_run" "$demo/Portico.exe" </dev/null >/dev/null 2>&1 &
size_of() { xdotool getwindowgeometry --shell "$1" | sed -n 's/^\(WIDTH\|HEIGHT\)=//p' | paste -sd x; }
window=""
dialog=""
for _ in $(seq 300); do
  for candidate in $(xdotool search --onlyvisible --name "Kestrix" 2>/dev/null || true); do
    if [ "$(size_of "$candidate")" = 800x480 ]; then window=$candidate; else dialog=$candidate; fi
  done
  # The update dialog comes a second after the window.
  [ -n "$window" ] && [ -n "$dialog" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "demo: the launcher window did not appear" >&2; exit 1; }
[ -n "$dialog" ] || { echo "demo: the update dialog did not appear" >&2; exit 1; }
sleep 0.5  # its first paint
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shot"
echo "demo: screenshot $shot"
