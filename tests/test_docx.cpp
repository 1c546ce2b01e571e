// The Word reader: documents built here from their XML parts, read into the
// lines the conventions parser makes questions of, and hostile files refused.

#include "exchange/docx.h"
#include "exchange/exchange_messages.h"

#include <QBuffer>
#include <QtTest>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>
#include <zlib.h>

namespace
{

using Entries = std::vector<std::pair<QString, QByteArray>>;

QByteArray zip_of(const Entries &entries)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdCreate))
        return QByteArray();
    for (const auto &entry : entries) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(entry.first)))
            return QByteArray();
        file.write(entry.second);
        file.close();
    }
    zip.close();
    return bytes;
}

const char kNamespaces[] =
    R"( xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main")"
    R"( xmlns:m="http://schemas.openxmlformats.org/officeDocument/2006/math")"
    R"( xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006")"
    R"( xmlns:wp="http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing")"
    R"( xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main")"
    R"( xmlns:wps="http://schemas.microsoft.com/office/word/2010/wordprocessingShape")"
    R"( xmlns:v="urn:schemas-microsoft-com:vml" xmlns:o="urn:schemas-microsoft-com:office:office")";

QByteArray part(const char *root, const QString &content)
{
    return QByteArray(R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)") + "<w:" + root +
           kNamespaces + ">" + content.toUtf8() + "</w:" + root + ">";
}

// A package as Word writes it, reduced to the parts the reader looks at.
Entries package(const QString &body, const QString &numbering = {}, const QString &styles = {})
{
    Entries entries = {
        {"[Content_Types].xml",
         R"(<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
         R"(<Default Extension="xml" ContentType="application/xml"/>)"
         R"(<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/></Types>)"},
        {"_rels/.rels",
         R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
         R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/></Relationships>)"},
        {"word/document.xml", part("document", "<w:body>" + body + "</w:body>")},
    };
    if (!numbering.isEmpty())
        entries.emplace_back("word/numbering.xml", part("numbering", numbering));
    if (!styles.isEmpty())
        entries.emplace_back("word/styles.xml", part("styles", styles));
    return entries;
}

QByteArray docx(const QString &body, const QString &numbering = {}, const QString &styles = {})
{
    return zip_of(package(body, numbering, styles));
}

QString run(const QString &text, const QString &properties = {})
{
    return "<w:r><w:rPr>" + properties + R"(</w:rPr><w:t xml:space="preserve">)" + text +
           "</w:t></w:r>";
}

QString para(const QString &content, const QString &properties = {})
{
    return "<w:p><w:pPr>" + properties + "</w:pPr>" + content + "</w:p>";
}

QString p(const QString &text)
{
    return para(run(text));
}

QString numbered(int num_id, int level, const QString &text)
{
    return para(run(text),
                QStringLiteral(R"(<w:numPr><w:ilvl w:val="%1"/><w:numId w:val="%2"/></w:numPr>)")
                    .arg(level)
                    .arg(num_id));
}

QString level(int index, const QString &format, const QString &text, const QString &more = {},
              int start = 1)
{
    return QStringLiteral(R"(<w:lvl w:ilvl="%1"><w:start w:val="%2"/><w:numFmt w:val="%3"/>)"
                          R"(<w:lvlText w:val="%4"/>%5</w:lvl>)")
        .arg(index)
        .arg(start)
        .arg(format, text, more);
}

QString list(int id, const QString &levels)
{
    return QStringLiteral(R"(<w:abstractNum w:abstractNumId="%1">%2</w:abstractNum>)")
        .arg(id)
        .arg(levels);
}

QString num(int id, int abstract_id, const QString &overrides = {})
{
    return QStringLiteral(R"(<w:num w:numId="%1"><w:abstractNumId w:val="%2"/>%3</w:num>)")
        .arg(id)
        .arg(abstract_id)
        .arg(overrides);
}

QString cell(const QString &content)
{
    return "<w:tc><w:tcPr/>" + content + "</w:tc>";
}

QString table(const QStringList &rows)
{
    return "<w:tbl><w:tblPr/><w:tblGrid/><w:tr>" + rows.join("</w:tr><w:tr>") + "</w:tr></w:tbl>";
}

QString text_box(const QString &paragraphs)
{
    return R"(<w:r><mc:AlternateContent><mc:Choice Requires="wps"><w:drawing><wp:anchor>)"
           R"(<wp:docPr id="1" name="文本框 1"/><a:graphic><a:graphicData><wps:wsp><wps:txbx>)"
           "<w:txbxContent>" +
           paragraphs +
           "</w:txbxContent></wps:txbx></wps:wsp></a:graphicData></a:graphic></wp:anchor>"
           "</w:drawing></mc:Choice><mc:Fallback><w:pict><v:shape><v:textbox><w:txbxContent>" +
           paragraphs +
           "</w:txbxContent></v:textbox></v:shape></w:pict></mc:Fallback>"
           "</mc:AlternateContent></w:r>";
}

QString math(const QString &content)
{
    return "<w:p>" + run("解：") + "<m:oMath>" + content + "</m:oMath></w:p>";
}

QString mr(const QString &text)
{
    return "<m:r><m:t>" + text + "</m:t></m:r>";
}

QString texts(const SourceDocument &document)
{
    QStringList lines;
    for (const SourceLine &line : document.lines)
        lines << line.text;
    return lines.join(" | ");
}

QString ranges(const SourceLine &line)
{
    QStringList shown;
    for (const auto &range : line.marked)
        shown << QStringLiteral("%1-%2").arg(range.first).arg(range.second);
    return shown.join(' ');
}

