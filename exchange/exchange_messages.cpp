#include "exchange/exchange_messages.h"

#include "paper/paper_messages.h"

namespace
{

using What = ExchangeError::What;

QString in_part(const ExchangeError &error)
{
    return error.part.isEmpty() ? QString() : QStringLiteral("（%1）").arg(error.part);
}

QString megabytes(qint64 bytes)
{
    return QString::number(bytes / (1024 * 1024));
}

} // namespace

QString file_kind_words(FileKind kind)
{
    switch (kind) {
    case FileKind::Pdf:
        return QStringLiteral("PDF 文件");
    case FileKind::Png:
        return QStringLiteral("图片（PNG）");
    case FileKind::Jpeg:
        return QStringLiteral("图片（JPEG）");
    case FileKind::Gif:
        return QStringLiteral("图片（GIF）");
    case FileKind::Bmp:
        return QStringLiteral("图片（BMP）");
    case FileKind::Rtf:
        return QStringLiteral("RTF 文档（请在 Word 中另存为 .docx）");
    case FileKind::Rar:
        return QStringLiteral("RAR 压缩包");
    case FileKind::SevenZip:
        return QStringLiteral("7z 压缩包");
    case FileKind::Program:
        return QStringLiteral("程序文件");
    case FileKind::OpenDocument:
        return QStringLiteral("OpenDocument 文档（请另存为 .docx 或 .xlsx）");
    case FileKind::OtherZip:
        return QStringLiteral("不含 Word 或 Excel 文档的压缩包");
    case FileKind::WebPage:
        return QStringLiteral("网页（HTML）");
    case FileKind::OtherXml:
        return QStringLiteral("XML 文件，但不是 Moodle XML 题库");
    case FileKind::WordDocument:
        return QStringLiteral("Word 文档（.docx）");
    case FileKind::ExcelWorkbook:
        return QStringLiteral("Excel 工作簿（.xlsx）");
    case FileKind::MoodleXml:
        return QStringLiteral("Moodle XML 题库");
    case FileKind::Text:
        break;
    }
    return QStringLiteral("文本文件");
}

