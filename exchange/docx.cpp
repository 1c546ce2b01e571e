#include "exchange/docx.h"

#include "exchange/docx_math.h"
#include "exchange/docx_numbering.h"
#include "exchange/docx_styles.h"
#include "exchange/docx_xml.h"
#include "exchange/exchange_messages.h"
#include "exchange/xml_guard.h"

#include <QDir>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace
{

// --- The package --------------------------------------------------------------

const char *const kDefaultDocument = "word/document.xml";

// The bytes of an XML part, once the guard has let them through.
std::optional<QByteArray> read_xml_part(ZipArchive &zip, const QString &name, ExchangeError &error)
{
    std::optional<QByteArray> bytes = zip.read(name, error);
    if (!bytes)
        return std::nullopt;
    error = check_xml_part(*bytes, name);
    if (error.failed())
        return std::nullopt;
    return bytes;
}

// The part a relationship of a part in `folder` ("word/") points to:
// "/word/document.xml" from the root, "styles.xml" beside it.
QString resolved_target(const QString &folder, const QString &target)
{
    const QString path = QDir::cleanPath(target.startsWith(u'/') ? target.mid(1) : folder + target);
    return path.startsWith(QLatin1String("..")) || path.startsWith(u'/') ? QString() : path;
}

// The target of the first relationship of kind `kind` ("officeDocument",
// "styles") in the relationships part `name`, when it is there and names a
// part of the package.
std::optional<QString> related_part(ZipArchive &zip, const QString &name, const QString &folder,
                                    QLatin1String kind, ExchangeError &error)
{
    if (!zip.contains(name))
        return QString();
    const std::optional<QByteArray> rels = read_xml_part(zip, name, error);
    if (!rels)
        return std::nullopt;
    DocxWalker walker(*rels);
    const QString type_end = QLatin1Char('/') + kind;
    for (;;) {
        const QXmlStreamReader::TokenType token = walker.next();
        if (token == QXmlStreamReader::EndDocument || token == QXmlStreamReader::Invalid)
            return QString();
        const QXmlStreamAttributes attributes = walker.reader().attributes();
        if (token != QXmlStreamReader::StartElement ||
            walker.name() != QLatin1String("Relationship") ||
            !attributes.value(QLatin1String("Type")).endsWith(type_end) ||
            attributes.value(QLatin1String("TargetMode")) == QLatin1String("External"))
            continue;
        const QString target =
            resolved_target(folder, attributes.value(QLatin1String("Target")).toString());
        return zip.contains(target) ? target : QString();
    }
}

// --- The body -----------------------------------------------------------------

// Text on its way into a line: a paragraph, or a table row gathering its cells.
struct Piece {
    QString text;
    std::vector<std::pair<int, int>> marked;
    QStringList changes;
    int number = 0; // the body paragraph it stands at, from 1
};

// Appends `part` to `into`, after a tab when `separate`.
void join(Piece &into, Piece &&part, bool separate)
{
    if (separate)
        into.text += u'\t';
    const int offset = into.text.size();
    for (const std::pair<int, int> &range : part.marked)
        into.marked.emplace_back(range.first + offset, range.second + offset);
    into.text += part.text;
    into.changes += part.changes;
    if (into.number == 0)
        into.number = part.number;
}

bool is_blank(QChar c)
{
    return c == u' ' || c == u'\u3000' || c == u'\u00A0';
}

// What an underline over blank space leaves in the text: the blank a
// student fills in.
const QString kUnderlinedBlank = QStringLiteral("____");

// Elements of the body whose content Word does not show: deletions, what a
// tracked move took away, the phonetic guide above characters. Text is taken
// from w:t alone, so field codes (w:instrText), deleted text (w:delText) and
// every kind of properties need no passing over.
bool is_passed_over(const QStringRef &name)
{
    return name == QLatin1String("del") || name == QLatin1String("moveFrom") ||
           name == QLatin1String("rt");
}

class BodyReader
{
  public:
    BodyReader(const DocxStyles &styles, DocxNumbering &numbering)
        : styles_(styles), numbering_(numbering)
    {
        sinks_.push_back(Sink(Sink::Body));
    }

    SourceDocument read(const QByteArray &xml);

  private:
    enum class Frame : char {
        Other,
        Paragraph,
        ParagraphProps,
        NumberingProps,
        Run,
        RunProps,
        Text,
        Row,
        Cell,
        TextBox,
        Picture,
        MathPara,
    };
    struct Paragraph {
        Piece piece;
        std::vector<Piece> after; // the paragraphs of its text boxes, read after it
        QString style;
        ParagraphNumbering direct;
        bool numbered = false;
        QString number_text;
        int blank_end = -1; // where the last underlined blank ended
    };
    struct Run {
        explicit Run(int at) : start(at) {}
        int start;
        QString style;
        RunLook direct;
        RunLook look;
        bool blank = true; // nothing but spaces and tabs so far
    };
    // Where finished paragraphs go: lines of the body, a table cell gathering
    // them, or the text box of a paragraph, read after that paragraph.
    struct Sink {
        enum Kind { Body, Cell, TextBox };
        explicit Sink(Kind of) : kind(of) {}
        Kind kind;
        Piece piece;
        int parts = 0;
        int holder = -1;       // TextBox: the index of the paragraph holding it
        int holder_number = 0; // within a text box: the number of the paragraph holding it
    };
    struct Row {
        Piece piece;
        int cells = 0;
    };
    struct Picture {
        QString description;
        QString name;
        bool image = false;
        bool text_box = false;
        bool equation = false; // an embedded equation object (MathType, Equation 3.0)
    };

    void start_element(DocxWalker &walker);
    bool start_word_element(DocxWalker &walker);
    void start_other_element(DocxWalker &walker);
    void end_element();
    void start_paragraph();
    void end_paragraph();
    void number_paragraph(Paragraph &paragraph);
    void end_run();
    void end_cell();
    void end_picture();
    void begin_equation();
    void end_equation();
    void start_text_box();
    void add(const QString &text, bool blank = false);
    void add_change(const QString &change);
    void add_characters(const QStringRef &text);
    void add_symbol(const DocxWalker &walker);
    void deliver(Piece &&piece);

    const DocxStyles &styles_;
    DocxNumbering &numbering_;
    std::vector<Frame> frames_;
    std::vector<Paragraph> paragraphs_;
    std::vector<Run> runs_;
    std::vector<Sink> sinks_;
    std::vector<Row> rows_;
    std::vector<Picture> pictures_;
    std::vector<int> math_paragraphs_; // equations so far in each open m:oMathPara
    EquationWriter equation_;
    int paragraphs_counted_ = 0;
    SourceDocument document_;
};

SourceDocument BodyReader::read(const QByteArray &xml)
{
    DocxWalker walker(xml);
    for (;;) {
        const QXmlStreamReader::TokenType token = walker.next();
        if (token == QXmlStreamReader::EndDocument || token == QXmlStreamReader::Invalid)
            break;
        if (equation_.active()) {
            if (token == QXmlStreamReader::StartElement && !equation_.started(walker))
                walker.skip();
            else if (token == QXmlStreamReader::EndElement)
                equation_.ended();
            else if (token == QXmlStreamReader::Characters)
                equation_.characters(walker.reader().text().toString());
            if (!equation_.active())
                end_equation();
        } else if (token == QXmlStreamReader::StartElement) {
            start_element(walker);
        } else if (token == QXmlStreamReader::EndElement) {
            end_element();
        } else if (!frames_.empty() && frames_.back() == Frame::Text) {
            add_characters(walker.reader().text());
        }
    }
    return std::move(document_);
}

void BodyReader::start_element(DocxWalker &walker)
{
    if (walker.ns() == DocxNs::Word) {
        if (!start_word_element(walker))
            walker.skip();
        return;
    }
    start_other_element(walker);
}

// False when the element is to be passed over with all it holds.
bool BodyReader::start_word_element(DocxWalker &walker)
{
    const QStringRef name = walker.name();
    const Frame parent = frames_.empty() ? Frame::Other : frames_.back();
    Frame frame = Frame::Other;
    if (parent == Frame::RunProps) {
        // The formatting a tracked change replaced stands in a w:rPr of its
        // own, which no run holds: it is passed over below.
        if (name == QLatin1String("rStyle"))
            runs_.back().style = docx_word_value(walker);
        else
            runs_.back().direct.read_property(walker);
    } else if (parent == Frame::ParagraphProps) {
        // Of a paragraph's properties only its style and numbering; the
        // rest, and the run properties of its mark, say nothing of its text.
        if (name == QLatin1String("pStyle"))
            paragraphs_.back().style = docx_word_value(walker);
        else if (name == QLatin1String("numPr"))
            frame = Frame::NumberingProps;
        else
            return false;
    } else if (parent == Frame::NumberingProps) {
        bool ok = false;
        const int value =
            docx_attribute(walker.reader(), DocxNs::Word, QLatin1String("val")).toInt(&ok);
        if (ok && name == QLatin1String("ilvl"))
            paragraphs_.back().direct.level = value;
        else if (ok && name == QLatin1String("numId"))
            paragraphs_.back().direct.num_id = value;
    } else if (name == QLatin1String("r")) {
        runs_.emplace_back(paragraphs_.empty() ? 0 : paragraphs_.back().piece.text.size());
        frame = Frame::Run;
    } else if (name == QLatin1String("t")) {
        frame = Frame::Text;
    } else if (name == QLatin1String("rPr")) {
        if (parent != Frame::Run)
            return false;
        frame = Frame::RunProps;
    } else if (name == QLatin1String("p")) {
        start_paragraph();
        frame = Frame::Paragraph;
    } else if (name == QLatin1String("pPr")) {
        if (parent != Frame::Paragraph)
            return false;
        frame = Frame::ParagraphProps;
    } else if (name == QLatin1String("tab") || name == QLatin1String("ptab")) {
        const bool underlined = !runs_.empty() && runs_.back().look.underlined();
        add(underlined ? kUnderlinedBlank : QStringLiteral("\t"), true);
    } else if (name == QLatin1String("br")) {
        const QString type = docx_attribute(walker.reader(), DocxNs::Word, QLatin1String("type"));
        if (type != QLatin1String("page") && type != QLatin1String("column"))
            add(QStringLiteral("\n"));
    } else if (name == QLatin1String("cr")) {
        add(QStringLiteral("\n"));
    } else if (name == QLatin1String("noBreakHyphen")) {
        add(QStringLiteral("-"));
    } else if (name == QLatin1String("sym")) {
        add_symbol(walker);
    } else if (name == QLatin1String("tr")) {
        rows_.emplace_back();
        frame = Frame::Row;
    } else if (name == QLatin1String("tc")) {
        Sink cell(Sink::Cell);
        cell.holder_number = sinks_.back().holder_number;
        sinks_.push_back(std::move(cell));
        frame = Frame::Cell;
    } else if (name == QLatin1String("txbxContent")) {
        if (!paragraphs_.empty()) {
            start_text_box();
            frame = Frame::TextBox;
        }
    } else if (name == QLatin1String("drawing") || name == QLatin1String("pict") ||
               name == QLatin1String("object")) {
        pictures_.emplace_back();
        frame = Frame::Picture;
    } else if (is_passed_over(name)) {
        return false;
    }
    frames_.push_back(frame);
    return true;
}

void BodyReader::start_other_element(DocxWalker &walker)
{
    const QStringRef name = walker.name();
    const QXmlStreamAttributes attributes = walker.reader().attributes();
    Picture *picture = pictures_.empty() ? nullptr : &pictures_.back();
    Frame frame = Frame::Other;
    switch (walker.ns()) {
    case DocxNs::Math:
        if (name == QLatin1String("oMath")) {
            begin_equation();
            return; // the equation writer follows it to its end
        }
        if (name == QLatin1String("oMathPara")) {
            math_paragraphs_.push_back(0);
            frame = Frame::MathPara;
        }
        break;
    case DocxNs::WordDrawing:
        if (picture && name == QLatin1String("docPr")) {
            picture->description = attributes.value(QLatin1String("descr")).toString();
            picture->name = attributes.value(QLatin1String("name")).toString();
        }
        break;
    case DocxNs::Drawing:
        if (picture && name == QLatin1String("blip"))
            picture->image = true;
        break;
    case DocxNs::Vml:
        if (picture && name == QLatin1String("imagedata")) {
            picture->image = true;
            const QString title =
                docx_attribute(walker.reader(), DocxNs::Office, QLatin1String("title"));
            if (!title.isEmpty())
                picture->description = title;
        } else if (picture && name == QLatin1String("shape") && picture->name.isEmpty()) {
            picture->name = attributes.value(QLatin1String("alt")).toString();
        }
        break;
    case DocxNs::Office:
        if (picture && name == QLatin1String("OLEObject") &&
            attributes.value(QLatin1String("ProgID")).startsWith(QLatin1String("Equation.")))
            picture->equation = true;
        break;
    default:
        break;
    }
    frames_.push_back(frame);
}

void BodyReader::end_element()
{
    if (frames_.empty())
        return;
    const Frame frame = frames_.back();
    frames_.pop_back();
    switch (frame) {
    case Frame::Paragraph:
        end_paragraph();
        break;
    case Frame::ParagraphProps:
        number_paragraph(paragraphs_.back());
        break;
    case Frame::Run:
        end_run();
        break;
    case Frame::RunProps: {
        Run &run = runs_.back();
        run.look = run.direct;
        run.look.inherit(styles_.look(run.style));
        break;
    }
    case Frame::Row: {
        Piece row = std::move(rows_.back().piece);
        rows_.pop_back();
        deliver(std::move(row));
        break;
    }
    case Frame::Cell:
        end_cell();
        break;
    case Frame::TextBox:
        sinks_.pop_back();
        break;
    case Frame::Picture:
        end_picture();
        break;
    case Frame::MathPara:
        math_paragraphs_.pop_back();
        break;
    default:
        break;
    }
}

void BodyReader::start_paragraph()
{
    Paragraph paragraph;
    // A text box's paragraphs are no paragraphs of the body: they stand at
    // the paragraph that holds the text box.
    const int holder = sinks_.back().holder_number;
    paragraph.piece.number = holder > 0 ? holder : ++paragraphs_counted_;
    paragraphs_.push_back(std::move(paragraph));
}

void BodyReader::number_paragraph(Paragraph &paragraph)
{
    if (paragraph.numbered)
        return;
    paragraph.numbered = true;
    const QString style = styles_.paragraph_style(paragraph.style);
    const ParagraphNumbering from_style = styles_.numbering(style);
    const ParagraphNumbering &direct = paragraph.direct;
    const int num_id = direct.num_id >= 0 ? direct.num_id : from_style.num_id;
    if (num_id <= 0) // 0: the paragraph takes the numbering of its style away
        return;
    int level = direct.level;
    if (level < 0 && direct.num_id < 0)
        level = from_style.level >= 0 ? from_style.level : numbering_.level_of_style(num_id, style);
    paragraph.number_text = numbering_.next(num_id, std::max(level, 0));
}

void BodyReader::end_paragraph()
{
    Paragraph paragraph = std::move(paragraphs_.back());
    paragraphs_.pop_back();
    number_paragraph(paragraph);
    Piece &piece = paragraph.piece;
    if (!paragraph.number_text.isEmpty()) {
        piece.text.prepend(paragraph.number_text);
        for (std::pair<int, int> &range : piece.marked) {
            range.first += paragraph.number_text.size();
            range.second += paragraph.number_text.size();
        }
    }
    deliver(std::move(piece));
    for (Piece &boxed : paragraph.after)
        deliver(std::move(boxed));
}

void BodyReader::end_run()
{
    const Run run = std::move(runs_.back());
    runs_.pop_back();
    if (paragraphs_.empty())
        return;
    Paragraph &paragraph = paragraphs_.back();
    QString &text = paragraph.piece.text;
    if (text.size() <= run.start)
        return;
    // Spaces or tabs underlined are a blank to fill in; several such runs
    // side by side are one blank.
    if (run.look.underlined() && run.blank) {
        text.truncate(run.start);
        if (paragraph.blank_end != run.start)
            text += kUnderlinedBlank;
        paragraph.blank_end = text.size();
    }
    if (run.look.marked() && text.size() > run.start) {
        std::vector<std::pair<int, int>> &marked = paragraph.piece.marked;
        if (!marked.empty() && marked.back().second == run.start)
            marked.back().second = text.size();
        else
            marked.emplace_back(run.start, text.size());
    }
}

void BodyReader::end_cell()
{
    Piece cell = std::move(sinks_.back().piece);
    sinks_.pop_back();
    if (rows_.empty()) {
        deliver(std::move(cell));
        return;
    }
    Row &row = rows_.back();
    join(row.piece, std::move(cell), row.cells++ > 0);
}

void BodyReader::start_text_box()
{
    Sink box(Sink::TextBox);
    box.holder = int(paragraphs_.size()) - 1;
    box.holder_number = paragraphs_.back().piece.number;
    sinks_.push_back(std::move(box));
    if (!pictures_.empty())
        pictures_.back().text_box = true;
}

void BodyReader::end_picture()
{
    const Picture picture = std::move(pictures_.back());
    pictures_.pop_back();
    if (picture.equation) {
        add(equation_mark());
        add_change(equation_left_as_mark());
        return;
    }
    // A text box is read as its text; anything else drawn is lost.
    if (picture.text_box && !picture.image)
        return;
    const QString mark =
        picture_mark(picture.description.isEmpty() ? picture.name : picture.description);
    add(mark);
    add_change(picture_left_as_mark(mark));
}

void BodyReader::begin_equation()
{
    // The equations of one display paragraph stand on lines of their own.
    if (!frames_.empty() && frames_.back() == Frame::MathPara && math_paragraphs_.back()++ > 0)
        add(QStringLiteral("\n"));
    equation_.begin();
}

void BodyReader::end_equation()
{
    const QString line = equation_.result();
    if (line.isEmpty() || paragraphs_.empty())
        return;
    add(line);
    add_change(equation_.written() ? equation_written_on_one_line(line) : equation_left_as_mark());
}

void BodyReader::add(const QString &text, bool blank)
{
    if (paragraphs_.empty())
        return;
    paragraphs_.back().piece.text += text;
    if (!blank && !runs_.empty())
        runs_.back().blank = false;
}

void BodyReader::add_change(const QString &change)
{
    if (!paragraphs_.empty())
        paragraphs_.back().piece.changes << change;
}

// Copied to a string of its own size: toString() would share the reader's
// buffer, and every line would keep that buffer's spare room.
void BodyReader::add_characters(const QStringRef &text)
{
    add(QString(text.unicode(), text.size()), std::all_of(text.begin(), text.end(), is_blank));
}

// A symbol inserted from a font: kept when it is a character of its own,
// dropped when it is a place in a symbol font (private use) that means
// nothing without that font.
void BodyReader::add_symbol(const DocxWalker &walker)
{
    bool ok = false;
    const uint code =
        docx_attribute(walker.reader(), DocxNs::Word, QLatin1String("char")).toUInt(&ok, 16);
    const bool private_use = code >= 0xE000 && code <= 0xF8FF;
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (ok && code > 0 && code <= 0x10FFFF && !private_use && !surrogate) {
        const char32_t character = code;
        add(QString::fromUcs4(&character, 1));
    }
}

void BodyReader::deliver(Piece &&piece)
{
    Sink &sink = sinks_.back();
    switch (sink.kind) {
    case Sink::Body: {
        SourceLine line;
        line.place = docx_paragraph_place(std::max(piece.number, 1));
        line.text = std::move(piece.text);
        line.marked = std::move(piece.marked);
        line.changes = std::move(piece.changes);
        document_.lines.push_back(std::move(line));
        break;
    }
    case Sink::Cell:
        join(sink.piece, std::move(piece), sink.parts++ > 0);
        break;
    case Sink::TextBox:
        paragraphs_[size_t(sink.holder)].after.push_back(std::move(piece));
        break;
    }
}

} // namespace

