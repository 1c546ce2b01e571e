#include "exchange/html_tokenizer.h"

#include <QHash>

#include <algorithm>
#include <utility>

namespace html
{

namespace
{

bool is_ascii_digit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

} // namespace

bool is_ascii_letter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
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

namespace
{

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

} // namespace

// --- Character references ---------------------------------------------------

namespace
{

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

} // namespace

Reference reference_at(const QString &source, int at, int end, bool in_attribute)
{
    if (at + 1 < end && source[at + 1] == QLatin1Char('#'))
        return numeric_reference(source, at, end);
    return named_reference(source, at, end, in_attribute);
}

// --- Tokens -------------------------------------------------------------------

QString Token::attribute(const char *wanted) const
{
    for (const Attribute &attribute : attributes) {
        if (attribute.name == QLatin1String(wanted))
            return attribute.value.trimmed();
    }
    return QString();
}

namespace
{

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

} // namespace

Tokenizer::Tokenizer(const QString &html, bool bare_names_are_text)
    : html_(html), last_gt_(html.lastIndexOf(QLatin1Char('>'))),
      visited_(size_t(html.size()) + 1, 0), bare_names_are_text_(bare_names_are_text)
{
}

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

} // namespace html
