// Storage shared by both systems: reading a paper file whole, writing files
// through temporaries beside them, the order of a save's steps and what each
// failure leaves. What differs between the systems is behind storage.h.

#include "paper/paper_storage.h"

#include "paper/paper_files.h"
#include "paper/save_record.h"
#include "paper/storage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cctype>
#include <optional>

const char kTemporaryInfix[] = ".qv_make-";

using storage::Fault;
using storage::Temporary;

namespace
{

PaperError file_error(PaperError::What what, const QString &path)
{
    PaperError error;
    error.what = what;
    error.path = path;
    return error;
}

PaperError with_system(PaperError error, const SystemError &system)
{
    error.system = system;
    return error;
}

storage_testing::FaultHook &fault_hook()
{
    static storage_testing::FaultHook hook;
    return hook;
}

// Reads to the end, but never more than `limit` + 1 bytes: the size a file
// claims is only a hint (a file may grow while it is read).
bool read_at_most(QFile &file, qint64 limit, QByteArray &bytes)
{
    const qint64 claimed = std::max<qint64>(file.size(), 0);
    bytes.resize(int(std::min(claimed, limit) + 1));
    qint64 got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (got > limit)
                break;
            bytes.resize(int(std::min<qint64>(qint64(bytes.size()) * 2, limit + 1)));
        }
        const qint64 read = file.read(bytes.data() + got, bytes.size() - got);
        if (read < 0)
            return false;
        if (read == 0)
            break;
        got += read;
    }
    bytes.resize(int(got));
    return true;
}

} // namespace

QString storage::temporary_suffix()
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QRandomGenerator *random = QRandomGenerator::global();
    char suffix[6];
    for (char &c : suffix)
        c = alphabet[random->bounded(62)];
    // One capital and one digit, in two different places.
    const int capital = random->bounded(6);
    const int digit = (capital + 1 + random->bounded(5)) % 6;
    suffix[capital] = alphabet[random->bounded(26)];
    suffix[digit] = alphabet[52 + random->bounded(10)];
    return QString::fromLatin1(suffix, 6);
}

bool storage::injected_fault(storage_testing::Step step, const QString &path)
{
    return fault_hook() && fault_hook()(step, path);
}

PaperError storage::not_a_regular_file(const QString &path, FileType type)
{
    PaperError error = file_error(PaperError::What::NotRegularFile, path);
    error.file_type = type;
    return error;
}

PaperError storage::unreadable(const QString &path, const SystemError &system)
{
    return with_system(file_error(PaperError::What::CannotRead, path), system);
}

PaperFileRead read_paper_file(const QString &path, QByteArray &bytes, PaperError &error)
{
    QFile file;
    const PaperFileRead opened = storage::open_regular_file(path, file, error);
    if (opened != PaperFileRead::Read)
        return opened;
    if (file.size() > kLargestPaperFile) {
        error = file_error(PaperError::What::FileTooLarge, path);
        return PaperFileRead::Refused;
    }
    const bool injected = storage::injected_fault(storage_testing::Step::ReadFile, path);
    if (injected || !read_at_most(file, kLargestPaperFile, bytes)) {
        error = storage::unreadable(path, SystemError{SystemError::Kind::ReadFailed, 0,
                                                      injected ? QString() : file.errorString()});
        return PaperFileRead::Refused;
    }
    if (bytes.size() > kLargestPaperFile) {
        bytes.clear();
        error = file_error(PaperError::What::FileTooLarge, path);
        return PaperFileRead::Refused;
    }
    return PaperFileRead::Read;
}

// ---------------------------------------------------------------------------
// Writing

namespace
{

PaperError save_failed(const QString &path, const SystemError &system)
{
    return with_system(file_error(PaperError::What::SaveFailed, path), system);
}

void remove_temporary(Temporary &temporary)
{
    if (temporary.exists)
        QFile::remove(temporary.path);
    temporary.exists = false;
}

QString folder_of(const QString &path)
{
    return QFileInfo(path).absolutePath();
}

// The end of a name as temporary_suffix() makes it.
bool is_temporary_suffix(const QStringRef &suffix)
{
    bool capital = false, digit = false;
    for (const QChar c : suffix) {
        const char16_t u = c.unicode();
        capital |= u >= u'A' && u <= u'Z';
        digit |= u >= u'0' && u <= u'9';
        if (!(u < 128 && std::isalnum(int(u))))
            return false;
    }
    return suffix.size() == 6 && capital && digit;
}

// A save killed part-way leaves its temporary files behind: exactly the names
// this program makes, never a file whose name merely starts the same way.
void remove_leftover_temporaries(const QString &folder, const QStringList &file_names)
{
    QStringList patterns;
    for (const QString &name : file_names)
        patterns << name + QLatin1String(kTemporaryInfix) + QStringLiteral("??????");
    QDir dir(folder);
    for (const QString &leftover :
         dir.entryList(patterns, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks)) {
        if (is_temporary_suffix(leftover.rightRef(6)))
            dir.remove(leftover);
    }
}

PaperError half_saved_to_finish(const QString &first, const QString &second,
                                const QString &second_temporary, const SystemError &system)
{
    PaperError error = with_system(file_error(PaperError::What::SaveHalfDone, second), system);
    error.other_path = first;
    error.temporary = second_temporary;
    return error;
}

PaperError not_known_on_disk(const QString &folder, const SystemError &system)
{
    return with_system(file_error(PaperError::What::SaveNotOnDisk, folder), system);
}

// The record is put in place the safe way, and the folder synced, so that
// it is on the disk whole before either paper file is replaced.
Fault write_save_record(const PaperFileWrite &record)
{
    Temporary temporary;
    Fault error = storage::write_temporary(record, temporary);
    if (!error)
        error = storage::replace(temporary, record.path);
    if (error) {
        remove_temporary(temporary);
        return error;
    }
    return storage::sync_folder(folder_of(record.path));
}

} // namespace

