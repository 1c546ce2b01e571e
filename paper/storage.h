#pragma once
// What storage asks of the system, one file a system: storage_posix.cpp or
// storage_windows.cpp, as the build chooses. The rest of storage
// (paper_storage.cpp, save_record.cpp) is the same on both and only calls
// these. Each step asks the tests' fault hook first.

#include "paper/paper_error.h"
#include "paper/paper_storage.h"

#include <QString>
#include <optional>

class QFile;

namespace storage
{

// What a step that failed leaves: the system's error; none when it worked.
using Fault = std::optional<SystemError>;

inline Fault system_fault(long code)
{
    return SystemError{SystemError::Kind::Code, code, QString()};
}

// A temporary file beside its target, written and on the disk.
struct Temporary {
    QString path;
    bool exists = false;
};

// Given by the shared code: whether the tests' hook fails this step.
bool injected_fault(storage_testing::Step step, const QString &path);

// Given by the shared code: the refusals of a file opened for reading.
PaperError not_a_regular_file(const QString &path, FileType type);
PaperError unreadable(const QString &path, const SystemError &system);

// Opens a regular file for reading into `file`, without waiting for a writer
// (a FIFO must never block). Missing when there is no such file; Refused,
// with `error` saying why, for anything else that is not to be read.
PaperFileRead open_regular_file(const QString &path, QFile &file, PaperError &error);

// Writes `target.bytes` to a new temporary file beside `target.path`, with
// the name this program's leftovers are known by, and syncs it to the disk.
// `temporary` says what was created, also when a later step failed.
Fault write_temporary(const PaperFileWrite &target, Temporary &temporary);

// Puts the temporary file in the target's place in one step.
Fault replace(const Temporary &temporary, const QString &target);

// Why the system would refuse to replace `target`, asked before anything
// changes; none where it replaces any file its folder lets it replace.
Fault refusal_to_replace(const QString &target);

// The six characters that end a temporary's name: letters and digits, at
// least one capital and one digit, so that no word a teacher might end a
// file's name with ("backup") is ever taken for one of this program's
// temporaries.
QString temporary_suffix();

// Puts the folder's names on the disk: a rename is only there once they are.
Fault sync_folder(const QString &folder);

// Removes the record of a save; none when it is gone.
Fault remove_record(const QString &path);

// Replacing a file may free the old one's blocks inside the rename call,
// which for a large paper takes as long as the rest of a save: an
// interruption there would leave a new problem.prb beside an old answer.ans.
// While this is held, the old files are freed only when it is let go, after
// both renames. Where the system does not free them in the rename, it holds
// nothing.
class OldFilesHeld
{
  public:
    OldFilesHeld(const QString &first, const QString &second);
    ~OldFilesHeld();
    OldFilesHeld(const OldFilesHeld &) = delete;
    OldFilesHeld &operator=(const OldFilesHeld &) = delete;

  private:
    int fds_[2] = {-1, -1};
};

} // namespace storage
