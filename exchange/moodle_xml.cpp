// Moodle XML, the platform's own question format.
//
// How marks travel. A question's score goes out as its <defaultgrade>, the
// mark the platform gives it. Single choice: fraction 100 for the right option,
// 0 for the others; the whole mark or nothing. Multiple choice: each of the n
// right options has fraction 100/n (100, 50, 33.33333, 25, 20, 16.66667, the
// values Moodle accepts), each wrong one -100. The platform adds up the
// fractions of the options picked and keeps the sum between 0 and 100%: all
// right options earn the whole mark, any wrong pick earns nothing, as on the
// paper; k of the n right options and no wrong one earn k/n of the mark, where
// the paper gives its fixed partial score, which only a comment before the
// question carries. Free answer: an essay of that mark, marked by hand, with
// the reference answer as information for the graders.
//
// Coming in, a question's score is its <defaultgrade>, or the default of its
// kind (ImportScores) where it has none; a multiple-choice question's partial
// score is the one its comment notes, or half its score, rounded down to
// hundredths. <single> decides single or multiple choice, as on the platform.

#include "exchange/exchange.h"
#include "exchange/xml_guard.h"
#include "paper/work_progress.h"

#include "exchange/exchange_common.h"
#include "exchange/exchange_messages.h"
#include "exchange/option_layout.h"
#include "paper/paper_encoding.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace
{

// ---------------------------------------------------------------------------
// Writing

// XML 1.0 cannot carry most control characters, nor a lone surrogate; a raw CR
// would come back as a line break.
QString xml_safe(const QString &text)
{
    QString safe;
    safe.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            safe.append(c);
            safe.append(text[++i]);
        } else if (!c.isSurrogate() && c.unicode() < 0xFFFE &&
                   (c.category() != QChar::Other_Control || c == QLatin1Char('\n') ||
                    c == QLatin1Char('\t'))) {
            safe.append(c);
        }
    }
    return safe;
}

// plain_text: the platform shows line breaks and spaces as they are.
void write_text(QXmlStreamWriter &xml, const QString &element, const QString &text)
{
    xml.writeStartElement(element);
    xml.writeAttribute(QStringLiteral("format"), QStringLiteral("plain_text"));
    xml.writeTextElement(QStringLiteral("text"), xml_safe(text));
    xml.writeEndElement();
}

void write_head(QXmlStreamWriter &xml, const QString &type, QuestionKind kind, int number,
                const QString &text, double score)
{
    xml.writeStartElement(QStringLiteral("question"));
    xml.writeAttribute(QStringLiteral("type"), type);
    xml.writeStartElement(QStringLiteral("name"));
    xml.writeTextElement(QStringLiteral("text"),
                         kind_name(kind) + QLatin1Char(' ') + QString::number(number));
    xml.writeEndElement();
    write_text(xml, QStringLiteral("questiontext"), text);
    xml.writeTextElement(QStringLiteral("defaultgrade"), exchange_score_text(score));
    xml.writeTextElement(QStringLiteral("penalty"), QStringLiteral("0"));
    xml.writeTextElement(QStringLiteral("hidden"), QStringLiteral("0"));
}