// A deflated stream of `size` zeros, made from one flushed megabyte
// repeated: each block stands alone, so the copies chain into one stream.
QByteArray deflated_zeros(qint64 size, quint32 *crc)
{
    const int chunk = 1 << 20;
    const QByteArray zeros(chunk, '\0');
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray block(chunk, '\0');
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(zeros.data()));
    stream.avail_in = uInt(chunk);
    stream.next_out = reinterpret_cast<Bytef *>(block.data());
    stream.avail_out = uInt(block.size());
    deflate(&stream, Z_FULL_FLUSH);
    block.truncate(block.size() - int(stream.avail_out));
    QByteArray end(64, '\0');
    stream.next_out = reinterpret_cast<Bytef *>(end.data());
    stream.avail_out = uInt(end.size());
    deflate(&stream, Z_FINISH);
    end.truncate(end.size() - int(stream.avail_out));
    deflateEnd(&stream);

    const uLong chunk_crc = crc32(0, reinterpret_cast<const Bytef *>(zeros.data()), uInt(chunk));
    uLong total_crc = crc32(0, nullptr, 0);
    QByteArray out;
    for (qint64 done = 0; done < size; done += chunk) {
        out += block;
        total_crc = crc32_combine(total_crc, chunk_crc, chunk);
    }
    *crc = quint32(total_crc);
    return out + end;
}

// word/document.xml inflating to a gigabyte of zeros from about a megabyte.
QByteArray zip_bomb()
{
    const qint64 size = qint64(1) << 30;
    quint32 crc = 0;
    const QByteArray deflated = deflated_zeros(size, &crc);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    zip.open(QuaZip::mdCreate);
    QuaZipFile file(&zip);
    QuaZipNewInfo info(QStringLiteral("word/document.xml"));
    info.uncompressedSize = ulong(size);
    file.open(QIODevice::WriteOnly, info, nullptr, crc, Z_DEFLATED, 9, true);
    file.write(deflated);
    file.close();
    zip.close();
    return bytes;
}

QByteArray many_entries(int count)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    zip.open(QuaZip::mdCreate);
    for (int i = 0; i < count; ++i) {
        QuaZipFile file(&zip);
        file.open(QIODevice::WriteOnly, QuaZipNewInfo(QString::number(i)), nullptr, 0, 0, 0);
        file.close();
    }
    zip.close();
    return bytes;
}

} // namespace

Q_DECLARE_METATYPE(ExchangeError::What)

class TestDocx : public QObject
{
    Q_OBJECT

  private slots:
    void lines_data();
    void lines();
    void places();
    void partsWhereTheRelationshipsPutThem();
    void marked_data();
    void marked();
    void changes_data();
    void changes();
    void otherPartsNotRead();
    void refused_data();
    void refused();
    void largeDocumentReadsWhole();
};

