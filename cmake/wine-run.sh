#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine, as CMake's emulator:
#   wine-run.sh --qt <Qt folder> [--dlls <folder>]... program.exe [arguments]
# The DLLs come from the Qt folder, the --dlls folders (QuaZip's), Debian's
# mingw-w64 libraries (zlib) and the compiler's runtime; the plugins from the
# Qt folder. A QtTest program's log is passed through a file: without a
# console, as under Wine with its output on a pipe, QtTest writes it to the
# debugger instead of the standard output.
set -uo pipefail
usage="usage: $0 --qt <Qt folder> [--dlls <folder>]... program.exe [arguments]"
[ "${1:-}" = --qt ] && [ $# -ge 3 ] || { echo "$usage" >&2; exit 2; }
options=("$1" "$2")
qt=$2
shift 2
dlls=""
while [ "${1:-}" = --dlls ]; do
    [ $# -ge 3 ] || { echo "$usage" >&2; exit 2; }
    options+=("$1" "$2")
    dlls+="$2;"
    shift 2
done
program=$1
shift

runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
export WINEPATH="$qt/bin;$dlls$runtime;/usr/x86_64-w64-mingw32/lib"
# Wine hands a Windows program the host's QT_ variables only under a WINE prefix.
export WINEQT_PLUGIN_PATH="$qt/plugins"
# The offscreen platform (the tests') reads fonts from one folder, by default
# one that Qt does not ship: give it the CJK fonts of this system.
if [ -z "${WINEQT_QPA_FONTDIR:-}" ] && command -v fc-match >/dev/null; then
    cjk_font=$(fc-match -f '%{file}' 'Noto Sans CJK SC' 2>/dev/null || true)
    [ -n "$cjk_font" ] && export WINEQT_QPA_FONTDIR="Z:$(dirname "$cjk_font")"
fi
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

if [ -z "${DISPLAY:-}" ]; then
    # Wine needs an X display even for a program that shows no window.
    exec xvfb-run -a "$0" "${options[@]}" "$program" "$@"
fi

case "$(basename "$program")" in
test_*.exe) ;;
*) exec wine "$program" "$@" ;;
esac

log=$(mktemp)
trap 'rm -f "$log"' EXIT
wine "$program" "$@" -o "Z:${log//\//\\},txt" &
test_pid=$!
# Shown as it is written, so that a test that hangs shows where.
tail -n +1 -f --pid="$test_pid" "$log"
wait "$test_pid"
