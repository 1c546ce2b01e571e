#pragma once
// A and B papers written as paper folders ("A卷", "B卷", … in one folder).

#include "paper/paper_files.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

constexpr int kMaxVariants = 26;

// An unsigned 64-bit integer written in decimal digits alone.
std::optional<quint64> parse_seed(const QString &text);

// The folder of each variant in `folder`.
QStringList variant_folders(const QString &folder, int count);

struct VariantsMade {
    QStringList notes;     // the options left in their order (the first of them), and same variants
    size_t kept_count = 0; // questions whose options kept their order, over all variants
    QString error;         // not empty: a variant was not written
    int status() const;
};

// Why no variants can be made of `paper`; empty when they can.
QString variants_refusal(const PaperData &paper);

// Makes `count` variants of `paper` from `seed` and writes them, in the local
// encoding, into `targets` (as variant_folders gives them).
VariantsMade write_variants(const PaperData &paper, quint64 seed, const QStringList &targets);