void TestDocx::lines_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("numbering");
    QTest::addColumn<QString>("styles");
    QTest::addColumn<QString>("lines"); // the lines' texts, joined by " | "

    const QString no_suffix = R"(<w:suff w:val="nothing"/>)";
    const QString decimal = list(0, level(0, "decimal", "%1.")) + num(1, 0);
    QTest::newRow("numbers") << numbered(1, 0, "甲") + p("说明") + numbered(1, 0, "乙") << decimal
                             << ""
                             << "1.\t甲 | 说明 | 2.\t乙";
    QTest::newRow("letters, full-width stop, no suffix")
        << numbered(1, 0, "x") + numbered(1, 0, "y")
        << list(0, level(0, "upperLetter", "%1．", no_suffix)) + num(1, 0) << ""
        << "A．x | B．y";
    QTest::newRow("lower letters and a space")
        << numbered(1, 0, "x")
        << list(0, level(0, "lowerLetter", "%1)", R"(<w:suff w:val="space"/>)")) + num(1, 0) << ""
        << "a) x";
    QTest::newRow("Chinese counting past ten")
        << numbered(1, 0, "a") + numbered(1, 0, "b") + numbered(1, 0, "c")
        << list(0, level(0, "chineseCounting", "%1、", no_suffix, 9)) + num(1, 0) << ""
        << "九、a | 十、b | 十一、c";
    QTest::newRow("full-width brackets")
        << numbered(1, 0, "x") + numbered(1, 0, "y")
        << list(0, level(0, "decimal", "（%1）", no_suffix)) + num(1, 0) << ""
        << "（1）x | （2）y";
    QTest::newRow("circled") << numbered(1, 0, "x") + numbered(1, 0, "y")
                             << list(0, level(0, "decimalEnclosedCircle", "%1", no_suffix)) +
                                    num(1, 0)
                             << ""
                             << "①x | ②y";
    QTest::newRow("a lower level starts again under the next higher")
        << numbered(1, 0, "a") + numbered(1, 1, "b") + numbered(1, 1, "c") + numbered(1, 0, "d") +
               numbered(1, 1, "e")
        << list(0, level(0, "decimal", "%1.") + level(1, "decimal", "%1.%2")) + num(1, 0) << ""
        << "1.\ta | 1.1\tb | 1.2\tc | 2.\td | 2.1\te";
    // A level's text may be longer than its format's name: "%1.%2.%3." is
    // nine characters, "decimal" seven.
    QTest::newRow("a third level numbered by all three")
        << numbered(1, 0, "a") + numbered(1, 1, "b") + numbered(1, 2, "c") + numbered(1, 2, "d")
        << list(0, level(0, "decimal", "%1.") + level(1, "decimal", "%1.%2.") +
                       level(2, "decimal", "%1.%2.%3.")) +
               num(1, 0)
        << ""
        << "1.\ta | 1.1.\tb | 1.1.1.\tc | 1.1.2.\td";
    QTest::newRow("a new list told to start again")
        << numbered(1, 0, "a") + numbered(1, 0, "b") + numbered(2, 0, "c") + numbered(2, 0, "d")
        << decimal +
               num(2, 0,
                   R"(<w:lvlOverride w:ilvl="0"><w:startOverride w:val="1"/></w:lvlOverride>)")
        << ""
        << "1.\ta | 2.\tb | 1.\tc | 2.\td";
    const QString option_style = R"(<w:pStyle w:val="Option"/>)";
    QTest::newRow("numbered by the paragraph's style")
        << para(run("x"), option_style) + para(run("y"), option_style) +
               para(run("z"), option_style + R"(<w:numPr><w:numId w:val="0"/></w:numPr>)")
        << list(0, level(0, "upperLetter", "%1．", no_suffix)) + num(1, 0)
        << R"(<w:style w:type="paragraph" w:styleId="Option"><w:basedOn w:val="Normal"/>)"
           R"(<w:pPr><w:numPr><w:numId w:val="1"/></w:numPr></w:pPr></w:style>)"
        << "A．x | B．y | z";
    // Word's heading numbering: each level names the style it numbers, and
    // the styles name only the list.
    const QString question_style = R"(<w:pStyle w:val="Question"/>)";
    const QString choice_style = R"(<w:pStyle w:val="Choice"/>)";
    QTest::newRow("list levels tied to paragraph styles")
        << para(run("甲"), question_style) + para(run("x"), choice_style) +
               para(run("y"), choice_style) + para(run("乙"), question_style) +
               para(run("z"), choice_style)
        << list(0, level(0, "decimal", "%1.", question_style) +
                       level(1, "upperLetter", "%2．", choice_style + no_suffix)) +
               num(1, 0)
        << R"(<w:style w:type="paragraph" w:styleId="Question">)"
           R"(<w:pPr><w:numPr><w:numId w:val="1"/></w:numPr></w:pPr></w:style>)"
           R"(<w:style w:type="paragraph" w:styleId="Choice">)"
           R"(<w:pPr><w:numPr><w:numId w:val="1"/></w:numPr></w:pPr></w:style>)"
        << "1.\t甲 | A．x | B．y | 2.\t乙 | A．z";
    QTest::newRow("a paragraph's own level over its style's")
        << para(run("x"), choice_style) +
               para(run("y"), choice_style + R"(<w:numPr><w:ilvl w:val="0"/></w:numPr>)")
        << list(0, level(0, "decimal", "%1.") + level(1, "upperLetter", "%2．", no_suffix)) +
               num(1, 0)
        << R"(<w:style w:type="paragraph" w:styleId="Choice"><w:pPr><w:numPr>)"
           R"(<w:ilvl w:val="1"/><w:numId w:val="1"/></w:numPr></w:pPr></w:style>)"
        << "A．x | 1.\ty";
    // Word's list styles: the list a paragraph names holds only a link to a
    // style, whose list holds the levels.
    QTest::newRow("a list drawn from a list style")
        << numbered(2, 0, "x") + numbered(2, 0, "y")
        << list(0, R"(<w:styleLink w:val="Questions"/>)" + level(0, "decimal", "%1.")) +
               R"(<w:abstractNum w:abstractNumId="1"><w:numStyleLink w:val="Questions"/>)"
               R"(</w:abstractNum>)" +
               num(1, 0) + num(2, 1)
        << R"(<w:style w:type="numbering" w:styleId="Questions"><w:pPr><w:numPr>)"
           R"(<w:numId w:val="1"/></w:numPr></w:pPr></w:style>)"
        << "1.\tx | 2.\ty";
    QTest::newRow("Roman numerals, upper and lower")
        << numbered(1, 0, "a") + numbered(1, 0, "b") + numbered(2, 0, "c")
        << list(0, level(0, "upperRoman", "%1.", {}, 3)) +
               list(1, level(0, "lowerRoman", "(%1)", no_suffix, 1999)) + num(1, 0) + num(2, 1)
        << ""
        << "III.\ta | IV.\tb | (mcmxcix)c";
    QTest::newRow("bullets draw no number")
        << numbered(1, 0, "x") << list(0, level(0, "bullet", "")) + num(1, 0) << ""
        << "x";
    // Word writes "01, 02, …" as a custom format, with decimalZero for older
    // versions in the fallback.
    QTest::newRow("a leading zero below ten, in Word's new format and its old one")
        << numbered(1, 0, "a") + numbered(1, 0, "b") + numbered(2, 0, "c")
        << list(
               0,
               R"(<w:lvl w:ilvl="0"><w:start w:val="9"/><mc:AlternateContent>)"
               R"(<mc:Choice Requires="w14"><w:numFmt w:val="custom" w:format="01, 02, 03, ..."/>)"
               R"(</mc:Choice><mc:Fallback><w:numFmt w:val="decimalZero"/></mc:Fallback>)"
               R"(</mc:AlternateContent><w:lvlText w:val="%1."/><w:suff w:val="nothing"/></w:lvl>)") +
               list(1, level(0, "decimalZero", "%1.", no_suffix)) + num(1, 0) + num(2, 1)
        << ""
        << "09.a | 10.b | 01.c";
    QTest::newRow("heavenly stems and earthly branches to their last")
        << numbered(1, 0, "a") + numbered(1, 0, "b") + numbered(2, 0, "c") + numbered(2, 0, "d")
        << list(0, level(0, "ideographTraditional", QStringLiteral("%1、"), no_suffix, 9)) +
               list(1, level(0, "ideographZodiac", QStringLiteral("（%1）"), no_suffix, 11)) +
               num(1, 0) + num(2, 1)
        << "" << QStringLiteral("壬、a | 癸、b | （戌）c | （亥）d");
    QTest::newRow("full-width digits past nine")
        << numbered(1, 0, "a") + numbered(1, 0, "b")
        << list(0, level(0, "decimalFullWidth", QStringLiteral("%1．"), no_suffix, 9)) + num(1, 0)
        << "" << QStringLiteral("９．a | １０．b");
    QTest::newRow("Chinese counting with a zero inside")
        << numbered(1, 0, "a") + numbered(2, 0, "b") + numbered(3, 0, "c")
        << list(0, level(0, "chineseCounting", QStringLiteral("%1、"), no_suffix, 101)) +
               list(1,
                    level(0, "chineseCountingThousand", QStringLiteral("%1、"), no_suffix, 1001)) +
               list(2,
                    level(0, "chineseCountingThousand", QStringLiteral("%1、"), no_suffix, 1010)) +
               num(1, 0) + num(2, 1) + num(3, 2)
        << "" << QStringLiteral("一百〇一、a | 一千零一、b | 一千零一十、c");
    QTest::newRow("a format of no number, and one not known, as digits")
        << numbered(1, 0, "a") + numbered(2, 0, "b")
        << list(0, level(0, "none", "%1")) + list(1, level(0, "koreanDigital", "%1.", {}, 3)) +
               num(1, 0) + num(2, 1)
        << ""
        << "a | 3.\tb";
    // A list may replace a level of the list it draws on with a whole level
    // of its own; the levels below it write that level's number its way.
    QTest::newRow("a level replaced by the list that uses it")
        << numbered(2, 0, "x") + numbered(2, 1, "y") + numbered(2, 0, "z")
        << list(0, level(0, "decimal", "%1.") + level(1, "decimal", "%1.%2")) +
               num(2, 0,
                   R"(<w:lvlOverride w:ilvl="0"><w:lvl w:ilvl="0"><w:start w:val="1"/>)"
                   R"x(<w:numFmt w:val="upperLetter"/><w:lvlText w:val="%1)"/></w:lvl></w:lvlOverride>)x")
        << ""
        << "A)\tx | A.1\ty | B)\tz";
    // lvlRestart names, counting from 1, the level after which this one
    // starts again; 0 never.
    QTest::newRow("levels that start again only after the level named, or never")
        << numbered(1, 0, QStringLiteral("一")) + numbered(1, 2, "a") +
               numbered(1, 1, QStringLiteral("二")) + numbered(1, 2, "b") +
               numbered(1, 0, QStringLiteral("三")) + numbered(1, 2, "c") +
               numbered(1, 1, QStringLiteral("四"))
        << list(0,
                level(0, "decimal", "%1.") +
                    level(1, "decimal", "%2.", R"(<w:lvlRestart w:val="0"/>)") +
                    level(2, "lowerLetter", "(%3)", R"(<w:lvlRestart w:val="1"/>)" + no_suffix)) +
               num(1, 0)
        << "" << QStringLiteral("1.\t一 | (a)a | 1.\t二 | (b)b | 2.\t三 | (a)c | 2.\t四");
    // Legal numbering writes the higher levels' numbers as digits: "一、" then "1.1".
    QTest::newRow("legal numbering, on and off")
        << numbered(1, 0, "a") + numbered(1, 1, "b") + numbered(2, 0, "c") + numbered(2, 1, "d")
        << list(0, level(0, "chineseCounting", QStringLiteral("%1、"), no_suffix) +
                       level(1, "decimal", "%1.%2", "<w:isLgl/>")) +
               list(1, level(0, "upperRoman", "%1.") +
                           level(1, "decimal", "%1.%2", R"(<w:isLgl w:val="0"/>)")) +
               num(1, 0) + num(2, 1)
        << "" << QStringLiteral("一、a | 1.1\tb | I.\tc | I.1\td");
    // A list of a list style that names the list again, a list of no list
    // and a number of no list: the text stays, unnumbered.
    QTest::newRow("lists that lead round in a circle or nowhere")
        << numbered(1, 0, "x") + numbered(2, 0, "y") + numbered(3, 0, "z")
        << list(0, R"(<w:numStyleLink w:val="Loop"/>)" + level(0, "decimal", "%1.")) + num(1, 0) +
               num(2, 9)
        << R"(<w:style w:type="numbering" w:styleId="Loop"><w:pPr><w:numPr>)"
           R"(<w:numId w:val="1"/></w:numPr></w:pPr></w:style>)"
        << "x | y | z";

    QTest::newRow("options in a 2×2 table")
        << table({cell(p("A．x")) + cell(p("B．y")), cell(p("C．z")) + cell(p("D．w"))}) << ""
        << ""
        << "A．x\tB．y | C．z\tD．w";
    QTest::newRow("a cell's paragraphs and a nested table flattened")
        << table({cell(p("a") + p("b")) +
                  cell(table({cell(p("c")) + cell(p("d")), cell(p("e"))}) + p("")) + cell(p(""))}) +
               p("f")
        << ""
        << ""
        << "a\tb\tc\td\te\t\t | f";

    QTest::newRow("tabs, breaks, hyphens and symbols")
        << R"(<w:p><w:r><w:t>a</w:t><w:tab/><w:t>b</w:t><w:br/><w:t>c</w:t><w:br w:type="page"/>)"
           R"(<w:cr/><w:t>d</w:t><w:noBreakHyphen/><w:t>e</w:t><w:sym w:font="Symbol" w:char="F0B7"/>)"
           R"(<w:sym w:font="SimSun" w:char="00D7"/></w:r></w:p>)"
        << ""
        << ""
        << "a\tb\nc\nd-e×";
    QTest::newRow("tracked changes as accepted")
        << "<w:p>" + run("今天") + "<w:ins>" + run("是") +
               "</w:ins><w:del><w:r><w:delText>不是</w:delText><w:tab/></w:r></w:del>" +
               "<w:moveFrom>" + run("阴天") + "</w:moveFrom><w:moveTo>" + run("晴天") +
               "</w:moveTo></w:p>"
        << ""
        << ""
        << "今天是晴天";
    QTest::newRow("a phonetic guide above characters")
        << "<w:p><w:r><w:ruby><w:rubyPr/><w:rt>" + run("zhòng") + "</w:rt><w:rubyBase>" +
               run("重") + "</w:rubyBase></w:ruby></w:r>" + run("要") + "</w:p>"
        << ""
        << ""
        << "重要";
    QTest::newRow("a text box read once, after its paragraph")
        << "<w:p>" + run("如图") + text_box(p("A．1") + p("B．2")) + "</w:p>" + p("下一题") << ""
        << ""
        << "如图 | A．1 | B．2 | 下一题";
    QTest::newRow("content controls")
        << R"(<w:sdt><w:sdtPr><w:alias w:val="题干"/><w:text/></w:sdtPr><w:sdtContent>)" +
               p("题一") +
               R"(</w:sdtContent></w:sdt><w:p><w:sdt><w:sdtPr><w:tag w:val="t"/></w:sdtPr><w:sdtContent>)" +
               run("A．") + "</w:sdtContent></w:sdt>" + run("x") + "</w:p>"
        << ""
        << ""
        << "题一 | A．x";
    const QString underline = R"(<w:u w:val="single"/>)";
    QTest::newRow("underlined blanks")
        << "<w:p>" + run("答：") + run("    ", underline) + run("　　", underline) + run("。") +
               run("  ", R"(<w:u w:val="none"/>)") + "<w:r><w:rPr>" + underline +
               "</w:rPr><w:tab/></w:r>" + run("（　　）") + "<w:r><w:rPr>" + underline +
               "</w:rPr><w:t>姓名</w:t><w:tab/></w:r></w:p>"
        << ""
        << ""
        << "答：____。  ____（　　）姓名____";
    QTest::newRow("a blank that opens its paragraph")
        << "<w:p>" + run("    ", underline) + run("是中国的首都。") + "</w:p>"
        << ""
        << ""
        << "____是中国的首都。";
    QTest::newRow("fields, links, tags and bookmarks")
        << R"(<w:p><w:r><w:fldChar w:fldCharType="begin"/></w:r><w:r><w:instrText> PAGE </w:instrText></w:r>)"
           R"(<w:r><w:fldChar w:fldCharType="separate"/></w:r><w:r><w:t>3</w:t></w:r>)"
           R"(<w:r><w:fldChar w:fldCharType="end"/></w:r><w:fldSimple w:instr=" SEQ "><w:r><w:t>4</w:t></w:r></w:fldSimple>)"
           R"(<w:hyperlink w:anchor="a"><w:r><w:t>链</w:t></w:r></w:hyperlink><w:smartTag w:element="e"><w:smartTagPr/>)"
           R"(<w:r><w:t>标</w:t></w:r></w:smartTag><w:bookmarkStart w:id="0" w:name="b"/><w:proofErr w:type="spellStart"/>)"
           R"(<w:r><w:lastRenderedPageBreak/><w:t>记</w:t><w:footnoteReference w:id="1"/></w:r><w:bookmarkEnd w:id="0"/>)"
           R"(<w:customXml w:element="c"><w:r><w:t>！</w:t></w:r></w:customXml></w:p>)"
        << ""
        << ""
        << "34链标记！";
    QTest::newRow("elements out of place")
        << "<w:tc>" + p("a") + "</w:tc>" + run("b") + "<m:oMath>" + mr("x") +
               "</m:oMath><w:txbxContent>" + p("c") +
               "</w:txbxContent><w:tr><w:tc/></w:tr><w:p><w:pPr><w:p/></w:pPr><w:tc/><w:rPr/></w:p>"
        << ""
        << ""
        << "a | c |  |  | ";
    QTest::newRow("the document's own characters") << p("1．下列（　　）正确？　A．甲") << ""
                                                   << ""
                                                   << "1．下列（　　）正确？　A．甲";
}

