#pragma once
// A question file as its reader found it, before the conventions of Chinese
// question files make questions of it: the lines of a text file or the
// paragraphs of a Word document, or the rows of a spreadsheet's sheets.

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

// One line of text, one paragraph of a Word document or one row of a table
// in one (its cells separated by tabs).
struct SourceLine {
    QString text;  // '\t' for a tab or between table cells, '\n' for a soft line break
    QString place; // where it stands, for the teacher: "第 12 行", "第 5 段"
    // Character ranges [first, second) set apart by formatting alone (a colour
    // or a highlight the rest of the paragraph does not have): how some
    // teachers mark the right option.
    std::vector<std::pair<int, int>> marked;
    // What the reader changed in this line on its way to text: "[图片：…]"
    // for a picture, an equation written on one line.
    QStringList changes;
};

struct SourceDocument {
    std::vector<SourceLine> lines;
};

// One sheet of a workbook, or a CSV file. Cells hold text as shown: numbers in
// their shortest form ("2", "2.5"), booleans as "TRUE"/"FALSE", a merged cell's
// value in every cell of its range. Rows keep their sheet numbers, from 1.
struct SourceSheet {
    QString name; // the sheet's name; empty for CSV
    struct Row {
        int number = 0;
        std::vector<QString> cells; // column A first; trailing empty cells may be missing
    };
    std::vector<Row> rows; // rows with no text are left out
};

struct SourceWorkbook {
    std::vector<SourceSheet> sheets; // in the workbook's order
};