void write_choice(QXmlStreamWriter &xml, const ChoiceQuestion &question, int number, bool single)
{
    const ExportedChoice exported = export_choice(question);
    const QuestionKind kind = single ? QuestionKind::SingleChoice : QuestionKind::MultipleChoice;
    // The platform skips comments; our import reads the partial score back.
    xml.writeComment(QLatin1Char(' ') + export_note(kind, number, question) + QLatin1Char(' '));
    write_head(xml, QStringLiteral("multichoice"), kind, number, exported.text, question.score);
    xml.writeTextElement(QStringLiteral("single"),
                         single ? QStringLiteral("true") : QStringLiteral("false"));
    xml.writeTextElement(QStringLiteral("shuffleanswers"), QStringLiteral("0"));
    xml.writeTextElement(QStringLiteral("answernumbering"), QStringLiteral("ABCD"));

    // A single-choice mask that is not exactly one option still goes out, its
    // lowest option taken as the right one, or none right when it is empty:
    // the check subcommand reports such answers.
    OptionMask right = 0;
    for (int i = 0; i < exported.options.size(); ++i) {
        if ((question.answer & (1 << i)) && (!single || right == 0))
            right |= 1 << i;
    }
    int right_count = 0;
    for (int i = 0; i < exported.options.size(); ++i)
        right_count += (right >> i) & 1;
    for (int i = 0; i < exported.options.size(); ++i) {
        QString fraction;
        if (right & (1 << i))
            fraction = right_fraction_text(right_count);
        else
            fraction = single ? QStringLiteral("0") : QStringLiteral("-100");
        xml.writeStartElement(QStringLiteral("answer"));
        xml.writeAttribute(QStringLiteral("fraction"), fraction);
        xml.writeAttribute(QStringLiteral("format"), QStringLiteral("plain_text"));
        xml.writeTextElement(QStringLiteral("text"), xml_safe(exported.options[i]));
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

void write_essay(QXmlStreamWriter &xml, const UnchQuestion &question, int number)
{
    write_head(xml, QStringLiteral("essay"), QuestionKind::FreeAnswer, number, question.problem,
               question.score);
    xml.writeTextElement(QStringLiteral("responseformat"), QStringLiteral("editor"));
    write_text(xml, QStringLiteral("graderinfo"), question.answer);
    xml.writeEndElement();
}

// ---------------------------------------------------------------------------
// Reading

// Deeper than any question bank nests; the readers below never recurse, but
// what they hand on should stay small.
const int kMaxXmlDepth = 100;

ExchangeError quiz_error(ExchangeError::What what, const QXmlStreamReader &xml)
{
    ExchangeError error;
    error.what = what;
    error.line = int(xml.lineNumber());
    return error;
}

// Reads the whole file once before its questions: a file that is not
// well-formed, nests absurdly deep, or declares entities (which expand without
// bound; no question bank needs them) is refused before any of it is taken.
ExchangeError check_whole_file(const QByteArray &file)
{
    using What = ExchangeError::What;
    const ExchangeError crowded = check_attribute_counts(file, QString());
    if (crowded.failed())
        return crowded;
    QXmlStreamReader xml(file);
    int depth = 0;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::DTD:
            if (!xml.entityDeclarations().isEmpty())
                return quiz_error(What::QuizDeclaresEntities, xml);
            break;
        case QXmlStreamReader::StartElement:
            if (++depth > kMaxXmlDepth) {
                ExchangeError error = quiz_error(What::QuizTooDeep, xml);
                error.limit = kMaxXmlDepth;
                return error;
            }
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    if (xml.hasError()) {
        ExchangeError error = quiz_error(What::QuizXmlBroken, xml);
        error.detail = xml.errorString();
        return error;
    }
    return ExchangeError();
}

struct FormattedText {
    QString text;
    QString format; // empty: not stated
};

// The text of the current element and of all it holds, without recursion.
QString element_text(QXmlStreamReader &xml)
{
    QString text;
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
            text += xml.text();
            break;
        default:
            break;
        }
    }
    return text;
}

// An element that holds a <text> and says its format, such as <questiontext>.
// Its embedded files are named in `changes`; its feedback is left out.
FormattedText read_formatted(QXmlStreamReader &xml, QStringList &changes)
{
    FormattedText formatted;
    formatted.format = xml.attributes().value(QLatin1String("format")).toString();
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("text")) {
            formatted.text = element_text(xml);
        } else if (xml.name() == QLatin1String("file")) {
            changes.append(
                embedded_file_change(xml.attributes().value(QLatin1String("name")).toString()));
            xml.skipCurrentElement();
        } else {
            xml.skipCurrentElement();
        }
    }
    return formatted;
}

TextFormat text_format(const QString &format)
{
    if (format == QLatin1String("html"))
        return TextFormat::Html;
    if (format == QLatin1String("moodle_auto_format"))
        return TextFormat::Auto;
    return TextFormat::Plain;
}

struct XmlQuestion {
    QString type;
    FormattedText text;
    // An empty or missing <defaultgrade> leaves the kind's default score.
    QString grade;
    bool has_grade = false;
    QString single;
    std::vector<std::pair<FormattedText, double>> answers; // text, fraction
    FormattedText grader_info;
    QStringList changes;
};

XmlQuestion read_question_element(QXmlStreamReader &xml)
{
    XmlQuestion question;
    question.type = xml.attributes().value(QLatin1String("type")).toString();
    while (xml.readNextStartElement()) {
        const QStringRef name = xml.name();
        if (name == QLatin1String("questiontext")) {
            question.text = read_formatted(xml, question.changes);
        } else if (name == QLatin1String("defaultgrade")) {
            question.grade = element_text(xml).trimmed();
            question.has_grade = !question.grade.isEmpty();
        } else if (name == QLatin1String("single")) {
            question.single = element_text(xml).trimmed().toLower();
        } else if (name == QLatin1String("answer")) {
            const double fraction =
                xml.attributes().value(QLatin1String("fraction")).toString().toDouble();
            question.answers.emplace_back(read_formatted(xml, question.changes), fraction);
        } else if (name == QLatin1String("graderinfo")) {
            question.grader_info = read_formatted(xml, question.changes);
        } else {
            xml.skipCurrentElement();
        }
    }
    return question;
}

