#pragma once
// The texts of an Excel workbook's cells as its XML holds them: the shared
// string table, the runs of a rich or inline string, and numbers, each made
// the text the teacher sees in the cell.

#include "exchange/exchange_error.h"

#include <QString>
#include <QStringList>
#include <QStringRef>

class QXmlStreamReader;

// Collects the text of a string item (a shared string's `si`, an inline
// string's `is`) as its elements go by: the `t` of the item or of each rich
// run, not the phonetic guide (`rPh`) Excel keeps for Japanese names.
class RichTextCollector
{
  public:
    void start(const QStringRef &element);
    void end(const QStringRef &element);
    void characters(const QStringRef &text);
    // The text so far, with Excel's escapes and line breaks made plain; clears it.
    QString take();

  private:
    QString text_;
    bool in_text_ = false;
    int phonetic_depth_ = 0;
};

// The items of the shared strings part `part`, in order (a cell of type "s"
// holds an index), the part's XML checked as it is read.
ExchangeError read_shared_strings(const QByteArray &xml, const QString &part, QStringList &strings);

// `raw` with Excel's escapes of characters XML cannot hold ("_x000D_") made
// the characters, and every line break a '\n'.
QString plain_cell_text(const QString &raw);

// The number `raw` holds as Excel shows it, to 15 significant digits ("2",
// "2.5", "0.3", "1E+20"); `raw` itself when it is no finite number.
QString number_text(const QString &raw);
