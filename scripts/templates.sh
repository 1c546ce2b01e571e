#!/usr/bin/env bash
# Makes the templates a teacher fills in, under docs/templates/, from the
# sample questions (docs/sample-questions.gift) with qv_paper itself: the
# paper that import makes of them, exported as text, as the Excel sheet of
# exam systems' batch-import templates and as a Word paper with its key. Run
# it after changing an export; a test checks that the shipped templates are
# what it writes.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target qv_paper >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The sample holds a numerical question the paper has no kind for: import
# names it and goes on (exit 1).
build/paper_tool/qv_paper import docs/sample-questions.gift -o "$work/paper" --score 2,4,10 \
    2>/dev/null || [ $? -eq 1 ]
mkdir -p docs/templates
export_template() {
    local format=$1 file=$2
    shift 2
    build/paper_tool/qv_paper export "$work/paper" --to "$format" -o "$work/$file" "$@"
    cp "$work/$file" docs/templates/
    echo "docs/templates/$file"
}
export_template text 试题模板.txt
export_template xlsx 试题模板.xlsx
# A Word paper brings its keys back only with them written in.
export_template docx 试题模板.docx --answers --title 单元测验
