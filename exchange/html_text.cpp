#include "exchange/html_text.h"

#include <QHash>
#include <QUrl>

#include <algorithm>
#include <array>
#include <climits>
#include <optional>
#include <utility>
#include <vector>

namespace
{

// Deeper than any editor nests; the bound also keeps every search of the open
// elements short, which is what keeps the whole pass linear.
const int kMaxHtmlDepth = 200;

// Holds a place in the text for characters that may never be written (the
// "^(" of a superscript that may turn into ²); taken out at the end. A
// noncharacter, so that no text means it: one in the input becomes U+FFFD.
const QChar kNothing(0xFDD0);
const char32_t kReplacement = 0xFFFD;
const char32_t kNoBreakSpace = 0xA0;

bool is_ascii_letter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

bool is_ascii_digit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

bool is_html_space(char32_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool is_html_space(QChar c)
{
    return is_html_space(char32_t(c.unicode()));
}

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

QHash<QString, Element> make_element_table()
{
    QHash<QString, Element> table;
    const auto add = [&table](const char *names, Kind kind, bool block, bool is_void) {
        for (const QString &name : QString::fromLatin1(names).split(QLatin1Char(' ')))
            table.insert(name, {kind, block, is_void});
    };
    add("abbr acronym b bdi bdo big blink body button canvas cite code colgroup data datalist "
        "del dfn em font html i kbd label map mark marquee meter nobr optgroup option "
        "output picture progress q rb rp rt rtc ruby s samp select slot small span strike "
        "strong time tt var",
        Kind::Plain, false, false);
    add("address article aside blockquote caption center details dialog div dl fieldset "
        "figcaption figure footer form frameset h1 h2 h3 h4 h5 h6 header hgroup legend main "
        "nav noframes search section summary tbody tfoot thead",
        Kind::Plain, true, false);
    add("area base basefont bgsound col frame isindex keygen link meta param track wbr",
        Kind::Plain, false, true);
    add("hr", Kind::Plain, true, true);
    add("br", Kind::Break, false, true);
    add("p", Kind::Paragraph, true, false);
    add("ul ol menu dir", Kind::List, true, false);
    add("li", Kind::ListItem, true, false);
    add("dt dd", Kind::DefinitionItem, true, false);
    add("table", Kind::Table, true, false);
    add("tr", Kind::Row, true, false);
    add("td th", Kind::Cell, false, false);
    add("pre listing", Kind::Preformatted, true, false);
    add("textarea", Kind::TextArea, false, false);
    add("script style head title template noscript noembed", Kind::Skipped, false, false);
    add("iframe", Kind::Frame, false, false);
    add("svg", Kind::Svg, false, false);
    add("math", Kind::Formula, false, false);
    add("img", Kind::Image, false, true);
    add("input", Kind::Input, false, true);
    add("embed", Kind::Embed, false, true);
    add("source", Kind::Source, false, true);
    add("audio video", Kind::Media, false, false);
    add("object applet", Kind::Object, false, false);
    add("a", Kind::Anchor, false, false);
    add("sup", Kind::Superscript, false, false);
    add("sub", Kind::Subscript, false, false);
    add("u ins", Kind::Blank, false, false);
    return table;
}

// Only a known element, or one of Word's own (<o:p>, <st1:place>), makes a
// tag; "x<y and y>z" is text.
std::optional<Element> element_named(const QString &name)
{
    static const QHash<QString, Element> table = make_element_table();
    const auto found = table.constFind(name);
    if (found != table.constEnd())
        return *found;
    if (name.contains(QLatin1Char(':')))
        return Element{};
    return std::nullopt;
}

// --- Character references ---------------------------------------------------

// The HTML 4 names of U+00A0 to U+00FF, in order.
const char *const kLatin1Names =
    "nbsp iexcl cent pound curren yen brvbar sect uml copy ordf laquo not shy reg macr "
    "deg plusmn sup2 sup3 acute micro para middot cedil sup1 ordm raquo frac14 frac12 frac34 "
    "iquest Agrave Aacute Acirc Atilde Auml Aring AElig Ccedil Egrave Eacute Ecirc Euml Igrave "
    "Iacute Icirc Iuml ETH Ntilde Ograve Oacute Ocirc Otilde Ouml times Oslash Ugrave Uacute "
    "Ucirc Uuml Yacute THORN szlig agrave aacute acirc atilde auml aring aelig ccedil egrave "
    "eacute ecirc euml igrave iacute icirc iuml eth ntilde ograve oacute ocirc otilde ouml "
    "divide oslash ugrave uacute ucirc uuml yacute thorn yuml";
// From U+0391 and U+03B1; "-" where Unicode has no capital final sigma.
const char *const kGreekCapitals = "Alpha Beta Gamma Delta Epsilon Zeta Eta Theta Iota Kappa "
                                   "Lambda Mu Nu Xi Omicron Pi Rho - Sigma Tau Upsilon Phi Chi "
                                   "Psi Omega";
const char *const kGreekSmall = "alpha beta gamma delta epsilon zeta eta theta iota kappa lambda "
                                "mu nu xi omicron pi rho sigmaf sigma tau upsilon phi chi psi "
                                "omega";

struct NamedCharacter {
    const char *name;
    char16_t code;
};

const NamedCharacter kOtherNames[] = {
    {"quot", 0x22},    {"amp", 0x26},       {"apos", 0x27},     {"lt", 0x3C},
    {"gt", 0x3E},      {"OElig", 0x152},    {"oelig", 0x153},   {"Scaron", 0x160},
    {"scaron", 0x161}, {"Yuml", 0x178},     {"fnof", 0x192},    {"circ", 0x2C6},
    {"tilde", 0x2DC},  {"thetasym", 0x3D1}, {"piv", 0x3D6},     {"ensp", 0x2002},
    {"emsp", 0x2003},  {"thinsp", 0x2009},  {"ndash", 0x2013},  {"mdash", 0x2014},
    {"lsquo", 0x2018}, {"rsquo", 0x2019},   {"sbquo", 0x201A},  {"ldquo", 0x201C},
    {"rdquo", 0x201D}, {"bdquo", 0x201E},   {"dagger", 0x2020}, {"Dagger", 0x2021},
    {"bull", 0x2022},  {"hellip", 0x2026},  {"permil", 0x2030}, {"prime", 0x2032},
    {"Prime", 0x2033}, {"lsaquo", 0x2039},  {"rsaquo", 0x203A}, {"oline", 0x203E},
    {"frasl", 0x2044}, {"euro", 0x20AC},    {"trade", 0x2122},  {"larr", 0x2190},
    {"uarr", 0x2191},  {"rarr", 0x2192},    {"darr", 0x2193},   {"harr", 0x2194},
    {"crarr", 0x21B5}, {"lArr", 0x21D0},    {"uArr", 0x21D1},   {"rArr", 0x21D2},
    {"dArr", 0x21D3},  {"hArr", 0x21D4},    {"forall", 0x2200}, {"part", 0x2202},
    {"exist", 0x2203}, {"empty", 0x2205},   {"nabla", 0x2207},  {"isin", 0x2208},
    {"notin", 0x2209}, {"ni", 0x220B},      {"prod", 0x220F},   {"sum", 0x2211},
    {"minus", 0x2212}, {"lowast", 0x2217},  {"radic", 0x221A},  {"prop", 0x221D},
    {"infin", 0x221E}, {"ang", 0x2220},     {"and", 0x2227},    {"or", 0x2228},
    {"cap", 0x2229},   {"cup", 0x222A},     {"int", 0x222B},    {"there4", 0x2234},
    {"sim", 0x223C},   {"cong", 0x2245},    {"asymp", 0x2248},  {"ne", 0x2260},
    {"equiv", 0x2261}, {"le", 0x2264},      {"ge", 0x2265},     {"sub", 0x2282},
    {"sup", 0x2283},   {"nsub", 0x2284},    {"sube", 0x2286},   {"supe", 0x2287},
    {"oplus", 0x2295}, {"otimes", 0x2297},  {"perp", 0x22A5},   {"sdot", 0x22C5},
    {"lceil", 0x2308}, {"rceil", 0x2309},   {"lfloor", 0x230A}, {"rfloor", 0x230B},
    {"lang", 0x27E8},  {"rang", 0x27E9},    {"loz", 0x25CA},    {"spades", 0x2660},
    {"clubs", 0x2663}, {"hearts", 0x2665},  {"diams", 0x2666},
};

const int kLongestEntityName = 8; // thetasym

QHash<QString, char16_t> make_entity_table()
{
    QHash<QString, char16_t> table;
    const auto add_run = [&table](const char *names, char16_t first) {
        char16_t code = first;
        for (const QString &name : QString::fromLatin1(names).split(QLatin1Char(' '))) {
            if (name != QLatin1String("-"))
                table.insert(name, code);
            ++code;
        }
    };
    add_run(kLatin1Names, 0xA0);
    add_run(kGreekCapitals, 0x391);
    add_run(kGreekSmall, 0x3B1);
    for (const NamedCharacter &named : kOtherNames)
        table.insert(QString::fromLatin1(named.name), named.code);
    return table;
}

// What a browser shows for &#128; to &#159;: the Windows code page's
// characters, which old Word pages wrote that way; 0 where it has none.
const char16_t kWindows1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

struct Reference {
    char32_t code = 0;
    int length = 0; // of the reference in the source; 0 when the '&' is just a character
};

char32_t referenced_character(char32_t number, bool too_big)
{
    if (too_big || number == 0 || number > 0x10FFFF || (number >= 0xD800 && number <= 0xDFFF))
        return kReplacement;
    if (number >= 0x80 && number <= 0x9F && kWindows1252[number - 0x80] != 0)
        return kWindows1252[number - 0x80];
    return number;
}

int digit_value(QChar c, bool hex)
{
    if (is_ascii_digit(c))
        return c.unicode() - u'0';
    if (!hex)
        return -1;
    const char16_t lower = c.toLower().unicode();
    return lower >= u'a' && lower <= u'f' ? lower - u'a' + 10 : -1;
}

// &#65; and &#x41;, the ';' optional.
Reference numeric_reference(const QString &source, int at, int end)
{
    int i = at + 2;
    const bool hex = i < end && (source[i] == QLatin1Char('x') || source[i] == QLatin1Char('X'));
    if (hex)
        ++i;
    const int digits_begin = i;
    char32_t number = 0;
    bool too_big = false;
    for (int digit; i < end && (digit = digit_value(source[i], hex)) >= 0; ++i) {
        if (!too_big) {
            number = number * (hex ? 16 : 10) + char32_t(digit);
            too_big = number > 0x10FFFF;
        }
    }
    if (i == digits_begin)
        return {};
    if (i < end && source[i] == QLatin1Char(';'))
        ++i;
    return {referenced_character(number, too_big), i - at};
}

// A name counts only whole ("&notit;" is text), and without its ';' only when
// it is one of the old Latin-1 names, which browsers take bare; in an
// attribute not before '=', where it is a URL's query ("?a=1&copy=2").
Reference named_reference(const QString &source, int at, int end, bool in_attribute)
{
    static const QHash<QString, char16_t> table = make_entity_table();
    const int name_begin = at + 1;
    int i = name_begin;
    while (i < end && i - name_begin <= kLongestEntityName &&
           (is_ascii_letter(source[i]) || is_ascii_digit(source[i])))
        ++i;
    const int length = i - name_begin;
    if (length == 0 || length > kLongestEntityName)
        return {};
    const auto found = table.constFind(source.mid(name_begin, length));
    if (found == table.constEnd())
        return {};
    if (i < end && source[i] == QLatin1Char(';'))
        return {*found, length + 2};
    const bool bare_allowed = *found < 0x100 && !(in_attribute && i < end && source[i] == u'=');
    return bare_allowed ? Reference{*found, length + 1} : Reference{};
}

// The reference that starts with the '&' at `at`, read no further than `end`.
Reference reference_at(const QString &source, int at, int end, bool in_attribute)
{
    if (at + 1 < end && source[at + 1] == QLatin1Char('#'))
        return numeric_reference(source, at, end);
    return named_reference(source, at, end, in_attribute);
}

void append_code(QString &text, char32_t code)
{
    if (QChar::requiresSurrogates(code)) {
        text += QChar(QChar::highSurrogate(code));
        text += QChar(QChar::lowSurrogate(code));
    } else {
        text += QChar(char16_t(code));
    }
}

QString decoded_attribute(const QString &source, int begin, int end)
{
    QString value;
    value.reserve(end - begin);
    for (int i = begin; i < end;) {
        const Reference reference =
            source[i] == QLatin1Char('&') ? reference_at(source, i, end, true) : Reference{};
        if (reference.length > 0) {
            append_code(value, reference.code);
            i += reference.length;
        } else {
            value += source[i++];
        }
    }
    return value;
}

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

    QString attribute(const char *wanted) const
    {
        for (const Attribute &attribute : attributes) {
            if (attribute.name == QLatin1String(wanted))
                return attribute.value.trimmed();
        }
        return QString();
    }
};

bool is_tag_name_char(QChar c)
{
    return is_ascii_letter(c) || is_ascii_digit(c) || c == QLatin1Char('-') ||
           c == QLatin1Char(':') || c == QLatin1Char('_') || c == QLatin1Char('.');
}

// The states of reading a tag's attributes, as bits: see Tokenizer::visited_.
enum AttributeState : unsigned char {
    BeforeName = 1,
    InName = 2,
    AfterName = 4,
    BeforeValue = 8,
    DoubleQuoted = 16,
    SingleQuoted = 32,
    Unquoted = 64,
};

class Tokenizer
{
  public:
    // `bare_names_are_text`: a tag with an attribute that is a bare name is
    // text, as in "a<b and c>d" typed into the platform's auto format, where
    // nobody writes such markup by hand.
    Tokenizer(const QString &html, bool bare_names_are_text)
        : html_(html), last_gt_(html.lastIndexOf(QLatin1Char('>'))),
          visited_(size_t(html.size()) + 1, 0), bare_names_are_text_(bare_names_are_text)
    {
    }

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

Token Tokenizer::next()
{
    if (pending_) {
        Token tag = std::move(*pending_);
        pending_.reset();
        return tag;
    }
    const int size = html_.size();
    if (pos_ >= size)
        return Token{};
    const int text_begin = pos_;
    int text_end = size;
    for (int i = pos_; (i = html_.indexOf(QLatin1Char('<'), i)) >= 0; ++i) {
        std::optional<Token> markup = read_markup(i);
        if (!markup)
            continue;
        pos_ = markup->end;
        if (i == text_begin)
            return std::move(*markup);
        pending_ = std::move(markup);
        text_end = i;
        break;
    }
    if (!pending_)
        pos_ = size;
    Token text;
    text.type = Token::Text;
    text.begin = text_begin;
    text.end = text_end;
    return text;
}

std::optional<Token> Tokenizer::read_markup(int at)
{
    if (at + 1 >= html_.size())
        return std::nullopt;
    const QChar c = html_[at + 1];
    if (c == QLatin1Char('!') || c == QLatin1Char('?'))
        return read_declaration(at);
    if (c == QLatin1Char('/')) {
        if (at + 2 < html_.size() && is_ascii_letter(html_[at + 2]))
            return read_tag(at, true);
        return std::nullopt;
    }
    if (is_ascii_letter(c))
        return read_tag(at, false);
    return std::nullopt;
}

// Comments, <!DOCTYPE>, Word's <![if !vml]> and <?xml?>: nothing to read.
std::optional<Token> Tokenizer::read_declaration(int at)
{
    int end;
    if (html_.midRef(at, 4) == QLatin1String("<!--")) {
        // No "-->" after one '<!--' means none after any later one either.
        if (at >= no_comment_end_from_)
            return std::nullopt;
        const int close = html_.indexOf(QLatin1String("-->"), at + 2);
        if (close < 0) {
            no_comment_end_from_ = at;
            return std::nullopt;
        }
        end = close + 3;
    } else {
        if (at > last_gt_)
            return std::nullopt;
        end = html_.indexOf(QLatin1Char('>'), at) + 1;
    }
    Token markup;
    markup.type = Token::Markup;
    markup.begin = at;
    markup.end = end;
    return markup;
}

std::optional<Token> Tokenizer::read_tag(int at, bool end_tag)
{
    const int name_begin = at + (end_tag ? 2 : 1);
    int i = name_begin;
    while (i < html_.size() && is_tag_name_char(html_[i]))
        ++i;
    if (i >= html_.size() ||
        !(is_html_space(html_[i]) || html_[i] == QLatin1Char('/') || html_[i] == QLatin1Char('>')))
        return std::nullopt;
    Token tag;
    tag.name = html_.mid(name_begin, i - name_begin).toLower();
    const std::optional<Element> element = element_named(tag.name);
    if (!element)
        return std::nullopt;
    tag.element = *element;
    const int end = read_attributes(i, tag);
    if (end < 0)
        return std::nullopt;
    if (bare_names_are_text_ && !end_tag &&
        std::any_of(tag.attributes.begin(), tag.attributes.end(),
                    [](const Attribute &attribute) { return !attribute.valued; }))
        return std::nullopt;
    tag.type = end_tag ? Token::EndTag : Token::StartTag;
    tag.begin = at;
    tag.end = end;
    return tag;
}

// Reads the attributes from `at` through the tag's '>'; returns the position
// after it, or -1 when the input ends first.
int Tokenizer::read_attributes(int at, Token &tag)
{
    AttributeState state = BeforeName;
    int begin = at;
    for (int i = at; i < html_.size();) {
        if (visited_[i] & state)
            return -1;
        visited_[i] |= state;
        const QChar c = html_[i];
        const bool closes = c == QLatin1Char('>');
        switch (state) {
        case BeforeName:
            if (closes)
                return i + 1;
            if (c == QLatin1Char('/') && i + 1 < html_.size() && html_[i + 1] == QLatin1Char('>')) {
                tag.self_closing = true;
                return i + 2;
            }
            if (!is_html_space(c) && c != QLatin1Char('/')) {
                begin = i;
                state = InName;
            }
            break;
        case InName:
            if (is_html_space(c) || c == QLatin1Char('/') || closes || c == QLatin1Char('=')) {
                tag.attributes.push_back(
                    {html_.mid(begin, i - begin).toLower(), QString(), c == QLatin1Char('=')});
                state = c == QLatin1Char('=') ? BeforeValue : AfterName;
                if (c == QLatin1Char('/') || closes) {
                    state = BeforeName;
                    continue; // the '/' or '>' is read again there
                }
            }
            break;
        case AfterName:
            if (c == QLatin1Char('=')) {
                tag.attributes.back().valued = true;
                state = BeforeValue;
            } else if (!is_html_space(c)) {
                state = BeforeName;
                continue;
            }
            break;
        case BeforeValue:
            if (closes)
                return i + 1;
            if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
                begin = i + 1;
                state = c == QLatin1Char('"') ? DoubleQuoted : SingleQuoted;
            } else if (!is_html_space(c)) {
                begin = i;
                state = Unquoted;
            }
            break;
        case DoubleQuoted:
        case SingleQuoted:
            if (c == (state == DoubleQuoted ? QLatin1Char('"') : QLatin1Char('\''))) {
                tag.attributes.back().value = decoded_attribute(html_, begin, i);
                state = BeforeName;
            }
            break;
        case Unquoted:
            if (is_html_space(c) || closes) {
                tag.attributes.back().value = decoded_attribute(html_, begin, i);
                state = BeforeName;
                continue;
            }
            break;
        }
        ++i;
    }
    return -1;
}

bool Tokenizer::is_end_tag_of(int at, const QString &name) const
{
    const int after = at + 2 + name.size();
    return html_.midRef(at, 2) == QLatin1String("</") &&
           html_.midRef(at + 2, name.size()).compare(name, Qt::CaseInsensitive) == 0 &&
           (after >= html_.size() || is_html_space(html_[after]) ||
            html_[after] == QLatin1Char('/') || html_[after] == QLatin1Char('>'));
}

int Tokenizer::skip_raw_text(const QString &name)
{
    int i = pos_;
    while ((i = html_.indexOf(QLatin1Char('<'), i)) >= 0 && !is_end_tag_of(i, name))
        ++i;
    if (i < 0) {
        pos_ = html_.size();
        return pos_;
    }
    const int gt = html_.indexOf(QLatin1Char('>'), i);
    pos_ = gt < 0 ? html_.size() : gt + 1;
    return i;
}

// --- Writing the text ---------------------------------------------------------

enum class Script { Super, Sub };

std::array<std::array<char16_t, 128>, 2> make_script_forms()
{
    const QString sources[] = {QStringLiteral("0123456789+-=()ni"),
                               QStringLiteral("0123456789+-=()aeoxhklmnpst")};
    const QString forms[] = {QStringLiteral("⁰¹²³⁴⁵⁶⁷⁸⁹⁺⁻⁼⁽⁾ⁿⁱ"),
                             QStringLiteral("₀₁₂₃₄₅₆₇₈₉₊₋₌₍₎ₐₑₒₓₕₖₗₘₙₚₛₜ")};
    std::array<std::array<char16_t, 128>, 2> table{};
    for (int script = 0; script < 2; ++script) {
        for (int i = 0; i < sources[script].size(); ++i)
            table[script][sources[script][i].unicode()] = forms[script][i].unicode();
    }
    return table;
}

// The character's Unicode superscript or subscript form; null when it has none.
QChar script_form(QChar c, Script script)
{
    static const std::array<std::array<char16_t, 128>, 2> table = make_script_forms();
    const char16_t u = c == QChar(0x2212) ? u'-' : c.unicode(); // the minus sign
    return u < 128 ? QChar(table[int(script)][u]) : QChar();
}

bool is_blank_char(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('_') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\t');
}

// Lays text out as a browser does: white space collapses, and a line ends
// only where a block ends or a <br> stands. Appends only: what an element
// does to its content when it closes (a blank, a superscript) is decided
// from what was noted while writing it, not by reading it again.
class TextWriter
{
  public:
    enum class Line { Empty, Prefixed, Filled }; // Prefixed: an indent or a list marker only

