#include "exchange/docx_math.h"

#include "exchange/docx_xml.h"
#include "exchange/exchange_messages.h"

namespace
{

// An equation longer than this is no line a teacher reads; the bound also
// keeps what each level of nesting copies small.
const int kMaxEquationLength = 1000;

int character_count(const QString &text)
{
    int count = 0;
    for (const QChar c : text) {
        if (!c.isLowSurrogate())
            ++count;
    }
    return count;
}

// Whether `text` is one bracketed group already: "(x+1)", "[a,b]".
bool is_one_group(const QString &text)
{
    if (text.size() < 2)
        return false;
    const QChar open = text.front();
    const QChar close = open == u'(' ? u')' : open == u'[' ? u']' : open == u'{' ? u'}' : QChar();
    if (close.isNull() || text.back() != close)
        return false;
    int depth = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == open)
            ++depth;
        else if (text[i] == close && --depth == 0)
            return i == text.size() - 1;
    }
    return false;
}

// A base, an exponent or a part of a fraction: bracketed when it is longer
// than one character and not bracketed already, as in "x^(n+1)".
QString operand(const QString &text)
{
    return character_count(text) <= 1 || is_one_group(text) ? text : "(" + text + ")";
}

} // namespace

void EquationWriter::begin()
{
    frames_.clear();
    frames_.push_back(Frame(Kind::Equation));
    line_.clear();
    failed_ = false;
}

bool EquationWriter::start_construct(Kind kind)
{
    frames_.push_back(Frame(kind));
    return true;
}

bool EquationWriter::start_argument(Role role)
{
    frames_.push_back(Frame(Kind::Argument, role));
    return true;
}

// The constructs one line writes, and their arguments.
struct EquationWriter::Construct {
    const char *name;
    Kind kind;
};
const EquationWriter::Construct EquationWriter::kConstructs[] = {
    {"r", Kind::Plain},          {"oMath", Kind::Plain},
    {"box", Kind::Plain},        {"borderBox", Kind::Plain},
    {"f", Kind::Fraction},       {"sSup", Kind::Superscript},
    {"sSub", Kind::Subscript},   {"sSubSup", Kind::SubSuperscript},
    {"rad", Kind::Radical},      {"d", Kind::Delimiter},
    {"func", Kind::Function},    {"dPr", Kind::Properties},
    {"radPr", Kind::Properties}, {"fPr", Kind::Properties},
};

struct EquationWriter::Argument {
    const char *name;
    Role role;
};
const EquationWriter::Argument EquationWriter::kArguments[] = {
    {"e", Role::Base},     {"num", Role::Numerator}, {"den", Role::Denominator},
    {"sup", Role::Upper},  {"sub", Role::Lower},     {"deg", Role::Degree},
    {"fName", Role::Name},
};

bool EquationWriter::started(const DocxWalker &walker)
{
    const QStringRef name = walker.name();
    const Kind parent = frames_.back().kind;
    if (walker.ns() == DocxNs::Word) {
        // Tracked changes within an equation read as accepted; the run's
        // formatting says nothing here.
        if (name == QLatin1String("del") || name == QLatin1String("moveFrom") ||
            name == QLatin1String("rPr"))
            return false;
        frames_.push_back(Frame(Kind::Plain));
        return true;
    }
    if (walker.ns() != DocxNs::Math) {
        frames_.push_back(Frame(Kind::Plain));
        return true;
    }
    if (parent == Kind::Properties) {
        read_property(walker);
        return false;
    }
    if (name == QLatin1String("t")) {
        frames_.push_back(Frame(Kind::Text));
        return true;
    }
    for (const Construct &construct : kConstructs) {
        if (name == QLatin1String(construct.name))
            return start_construct(construct.kind);
    }
    if (name == QLatin1String("e") && (parent == Kind::Plain || parent == Kind::Equation))
        return start_construct(Kind::Plain); // the content of an m:box
    for (const Argument &argument : kArguments) {
        if (name == QLatin1String(argument.name))
            return start_argument(argument.role);
    }
    // The properties of the other constructs (m:rPr, m:ctrlPr, m:sSupPr, …)
    // change nothing on one line.
    if (name.endsWith(QLatin1String("Pr")))
        return false;
    // A sum with limits, a matrix, an accent, a bar, a stack of equations:
    // no line writes them faithfully.
    failed_ = true;
    return false;
}

