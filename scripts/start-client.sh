#!/usr/bin/env bash
# Starts the built client from <bin-dir>; --demo starts the device simulator beside it.
set -euo pipefail
bin=$1; shift
demo=0
for arg in "$@"; do [[ $arg == --demo ]] && demo=1; done
if [[ $demo == 1 && -x $bin/corvane-devsim ]]; then
  "$bin/corvane-devsim" --demo &
  sim=$!
  trap 'kill $sim 2>/dev/null' EXIT
fi
[[ -n ${DISPLAY:-}${WAYLAND_DISPLAY:-} ]] || { echo "No display: set DISPLAY (X11 or Xvfb) to see the client." >&2; }
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-xcb}
if [[ -x $bin/Corvane ]]; then
  exec "$bin/Corvane"
fi
echo "The Corvane program is not built yet." >&2
[[ $demo == 1 ]] && wait
exit 1
