// The paper commands end to end through the real window: new, open, save and
// close, and the guards that keep a teacher's work from being lost.

#include "tests/test_support.h"
#include "tests/window_fixture.h"

#include "paper/paper_commands.h"
#include "paper/paper_messages.h"
#include "paper/paper_model.h"
#include "paper/paper_storage.h"
#include "platform/dialogs.h"
#include "tests/paper_testing.h"
#include "tests/save_testing.h"

#include <QCloseEvent>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLCDNumber>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>
#include <QtTest>
#include <cstring>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

using platform::testing::ShownDialog;
using Step = storage_testing::Step;
Q_DECLARE_METATYPE(Step)

namespace
{

const QString kCloseConfirmation = QStringLiteral("您确定要关闭此试卷吗？请确认是否保存试卷。\n（点"
                                                  "击“保存试卷按钮”，若不想保存试卷，忽略此操作）");

QByteArray numbered_single_choice_paper(int count, const char *prefix)
{
    QByteArray problem = QByteArray::number(count) + " 0 0\r\n";
    for (int k = 1; k <= count; ++k)
        problem += "1\r\n@" + QByteArray(prefix) + QByteArray::number(k) + "$\r\n";
    return problem;
}

int questions_asked()
{
    int asked = 0;
    for (const ShownDialog &dialog : platform::testing::shown_dialogs())
        asked += dialog.kind == ShownDialog::Kind::Question;
    return asked;
}

// Each file of the folder with its bytes.
QMap<QString, QByteArray> folder_contents(const QString &folder)
{
    QMap<QString, QByteArray> contents;
    for (const QString &name : files_in(folder))
        contents[name] = read_file(QDir(folder).filePath(name));
    return contents;
}

} // namespace

class TestCommands : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { install_strict_message_handler(); }
    void init();
    void cleanup()
    {
        storage_testing::set_fault_hook({});
        fixture.tear_down();
    }

    void new_writesTheEmptyPairAndNothingElse();
    void new_cancelledDialogDoesNothing();
    void new_overAnExistingPaper_asksBeforeReplacingIt();
    void new_overEitherFileAlone_asksToo_data();
    void new_overEitherFileAlone_asksToo();
    void new_withAPaperOpen_changesNoWidgetAndSaveStaysInItsFolder();
    void new_intoAMissingFolder_isReported();

    void open_emptyPaper_enablesControlsAndShowsZeroTotal();
    void open_showsQuestion1OfEachKindWithQuestions();
    void open_missingFile_isNamedAndChangesNothing_data();
    void open_missingFile_isNamedAndChangesNothing();
    void open_cancelledDialog_doesNothing();
    void open_overAnOpenPaper_replacesItsPages();
    void open_malformedPair_isExplainedAndChangesNothing();
    void open_folderTooLongForThePaths_isRefused();
    void open_pairThatCannotBeRead_saysWhyAndChangesNothing_data();
    void open_pairThatCannotBeRead_saysWhyAndChangesNothing();
    void open_byteOrderMarkInEitherFile_isReadAndNotWrittenBack_data();
    void open_byteOrderMarkInEitherFile_isReadAndNotWrittenBack();
    void chosenFolderTheLocalEncodingCannotName_isRefused_data();
    void chosenFolderTheLocalEncodingCannotName_isRefused();
    void open_hugeFile_isRefusedWithoutReadingIt();
    void open_specialFile_isRefusedAndChangesNothing_data();
    void open_specialFile_isRefusedAndChangesNothing();

    void save_afterOpen_writesTheSameBytes();
    void save_writesOnlyStoredEditsAndQuestionsUpToTheCount();
    void save_refusesTextTheFormatCannotCarry();
    void save_intoARemovedFolder_isReportedAndLaterSaveWorks();
    void save_failingStep_isReportedAndLeavesAWholePair_data();
    void save_failingStep_isReportedAndLeavesAWholePair();
    void save_writesBothFilesBeforeReplacingEither_andRemovesLeftovers();
    void save_overAFileWindowsWillNotReplace_changesNothing_data();
    void save_overAFileWindowsWillNotReplace_changesNothing();
    void save_killedAtEachStep_opensAWholePair_data();
    void save_killedAtEachStep_opensAWholePair();
    void save_whoseSecondReplacementFails_isFinishedAtTheNextOpen();
    void saveCutShort_ofAnyPair_isFinished_data();
    void saveCutShort_ofAnyPair_isFinished();
    void saveCutShort_thenFilesChanged_isLeftAlone_data();
    void saveCutShort_thenFilesChanged_isLeftAlone();
    void save_answerFileThatCannotBeReplaced_isNeverTakenForSaved();
    void save_removesOnlyItsOwnLeftovers_data();
    void save_removesOnlyItsOwnLeftovers();
    void save_keepsEachFilesPermissions_data();
    void save_keepsEachFilesPermissions();

    void close_cancel_keepsEverything();
    void close_ok_returnsToTheNoPaperState();
    void close_saveWhileTheBoxIsUp_savesFirst();
    void close_thenOpenSmallerPaper_recordsAboveTheCountSurvive();

    void unsaved_openingAnotherPaperAsksFirst();
    void unsaved_closingTheWindowAsksFirst();
    void unsaved_cleanPaperClosesAtOnce();
    void unsaved_leavingThePaperAsks_data();
    void unsaved_leavingThePaperAsks();
    void unsaved_whatMakesThePaperChanged_data();
    void unsaved_whatMakesThePaperChanged();
    void unsaved_closeRequestedAgainWhileAsking_isRefused();
    void commandPressedAgainWhileItsQuestionIsUp_doesNothing_data();
    void commandPressedAgainWhileItsQuestionIsUp_doesNothing();
    void windowClosedWhileACommandAsksOverACleanPaper_staysOpen_data();
    void windowClosedWhileACommandAsksOverACleanPaper_staysOpen();
    void unsaved_newPaperOverTheOpenFolder_leavesThePaperUnsaved();
    void unsaved_newPaperOverTheOpenFolder_leavesAnEmptyPaperSaved_data();
    void unsaved_newPaperOverTheOpenFolder_leavesAnEmptyPaperSaved();

  private:
    template <class T> T *on(const char *name) { return fixture.find<T>(name); }
    QString path(const char *file) const { return folder->filePath(QLatin1String(file)); }
    void open_example();
    void open_example_over_an_older_pair();

    WindowFixture fixture;
    std::unique_ptr<QTemporaryDir> folder;
};

void TestCommands::init()
{
    storage_testing::set_fault_hook({});
    fixture.set_up();
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
}

void TestCommands::open_example()
{
    write_paper_files(folder->path(), kExampleProblem, kExampleAnswer);
    fixture.open_paper(folder->path());
    QVERIFY2(shown_messages().isEmpty(), qPrintable(shown_messages().join(QLatin1Char('\n'))));
}

// The example paper open, and another paper in its files: saving writes the
// example over it.
void TestCommands::open_example_over_an_older_pair()
{
    open_example();
    write_paper_files(folder->path(), kOlderProblem, kOlderAnswer);
}

// --- new -------------------------------------------------------------------

void TestCommands::new_writesTheEmptyPairAndNothingElse()
{
    platform::testing::queue_folder(folder->path());
    fixture.click("new_paper");
    QCOMPARE(read_file(path("problem.prb")), QByteArray("0 0 0"));
    QCOMPARE(read_file(path("answer.ans")), QByteArray());
    QCOMPARE(files_in(folder->path()), (QStringList{"answer.ans", "problem.prb"}));
    QCOMPARE(platform::testing::shown_dialogs().size(), 1);
    QCOMPARE(platform::testing::shown_dialogs()[0].caption,
             QStringLiteral("指定新建试卷所在的文件夹"));
    QVERIFY(!on<QPushButton>("save_paper")->isEnabled()); // not opened

    fixture.open_paper(folder->path());
    QCOMPARE(on<QLabel>("total_sum")->text(), QStringLiteral("试卷总分确认：0.00 分"));
}

void TestCommands::new_cancelledDialogDoesNothing()
{
    platform::testing::queue_folder_cancel();
    fixture.click("new_paper");
    QVERIFY(shown_messages().isEmpty());
    QCOMPARE(questions_asked(), 0);
    QVERIFY(files_in(QDir::currentPath()).indexOf(QStringLiteral("problem.prb")) < 0);
}

