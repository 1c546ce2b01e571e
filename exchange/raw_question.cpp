#include "exchange/raw_question.h"

#include "exchange/exchange_common.h"
#include "exchange/exchange_messages.h"
#include "exchange/option_layout.h"
#include "paper/paper_messages.h"

#include <cmath>

namespace
{

using Kind = SourceKind;

// The key of a choice question, or why there is none: every key found must
// name the same options.
struct ChoiceKey {
    int mask = 0;
    QString why; // not empty: no key
};

ChoiceKey choice_key(const RawQuestion &question)
{
    ChoiceKey key;
    for (int i = 0; i < question.keys.size(); ++i) {
        const std::optional<int> mask = key_letters(question.keys[i]);
        if (!mask) {
            key.why = not_a_key_reason(question.keys[i]);
            return key;
        }
        if (key.mask != 0 && *mask != key.mask) {
            key.why = two_keys_reason(question.keys[0], question.keys[i]);
            return key;
        }
        key.mask = *mask;
    }
    if (key.mask != 0)
        return key;
    // Some teachers mark the right option by colour alone.
    int marked = 0;
    int count = 0;
    for (size_t i = 0; i < question.marked.size(); ++i) {
        if (question.marked[i]) {
            marked |= 1 << i;
            ++count;
        }
    }
    const bool single = question.kind != Kind::Multiple;
    if (count > 0 && count < question.options.size() && (!single || count == 1)) {
        key.mask = marked;
        return key;
    }
    key.why = no_key_reason();
    return key;
}

int option_count(int mask)
{
    int count = 0;
    for (; mask; mask &= mask - 1)
        ++count;
    return count;
}

bool keys_agree(const QStringList &keys, bool &truth, QString &why)
{
    for (int i = 0; i < keys.size(); ++i) {
        const std::optional<bool> value = truth_key(keys[i]);
        if (!value) {
            why = not_a_key_reason(keys[i]);
            return false;
        }
        if (i > 0 && *value != truth) {
            why = two_keys_reason(keys[0], keys[i]);
            return false;
        }
        truth = *value;
    }
    return true;
}

// The kind a question takes when its heading does not say: by its options
// and its key.
Kind told_kind(const RawQuestion &question)
{
    if (question.kind != Kind::Unknown)
        return question.kind;
    // Option letters as the key make a choice question, options or not: one
    // without options is left out for want of them, not taken as a free answer.
    const bool letter_key = !question.keys.isEmpty() && key_letters(question.keys.front());
    if (!question.options.isEmpty() || letter_key) {
        for (const QString &key : question.keys) {
            const std::optional<int> mask = key_letters(key);
            if (mask && option_count(*mask) > 1)
                return Kind::Multiple;
        }
        return Kind::Single;
    }
    if (!question.keys.isEmpty() && truth_key(question.keys.front()))
        return Kind::Judgement;
    return Kind::FreeAnswer;
}

double score_of(RawQuestion &question, Kind kind, double fallback)
{
    double score = fallback;
    if (question.own_score)
        score = *question.own_score;
    else if (question.section_score)
        score = *question.section_score;
    else if (question.per_blank && kind == Kind::FreeAnswer)
        score = *question.per_blank * blank_count(question.stem);
    const double held = paper_score(score);
    if (held != score)
        question.changes.append(score_rounded_change(score, held));
    return held;
}

// Half the score, rounded down to hundredths, where the file gives no
// partial score: as the other imports derive it.
double partial_of(RawQuestion &question, double score)
{
    if (question.partial) {
        const double held = paper_score(*question.partial);
        if (held <= score) {
            if (held != *question.partial)
                question.changes.append(score_rounded_change(*question.partial, held));
            return held;
        }
        question.changes.append(partial_too_high_change(*question.partial, score));
    }
    return double(std::llround(score * 100) / 2) / 100;
}

QString with_analysis(const QString &reference, const QString &analysis)
{
    if (analysis.isEmpty())
        return reference;
    const QString head = QStringLiteral("解析：\n") + analysis;
    return reference.isEmpty() ? head : reference + QLatin1Char('\n') + head;
}

void take(ImportResult &result, QuestionKind kind, const QString &position)
{
    const size_t count = kind == QuestionKind::SingleChoice     ? result.paper.onech.size()
                         : kind == QuestionKind::MultipleChoice ? result.paper.somech.size()
                                                                : result.paper.unch.size();
    result.taken.push_back({kind, int(count), position});
}

bool kind_is_full(const ImportResult &result, QuestionKind kind)
{
    const size_t count = kind == QuestionKind::SingleChoice     ? result.paper.onech.size()
                         : kind == QuestionKind::MultipleChoice ? result.paper.somech.size()
                                                                : result.paper.unch.size();
    return count >= size_t(kMaxQuestions);
}

QString choice_reason(const RawQuestion &question, Kind kind, ChoiceKey &key)
{
    if (question.options.size() > kOptionCount)
        return too_many_options_reason(question.options.size());
    if (question.options.size() < 2)
        return too_few_options_reason();
    key = choice_key(question);
    if (!key.why.isEmpty())
        return key.why;
    if (highest_option(key.mask) >= question.options.size())
        return key_outside_options_reason(option_letters(key.mask), question.options.size());
    if (kind == Kind::Single && option_count(key.mask) > 1)
        return single_with_several_keys_reason(option_letters(key.mask));
    return QString();
}

} // namespace