    struct State {
        Line line = Line::Empty;
        bool pending_space = false; // white space after ink, written if ink follows on the line
        bool space_allowed = false; // the last thing written may be followed by a space
        int cells_on_line = 0;
        int nothings = 0;    // kNothing characters in the text
        int blanks_seen = 0; // white space and underscores, written or collapsed
        int last_solid = -1; // position of the last character that is not a blank
        int last_without_superscript = -1;
        int last_without_subscript = -1;
        int last_word = -1; // position of the second of two ASCII letters in a row
    };
    struct Mark {
        int size;
        int dropped;
        State state;
    };

    void space()
    {
        ++state_.blanks_seen;
        if (state_.space_allowed)
            state_.pending_space = true;
    }

    void write(QChar c)
    {
        begin_content();
        put(c == kNothing ? QChar(kReplacement) : c);
        state_.line = Line::Filled;
        state_.space_allowed = true;
    }

    void write(const QString &text)
    {
        for (QChar c : text)
            write(c);
    }

    void write_code(char32_t code)
    {
        if (QChar::requiresSurrogates(code)) {
            write(QChar(QChar::highSurrogate(code)));
            write(QChar(QChar::lowSurrogate(code)));
        } else {
            write(QChar(char16_t(code)));
        }
    }

    void placeholder(const QString &text)
    {
        write(text);
        dropped_ << text;
    }

