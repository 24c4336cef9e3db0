#!/usr/bin/env bash
# Builds the Debian package from a build folder (default build/release) and checks it: its
# files, that `cmake --install` lays out the same ones, its dependencies, that its programs
# run, and what can be validated offline (the desktop entry, the AppStream metadata, the man
# pages, the bash completion, lintian).
# With MONCTL_INSTALL_PACKAGE=1 (CI sets it; it needs root) it also installs the package with
# apt, tries it and purges it again; a machine where monctl is installed already is left alone.
# scripts/try-package-clean-root.sh tries it on a bare Debian instead, which takes minutes.
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

# The package names of a relation field, one a line.
names() { dpkg-deb -f "$deb" "$1" | tr ',|' '\n\n' | sed 's/(.*//; s/ //g'; }
depends=$(names Depends)
recommends=$(names Recommends)
grep -qx libqt6widgets6 <<<"$depends" || fail "dpkg-shlibdeps found no Qt dependency"
grep -qx libqt6svg6 <<<"$depends" || fail "the SVG icon engine is not a dependency"
for optional in qt6-wayland qt6-translations-l10n; do
    grep -qx "$optional" <<<"$depends" && fail "$optional is a dependency: monctl starts without it"
    grep -qx "$optional" <<<"$recommends" || fail "$optional is not recommended"
done
# What installing it on a bare system would pull without the recommendations, as apt resolves
# it against an empty package database: no Wayland compositor, QtQuick or QML.
if pulled=$(apt-get -s -o Dir::State::status=/dev/null install --no-install-recommends "$deb" \
    2>"$work/apt.log" | awk '$1 == "Inst" {print $2}'); then
    echo "without recommendations the package pulls $(wc -l <<<"$pulled") packages on a bare system"
    heavy=$(grep -E '^(qt6-wayland|qt6-translations-l10n|libqt6waylandcompositor|libqt6quick|libqt6qml)' \
        <<<"$pulled" || true)
    [ -z "$heavy" ] || fail "without recommendations the package still pulls:
$heavy"
else
    echo "check-package: apt cannot resolve the package here, its pull not checked:" >&2
    cat "$work/apt.log" >&2
fi

cmake --install "$build" --prefix "$work/install/usr" >/dev/null
installed=$(cd "$work/install" && find . -type f | sed 's|^\./||' | sort)
[ "$installed" = "$expected" ] || fail "cmake --install lays out other files than the package:
$(diff <(echo "$expected") <(echo "$installed") || true)"

# The programs in a folder: their versions, and monctl finding a simulated monitor.
try_programs() {
    local bin=$1 sim_pid
    [ "$("$bin/monctl" --version)" = "monctl $version" ] || fail "$bin/monctl --version is not $version"
    [ "$("$bin/monctl-sim" --version)" = "monctl-sim $version" ] ||
        fail "$bin/monctl-sim --version is not $version"
    rm -f "$work/sim"
    "$bin/monctl-sim" --link "$work/sim" </dev/null >"$work/sim.out" &
    sim_pid=$!
    timeout 10 sh -c "until [ -e '$work/sim' ]; do sleep 0.05; done" || fail "monctl-sim made no link"
    listed=$(HOME=$work XDG_CONFIG_HOME=$work/config "$bin/monctl" --port "$work/sim" list) ||
        fail "$bin/monctl --port SIM list failed: $listed"
    kill "$sim_pid"
    wait "$sim_pid" || true
    [[ "$listed" == *" $work/sim"* ]] || fail "$bin/monctl --port SIM list gave: $listed"
}

# Installed as a user would, with --no-install-recommends. On CI the build's own packages are
# there already (Qt with its Wayland plugin and translations among them), so this proves that
# the dependencies resolve, the maintainer scripts run and the installed programs start, not
# that they start without the recommendations: the pull above and the bare-system script do.
try_installed() {
    if dpkg-query -W -f='${Status}' monctl 2>/dev/null | grep -q 'install ok installed'; then
        echo "check-package: monctl is installed on this machine already: not installed again"
        return
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" \
        >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "apt could not install it"; }
    getent group monctl-input >/dev/null || fail "installing made no group monctl-input"
    try_programs /usr/bin
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq monctl >"$work/purge.log" 2>&1 ||
        { cat "$work/purge.log"; fail "apt could not purge it"; }
    ! getent group monctl-input >/dev/null || fail "purging left the group monctl-input"
    echo "installed with --no-install-recommends, tried and purged"
}
[ "${MONCTL_INSTALL_PACKAGE:-}" != 1 ] || try_installed

dpkg-deb -x "$deb" "$work/tree"
try_programs "$work/tree/usr/bin"
cd "$work/tree"
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
