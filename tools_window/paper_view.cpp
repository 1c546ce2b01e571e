#include "tools_window/paper_view.h"

#include "paper/paper_commands.h"
#include "paper_tool/paper_folder.h"
#include "paper_tool/paper_outputs.h"
#include "platform/dialogs.h"
#include "platform/documents.h"
#include "tools_window/tools_messages.h"
#include "tools_window/variants_dialog.h"
#include "tools_window/work_runner.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace
{

// What writing an output came to.
struct Written {
    QString error;
    QStringList differences;
};

QPushButton *button(const QString &name, const QString &text, QWidget *parent)
{
    auto *made = new QPushButton(text, parent);
    made->setObjectName(name);
    return made;
}

} // namespace

PaperView::PaperView(WorkRunner *runner, QWidget *parent)
    : QWidget(parent), runner_(runner), heading_(new QLabel), findings_(new QTreeWidget),
      counts_(new QLabel), total_(new QLabel), with_key_(new QCheckBox(tools_text::with_key()))
{
    heading_->setObjectName(QStringLiteral("paper_heading"));
    heading_->setTextFormat(Qt::PlainText);
    findings_->setObjectName(QStringLiteral("findings"));
    findings_->setHeaderLabels(tools_text::finding_columns());
    findings_->setRootIsDecorated(false);
    findings_->setWordWrap(true);
    findings_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    counts_->setObjectName(QStringLiteral("paper_counts"));
    total_->setObjectName(QStringLiteral("paper_total"));
    with_key_->setObjectName(QStringLiteral("with_key"));

    auto *print = button(QStringLiteral("print"), tools_text::print_button(), this);
    auto *word = button(QStringLiteral("save_word"), tools_text::save_word_button(), this);
    auto *pdf = button(QStringLiteral("save_pdf"), tools_text::save_pdf_button(), this);
    auto *html = button(QStringLiteral("save_html"), tools_text::save_html_button(), this);
    auto *excel = button(QStringLiteral("save_excel"), tools_text::save_excel_button(), this);
    auto *variants = button(QStringLiteral("make_variants"), tools_text::variants_button(), this);
    auto *recheck = button(QStringLiteral("recheck"), tools_text::recheck_button(), this);
    auto *platform_menu = new QMenu(this);
    QAction *gift = platform_menu->addAction(tools_text::export_gift_action());
    gift->setObjectName(QStringLiteral("export_gift"));
    QAction *moodle = platform_menu->addAction(tools_text::export_moodle_action());
    moodle->setObjectName(QStringLiteral("export_moodle"));
    auto *platforms = new QToolButton(this);
    platforms->setObjectName(QStringLiteral("export_platform"));
    platforms->setText(tools_text::export_platform_button());
    platforms->setMenu(platform_menu);
    platforms->setPopupMode(QToolButton::InstantPopup);
    platforms->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // As wide as the buttons beside it: a tool button keeps to its text, and
    // its menu's arrow then lies on the last character.
    platforms->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);

    connect(print, &QPushButton::clicked, this, &PaperView::print);
    connect(word, &QPushButton::clicked, this, &PaperView::save_word);
    connect(pdf, &QPushButton::clicked, this, &PaperView::save_pdf);
    connect(html, &QPushButton::clicked, this, &PaperView::save_html);
    connect(excel, &QPushButton::clicked, this, &PaperView::save_excel);
    connect(gift, &QAction::triggered, this, &PaperView::export_gift);
    connect(moodle, &QAction::triggered, this, &PaperView::export_moodle);
    connect(variants, &QPushButton::clicked, this, &PaperView::make_variants);
    connect(recheck, &QPushButton::clicked, this, &PaperView::check);

    auto *buttons = new QGridLayout;
    buttons->addWidget(with_key_, 0, 0, 1, 4);
    buttons->addWidget(print, 1, 0);
    buttons->addWidget(word, 1, 1);
    buttons->addWidget(pdf, 1, 2);
    buttons->addWidget(html, 1, 3);
    buttons->addWidget(excel, 2, 0);
    buttons->addWidget(platforms, 2, 1);
    buttons->addWidget(variants, 2, 2);
    buttons->addWidget(recheck, 2, 3);
    for (int column = 0; column < 4; ++column)
        buttons->setColumnStretch(column, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(findings_, 1);
    layout->addWidget(counts_);
    layout->addWidget(total_);
    layout->addLayout(buttons);
}

void PaperView::show_folder(const QString &folder)
{
    folder_ = QDir::cleanPath(QDir(folder).absolutePath());
    heading_->setText(tools_text::paper_heading(folder_));
    check();
}

void PaperView::check()
{
    findings_->clear();
    counts_->clear();
    total_->clear();
    const FolderCheck check = check_folder(folder_);
    const auto add_row = [this](const QString &place, const QString &what) {
        auto *row = new QTreeWidgetItem(findings_, {place, what});
        row->setToolTip(1, what);
    };
    if (!check.interrupted.isEmpty()) {
        add_row(QString(), check.interrupted);
        return;
    }
    if (!check.error.isEmpty()) {
        add_row(QString(), check.error);
        return;
    }
    for (const PaperFinding &finding : check.findings)
        add_row(finding.place, finding.what);
    if (check.findings.empty())
        add_row(QString(), tools_text::no_findings());
    counts_->setText(check.counts);
    total_->setText(check.total);
}

