#pragma once
// Runs the tools' long work (an import, an export, a PDF) on a thread of its
// own, so that the window never freezes. The strip it shows at the foot of
// the window, a progress bar with 取消, appears once the work has taken half
// a second.

#include "paper/work_progress.h"

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;
class QThread;

class WorkRunner : public QWidget
{
    Q_OBJECT

  public:
    explicit WorkRunner(QWidget *parent = nullptr);
    ~WorkRunner() override; // cancels the work and waits for it

    bool busy() const { return thread_ != nullptr; }

    // Runs `work` off this thread, then `done` with its result on this
    // thread, unless the work was cancelled. One piece of work at a time.
    template <typename Result>
    void run(std::function<Result()> work, std::function<void(const Result &)> done)
    {
        auto result = std::make_shared<std::optional<Result>>();
        start([work, result] { result->emplace(work()); },
              [done, result] {
                  if (*result)
                      done(**result);
              });
    }

    // As the teacher's 取消: the work stops at its next step. Too late once
    // it writes.
    void cancel();

  signals:
    void busyChanged(bool busy);
    // The work ended and `done` ran, or it was cancelled or failed.
    void finished(bool cancelled);

  private:
    void start(std::function<void()> work, std::function<void()> done);
    void end();
    void show_progress();

    QProgressBar *bar_;
    QLabel *label_;
    QPushButton *cancel_;
    QTimer poll_;
    QTimer show_delay_;
    QThread *thread_ = nullptr;
    std::shared_ptr<WorkProgress> progress_;
    std::function<void()> done_;
    std::shared_ptr<int> outcome_; // set by the thread: see work_runner.cpp
};
