#!/usr/bin/env bash
# Installs what is needed, builds, and runs an example model.
# Usage: scripts/run.sh [MODEL]   (default: the linear-fit example)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build=${QV_BUILD_DIR:-$root/build}
model=${1:-"$root/examples/Regression Curve Fit/Linear Fit.mff"}
exec "$build/tools/qvrun/qvrun" "$model"
