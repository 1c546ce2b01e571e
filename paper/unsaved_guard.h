#pragma once
// Asks before the window closes over a paper with unsaved changes.

#include <QObject>

class UnsavedGuard : public QObject
{
    Q_OBJECT
  public:
    // Watches `window`'s close events; the guard is a child of the window.
    explicit UnsavedGuard(QWidget *window);

    // Asks the teacher whether to discard the unsaved changes of the open
    // paper. True when there are none, or the teacher answers OK.
    static bool may_discard_paper();

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    bool asking_ = false;
};
