#!/usr/bin/env bash
# Installs, on Debian, what building and running qv_make needs ("run") or what
# the test suite needs as well ("test"). Does nothing when all is there.
set -euo pipefail

packages=(cmake make g++ qtbase5-dev qtbase5-dev-tools fonts-noto-cjk)
if [ "${1:-run}" = test ]; then
    packages+=(clang libclang-rt-14-dev)
fi

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
