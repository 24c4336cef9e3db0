#!/usr/bin/env bash
# Installs what is missing, checks the layering of the sources, then builds and runs every
# test twice: a plain build (whose sources clang-tidy also checks) and an AddressSanitizer +
# UndefinedBehaviorSanitizer build; runs the tests of the threaded parts
# (serial ports, device link, port manager) under ThreadSanitizer; checks that the release
# builds; and runs each fuzz target for a short while.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
bash scripts/check-layers.sh
for preset in dev asan; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
    if [[ $preset == dev ]]; then
        echo "== clang-tidy"
        run-clang-tidy -p build/dev -quiet -j "$(nproc)" "$root/src/" >build/dev/clang-tidy.log 2>&1 ||
            { grep -E "(error|warning):" build/dev/clang-tidy.log; exit 1; }
    fi
done
# The optimised build of the run command must compile too (its warnings differ).
echo "== release"
cmake --preset release >/dev/null
cmake --build --preset release
# Only the tests labelled "threads"; the preset leaves thread leaks unreported, since the
# event pool is never joined (see EventPool).
echo "== tsan"
cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan
echo "== fuzz"
bash scripts/fuzz.sh
