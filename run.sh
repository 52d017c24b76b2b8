#!/usr/bin/env bash
# Installs what is missing, builds, and starts the client.
#   ./run.sh          start Corvane
#   ./run.sh --demo   start the device simulator too, so the client has devices to talk to
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
exec "$top/scripts/start-client.sh" "$top/build/bin" "$@"
