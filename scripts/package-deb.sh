#!/usr/bin/env bash
# Builds the Debian package dist/qv-make_<version>_amd64.deb (installing what it
# needs on Debian), then checks what it holds.
set -euo pipefail
cd "$(dirname "$0")/.."

# The program and its translation, and what makes and checks the package:
# dpkg-shlibdeps (dpkg-dev) and file compute the dependencies.
scripts/install-deps.sh deb

# cpack would otherwise build every target first (tools, benchmarks) before
# installing the three programs.
cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DQV_BUILD_TESTS=OFF \
      -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
# A package built without Qt's translation would show the folder dialog in
# English wherever qttranslations5-l10n is not installed.
if grep -q '^QV_QTBASE_ZH_CN:FILEPATH=.*-NOTFOUND$' build-deb/CMakeCache.txt; then
    echo "qtbase_zh_CN.qm was not found: the package would lack Qt's Chinese texts" >&2
    exit 1
fi
cmake --build build-deb -j2 --target qv_make qv_tools qv_paper

rm -f build-deb/qv-make_*.deb
(cd build-deb && cpack -G DEB)
debs=(build-deb/qv-make_*_amd64.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "cpack made no single qv-make_*_amd64.deb: ${debs[*]}" >&2
    exit 1
fi
scripts/check-deb.sh "${debs[0]}"
# One package in dist/, so that ./dist/qv-make_*.deb names it alone.
mkdir -p dist
rm -f dist/qv-make_*.deb
cp "${debs[0]}" dist/
echo "dist/$(basename "${debs[0]}")"
