#pragma once
// What the Word reader takes from a document's styles (word/styles.xml): the
// numbering a paragraph style gives its paragraphs, and the formatting of
// character styles that sets their text apart.

#include <QByteArray>
#include <QString>
#include <map>
#include <optional>

class DocxWalker;

// The formatting of a run that matters to the reader, each unset where the
// run leaves it to its style.
struct RunLook {
    std::optional<bool> underline;
    std::optional<bool> colour;    // a font colour other than automatic or black
    std::optional<bool> highlight; // a highlighter colour
    std::optional<bool> shade;     // a shading fill other than white

    // Takes what this look leaves unset from `style`.
    void inherit(const RunLook &style);
    bool underlined() const { return underline.value_or(false); }
    // Set apart from plain text, the way some teachers mark the right option.
    bool marked() const
    {
        return colour.value_or(false) || highlight.value_or(false) || shade.value_or(false);
    }
    // Reads one child of a w:rPr (w:u, w:color, w:highlight, w:shd) into the look.
    void read_property(const DocxWalker &walker);
};

// A paragraph's w:numPr: the numbering instance and its level, -1 where unset.
struct ParagraphNumbering {
    int num_id = -1;
    int level = -1;
};

class DocxStyles
{
  public:
    void load(const QByteArray &xml);

    // The style a paragraph of style `style_id` has: the document's default
    // paragraph style when the paragraph names none.
    QString paragraph_style(const QString &style_id) const;
    // The numbering of a style, with what it takes from the styles it is based on.
    ParagraphNumbering numbering(const QString &style_id) const;
    RunLook look(const QString &style_id) const;

  private:
    struct Style {
        QString based_on;
        ParagraphNumbering numbering;
        RunLook look;
    };
    // The style and those it is based on, nearest first, up to a bound (a
    // file may base styles on each other in a circle).
    template <typename Visit> void walk_chain(const QString &style_id, Visit visit) const;

    std::map<QString, Style> styles_;
    QString default_paragraph_;
};
