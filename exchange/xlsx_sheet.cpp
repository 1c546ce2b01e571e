#include "exchange/xlsx_sheet.h"
#include "exchange/xml_source.h"

#include "exchange/xlsx_text.h"
#include "exchange/xml_guard.h"

#include <QXmlStreamReader>
#include <algorithm>

namespace
{

// A cell reference's column ("C7" → 3) or row ("C7" → 7), 0 when it has none.
// Numbers past the caps come back as one past the cap, never overflowing.
int column_of(const QStringRef &reference)
{
    int column = 0;
    for (const QChar c : reference) {
        if (c < u'A' || c > u'Z')
            break;
        column = std::min(column * 26 + (c.unicode() - u'A' + 1), kMaxSheetColumns + 1);
    }
    return column;
}

int number_of(const QStringRef &text)
{
    int number = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return 0;
        number = std::min(number * 10 + (c.unicode() - u'0'), kMaxSheetRows + 1);
    }
    return number;
}

int row_of(const QStringRef &reference)
{
    int at = 0;
    while (at < reference.size() && reference.at(at) >= u'A' && reference.at(at) <= u'Z')
        ++at;
    return number_of(reference.mid(at));
}

struct Merge {
    int first_row, first_column, last_row, last_column;
};

bool parse_merge(const QStringRef &ref, Merge &merge)
{
    const int colon = ref.indexOf(u':');
    if (colon < 0)
        return false;
    const QStringRef first = ref.left(colon);
    const QStringRef last = ref.mid(colon + 1);
    merge = {row_of(first), column_of(first), row_of(last), column_of(last)};
    return merge.first_row > 0 && merge.first_column > 0 && merge.last_row >= merge.first_row &&
           merge.last_column >= merge.first_column;
}

// The text a cell of type `type` shows, from its value or its inline string.
QString cell_text(const QStringRef &type, const QString &value, const QString &inline_text,
                  const QStringList &shared_strings)
{
    if (type == QLatin1String("s")) {
        bool ok = false;
        const int index = value.trimmed().toInt(&ok);
        return ok && index >= 0 && index < shared_strings.size() ? shared_strings[index]
                                                                 : QString();
    }
    if (type == QLatin1String("inlineStr"))
        return inline_text;
    if (type == QLatin1String("b")) {
        const QString flag = value.trimmed();
        return flag == u'1'   ? QStringLiteral("TRUE")
               : flag == u'0' ? QStringLiteral("FALSE")
                              : flag;
    }
    if (type == QLatin1String("str"))
        return plain_cell_text(value);
    if (type.isEmpty() || type == QLatin1String("n"))
        return value.isEmpty() ? inline_text : number_text(value);
    return value; // "e" (an error as Excel shows it, "#DIV/0!"), "d" (an ISO date)
}

class WorksheetReader
{
  public:
    WorksheetReader(const QByteArray &xml, const QString &part, const QStringList &shared_strings,
                    qint64 &cells_left, SourceSheet &sheet)
        : source_(xml), reader_(source_.device()), guard_(part), shared_strings_(shared_strings),
          cells_left_(cells_left), sheet_(sheet)
    {
    }

    ExchangeError read();

  private:
    void start_element();
    void end_element();
    void start_row();
    void start_cell();
    void end_cell();
    void put(SourceSheet::Row &row, int column, const QString &text);
    bool grow(SourceSheet::Row &row, int columns);
    void fill_merges();
    void fill_merge(const Merge &merge);
    void drop_rows_without_text();
    ExchangeError too_large(ExchangeError::What what, qint64 limit) const;

    XmlSource source_;
    QXmlStreamReader reader_;
    XmlPartGuard guard_;
    const QStringList &shared_strings_;
    qint64 &cells_left_;
    SourceSheet &sheet_;
    std::vector<Merge> merges_;
    int widest_ = 0; // the rightmost column read in any row, empty cells included
    bool in_row_ = false;

    // The cell being read.
    bool in_cell_ = false;
    bool in_value_ = false;
    bool in_inline_ = false;
    int column_ = 0;
    QString type_;
    QString value_;
    RichTextCollector inline_text_;

    ExchangeError failure_;
};

ExchangeError WorksheetReader::too_large(ExchangeError::What what, qint64 limit) const
{
    ExchangeError error;
    error.what = what;
    error.part = sheet_.name;
    error.limit = limit;
    return error;
}

ExchangeError WorksheetReader::read()
{
    while (!reader_.atEnd() && !failure_.failed()) {
        const QXmlStreamReader::TokenType token = reader_.readNext();
        if (!guard_.admits(reader_))
            return guard_.error();
        switch (token) {
        case QXmlStreamReader::StartElement:
            start_element();
            break;
        case QXmlStreamReader::EndElement:
            end_element();
            break;
        case QXmlStreamReader::Characters:
            if (in_value_)
                value_.append(reader_.text());
            else if (in_inline_)
                inline_text_.characters(reader_.text());
            break;
        default:
            break;
        }
    }
    if (failure_.failed())
        return failure_;
    const ExchangeError broken = guard_.finish(reader_);
    if (broken.failed())
        return broken;
    fill_merges();
    if (failure_.failed())
        return failure_;
    drop_rows_without_text();
    return ExchangeError();
}

void WorksheetReader::start_element()
{
    const QStringRef name = reader_.name();
    if (in_inline_)
        inline_text_.start(name);
    else if (name == QLatin1String("row"))
        start_row();
    else if (name == QLatin1String("c"))
        start_cell();
    else if (in_cell_ && name == QLatin1String("v"))
        in_value_ = true;
    else if (in_cell_ && name == QLatin1String("is"))
        in_inline_ = true;
    else if (name == QLatin1String("mergeCell")) {
        Merge merge;
        if (parse_merge(reader_.attributes().value(QLatin1String("ref")), merge))
            merges_.push_back(merge);
    }
}

