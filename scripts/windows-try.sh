#!/usr/bin/env bash
# Tries the Windows packages as a teacher would, in a Wine prefix of their own
# with code page 936 and no Qt on any path:
# - the zip, unpacked into a folder of its own: qv_paper reports its version,
#   checks a GBK paper, and exports and imports as the Linux build in
#   build/ does (QV_LINUX_PAPER_TOOL names another); qv_make and qv_tools
#   open their windows;
# - the installer, run silently: the programs are in Program Files, the
#   Start-menu shortcuts start qv_make and qv_tools (试卷工具), and the
#   uninstaller leaves nothing of what was installed, shortcuts included.
#   scripts/windows-try.sh dist/qv_make-<version>-windows-x64.zip dist/qv_make-<version>-setup.exe
set -euo pipefail
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a "$0" "$@"
fi
zip=$(realpath "$1")
setup=$(realpath "$2")
version=$(basename "$setup" | sed 's/^qv_make-\(.*\)-setup\.exe$/\1/')

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=zh_CN.UTF-8
unset LC_ALL WINEPATH
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "windows-try: $*" >&2
    exit 1
}
wineboot -i >/dev/null 2>&1

# Waits up to 30 s for a window whose title matches the pattern: qv_make's
# names the system, qv_tools' is 试卷工具.
window_appears() {
    for _ in $(seq 60); do
        xdotool search --name "$1" >/dev/null 2>&1 && return 0
        sleep 0.5
    done
    return 1
}

echo "-- the zip, from a folder of its own"
mkdir "$work/unzipped"
unzip -q "$zip" -d "$work/unzipped"
folder=$(find "$work/unzipped" -mindepth 1 -maxdepth 1 -type d)
said=$(wine "$folder/qv_paper.exe" --version | tr -d '\r')
[ "$said" = "qv_paper $version" ] || fail "qv_paper.exe --version said '$said'"
echo "$said"

# One question of each kind, in GBK: "单选" "多选" "问答" "答案".
mkdir "$work/paper"
printf '1 1 1\r\n2\r\n@\xb5\xa5\xd1\xa1$\r\n4 1\r\n@\xb6\xe0\xd1\xa1$\r\n10\r\n@\xce\xca\xb4\xf0$\r\n' \
    >"$work/paper/problem.prb"
printf '2\r\n5\r\n@\xb4\xf0\xb0\xb8$\r\n' >"$work/paper/answer.ans"
checked=$(wine "$folder/qv_paper.exe" check "Z:${work//\//\\}\\paper" | iconv -f GBK -t UTF-8 |
          tr -d '\r')
echo "$checked"
grep -q '试卷总分确认：16.00 分' <<<"$checked" || fail "check of a GBK paper said: $checked"

# The same inputs give the same papers as the Linux build, when there is one:
# the exports byte for byte, the imports as text (GBK here, UTF-8 there).
linux_tool=${QV_LINUX_PAPER_TOOL:-$(dirname "$0")/../build/paper_tool/qv_paper}
if [ -x "$linux_tool" ]; then
    win_path() { echo "Z:${1//\//\\}"; }
    sample=$(realpath "$(dirname "$0")/../docs/sample-questions.gift")
    # The text, Excel and Word exports name the questions that would not read
    # back as they are (this paper's multiple choice lays out no options) and
    # end with 1; both builds must say so alike.
    for format in gift moodle-xml text xlsx docx; do
        status=0
        wine "$folder/qv_paper.exe" export "$(win_path "$work/paper")" --to $format \
            -o "$(win_path "$work/windows.$format")" 2>/dev/null || status=$?
        linux_status=0
        QT_QPA_PLATFORM=offscreen "$linux_tool" export "$work/paper" --to $format \
            -o "$work/linux.$format" 2>/dev/null || linux_status=$?
        [ "$status" = "$linux_status" ] || fail "the $format exports exit $status and $linux_status"
        [ "$status" -le 1 ] || fail "the $format export failed"
        cmp "$work/windows.$format" "$work/linux.$format" || fail "the $format exports differ"
    done
    status=0
    wine "$folder/qv_paper.exe" import "$(win_path "$sample")" --from gift \
        -o "$(win_path "$work/imported-windows")" >/dev/null 2>&1 || status=$?
    linux_status=0
    QT_QPA_PLATFORM=offscreen "$linux_tool" import "$sample" --from gift \
        -o "$work/imported-linux" >/dev/null 2>&1 || linux_status=$?
    [ "$status" = "$linux_status" ] || fail "the imports exit $status and $linux_status"
    for file in problem.prb answer.ans; do
        iconv -f GBK -t UTF-8 "$work/imported-windows/$file" | cmp - "$work/imported-linux/$file" ||
            fail "the imported $file differs"
    done
    # A Word document as LibreOffice writes it: numbering, a table of
    # options, a coloured option; the paper in GBK there, UTF-8 here.
    word=$(realpath "$(dirname "$0")/../tests/data/questions-libreoffice.docx")
    status=0
    wine "$folder/qv_paper.exe" import "$(win_path "$word")" \
        -o "$(win_path "$work/word-windows")" >/dev/null 2>&1 || status=$?
    linux_status=0
    QT_QPA_PLATFORM=offscreen "$linux_tool" import "$word" -o "$work/word-linux" \
        >/dev/null 2>&1 || linux_status=$?
    [ "$status" = "$linux_status" ] || fail "the Word imports exit $status and $linux_status"
    for file in problem.prb answer.ans; do
        iconv -f GBK -t UTF-8 "$work/word-windows/$file" | cmp - "$work/word-linux/$file" ||
            fail "the $file imported from Word differs"
    done
    grep -q '@下列哪个数是质数？（　）' "$work/word-linux/problem.prb" ||
        fail "the Word import lost its first question"
    echo "qv_paper.exe exports and imports as the Linux build does: text, Excel and Word too"
