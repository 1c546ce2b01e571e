#include "paper_tool/paper_print.h"

#include "exchange/option_layout.h"

#include "paper/work_progress.h"
#include "paper_tool/paper_check.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextDocument>

namespace
{

const char *const kChineseNumbers[] = {"一", "二", "三", "四"};

// Texts are kept verbatim: escaped, with their line breaks and spaces
// preserved by the style, never read as markup.
QString verbatim(const QString &text)
{
    return QStringLiteral("<div class=\"text\">%1</div>").arg(text.toHtmlEscaped());
}

struct Section {
    QString name;
    int count;
    double points;
};

double points_of(const std::vector<ChoiceQuestion> &questions)
{
    double points = 0.0;
    for (const ChoiceQuestion &question : questions)
        points += question.score;
    return points;
}

double points_of(const std::vector<UnchQuestion> &questions)
{
    double points = 0.0;
    for (const UnchQuestion &question : questions)
        points += question.score;
    return points;
}

class Document
{
  public:
    explicit Document(const PaperData &paper) : paper_(paper) {}

    QString body(const PrintOptions &options)
    {
        html_ += QStringLiteral("<h1>%1</h1>\n").arg(options.title.toHtmlEscaped());
        html_ += QStringLiteral("<p class=\"total\">%1</p>\n").arg(total_summary());
        questions();
        if (options.answers)
            answer_key();
        return html_;
    }

  private:
    QString total_summary() const
    {
        const double total = paper_total(paper_);
        const int count = int(paper_.onech.size() + paper_.somech.size() + paper_.unch.size());
        return QStringLiteral("共 %1 题，满分 %2 分").arg(count).arg(score_text(total));
    }

    // Kinds without questions get no heading; the numbering of headings stays unbroken.
    bool section_heading(const QString &name, size_t count, double points, const char *extra = "")
    {
        if (count == 0)
            return false;
        html_ += QStringLiteral("<h2%1>%2、%3（共 %4 题，计 %5 分）</h2>\n")
                     .arg(QLatin1String(extra), QString::fromUtf8(kChineseNumbers[section_++]),
                          name, QString::number(count), score_text(points));
        return true;
    }

    void question(int number, double score, const QString &text)
    {
        work_step();
        html_ +=
            QStringLiteral("<div class=\"question\"><p class=\"number\">%1.（%2 分）</p>%3</div>\n")
                .arg(QString::number(number), score_text(score), verbatim(text));
    }

    void questions()
    {
        if (section_heading(kind_name(QuestionKind::SingleChoice), paper_.onech.size(),
                            points_of(paper_.onech)))
            for (size_t i = 0; i < paper_.onech.size(); ++i)
                question(int(i + 1), paper_.onech[i].score, paper_.onech[i].problem);
        if (section_heading(kind_name(QuestionKind::MultipleChoice), paper_.somech.size(),
                            points_of(paper_.somech)))
            for (size_t i = 0; i < paper_.somech.size(); ++i)
                question(int(i + 1), paper_.somech[i].score, paper_.somech[i].problem);
        if (section_heading(kind_name(QuestionKind::FreeAnswer), paper_.unch.size(),
                            points_of(paper_.unch)))
            for (size_t i = 0; i < paper_.unch.size(); ++i)
                question(int(i + 1), paper_.unch[i].score, paper_.unch[i].problem);
    }

    static QString letters_or_none(OptionMask answer)
    {
        const QString letters = option_letters(answer);
        return letters.isEmpty() ? QStringLiteral("（未选定答案）") : letters;
    }

    void key_line(const QString &line)
    {
        html_ += QStringLiteral("<p class=\"key\">%1</p>\n").arg(line);
    }

    void answer_key()
    {
        html_ += QStringLiteral("<h1 class=\"answers\">答案</h1>\n");
        section_ = 0;
        if (section_heading(kind_name(QuestionKind::SingleChoice), paper_.onech.size(),
                            points_of(paper_.onech)))
            for (size_t i = 0; i < paper_.onech.size(); ++i)
                key_line(QStringLiteral("%1. %2").arg(i + 1).arg(
                    letters_or_none(paper_.onech[i].answer)));
        if (section_heading(kind_name(QuestionKind::MultipleChoice), paper_.somech.size(),
                            points_of(paper_.somech)))
            for (size_t i = 0; i < paper_.somech.size(); ++i) {
                const ChoiceQuestion &question = paper_.somech[i];
                key_line(QStringLiteral("%1. %2（全部选对得 %3 分，少选得 %4 分，选错不得分）")
                             .arg(i + 1)
                             .arg(letters_or_none(question.answer), score_text(question.score),
                                  score_text(question.partial_score)));
            }
        if (section_heading(kind_name(QuestionKind::FreeAnswer), paper_.unch.size(),
                            points_of(paper_.unch)))
            for (size_t i = 0; i < paper_.unch.size(); ++i)
                html_ +=
                    QStringLiteral("<div class=\"question\"><p class=\"number\">%1.</p>%2</div>\n")
                        .arg(QString::number(i + 1), verbatim(paper_.unch[i].answer));
    }

