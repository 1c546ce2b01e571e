#pragma once
// How the Word reader walks the XML of a part: the namespaces it tells apart,
// whichever prefixes a file gives them, and of each mc:AlternateContent only
// one branch, read as if it stood in its place.

#include "exchange/xml_source.h"
#include <QString>
#include <QStringRef>
#include <QXmlStreamReader>
#include <vector>

enum class DocxNs {
    Other,
    Word,          // w: the text, its runs, paragraphs and tables
    Math,          // m: equations
    Compat,        // mc: alternative contents
    WordDrawing,   // wp: a drawing's place in the text, its name and description
    Drawing,       // a: the drawing itself
    Vml,           // v: the drawings of older Word versions
    Office,        // o: their titles, embedded objects
    Relationships, // the package's relationships between parts
};

DocxNs docx_namespace(const QStringRef &uri);

// The value of attribute `name` in the namespace `ns` ("w:val"); empty when
// there is none.
QString docx_attribute(const QXmlStreamReader &reader, DocxNs ns, QLatin1String name);
bool has_docx_attribute(const QXmlStreamReader &reader, DocxNs ns, QLatin1String name);

class DocxWalker;

// w:val of the element just started, as text or as a number (`otherwise`
// when it is none); and another Word attribute as a number.
QString docx_word_value(const DocxWalker &walker);
int docx_word_number(const DocxWalker &walker, const char *name, int otherwise);

// The elements of a part, without its mc:AlternateContent wrappers: of each
// only its first mc:Choice (or its mc:Fallback when it has no choice) is
// read, so that a text box Word writes twice, as a shape and as VML, is read
// once.
class DocxWalker
{
  public:
    explicit DocxWalker(const QByteArray &xml);

    // StartElement, EndElement or Characters; EndDocument (or Invalid) at the end.
    QXmlStreamReader::TokenType next();
    // Passes over the element just started, with everything it holds.
    void skip();
    const QXmlStreamReader &reader() const { return reader_; }
    DocxNs ns() const { return docx_namespace(reader_.namespaceUri()); }
    QStringRef name() const { return reader_.name(); }

  private:
    enum class Open : char { Read, Alternatives, Chosen, Branch };
    XmlSource source_;
    QXmlStreamReader reader_;
    std::vector<Open> open_;
};

// The Word elements of a small part (styles, numbering) as they start and
// end, with where they stand: enough to read the few properties the reader
// takes from it.
class DocxPartPath
{
  public:
    explicit DocxPartPath(const QByteArray &xml) : walker_(xml) {}

    // Moves to the next element that starts or ends; false at the end of the part.
    bool next();
    bool started() const { return started_; }
    // The element's local name (empty outside the Word namespace), its
    // parent's, and how deep it stands (the root is at 1).
    const QString &name() const { return name_; }
    QString parent() const;
    int depth() const { return int(path_.size()) + (started_ ? 0 : 1); }
    const DocxWalker &walker() const { return walker_; }

  private:
    DocxWalker walker_;
    std::vector<QString> path_;
    QString name_;
    bool started_ = false;
};
