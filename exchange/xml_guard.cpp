#include "exchange/xml_guard.h"

#include <QXmlStreamReader>

ExchangeError check_xml_part(const QByteArray &xml, const QString &part, int max_depth)
{
    ExchangeError error;
    error.part = part;
    QXmlStreamReader reader(xml);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            error.what = ExchangeError::What::XmlHasDtd;
            error.line = int(reader.lineNumber());
            return error;
        case QXmlStreamReader::StartElement:
            if (++depth > max_depth) {
                error.what = ExchangeError::What::XmlTooDeep;
                error.line = int(reader.lineNumber());
                error.limit = max_depth;
                return error;
            }
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    if (reader.hasError()) {
        error.what = ExchangeError::What::XmlBroken;
        error.line = int(reader.lineNumber());
        error.detail = reader.errorString();
        return error;
    }
    return ExchangeError();
}
