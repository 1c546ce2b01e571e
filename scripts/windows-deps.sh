#!/usr/bin/env bash
# Builds the libraries the Windows build needs that Debian ships only as
# source, from Debian's own source packages (apt-get source, Debian's patches
# applied), with the project's toolchain (cmake/mingw-w64-x86_64.cmake,
# x86_64-w64-mingw32-g++-posix), into one prefix: QV_WIN_DEPS, or
# build-windows/deps. Nothing comes from outside Debian's archive.
#   scripts/windows-deps.sh       QuaZip, a DLL on Debian's zlib for mingw-w64
#                                 (libz-mingw-w64-dev) and the Qt for Windows
#                                 in QT_WIN_PREFIX (else the one below, else
#                                 the one scripts/windows.sh unpacked); does
#                                 nothing when the prefix holds it already
#   scripts/windows-deps.sh --qt  Qt 5.15 itself (qtbase: Core, Gui, Widgets,
#                                 Test and the plugins the programs load),
#                                 into <prefix>/qt5-mingw: 1 to 2 hours on
#                                 two cores
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
start=$(date +%s)
what=quazip
case "${1:-}" in
"") ;;
--qt) what=qt ;;
*)
    echo "usage: $0 [--qt]" >&2
    exit 2
    ;;
esac

prefix=${QV_WIN_DEPS:-build-windows/deps}
mkdir -p "$prefix"
prefix=$(realpath "$prefix")
# Sources and build trees: thrown away and made anew for each build.
work=$prefix/build
jobs=2
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# What a rebuild must follow: the Qt the library is built against and the
# compiler. Written last, so a build cut short is made again.
quazip_key() {
    echo "qt=$1 gcc=$(x86_64-w64-mingw32-g++-posix -dumpfullversion) recipe=1"
}

# Puts a source package into a folder of its own, the way `apt-get source`
# does (dpkg-source -x, with Debian's patches applied), from a deb-src list of
# its own: the Debian archives that the system's apt already uses, as deb-src
# entries. The system's sources and package lists stay as they are.
fetch_source() {
    local package=$1 into=$2
    local apt=$work/apt
    mkdir -p "$apt/lists/partial" "$apt/parts" "$apt/cache/archives/partial"
    local list
    list=$(debian_archives)
    if [ -z "$list" ]; then
        # No release information yet (apt-get update never ran here): it names
        # which archives are Debian's.
        $sudo apt-get update -qq
        list=$(debian_archives)
    fi
    [ -n "$list" ] || { echo "windows-deps: apt names no Debian archive to take sources from" >&2; exit 1; }
    echo "$list" >"$apt/sources.list"
    local options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts"
                   -o "Dir::State::Lists=$apt/lists/" -o "Dir::Cache=$apt/cache/")
    apt-get "${options[@]}" update -qq
    rm -rf "$into"
    mkdir -p "$into"
    # Unpacked as root, apt fetches without its sandbox user: say nothing of it.
    (cd "$into" && apt-get "${options[@]}" -o APT::Sandbox::User=root source -qq "$package")
}

# deb-src lines for the system's Debian archives, from apt's own view of them.
debian_archives() {
    apt-get indextargets --format '$(ORIGIN)|$(REPO_URI)|$(RELEASE)|$(COMPONENT)' 'Created-By: Packages' |
        awk -F'|' '$1 == "Debian" { print "deb-src " $2 " " $3 " " $4 }' | sort -u
}

