#include "exchange/docx_package.h"

namespace
{

const QString kPackageRelationships =
    QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");
const QString kOfficeRelationship =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/");
const QString kWordType =
    QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.");

// The body's size in half-points: 五号.
const QString kBodySize = QStringLiteral("21");

void write_override(QXmlStreamWriter &xml, const QString &part, const QString &type)
{
    xml.writeEmptyElement(QStringLiteral("Override"));
    xml.writeAttribute(QStringLiteral("PartName"), part);
    xml.writeAttribute(QStringLiteral("ContentType"), type);
}

void write_default(QXmlStreamWriter &xml, const QString &extension, const QString &type)
{
    xml.writeEmptyElement(QStringLiteral("Default"));
    xml.writeAttribute(QStringLiteral("Extension"), extension);
    xml.writeAttribute(QStringLiteral("ContentType"), type);
}

QByteArray content_types()
{
    return xml_part([](QXmlStreamWriter &xml) {
        xml.writeDefaultNamespace(
            QStringLiteral("http://schemas.openxmlformats.org/package/2006/content-types"));
        xml.writeStartElement(QStringLiteral("Types"));
        write_default(xml, QStringLiteral("rels"),
                      QStringLiteral("application/vnd.openxmlformats-package.relationships+xml"));
        write_default(xml, QStringLiteral("xml"), QStringLiteral("application/xml"));
        write_override(xml, QStringLiteral("/word/document.xml"),
                       kWordType + QStringLiteral("document.main+xml"));
        write_override(xml, QStringLiteral("/word/styles.xml"),
                       kWordType + QStringLiteral("styles+xml"));
        write_override(xml, QStringLiteral("/word/settings.xml"),
                       kWordType + QStringLiteral("settings+xml"));
        write_override(xml, QStringLiteral("/word/footer1.xml"),
                       kWordType + QStringLiteral("footer+xml"));
        write_override(
            xml, QStringLiteral("/docProps/core.xml"),
            QStringLiteral("application/vnd.openxmlformats-package.core-properties+xml"));
        write_override(xml, QStringLiteral("/docProps/app.xml"),
                       QStringLiteral("application/vnd.openxmlformats-officedocument."
                                      "extended-properties+xml"));
        xml.writeEndElement();
    });
}

struct Relationship {
    QString id;
    QString type;
    QString target;
};

QByteArray relationships(const std::vector<Relationship> &all)
{
    return xml_part([&all](QXmlStreamWriter &xml) {
        xml.writeDefaultNamespace(kPackageRelationships);
        xml.writeStartElement(QStringLiteral("Relationships"));
        for (const Relationship &relationship : all) {
            xml.writeEmptyElement(QStringLiteral("Relationship"));
            xml.writeAttribute(QStringLiteral("Id"), relationship.id);
            xml.writeAttribute(QStringLiteral("Type"), relationship.type);
            xml.writeAttribute(QStringLiteral("Target"), relationship.target);
        }
        xml.writeEndElement();
    });
}

QByteArray package_relationships()
{
    return relationships(
        {{QStringLiteral("rId1"), kOfficeRelationship + QStringLiteral("officeDocument"),
          QStringLiteral("word/document.xml")},
         {QStringLiteral("rId2"),
          kPackageRelationships + QStringLiteral("/metadata/core-properties"),
          QStringLiteral("docProps/core.xml")},
         {QStringLiteral("rId3"), kOfficeRelationship + QStringLiteral("extended-properties"),
          QStringLiteral("docProps/app.xml")}});
}

QByteArray document_relationships()
{
    return relationships({{QStringLiteral("rId1"), kOfficeRelationship + QStringLiteral("styles"),
                           QStringLiteral("styles.xml")},
                          {QStringLiteral("rId2"), kOfficeRelationship + QStringLiteral("settings"),
                           QStringLiteral("settings.xml")},
                          {kFooterRelationship, kOfficeRelationship + QStringLiteral("footer"),
                           QStringLiteral("footer1.xml")}});
}

void write_value(QXmlStreamWriter &xml, const QString &element, const QString &value)
{
    xml.writeEmptyElement(kWordNamespace, element);
    xml.writeAttribute(kWordNamespace, QStringLiteral("val"), value);
}

// The fonts of every run: 宋体 for Chinese, Times New Roman for the rest.
void write_default_run(QXmlStreamWriter &xml)
{
    xml.writeStartElement(kWordNamespace, QStringLiteral("rPrDefault"));
    xml.writeStartElement(kWordNamespace, QStringLiteral("rPr"));
    xml.writeEmptyElement(kWordNamespace, QStringLiteral("rFonts"));
    xml.writeAttribute(kWordNamespace, QStringLiteral("ascii"), QStringLiteral("Times New Roman"));
    xml.writeAttribute(kWordNamespace, QStringLiteral("hAnsi"), QStringLiteral("Times New Roman"));
    xml.writeAttribute(kWordNamespace, QStringLiteral("eastAsia"), QStringLiteral("宋体"));
    xml.writeAttribute(kWordNamespace, QStringLiteral("cs"), QStringLiteral("Times New Roman"));
    write_value(xml, QStringLiteral("sz"), kBodySize);
    write_value(xml, QStringLiteral("szCs"), kBodySize);
    xml.writeEmptyElement(kWordNamespace, QStringLiteral("lang"));
    xml.writeAttribute(kWordNamespace, QStringLiteral("val"), QStringLiteral("en-US"));
    xml.writeAttribute(kWordNamespace, QStringLiteral("eastAsia"), QStringLiteral("zh-CN"));
    xml.writeEndElement();
    xml.writeEndElement();
}

QByteArray styles()
{
    return xml_part([](QXmlStreamWriter &xml) {
        xml.writeNamespace(kWordNamespace, QStringLiteral("w"));
        xml.writeStartElement(kWordNamespace, QStringLiteral("styles"));
        xml.writeStartElement(kWordNamespace, QStringLiteral("docDefaults"));
        write_default_run(xml);
        xml.writeEndElement();
        xml.writeStartElement(kWordNamespace, QStringLiteral("style"));
        xml.writeAttribute(kWordNamespace, QStringLiteral("type"), QStringLiteral("paragraph"));
        xml.writeAttribute(kWordNamespace, QStringLiteral("default"), QStringLiteral("1"));
        xml.writeAttribute(kWordNamespace, QStringLiteral("styleId"), QStringLiteral("Normal"));
        write_value(xml, QStringLiteral("name"), QStringLiteral("Normal"));
        xml.writeEndElement();
        xml.writeEndElement();
    });
}

QByteArray settings()
{
    return xml_part([](QXmlStreamWriter &xml) {
        xml.writeNamespace(kWordNamespace, QStringLiteral("w"));
        xml.writeStartElement(kWordNamespace, QStringLiteral("settings"));
        // Two Chinese characters, the indent papers use.
        write_value(xml, QStringLiteral("defaultTabStop"), QStringLiteral("420"));
        write_value(xml, QStringLiteral("characterSpacingControl"),
                    QStringLiteral("compressPunctuation"));
        xml.writeEndElement();
    });
}

void write_text_run(QXmlStreamWriter &xml, const QString &text)
{
    xml.writeStartElement(kWordNamespace, QStringLiteral("r"));
    xml.writeStartElement(kWordNamespace, QStringLiteral("t"));
    xml.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
    xml.writeCharacters(text);
    xml.writeEndElement();
    xml.writeEndElement();
}

void write_field(QXmlStreamWriter &xml, const QString &instruction)
{
    xml.writeStartElement(kWordNamespace, QStringLiteral("fldSimple"));
    xml.writeAttribute(kWordNamespace, QStringLiteral("instr"), instruction);
    write_text_run(xml, QStringLiteral("1"));
    xml.writeEndElement();
}

// "第 X 页 共 Y 页", centred.
QByteArray footer()
{
    return xml_part([](QXmlStreamWriter &xml) {
        xml.writeNamespace(kWordNamespace, QStringLiteral("w"));
        xml.writeStartElement(kWordNamespace, QStringLiteral("ftr"));
        xml.writeStartElement(kWordNamespace, QStringLiteral("p"));
        xml.writeStartElement(kWordNamespace, QStringLiteral("pPr"));
        write_value(xml, QStringLiteral("jc"), QStringLiteral("center"));
        xml.writeEndElement();
        write_text_run(xml, QStringLiteral("第 "));
        write_field(xml, QStringLiteral(" PAGE "));
        write_text_run(xml, QStringLiteral(" 页 共 "));
        write_field(xml, QStringLiteral(" NUMPAGES "));
        write_text_run(xml, QStringLiteral(" 页"));
        xml.writeEndElement();
        xml.writeEndElement();
    });
}

// No dates: the same paper gives the same bytes.
QByteArray core_properties(const QString &title)
{
    return xml_part([&title](QXmlStreamWriter &xml) {
        const QString core = QStringLiteral(
            "http://schemas.openxmlformats.org/package/2006/metadata/core-properties");
        const QString dublin = QStringLiteral("http://purl.org/dc/elements/1.1/");
        xml.writeNamespace(core, QStringLiteral("cp"));
        xml.writeNamespace(dublin, QStringLiteral("dc"));
        xml.writeStartElement(core, QStringLiteral("coreProperties"));
        xml.writeTextElement(dublin, QStringLiteral("title"), title);
        xml.writeTextElement(dublin, QStringLiteral("creator"), QStringLiteral("qv_paper"));
        xml.writeEndElement();
    });
}

QByteArray app_properties()
{
    return xml_part([](QXmlStreamWriter &xml) {
        xml.writeDefaultNamespace(QStringLiteral(
            "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties"));
        xml.writeStartElement(QStringLiteral("Properties"));
        xml.writeTextElement(QStringLiteral("Application"), QStringLiteral("qv_paper"));
        xml.writeEndElement();
    });
}

} // namespace

QByteArray xml_part(const std::function<void(QXmlStreamWriter &)> &write)
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    write(xml);
    xml.writeEndDocument();
    return bytes;
}

std::vector<ZipPart> docx_package(const QByteArray &document, const QString &title)
{
    return {{QStringLiteral("[Content_Types].xml"), content_types()},
            {QStringLiteral("_rels/.rels"), package_relationships()},
            {QStringLiteral("word/document.xml"), document},
            {QStringLiteral("word/_rels/document.xml.rels"), document_relationships()},
            {QStringLiteral("word/styles.xml"), styles()},
            {QStringLiteral("word/settings.xml"), settings()},
            {QStringLiteral("word/footer1.xml"), footer()},
            {QStringLiteral("docProps/core.xml"), core_properties(title)},
            {QStringLiteral("docProps/app.xml"), app_properties()}};
}
