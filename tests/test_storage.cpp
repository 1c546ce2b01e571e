// Storage and the paper commands without the window: a save's steps in their
// order, failures at each of them injected through the storage seam or by the
// system itself in a child process, and what a read, a write or a save leaves
// open.

#include "tests/test_support.h"

#include "paper/paper_commands.h"
#include "paper/paper_messages.h"
#include "paper/paper_storage.h"
#include "paper/storage.h"
#include "tests/paper_testing.h"
#include "tests/save_testing.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

using Step = storage_testing::Step;
Q_DECLARE_METATYPE(Step)

namespace
{

// Files, folders and anything else the process holds open; -1 where it
// cannot be told.
int open_handles()
{
#if defined(Q_OS_LINUX)
    return int(QDir(QStringLiteral("/proc/self/fd"))
                   .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                   .size());
#elif defined(Q_OS_WIN)
    DWORD count = 0;
    return GetProcessHandleCount(GetCurrentProcess(), &count) ? int(count) : -1;
#else
    return -1;
#endif
}

} // namespace

class TestStorage : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { install_strict_message_handler(); }
    void init();
    void cleanup() { storage_testing::set_fault_hook({}); }

    void open_paperLargerThanMemory_isReportedNotCrashed();
    void open_removesWhatSavesKilledPartWayLeft();
    void temporaryNames_areOfTheShapeTheCleanUpRemoves();
    void finishingASave_usesOnlyTheTemporariesItWrote_data();
    void finishingASave_usesOnlyTheTemporariesItWrote();
    void finishingASave_pastARename_onlyWhereThatTemporaryIsGone_data();
    void finishingASave_pastARename_onlyWhereThatTemporaryIsGone();
    void save_whoseRecordStays_isSavedAndTold_andTheNextOpenRemovesIt_data();
    void save_whoseRecordStays_isSavedAndTold_andTheNextOpenRemovesIt();

    void save_failingPartWay_leavesBothOldFilesIntact_data();
    void save_failingPartWay_leavesBothOldFilesIntact();
    void save_syncFailing_isReported_data();
    void save_syncFailing_isReported();
    void save_syncsBothFilesBeforeReplacingEither();
    void singleFileWrite_thatFails_saysWhatAndWhere_data();
    void singleFileWrite_thatFails_saysWhatAndWhere();
    void storage_leavesNoFileOpen_data();
    void storage_leavesNoFileOpen();

  private:
    QString path(const char *file) const { return folder->filePath(QLatin1String(file)); }

    std::unique_ptr<QTemporaryDir> folder;
};

void TestStorage::init()
{
    storage_testing::set_fault_hook({});
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
}

void TestStorage::open_paperLargerThanMemory_isReportedNotCrashed()
{
#if !defined(Q_OS_UNIX) || defined(__SANITIZE_ADDRESS__)
    QSKIP("needs a POSIX address-space limit, which the sanitizers cannot run under");
#else
    write_paper_files(folder->path(), "0 0 1\r\n1\r\n@a$\r\n", "@b$");
    QFile problem(path("problem.prb"));
    QVERIFY(problem.resize(700 << 20)); // sparse: costs no disk
    const ChildSave child = run_save_child(folder->path(), 0, 0, {}, {QStringLiteral("300")});
    QVERIFY2(child.exit_code == 2 && child.said.contains(QStringLiteral("内存不足")),
             qPrintable(child.said));
#endif
}

// Every entry of the folder: a file with its bytes, a folder, or a link with
// where it leads.
QMap<QString, QByteArray> entries_of(const QString &folder)
{
    QMap<QString, QByteArray> entries;
    const QDir dir(folder);
    for (const QFileInfo &entry :
         dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (entry.isSymLink())
            entries[entry.fileName()] = "link to " + entry.symLinkTarget().toUtf8();
        else if (entry.isDir())
            entries[entry.fileName()] = "folder";
        else
            entries[entry.fileName()] = read_file(entry.filePath());
    }
    return entries;
}

