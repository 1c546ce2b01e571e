#include "pages/free_answer_page.h"

#include <QDoubleSpinBox>
#include <QTextEdit>

FreeAnswerPage::FreeAnswerPage(UnchQuestion *table, int &count, int &current,
                               FreeAnswerPageWidgets widgets)
    : QuestionPage(count, current, widgets.number), table_(table), w_(std::move(widgets))
{
}

void FreeAnswerPage::enable()
{
    set_enabled(w_.controls, true);
}

void FreeAnswerPage::fill_from_record(int k)
{
    const UnchQuestion &record = table_[k];
    // Plain text: a text that merely looks like markup must come back unchanged.
    w_.problem->setPlainText(record.problem);
    w_.answer->setPlainText(record.answer);
    w_.score->setValue(record.score);
    last_shown_ = shown_question();
}

namespace
{

bool same_question(const UnchQuestion &a, const UnchQuestion &b)
{
    return a.score == b.score && a.problem == b.problem && a.answer == b.answer;
}

} // namespace

UnchQuestion FreeAnswerPage::shown_question() const
{
    return {w_.score->value(), w_.problem->toPlainText(), w_.answer->toPlainText()};
}

bool FreeAnswerPage::store_into_record(int k)
{
    UnchQuestion &record = table_[k];
    UnchQuestion stored = shown_question();
    const bool changed = !same_question(stored, record);
    last_shown_ = stored;
    record = std::move(stored);
    return changed;
}

bool FreeAnswerPage::differs_from_last_shown() const
{
    return !same_question(shown_question(), last_shown_);
}

void FreeAnswerPage::clear_before_number_reset()
{
    set_enabled(w_.controls, false);
}

void FreeAnswerPage::clear_after_number_reset()
{
    w_.problem->setPlainText(QString());
    w_.answer->setPlainText(QString());
    w_.score->setValue(0.0);
}
