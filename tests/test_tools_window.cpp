// 试卷工具 driven through its widgets, offscreen: what it shows and writes
// must be what qv_paper prints and writes for the same input, and long work
// cancelled must leave nothing behind.

#include "paper/work_progress.h"
#include "paper_tool/paper_folder.h"
#include "paper_tool/variant_folders.h"
#include "platform/dialogs.h"
#include "platform/documents.h"
#include "tests/test_support.h"
#include "tools_window/tools_messages.h"
#include "tools_window/tools_window.h"
#include "tools_window/work_runner.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using platform::testing::ShownDialog;

namespace
{

struct Run {
    int status;
    QString out;
};

// qv_paper itself, as a teacher would run it on the same input.
Run run_tool(const QStringList &arguments)
{
    QProcess process;
    QString why;
    if (!run_to_end(process, QStringLiteral(QV_PAPER_PROGRAM), arguments, why))
        qFatal("%s", qPrintable(why));
    QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return {process.exitCode(), out};
}

// The text of a PDF as pdftotext lays it out; null without pdftotext.
QString pdf_text(const QString &pdf)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (program.isEmpty())
        return QString();
    QProcess process;
    process.start(program, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(kChildPatienceMs))
        qFatal("pdftotext did not finish");
    return QString::fromUtf8(process.readAllStandardOutput());
}

QStringList output_lines(const QString &out)
{
    QStringList lines = out.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

const QByteArray kGift = "// 第一单元\n"
                         "::单选1:: 下列哪个数是质数？ {=7 ~9 ~15}\n\n"
                         "::多选1:: 下列哪些是偶数？ {~%50%2 ~%50%4 ~%-100%5}\n\n"
                         "::数值:: 1+1 等于几？ {#2}\n\n"
                         "::简答:: 简述光合作用。 {}\n";

const QByteArray kGiftCreditLost = "::a:: 1+1=? {~3 =2}\n\n"
                                   "::b:: 下列哪个数是质数？ {=7 ~%50%9 ~15}\n";

const QByteArray kMoodle =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quiz>\n"
    "<question type=\"multichoice\"><name><text>q1</text></name>"
    "<questiontext format=\"html\"><text>水的化学式是</text></questiontext>"
    "<defaultgrade>3</defaultgrade><single>true</single>"
    "<answer fraction=\"100\"><text>H2O</text></answer>"
    "<answer fraction=\"0\"><text>CO2</text></answer></question>\n"
    "<question type=\"matching\"><name><text>q2</text></name>"
    "<questiontext format=\"html\"><text>连线</text></questiontext></question>\n"
    "</quiz>\n";

// Numbered the Chinese way, without scores: the teacher's scores apply.
const QByteArray kText = "一、单项选择题\n"
                         "1．下列哪个数是质数？（　）\nA．7  B．9  C．15  D．21\n【答案】A\n"
                         "2．地球绕太阳一周约需（　）\nA．一天  B．一年\n【答案】B\n"
                         "二、判断题\n"
                         "3．两个负数的积是正数。（　）\n【答案】√\n"
                         "三、简答题\n"
                         "4．简述光合作用。\n【答案】植物利用光能合成有机物。\n"
                         "四、多项选择题\n"
                         "5．下列哪些是偶数？（　）\nA．2  B．4  C．5\n【答案】AB\n";

QString source_file(const char *name)
{
    return QStringLiteral(QV_SOURCE_DIR "/tests/data/") + QLatin1String(name);
}

// Where the cancel tests hold long work a second time.
constexpr int kHeldAt = 50;

// A question file of `count` single-choice questions, which takes the import
// well over the half second after which the progress shows.
QByteArray long_text_file(int count)
{
    QByteArray text = "一、单项选择题（每小题2分）\n";
    for (int i = 1; i <= count; ++i)
        text += QByteArray::number(i) + "．第" + QByteArray::number(i) +
                " 题的题面（　）\nA．甲  B．乙  C．丙  D．丁\n【答案】C\n";
    return text;
}

// A paper whose check finds what to mend in each kind.
const QByteArray kFaultyProblem = "2 1 1\r\n"
                                  "2\r\n@下列哪个数是质数？\r\nA. 7\r\nB. 9$\r\n"
                                  "3\r\n@ $\r\n"
                                  "4 4\r\n@下列哪些是偶数？\r\nA. 2\r\nB. 4\r\nC. 5$\r\n"
                                  "10\r\n@简述光合作用。$\r\n";
const QByteArray kFaultyAnswer = "1\r\n0\r\n3\r\n@ $\r\n";

const QByteArray kSoundProblem = "1 1 1\r\n"
                                 "2\r\n@下列哪个数是质数？\r\nA. 7\r\nB. 9$\r\n"
                                 "4 2\r\n@下列哪些是偶数？\r\nA. 2\r\nB. 4\r\nC. 5$\r\n"
                                 "10\r\n@简述光合作用。$\r\n";
const QByteArray kSoundAnswer = "1\r\n3\r\n@植物利用光能合成有机物。$\r\n";

bool write_paper(const QString &folder, const QByteArray &problem, const QByteArray &answer)
{
    return QDir().mkpath(folder) && write_file(folder + "/problem.prb", problem) &&
           write_file(folder + "/answer.ans", answer);
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                  QDir::System);
}

// What a teacher reads on a window or dialog, line by line from the top and
// left to right on each line: its title, then every visible label, button,
// field, box and header. Controls whose middles lie within a few pixels of a
// line's first one are on that line. `dir` is shown as "…", and Windows'
// paths with "/" as the others.
QStringList screen_lines(QWidget *top, const QString &dir)
{
    struct Shown {
        QRect place;
        QString text;
    };
    QList<Shown> shown;
    const auto add = [&](QWidget *widget, QString text) {
        if (text.isEmpty())
            return;
        text.replace(QLatin1Char('\\'), QLatin1Char('/'));
        text.replace(QDir::fromNativeSeparators(dir), QStringLiteral("…"));
        text.replace(QRegularExpression(QStringLiteral("[0-9]{10,}")), QStringLiteral("#"));
        shown.append({QRect(widget->mapTo(top, QPoint()), widget->size()), text});
    };
    for (QWidget *widget : top->findChildren<QWidget *>()) {
        if (!widget->isVisibleTo(top) || widget->window() != top)
            continue;
        if (auto *label = qobject_cast<QLabel *>(widget))
            add(widget, label->text());
        else if (auto *check = qobject_cast<QCheckBox *>(widget))
            add(widget, (check->isChecked() ? "[x] " : "[ ] ") + check->text());
        else if (auto *button = qobject_cast<QAbstractButton *>(widget))
            add(widget, "[" + button->text() + "]");
        else if (auto *field = qobject_cast<QLineEdit *>(widget)) {
            if (!qobject_cast<QAbstractSpinBox *>(widget->parentWidget()))
                add(widget, "<" + field->text() + ">");
        } else if (auto *box = qobject_cast<QAbstractSpinBox *>(widget))
            add(widget, "<" + box->text() + ">");
        else if (auto *header = qobject_cast<QHeaderView *>(widget)) {
            QStringList sections;
            for (int i = 0; i < header->count(); ++i)
                sections.append(header->model()->headerData(i, header->orientation()).toString());
            add(widget, sections.join(QLatin1Char('/')));
        }
    }
    std::stable_sort(shown.begin(), shown.end(), [](const Shown &a, const Shown &b) {
        return a.place.center().y() < b.place.center().y();
    });
    QStringList lines{top->windowTitle()};
    for (int first = 0; first < shown.size();) {
        int end = first + 1;
        while (end < shown.size() &&
               shown[end].place.center().y() - shown[first].place.center().y() <= 6)
            ++end;
        QList<Shown> line = shown.mid(first, end - first);
        std::stable_sort(line.begin(), line.end(), [](const Shown &a, const Shown &b) {
            return a.place.left() < b.place.left();
        });
        QStringList texts;
        for (const Shown &item : line)
            texts.append(item.text);
        lines.append(texts.join(QStringLiteral(" | ")));
        first = end;
    }
    return lines;
}
} // namespace