// Saves killed part-way leave temporaries of the paper files and of the
// record; the next open removes them, and nothing a teacher named alike.
void TestStorage::open_removesWhatSavesKilledPartWayLeft()
{
    write_paper_files(folder->path(), kExampleProblem, kExampleAnswer);
    const QStringList leftovers{"problem.prb.qv_make-AbC123", "answer.ans.qv_make-9xYzQ1",
                                ".qv_make-save.qv_make-Q1w2E3"};
    const QStringList teachers{"problem.prb.qv_make-backup", "answer.ans.bak",
                               "problem.prb.qv_make-AbC1234"};
    for (const QString &name : leftovers + teachers)
        QVERIFY(write_file(folder->filePath(name), "left over"));
    const CommandOutcome opened = open_paper_folder(folder->path());
    QVERIFY2(opened.ok(), qPrintable(opened.message()));
    QStringList kept = teachers + QStringList{"answer.ans", "problem.prb"};
    kept.sort();
    QCOMPARE(files_in(folder->path()), kept);
}

// Whatever the draw, a temporary's name ends as the clean-up expects: were a
// draw to lack its capital or its digit, a save killed then would leave a
// file that nothing ever removes.
void TestStorage::temporaryNames_areOfTheShapeTheCleanUpRemoves()
{
    write_paper_files(folder->path(), kExampleProblem, kExampleAnswer);
    QSet<QString> drawn;
    for (int i = 0; i < 2000; ++i) {
        const QString suffix = storage::temporary_suffix();
        drawn.insert(suffix);
        // Left behind as a killed save leaves it, then tidied by an open.
        QVERIFY(write_file(path("problem.prb.qv_make-") + suffix, "left over"));
    }
    QVERIFY(drawn.size() > 1990);
    QVERIFY(open_paper_folder(folder->path()).ok());
    QCOMPARE(files_in(folder->path()), (QStringList{"answer.ans", "problem.prb"}));
}

// The record a save leaves before its renames, naming the temporaries the
// tests below write.
QByteArray save_record_of(const QByteArray &problem, const QByteArray &answer)
{
    return "qv_make interrupted save 1\nproblem.prb problem.prb.qv_make-AbC123 " +
           QByteArray::number(problem.size()) + "\nanswer.ans answer.ans.qv_make-XyZ789 " +
           QByteArray::number(answer.size()) + "\nend\n";
}

// What finishing a save says of a temporary it cannot use.
QString unfit_temporary_message(const QString &temporary, const QString &why, const QString &folder)
{
    return QStringLiteral("上次保存被中断，但记录中的临时文件 %1 %2，不能用它完成这次保存；"
                          "什么也没有改动。请检查文件夹 %3 中的文件；确认无误后删除 %4，"
                          "再打开试卷。")
        .arg(QDir::toNativeSeparators(temporary), why, QDir::toNativeSeparators(folder),
             QDir::toNativeSeparators(folder + QStringLiteral("/.qv_make-save")));
}

void TestStorage::finishingASave_usesOnlyTheTemporariesItWrote_data()
{
    QTest::addColumn<QString>("temporary"); // what stands at the new answer file's temporary
    QTest::addColumn<QString>("said");      // empty: the save is finished
    QTest::newRow("the file the save wrote") << "as written" << QString();
    QTest::newRow("a link to a file of its size")
        << "link" << QStringLiteral("是一个符号链接，不是 qv_make 写下的文件");
    QTest::newRow("a folder") << "folder" << QStringLiteral("不是一个普通文件");
    QTest::newRow("a file of another size")
        << "longer" << QStringLiteral("的大小与记录不符（应为 %1 字节）");
    QTest::newRow("a file that cannot be read") << "unreadable" << QStringLiteral("无法读取");
}

