#pragma once
// An equation of a Word document (OMML, m:oMath) written on one line as its
// elements stream past: "(x+1)^2", "x^(1/2)", "√(x)"; or, when it has
// something no line can write (a sum with limits, a matrix), left as the
// mark "[公式]". The elements' nesting is kept on a stack of frames.

#include <QString>
#include <array>
#include <vector>

class DocxWalker;

class EquationWriter
{
  public:
    // At an m:oMath: the events that follow belong to it until it ends.
    void begin();
    bool active() const { return !frames_.empty(); }

    // An element started within the equation; false when its content is to
    // be passed over.
    bool started(const DocxWalker &walker);
    void ended();
    void characters(const QString &text);

    // Once the equation has ended: its one line, or "[公式]" when it could
    // not be written on one.
    bool written() const { return !failed_; }
    QString result() const;

  private:
    enum class Kind {
        Equation,
        Argument, // an m:e, m:num, m:sup, … of the construct below it
        Text,     // m:t
        Plain,    // holds what it holds: m:r, m:box, a tracked insertion
        Fraction,
        Superscript,
        Subscript,
        SubSuperscript,
        Radical,
        Delimiter,
        Function,
        Properties, // m:dPr, m:radPr, m:fPr: their children tell how to write it
    };
    enum class Role { None, Base, Numerator, Denominator, Upper, Lower, Degree, Name, Count };
    struct Frame {
        explicit Frame(Kind of, Role as = Role::None) : kind(of), role(as) {}
        Kind kind;
        Role role;
        QString text; // Equation, Argument: what is written so far
        std::array<QString, size_t(Role::Count)> parts; // a construct's arguments, by role
        QString &part(Role of) { return parts[size_t(of)]; }
        const QString &part(Role of) const { return parts[size_t(of)]; }
        std::vector<QString> items; // a delimiter's m:e
        QString open = QStringLiteral("(");
        QString close = QStringLiteral(")");
        QString separator = QStringLiteral("|");
        bool degree_hidden = false;
    };

    struct Construct;
    struct Argument;
    static const Construct kConstructs[];
    static const Argument kArguments[];

    bool start_construct(Kind kind);
    bool start_argument(Role role);
    void read_property(const DocxWalker &walker);
    void append(const QString &text);
    QString written_construct(const Frame &frame);

    std::vector<Frame> frames_;
    QString line_;
    bool failed_ = false;
};
