#!/usr/bin/env bash
# Installs what is needed, builds everything and runs all tests. Arguments
# go to CMake (e.g. -DQV_BUILD_GUI=OFF, -DQV_WERROR=ON); QV_BUILD_DIR names
# the build folder (default ./build).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$@"
build=${QV_BUILD_DIR:-$root/build}
cd "$build"
ctest --output-on-failure -j "${QV_JOBS:-$(nproc)}"
