#pragma once
// qv_paper's commands: check, print, export and import a paper folder, and
// make A and B papers of one.

#include <QStringList>

// Exit statuses. A check with findings, an import that left questions out
// and variants with options left in their order or the same as another end
// with kAttention; what could not be done at all, usage errors included, with
// kFailed.
constexpr int kDone = 0;
constexpr int kAttention = 1;
constexpr int kFailed = 2;

// Runs one command line (program name first, as QCoreApplication::arguments()
// gives it), printing to the standard output and error. Needs a QGuiApplication.
int run_paper_tool(const QStringList &arguments);
