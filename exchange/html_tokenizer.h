#pragma once
// The tokenizer of the HTML reader behind html_to_text: cuts a learning
// platform's HTML into text, the tags of the elements it knows and the markup
// nobody sees (comments, declarations), as a browser reads it, and decodes
// character references. How the text is laid out is the renderer's part, in
// html_text.cpp.

#include <QChar>
#include <QString>

#include <climits>
#include <optional>
#include <vector>

namespace html
{

const char32_t kReplacement = 0xFFFD;

bool is_ascii_letter(QChar c);
bool is_html_space(char32_t c);
bool is_html_space(QChar c);

// --- Elements ---------------------------------------------------------------

enum class Kind {
    Plain, // nothing beyond its content (and its line, when a block)
    Break,
    Paragraph,
    List,
    ListItem,
    DefinitionItem,
    Table,
    Row,
    Cell,
    Preformatted,
    TextArea,
    Skipped, // raw text nobody reads on the page
    Frame,
    Svg,
    Formula,
    Image,
    Input,
    Embed,
    Source,
    Media,
    Object,
    Anchor,
    Superscript,
    Subscript,
    Blank,
};

struct Element {
    Kind kind = Kind::Plain;
    bool block = false;
    bool is_void = false;
};

// --- Character references ---------------------------------------------------

struct Reference {
    char32_t code = 0;
    int length = 0; // of the reference in the source; 0 when the '&' is just a character
};

// The reference that starts with the '&' at `at`, read no further than `end`.
Reference reference_at(const QString &source, int at, int end, bool in_attribute);

// --- Tokens -------------------------------------------------------------------

struct Attribute {
    QString name; // lower case
    QString value;
    bool valued = false; // "name=value", not a bare name
};

struct Token {
    enum Type { End, Text, StartTag, EndTag, Markup };
    Type type = End;
    int begin = 0;
    int end = 0;
    QString name; // lower case
    Element element;
    std::vector<Attribute> attributes;
    bool self_closing = false;

    QString attribute(const char *wanted) const;
};

class Tokenizer
{
  public:
    // `bare_names_are_text`: a tag with an attribute that is a bare name is
    // text, as in "a<b and c>d" typed into the platform's auto format, where
    // nobody writes such markup by hand.
    Tokenizer(const QString &html, bool bare_names_are_text);

    Token next();
    // Passes over the raw text after the start tag of `name` and its end tag;
    // returns where the text ends.
    int skip_raw_text(const QString &name);

  private:
    std::optional<Token> read_markup(int at);
    std::optional<Token> read_declaration(int at);
    std::optional<Token> read_tag(int at, bool end_tag);
    int read_attributes(int at, Token &tag);
    bool is_end_tag_of(int at, const QString &name) const;

    const QString &html_;
    int pos_ = 0;
    const int last_gt_;
    int no_comment_end_from_ = INT_MAX;
    // For each position, the attribute states in which a tag has read it. A
    // tag that found its '>' took the text up to it, so a mark met again was
    // left by one that ran into the end of the input: another '<' that gets
    // to the same place in the same state fails the same way, and stops
    // there. Without this, "<b a='" repeated is read to the end from each '<'.
    std::vector<unsigned char> visited_;
    std::optional<Token> pending_; // the tag that ended the text just returned
    const bool bare_names_are_text_;
};

} // namespace html