class TestToolsWindow : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void preview_shows_each_row_as_qv_paper_previews_it_data();
    void preview_shows_each_row_as_qv_paper_previews_it();
    void preview_puts_kinds_keys_and_notes_on_their_rows_data();
    void preview_puts_kinds_keys_and_notes_on_their_rows();
    void scores_set_in_the_window_update_the_preview();
    void notes_of_the_whole_file_stand_above_the_rows_data();
    void notes_of_the_whole_file_stand_above_the_rows();
    void import_writes_the_paper_qv_paper_writes_and_shows_its_check_data();
    void import_writes_the_paper_qv_paper_writes_and_shows_its_check();
    void import_never_replaces_a_paper_unasked_data();
    void import_never_replaces_a_paper_unasked();
    void check_lists_the_findings_qv_paper_prints_data();
    void check_lists_the_findings_qv_paper_prints();
    void each_button_writes_the_file_qv_paper_writes_data();
    void each_button_writes_the_file_qv_paper_writes();
    void print_opens_a_pdf_in_the_system_viewer_data();
    void print_opens_a_pdf_in_the_system_viewer();
    void variants_are_the_folders_qv_paper_makes();
    void variants_of_a_paper_gone_since_say_why_and_write_nothing_data();
    void variants_of_a_paper_gone_since_say_why_and_write_nothing();
    void variants_never_replace_papers_unasked_data();
    void variants_never_replace_papers_unasked();
    void a_long_note_wraps_on_its_own_row();
    void the_columns_fill_the_preview_without_scrolling_data();
    void the_columns_fill_the_preview_without_scrolling();
    void cancelled_work_leaves_nothing_behind_data();
    void cancelled_work_leaves_nothing_behind();
    void dropping_a_folder_or_a_file_opens_it_data();
    void dropping_a_folder_or_a_file_opens_it();
    void a_paper_that_does_not_read_shows_why_and_nothing_else();
    void a_paper_whose_save_was_cut_short_shows_that_alone();
    void progress_names_done_of_all_from_one_step_on_data();
    void progress_names_done_of_all_from_one_step_on();
    void no_progress_shows_until_work_runs();
    void an_empty_target_writes_nothing_data();
    void an_empty_target_writes_nothing();
    void a_cancelled_folder_choice_keeps_the_target_data();
    void a_cancelled_folder_choice_keeps_the_target();
    void a_question_file_gone_since_its_preview_says_why_on_import();
    void a_question_file_that_does_not_read_shows_why_and_no_rows();
    void a_file_that_cannot_be_saved_says_why_data();
    void a_file_that_cannot_be_saved_says_why();
    void a_pdf_without_a_chinese_font_says_so_and_writes_nothing();
    void the_platforms_button_opens_its_menu_at_a_click();
    void no_control_covers_another_data();
    void no_control_covers_another();
    void variants_number_from_one_to_twenty_six_data();
    void variants_number_from_one_to_twenty_six();
    void each_screen_reads_in_order_data();
    void each_screen_reads_in_order();
    void the_bar_shows_the_share_done_at_any_count_data();
    void the_bar_shows_the_share_done_at_any_count();
    void scores_typed_are_the_scores_previewed_data();
    void scores_typed_are_the_scores_previewed();
    void preview_rows_are_read_not_edited();
    void names_with_markup_show_as_typed_data();
    void names_with_markup_show_as_typed();
    void variants_are_made_only_from_a_seed_and_a_folder_data();
    void variants_are_made_only_from_a_seed_and_a_folder();
    void an_import_that_cannot_be_written_says_why_and_stays();

  private:
    template <typename T> T *on(const char *name)
    {
        T *widget = window_->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }
    bool wait_idle();
    QString open_sound_paper();
    QString preview_text_questions();
    QDialog *open_variants_dialog(const QString &paper);
    QStringList table_rows();
    QStringList finding_lines();

    std::unique_ptr<ToolsWindow> window_;
    std::unique_ptr<QTemporaryDir> dir_;
};

void TestToolsWindow::initTestCase()
{
    install_strict_message_handler();
}

void TestToolsWindow::init()
{
    platform::testing::install_hooks();
    platform::testing::record_opened_documents();
    dir_ = std::make_unique<QTemporaryDir>();
    window_ = std::make_unique<ToolsWindow>();
    window_->show();
}

void TestToolsWindow::cleanup()
{
    window_.reset();
    // Taken before the hooks go, which must go even when this fails.
    const int pending = platform::testing::pending_answers();
    platform::testing::remove_hooks();
    platform::testing::stop_recording_opened_documents();
    QCOMPARE(pending, 0);
}

// The paper "期中", sound, written and opened; empty when it could not be
// written.
QString TestToolsWindow::open_sound_paper()
{
    const QString paper = dir_->filePath(QStringLiteral("期中"));
    if (!write_paper(paper, kSoundProblem, kSoundAnswer))
        return QString();
    window_->open_path(paper);
    return paper;
}

// "题库.txt" of kText, written and previewed; empty when that failed.
QString TestToolsWindow::preview_text_questions()
{
    const QString path = dir_->filePath(QStringLiteral("题库.txt"));
    if (!write_file(path, kText))
        return QString();
    window_->open_path(path);
    return wait_idle() ? path : QString();
}

bool TestToolsWindow::wait_idle()
{
    WorkRunner *work = on<WorkRunner>("work");
    return wait_until([work] { return !work->busy(); }, kChildPatienceMs);
}

// Each row's cells separated by tabs, as qv_paper import --preview prints them.
QStringList TestToolsWindow::table_rows()
{
    auto *table = on<QTableWidget>("preview");
    QStringList rows;
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c)
            cells.append(table->item(r, c)->text());
        rows.append(cells.join(QLatin1Char('\t')));
    }
    return rows;
}

QStringList TestToolsWindow::finding_lines()
{
    auto *tree = on<QTreeWidget>("findings");
    QStringList lines;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = tree->topLevelItem(i);
        lines.append(item->text(0).isEmpty()
                         ? item->text(1)
                         : item->text(0) + QStringLiteral("：") + item->text(1));
    }
    return lines;
}

void TestToolsWindow::preview_shows_each_row_as_qv_paper_previews_it_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // empty: the fixture of that name
    QTest::newRow("GIFT") << "题库.gift" << kGift;
    QTest::newRow("Moodle XML") << "题库.xml" << kMoodle;
    QTest::newRow("text") << "题库.txt" << kText;
    QTest::newRow("Word") << "questions-libreoffice.docx" << QByteArray();
    QTest::newRow("Excel") << "questions-libreoffice.xlsx" << QByteArray();
    QTest::newRow("CSV") << "questions-libreoffice.csv" << QByteArray();
}

void TestToolsWindow::preview_shows_each_row_as_qv_paper_previews_it()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    const QString path = content.isEmpty() ? source_file(qPrintable(name)) : dir_->filePath(name);
    if (!content.isEmpty())
        QVERIFY(write_file(path, content));
    platform::testing::queue_path(path);
    on<QPushButton>("open_questions")->click();
    QCOMPARE(platform::testing::shown_dialogs().size(), 1);
    QCOMPARE(platform::testing::shown_dialogs()[0].kind, ShownDialog::Kind::File);
    QVERIFY(wait_idle());
    const QStringList printed = output_lines(run_tool({"import", path, "--preview"}).out);
    QVERIFY2(printed.size() >= 3, qPrintable(printed.join('\n')));
    // The header, the rows, then the counts and the total.
    QCOMPARE(table_rows(), printed.mid(1, printed.size() - 3));
    QCOMPARE(on<QLabel>("import_counts")->text(), printed[printed.size() - 2]);
    QCOMPARE(on<QLabel>("import_total")->text(), printed.last());
}

void TestToolsWindow::preview_puts_kinds_keys_and_notes_on_their_rows_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("score");
    QTest::addColumn<QString>("note"); // a part of the row's note; empty: none
    QTest::addColumn<bool>("highlighted");
    const QString single = QStringLiteral("单选题"), multiple = QStringLiteral("多选题"),
                  free = QStringLiteral("非选择题"), skipped = QStringLiteral("略过");
    QTest::newRow("GIFT single choice") << "a.gift" << kGift << 0 << single << "A"
                                        << "1" << QString() << false;
    QTest::newRow("GIFT partial credit") << "a.gift" << kGift << 1 << multiple << "AB"
                                         << "1" << QString() << false;
    QTest::newRow("GIFT option's credit lost, on its own row")
        << "a.gift" << kGiftCreditLost << 1 << single << "A"
        << "1" << QStringLiteral("B 在平台上得 50% 的分，在试卷上不得分") << true;
    QTest::newRow("GIFT, the question before it unchanged")
        << "a.gift" << kGiftCreditLost << 0 << single << "B"
        << "1" << QString() << false;
    QTest::newRow("GIFT numerical, left out, after the questions")
        << "a.gift" << kGift << 3 << skipped << ""
        << "" << QStringLiteral("数值") << true;
    QTest::newRow("Moodle matching, left out") << "a.xml" << kMoodle << 1 << skipped << ""
                                               << "" << QStringLiteral("matching") << true;
    QTest::newRow("Moodle grade") << "a.xml" << kMoodle << 0 << single << "A"
                                  << "3" << QString() << false;
    QTest::newRow("text, second single choice") << "a.txt" << kText << 1 << single << "B"
                                                << "1" << QString() << false;
    QTest::newRow("text, judgement converted") << "a.txt" << kText << 2 << single << "A"
                                               << "1" << QStringLiteral("判断") << true;
    QTest::newRow("text, free answer")
        << "a.txt" << kText << 3 << free << QStringLiteral("—") << "1" << QString() << false;
    QTest::newRow("text, multiple choice in the last section")
        << "a.txt" << kText << 4 << multiple << "AB"
        << "1" << QString() << false;
    QTest::newRow("Word, key from the coloured option")
        << "questions-libreoffice.docx" << QByteArray() << 1 << single << "B"
        << "2" << QStringLiteral("突出显示") << true;
    QTest::newRow("Excel, multiple choice")
        << "questions-libreoffice.xlsx" << QByteArray() << 1 << multiple << "AB"
        << "4" << QString() << false;
    QTest::newRow("CSV, judgement converted")
        << "questions-libreoffice.csv" << QByteArray() << 2 << single << "A"
        << "1" << QStringLiteral("判断") << true;
}

