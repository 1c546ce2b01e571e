#include "paper_tool/variant_folders.h"

#include "exchange/exchange.h"
#include "exchange/exchange_messages.h"
#include "exchange/paper_variants.h"
#include "paper/paper_commands.h"
#include "paper/paper_messages.h"
#include "paper/work_progress.h"
#include "paper_tool/paper_folder.h"

#include <QRegularExpression>

std::optional<quint64> parse_seed(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    bool ok = false;
    const quint64 seed = text.toULongLong(&ok, 10);
    if (!ok || !digits.match(text).hasMatch())
        return std::nullopt;
    return seed;
}

QStringList variant_folders(const QString &folder, int count)
{
    QStringList targets;
    for (int variant = 0; variant < count; ++variant)
        targets.append(folder + QLatin1Char('/') + variant_name(variant));
    return targets;
}

QString variants_refusal(const PaperData &paper)
{
    return question_count(paper) == 0 ? QStringLiteral("试卷中没有题目，没有做出试卷") : QString();
}

int VariantsMade::status() const
{
    if (!error.isEmpty())
        return kFailed;
    return notes.isEmpty() ? kDone : kAttention;
}

VariantsMade write_variants(const PaperData &paper, quint64 seed, const QStringList &targets)
{
    const int count = int(targets.size());
    PaperVariants made = make_variants(paper, count, seed);
    VariantsMade outcome;
    // The same question is named in every variant: a bank of ten thousand
    // figures must not bury the teacher.
    for (int variant = 0; variant < count; ++variant) {
        for (const KeptOptions &kept : made.kept[size_t(variant)]) {
            if (++outcome.kept_count <= kKeptNotes)
                outcome.notes.append(options_kept_note(variant, kept));
        }
    }
    if (outcome.kept_count > kKeptNotes)
        outcome.notes.append(
            QStringLiteral("另有 %1 处选项没有打乱").arg(outcome.kept_count - kKeptNotes));
    for (const SameVariant &same : made.same)
        outcome.notes.append(same_variant_note(same));
    // The last moment to stop: once the first folder is written, all are.
    work_commit();
    for (int variant = 0; variant < count; ++variant) {
        PaperData &variant_paper = made.papers[size_t(variant)];
        variant_paper.codec = nullptr; // written as import writes a paper: in the local encoding
        const PaperError written = write_paper_folder(targets[variant], variant_paper);
        if (!saved_whole(written)) {
            outcome.error =
                QStringLiteral("%1没有写出：%2").arg(variant_name(variant), paper_message(written));
            return outcome;
        }
        // Written whole, its record of the save left: said, and the next goes on.
        if (written.failed())
            outcome.notes.append(variant_name(variant) + QStringLiteral("：") +
                                 paper_message(written));
    }
    return outcome;
}