QString exchange_message(const ExchangeError &error)
{
    switch (error.what) {
    case What::None:
        return QString();
    case What::OldWordFile:
        return QStringLiteral("这是旧版 Word 文档（.doc），无法直接导入：请在 Word 中另存为 .docx "
                              "后再导入");
    case What::OldExcelFile:
        return QStringLiteral("这是旧版 Excel 工作簿（.xls），无法直接导入：请在 Excel 中另存为 "
                              ".xlsx 后再导入");
    case What::OldOfficeFile:
        return QStringLiteral(
            "这是旧版 Office 文件（97–2003 格式），无法直接导入：请在 Word 中另存为 "
            ".docx（或在 Excel 中另存为 .xlsx）后再导入");
    case What::EncryptedOffice:
        return QStringLiteral("这个文件设有打开密码，无法导入：请在 Word 或 Excel "
                              "中去掉密码（文件 → 信息 → 保护文档）后另存，再导入");
    case What::UnknownFormat:
        return QStringLiteral("看起来是%1，不是能导入的题目文件（.docx、.xlsx、.csv、.txt、GIFT "
                              "或 Moodle XML）")
            .arg(file_kind_words(error.kind));
    case What::NotOfFormat:
        return QStringLiteral("按 --from %1 无法读取：这个文件看起来是%2")
            .arg(error.found, file_kind_words(error.kind));
    case What::BrokenZip:
        return QStringLiteral(
                   "文件已经损坏，无法解压%1：请在 Word 或 Excel 中打开并重新保存后再导入")
            .arg(in_part(error));
    case What::ZipTooManyEntries:
        return QStringLiteral(
                   "压缩包中的文件超过 %1 个，不像 Word 或 Excel 文件，为安全起见不予导入")
            .arg(error.limit);
    case What::ZipTooLarge:
        return QStringLiteral("解压后超过 %1 MB%2，为安全起见不予导入")
            .arg(megabytes(error.limit), in_part(error));
    case What::PartMissing:
        return QStringLiteral("文件缺少 %1，不是完整的 Word 或 Excel 文件").arg(error.part);
    case What::XmlBroken:
        return QStringLiteral("%1 第 %2 行不是格式正确的 XML（%3）：文件已经损坏")
            .arg(error.part)
            .arg(error.line)
            .arg(error.detail);
    case What::XmlHasDtd:
        return QStringLiteral("%1 第 %2 行有文档类型声明（<!DOCTYPE>），Word 和 Excel "
                              "从不写它，为安全起见不予导入")
            .arg(error.part)
            .arg(error.line);
    case What::XmlTooDeep:
        return QStringLiteral("%1 第 %2 行：XML 元素嵌套超过 %3 层，为安全起见不予导入")
            .arg(error.part)
            .arg(error.line)
            .arg(error.limit);
    case What::XmlTooManyAttributes:
        return QStringLiteral("%1第 %2 行：一个 XML 元素有超过 %3 个属性，不是题目文件，"
                              "为安全起见不予导入")
            .arg(error.part.isEmpty() ? QString() : error.part + QLatin1Char(' '))
            .arg(error.line)
            .arg(error.limit);
    case What::XmlStartTagTooLong:
        return QStringLiteral("%1第 %2 行：一个 XML 元素的开始标记超过 %3 字节，不是题目文件，"
                              "为安全起见不予导入")
            .arg(error.part.isEmpty() ? QString() : error.part + QLatin1Char(' '))
            .arg(error.line)
            .arg(error.limit);
    case What::SheetTooLarge:
        return QStringLiteral("工作表“%1”超过 %2 行或列，不像题目表，为安全起见不予导入")
            .arg(error.part)
            .arg(error.limit);
    case What::SheetTooManyCells:
        return QStringLiteral("读到工作表“%1”时单元格已超过 %2 个，不像题目表，为安全起见不予导入")
            .arg(error.part)
            .arg(error.limit);
    case What::NulByte:
        return QStringLiteral("第 %1 行有一个空字节（0x00）：这不是文本文件，或者已经损坏")
            .arg(error.line);
    case What::BrokenUtf8:
        return QStringLiteral("文件是 UTF-8 编码，但第 %1 行的字节 %2 不合 UTF-8：文件已经损坏，"
                              "请修好再导入")
            .arg(error.line)
            .arg(error.found);
    case What::Undecodable:
        return QStringLiteral("文件既不是 UTF-8 也不是 GB18030 编码（第 %1 行的字节 %2 不合 "
                              "UTF-8），无法读取")
            .arg(error.line)
            .arg(error.found);
    case What::BrokenUtf16:
        return QStringLiteral("文件标明是 UTF-16 编码，却有不合 UTF-16 的字节：文件已经损坏，"
                              "请修好再导入");
    case What::QuizXmlBroken:
        return QStringLiteral("第 %1 行：不是格式正确的 XML（%2）")
            .arg(error.line)
            .arg(error.detail);
    case What::QuizDeclaresEntities:
        return QStringLiteral("第 %1 行：文件声明了实体（<!ENTITY>），题库用不到它，"
                              "为安全起见不予导入")
            .arg(error.line);
    case What::QuizTooDeep:
        return QStringLiteral("第 %1 行：XML 元素嵌套超过 %2 层，不是题库文件")
            .arg(error.line)
            .arg(error.limit);
    case What::NoQuiz:
        return QStringLiteral("文件里没有 <quiz>，不是 Moodle XML 题库");
    case What::NotAQuiz:
        return QStringLiteral("第 %1 行：最外层是 <%2> 而不是 <quiz>，不是 Moodle XML 题库")
            .arg(error.line)
            .arg(error.found);
    }
    return QString();
}

QString read_as_gb18030_note(int line, const QString &byte)
{
    return QStringLiteral("文件不是 UTF-8 编码（第 %1 行的字节 %2 不合 UTF-8），按 GB18030 读取")
        .arg(line)
        .arg(byte);
}