    // One after the text it is about, a space between; white space that
    // ended the text stays after the placeholder, before the next word.
    void placeholder_after_text(const QString &text)
    {
        const bool spaced = state_.pending_space;
        space();
        placeholder(text);
        if (spaced)
            space();
    }

    // Inside a table cell a line may not end: the row is the line.
    void line_break()
    {
        if (cells_open_ > 0)
            space();
        else
            new_line();
    }

    void block_boundary()
    {
        if (cells_open_ > 0)
            space();
        else if (state_.line == Line::Filled)
            new_line();
    }

    // Ends even a line that holds only a list marker: an empty item is a line.
    void end_line()
    {
        if (cells_open_ > 0)
            space();
        else if (state_.line != Line::Empty)
            new_line();
    }

    void list_marker(int level, const QString &marker)
    {
        if (state_.line == Line::Empty)
            indent(level);
        else
            flush_pending_space();
        for (QChar c : marker)
            put(c);
        if (state_.line == Line::Empty)
            state_.line = Line::Prefixed;
        state_.space_allowed = false;
    }

    void cell_separator()
    {
        if (state_.cells_on_line++ == 0)
            return;
        state_.pending_space = false;
        put(QLatin1Char('\t'));
        state_.line = Line::Filled;
        state_.space_allowed = false;
    }

