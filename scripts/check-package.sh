#!/usr/bin/env bash
# Builds the Debian package from a build folder (default build/release) and checks it: its
# files, that `cmake --install` lays out the same ones, and what can be validated offline (the
# desktop entry, the AppStream metadata, the man pages, the bash completion, lintian).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log") || { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(echo "$work"/out/monctl_*.deb)
[ -f "$deb" ] || fail "no package was made"
echo "package: $(basename "$deb")"
version=$(dpkg-deb -f "$deb" Version)

expected="usr/bin/monctl
usr/bin/monctl-sim
usr/lib/udev/rules.d/70-monctl.rules
usr/share/applications/org.monctl.Monctl.desktop
usr/share/bash-completion/completions/monctl
usr/share/doc/monctl/changelog.gz
usr/share/doc/monctl/copyright
usr/share/icons/hicolor/scalable/apps/org.monctl.Monctl.svg
usr/share/man/man1/monctl-sim.1.gz
usr/share/man/man1/monctl.1.gz
usr/share/metainfo/org.monctl.Monctl.metainfo.xml"
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {sub(/^\.\//, "", $6); print $6}' | sort)
[ "$files" = "$expected" ] || fail "the package holds other files than expected:
$(diff <(echo "$expected") <(echo "$files") || true)"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "dpkg-shlibdeps found no Qt dependency"

cmake --install "$build" --prefix "$work/install/usr" >/dev/null
installed=$(cd "$work/install" && find . -type f | sed 's|^\./||' | sort)
[ "$installed" = "$expected" ] || fail "cmake --install lays out other files than the package:
$(diff <(echo "$expected") <(echo "$installed") || true)"

dpkg-deb -x "$deb" "$work/tree"
cd "$work/tree"
[ "$(usr/bin/monctl --version)" = "monctl $version" ] || fail "monctl --version is not $version"
[ "$(usr/bin/monctl-sim --version)" = "monctl-sim $version" ] || fail "monctl-sim --version is not $version"
desktop-file-validate usr/share/applications/org.monctl.Monctl.desktop
appstreamcli validate --no-net usr/share/metainfo/org.monctl.Monctl.metainfo.xml
for page in usr/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page: $warnings"
    zcat "$page" | grep -q "monctl $version" || fail "$page does not name version $version"
done
completion=$(bash -c 'source usr/share/bash-completion/completions/monctl
    COMP_WORDS=(monctl --port /dev/ttyUSB0 s); COMP_CWORD=3; _monctl; echo "${COMPREPLY[*]}"
    COMP_WORDS=(monctl set mode ""); COMP_CWORD=3; _monctl; echo "${COMPREPLY[*]}"')
[ "$completion" = $'set sync-time schedule\ntext graphic video' ] || fail "bash completion gives: $completion"
# Errors fail; warnings and notes are shown.
lintian --allow-root --fail-on error --info "$deb"
echo "check-package: ok"
