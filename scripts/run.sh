#!/usr/bin/env bash
# Installs what is needed, builds, and starts the program on an example
# model (or on the model file given).
#
# Usage: scripts/run.sh [MODEL]
#        scripts/run.sh --console [MODEL [qvrun options...]]
#
# --console runs the model through the engine's console driver qvrun
# instead, printing the report the result editor would show; it is also
# what happens when there is no display to show a window on.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
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
  if [ $# -eq 0 ]; then
    set -- "$example" --set RB1=True
  fi
  exec "$build/tools/qvrun/qvrun" "$@"
fi
exec "$build/app/quorvane" "${1:-$example}"