    void enter_list() { ++list_depth_; }
    void leave_list() { --list_depth_; }
    int list_depth() const { return list_depth_; }
    void enter_cell() { ++cells_open_; }
    void leave_cell() { --cells_open_; }

    Mark mark() const { return {int(text_.size()), int(dropped_.size()), state_}; }

    void rewind(const Mark &mark)
    {
        text_.truncate(mark.size);
        while (dropped_.size() > mark.dropped)
            dropped_.removeLast();
        state_ = mark.state;
    }

    QString text_since(const Mark &mark) const
    {
        QString text = text_.mid(mark.size);
        text.remove(kNothing);
        return text;
    }

    bool blank_since(const Mark &mark) const
    {
        return state_.last_solid < mark.size && state_.blanks_seen > mark.state.blanks_seen;
    }

    // Keeps room for the "^(" before a superscript's content. White space
    // that opens the content goes, as at the start of a line: a raised space
    // is no part of an exponent.
    int open_script()
    {
        begin_content();
        state_.space_allowed = false;
        const int room = text_.size();
        text_ += kNothing;
        text_ += kNothing;
        state_.nothings += 2;
        return room;
    }

    void close_script(int room, const Mark &content, Script script)
    {
        const int length = text_.size() - content.size - (state_.nothings - content.state.nothings);
        if (length == 0)
            return;
        if (has_script_forms(content, script)) {
            for (int i = content.size; i < text_.size(); ++i) {
                if (text_[i] != kNothing)
                    text_[i] = script_form(text_[i], script);
            }
            // ² has no superscript form of its own, nor ₂ a subscript one.
            state_.last_without_superscript = state_.last_without_subscript = text_.size() - 1;
            return;
        }
        fill(room, script == Script::Super ? QLatin1Char('^') : QLatin1Char('_'));
        if (length > 1) {
            fill(room + 1, QLatin1Char('('));
            put(QLatin1Char(')'));
        }
    }

