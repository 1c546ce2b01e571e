#pragma once
// 试卷工具: every paper tool of qv_paper in a window, for teachers who never
// open a command prompt. A paper folder shows its check and what can be made
// of it; a question file shows what its import recognised. Either is opened
// with the buttons, dropped on the window, or given as the program's argument.

#include <QWidget>

class ImportView;
class PaperView;
class QLabel;
class QPushButton;
class QStackedWidget;
class WorkRunner;

class ToolsWindow : public QWidget
{
    Q_OBJECT

  public:
    explicit ToolsWindow(QWidget *parent = nullptr);

    // A folder is taken for a paper, a file for questions to import.
    void open_path(const QString &path);

  protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

  private:
    void choose_paper();
    void choose_questions();
    void show_status(const QString &text);
    void set_busy(bool busy);

    WorkRunner *runner_;
    QStackedWidget *views_;
    QLabel *start_;
    PaperView *paper_;
    ImportView *import_;
    QPushButton *open_paper_;
    QPushButton *open_questions_;
    QLabel *status_;
};
