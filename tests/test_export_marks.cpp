// What each export writes for every option of a choice question, the right
// ones, the wrong ones and the partial credit, read from the exported file
// itself: our own import could read a wrong mark back as the right one.

#include "exchange/docx_export.h"
#include "exchange/exchange.h"
#include "exchange/text_export.h"
#include "exchange/xlsx.h"
#include "exchange/xlsx_export.h"
#include "exchange/zip_archive.h"

#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QtTest>
#include <cmath>

namespace
{

enum class Format { Gift, MoodleXml, Text, Xlsx, DocxKey };

// A choice question of `options` options laid out "A. …", with its key.
struct Case {
    const char *name;
    QuestionKind kind;
    int options;
    OptionMask key;
    double score;
    double partial;
};

const Case kCases[] = {
    {"single, the first of 4 right", QuestionKind::SingleChoice, 4, 0b1, 3, 0},
    {"single, the second of 2 right", QuestionKind::SingleChoice, 2, 0b10, 1, 0},
    {"single, the last of 6 right", QuestionKind::SingleChoice, 6, 0b100000, 2.5, 0},
    {"multiple, 1 of 4 right", QuestionKind::MultipleChoice, 4, 0b100, 4, 2},
    {"multiple, 2 of 5 right", QuestionKind::MultipleChoice, 5, 0b10010, 4.01, 2},
    {"multiple, 3 of 4 right", QuestionKind::MultipleChoice, 4, 0b1011, 3, 1.5},
    {"multiple, 5 of 6 right", QuestionKind::MultipleChoice, 6, 0b111101, 5, 0.01},
    {"multiple, 6 of 6 right", QuestionKind::MultipleChoice, 6, 0b111111, 6, 3.33},
};

QString letters_of(OptionMask mask)
{
    QString letters;
    for (int i = 0; i < kOptionCount; ++i) {
        if (mask & (1 << i))
            letters += QChar(u'A' + i);
    }
    return letters;
}

// The paper: the case's question as question 2 of its kind, after one of
// the same kind whose key is another, and one question of the other choice
// kind, so that a mark taken from the wrong question shows.
PaperData paper_of(const Case &c)
{
    ChoiceQuestion question;
    question.problem = QStringLiteral("本题");
    for (int i = 0; i < c.options; ++i)
        question.problem += QStringLiteral("\n%1. 选项%2").arg(QChar(u'A' + i)).arg(i + 1);
    question.score = c.score;
    question.partial_score = c.partial;
    question.answer = c.key;
    ChoiceQuestion before;
    before.problem = QStringLiteral("前一题\nA. 甲\nB. 乙\nC. 丙");
    before.score = 7;
    before.answer = c.key == 0b10 ? 0b100 : 0b10;
    if (c.kind == QuestionKind::MultipleChoice) {
        before.answer = c.key == 0b11 ? 0b110 : 0b11;
        before.partial_score = 3;
    }
    ChoiceQuestion other = before;
    other.answer = 0b100;
    other.partial_score = c.kind == QuestionKind::SingleChoice ? 1 : 0;
    PaperData paper;
    auto &own = c.kind == QuestionKind::SingleChoice ? paper.onech : paper.somech;
    auto &others = c.kind == QuestionKind::SingleChoice ? paper.somech : paper.onech;
    own = {before, question};
    others = {other};
    paper.unch.push_back({2, QStringLiteral("简答"), QStringLiteral("参考")});
    return paper;
}

QString question_name(const Case &c)
{
    return c.kind == QuestionKind::SingleChoice ? QStringLiteral("单选题 2")
                                                : QStringLiteral("多选题 2");
}

// --- what the file says, format by format ----------------------------------

// GIFT: the options of the question named `name`, each as its fraction ("="
// is 100, a bare "~" 0); `equals` counts the options marked "=".
QList<double> gift_fractions(const QByteArray &file, const QString &name, int &equals)
{
    const QStringList lines = QString::fromUtf8(file).split(QLatin1Char('\n'));
    QList<double> fractions;
    bool inside = false;
    equals = 0;
    static const QRegularExpression weighted(QStringLiteral("^~%(-?[0-9.]+)%"));
    for (const QString &line : lines) {
        if (line.startsWith(QStringLiteral("::%1::").arg(name))) {
            inside = true;
            continue;
        }
        if (!inside)
            continue;
        if (line.startsWith(QLatin1Char('}')))
            break;
        if (line.startsWith(QLatin1Char('='))) {
            ++equals;
            fractions.append(100);
        } else if (const auto m = weighted.match(line); m.hasMatch()) {
            fractions.append(m.captured(1).toDouble());
        } else if (line.startsWith(QLatin1Char('~'))) {
            fractions.append(0);
        }
    }
    return fractions;
}

// Moodle XML: the fraction of each <answer> of the question named `name`,
// and its <single>.
QList<double> moodle_fractions(const QByteArray &file, const QString &name, QString &single)
{
    QXmlStreamReader xml(file);
    QList<double> fractions;
    QList<double> current;
    QString current_single, current_name;
    QStringList path;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            path.append(xml.name().toString());
            if (xml.name() == QLatin1String("question")) {
                current.clear();
                current_single.clear();
                current_name.clear();
            } else if (xml.name() == QLatin1String("answer")) {
                current.append(
                    xml.attributes().value(QLatin1String("fraction")).toString().toDouble());
            } else if (xml.name() == QLatin1String("single")) {
                current_single = xml.readElementText();
                path.removeLast();
            } else if (xml.name() == QLatin1String("text") && path.size() >= 2 &&
                       path[path.size() - 2] == QLatin1String("name")) {
                current_name = xml.readElementText();
                path.removeLast();
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (xml.name() == QLatin1String("question") && current_name == name) {
                fractions = current;
                single = current_single;
            }
            path.removeLast();
        }
    }
    return xml.hasError() ? QList<double>() : fractions;
}