namespace
{

QString number_text(double value)
{
    return QString::number(value, 'g', 10);
}

} // namespace

QString no_key_reason()
{
    return QStringLiteral("没有找到答案");
}

QString not_a_key_reason(const QString &key)
{
    return QStringLiteral("答案“%1”不是选项字母（A 到 F）或对错").arg(key);
}

QString two_keys_reason(const QString &first, const QString &second)
{
    return QStringLiteral("有两个不同的答案：%1 和 %2").arg(first, second);
}

QString too_many_options_reason(int count)
{
    return QStringLiteral("有 %1 个选项，试卷的选择题最多六个（A 到 F）").arg(count);
}

QString too_few_options_reason()
{
    return QStringLiteral("选择题至少要有 A、B 两个选项");
}

QString key_outside_options_reason(const QString &letters, int option_count)
{
    return QStringLiteral("答案 %1 不在选项 A 到 %2 之中")
        .arg(letters)
        .arg(QChar(u'A' + option_count - 1));
}

QString single_with_several_keys_reason(const QString &letters)
{
    return QStringLiteral("单选题有 %1 个答案（%2），单选题只能有一个答案")
        .arg(letters.size())
        .arg(letters);
}

QString kind_full_reason(QuestionKind kind)
{
    return QStringLiteral("试卷的%1已有 %2 道，放不下了").arg(kind_name(kind)).arg(kMaxQuestions);
}

QString empty_question_reason()
{
    return QStringLiteral("题目是空的");
}

QString not_a_question_reason()
{
    return QStringLiteral("没有题号、选项或答案，不像是题目");
}

QString score_rounded_change(double written, double held)
{
    return QStringLiteral("分值 %1 改成了 %2：试卷的分数在 0 到 10000 之间，最多两位小数")
        .arg(number_text(written), number_text(held));
}

QString partial_too_high_change(double partial, double score)
{
    return QStringLiteral("部分得分 %1 高于满分 %2，改为满分的一半")
        .arg(number_text(partial), number_text(score));
}

QString judgement_change(const QStringList &options, bool truth)
{
    return QStringLiteral("判断题改成了单选题：A. %1　B. %2，答案 %3")
        .arg(options.value(0), options.value(1), truth ? QStringLiteral("A") : QStringLiteral("B"));
}

QString key_from_formatting_change(const QString &letters)
{
    return QStringLiteral("没有写出答案，答案 %1 取自标了颜色或突出显示的选项").arg(letters);
}

QString dollar_change()
{
    return QStringLiteral("“$”换成了全角的“＄”：试卷文件用“$”结束每段文字");
}

QString dropped_analyses_note(int count)
{
    return QStringLiteral("%1 道选择题的解析没有导入：试卷的选择题没有放解析的地方").arg(count);
}

QString no_header_note(const QString &sheet)
{
    const QString where =
        sheet.isEmpty() ? QStringLiteral("文件") : QStringLiteral("工作表“%1”").arg(sheet);
    return QStringLiteral("%1的前 10 行中没有表头（至少要有“题干”一列和“答案”等另一列），没有读取")
        .arg(where);
}

QString ignored_columns_note(const QStringList &columns)
{
    return QStringLiteral("这些列没有导入：%1").arg(columns.join(QChar(0x3001)));
}

QString text_export_difference(QuestionKind kind, int number)
{
    return QStringLiteral("%1 %2 写成文本后读回会不同（文字中有像题号、选项或“【答案】”的行，"
                          "或者选择题没有答案），导入前请核对")
        .arg(kind_name(kind))
        .arg(number);
}

QString docx_export_difference(QuestionKind kind, int number)
{
    return QStringLiteral("%1 %2 写成 Word 文档后读回会不同（文字中有像题号、选项或答案的段落，"
                          "或者选择题没有答案），导入前请核对")
        .arg(kind_name(kind))
        .arg(number);
}

QString xlsx_export_difference(QuestionKind kind, int number)
{
    return QStringLiteral("%1 %2 写成 Excel 表格后读回会不同（选项不是“A. …”一行一个、"
                          "题干里写了分数、文字首尾有空白、一格超过 32767 字，"
                          "或者选择题的答案不对），导入前请核对")
        .arg(kind_name(kind))
        .arg(number);
}

