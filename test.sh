#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
#   ./test.sh              normal build in build/
#   ./test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-sanitize/
#   ./test.sh --tsan       ThreadSanitizer build in build-tsan/, the tests labelled tsan
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
build_dir=$top/build
cmake_args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
ctest_args=()
for arg in "$@"; do
  case $arg in
    --sanitize) build_dir=$top/build-sanitize; cmake_args+=(-DCORVANE_SANITIZE=ON) ;;
    --tsan) build_dir=$top/build-tsan; cmake_args+=(-DCORVANE_TSAN=ON)
      # Qt's and glib's own races are not ours; see the file.
      export TSAN_OPTIONS="suppressions=$top/scripts/tsan.supp second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
      # Only the tests the sanitizer can judge: see docs/DEVELOPING.md.
      ctest_args+=(-L tsan) ;;
    *) echo "unknown option: $arg" >&2; exit 2 ;;
  esac
done
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$build_dir" "${cmake_args[@]}"
# Widget tests run offscreen; the few that need real native windows use this X server.
source "$top/scripts/xvfb.sh"
start_xvfb
# Whatever a test writes into the application folder without choosing its own
# lands here, never in the build tree.
export CORVANE_APP_DIR=$(mktemp -d /tmp/corvane-tests.XXXXXX)
export XDG_RUNTIME_DIR=$CORVANE_APP_DIR/runtime
mkdir -m 0700 "$XDG_RUNTIME_DIR"
# Temporary files of tests and their peers go there too, so a killed test leaves
# nothing behind; open to all like /tmp, as some tests read them as another user.
export TMPDIR=$CORVANE_APP_DIR/tmp
chmod 0755 "$CORVANE_APP_DIR"
mkdir -m 1777 "$TMPDIR"
trap 'stop_xvfb; rm -rf "$CORVANE_APP_DIR"' EXIT
cd "$build_dir"
ctest --output-on-failure -j "$(nproc)" --timeout 600 "${ctest_args[@]}"
