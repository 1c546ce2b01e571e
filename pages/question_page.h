#pragma once
// What the three question pages share: the four cases of a count change, the
// number display, and storing before moving to the previous or next question.
// Each page supplies its own widgets and record fields.

#include <QList>

class QLCDNumber;
class QWidget;

class QuestionPage
{
  public:
    QuestionPage(int &count, int &current, QLCDNumber *number_display);
    virtual ~QuestionPage() = default;
    QuestionPage(const QuestionPage &) = delete;
    QuestionPage &operator=(const QuestionPage &) = delete;

    // Brings the page in line with a new count, then adopts it. Never stores
    // first: unstored edits are dropped unless the shown question survives.
    // A count that changes makes the paper changed.
    void change_count(int new_count);

    // Makes question k (1 to count) current and fills the page from its record.
    void show_question(int k);

    // Writes the page into the record of the current question, if one is
    // shown; the paper is changed if the record is.
    void store();

    // Store, then move one question back or forward; the ends do not wrap.
    void show_previous();
    void show_next();

    // Empties and disables the page; current becomes 0. Records are untouched.
    void clear();

    // True when the teacher has changed the shown question since it was shown
    // or stored: what store() would keep and leaving the paper would lose.
    bool has_unstored_edits() const;

    virtual void enable() = 0;

  protected:
    virtual void fill_from_record(int k) = 0;
    // True when the record now holds something it did not.
    virtual bool store_into_record(int k) = 0;
    virtual bool differs_from_last_shown() const = 0;
    // Clearing happens around the reset of the current number, in this order.
    virtual void clear_before_number_reset() = 0;
    virtual void clear_after_number_reset() = 0;

    static void set_enabled(const QList<QWidget *> &widgets, bool enabled);

  private:
    void show_number(int k);

    int &count_;
    int &current_;
    QLCDNumber *number_display_;
};
