#include "paper/paper_commands.h"

#include "paper/paper_encoding.h"
#include "paper/paper_files.h"
#include "paper/paper_messages.h"
#include "paper/paper_model.h"
#include "paper/paper_reader.h"
#include "paper/paper_storage.h"
#include "paper/paper_writer.h"
#include "paper/work_progress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextCodec>
#include <new>
#include <optional>

namespace
{

QString file_in(const QString &folder, const char *file_name)
{
    return folder + QLatin1Char('/') + QLatin1String(file_name);
}

CommandOutcome failure(const PaperError &error)
{
    return {error};
}

CommandOutcome written(const PaperError &error)
{
    return error.failed() ? failure(error) : CommandOutcome{};
}

PaperError folder_error(PaperError::What what, const QString &folder, PaperAction action)
{
    PaperError error;
    error.what = what;
    error.path = folder;
    error.action = action;
    return error;
}

PaperError missing_file(const char *file_name)
{
    PaperError error;
    error.what = PaperError::What::FileMissing;
    error.path = QLatin1String(file_name);
    return error;
}

QString open_folder()
{
    return QFileInfo(QFile::decodeName(problem_path)).absolutePath();
}

bool is_open_folder(const QString &folder)
{
    if (problem_path[0] == '\0')
        return false;
    const QString open = QFileInfo(open_folder()).canonicalFilePath();
    return !open.isEmpty() && open == QFileInfo(folder).canonicalFilePath();
}

// The paper's paths are kept in the local 8-bit encoding, as the other
// programs of the system keep them; a folder whose name it cannot carry (an
// "é" under code page 936) would come back as another folder, full of "?".
// Returns the first character it cannot carry, or an empty string.
QString character_lost_in_local_paths(const QString &folder)
{
    const QTextCodec *local = QTextCodec::codecForLocale();
    const auto survives = [local](const QString &text) {
        return local->toUnicode(local->fromUnicode(text)) == text;
    };
    if (survives(folder))
        return QString();
    for (int i = 0; i < folder.size();) {
        const bool pair =
            folder[i].isHighSurrogate() && i + 1 < folder.size() && folder[i + 1].isLowSurrogate();
        const QString character = folder.mid(i, pair ? 2 : 1);
        if (!survives(character))
            return character;
        i += character.size();
    }
    return folder; // no character alone, but the name as a whole
}

std::optional<CommandOutcome> refuse_unreachable_folder(const QString &folder, PaperAction action)
{
    const QString lost = character_lost_in_local_paths(folder);
    if (lost.isEmpty())
        return std::nullopt;
    PaperError error = folder_error(PaperError::What::FolderNameNotEncodable, folder, action);
    error.found = lost;
    error.encoding = paper_encoding_name(QTextCodec::codecForLocale());
    return failure(error);
}

// A paper near the size limit may not fit in memory: the command fails and
// says so, and the exception never reaches the toolkit's event loop.
template <typename Command> CommandOutcome unless_out_of_memory(PaperAction action, Command command)
{
    try {
        return command();
    } catch (const std::bad_alloc &) {
        return failure(folder_error(PaperError::What::OutOfMemory, QString(), action));
    }
}

// A save cut short here: an old pair with the new one waiting, or a mixed
// one, is opened only once the teacher has let the save be finished; a folder
// changed since is not opened at all.
std::optional<CommandOutcome> refuse_interrupted_save(const QString &folder)
{
    const InterruptedSave save = find_interrupted_save(folder);
    switch (save.state) {
    case InterruptedSave::State::None:
        return std::nullopt;
    case InterruptedSave::State::BothReplaced:
        // Only the record was left: the pair is the new one.
        if (const PaperError error = finish_interrupted_save(save); error.failed())
            return failure(error);
        return std::nullopt;
    case InterruptedSave::State::NothingReplaced:
    case InterruptedSave::State::FirstReplaced:
    case InterruptedSave::State::Unclear:
        break;
    }
    return failure(interrupted_save_error(save));
}

CommandOutcome read_open_paper_folder(const QString &folder)
{
    if (const auto refused = refuse_unreachable_folder(folder, PaperAction::Open))
        return *refused;
    if (const auto refused = refuse_interrupted_save(folder))
        return *refused;
    if (!paper_paths_fit(folder))
        return failure(folder_error(PaperError::What::PathTooLong, folder, PaperAction::Open));
    PaperOnDisk disk;
    if (const PaperError error = read_paper_folder(folder, disk); error.failed())
        return failure(error);
    adopt_paper_data(disk.paper);
    set_paper_paths(folder); // fits: checked above
    paper_changed = false;
    // The pair is read and no save waits to be finished: whatever saves
    // killed part-way left is of no use any more.
    remove_save_leftovers(folder);
    return {};
}

CommandOutcome write_open_paper()
{
    QByteArray problem;
    QByteArray answer;
    if (!write_paper_checked(problem, answer)) {
        const std::optional<UnwritableText> text = find_unwritable_text();
        PaperError unwritable;
        unwritable.what = PaperError::What::PaperUnwritable;
        return failure(text ? unwritable_error(*text) : unwritable);
    }
    const CommandOutcome outcome = written(replace_paper_files(
        {QFile::decodeName(problem_path), problem}, {QFile::decodeName(answer_path), answer}));
    if (outcome.done())
        paper_changed = false;
    return outcome;
}

} // namespace

QString CommandOutcome::message() const
{
    return paper_message(error);
}

