#include "exchange/docx_xml.h"
#include "exchange/xml_source.h"

namespace
{

struct KnownNamespace {
    const char *uri;
    DocxNs ns;
};

// Transitional first, as nearly every file is written; then the strict
// namespaces some converters write.
const KnownNamespace kNamespaces[] = {
    {"http://schemas.openxmlformats.org/wordprocessingml/2006/main", DocxNs::Word},
    {"http://schemas.openxmlformats.org/officeDocument/2006/math", DocxNs::Math},
    {"http://schemas.openxmlformats.org/markup-compatibility/2006", DocxNs::Compat},
    {"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing", DocxNs::WordDrawing},
    {"http://schemas.openxmlformats.org/drawingml/2006/main", DocxNs::Drawing},
    {"urn:schemas-microsoft-com:vml", DocxNs::Vml},
    {"urn:schemas-microsoft-com:office:office", DocxNs::Office},
    {"http://schemas.openxmlformats.org/package/2006/relationships", DocxNs::Relationships},
    {"http://purl.oclc.org/ooxml/wordprocessingml/main", DocxNs::Word},
    {"http://purl.oclc.org/ooxml/officeDocument/math", DocxNs::Math},
    {"http://purl.oclc.org/ooxml/drawingml/wordprocessingDrawing", DocxNs::WordDrawing},
    {"http://purl.oclc.org/ooxml/drawingml/main", DocxNs::Drawing},
};

} // namespace

DocxNs docx_namespace(const QStringRef &uri)
{
    for (const KnownNamespace &known : kNamespaces) {
        if (uri == QLatin1String(known.uri))
            return known.ns;
    }
    return DocxNs::Other;
}

QString docx_attribute(const QXmlStreamReader &reader, DocxNs ns, QLatin1String name)
{
    for (const QXmlStreamAttribute &attribute : reader.attributes()) {
        if (attribute.name() == name && docx_namespace(attribute.namespaceUri()) == ns)
            return attribute.value().toString();
    }
    return QString();
}

bool has_docx_attribute(const QXmlStreamReader &reader, DocxNs ns, QLatin1String name)
{
    for (const QXmlStreamAttribute &attribute : reader.attributes()) {
        if (attribute.name() == name && docx_namespace(attribute.namespaceUri()) == ns)
            return true;
    }
    return false;
}

DocxWalker::DocxWalker(const QByteArray &xml) : source_(xml), reader_(source_.device()) {}

QXmlStreamReader::TokenType DocxWalker::next()
{
    for (;;) {
        const QXmlStreamReader::TokenType token = reader_.readNext();
        switch (token) {
        case QXmlStreamReader::StartElement:
            if (ns() != DocxNs::Compat) {
                open_.push_back(Open::Read);
                return token;
            }
            if (name() == QLatin1String("AlternateContent")) {
                open_.push_back(Open::Alternatives);
            } else if ((name() == QLatin1String("Choice") || name() == QLatin1String("Fallback")) &&
                       !open_.empty() && open_.back() == Open::Alternatives) {
                open_.back() = Open::Chosen;
                open_.push_back(Open::Branch);
            } else {
                reader_.skipCurrentElement();
            }
            break;
        case QXmlStreamReader::EndElement: {
            const Open closed = open_.empty() ? Open::Read : open_.back();
            if (!open_.empty())
                open_.pop_back();
            if (closed == Open::Read)
                return token;
            break;
        }
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EndDocument:
        case QXmlStreamReader::Invalid:
            return token;
        default:
            break;
        }
    }
}

void DocxWalker::skip()
{
    reader_.skipCurrentElement();
    if (!open_.empty())
        open_.pop_back();
}

QString docx_word_value(const DocxWalker &walker)
{
    return docx_attribute(walker.reader(), DocxNs::Word, QLatin1String("val"));
}

int docx_word_number(const DocxWalker &walker, const char *name, int otherwise)
{
    bool ok = false;
    const int value = docx_attribute(walker.reader(), DocxNs::Word, QLatin1String(name)).toInt(&ok);
    return ok ? value : otherwise;
}

bool DocxPartPath::next()
{
    for (;;) {
        const QXmlStreamReader::TokenType token = walker_.next();
        if (token == QXmlStreamReader::EndDocument || token == QXmlStreamReader::Invalid)
            return false;
        if (token == QXmlStreamReader::EndElement && !path_.empty()) {
            name_ = path_.back();
            path_.pop_back();
            started_ = false;
            return true;
        }
        if (token == QXmlStreamReader::StartElement) {
            path_.push_back(walker_.ns() == DocxNs::Word ? walker_.name().toString() : QString());
            name_ = path_.back();
            started_ = true;
            return true;
        }
    }
}

QString DocxPartPath::parent() const
{
    const size_t below = started_ ? 2 : 1;
    return path_.size() >= below ? path_[path_.size() - below] : QString();
}
