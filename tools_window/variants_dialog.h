#pragma once
// A and B papers of the open paper: how many, from which seed (shown, so that
// the same papers can be made again), and into which folder.

#include <QDialog>

class QLineEdit;
class QPushButton;
class QSpinBox;
class WorkRunner;

class VariantsDialog : public QDialog
{
    Q_OBJECT

  public:
    VariantsDialog(const QString &paper_folder, WorkRunner *runner, QWidget *parent);

  signals:
    void made(const QString &status);

  private:
    void choose_target();
    void make();
    // 确定 only while there is a seed and a folder to make the papers from.
    void enable_ok();

    QString paper_folder_;
    WorkRunner *runner_;
    QSpinBox *count_;
    QLineEdit *seed_;
    QLineEdit *target_;
    QPushButton *ok_ = nullptr;
};