    QString finish() const
    {
        QString text;
        text.reserve(text_.size());
        int line_end = 0; // the length without the current line's trailing white space
        for (QChar c : text_) {
            if (c == kNothing)
                continue;
            if (c == QLatin1Char('\n'))
                text.truncate(line_end);
            text += c;
            if (c != QLatin1Char(' ') && c != QLatin1Char('\t'))
                line_end = text.size();
        }
        text.truncate(line_end);
        return text.trimmed();
    }

    const QStringList &dropped() const { return dropped_; }

  private:
    void put(QChar c)
    {
        const int at = text_.size();
        if (is_ascii_letter(c) && at > 0 && is_ascii_letter(text_[at - 1]))
            state_.last_word = at;
        text_ += c;
        note(at, c);
    }

    void fill(int at, QChar c)
    {
        text_[at] = c;
        --state_.nothings;
        note(at, c);
    }

    void note(int at, QChar c)
    {
        if (is_blank_char(c))
            ++state_.blanks_seen;
        else
            state_.last_solid = std::max(state_.last_solid, at);
        if (script_form(c, Script::Super).isNull())
            state_.last_without_superscript = std::max(state_.last_without_superscript, at);
        if (script_form(c, Script::Sub).isNull())
            state_.last_without_subscript = std::max(state_.last_without_subscript, at);
    }

    // Every character has its form, and no two letters stand in a row: "max"
    // is a word, not three subscripts, and reads better as _(max).
    bool has_script_forms(const Mark &content, Script script) const
    {
        const int last_without = script == Script::Super ? state_.last_without_superscript
                                                         : state_.last_without_subscript;
        return last_without < content.size && state_.last_word < content.size;
    }

    void begin_content()
    {
        if (state_.line == Line::Empty)
            indent(list_depth_);
        else
            flush_pending_space();
    }

    void flush_pending_space()
    {
        if (state_.pending_space) {
            put(QLatin1Char(' '));
            state_.space_allowed = false;
        }
        state_.pending_space = false;
    }