PaperError read_paper_folder(const QString &folder, PaperOnDisk &disk)
{
    if (const InterruptedSave save = find_interrupted_save(folder); save.holds_back_the_pair())
        return interrupted_save_error(save);
    // Both are looked at before either refusal is told: a missing file is
    // named first, as the teacher expects.
    PaperError problem_error;
    PaperError answer_error;
    const PaperFileRead problem_read =
        read_paper_file(file_in(folder, kProblemFileName), disk.problem, problem_error);
    if (problem_read == PaperFileRead::Missing)
        return missing_file(kProblemFileName);
    const PaperFileRead answer_read =
        read_paper_file(file_in(folder, kAnswerFileName), disk.answer, answer_error);
    if (answer_read == PaperFileRead::Missing)
        return missing_file(kAnswerFileName);
    if (problem_read == PaperFileRead::Refused)
        return problem_error;
    if (answer_read == PaperFileRead::Refused)
        return answer_error;
    PaperError error;
    read_paper_data(disk.problem, disk.answer, disk.paper, &error, &disk.extent);
    return error;
}

QString interrupted_save_question(const QString &folder)
{
    const InterruptedSave save = find_interrupted_save(folder);
    if (save.state != InterruptedSave::State::NothingReplaced &&
        save.state != InterruptedSave::State::FirstReplaced)
        return QString();
    return finish_interrupted_save_question(save);
}

CommandOutcome finish_interrupted_save_in(const QString &folder)
{
    return written(finish_interrupted_save(find_interrupted_save(folder)));
}

CommandOutcome open_paper_folder(const QString &folder)
{
    return unless_out_of_memory(PaperAction::Open, [&] { return read_open_paper_folder(folder); });
}

CommandOutcome save_open_paper()
{
    return unless_out_of_memory(PaperAction::Save, [] { return write_open_paper(); });
}

CommandOutcome check_new_paper_folder(const QString &folder)
{
    if (const auto refused = refuse_unreachable_folder(folder, PaperAction::Create))
        return *refused;
    if (!paper_paths_fit(folder))
        return failure(folder_error(PaperError::What::PathTooLong, folder, PaperAction::Create));
    return {};
}

CommandOutcome create_empty_paper(const QString &folder)
{
    if (const CommandOutcome checked = check_new_paper_folder(folder); !checked.ok())
        return checked;
    // "0 0 0" without a line break: the smallest pair the readers accept.
    const CommandOutcome outcome =
        written(replace_paper_files({file_in(folder, kProblemFileName), QByteArray("0 0 0")},
                                    {file_in(folder, kAnswerFileName), QByteArray()}));
    if (outcome.done() && is_open_folder(folder)) {
        // The open paper's own files now hold an empty paper: only a paper
        // without questions is still what they hold.
        paper_changed = onech_count != 0 || somech_count != 0 || unch_count != 0;
    }
    return outcome;
}

namespace
{

// The folders that mkpath would create for `folder`, innermost first.
QStringList missing_folders(const QString &folder)
{
    QStringList missing;
    for (QString path = QDir::cleanPath(QDir(folder).absolutePath());
         !QFileInfo::exists(path) && !QDir(path).isRoot(); path = QFileInfo(path).path())
        missing.append(path);
    return missing;
}

std::optional<PaperError> too_many_questions(const PaperData &paper)
{
    for (const auto &[size, kind] : {std::pair{paper.onech.size(), QuestionKind::SingleChoice},
                                     std::pair{paper.somech.size(), QuestionKind::MultipleChoice},
                                     std::pair{paper.unch.size(), QuestionKind::FreeAnswer}}) {
        if (size <= size_t(kMaxQuestions))
            continue;
        PaperError error;
        error.what = PaperError::What::TooManyQuestions;
        error.place.kind = kind;
        error.found = QString::number(size);
        return error;
    }
    return std::nullopt;
}

} // namespace

PaperError write_paper_folder(const QString &folder, const PaperData &paper)
{
    if (const auto refused = too_many_questions(paper))
        return *refused;
    QByteArray problem, answer;
    // Whoever watches the work may no longer cancel it: it writes.
    work_commit();
    if (!write_paper_data(paper, problem, answer)) {
        const std::vector<UnwritableText> texts = find_unwritable_texts(paper);
        PaperError error;
        error.what = PaperError::What::PaperUnwritable;
        return texts.empty() ? error : unwritable_error(texts.front());
    }
    const QStringList made = missing_folders(folder);
    if (!QDir().mkpath(folder)) {
        PaperError error;
        error.what = PaperError::What::FolderNotMade;
        error.path = folder;
        return error;
    }
    const PaperError error = replace_paper_files({file_in(folder, kProblemFileName), problem},
                                                 {file_in(folder, kAnswerFileName), answer});
    if (error.failed()) {
        for (const QString &path : made)
            QDir().rmdir(path);
    }
    return error;
}

bool folder_holds_paper_files(const QString &folder)
{
    return QFileInfo::exists(file_in(folder, kProblemFileName)) ||
           QFileInfo::exists(file_in(folder, kAnswerFileName));
}

void reset_paper_model()
{
    clear_paper_paths();
    somech_count = 0;
    onech_count = 0;
    unch_count = 0;
    somech_current = 0;
    onech_current = 0;
    unch_current = 0;
    paper_codec = nullptr;
    paper_changed = false;
}

bool paper_has_unsaved_changes()
{
    return problem_path[0] != '\0' && paper_changed;
}
