#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own. The layers, lowest
# first: runtime, serial, device, monitor, app; shortcut and input sit beside device (they may
# use runtime; device reads the key-code vocabulary of shortcut), platform implements the seams
# below app.
set -euo pipefail
cd "$(dirname "$0")/../src"
declare -A allowed=(
    [runtime]="runtime"
    [serial]="runtime serial"
    [device]="runtime serial shortcut device"
    [monitor]="runtime serial device monitor"
    [shortcut]="runtime shortcut"
    [input]="runtime shortcut input"
    [platform]="runtime serial shortcut input platform"
    [app]="runtime serial device monitor shortcut input platform app"
)
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
