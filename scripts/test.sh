#!/usr/bin/env bash
# Installs what is needed, builds everything and runs all tests.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build=${QV_BUILD_DIR:-$root/build}
cd "$build"
ctest --output-on-failure -j "${QV_JOBS:-$(nproc)}"
