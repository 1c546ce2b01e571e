#!/usr/bin/env bash
# Renders the README's pictures of the window with the offscreen platform:
# docs/window.png (as started), docs/edited-paper.png (a paper open on its
# single-choice page), docs/folder-dialog.png (the folder dialog, in Chinese)
# docs/printed-paper.png (the first page of a paper printed by qv_paper,
# imported from docs/sample-questions.gift) and docs/word-paper.png (the first
# page of the same paper exported to Word, as LibreOffice lays it out);
# docs/tools-paper.png and docs/tools-import.png (试卷工具 with that paper
# open, and with a Word file of questions).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test # pdftoppm
cmake -S . -B build >/dev/null
cmake --build build -j2 --target qv_screenshot qv_paper
export QT_QPA_PLATFORM=offscreen
mkdir -p docs
build/qv_screenshot docs/window.png

paper=$(mktemp -d)
trap 'rm -rf "$paper"' EXIT
printf '2 1 1\r\n2\r\n@下列哪个数是质数？$\r\n3\r\n@1+1=?$\r\n4 1.5\r\n@下列哪些是偶数？$\r\n10\r\n@证明：三角形内角和为 180°。\r\n写出每一步。$\r\n' \
    >"$paper/problem.prb"
printf '4\r\n2\r\n5\r\n@作平行线，利用内错角相等。$\r\n' >"$paper/answer.ans"
build/qv_screenshot docs/edited-paper.png "$paper" 1

# A folder name that says what the teacher keeps there, not where the script ran.
papers="${TMPDIR:-/tmp}/期中考试"
rm -rf "$papers"
mkdir -p "$papers/数学" "$papers/物理" "$papers/语文"
build/qv_screenshot --folder-dialog docs/folder-dialog.png "$papers"
rm -rf "$papers"

printed=$(mktemp -d)
trap 'rm -rf "$paper" "$printed"' EXIT
build/paper_tool/qv_paper import docs/sample-questions.gift --from gift -o "$printed/单元测验" \
    --score 2,4,10 || [ $? -eq 1 ] # the sample holds a numerical question on purpose
build/paper_tool/qv_paper print "$printed/单元测验" --answers -o "$printed/paper.pdf"
pdftoppm -png -r 80 -f 1 -l 1 -singlefile "$printed/paper.pdf" docs/printed-paper

# The Word paper as a teacher's office suite shows it.
build/paper_tool/qv_paper export "$printed/单元测验" --to docx --answers -o "$printed/单元测验.docx"
soffice --headless "-env:UserInstallation=file://$printed/profile" --convert-to pdf \
    --outdir "$printed" "$printed/单元测验.docx" >/dev/null
pdftoppm -png -r 80 -f 1 -l 1 -singlefile "$printed/单元测验.pdf" docs/word-paper

# 试卷工具, with the paper, then with a Word file, in a folder named as a
# teacher names one (the window shows where they are).
teaching="${TMPDIR:-/tmp}/教学"
rm -rf "$teaching"
mkdir -p "$teaching"
cp -r "$printed/单元测验" "$teaching/"
cp tests/data/questions-libreoffice.docx "$teaching/期中试卷.docx"
build/qv_screenshot --tools docs/tools-paper.png "$teaching/单元测验"
build/qv_screenshot --tools docs/tools-import.png "$teaching/期中试卷.docx"
rm -rf "$teaching"