QString variant_name(int variant)
{
    return QChar(u'A' + variant) + QStringLiteral("卷");
}

namespace
{

QString options_kept_reason(OptionsKept why)
{
    switch (why) {
    case OptionsKept::NotLaidOut:
        break;
    case OptionsKept::KeyOutsideOptions:
        return QStringLiteral("答案中有题面没有排出的选项");
    case OptionsKept::TextAfterLastOption:
        return QStringLiteral("最后一个选项后面还有另起一行的文字，打乱会把它随这个选项移走");
    case OptionsKept::WouldNotReadBack:
        return QStringLiteral("有选项以像选项字母的文字开头（如“B.”），重新排出后会被拆开");
    }
    return QStringLiteral("题面中没有从“A.”起依次排出的选项");
}

} // namespace

QString options_kept_note(int variant, const KeptOptions &kept)
{
    return QStringLiteral("%1 %2 第 %3 题（原卷第 %4 题）的选项没有打乱：%5")
        .arg(variant_name(variant), kind_name(kept.kind), QString::number(kept.number),
             QString::number(kept.original), options_kept_reason(kept.why));
}

QString same_variant_note(const SameVariant &same)
{
    const QString other = same.same_as < 0 ? QStringLiteral("原卷") : variant_name(same.same_as);
    if (same.variant == 0)
        return QStringLiteral("%1与%2相同：试卷的题目和选项太少，打乱不出与原卷不同的试卷")
            .arg(variant_name(same.variant), other);
    return QStringLiteral("%1与%2相同：试卷的题目和选项太少，打乱不出这么多份互不相同的试卷")
        .arg(variant_name(same.variant), other);
}

QString docx_paragraph_place(int number)
{
    return QStringLiteral("第 %1 段").arg(number);
}

namespace
{

QString mark_name(TextMark what)
{
    switch (what) {
    case TextMark::Picture:
        return QStringLiteral("图片");
    case TextMark::Formula:
        return QStringLiteral("公式");
    case TextMark::Audio:
        return QStringLiteral("音频");
    case TextMark::Video:
        return QStringLiteral("视频");
    case TextMark::EmbeddedContent:
        return QStringLiteral("嵌入内容");
    case TextMark::Link:
        return QStringLiteral("链接");
    }
    return QString();
}

} // namespace

QString text_mark(TextMark what, const QString &label)
{
    return label.isEmpty() ? QStringLiteral("[%1]").arg(mark_name(what))
                           : QStringLiteral("[%1：%2]").arg(mark_name(what), label);
}

QString inline_file_label(TextMark what)
{
    return QStringLiteral("内嵌") + mark_name(what);
}

QString picture_mark(const QString &name)
{
    return text_mark(TextMark::Picture, name);
}

QString picture_left_as_mark(const QString &mark)
{
    return QStringLiteral("图片无法导入，留下了文字标记“%1”").arg(mark);
}

QString equation_mark()
{
    return text_mark(TextMark::Formula);
}

QString equation_written_on_one_line(const QString &line)
{
    return QStringLiteral("公式写成了一行：%1").arg(line);
}

QString equation_left_as_mark()
{
    return QStringLiteral("公式无法写成一行，留下了文字标记“%1”").arg(equation_mark());
}

QString html_too_deep_reason(int limit)
{
    return QStringLiteral("HTML 元素嵌套超过 %1 层").arg(limit);
}

// --- Learning platforms' files: GIFT and Moodle XML -------------------------

QString line_place(int number)
{
    return QStringLiteral("第 %1 行").arg(number);
}

QString question_element_place(int index, qint64 line)
{
    return QStringLiteral("第 %1 个 <question>（第 %2 行）").arg(index).arg(line);
}