void TestDocx::lines()
{
    QFETCH(QString, body);
    QFETCH(QString, numbering);
    QFETCH(QString, styles);
    QFETCH(QString, lines);

    ExchangeError error;
    const SourceDocument document = read_docx(docx(body, numbering, styles), error);
    QVERIFY(!error.failed());
    QCOMPARE(texts(document), lines);
}

void TestDocx::places()
{
    const QString body = p("a") + table({cell(p("b") + p("c")) + cell(p("d"))}) + "<w:p>" +
                         run("e") + text_box(p("f")) + "</w:p>" + p("g");
    ExchangeError error;
    const SourceDocument document = read_docx(docx(body), error);
    QStringList places;
    for (const SourceLine &line : document.lines)
        places << line.text + "@" + line.place;
    QCOMPARE(places.join(" | "),
             QString("a@第 1 段 | b\tc\td@第 2 段 | e@第 5 段 | f@第 5 段 | g@第 6 段"));
    // A row of cells without paragraphs is placed at the first, not at none.
    const SourceDocument loose =
        read_docx(docx("<w:tbl><w:tr><w:tc/></w:tr></w:tbl>" + p("a")), error);
    QVERIFY(!loose.lines.empty());
    QCOMPARE(loose.lines[0].place, QStringLiteral("第 1 段"));
}