void TestToolsWindow::preview_puts_kinds_keys_and_notes_on_their_rows()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(int, row);
    QFETCH(QString, kind);
    QFETCH(QString, key);
    QFETCH(QString, score);
    QFETCH(QString, note);
    QFETCH(bool, highlighted);
    const QString path = content.isEmpty() ? source_file(qPrintable(name)) : dir_->filePath(name);
    if (!content.isEmpty())
        QVERIFY(write_file(path, content));
    window_->open_path(path);
    QVERIFY(wait_idle());
    auto *table = on<QTableWidget>("preview");
    QVERIFY2(row < table->rowCount(), qPrintable(table_rows().join('\n')));
    QCOMPARE(table->item(row, 0)->text(), kind);
    QCOMPARE(table->item(row, 2)->text(), key);
    QCOMPARE(table->item(row, 3)->text(), score);
    const QString said = table->item(row, 7)->text();
    QVERIFY2(note.isEmpty() ? said.isEmpty() : said.contains(note), qPrintable(said));
    // A pale shade over the whole row, under text that stays readable.
    const QBrush shade = table->item(row, 0)->background();
    QCOMPARE(shade.style() != Qt::NoBrush, highlighted);
    QVERIFY2(!highlighted || (shade.color().isValid() && shade.color().lightness() >= 200),
             qPrintable(shade.color().name()));
    for (int column = 1; column < table->columnCount(); ++column)
        QCOMPARE(table->item(row, column)->background(), shade);
    // The first words and the note, cut short by their columns, are read whole
    // in their tips.
    for (int column : {5, 7})
        QCOMPARE(table->item(row, column)->toolTip(), table->item(row, column)->text());
}

void TestToolsWindow::scores_set_in_the_window_update_the_preview()
{
    const QString path = preview_text_questions();
    QVERIFY(!path.isEmpty());
    on<QDoubleSpinBox>("score_single")->setValue(2.5);
    QVERIFY(wait_idle());
    on<QDoubleSpinBox>("score_free")->setValue(12);
    QVERIFY(wait_idle());
    on<QDoubleSpinBox>("score_multiple")->setValue(3);
    QVERIFY(wait_idle());
    const QStringList printed =
        output_lines(run_tool({"import", path, "--preview", "--score", "2.5,3,12"}).out);
    QVERIFY2(printed.size() >= 3, qPrintable(printed.join('\n')));
    QCOMPARE(table_rows(), printed.mid(1, printed.size() - 3));
    QCOMPARE(on<QTableWidget>("preview")->item(0, 3)->text(), QStringLiteral("2.5"));
    QCOMPARE(on<QTableWidget>("preview")->item(3, 3)->text(), QStringLiteral("12"));
    QCOMPARE(on<QTableWidget>("preview")->item(4, 3)->text(), QStringLiteral("3"));
    QCOMPARE(on<QLabel>("import_total")->text(), printed.last());
}

void TestToolsWindow::notes_of_the_whole_file_stand_above_the_rows_data()
{
    QTest::addColumn<int>("questions");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("notes");
    // A paper holds 10000 of a kind; of those left out, the first 100 are
    // rows of their own and the rest are counted.
    QTest::newRow("every question taken") << 10000 << 10000 << QString();
    QTest::newRow("as many left out as are listed") << 10100 << 10100 << QString();
    QTest::newRow("one more") << 10101 << 10100 << QStringLiteral("另有 1 道题略过");
}

void TestToolsWindow::notes_of_the_whole_file_stand_above_the_rows()
{
    QFETCH(int, questions);
    QFETCH(int, rows);
    QFETCH(QString, notes);
    const QString path = dir_->filePath(QStringLiteral("题库.txt"));
    QVERIFY(write_file(path, long_text_file(questions)));
    window_->open_path(path);
    QVERIFY(wait_idle());
    QCOMPARE(on<QTableWidget>("preview")->rowCount(), rows);
    auto *said = on<QLabel>("file_notes");
    QCOMPARE(said->text(), notes);
    QCOMPARE(said->isVisible(), !notes.isEmpty());
}

void TestToolsWindow::import_writes_the_paper_qv_paper_writes_and_shows_its_check_data()
{
    preview_shows_each_row_as_qv_paper_previews_it_data();
}

void TestToolsWindow::import_writes_the_paper_qv_paper_writes_and_shows_its_check()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    const QString path = content.isEmpty() ? source_file(qPrintable(name)) : dir_->filePath(name);
    if (!content.isEmpty())
        QVERIFY(write_file(path, content));
    window_->open_path(path);
    QVERIFY(wait_idle());
    const QString ours = dir_->filePath(QStringLiteral("窗口/新试卷"));
    const QString theirs = dir_->filePath(QStringLiteral("命令"));
    on<QLineEdit>("import_target")->setText(ours);
    on<QPushButton>("import")->click();
    QVERIFY(wait_idle());
    QVERIFY(run_tool({"import", path, "-o", theirs}).status != kFailed);
    for (const char *file : {"/problem.prb", "/answer.ans"}) {
        QVERIFY(!file_bytes(theirs + file).isEmpty());
        QCOMPARE(file_bytes(ours + file), file_bytes(theirs + file));
    }
    // The new paper's check is then shown.
    QCOMPARE(on<QStackedWidget>("views")->currentWidget()->objectName(),
             QStringLiteral("paper_view"));
    const QStringList printed = output_lines(run_tool({"check", ours}).out);
    QVERIFY2(printed.size() >= 2, qPrintable(printed.join('\n')));
    QStringList shown = finding_lines();
    if (shown == QStringList{QStringLiteral("没有发现需要改正的地方。")})
        shown.clear();
    QCOMPARE(shown, printed.mid(0, printed.size() - 2));
    QCOMPARE(on<QLabel>("paper_total")->text(), printed.last());
    QVERIFY(on<QLabel>("status")->text().contains(QDir::toNativeSeparators(ours)));
}

void TestToolsWindow::import_never_replaces_a_paper_unasked_data()
{
    QTest::addColumn<bool>("replace");
    QTest::newRow("the teacher keeps it") << false;
    QTest::newRow("the teacher replaces it") << true;
}

void TestToolsWindow::import_never_replaces_a_paper_unasked()
{
    QFETCH(bool, replace);
    const QString path = dir_->filePath(QStringLiteral("题库.txt"));
    QVERIFY(write_file(path, kText));
    const QString paper = dir_->filePath(QStringLiteral("题库")); // beside it, named after it
    QVERIFY(write_paper(paper, kSoundProblem, kSoundAnswer));
    window_->open_path(path);
    QVERIFY(wait_idle());
    QCOMPARE(on<QLineEdit>("import_target")->text(), QDir::toNativeSeparators(paper));
    platform::testing::queue_answer(replace);
    on<QPushButton>("import")->click();
    QVERIFY(wait_idle());
    const QList<ShownDialog> shown = platform::testing::shown_dialogs();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].text.contains(QStringLiteral("已有一份试卷")), qPrintable(shown[0].text));
    QCOMPARE(file_bytes(paper + "/problem.prb") == kSoundProblem, !replace);
    QCOMPARE(file_bytes(paper + "/answer.ans") == kSoundAnswer, !replace);
}

void TestToolsWindow::check_lists_the_findings_qv_paper_prints_data()
{
    QTest::addColumn<QByteArray>("problem");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("findings");
    QTest::newRow("faults in every kind") << kFaultyProblem << kFaultyAnswer << 4;
    QTest::newRow("a sound paper") << kSoundProblem << kSoundAnswer << 0;
}

void TestToolsWindow::check_lists_the_findings_qv_paper_prints()
{
    QFETCH(QByteArray, problem);
    QFETCH(QByteArray, answer);
    QFETCH(int, findings);
    const QString paper = dir_->filePath(QStringLiteral("期中"));
    QVERIFY(write_paper(paper, problem, answer));
    platform::testing::queue_folder(paper);
    on<QPushButton>("open_paper")->click();
    const QStringList printed = output_lines(run_tool({"check", paper}).out);
    QCOMPARE(printed.size(), findings + 2);
    const QStringList shown = finding_lines();
    if (findings == 0)
        QCOMPARE(shown, QStringList{QStringLiteral("没有发现需要改正的地方。")});
    else
        QCOMPARE(shown, printed.mid(0, findings));
    QCOMPARE(on<QLabel>("paper_counts")->text(), printed[printed.size() - 2]);
    QCOMPARE(on<QLabel>("paper_total")->text(), printed.last());
}

void TestToolsWindow::each_button_writes_the_file_qv_paper_writes_data()
{
    QTest::addColumn<QString>("control"); // a button, or an action of the platforms' menu
    QTest::addColumn<bool>("with_key");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("command"); // qv_paper's, before the paper and -o
    QTest::newRow("Word") << "save_word" << false << "卷.docx"
                          << QStringList{"export", "--to", "docx"};
    QTest::newRow("Word with the key")
        << "save_word" << true << "卷.docx" << QStringList{"export", "--to", "docx", "--answers"};
    QTest::newRow("HTML") << "save_html" << false << "卷.html" << QStringList{"print"};
    QTest::newRow("HTML with the key")
        << "save_html" << true << "卷.html" << QStringList{"print", "--answers"};
    QTest::newRow("Excel") << "save_excel" << false << "卷.xlsx"
                           << QStringList{"export", "--to", "xlsx"};
    QTest::newRow("GIFT") << "export_gift" << false << "卷.gift"
                          << QStringList{"export", "--to", "gift"};
    QTest::newRow("Moodle XML") << "export_moodle" << false << "卷.xml"
                                << QStringList{"export", "--to", "moodle-xml"};
    // A PDF holds the time it was made and the program that made it:
    // compared by its text where pdftotext is installed.
    QTest::newRow("PDF") << "save_pdf" << true << "卷.pdf" << QStringList{"print", "--answers"};
}

