#!/usr/bin/env bash
# Builds the demo installation in build/demo from the Windows build and demo/, then starts
# Portico in it under Wine: on your display until you close it, or, without a display, on a
# virtual one just long enough to save a screenshot of the launcher.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin=$root/build/win64/bin
demo=$root/build/demo
wine_run=$root/scripts/wine-run.sh

for program in Portico kxcipher kxskingen Snipwell Trundle Anvilry Murmur; do
  [ -f "$bin/$program.exe" ] || { echo "demo: $bin/$program.exe is missing; build the win64 preset first" >&2; exit 1; }
done

rm -rf "$demo"
mkdir -p "$demo/Lang"
cp "$bin/Portico.exe" "$demo/"
[ -f "$bin/Valedict.exe" ] && cp "$bin/Valedict.exe" "$demo/"
for stub in Snipwell Trundle Anvilry Murmur Bargello Freshen; do
  [ -f "$bin/$stub.exe" ] && cp "$bin/$stub.exe" "$demo/"
done
[ -f "$root/demo/Valedict.dat" ] && cp "$root/demo/Valedict.dat" "$demo/Lang/"
cp "$root/demo/Main.txt" "$demo/Main.plain.txt"
# Relative paths: Wine resolves them against the folder the script stands in.
(cd "$demo" && "$wine_run" "$bin/kxcipher.exe" encode Main.plain.txt 'Lang\Main.dat' </dev/null)
rm "$demo/Main.plain.txt"
(cd "$demo" && "$wine_run" "$bin/kxskingen.exe" Skin </dev/null)
printf '%s\r\n' "Kestrix 3.0.2" "- Snipwell cuts without re-encoding." "- Trundle handles whole folders." \
  "" "Kestrix 3.0.1" "- First release of the launcher." >"$demo/Update.log"
echo "demo: installation in $demo"

if [ -n "${DISPLAY:-}" ]; then
  cd "$demo"
  exec "$wine_run" "$demo/Portico.exe"
fi

# No display: show it on a virtual one, take a picture of the window, close it.
shot=$demo/portico-demo.png
export demo shot wine_run
"$root/scripts/with-display.sh" bash -c '
  set -euo pipefail
  cd "$demo"
  "$wine_run" "$demo/Portico.exe" </dev/null >/dev/null 2>&1 &
  launcher=$!
  window=""
  for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name "Kestrix Launcher" 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    sleep 0.2
  done
  if [ -z "$window" ]; then
    echo "demo: the launcher window did not appear" >&2
    kill "$launcher" 2>/dev/null || true
    exit 1
  fi
  sleep 1.5
  eval "$(xdotool getwindowgeometry --shell "$window")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shot"
  xdotool windowclose "$window" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$launcher" 2>/dev/null || break; sleep 0.2; done
  kill "$launcher" 2>/dev/null || true
  wait "$launcher" 2>/dev/null || true
'
echo "demo: screenshot $shot"
