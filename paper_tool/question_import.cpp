#include "paper_tool/question_import.h"

#include "exchange/exchange_messages.h"
#include "exchange/option_layout.h"
#include "paper/paper_messages.h"
#include "paper/paper_storage.h"
#include "paper_tool/paper_folder.h"

#include <QDir>

namespace
{

std::optional<double> parse_score(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || value < 0 || value > 10000 || QString::number(value, 'f', 2).toDouble() != value)
        return std::nullopt;
    return value;
}

QString key_text(QuestionKind kind, const PaperData &paper, int number)
{
    if (kind == QuestionKind::FreeAnswer)
        return QStringLiteral("—");
    const ChoiceQuestion &question = kind == QuestionKind::SingleChoice
                                         ? paper.onech[size_t(number - 1)]
                                         : paper.somech[size_t(number - 1)];
    return option_letters(question.answer);
}

QString first_words(const QString &text)
{
    QString words = text.simplified();
    if (words.size() > 24)
        words = words.left(24) + QStringLiteral("…");
    return words;
}

PreviewRow taken_row(const TakenQuestion &taken, const ImportResult &result)
{
    const PaperData &paper = result.paper;
    const size_t index = size_t(taken.number - 1);
    double score = 0;
    PreviewRow row;
    row.partial_score = QStringLiteral("—");
    switch (taken.kind) {
    case QuestionKind::SingleChoice:
        score = paper.onech[index].score;
        row.words = first_words(paper.onech[index].problem);
        break;
    case QuestionKind::MultipleChoice:
        score = paper.somech[index].score;
        row.partial_score = QString::number(paper.somech[index].partial_score, 'g', 10);
        row.words = first_words(paper.somech[index].problem);
        break;
    case QuestionKind::FreeAnswer:
        score = paper.unch[index].score;
        row.words = first_words(paper.unch[index].problem);
        break;
    }
    row.kind = kind_name(taken.kind);
    row.number = QString::number(taken.number);
    row.key = key_text(taken.kind, paper, taken.number);
    row.score = QString::number(score, 'g', 10);
    row.position = taken.position;
    QStringList notes;
    for (const ImportChange &change : result.changed) {
        if (!taken.position.isEmpty() && change.position == taken.position)
            notes.append(change.what);
    }
    row.notes = notes.join(QStringLiteral("；"));
    return row;
}

} // namespace

std::optional<ImportScores> parse_scores(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 1 && parts.size() != 3)
        return std::nullopt;
    double values[3];
    for (int i = 0; i < 3; ++i) {
        const auto value = parse_score(parts[parts.size() == 1 ? 0 : i]);
        if (!value)
            return std::nullopt;
        values[i] = *value;
    }
    return ImportScores{values[0], values[1], values[2]};
}

int FileImport::status() const
{
    if (!error.isEmpty() || question_count(result.paper) == 0)
        return kFailed;
    return result.skipped.empty() && result.changed.empty() && result.notes.isEmpty() ? kDone
                                                                                      : kAttention;
}

FileImport import_question_path(const QString &path, ImportFormat format,
                                const ImportScores &scores)
{
    FileImport import;
    QByteArray file;
    PaperError unread;
    if (read_paper_file(path, file, unread) != PaperFileRead::Read) {
        import.error = unread.failed()
                           ? paper_message(unread)
                           : QStringLiteral("无法读取 %1").arg(QDir::toNativeSeparators(path));
        return import;
    }
    import.result = import_question_file(std::move(file), format, scores);
    if (import.result.failure.failed())
        import.error = exchange_message(import.result.failure);
    return import;
}

QStringList file_notes(const ImportResult &result)
{
    QStringList notes;
    if (!result.encoding.isEmpty())
        notes.append(result.encoding);
    notes += result.notes;
    // Beyond the questions each named on a row of its own.
    if (result.skipped_count > result.skipped.size())
        notes.append(
            QStringLiteral("另有 %1 道题略过").arg(result.skipped_count - result.skipped.size()));
    if (result.changed_count > result.changed.size())
        notes.append(
            QStringLiteral("另有 %1 处改动").arg(result.changed_count - result.changed.size()));
    return notes;
}

std::vector<PreviewRow> preview_rows(const ImportResult &result)
{
    std::vector<TakenQuestion> taken = result.taken;
    if (taken.empty()) {
        for (const auto &[kind, count] :
             {std::pair{QuestionKind::SingleChoice, result.paper.onech.size()},
              std::pair{QuestionKind::MultipleChoice, result.paper.somech.size()},
              std::pair{QuestionKind::FreeAnswer, result.paper.unch.size()}}) {
            for (size_t i = 0; i < count; ++i)
                taken.push_back({kind, int(i) + 1, QString()});
        }
    }
    std::vector<PreviewRow> rows;
    rows.reserve(taken.size() + result.skipped.size());
    for (const TakenQuestion &question : taken)
        rows.push_back(taken_row(question, result));
    for (const ImportSkip &skip : result.skipped) {
        PreviewRow row;
        row.skipped = true;
        row.kind = QStringLiteral("略过");
        row.position = skip.position;
        row.notes = skip.reason;
        rows.push_back(row);
    }
    return rows;
}
