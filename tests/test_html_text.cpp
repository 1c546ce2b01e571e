// What a reader sees of the HTML that learning platforms keep in their
// question banks: the text as laid out on the page, and a placeholder for
// what plain text cannot hold.

#include "exchange/html_text.h"

#include <QtTest>

Q_DECLARE_METATYPE(HtmlFlavour)

namespace
{

void row(const char *name, const QString &html, const QString &text,
         const QStringList &dropped = {}, HtmlFlavour flavour = HtmlFlavour::Html)
{
    QTest::newRow(name) << html << flavour << text << dropped;
}

} // namespace

class TestHtmlText : public QObject
{
    Q_OBJECT

  private slots:
    void flatten_data();
    void flatten();
    void refusesDeepNesting();
    void readsLargeFlatInput();
};

void TestHtmlText::flatten_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<HtmlFlavour>("flavour");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("dropped");

    // Characters and references.
    row("markup characters", QStringLiteral("a &amp; b &lt;c&gt; &quot;d&quot; &apos;e&apos;"),
        QStringLiteral("a & b <c> \"d\" 'e'"));
    row("named characters",
        QStringLiteral("&alpha;&Omega; &le; &ne; &rarr; &hellip; &frac12;&deg;&times;&minus;"
                       "&ldquo;&mdash;&rdquo; &eacute; &thetasym;"),
        QStringLiteral("αΩ ≤ ≠ → … ½°×−“—” é ϑ"));
    row("numeric references",
        QStringLiteral("&#65;&#x42;&#X63;&#68 &#0; &#xD800; &#x110000; &#150; &#x1F600; \uFDD0"),
        QStringLiteral("ABcD \uFFFD \uFFFD \uFFFD – 😀 \uFFFD"));
    // Old Word pages wrote Windows-1252's characters at 128 to 159.
    row("Windows-1252's characters, first and last", QStringLiteral("&#128;x&#159;"),
        QStringLiteral("€xŸ"));
    row("bare and unknown names", QStringLiteral("&copy 2024 AT&T &notit; &alpha &bogus; &"),
        QStringLiteral("© 2024 AT&T &notit; &alpha &bogus; &"));
    // Only an attribute's '=' makes a bare name a URL's query.
    row("bare names before '=' in the text and before a space in an attribute",
        QStringLiteral("&copy=2 <img alt='&copy 2'> &alpha=1"),
        QStringLiteral("©=2 [图片：© 2] &alpha=1"), {QStringLiteral("[图片：© 2]")});
    row("no-break spaces stay", QStringLiteral("a&nbsp;&nbsp;b\u00A0c"), QStringLiteral("a  b c"));
    row("unquoted attribute values", QStringLiteral("<a href=p.html>p</a> <img alt=x src=map.png>"),
        QStringLiteral("p [链接：p.html] [图片：x]"),
        {QStringLiteral("[链接：p.html]"), QStringLiteral("[图片：x]")});
    row("references in attributes",
        QStringLiteral("<a href=\"p?a=1&copy=2&amp;b=3\">p</a> <img alt='a &gt; b'>"),
        QStringLiteral("p [链接：p?a=1&copy=2&b=3] [图片：a > b]"),
        {QStringLiteral("[链接：p?a=1&copy=2&b=3]"), QStringLiteral("[图片：a > b]")});

    // A '<' that opens no tag is text.
    row("comparisons", QStringLiteral("1 < 2, x<y and y>z, a<b"),
        QStringLiteral("1 < 2, x<y and y>z, a<b"));
    row("tag never closed", QStringLiteral("<!-- open <b>bold</b> <i title='x"),
        QStringLiteral("<!-- open bold <i title='x"));
    // The first '<' runs into the end inside a quote; the second, whose tag
    // reads that quote as the start of a name, closes at the '>'.
    row("tag within a tag never closed", QStringLiteral("<a <b = 'c>x"), QStringLiteral("<a x"));
    row("comments and declarations",
        QStringLiteral("<!DOCTYPE html><?xml version=\"1.0\"?>a<!-- b -->c"
                       "<!--[if gte mso 9]><xml>x</xml><![endif]--><![if !vml]>d<![endif]>"),
        QStringLiteral("acd"));
    row("upper case", QStringLiteral("a<BR/>b<Br >c<P>d</P>"), QStringLiteral("a\nb\nc\nd"));
    row("XHTML self-closing tags",
        QStringLiteral("<a href=\"x.html\"/>here</a>: <iframe src=\"f.html\"/> and "
                       "<script src=\"s.js\"/>more"),
        QStringLiteral("here [链接：x.html]: [嵌入内容：f.html] and more"),
        {QStringLiteral("[链接：x.html]"), QStringLiteral("[嵌入内容：f.html]")});

    // White space and lines.
    row("white space collapses", QStringLiteral("  a \t\n b  <b> c </b> d "),
        QStringLiteral("a b c d"));
    row("pretty-printed",
        QStringLiteral("<div>\n  <p>\n    First\n    line\n  </p>\n  <p>Second</p>\n</div>"),
        QStringLiteral("First line\nSecond"));
    row("blocks and breaks",
        QStringLiteral(
            "<p>one</p><p>two<br>three<br></p><div><div>four</div></div>five<br><br>six<hr>seven"),
        QStringLiteral("one\ntwo\nthree\nfour\nfive\n\nsix\nseven"));
    row("pre keeps its white space", QStringLiteral("code:<pre>\n  x = 1;\n    y  =  2;</pre>"),
        QStringLiteral("code:\n  x = 1;\n    y  =  2;"));
    row("white space collapses again after pre", QStringLiteral("<pre>a  b</pre>c   d"),
        QStringLiteral("a  b\nc d"));
    row("textarea is raw text", QStringLiteral("Answer: <textarea>\nx  <b>y</b></textarea>"),
        QStringLiteral("Answer: x  <b>y</b>"));
    const QString source =
        QStringLiteral("line 1\nline 2<br>\nline 3\n<p>para</p>\n\n  <p>see <b>this</b>\nnext</p>");
    row("html: source lines are spaces", source,
        QStringLiteral("line 1 line 2\nline 3\npara\nsee this next"));
    row("auto format: source lines are lines", source,
        QStringLiteral("line 1\nline 2\nline 3\npara\nsee this next"), {}, HtmlFlavour::AutoFormat);
    row("auto format: blank line, Windows lines", QStringLiteral("a\n\nb<br>\r\nc"),
        QStringLiteral("a\n\nb\nc"), {}, HtmlFlavour::AutoFormat);
    row("auto format: a bare attribute name is typed text",
        QStringLiteral("if a<b and c>d, <b class=x>e</b>, <i>f</i>"),
        QStringLiteral("if a<b and c>d, e, f"), {}, HtmlFlavour::AutoFormat);

    // Superscripts and subscripts.
    row("script forms",
        QStringLiteral("x<sup>2</sup> + H<sub>2</sub>O, 10<sup>-3</sup>, "
                       "x<sup> n+1</sup>, v<sub>0</sub>"),
        QStringLiteral("x² + H₂O, 10⁻³, xⁿ⁺¹, v₀"));
    row("scripts spelt out",
        QStringLiteral("e<sup>ix</sup>, y<sub>max</sub>, a<sub>i</sub>, "
                       "2<sup>2<sup>n</sup></sup>"),
        QStringLiteral("e^(ix), y_(max), a_i, 2^(2ⁿ)"));
    row("a script of white space is no blank", QStringLiteral("x<sub>&nbsp;</sub>y"),
        QStringLiteral("x_ y"));

    // Lists.
    row("ordered list", QStringLiteral("<ol><li>one</li><li>two</li></ol>"),
        QStringLiteral("1. one\n2. two"));
    row("start and letters", QStringLiteral("<ol start=\"4\" type=\"A\"><li>x<li>y</ol>"),
        QStringLiteral("D. x\nE. y"));
    row("nested lists",
        QStringLiteral(
            "<ul>\n  <li>fruit\n    <ol type=\"i\">\n      <li>apple</li>\n      <li>pear</li>\n"
            "    </ol>\n  </li>\n  <li>nuts</li>\n</ul>"),
        QStringLiteral("• fruit\n  i. apple\n  ii. pear\n• nuts"));
    row("lines within an item",
        QStringLiteral(
            "<ul><li><p>a</p><p>b<br>c</p></li><li></li><li>d</li><li></li></ul><p>e</p>"),
        QStringLiteral("• a\n  b\n  c\n•\n• d\n•\ne"));

    // Blanks.
    row("blanks",
        QStringLiteral("<u>&nbsp;&nbsp;&nbsp;</u> is <u>    </u>, <u>___</u>, <u>word</u><u></u>, "
                       "<ins> </ins> <input type=text><input type=\"checkbox\">"),
        QStringLiteral("____ is ____, ____, word, ____ ____"));

    // Less common spellings: an attribute left out, an element without its
    // usual type, names in capitals, a value without quotes or without value.
    row("an input without a type is a text field", QStringLiteral("a<input>b <INPUT TYPE=TEXT>c"),
        QStringLiteral("a____b ____c"));
    row("inputs that are no blank",
        QStringLiteral("<input type=radio>a<input type=\"checkbox\">b<input type=hidden>c"),
        QStringLiteral("abc"));
    row("list letters and numerals in either case",
        QStringLiteral("<ol type=a><li>x<li>y</ol><OL TYPE=\"I\"><LI>z<LI>w</OL>"),
        QStringLiteral("a. x\nb. y\nI. z\nII. w"));
    row("a list start that is no number", QStringLiteral("<ol start=x><li>p</ol>"),
        QStringLiteral("1. p"));
    row("a link without its address", QStringLiteral("<a>plain</a> <a href>bare</a>"),
        QStringLiteral("plain bare"));
    row("a picture's attributes in capitals",
        QStringLiteral("<IMG SRC=\"m.png\" ALT=\"\"><img alt>"),
        QStringLiteral("[图片：m.png][图片]"),
        {QStringLiteral("[图片：m.png]"), QStringLiteral("[图片]")});
    row("scripts in capitals", QStringLiteral("x<SUP>2</SUP>+H<Sub>2</Sub>"),
        QStringLiteral("x²+H₂"));
    row("cells without a row", QStringLiteral("<table><td>a<td>b</table>"), QStringLiteral("a\tb"));

    // Tables.
    row("table",
        QStringLiteral("<table>\n <tr><th>名称</th><th>数量</th></tr>\n"
                       " <tr><td><p>苹果</p><p>红</p></td><td>3<br>kg</td></tr>\n"
                       " <tr><td></td><td>4</td></tr>\n</table>"),
        QStringLiteral("名称\t数量\n苹果 红\t3 kg\n\t4"));
    row("paragraph in a cell", QStringLiteral("<p>x<table><tr><td><p>a</td></tr></table>y</p>z"),
        QStringLiteral("x\na\ny\nz"));
    row("cells never closed", QStringLiteral("<table><tr><td>a<td>b<tr><td>c<td>d</table>e"),
        QStringLiteral("a\tb\nc\td\ne"));

    // What plain text cannot hold.
    row("images",
        QStringLiteral(
            "<p>见图<img src=\"@@PLUGINFILE@@/a%20b.png?time=1\" alt=\"\"></p>"
            "<img alt=\" 中国\n  地图 \" src=\"x.png\"><img src=\"data:image/png;base64,iVBOR\">"
            "<img src=\"https://x.org/pics/\"><img>"),
        QStringLiteral("见图[图片：a b.png]\n[图片：中国 地图][图片：内嵌图片][图片][图片]"),
        {QStringLiteral("[图片：a b.png]"), QStringLiteral("[图片：中国 地图]"),
         QStringLiteral("[图片：内嵌图片]"), QStringLiteral("[图片]"), QStringLiteral("[图片]")});
    row("drawings and formulas",
        QStringLiteral("<svg width=\"9\"><text>1 < 2</text></svg> "
                       "<math alttext=\"x^2\"><msup><mi>x</mi><mn>2</mn></msup></math> "
                       "<math><mi>y</mi></math>"),
        QStringLiteral("[图片] [公式：x^2] [公式]"),
        {QStringLiteral("[图片]"), QStringLiteral("[公式：x^2]"), QStringLiteral("[公式]")});
    row("audio, video and embedded",
        QStringLiteral("<audio controls><source src=\"https://x.org/snd/q1.mp3\" "
                       "type=\"audio/mpeg\">No audio here.</audio> <video src=\"clip.mp4\">"
                       "</video> <iframe src=\"https://v.org/embed/7\"><p>old</p></iframe> "
                       "<object data=\"m.swf\"><param name=q value=1>No plugin.</object>"
                       "<embed src=\"e.swf\"> <video><source src=\"a.webm\"><source src=\"a.mp4\">"
                       "</video><audio></audio>"),
        QStringLiteral("[音频：q1.mp3] [视频：clip.mp4] [嵌入内容：https://v.org/embed/7] "
                       "[嵌入内容：m.swf][嵌入内容：e.swf] [视频：a.webm][音频]"),
        {QStringLiteral("[音频：q1.mp3]"), QStringLiteral("[视频：clip.mp4]"),
         QStringLiteral("[嵌入内容：https://v.org/embed/7]"), QStringLiteral("[嵌入内容：m.swf]"),
         QStringLiteral("[嵌入内容：e.swf]"), QStringLiteral("[视频：a.webm]"),
         QStringLiteral("[音频]")});
    row("audio and video held in the page",
        QStringLiteral("<audio src=\"data:audio/mpeg;base64,SUQz\"></audio> "
                       "<video src=\"DATA:video/mp4;base64,AAAA\"></video>"),
        QStringLiteral("[音频：内嵌音频] [视频：内嵌视频]"),
        {QStringLiteral("[音频：内嵌音频]"), QStringLiteral("[视频：内嵌视频]")});
    row("links",
        QStringLiteral(
            "<a href=\"https://moodle.org\">Moodle</a> and "
            "<a href=\"https://x.org/\">https://x.org/</a>, <a href=\"y.pdf\">&nbsp;</a>, "
            "<a name=\"top\">anchor</a>, <a href=\"#top\">up</a>, "
            "<a href=\"1.html\">one <a href=\"2.html\">two</a>"),
        QStringLiteral("Moodle [链接：https://moodle.org] and [链接：https://x.org/], "
                       "[链接：y.pdf], anchor, up, one [链接：1.html] two [链接：2.html]"),
        {QStringLiteral("[链接：https://moodle.org]"), QStringLiteral("[链接：https://x.org/]"),
         QStringLiteral("[链接：y.pdf]"), QStringLiteral("[链接：1.html]"),
         QStringLiteral("[链接：2.html]")});
    // Word's HTML leaves empty superscripts about: a link whose text is its
    // address is still shown once.
    row("a link whose text is its address and an empty superscript",
        QStringLiteral("<a href=\"https://x.org/\">https://x.org/<sup></sup></a>"),
        QStringLiteral("[链接：https://x.org/]"), {QStringLiteral("[链接：https://x.org/]")});
    row("script and style",
        QStringLiteral("<head><title>t</title><style>p { color: red; }</style></head>"
                       "<p>a<script>if (a < b && c > d) f('</p>x');</SCRIPT >b"
                       "<template><p>hidden</p></template></p><script>c"),
        QStringLiteral("ab"));

    // Real-world HTML that leaves elements open or closes what is not.
    row("end tag closes what is above", QStringLiteral("<ul><li>a<b>b</ul>c"),
        QStringLiteral("• ab\nc"));
    row("stray end tags", QStringLiteral("a</b>b</div>c<ol><li>x</li></ol></ol><ol><li>y</ol>"),
        QStringLiteral("abc\n1. x\n1. y"));
    row("stray end tag in a cell", QStringLiteral("<p>x<table><tr><td>a</p>b<td>c</table>y"),
        QStringLiteral("x\nab\tc\ny"));
    row("Word",
        QStringLiteral("<p class=MsoNormal><span lang=EN-US>Word<o:p></o:p></span></p>\n"
                       "<p class=MsoNormal><o:p>&nbsp;</o:p></p>\n<p class=MsoNormal>next</p>"),
        QStringLiteral("Word\n\nnext"));
}

