#!/usr/bin/env bash
# Runs a command on a virtual X display, started for it and stopped after it however the command
# ends. KX_DISPLAYS=N starts N displays, named in KX_DISPLAY_1..N (DISPLAY is the first), for
# programs that run side by side, each on a screen of its own.
set -euo pipefail
count=${KX_DISPLAYS:-1}
servers=()
command=""
stop() {
  [ -z "$command" ] || kill "$command" 2>/dev/null || true
  [ ${#servers[@]} -eq 0 ] || { kill "${servers[@]}" 2>/dev/null || true; wait "${servers[@]}" 2>/dev/null || true; }
}
trap stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
number_file=$(mktemp)
for slot in $(seq "$count"); do
  : >"$number_file"
  # Xvfb picks a free display itself and names it once it accepts connections, so displays
  # started at the same time by other commands never collide.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  servers+=($!)
  for _ in $(seq 100); do [ -s "$number_file" ] && break; sleep 0.05; done
  [ -s "$number_file" ] || { echo "with-display: Xvfb did not start" >&2; rm -f "$number_file"; exit 1; }
  export "KX_DISPLAY_$slot=:$(tr -d '[:space:]' <"$number_file")"
done
rm -f "$number_file"
export DISPLAY=$KX_DISPLAY_1
# In the background, so that a signal ends the wait at once and the displays with it.
"$@" &
command=$!
wait "$command"
