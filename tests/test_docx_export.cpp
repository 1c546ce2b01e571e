// The paper as a Word document: a package Word opens, the options set four,
// two or one a line, the headings and the key in the conventions the import
// reads back, and the pages LibreOffice prints.

#include "exchange/docx_export.h"
#include "exchange/option_layout.h"
#include "exchange/option_lines.h"
#include "exchange/question_file.h"

#include "tests/docx_package_check.h"
#include "tests/question_summary.h"
#include "tests/random_paper.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

struct Paragraph {
    QString text; // with '\t' for each tab
    QList<int> tab_stops;
};

QByteArray part_of(const QByteArray &docx, const QString &name)
{
    ExchangeError error;
    const auto zip = ZipArchive::open(docx, error);
    return zip ? zip->read(name, error).value_or(QByteArray()) : QByteArray();
}

// The body's paragraphs as the document's XML has them.
QList<Paragraph> paragraphs_of(const QByteArray &docx)
{
    QList<Paragraph> found;
    QXmlStreamReader reader(part_of(docx, QStringLiteral("word/document.xml")));
    bool in_tab_stops = false;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement && reader.name() == QLatin1String("tabs"))
            in_tab_stops = false;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == QLatin1String("p"))
            found.append(Paragraph());
        else if (reader.name() == QLatin1String("tabs"))
            in_tab_stops = true;
        else if (reader.name() == QLatin1String("tab") && in_tab_stops)
            found.last().tab_stops.append(reader.attributes().value("w:pos").toInt());
        else if (reader.name() == QLatin1String("tab"))
            found.last().text += QLatin1Char('\t');
        else if (reader.name() == QLatin1String("t"))
            found.last().text += reader.readElementText();
    }
    return found;
}

QStringList texts_of(const QList<Paragraph> &paragraphs)
{
    QStringList texts;
    for (const Paragraph &paragraph : paragraphs)
        texts.append(paragraph.text);
    return texts;
}

// The paragraphs after the one that reads `heading`, up to the next empty one
// or heading ("二、…").
QStringList paragraphs_after(const QStringList &texts, const QString &heading)
{
    QStringList after;
    for (int i = texts.indexOf(heading) + 1; i > 0 && i < texts.size(); ++i) {
        if (texts[i].isEmpty() || texts[i].contains(QChar(0x3001)) || texts[i] == "参考答案")
            break;
        after.append(texts[i]);
    }
    return after;
}

QByteArray exported(const PaperData &paper, DocxContents contents = DocxContents::PaperAndKey)
{
    return export_docx(paper, {QStringLiteral("期中测试"), contents});
}

ChoiceQuestion choice(double score, double partial, OptionMask answer,
                      const QStringList &options = {QStringLiteral("甲"), QStringLiteral("乙"),
                                                    QStringLiteral("丙"), QStringLiteral("丁")})
{
    return {score, partial, answer, lay_out_options(QStringLiteral("下列说法正确的是"), options)};
}

PaperData read_back(const QByteArray &docx)
{
    return import_question_file(docx, ImportFormat::Docx, ImportScores{}).paper;
}

} // namespace

class TestDocxExport : public QObject
{
    Q_OBJECT

  private slots:
    void the_page_is_a4_in_song_at_five_point_size_data();
    void the_page_is_a4_in_song_at_five_point_size();
    void options_share_a_line_as_their_widths_allow_data();
    void options_share_a_line_as_their_widths_allow();
    void wide_characters_take_two_from_the_first_of_each_range_to_the_last_data();
    void wide_characters_take_two_from_the_first_of_each_range_to_the_last();
    void headings_give_the_scores_or_each_question_its_own_data();
    void headings_give_the_scores_or_each_question_its_own();
    void keys_go_in_runs_of_five_and_read_back_data();
    void keys_go_in_runs_of_five_and_read_back();
    void the_key_alone_is_the_key_of_the_paper();
    void papers_written_as_word_read_back_the_same();
    void texts_that_would_not_read_back_are_named();
    void libreoffice_prints_every_question_in_order();
};

