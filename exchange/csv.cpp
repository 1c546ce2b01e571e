#include "exchange/csv.h"

#include <algorithm>
#include <map>
#include <utility>

namespace
{

// The separator is told from the first records, within the first characters.
constexpr int kSampleRecords = 10;
constexpr int kSampleChars = 64 * 1024;

// The full-width comma "，" is no candidate: neither Excel nor WPS writes it
// between fields, and Chinese question texts are full of it, so a file of one
// column would be cut at every clause.
constexpr char16_t kDelimiters[] = {u',', u'\t', u';'};

struct Record {
    int line = 0; // the line of the file it starts on, from 1
    std::vector<QString> fields;
};

class CsvScanner
{
  public:
    CsvScanner(const QString &text, int begin, int end, QChar delimiter)
        : text_(text), end_(end), delimiter_(delimiter), at_(begin)
    {
    }

    bool at_end() const { return at_ >= end_; }
    Record next_record();

  private:
    bool read_field(QString &field);
    void read_quoted(QString &field);
    bool read_unquoted(QString &field);
    void skip_line_break();

    const QString &text_;
    const int end_;
    const QChar delimiter_;
    int at_;
    int line_ = 1;
};

Record CsvScanner::next_record()
{
    Record record;
    record.line = line_;
    QString field;
    bool more = true;
    while (more) {
        more = read_field(field);
        record.fields.push_back(field);
    }
    return record;
}

// Reads one field; whether another of the same record follows.
bool CsvScanner::read_field(QString &field)
{
    field.clear();
    if (at_ < end_ && text_[at_] == u'"')
        read_quoted(field);
    return read_unquoted(field);
}

// From an opening quote to its closing one. A quote that is never closed was
// no quoting but a character of the text, as a teacher typing the file meant
// it: read as such, it does not swallow the rest of the file into one cell.
void CsvScanner::read_quoted(QString &field)
{
    const int opening = at_;
    const int opening_line = line_;
    ++at_;
    while (at_ < end_) {
        const QChar c = text_[at_];
        if (c == u'"') {
            if (at_ + 1 < end_ && text_[at_ + 1] == u'"') {
                field.append(u'"');
                at_ += 2;
                continue;
            }
            ++at_;
            return;
        }
        if (c == u'\r' || c == u'\n') {
            skip_line_break();
            field.append(u'\n');
            continue;
        }
        field.append(c);
        ++at_;
    }
    at_ = opening + 1;
    line_ = opening_line;
    field = QStringLiteral("\"");
}

// Up to the separator or the end of the line, quotes taken as text; whether
// the record goes on.
bool CsvScanner::read_unquoted(QString &field)
{
    const int start = at_;
    while (at_ < end_) {
        const QChar c = text_[at_];
        if (c == delimiter_) {
            field.append(text_.midRef(start, at_ - start));
            ++at_;
            return true;
        }
        if (c == u'\r' || c == u'\n') {
            field.append(text_.midRef(start, at_ - start));
            skip_line_break();
            return false;
        }
        ++at_;
    }
    field.append(text_.midRef(start, at_ - start));
    return false;
}

// CR LF, LF or CR, as one line break.
void CsvScanner::skip_line_break()
{
    if (text_[at_] == u'\r' && at_ + 1 < end_ && text_[at_ + 1] == u'\n')
        ++at_;
    ++at_;
    ++line_;
}

bool has_text(const Record &record)
{
    return std::any_of(record.fields.begin(), record.fields.end(),
                       [](const QString &field) { return !field.isEmpty(); });
}

// How well `delimiter` splits the sample: how many records have the field
// count most of them share, and that count; nothing when none is split.
std::pair<int, int> split_score(const QString &text, int begin, QChar delimiter)
{
    const int end = std::min(text.size(), begin + kSampleChars);
    CsvScanner scanner(text, begin, end, delimiter);
    std::map<int, int> records_of_count;
    for (int read = 0; read < kSampleRecords && !scanner.at_end();) {
        const Record record = scanner.next_record();
        // The last record of a cut sample may be cut short.
        if (scanner.at_end() && end < text.size())
            break;
        if (!has_text(record))
            continue;
        ++read;
        if (record.fields.size() > 1)
            ++records_of_count[int(record.fields.size())];
    }
    std::pair<int, int> best{0, 0};
    for (const auto &[count, records] : records_of_count)
        best = std::max(best, std::make_pair(records, count));
    return best;
}

QChar find_delimiter(const QString &text, int begin)
{
    QChar best = kDelimiters[0];
    std::pair<int, int> best_score{0, 0};
    for (const char16_t delimiter : kDelimiters) {
        const std::pair<int, int> score = split_score(text, begin, delimiter);
        if (score > best_score) {
            best = delimiter;
            best_score = score;
        }
    }
    return best;
}

SourceSheet::Row row_of(Record &&record)
{
    while (!record.fields.empty() && record.fields.back().isEmpty())
        record.fields.pop_back();
    return {record.line, std::move(record.fields)};
}

} // namespace

SourceSheet read_csv(const QString &text)
{
    const int begin = text.startsWith(QChar(0xFEFF)) ? 1 : 0;
    CsvScanner scanner(text, begin, text.size(), find_delimiter(text, begin));
    SourceSheet sheet;
    while (!scanner.at_end()) {
        Record record = scanner.next_record();
        if (has_text(record))
            sheet.rows.push_back(row_of(std::move(record)));
    }
    return sheet;
}
