#!/usr/bin/env bash
# Installs, on Debian, what a task needs, and does nothing when all is there:
#   run      building and running qv_make (the default)
#   test     that and the test suite (sanitizers, fuzzing, printed PDFs, a
#            message box on a real X display, LibreOffice for Word and Excel
#            files, desktop-file-validate for the installed menu entries)
#   mutation that and Ninja, whose no-op build takes a tenth of a second
#            where make's takes fifteen, for each of a mutant's builds
#   deb      that and making the Debian package
#   windows  cross-building for Windows and running the result under Wine
set -euo pipefail
task=${1:-run}

base=(cmake make g++ qtbase5-dev qtbase5-dev-tools libquazip1-qt5-dev qttranslations5-l10n fonts-noto-cjk)
case "$task" in
run) packages=("${base[@]}") ;;
test | mutation)
    # LibreOffice opens the Word and Excel files qv_paper reads and writes, as
    # a teacher's office suite would.
    packages=("${base[@]}" clang libclang-rt-14-dev locales poppler-utils xvfb xauth
              libreoffice-writer-nogui libreoffice-calc-nogui desktop-file-utils)
    [ "$task" = test ] || packages+=(ninja-build)
    ;;
deb) packages=("${base[@]}" dpkg-dev file desktop-file-utils) ;;
windows)
    packages=(cmake make g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64 nsis xvfb xauth
              xdotool xz-utils zip unzip locales fontconfig fonts-noto-cjk dpkg-dev)
    ;;
*)
    echo "usage: $0 [run|test|mutation|deb|windows]" >&2
    exit 2
    ;;
esac

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

ensure_locale() {
    locale -a 2>/dev/null | grep -qi "^$1\.utf-\?8$" && return 0
    echo "Generating the $1.UTF-8 locale"
    $sudo localedef -i "$1" -f UTF-8 "$1.UTF-8"
}
case "$task" in
# The locale tests switch to a locale that writes numbers with a decimal comma.
test | mutation) ensure_locale de_DE ;;
# Wine takes its ANSI code page from the locale: zh_CN gives 936, as on Chinese Windows.
windows) ensure_locale zh_CN ;;
esac