// Text: the "【答案】" lines in order, and the partial scores the question
// lines name ("选对但不全的得 2 分").
QStringList text_keys(const QByteArray &file, QStringList &partials)
{
    QStringList keys;
    static const QRegularExpression partial(QStringLiteral("选对但不全的得 (\\S+) 分"));
    for (const QString &line : QString::fromUtf8(file).split(QStringLiteral("\r\n"))) {
        if (line.startsWith(QStringLiteral("【答案】")))
            keys.append(line.mid(4));
        if (const auto m = partial.match(line); m.hasMatch())
            partials.append(m.captured(1));
    }
    return keys;
}

// Excel: per row of a choice question, "题型|答案|分值|部分得分".
QStringList xlsx_keys(const QByteArray &file)
{
    ExchangeError error;
    const SourceWorkbook book = read_xlsx(file, error);
    QStringList rows;
    if (error.failed() || book.sheets.empty())
        return {QStringLiteral("unreadable")};
    for (const SourceSheet::Row &row : book.sheets.front().rows) {
        QStringList cells(row.cells.begin(), row.cells.end());
        while (cells.size() < 11)
            cells.append(QString());
        if (cells[0] == QStringLiteral("单选题") || cells[0] == QStringLiteral("多选题"))
            rows.append(QStringList{cells[0], cells[8], cells[9], cells[10]}.join(u'|'));
    }
    return rows;
}

// Word, the key alone: the paragraphs of word/document.xml as text.
QStringList docx_paragraphs(const QByteArray &file)
{
    ExchangeError error;
    const auto zip = ZipArchive::open(file, error);
    if (!zip)
        return {QStringLiteral("no zip")};
    const std::optional<QByteArray> document =
        zip->read(QStringLiteral("word/document.xml"), error);
    if (!document)
        return {QStringLiteral("no document")};
    QXmlStreamReader xml(*document);
    QStringList paragraphs;
    QString paragraph;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement && xml.name() == QLatin1String("t"))
            paragraph += xml.readElementText();
        else if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("p"))
            paragraphs.append(std::exchange(paragraph, QString()));
    }
    return paragraphs;
}

// The key line under the heading of the kind: "1～2 BA" or "1～2 AC ABC".
QStringList docx_key(const QStringList &paragraphs, QuestionKind kind)
{
    const QString heading = kind == QuestionKind::SingleChoice ? QStringLiteral("单项选择题")
                                                               : QStringLiteral("多项选择题");
    for (int i = 0; i + 1 < paragraphs.size(); ++i) {
        if (!paragraphs[i].contains(heading))
            continue;
        QString line = paragraphs[i + 1];
        line.remove(QRegularExpression(QStringLiteral("^[0-9]+(～[0-9]+)?[ ．]*")));
        if (kind == QuestionKind::SingleChoice)
            return line.split(QString(), Qt::SkipEmptyParts);
        return line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    }
    return {QStringLiteral("no key under ") + heading};
}

QString number(double value)
{
    return QString::number(value, 'g', 10);
}

} // namespace

class TestExportMarks : public QObject
{
    Q_OBJECT

