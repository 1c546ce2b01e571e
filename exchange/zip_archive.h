#pragma once
// The entries of a zip file held in memory (a Word or Excel file), read
// through the zip library with caps on what a hostile file can make of
// itself: a count of entries, and inflated bytes in all, checked while
// inflating, never trusting the sizes the file declares.

#include "exchange/exchange_error.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

struct ZipLimits {
    int max_entries = 10000;
    // Inflated bytes read from all entries together; 0: thirty times the
    // file's size, at least 16 MB and at most 1 GB. Word and Excel files
    // inflate to five to fifteen times their size; a bomb is refused before
    // it costs more memory than a large honest file would.
    qint64 max_total_bytes = 0;
};

class ZipArchive
{
  public:
    // Null, with `error` set, when `bytes` is no zip or its directory is broken.
    static std::unique_ptr<ZipArchive> open(const QByteArray &bytes, ExchangeError &error,
                                            const ZipLimits &limits = {});
    ~ZipArchive();

    // The entries' names, in directory order.
    const QStringList &names() const;
    bool contains(const QString &name) const;

    // The inflated bytes of `name`; none, with `error` set, when it is not
    // there, is broken, or would take the inflated total past the cap.
    std::optional<QByteArray> read(const QString &name, ExchangeError &error);

  private:
    struct State;
    explicit ZipArchive(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// Whether `bytes` start as a zip file does ("PK\3\4", or an empty zip's "PK\5\6").
bool looks_like_zip(const QByteArray &bytes);