void TestHtmlText::flatten()
{
    QFETCH(QString, html);
    QFETCH(HtmlFlavour, flavour);
    QFETCH(QString, text);
    QFETCH(QStringList, dropped);

    const HtmlText result = html_to_text(html, flavour);
    QCOMPARE(result.error, QString());
    QCOMPARE(result.text, text);
    QCOMPARE(result.dropped, dropped);
}

void TestHtmlText::refusesDeepNesting()
{
    const HtmlText deep =
        html_to_text(QStringLiteral("<img>") + QStringLiteral("<div>").repeated(100000) + "x");
    QCOMPARE(deep.error, QStringLiteral("HTML 元素嵌套超过 200 层"));
    QCOMPARE(deep.text, QString());
    QCOMPARE(deep.dropped, QStringList());

    const HtmlText at_limit =
        html_to_text(QStringLiteral("<span>").repeated(200) + QLatin1Char('x'));
    QCOMPARE(at_limit.error, QString());
    QCOMPARE(at_limit.text, QStringLiteral("x"));
    QVERIFY(!html_to_text(QStringLiteral("<span>").repeated(201)).error.isEmpty());

    // A new cell closes the one before it through what was left open inside it.
    const HtmlText cells =
        html_to_text(QStringLiteral("<table><tr>") + QStringLiteral("<td><b>x").repeated(1000));
    QCOMPARE(cells.error, QString());
    QCOMPARE(cells.text, QStringLiteral("x") + QStringLiteral("\tx").repeated(999));

    // Each closes the one before it: paragraphs, items, definitions, rows and cells.
    const int count = 100000;
    const QString units[] = {QStringLiteral("<p>x"), QStringLiteral("<li>x"),
                             QStringLiteral("<dt>x"), QStringLiteral("<tr>x"),
                             QStringLiteral("<td>x")};
    const QString lines[] = {QStringLiteral("x\n"), QStringLiteral("• x\n"), QStringLiteral("x\n"),
                             QStringLiteral("x\n"), QStringLiteral("x\t")};
    for (int k = 0; k < 5; ++k) {
        const HtmlText flat = html_to_text(units[k].repeated(count));
        QCOMPARE(flat.error, QString());
        QCOMPARE(flat.text, lines[k].repeated(count).trimmed());
    }
}

void TestHtmlText::readsLargeFlatInput()
{
    const int count = 2 * 1024 * 1024 / 9;
    const HtmlText result = html_to_text(QStringLiteral("<b>x</b> ").repeated(count));
    QCOMPARE(result.error, QString());
    QCOMPARE(result.text, QStringLiteral("x ").repeated(count).trimmed());
}

QTEST_GUILESS_MAIN(TestHtmlText)
#include "test_html_text.moc"