// A save cut short before either replacement names its temporaries in its
// record. Finishing it renames them over the paper files: only when each is
// the regular file the save wrote, of the recorded size, and readable; else
// nothing is touched and the teacher is told which file and why.
void TestStorage::finishingASave_usesOnlyTheTemporariesItWrote()
{
    QFETCH(QString, temporary);
    QFETCH(QString, said);
#ifndef Q_OS_UNIX
    if (temporary == QLatin1String("link"))
        QSKIP("a symbolic link is made the POSIX way");
#endif
    write_paper_files(folder->path(), kExampleProblem, kExampleAnswer);
    const QByteArray new_problem = QByteArray(kExampleProblem).replace("1+1=?", "2+2=?");
    const QByteArray new_answer = QByteArray(kExampleAnswer).replace("notes", "book");
    const QString waiting_problem = path("problem.prb.qv_make-AbC123");
    const QString waiting_answer = path("answer.ans.qv_make-XyZ789");
    QVERIFY(write_file(waiting_problem, new_problem));
    QVERIFY(write_file(path(".qv_make-save"), save_record_of(new_problem, new_answer)));
    if (temporary == QLatin1String("link")) {
        QVERIFY(write_file(path("elsewhere"), new_answer));
        QVERIFY(QFile::link(path("elsewhere"), waiting_answer));
    } else if (temporary == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(waiting_answer));
    } else {
        QVERIFY(write_file(waiting_answer, temporary == QLatin1String("longer")
                                               ? new_answer + "more"
                                               : new_answer));
    }
    if (temporary == QLatin1String("unreadable"))
        storage_testing::set_fault_hook([waiting_answer](Step step, const QString &where) {
            return step == Step::OpenForReading && where == waiting_answer;
        });
    const QMap<QString, QByteArray> before = entries_of(folder->path());
    const CommandOutcome finished = finish_interrupted_save_in(folder->path());
    storage_testing::set_fault_hook({});
    if (said.isEmpty()) {
        QVERIFY2(finished.ok(), qPrintable(finished.message()));
        QCOMPARE(read_file(path("problem.prb")), new_problem);
        QCOMPARE(read_file(path("answer.ans")), new_answer);
        return;
    }
    QCOMPARE(finished.message(),
             unfit_temporary_message(waiting_answer, said.arg(new_answer.size()), folder->path()));
    QCOMPARE(entries_of(folder->path()), before);
}

void TestStorage::finishingASave_pastARename_onlyWhereThatTemporaryIsGone_data()
{
    QTest::addColumn<int>("renamed");  // how many of the two renames were done
    QTest::addColumn<QString>("left"); // what stands where the problem's temporary was
    QTest::addColumn<QString>("said"); // empty: the save is finished
    const QString folder = QStringLiteral("不是一个普通文件");
    const QString link = QStringLiteral("是一个符号链接，不是 qv_make 写下的文件");
    QTest::newRow("one rename, nothing left as it leaves it") << 1 << "nothing" << QString();
    QTest::newRow("one rename, a folder") << 1 << "folder" << folder;
    QTest::newRow("one rename, a link") << 1 << "link" << link;
    QTest::newRow("both renames, nothing left") << 2 << "nothing" << QString();
    QTest::newRow("both renames, a folder") << 2 << "folder" << folder;
    QTest::newRow("both renames, a link") << 2 << "link" << link;
}

// A save cut short after a rename: the paper file renamed is the new one and
// its temporary is gone. Anything standing where that temporary was came
// since, and the save is not finished past it.
void TestStorage::finishingASave_pastARename_onlyWhereThatTemporaryIsGone()
{
    QFETCH(int, renamed);
    QFETCH(QString, left);
    QFETCH(QString, said);
#ifndef Q_OS_UNIX
    if (left == QLatin1String("link"))
        QSKIP("a symbolic link is made the POSIX way");
#endif
    const QByteArray new_problem = QByteArray(kExampleProblem).replace("1+1=?", "2+2=?");
    const QByteArray new_answer = QByteArray(kExampleAnswer).replace("notes", "book");
    write_paper_files(folder->path(), new_problem, renamed == 2 ? new_answer : kExampleAnswer);
    const QString renamed_problem = path("problem.prb.qv_make-AbC123");
    if (renamed == 1)
        QVERIFY(write_file(path("answer.ans.qv_make-XyZ789"), new_answer));
    QVERIFY(write_file(path(".qv_make-save"), save_record_of(new_problem, new_answer)));
    if (left == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(renamed_problem));
    } else if (left == QLatin1String("link")) {
        QVERIFY(write_file(path("elsewhere"), new_problem));
        QVERIFY(QFile::link(path("elsewhere"), renamed_problem));
    }
    const QMap<QString, QByteArray> before = entries_of(folder->path());
    const CommandOutcome finished = finish_interrupted_save_in(folder->path());
    if (said.isEmpty()) {
        QVERIFY2(finished.ok(), qPrintable(finished.message()));
        QCOMPARE(read_file(path("problem.prb")), new_problem);
        QCOMPARE(read_file(path("answer.ans")), new_answer);
        QVERIFY(!QFileInfo::exists(path(".qv_make-save")));
        return;
    }
    QCOMPARE(finished.message(), unfit_temporary_message(renamed_problem, said, folder->path()));
    QCOMPARE(entries_of(folder->path()), before);
}