    void indent(int level)
    {
        for (int i = 0; i < 2 * level; ++i)
            put(QLatin1Char(' '));
        if (level > 0)
            state_.line = Line::Prefixed;
    }

    void new_line()
    {
        put(QLatin1Char('\n'));
        state_.line = Line::Empty;
        state_.pending_space = false;
        state_.space_allowed = false;
        state_.cells_on_line = 0;
    }

    QString text_;
    QStringList dropped_;
    State state_;
    int list_depth_ = 0;
    int cells_open_ = 0;
};

// --- Placeholders ---------------------------------------------------------------

QString labelled(const QString &what, const QString &label)
{
    return label.isEmpty() ? QStringLiteral("[%1]").arg(what)
                           : QStringLiteral("[%1：%2]").arg(what, label);
}

// What a reader would call the file a URL names: its last path segment as
// written on disk ("@@PLUGINFILE@@/a%20b.png?time=1" is "a b.png").
QString file_name(const QString &url, const QString &what)
{
    if (url.startsWith(QLatin1String("data:"), Qt::CaseInsensitive))
        return QStringLiteral("内嵌") + what;
    int end = 0;
    while (end < url.size() && url[end] != QLatin1Char('?') && url[end] != QLatin1Char('#'))
        ++end;
    const QString path = url.left(end);
    const int slash =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return QUrl::fromPercentEncoding(path.mid(slash + 1).toUtf8());
}

QString image_placeholder(const Token &tag)
{
    const QString what = QStringLiteral("图片");
    const QString alt = tag.attribute("alt").simplified();
    return labelled(what, alt.isEmpty() ? file_name(tag.attribute("src"), what) : alt);
}

QString embedded_placeholder(const QString &url)
{
    return labelled(QStringLiteral("嵌入内容"), url);
}

bool is_text_input(const Token &tag)
{
    const QString type = tag.attribute("type").toLower();
    return type.isEmpty() || type == QLatin1String("text");
}

// --- List numbers -----------------------------------------------------------------

QString letters_for(int number, bool upper)
{
    QString letters;
    for (; number > 0; number = (number - 1) / 26)
        letters.prepend(QChar((upper ? u'A' : u'a') + (number - 1) % 26));
    return letters;
}

QString roman_for(int number, bool upper)
{
    static const int values[] = {1000, 900, 500, 400, 100, 90, 50, 40, 10, 9, 5, 4, 1};
    static const char *const digits[] = {"m",  "cm", "d",  "cd", "c",  "xc", "l",
                                         "xl", "x",  "ix", "v",  "iv", "i"};
    QString roman;
    for (int k = 0; k < 13; ++k) {
        for (; number >= values[k]; number -= values[k])
            roman += QLatin1String(digits[k]);
    }
    return upper ? roman.toUpper() : roman;
}

// <ol type="A"> numbers as choice options do; type="i" in Roman numerals.
QString item_number(int number, QChar type)
{
    const bool upper = type.isUpper();
    if ((type == QLatin1Char('a') || type == QLatin1Char('A')) && number >= 1)
        return letters_for(number, upper);
    if ((type == QLatin1Char('i') || type == QLatin1Char('I')) && number >= 1 && number < 4000)
        return roman_for(number, upper);
    return QString::number(number);
}

// --- Rendering ------------------------------------------------------------------

struct OpenElement {
    QString name;
    Element element;
    bool rendered = true; // opened where content shows, so it does something when closed
    TextWriter::Mark mark{};
    int room = -1;
    QString url;
    int next_number = 1;
    QChar numbering = QLatin1Char('1');
};

bool is_table_part(const QString &name)
{
    static const QStringList parts = {QStringLiteral("table"), QStringLiteral("caption"),
                                      QStringLiteral("thead"), QStringLiteral("tbody"),
                                      QStringLiteral("tfoot"), QStringLiteral("tr"),
                                      QStringLiteral("td"),    QStringLiteral("th")};
    return parts.contains(name);
}

// A table keeps what stands inside its cells from closing what is open around
// it, as a browser does.
bool is_table_wall(const OpenElement &open)
{
    return open.element.kind == Kind::Table || open.element.kind == Kind::Cell;
}

class Renderer
{
  public:
    Renderer(const QString &html, HtmlFlavour flavour)
        : html_(html), flavour_(flavour), tokenizer_(html, flavour == HtmlFlavour::AutoFormat)
    {
    }

    HtmlText run();

  private:
    void show_text(const Token &text, bool after_markup);
    void show_verbatim(int begin, int end);
    void show(char32_t c);
    bool start(const Token &tag);
    void end(const Token &tag);
    void show_void(const Token &tag);
    void show_raw(const Token &tag);
    void begin(OpenElement &open, const Token &tag);
    void finish(const OpenElement &open);
    void close_link(const OpenElement &link);
    QString next_item_marker();
    void remember_source(const Token &tag);
    void close_implied_by(const Token &tag);
    template <typename Matches, typename Stops> void close_open(Matches matches, Stops stops);
    void close_down_to(size_t depth);