// Other writers name their parts otherwise; the relationships say where.
void TestDocx::partsWhereTheRelationshipsPutThem()
{
    const QString rels =
        R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">%1</Relationships>)";
    const QString relationship =
        R"(<Relationship Id="r%1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/%2" Target="%3"%4/>)";
    Entries entries = {
        {"_rels/.rels",
         rels.arg(relationship.arg(1).arg("officeDocument", "text/main.xml", "")).toUtf8()},
        {"text/main.xml", part("document", "<w:body>" + numbered(1, 0, "x") + "</w:body>")},
        {"text/_rels/main.xml.rels",
         rels.arg(relationship.arg(1).arg("numbering", "https://example.com/lists.xml",
                                          R"( TargetMode="External")") +
                  relationship.arg(2).arg("styles", "look.xml", "") +
                  relationship.arg(3).arg("numbering", "lists/all.xml", ""))
             .toUtf8()},
        {"text/lists/all.xml", part("numbering", list(0, level(0, "decimal", "%1.")) + num(1, 0))},
        {"text/look.xml", part("styles", "")},
    };
    ExchangeError error;
    const SourceDocument document = read_docx(zip_of(entries), error);
    QVERIFY2(!error.failed(), qPrintable(exchange_message(error)));
    QCOMPARE(texts(document), QStringLiteral("1.\tx"));
}

