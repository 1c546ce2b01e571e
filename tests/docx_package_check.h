#pragma once
// What makes a zip file a Word document Word opens: the content types name
// the main document and a type for every part, the package's relationships
// lead to the document, every relationship's target is there, and every XML
// part is well formed. Empty when all holds; else what does not.

#include "exchange/zip_archive.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

namespace
{

// The content type a part must have, by the last word of the type of the
// relationship that leads to it.
const QMap<QString, QString> kContentTypes{
    {"officeDocument",
     "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"},
    {"styles", "application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"},
    {"settings", "application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml"},
    {"footer", "application/vnd.openxmlformats-officedocument.wordprocessingml.footer+xml"},
    {"core-properties", "application/vnd.openxmlformats-package.core-properties+xml"},
    {"extended-properties",
     "application/vnd.openxmlformats-officedocument.extended-properties+xml"}};

// The attributes of every element called `element`, in order.
QList<QXmlStreamAttributes> elements_named(const QByteArray &xml, const QString &element)
{
    QList<QXmlStreamAttributes> found;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == element)
            found.append(reader.attributes());
    }
    return found;
}

QString well_formed_fault(const QString &name, const QByteArray &xml)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        reader.readNext();
    return reader.hasError() ? QStringLiteral("%1: %2").arg(name, reader.errorString()) : QString();
}

// "word/_rels/document.xml.rels" speaks of targets beside "word/document.xml".
QString relationships_folder(const QString &rels_name)
{
    const QString folder = rels_name.section(QLatin1Char('/'), 0, -3);
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/');
}

QStringList word_package_faults(const QByteArray &file)
{
    ExchangeError error;
    const auto zip = ZipArchive::open(file, error);
    if (!zip)
        return {QStringLiteral("no zip")};
    QMap<QString, QByteArray> parts;
    QStringList faults;
    for (const QString &name : zip->names()) {
        parts[name] = zip->read(name, error).value_or(QByteArray());
        if (name.endsWith(QLatin1String(".xml")) || name.endsWith(QLatin1String(".rels")))
            faults.append(well_formed_fault(name, parts[name]));
    }
    QMap<QString, QString> overrides, defaults;
    for (const QXmlStreamAttributes &a :
         elements_named(parts.value("[Content_Types].xml"), "Override"))
        overrides[a.value("PartName").toString()] = a.value("ContentType").toString();
    for (const QXmlStreamAttributes &a :
         elements_named(parts.value("[Content_Types].xml"), "Default"))
        defaults[a.value("Extension").toString()] = a.value("ContentType").toString();
    for (const QString &name : parts.keys()) {
        if (name != QLatin1String("[Content_Types].xml") && !overrides.contains('/' + name) &&
            !defaults.contains(name.section(QLatin1Char('.'), -1)))
            faults.append(QStringLiteral("no content type for ") + name);
    }
    QString main_document;
    for (const QString &name : parts.keys()) {
        if (!name.endsWith(QLatin1String(".rels")))
            continue;
        for (const QXmlStreamAttributes &a : elements_named(parts[name], "Relationship")) {
            if (a.value("TargetMode") == QLatin1String("External"))
                continue;
            const QString target = relationships_folder(name) + a.value("Target").toString();
            if (!parts.contains(target))
                faults.append(QStringLiteral("%1 leads to %2, not there").arg(name, target));
            const QString kind = a.value("Type").toString().section(QLatin1Char('/'), -1);
            const QString type = overrides.contains('/' + target)
                                     ? overrides.value('/' + target)
                                     : defaults.value(target.section(QLatin1Char('.'), -1));
            if (kContentTypes.contains(kind) && type != kContentTypes.value(kind))
                faults.append(QStringLiteral("%1 is declared %2").arg(target, type));
            if (name == QLatin1String("_rels/.rels") &&
                a.value("Type").endsWith(QLatin1String("/officeDocument")))
                main_document = target;
        }
    }
    if (main_document.isEmpty())
        faults.append(QStringLiteral("_rels/.rels leads to no document"));
    faults.removeAll(QString());
    return faults;
}

} // namespace