void TestStorage::save_whoseRecordStays_isSavedAndTold_andTheNextOpenRemovesIt_data()
{
    // Another program of the system may rewrite the pair before the next
    // open: then the record cannot tell a finished save from one cut short
    // whose files changed since, and the folder is refused as such.
    QTest::addColumn<bool>("rewritten");
    QTest::newRow("opened next") << false;
    QTest::newRow("rewritten by another program before it is opened") << true;
}

// Both files are replaced and the folder synced; only the record of the save
// cannot be removed. The save is whole: the paper counts as saved, the teacher
// is told, and the next open removes the record.
void TestStorage::save_whoseRecordStays_isSavedAndTold_andTheNextOpenRemovesIt()
{
    QFETCH(bool, rewritten);
    write_paper_files(folder->path(), kExampleProblem, kExampleAnswer);
    QVERIFY(open_paper_folder(folder->path()).ok());
    unch_table[1].answer = QStringLiteral("See the book.");
    paper_changed = true;
    storage_testing::set_fault_hook(
        [](Step step, const QString &) { return step == Step::RemoveRecord; });
    const CommandOutcome saved = save_open_paper();
    storage_testing::set_fault_hook({});
    QVERIFY(saved.done());
    QVERIFY2(
        saved.message().startsWith(QStringLiteral("试卷已经保存，但无法删除记录这次保存的文件 ") +
                                   QDir::toNativeSeparators(path(".qv_make-save"))),
        qPrintable(saved.message()));
    QVERIFY(!paper_has_unsaved_changes());
    const QByteArray answer = QByteArray(kExampleAnswer).replace("See the notes.", "See the book.");
    QCOMPARE(read_file(path("answer.ans")), answer);
    QVERIFY(QFileInfo::exists(path(".qv_make-save")));
    if (rewritten)
        write_paper_files(folder->path(), kExampleProblem, kExampleAnswer);
    const CommandOutcome opened = open_paper_folder(folder->path());
    if (rewritten) {
        QVERIFY2(opened.message().contains(QStringLiteral("被改动过")),
                 qPrintable(opened.message()));
        QVERIFY(QFileInfo::exists(path(".qv_make-save")));
        return;
    }
    QVERIFY2(opened.ok(), qPrintable(opened.message()));
    QCOMPARE(files_in(folder->path()), (QStringList{"answer.ans", "problem.prb"}));
    QCOMPARE(unch_table[1].answer, QStringLiteral("See the book."));
}

void TestStorage::save_failingPartWay_leavesBothOldFilesIntact_data()
{
    QTest::addColumn<int>("extra_answer_bytes");
    QTest::addColumn<int>("limit");
    // Both new files outgrow the old ones (the problem file by 100 bytes); the
    // new problem file fits under the limit and the answer file does not, so
    // the failure comes after one temporary file is complete: a problem.prb
    // put in place before answer.ans is written shows.
    const int new_problem_size = int(kExampleProblem.size()) + 100;
    QTest::newRow("answer file far past the limit") << 20000 << 4096;
    QTest::newRow("limit just above the new problem file") << 300 << new_problem_size + 20;
}

void TestStorage::save_failingPartWay_leavesBothOldFilesIntact()
{
#ifndef Q_OS_UNIX
    QSKIP("the file-size limit is a POSIX facility");
#else
    QFETCH(int, extra_answer_bytes);
    QFETCH(int, limit);
    write_paper_files(folder->path(), kExampleProblem, kExampleAnswer);
    const ChildSave save = run_save_child(folder->path(), extra_answer_bytes, limit);
    QVERIFY2(save.exit_code == 3, qPrintable(save.said));
    QVERIFY2(save.said.contains(QStringLiteral("answer.ans")), qPrintable(save.said));

    QCOMPARE(read_file(path("problem.prb")), kExampleProblem);
    QCOMPARE(read_file(path("answer.ans")), kExampleAnswer);
    QCOMPARE(files_in(folder->path()), (QStringList{"answer.ans", "problem.prb"}));
    PaperError error;
    QVERIFY2(read_paper(read_file(path("problem.prb")), read_file(path("answer.ans")), &error),
             qPrintable(paper_message(error)));
#endif
}

