#!/usr/bin/env bash
# Installs what is needed, builds what the run needs (and only that), and
# starts the program on an example model (or on the model file given).
#
# Usage: scripts/run.sh [MODEL]
#        scripts/run.sh --console [MODEL [qvrun options...]]
#
# --console runs the model through the engine's console driver qvrun
# instead, printing the report the result editor would show (qvrun --help
# lists its options); it is also what happens when there is no display to
# show a window on. The build log goes to build/run-build.log and is shown
# only when the build fails.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh" >&2
build=${QV_BUILD_DIR:-$root/build}
example="$root/examples/Regression Curve Fit/Exponential Decay.mff"

console=0
if [ "${1:-}" = "--console" ]; then
  console=1
  shift
elif [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display; running the model through the console driver qvrun" >&2
  console=1
fi
if [ "$console" = 1 ]; then
  targets=(qvrun)
else
  targets=(quorvane)
fi

log="$build/run-build.log"
mkdir -p "$build"
echo "building…" >&2
if ! {
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  fi
  cmake --build "$build" -j "${QV_JOBS:-$(nproc)}" --target "${targets[@]}"
} >"$log" 2>&1; then
  tail -n 40 "$log" >&2
  echo "the build failed; the whole log is in $log" >&2
  exit 1
fi

if [ "$console" = 1 ]; then
  if [ $# -eq 0 ]; then
    set -- "$example" --set RB1=True
  fi
  exec "$build/tools/qvrun/qvrun" "$@"
fi
exec "$build/app/quorvane" "${1:-$example}"