void TestCommands::new_overAnExistingPaper_asksBeforeReplacingIt()
{
    write_paper_files(folder->path(), kExampleProblem, kExampleAnswer);
    write_paper_files(folder->path(), kExampleProblem, kExampleAnswer);
    QFile other(path("notes.txt"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("keep me");
    other.close();

    platform::testing::queue_folder(folder->path());
    platform::testing::queue_answer(false);
    fixture.click("new_paper");
    QCOMPARE(questions_asked(), 1);
    QCOMPARE(read_file(path("problem.prb")), kExampleProblem);
    QCOMPARE(read_file(path("answer.ans")), kExampleAnswer);

    platform::testing::queue_folder(folder->path());
    platform::testing::queue_answer(true);
    fixture.click("new_paper");
    QCOMPARE(read_file(path("problem.prb")), QByteArray("0 0 0"));
    QCOMPARE(read_file(path("answer.ans")), QByteArray());
    QCOMPARE(read_file(path("notes.txt")), QByteArray("keep me"));
    QCOMPARE(files_in(folder->path()), (QStringList{"answer.ans", "notes.txt", "problem.prb"}));
}

void TestCommands::new_overEitherFileAlone_asksToo_data()
{
    QTest::addColumn<QString>("present");
    QTest::addColumn<QString>("absent");
    QTest::newRow("problem.prb alone") << "problem.prb"
                                       << "answer.ans";
    QTest::newRow("answer.ans alone") << "answer.ans"
                                      << "problem.prb";
}

void TestCommands::new_overEitherFileAlone_asksToo()
{
    QFETCH(QString, present);
    QFETCH(QString, absent);
    write_paper_files(folder->path(), kExampleProblem, kExampleAnswer);
    QVERIFY(QFile::remove(folder->filePath(absent)));
    const QByteArray kept = read_file(folder->filePath(present));
    platform::testing::queue_folder(folder->path());
    platform::testing::queue_answer(false);
    fixture.click("new_paper");
    QCOMPARE(questions_asked(), 1);
    QCOMPARE(read_file(folder->filePath(present)), kept);
    QVERIFY(!QFile::exists(folder->filePath(absent)));
}

void TestCommands::new_withAPaperOpen_changesNoWidgetAndSaveStaysInItsFolder()
{
    open_example();
    const QString total = on<QLabel>("total_sum")->text();
    QTemporaryDir other;
    platform::testing::queue_folder(other.path());
    fixture.click("new_paper");
    QCOMPARE(on<QLabel>("total_sum")->text(), total);
    QCOMPARE(on<QSpinBox>("onech_in")->value(), 1);
    QVERIFY(on<QPushButton>("close_paper")->isEnabled());
    QCOMPARE(on<QTextEdit>("unch_pro_in")->toPlainText(),
             QStringLiteral("Prove it.\nShow the steps."));

    fixture.click("save_paper");
    QCOMPARE(read_file(other.filePath("problem.prb")), QByteArray("0 0 0"));
    QCOMPARE(read_file(path("problem.prb")), kExampleProblem);
}

void TestCommands::new_intoAMissingFolder_isReported()
{
    const QString gone = folder->filePath(QStringLiteral("gone"));
    platform::testing::queue_folder(gone);
    fixture.click("new_paper");
    QCOMPARE(shown_messages().size(), 1);
    QVERIFY2(shown_messages()[0].contains(QStringLiteral("无法保存")),
             qPrintable(shown_messages()[0]));
    QVERIFY(shown_messages()[0].contains(QStringLiteral("problem.prb")));
    QVERIFY(!QFileInfo::exists(gone));
}

// --- open ------------------------------------------------------------------

void TestCommands::open_emptyPaper_enablesControlsAndShowsZeroTotal()
{
    write_paper_files(folder->path(), "0 0 0", QByteArray());
    fixture.open_paper(folder->path());
    QCOMPARE(platform::testing::shown_dialogs().size(), 1);
    QCOMPARE(platform::testing::shown_dialogs()[0].caption,
             QStringLiteral("指定打开试卷所在的文件夹"));
    for (const char *name :
         {"close_paper", "save_paper", "onech_in", "somech_in", "unch_in", "out_total"})
        QVERIFY2(on<QWidget>(name)->isEnabled(), name);
    for (const char *name : {"onech_pro_in", "somech_pro_in", "unch_pro_in", "onech_A", "somech_A"})
        QVERIFY2(!on<QWidget>(name)->isEnabled(), name);
    QCOMPARE(on<QLabel>("total_sum")->text(), QStringLiteral("试卷总分确认：0.00 分"));
    QCOMPARE(QByteArray(problem_path), QFile::encodeName(path("problem.prb")));
    QCOMPARE(QByteArray(answer_path), QFile::encodeName(path("answer.ans")));
}

void TestCommands::open_showsQuestion1OfEachKindWithQuestions()
{
    write_paper_files(folder->path(),
                      "3 0 2\r\n1\r\n@a$\r\n2\r\n@b$\r\n3\r\n@c$\r\n4\r\n@d$\r\n5\r\n@e$\r\n",
                      "1\r\n2\r\n4\r\n@x$\r\n@y$\r\n");
    fixture.open_paper(folder->path());
    QCOMPARE(on<QSpinBox>("onech_in")->value(), 3);
    QCOMPARE(on<QSpinBox>("somech_in")->value(), 0);
    QCOMPARE(on<QSpinBox>("unch_in")->value(), 2);
    QCOMPARE(on<QLCDNumber>("onech_num")->intValue(), 1);
    QCOMPARE(on<QLCDNumber>("unch_num")->intValue(), 1);
    QCOMPARE(on<QLCDNumber>("somech_num")->intValue(), 0);
    QCOMPARE(on<QTextEdit>("onech_pro_in")->toPlainText(), QStringLiteral("a"));
    QVERIFY(on<QRadioButton>("onech_A")->isChecked());
    QCOMPARE(on<QTextEdit>("unch_ans_in")->toPlainText(), QStringLiteral("x"));
    QVERIFY(on<QWidget>("onech_pro_in")->isEnabled());
    QVERIFY(!on<QWidget>("somech_pro_in")->isEnabled());
    QCOMPARE(on<QLabel>("total_sum")->text(), QStringLiteral("试卷总分确认：15.00 分"));
}

void TestCommands::open_missingFile_isNamedAndChangesNothing_data()
{
    QTest::addColumn<QString>("present");
    QTest::addColumn<QString>("message");
    QTest::newRow("no problem.prb")
        << QStringLiteral("answer.ans") << QStringLiteral("所选择的文件夹下缺少problem.prb文件");
    QTest::newRow("no answer.ans")
        << QStringLiteral("problem.prb") << QStringLiteral("所选择的文件夹下缺少answer.ans文件");
    QTest::newRow("neither") << QString() << QStringLiteral("所选择的文件夹下缺少problem.prb文件");
}

void TestCommands::open_missingFile_isNamedAndChangesNothing()
{
    QFETCH(QString, present);
    QFETCH(QString, message);
    open_example();
    const QByteArray open_problem_path(problem_path);
    QTemporaryDir other;
    if (!present.isEmpty())
        QVERIFY(QFile::copy(path(qPrintable(present)), other.filePath(present)));
    fixture.open_paper(other.path());
    QCOMPARE(shown_messages(), QStringList{message});
    QCOMPARE(platform::testing::shown_dialogs().last().caption, QStringLiteral("提示"));
    QCOMPARE(QByteArray(problem_path), open_problem_path);
    QCOMPARE(on<QTextEdit>("unch_pro_in")->toPlainText(),
             QStringLiteral("Prove it.\nShow the steps."));
    QVERIFY(on<QPushButton>("save_paper")->isEnabled());
}

void TestCommands::open_cancelledDialog_doesNothing()
{
    open_example();
    const QByteArray open_problem_path(problem_path);
    platform::testing::queue_folder_cancel();
    fixture.click("open_paper");
    QVERIFY(shown_messages().isEmpty());
    QCOMPARE(QByteArray(problem_path), open_problem_path);
    QCOMPARE(onech_count, 1);
}

void TestCommands::open_overAnOpenPaper_replacesItsPages()
{
    QByteArray problem = "0 5 0\r\n";
    for (int k = 1; k <= 5; ++k)
        problem += "1 0\r\n@m" + QByteArray::number(k) + "$\r\n";
    write_paper_files(folder->path(), problem, "1\r\n2\r\n3\r\n4\r\n5\r\n");
    fixture.open_paper(folder->path());
    fixture.show_tab(2);
    for (int i = 0; i < 3; ++i)
        fixture.click("somech_next");
    QCOMPARE(on<QLCDNumber>("somech_num")->intValue(), 4);

    QTemporaryDir second;
    write_paper_files(second.path(), "1 2 0\r\n1\r\n@s$\r\n1 0\r\n@n1$\r\n1 0\r\n@n2$\r\n",
                      "1\r\n1\r\n2\r\n");
    fixture.open_paper(second.path());
    QCOMPARE(on<QLCDNumber>("somech_num")->intValue(), 1);
    QCOMPARE(on<QTextEdit>("somech_pro_in")->toPlainText(), QStringLiteral("n1"));

    QTemporaryDir third;
    write_paper_files(third.path(), "1 0 0\r\n1\r\n@s$\r\n", "1\r\n");
    fixture.open_paper(third.path());
    QCOMPARE(on<QSpinBox>("somech_in")->value(), 0);
    QCOMPARE(on<QLCDNumber>("somech_num")->intValue(), 0);
    QVERIFY(!on<QWidget>("somech_pro_in")->isEnabled());
    QCOMPARE(on<QTextEdit>("somech_pro_in")->toPlainText(), QString());
    QVERIFY(shown_messages().isEmpty());
}

void TestCommands::open_malformedPair_isExplainedAndChangesNothing()
{
    open_example();
    const QByteArray open_problem_path(problem_path);
    const QString total = on<QLabel>("total_sum")->text();
    QTemporaryDir broken;
    // The second single-choice question's score is missing.
    write_paper_files(broken.path(), "2 0 0\r\n5\r\n@a$\r\n@b$\r\n", "1\r\n2\r\n");
    fixture.open_paper(broken.path());
    QCOMPARE(shown_messages().size(), 1);
    const QString reason = shown_messages()[0];
    QVERIFY2(reason.contains(QStringLiteral("problem.prb")) &&
                 reason.contains(QStringLiteral("单选题")) && reason.contains(QLatin1Char('2')),
             qPrintable(reason));
    QCOMPARE(QByteArray(problem_path), open_problem_path);
    QCOMPARE(onech_count, 1);
    QCOMPARE(onech_table[1].problem, QStringLiteral("1+1=?"));
    QCOMPARE(onech_table[2].problem, QString());
    QCOMPARE(on<QSpinBox>("onech_in")->value(), 1);
    QCOMPARE(on<QLabel>("total_sum")->text(), total);
    QCOMPARE(on<QTextEdit>("onech_pro_in")->toPlainText(), QStringLiteral("1+1=?"));
}

// UTF-16 or UTF-32 text, as Notepad and other editors save it.
QByteArray wide(const QString &text, int unit, bool little_endian)
{
    QByteArray bytes;
    for (const uint code : text.toUcs4()) {
        for (int i = 0; i < unit; ++i) {
            const int shift = 8 * (little_endian ? i : unit - 1 - i);
            bytes += char((code >> shift) & 0xFF);
        }
    }
    return bytes;
}

void TestCommands::open_pairThatCannotBeRead_saysWhyAndChangesNothing_data()
{
    QTest::addColumn<QByteArray>("problem");
    QTest::addColumn<QByteArray>("answer");
    // A file there that may not be opened; with " read" after it, one whose reading fails.
    QTest::addColumn<QString>("unreadable");
    QTest::addColumn<QString>("said"); // %1: the folder, as the system writes it
    const QByteArray problem = "1 0 0\r\n2\r\n@1+1=?$\r\n";
    const QByteArray answer = "2\r\n";
    const QString advice =
        QStringLiteral("qv_make 读不了这种编码。请用记事本或其他文本编辑器打开它，"
                       "另存为 ANSI（GBK）或 UTF-8 编码，然后再打开这份试卷。");
    const QString mixed =
        QStringLiteral("试卷的两个文件编码不同：problem.prb 是 %1，answer.ans 是 %2。"
                       "一份试卷的两个文件是一起保存的，编码相同；请确认它们属于"
                       "同一份试卷，并把其中一个另存为与另一个相同的编码。");
    QTest::newRow("problem.prb without read permission")
        << problem << answer << "problem.prb"
        << QStringLiteral("无法读取试卷文件 %1problem.prb：没有读取权限");
    QTest::newRow("answer.ans without read permission")
        << problem << answer << "answer.ans"
        << QStringLiteral("无法读取试卷文件 %1answer.ans：没有读取权限");
    QTest::newRow("answer.ans failing as it is read")
        << problem << answer << "answer.ans read"
        << QStringLiteral("无法读取试卷文件 %1answer.ans：读取时出错");
    QTest::newRow("answer.ans in Notepad's Unicode")
        << problem << QByteArray("\xFF\xFE") + wide("2\r\n", 2, true) << QString()
        << QStringLiteral(
               "试卷文件 answer.ans 是 UTF-16 编码的文本（Windows 记事本所说的“Unicode”），") +
               advice;
    // An empty answer file as Notepad saves it "in Unicode": the mark alone.
    QTest::newRow("answer.ans of no questions in Notepad's Unicode")
        << QByteArray("0 0 0\r\n") << QByteArray("\xFF\xFE") << QString()
        << QStringLiteral(
               "试卷文件 answer.ans 是 UTF-16 编码的文本（Windows 记事本所说的“Unicode”），") +
               advice;
    // Its five characters are as few as a paper has: still told for UTF-16.
    QTest::newRow("the shortest problem.prb, in UTF-16 without a mark")
        << wide(QStringLiteral("0 0 0"), 2, true) << QByteArray() << QString()
        << QStringLiteral(
               "试卷文件 problem.prb 是 UTF-16 编码的文本（Windows 记事本所说的“Unicode”），") +
               advice;
    QTest::newRow("problem.prb in UTF-16 without a byte-order mark")
        << wide(QString::fromLatin1(problem), 2, false) << answer << QString()
        << QStringLiteral(
               "试卷文件 problem.prb 是 UTF-16 编码的文本（Windows 记事本所说的“Unicode”），") +
               advice;
    QTest::newRow("answer.ans in UTF-32")
        << problem << QByteArray("\xFF\xFE\0\0", 4) + wide("2\r\n", 4, true) << QString()
        << QStringLiteral("试卷文件 answer.ans 是 UTF-32 编码的文本，") + advice;
    // "下列哪个数是质数？" in UTF-8, its answer's text in GBK ("作平行线").
    QTest::newRow("UTF-8 problem.prb, GBK answer.ans")
        << QByteArray("0 0 1\r\n10\r\n@下列哪个数是质数？$\r\n")
        << QByteArray("@\xd7\xf7\xc6\xbd\xd0\xd0\xcf\xdf$\r\n") << QString()
        << mixed.arg(QStringLiteral("UTF-8"), QStringLiteral("GBK"));
    QTest::newRow("GBK problem.prb, answer.ans marked UTF-8")
        << QByteArray("0 0 1\r\n10\r\n@\xd7\xf7\xc6\xbd\xd0\xd0\xcf\xdf$\r\n")
        << QByteArray("\xEF\xBB\xBF@a$\r\n") << QString()
        << mixed.arg(QStringLiteral("GBK"), QStringLiteral("UTF-8"));
}

void TestCommands::open_pairThatCannotBeRead_saysWhyAndChangesNothing()
{
    QFETCH(QByteArray, problem);
    QFETCH(QByteArray, answer);
    QFETCH(QString, unreadable);
    QFETCH(QString, said);
    open_example();
    const QByteArray open_problem_path(problem_path);
    QTemporaryDir other;
    write_paper_files(other.path(), problem, answer);
    // Root reads every file whatever its permissions: the refusal comes
    // through the storage seam, as the system gives it.
    const QStringList fault = unreadable.split(QLatin1Char(' '));
    const Step failing = fault.size() > 1 ? Step::ReadFile : Step::OpenForReading;
    storage_testing::set_fault_hook([&](Step step, const QString &where) {
        return step == failing && QFileInfo(where).fileName() == fault[0];
    });
    fixture.open_paper(other.path());
    storage_testing::set_fault_hook({});
    QCOMPARE(shown_messages().size(), 1);
    const QString message = shown_messages()[0];
    if (unreadable.isEmpty()) {
        QCOMPARE(message, said);
    } else if (failing == Step::ReadFile) {
        QCOMPARE(message, said.arg(QDir::toNativeSeparators(other.path() + QLatin1Char('/'))));
    } else {
        // Then the system's own words, in brackets.
        const QString start = said.arg(QDir::toNativeSeparators(other.path() + QLatin1Char('/'))) +
                              QStringLiteral("（");
        QVERIFY2(message.startsWith(start) && message.endsWith(QStringLiteral("）")),
                 qPrintable(message));
    }
    QCOMPARE(QByteArray(problem_path), open_problem_path);
    QCOMPARE(on<QTextEdit>("onech_pro_in")->toPlainText(), QStringLiteral("1+1=?"));
}

void TestCommands::open_byteOrderMarkInEitherFile_isReadAndNotWrittenBack_data()
{
    QTest::addColumn<bool>("in_problem");
    QTest::addColumn<bool>("in_answer");
    QTest::newRow("problem.prb") << true << false;
    QTest::newRow("answer.ans") << false << true;
    QTest::newRow("both") << true << true;
}

void TestCommands::open_byteOrderMarkInEitherFile_isReadAndNotWrittenBack()
{
    QFETCH(bool, in_problem);
    QFETCH(bool, in_answer);
    const QByteArray bom = "\xEF\xBB\xBF";
    const QByteArray problem = "1 0 1\r\n2\r\n@质数？$\r\n10\r\n@证明$\r\n";
    const QByteArray answer = "2\r\n@作平行线$\r\n";
    write_paper_files(folder->path(), in_problem ? bom + problem : problem,
                      in_answer ? bom + answer : answer);
    fixture.open_paper(folder->path());
    QVERIFY2(shown_messages().isEmpty(), qPrintable(shown_messages().join(QLatin1Char('\n'))));
    QCOMPARE(on<QSpinBox>("onech_in")->value(), 1);
    QCOMPARE(on<QTextEdit>("onech_pro_in")->toPlainText(), QStringLiteral("质数？"));
    QCOMPARE(on<QTextEdit>("unch_ans_in")->toPlainText(), QStringLiteral("作平行线"));
    // The other programs read the counts first: what is written has no mark.
    fixture.click("save_paper");
    QCOMPARE(read_file(path("problem.prb")), problem);
    QCOMPARE(read_file(path("answer.ans")), answer);
}

void TestCommands::open_folderTooLongForThePaths_isRefused()
{
    const QString too_long = QLatin1Char('/') + QString(kPathCapacity, QLatin1Char('d'));
    fixture.open_paper(too_long);
    // Refused before the system is asked for a file it would call a too long name.
    QCOMPARE(shown_messages(),
             QStringList{QStringLiteral("所选择的文件夹路径太长，无法打开其中的试卷。")});
    QCOMPARE(problem_path[0], '\0');
    QVERIFY(!on<QPushButton>("save_paper")->isEnabled());
}

void TestCommands::chosenFolderTheLocalEncodingCannotName_isRefused_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("holds_paper");
    QTest::newRow("open") << "open_paper" << true;
    QTest::newRow("new over an empty folder") << "new_paper" << false;
    QTest::newRow("new over a paper") << "new_paper" << true;
}

void TestCommands::chosenFolderTheLocalEncodingCannotName_isRefused()
{
    QFETCH(QString, command);
    QFETCH(bool, holds_paper);
    const QString chosen = folder->filePath(QStringLiteral("试卷₩"));
    QVERIFY(QDir().mkpath(chosen));
    if (holds_paper)
        write_paper_files(chosen, kExampleProblem, kExampleAnswer);
        // GBK has no "₩": the paths of a paper in this folder would hold a "?".
#ifdef Q_OS_WIN
    QTextCodec *gbk = QTextCodec::codecForLocale(); // code page 936 under the test set-up
#else
    QTextCodec *gbk = QTextCodec::codecForName("GBK");
#endif
    QTextCodec *previous = QTextCodec::codecForLocale();
    QTextCodec::setCodecForLocale(gbk);
    platform::testing::queue_folder(chosen);
    fixture.click(qPrintable(command));
    QTextCodec::setCodecForLocale(previous);

    QCOMPARE(questions_asked(), 0);
    QCOMPARE(shown_messages().size(), 1);
    QCOMPARE(shown_messages()[0],
             QStringLiteral("文件夹 %1 的名称中含有字符“₩”（U+20A9），本机的文字编码 GBK "
                            "无法表示它，无法%2。请换一个文件夹，或把文件夹改名。")
                 .arg(QDir::toNativeSeparators(chosen), command == "open_paper"
                                                            ? QStringLiteral("打开其中的试卷")
                                                            : QStringLiteral("在其中新建试卷")));
    QCOMPARE(problem_path[0], '\0');
    const QStringList expected_files =
        holds_paper ? QStringList{"answer.ans", "problem.prb"} : QStringList{};
    QCOMPARE(files_in(chosen), expected_files);
    if (holds_paper)
        QCOMPARE(read_file(chosen + QStringLiteral("/problem.prb")), kExampleProblem);
}

void TestCommands::open_hugeFile_isRefusedWithoutReadingIt()
{
    write_paper_files(folder->path(), "0 0 0", QByteArray());
    QFile problem(path("problem.prb"));
    QVERIFY(problem.resize((qint64(1) << 30) + 1)); // sparse: costs no disk
    fixture.open_paper(folder->path());
    QCOMPARE(shown_messages().size(), 1);
    QVERIFY2(shown_messages()[0].contains(QStringLiteral("太大")), qPrintable(shown_messages()[0]));
    QVERIFY(!on<QPushButton>("save_paper")->isEnabled());
}

void TestCommands::open_specialFile_isRefusedAndChangesNothing_data()
{
    QTest::addColumn<QByteArray>("special"); // which file is not a regular one
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QString>("named");
    QTest::newRow("FIFO as problem.prb") << QByteArray("problem.prb") << QByteArray("fifo")
                                         << QStringLiteral("一个命名管道（FIFO）");
    QTest::newRow("FIFO as answer.ans")
        << QByteArray("answer.ans") << QByteArray("fifo") << QStringLiteral("一个命名管道（FIFO）");
    // size() is 0 for a device: it would be read for seconds, up to 2 GiB.
    QTest::newRow("link to /dev/zero")
        << QByteArray("problem.prb") << QByteArray("zero") << QStringLiteral("一个设备");
    QTest::newRow("folder as answer.ans")
        << QByteArray("answer.ans") << QByteArray("folder") << QStringLiteral("一个文件夹");
    // A socket cannot be opened at all, yet it is no missing file.
    QTest::newRow("socket as problem.prb")
        << QByteArray("problem.prb") << QByteArray("socket") << QStringLiteral("一个套接字");
}

void TestCommands::open_specialFile_isRefusedAndChangesNothing()
{
    QFETCH(QByteArray, special);
    QFETCH(QByteArray, kind);
    QFETCH(QString, named);
#ifndef Q_OS_UNIX
    if (kind != "folder")
        QSKIP("FIFOs, sockets and /dev/zero are POSIX");
#endif
    open_example();
    QTemporaryDir other;
    write_paper_files(other.path(), "0 0 0", QByteArray());
    const QString file = other.filePath(QString::fromLatin1(special));
    QVERIFY(QFile::remove(file));
#ifdef Q_OS_UNIX
    const QByteArray native = QFile::encodeName(file);
    const int listener = kind == "socket" ? ::socket(AF_UNIX, SOCK_STREAM, 0) : -1;
    if (kind == "fifo") {
        QCOMPARE(::mkfifo(native.constData(), 0600), 0);
    } else if (kind == "zero") {
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), file));
    } else if (kind == "socket") {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        QVERIFY(size_t(native.size()) < sizeof address.sun_path);
        std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
        QCOMPARE(::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    } else
#endif
        QVERIFY(QDir().mkdir(file));

    fixture.open_paper(other.path()); // a FIFO must not block here
#ifdef Q_OS_UNIX
    if (listener >= 0)
        ::close(listener);
#endif
    QCOMPARE(shown_messages(),
             QStringList{QStringLiteral("试卷文件 %1 不是普通文件，而是%2，不能作为试卷打开。")
                             .arg(QDir::toNativeSeparators(file), named)});
    QCOMPARE(QByteArray(problem_path), QFile::encodeName(path("problem.prb")));
    QCOMPARE(on<QTextEdit>("onech_pro_in")->toPlainText(), QStringLiteral("1+1=?"));
}