PaperError replace_paper_files(const PaperFileWrite &first, const PaperFileWrite &second)
{
    Temporary temporaries[2];
    const PaperFileWrite *targets[2] = {&first, &second};
    for (int i = 0; i < 2; ++i) {
        if (const Fault error = storage::write_temporary(*targets[i], temporaries[i])) {
            remove_temporary(temporaries[0]);
            remove_temporary(temporaries[1]);
            return save_failed(targets[i]->path, *error);
        }
    }
    for (const PaperFileWrite *target : targets) {
        if (const Fault refusal = storage::refusal_to_replace(target->path)) {
            remove_temporary(temporaries[0]);
            remove_temporary(temporaries[1]);
            return save_failed(target->path, *refusal);
        }
    }
    // Both new files are on the disk. Before either replaces its old file,
    // the folder records which temporary becomes which file: an interruption
    // between the two replacements is then finished at the next open instead
    // of leaving a new problem.prb beside an old answer.ans.
    const QString folder = folder_of(first.path);
    const QString record_path = save_record_path(folder);
    const QString temporary_paths[2] = {temporaries[0].path, temporaries[1].path};
    Fault error = write_save_record({record_path, save_record(temporary_paths, targets)});
    if (error) {
        remove_temporary(temporaries[0]);
        remove_temporary(temporaries[1]);
        QFile::remove(record_path);
        return save_failed(first.path, *error);
    }
    // The two replacements follow each other with nothing in between.
    std::optional<storage::OldFilesHeld> old_files;
    old_files.emplace(first.path, second.path);
    error = storage::replace(temporaries[0], first.path);
    if (error) {
        remove_temporary(temporaries[0]);
        remove_temporary(temporaries[1]);
        QFile::remove(record_path);
        return save_failed(first.path, *error);
    }
    temporaries[0].exists = false;
    error = storage::replace(temporaries[1], second.path);
    if (error) {
        // The record and the new answer file stay: the next open finishes.
        return half_saved_to_finish(first.path, second.path, temporaries[1].path, *error);
    }
    old_files.reset();
    error = storage::sync_folder(folder);
    if (error)
        return not_known_on_disk(folder, *error);
    if (const Fault left = storage::remove_record(record_path)) {
        // Saved whole: only the record stays, which the next open removes.
        return with_system(file_error(PaperError::What::SavedRecordLeft, record_path), *left);
    }
    // The record's own temporary goes too: a save killed while writing the
    // record leaves one, which nothing else would ever remove.
    remove_leftover_temporaries(folder, {QFileInfo(first.path).fileName(),
                                         QFileInfo(second.path).fileName(),
                                         QFileInfo(record_path).fileName()});
    return PaperError();
}

void remove_save_leftovers(const QString &folder)
{
    remove_leftover_temporaries(folder,
                                {QLatin1String(kProblemFileName), QLatin1String(kAnswerFileName),
                                 QLatin1String(kSaveRecordName)});
}

PaperError finish_interrupted_save(const InterruptedSave &save)
{
    using State = InterruptedSave::State;
    if (save.state == State::None)
        return PaperError();
    if (save.state == State::Unclear)
        return interrupted_save_error(save);
    // Checked again when the teacher has answered: nothing is touched unless
    // every temporary still waiting is the file the save wrote.
    if (save.state != State::BothReplaced) {
        if (const auto unfit = unfit_temporary_error(save))
            return *unfit;
    }
    for (int i = 0; i < 2; ++i) {
        const bool waiting =
            save.state == State::NothingReplaced || (save.state == State::FirstReplaced && i == 1);
        if (!waiting)
            continue;
        Fault error = storage::refusal_to_replace(save.paper_files[i]);
        if (!error)
            error = storage::replace({save.temporaries[i], true}, save.paper_files[i]);
        if (error)
            return with_system(file_error(PaperError::What::FinishFailed, save.paper_files[i]),
                               *error);
    }
    const QString folder = folder_of(save.record);
    if (const Fault error = storage::sync_folder(folder))
        return not_known_on_disk(folder, *error);
    QFile::remove(save.record);
    return PaperError();
}

PaperError replace_file(const PaperFileWrite &file)
{
    Temporary temporary;
    Fault error = storage::write_temporary(file, temporary);
    if (!error)
        error = storage::refusal_to_replace(file.path);
    if (!error)
        error = storage::replace(temporary, file.path);
    if (error) {
        remove_temporary(temporary);
        return with_system(file_error(PaperError::What::WriteFailed, file.path), *error);
    }
    const QString folder = folder_of(file.path);
    if (const Fault synced = storage::sync_folder(folder)) {
        PaperError not_on_disk =
            with_system(file_error(PaperError::What::WrittenNotOnDisk, file.path), *synced);
        not_on_disk.other_path = folder;
        return not_on_disk;
    }
    remove_leftover_temporaries(folder, {QFileInfo(file.path).fileName()});
    return PaperError();
}

void storage_testing::set_fault_hook(FaultHook hook)
{
    fault_hook() = std::move(hook);
}