void TestDocx::marked_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("numbering");
    QTest::addColumn<QString>("styles");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("marked");

    const QString red = R"(<w:color w:val="FF0000"/>)";
    const QString yellow = R"(<w:highlight w:val="yellow"/>)";
    QTest::newRow("a colour") << "<w:p>" + run("A．") + run("x", red) + "</w:p>"
                              << ""
                              << ""
                              << "A．x"
                              << "2-3";
    QTest::newRow("a highlight") << "<w:p>" + run("A．") + run("x", yellow) + "</w:p>"
                                 << ""
                                 << ""
                                 << "A．x"
                                 << "2-3";
    QTest::newRow("a shading fill")
        << "<w:p>" + run("A．") +
               run("x", R"(<w:shd w:val="clear" w:color="auto" w:fill="FFFF00"/>)") + "</w:p>"
        << ""
        << ""
        << "A．x"
        << "2-3";
    QTest::newRow("automatic, black, white and none are plain")
        << "<w:p>" + run("a", R"(<w:color w:val="auto"/>)") +
               run("b", R"(<w:color w:val="000000"/>)") +
               run("c", R"(<w:shd w:val="clear" w:fill="FFFFFF"/>)") +
               run("d", R"(<w:highlight w:val="none"/>)") + "</w:p>"
        << ""
        << ""
        << "abcd"
        << "";
    QTest::newRow("side by side runs merge")
        << "<w:p>" + run("A．") + run("x", red) + run("y", yellow) + run("z") + run("w", red) +
               "</w:p>"
        << ""
        << ""
        << "A．xyzw"
        << "2-4 5-6";
    QTest::newRow("after the number Word draws")
        << para(run("x", red), R"(<w:numPr><w:ilvl w:val="0"/><w:numId w:val="1"/></w:numPr>)")
        << list(0, level(0, "upperLetter", "%1．", R"(<w:suff w:val="nothing"/>)")) + num(1, 0)
        << ""
        << "A．x"
        << "2-3";
    QTest::newRow("a character style")
        << "<w:p>" + run("a", R"(<w:rStyle w:val="Key"/>)") +
               run("b", R"(<w:rStyle w:val="Key"/><w:color w:val="auto"/>)") + "</w:p>"
        << ""
        << R"(<w:style w:type="character" w:styleId="Base"><w:rPr>)" + red +
               R"(</w:rPr></w:style><w:style w:type="character" w:styleId="Key"><w:basedOn w:val="Base"/></w:style>)"
        << "ab"
        << "0-1";
    QTest::newRow("a colour it had before a tracked change")
        << "<w:p>" + run("a", "<w:rPrChange><w:rPr>" + red + "</w:rPr></w:rPrChange>") + "</w:p>"
        << ""
        << ""
        << "a"
        << "";
    QTest::newRow("in the second cell")
        << table({cell(p("A．x")) + cell("<w:p>" + run("B．") + run("y", red) + "</w:p>")}) << ""
        << ""
        << "A．x\tB．y"
        << "6-7";
}

void TestDocx::marked()
{
    QFETCH(QString, body);
    QFETCH(QString, numbering);
    QFETCH(QString, styles);
    QFETCH(QString, text);
    QFETCH(QString, marked);

    ExchangeError error;
    const SourceDocument document = read_docx(docx(body, numbering, styles), error);
    QCOMPARE(int(document.lines.size()), 1);
    QCOMPARE(document.lines[0].text, text);
    QCOMPARE(ranges(document.lines[0]), marked);
}