void TestDocxExport::the_page_is_a4_in_song_at_five_point_size_data()
{
    QTest::addColumn<QString>("part");
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<QString>("value");
    const auto row = [](const char *name, const char *part, const char *element,
                        const char *attribute, const char *value) {
        QTest::newRow(name) << part << element << attribute << QString::fromUtf8(value);
    };
    row("Chinese in 宋体", "word/styles.xml", "rFonts", "w:eastAsia", "宋体");
    row("Latin in Times New Roman", "word/styles.xml", "rFonts", "w:ascii", "Times New Roman");
    row("五号", "word/styles.xml", "sz", "w:val", "21");
    row("A4 wide", "word/document.xml", "pgSz", "w:w", "11906");
    row("A4 high", "word/document.xml", "pgSz", "w:h", "16838");
    row("3.18 cm at the left", "word/document.xml", "pgMar", "w:left", "1803");
    row("2.54 cm at the top", "word/document.xml", "pgMar", "w:top", "1440");
    row("the footer named", "word/document.xml", "footerReference", "r:id", "rId3");
    row("the page number in the footer", "word/footer1.xml", "fldSimple", "w:instr", " PAGE ");
}

void TestDocxExport::the_page_is_a4_in_song_at_five_point_size()
{
    QFETCH(QString, part);
    QFETCH(QString, element);
    QFETCH(QString, attribute);
    QFETCH(QString, value);
    PaperData paper;
    paper.onech.push_back(choice(2, 0, 1));
    const QList<QXmlStreamAttributes> found =
        elements_named(part_of(exported(paper), part), element);
    QVERIFY(!found.isEmpty());
    QCOMPARE(found.front().value(attribute).toString(), value);
}

void TestDocxExport::options_share_a_line_as_their_widths_allow_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("per_line");
    QTest::addColumn<QList<int>>("tab_stops");
    const QList<int> quarters{2075, 4150, 6225};
    const QList<int> half{4150};
    // "A．" takes three of a quarter's 19 half-width characters, a column's
    // gap two: 14 Latin letters fit, 15 do not; seven Chinese ones fit,
    // eight do not.
    QTest::newRow("four short") << QStringList{"甲", "乙", "丙", "丁"} << 4 << quarters;
    QTest::newRow("three short ones on one line") << QStringList{"甲", "乙", "丙"} << 4 << quarters;
    QTest::newRow("a quarter full")
        << QStringList{"甲", QString(14, 'x'), "丙", "丁"} << 4 << quarters;
    QTest::newRow("past a quarter") << QStringList{"甲", QString(15, 'x'), "丙", "丁"} << 2 << half;
    QTest::newRow("seven Chinese")
        << QStringList{"甲", "下列说法正确是", "丙", "丁"} << 4 << quarters;
    QTest::newRow("eight Chinese")
        << QStringList{"甲", "下列说法都正确是", "丙", "丁"} << 2 << half;
    QTest::newRow("half full") << QStringList{"甲", QString(34, 'x'), "丙", "丁"} << 2 << half;
    QTest::newRow("past half") << QStringList{"甲", QString(35, 'x'), "丙", "丁"} << 1
                               << QList<int>{};
}

// Each range of wide characters at its first and last character, and the
// narrow ones just outside it.
void TestDocxExport::wide_characters_take_two_from_the_first_of_each_range_to_the_last_data()
{
    QTest::addColumn<uint>("code");
    QTest::addColumn<int>("width");
    const auto range = [](const char *name, uint first, uint last, bool narrow_after = true) {
        QTest::addRow("%s, before", name) << first - 1 << 1;
        QTest::addRow("%s, first", name) << first << 2;
        QTest::addRow("%s, last", name) << last << 2;
        if (narrow_after)
            QTest::addRow("%s, after", name) << last + 1 << 1;
    };
    range("Hangul jamo", 0x1100, 0x115F);
    range("CJK radicals to Yi", 0x2E80, 0xA4CF);
    range("Hangul syllables", 0xAC00, 0xD7A3);
    range("compatibility ideographs", 0xF900, 0xFAFF);
    range("vertical and compatibility forms", 0xFE30, 0xFE4F);
    range("full-width forms", 0xFF00, 0xFF60);
    range("full-width signs", 0xFFE0, 0xFFE6);
    range("supplementary ideographs", 0x20000, 0x3FFFD);
}