  private slots:
    void eachOption_isMarkedAsTheKeySaysInTheFile_data();
    void eachOption_isMarkedAsTheKeySaysInTheFile();
};

void TestExportMarks::eachOption_isMarkedAsTheKeySaysInTheFile_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("index");
    const std::pair<const char *, Format> formats[] = {{"gift", Format::Gift},
                                                       {"moodle-xml", Format::MoodleXml},
                                                       {"text", Format::Text},
                                                       {"xlsx", Format::Xlsx},
                                                       {"docx key", Format::DocxKey}};
    for (const auto &[label, format] : formats) {
        for (int i = 0; i < int(std::size(kCases)); ++i)
            QTest::addRow("%s, %s", label, kCases[i].name) << int(format) << i;
    }
}

// A single choice: the key's option is the right one (100 %), every other
// option wrong (0 %). A multiple choice of k right options: each right
// option earns 100/k % (together the whole mark, to the platforms'
// precision), each wrong one takes it all away (-100 %), and no option is
// marked "=" in GIFT, which would make the question single choice. Where the
// file writes the key as letters, the letters are the key's and the partial
// score is the question's own.
void TestExportMarks::eachOption_isMarkedAsTheKeySaysInTheFile()
{
    QFETCH(int, format);
    QFETCH(int, index);
    const Case &c = kCases[index];
    const PaperData paper = paper_of(c);
    const bool single = c.kind == QuestionKind::SingleChoice;
    const int right = letters_of(c.key).size();

    QList<double> expected;
    for (int i = 0; i < c.options; ++i) {
        const bool is_right = c.key & (1 << i);
        expected.append(single ? (is_right ? 100 : 0) : (is_right ? 100.0 / right : -100));
    }
    const auto compare_fractions = [&](const QList<double> &got) {
        QCOMPARE(got.size(), expected.size());
        double sum = 0;
        for (int i = 0; i < got.size(); ++i) {
            QVERIFY2(std::abs(got[i] - expected[i]) < 0.5e-5,
                     qPrintable(QStringLiteral("option %1: %2, not %3")
                                    .arg(QChar(u'A' + i))
                                    .arg(number(got[i]), number(expected[i]))));
            sum += got[i] > 0 ? got[i] : 0;
        }
        QVERIFY2(std::abs(sum - 100) < 1e-4, qPrintable(number(sum)));
    };

    switch (Format(format)) {
    case Format::Gift: {
        int equals = 0;
        compare_fractions(gift_fractions(export_gift(paper), question_name(c), equals));
        QCOMPARE(equals, single ? 1 : 0);
        break;
    }
    case Format::MoodleXml: {
        QString single_element;
        compare_fractions(
            moodle_fractions(export_moodle_xml(paper), question_name(c), single_element));
        QCOMPARE(single_element, single ? QStringLiteral("true") : QStringLiteral("false"));
        break;
    }
    case Format::Text: {
        QStringList partials;
        const QStringList keys = text_keys(export_text(paper), partials);
        const QString before = letters_of((single ? paper.onech : paper.somech)[0].answer);
        const QString other = letters_of((single ? paper.somech : paper.onech)[0].answer);
        const QStringList want = single ? QStringList{before, letters_of(c.key), other, "参考"}
                                        : QStringList{other, before, letters_of(c.key), "参考"};
        QCOMPARE(keys, want);
        QCOMPARE(partials, (single ? QStringList{"1"} : QStringList{"3", number(c.partial)}));
        break;
    }
    case Format::Xlsx: {
        const QStringList rows = xlsx_keys(export_xlsx(paper));
        const QString row = QStringList{single ? "单选题" : "多选题", letters_of(c.key),
                                        number(c.score), single ? "" : number(c.partial)}
                                .join(u'|');
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[single ? 1 : 2], row);
        break;
    }
    case Format::DocxKey: {
        const QStringList paragraphs =
            docx_paragraphs(export_docx(paper, {QStringLiteral("卷"), DocxContents::KeyOnly}));
        const QStringList key = docx_key(paragraphs, c.kind);
        QCOMPARE(key, QStringList({letters_of((single ? paper.onech : paper.somech)[0].answer),
                                   letters_of(c.key)}));
        QCOMPARE(docx_key(paragraphs,
                          single ? QuestionKind::MultipleChoice : QuestionKind::SingleChoice),
                 QStringList{QStringLiteral("C")});
        break;
    }
    }
}

QTEST_APPLESS_MAIN(TestExportMarks)
#include "test_export_marks.moc"