void TestToolsWindow::each_button_writes_the_file_qv_paper_writes()
{
    QFETCH(QString, control);
    QFETCH(bool, with_key);
    QFETCH(QString, file);
    QFETCH(QStringList, command);
    const QString paper = open_sound_paper();
    QVERIFY(!paper.isEmpty());
    on<QCheckBox>("with_key")->setChecked(with_key);
    const QString ours = dir_->filePath(QStringLiteral("窗口"));
    QVERIFY(QDir().mkpath(ours));
    platform::testing::queue_path(ours + QLatin1Char('/') + file);
    if (auto *action = window_->findChild<QAction *>(control))
        action->trigger();
    else
        on<QPushButton>(qPrintable(control))->click();
    QVERIFY(wait_idle());
    // Suggested beside the paper, named after it.
    const QList<ShownDialog> shown = platform::testing::shown_dialogs();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, ShownDialog::Kind::SavePath);
    QVERIFY2(shown[0].text.startsWith(dir_->filePath(QStringLiteral("期中"))),
             qPrintable(shown[0].text));
    const QString theirs = dir_->filePath(file);
    QCOMPARE(run_tool(command << paper << "-o" << theirs).status, kDone);
    const QByteArray written = file_bytes(ours + QLatin1Char('/') + file);
    QVERIFY(!written.isEmpty());
    if (file.endsWith(QLatin1String(".pdf"))) {
        QVERIFY(written.startsWith("%PDF-"));
        const QString text = pdf_text(ours + QLatin1Char('/') + file);
        QVERIFY2(text.isNull() || text.contains(QStringLiteral("答案")), qPrintable(text));
        QCOMPARE(text, pdf_text(theirs));
    } else {
        QCOMPARE(written, file_bytes(theirs));
    }
    QVERIFY(on<QLabel>("status")->text().contains(QDir::toNativeSeparators(ours)));
}

void TestToolsWindow::print_opens_a_pdf_in_the_system_viewer_data()
{
    QTest::addColumn<bool>("with_key");
    QTest::addColumn<bool>("viewer"); // the system has a program for PDFs
    QTest::addColumn<QString>("name");
    QTest::newRow("with the key") << true << true << "期中（含答案）.pdf";
    QTest::newRow("without") << false << true << "期中.pdf";
    QTest::newRow("no PDF viewer") << false << false << "期中.pdf";
}

void TestToolsWindow::print_opens_a_pdf_in_the_system_viewer()
{
    QFETCH(bool, with_key);
    QFETCH(bool, viewer);
    QFETCH(QString, name);
    const QString paper = open_sound_paper();
    QVERIFY(!paper.isEmpty());
    platform::testing::record_opened_documents(viewer);
    on<QCheckBox>("with_key")->setChecked(with_key);
    on<QPushButton>("print")->click();
    QVERIFY(wait_idle());
    const QStringList opened = platform::testing::opened_documents();
    QCOMPARE(opened.size(), 1);
    QVERIFY2(QFileInfo(opened[0]).fileName() == name, qPrintable(opened[0]));
    // Without a viewer the teacher is told where the PDF is kept.
    const QList<ShownDialog> shown = platform::testing::shown_dialogs();
    QCOMPARE(shown.size(), viewer ? 0 : 1);
    if (!viewer)
        QCOMPARE(shown[0].text, tools_text::no_pdf_viewer(opened[0]));
    QCOMPARE(on<QLabel>("status")->text().isEmpty(), !viewer);
    const QString text = pdf_text(opened[0]);
    QVERIFY2(text.isNull() || text.contains(QStringLiteral("答案")) == with_key, qPrintable(text));
    QVERIFY(file_bytes(opened[0]).startsWith("%PDF-"));
    // Never into the paper's folder.
    QCOMPARE(entries(paper), (QStringList{"answer.ans", "problem.prb"}));
    QFile::remove(opened[0]);
}

void TestToolsWindow::variants_are_the_folders_qv_paper_makes()
{
    const QString paper = open_sound_paper();
    QVERIFY(!paper.isEmpty());
    on<QPushButton>("make_variants")->click();
    auto *dialog = window_->findChild<QDialog *>(QStringLiteral("variants_dialog"));
    QVERIFY(dialog && dialog->isVisible());
    // The default folder: beside the paper.
    QCOMPARE(dialog->findChild<QLineEdit *>("variant_target")->text(),
             QDir::toNativeSeparators(dir_->filePath(QStringLiteral("期中-AB卷"))));
    QVERIFY(parse_seed(dialog->findChild<QLineEdit *>("variant_seed")->text()));
    // What the seed is for stands beside it.
    bool hint_shown = false;
    for (const QLabel *label : dialog->findChildren<QLabel *>())
        hint_shown |= label->isVisible() && label->text() == tools_text::variant_seed_hint();
    QVERIFY(hint_shown);
    const QString ours = dir_->filePath(QStringLiteral("窗口"));
    dialog->findChild<QSpinBox *>("variant_count")->setValue(3);
    dialog->findChild<QLineEdit *>("variant_seed")->setText(QStringLiteral("20261208"));
    dialog->findChild<QLineEdit *>("variant_target")->setText(ours);
    dialog->findChild<QPushButton *>("variant_ok")->click();
    QVERIFY(wait_idle());
    const QString theirs = dir_->filePath(QStringLiteral("命令"));
    QVERIFY(run_tool({"variants", paper, "-n", "3", "--seed", "20261208", "-o", theirs}).status !=
            kFailed);
    QCOMPARE(entries(ours), entries(theirs));
    QCOMPARE(entries(ours).size(), 3);
    for (const QString &variant : entries(theirs)) {
        for (const char *name : {"/problem.prb", "/answer.ans"}) {
            const QString file = QLatin1Char('/') + variant + QLatin1String(name);
            QCOMPARE(file_bytes(ours + file), file_bytes(theirs + file));
        }
    }
    QVERIFY(on<QLabel>("status")->text().contains(QStringLiteral("20261208")));
}

void TestToolsWindow::variants_never_replace_papers_unasked_data()
{
    import_never_replaces_a_paper_unasked_data();
}

// A卷 of an earlier round stands in the target: replaced only when the
// teacher says so.
void TestToolsWindow::variants_never_replace_papers_unasked()
{
    QFETCH(bool, replace);
    QDialog *dialog = open_variants_dialog(dir_->filePath(QStringLiteral("期中")));
    QVERIFY(dialog);
    const QString target = dir_->filePath(QStringLiteral("AB"));
    const QString earlier = target + QStringLiteral("/A卷");
    QVERIFY(write_paper(earlier, kFaultyProblem, kFaultyAnswer));
    dialog->findChild<QLineEdit *>("variant_target")->setText(target);
    platform::testing::queue_answer(replace);
    dialog->findChild<QPushButton *>("variant_ok")->click();
    QVERIFY(wait_idle());
    const QList<ShownDialog> shown = platform::testing::shown_dialogs();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, ShownDialog::Kind::Question);
    QCOMPARE(file_bytes(earlier + "/problem.prb") == kFaultyProblem, !replace);
    QCOMPARE(QFileInfo::exists(target + QStringLiteral("/B卷")), replace);
}

// The paper's files went between opening the folder and making A/B papers.
void TestToolsWindow::variants_of_a_paper_gone_since_say_why_and_write_nothing_data()
{
    QTest::addColumn<QByteArray>("problem"); // empty: removed once the dialog shows
    QTest::addColumn<QString>("why");
    QTest::newRow("problem.prb gone") << QByteArray() << "problem.prb";
    QTest::newRow("no questions") << QByteArray("0 0 0\r\n") << "没有题目";
}

void TestToolsWindow::variants_of_a_paper_gone_since_say_why_and_write_nothing()
{
    QFETCH(QByteArray, problem);
    QFETCH(QString, why);
    const QString paper = dir_->filePath(QStringLiteral("期中"));
    QVERIFY(write_paper(paper, problem.isEmpty() ? kSoundProblem : problem,
                        problem.isEmpty() ? kSoundAnswer : QByteArray()));
    window_->open_path(paper);
    on<QPushButton>("make_variants")->click();
    auto *dialog = window_->findChild<QDialog *>(QStringLiteral("variants_dialog"));
    QVERIFY(dialog);
    if (problem.isEmpty())
        QVERIFY(QFile::remove(paper + QStringLiteral("/problem.prb")));
    const QString target = dir_->filePath(QStringLiteral("AB"));
    dialog->findChild<QLineEdit *>("variant_target")->setText(target);
    dialog->findChild<QPushButton *>("variant_ok")->click();
    QVERIFY(wait_idle());
    const QList<ShownDialog> shown = platform::testing::shown_dialogs();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, ShownDialog::Kind::Message);
    QVERIFY2(shown[0].text.contains(why), qPrintable(shown[0].text));
    QVERIFY(!QFileInfo::exists(target));
    QVERIFY(on<QLabel>("status")->text().isEmpty());
}

