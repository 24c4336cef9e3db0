#!/usr/bin/env bash
# Builds the fuzz targets (clang's libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time, starting from its seed corpus
# in tests/fuzz/corpus. FUZZ_SECONDS sets the time per target (default 20). Inputs that fail
# are kept in build/fuzz/failures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${FUZZ_SECONDS:-20}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
failures="$root/build/fuzz/failures"
mkdir -p "$failures"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in frame_assembler device_frame packet_search; do
    echo "== fuzz $target (${seconds} s)"
    mkdir -p "$work/$target"
    # New inputs go to the scratch corpus; the committed seeds stay as they are.
    if ! "build/fuzz/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
        -artifact_prefix="$failures/$target-" "$work/$target" "tests/fuzz/corpus/$target" \
        >"$work/$target.log" 2>&1; then
        tail -n 60 "$work/$target.log"
        echo "fuzz $target: failed; the input is in $failures"
        exit 1
    fi
    grep -E '^Done [0-9]+ runs' "$work/$target.log" || tail -n 1 "$work/$target.log"
done
