#include "tools_window/import_view.h"

#include "paper/paper_commands.h"
#include "paper/paper_messages.h"
#include "paper_tool/paper_check.h"
#include "paper_tool/paper_folder.h"
#include "paper_tool/question_import.h"
#include "platform/dialogs.h"
#include "tools_window/tools_messages.h"
#include "tools_window/work_runner.h"

#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace
{

// Left out: the teacher must see it among the rows.
const QColor kSkippedRow(255, 222, 222);
// Changed on the way in.
const QColor kChangedRow(255, 246, 214);

constexpr int kWordsColumn = 5;
constexpr int kNotesColumn = 7;
constexpr int kNarrowestNotes = 200;
constexpr int kNarrowestWords = 120;
constexpr int kWidestWords = 240;
constexpr size_t kRowsMeasured = 2000;

// What writing the new paper came to.
struct ImportWritten {
    QString error; // nothing was written
    QString note;  // written whole, with something to tell
};

QDoubleSpinBox *score_box(const QString &name)
{
    auto *box = new QDoubleSpinBox;
    box->setObjectName(name);
    box->setRange(0, 10000);
    box->setDecimals(2);
    box->setValue(1);
    // One preview for the number typed, not one a key: the window takes no
    // keys while a preview runs, so the keys after the first were lost.
    box->setKeyboardTracking(false);
    return box;
}

} // namespace

