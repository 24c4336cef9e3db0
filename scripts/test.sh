#!/usr/bin/env bash
# Installs what is missing, checks the layering of the sources, then builds and runs every
# test under AddressSanitizer + UndefinedBehaviorSanitizer and checks the sources with
# clang-tidy; runs the tests of the threaded parts
# (serial ports, device link, port manager) under ThreadSanitizer; checks that the release
# builds and makes a sound Debian package; and runs each fuzz target for a short while.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh run test package
bash scripts/check-layers.sh
# Every test runs once, in the AddressSanitizer + UndefinedBehaviorSanitizer build (the plain
# dev preset is the same tests without the sanitizers, for everyday work).
echo "== asan"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan
echo "== clang-tidy"
run-clang-tidy -p build/asan -quiet -j "$(nproc)" "$root/src/" >build/asan/clang-tidy.log 2>&1 ||
    { grep -E "(error|warning):" build/asan/clang-tidy.log; exit 1; }
# The optimised build of the run command must compile too (its warnings differ).
echo "== release"
cmake --preset release >/dev/null
cmake --build --preset release
echo "== package"
bash scripts/check-package.sh build/release
# Only the tests labelled "threads" (their programs alone are built); the preset leaves thread
# leaks unreported, since the event pool is never joined (see EventPool).
echo "== tsan"
cmake --preset tsan >/dev/null
cmake --build --preset tsan --target serial_tests manager_tests link_tests
ctest --preset tsan
echo "== fuzz"
bash scripts/fuzz.sh
