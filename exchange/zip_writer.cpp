#include "exchange/zip_writer.h"

#include <QBuffer>
#include <QDateTime>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

std::optional<QByteArray> zip_parts(const std::vector<ZipPart> &parts)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdCreate))
        return std::nullopt;
    // A fixed time: the same paper gives the same bytes, whenever written.
    const QDateTime fixed(QDate(2000, 1, 1), QTime(0, 0));
    for (const ZipPart &part : parts) {
        QuaZipFile file(&zip);
        QuaZipNewInfo info(part.name);
        info.dateTime = fixed;
        if (!file.open(QIODevice::WriteOnly, info) || file.write(part.bytes) != part.bytes.size())
            return std::nullopt;
        file.close();
        if (file.getZipError() != ZIP_OK)
            return std::nullopt;
    }
    zip.close();
    if (zip.getZipError() != ZIP_OK)
        return std::nullopt;
    return bytes;
}
