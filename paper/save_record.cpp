// The record of a save cut short: written before either paper file is
// replaced, read back to tell how far the save went and whether the folder
// changed since.

#include "paper/save_record.h"

#include "paper/paper_files.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>

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

qint64 size_of(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() ? info.size() : -1;
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
    }
    const qint64 temporary_sizes[2] = {size_of(save.temporaries[0]), size_of(save.temporaries[1])};
    const qint64 file_sizes[2] = {size_of(save.paper_files[0]), size_of(save.paper_files[1])};
    // A rename is whole or not done: which temporaries are left tells how far
    // the save went. The sizes tell whether anything changed since.
    const auto is_new = [&](int i) { return file_sizes[i] == files[i].size; };
    const auto still_waiting = [&](int i) { return temporary_sizes[i] == files[i].size; };
    if (still_waiting(0) && still_waiting(1))
        save.state = InterruptedSave::State::NothingReplaced;
    else if (temporary_sizes[0] < 0 && is_new(0) && still_waiting(1))
        save.state = InterruptedSave::State::FirstReplaced;
    else if (temporary_sizes[0] < 0 && temporary_sizes[1] < 0 && is_new(0) && is_new(1))
        save.state = InterruptedSave::State::BothReplaced;
    return save;
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
    error.what = PaperError::What::SaveUnclear;
    return error;
}