void TestDocx::changes_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("changes");

    const auto drawing = [](const QString &doc_pr) {
        return "<w:r><w:drawing><wp:inline>" + doc_pr +
               "<a:graphic><a:graphicData><a:blip/></a:graphicData></a:graphic></wp:inline></"
               "w:drawing></w:r>";
    };
    const auto picture = [](const QString &mark) {
        return QStringList{"图片无法导入，留下了文字标记“" + mark + "”"};
    };
    QTest::newRow("a picture described")
        << "<w:p>" + run("如图") + drawing(R"(<wp:docPr id="1" name="图片 1" descr="三角形"/>)") +
               "</w:p>"
        << "如图[图片：三角形]" << picture("[图片：三角形]");
    QTest::newRow("a picture named")
        << "<w:p>" + drawing(R"(<wp:docPr id="1" name="图片 1"/>)") + "</w:p>"
        << "[图片：图片 1]" << picture("[图片：图片 1]");
    QTest::newRow("a picture with neither") << "<w:p>" + drawing("") + "</w:p>"
                                            << "[图片]" << picture("[图片]");
    QTest::newRow("a VML picture")
        << R"(<w:p><w:r><w:pict><v:shape><v:imagedata o:title="电路图"/></v:shape></w:pict></w:r></w:p>)"
        << "[图片：电路图]" << picture("[图片：电路图]");

    const QString one_line = "公式写成了一行：";
    const QStringList left{"公式无法写成一行，留下了文字标记“[公式]”"};
    const auto sup = [](const QString &base, const QString &upper) {
        return "<m:sSup><m:sSupPr><m:ctrlPr/></m:sSupPr><m:e>" + base + "</m:e><m:sup>" + upper +
               "</m:sup></m:sSup>";
    };
    const auto fraction = [](const QString &top, const QString &bottom) {
        return "<m:f><m:fPr/><m:num>" + top + "</m:num><m:den>" + bottom + "</m:den></m:f>";
    };
    QTest::newRow("a power") << math(sup(mr("x"), mr("2")) + mr("+y=1")) << "解：x^2+y=1"
                             << QStringList{one_line + "x^2+y=1"};
    QTest::newRow("a bracketed base")
        << math(sup("<m:d><m:dPr/><m:e>" + mr("x+1") + "</m:e></m:d>", mr("2"))) << "解：(x+1)^2"
        << QStringList{one_line + "(x+1)^2"};
    QTest::newRow("a fraction in an exponent")
        << math(sup(mr("2"), fraction(mr("n+1"), mr("2")))) << "解：2^((n+1)/2)"
        << QStringList{one_line + "2^((n+1)/2)"};
    QTest::newRow("sub- and superscripts")
        << math("<m:sSubSup><m:e>" + mr("x") + "</m:e><m:sub>" + mr("i") + "</m:sub><m:sup>" +
                mr("2") + "</m:sup></m:sSubSup>" + mr("+") + "<m:sSub><m:e>" + mr("a") +
                "</m:e><m:sub>" + mr("n+1") + "</m:sub></m:sSub>")
        << "解：x_i^2+a_(n+1)" << QStringList{one_line + "x_i^2+a_(n+1)"};
    QTest::newRow("a square root")
        << math(R"(<m:rad><m:radPr><m:degHide m:val="1"/></m:radPr><m:deg/><m:e>)" + mr("x+1") +
                "</m:e></m:rad>")
        << "解：√(x+1)" << QStringList{one_line + "√(x+1)"};
    QTest::newRow("braces and a separator")
        << math(
               R"(<m:d><m:dPr><m:begChr m:val="{"/><m:sepChr m:val=","/><m:endChr m:val="}"/></m:dPr>)"
               "<m:e>" +
               mr("1") + "</m:e><m:e>" + mr("2") + "</m:e></m:d>")
        << "解：{1,2}" << QStringList{one_line + "{1,2}"};
    QTest::newRow("tracked changes in an equation as accepted")
        << math(R"(<m:r><w:rPr><w:rFonts w:ascii="Cambria Math"/></w:rPr><m:t>x</m:t></m:r>)"
                "<w:del>" +
                mr("-y") + "</w:del><w:ins>" + mr("+1") + "</w:ins><w:moveFrom>" + mr("=3") +
                "</w:moveFrom><w:moveTo>" + mr("=2") + "</w:moveTo>")
        << QStringLiteral("解：x+1=2") << QStringList{one_line + "x+1=2"};
    const auto box = [](const QString &content) {
        return "<m:box><m:boxPr/><m:e>" + content + "</m:e></m:box>";
    };
    QTest::newRow("boxed, alone and as a base")
        << math(box(mr("a=b")) + mr(",") + sup(box(mr("a+b")), mr("2")))
        << QStringLiteral("解：a=b,(a+b)^2") << QStringList{one_line + "a=b,(a+b)^2"};
    const auto function = [](const QString &name, const QString &argument) {
        return "<m:func><m:funcPr/><m:fName>" + name + "</m:fName><m:e>" + argument +
               "</m:e></m:func>";
    };
    const auto brackets = [](const QString &content) {
        return "<m:d><m:dPr/><m:e>" + content + "</m:e></m:d>";
    };
    QTest::newRow("functions of a letter, a bracket and two brackets")
        << math(function(mr("sin"), mr("x")) + mr("+") + function(mr("cos"), brackets(mr("x+1"))) +
                mr("+") + function(mr("ln"), brackets(mr("x+1")) + brackets(mr("x-1"))))
        << QStringLiteral("解：sin(x)+cos(x+1)+ln((x+1)(x-1))")
        << QStringList{one_line + "sin(x)+cos(x+1)+ln((x+1)(x-1))"};
    // A fraction without its bar is a binomial coefficient, which no line writes.
    QTest::newRow("a binomial coefficient")
        << math(R"(<m:f><m:fPr><m:type m:val="noBar"/></m:fPr><m:num>)" + mr("n") +
                "</m:num><m:den>" + mr("k") + "</m:den></m:f>")
        << QStringLiteral("解：[公式]") << left;
    QTest::newRow("an equation of 1000 characters, then one of 1001")
        << "<w:p><m:oMath>" + mr(QString(1000, 'x')) + "</m:oMath>" + run("，") + "<m:oMath>" +
               mr(QString(1001, 'y')) + "</m:oMath></w:p>"
        << QString(1000, 'x') + QStringLiteral("，[公式]")
        << QStringList{one_line + QString(1000, 'x')} + left;
    QTest::newRow("a cube root") << math("<m:rad><m:radPr/><m:deg>" + mr("3") + "</m:deg><m:e>" +
                                         mr("x") + "</m:e></m:rad>")
                                 << "解：[公式]" << left;
    // Hidden only when it says so: "0", "off" and "false" show the degree.
    for (const char *shown : {"0", "off", "false"})
        QTest::newRow(qPrintable(
            QStringLiteral("a cube root, its degree hidden as \"%1\"").arg(QLatin1String(shown))))
            << math(QStringLiteral(R"(<m:rad><m:radPr><m:degHide m:val="%1"/></m:radPr><m:deg>)")
                        .arg(QLatin1String(shown)) +
                    mr("3") + "</m:deg><m:e>" + mr("x") + "</m:e></m:rad>")
            << "解：[公式]" << left;
    QTest::newRow("a sum with limits")
        << math(mr("S=") + "<m:nary><m:naryPr><m:chr m:val=\"∑\"/></m:naryPr><m:sub>" + mr("i=1") +
                "</m:sub><m:sup>" + mr("n") + "</m:sup><m:e>" + mr("i") + "</m:e></m:nary>")
        << "解：[公式]" << left;
    // Each equation starts afresh: one left as a mark leaves the next alone.
    QTest::newRow("a sum with limits, then a plain equation")
        << "<w:p><m:oMath>" + mr("S=") +
               "<m:nary><m:naryPr><m:chr m:val=\"∑\"/></m:naryPr><m:sub>" + mr("i=1") +
               "</m:sub><m:sup>" + mr("n") + "</m:sup><m:e>" + mr("i") +
               "</m:e></m:nary></m:oMath>" + run("，") + "<m:oMath>" + mr("a=1") +
               "</m:oMath></w:p>"
        << "[公式]，a=1" << left + QStringList{one_line + "a=1"};
    QTest::newRow("an equation object")
        << R"(<w:p><w:r><w:object><v:shape><v:imagedata o:title=""/>)"
           R"(</v:shape><o:OLEObject ProgID="Equation.DSMT4"/></w:object></w:r></w:p>)"
        << "[公式]" << left;
    QTest::newRow("two equations of a display")
        << "<w:p><m:oMathPara><m:oMath>" + mr("a=1") + "</m:oMath><m:oMath>" + mr("b=2") +
               "</m:oMath></m:oMathPara></w:p>"
        << "a=1\nb=2" << QStringList{one_line + "a=1", one_line + "b=2"};
    // An object's end closes the object, not the display that follows it.
    QTest::newRow("an equation object, then a display of two")
        << R"(<w:p><w:r><w:object><v:shape><v:imagedata o:title=""/>)"
           R"(</v:shape><o:OLEObject ProgID="Equation.DSMT4"/></w:object></w:r>)"
           "<m:oMathPara><m:oMath>" +
               mr("a=1") + "</m:oMath><m:oMath>" + mr("b=2") + "</m:oMath></m:oMathPara></w:p>"
        << "[公式]a=1\nb=2" << left + QStringList{one_line + "a=1", one_line + "b=2"};
}