// A note longer than its column wraps there, and its row grows to show it.
void TestToolsWindow::a_long_note_wraps_on_its_own_row()
{
    window_->open_path(source_file("questions-libreoffice.docx"));
    QVERIFY(wait_idle());
    auto *table = on<QTableWidget>("preview");
    QVERIFY(table->rowCount() >= 2);
    QVERIFY(!table->item(1, 7)->text().isEmpty() && table->item(0, 7)->text().isEmpty());
    QVERIFY2(table->rowHeight(1) > table->rowHeight(0),
             qPrintable(QStringLiteral("%1 %2").arg(table->rowHeight(1)).arg(table->rowHeight(0))));
}

// The columns fill the view to the pixel, so a note is read whole without
// scrolling sideways: the first words take the room the others leave, all
// but the notes' 200 pixels, up to 240, and the notes take the rest.
void TestToolsWindow::the_columns_fill_the_preview_without_scrolling_data()
{
    QTest::addColumn<int>("width"); // the window's
    QTest::newRow("as it opens") << 0;
    QTest::newRow("wide") << 1400;
}

void TestToolsWindow::the_columns_fill_the_preview_without_scrolling()
{
    QFETCH(int, width);
    if (width > 0)
        window_->resize(width, window_->height());
    window_->open_path(source_file("questions-libreoffice.docx"));
    QVERIFY(wait_idle());
    auto *table = on<QTableWidget>("preview");
    int widths = 0;
    for (int c = 0; c < table->columnCount(); ++c)
        widths += table->columnWidth(c);
    QCOMPARE(widths, table->viewport()->width());
    int needed = 0;
    for (int r = 0; r < table->rowCount(); ++r)
        needed =
            std::max(needed, table->fontMetrics().horizontalAdvance(table->item(r, 5)->text()));
    QVERIFY2(needed > 240, qPrintable(QString::number(needed)));
    const int room = table->columnWidth(5) + table->columnWidth(7);
    QVERIFY2(room >= 320, qPrintable(QString::number(room)));
    QCOMPARE(table->columnWidth(5), std::min(240, room - 200));
}

void TestToolsWindow::cancelled_work_leaves_nothing_behind_data()
{
    QTest::addColumn<QString>("work");
    QTest::addColumn<bool>("close"); // the window closed instead of 取消
    QTest::newRow("an import") << "import" << false;
    QTest::newRow("a Word paper") << "save_word" << false;
    QTest::newRow("an import, the window closed") << "import" << true;
}

void TestToolsWindow::cancelled_work_leaves_nothing_behind()
{
    QFETCH(QString, work);
    QFETCH(bool, close);
    const QString path = dir_->filePath(QStringLiteral("题库.txt"));
    QVERIFY(write_file(path, long_text_file(200)));
    const QString paper = dir_->filePath(QStringLiteral("大卷"));
    QCOMPARE(run_tool({"import", path, "-o", paper}).status, kDone);
    if (work == QLatin1String("import")) {
        window_->open_path(path);
        QVERIFY(wait_idle());
    } else {
        window_->open_path(paper);
        // What the last work said goes when the next begins.
        platform::testing::queue_path(dir_->filePath(QStringLiteral("大卷.html")));
        on<QPushButton>("save_html")->click();
        QVERIFY(wait_idle());
        QVERIFY(!on<QLabel>("status")->text().isEmpty());
    }
    const QStringList before = entries(dir_->path());
    // The work is held at its first step until the progress shows, then at
    // its fiftieth until the teacher has cancelled: as a long import or
    // export would be, whatever the machine's pace.
    QSemaphore shown_then, cancelled;
    std::atomic<int> steps{0};
    work_testing::set_step_hook([&] {
        const int step = ++steps;
        if (step == 1)
            shown_then.tryAcquire(1, kChildPatienceMs);
        else if (step == kHeldAt)
            cancelled.tryAcquire(1, kChildPatienceMs);
    });
    if (work == QLatin1String("import")) {
        on<QLineEdit>("import_target")->setText(dir_->filePath(QStringLiteral("新卷")));
        on<QPushButton>("import")->click();
    } else {
        platform::testing::queue_path(dir_->filePath(QStringLiteral("大卷.docx")));
        on<QPushButton>("save_word")->click();
    }
    // The progress shows once the work has taken half a second.
    auto *cancel = on<QPushButton>("work_cancel");
    const bool shown = wait_until([cancel] { return cancel->isVisible(); }, kChildPatienceMs);
    // Only 取消 takes input: the files the work reads and writes must not
    // change under it.
    QStringList taking_input;
    for (QWidget *widget : window_->findChildren<QWidget *>()) {
        if (widget != cancel && widget->isVisible() && widget->isEnabled() &&
            (qobject_cast<QAbstractButton *>(widget) || qobject_cast<QLineEdit *>(widget) ||
             qobject_cast<QAbstractSpinBox *>(widget)))
            taking_input.append(widget->objectName());
    }
    const bool takes_drops = window_->acceptDrops();
    const QString status_while = on<QLabel>("status")->text();
    shown_then.release();
    // The bar follows the work while it runs.
    auto *bar = on<QProgressBar>("work_progress");
    const bool followed =
        wait_until([bar] { return bar->value() == kHeldAt - 1; }, kChildPatienceMs);
    QSignalSpy finished(on<WorkRunner>("work"), &WorkRunner::finished);
    if (shown && close)
        window_->close();
    else if (shown)
        QTest::mouseClick(cancel, Qt::LeftButton);
    cancelled.release();
    QVERIFY(wait_idle());
    work_testing::set_step_hook({});
    QVERIFY(shown);
    QCOMPARE(taking_input, QStringList());
    QVERIFY(!takes_drops);
    QCOMPARE(status_while, QString());
    QVERIFY2(followed, qPrintable(QString::number(bar->value())));
    QVERIFY(on<QLabel>("work_label")
                ->text()
                .startsWith(QStringLiteral("正在处理：%1 / ").arg(kHeldAt - 1)));
    // Cancelled is neither done nor out of memory: nothing is said but that.
    for (const ShownDialog &dialog : platform::testing::shown_dialogs())
        QVERIFY2(dialog.kind != ShownDialog::Kind::Message, qPrintable(dialog.text));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished[0][0].toBool(), true);
    QCOMPARE(entries(dir_->path()), before);
    QCOMPARE(on<QLabel>("status")->text(), QStringLiteral("已取消，没有写出任何文件。"));
    QVERIFY(on<QPushButton>("open_paper")->isEnabled());
    QVERIFY(on<QPushButton>("open_questions")->isEnabled());
    QVERIFY(window_->acceptDrops());
    QCOMPARE(window_->isVisible(), !close);
}

// The first local file or folder of a drop opens; a drop with none is refused.
void TestToolsWindow::dropping_a_folder_or_a_file_opens_it_data()
{
    QTest::addColumn<QStringList>("dropped"); // "paper", "file" or "web"
    QTest::addColumn<QString>("view");        // empty: refused
    QTest::newRow("a paper folder") << QStringList{"paper"} << "paper_view";
    QTest::newRow("a question file") << QStringList{"file"} << "import_view";
    QTest::newRow("a file, then a folder") << QStringList{"file", "paper"} << "import_view";
    QTest::newRow("a web address, then a folder") << QStringList{"web", "paper"} << "paper_view";
    QTest::newRow("a web address alone") << QStringList{"web"} << QString();
    QTest::newRow("text alone") << QStringList{} << QString();
}

void TestToolsWindow::dropping_a_folder_or_a_file_opens_it()
{
    QFETCH(QStringList, dropped);
    QFETCH(QString, view);
    const QString paper = dir_->filePath(QStringLiteral("期中"));
    QVERIFY(write_paper(paper, kSoundProblem, kSoundAnswer));
    const QString file = dir_->filePath(QStringLiteral("题库.txt"));
    QVERIFY(write_file(file, kText));
    QMimeData data;
    data.setText(QStringLiteral("期中"));
    QList<QUrl> urls;
    for (const QString &item : dropped)
        urls.append(item == QLatin1String("web")
                        ? QUrl(QStringLiteral("https://example.com/a.txt"))
                        : QUrl::fromLocalFile(item == QLatin1String("paper") ? paper : file));
    if (!urls.isEmpty())
        data.setUrls(urls);
    QVERIFY(window_->acceptDrops());
    const QPoint at = window_->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_.get(), &enter);
    QCOMPARE(enter.isAccepted(), !view.isEmpty());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_.get(), &drop);
    QVERIFY(wait_idle());
    QCOMPARE(on<QStackedWidget>("views")->currentWidget()->objectName(),
             view.isEmpty() ? QStringLiteral("start") : view);
    QCOMPARE(platform::testing::shown_dialogs().size(), 0);
    if (view.isEmpty())
        return;
    const bool folder = view == QLatin1String("paper_view");
    const QString heading =
        folder ? on<QLabel>("paper_heading")->text() : on<QLabel>("questions_heading")->text();
    QVERIFY2(heading.endsWith(QDir::toNativeSeparators(folder ? paper : file)),
             qPrintable(heading));
    if (folder)
        QCOMPARE(on<QLabel>("paper_total")->text(), QStringLiteral("试卷总分确认：16.00 分"));
    else
        QCOMPARE(on<QTableWidget>("preview")->rowCount(), 5);
}

