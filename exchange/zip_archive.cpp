#include "exchange/zip_archive.h"

#include <QBuffer>
#include <algorithm>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

struct ZipArchive::State {
    QByteArray bytes;
    QBuffer buffer;
    QuaZip zip;
    ZipLimits limits;
    QStringList names;
    qint64 inflated = 0;

    State(const QByteArray &file, const ZipLimits &caps) : bytes(file), zip(&buffer), limits(caps)
    {
        buffer.setData(bytes);
    }
};

namespace
{

ExchangeError zip_error(ExchangeError::What what, const QString &part = QString(), qint64 limit = 0)
{
    ExchangeError error;
    error.what = what;
    error.part = part;
    error.limit = limit;
    return error;
}

} // namespace

bool looks_like_zip(const QByteArray &bytes)
{
    return bytes.startsWith(QByteArray("PK\x03\x04", 4)) ||
           bytes.startsWith(QByteArray("PK\x05\x06", 4));
}

ZipArchive::ZipArchive(std::unique_ptr<State> state) : state_(std::move(state)) {}

ZipArchive::~ZipArchive() = default;

std::unique_ptr<ZipArchive> ZipArchive::open(const QByteArray &bytes, ExchangeError &error,
                                             const ZipLimits &limits)
{
    ZipLimits caps = limits;
    if (caps.max_total_bytes <= 0)
        caps.max_total_bytes =
            std::clamp<qint64>(qint64(bytes.size()) * 30, qint64(16) << 20, qint64(1) << 30);
    auto state = std::make_unique<State>(bytes, caps);
    if (!state->zip.open(QuaZip::mdUnzip)) {
        error = zip_error(ExchangeError::What::BrokenZip);
        return nullptr;
    }
    // The count comes from the central directory, before any name is listed:
    // a directory of a million entries is refused without reading it.
    if (state->zip.getEntriesCount() > limits.max_entries) {
        error = zip_error(ExchangeError::What::ZipTooManyEntries, QString(), limits.max_entries);
        return nullptr;
    }
    state->names = state->zip.getFileNameList();
    if (state->zip.getZipError() != UNZ_OK) {
        error = zip_error(ExchangeError::What::BrokenZip);
        return nullptr;
    }
    return std::unique_ptr<ZipArchive>(new ZipArchive(std::move(state)));
}

const QStringList &ZipArchive::names() const
{
    return state_->names;
}

bool ZipArchive::contains(const QString &name) const
{
    return state_->names.contains(name);
}

std::optional<QByteArray> ZipArchive::read(const QString &name, ExchangeError &error)
{
    if (!contains(name) || !state_->zip.setCurrentFile(name, QuaZip::csSensitive)) {
        error = zip_error(ExchangeError::What::PartMissing, name);
        return std::nullopt;
    }
    // A size declared past the cap is refused before any of it is inflated;
    // a size declared falsely is caught while inflating, below.
    QuaZipFileInfo64 info;
    if (state_->zip.getCurrentFileInfo(&info) &&
        state_->inflated + qint64(info.uncompressedSize) > state_->limits.max_total_bytes) {
        error = zip_error(ExchangeError::What::ZipTooLarge, name, state_->limits.max_total_bytes);
        return std::nullopt;
    }
    QuaZipFile file(&state_->zip);
    if (!file.open(QIODevice::ReadOnly)) {
        error = zip_error(ExchangeError::What::BrokenZip, name);
        return std::nullopt;
    }
    // Inflated a chunk at a time and counted as it comes: the sizes the
    // directory declares are the file's word, not a fact.
    QByteArray out;
    char chunk[64 * 1024];
    for (;;) {
        const qint64 got = file.read(chunk, sizeof chunk);
        if (got < 0 || file.getZipError() != UNZ_OK) {
            error = zip_error(ExchangeError::What::BrokenZip, name);
            return std::nullopt;
        }
        if (got == 0)
            break;
        state_->inflated += got;
        if (state_->inflated > state_->limits.max_total_bytes) {
            error =
                zip_error(ExchangeError::What::ZipTooLarge, name, state_->limits.max_total_bytes);
            return std::nullopt;
        }
        out.append(chunk, int(got));
    }
    file.close();
    // A checksum that does not match is a broken file, told only at the end.
    if (file.getZipError() != UNZ_OK) {
        error = zip_error(ExchangeError::What::BrokenZip, name);
        return std::nullopt;
    }
    return out;
}
