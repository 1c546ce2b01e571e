#include "tools_window/variants_dialog.h"

#include "exchange/exchange_messages.h"
#include "paper/paper_commands.h"
#include "paper_tool/paper_folder.h"
#include "paper_tool/variant_folders.h"
#include "platform/dialogs.h"
#include "tools_window/tools_messages.h"
#include "tools_window/work_runner.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpressionValidator>
#include <QSpinBox>

VariantsDialog::VariantsDialog(const QString &paper_folder, WorkRunner *runner, QWidget *parent)
    : QDialog(parent), paper_folder_(paper_folder), runner_(runner), count_(new QSpinBox),
      seed_(new QLineEdit), target_(new QLineEdit)
{
    setObjectName(QStringLiteral("variants_dialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tools_text::variants_title());
    setMinimumWidth(520);
    count_->setObjectName(QStringLiteral("variant_count"));
    count_->setRange(1, kMaxVariants);
    count_->setValue(2);
    seed_->setObjectName(QStringLiteral("variant_seed"));
    seed_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{1,20}")), seed_));
    seed_->setText(QString::number(QRandomGenerator::global()->generate64()));
    target_->setObjectName(QStringLiteral("variant_target"));
    target_->setText(
        QDir::toNativeSeparators(QFileInfo(paper_folder).absolutePath() + QLatin1Char('/') +
                                 tools_text::variants_folder_name(folder_title(paper_folder))));
    auto *change = new QPushButton(tools_text::change_target_button());
    change->setObjectName(QStringLiteral("variant_change_target"));
    connect(change, &QPushButton::clicked, this, &VariantsDialog::choose_target);

    auto *target_row = new QHBoxLayout;
    target_row->addWidget(target_, 1);
    target_row->addWidget(change);
    auto *hint = new QLabel(tools_text::variant_seed_hint());
    hint->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setText(tools_text::ok_button());
    ok_->setObjectName(QStringLiteral("variant_ok"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tools_text::cancel_button());
    connect(buttons, &QDialogButtonBox::accepted, this, &VariantsDialog::make);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(seed_, &QLineEdit::textChanged, this, &VariantsDialog::enable_ok);
    connect(target_, &QLineEdit::textChanged, this, &VariantsDialog::enable_ok);

    auto *form = new QFormLayout(this);
    form->addRow(tools_text::variant_count_label(), count_);
    form->addRow(tools_text::variant_seed_label(), seed_);
    form->addRow(QString(), hint);
    form->addRow(tools_text::variant_target_label(), target_row);
    form->addRow(buttons);
}

// A seed past 2^64 - 1 has digits only and still makes no papers: without
// this, 确定 did nothing and said nothing.
void VariantsDialog::enable_ok()
{
    ok_->setEnabled(parse_seed(seed_->text()) && !target_->text().trimmed().isEmpty());
}

void VariantsDialog::choose_target()
{
    const QString chosen = platform::choose_folder(tools_text::variants_target_caption());
    if (!chosen.isEmpty())
        target_->setText(QDir::toNativeSeparators(chosen));
}

void VariantsDialog::make()
{
    const std::optional<quint64> seed = parse_seed(seed_->text());
    const QString folder = QDir::cleanPath(QDir::fromNativeSeparators(target_->text().trimmed()));
    if (!seed || folder.isEmpty())
        return;
    const QStringList targets = variant_folders(folder, count_->value());
    for (const QString &target : QStringList{folder} + targets) {
        if (folder_holds_paper_files(target)) {
            if (!platform::ask_ok_cancel(tools_text::replace_variants(folder)))
                return;
            break;
        }
    }
    QStringList names;
    for (int variant = 0; variant < count_->value(); ++variant)
        names.append(variant_name(variant));
    const QString paper_folder = paper_folder_;
    const QString seed_text = QString::number(*seed);
    hide();
    runner_->run<VariantsMade>(
        [paper_folder, seed, targets] {
            PaperOnDisk disk;
            VariantsMade made;
            if (!read_folder(paper_folder, disk, made.error))
                return made;
            made.error = variants_refusal(disk.paper);
            if (!made.error.isEmpty())
                return made;
            return write_variants(disk.paper, *seed, targets);
        },
        [this, names, folder, seed_text](const VariantsMade &made) {
            if (!made.error.isEmpty()) {
                platform::show_message(made.error);
            } else {
                emit this->made(tools_text::variants_made(names, folder, seed_text));
                if (!made.notes.isEmpty())
                    platform::show_message(made.notes.join(QLatin1Char('\n')));
            }
            accept();
        });
    connect(runner_, &WorkRunner::finished, this, [this](bool cancelled) {
        if (cancelled)
            reject();
    });
}
