#!/usr/bin/env bash
# Takes the README's pictures of the window, in English and in Chinese, on a virtual X
# server with a simulated monitor. Usage: scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
mkdir -p "$root/docs"
for language in 1:en 0:zh; do
    value=${language%%:*}
    name=${language##*:}
    config=$(mktemp -d)
    mkdir -p "$config/monctl"
    printf '[General]\nlanguage=%s\n' "$value" > "$config/monctl/monctl.conf"
    XDG_CONFIG_HOME=$config xvfb-run -a -s "-screen 0 800x600x24 -noreset" bash -c "
        '$build/src/app/monctl' --simulate & app=\$!
        sleep 2
        '$build/tools/monctl-screenshot' '$root/docs/window-$name.png'
        kill \$app"
    rm -rf "$config"
    echo "docs/window-$name.png"
done