void WorksheetReader::end_element()
{
    const QStringRef name = reader_.name();
    if (in_inline_ && name == QLatin1String("is"))
        in_inline_ = false;
    else if (in_inline_)
        inline_text_.end(name);
    else if (name == QLatin1String("v"))
        in_value_ = false;
    else if (name == QLatin1String("c"))
        end_cell();
    else if (name == QLatin1String("row"))
        in_row_ = false;
}

void WorksheetReader::start_row()
{
    if (sheet_.rows.size() >= size_t(kMaxSheetRows)) {
        failure_ = too_large(ExchangeError::What::SheetTooLarge, kMaxSheetRows);
        return;
    }
    // A row without its number follows the one before it.
    const int previous = sheet_.rows.empty() ? 0 : sheet_.rows.back().number;
    const int given = number_of(reader_.attributes().value(QLatin1String("r")));
    const int number = given > 0 ? given : previous + 1;
    if (number > kMaxSheetRows) {
        failure_ = too_large(ExchangeError::What::SheetTooLarge, kMaxSheetRows);
        return;
    }
    sheet_.rows.push_back({number, {}});
    in_row_ = true;
    column_ = 0;
}

void WorksheetReader::start_cell()
{
    if (!in_row_)
        return;
    const QXmlStreamAttributes attributes = reader_.attributes();
    // A cell without its reference follows the one before it in the row.
    const int given = column_of(attributes.value(QLatin1String("r")));
    column_ = given > 0 ? given : column_ + 1;
    type_ = attributes.value(QLatin1String("t")).toString();
    value_.clear();
    in_cell_ = true;
}

void WorksheetReader::end_cell()
{
    if (!in_cell_)
        return;
    in_cell_ = false;
    const QString text =
        cell_text(QStringRef(&type_), value_, inline_text_.take(), shared_strings_);
    if (column_ > kMaxSheetColumns)
        return;
    widest_ = std::max(widest_, column_);
    if (!text.isEmpty())
        put(sheet_.rows.back(), column_, text);
}

// Makes `row` hold `columns` cells, within what the workbook may still hold.
bool WorksheetReader::grow(SourceSheet::Row &row, int columns)
{
    const qint64 more = columns - qint64(row.cells.size());
    if (more <= 0)
        return true;
    if (more > cells_left_) {
        failure_ = too_large(ExchangeError::What::SheetTooManyCells, kMaxWorkbookCells);
        return false;
    }
    cells_left_ -= more;
    row.cells.resize(size_t(columns));
    return true;
}

void WorksheetReader::put(SourceSheet::Row &row, int column, const QString &text)
{
    if (grow(row, column))
        row.cells[size_t(column - 1)] = text;
}

void WorksheetReader::fill_merges()
{
    if (merges_.empty())
        return;
    // Valid sheets list their rows in order; a merge finds its rows by number.
    std::stable_sort(
        sheet_.rows.begin(), sheet_.rows.end(),
        [](const SourceSheet::Row &a, const SourceSheet::Row &b) { return a.number < b.number; });
    for (const Merge &merge : merges_) {
        fill_merge(merge);
        if (failure_.failed())
            return;
    }
}

// The top-left cell's text in every cell of the range that lies within the
// rows and columns read: never more cells than the sheet has, whatever the
// range declares. Overlapping ranges, which Excel refuses, cost from the same
// count of cells as new ones, so no pile of them takes long.
void WorksheetReader::fill_merge(const Merge &merge)
{
    auto row =
        std::lower_bound(sheet_.rows.begin(), sheet_.rows.end(), merge.first_row,
                         [](const SourceSheet::Row &r, int number) { return r.number < number; });
    if (row == sheet_.rows.end() || row->number != merge.first_row ||
        size_t(merge.first_column) > row->cells.size())
        return;
    const QString text = row->cells[size_t(merge.first_column - 1)];
    const int last_column = std::min(merge.last_column, widest_);
    if (text.isEmpty() || last_column < merge.first_column)
        return;
    const int width = last_column - merge.first_column + 1;
    for (; row != sheet_.rows.end() && row->number <= merge.last_row; ++row) {
        if (width > cells_left_ || !grow(*row, last_column)) {
            failure_ = too_large(ExchangeError::What::SheetTooManyCells, kMaxWorkbookCells);
            return;
        }
        cells_left_ -= width;
        std::fill(row->cells.begin() + (merge.first_column - 1), row->cells.begin() + last_column,
                  text);
    }
}

void WorksheetReader::drop_rows_without_text()
{
    for (SourceSheet::Row &row : sheet_.rows) {
        while (!row.cells.empty() && row.cells.back().isEmpty())
            row.cells.pop_back();
    }
    sheet_.rows.erase(std::remove_if(sheet_.rows.begin(), sheet_.rows.end(),
                                     [](const SourceSheet::Row &row) { return row.cells.empty(); }),
                      sheet_.rows.end());
}

} // namespace

ExchangeError read_worksheet(const QByteArray &xml, const QString &part,
                             const QStringList &shared_strings, qint64 &cells_left,
                             SourceSheet &sheet)
{
    const ExchangeError crowded = check_attribute_counts(xml, part);
    if (crowded.failed())
        return crowded;
    return WorksheetReader(xml, part, shared_strings, cells_left, sheet).read();
}