SourceDocument read_docx(const QByteArray &file, ExchangeError &error, const ZipLimits &limits)
{
    error = ExchangeError();
    const std::unique_ptr<ZipArchive> zip = ZipArchive::open(file, error, limits);
    if (!zip)
        return {};
    // The main part is where the package's relationships say it is; Word
    // always puts it at word/document.xml.
    const std::optional<QString> main = related_part(*zip, QStringLiteral("_rels/.rels"), QString(),
                                                     QLatin1String("officeDocument"), error);
    if (!main)
        return {};
    const QString document = main->isEmpty() ? QString::fromLatin1(kDefaultDocument) : *main;
    const std::optional<QByteArray> body = read_xml_part(*zip, document, error);
    if (!body)
        return {};

    const int slash = document.lastIndexOf(u'/');
    const QString folder = document.left(slash + 1);
    const QString rels = folder + QStringLiteral("_rels/") + document.mid(slash + 1) + ".rels";
    DocxStyles styles;
    DocxNumbering numbering;
    const char *const kinds[] = {"styles", "numbering"};
    for (const char *kind : kinds) {
        const std::optional<QString> related =
            related_part(*zip, rels, folder, QLatin1String(kind), error);
        if (!related)
            return {};
        const QString name = related->isEmpty() ? folder + QLatin1String(kind) + ".xml" : *related;
        if (!zip->contains(name))
            continue;
        const std::optional<QByteArray> xml = read_xml_part(*zip, name, error);
        if (!xml)
            return {};
        if (kind == kinds[0])
            styles.load(*xml);
        else
            numbering.load(*xml, styles);
    }
    return BodyReader(styles, numbering).read(*body);
}
