#pragma once
// A choice question keeps its options inside its problem text; a learning
// platform keeps them as a list of answers. These find them in the text and
// write them into it.

#include <QString>
#include <QStringList>
#include <optional>

struct LaidOutOptions {
    QString stem;        // the text before the first option
    QStringList options; // options[i] is the text of option 'A' + i, without its marker
};

// The options of a text that lays them out as lines or runs starting "A." /
// "A．" / "A、" / "A)" / "A）" through at most "F", in order from A; nothing
// when the text does not lay them out so.
std::optional<LaidOutOptions> find_laid_out_options(const QString &problem);

// The letters A to F that a problem text uses for its options when it does not
// lay them out; see the definition for the rule.
QString option_letters_used(const QString &problem, int answer_mask);

// "ACD" for the options A, C and D of `mask`.
QString option_letters(int mask);

// The stem followed by one line "A. <option>" per option.
QString lay_out_options(const QString &stem, const QStringList &options);