QString PaperView::suggested(const QString &suffix, bool key) const
{
    const QString name = folder_title(folder_) + (key ? tools_text::key_suffix() : QString());
    return QFileInfo(folder_).absolutePath() + QLatin1Char('/') + name + QLatin1Char('.') + suffix;
}

void PaperView::make_and_write(const QString &path, bool force,
                               std::function<PaperOutput(const PaperData &)> make,
                               std::function<void(const QString &, const QStringList &)> written)
{
    const QString folder = folder_;
    runner_->run<Written>(
        [folder, path, force, make] {
            PaperOnDisk disk;
            Written result;
            if (!read_folder(folder, disk, result.error))
                return result;
            const PaperOutput output = make(disk.paper);
            if (!output.error.isEmpty()) {
                result.error = output.error;
                return result;
            }
            result.error = save_file(path, output.bytes, force);
            result.differences = output.differences;
            return result;
        },
        [path, written](const Written &result) {
            if (!result.error.isEmpty())
                platform::show_message(result.error);
            else
                written(path, result.differences);
        });
}

void PaperView::save_as(const QString &caption, const QString &suffix, const QString &filter,
                        bool key, std::function<PaperOutput(const PaperData &)> make)
{
    QString path = platform::choose_save_path(caption, suggested(suffix, key), filter);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + suffix;
    const QString into = QFileInfo(path).absolutePath();
    const bool paper_there = folder_holds_paper_files(into);
    if (paper_there && !platform::ask_ok_cancel(tools_text::write_into_paper_folder(into, path)))
        return;
    make_and_write(path, paper_there, make,
                   [this](const QString &at, const QStringList &differences) {
                       if (differences.isEmpty()) {
                           emit status(tools_text::saved(at));
                           return;
                       }
                       emit status(tools_text::saved(at));
                       platform::show_message(tools_text::saved_with_differences(at, differences));
                   });
}

void PaperView::print()
{
    const bool key = with_key_->isChecked();
    const PrintOptions options{folder_title(folder_), key};
    const QString folder = QDir::temp().filePath(QStringLiteral("qv_tools"));
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + options.title +
                         (key ? tools_text::key_suffix() : QString()) + QStringLiteral(".pdf");
    make_and_write(
        path, false,
        [options](const PaperData &paper) { return print_paper(paper, options, PrintFormat::Pdf); },
        [this](const QString &at, const QStringList &) {
            if (platform::open_with_system(at))
                emit status(tools_text::printed(at));
            else
                platform::show_message(tools_text::no_pdf_viewer(at));
        });
}

void PaperView::save_word()
{
    const bool key = with_key_->isChecked();
    const ExportRequest request{ExportFormat::Docx, folder_title(folder_),
                                key ? DocxContents::PaperAndKey : DocxContents::Paper};
    save_as(tools_text::word_caption(), QStringLiteral("docx"), tools_text::word_filter(), key,
            [request](const PaperData &paper) { return export_paper(paper, request); });
}

void PaperView::save_pdf()
{
    save_printed(tools_text::pdf_caption(), QStringLiteral("pdf"), tools_text::pdf_filter(),
                 PrintFormat::Pdf);
}

void PaperView::save_html()
{
    save_printed(tools_text::html_caption(), QStringLiteral("html"), tools_text::html_filter(),
                 PrintFormat::Html);
}

void PaperView::save_printed(const QString &caption, const QString &suffix, const QString &filter,
                             PrintFormat format)
{
    const bool key = with_key_->isChecked();
    const PrintOptions options{folder_title(folder_), key};
    save_as(caption, suffix, filter, key, [options, format](const PaperData &paper) {
        return print_paper(paper, options, format);
    });
}

void PaperView::save_excel()
{
    save_exported(tools_text::excel_caption(), QStringLiteral("xlsx"), tools_text::excel_filter(),
                  ExportFormat::Xlsx);
}

void PaperView::export_gift()
{
    save_exported(tools_text::gift_caption(), QStringLiteral("gift"), tools_text::gift_filter(),
                  ExportFormat::Gift);
}

void PaperView::export_moodle()
{
    save_exported(tools_text::moodle_caption(), QStringLiteral("xml"), tools_text::moodle_filter(),
                  ExportFormat::MoodleXml);
}

// The formats without a key of their own to choose: the key is in them.
void PaperView::save_exported(const QString &caption, const QString &suffix, const QString &filter,
                              ExportFormat format)
{
    save_as(caption, suffix, filter, false, [format](const PaperData &paper) {
        return export_paper(paper, {format, QString(), DocxContents::Paper});
    });
}

void PaperView::make_variants()
{
    auto *dialog = new VariantsDialog(folder_, runner_, this);
    connect(dialog, &VariantsDialog::made, this, &PaperView::status);
    dialog->open();
}
