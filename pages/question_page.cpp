#include "pages/question_page.h"

#include "paper/paper_model.h"

#include <QLCDNumber>
#include <QWidget>

QuestionPage::QuestionPage(int &count, int &current, QLCDNumber *number_display)
    : count_(count), current_(current), number_display_(number_display)
{
}

void QuestionPage::change_count(int new_count)
{
    const int old_count = count_;
    if (old_count == 0 && new_count > 0) {
        enable();
        show_question(1);
    } else if (new_count == 0) {
        clear();
    } else if (current_ > new_count) {
        show_question(new_count);
    }
    if (new_count != old_count)
        paper_changed = true;
    count_ = new_count;
}

void QuestionPage::show_question(int k)
{
    show_number(k);
    fill_from_record(k);
}

void QuestionPage::store()
{
    if (current_ >= 1 && store_into_record(current_))
        paper_changed = true;
}

void QuestionPage::show_previous()
{
    store();
    if (current_ == 1)
        return;
    show_question(current_ - 1);
}

void QuestionPage::show_next()
{
    store();
    if (current_ == count_)
        return;
    show_question(current_ + 1);
}

void QuestionPage::clear()
{
    clear_before_number_reset();
    show_number(0);
    clear_after_number_reset();
}

bool QuestionPage::has_unstored_edits() const
{
    return current_ >= 1 && differs_from_last_shown();
}

void QuestionPage::set_enabled(const QList<QWidget *> &widgets, bool enabled)
{
    for (QWidget *widget : widgets)
        widget->setEnabled(enabled);
}

void QuestionPage::show_number(int k)
{
    current_ = k;
    number_display_->display(k);
}
