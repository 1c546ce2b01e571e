#pragma once
// A paper as a plain-text question file in the conventions teachers use and
// the import reads: numbered sections whose headings give the kind and the
// scores, numbered questions with their options laid out, "【答案】" after
// each. It is the template a teacher fills in any editor.

#include "paper/paper_files.h"

#include <QByteArray>
#include <QStringList>

// UTF-8 with its mark and CR LF line ends, as Notepad on Chinese Windows
// opens and saves it.
QByteArray export_text(const PaperData &paper);

// The questions of `paper` that reading `exported` back would not give as
// they are (a line of text that reads as a question number or an answer, a
// choice question without a key), worded for the teacher; empty when the
// whole paper comes back unchanged.
QStringList text_export_differences(const PaperData &paper, const QByteArray &exported);
