#include "exchange/xml_guard.h"
#include "exchange/xml_attributes.h"
#include "exchange/xml_source.h"

#include <QXmlStreamReader>

XmlPartGuard::XmlPartGuard(const QString &part, int max_depth) : part_(part), max_depth_(max_depth)
{
}

ExchangeError XmlPartGuard::refused(ExchangeError::What what, const QXmlStreamReader &reader)
{
    error_.what = what;
    error_.part = part_;
    error_.line = int(reader.lineNumber());
    return error_;
}

bool XmlPartGuard::admits(const QXmlStreamReader &reader)
{
    switch (reader.tokenType()) {
    case QXmlStreamReader::DTD:
        refused(ExchangeError::What::XmlHasDtd, reader);
        return false;
    case QXmlStreamReader::StartElement:
        if (++depth_ > max_depth_) {
            refused(ExchangeError::What::XmlTooDeep, reader);
            error_.limit = max_depth_;
            return false;
        }
        return true;
    case QXmlStreamReader::EndElement:
        --depth_;
        return true;
    default:
        return true;
    }
}

ExchangeError XmlPartGuard::finish(const QXmlStreamReader &reader)
{
    if (!reader.hasError())
        return ExchangeError();
    refused(ExchangeError::What::XmlBroken, reader);
    error_.detail = reader.errorString();
    return error_;
}

ExchangeError check_attribute_counts(const QByteArray &xml, const QString &part)
{
    ExchangeError error;
    if (const std::optional<CrowdedTag> crowded = find_crowded_tag(xml)) {
        error.what = crowded->too_long ? ExchangeError::What::XmlStartTagTooLong
                                       : ExchangeError::What::XmlTooManyAttributes;
        error.part = part;
        error.line = crowded->line;
        error.limit = crowded->too_long ? kMaxXmlStartTagBytes : kMaxXmlAttributes;
    }
    return error;
}

ExchangeError check_xml_part(const QByteArray &xml, const QString &part, int max_depth)
{
    const ExchangeError crowded = check_attribute_counts(xml, part);
    if (crowded.failed())
        return crowded;
    XmlSource source(xml);
    QXmlStreamReader reader(source.device());
    XmlPartGuard guard(part, max_depth);
    while (!reader.atEnd()) {
        reader.readNext();
        if (!guard.admits(reader))
            return guard.error();
    }
    return guard.finish(reader);
}
