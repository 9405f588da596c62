#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in
# ./build-asan and runs all tests there (the fuzz targets included), with
# leak detection on (tests/lsan.supp names the leaks of outside libraries
# that are no fault of ours). Arguments go to CMake.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
QV_BUILD_DIR=${QV_ASAN_BUILD_DIR:-$root/build-asan} \
  "$root/scripts/build.sh" -DQV_SANITIZE=ON -DQV_BUILD_BENCH=OFF "$@"
cd "${QV_ASAN_BUILD_DIR:-$root/build-asan}"
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" ctest --output-on-failure -j "${QV_JOBS:-$(nproc)}"