QDialog *TestToolsWindow::open_variants_dialog(const QString &paper)
{
    if (!write_paper(paper, kSoundProblem, kSoundAnswer))
        return nullptr;
    window_->open_path(paper);
    on<QPushButton>("make_variants")->click();
    return window_->findChild<QDialog *>(QStringLiteral("variants_dialog"));
}

// The bar and its 取消 stand in the window only while work runs.
void TestToolsWindow::no_progress_shows_until_work_runs()
{
    auto *work = on<WorkRunner>("work");
    QVERIFY(window_->isVisible());
    QVERIFY(!work->isVisible());
    const QString path = preview_text_questions();
    QVERIFY(!path.isEmpty());
    QVERIFY(!work->isVisible());
}

// A target cleared, or of spaces only, is no folder: nothing is asked and
// nothing written, not even into the program's working folder.
void TestToolsWindow::an_empty_target_writes_nothing_data()
{
    QTest::addColumn<bool>("variants");
    QTest::addColumn<QString>("target");
    QTest::newRow("import, cleared") << false << "";
    QTest::newRow("import, spaces") << false << "   ";
    QTest::newRow("A/B papers, cleared") << true << "";
    QTest::newRow("A/B papers, spaces") << true << "  ";
}

void TestToolsWindow::an_empty_target_writes_nothing()
{
    QFETCH(bool, variants);
    QFETCH(QString, target);
    const QString working = dir_->filePath(QStringLiteral("工作"));
    QVERIFY(QDir().mkpath(working));
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(working));
    if (variants) {
        QDialog *dialog = open_variants_dialog(dir_->filePath(QStringLiteral("期中")));
        QVERIFY(dialog);
        dialog->findChild<QLineEdit *>("variant_target")->setText(target);
        dialog->findChild<QPushButton *>("variant_ok")->click();
    } else {
        QVERIFY(!preview_text_questions().isEmpty());
        on<QLineEdit>("import_target")->setText(target);
        on<QPushButton>("import")->click();
    }
    QVERIFY(wait_idle());
    const QStringList left = entries(working);
    QVERIFY(QDir::setCurrent(before));
    QCOMPARE(left, QStringList());
    QCOMPARE(platform::testing::shown_dialogs().size(), 0);
    QVERIFY(on<QLabel>("status")->text().isEmpty());
}

void TestToolsWindow::a_cancelled_folder_choice_keeps_the_target_data()
{
    QTest::addColumn<bool>("variants");
    QTest::addColumn<bool>("chosen");
    QTest::newRow("import, cancelled") << false << false;
    QTest::newRow("import, chosen") << false << true;
    QTest::newRow("A/B papers, cancelled") << true << false;
    QTest::newRow("A/B papers, chosen") << true << true;
}

void TestToolsWindow::a_cancelled_folder_choice_keeps_the_target()
{
    QFETCH(bool, variants);
    QFETCH(bool, chosen);
    QLineEdit *target = nullptr;
    QPushButton *change = nullptr;
    if (variants) {
        QDialog *dialog = open_variants_dialog(dir_->filePath(QStringLiteral("期中")));
        QVERIFY(dialog);
        target = dialog->findChild<QLineEdit *>("variant_target");
        change = dialog->findChild<QPushButton *>("variant_change_target");
    } else {
        QVERIFY(!preview_text_questions().isEmpty());
        target = on<QLineEdit>("import_target");
        change = on<QPushButton>("import_change_target");
    }
    QVERIFY(target && change);
    const QString suggested = target->text();
    QVERIFY(!suggested.isEmpty());
    const QString other = dir_->filePath(QStringLiteral("别处"));
    if (chosen)
        platform::testing::queue_folder(other);
    else
        platform::testing::queue_folder_cancel();
    change->click();
    QCOMPARE(target->text(), chosen ? QDir::toNativeSeparators(other) : suggested);
}

void TestToolsWindow::a_question_file_gone_since_its_preview_says_why_on_import()
{
    const QString path = preview_text_questions();
    QVERIFY(!path.isEmpty());
    QVERIFY(QFile::remove(path));
    on<QPushButton>("import")->click();
    QVERIFY(wait_idle());
    const QList<ShownDialog> shown = platform::testing::shown_dialogs();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, ShownDialog::Kind::Message);
    QVERIFY2(shown[0].text.contains(QStringLiteral("无法读取")) &&
                 shown[0].text.contains(QDir::toNativeSeparators(path)),
             qPrintable(shown[0].text));
    QVERIFY(!QFileInfo::exists(dir_->filePath(QStringLiteral("题库"))));
    QCOMPARE(on<QStackedWidget>("views")->currentWidget()->objectName(),
             QStringLiteral("import_view"));
}

// A named pipe is no file to read (and opening one would block): said in
// the notes, with no rows and nothing to import.
void TestToolsWindow::a_question_file_that_does_not_read_shows_why_and_no_rows()
{
#ifndef Q_OS_UNIX
    QSKIP("named pipes are made the POSIX way");
#else
    const QString pipe = dir_->filePath(QStringLiteral("题库.txt"));
    QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
    window_->open_path(pipe);
    QVERIFY(wait_idle());
    const QString notes = on<QLabel>("file_notes")->text();
    QVERIFY2(notes.contains(QStringLiteral("命名管道")) &&
                 !notes.contains(tools_text::nothing_to_import()),
             qPrintable(notes));
    QCOMPARE(on<QTableWidget>("preview")->rowCount(), 0);
    QVERIFY(!on<QPushButton>("import")->isEnabled());
#endif
}

// Saved over a folder of the same name: the teacher is told, and no status
// line claims the file was written.
void TestToolsWindow::a_file_that_cannot_be_saved_says_why_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("file");
    QTest::newRow("Word") << "save_word"
                          << "卷.docx";
    QTest::newRow("GIFT") << "export_gift"
                          << "卷.gift";
}

void TestToolsWindow::a_file_that_cannot_be_saved_says_why()
{
    QFETCH(QString, control);
    QFETCH(QString, file);
    const QString paper = open_sound_paper();
    QVERIFY(!paper.isEmpty());
    const QString in_the_way = dir_->filePath(file);
    QVERIFY(QDir().mkpath(in_the_way));
    platform::testing::queue_path(in_the_way);
    if (auto *action = window_->findChild<QAction *>(control))
        action->trigger();
    else
        on<QPushButton>(qPrintable(control))->click();
    QVERIFY(wait_idle());
    const QList<ShownDialog> shown = platform::testing::shown_dialogs();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[1].kind, ShownDialog::Kind::Message);
    QVERIFY2(shown[1].text.contains(file), qPrintable(shown[1].text));
    QVERIFY(QFileInfo(in_the_way).isDir());
    QVERIFY(on<QLabel>("status")->text().isEmpty());
}

// The fonts are chosen once a process starts: this test runs itself again
// in a child that fontconfig finds no font for, and checks there.
void TestToolsWindow::a_pdf_without_a_chinese_font_says_so_and_writes_nothing()
{
#ifndef Q_OS_UNIX
    QSKIP("the fonts are chosen by fontconfig on Linux only");
#endif
    const char *const child_flag = "QV_TEST_WITHOUT_FONTS";
    if (!qEnvironmentVariableIsSet(child_flag)) {
        QTemporaryDir fonts;
        QVERIFY(QDir().mkpath(fonts.filePath("fonts")));
        QVERIFY(write_file(fonts.filePath("fonts.conf"),
                           "<?xml version=\"1.0\"?>\n<fontconfig><dir>" +
                               fonts.filePath("fonts").toUtf8() + "</dir><cachedir>" +
                               fonts.filePath("cache").toUtf8() + "</cachedir></fontconfig>\n"));
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("FONTCONFIG_FILE", fonts.filePath("fonts.conf"));
        environment.insert(child_flag, "1");
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {"a_pdf_without_a_chinese_font_says_so_and_writes_nothing"});
        QVERIFY(child.waitForFinished(kChildPatienceMs));
        const QString told = QString::fromUtf8(child.readAll());
        QVERIFY2(child.exitCode() == 0 && told.contains(QLatin1String("Totals: 3 passed")),
                 qPrintable(told));
        return;
    }
    const QString paper = open_sound_paper();
    QVERIFY(!paper.isEmpty());
    const QString pdf = dir_->filePath(QStringLiteral("卷.pdf"));
    platform::testing::queue_path(pdf);
    on<QPushButton>("save_pdf")->click();
    QVERIFY(wait_idle());
    const QList<ShownDialog> shown = platform::testing::shown_dialogs();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[1].kind, ShownDialog::Kind::Message);
    QVERIFY2(shown[1].text.contains(QStringLiteral("fonts-noto-cjk")) &&
                 shown[1].text.contains(QStringLiteral("HTML")),
             qPrintable(shown[1].text));
    QVERIFY(!QFileInfo::exists(pdf));
    QVERIFY(on<QLabel>("status")->text().isEmpty());
}