fi

wine "$folder/qv_make.exe" &
window_appears 'Kestrova2\.0' || fail "qv_make.exe from the zip showed no window"
echo "qv_make.exe from the zip shows its window"
wineserver -k
wait || true
[ -f "$folder/qv_tools.exe" ] || fail "the zip holds no qv_tools.exe"
wine "$folder/qv_tools.exe" &
window_appears '试卷工具' || fail "qv_tools.exe from the zip showed no window"
echo "qv_tools.exe from the zip shows its window"
wineserver -k
wait || true

echo "-- the installer"
wine "$setup" /S
wineserver -w
installed="$WINEPREFIX/drive_c/Program Files/qv_make"
for file in qv_make.exe qv_tools.exe qv_paper.exe Qt5Core.dll platforms/qwindows.dll uninstall.exe; do
    [ -f "$installed/$file" ] || fail "not installed: $file"
done
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
shortcut="$menu/Kestrova2.0 出题端 qv_make.lnk"
tools_shortcut="$menu/试卷工具.lnk"
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
[ -f "$tools_shortcut" ] || fail "no Start-menu shortcut 试卷工具"
# A shortcut's working folder and the file it takes its icon from are UTF-16
# strings of the .lnk file, whole Windows paths; the target is not (it is in
# the ANSI part).
strings -el "$tools_shortcut" | grep -q 'C:\\Program Files\\qv_make\\qv_tools\.exe$' ||
    fail "the shortcut 试卷工具 does not show qv_tools.exe's icon: $(strings -el "$tools_shortcut" | tr '\n' ' ')"
for link in "$shortcut" "$tools_shortcut"; do
    strings -el "$link" | grep -q 'C:\\Program Files\\qv_make$' ||
        fail "$(basename "$link") does not start in the programs' folder: $(strings -el "$link" | tr '\n' ' ')"
done
wine start /unix "$shortcut"
window_appears 'Kestrova2\.0' || fail "the Start-menu shortcut started no window"
echo "the Start-menu shortcut starts qv_make"
wineserver -k
wine start /unix "$tools_shortcut"
window_appears '试卷工具' || fail "the Start-menu shortcut 试卷工具 started no window"
echo "the Start-menu shortcut 试卷工具 starts qv_tools"
wineserver -k
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\qv_make' >/dev/null 2>&1 ||
    fail "no uninstall entry"

echo "-- the uninstaller"
wine "$installed/uninstall.exe" /S
wineserver -w
[ ! -e "$installed" ] || fail "left behind: $(cd "$installed" && find . | tr '\n' ' ')"
[ ! -e "$shortcut" ] || fail "the shortcut is left behind"
[ ! -e "$tools_shortcut" ] || fail "the shortcut 试卷工具 is left behind"
if wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\qv_make' >/dev/null 2>&1; then
    fail "the uninstall entry is left behind"
fi
echo "the uninstaller removed everything it installed"
