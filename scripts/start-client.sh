#!/usr/bin/env bash
# Starts the built client from <bin-dir>; --demo starts the device simulator first
# and waits until its devices are in the client's database, so the window shows
# them logged in with their alarms coming. The window needs an X display (X11 or
# Xvfb); without one the client core runs as corvane-console, which logs into
# the stored devices and prints their alarms.
set -euo pipefail
bin=$1; shift
demo=0
for arg in "$@"; do [[ $arg == --demo ]] && demo=1; done

if [[ $demo == 1 ]]; then
  log=$(mktemp /tmp/corvane-devsim.XXXXXX)
  "$bin/corvane-devsim" --demo >"$log" 2>&1 &
  sim=$!
  trap 'kill $sim 2>/dev/null; rm -f "$log"' EXIT
  trap 'exit 130' INT TERM
  for _ in $(seq 300); do
    grep -q "alarms go to" "$log" && break
    kill -0 "$sim" 2>/dev/null || { cat "$log" >&2; exit 1; }
    sleep 0.1
  done
  grep -v XDG_RUNTIME_DIR "$log" || true
fi

if [[ -x $bin/Corvane && -n ${DISPLAY:-} ]]; then
  # The window draws video into native child windows, which needs xcb.
  QT_QPA_PLATFORM=xcb "$bin/Corvane"
else
  [[ -x $bin/Corvane ]] && echo "No display: set DISPLAY (X11 or Xvfb) to see the window; running the console instead." >&2
  "$bin/corvane-console"
fi