// Its one click shows GIFT and Moodle XML; no press held long is needed.
void TestToolsWindow::the_platforms_button_opens_its_menu_at_a_click()
{
    const QString paper = open_sound_paper();
    QVERIFY(!paper.isEmpty());
    auto *button = on<QToolButton>("export_platform");
    QStringList shown;
    // The menu runs an event loop of its own while it is open.
    QTimer::singleShot(0, [&shown] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            for (QAction *action : menu->actions())
                shown << action->objectName();
            menu->close();
        }
    });
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(shown, (QStringList{"export_gift", "export_moodle"}));
}

// Every button, box and field of a view can be reached: none lies on another.
void TestToolsWindow::no_control_covers_another_data()
{
    QTest::addColumn<bool>("paper");
    QTest::newRow("paper view") << true;
    QTest::newRow("question-file view") << false;
}

void TestToolsWindow::no_control_covers_another()
{
    QFETCH(bool, paper);
    if (paper) {
        QVERIFY(!open_sound_paper().isEmpty());
    } else {
        QVERIFY(!preview_text_questions().isEmpty());
    }
    QVERIFY(wait_idle());
    QWidget *view = on<QStackedWidget>("views")->currentWidget();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    // The controls, and whatever else the view lays out: its headings,
    // lists and tables.
    QList<QWidget *> controls;
    for (QWidget *widget : view->findChildren<QWidget *>()) {
        if (widget->isVisible() &&
            (widget->parentWidget() == view || qobject_cast<QAbstractButton *>(widget) ||
             qobject_cast<QLineEdit *>(widget) || qobject_cast<QAbstractSpinBox *>(widget)))
            controls << widget;
    }
    QVERIFY(controls.size() >= (paper ? 9 : 5));
    for (int i = 0; i < controls.size(); ++i) {
        const QRect a(controls[i]->mapTo(window_.get(), QPoint()), controls[i]->size());
        for (int j = i + 1; j < controls.size(); ++j) {
            if (controls[i]->isAncestorOf(controls[j]) || controls[j]->isAncestorOf(controls[i]))
                continue;
            const QRect b(controls[j]->mapTo(window_.get(), QPoint()), controls[j]->size());
            QVERIFY2(!a.intersects(b), qPrintable(controls[i]->objectName() + QLatin1String(" / ") +
                                                  controls[j]->objectName()));
        }
    }
}

// How many A/B papers: one at the least, 26 (A to Z) at the most.
void TestToolsWindow::variants_number_from_one_to_twenty_six_data()
{
    QTest::addColumn<int>("asked");
    QTest::addColumn<int>("taken");
    QTest::newRow("0") << 0 << 1;
    QTest::newRow("1") << 1 << 1;
    QTest::newRow("26") << 26 << 26;
    QTest::newRow("27") << 27 << 26;
}

void TestToolsWindow::variants_number_from_one_to_twenty_six()
{
    QFETCH(int, asked);
    QFETCH(int, taken);
    QDialog *dialog = open_variants_dialog(dir_->filePath(QStringLiteral("期中")));
    QVERIFY(dialog);
    auto *count = dialog->findChild<QSpinBox *>("variant_count");
    count->setValue(asked);
    QCOMPARE(count->value(), taken);
}

// Everything the teacher reads, where it is read: each label beside its field,
// every text in Chinese, the outputs in the order they are used.
void TestToolsWindow::each_screen_reads_in_order_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QStringList>("lines");
    const QString tools = QStringLiteral("[打开试卷文件夹…] | [打开题目文件…]");
    const QStringList questions{
        "试卷工具",
        tools,
        "题目文件：…/题库.txt",
        "类型/题号/答案/分值/部分得分/题目/位置/说明",
        "单选题数量：3  多选题数量：1  非选择题数量：1",
        "试卷总分确认：5.00 分",
        "文件没有给出分数的题目： | 单选 | <1.00> | 多选 | <1.00> | 非选择 | <1.00>",
        "新试卷的文件夹： | <…/题库> | [更改…] | [导入]"};
    QTest::newRow("start") << "start"
                           << QStringList{"试卷工具", tools,
                                          "把试卷文件夹或题目文件（Word、Excel、CSV、文本、GIFT、"
                                          "Moodle XML）拖到这里，\n或者用上面的按钮打开。"};
    QTest::newRow("questions") << "questions" << questions;
    QStringList working = questions;
    working[7] = QStringLiteral("新试卷的文件夹： | <…/新卷> | [更改…] | [导入]");
    working << QStringLiteral("正在处理：0 / 18 | [取消]");
    QTest::newRow("while work runs") << "work" << working;
    QTest::newRow("paper") << "paper"
                           << QStringList{
                                  "试卷工具",
                                  tools,
                                  "试卷：…/期中",
                                  "位置/需要改正的地方",
                                  "单选题数量：1  多选题数量：1  非选择题数量：1",
                                  "试卷总分确认：16.00 分",
                                  "[ ] 附参考答案",
                                  "[打印] | [另存为 Word…] | [另存为 PDF…] | [另存为 HTML…]",
                                  "[另存为 Excel…] | [导出到学习平台] | [A/B 卷…] | [重新检查]"};
    QTest::newRow("A/B papers")
        << "variants"
        << QStringList{"A/B 卷",
                       "份数： | <2>",
                       "种子： | <#>",
                       "同一个种子在任何电脑上都做出同样的几份；记下它，需要时可以再做一次。",
                       "放到文件夹： | <…/期中-AB卷> | [更改…]",
                       "[确定] | [取消]"};
}

void TestToolsWindow::each_screen_reads_in_order()
{
    QFETCH(QString, screen);
    QFETCH(QStringList, lines);
    QWidget *top = window_.get();
    QSemaphore held;
    if (screen == QLatin1String("questions") || screen == QLatin1String("work")) {
        QVERIFY(!preview_text_questions().isEmpty());
    } else if (screen == QLatin1String("paper")) {
        QVERIFY(!open_sound_paper().isEmpty());
        QVERIFY(wait_idle());
    } else if (screen == QLatin1String("variants")) {
        top = open_variants_dialog(dir_->filePath(QStringLiteral("期中")));
        QVERIFY(top);
    }
    if (screen == QLatin1String("work")) {
        // Held at its first step while the screen is read.
        work_testing::set_step_hook([&held] { held.tryAcquire(1, kChildPatienceMs); });
        on<QLineEdit>("import_target")->setText(dir_->filePath(QStringLiteral("新卷")));
        on<QPushButton>("import")->click();
        auto *cancel = on<QPushButton>("work_cancel");
        QVERIFY(wait_until([cancel] { return cancel->isVisible(); }, kChildPatienceMs));
    }
    QVERIFY(QTest::qWaitForWindowExposed(top));
    const QStringList read = screen_lines(top, dir_->path());
    // Every button has the room its text needs; the paper's outputs share
    // their rows evenly.
    QStringList cramped;
    QList<int> output_widths;
    for (QAbstractButton *button : top->findChildren<QAbstractButton *>()) {
        if (button->isVisibleTo(top) && button->width() < button->sizeHint().width())
            cramped.append(button->text());
        if (button->isVisibleTo(top) && button->parentWidget()->objectName() == "paper_view" &&
            !qobject_cast<QCheckBox *>(button))
            output_widths.append(button->width());
    }
    if (screen == QLatin1String("work")) {
        held.release(1000);
        QVERIFY(wait_idle());
        work_testing::set_step_hook({});
    }
    QCOMPARE(read, lines);
    QCOMPARE(cramped, QStringList());
    QCOMPARE(output_widths.size(), screen == QLatin1String("paper") ? 8 : 0);
    if (!output_widths.isEmpty()) {
        std::sort(output_widths.begin(), output_widths.end());
        QVERIFY2(
            output_widths.last() - output_widths.first() <= 1,
            qPrintable(
                QStringLiteral("%1 to %2").arg(output_widths.first()).arg(output_widths.last())));
    }
}

// The bar counts in ints, the work in 64 bits: beyond an int's reach the bar
// still shows the share done, never an overflowed or empty bar.
void TestToolsWindow::the_bar_shows_the_share_done_at_any_count_data()
{
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QString>("line");
    QTest::newRow("none of one") << qint64(0) << qint64(1) << "正在处理：0 / 1";
    QTest::newRow("one of one") << qint64(1) << qint64(1) << "正在处理：1 / 1";
    QTest::newRow("some of many") << qint64(3) << qint64(20000) << "正在处理：3 / 20000";
    QTest::newRow("more done than counted") << qint64(7) << qint64(5) << "正在处理：5 / 5";
    QTest::newRow("half of five billion")
        << qint64(2500000000) << qint64(5000000000) << "正在处理：2500000000 / 5000000000";
    QTest::newRow("all of three billion")
        << qint64(3000000000) << qint64(3000000000) << "正在处理：3000000000 / 3000000000";
}

void TestToolsWindow::the_bar_shows_the_share_done_at_any_count()
{
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(QString, line);
    auto *work = on<WorkRunner>("work");
    auto *bar = on<QProgressBar>("work_progress");
    QSemaphore held;
    work->run<int>(
        [&held, done, total] {
            work_total(total);
            work_step(done);
            held.tryAcquire(1, kChildPatienceMs);
            return 0;
        },
        [](const int &) {});
    auto *label = on<QLabel>("work_label");
    const bool shown =
        wait_until([label, line] { return label->text() == line; }, kChildPatienceMs);
    const int minimum = bar->minimum(), maximum = bar->maximum(), value = bar->value();
    held.release();
    QVERIFY(wait_idle());
    QVERIFY2(shown, qPrintable(label->text()));
    QCOMPARE(minimum, 0);
    QVERIFY2(maximum > 0, qPrintable(QString::number(maximum)));
    const double share = double(std::min(done, total)) / double(total);
    QVERIFY2(std::abs(double(value) / maximum - share) <= 1.0 / maximum,
             qPrintable(QStringLiteral("%1 of %2").arg(value).arg(maximum)));
}

