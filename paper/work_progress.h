#pragma once
// Long work (an import, an export, a PDF) tells the window that started it how
// far it has come, and stops when the teacher no longer wants it. The work runs
// on a thread of its own; the window watches from its own thread. The command
// line watches nothing: with no watcher, the calls below do nothing.

#include <QtGlobal>
#include <atomic>
#include <functional>

class WorkProgress
{
  public:
    qint64 done() const { return done_.load(); }
    qint64 total() const { return total_.load(); } // 0 while not known
    // False once the work has begun to write, which it then finishes.
    bool cancel();
    bool cancelled() const { return state_.load() == State::Cancelled; }
    bool committed() const { return state_.load() == State::Committed; }

  private:
    friend void work_total(qint64 total);
    friend void work_step(qint64 steps);
    friend void work_commit();
    enum class State { Running, Cancelled, Committed };

    std::atomic<qint64> done_{0};
    std::atomic<qint64> total_{0};
    std::atomic<State> state_{State::Running};
};

// Thrown out of work_step when the work was cancelled; the watcher's thread
// catches it where it started the work. Everything on the way is undone by
// its destructors, and nothing has been written.
struct WorkCancelled {
};

// Makes `progress` the watcher of the work this thread does while it lives.
class WatchedWork
{
  public:
    explicit WatchedWork(WorkProgress &progress);
    ~WatchedWork();
    WatchedWork(const WatchedWork &) = delete;
    WatchedWork &operator=(const WatchedWork &) = delete;

  private:
    WorkProgress *outer_;
};

// The work ahead, in steps (questions, lines of a file, pages), from the start.
void work_total(qint64 total);
// `steps` more done; throws WorkCancelled once the watcher cancelled.
void work_step(qint64 steps = 1);
// Called before the first byte is written: throws WorkCancelled when the
// watcher cancelled; otherwise the work can no longer be cancelled, so that a
// cancel never leaves half of what it writes behind.
void work_commit();

// Test hook: runs at each step of watched work, on the work's thread, before
// the step looks for a cancel, so that a test can hold the work there. Set it
// only while no work runs. Never set in the program.
namespace work_testing
{
void set_step_hook(std::function<void()> hook);
} // namespace work_testing
