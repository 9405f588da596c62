#!/usr/bin/env bash
# Configures and builds the project in ./build (Ninja, RelWithDebInfo).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QV_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j "${QV_JOBS:-$(nproc)}"
