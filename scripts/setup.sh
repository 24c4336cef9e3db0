#!/usr/bin/env bash
# Installs the Debian packages of the lists named (run: building and running; test: the test
# tools; package: making and checking the Debian package), only what is missing. Says in a line
# what it installs; the package manager's own progress goes to build/setup.log.
# Usage: scripts/setup.sh run [test] [package]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
declare -A purpose=([run]="building and running monctl" [test]="its tests"
                    [package]="making its Debian package")
wanted=()
needs=()
for list in "$@"; do
    mapfile -t -O ${#wanted[@]} wanted < <(grep -v '^\s*$' "$here/packages-$list.txt")
    needs+=("${purpose[$list]} (scripts/packages-$list.txt)")
done
missing=()
for pkg in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
# A password is asked for here, on the terminal, not behind the log.
[ -z "$sudo" ] || sudo -v
mkdir -p "$here/../build"
log=$(cd "$here/../build" && pwd)/setup.log
joined=$(printf '%s, ' "${needs[@]}")
noun=packages
[ ${#missing[@]} -eq 1 ] && noun=package
echo "Installing ${#missing[@]} Debian $noun for ${joined%, }, with what they depend on;" \
     "the package manager's progress goes to $log"
if ! { $sudo apt-get update -q &&
       DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends \
           "${missing[@]}"; } >"$log" 2>&1; then
    echo "The installation failed; the end of $log:" >&2
    tail -n 20 "$log" >&2
    exit 1
fi