void TestDocxExport::wide_characters_take_two_from_the_first_of_each_range_to_the_last()
{
    QFETCH(uint, code);
    QFETCH(int, width);
    // Not QString::fromUcs4, which drops U+FEFF as a byte order mark.
    const QString character =
        QChar::requiresSurrogates(code)
            ? QString(QChar(QChar::highSurrogate(code))) + QChar(QChar::lowSurrogate(code))
            : QString(QChar(code));
    QCOMPARE(display_width(character), width);
    QCOMPARE(display_width(QStringLiteral("a") + character + QStringLiteral("甲")), width + 3);
}

void TestDocxExport::options_share_a_line_as_their_widths_allow()
{
    QFETCH(QStringList, options);
    QFETCH(int, per_line);
    QFETCH(QList<int>, tab_stops);
    PaperData paper;
    paper.onech.push_back(choice(2, 0, 1, options));
    const QList<Paragraph> paragraphs = paragraphs_of(exported(paper, DocxContents::Paper));
    QStringList lines;
    for (const Paragraph &paragraph : paragraphs) {
        if (!paragraph.text.contains(QStringLiteral("．")) || paragraph.text.startsWith('1'))
            continue;
        QStringList cells;
        for (int i = 0; i < per_line && lines.size() * per_line + i < options.size(); ++i)
            cells.append(QChar(u'A' + lines.size() * per_line + i) + QStringLiteral("．") +
                         options[lines.size() * per_line + i]);
        QCOMPARE(paragraph.text, cells.join('\t'));
        QCOMPARE(paragraph.tab_stops, tab_stops);
        lines.append(paragraph.text);
    }
    QCOMPARE(lines.size(), (options.size() + per_line - 1) / per_line);
}

void TestDocxExport::headings_give_the_scores_or_each_question_its_own_data()
{
    QTest::addColumn<bool>("multiple");
    QTest::addColumn<QList<double>>("scores");
    QTest::addColumn<QList<double>>("partials");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("second"); // the second question's first line

    QTest::newRow("single, equal") << false << QList<double>{2, 2} << QList<double>{0, 0}
                                   << "一、单项选择题（本大题共 2 小题，每小题 2 分，共 4 分）"
                                   << "2．下列说法正确的是";
    QTest::newRow("single, mixed") << false << QList<double>{2, 3.5} << QList<double>{0, 0}
                                   << "一、单项选择题（本大题共 2 小题，共 5.5 分）"
                                   << "2．（3.5 分）下列说法正确的是";
    QTest::newRow("multiple, equal")
        << true << QList<double>{4, 4} << QList<double>{2, 2}
        << "一、多项选择题（本大题共 2 小题，每小题 4 分，选对但不全的得 2 分，共 8 分）"
        << "2．下列说法正确的是";
    QTest::newRow("multiple, partial differs")
        << true << QList<double>{4, 4} << QList<double>{2, 1}
        << "一、多项选择题（本大题共 2 小题，共 8 分）"
        << "2．（4 分，选对但不全的得 1 分）下列说法正确的是";
}

