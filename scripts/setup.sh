#!/usr/bin/env bash
# Installs the Debian packages of the lists named (run: building and running; test: the test
# tools; package: making and checking the Debian package), only what is missing.
# Usage: scripts/setup.sh run [test] [package]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wanted=()
for list in "$@"; do
    mapfile -t -O ${#wanted[@]} wanted < <(grep -v '^\s*$' "$here/packages-$list.txt")
done
missing=()
for pkg in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
