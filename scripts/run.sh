#!/usr/bin/env bash
# Installs what is needed, builds the engine's console driver (and only
# what it needs), and runs an example model through it, stopping when the
# search detects convergence. The build log goes to build/run-build.log and
# is shown only when the build fails; the report alone goes to stdout.
# Usage: scripts/run.sh [MODEL [qvrun options...]]   (qvrun --help lists them)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh" >&2
build=${QV_BUILD_DIR:-$root/build}
log="$build/run-build.log"
mkdir -p "$build"
echo "building…" >&2
if ! {
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  fi
  cmake --build "$build" -j "${QV_JOBS:-$(nproc)}" --target qvrun
} >"$log" 2>&1; then
  tail -n 40 "$log" >&2
  echo "the build failed; the whole log is in $log" >&2
  exit 1
fi
if [ $# -eq 0 ]; then
  set -- "$root/examples/Regression Curve Fit/Exponential Decay.mff" --set RB1=True
fi
exec "$build/tools/qvrun/qvrun" "$@"
