#pragma once
// A paper folder as qv_paper and the tools window read, check and write it:
// the same reader and writer as qv_make's, and the same refusals.

#include "paper/paper_files.h"
#include "paper_tool/paper_check.h"

#include <QString>
#include <vector>

// Exit statuses. A check with findings, an import that left questions out
// and variants with options left in their order or the same as another end
// with kAttention; what could not be done at all, usage errors included, with
// kFailed.
constexpr int kDone = 0;
constexpr int kAttention = 1;
constexpr int kFailed = 2;

// The reader qv_make opens a paper with, refusals and encodings included.
// False with `error` set when the folder is no paper that can be read.
bool read_folder(const QString &folder, PaperOnDisk &disk, QString &error);

// The folder's own name, the heading of what is printed of it.
QString folder_title(const QString &folder);

// qv_make keeps nothing but the two paper files in a paper's folder: the
// tools write nothing there unless told to.
QString refuse_paper_folder(const QString &folder);

// Writes `bytes` to `path`, replacing it whole. Empty when done; otherwise
// what failed, or the refusal of a paper's folder unless `force`.
QString save_file(const QString &path, const QByteArray &bytes, bool force);

// What qv_paper check says of a folder.
struct FolderCheck {
    QString interrupted; // a save cut short holds the pair back: said instead of a check
    QString error;       // the folder could not be read
    std::vector<PaperFinding> findings;
    QString counts; // the counts, as the control page names them
    QString total;  // the total line the window would show
    int status() const;
};
FolderCheck check_folder(const QString &folder);

int question_count(const PaperData &paper);