// Typed as a teacher types them, from 0 to 10000 in hundredths as on the
// question pages; every key counts, however long the preview of the one
// before takes.
void TestToolsWindow::scores_typed_are_the_scores_previewed_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("score");
    QTest::addColumn<QString>("cell");
    QTest::newRow("0") << "0" << 0.0 << "0";
    QTest::newRow("hundredths") << "0.25" << 0.25 << "0.25";
    QTest::newRow("no thousandths") << "0.125" << 0.12 << "0.12";
    QTest::newRow("two keys") << "25" << 25.0 << "25";
    QTest::newRow("10000") << "10000" << 10000.0 << "10000";
    QTest::newRow("past 10000") << "10000.5" << 10000.0 << "10000";
}

void TestToolsWindow::scores_typed_are_the_scores_previewed()
{
    QFETCH(QString, typed);
    QFETCH(double, score);
    QFETCH(QString, cell);
    const QString path = preview_text_questions();
    QVERIFY(!path.isEmpty());
    auto *box = on<QDoubleSpinBox>("score_single");
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, typed);
    QTest::keyClick(box, Qt::Key_Return);
    QVERIFY(wait_idle());
    QCOMPARE(box->value(), score);
    QCOMPARE(on<QTableWidget>("preview")->item(0, 3)->text(), cell);
}

// The preview shows what the import will take; a cell edited there would
// change nothing, so none can be.
void TestToolsWindow::preview_rows_are_read_not_edited()
{
    const QString path = preview_text_questions();
    QVERIFY(!path.isEmpty());
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    auto *table = on<QTableWidget>("preview");
    const QPoint words = table->visualItemRect(table->item(1, 5)).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, words);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, words);
    QTest::keyClick(table, Qt::Key_F2);
    QTest::keyClicks(table, QStringLiteral("x"));
    QVERIFY(table->viewport()->findChildren<QLineEdit *>().isEmpty());
    QCOMPARE(table_rows(), output_lines(run_tool({"import", path, "--preview"}).out).mid(1, 5));
}

// A name is shown as the teacher typed it, never taken as markup.
void TestToolsWindow::names_with_markup_show_as_typed_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // empty: a paper folder
    QTest::newRow("paper folder") << "<b>期中" << QByteArray();
    QTest::newRow("question file, then its paper") << "<b>题库.txt" << kText;
    QTest::newRow("question file that does not read") << "<b>题库.docx" << QByteArray("<i>");
    QTest::newRow("a column it leaves out")
        << "题库.csv"
        << QByteArray("题型,题干,选项A,选项B,正确答案,<b>备注\n单选题,1+1=?,2,3,A,x\n");
}

void TestToolsWindow::names_with_markup_show_as_typed()
{
#ifdef Q_OS_WIN
    QSKIP("Windows takes no < or > in a name");
#endif
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    const QString path = dir_->filePath(name);
    if (content.isEmpty())
        QVERIFY(write_paper(path, kSoundProblem, kSoundAnswer));
    else
        QVERIFY(write_file(path, content));
    window_->open_path(path);
    QVERIFY(wait_idle());
    if (content == kText) {
        on<QLineEdit>("import_target")->setText(dir_->filePath(QStringLiteral("<i>新卷")));
        on<QPushButton>("import")->click();
        QVERIFY(wait_idle());
    }
    int named = 0;
    for (QLabel *label : window_->findChildren<QLabel *>()) {
        if (!label->isVisible() ||
            !label->text().contains(QRegularExpression(QStringLiteral("<[bi]>"))))
            continue;
        ++named;
        const bool literal =
            label->textFormat() == Qt::PlainText ||
            (label->textFormat() == Qt::AutoText && !Qt::mightBeRichText(label->text()));
        QVERIFY2(literal, qPrintable(label->objectName() + ": " + label->text()));
    }
    QCOMPARE(named, content == kText ? 2 : 1);
}

// The seed takes digits, as many as a 64-bit seed has; 确定 waits for a seed
// that makes papers and a folder to put them in.
void TestToolsWindow::variants_are_made_only_from_a_seed_and_a_folder_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("target"); // empty: the one proposed
    QTest::addColumn<QString>("seed");
    QTest::addColumn<bool>("ok");
    QTest::newRow("a seed") << "20261208" << QString() << "20261208" << true;
    QTest::newRow("letters are not taken") << "12ab34" << QString() << "1234" << true;
    QTest::newRow("the largest seed")
        << "18446744073709551615" << QString() << "18446744073709551615" << true;
    QTest::newRow("one past it") << "18446744073709551616" << QString() << "18446744073709551616"
                                 << false;
    QTest::newRow("twenty digits at most")
        << "123456789012345678901" << QString() << "12345678901234567890" << true;
    QTest::newRow("no seed") << "" << QString() << "" << false;
    QTest::newRow("no folder") << "7"
                               << "   "
                               << "7" << false;
}

void TestToolsWindow::variants_are_made_only_from_a_seed_and_a_folder()
{
    QFETCH(QString, typed);
    QFETCH(QString, target);
    QFETCH(QString, seed);
    QFETCH(bool, ok);
    QDialog *dialog = open_variants_dialog(dir_->filePath(QStringLiteral("期中")));
    QVERIFY(dialog);
    auto *field = dialog->findChild<QLineEdit *>("variant_seed");
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, typed);
    if (!target.isEmpty())
        dialog->findChild<QLineEdit *>("variant_target")->setText(target);
    QCOMPARE(field->text(), seed);
    QCOMPARE(dialog->findChild<QPushButton *>("variant_ok")->isEnabled(), ok);
}

// A target inside a file cannot be made: the teacher is told why, and the
// questions stay on screen to be imported elsewhere.
void TestToolsWindow::an_import_that_cannot_be_written_says_why_and_stays()
{
    const QString path = preview_text_questions();
    QVERIFY(!path.isEmpty());
    on<QLineEdit>("import_target")->setText(path + QStringLiteral("/新卷"));
    on<QPushButton>("import")->click();
    QVERIFY(wait_idle());
    const QList<ShownDialog> shown = platform::testing::shown_dialogs();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, ShownDialog::Kind::Message);
    QVERIFY2(shown[0].text.contains(QStringLiteral("新卷")), qPrintable(shown[0].text));
    QCOMPARE(on<QStackedWidget>("views")->currentWidget()->objectName(),
             QStringLiteral("import_view"));
    QCOMPARE(on<QLabel>("status")->text(), QString());
    QCOMPARE(entries(dir_->path()), QStringList{"题库.txt"});
}

void TestToolsWindow::a_paper_that_does_not_read_shows_why_and_nothing_else()
{
    const QString paper = dir_->filePath(QStringLiteral("坏卷"));
    QVERIFY(write_paper(paper, "1 0 0\n2\n@q", "1")); // the text never closed
    platform::testing::queue_folder(paper);
    on<QPushButton>("open_paper")->click();
    QVERIFY(wait_idle());
    const QStringList shown = finding_lines();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].contains(QStringLiteral("problem.prb")), qPrintable(shown[0]));
    QCOMPARE(run_tool({"check", paper}).status, 2);
}

// The pair may be mixed: it is not read, and what qv_paper check says is
// all the view shows.
void TestToolsWindow::a_paper_whose_save_was_cut_short_shows_that_alone()
{
    const QString paper = dir_->filePath(QStringLiteral("期中"));
    QVERIFY(write_paper(paper, kSoundProblem, kSoundAnswer));
    QVERIFY(write_file(paper + QStringLiteral("/.qv_make-save"), "not a record of ours\n"));
    window_->open_path(paper);
    QVERIFY(wait_idle());
    const Run printed = run_tool({"check", paper});
    QCOMPARE(printed.status, kAttention);
    QCOMPARE(finding_lines(), output_lines(printed.out));
    QVERIFY(finding_lines()[0].contains(QStringLiteral("上次保存被中断")));
    QVERIFY(on<QLabel>("paper_counts")->text().isEmpty());
    QVERIFY(on<QLabel>("paper_total")->text().isEmpty());
}

void TestToolsWindow::progress_names_done_of_all_from_one_step_on_data()
{
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QString>("line");
    QTest::newRow("no total yet") << qint64(0) << qint64(0) << "正在处理…";
    QTest::newRow("none of one") << qint64(0) << qint64(1) << "正在处理：0 / 1";
    QTest::newRow("one of one") << qint64(1) << qint64(1) << "正在处理：1 / 1";
    QTest::newRow("some of many") << qint64(3) << qint64(20000) << "正在处理：3 / 20000";
}

void TestToolsWindow::progress_names_done_of_all_from_one_step_on()
{
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(QString, line);
    QCOMPARE(tools_text::working(done, total), line);
}

QTEST_MAIN(TestToolsWindow)
#include "test_tools_window.moc"
