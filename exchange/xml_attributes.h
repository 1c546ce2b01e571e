#pragma once
// Qt's XML reader compares the attributes of an element pairwise: an element
// of 200000 attributes (2 MB) takes minutes. No question bank, Word or Excel
// part comes near a few dozen, so an element crowded past a limit is refused
// by a linear pass over the bytes before the reader sees them.

#include <QByteArray>
#include <optional>

constexpr int kMaxXmlAttributes = 256;
// A start tag's bytes from "<" to ">": the attributes' names it holds are
// what the reader compares, and a Word part's longest (a drawing's path)
// stays far below this.
constexpr int kMaxXmlStartTagBytes = 1 << 20;

struct CrowdedTag {
    int line;      // from 1, where the tag starts
    bool too_long; // else too many attributes
};

// The first start tag with more than `limit` attributes (counted by their "="
// outside quoted values; comments, CDATA sections, processing instructions and
// declarations hold none) or longer than `max_bytes`; none when there is no
// such tag.
std::optional<CrowdedTag> find_crowded_tag(const QByteArray &xml, int limit = kMaxXmlAttributes,
                                           int max_bytes = kMaxXmlStartTagBytes);

// The line of that tag.
std::optional<int> line_of_crowded_tag(const QByteArray &xml, int limit = kMaxXmlAttributes);
