#pragma once
// A failure of the paper layer, as a value: what failed, on which file or
// question, what was found and the system's error. The layer never words a
// failure; paper_messages.h does, once, for the window and qv_paper alike.

#include "paper/paper_model.h"

#include <QString>

// Which part of a question a message is about.
enum class QuestionField { Count, Score, FullScore, PartialScore, Problem, Answer, AnswerText };

// What the system said when a call failed.
struct SystemError {
    enum class Kind {
        Code,         // `code`: errno, or GetLastError() on Windows
        ReadFailed,   // a read failed part-way; `detail` holds the device's words
        ReadOnlyFile, // Windows will not replace a read-only file
        HeldOpen,     // Windows will not replace a file another program holds open
    };
    Kind kind = Kind::Code;
    long code = 0;
    QString detail;
};

// The kind of thing that stands where a paper file should be.
enum class FileType { Folder, Fifo, Device, Socket, Special };

// What the teacher was doing when the folder refused: the message says what
// could not be done.
enum class PaperAction { Open, Create, Save };

// Both reader and checker say where a text is: which question, which field.
struct QuestionPlace {
    QuestionKind kind = QuestionKind::SingleChoice;
    int number = 0; // from 1; 0 for a count
    QuestionField field = QuestionField::Count;
};

struct PaperError {
    enum class What {
        None,
        // Reading a file: `path` is the file.
        FileMissing,    // `path` is the file's name alone
        NotRegularFile, // `file_type`
        FileTooLarge,
        CannotRead, // `system`
        // A file's contents: `path` is the file's name, `place` the item.
        CountOutOfRange,  // `found`: the count read
        TextWithoutStart, // no "@" before the end of the file
        TextWithoutEnd,   // no "$" before the end of the file
        TextUndecodable,  // `encoding`: the local encoding it is neither UTF-8 nor
        NumberMissing,    // the file ended where a number was due
        NotANumber,       // `found`: what stands there, as read
        WideEncoding,     // `encoding`: UTF-16 or UTF-32, which the reader cannot read
        MixedEncodings,   // `encoding` of problem.prb, `other_encoding` of answer.ans
        // A folder: `path` is the folder, `action` what it was chosen for.
        FolderNameNotEncodable, // `found`: the character; `encoding`: the local one
        PathTooLong,
        OutOfMemory,
        SaveWaitsToBeFinished, // `interrupted`: a save cut short, to be finished first
        SaveUnclear,           // `interrupted`: a save cut short, the folder changed since
        TemporaryUnfit,        // a save cut short whose `temporary` cannot finish it: `unfit`
        // Writing: `path` is the file, `system` why.
        TextUnwritable, // `place` (Problem or AnswerText), `unwritable`, `found`, `encoding`
        PaperUnwritable,
        SaveFailed,       // the old pair is untouched
        SaveNotOnDisk,    // `path` is the folder: both files replaced, not known on the disk
        SavedRecordLeft,  // saved whole, but the record of the save at `path` stays: `system`
        SaveHalfDone,     // `path` the second file, `other_path` the first, `temporary`
        FinishFailed,     // finishing a save cut short: replacing `path` failed
        WriteFailed,      // one file: the old one is untouched
        WrittenNotOnDisk, // one file written, `other_path` its folder not known on the disk
        // Writing a new paper's folder.
        TooManyQuestions, // `place.kind`; `found`: how many of that kind
        FolderNotMade,    // `path` is the folder
    };
    // Why a text cannot go into the files.
    enum class Unwritable { DollarSign, TooLong, NotInEncoding };
    // Why a temporary named in the record of a save cannot be put in place.
    enum class Unfit { SymbolicLink, NotRegularFile, WrongSize, Unreadable };

    What what = What::None;
    QString path;
    QString other_path;
    QString temporary;
    QuestionPlace place;
    QString found;
    QString encoding;
    QString other_encoding;
    SystemError system;
    FileType file_type = FileType::Special;
    PaperAction action = PaperAction::Open;
    Unwritable unwritable = Unwritable::DollarSign;
    Unfit unfit = Unfit::SymbolicLink;
    // SaveWaitsToBeFinished / SaveUnclear: the record, and the temporaries
    // holding problem.prb and answer.ans.
    QString record;
    int files_replaced = 0; // SaveWaitsToBeFinished: 0 or 1
    QString waiting[2];

    bool failed() const { return what != What::None; }
};
