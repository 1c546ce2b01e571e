#pragma once
// The paper commands without their dialogs: open a paper folder, save the open
// paper, create an empty paper, close the paper, and tell whether the paper in
// memory holds changes that its files do not.

#include "paper/paper_error.h"
#include "paper/paper_reader.h"
#include "paper/paper_storage.h"

#include <QByteArray>
#include <QString>

struct CommandOutcome {
    PaperError error; // on failure: what failed; done but told: what the teacher is told

    bool ok() const { return !error.failed(); }
    // Done, with something to tell: the save is whole, its record stays.
    bool done() const { return saved_whole(error); }

    // What the teacher is told, in Chinese.
    QString message() const;
};

// A paper folder as read, before anything is done with it.
struct PaperOnDisk {
    QByteArray problem;
    QByteArray answer;
    PaperData paper;
    PaperExtent extent;
};

// Reads the pair in `folder` as Open does, changing nothing on the disk nor
// in the model: a missing file is named first, then a file that cannot be
// read, then what the reader found. A save cut short holds the pair back.
PaperError read_paper_folder(const QString &folder, PaperOnDisk &disk);

// Reads the pair in `folder` and, only if both files are there and parse,
// adopts the paper and the folder's paths. On failure nothing changes.
CommandOutcome open_paper_folder(const QString &folder);

// Writes the model to the open paper's files. Each file goes to a temporary
// file beside it; both are complete before either replaces its old file.
CommandOutcome save_open_paper();

// When a save of the paper in `folder` was cut short and can be finished, the
// question that tells the teacher so ("上次保存被中断…"); otherwise empty. Open
// refuses such a folder until the save is finished.
QString interrupted_save_question(const QString &folder);
CommandOutcome finish_interrupted_save_in(const QString &folder);

// Whether a paper can be created in `folder` at all (its name and length),
// asked as soon as it is chosen, before anything else is asked.
CommandOutcome check_new_paper_folder(const QString &folder);

// Writes an empty paper ("0 0 0" and an empty answer file) into `folder`,
// the same safe way. The paper in memory is not touched.
CommandOutcome create_empty_paper(const QString &folder);

// Writes `paper` into `folder`, made if missing, the way a paper is saved:
// in `paper.codec` (the local encoding when none), each text checked, both
// files replaced together. A failure takes back the folders it made, so that
// nothing looks like a paper that is not one. The paper in memory is not
// touched.
PaperError write_paper_folder(const QString &folder, const PaperData &paper);

// True when `folder` already holds "problem.prb" or "answer.ans".
bool folder_holds_paper_files(const QString &folder);

// The no-paper state of the model: counts, current numbers and paths zero.
// Records are kept.
void reset_paper_model();

// True while a paper is open and a store or a count change has given it
// something its files did not hold when last read or written. Looks at no
// record: it costs the same for any paper.
bool paper_has_unsaved_changes();