void TestDocxExport::headings_give_the_scores_or_each_question_its_own()
{
    QFETCH(bool, multiple);
    QFETCH(QList<double>, scores);
    QFETCH(QList<double>, partials);
    QFETCH(QString, heading);
    QFETCH(QString, second);
    PaperData paper;
    for (int i = 0; i < scores.size(); ++i)
        (multiple ? paper.somech : paper.onech).push_back(choice(scores[i], partials[i], 3));
    paper.unch.push_back({10, QStringLiteral("简述理由。"), QString()});
    const QStringList texts = texts_of(paragraphs_of(exported(paper, DocxContents::Paper)));
    QCOMPARE(texts.mid(0, 2),
             (QStringList{"期中测试", "班级：________  姓名：________  学号：________"}));
    QCOMPARE(texts.value(2), heading);
    QVERIFY2(texts.contains(second), qPrintable(texts.join('|')));
    // The free answers come second, with eight lines to answer a 10-point question in.
    const int free =
        texts.indexOf(QStringLiteral("二、非选择题（本大题共 1 小题，每小题 10 分，共 10 分）"));
    QVERIFY(free > 0);
    QCOMPARE(texts.mid(free + 1), (QStringList{"1．简述理由。"} + QVector<QString>(8).toList()));
}

void TestDocxExport::keys_go_in_runs_of_five_and_read_back_data()
{
    QTest::addColumn<bool>("multiple");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("runs");
    QTest::addColumn<QString>("named"); // what is said not to read back

    QTest::newRow("single, eight") << false << QStringList{"B", "C", "A", "D", "B", "A", "C", "D"}
                                   << QStringList{"1～5 BCADB", "6～8 ACD"} << "";
    QTest::newRow("multiple, three")
        << true << QStringList{"AC", "BD", "ABC"} << QStringList{"1～3 AC BD ABC"} << "";
    QTest::newRow("multiple, six") << true << QStringList{"A", "B", "AB", "C", "D", "AC"}
                                   << QStringList{"1～5 A B AB C D", "6．AC"} << "";
    QTest::newRow("a question without a key")
        << false << QStringList{"B", "", "C", "D"} << QStringList{"1．B", "3～4 CD"}
        << "单选题 2 写成 Word 文档后读回会不同";
}

void TestDocxExport::keys_go_in_runs_of_five_and_read_back()
{
    QFETCH(bool, multiple);
    QFETCH(QStringList, keys);
    QFETCH(QStringList, runs);
    QFETCH(QString, named);
    PaperData paper;
    for (const QString &key : keys) {
        OptionMask mask = 0;
        for (const QChar letter : key)
            mask |= OptionMask(1 << (letter.unicode() - 'A'));
        (multiple ? paper.somech : paper.onech).push_back(choice(2, multiple ? 1 : 0, mask));
    }
    const QByteArray docx = exported(paper);
    const QStringList texts = texts_of(paragraphs_of(docx));
    const QStringList key = texts.mid(texts.indexOf(QStringLiteral("参考答案")));
    QCOMPARE(paragraphs_after(key, multiple ? QStringLiteral("一、多项选择题")
                                            : QStringLiteral("一、单项选择题")),
             runs);
    const QStringList differences = docx_export_differences(paper, docx);
    if (named.isEmpty())
        QCOMPARE(paper_summary(read_back(docx)), paper_summary(paper));
    else
        QVERIFY2(differences.size() == 1 && differences.front().startsWith(named),
                 qPrintable(differences.join('\n')));
}

void TestDocxExport::the_key_alone_is_the_key_of_the_paper()
{
    PaperData paper;
    paper.onech.push_back(choice(2, 0, 2));
    paper.somech.push_back(choice(4, 2, 5));
    paper.unch.push_back({10, QStringLiteral("简述理由。"), QStringLiteral("因为\n所以")});
    const QStringList whole = texts_of(paragraphs_of(exported(paper)));
    const QByteArray key_only = exported(paper, DocxContents::KeyOnly);
    QVERIFY2(word_package_faults(key_only).isEmpty(),
             qPrintable(word_package_faults(key_only).join('\n')));
    const QStringList key = whole.mid(whole.indexOf(QStringLiteral("参考答案")));
    QCOMPARE(texts_of(paragraphs_of(key_only)), QStringList{"期中测试"} + key);
    QCOMPARE(key, (QStringList{"参考答案", "一、单项选择题", "1．B", "二、多项选择题", "1．AC",
                               "三、非选择题", "1．因为", "所以"}));
}

