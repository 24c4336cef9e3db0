#!/usr/bin/env bash
# Idle CPU use of the window with one (simulated) monitor attached: the share of one core
# that monctl uses over 10 seconds once it has settled. Usage: bench/idle_cpu.sh [MONCTL]
set -euo pipefail
monctl=${1:-build/bench/src/app/monctl}
seconds=10
config=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$config"' EXIT
XDG_CONFIG_HOME=$config xvfb-run -a -s "-screen 0 1280x800x24 -noreset" "$monctl" --simulate &
wrapper=$!
# xvfb-run starts the server and then monctl; wait for monctl itself.
for _ in $(seq 100); do
    pid=$(pgrep -n -f "^$monctl --simulate" || true)
    [ -n "$pid" ] && break
    sleep 0.1
done
[ -n "$pid" ] || { echo "monctl did not start" >&2; exit 1; }
sleep 3 # settle: probe, read-back
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks "$pid")
sleep "$seconds"
after=$(ticks "$pid")
kill "$pid"
wait "$wrapper" 2>/dev/null || true
awk -v used=$((after - before)) -v hz="$hz" -v s="$seconds" \
    'BEGIN { printf "idle CPU over %d s: %.2f%% of one core (goal: under 1%%)\n", s, 100 * used / hz / s }'