ImportView::ImportView(WorkRunner *runner, QWidget *parent)
    : QWidget(parent), runner_(runner), heading_(new QLabel), notes_(new QLabel),
      table_(new QTableWidget), counts_(new QLabel), total_(new QLabel),
      single_(score_box(QStringLiteral("score_single"))),
      multiple_(score_box(QStringLiteral("score_multiple"))),
      free_(score_box(QStringLiteral("score_free"))), target_(new QLineEdit),
      import_(new QPushButton(tools_text::import_button()))
{
    heading_->setObjectName(QStringLiteral("questions_heading"));
    heading_->setTextFormat(Qt::PlainText);
    notes_->setObjectName(QStringLiteral("file_notes"));
    notes_->setTextFormat(Qt::PlainText);
    notes_->setWordWrap(true);
    table_->setObjectName(QStringLiteral("preview"));
    table_->setColumnCount(tools_text::preview_columns().size());
    table_->setHorizontalHeaderLabels(tools_text::preview_columns());
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->setVisible(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    counts_->setObjectName(QStringLiteral("import_counts"));
    total_->setObjectName(QStringLiteral("import_total"));
    target_->setObjectName(QStringLiteral("import_target"));
    import_->setObjectName(QStringLiteral("import"));
    auto *change = new QPushButton(tools_text::change_target_button());
    change->setObjectName(QStringLiteral("import_change_target"));

    for (QDoubleSpinBox *box : {single_, multiple_, free_})
        connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
                &ImportView::preview);
    connect(change, &QPushButton::clicked, this, &ImportView::choose_target);
    connect(import_, &QPushButton::clicked, this, &ImportView::import);

    auto *scores = new QHBoxLayout;
    scores->addWidget(new QLabel(tools_text::scores_label()));
    const std::pair<QString, QDoubleSpinBox *> boxes[] = {
        {tools_text::single_score_label(), single_},
        {tools_text::multiple_score_label(), multiple_},
        {tools_text::free_score_label(), free_}};
    for (const auto &[label, box] : boxes) {
        scores->addWidget(new QLabel(label));
        scores->addWidget(box);
    }
    scores->addStretch(1);
    auto *target = new QHBoxLayout;
    target->addWidget(new QLabel(tools_text::target_label()));
    target->addWidget(target_, 1);
    target->addWidget(change);
    target->addWidget(import_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(notes_);
    layout->addWidget(table_, 1);
    layout->addWidget(counts_);
    layout->addWidget(total_);
    layout->addLayout(scores);
    layout->addLayout(target);
}

void ImportView::show_file(const QString &path)
{
    path_ = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QFileInfo file(path_);
    heading_->setText(tools_text::questions_heading(path_));
    target_->setText(
        QDir::toNativeSeparators(file.absolutePath() + QLatin1Char('/') + file.completeBaseName()));
    preview();
}

ImportScores ImportView::scores() const
{
    return {single_->value(), multiple_->value(), free_->value()};
}

void ImportView::preview()
{
    if (path_.isEmpty())
        return;
    // The window takes no input while work runs, the scores included.
    if (runner_->busy())
        return;
    import_->setEnabled(false);
    const QString path = path_;
    const ImportScores scores = this->scores();
    runner_->run<FileImport>(
        [path, scores] { return import_question_path(path, ImportFormat::Auto, scores); },
        [this](const FileImport &import) { show_preview(import); });
}

void ImportView::show_preview(const FileImport &import)
{
    table_->setRowCount(0);
    counts_->clear();
    total_->clear();
    if (!import.error.isEmpty()) {
        notes_->setText(import.error);
        notes_->setVisible(true);
        return;
    }
    QStringList notes = file_notes(import.result);
    if (import.status() == kFailed)
        notes.append(tools_text::nothing_to_import());
    notes_->setText(notes.join(QLatin1Char('\n')));
    notes_->setVisible(!notes.isEmpty());
    const std::vector<PreviewRow> rows = preview_rows(import.result);
    table_->setRowCount(int(rows.size()));
    for (int r = 0; r < int(rows.size()); ++r) {
        const PreviewRow &row = rows[size_t(r)];
        const QString cells[] = {row.kind,          row.number, row.key,      row.score,
                                 row.partial_score, row.words,  row.position, row.notes};
        for (int c = 0; c < 8; ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            if (row.skipped)
                item->setBackground(kSkippedRow);
            else if (!row.notes.isEmpty())
                item->setBackground(kChangedRow);
            if (c == kWordsColumn || c == kNotesColumn)
                item->setToolTip(cells[c]);
            table_->setItem(r, c, item);
        }
    }
    table_->resizeColumnsToContents();
    fit_words_and_notes();
    // A long note wraps, so that it is read whole; measuring every row of a
    // bank of ten thousand questions would hold the window up.
    if (rows.size() <= kRowsMeasured)
        table_->resizeRowsToContents();
    counts_->setText(paper_counts_line(import.result.paper));
    total_->setText(paper_total_line(import.result.paper));
    import_->setEnabled(import.status() != kFailed);
}

// The first words and the notes share the room the other columns leave in the
// view: the words at most kWidestWords, the notes at least kNarrowestNotes,
// where they wrap, so that a note is read whole without scrolling.
void ImportView::fit_words_and_notes()
{
    int others = 0;
    for (int c = 0; c < table_->columnCount(); ++c) {
        if (c != kWordsColumn && c != kNotesColumn)
            others += table_->columnWidth(c);
    }
    const int room = table_->viewport()->width() - others;
    // As wide as the words need, within its bounds.
    const int needed = table_->columnWidth(kWordsColumn);
    const int widest = std::max(kNarrowestWords, std::min(kWidestWords, needed));
    const int words = std::clamp(room - kNarrowestNotes, std::min(kNarrowestWords, widest), widest);
    table_->setColumnWidth(kWordsColumn, words);
    table_->setColumnWidth(kNotesColumn, std::max(room - words, kNarrowestNotes));
}

void ImportView::choose_target()
{
    const QString chosen = platform::choose_folder(tools_text::choose_target_caption());
    if (!chosen.isEmpty())
        target_->setText(QDir::toNativeSeparators(chosen));
}

void ImportView::import()
{
    const QString folder = QDir::cleanPath(QDir::fromNativeSeparators(target_->text().trimmed()));
    if (path_.isEmpty() || folder.isEmpty() || runner_->busy())
        return;
    if (folder_holds_paper_files(folder) &&
        !platform::ask_ok_cancel(tools_text::replace_paper(folder)))
        return;
    const QString path = path_;
    const ImportScores scores = this->scores();
    runner_->run<ImportWritten>(
        [path, scores, folder] {
            // The same calls as qv_paper import: read the file anew, then write.
            const FileImport import = import_question_path(path, ImportFormat::Auto, scores);
            if (!import.error.isEmpty())
                return ImportWritten{import.error, {}};
            if (import.status() == kFailed)
                return ImportWritten{tools_text::nothing_to_import(), {}};
            const PaperError written = write_paper_folder(folder, import.result.paper);
            if (!saved_whole(written))
                return ImportWritten{paper_message(written), {}};
            return ImportWritten{QString(), paper_message(written)};
        },
        [this, folder](const ImportWritten &written) {
            if (!written.error.isEmpty()) {
                platform::show_message(written.error);
                return;
            }
            emit imported(folder);
            if (!written.note.isEmpty())
                platform::show_message(written.note);
        });
}