// --- save ------------------------------------------------------------------

void TestCommands::save_afterOpen_writesTheSameBytes()
{
    open_example();
    fixture.click("save_paper");
    QVERIFY(shown_messages().isEmpty());
    QCOMPARE(read_file(path("problem.prb")), kExampleProblem);
    QCOMPARE(read_file(path("answer.ans")), kExampleAnswer);
    QCOMPARE(files_in(folder->path()), (QStringList{"answer.ans", "problem.prb"}));

    QTemporaryDir fresh;
    platform::testing::queue_folder(fresh.path());
    fixture.click("new_paper");
    fixture.open_paper(fresh.path());
    fixture.click("save_paper");
    QCOMPARE(read_file(fresh.filePath("problem.prb")), QByteArray("0 0 0\r\n"));
    QCOMPARE(read_file(fresh.filePath("answer.ans")), QByteArray());
}

void TestCommands::save_writesOnlyStoredEditsAndQuestionsUpToTheCount()
{
    write_paper_files(folder->path(), numbered_single_choice_paper(5, "q"),
                      "1\r\n1\r\n1\r\n1\r\n1\r\n");
    fixture.open_paper(folder->path());
    on<QSpinBox>("onech_in")->setValue(3);
    on<QSpinBox>("unch_in")->setValue(1);
    fixture.show_tab(3);
    on<QTextEdit>("unch_ans_in")->setPlainText(QStringLiteral("typed, not stored"));
    fixture.click("save_paper");
    QCOMPARE(read_file(path("problem.prb")),
             QByteArray("3 0 1\r\n1\r\n@q1$\r\n1\r\n@q2$\r\n1\r\n@q3$\r\n0\r\n@$\r\n"));
    QCOMPARE(read_file(path("answer.ans")), QByteArray("1\r\n1\r\n1\r\n@$\r\n"));
    QCOMPARE(onech_table[5].problem, QStringLiteral("q5")); // above the count, still held

    fixture.click("unch_save");
    fixture.click("save_paper");
    QCOMPARE(read_file(path("answer.ans")), QByteArray("1\r\n1\r\n1\r\n@typed, not stored$\r\n"));
}

