#pragma once
// A question file in the tools window: what the import recognised, question by
// question, with every note on its question's row and the questions left out
// as rows of their own; the scores for questions the file gives none; and
// where the new paper goes.

#include <QString>
#include <QWidget>

class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class WorkRunner;
struct ImportScores;
struct FileImport;

class ImportView : public QWidget
{
    Q_OBJECT

  public:
    ImportView(WorkRunner *runner, QWidget *parent = nullptr);

    // Shows what the file holds; the new paper goes beside it, named after it.
    void show_file(const QString &path);
    QString file() const { return path_; }

  signals:
    void imported(const QString &folder);

  private:
    ImportScores scores() const;
    void preview();
    void show_preview(const FileImport &import);
    void fit_words_and_notes();
    void choose_target();
    void import();

    WorkRunner *runner_;
    QString path_;
    QLabel *heading_;
    QLabel *notes_;
    QTableWidget *table_;
    QLabel *counts_;
    QLabel *total_;
    QDoubleSpinBox *single_;
    QDoubleSpinBox *multiple_;
    QDoubleSpinBox *free_;
    QLineEdit *target_;
    QPushButton *import_;
};
