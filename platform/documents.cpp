#include "platform/documents.h"

#include <QDesktopServices>
#include <QUrl>

namespace platform
{
namespace
{

struct Recorder {
    bool recording = false;
    bool opens = true;
    QStringList opened;
};

Recorder &recorder()
{
    static Recorder instance;
    return instance;
}

} // namespace

bool open_with_system(const QString &path)
{
    if (recorder().recording) {
        recorder().opened.append(path);
        return recorder().opens;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

namespace testing
{

void record_opened_documents(bool system_has_a_program)
{
    recorder().recording = true;
    recorder().opens = system_has_a_program;
}

void stop_recording_opened_documents()
{
    recorder() = Recorder{};
}

QStringList opened_documents()
{
    return recorder().opened;
}

} // namespace testing
} // namespace platform
