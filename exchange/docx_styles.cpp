#include "exchange/docx_styles.h"

#include "exchange/docx_xml.h"

namespace
{

// Deeper chains of styles than this are circles or hostile.
const int kMaxStyleChain = 32;

bool is_on(const QString &value)
{
    return value != QLatin1String("0") && value != QLatin1String("false") &&
           value != QLatin1String("off");
}

} // namespace

void RunLook::inherit(const RunLook &style)
{
    if (!underline)
        underline = style.underline;
    if (!colour)
        colour = style.colour;
    if (!highlight)
        highlight = style.highlight;
    if (!shade)
        shade = style.shade;
}

void RunLook::read_property(const DocxWalker &walker)
{
    if (walker.ns() != DocxNs::Word)
        return;
    const QStringRef name = walker.name();
    const QString value = docx_attribute(walker.reader(), DocxNs::Word, QLatin1String("val"));
    if (name == QLatin1String("u")) {
        underline = value != QLatin1String("none");
    } else if (name == QLatin1String("color")) {
        colour = !value.isEmpty() &&
                 value.compare(QLatin1String("auto"), Qt::CaseInsensitive) != 0 &&
                 value != QLatin1String("000000");
    } else if (name == QLatin1String("highlight")) {
        highlight = !value.isEmpty() && value != QLatin1String("none");
    } else if (name == QLatin1String("shd")) {
        const QString fill = docx_attribute(walker.reader(), DocxNs::Word, QLatin1String("fill"));
        shade = !fill.isEmpty() && fill.compare(QLatin1String("auto"), Qt::CaseInsensitive) != 0 &&
                fill.compare(QLatin1String("FFFFFF"), Qt::CaseInsensitive) != 0;
    }
}

void DocxStyles::load(const QByteArray &xml)
{
    DocxPartPath part(xml);
    const DocxWalker &walker = part.walker();
    Style *style = nullptr;
    while (part.next()) {
        const QString &name = part.name();
        const bool is_style = part.depth() == 2 && name == QLatin1String("style");
        if (!part.started()) {
            if (is_style)
                style = nullptr;
            continue;
        }
        const QString parent = part.parent();
        if (is_style) {
            const QString id =
                docx_attribute(walker.reader(), DocxNs::Word, QLatin1String("styleId"));
            style = &styles_[id];
            *style = Style();
            const QString type =
                docx_attribute(walker.reader(), DocxNs::Word, QLatin1String("type"));
            const QString is_default =
                docx_attribute(walker.reader(), DocxNs::Word, QLatin1String("default"));
            if (type == QLatin1String("paragraph") && !is_default.isEmpty() && is_on(is_default))
                default_paragraph_ = id;
        } else if (!style) {
            continue;
        } else if (name == QLatin1String("basedOn") && parent == QLatin1String("style")) {
            style->based_on = docx_word_value(walker);
        } else if (name == QLatin1String("numId") && parent == QLatin1String("numPr")) {
            style->numbering.num_id = docx_word_number(walker, "val", -1);
        } else if (name == QLatin1String("ilvl") && parent == QLatin1String("numPr")) {
            style->numbering.level = docx_word_number(walker, "val", -1);
        } else if (parent == QLatin1String("rPr") && part.depth() == 4) {
            style->look.read_property(walker);
        }
    }
}

template <typename Visit> void DocxStyles::walk_chain(const QString &style_id, Visit visit) const
{
    QString id = style_id;
    for (int step = 0; step < kMaxStyleChain && !id.isEmpty(); ++step) {
        const auto found = styles_.find(id);
        if (found == styles_.end())
            return;
        visit(found->second);
        id = found->second.based_on;
    }
}

QString DocxStyles::paragraph_style(const QString &style_id) const
{
    return style_id.isEmpty() ? default_paragraph_ : style_id;
}

ParagraphNumbering DocxStyles::numbering(const QString &style_id) const
{
    ParagraphNumbering numbering;
    walk_chain(style_id, [&numbering](const Style &style) {
        if (numbering.num_id < 0)
            numbering.num_id = style.numbering.num_id;
        if (numbering.level < 0)
            numbering.level = style.numbering.level;
    });
    return numbering;
}

RunLook DocxStyles::look(const QString &style_id) const
{
    RunLook look;
    walk_chain(style_id, [&look](const Style &style) { look.inherit(style.look); });
    return look;
}
