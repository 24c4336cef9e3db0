#!/usr/bin/env bash
# Installs what is missing, builds the release preset and runs monctl with the given arguments.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh run
cmake --preset release >/dev/null
cmake --build --preset release
exec ./build/release/src/app/monctl "$@"
