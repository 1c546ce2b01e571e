#!/usr/bin/env bash
# Installs the Debian package with apt-get as a teacher would, checks that the
# programs run and the menu entries are valid, then removes it and checks that
# nothing of it is left. Needs root (or sudo); changes the system only while
# it runs.
#   scripts/try-deb.sh dist/qv-make_<version>_amd64.deb
set -euo pipefail
deb=$(realpath "$1")
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
fail() {
    echo "try-deb: $*" >&2
    exit 1
}
if dpkg-query -W qv-make >/dev/null 2>&1; then
    fail "qv-make is installed already: remove it first"
fi

DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$deb" >/dev/null
trap 'DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq qv-make >/dev/null 2>&1 || true' EXIT
version=$(dpkg-deb -f "$deb" Version)
[ "$(/usr/bin/qv_paper --version)" = "qv_paper $version" ] || fail "qv_paper --version: $(/usr/bin/qv_paper --version)"
for entry in /usr/share/applications/qv_make.desktop /usr/share/applications/qv_tools.desktop; do
    out=$(desktop-file-validate "$entry" 2>&1) || fail "$out"
    [ -z "$out" ] || fail "$out"
done
missing=$(ldd /usr/bin/qv_make /usr/bin/qv_tools /usr/bin/qv_paper | grep 'not found' || true)
[ -z "$missing" ] || fail "libraries not found: $missing"
echo "installed: qv_paper $version runs, the menu entries are valid"

DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq qv-make >/dev/null
trap - EXIT
for file in $(dpkg-deb -c "$deb" | awk '$NF !~ /\/$/ {print substr($NF, 2)}'); do
    [ ! -e "$file" ] || fail "left behind: $file"
done
echo "removed: nothing of it is left"