namespace
{

// A kind of question the paper has no place for: "配对题", "题型（ddwtos）".
QString no_such_kind_reason(const QString &kind)
{
    return QStringLiteral("%1无法导入：试卷里没有这种题型").arg(kind);
}

QString option_name(int option)
{
    return QStringLiteral("选项 ") + QChar(u'A' + option);
}

QString percent_text(double percent)
{
    return QString::number(percent, 'g', 6) + QLatin1Char('%');
}

} // namespace

QString gift_name_unclosed_reason()
{
    return QStringLiteral("题目名称缺少结尾的“::”");
}

QString gift_no_answer_part_reason()
{
    return QStringLiteral("没有答案部分“{…}”，是说明文字而不是题目");
}

QString gift_answer_part_unclosed_reason()
{
    return QStringLiteral("答案部分缺少结尾的“}”");
}

QString gift_answer_part_unreadable_reason()
{
    return QStringLiteral("答案部分无法识别：应以“=”或“~”开始");
}

QString numerical_question_reason()
{
    return no_such_kind_reason(QStringLiteral("数值题"));
}

QString matching_question_reason()
{
    return no_such_kind_reason(QStringLiteral("配对题"));
}

QString description_reason()
{
    return QStringLiteral("说明文字（description）不是题目");
}

QString unsupported_type_reason(const QString &type)
{
    QString known = QStringLiteral("题型");
    if (type == QLatin1String("matching"))
        known = QStringLiteral("配对题");
    else if (type == QLatin1String("numerical"))
        known = QStringLiteral("数值题");
    else if (type == QLatin1String("cloze"))
        known = QStringLiteral("完形填空题");
    return no_such_kind_reason(QStringLiteral("%1（%2）").arg(known, type));
}

QString grade_not_a_number_reason(const QString &grade)
{
    return QStringLiteral("分值“%1”不是数").arg(grade);
}

QString true_false_without_truth_reason()
{
    return QStringLiteral("判断题没有标明正确的是“true”还是“false”");
}

QString no_full_credit_option_reason()
{
    return QStringLiteral("单选题没有得满分（100%）的选项");
}

QString several_full_credit_options_reason(const QStringList &letters)
{
    return QStringLiteral("单选题有 %1 个得满分的选项（%2），试卷的单选题只有一个答案")
        .arg(letters.size())
        .arg(letters.join(QChar(0x3001)));
}

QString no_right_option_reason()
{
    return QStringLiteral("没有正确选项");
}

QString no_options_reason()
{
    return QStringLiteral("没有选项");
}

QString no_accepted_answer_reason()
{
    return QStringLiteral("没有可接受的答案");
}

QString grade_out_of_range_reason(double grade)
{
    return QStringLiteral("分值 %1 不在 0 到 10000 之间").arg(grade);
}

QString option_credit_lost_change(int option, double percent)
{
    return QStringLiteral("%1 在平台上得 %2 的分，在试卷上不得分")
        .arg(option_name(option), percent_text(percent));
}

QString right_options_sum_change(double percent)
{
    return QStringLiteral("正确选项在平台上合计 %1，在试卷上选全它们得满分、选对一部分得部分分")
        .arg(percent_text(percent));
}

QString empty_option_change(int option)
{
    return option_name(option) + QStringLiteral(" 是空的");
}

QString mark_left_change(const QString &mark)
{
    return QStringLiteral("%1无法导入，留下了这个文字标记").arg(mark);
}

QString embedded_file_change(const QString &name)
{
    return QStringLiteral("内嵌的文件“%1”没有导入").arg(name);
}

QStringList truth_option_words()
{
    return {QStringLiteral("正确"), QStringLiteral("错误")};
}

QString answer_with_credit(const QString &answer, double percent)
{
    return answer + QStringLiteral("（%1）").arg(percent_text(percent));
}

QString sheet_row_place(const QString &sheet, int row)
{
    return QStringLiteral("工作表“%1”第 %2 行").arg(sheet).arg(row);
}

QString question_place(const QString &place, const QString &section, int number)
{
    return QStringLiteral("%1（%2第 %3 题）")
        .arg(place, section.isEmpty() ? QString() : section + QChar(0x3001))
        .arg(number);
}