void TestCommands::save_refusesTextTheFormatCannotCarry()
{
    open_example();
    fixture.show_tab(3);
    on<QTextEdit>("unch_ans_in")->setPlainText(QStringLiteral("costs $5"));
    fixture.click("unch_save");
    fixture.click("save_paper");
    QCOMPARE(shown_messages().size(), 1);
    const QString reason = shown_messages()[0];
    QVERIFY2(reason.contains(QStringLiteral("非选择题")) &&
                 reason.contains(QStringLiteral("答案")) && reason.contains(QLatin1Char('1')) &&
                 reason.contains(QLatin1Char('$')),
             qPrintable(reason));
    QCOMPARE(read_file(path("problem.prb")), kExampleProblem);
    QCOMPARE(read_file(path("answer.ans")), kExampleAnswer);
    QCOMPARE(files_in(folder->path()), (QStringList{"answer.ans", "problem.prb"}));
}

void TestCommands::save_intoARemovedFolder_isReportedAndLaterSaveWorks()
{
    open_example();
    QVERIFY(QDir(folder->path()).removeRecursively());
    fixture.click("save_paper");
    QCOMPARE(shown_messages().size(), 1);
    QVERIFY2(shown_messages()[0].contains(QStringLiteral("无法保存")) &&
                 shown_messages()[0].contains(QStringLiteral("problem.prb")),
             qPrintable(shown_messages()[0]));

    QVERIFY(QDir().mkpath(folder->path()));
    fixture.click("save_paper");
    QCOMPARE(shown_messages().size(), 1);
    QCOMPARE(read_file(path("problem.prb")), kExampleProblem);
    QCOMPARE(files_in(folder->path()), (QStringList{"answer.ans", "problem.prb"}));
}

void TestCommands::save_failingStep_isReportedAndLeavesAWholePair_data()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<QString>("file"); // a folder sync: the file replaced just before
    QTest::addColumn<QString>("said");
    QTest::addColumn<bool>("replaced");
    const QString unchanged = QStringLiteral("原来的试卷文件没有改动");
    QTest::newRow("problem.prb's new bytes not written")
        << Step::WriteTemporary << "problem.prb" << unchanged << false;
    QTest::newRow("answer.ans's new bytes not written")
        << Step::WriteTemporary << "answer.ans" << unchanged << false;
    QTest::newRow("problem.prb's new bytes not flushed")
        << Step::SyncTemporary << "problem.prb" << unchanged << false;
    QTest::newRow("answer.ans's new bytes not flushed")
        << Step::SyncTemporary << "answer.ans" << unchanged << false;
    QTest::newRow("problem.prb not replaced")
        << Step::Replace << "problem.prb" << unchanged << false;
    QTest::newRow("record of the save not written")
        << Step::WriteTemporary << ".qv_make-save" << unchanged << false;
    QTest::newRow("record of the save not replaced")
        << Step::Replace << ".qv_make-save" << unchanged << false;
    QTest::newRow("folder not synced after the record")
        << Step::SyncFolder << ".qv_make-save" << unchanged << false;
    QTest::newRow("folder not synced after both replacements")
        << Step::SyncFolder << "answer.ans" << QStringLiteral("无法确认") << true;
}

void TestCommands::save_failingStep_isReportedAndLeavesAWholePair()
{
    QFETCH(Step, step);
    QFETCH(QString, file);
    QFETCH(QString, said);
    QFETCH(bool, replaced);
    open_example_over_an_older_pair();
    // A folder sync is named by the file replaced last before it.
    QString last_replaced;
    storage_testing::set_fault_hook([&](Step at, const QString &where) {
        if (at == Step::Replace)
            last_replaced = step_file(where);
        const QString on = at == Step::SyncFolder ? last_replaced : step_file(where);
        return at == step && on.startsWith(file);
    });
    fixture.click("save_paper");
    QCOMPARE(shown_messages().size(), 1);
    const QString message = shown_messages()[0];
    // A paper file that failed is named; the record and the folder are not the teacher's.
    const bool names_file = step != Step::SyncFolder && !file.startsWith(QLatin1Char('.'));
    QVERIFY2(message.contains(said) && (!names_file || message.contains(file)),
             qPrintable(message));
    if (!replaced) {
        // The file first, then why, as the system gave it.
        const QString named = QDir::toNativeSeparators(
            folder->filePath(names_file ? file : QStringLiteral("problem.prb")));
        QVERIFY2(message.startsWith(QStringLiteral("无法保存 %1：磁盘空间已满").arg(named)) &&
                     message.endsWith(QStringLiteral("\n原来的试卷文件没有改动。")),
                 qPrintable(message));
    }
    QCOMPARE(read_file(path("problem.prb")), replaced ? kExampleProblem : kOlderProblem);
    QCOMPARE(read_file(path("answer.ans")), replaced ? kExampleAnswer : kOlderAnswer);
    // Replaced but not known to be on the disk: the record of the save stays,
    // so that renames the disk lost are finished at the next open.
    const QStringList expected_files =
        replaced ? QStringList{".qv_make-save", "answer.ans", "problem.prb"}
                 : QStringList{"answer.ans", "problem.prb"};
    QCOMPARE(files_in(folder->path()), expected_files);

    storage_testing::set_fault_hook({});
    fixture.click("save_paper");
    QCOMPARE(shown_messages().size(), 1);
    QCOMPARE(read_file(path("problem.prb")), kExampleProblem);
    QCOMPARE(read_file(path("answer.ans")), kExampleAnswer);
    QCOMPARE(files_in(folder->path()), (QStringList{"answer.ans", "problem.prb"}));
}