    const QString &html_;
    const HtmlFlavour flavour_;
    Tokenizer tokenizer_;
    TextWriter writer_;
    std::vector<OpenElement> open_;
    int muted_ = 0;        // inside an element whose content does not show
    int preformatted_ = 0; // inside <pre>
    int newline_dropped_at_ = -1;
};

HtmlText Renderer::run()
{
    bool after_markup = false;
    for (Token token = tokenizer_.next(); token.type != Token::End; token = tokenizer_.next()) {
        if (token.type == Token::Text) {
            show_text(token, after_markup);
        } else if (token.type == Token::StartTag && !start(token)) {
            return {QString(), QStringList(),
                    QStringLiteral("HTML 元素嵌套超过 %1 层").arg(kMaxHtmlDepth)};
        } else if (token.type == Token::EndTag) {
            end(token);
        }
        after_markup = token.type != Token::Text;
    }
    close_down_to(0);
    return {writer_.finish(), writer_.dropped(), QString()};
}

int after_newline(const QString &text, int at, int end)
{
    if (at < end && text[at] == QLatin1Char('\r'))
        ++at;
    return at < end && text[at] == QLatin1Char('\n') ? at + 1 : -1;
}

void Renderer::show_text(const Token &text, bool after_markup)
{
    if (muted_ > 0)
        return;
    int begin = text.begin;
    // A browser drops the line break that directly follows <pre>.
    if (begin == newline_dropped_at_)
        begin = std::max(begin, after_newline(html_, begin, text.end));
    if (preformatted_ > 0) {
        show_verbatim(begin, text.end);
        return;
    }
    // The platform's auto format drops white space between two tags and
    // takes a line break next to a tag for a space, before it turns the
    // others into <br>.
    const bool auto_format = flavour_ == HtmlFlavour::AutoFormat;
    const bool before_markup = text.end < html_.size();
    if (auto_format && after_markup && before_markup &&
        std::all_of(html_.begin() + begin, html_.begin() + text.end,
                    [](QChar c) { return is_html_space(c); }))
        return;
    for (int i = begin; i < text.end;) {
        const QChar c = html_[i];
        const int newline_end = auto_format ? after_newline(html_, i, text.end) : -1;
        if (newline_end > 0) {
            const bool next_to_markup =
                (i == begin && after_markup) || (newline_end == text.end && before_markup);
            if (next_to_markup)
                writer_.space();
            else
                writer_.line_break();
            i = newline_end;
            continue;
        }
        const Reference reference =
            c == QLatin1Char('&') ? reference_at(html_, i, text.end, false) : Reference{};
        if (reference.length > 0) {
            show(reference.code);
            i += reference.length;
        } else {
            show(c.unicode());
            ++i;
        }
    }
}

void Renderer::show(char32_t c)
{
    if (is_html_space(c))
        writer_.space();
    else if (c == kNoBreakSpace)
        writer_.write(QLatin1Char(' '));
    else
        writer_.write_code(c);
}

void Renderer::show_verbatim(int begin, int end)
{
    for (int i = begin; i < end;) {
        const int newline_end = after_newline(html_, i, end);
        if (newline_end > 0 || html_[i] == QLatin1Char('\r')) {
            writer_.line_break();
            i = std::max(newline_end, i + 1);
            continue;
        }
        const Reference reference =
            html_[i] == QLatin1Char('&') ? reference_at(html_, i, end, false) : Reference{};
        const char32_t c = reference.length > 0 ? reference.code : html_[i].unicode();
        i += std::max(reference.length, 1);
        if (c == u'\n' || c == u'\r')
            writer_.line_break();
        else
            writer_.write_code(c == kNoBreakSpace ? U' ' : c);
    }
}

bool Renderer::start(const Token &tag)
{
    close_implied_by(tag);
    switch (tag.element.kind) {
    case Kind::Skipped:
    case Kind::Frame:
    case Kind::Svg:
    case Kind::Formula:
    case Kind::TextArea:
        show_raw(tag);
        return true;
    case Kind::Source:
        remember_source(tag);
        return true;
    default:
        break;
    }
    if (tag.element.is_void) {
        if (muted_ == 0)
            show_void(tag);
        return true;
    }
    if (open_.size() >= size_t(kMaxHtmlDepth))
        return false;
    OpenElement open;
    open.name = tag.name;
    open.element = tag.element;
    open.rendered = muted_ == 0;
    if (open.rendered)
        begin(open, tag);
    // Like a browser, takes "<sup/>" for "<sup>": only the void elements
    // close themselves.
    open_.push_back(std::move(open));
    return true;
}

// An end tag closes its element and all opened after it; one that closes
// nothing open is dropped, as a browser drops it.
void Renderer::end(const Token &tag)
{
    const bool table_part = is_table_part(tag.name);
    for (size_t i = open_.size(); i-- > 0;) {
        if (open_[i].name == tag.name) {
            close_down_to(i);
            return;
        }
        if (is_table_wall(open_[i]) && !(table_part && open_[i].element.kind == Kind::Cell))
            return;
    }
}

// Elements whose content is raw text, read up to their end tag. Unlike a
// browser, takes "<iframe/>" for closed: written so, it has no end tag, and
// the rest of the question is no raw text.
void Renderer::show_raw(const Token &tag)
{
    const int begin = tag.end;
    const int end = tag.self_closing ? begin : tokenizer_.skip_raw_text(tag.name);
    if (muted_ > 0)
        return;
    switch (tag.element.kind) {
    case Kind::Frame:
        writer_.placeholder(embedded_placeholder(tag.attribute("src")));
        break;
    case Kind::Svg:
        writer_.placeholder(labelled(QStringLiteral("图片"), QString()));
        break;
    case Kind::Formula: // MathML, as a formula editor writes it
        writer_.placeholder(labelled(QStringLiteral("公式"), tag.attribute("alttext")));
        break;
    case Kind::TextArea:
        if (begin < end)
            show_verbatim(std::max(begin, after_newline(html_, begin, end)), end);
        break;
    default:
        break;
    }
}

void Renderer::show_void(const Token &tag)
{
    if (tag.element.block)
        writer_.block_boundary();
    switch (tag.element.kind) {
    case Kind::Break:
        writer_.line_break();
        break;
    case Kind::Image:
        writer_.placeholder(image_placeholder(tag));
        break;
    case Kind::Input:
        if (is_text_input(tag))
            writer_.write(QStringLiteral("____"));
        break;
    case Kind::Embed:
        writer_.placeholder(embedded_placeholder(tag.attribute("src")));
        break;
    default:
        break;
    }
}

void Renderer::begin(OpenElement &open, const Token &tag)
{
    const Kind kind = open.element.kind;
    if (open.element.block && kind != Kind::ListItem)
        writer_.block_boundary();
    switch (kind) {
    case Kind::ListItem:
        writer_.end_line();
        writer_.list_marker(std::max(writer_.list_depth() - 1, 0), next_item_marker());
        break;
    case Kind::List: {
        writer_.enter_list();
        bool numbered = false;
        const int start = tag.attribute("start").toInt(&numbered);
        open.next_number = numbered ? start : 1;
        const QString type = tag.attribute("type");
        open.numbering = type.size() == 1 ? type[0] : QLatin1Char('1');
        break;
    }
    case Kind::Preformatted:
        ++preformatted_;
        newline_dropped_at_ = tag.end;
        break;
    case Kind::Cell:
        writer_.cell_separator();
        writer_.enter_cell();
        break;
    case Kind::Superscript:
    case Kind::Subscript:
        open.room = writer_.open_script();
        open.mark = writer_.mark();
        break;
    case Kind::Blank:
        open.mark = writer_.mark();
        break;
    case Kind::Anchor:
        open.url = tag.attribute("href");
        // A link within the page leads nowhere on paper.
        if (open.url.startsWith(QLatin1Char('#')))
            open.url.clear();
        open.mark = writer_.mark();
        break;
    case Kind::Media:
        open.url = tag.attribute("src");
        ++muted_;
        break;
    case Kind::Object:
        writer_.placeholder(embedded_placeholder(tag.attribute("data")));
        ++muted_;
        break;
    default:
        break;
    }
}

void Renderer::finish(const OpenElement &open)
{
    const Kind kind = open.element.kind;
    switch (kind) {
    case Kind::ListItem:
        writer_.end_line();
        break;
    case Kind::List:
        writer_.leave_list();
        break;
    case Kind::Preformatted:
        --preformatted_;
        break;
    case Kind::Cell:
        writer_.leave_cell();
        break;
    case Kind::Superscript:
        writer_.close_script(open.room, open.mark, Script::Super);
        break;
    case Kind::Subscript:
        writer_.close_script(open.room, open.mark, Script::Sub);
        break;
    case Kind::Blank:
        // A gap the student fills in: underlined spaces, or underscores.
        if (writer_.blank_since(open.mark)) {
            writer_.rewind(open.mark);
            writer_.write(QStringLiteral("____"));
        }
        break;
    case Kind::Anchor:
        close_link(open);
        break;
    case Kind::Media: {
        --muted_;
        const QString what =
            open.name == QLatin1String("audio") ? QStringLiteral("音频") : QStringLiteral("视频");
        writer_.placeholder(labelled(what, file_name(open.url, what)));
        break;
    }
    case Kind::Object:
        --muted_;
        break;
    default:
        break;
    }
    if (open.element.block && kind != Kind::ListItem)
        writer_.block_boundary();
}

void Renderer::close_link(const OpenElement &link)
{
    if (link.url.isEmpty())
        return;
    const QString placeholder = QStringLiteral("[链接：%1]").arg(link.url);
    const QString text = writer_.text_since(link.mark).trimmed();
    if (text.isEmpty() || text == link.url) {
        writer_.rewind(link.mark);
        writer_.placeholder(placeholder);
    } else {
        writer_.placeholder_after_text(placeholder);
    }
}

QString Renderer::next_item_marker()
{
    for (auto open = open_.rbegin(); open != open_.rend(); ++open) {
        if (open->element.kind != Kind::List)
            continue;
        if (open->name != QLatin1String("ol"))
            break;
        return item_number(open->next_number++, open->numbering) + QStringLiteral(". ");
    }
    return QStringLiteral("• ");
}

void Renderer::remember_source(const Token &tag)
{
    for (auto open = open_.rbegin(); open != open_.rend(); ++open) {
        if (open->element.kind == Kind::Media) {
            if (open->url.isEmpty())
                open->url = tag.attribute("src");
            return;
        }
    }
}

// What a browser closes before it opens these, so that unclosed paragraphs,
// items and cells do not pile up.
void Renderer::close_implied_by(const Token &tag)
{
    const auto is = [](Kind kind) {
        return [kind](const OpenElement &o) { return o.element.kind == kind; };
    };
    switch (tag.element.kind) {
    case Kind::Paragraph:
        close_open(is(Kind::Paragraph), is_table_wall);
        break;
    case Kind::ListItem:
        close_open(is(Kind::ListItem), [](const OpenElement &o) {
            return o.element.kind == Kind::List || is_table_wall(o);
        });
        break;
    case Kind::DefinitionItem:
        close_open(is(Kind::DefinitionItem), [](const OpenElement &o) {
            return o.name == QLatin1String("dl") || is_table_wall(o);
        });
        break;
    case Kind::Cell:
        close_open(is(Kind::Cell), [](const OpenElement &o) {
            return o.element.kind == Kind::Row || o.element.kind == Kind::Table;
        });
        break;
    case Kind::Row:
        close_open(is(Kind::Row), is(Kind::Table));
        break;
    case Kind::Anchor:
        close_open(is(Kind::Anchor), is_table_wall);
        break;
    default:
        break;
    }
}

template <typename Matches, typename Stops> void Renderer::close_open(Matches matches, Stops stops)
{
    for (size_t i = open_.size(); i-- > 0;) {
        if (matches(open_[i])) {
            close_down_to(i);
            return;
        }
        if (stops(open_[i]))
            return;
    }
}

void Renderer::close_down_to(size_t depth)
{
    while (open_.size() > depth) {
        const OpenElement open = std::move(open_.back());
        open_.pop_back();
        if (open.rendered)
            finish(open);
    }
}

} // namespace

HtmlText html_to_text(const QString &html, HtmlFlavour flavour)
{
    return Renderer(html, flavour).run();
}
