#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: a plain build and an
# AddressSanitizer + UndefinedBehaviorSanitizer build; then checks that the release builds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
for preset in dev asan; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
# The optimised build of the run command must compile too (its warnings differ).
echo "== release"
cmake --preset release >/dev/null
cmake --build --preset release
