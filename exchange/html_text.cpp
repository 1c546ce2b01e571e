#include "exchange/html_text.h"

#include "exchange/exchange_messages.h"
#include "exchange/html_tokenizer.h"

#include <QUrl>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

using html::Element;
using html::is_ascii_letter;
using html::is_html_space;
using html::Kind;
using html::kReplacement;
using html::Reference;
using html::reference_at;
using html::Token;
using html::Tokenizer;

namespace
{

// Deeper than any editor nests; the bound also keeps every search of the open
// elements short, which is what keeps the whole pass linear.
const int kMaxHtmlDepth = 200;

// Holds a place in the text for characters that may never be written (the
// "^(" of a superscript that may turn into ²); taken out at the end. A
// noncharacter, so that no text means it: one in the input becomes U+FFFD.
const QChar kNothing(0xFDD0);
const char32_t kNoBreakSpace = 0xA0;

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
class ShownTextWriter
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

// What a reader would call the file a URL names: its last path segment as
// written on disk ("@@PLUGINFILE@@/a%20b.png?time=1" is "a b.png"); a file
// the URL itself holds ("data:") is named for being held in the page.
QString file_name(const QString &url, TextMark what)
{
    if (url.startsWith(QLatin1String("data:"), Qt::CaseInsensitive))
        return inline_file_label(what);
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
    const QString alt = tag.attribute("alt").simplified();
    return text_mark(TextMark::Picture,
                     alt.isEmpty() ? file_name(tag.attribute("src"), TextMark::Picture) : alt);
}

QString embedded_placeholder(const QString &url)
{
    return text_mark(TextMark::EmbeddedContent, url);
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
    ShownTextWriter::Mark mark{};
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
    ShownTextWriter writer_;
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
            return {QString(), QStringList(), html_too_deep_reason(kMaxHtmlDepth)};
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
        writer_.placeholder(text_mark(TextMark::Picture));
        break;
    case Kind::Formula: // MathML, as a formula editor writes it
        writer_.placeholder(text_mark(TextMark::Formula, tag.attribute("alttext")));
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
        const TextMark what =
            open.name == QLatin1String("audio") ? TextMark::Audio : TextMark::Video;
        writer_.placeholder(text_mark(what, file_name(open.url, what)));
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
    const QString placeholder = text_mark(TextMark::Link, link.url);
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
