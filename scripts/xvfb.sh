# Sourced by test.sh: a private Xvfb server on a display number it picks itself,
# so lock files left by a server that was killed never block a run.
start_xvfb() {
  local fifo
  fifo=$(mktemp -u /tmp/corvane-xvfb.XXXXXX)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  XVFB_PID=$!
  local n=""
  read -r -t 10 n <"$fifo" || true
  rm -f "$fifo"
  if [[ -z $n ]] || ! kill -0 "$XVFB_PID" 2>/dev/null; then
    echo "could not start Xvfb" >&2
    return 1
  fi
  export DISPLAY=":$n"
}
stop_xvfb() { [[ -n ${XVFB_PID:-} ]] && kill "$XVFB_PID" 2>/dev/null; return 0; }
