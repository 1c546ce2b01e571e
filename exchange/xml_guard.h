#pragma once
// Every XML part of a Word or Excel file is read through this guard first: a
// part that is not well-formed, declares a document type (whose entities
// expand without bound; Office never writes one) or nests absurdly deep is
// refused before any of it is taken.

#include "exchange/exchange_error.h"

#include <QByteArray>
#include <QString>

class QXmlStreamReader;

constexpr int kMaxXmlPartDepth = 200;

// `part` names the part in the error ("word/document.xml").
ExchangeError check_xml_part(const QByteArray &xml, const QString &part,
                             int max_depth = kMaxXmlPartDepth);

// Refused when one element crowds more attributes than any file of ours
// holds, before Qt's reader spends quadratic time on them (xml_attributes.h).
// `part` empty: the file itself.
ExchangeError check_attribute_counts(const QByteArray &xml, const QString &part);

// The same checks, token by token, on the pass that reads a part for its
// content: a large sheet is parsed once instead of twice. The reader takes
// nothing of a part the guard refuses, so the part counts as refused before
// read; a document type comes before the root, before any entity is expanded.
class XmlPartGuard
{
  public:
    explicit XmlPartGuard(const QString &part, int max_depth = kMaxXmlPartDepth);

    // Whether the token `reader` has just read passes; when not, error() says why.
    bool admits(const QXmlStreamReader &reader);
    // After the last token: why the part is not well-formed, or none.
    ExchangeError finish(const QXmlStreamReader &reader);
    const ExchangeError &error() const { return error_; }

  private:
    ExchangeError refused(ExchangeError::What what, const QXmlStreamReader &reader);

    QString part_;
    int max_depth_;
    int depth_ = 0;
    ExchangeError error_;
};
