#!/usr/bin/env bash
# Tries a monctl package as a new user would, on a bare Debian 12 made with debootstrap
# (minbase): installs it with --no-install-recommends, tells how many packages and how much
# disk that added, checks that nobody was given /dev/uinput, and runs `monctl --version` and
# `monctl --port SIM list` (SIM: a monctl-sim link) there. Needs root, debootstrap and the
# network, and takes minutes, so CI leaves it to scripts/check-package.sh's quicker checks.
# Usage: scripts/try-package-clean-root.sh monctl_VERSION_ARCH.deb [MIRROR]
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 PACKAGE.deb [MIRROR]" >&2; exit 2; }
deb=$(realpath "$1")
mirror=${2:-http://deb.debian.org/debian}
[ "$(id -u)" -eq 0 ] || { echo "try-package-clean-root: needs root" >&2; exit 1; }
command -v debootstrap >/dev/null || { echo "try-package-clean-root: needs debootstrap" >&2; exit 1; }
root=$(mktemp -d)
cleanup() {
    umount -R "$root/dev" 2>/dev/null || true
    umount "$root/proc" 2>/dev/null || true
    rm -rf --one-file-system "$root"
}
trap cleanup EXIT
fail() { echo "try-package-clean-root: $*" >&2; exit 1; }
inside() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C.UTF-8 "$@"; }

started=$SECONDS
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
    { tail -20 "$root.debootstrap.log"; fail "debootstrap failed"; }
rm -f "$root.debootstrap.log"
echo "bare Debian 12 made in $((SECONDS - started)) s"
mount -t proc proc "$root/proc"
mount --rbind /dev "$root/dev"
mount --make-rslave "$root/dev"
cp "$deb" "$root/tmp/"
inside apt-get update -qq
before=$(inside dpkg-query -W -f='${Package}\n' | wc -l)
used_before=$(du -sxk "$root" | cut -f1)
started=$SECONDS
DEBIAN_FRONTEND=noninteractive inside apt-get install -y -qq --no-install-recommends \
    "/tmp/$(basename "$deb")" >"$root/tmp/install.log" 2>&1 ||
    { cat "$root/tmp/install.log"; fail "apt could not install the package"; }
after=$(inside dpkg-query -W -f='${Package}\n' | wc -l)
inside apt-get clean
used_after=$(du -sxk "$root" | cut -f1)
echo "installed in $((SECONDS - started)) s: $((after - before)) packages, monctl among them," \
    "$(((used_after - used_before) / 1024)) MB"
for heavy in qt6-wayland qt6-translations-l10n libqt6quick6 libqt6qml6; do
    state=$(inside dpkg-query -W -f='${db:Status-Status}' "$heavy" 2>/dev/null || true)
    [ "$state" != installed ] || fail "$heavy came with it"
done
members=$(inside getent group monctl-input) || fail "no group monctl-input"
[ "${members##*:}" = "" ] || fail "the group monctl-input has members: $members"
inside monctl --version
inside timeout 30 sh -c 'monctl-sim --link /tmp/sim </dev/null >/dev/null & sim=$!
    until [ -e /tmp/sim ]; do sleep 0.05; done
    monctl --port /tmp/sim list; status=$?
    kill $sim; exit $status' || fail "monctl --port SIM list failed"
echo "try-package-clean-root: ok"
