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
}

bool ChoicePage::store_into_record(int k)
{
    ChoiceQuestion &record = table_[k];
    ChoiceQuestion stored = record;
    stored.score = w_.score->value();
    if (w_.partial_score)
        stored.partial_score = w_.partial_score->value();
    stored.problem = w_.problem->toPlainText();
    stored.answer = checked_options();
    const bool changed = stored.score != record.score ||
                         stored.partial_score != record.partial_score ||
                         stored.answer != record.answer || stored.problem != record.problem;
    record = std::move(stored);
    return changed;
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
