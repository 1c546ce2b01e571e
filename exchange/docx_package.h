#pragma once
// The parts of a Word file written around its body: the content types, the
// relationships, the styles that set the page's fonts, the settings, the
// footer with the page numbers, and the document's properties.

#include "exchange/zip_writer.h"

#include <QByteArray>
#include <QString>
#include <QXmlStreamWriter>
#include <functional>
#include <vector>

inline const QString kWordNamespace =
    QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
inline const QString kRelationshipsNamespace =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");

// The relationship through which the body's section names its footer.
inline const QString kFooterRelationship = QStringLiteral("rId3");

// An XML part in UTF-8 with its declaration, `write` writing its root.
QByteArray xml_part(const std::function<void(QXmlStreamWriter &)> &write);

// Every part of the file, `document` as word/document.xml.
std::vector<ZipPart> docx_package(const QByteArray &document, const QString &title);
