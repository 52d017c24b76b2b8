#!/usr/bin/env bash
# Starts the built client from <bin-dir>. The window needs an X display (X11 or
# Xvfb); without one the client core runs as corvane-console, which logs into
# the stored devices and prints their alarms.
#
# --demo: the device simulator first (three devices with two cameras each,
# alarms, live video and RTSP), then the client in a demo application folder of
# its own (build/demo, or $CORVANE_APP_DIR), whose database the simulator has
# filled with its devices; the operator's own folder and database stay untouched.
set -euo pipefail
bin=$(cd "$1" && pwd); shift
top=$(cd "$(dirname "$0")/.." && pwd)
demo=0
for arg in "$@"; do [[ $arg == --demo ]] && demo=1; done

if [[ $demo == 1 ]]; then
  app_dir=${CORVANE_APP_DIR:-$(dirname "$bin")/demo}
  mkdir -p "$app_dir"
  export CORVANE_APP_DIR=$(cd "$app_dir" && pwd)
  # The window reads its translations from the application folder.
  cp -f "$bin"/corvane_zh.qm "$bin"/corvane_en.qm "$CORVANE_APP_DIR"/
  # The simulator adds its devices only to an existing database.
  [[ -s $CORVANE_APP_DIR/Corvane.db ]] || sqlite3 "$CORVANE_APP_DIR/Corvane.db" <"$top/client/data/schema.sql"
  chmod 0600 "$CORVANE_APP_DIR/Corvane.db"

  log=$(mktemp /tmp/corvane-devsim.XXXXXX)
  "$bin/corvane-devsim" --demo --client-db "$CORVANE_APP_DIR/Corvane.db" >"$log" 2>&1 &
  sim=$!
  trap 'kill $sim 2>/dev/null; rm -f "$log"' EXIT
  trap 'exit 130' INT TERM
  for _ in $(seq 300); do
    grep -q "^control port" "$log" && break
    kill -0 "$sim" 2>/dev/null || { cat "$log" >&2; exit 1; }
    sleep 0.1
  done
  grep -q "^control port" "$log" || { cat "$log" >&2; echo "the simulator did not start" >&2; exit 1; }
  grep -v XDG_RUNTIME_DIR "$log" || true
  cat <<TEXT

Demo folder: $CORVANE_APP_DIR (database, settings, logs, pictures and clips)
In the window: the device tree lists the three devices with their cameras; play
a camera (or all of them) into the video grid; alarms arrive every few seconds.
A camera's RTSP URL above plays in a pane: right-click an idle pane, "RTSP取流" (user
and password as printed). Fire more alarms by hand, e.g.:
  bash -c 'exec 3<>/dev/tcp/127.0.0.1/5651; echo fire all incident 3 >&3; head -1 <&3'
TEXT
fi

if [[ -x $bin/Corvane && -n ${DISPLAY:-} ]]; then
  # The window draws video into native child windows, which needs xcb.
  QT_QPA_PLATFORM=xcb "$bin/Corvane"
else
  [[ -x $bin/Corvane ]] && echo "No display: set DISPLAY (X11 or Xvfb) to see the window; running the console instead." >&2
  "$bin/corvane-console"
fi