    const PaperData &paper_;
    QString html_;
    int section_ = 0;
};

// Exam papers are set in a serif face; the set-up installs Noto's CJK faces.
QString cjk_family()
{
    const QStringList families = QFontDatabase().families();
    for (const char *candidate :
         {"Noto Serif CJK SC", "Noto Sans CJK SC", "SimSun", "Source Han Serif SC"}) {
        if (families.contains(QLatin1String(candidate)))
            return QLatin1String(candidate);
    }
    return QString();
}

const char kStyle[] = R"(
body { font-family: "Noto Serif CJK SC", "SimSun", "Songti SC", serif; font-size: 11pt; line-height: 1.5; }
h1 { font-size: 18pt; text-align: center; margin: 0 0 0.3em 0; }
h2 { font-size: 13pt; margin: 1.2em 0 0.4em 0; }
p.total { text-align: center; margin: 0 0 1em 0; }
p.number { font-weight: bold; margin: 0.6em 0 0.1em 0; }
p.key { margin: 0.2em 0; }
div.text { white-space: pre-wrap; }
@page { size: A4; margin: 20mm; }
@media print {
  h1.answers { page-break-before: always; }
  div.question { page-break-inside: avoid; }
}
)";

// Qt's rich text knows a subset of CSS: no @page or @media, but
// page-break-before on a block.
const char kPdfStyle[] = R"(
h1 { font-size: 18pt; text-align: center; }
h2 { font-size: 13pt; }
p.total { text-align: center; }
p.number { font-weight: bold; margin-top: 8px; }
div.text { white-space: pre-wrap; }
h1.answers { page-break-before: always; }
)";

// Positions in a laid-out document are 26.6 fixed-point numbers: beyond 2^25
// device pixels they wrap round and the pages come out garbled. At 300 dpi an
// A4 page takes about 3000 of them.
constexpr int kPdfResolution = 300;
constexpr qreal kLargestLayoutHeight = 32000000;

// Blocks laid out one below the other: what a layout that stayed within its
// numbers gives.
bool laid_out_in_order(const QTextDocument &document)
{
    QAbstractTextDocumentLayout *const layout = document.documentLayout();
    qreal top = -1;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QRectF rect = layout->blockBoundingRect(block);
        if (rect.top() < top || rect.bottom() > kLargestLayoutHeight)
            return false;
        top = rect.top();
    }
    return true;
}

// Lays the document out in pages of the writer and paints them one by one,
// numbered at the foot. False, with nothing painted, when it is too long.
bool paint_pages(QTextDocument &document, QPdfWriter &writer)
{
    document.documentLayout()->setPaintDevice(&writer);
    const qreal footer = QFontMetricsF(document.defaultFont(), &writer).lineSpacing() * 2;
    const QSizeF body(writer.width(), writer.height() - footer);
    document.setPageSize(body);
    const int pages = document.pageCount();
    if (pages > kMostPages || !laid_out_in_order(document))
        return false;
    QPainter painter(&writer);
    painter.setFont(document.defaultFont());
    work_total(pages);
    for (int page = 0; page < pages; ++page) {
        work_step();
        if (page > 0)
            writer.newPage();
        const QRectF shown(QPointF(0, page * body.height()), body);
        painter.save();
        painter.translate(0, -shown.top());
        document.drawContents(&painter, shown);
        painter.restore();
        painter.drawText(QRectF(0, body.height(), body.width(), footer), Qt::AlignCenter,
                         QString::number(page + 1));
    }
    return true;
}

QString page(const QString &title, const char *style, const QString &body)
{
    return QStringLiteral(
               "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
               "<title>%1</title>\n<style>%2</style>\n</head>\n<body>\n%3</body>\n</html>\n")
        .arg(title.toHtmlEscaped(), QString::fromUtf8(style), body);
}

} // namespace

QByteArray paper_html(const PaperData &paper, const PrintOptions &options)
{
    return page(options.title, kStyle, Document(paper).body(options)).toUtf8();
}

bool chinese_font_installed()
{
    return !QFontDatabase().families(QFontDatabase::SimplifiedChinese).isEmpty();
}

QByteArray paper_pdf(const PaperData &paper, const PrintOptions &options, PrintError *error)
{
    const auto fail = [error](PrintError::What what) {
        if (error)
            error->what = what;
        return QByteArray();
    };
    // Without one, Qt leaves out every Chinese character and says nothing.
    if (!options.without_chinese_font && !chinese_font_installed())
        return fail(PrintError::What::NoChineseFont);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    bool painted = false;
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(options.title);
        writer.setCreator(QStringLiteral("qv_paper"));
        writer.setResolution(kPdfResolution);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter));
        QTextDocument document;
        QFont font = document.defaultFont();
        const QString family = cjk_family();
        if (!family.isEmpty())
            font.setFamily(family);
        font.setPointSizeF(11);
        document.setDefaultFont(font);
        document.setHtml(page(options.title, kPdfStyle, Document(paper).body(options)));
        painted = paint_pages(document, writer);
    }
    if (!painted)
        return fail(PrintError::What::TooLong);
    if (bytes.isEmpty() || !bytes.startsWith("%PDF-"))
        return fail(PrintError::What::NotWritten);
    return bytes;
}
