#!/usr/bin/env bash
# Builds and runs the whole test suite headless (installing what it needs on
# Debian), then again under AddressSanitizer and UndefinedBehaviorSanitizer,
# then fuzzes the paper reader for a bounded time; then builds the Debian
# package, and cross-builds for Windows and runs the suite there under Wine
# when a Qt for Windows is at hand. Fails on any failure or report.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test

export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
jobs=2

echo "== build and test"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure

echo "== build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQV_SANITIZE=ON
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:halt_on_error=1" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
    ctest --test-dir build-asan --output-on-failure

echo "== fuzz the paper reader"
scripts/fuzz.sh

echo "== the Debian package"
scripts/package-deb.sh
if [ "$(id -u)" -eq 0 ]; then
    scripts/try-deb.sh dist/qv-make_*_amd64.deb
else
    echo "Not root: the package is not installed to try it (scripts/try-deb.sh does, with sudo)."
fi

echo "== Windows, under Wine"
if scripts/windows.sh --have-qt; then
    scripts/windows.sh
elif [ -n "${QV_REQUIRE_WINDOWS:-}" ]; then
    scripts/windows.sh # says what is missing, and fails
else
    echo "No Qt for Windows (QT_WIN_PREFIX, or ../shared/qt5-mingw-x64/): the Windows suite is not run."
fi
