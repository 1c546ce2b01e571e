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
// the paper gives its fixed partial score, which the format cannot carry.
// Free answer: an essay of that mark, marked by hand, with the reference
// answer as information for the graders.
//
// Coming in, a question's score is its <defaultgrade>, or the default of its
// kind (ImportScores) where it has none; a multiple-choice question's partial
// score is half its score, rounded down to hundredths. Fractions only tell
// right options (above 0) from wrong ones.

#include "paper_tool/exchange.h"

#include "paper_tool/exchange_common.h"
#include "paper_tool/option_layout.h"

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
    write_head(xml, QStringLiteral("multichoice"),
               single ? QuestionKind::SingleChoice : QuestionKind::MultipleChoice, number,
               exported.text, question.score);
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

struct FormattedText {
    QString text;
    QString format;
};

// An element that holds a <text> and says its format, such as <questiontext>;
// its other children (<file>, <feedback>) are left out.
FormattedText read_formatted(QXmlStreamReader &xml, const QString &default_format)
{
    FormattedText formatted;
    formatted.format = xml.attributes().value(QLatin1String("format")).toString();
    if (formatted.format.isEmpty())
        formatted.format = default_format;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("text"))
            formatted.text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        else
            xml.skipCurrentElement();
    }
    return formatted;
}

// HTML becomes what a reader of the page sees; the other formats are already
// the text itself.
QString shown(const FormattedText &formatted)
{
    return formatted.format == QLatin1String("html") ? html_to_plain_text(formatted.text)
                                                     : formatted.text;
}

struct XmlQuestion {
    QString type;
    FormattedText text;
    // An empty or missing <defaultgrade> leaves the kind's default score.
    QString grade;
    bool has_grade = false;
    std::vector<std::pair<FormattedText, double>> answers; // text, fraction
    FormattedText grader_info;
};

XmlQuestion read_question_element(QXmlStreamReader &xml)
{
    XmlQuestion question;
    question.type = xml.attributes().value(QLatin1String("type")).toString();
    while (xml.readNextStartElement()) {
        const QStringRef name = xml.name();
        if (name == QLatin1String("questiontext")) {
            question.text = read_formatted(xml, QStringLiteral("html"));
        } else if (name == QLatin1String("defaultgrade")) {
            question.grade = xml.readElementText().trimmed();
            question.has_grade = !question.grade.isEmpty();
        } else if (name == QLatin1String("answer")) {
            const double fraction =
                xml.attributes().value(QLatin1String("fraction")).toString().toDouble();
            question.answers.emplace_back(read_formatted(xml, QStringLiteral("plain_text")),
                                          fraction);
        } else if (name == QLatin1String("graderinfo")) {
            question.grader_info = read_formatted(xml, QStringLiteral("html"));
        } else {
            xml.skipCurrentElement();
        }
    }
    return question;
}

QString unsupported_type(const QString &type)
{
    QString known;
    if (type == QLatin1String("matching"))
        known = QStringLiteral("配对题");
    else if (type == QLatin1String("numerical"))
        known = QStringLiteral("数值题");
    else if (type == QLatin1String("cloze"))
        known = QStringLiteral("完形填空题");
    else if (type == QLatin1String("description"))
        return QStringLiteral("说明文字（description）不是题目");
    return QStringLiteral("%1（%2）无法导入：试卷里没有这种题型")
        .arg(known.isEmpty() ? QStringLiteral("题型") : known, type);
}

// Fills `question` from what the file says; returns why it is not one of the
// paper's kinds, or nothing.
QString to_foreign(const XmlQuestion &xml, ForeignQuestion &question)
{
    if (xml.has_grade) {
        bool ok = false;
        question.grade = xml.grade.toDouble(&ok);
        if (!ok)
            return QStringLiteral("分值“%1”不是数").arg(xml.grade);
    }
    question.text = shown(xml.text);
    using Type = ForeignQuestion::Type;
    if (xml.type == QLatin1String("multichoice") || xml.type == QLatin1String("shortanswer")) {
        question.type = xml.type == QLatin1String("multichoice") ? Type::Choice : Type::ShortAnswer;
        for (const auto &answer : xml.answers)
            question.answers.push_back({shown(answer.first), answer.second});
        return QString();
    }
    if (xml.type == QLatin1String("truefalse")) {
        // The platform names its two answers "true" and "false".
        question.type = Type::TrueFalse;
        for (const auto &answer : xml.answers) {
            const QString name = shown(answer.first).trimmed().toLower();
            if (answer.second > 0 &&
                (name == QLatin1String("true") || name == QLatin1String("false"))) {
                question.truth = name == QLatin1String("true");
                return QString();
            }
        }
        return QStringLiteral("判断题没有标明正确的是“true”还是“false”");
    }
    if (xml.type == QLatin1String("essay")) {
        question.type = Type::Essay;
        question.reference = shown(xml.grader_info);
        return QString();
    }
    return unsupported_type(xml.type);
}

} // namespace

QByteArray export_moodle_xml(const PaperData &paper)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("quiz"));
    for (size_t i = 0; i < paper.onech.size(); ++i)
        write_choice(xml, paper.onech[i], int(i) + 1, true);
    for (size_t i = 0; i < paper.somech.size(); ++i)
        write_choice(xml, paper.somech[i], int(i) + 1, false);
    for (size_t i = 0; i < paper.unch.size(); ++i)
        write_essay(xml, paper.unch[i], int(i) + 1);
    xml.writeEndElement();
    xml.writeEndDocument();
    out.append('\n');
    return out;
}

ImportResult import_moodle_xml(const QByteArray &file, const ImportScores &scores)
{
    QXmlStreamReader xml(file);
    ImportResult result;
    if (!xml.readNextStartElement()) {
        if (!xml.hasError())
            result.error = QStringLiteral("文件里没有 <quiz>，不是 Moodle XML 题库");
    } else if (xml.name() != QLatin1String("quiz")) {
        result.error = QStringLiteral("第 %1 行：最外层是 <%2> 而不是 <quiz>，不是 Moodle XML 题库")
                           .arg(xml.lineNumber())
                           .arg(xml.name().toString());
    } else {
        int index = 0;
        while (xml.readNextStartElement()) {
            if (xml.name() != QLatin1String("question")) {
                xml.skipCurrentElement();
                continue;
            }
            ++index;
            const qint64 line = xml.lineNumber();
            const XmlQuestion read = read_question_element(xml);
            if (xml.hasError())
                break;
            if (read.type == QLatin1String("category"))
                continue;
            ForeignQuestion question;
            QString reason = to_foreign(read, question);
            if (reason.isEmpty())
                reason = add_foreign_question(question, scores, result.paper);
            if (!reason.isEmpty())
                result.skipped.push_back(
                    {QStringLiteral("第 %1 个 <question>（第 %2 行）").arg(index).arg(line),
                     reason});
        }
        // Whatever follows </quiz> must still be well-formed.
        while (!xml.atEnd())
            xml.readNext();
    }
    if (xml.hasError()) {
        result = ImportResult();
        result.error = QStringLiteral("第 %1 行：不是格式正确的 XML（%2）")
                           .arg(xml.lineNumber())
                           .arg(xml.errorString());
    }
    return result;
}
