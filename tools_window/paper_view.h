#pragma once
// A paper folder in the tools window: what its check found, its counts and
// total, and what can be made of it (a PDF to print, Word, PDF, HTML and Excel
// files, the learning platforms' formats, A and B papers).

#include <QString>
#include <QWidget>

class QCheckBox;
class QLabel;
class QTreeWidget;
class WorkRunner;
struct PaperData;
struct PaperOutput;
enum class PrintFormat;
enum class ExportFormat;

class PaperView : public QWidget
{
    Q_OBJECT

  public:
    PaperView(WorkRunner *runner, QWidget *parent = nullptr);

    // Shows the folder and checks it.
    void show_folder(const QString &folder);
    QString folder() const { return folder_; }

  signals:
    void status(const QString &text);

  private:
    void check();
    void print();
    void save_word();
    void save_pdf();
    void save_html();
    void save_excel();
    void export_gift();
    void export_moodle();
    void make_variants();
    void save_printed(const QString &caption, const QString &suffix, const QString &filter,
                      PrintFormat format);
    void save_exported(const QString &caption, const QString &suffix, const QString &filter,
                       ExportFormat format);

    // The default file: beside the paper's folder, named after it.
    QString suggested(const QString &suffix, bool key) const;
    // Asks where to save, asks before writing into a paper's folder, then
    // makes the file off the GUI thread with `make` and writes it.
    void save_as(const QString &caption, const QString &suffix, const QString &filter, bool key,
                 std::function<PaperOutput(const PaperData &)> make);
    // Reads the folder and makes the output, off the GUI thread, then writes
    // it to `path`; `written` runs on the GUI thread with the path.
    void make_and_write(const QString &path, bool force,
                        std::function<PaperOutput(const PaperData &)> make,
                        std::function<void(const QString &, const QStringList &)> written);

    WorkRunner *runner_;
    QString folder_;
    QLabel *heading_;
    QTreeWidget *findings_;
    QLabel *counts_;
    QLabel *total_;
    QCheckBox *with_key_;
};
