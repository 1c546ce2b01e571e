// Numbers derived from scores, at values that do not halve or add evenly: a
// multiple-choice question's partial score where a file gives none, the
// totals of the exported sections, the lines left for a free answer.

#include "exchange/docx_export.h"
#include "exchange/exchange.h"
#include "exchange/question_file.h"
#include "exchange/text_export.h"
#include "exchange/zip_archive.h"

#include <QXmlStreamReader>
#include <QtTest>

namespace
{

enum class Source { Gift, MoodleXml, Text, Csv };

QByteArray source_file(Source source, double score)
{
    const QByteArray grade = QByteArray::number(score, 'g', 10);
    switch (source) {
    case Source::Gift:
        return "::q::Pick{\n~%50%a\n~%50%b\n~%-100%c\n}\n";
    case Source::MoodleXml:
        return "<quiz><question type=\"multichoice\"><name><text>q</text></name>"
               "<questiontext><text>Pick</text></questiontext><defaultgrade>" +
               grade +
               "</defaultgrade><single>false</single>"
               "<answer fraction=\"50\"><text>a</text></answer>"
               "<answer fraction=\"50\"><text>b</text></answer>"
               "<answer fraction=\"-100\"><text>c</text></answer></question></quiz>";
    case Source::Text:
        return QStringLiteral("一、多项选择题（每小题%1分）\n1．Pick\nA．a\nB．b\nC．c\n答案：AB\n")
            .arg(QString::fromLatin1(grade))
            .toUtf8();
    case Source::Csv:
        return QStringLiteral("题型,题干,选项A,选项B,选项C,答案,分值\n多选题,Pick,a,b,c,AB,%1\n")
            .arg(QString::fromLatin1(grade))
            .toUtf8();
    }
    return {};
}

ImportFormat format_of(Source source)
{
    switch (source) {
    case Source::Gift:
        return ImportFormat::Gift;
    case Source::MoodleXml:
        return ImportFormat::MoodleXml;
    case Source::Text:
        return ImportFormat::Text;
    case Source::Csv:
        return ImportFormat::Csv;
    }
    return ImportFormat::Auto;
}

// The paragraphs of the Word document's body, as text.
QStringList docx_texts(const QByteArray &docx)
{
    ExchangeError error;
    const auto zip = ZipArchive::open(docx, error);
    QXmlStreamReader xml(
        zip ? zip->read(QStringLiteral("word/document.xml"), error).value_or(QByteArray())
            : QByteArray());
    QStringList texts;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement && xml.name() == QLatin1String("p"))
            texts.append(QString());
        else if (token == QXmlStreamReader::StartElement && xml.name() == QLatin1String("t"))
            texts.last() += xml.readElementText();
    }
    return texts;
}

} // namespace

class TestDerivedScores : public QObject
{
    Q_OBJECT

  private slots:
    void importedPartialScore_isHalfTheScoreRoundedDown_data();
    void importedPartialScore_isHalfTheScoreRoundedDown();
    void sectionTotal_isTheSumToTheHundredth_data();
    void sectionTotal_isTheSumToTheHundredth();
    void freeAnswerLines_threeAndOneForEveryTwoPointsUpToTwelve_data();
    void freeAnswerLines_threeAndOneForEveryTwoPointsUpToTwelve();
};

void TestDerivedScores::importedPartialScore_isHalfTheScoreRoundedDown_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<double>("score");
    QTest::addColumn<double>("partial");
    const std::pair<const char *, Source> sources[] = {{"gift", Source::Gift},
                                                       {"moodle-xml", Source::MoodleXml},
                                                       {"text", Source::Text},
                                                       {"csv", Source::Csv}};
    // Odd hundredths round down; the smallest score leaves nothing to halve.
    const std::pair<double, double> scores[] = {{4, 2},       {4.01, 2},          {2.5, 1.25},
                                                {3.33, 1.66}, {1.99, 0.99},       {0.03, 0.01},
                                                {0.01, 0},    {9999.99, 4999.99}, {10000, 5000}};
    for (const auto &[label, source] : sources) {
        for (const auto &[score, partial] : scores)
            QTest::addRow("%s, %g", label, score) << int(source) << score << partial;
    }
}

