// The record of a save cut short: written before either paper file is
// replaced, read back to tell how far the save went and whether the folder
// changed since.

#include "paper/save_record.h"

#include "paper/paper_files.h"
#include "paper/storage.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <optional>

const char kSaveRecordName[] = ".qv_make-save";

namespace
{

const char kSaveRecordHeader[] = "qv_make interrupted save 1";

struct RecordedFile {
    QString paper_file;
    QString temporary;
    qint64 size = -1;
};

bool parse_save_record(const QByteArray &bytes, RecordedFile (&files)[2])
{
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() != 5 || lines[0] != kSaveRecordHeader || lines[3] != "end" ||
        !lines[4].isEmpty())
        return false;
    const char *const names[2] = {kProblemFileName, kAnswerFileName};
    for (int i = 0; i < 2; ++i) {
        const QList<QByteArray> fields = lines[i + 1].split(' ');
        bool number = false;
        if (fields.size() != 3 || fields[0] != names[i])
            return false;
        files[i].paper_file = QString::fromLatin1(fields[0]);
        files[i].temporary = QFile::decodeName(fields[1]);
        files[i].size = fields[2].toLongLong(&number);
        // Only this program's own temporary names: never a path elsewhere.
        if (!number || files[i].size < 0 ||
            !files[i].temporary.startsWith(files[i].paper_file + QLatin1String(kTemporaryInfix)) ||
            files[i].temporary.size() !=
                files[i].paper_file.size() + int(strlen(kTemporaryInfix)) + 6)
            return false;
    }
    return true;
}

constexpr qint64 kAbsent = -1;
constexpr qint64 kNotAFile = -2; // a link, a folder or anything but a regular file

// A temporary or paper file's size; a link counts as no file of ours, even
// one that leads to a file of the right size.
qint64 size_of(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return kAbsent;
    return info.isFile() && !info.isSymLink() ? info.size() : kNotAFile;
}

} // namespace

QString save_record_path(const QString &folder)
{
    return folder + QLatin1Char('/') + QLatin1String(kSaveRecordName);
}

QByteArray save_record(const QString (&temporaries)[2], const PaperFileWrite *const (&targets)[2])
{
    QByteArray record = QByteArray(kSaveRecordHeader) + '\n';
    for (int i = 0; i < 2; ++i) {
        record += QFile::encodeName(QFileInfo(targets[i]->path).fileName()) + ' ' +
                  QFile::encodeName(QFileInfo(temporaries[i]).fileName()) + ' ' +
                  QByteArray::number(targets[i]->bytes.size()) + '\n';
    }
    return record + "end\n";
}

InterruptedSave find_interrupted_save(const QString &folder)
{
    InterruptedSave save;
    save.record = save_record_path(folder);
    if (!QFileInfo::exists(save.record))
        return save;
    QByteArray bytes;
    PaperError error;
    RecordedFile files[2];
    save.state = InterruptedSave::State::Unclear;
    if (read_paper_file(save.record, bytes, error) != PaperFileRead::Read ||
        !parse_save_record(bytes, files))
        return save;
    for (int i = 0; i < 2; ++i) {
        save.paper_files[i] = folder + QLatin1Char('/') + files[i].paper_file;
        save.temporaries[i] = folder + QLatin1Char('/') + files[i].temporary;
        save.sizes[i] = files[i].size;
    }
    const qint64 temporary_sizes[2] = {size_of(save.temporaries[0]), size_of(save.temporaries[1])};
    const qint64 file_sizes[2] = {size_of(save.paper_files[0]), size_of(save.paper_files[1])};
    // A rename is whole or not done: which temporaries are left tells how far
    // the save went. The sizes tell whether anything changed since.
    const auto is_new = [&](int i) { return file_sizes[i] == files[i].size; };
    const auto still_waiting = [&](int i) { return temporary_sizes[i] == files[i].size; };
    if (still_waiting(0) && still_waiting(1))
        save.state = InterruptedSave::State::NothingReplaced;
    else if (temporary_sizes[0] == kAbsent && is_new(0) && still_waiting(1))
        save.state = InterruptedSave::State::FirstReplaced;
    else if (temporary_sizes[0] == kAbsent && temporary_sizes[1] == kAbsent && is_new(0) &&
             is_new(1))
        save.state = InterruptedSave::State::BothReplaced;
    return save;
}

std::optional<PaperError::Unfit> unfit_temporary(const QString &path, qint64 recorded_size)
{
    using Unfit = PaperError::Unfit;
    const QFileInfo info(path);
    if (info.isSymLink())
        return Unfit::SymbolicLink;
    if (!info.isFile())
        return Unfit::NotRegularFile;
    if (info.size() != recorded_size)
        return Unfit::WrongSize;
    QFile file(path);
    if (storage::injected_fault(storage_testing::Step::OpenForReading, path) ||
        !file.open(QIODevice::ReadOnly))
        return Unfit::Unreadable;
    return std::nullopt;
}

// The first temporary that is there but could not finish the save, named.
std::optional<PaperError> unfit_temporary_error(const InterruptedSave &save)
{
    for (int i = 0; i < 2; ++i) {
        if (!QFileInfo(save.temporaries[i]).exists() && !QFileInfo(save.temporaries[i]).isSymLink())
            continue;
        if (const auto unfit = unfit_temporary(save.temporaries[i], save.sizes[i])) {
            PaperError error;
            error.what = PaperError::What::TemporaryUnfit;
            error.record = save.record;
            error.temporary = save.temporaries[i];
            error.found = QString::number(save.sizes[i]);
            error.unfit = *unfit;
            return error;
        }
    }
    return std::nullopt;
}

PaperError interrupted_save_error(const InterruptedSave &save)
{
    using State = InterruptedSave::State;
    PaperError error;
    error.record = save.record;
    switch (save.state) {
    case State::None:
    case State::BothReplaced:
        return PaperError();
    case State::NothingReplaced:
    case State::FirstReplaced:
        error.what = PaperError::What::SaveWaitsToBeFinished;
        error.files_replaced = save.state == State::FirstReplaced ? 1 : 0;
        error.waiting[0] = save.temporaries[0];
        error.waiting[1] = save.temporaries[1];
        return error;
    case State::Unclear:
        break;
    }
    // A temporary that is not what the save wrote is named; otherwise the
    // folder changed since in a way nothing can tell.
    if (const auto unfit = unfit_temporary_error(save))
        return *unfit;
    error.what = PaperError::What::SaveUnclear;
    return error;
}
