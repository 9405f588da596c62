#!/usr/bin/env bash
# Fails when a tracked C++ file does not follow .clang-format.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"
git ls-files '*.cpp' '*.h' | xargs -r clang-format --dry-run -Werror
echo "format: every C++ file follows .clang-format"
