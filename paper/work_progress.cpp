#include "paper/work_progress.h"

namespace
{

// The watcher of the work this thread does, if any. One per thread: the work
// of one job runs on one thread, and many layers report to it without each
// passing it down.
thread_local WorkProgress *watcher = nullptr;

std::function<void()> &step_hook()
{
    static std::function<void()> hook;
    return hook;
}

} // namespace

bool WorkProgress::cancel()
{
    State running = State::Running;
    return state_.compare_exchange_strong(running, State::Cancelled) || running == State::Cancelled;
}

WatchedWork::WatchedWork(WorkProgress &progress) : outer_(watcher)
{
    watcher = &progress;
}

WatchedWork::~WatchedWork()
{
    watcher = outer_;
}

void work_total(qint64 total)
{
    if (!watcher)
        return;
    watcher->total_.store(total);
    watcher->done_.store(0);
}

void work_step(qint64 steps)
{
    if (!watcher)
        return;
    if (step_hook())
        step_hook()();
    if (watcher->cancelled())
        throw WorkCancelled();
    watcher->done_.fetch_add(steps);
}

void work_commit()
{
    if (!watcher)
        return;
    using State = WorkProgress::State;
    State running = State::Running;
    if (!watcher->state_.compare_exchange_strong(running, State::Committed) &&
        running == State::Cancelled)
        throw WorkCancelled();
}

namespace work_testing
{

void set_step_hook(std::function<void()> hook)
{
    step_hook() = std::move(hook);
}

} // namespace work_testing
