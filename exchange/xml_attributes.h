#pragma once
// Qt's XML reader compares the attributes of an element pairwise: an element
// of 200000 attributes (2 MB) takes minutes. No question bank, Word or Excel
// part comes near a few dozen, so an element crowded past a limit is refused
// by a linear pass over the bytes before the reader sees them.

#include <QByteArray>
#include <optional>

constexpr int kMaxXmlAttributes = 256;

// The line, from 1, of the first start tag with more than `limit` attributes
// (counted by their "=" outside quoted values; comments, CDATA sections,
// processing instructions and declarations hold none); none when there is no
// such tag.
std::optional<int> line_of_crowded_tag(const QByteArray &xml, int limit = kMaxXmlAttributes);
