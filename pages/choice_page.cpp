#include "pages/choice_page.h"

#include <QAbstractButton>
#include <QDoubleSpinBox>
#include <QTextEdit>

ChoicePage::ChoicePage(ChoiceQuestion *table, int &count, int &current, ChoicePageWidgets widgets)
    : QuestionPage(count, current, widgets.number), table_(table), w_(std::move(widgets))
{
}

void ChoicePage::enable()
{
    set_enabled(w_.editing_controls, true);
    set_enabled(option_widgets(), true);
}

void ChoicePage::fill_from_record(int k)
{
    const ChoiceQuestion &record = table_[k];
    // Plain text: a text that merely looks like markup must come back unchanged.
    w_.problem->setPlainText(record.problem);
    w_.score->setValue(record.score);
    if (w_.partial_score)
        w_.partial_score->setValue(record.partial_score);
    show_options(record.answer);
    last_shown_ = shown_question(record);
}

namespace
{

bool same_question(const ChoiceQuestion &a, const ChoiceQuestion &b)
{
    return a.score == b.score && a.partial_score == b.partial_score && a.answer == b.answer &&
           a.problem == b.problem;
}

} // namespace

ChoiceQuestion ChoicePage::shown_question(const ChoiceQuestion &record) const
{
    ChoiceQuestion shown = record;
    shown.score = w_.score->value();
    if (w_.partial_score)
        shown.partial_score = w_.partial_score->value();
    shown.problem = w_.problem->toPlainText();
    shown.answer = checked_options();
    return shown;
}

bool ChoicePage::store_into_record(int k)
{
    ChoiceQuestion &record = table_[k];
    ChoiceQuestion stored = shown_question(record);
    const bool changed = !same_question(stored, record);
    last_shown_ = stored;
    record = std::move(stored);
    return changed;
}

bool ChoicePage::differs_from_last_shown() const
{
    return !same_question(shown_question(last_shown_), last_shown_);
}

void ChoicePage::clear_before_number_reset()
{
    set_enabled(w_.editing_controls, false);
    show_options(0);
}

void ChoicePage::clear_after_number_reset()
{
    w_.problem->setPlainText(QString());
    w_.score->setValue(0.0);
    if (w_.partial_score)
        w_.partial_score->setValue(0.0);
    set_enabled(option_widgets(), false);
}

// A checked radio button of an auto-exclusive set refuses to be unchecked, and
// a record read from a file may hold several bits: exclusivity is lifted while
// the buttons are set, then put back as it was.
void ChoicePage::show_options(OptionMask mask)
{
    std::array<bool, kOptionCount> was_exclusive{};
    for (int i = 0; i < kOptionCount; ++i) {
        was_exclusive[i] = w_.options[i]->autoExclusive();
        w_.options[i]->setAutoExclusive(false);
    }
    for (int i = 0; i < kOptionCount; ++i)
        w_.options[i]->setChecked((mask & (1 << i)) != 0);
    for (int i = 0; i < kOptionCount; ++i)
        w_.options[i]->setAutoExclusive(was_exclusive[i]);
}

OptionMask ChoicePage::checked_options() const
{
    OptionMask mask = 0;
    for (int i = 0; i < kOptionCount; ++i) {
        if (w_.options[i]->isChecked())
            mask += 1 << i;
    }
    return mask;
}

QList<QWidget *> ChoicePage::option_widgets() const
{
    return QList<QWidget *>(w_.options.begin(), w_.options.end());
}
