#pragma once
// The text of a question file a teacher saved: UTF-8 with or without its
// mark, UTF-16 with its mark (Notepad's "Unicode"), or else GB18030 (GBK), as
// Notepad and Excel save on Chinese Windows. Unlike a paper file, a source
// file may be in UTF-16.

#include "exchange/exchange_error.h"

#include <QByteArray>
#include <QString>

struct SourceText {
    QString text;
    QString encoding; // not empty: the file was not UTF-8 or UTF-16; which encoding, and why
    ExchangeError error;
};

// Takes the bytes by value: move them in to free them early.
SourceText decode_source_text(QByteArray bytes);