void TestStorage::save_syncFailing_isReported_data()
{
    QTest::addColumn<QString>("failing");
    QTest::addColumn<QString>("said");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("the new files' sync")
        << "all" << QStringLiteral("原来的试卷文件没有改动") << false;
    // The first folder sync puts the record of the save on the disk, before
    // either file is replaced.
    QTest::newRow("the folder's sync")
        << "folder" << QStringLiteral("原来的试卷文件没有改动") << false;
}

void TestStorage::save_syncFailing_isReported()
{
#ifndef Q_OS_LINUX
    QSKIP("the sync shim is preloaded the Linux way");
#else
    QFETCH(QString, failing);
    QFETCH(QString, said);
    QFETCH(bool, replaced);
    write_paper_files(folder->path(), kExampleProblem, kExampleAnswer);
    const QByteArray grown = QByteArray(kExampleAnswer).replace("notes.$", "notes.xxxxxxxxxx$");
    const QByteArray grown_problem =
        QByteArray(kExampleProblem).replace("steps.$", "steps." + QByteArray(100, 'p') + "$");
    const ChildSave failed =
        run_save_child(folder->path(), 10, 0, {{"QV_SHIM_FAIL_SYNC", failing}});
    QVERIFY2(failed.exit_code == 3 && failed.said.contains(said), qPrintable(failed.said));
    QCOMPARE(read_file(path("problem.prb")), replaced ? grown_problem : kExampleProblem);
    QCOMPARE(read_file(path("answer.ans")), replaced ? grown : kExampleAnswer);
    QCOMPARE(files_in(folder->path()), (QStringList{"answer.ans", "problem.prb"}));

    write_paper_files(folder->path(), kExampleProblem, kExampleAnswer);
    const ChildSave saved = run_save_child(folder->path(), 10, 0);
    QVERIFY2(saved.exit_code == 0, qPrintable(saved.said));
    QCOMPARE(read_file(path("answer.ans")), grown);
#endif
}

void TestStorage::save_syncsBothFilesBeforeReplacingEither()
{
#ifndef Q_OS_LINUX
    QSKIP("the sync shim is preloaded the Linux way");
#else
    write_paper_files(folder->path(), kExampleProblem, kExampleAnswer);
    // A leftover of a save killed part-way, removed by the next save.
    write_paper_files(folder->path(), "left", "over");
    QVERIFY(QFile::rename(path("problem.prb"), path("problem.prb.qv_make-AbC123")));
    QVERIFY(QFile::rename(path("answer.ans"), path("answer.ans.qv_make-xYz789")));
    write_paper_files(folder->path(), kExampleProblem, kExampleAnswer);
    const QString log = folder->filePath(QStringLiteral("calls.log"));
    const ChildSave saved = run_save_child(folder->path(), 1, 0, {{"QV_SHIM_LOG", log}});
    QVERIFY2(saved.exit_code == 0, qPrintable(saved.said));

    const QString dir = QFileInfo(folder->path()).canonicalFilePath();
    const QStringList calls =
        QString::fromLocal8Bit(read_file(log)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QString problem_temp = dir + QStringLiteral("/problem.prb.qv_make-");
    const QString answer_temp = dir + QStringLiteral("/answer.ans.qv_make-");
    const QString record = dir + QStringLiteral("/.qv_make-save");
    QCOMPARE(calls.size(), 8);
    QVERIFY2(calls[0].startsWith(QStringLiteral("sync ") + problem_temp), qPrintable(calls[0]));
    QVERIFY2(calls[1].startsWith(QStringLiteral("sync ") + answer_temp), qPrintable(calls[1]));
    QVERIFY2(calls[2].startsWith(QStringLiteral("sync ") + record + QStringLiteral(".qv_make-")),
             qPrintable(calls[2]));
    QVERIFY2(calls[3].endsWith(QStringLiteral(" ") + record), qPrintable(calls[3]));
    QCOMPARE(calls[4], QStringLiteral("sync ") + dir);
    QVERIFY2(calls[5].startsWith(QStringLiteral("rename ") + problem_temp) &&
                 calls[5].endsWith(QStringLiteral(" ") + dir + QStringLiteral("/problem.prb")),
             qPrintable(calls[5]));
    QVERIFY2(calls[6].startsWith(QStringLiteral("rename ") + answer_temp) &&
                 calls[6].endsWith(QStringLiteral(" ") + dir + QStringLiteral("/answer.ans")),
             qPrintable(calls[6]));
    QCOMPARE(calls[7], QStringLiteral("sync ") + dir);
    QCOMPARE(files_in(folder->path()), (QStringList{"answer.ans", "calls.log", "problem.prb"}));
#endif
}

void TestStorage::singleFileWrite_thatFails_saysWhatAndWhere_data()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<QString>("said"); // %1 the file, %2 its folder
    const QString unchanged = QStringLiteral("无法写入 %1：磁盘空间已满");
    QTest::newRow("bytes not written") << Step::WriteTemporary << unchanged;
    QTest::newRow("not replaced") << Step::Replace << unchanged;
    QTest::newRow("folder not synced")
        << Step::SyncFolder
        << QStringLiteral("已写入 %1，但无法确认文件夹 %2 已写入磁盘：磁盘空间已满");
}

