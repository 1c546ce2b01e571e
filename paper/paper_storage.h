#pragma once
// The paper folder on disk: reading a paper file without ever blocking or
// reading more than a paper can hold, and replacing both files so that a
// failure, a crash or a power cut leaves the old pair or the new one.

#include "paper/paper_error.h"

#include <QByteArray>
#include <QString>
#include <functional>

// A file is read whole, and a QByteArray holds less than 2 GiB. No paper a
// teacher writes comes near 1 GiB (30000 questions of 35 KB of text each).
constexpr qint64 kLargestPaperFile = qint64(1) << 30;

enum class PaperFileRead {
    Read,    // `bytes` holds the file
    Missing, // there is no such file
    Refused, // not a regular file, too large, or there but not to be read: `error` says why
};

// Opens without waiting for a writer (a FIFO must never block), reads only a
// regular file and at most kLargestPaperFile + 1 bytes, whatever the file's
// size claims.
PaperFileRead read_paper_file(const QString &path, QByteArray &bytes, PaperError &error);

struct PaperFileWrite {
    QString path;
    QByteArray bytes;
};

// Writes each file to a temporary file beside it and syncs it to the disk;
// only when both are there are the old files replaced, one right after the
// other, and the folder synced. Returns what went wrong, if anything. Before
// the first replacement a failure leaves the old files and no temporary file;
// afterwards the error says which file is new.
// After a success, temporary files that an interrupted save of this program
// left in the folder are removed.
PaperError replace_paper_files(const PaperFileWrite &first, const PaperFileWrite &second);

// Both files replaced and the folder synced, but the record of the save could
// not be removed: the save is whole, and the teacher is told. The next open
// removes the record.
inline bool saved_whole(const PaperError &error)
{
    return !error.failed() || error.what == PaperError::What::SavedRecordLeft;
}

// Removes the temporaries that saves of this program killed part-way left in
// `folder` (the paper files' and the record's), and nothing else. Opening a
// paper does it once the pair is read; a successful save does it too.
void remove_save_leftovers(const QString &folder);

// A save cut short (a crash, a power cut, a failed second replacement) leaves
// a record beside the paper files, kSaveRecordName, that names the temporary
// file of each; the other programs of the system read only the two paper
// files. Which temporaries are left tells how far the save went.
extern const char kSaveRecordName[];

struct InterruptedSave {
    enum class State {
        None,            // no save was cut short here
        NothingReplaced, // the old pair is whole; the new one waits in the temporaries
        FirstReplaced,   // a new problem.prb beside an old answer.ans: must be finished
        BothReplaced,    // only the record is left
        Unclear,         // the files changed since: nothing is touched
    };
    State state = State::None;
    QString record;
    QString paper_files[2]; // problem.prb, answer.ans
    QString temporaries[2];
    qint64 sizes[2] = {-1, -1}; // of the new files, as recorded

    // The pair may not be read as it is: it waits for the save to be
    // finished, or nothing can tell which files belong together.
    bool holds_back_the_pair() const
    {
        return state != State::None && state != State::BothReplaced;
    }
};

InterruptedSave find_interrupted_save(const QString &folder);

// The refusal to read a pair held back by a save cut short; none for a
// folder whose pair may be read.
PaperError interrupted_save_error(const InterruptedSave &save);

// Puts the waiting temporaries in place and removes the record. Returns what
// went wrong, if anything.
PaperError finish_interrupted_save(const InterruptedSave &save);

// One file written the same safe way: the old file or the new one, never a
// part of either.
PaperError replace_file(const PaperFileWrite &file);

// The names of this program's temporary files start with the paper file's
// name and this, and end in six random characters.
extern const char kTemporaryInfix[];

// A seam for the tests of failures no test can cause for real on every
// system (a full disk, a failing flush): while a hook is set, each step of
// reading or writing asks it first, and fails as the system would (a full
// disk when writing) when it answers true.
// The program never sets one.
namespace storage_testing
{
enum class Step {
    OpenForReading, // `path` is the paper file; fails as a refused permission
    WriteTemporary, // `path` is the temporary file
    SyncTemporary,  // the same
    Replace,        // `path` is the paper file being replaced
    SyncFolder,     // `path` is the folder
    ReadFile,       // `path` is the paper file, open; fails as a failed read
    RemoveRecord,   // `path` is the record of a save, both replacements done
};
using FaultHook = std::function<bool(Step step, const QString &path)>;
void set_fault_hook(FaultHook hook); // an empty hook removes it
} // namespace storage_testing
