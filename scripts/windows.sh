#!/usr/bin/env bash
# Cross-builds qv_make.exe, qv_tools.exe, qv_paper.exe and the tests for
# Windows x64 with Debian's mingw-w64 into build-windows/, runs the whole test
# suite under Wine with code page 936 (as on Chinese Windows), headless, and
# packs dist/qv_make-<version>-windows-x64.zip and
# dist/qv_make-<version>-setup.exe, then tries both as a teacher would: the zip
# from a folder of its own, the installer, its shortcuts and its uninstaller.
#
# The Qt it builds against: the folder in QT_WIN_PREFIX, else the archive
# ../shared/qt5-mingw-x64/qt5.15.8-mingw-w64-x86_64.tar.xz (or QT_WIN_ARCHIVE),
# unpacked into build-windows/, else the one `scripts/windows-deps.sh --qt`
# built from Debian's source. QuaZip comes from scripts/windows-deps.sh, which
# builds it from Debian's source once, into build-windows/deps (or
# QV_WIN_DEPS). Nothing is downloaded but Debian's source packages.
#   scripts/windows.sh            everything
#   scripts/windows.sh --have-qt  exit 0 when a Qt for Windows is there
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-windows
archive=${QT_WIN_ARCHIVE:-$root/../shared/qt5-mingw-x64/qt5.15.8-mingw-w64-x86_64.tar.xz}
deps=${QV_WIN_DEPS:-$build/deps}
built_qt=$deps/qt5-mingw

have_qt() {
    [ -n "${QT_WIN_PREFIX:-}" ] && [ -d "$QT_WIN_PREFIX/lib/cmake/Qt5" ] && return 0
    [ -f "$archive" ] || [ -f "$built_qt/.built" ]
}
if [ "${1:-}" = --have-qt ]; then
    have_qt
    exit
fi
if ! have_qt; then
    echo "No Qt for Windows: run scripts/windows-deps.sh --qt, which builds it from Debian's source (1 to 2 hours on two cores), set QT_WIN_PREFIX to a Qt 5 cross-built with mingw-w64, or put its archive at $archive." >&2
    exit 1
fi

scripts/install-deps.sh windows

mkdir -p "$build"
if [ -n "${QT_WIN_PREFIX:-}" ] && [ -d "$QT_WIN_PREFIX/lib/cmake/Qt5" ]; then
    qt=$QT_WIN_PREFIX
elif [ -f "$archive" ]; then
    qt=$build/qt5-mingw
    if [ ! -f "$qt/.unpacked" ] || [ "$archive" -nt "$qt/.unpacked" ]; then
        echo "== unpack Qt for Windows"
        rm -rf "$qt"
        tar -C "$build" -xJf "$archive"
        touch "$qt/.unpacked"
    fi
else
    qt=$built_qt
fi

# Seconds the first time, nothing after.
QT_WIN_PREFIX=$qt QV_WIN_DEPS=$deps scripts/windows-deps.sh
deps=$(realpath "$deps")

echo "== cross-build for Windows"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
      -DQV_QT_PREFIX="$qt" -DQV_WIN_DEPS="$deps" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2

export WINEPREFIX=$build/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=zh_CN.UTF-8
unset LC_ALL
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== set up the Wine prefix"
    xvfb-run -a wineboot -i >/dev/null 2>&1
fi

echo "== test under Wine, code page 936"
start=$(date +%s)
xvfb-run -a ctest --test-dir "$build" -j2 --output-on-failure
echo "The Windows suite took $(($(date +%s) - start)) s"

echo "== pack"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=qv_make-$version-windows-x64
stage=$build/stage
rm -rf "$stage"
cmake --install "$build" --prefix "$stage/$name" >/dev/null
mkdir -p dist
rm -f "dist/$name.zip"
(cd "$stage" && zip -qr -X "$root/dist/$name.zip" "$name")

# The installer installs and removes exactly the staged files.
files=$build/installer-files.nsh
unfiles=$build/uninstaller-files.nsh
: >"$files"
: >"$unfiles"
(cd "$stage/$name" && find . -type d | sort) | while read -r dir; do
    dir=${dir#.}
    echo "SetOutPath \"\$INSTDIR${dir//\//\\}\"" >>"$files"
    find "$stage/$name$dir" -maxdepth 1 -type f | sort | while read -r file; do
        echo "File \"$file\"" >>"$files"
        echo "Delete \"\$INSTDIR${dir//\//\\}\\$(basename "$file")\"" >>"$unfiles"
    done
done
(cd "$stage/$name" && find . -mindepth 1 -type d | sort -r) | while read -r dir; do
    dir=${dir#.}
    echo "RMDir \"\$INSTDIR${dir//\//\\}\"" >>"$unfiles"
done
makensis -V2 -DVERSION="$version" -DICON="$root/resources/qv_make.ico" -DFILES="$files" \
    -DUNFILES="$unfiles" -DOUTFILE="$root/dist/qv_make-$version-setup.exe" \
    packaging/windows/qv_make.nsi
echo "dist/$name.zip and dist/qv_make-$version-setup.exe"

echo "== try the packages in a fresh Wine prefix"
scripts/windows-try.sh "dist/$name.zip" "dist/qv_make-$version-setup.exe"