# The one folder that `apt-get source` unpacked into $1.
unpacked() {
    local dirs=("$1"/*/)
    [ ${#dirs[@]} -eq 1 ] || { echo "windows-deps: expected one source tree in $1: ${dirs[*]}" >&2; exit 1; }
    echo "${dirs[0]%/}"
}

build_quazip() {
    # The compiler and zlib for mingw-w64, which the check below needs too.
    scripts/install-deps.sh windows
    local qt=${QT_WIN_PREFIX:-}
    if [ -z "$qt" ]; then
        for candidate in "$prefix/qt5-mingw" "$root/build-windows/qt5-mingw"; do
            [ -d "$candidate/lib/cmake/Qt5" ] && qt=$candidate && break
        done
    fi
    if [ -z "$qt" ] || [ ! -d "$qt/lib/cmake/Qt5" ]; then
        echo "windows-deps: QuaZip needs a Qt for Windows: QT_WIN_PREFIX, $prefix/qt5-mingw ($0 --qt)," \
             "or the one scripts/windows.sh unpacks" >&2
        exit 1
    fi
    qt=$(realpath "$qt")
    local stamp=$prefix/.quazip key
    key=$(quazip_key "$qt")
    if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$key" ] && [ -f "$prefix/bin/libquazip1-qt5.dll" ]; then
        echo "windows-deps: QuaZip is in $prefix"
        return
    fi
    rm -f "$stamp"

    echo "== QuaZip from Debian's source, for Windows"
    local src=$work/quazip
    # Debian's source package of libquazip1-qt5-dev, the library the Linux build uses.
    fetch_source libquazip1-qt5-dev "$src"
    local tree
    tree=$(unpacked "$src")
    # It asks for Qt's Network module for its own tests, which are not built,
    # and Qt's CMake package turns that into a requirement; the Qt for Windows
    # has no Network module.
    sed -i '/find_package(Qt5 REQUIRED COMPONENTS Core/{n;s/OPTIONAL_COMPONENTS Network Test)/OPTIONAL_COMPONENTS Test)/}' \
        "$tree/CMakeLists.txt"
    grep -q 'OPTIONAL_COMPONENTS Test)' "$tree/CMakeLists.txt" ||
        { echo "windows-deps: QuaZip's CMakeLists.txt no longer asks for Qt5 as expected" >&2; exit 1; }
    # Deflate and stored entries only, as Word and Excel write them: Debian has
    # no bzip2 for mingw-w64, and nothing may be fetched in its place (QuaZip
    # would clone it on Windows by default).
    cmake -S "$tree" -B "$src/build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
          -DQV_QT_PREFIX="$qt" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
          -DBUILD_SHARED_LIBS=ON -DQUAZIP_QT_MAJOR_VERSION=5 -DQUAZIP_USE_QT_ZLIB=OFF \
          -DQUAZIP_BZIP2=OFF -DQUAZIP_FETCH_LIBS=OFF -DQUAZIP_FORCE_FETCH_LIBS=OFF \
          -DQUAZIP_ENABLE_TESTS=OFF >/dev/null
    cmake --build "$src/build" -j"$jobs"
    cmake --install "$src/build" >/dev/null
    # On zlib's DLL, not a copy of zlib inside it.
    local imports
    imports=$(x86_64-w64-mingw32-objdump -p "$prefix/bin/libquazip1-qt5.dll")
    if ! grep -q 'DLL Name: zlib1.dll' <<<"$imports"; then
        echo "windows-deps: the QuaZip DLL does not load zlib1.dll" >&2
        exit 1
    fi
    rm -rf "$src"
    echo "$key" >"$stamp"
}

# Qt 5.15's qtbase for Windows, by the recipe of the archive in
# ../shared/qt5-mingw-x64/ (its README): the same configure options, modules
# and plugins, so that either serves scripts/windows.sh.
build_qt() {
    local qt=$prefix/qt5-mingw
    if [ -f "$qt/.built" ] && [ -d "$qt/lib/cmake/Qt5" ]; then
        echo "windows-deps: Qt for Windows is in $qt"
        return
    fi
    scripts/install-deps.sh windows
    # The host tools build with the system's compiler and perl; the pen-tablet
    # headers come from Wine's; Qt's Chinese texts from Debian's translations.
    local packages=(g++ make perl libwine-dev qttranslations5-l10n) missing=() package
    for package in "${packages[@]}"; do
        [ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)" = "install ok installed" ] ||
            missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi

    echo "== Qt for Windows from Debian's qtbase-opensource-src (1 to 2 hours on two cores)"
    local src=$work/qt
    fetch_source qtbase-opensource-src "$src"
    local tree
    tree=$(unpacked "$src")

    # Debian's source leaves out src/3rdparty/wintab, which the Windows
    # platform plugin includes. Wine's headers (LGPL) serve, given the three
    # Wine definitions they are written with.
    local wine_include
    wine_include=$(dirname "$(dpkg -L libwine-dev | grep '/windows/wintab\.h$' | head -n 1)")
    [ -f "$wine_include/wintab.h" ] || { echo "windows-deps: libwine-dev has no wintab.h" >&2; exit 1; }
    mkdir -p "$tree/src/3rdparty/wintab"
    for header in wintab.h pktdef.h; do
        {
            echo '#define DECL_WINELIB_TYPE_AW(type) typedef type##W type;'
            echo '#define WINELIB_NAME_AW(f) f##W'
            echo '#define API WINAPI'
            cat "$wine_include/$header"
        } >"$tree/src/3rdparty/wintab/$header"
    done

    # win32-g++ calls ${CROSS_COMPILE}gcc and g++: these names lead to the
    # POSIX-threads compiler the project builds with, whatever the system's
    # alternatives say.
    local tools=$src/tools
    mkdir -p "$tools"
    ln -sf "$(command -v x86_64-w64-mingw32-gcc-posix)" "$tools/x86_64-w64-mingw32-gcc"
    ln -sf "$(command -v x86_64-w64-mingw32-g++-posix)" "$tools/x86_64-w64-mingw32-g++"
    export PATH="$tools:$PATH"

    rm -rf "$qt"
    local build=$src/build
    mkdir -p "$build"
    (
        cd "$build"
        "$tree/configure" -xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32- \
            -prefix "$qt" -opensource -confirm-license -release -shared \
            -nomake examples -nomake tests -no-opengl -no-dbus -no-icu -qt-zlib -qt-pcre \
            -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -no-sql-sqlite -no-openssl -no-pch
        # The Makefiles of src/ and below, which configure leaves to make.
        make sub-src-qmake_all >/dev/null
        make -j"$jobs" -C src sub-widgets-make_first sub-testlib-make_first sub-winmain-make_first \
            sub-platformsupport-make_first
        # The plugins the programs and the tests load, one by one: the
        # platform, the offscreen and minimal platforms, the native style,
        # .ico images.
        for plugin in platforms/windows platforms/offscreen platforms/minimal styles/windowsvista \
                      imageformats/ico; do
            mkdir -p "src/plugins/$plugin"
            (cd "src/plugins/$plugin" && "$build/bin/qmake" "$tree/src/plugins/$plugin/$(basename "$plugin").pro" &&
                make -j"$jobs" && make install)
        done
        # The modules with their CMake packages, the host tools, qmake (built
        # by configure, for this machine) and the mkspecs.
        for folder in src/tools/bootstrap src/tools/moc src/tools/rcc src/tools/uic src/tools/qvkgen \
                      src/corelib src/gui src/widgets src/testlib src/winmain src/platformsupport; do
            make -C "$folder" install
        done
        install -m 755 bin/qmake "$qt/bin/qmake"
        make install_mkspecs
    )
    # Relocatable, as the archive: Qt's paths relative to bin/.
    printf '[Paths]\nPrefix=..\nHostPrefix=..\n' >"$qt/bin/qt.conf"
    mkdir -p "$qt/translations"
    cp /usr/share/qt5/translations/qtbase_zh_CN.qm /usr/share/qt5/translations/qt_zh_CN.qm "$qt/translations/"
    for file in bin/Qt5Core.dll bin/Qt5Gui.dll bin/Qt5Widgets.dll bin/Qt5Test.dll bin/moc bin/uic bin/rcc \
                bin/qmake plugins/platforms/qwindows.dll plugins/platforms/qoffscreen.dll \
                plugins/styles/qwindowsvistastyle.dll lib/cmake/Qt5Gui/Qt5Gui_QWindowsIntegrationPlugin.cmake; do
        [ -e "$qt/$file" ] || { echo "windows-deps: the Qt build lacks $file" >&2; exit 1; }
    done
    rm -rf "$src"
    touch "$qt/.built"
}

case "$what" in
quazip) build_quazip ;;
qt) build_qt ;;
esac
echo "windows-deps: $what took $(($(date +%s) - start)) s"