void TestCommands::save_writesBothFilesBeforeReplacingEither_andRemovesLeftovers()
{
    open_example_over_an_older_pair();
    // Leftovers of a save killed part-way (the record's own temporary too), and
    // a teacher's own copy.
    for (const char *name : {"problem.prb.qv_make-AbC123", "answer.ans.qv_make-xYz789",
                             ".qv_make-save.qv_make-Q1w2E3", "problem.prb.bak"}) {
        QFile leftover(path(name));
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.write("left over");
    }
    QStringList steps;
    storage_testing::set_fault_hook([&](Step step, const QString &where) {
        static const char *const names[] = {"open",        "write", "sync",  "replace",
                                            "sync folder", "read",  "remove"};
        steps << QLatin1String(names[int(step)]) +
                     (step == Step::SyncFolder ? QString() : QLatin1Char(' ') + step_file(where));
        return false;
    });
    fixture.click("save_paper");
    QVERIFY2(shown_messages().isEmpty(), qPrintable(shown_messages().join(QLatin1Char('\n'))));
    QCOMPARE(steps, (QStringList{"write problem.prb.qv_make-", "sync problem.prb.qv_make-",
                                 "write answer.ans.qv_make-", "sync answer.ans.qv_make-",
                                 "write .qv_make-save.qv_make-", "sync .qv_make-save.qv_make-",
                                 "replace .qv_make-save", "sync folder", "replace problem.prb",
                                 "replace answer.ans", "sync folder", "remove .qv_make-save"}));
    QCOMPARE(read_file(path("problem.prb")), kExampleProblem);
    QCOMPARE(read_file(path("answer.ans")), kExampleAnswer);
    QCOMPARE(files_in(folder->path()),
             (QStringList{"answer.ans", "problem.prb", "problem.prb.bak"}));
}

void TestCommands::save_overAFileWindowsWillNotReplace_changesNothing_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("read_only"); // else open in another program
    QTest::newRow("read-only problem.prb") << "problem.prb" << true;
    QTest::newRow("read-only answer.ans") << "answer.ans" << true;
    QTest::newRow("problem.prb open in another program") << "problem.prb" << false;
    QTest::newRow("answer.ans open in another program") << "answer.ans" << false;
}

void TestCommands::save_overAFileWindowsWillNotReplace_changesNothing()
{
#ifndef Q_OS_WIN
    QSKIP("only Windows refuses to replace a read-only file or one open elsewhere");
#else
    QFETCH(QString, file);
    QFETCH(bool, read_only);
    open_example_over_an_older_pair();
    const QString target = folder->filePath(file);
    const QFile::Permissions permissions = QFile::permissions(target);
    HANDLE other_program = INVALID_HANDLE_VALUE;
    if (read_only) {
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadUser));
    } else {
        // Opened as a program that shares reading only, as an editor may.
        other_program =
            CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(target).utf16()),
                        GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        QVERIFY(other_program != INVALID_HANDLE_VALUE);
    }
    fixture.click("save_paper");
    const QStringList messages = shown_messages();
    if (read_only)
        QFile::setPermissions(target, permissions);
    else
        CloseHandle(other_program);

    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains(QStringLiteral("原来的试卷文件没有改动")) &&
                 messages[0].contains(file),
             qPrintable(messages[0]));
    QCOMPARE(read_file(path("problem.prb")), kOlderProblem);
    QCOMPARE(read_file(path("answer.ans")), kOlderAnswer);
    QCOMPARE(files_in(folder->path()), (QStringList{"answer.ans", "problem.prb"}));
#endif
}

void TestCommands::save_killedAtEachStep_opensAWholePair_data()
{
    QTest::addColumn<QString>("kill_at");
    QTest::addColumn<bool>("asked");    // the teacher is asked to let the save be finished
    QTest::addColumn<bool>("finish");   // and answers 确定
    QTest::addColumn<bool>("new_pair"); // what the folder then holds
    QTest::newRow("writing problem.prb") << "write problem.prb.qv_make-" << false << false << false;
    QTest::newRow("syncing answer.ans") << "sync answer.ans.qv_make-" << false << false << false;
    QTest::newRow("putting the record in place")
        << "replace .qv_make-save" << false << false << false;
    QTest::newRow("before the first replacement") << "replace problem.prb" << true << true << true;
    QTest::newRow("between the replacements") << "replace answer.ans" << true << true << true;
    QTest::newRow("between the replacements, cancelled")
        << "replace answer.ans" << true << false << false;
    QTest::newRow("before the last folder sync")
        << "sync folder answer.ans" << false << false << true;
    // Saved whole; only the record is left, which the next open removes.
    QTest::newRow("removing the record") << "remove .qv_make-save" << false << false << true;
}

void TestCommands::save_killedAtEachStep_opensAWholePair()
{
#ifndef Q_OS_UNIX
    QSKIP("the save is killed in a child process, started the POSIX way");
#else
    QFETCH(QString, kill_at);
    QFETCH(bool, asked);
    QFETCH(bool, finish);
    QFETCH(bool, new_pair);
    write_paper_files(folder->path(), kExampleProblem, kExampleAnswer);
    const QByteArray grown_problem =
        QByteArray(kExampleProblem).replace("steps.$", "steps." + QByteArray(100, 'p') + "$");
    const QByteArray grown_answer = QByteArray(kExampleAnswer).replace("notes.$", "notes.xxxx$");
    const ChildSave killed = run_save_child(folder->path(), 4, 0, {}, {}, kill_at);
    QVERIFY2(killed.exit_code == -1, qPrintable(killed.said));
    // What qv_paper check prints before the save is finished: it names the
    // waiting files, problem.prb's before answer.ans's.
    const InterruptedSave cut = find_interrupted_save(folder->path());
    const QString told = describe_interrupted_save(cut);
    QCOMPARE(told.startsWith(QStringLiteral("上次保存被中断：")), asked);
    if (asked) {
        const int problem_at = told.indexOf(QDir::toNativeSeparators(cut.temporaries[0]));
        const int answer_at = told.indexOf(QDir::toNativeSeparators(cut.temporaries[1]));
        QVERIFY2(answer_at > problem_at &&
                     (problem_at >= 0) == (cut.state == InterruptedSave::State::NothingReplaced),
                 qPrintable(told));
    }

    if (asked)
        platform::testing::queue_answer(finish);
    fixture.open_paper(folder->path());
    QCOMPARE(questions_asked(), asked ? 1 : 0);
    if (asked) {
        QVERIFY2(platform::testing::shown_dialogs().last().text.startsWith(
                     QStringLiteral("上次保存被中断")),
                 qPrintable(platform::testing::shown_dialogs().last().text));
    }
    QVERIFY2(shown_messages().isEmpty(), qPrintable(shown_messages().join(QLatin1Char('\n'))));
    const bool opened = problem_path[0] != '\0';
    QCOMPARE(opened, !asked || finish);
    if (asked && !finish) {
        // Nothing is touched: the record and the new answer file still wait.
        QVERIFY(files_in(folder->path()).contains(QStringLiteral(".qv_make-save")));
        return;
    }
    QCOMPARE(read_file(path("problem.prb")), new_pair ? grown_problem : kExampleProblem);
    QCOMPARE(read_file(path("answer.ans")), new_pair ? grown_answer : kExampleAnswer);
    QVERIFY(!files_in(folder->path()).contains(QStringLiteral(".qv_make-save")));
    QCOMPARE(on<QTextEdit>("unch_ans_in")->toPlainText(),
             new_pair ? QStringLiteral("See the notes.xxxx") : QStringLiteral("See the notes."));
#endif
}

void TestCommands::save_whoseSecondReplacementFails_isFinishedAtTheNextOpen()
{
    open_example_over_an_older_pair();
    storage_testing::set_fault_hook([](Step step, const QString &where) {
        return step == Step::Replace && step_file(where) == QLatin1String("answer.ans");
    });
    fixture.click("save_paper");
    storage_testing::set_fault_hook({});
    QCOMPARE(shown_messages().size(), 1);
    const QString answer_file = QDir::toNativeSeparators(path("answer.ans"));
    QVERIFY2(
        shown_messages()[0].startsWith(QStringLiteral("无法保存 %1：").arg(answer_file)) &&
            shown_messages()[0].contains(
                QStringLiteral("\n%1 已经保存，%2 仍是原来的内容；新的 %2 完整地保存在 %2.qv_make-")
                    .arg(QDir::toNativeSeparators(path("problem.prb")), answer_file)) &&
            shown_messages()[0].endsWith(
                QStringLiteral("下次打开这份试卷时 qv_make 会完成这次保存；也可以解决问题后"
                               "再保存一次。")),
        qPrintable(shown_messages()[0]));
    QCOMPARE(read_file(path("problem.prb")), kExampleProblem);
    QCOMPARE(read_file(path("answer.ans")), kOlderAnswer);

    // Opened again after a restart: the teacher is asked, and the pair is whole.
    fixture.tear_down();
    fixture.set_up();
    platform::testing::queue_answer(true);
    fixture.open_paper(folder->path());
    QCOMPARE(questions_asked(), 1);
    QVERIFY2(platform::testing::shown_dialogs().last().text.contains(
                 QStringLiteral("problem.prb 已经是新的，answer.ans 还是原来的")),
             qPrintable(platform::testing::shown_dialogs().last().text));
    QCOMPARE(read_file(path("problem.prb")), kExampleProblem);
    QCOMPARE(read_file(path("answer.ans")), kExampleAnswer);
    QCOMPARE(files_in(folder->path()), (QStringList{"answer.ans", "problem.prb"}));
    QCOMPARE(on<QTextEdit>("onech_pro_in")->toPlainText(), QStringLiteral("1+1=?"));
}

void TestCommands::saveCutShort_ofAnyPair_isFinished_data()
{
    QTest::addColumn<QByteArray>("problem");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("a paper") << kExampleProblem << kExampleAnswer;
    // An empty answer.ans: its size in the record is 0.
    QTest::newRow("every question removed") << QByteArray("0 0 0\r\n") << QByteArray();
}

