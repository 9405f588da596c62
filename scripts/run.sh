#!/usr/bin/env bash
# Installs what is needed, builds, and runs an example model through the
# engine's console driver, stopping when the search detects convergence.
# Usage: scripts/run.sh [MODEL [qvrun options...]]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build=${QV_BUILD_DIR:-$root/build}
if [ $# -eq 0 ]; then
  set -- "$root/examples/Regression Curve Fit/Exponential Decay.mff" --set RB1=True
fi
exec "$build/tools/qvrun/qvrun" "$@"
