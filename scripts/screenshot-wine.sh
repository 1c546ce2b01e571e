#!/usr/bin/env bash
# Renders docs/tools-wine.png and docs/tools-wine-paper.png: 试卷工具
# (qv_tools.exe, the Windows build in build-windows/, which scripts/windows.sh
# makes) as on Chinese Windows, under Wine with code page 936, started on a
# Word file of questions and showing what its import recognised, then on the
# paper qv_paper.exe imports from it, showing its check. Unlike scripts/screenshot.sh's offscreen
# pictures this is the real Windows platform on an Xvfb display, grabbed from
# the screen (ImageMagick's import), so CI does not run it.
#   scripts/screenshot-wine.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-windows
out=docs/tools-wine.png
paper_out=docs/tools-wine-paper.png

scripts/install-deps.sh windows # Wine, Xvfb, xdotool, the zh_CN locale, Noto CJK
if ! command -v import >/dev/null; then
    echo "screenshot-wine: ImageMagick's import is missing (Debian: imagemagick)" >&2
    exit 1
fi
# Wine draws the window's text with the fonts fontconfig lists; without a
# Chinese one every character is a box.
if [ -z "$(fc-list :lang=zh-cn family)" ]; then
    echo "screenshot-wine: fontconfig lists no Chinese font for Wine to use (Debian: fonts-noto-cjk)" >&2
    exit 1
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
    echo "screenshot-wine: no Windows build in $build: run scripts/windows.sh first" >&2
    exit 1
fi
# Configured again first: a target added since the build was made is known.
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j2 --target qv_make qv_tools qv_paper

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=zh_CN.UTF-8
unset LC_ALL WINEPATH
cleanup() {
    [ ! -d "$WINEPREFIX" ] || wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The installed folder, as the zip holds it: the program finds its DLLs and
# plugins beside it, with no Qt on any path.
cmake --install "$build" --prefix "$work/qv_make" >/dev/null
# A drive of its own, so that the window names a teacher's folder, not this
# machine's temporary one.
mkdir -p "$work/drive-d/期中考试"
cp tests/data/questions-libreoffice.docx "$work/drive-d/期中考试/期中试卷.docx"

if [ -z "${DISPLAY:-}" ]; then
    # Room for the whole window.
    xvfb=(xvfb-run -a -s "-screen 0 1280x1024x24")
else
    xvfb=()
fi
"${xvfb[@]}" bash -euo pipefail -c '
    out=$1 paper_out=$2 work=$3
    wineboot -i >/dev/null 2>&1
    ln -s "$work/drive-d" "$WINEPREFIX/dosdevices/d:"
    # shoot PATH PNG: starts qv_tools.exe on PATH and grabs its window.
    shoot() {
        wine "$work/qv_make/qv_tools.exe" "$1" &
        local window=""
        for _ in $(seq 60); do
            window=$(xdotool search --name 试卷工具 2>/dev/null | head -n 1) && [ -n "$window" ] && break
            sleep 0.5
        done
        [ -n "$window" ] || { echo "screenshot-wine: qv_tools.exe showed no window in 30 s" >&2; exit 1; }
        eval "$(xdotool getwindowgeometry --shell "$window")"
        local area=${WIDTH}x$HEIGHT+$X+$Y
        # What it reads comes from a worker thread: grab once the window has
        # not changed for two seconds, within a minute.
        local last="" same=0 now
        for _ in $(seq 120); do
            sleep 0.5
            now=$(import -window root -crop "$area" +repage rgb:- | md5sum)
            if [ "$now" = "$last" ]; then
                same=$((same + 1))
                [ "$same" -lt 4 ] || break
            else
                same=0
            fi
            last=$now
        done
        [ "$same" -ge 4 ] || { echo "screenshot-wine: the window kept changing for a minute" >&2; exit 1; }
        import -window root -crop "$area" +repage "$2"
        wineserver -k
        wineserver -w
    }
    shoot "D:\\期中考试\\期中试卷.docx" "$out"
    # The paper as a teacher on Chinese Windows would import it: in GBK.
    wine "$work/qv_make/qv_paper.exe" import "D:\\期中考试\\期中试卷.docx" \
        -o "D:\\期中考试\\期中数学" >/dev/null 2>&1 || [ $? -eq 1 ]
    shoot "D:\\期中考试\\期中数学" "$paper_out"
' screenshot-wine "$root/$out" "$root/$paper_out" "$work"
echo "$out $paper_out"