// A save stopped between the two replacements, whatever the new pair holds,
// is finished when the folder is opened next.
void TestCommands::saveCutShort_ofAnyPair_isFinished()
{
    QFETCH(QByteArray, problem);
    QFETCH(QByteArray, answer);
    write_paper_files(folder->path(), kOlderProblem, kOlderAnswer);
    storage_testing::set_fault_hook([](Step step, const QString &where) {
        return step == Step::Replace && step_file(where) == QLatin1String("answer.ans");
    });
    const PaperError failed =
        replace_paper_files({path("problem.prb"), problem}, {path("answer.ans"), answer});
    storage_testing::set_fault_hook({});
    QCOMPARE(failed.what, PaperError::What::SaveHalfDone);
    QCOMPARE(find_interrupted_save(folder->path()).state, InterruptedSave::State::FirstReplaced);

    platform::testing::queue_answer(true);
    fixture.open_paper(folder->path());
    QVERIFY2(shown_messages().isEmpty(), qPrintable(shown_messages().join(QLatin1Char('\n'))));
    QCOMPARE(read_file(path("problem.prb")), problem);
    QCOMPARE(read_file(path("answer.ans")), answer);
    QCOMPARE(files_in(folder->path()), (QStringList{"answer.ans", "problem.prb"}));
}

void TestCommands::saveCutShort_thenFilesChanged_isLeftAlone_data()
{
    QTest::addColumn<QString>("changed");
    QTest::addColumn<bool>("removed"); // else a byte added
    QTest::newRow("the new problem.prb edited") << "problem.prb" << false;
    QTest::newRow("the waiting answer.ans removed") << "answer temporary" << true;
    QTest::newRow("the waiting answer.ans grown") << "answer temporary" << false;
    QTest::newRow("the record garbled") << ".qv_make-save" << false;
    // A record is trusted only for this program's own temporary names.
    QTest::newRow("the record naming a file elsewhere") << "record elsewhere" << false;
}

// A save cut short, then files of the folder changed by hand: nothing can
// tell which files belong together, so nothing is read, finished or removed,
// and the teacher is told where to look.
void TestCommands::saveCutShort_thenFilesChanged_isLeftAlone()
{
    QFETCH(QString, changed);
    QFETCH(bool, removed);
    write_paper_files(folder->path(), kOlderProblem, kOlderAnswer);
    storage_testing::set_fault_hook([](Step step, const QString &where) {
        return step == Step::Replace && step_file(where) == QLatin1String("answer.ans");
    });
    replace_paper_files({path("problem.prb"), kExampleProblem},
                        {path("answer.ans"), kExampleAnswer});
    storage_testing::set_fault_hook({});
    const InterruptedSave cut = find_interrupted_save(folder->path());
    QCOMPARE(cut.state, InterruptedSave::State::FirstReplaced);
    if (changed == QLatin1String("record elsewhere")) {
        // The waiting answer.ans moved to another name, reached through a
        // folder named like a temporary: every size still fits the record.
        const QString waiting = QFileInfo(cut.temporaries[1]).fileName();
        const QString through = QStringLiteral("answer.ans.qv_make-zzzzzz");
        QVERIFY(QDir(folder->path()).mkdir(through));
        QVERIFY(QFile::rename(cut.temporaries[1], path("elsewhere")));
        QByteArray record = read_file(path(".qv_make-save"));
        record.replace(waiting.toUtf8(), (through + QStringLiteral("/../elsewhere")).toUtf8());
        QFile file(path(".qv_make-save"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(record) == record.size());
    } else {
        QFile file(changed == QLatin1String("answer temporary") ? cut.temporaries[1]
                                                                : folder->filePath(changed));
        if (removed)
            QVERIFY(file.remove());
        else
            QVERIFY(file.open(QIODevice::Append) && file.write("x") == 1);
    }
    const QMap<QString, QByteArray> before = folder_contents(folder->path());

    fixture.open_paper(folder->path());
    const QString record = QDir::toNativeSeparators(path(".qv_make-save"));
    // A waiting file that is no longer what the save wrote is named.
    const QString told =
        changed == QLatin1String("answer temporary") && !removed
            ? QStringLiteral("上次保存被中断，但记录中的临时文件 %1 的大小与记录不符（应为 %2 "
                             "字节），不能用它完成这次保存；什么也没有改动。请检查文件夹 %3 "
                             "中的文件；确认无误后删除 %4，再打开试卷。")
                  .arg(QDir::toNativeSeparators(cut.temporaries[1]),
                       QString::number(QByteArray(kExampleAnswer).size()),
                       QDir::toNativeSeparators(folder->path()), record)
            : QStringLiteral("上次保存被中断，而且文件夹中的文件在那之后又被改动过，"
                             "无法确定哪些文件是配套的。请检查文件夹 %1 中的 "
                             "problem.prb、answer.ans 和以 “.qv_make-”开头的文件；"
                             "确认无误后删除 %2，再打开试卷。")
                  .arg(QDir::toNativeSeparators(folder->path()), record);
    QCOMPARE(shown_messages(), QStringList(told));
    QCOMPARE(questions_asked(), 0);
    QCOMPARE(problem_path[0], '\0');
    QCOMPARE(folder_contents(folder->path()), before);
}

// Something in answer.ans's place (here a folder) makes its rename fail for
// real, after problem.prb is already new: neither the save nor its finishing
// at the next open may pass for done while the new answers wait aside.
void TestCommands::save_answerFileThatCannotBeReplaced_isNeverTakenForSaved()
{
    open_example();
    fixture.show_tab(3);
    on<QTextEdit>("unch_ans_in")->setPlainText(QStringLiteral("See the book."));
    fixture.click("unch_save");
    QVERIFY(QFile::remove(path("answer.ans")));
    QVERIFY(QDir(folder->path()).mkpath(QStringLiteral("answer.ans/in the way")));
    fixture.click("save_paper");
    QCOMPARE(shown_messages().size(), 1);
    QVERIFY2(shown_messages()[0].contains(QStringLiteral("answer.ans")) &&
                 shown_messages()[0].contains(QStringLiteral("下次打开这份试卷时")),
             qPrintable(shown_messages()[0]));
    QVERIFY(paper_has_unsaved_changes());
    QCOMPARE(read_file(path("problem.prb")), kExampleProblem);

    fixture.tear_down();
    fixture.set_up();
    platform::testing::queue_answer(true); // finish the save
    fixture.open_paper(folder->path());
    QCOMPARE(shown_messages().size(), 1);
    QVERIFY2(
        shown_messages()[0].startsWith(QStringLiteral("无法完成上次被中断的保存：无法替换 %1：")
                                           .arg(QDir::toNativeSeparators(path("answer.ans")))),
        qPrintable(shown_messages()[0]));
    QCOMPARE(problem_path[0], '\0');
    QVERIFY(files_in(folder->path()).contains(QStringLiteral(".qv_make-save")));

    QVERIFY(QDir(path("answer.ans")).removeRecursively());
    platform::testing::queue_answer(true);
    fixture.open_paper(folder->path());
    QCOMPARE(shown_messages().size(), 1);
    QCOMPARE(read_file(path("answer.ans")), QByteArray("2\r\n5\r\n@See the book.$\r\n"));
    QCOMPARE(files_in(folder->path()), (QStringList{"answer.ans", "problem.prb"}));
    QCOMPARE(on<QTextEdit>("unch_ans_in")->toPlainText(), QStringLiteral("See the book."));
}

void TestCommands::save_removesOnlyItsOwnLeftovers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("removed");
    QTest::newRow("a save's own problem.prb") << "problem.prb.qv_make-AbC123" << true;
    QTest::newRow("a save's own answer.ans") << "answer.ans.qv_make-xYz789" << true;
    QTest::newRow("the teacher's .bak") << "problem.prb.bak" << false;
    QTest::newRow("the teacher's .orig") << "answer.ans.orig" << false;
    QTest::newRow("five characters after the mark") << "problem.prb.qv_make-AbC12" << false;
    QTest::newRow("seven characters after the mark") << "answer.ans.qv_make-xYz7890" << false;
    QTest::newRow("nothing after the mark") << "problem.prb.qv_make-" << false;
    QTest::newRow("another name in front") << "old problem.prb.qv_make-AbC123" << false;
    // Six letters and digits, but no name this program makes: it puts a
    // capital and a digit in each.
    QTest::newRow("the teacher's backup") << "problem.prb.qv_make-backup" << false;
    QTest::newRow("capitals without a digit") << "answer.ans.qv_make-BACKUP" << false;
    QTest::newRow("digits without a capital") << "problem.prb.qv_make-copy12" << false;
    // It makes them of ASCII letters and digits alone.
    QTest::newRow("a letter beyond ASCII") << QStringLiteral("problem.prb.qv_make-Äb1C23") << false;
    QTest::newRow("a full-width digit") << QStringLiteral("answer.ans.qv_make-AbC12３") << false;
}

