#pragma once
// A page of choice questions: a problem text, a score, six options A to F and,
// on the multiple-choice page, a partial score.

#include "pages/question_page.h"
#include "paper/paper_model.h"

#include <array>

class QAbstractButton;
class QDoubleSpinBox;
class QTextEdit;

struct ChoicePageWidgets {
    QLCDNumber *number = nullptr;
    QTextEdit *problem = nullptr;
    QDoubleSpinBox *score = nullptr;
    QDoubleSpinBox *partial_score = nullptr;               // null on the single-choice page
    std::array<QAbstractButton *, kOptionCount> options{}; // A to F
    QList<QWidget *> editing_controls;                     // in their enabling order
};

class ChoicePage : public QuestionPage
{
  public:
    ChoicePage(ChoiceQuestion *table, int &count, int &current, ChoicePageWidgets widgets);

    void enable() override;

  protected:
    void fill_from_record(int k) override;
    bool store_into_record(int k) override;
    bool differs_from_last_shown() const override;
    void clear_before_number_reset() override;
    void clear_after_number_reset() override;

  private:
    // The record as the page would store it.
    ChoiceQuestion shown_question(const ChoiceQuestion &record) const;
    void show_options(OptionMask mask);
    OptionMask checked_options() const;
    QList<QWidget *> option_widgets() const;

    ChoiceQuestion *table_;
    ChoicePageWidgets w_;
    // Read back from the widgets, not taken from the record: a spin box rounds
    // a score of three decimals, which is no edit of the teacher's.
    ChoiceQuestion last_shown_;
};
