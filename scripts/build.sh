#!/usr/bin/env bash
# Configures and builds the tree. Usage: scripts/build.sh <build-dir> [cmake options...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$1; shift
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/corvane-ccache}
# Worktrees of one checkout share the cache: paths below the top count as relative.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$top}
# ...and so do their build folders, whatever they are called.
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
cmake -S "$top" -B "$build_dir" -G Ninja "$@"
cmake --build "$build_dir" -j "${CORVANE_JOBS:-$(nproc)}"
