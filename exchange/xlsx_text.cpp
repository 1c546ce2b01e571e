#include "exchange/xlsx_text.h"
#include "exchange/xml_source.h"

#include "exchange/xml_guard.h"

#include <QLocale>
#include <QXmlStreamReader>
#include <cmath>

void RichTextCollector::start(const QStringRef &element)
{
    if (element == QLatin1String("rPh"))
        ++phonetic_depth_;
    else if (element == QLatin1String("t") && phonetic_depth_ == 0)
        in_text_ = true;
}

void RichTextCollector::end(const QStringRef &element)
{
    if (element == QLatin1String("rPh"))
        --phonetic_depth_;
    else if (element == QLatin1String("t"))
        in_text_ = false;
}

void RichTextCollector::characters(const QStringRef &text)
{
    if (in_text_)
        text_.append(text);
}

QString RichTextCollector::take()
{
    QString text = plain_cell_text(text_);
    text_.clear();
    in_text_ = false;
    phonetic_depth_ = 0;
    return text;
}

ExchangeError read_shared_strings(const QByteArray &xml, const QString &part, QStringList &strings)
{
    const ExchangeError crowded = check_attribute_counts(xml, part);
    if (crowded.failed())
        return crowded;
    XmlSource source(xml);
    QXmlStreamReader reader(source.device());
    XmlPartGuard guard(part);
    RichTextCollector item;
    bool in_item = false;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (!guard.admits(reader))
            return guard.error();
        switch (token) {
        case QXmlStreamReader::StartElement:
            if (reader.name() == QLatin1String("si"))
                in_item = true;
            else if (in_item)
                item.start(reader.name());
            break;
        case QXmlStreamReader::EndElement:
            if (reader.name() == QLatin1String("si")) {
                strings.append(item.take());
                in_item = false;
            } else if (in_item) {
                item.end(reader.name());
            }
            break;
        case QXmlStreamReader::Characters:
            if (in_item)
                item.characters(reader.text());
            break;
        default:
            break;
        }
    }
    return guard.finish(reader);
}

namespace
{

// The character of an escape "_xHHHH_" starting at `at`, or none.
int escaped_character(const QString &raw, int at)
{
    if (at + 7 > raw.size() || raw[at] != u'_' || raw[at + 1] != u'x' || raw[at + 6] != u'_')
        return -1;
    bool ok = false;
    const int code = raw.midRef(at + 2, 4).toInt(&ok, 16);
    return ok ? code : -1;
}

QString unescape(const QString &raw)
{
    QString text;
    text.reserve(raw.size());
    for (int i = 0; i < raw.size();) {
        const int code = escaped_character(raw, i);
        if (code >= 0) {
            text.append(QChar(code));
            i += 7;
        } else {
            text.append(raw[i]);
            ++i;
        }
    }
    return text;
}

QString with_plain_line_breaks(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// `digits` with the decimal point placed after `exponent` + 1 of them.
QString fixed_notation(const QString &digits, int exponent)
{
    if (exponent < 0)
        return QLatin1String("0.") + QString(-exponent - 1, u'0') + digits;
    if (digits.size() <= exponent + 1)
        return digits + QString(exponent + 1 - digits.size(), u'0');
    return digits.left(exponent + 1) + u'.' + digits.mid(exponent + 1);
}

} // namespace

QString plain_cell_text(const QString &raw)
{
    QString text = raw.contains(QLatin1String("_x")) ? unescape(raw) : raw;
    return text.contains(u'\r') ? with_plain_line_breaks(text) : text;
}

QString number_text(const QString &raw)
{
    bool ok = false;
    const double value = raw.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return raw;
    if (value == 0)
        return QStringLiteral("0");
    // "-1.25e+01": the digits Excel shows, 15 significant at most (a teacher
    // who typed 0.3 sees 0.3, though the file keeps 0.30000000000000004),
    // then placed as Excel places them, in fixed notation from 1E-5 to 1E+15.
    QString shortest = QString::number(value, 'e', 14);
    int e = shortest.indexOf(u'e');
    int last = e - 1;
    while (shortest[last] == u'0')
        --last;
    if (shortest[last] == u'.')
        --last;
    shortest.remove(last + 1, e - last - 1);
    e = last + 1;
    const int exponent = shortest.midRef(e + 1).toInt();
    const QString sign = value < 0 ? QStringLiteral("-") : QString();
    if (exponent < -5 || exponent >= 15)
        return shortest.left(e) + u'E' + (exponent < 0 ? u'-' : u'+') +
               QString::number(std::abs(exponent)).rightJustified(2, u'0');
    QString digits = shortest.left(e);
    digits.remove(u'-');
    digits.remove(u'.');
    return sign + fixed_notation(digits, exponent);
}