void TestDocxExport::papers_written_as_word_read_back_the_same()
{
    QRandomGenerator random(20261209);
    for (int round = 0; round < 150; ++round) {
        const PaperData paper = random_paper(random);
        const QByteArray docx = exported(paper);
        QVERIFY2(word_package_faults(docx).isEmpty(),
                 qPrintable(word_package_faults(docx).join('\n')));
        QCOMPARE(exported(paper), docx);
        const ImportResult read = import_question_file(docx, ImportFormat::Docx, ImportScores{});
        QCOMPARE(paper_summary(read.paper), paper_summary(paper));
        QVERIFY(docx_export_differences(paper, docx).isEmpty());
        QVERIFY(word_package_faults(exported(paper, DocxContents::Paper)).isEmpty());
    }
}

void TestDocxExport::texts_that_would_not_read_back_are_named()
{
    PaperData paper;
    paper.unch.push_back({5, QStringLiteral("甲"), QStringLiteral("答")});
    QVERIFY(docx_export_differences(paper, exported(paper)).isEmpty());
    paper.unch.front().problem = QStringLiteral("甲\n2．乙");
    const QStringList differences = docx_export_differences(paper, exported(paper));
    QCOMPARE(differences.size(), 1);
    QVERIFY2(
        differences.front().startsWith(QStringLiteral("非选择题 1 写成 Word 文档后读回会不同")),
        qPrintable(differences.front()));
}

void TestDocxExport::libreoffice_prints_every_question_in_order()
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (soffice.isEmpty() || pdftotext.isEmpty())
        QSKIP("LibreOffice or pdftotext is not installed");
    QTemporaryDir dir;
    PaperData paper;
    paper.onech.push_back(choice(3, 0, 1));
    paper.onech.push_back(choice(3, 0, 2, {QString(20, 'x'), QString(20, 'y'), "z", "w"}));
    paper.somech.push_back(choice(4, 2, 3));
    paper.unch.push_back({12, QStringLiteral("简述理由。"), QStringLiteral("因为")});
    QFile file(dir.filePath("paper.docx"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(exported(paper)) > 0);
    file.close();
    QProcess convert;
    convert.setWorkingDirectory(dir.path());
    convert.start(
        soffice,
        {"-env:UserInstallation=" + QUrl::fromLocalFile(dir.filePath("profile")).toString(),
         "--headless", "--convert-to", "pdf", "--outdir", dir.path(), dir.filePath("paper.docx")});
    QVERIFY(convert.waitForFinished(120000));
    QProcess text;
    text.start(pdftotext, {dir.filePath("paper.pdf"), "-"});
    QVERIFY(text.waitForFinished(30000));
    // pdftotext gives the spaces as the layout puts them.
    const QString printed =
        QString::fromUtf8(text.readAllStandardOutput()).remove(QRegularExpression("\\s"));
    const QStringList expected{
        "期中测试",
        "班级：________  姓名：________  学号：________",
        "一、单项选择题（本大题共 2 小题，每小题 3 分，共 6 分）",
        "1．下列说法正确的是",
        "A．甲",
        "B．乙",
        "C．丙",
        "D．丁",
        "2．下列说法正确的是",
        "A．" + QString(20, 'x'),
        "B．" + QString(20, 'y'),
        "C．z",
        "D．w",
        "二、多项选择题（本大题共 1 小题，每小题 4 分，选对但不全的得 2 分，共 4 分）",
        "1．下列说法正确的是",
        "三、非选择题（本大题共 1 小题，每小题 12 分，共 12 分）",
        "1．简述理由。",
        "第 1 页 共 2 页",
        "参考答案",
        "1～2 AB",
        "1．AB",
        "1．因为",
        "第 2 页 共 2 页"};
    int at = 0;
    for (QString piece : expected) {
        piece.remove(' ');
        const int found = printed.indexOf(piece, at);
        QVERIFY2(
            found >= 0,
            qPrintable(QStringLiteral("%1 not after %2 in:\n%3").arg(piece).arg(at).arg(printed)));
        at = found + piece.size();
    }
}

QTEST_GUILESS_MAIN(TestDocxExport)
#include "test_docx_export.moc"