void TestDerivedScores::importedPartialScore_isHalfTheScoreRoundedDown()
{
    QFETCH(int, source);
    QFETCH(double, score);
    QFETCH(double, partial);
    ImportScores scores;
    scores.multiple_choice = score; // GIFT carries no score of its own
    const ImportResult result =
        import_question_file(source_file(Source(source), score), format_of(Source(source)), scores);
    QVERIFY(!result.failure.failed());
    QCOMPARE(result.paper.somech.size(), size_t(1));
    QCOMPARE(result.paper.somech[0].score, score);
    QCOMPARE(result.paper.somech[0].partial_score, partial);
    QCOMPARE(result.paper.somech[0].answer, OptionMask(0b11));
}

void TestDerivedScores::sectionTotal_isTheSumToTheHundredth_data()
{
    QTest::addColumn<QList<double>>("scores");
    QTest::addColumn<QString>("total");
    QTest::addColumn<bool>("word"); // Word, else the text export
    const std::pair<QList<double>, QString> sums[] = {
        {{0.1, 0.2}, "（本大题共 2 小题，共 0.3 分）"},
        {{33.33, 33.33, 33.33}, "（本大题共 3 小题，每小题 33.33 分，共 99.99 分）"},
        {{4.01, 2.02, 0.07}, "（本大题共 3 小题，共 6.1 分）"},
        {{0.01}, "（本大题共 1 小题，每小题 0.01 分，共 0.01 分）"},
        {{9999.99, 0.01}, "（本大题共 2 小题，共 10000 分）"}};
    for (bool word : {false, true}) {
        for (const auto &[scores, total] : sums)
            QTest::addRow("%s, %s", word ? "word" : "text", qPrintable(total))
                << scores << total << word;
    }
}

// A section's heading adds its free-answer scores: the sum of doubles such as
// 0.1 and 0.2 is written as a teacher would add them, and the scores of a
// section all alike are named once.
void TestDerivedScores::sectionTotal_isTheSumToTheHundredth()
{
    QFETCH(QList<double>, scores);
    QFETCH(QString, total);
    QFETCH(bool, word);
    PaperData paper;
    for (double score : scores)
        paper.unch.push_back({score, QStringLiteral("简答"), QStringLiteral("答")});
    const QString heading = QStringLiteral("一、非选择题") + total;
    if (word) {
        const QStringList texts = docx_texts(export_docx(paper, {QStringLiteral("卷"), {}}));
        QVERIFY2(texts.contains(heading), qPrintable(texts.join(u'|')));
    } else {
        const QStringList lines =
            QString::fromUtf8(export_text(paper)).split(QStringLiteral("\r\n"));
        QVERIFY2(lines.contains(heading), qPrintable(lines.join(u'|')));
    }
}

void TestDerivedScores::freeAnswerLines_threeAndOneForEveryTwoPointsUpToTwelve_data()
{
    QTest::addColumn<double>("score");
    QTest::addColumn<int>("lines");
    const std::pair<double, int> rows[] = {{0.5, 3}, {1.99, 3},   {2, 4},   {3.99, 4},
                                           {5, 5},   {17.99, 11}, {18, 12}, {19.99, 12},
                                           {20, 12}, {10000, 12}};
    for (const auto &[score, lines] : rows)
        QTest::addRow("%g points", score) << score << lines;
}

void TestDerivedScores::freeAnswerLines_threeAndOneForEveryTwoPointsUpToTwelve()
{
    QFETCH(double, score);
    QFETCH(int, lines);
    PaperData paper;
    paper.unch.push_back({score, QStringLiteral("简答"), QStringLiteral("答")});
    paper.unch.push_back({1, QStringLiteral("再答"), QStringLiteral("答")});
    const QStringList texts = docx_texts(export_docx(paper, {QStringLiteral("卷"), {}}));
    const int first = texts.indexOf(QStringLiteral("1．（%1 分）简答").arg(score));
    const int second = texts.indexOf(QStringLiteral("2．（1 分）再答"));
    QVERIFY2(first > 0 && second > first, qPrintable(texts.join(u'|')));
    QCOMPARE(texts.mid(first + 1, second - first - 1), QVector<QString>(lines).toList());
}

QTEST_APPLESS_MAIN(TestDerivedScores)
#include "test_derived_scores.moc"