// Whatever writes the pair, saving or a new paper over it, tidies up only
// what a save of this program leaves.
void TestCommands::save_removesOnlyItsOwnLeftovers()
{
    QFETCH(QString, name);
    QFETCH(bool, removed);
    for (const bool new_paper : {false, true}) {
        open_example();
        QFile file(folder->filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("the teacher's");
        file.close();
        if (new_paper) {
            platform::testing::queue_folder(folder->path());
            platform::testing::queue_answer(true);
            fixture.click("new_paper");
        } else {
            fixture.click("save_paper");
        }
        QVERIFY2(shown_messages().isEmpty(), qPrintable(shown_messages().join(QLatin1Char('\n'))));
        QCOMPARE(QFileInfo::exists(folder->filePath(name)), !removed);
        fixture.tear_down();
        fixture.set_up();
    }
}

void TestCommands::save_keepsEachFilesPermissions_data()
{
    QTest::addColumn<int>("problem_mode");
    QTest::addColumn<int>("answer_mode");
    QTest::newRow("0640 and 0604") << 0640 << 0604;
    QTest::newRow("0600 and 0644") << 0600 << 0644;
    QTest::newRow("0664 and 0660") << 0664 << 0660;
    // -1: the file was removed after the paper was opened; saved anew, it has
    // what any new file gets, 0666 less the umask.
    QTest::newRow("answer.ans removed") << 0640 << -1;
}

// A saved file is the same file to the system as before: whoever could read
// it still can, and nobody more.
void TestCommands::save_keepsEachFilesPermissions()
{
#ifndef Q_OS_UNIX
    QSKIP("POSIX permission bits");
#else
    QFETCH(int, problem_mode);
    QFETCH(int, answer_mode);
    const auto mode_of = [this](const char *file) {
        struct stat info;
        return ::stat(QFile::encodeName(path(file)).constData(), &info) == 0
                   ? int(info.st_mode & 07777)
                   : -1;
    };
    open_example();
    const mode_t umask = ::umask(022);
    ::umask(umask);
    QCOMPARE(::chmod(QFile::encodeName(path("problem.prb")).constData(), mode_t(problem_mode)), 0);
    if (answer_mode < 0) {
        QVERIFY(QFile::remove(path("answer.ans")));
        answer_mode = int(0666 & ~umask);
    } else {
        QCOMPARE(::chmod(QFile::encodeName(path("answer.ans")).constData(), mode_t(answer_mode)),
                 0);
    }
    fixture.show_tab(3);
    on<QTextEdit>("unch_ans_in")->setPlainText(QStringLiteral("See the book."));
    fixture.click("unch_save");
    fixture.click("save_paper");
    QVERIFY2(shown_messages().isEmpty(), qPrintable(shown_messages().join(QLatin1Char('\n'))));
    QCOMPARE(read_file(path("answer.ans")), QByteArray("2\r\n5\r\n@See the book.$\r\n"));
    QCOMPARE(mode_of("problem.prb"), problem_mode);
    QCOMPARE(mode_of("answer.ans"), answer_mode);
#endif
}

// --- close -----------------------------------------------------------------

void TestCommands::close_cancel_keepsEverything()
{
    open_example();
    const QByteArray open_problem_path(problem_path);
    platform::testing::queue_answer(false);
    fixture.click("close_paper");
    QCOMPARE(platform::testing::shown_dialogs().last().text, kCloseConfirmation);
    QCOMPARE(platform::testing::shown_dialogs().last().caption, QStringLiteral("提示"));
    QCOMPARE(QByteArray(problem_path), open_problem_path);
    QCOMPARE(onech_count, 1);
    QCOMPARE(on<QSpinBox>("unch_in")->value(), 1);
    QVERIFY(on<QPushButton>("close_paper")->isEnabled());
    QCOMPARE(on<QTextEdit>("somech_pro_in")->toPlainText(), QStringLiteral("Which are even?"));
}

void TestCommands::close_ok_returnsToTheNoPaperState()
{
    write_paper_files(
        folder->path(),
        "3 2 1\r\n1\r\n@a$\r\n1\r\n@b$\r\n1\r\n@c$\r\n1 0\r\n@d$\r\n1 0\r\n@e$\r\n1\r\n@f$\r\n",
        "1\r\n2\r\n4\r\n3\r\n63\r\n@g$\r\n");
    fixture.open_paper(folder->path());
    fixture.show_tab(2);
    platform::testing::queue_answer(true);
    fixture.click("close_paper");

    QCOMPARE(on<QLabel>("total_sum")->text(), QStringLiteral("试卷总分确认：未打开试卷"));
    for (const char *name :
         {"close_paper", "save_paper", "onech_in", "somech_in", "unch_in", "out_total",
          "onech_pro_in", "onech_A", "onech_save", "somech_pro_in", "somech_F", "somech_scsor_in",
          "unch_pro_in", "unch_ans_in", "unch_next"})
        QVERIFY2(!on<QWidget>(name)->isEnabled(), name);
    for (const char *name : {"onech_in", "somech_in", "unch_in"})
        QCOMPARE(on<QSpinBox>(name)->value(), 0);
    for (const char *name : {"onech_num", "somech_num", "unch_num"})
        QCOMPARE(on<QLCDNumber>(name)->intValue(), 0);
    for (const char *name : {"onech_A", "onech_B", "onech_C"})
        QVERIFY(!on<QRadioButton>(name)->isChecked());
    QVERIFY(on<QPushButton>("new_paper")->isEnabled());
    QVERIFY(on<QPushButton>("open_paper")->isEnabled());
    QCOMPARE(fixture.find<QTabWidget>("tabWidget")->currentIndex(), 2);
    QCOMPARE(problem_path[0], '\0');
    QCOMPARE(answer_path[0], '\0');
    QCOMPARE(onech_count + somech_count + unch_count, 0);
    QCOMPARE(onech_current + somech_current + unch_current, 0);
    QCOMPARE(somech_table[2].answer, 63); // records are kept
}

void TestCommands::close_saveWhileTheBoxIsUp_savesFirst()
{
    open_example();
    fixture.show_tab(1);
    on<QTextEdit>("onech_pro_in")->setPlainText(QStringLiteral("2+2=?"));
    fixture.click("onech_save");
    platform::testing::queue_answer(true, [this] { fixture.click("save_paper"); });
    fixture.click("close_paper");
    QCOMPARE(read_file(path("problem.prb")), QByteArray(kExampleProblem).replace("1+1=?", "2+2=?"));
    QVERIFY(!on<QPushButton>("save_paper")->isEnabled());
}

void TestCommands::close_thenOpenSmallerPaper_recordsAboveTheCountSurvive()
{
    write_paper_files(folder->path(), numbered_single_choice_paper(10, "first "),
                      QByteArray("0\r\n").repeated(10));
    fixture.open_paper(folder->path());
    platform::testing::queue_answer(true);
    fixture.click("close_paper");

    QTemporaryDir smaller;
    write_paper_files(smaller.path(), numbered_single_choice_paper(5, "second "),
                      QByteArray("0\r\n").repeated(5));
    fixture.open_paper(smaller.path());
    on<QSpinBox>("onech_in")->setValue(7);
    fixture.show_tab(1);
    for (int i = 0; i < 5; ++i)
        fixture.click("onech_next");
    QCOMPARE(on<QTextEdit>("onech_pro_in")->toPlainText(), QStringLiteral("first 6"));
    fixture.click("onech_next");
    QCOMPARE(on<QTextEdit>("onech_pro_in")->toPlainText(), QStringLiteral("first 7"));
}

// --- unsaved work ----------------------------------------------------------

void TestCommands::unsaved_openingAnotherPaperAsksFirst()
{
    open_example();
    QTemporaryDir other;
    write_paper_files(other.path(), "0 0 0", QByteArray());
    // Stored but unsaved: the count change alone makes the paper differ.
    on<QSpinBox>("onech_in")->setValue(0);

    platform::testing::queue_answer(false);
    fixture.click("open_paper");
    QCOMPARE(questions_asked(), 1);
    QVERIFY2(
        platform::testing::shown_dialogs().last().text.contains(QStringLiteral("保存当前试卷")),
        qPrintable(platform::testing::shown_dialogs().last().text));
    QCOMPARE(QByteArray(problem_path), QFile::encodeName(path("problem.prb")));
    QCOMPARE(platform::testing::pending_answers(), 0);

    platform::testing::queue_answer(true);
    fixture.open_paper(other.path());
    QCOMPARE(QByteArray(problem_path), QFile::encodeName(other.filePath("problem.prb")));

    // Nothing changed since it was read: replaced at once, without a question.
    QTemporaryDir third;
    write_paper_files(third.path(), "0 0 0", QByteArray());
    fixture.open_paper(third.path());
    QCOMPARE(questions_asked(), 2);
    QCOMPARE(QByteArray(problem_path), QFile::encodeName(third.filePath("problem.prb")));
}

void TestCommands::unsaved_closingTheWindowAsksFirst()
{
    open_example();
    fixture.show_tab(3);
    on<QDoubleSpinBox>("unch_score_in")->setValue(12.5);
    fixture.click("unch_save");

    platform::testing::queue_answer(false);
    QVERIFY(!fixture.window().close());
    QTRY_COMPARE(questions_asked(), 1);
    QVERIFY(fixture.window().isVisible());

    fixture.click("save_paper"); // now the files hold the paper
    QVERIFY(fixture.window().close());
    QCOMPARE(questions_asked(), 1);
    QCOMPARE(read_file(path("problem.prb")),
             QByteArray(kExampleProblem).replace("\r\n10\r\n", "\r\n12.5\r\n"));
}

void TestCommands::unsaved_cleanPaperClosesAtOnce()
{
    open_example();
    fixture.show_tab(1);
    fixture.click("onech_next"); // stores the question unchanged
    QVERIFY(fixture.window().close());
    QCOMPARE(questions_asked(), 0);
    QCOMPARE(read_file(path("problem.prb")), kExampleProblem);
}

void TestCommands::unsaved_leavingThePaperAsks_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<bool>("by_opening"); // else by closing the window
    QTest::addColumn<bool>("asked");
    const struct {
        const char *edit;
        bool asked;
    } edits[] = {{"every count lowered to 0", true},
                 {"stored, then the save failed on disk", true},
                 {"text typed over a clean paper, not stored", true},
                 {"single choice typed over a clean paper, not stored", true},
                 {"multiple choice typed over a clean paper, not stored", true},
                 {"stored and saved", false}};
    for (const auto &edit : edits) {
        QTest::addRow("%s, then open", edit.edit) << edit.edit << true << edit.asked;
        QTest::addRow("%s, then close", edit.edit) << edit.edit << false << edit.asked;
    }
}

