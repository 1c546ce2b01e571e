#pragma once
// Every XML part of a Word or Excel file is read through this guard first: a
// part that is not well-formed, declares a document type (whose entities
// expand without bound; Office never writes one) or nests absurdly deep is
// refused before any of it is taken.

#include "exchange/exchange_error.h"

#include <QByteArray>
#include <QString>

constexpr int kMaxXmlPartDepth = 200;

// `part` names the part in the error ("word/document.xml").
ExchangeError check_xml_part(const QByteArray &xml, const QString &part,
                             int max_depth = kMaxXmlPartDepth);
