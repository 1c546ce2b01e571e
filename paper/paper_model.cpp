#include "paper/paper_model.h"

#include "paper/paper_files.h"

#include <QByteArray>
#include <cstring>

ChoiceQuestion onech_table[kTableCapacity];
ChoiceQuestion somech_table[kTableCapacity];
UnchQuestion unch_table[kTableCapacity];

int onech_count = 0;
int somech_count = 0;
int unch_count = 0;
int onech_current = 0;
int somech_current = 0;
int unch_current = 0;

char problem_path[kPathCapacity];
char answer_path[kPathCapacity];

bool paper_changed = false;
QTextCodec *paper_codec = nullptr;

int highest_option(OptionMask mask)
{
    for (int option = kOptionCount - 1; option >= 0; --option) {
        if (mask & (1 << option))
            return option;
    }
    return -1;
}

static void write_path(char *target, const QByteArray &folder, const char *file_name)
{
    const QByteArray path = folder + '/' + file_name;
    std::memcpy(target, path.constData(), static_cast<size_t>(path.size()) + 1);
}

static bool local_paths_fit(const QByteArray &local_folder)
{
    // The problem file's is the longer name: the folder, "/", the name and the NUL must fit.
    static_assert(sizeof kProblemFileName >= sizeof kAnswerFileName);
    const size_t longest = size_t(local_folder.size()) + 1 + std::strlen(kProblemFileName) + 1;
    return longest <= size_t(kPathCapacity);
}

bool paper_paths_fit(const QString &folder)
{
    return local_paths_fit(folder.toLocal8Bit());
}

bool set_paper_paths(const QString &folder)
{
    const QByteArray local = folder.toLocal8Bit();
    if (!local_paths_fit(local))
        return false;
    write_path(problem_path, local, kProblemFileName);
    write_path(answer_path, local, kAnswerFileName);
    return true;
}

void clear_paper_paths()
{
    std::memset(answer_path, 0, sizeof answer_path);
    std::memset(problem_path, 0, sizeof problem_path);
}
