#include "tools_window/work_runner.h"

#include "platform/dialogs.h"
#include "tools_window/tools_messages.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <new>

namespace
{

// How the work ended, as the thread leaves it for this one.
enum Outcome { kFinished, kCancelled, kOutOfMemory };

constexpr int kShowAfterMs = 500;
constexpr int kPollMs = 100;

} // namespace

WorkRunner::WorkRunner(QWidget *parent)
    : QWidget(parent), bar_(new QProgressBar), label_(new QLabel),
      cancel_(new QPushButton(tools_text::cancel_button()))
{
    bar_->setObjectName(QStringLiteral("work_progress"));
    label_->setObjectName(QStringLiteral("work_label"));
    cancel_->setObjectName(QStringLiteral("work_cancel"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label_);
    layout->addWidget(bar_, 1);
    layout->addWidget(cancel_);
    connect(cancel_, &QPushButton::clicked, this, &WorkRunner::cancel);
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &WorkRunner::show_progress);
    show_delay_.setSingleShot(true);
    show_delay_.setInterval(kShowAfterMs);
    connect(&show_delay_, &QTimer::timeout, this, [this] {
        show_progress();
        setVisible(true);
    });
    setVisible(false);
}

WorkRunner::~WorkRunner()
{
    if (!thread_)
        return;
    progress_->cancel();
    thread_->wait();
    delete thread_;
}

void WorkRunner::start(std::function<void()> work, std::function<void()> done)
{
    Q_ASSERT(!thread_);
    progress_ = std::make_shared<WorkProgress>();
    outcome_ = std::make_shared<int>(kFinished);
    done_ = std::move(done);
    thread_ = QThread::create([work = std::move(work), progress = progress_, outcome = outcome_] {
        WatchedWork watched(*progress);
        try {
            work();
        } catch (const WorkCancelled &) {
            *outcome = kCancelled;
        } catch (const std::bad_alloc &) {
            *outcome = kOutOfMemory;
        }
    });
    connect(thread_, &QThread::finished, this, &WorkRunner::end);
    cancel_->setEnabled(true);
    bar_->setRange(0, 0);
    label_->setText(tools_text::working(0, 0));
    emit busyChanged(true);
    thread_->start();
    show_delay_.start();
    poll_.start();
}

void WorkRunner::cancel()
{
    if (progress_ && progress_->cancel())
        cancel_->setEnabled(false);
}

void WorkRunner::show_progress()
{
    if (!progress_)
        return;
    const qint64 total = progress_->total();
    const qint64 done = std::min(progress_->done(), total);
    // The bar counts in ints; a count beyond them is shown to scale.
    const int scale = total > 1000000 ? int(total / 1000000) + 1 : 1;
    bar_->setRange(0, int(total / scale));
    bar_->setValue(int(done / scale));
    label_->setText(tools_text::working(done, total));
    if (progress_->committed())
        cancel_->setEnabled(false);
}

void WorkRunner::end()
{
    poll_.stop();
    show_delay_.stop();
    setVisible(false);
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    const int outcome = *outcome_;
    std::function<void()> done = std::move(done_);
    done_ = nullptr;
    progress_.reset();
    emit busyChanged(false);
    if (outcome == kFinished)
        done();
    else if (outcome == kOutOfMemory)
        platform::show_message(tools_text::out_of_memory());
    emit finished(outcome == kCancelled);
}
