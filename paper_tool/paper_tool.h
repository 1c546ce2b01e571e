#pragma once
// qv_paper's commands: check, print, export and import a paper folder.

#include <QStringList>

// Exit statuses. A check with findings and an import that left questions out
// end with kAttention; what could not be done at all, usage errors included,
// with kFailed.
constexpr int kDone = 0;
constexpr int kAttention = 1;
constexpr int kFailed = 2;

// Runs one command line (program name first, as QCoreApplication::arguments()
// gives it), printing to the standard output and error. Needs a QGuiApplication.
int run_paper_tool(const QStringList &arguments);