// qv_paper's printed paper or export, written the safe way: a failure names
// the file, and the folder when only its sync failed.
void TestStorage::singleFileWrite_thatFails_saysWhatAndWhere()
{
    QFETCH(Step, step);
    QFETCH(QString, said);
    storage_testing::set_fault_hook([step](Step at, const QString &) { return at == step; });
    const PaperError failed = replace_file({path("paper.html"), "<p>x</p>"});
    storage_testing::set_fault_hook({});
    const QString message = paper_message(failed);
    QVERIFY2(message.startsWith(said.arg(QDir::toNativeSeparators(path("paper.html")),
                                         QDir::toNativeSeparators(folder->path()))),
             qPrintable(message));
    QCOMPARE(message.endsWith(QStringLiteral("\n原来的文件没有改动。")), step != Step::SyncFolder);
}

void TestStorage::storage_leavesNoFileOpen_data()
{
    QTest::addColumn<QString>("work");
    for (const char *work : {"save", "save whose second replacement fails",
                             "save cut short, finished", "single file written", "pair read"})
        QTest::newRow(work) << work;
}

// Whatever a save, a write or a read opens, it closes, also when it fails: a
// handle left behind on each save runs a long session out of them, and on
// Windows keeps the paper's files from being replaced.
void TestStorage::storage_leavesNoFileOpen()
{
    QFETCH(QString, work);
    if (open_handles() < 0)
        QSKIP("no count of open handles on this system");
    const auto do_work = [&] {
        write_paper_files(folder->path(), kOlderProblem, kOlderAnswer);
        const bool cut =
            work.contains(QLatin1String("fails")) || work.contains(QLatin1String("cut"));
        storage_testing::set_fault_hook([cut](Step step, const QString &where) {
            return cut && step == Step::Replace && step_file(where) == QLatin1String("answer.ans");
        });
        if (work == QLatin1String("single file written")) {
            QVERIFY(!replace_file({path("answer.ans"), kExampleAnswer}).failed());
        } else if (work == QLatin1String("pair read")) {
            PaperOnDisk disk;
            QVERIFY(!read_paper_folder(folder->path(), disk).failed());
        } else {
            replace_paper_files({path("problem.prb"), kExampleProblem},
                                {path("answer.ans"), kExampleAnswer});
        }
        storage_testing::set_fault_hook({});
        if (work.contains(QLatin1String("finished")))
            QVERIFY(!finish_interrupted_save(find_interrupted_save(folder->path())).failed());
        QCOMPARE(read_file(path("answer.ans")),
                 work.contains(QLatin1String("fails")) || work == QLatin1String("pair read")
                     ? kOlderAnswer
                     : kExampleAnswer);
    };
    do_work(); // whatever the toolkit opens once and keeps
    const int before = open_handles();
    for (int i = 0; i < 5; ++i)
        do_work();
    QCOMPARE(open_handles(), before);
}

QTEST_GUILESS_MAIN(TestStorage)
#include "test_storage.moc"
