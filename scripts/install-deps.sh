#!/usr/bin/env bash
# Installs, on Debian, what building and running qv_make needs ("run") or what
# the test suite needs as well ("test"). Does nothing when all is there.
set -euo pipefail

packages=(cmake make g++ qtbase5-dev qtbase5-dev-tools qttranslations5-l10n fonts-noto-cjk)
if [ "${1:-run}" = test ]; then
    packages+=(clang libclang-rt-14-dev locales poppler-utils)
fi

# The locale tests switch to a locale that writes numbers with a decimal comma.
ensure_test_locale() {
    [ "${1:-run}" = test ] || return 0
    locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' && return 0
    echo "Generating the de_DE.UTF-8 locale"
    $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
}

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
ensure_test_locale "${1:-run}"
