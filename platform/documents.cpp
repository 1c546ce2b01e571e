#include "platform/documents.h"

#include <QDesktopServices>
#include <QUrl>

namespace platform
{
namespace
{

struct Recorder {
    bool recording = false;
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
        return true;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

namespace testing
{

void record_opened_documents()
{
    recorder().recording = true;
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