void EquationWriter::read_property(const DocxWalker &walker)
{
    // The construct the properties belong to, under their own frame.
    Frame &frame = frames_[frames_.size() - 2];
    const QStringRef name = walker.name();
    const bool has_value = has_docx_attribute(walker.reader(), DocxNs::Math, QLatin1String("val"));
    const QString value = docx_attribute(walker.reader(), DocxNs::Math, QLatin1String("val"));
    if (name == QLatin1String("begChr"))
        frame.open = value;
    else if (name == QLatin1String("endChr"))
        frame.close = value;
    else if (name == QLatin1String("sepChr"))
        frame.separator = value;
    else if (name == QLatin1String("degHide"))
        frame.degree_hidden =
            !has_value || (value != QLatin1String("0") && value != QLatin1String("off") &&
                           value != QLatin1String("false"));
    // A fraction without its bar is a stack, no fraction.
    else if (name == QLatin1String("type") && value == QLatin1String("noBar"))
        failed_ = true;
}

void EquationWriter::append(const QString &text)
{
    // Into the nearest frame that collects text: an argument or the equation.
    for (auto frame = frames_.rbegin(); frame != frames_.rend(); ++frame) {
        if (frame->kind != Kind::Argument && frame->kind != Kind::Equation)
            continue;
        frame->text += text;
        if (frame->text.size() > kMaxEquationLength) {
            failed_ = true;
            frame->text.clear();
        }
        return;
    }
}

void EquationWriter::characters(const QString &text)
{
    if (!failed_ && frames_.back().kind == Kind::Text)
        append(text);
}

QString EquationWriter::written_construct(const Frame &frame)
{
    switch (frame.kind) {
    case Kind::Fraction:
        return operand(frame.part(Role::Numerator)) + "/" + operand(frame.part(Role::Denominator));
    case Kind::Superscript:
        return operand(frame.part(Role::Base)) + "^" + operand(frame.part(Role::Upper));
    case Kind::Subscript:
        return operand(frame.part(Role::Base)) + "_" + operand(frame.part(Role::Lower));
    case Kind::SubSuperscript:
        return operand(frame.part(Role::Base)) + "_" + operand(frame.part(Role::Lower)) + "^" +
               operand(frame.part(Role::Upper));
    case Kind::Radical:
        if (!frame.degree_hidden && !frame.part(Role::Degree).trimmed().isEmpty())
            failed_ = true;
        return QStringLiteral("√(") + frame.part(Role::Base) + ")";
    case Kind::Delimiter: {
        QString text = frame.open;
        for (size_t i = 0; i < frame.items.size(); ++i)
            text += (i > 0 ? frame.separator : QString()) + frame.items[i];
        return text + frame.close;
    }
    case Kind::Function:
        return frame.part(Role::Name) + (is_one_group(frame.part(Role::Base))
                                             ? frame.part(Role::Base)
                                             : "(" + frame.part(Role::Base) + ")");
    default:
        return QString();
    }
}

void EquationWriter::ended()
{
    Frame frame = std::move(frames_.back());
    frames_.pop_back();
    if (frames_.empty()) {
        line_ = failed_ ? equation_mark() : frame.text;
        return;
    }
    if (failed_)
        return;
    Frame &parent = frames_.back();
    switch (frame.kind) {
    case Kind::Argument:
        if (frame.role == Role::Base && parent.kind == Kind::Delimiter)
            parent.items.push_back(frame.text);
        else
            parent.part(frame.role) += frame.text;
        break;
    case Kind::Fraction:
    case Kind::Superscript:
    case Kind::Subscript:
    case Kind::SubSuperscript:
    case Kind::Radical:
    case Kind::Delimiter:
    case Kind::Function:
        append(written_construct(frame));
        break;
    default:
        break;
    }
}

QString EquationWriter::result() const
{
    return line_;
}