void take_raw_question(RawQuestion &question, const ImportScores &scores, ImportResult &result,
                       FileNotes &notes)
{
    for (QString *text : {&question.stem, &question.reference, &question.analysis})
        *text = without_control_characters(*text);
    for (QString &option : question.options)
        option = without_control_characters(option);
    Kind kind = told_kind(question);
    // A judgement written with options ("A．正确 B．错误") is a single choice.
    if (kind == Kind::Judgement && !question.options.isEmpty())
        kind = Kind::Single;
    const QuestionKind paper_kind = kind == Kind::Multiple     ? QuestionKind::MultipleChoice
                                    : kind == Kind::FreeAnswer ? QuestionKind::FreeAnswer
                                                               : QuestionKind::SingleChoice;
    if (kind_is_full(result, paper_kind)) {
        result.skip(question.position, kind_full_reason(paper_kind));
        return;
    }
    if (question.stem.trimmed().isEmpty() &&
        (question.options.isEmpty() || question.options_in_stem)) {
        result.skip(question.position, empty_question_reason());
        return;
    }
    ChoiceQuestion choice;
    UnchQuestion unch;
    if (kind == Kind::Judgement) {
        bool truth = false;
        QString why;
        if (question.keys.isEmpty())
            why = no_key_reason();
        if (!why.isEmpty() || !keys_agree(question.keys, truth, why)) {
            result.skip(question.position, why);
            return;
        }
        const QStringList words = truth_options(question.keys.front());
        choice.problem = lay_out_options(question.stem.trimmed(), words);
        choice.answer = truth ? 1 : 2;
        question.changes.append(judgement_change(words, truth));
    } else if (kind == Kind::Single || kind == Kind::Multiple) {
        ChoiceKey key;
        const QString why = choice_reason(question, kind, key);
        if (!why.isEmpty()) {
            result.skip(question.position, why);
            return;
        }
        if (question.keys.isEmpty())
            question.changes.append(key_from_formatting_change(option_letters(key.mask)));
        choice.problem = question.options_in_stem
                             ? question.stem.trimmed()
                             : lay_out_options(question.stem.trimmed(), question.options);
        choice.answer = key.mask;
    } else {
        // Options a free answer was written with stay in its text.
        unch.problem = question.options.isEmpty() || question.options_in_stem
                           ? question.stem.trimmed()
                           : lay_out_options(question.stem.trimmed(), question.options);
        QString reference = question.reference.trimmed();
        if (reference.isEmpty() && !question.keys.isEmpty())
            reference = question.keys.join(QLatin1Char('\n'));
        unch.answer = with_analysis(reference, question.analysis.trimmed());
    }
    if (paper_kind != QuestionKind::FreeAnswer && !question.analysis.trimmed().isEmpty())
        ++notes.dropped_analyses;

    const double fallback = paper_kind == QuestionKind::SingleChoice     ? scores.single_choice
                            : paper_kind == QuestionKind::MultipleChoice ? scores.multiple_choice
                                                                         : scores.free_answer;
    const double score = score_of(question, kind, fallback);
    for (QString *text : {&choice.problem, &unch.problem, &unch.answer})
        replace_dollars(*text, question.changes);
    switch (paper_kind) {
    case QuestionKind::SingleChoice:
        choice.score = score;
        result.paper.onech.push_back(choice);
        break;
    case QuestionKind::MultipleChoice:
        choice.score = score;
        choice.partial_score = partial_of(question, score);
        result.paper.somech.push_back(choice);
        break;
    case QuestionKind::FreeAnswer:
        unch.score = score;
        result.paper.unch.push_back(unch);
        break;
    }
    take(result, paper_kind, question.position);
    result.change(question.position, question.changes);
}

void finish_file_notes(const FileNotes &notes, ImportResult &result)
{
    if (notes.dropped_analyses > 0)
        result.notes.append(dropped_analyses_note(notes.dropped_analyses));
}
