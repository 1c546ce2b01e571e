#pragma once
// A zip file made in memory through the zip library, for the Word and Excel
// files qv_paper writes: each part deflated, in the order added.

#include <QByteArray>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

struct ZipPart {
    QString name; // "word/document.xml"
    QByteArray bytes;
};

// None when the zip library fails (it does not, short of memory).
std::optional<QByteArray> zip_parts(const std::vector<ZipPart> &parts);
