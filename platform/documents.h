#pragma once
// Handing a document to the program the system opens it with: a PDF to the
// teacher's PDF viewer, from which it is printed.

#include <QString>
#include <QStringList>

namespace platform
{

// False when the system has no program for it.
bool open_with_system(const QString &path);

// Test hooks. While installed, nothing is opened: each path is recorded, and
// the call answers as a system with (or without) a program for it would.
// Never installed in the program.
namespace testing
{
void record_opened_documents(bool system_has_a_program = true);
void stop_recording_opened_documents(); // also forgets what was recorded
QStringList opened_documents();
} // namespace testing

} // namespace platform
