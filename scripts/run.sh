#!/usr/bin/env bash
# Installs what is missing, builds the release preset, says where the programs are and runs
# monctl with the given arguments.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh run
mkdir -p build
log=build/release-build.log
echo "Building monctl and monctl-sim in build/release (a few minutes the first time);" \
     "the compiler's progress goes to $root/$log"
if ! { cmake --preset release && cmake --build --preset release; } >"$log" 2>&1; then
    echo "The build failed; the end of $root/$log:" >&2
    tail -n 30 "$log" >&2
    exit 1
fi
cat <<TOLD
Built: $root/build/release/src/app/monctl
       $root/build/release/tools/monctl-sim/monctl-sim
To call them as "monctl" and "monctl-sim" from anywhere (with the menu entry, man pages and
completion), without root: cmake --install build/release --prefix ~/.local
(~/.local/bin is on the PATH of a Debian login once it exists; until the next login:
export PATH="\$HOME/.local/bin:\$PATH")
TOLD
exec ./build/release/src/app/monctl "$@"