void TestDocx::changes()
{
    QFETCH(QString, body);
    QFETCH(QString, text);
    QFETCH(QStringList, changes);

    ExchangeError error;
    const SourceDocument document = read_docx(docx(body), error);
    QCOMPARE(int(document.lines.size()), 1);
    QCOMPARE(document.lines[0].text, text);
    QCOMPARE(document.lines[0].changes, changes);
}

void TestDocx::otherPartsNotRead()
{
    Entries entries = package(R"(<w:p><w:r><w:t>正文</w:t><w:footnoteReference w:id="1"/></w:r>)"
                              R"(<w:r><w:commentReference w:id="0"/></w:r></w:p>)");
    const QString relationship =
        R"(<Relationship Id="%1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/%1" Target="%1.xml"/>)";
    QString relationships;
    for (const char *kind : {"header", "footer", "footnotes", "endnotes", "comments"}) {
        relationships += relationship.arg(kind);
        entries.emplace_back(QStringLiteral("word/%1.xml").arg(kind), part("hdr", p(kind)));
    }
    entries.emplace_back(
        "word/_rels/document.xml.rels",
        R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)" +
            relationships.toUtf8() + "</Relationships>");
    ExchangeError error;
    const SourceDocument document = read_docx(zip_of(entries), error);
    QVERIFY(!error.failed());
    QCOMPARE(texts(document), QString("正文"));
}

void TestDocx::refused_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<ExchangeError::What>("what");
    QTest::addColumn<QString>("part");

    using What = ExchangeError::What;
    const char broken[] = "PK\x03\x04 then nothing a zip holds";
    QTest::newRow("broken zip") << QByteArray(broken, int(sizeof broken) - 1) << What::BrokenZip
                                << "";
    Entries entries = package(p("x"));
    entries.erase(entries.begin() + 2);
    QTest::newRow("no document") << zip_of(entries) << What::PartMissing << "word/document.xml";

    entries = package(p("x"));
    entries[2].second.replace("<w:document", R"(<!DOCTYPE d [<!ENTITY e "eeee">]><w:document)");
    QTest::newRow("a document type") << zip_of(entries) << What::XmlHasDtd << "word/document.xml";
    entries = package(p("x"), "", "<w:docDefaults/>");
    entries[3].second.replace("<w:styles", R"(<!DOCTYPE s [<!ENTITY e "eeee">]><w:styles)");
    QTest::newRow("a document type in the styles")
        << zip_of(entries) << What::XmlHasDtd << "word/styles.xml";
    QTest::newRow("nested 10000 deep") << docx(QString("<w:customXml>").repeated(10000) +
                                               QString("</w:customXml>").repeated(10000))
                                       << What::XmlTooDeep << "word/document.xml";
    QTest::newRow("a gigabyte of zeros") << zip_bomb() << What::ZipTooLarge << "word/document.xml";
    QTest::newRow("100000 entries") << many_entries(100000) << What::ZipTooManyEntries << "";
    entries = package(p("x"));
    entries[2].second.replace("</w:body>", "</w:bod>");
    QTest::newRow("not well-formed") << zip_of(entries) << What::XmlBroken << "word/document.xml";
}

void TestDocx::refused()
{
    QFETCH(QByteArray, file);
    QFETCH(ExchangeError::What, what);
    QFETCH(QString, part);

    ExchangeError error;
    const SourceDocument document = read_docx(file, error);
    QCOMPARE(int(error.what), int(what));
    QCOMPARE(error.part, part);
    QVERIFY(document.lines.empty());
    // The teacher is told the part, and what the XML reader found wrong.
    const QString told = exchange_message(error);
    QVERIFY2(told.contains(part) && told.contains(error.detail), qPrintable(told));
}

// About 10 MB of Word file, a long paper of numbered questions with
// coloured answers in tables and equations, reads whole (bench_import
// measures how fast).
void TestDocx::largeDocumentReadsWhole()
{
    QRandomGenerator random(7);
    const QString red = R"(<w:color w:val="FF0000"/>)";
    QString body;
    int questions = 0;
    for (; body.size() < 20'000'000; ++questions) {
        QString stem;
        for (int i = 0; i < 200; ++i)
            stem += QChar(char16_t(0x4E00 + random.bounded(0x5000)));
        body += numbered(1, 0, stem) +
                table({cell(p("A．" + stem.left(5))) +
                       cell("<w:p>" + run("B．") + run(stem.mid(5, 5), red) + "</w:p>")}) +
                math("<m:sSup><m:e>" + mr("x") + "</m:e><m:sup>" + mr(QString::number(questions)) +
                     "</m:sup></m:sSup>");
    }
    const QByteArray file = docx(body, list(0, level(0, "decimal", "%1.")) + num(1, 0));
    QVERIFY2(file.size() > 9'000'000, qPrintable(QString::number(file.size())));

    ExchangeError error;
    const SourceDocument document = read_docx(file, error);
    QVERIFY(!error.failed());
    QCOMPARE(int(document.lines.size()), 3 * questions);
    QVERIFY(document.lines.back().text.endsWith(QString("x^(%1)").arg(questions - 1)));
    QCOMPARE(ranges(document.lines[1]), QString("10-15"));
}

QTEST_GUILESS_MAIN(TestDocx)
#include "test_docx.moc"
