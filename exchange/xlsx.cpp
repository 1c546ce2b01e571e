#include "exchange/xlsx.h"
#include "exchange/xml_source.h"

#include "exchange/xlsx_sheet.h"
#include "exchange/xlsx_text.h"
#include "exchange/xml_guard.h"
#include "exchange/zip_archive.h"

#include <QDir>
#include <QHash>
#include <QXmlStreamReader>
#include <optional>

namespace
{

const QString kWorkbookPart = QStringLiteral("xl/workbook.xml");
const QString kWorkbookRelationsPart = QStringLiteral("xl/_rels/workbook.xml.rels");
const QString kSharedStringsPart = QStringLiteral("xl/sharedStrings.xml");

struct SheetEntry {
    QString name;
    QString relation; // the r:id naming its part in the workbook's relations
};

struct Relation {
    QString type;
    QString part; // the zip entry, "xl/worksheets/sheet1.xml"
};

// A small part of the package, refused before reading when its XML is not
// sound. The large ones, the sheets and their strings, are checked as they
// are read, in one pass.
std::optional<QByteArray> read_xml_part(ZipArchive &zip, const QString &part, ExchangeError &error)
{
    std::optional<QByteArray> xml = zip.read(part, error);
    if (!xml)
        return std::nullopt;
    error = check_xml_part(*xml, part);
    if (error.failed())
        return std::nullopt;
    return xml;
}

// The relation id of a `sheet`: the attribute "id" in the relationships'
// namespace, whatever its prefix, in either of the namespaces Excel writes.
QString relation_id(const QXmlStreamAttributes &attributes)
{
    for (const QXmlStreamAttribute &attribute : attributes) {
        if (attribute.name() == QLatin1String("id") && !attribute.namespaceUri().isEmpty())
            return attribute.value().toString();
    }
    return QString();
}

std::vector<SheetEntry> read_sheet_list(const QByteArray &xml)
{
    std::vector<SheetEntry> sheets;
    XmlSource source(xml);
    QXmlStreamReader reader(source.device());
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement &&
            reader.name() == QLatin1String("sheet")) {
            const QXmlStreamAttributes attributes = reader.attributes();
            sheets.push_back(
                {attributes.value(QLatin1String("name")).toString(), relation_id(attributes)});
        }
    }
    return sheets;
}

// The zip entry a relation's target names: "/xl/worksheets/sheet1.xml" from
// the package's root, "worksheets/sheet1.xml" from the workbook's folder.
QString part_of_target(const QString &target)
{
    if (target.startsWith(u'/'))
        return QDir::cleanPath(target.mid(1));
    return QDir::cleanPath(QStringLiteral("xl/") + target);
}

QHash<QString, Relation> read_relations(const QByteArray &xml)
{
    QHash<QString, Relation> relations;
    XmlSource source(xml);
    QXmlStreamReader reader(source.device());
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement ||
            reader.name() != QLatin1String("Relationship"))
            continue;
        const QXmlStreamAttributes attributes = reader.attributes();
        if (attributes.value(QLatin1String("TargetMode")) == QLatin1String("External"))
            continue;
        relations.insert(attributes.value(QLatin1String("Id")).toString(),
                         {attributes.value(QLatin1String("Type")).toString(),
                          part_of_target(attributes.value(QLatin1String("Target")).toString())});
    }
    return relations;
}

// Where the shared strings are: as the relations say, or where Excel puts them.
QString shared_strings_part(const QHash<QString, Relation> &relations)
{
    for (const Relation &relation : relations) {
        if (relation.type.endsWith(QLatin1String("/sharedStrings")))
            return relation.part;
    }
    return kSharedStringsPart;
}

std::optional<QStringList> read_shared_strings_of(ZipArchive &zip,
                                                  const QHash<QString, Relation> &relations,
                                                  ExchangeError &error)
{
    const QString part = shared_strings_part(relations);
    if (!zip.contains(part))
        return QStringList(); // a workbook of numbers alone has none
    const std::optional<QByteArray> xml = zip.read(part, error);
    if (!xml)
        return std::nullopt;
    QStringList strings;
    error = read_shared_strings(*xml, part, strings);
    if (error.failed())
        return std::nullopt;
    return strings;
}

std::optional<SourceSheet> read_sheet(ZipArchive &zip, const SheetEntry &entry,
                                      const QHash<QString, Relation> &relations,
                                      const QStringList &shared_strings, qint64 &cells_left,
                                      ExchangeError &error)
{
    const auto relation = relations.find(entry.relation);
    if (relation == relations.end()) {
        error.what = ExchangeError::What::PartMissing;
        error.part = kWorkbookRelationsPart;
        return std::nullopt;
    }
    const std::optional<QByteArray> xml = zip.read(relation->part, error);
    if (!xml)
        return std::nullopt;
    SourceSheet sheet;
    sheet.name = entry.name;
    error = read_worksheet(*xml, relation->part, shared_strings, cells_left, sheet);
    if (error.failed())
        return std::nullopt;
    return sheet;
}

std::optional<SourceWorkbook> read_workbook(ZipArchive &zip, ExchangeError &error)
{
    if (!zip.contains(kWorkbookPart)) {
        error.what = ExchangeError::What::PartMissing;
        error.part = kWorkbookPart;
        return std::nullopt;
    }
    const std::optional<QByteArray> workbook = read_xml_part(zip, kWorkbookPart, error);
    if (!workbook)
        return std::nullopt;
    const std::optional<QByteArray> relations_xml =
        read_xml_part(zip, kWorkbookRelationsPart, error);
    if (!relations_xml)
        return std::nullopt;
    const QHash<QString, Relation> relations = read_relations(*relations_xml);
    const std::optional<QStringList> shared_strings = read_shared_strings_of(zip, relations, error);
    if (!shared_strings)
        return std::nullopt;
    SourceWorkbook book;
    qint64 cells_left = kMaxWorkbookCells;
    for (const SheetEntry &entry : read_sheet_list(*workbook)) {
        std::optional<SourceSheet> sheet =
            read_sheet(zip, entry, relations, *shared_strings, cells_left, error);
        if (!sheet)
            return std::nullopt;
        book.sheets.push_back(std::move(*sheet));
    }
    return book;
}

} // namespace

SourceWorkbook read_xlsx(const QByteArray &file, ExchangeError &error)
{
    error = ExchangeError();
    const std::unique_ptr<ZipArchive> zip = ZipArchive::open(file, error);
    if (!zip)
        return {};
    std::optional<SourceWorkbook> book = read_workbook(*zip, error);
    return book ? std::move(*book) : SourceWorkbook();
}
