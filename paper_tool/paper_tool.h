#pragma once
// qv_paper's commands: check, print, export and import a paper folder, and
// make A and B papers of one.

#include "paper_tool/paper_folder.h" // the exit statuses

#include <QStringList>

// Runs one command line (program name first, as QCoreApplication::arguments()
// gives it), printing to the standard output and error. Needs a QGuiApplication.
int run_paper_tool(const QStringList &arguments);
