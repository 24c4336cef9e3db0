#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own. The layers, lowest
# first: runtime, serial, device, monitor; shortcut and input sit beside device (they may use
# runtime; device reads the key-code vocabulary of shortcut); platform implements the seams.
# Above them shared holds what the front ends share, then the front ends: cli (the command line
# and the doctor), bus (the session-bus service and the command line's client of it), windows,
# tray (which reads the window's shell); app composes them. Qt Widgets is kept to windows, tray
# and app by the build itself: only their targets link it.
set -euo pipefail
cd "$(dirname "$0")/../src"
below_front_ends="runtime serial device monitor shortcut input platform shared"
declare -A allowed=(
    [runtime]="runtime"
    [serial]="runtime serial"
    [device]="runtime serial shortcut device"
    [monitor]="runtime serial device monitor"
    [shortcut]="runtime shortcut"
    [input]="runtime shortcut input"
    [platform]="runtime serial shortcut input platform"
    [shared]="$below_front_ends"
    [cli]="$below_front_ends cli"
    [bus]="$below_front_ends cli bus"
    [windows]="$below_front_ends windows"
    [tray]="$below_front_ends windows tray"
    [app]="$below_front_ends cli bus windows tray app"
)
missing=$(comm -23 <(find . -mindepth 1 -maxdepth 1 -type d -printf '%f\n' | sort) \
    <(printf '%s\n' "${!allowed[@]}" | sort))
if [[ -n $missing ]]; then
    echo "folders of src/ with no place among the layers: $missing"
    exit 1
fi
status=0
for layer in "${!allowed[@]}"; do
    while IFS=: read -r file line include; do
        used=$(sed -E 's/#include "([a-z]+)\/.*/\1/' <<<"$include")
        if [[ " ${allowed[$layer]} " != *" $used "* ]]; then
            echo "$file:$line: $layer may not include $used: $include"
            status=1
        fi
    done < <(grep -rnE '^#include "[a-z]+/' "$layer" || true)
done
exit $status