// The platform shows a question text as HTML unless it says otherwise, and an
// answer in its question's format unless it says otherwise.
QString shown(const FormattedText &formatted, const QString &fallback, ForeignQuestion &question)
{
    return shown_text(formatted.text,
                      text_format(formatted.format.isEmpty() ? fallback : formatted.format),
                      question);
}

// Fills `question` from what the file says; returns why it is not one of the
// paper's kinds, or nothing.
QString to_foreign(const XmlQuestion &xml, ForeignQuestion &question)
{
    if (xml.has_grade) {
        bool ok = false;
        question.grade = xml.grade.toDouble(&ok);
        if (!ok)
            return grade_not_a_number_reason(xml.grade);
    }
    question.changes += xml.changes;
    const QString text_format =
        xml.text.format.isEmpty() ? QStringLiteral("html") : xml.text.format;
    question.text = shown(xml.text, text_format, question);
    using Type = ForeignQuestion::Type;
    if (xml.type == QLatin1String("multichoice") || xml.type == QLatin1String("shortanswer")) {
        question.type = xml.type == QLatin1String("multichoice") ? Type::Choice : Type::ShortAnswer;
        // The platform's own default is one answer to pick.
        question.single = xml.single != QLatin1String("false") && xml.single != QLatin1String("0");
        for (const auto &answer : xml.answers)
            question.answers.push_back({shown(answer.first, text_format, question), answer.second});
        return QString();
    }
    if (xml.type == QLatin1String("truefalse")) {
        // The platform names its two answers "true" and "false".
        question.type = Type::TrueFalse;
        for (const auto &answer : xml.answers) {
            const QString name = answer.first.text.trimmed().toLower();
            if (answer.second > 0 &&
                (name == QLatin1String("true") || name == QLatin1String("false"))) {
                question.truth = name == QLatin1String("true");
                return QString();
            }
        }
        return true_false_without_truth_reason();
    }
    if (xml.type == QLatin1String("essay")) {
        question.type = Type::Essay;
        question.reference = shown(xml.grader_info, QStringLiteral("html"), question);
        return QString();
    }
    if (xml.type == QLatin1String("description"))
        return description_reason();
    return unsupported_type_reason(xml.type);
}

// Our own export's comment before each question carries what the format
// cannot: a multiple-choice question's partial score.
void read_questions(QXmlStreamReader &xml, const ImportScores &scores, ImportResult &result)
{
    int index = 0;
    QString note;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::Comment) {
            note = xml.text().toString();
            continue;
        }
        if (token == QXmlStreamReader::EndElement)
            return;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() != QLatin1String("question")) {
            xml.skipCurrentElement();
            continue;
        }
        ++index;
        const qint64 line = xml.lineNumber();
        const XmlQuestion read = read_question_element(xml);
        ForeignQuestion question;
        read_export_note(note, question);
        note.clear(); // it spoke of this question only
        if (xml.hasError() || read.type == QLatin1String("category"))
            continue;
        QString reason = to_foreign(read, question);
        const QString position = question_element_place(index, line);
        if (reason.isEmpty()) {
            const std::array<size_t, 3> before = result.counts();
            reason = add_foreign_question(question, scores, result.paper);
            if (reason.isEmpty())
                result.took(before, position);
        }
        if (!reason.isEmpty())
            result.skip(position, reason);
        else
            result.change(position, question.changes);
    }
}

} // namespace

QByteArray export_moodle_xml(const PaperData &paper)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("quiz"));
    for (size_t i = 0; i < paper.onech.size(); ++i) {
        work_step();
        write_choice(xml, paper.onech[i], int(i) + 1, true);
    }
    for (size_t i = 0; i < paper.somech.size(); ++i) {
        work_step();
        write_choice(xml, paper.somech[i], int(i) + 1, false);
    }
    for (size_t i = 0; i < paper.unch.size(); ++i) {
        work_step();
        write_essay(xml, paper.unch[i], int(i) + 1);
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    out.append('\n');
    return out;
}

ImportResult import_moodle_xml(const QByteArray &file, const ImportScores &scores)
{
    ImportResult result;
    // The XML reader lets a NUL byte pass inside a tag; UTF-16 files are made
    // of them.
    const FileEncoding marks = guess_file_marks(file).encoding;
    if (marks != FileEncoding::Utf16 && marks != FileEncoding::Utf32)
        result.failure = find_nul_byte(file);
    if (!result.failure.failed())
        result.failure = check_whole_file(file);
    if (result.failure.failed())
        return result;
    QXmlStreamReader xml(file);
    if (!xml.readNextStartElement()) {
        result.failure.what = ExchangeError::What::NoQuiz;
    } else if (xml.name() != QLatin1String("quiz")) {
        result.failure = quiz_error(ExchangeError::What::NotAQuiz, xml);
        result.failure.found = xml.name().toString();
    } else {
        read_questions(xml, scores, result);
    }
    return result;
}
