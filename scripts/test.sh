#!/usr/bin/env bash
# Installs what is missing, checks the layering of the sources, then builds and runs every
# test under AddressSanitizer + UndefinedBehaviorSanitizer and checks the sources with
# clang-tidy; runs monctl on a real kernel in a virtual machine; runs the tests of the
# threaded parts
# (serial ports, device link, port manager) under ThreadSanitizer; checks that the release
# builds and makes a sound Debian package; and runs each fuzz target for a short while.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh run test package
bash scripts/check-layers.sh
stage() { echo "== $1 (at ${SECONDS} s)"; }
# Every test runs once, in the AddressSanitizer + UndefinedBehaviorSanitizer build (the plain
# dev preset is the same tests without the sanitizers, for everyday work). The CI presets
# compile the program's sources as unity files, keep line tables only (-g1: all a sanitizer's
# report needs, and a fifth less to build) and precompile the window tests' headers.
stage asan
cmake --preset asan >/dev/null
cmake --build --preset asan
# clang-tidy reads each source alone, as a build without unity files compiles it (configured
# only: the window client's moc output is the asan build's; the protocol header is made below).
# It runs beside the stages that follow at a low priority, in the time their tests, links,
# package checks and fuzzers leave a core idle, and is waited for at the end.
cmake --preset asan -B build/tidy -DCMAKE_UNITY_BUILD=OFF -DMONCTL_PCH=OFF >/dev/null
sed "s#$root/build/tidy/src/bus/monctl_bus_autogen/#$root/build/asan/src/bus/monctl_bus_autogen/#g" \
    -i build/tidy/compile_commands.json
# The client header wayland-scanner makes from a protocol description, made in that tree alone.
cmake --build build/tidy --target \
    src/platform/linux/wlr-foreign-toplevel-management-unstable-v1-client-protocol.h >/dev/null
nice -n 15 run-clang-tidy -p build/tidy -quiet -j "$(nproc)" "$root/src/" \
    >build/tidy/clang-tidy.log 2>&1 &
tidy=$!
trap 'kill "$tidy" 2>/dev/null || true' EXIT
ctest --preset asan
# The same programs on a real kernel, in a virtual machine: USB serial adapters through their
# driver and udev, hot-plug, uinput (tests/vm/README.md).
stage vm
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" \
    python3 tests/vm/run-tests.py build/asan
# The optimised build of the run command must compile too (its warnings differ).
stage release
cmake --preset release >/dev/null
cmake --build --preset release
stage package
bash scripts/check-package.sh build/release
# Only the tests labelled "threads" (their programs alone are built); the preset leaves thread
# leaks unreported, since the event pool is never joined (see EventPool).
stage tsan
cmake --preset tsan >/dev/null
cmake --build --preset tsan --target serial_tests manager_tests link_tests
ctest --preset tsan
stage fuzz
bash scripts/fuzz.sh
stage clang-tidy
wait "$tidy" || { grep -E "(error|warning):" build/tidy/clang-tidy.log; exit 1; }
trap - EXIT
stage end