void TestCommands::unsaved_leavingThePaperAsks()
{
    QFETCH(QString, edit);
    QFETCH(bool, by_opening);
    QFETCH(bool, asked);
    open_example();
    if (edit.startsWith(QLatin1String("every count"))) {
        for (const char *count : {"onech_in", "somech_in", "unch_in"})
            on<QSpinBox>(count)->setValue(0);
    } else if (edit.startsWith(QLatin1String("single"))) {
        fixture.show_tab(1);
        on<QTextEdit>("onech_pro_in")->setPlainText(QStringLiteral("1+2=?"));
    } else if (edit.startsWith(QLatin1String("multiple"))) {
        fixture.show_tab(2);
        on<QTextEdit>("somech_pro_in")->setPlainText(QStringLiteral("Which are odd?"));
    } else {
        fixture.show_tab(3);
        on<QTextEdit>("unch_ans_in")->setPlainText(QStringLiteral("See the book."));
    }
    if (edit.startsWith(QLatin1String("stored"))) {
        fixture.click("unch_save");
        if (edit.contains(QLatin1String("failed")))
            storage_testing::set_fault_hook(
                [](Step step, const QString &) { return step == Step::WriteTemporary; });
        fixture.click("save_paper");
        storage_testing::set_fault_hook({});
        QCOMPARE(shown_messages().size(), edit.contains(QLatin1String("failed")) ? 1 : 0);
    }

    const QByteArray open_problem_path(problem_path);
    QTemporaryDir other;
    write_paper_files(other.path(), "0 0 0", QByteArray());
    platform::testing::queue_answer(false); // keep the paper
    if (by_opening) {
        platform::testing::queue_folder(other.path());
        fixture.click("open_paper");
        QCOMPARE(QByteArray(problem_path) == open_problem_path, asked);
    } else {
        const bool closed = fixture.window().close();
        QCoreApplication::processEvents();
        QCOMPARE(!closed && fixture.window().isVisible(), asked);
    }
    QCOMPARE(questions_asked(), asked ? 1 : 0);
    // Typing not yet stored needs its page's button before the paper's.
    if (asked)
        QCOMPARE(platform::testing::shown_dialogs().last().text.contains(
                     QStringLiteral("“保存当前试题”")),
                 edit.contains(QLatin1String("not stored")));
}

void TestCommands::unsaved_whatMakesThePaperChanged_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<bool>("changed");
    QTest::newRow("store of an unchanged question") << "none" << false;
    QTest::newRow("problem text") << "problem" << true;
    QTest::newRow("free-answer answer text") << "answer text" << true;
    QTest::newRow("score") << "score" << true;
    QTest::newRow("partial score") << "partial score" << true;
    QTest::newRow("answer option") << "option" << true;
    QTest::newRow("count") << "count" << true;
    QTest::newRow("text typed, not stored") << "typed" << false;
}

void TestCommands::unsaved_whatMakesThePaperChanged()
{
    QFETCH(QString, edit);
    QFETCH(bool, changed);
    open_example();
    if (edit == QLatin1String("count")) {
        on<QSpinBox>("unch_in")->setValue(2);
    } else {
        // Every page is stored, with the one edit made first.
        fixture.show_tab(1);
        if (edit == QLatin1String("problem") || edit == QLatin1String("typed"))
            on<QTextEdit>("onech_pro_in")->setPlainText(QStringLiteral("1+1=?!"));
        else if (edit == QLatin1String("score"))
            on<QDoubleSpinBox>("onech_score_in")->setValue(2.5);
        if (edit != QLatin1String("typed"))
            fixture.click("onech_save");
        fixture.show_tab(2);
        if (edit == QLatin1String("partial score"))
            on<QDoubleSpinBox>("somech_scsor_in")->setValue(1);
        else if (edit == QLatin1String("option"))
            fixture.click("somech_B");
        fixture.click("somech_save");
        fixture.show_tab(3);
        if (edit == QLatin1String("answer text"))
            on<QTextEdit>("unch_ans_in")->setPlainText(QStringLiteral("See the book."));
        fixture.click("unch_save");
    }
    QCOMPARE(paper_has_unsaved_changes(), changed);

    fixture.click("save_paper");
    QVERIFY(!paper_has_unsaved_changes());
    on<QSpinBox>("onech_in")->setValue(0);
    QVERIFY(paper_has_unsaved_changes());
    platform::testing::queue_answer(true); // discard
    fixture.open_paper(folder->path());
    QVERIFY(!paper_has_unsaved_changes());
    QCOMPARE(questions_asked(), 1);
}

void TestCommands::unsaved_newPaperOverTheOpenFolder_leavesThePaperUnsaved()
{
    open_example();
    platform::testing::queue_folder(folder->path());
    platform::testing::queue_answer(true); // replace the paper there
    fixture.click("new_paper");
    QCOMPARE(read_file(path("problem.prb")), QByteArray("0 0 0"));

    // The paper in memory is now nowhere on disk: closing asks.
    platform::testing::queue_answer(false);
    QVERIFY(!fixture.window().close());
    QTRY_COMPARE(questions_asked(), 2);
    fixture.click("save_paper");
    QCOMPARE(read_file(path("problem.prb")), kExampleProblem);
    QVERIFY(fixture.window().close());
}

namespace
{

// A close request as the title bar's close button sends it, to the native window.
void request_native_close(QWidget &window)
{
    QCloseEvent request;
    QCoreApplication::sendEvent(window.windowHandle(), &request);
}

int folder_dialogs_shown()
{
    int shown = 0;
    for (const ShownDialog &dialog : platform::testing::shown_dialogs())
        shown += dialog.kind == ShownDialog::Kind::Folder;
    return shown;
}

} // namespace

void TestCommands::unsaved_closeRequestedAgainWhileAsking_isRefused()
{
    open_example();
    on<QSpinBox>("somech_in")->setValue(0);
    QWidget &window = fixture.window();

    platform::testing::queue_answer(false, [&] { request_native_close(window); });
    request_native_close(window);
    QTRY_COMPARE(questions_asked(), 1);
    QCoreApplication::processEvents();
    QCOMPARE(questions_asked(), 1);
    QVERIFY(window.isVisible());
    QVERIFY(window.windowHandle() && window.windowHandle()->handle());
    QCOMPARE(somech_count, 0);
    QCOMPARE(QByteArray(problem_path), QFile::encodeName(path("problem.prb")));

    // OK closes the window, and the program ends normally.
    platform::testing::queue_answer(true);
    QTimer::singleShot(0, [&] { request_native_close(window); });
    QTimer not_closed; // fails the test instead of hanging it
    not_closed.setSingleShot(true);
    QObject::connect(&not_closed, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    not_closed.start(5000);
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!window.isVisible());
    QCOMPARE(questions_asked(), 2);
    QCOMPARE(read_file(path("problem.prb")), kExampleProblem); // closing saves nothing
}

void TestCommands::commandPressedAgainWhileItsQuestionIsUp_doesNothing_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<int>("folder_dialogs");
    QTest::newRow("open over unsaved changes") << QByteArray("open_paper") << 0;
    QTest::newRow("new over an existing paper") << QByteArray("new_paper") << 1;
    QTest::newRow("close paper") << QByteArray("close_paper") << 0;
}

void TestCommands::commandPressedAgainWhileItsQuestionIsUp_doesNothing()
{
    QFETCH(QByteArray, button);
    QFETCH(int, folder_dialogs);
    open_example();
    on<QSpinBox>("somech_in")->setValue(0);
    const int dialogs_before = folder_dialogs_shown();
    platform::testing::queue_folder(folder->path()); // only new paper takes it
    platform::testing::queue_answer(false, [&] {
        fixture.click(button.constData());
        fixture.click(button.constData());
    });
    fixture.click(button.constData());
    QCOMPARE(questions_asked(), 1);
    QCOMPARE(folder_dialogs_shown() - dialogs_before, folder_dialogs);
    QCOMPARE(somech_count, 0);
    QVERIFY(on<QPushButton>("close_paper")->isEnabled());
    QCOMPARE(read_file(path("problem.prb")), kExampleProblem);
}

void TestCommands::windowClosedWhileACommandAsksOverACleanPaper_staysOpen_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::newRow("new paper over an existing one") << QByteArray("new_paper");
    QTest::newRow("open a paper whose save was cut short") << QByteArray("open_paper");
    QTest::newRow("close paper") << QByteArray("close_paper");
}

// The question does not block the window, so its close button still works
// while the question is up; the window must outlive the command that asks.
void TestCommands::windowClosedWhileACommandAsksOverACleanPaper_staysOpen()
{
    QFETCH(QByteArray, button);
    QTemporaryDir other;
    write_paper_files(other.path(), kOlderProblem, kOlderAnswer);
    storage_testing::set_fault_hook([](Step step, const QString &where) {
        return step == Step::Replace && where.endsWith(QLatin1String("answer.ans"));
    });
    QVERIFY(replace_paper_files({other.filePath("problem.prb"), kExampleProblem},
                                {other.filePath("answer.ans"), kExampleAnswer})
                .failed());
    storage_testing::set_fault_hook({});
    open_example();
    QVERIFY(!paper_has_unsaved_changes());

    QWidget &window = fixture.window();
    platform::testing::queue_folder(button == "open_paper" ? other.path() : folder->path());
    platform::testing::queue_answer(true, [&] { request_native_close(window); });
    fixture.click(button.constData());
    QCoreApplication::processEvents();
    QCOMPARE(questions_asked(), 1);
    QVERIFY(window.isVisible());
    QVERIFY(window.windowHandle() && window.windowHandle()->handle());
    // The command went on as answered.
    if (button == "new_paper")
        QCOMPARE(read_file(path("problem.prb")), QByteArray("0 0 0"));
    else if (button == "open_paper")
        QCOMPARE(QByteArray(problem_path), QFile::encodeName(other.filePath("problem.prb")));
    else
        QCOMPARE(problem_path[0], '\0');
}

void TestCommands::unsaved_newPaperOverTheOpenFolder_leavesAnEmptyPaperSaved_data()
{
    QTest::addColumn<QByteArray>("problem");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("changed");
    QTest::newRow("no questions") << QByteArray("0 0 0") << QByteArray() << false;
    QTest::newRow("one single-choice question")
        << QByteArray("1 0 0\r\n1\r\n@a$\r\n") << QByteArray("1\r\n") << true;
    QTest::newRow("one free-answer question")
        << QByteArray("0 0 1\r\n1\r\n@a$\r\n") << QByteArray("@b$\r\n") << true;
}

// The folder now holds an empty paper: the paper in memory is still what its
// files hold only if it has no questions.
void TestCommands::unsaved_newPaperOverTheOpenFolder_leavesAnEmptyPaperSaved()
{
    QFETCH(QByteArray, problem);
    QFETCH(QByteArray, answer);
    QFETCH(bool, changed);
    write_paper_files(folder->path(), problem, answer);
    fixture.open_paper(folder->path());
    platform::testing::queue_folder(folder->path());
    platform::testing::queue_answer(true);
    fixture.click("new_paper");
    QCOMPARE(paper_has_unsaved_changes(), changed);
}

QTEST_MAIN(TestCommands)
#include "test_commands.moc"
