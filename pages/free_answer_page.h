#pragma once
// The page of free-answer questions: a problem text, an answer text, a score.

#include "pages/question_page.h"
#include "paper/paper_model.h"

class QDoubleSpinBox;
class QTextEdit;

struct FreeAnswerPageWidgets {
    QLCDNumber *number = nullptr;
    QTextEdit *problem = nullptr;
    QTextEdit *answer = nullptr;
    QDoubleSpinBox *score = nullptr;
    QList<QWidget *> controls; // every editable widget, in the enabling order
};

class FreeAnswerPage : public QuestionPage
{
  public:
    FreeAnswerPage(UnchQuestion *table, int &count, int &current, FreeAnswerPageWidgets widgets);

    void enable() override;

  protected:
    void fill_from_record(int k) override;
    bool store_into_record(int k) override;
    bool differs_from_last_shown() const override;
    void clear_before_number_reset() override;
    void clear_after_number_reset() override;

  private:
    UnchQuestion shown_question() const;

    UnchQuestion *table_;
    FreeAnswerPageWidgets w_;
    UnchQuestion last_shown_; // read back from the widgets, as the choice pages keep it
};
