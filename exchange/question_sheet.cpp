#include "exchange/question_sheet.h"
#include "paper/work_progress.h"

#include "exchange/exchange_messages.h"
#include "exchange/question_conventions.h"
#include "exchange/raw_question.h"

#include <QRegularExpression>

namespace
{

enum class Column { None, Type, Stem, Option, Options, Key, Score, Partial, Analysis, Ignored };

struct ColumnName {
    Column column = Column::None;
    int option = 0; // Option: 0 for A
};

// A header cell as a name: no spaces, marks of a required column ("*", "（必填）")
// or case.
QString header_key(const QString &cell)
{
    QString key = cell.toLower();
    static const QRegularExpression noise(QStringLiteral("[\\s\\x{3000}*＊:：]|[（(][^）)]*[)）]"));
    key.remove(noise);
    return key;
}

ColumnName column_named(const QString &cell)
{
    const QString key = header_key(cell);
    if (key.isEmpty())
        return {};
    static const QRegularExpression option(
        QStringLiteral("^(?:选项|option|答案|choice)?([a-fａ-ｆ])(?:选项)?$"));
    const QRegularExpressionMatch match = option.match(key);
    if (match.hasMatch()) {
        const char16_t letter = match.captured(1).at(0).unicode();
        const int index = letter >= 0xFF41 ? int(letter - 0xFF41) : int(letter - u'a');
        return {Column::Option, index};
    }
    struct Name {
        const char16_t *text;
        Column column;
    };
    static const Name names[] = {
        {u"题型", Column::Type},
        {u"试题类型", Column::Type},
        {u"题目类型", Column::Type},
        {u"类型", Column::Type},
        {u"type", Column::Type},
        {u"questiontype", Column::Type},
        {u"题干", Column::Stem},
        {u"题目", Column::Stem},
        {u"试题", Column::Stem},
        {u"题目内容", Column::Stem},
        {u"试题内容", Column::Stem},
        {u"question", Column::Stem},
        {u"stem", Column::Stem},
        {u"选项", Column::Options},
        {u"options", Column::Options},
        {u"答案", Column::Key},
        {u"正确答案", Column::Key},
        {u"标准答案", Column::Key},
        {u"参考答案", Column::Key},
        {u"answer", Column::Key},
        {u"correctanswer", Column::Key},
        {u"key", Column::Key},
        {u"分值", Column::Score},
        {u"分数", Column::Score},
        {u"score", Column::Score},
        {u"points", Column::Score},
        {u"部分得分", Column::Partial},
        {u"少选得分", Column::Partial},
        {u"部分分", Column::Partial},
        {u"partialscore", Column::Partial},
        {u"解析", Column::Analysis},
        {u"答案解析", Column::Analysis},
        {u"试题解析", Column::Analysis},
        {u"analysis", Column::Analysis},
        {u"explanation", Column::Analysis},
    };
    for (const Name &name : names) {
        if (key == QString::fromUtf16(name.text))
            return {name.column, 0};
    }
    return {Column::Ignored, 0};
}

struct Header {
    int row = -1; // index in the sheet's rows
    std::vector<ColumnName> columns;
    QStringList ignored; // the names of the columns not read
};

// The header is among the first rows: the first that names a stem column
// and at least one other known column.
Header find_header(const SourceSheet &sheet)
{
    const size_t searched = std::min<size_t>(sheet.rows.size(), 10);
    for (size_t r = 0; r < searched; ++r) {
        Header header;
        header.row = int(r);
        bool stem = false;
        int known = 0;
        for (const QString &cell : sheet.rows[r].cells) {
            const ColumnName name = column_named(cell);
            header.columns.push_back(name);
            stem = stem || name.column == Column::Stem;
            known += name.column != Column::None && name.column != Column::Ignored;
            if (name.column == Column::Ignored)
                header.ignored.append(cell.trimmed());
        }
        if (stem && known >= 2)
            return header;
    }
    return {};
}

QString cell_of(const SourceSheet::Row &row, size_t column)
{
    return column < row.cells.size() ? row.cells[column].trimmed() : QString();
}

std::optional<double> number_of(const QString &cell)
{
    bool ok = false;
    QString text = cell;
    text.remove(QChar(u'分'));
    const double value = text.trimmed().toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

// "A．甲" on each line of one options cell.
QStringList options_of_cell(const QString &cell)
{
    QStringList options;
    for (const QString &line : cell.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString text = line.trimmed();
        if (text.isEmpty())
            continue;
        const std::optional<OptionMarker> marker = option_marker_at(text, 0);
        options.append(marker ? text.mid(marker->text).trimmed() : text);
    }
    return options;
}

// Excel's own booleans stand for a judgement's key, in the words a Chinese
// paper uses.
QString excel_truth_in_words(const QString &cell)
{
    if (cell == QLatin1String("TRUE"))
        return QStringLiteral("正确");
    if (cell == QLatin1String("FALSE"))
        return QStringLiteral("错误");
    return cell;
}

// Option cells that hold their own letters alone ("A", "B", …) say that the
// stem shows the options itself, in a table or a figure: so the Excel export
// writes such a question, as GIFT and Moodle XML bring it.
bool options_are_their_letters(const QStringList &options)
{
    if (options.size() < 2)
        return false;
    for (int i = 0; i < options.size(); ++i) {
        if (options[i] != QChar(u'A' + i))
            return false;
    }
    return true;
}

QString row_position(const SourceSheet &sheet, int number)
{
    return sheet.name.isEmpty() ? line_place(number) : sheet_row_place(sheet.name, number);
}

// A row of the sheet as a question; false for a row with nothing to take.
bool raw_question_of(const SourceSheet &sheet, const SourceSheet::Row &row, const Header &header,
                     SourceKind sheet_kind, RawQuestion &raw)
{
    raw.position = row_position(sheet, row.number);
    raw.kind = sheet_kind;
    QString options_cell;
    std::vector<QString> options(kOptionCount);
    int last_option = -1;
    bool anything = false;
    for (size_t c = 0; c < header.columns.size(); ++c) {
        const QString cell = cell_of(row, c);
        if (cell.isEmpty())
            continue;
        const ColumnName &name = header.columns[c];
        anything = anything || name.column != Column::Ignored;
        switch (name.column) {
        case Column::Type:
            if (const std::optional<SourceKind> kind = kind_named(cell))
                raw.kind = *kind;
            break;
        case Column::Stem:
            raw.stem = cell;
            break;
        case Column::Option:
            if (name.option < kOptionCount) {
                options[size_t(name.option)] = cell;
                last_option = std::max(last_option, name.option);
            }
            break;
        case Column::Options:
            options_cell = cell;
            break;
        case Column::Key:
            raw.keys.append(excel_truth_in_words(cell));
            raw.key_places.append(raw.position);
            break;
        case Column::Score:
            raw.section_score = number_of(cell);
            break;
        case Column::Partial:
            raw.partial = number_of(cell);
            break;
        case Column::Analysis:
            raw.analysis = cell;
            break;
        case Column::None:
        case Column::Ignored:
            break;
        }
    }
    if (!anything)
        return false;
    for (int i = 0; i <= last_option; ++i)
        raw.options.append(options[size_t(i)]);
    if (raw.options.isEmpty() && !options_cell.isEmpty())
        raw.options = options_of_cell(options_cell);
    raw.options_in_stem = options_are_their_letters(raw.options);
    raw.marked.assign(size_t(raw.options.size()), false);
    return true;
}

// The conventions of the text hold in a cell too: "（2分）", the key in "（ B ）".
void read_stem_conventions(RawQuestion &raw)
{
    if (const std::optional<OwnScore> own = take_own_score(raw.stem)) {
        raw.own_score = own->score;
        if (own->partial)
            raw.partial = own->partial;
    }
    if (raw.kind != SourceKind::FreeAnswer && raw.keys.isEmpty()) {
        if (const std::optional<QString> key = take_bracket_key(raw.stem)) {
            raw.keys.append(key->trimmed());
            raw.key_places.append(raw.position);
        }
    }
    // A free answer's key column is its reference answer.
    if (raw.kind == SourceKind::FreeAnswer ||
        (raw.options.isEmpty() && !raw.keys.isEmpty() && !key_letters(raw.keys.front()) &&
         !truth_key(raw.keys.front()))) {
        raw.reference = raw.keys.join(QLatin1Char('\n'));
        raw.keys.clear();
        raw.key_places.clear();
        if (raw.kind == SourceKind::Unknown)
            raw.kind = SourceKind::FreeAnswer;
    }
}

} // namespace

void read_question_sheets(const SourceWorkbook &workbook, const ImportScores &scores,
                          ImportResult &result)
{
    FileNotes notes;
    QStringList ignored;
    qint64 rows = 0;
    for (const SourceSheet &sheet : workbook.sheets)
        rows += qint64(sheet.rows.size());
    work_total(rows);
    for (const SourceSheet &sheet : workbook.sheets) {
        work_step(); // the header's row, or the whole of a sheet without one
        const Header header = find_header(sheet);
        if (header.row < 0) {
            if (!sheet.rows.empty())
                result.notes.append(no_header_note(sheet.name));
            continue;
        }
        for (const QString &name : header.ignored) {
            if (!name.isEmpty() && !ignored.contains(name))
                ignored.append(name);
        }
        const SourceKind sheet_kind = kind_named(sheet.name).value_or(SourceKind::Unknown);
        work_step(header.row);
        for (size_t r = size_t(header.row) + 1; r < sheet.rows.size(); ++r) {
            work_step();
            RawQuestion raw;
            if (!raw_question_of(sheet, sheet.rows[r], header, sheet_kind, raw))
                continue;
            read_stem_conventions(raw);
            take_raw_question(raw, scores, result, notes);
        }
    }
    if (!ignored.isEmpty())
        result.notes.append(ignored_columns_note(ignored));
    finish_file_notes(notes, result);
}
