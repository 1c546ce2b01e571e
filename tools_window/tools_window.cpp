#include "tools_window/tools_window.h"

#include "platform/dialogs.h"
#include "tools_window/import_view.h"
#include "tools_window/paper_view.h"
#include "tools_window/tools_messages.h"
#include "tools_window/work_runner.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QStackedWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace
{

// The first local file or folder of a drop, if any.
QString dropped_path(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return QString();
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            return url.toLocalFile();
    }
    return QString();
}

} // namespace

ToolsWindow::ToolsWindow(QWidget *parent)
    : QWidget(parent), runner_(new WorkRunner), views_(new QStackedWidget),
      start_(new QLabel(tools_text::drop_hint())), paper_(new PaperView(runner_)),
      import_(new ImportView(runner_)),
      open_paper_(new QPushButton(tools_text::open_paper_button())),
      open_questions_(new QPushButton(tools_text::open_questions_button())), status_(new QLabel)
{
    setObjectName(QStringLiteral("tools_window"));
    setWindowTitle(tools_text::window_title());
    setAcceptDrops(true);
    runner_->setObjectName(QStringLiteral("work"));
    views_->setObjectName(QStringLiteral("views"));
    start_->setObjectName(QStringLiteral("start"));
    start_->setAlignment(Qt::AlignCenter);
    start_->setFrameShape(QFrame::StyledPanel);
    paper_->setObjectName(QStringLiteral("paper_view"));
    import_->setObjectName(QStringLiteral("import_view"));
    open_paper_->setObjectName(QStringLiteral("open_paper"));
    open_questions_->setObjectName(QStringLiteral("open_questions"));
    status_->setObjectName(QStringLiteral("status"));
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    views_->addWidget(start_);
    views_->addWidget(paper_);
    views_->addWidget(import_);

    connect(open_paper_, &QPushButton::clicked, this, &ToolsWindow::choose_paper);
    connect(open_questions_, &QPushButton::clicked, this, &ToolsWindow::choose_questions);
    connect(paper_, &PaperView::status, this, &ToolsWindow::show_status);
    connect(import_, &ImportView::imported, this, [this](const QString &folder) {
        paper_->show_folder(folder);
        views_->setCurrentWidget(paper_);
        show_status(tools_text::imported(folder));
    });
    connect(runner_, &WorkRunner::busyChanged, this, &ToolsWindow::set_busy);
    connect(runner_, &WorkRunner::finished, this, [this](bool cancelled) {
        if (cancelled)
            show_status(tools_text::cancelled());
    });

    auto *bar = new QHBoxLayout;
    bar->addWidget(open_paper_);
    bar->addWidget(open_questions_);
    bar->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(views_, 1);
    layout->addWidget(runner_);
    layout->addWidget(status_);
    resize(900, 640);
}

void ToolsWindow::open_path(const QString &path)
{
    const QFileInfo info(path);
    if (runner_->busy())
        return;
    status_->clear();
    if (info.isDir()) {
        paper_->show_folder(path);
        views_->setCurrentWidget(paper_);
    } else if (info.exists()) {
        import_->show_file(path);
        views_->setCurrentWidget(import_);
    } else {
        platform::show_message(tools_text::not_found(path));
    }
}

void ToolsWindow::choose_paper()
{
    const QString folder = platform::choose_folder(tools_text::choose_paper_caption());
    if (!folder.isEmpty())
        open_path(folder);
}

void ToolsWindow::choose_questions()
{
    const QString file = platform::choose_file(tools_text::choose_questions_caption(),
                                               tools_text::questions_filter());
    if (!file.isEmpty())
        open_path(file);
}

void ToolsWindow::show_status(const QString &text)
{
    status_->setText(text);
}

// While work runs, only its 取消 takes input: the files it reads and writes
// must not change under it.
void ToolsWindow::set_busy(bool busy)
{
    views_->setEnabled(!busy);
    open_paper_->setEnabled(!busy);
    open_questions_->setEnabled(!busy);
    setAcceptDrops(!busy);
    if (busy)
        status_->clear();
}

void ToolsWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (!dropped_path(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void ToolsWindow::dropEvent(QDropEvent *event)
{
    const QString path = dropped_path(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    open_path(path);
}

// Closing while work runs cancels it; what already writes is finished first.
void ToolsWindow::closeEvent(QCloseEvent *event)
{
    runner_->cancel();
    event->accept();
}
