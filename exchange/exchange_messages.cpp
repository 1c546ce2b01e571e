#include "exchange/exchange_messages.h"

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
        return QStringLiteral("这是旧版 Office 文件（97–2003 格式），无法直接导入：请在 Word 中另存为 "
                              ".docx（或在 Excel 中另存为 .xlsx）后再导入");
    case What::EncryptedOffice:
        return QStringLiteral("这个文件设有打开密码，无法导入：请在 Word 或 Excel "
                              "中去掉密码（文件 → 信息 → 保护文档）后另存，再导入");
    case What::UnknownFormat:
        return QStringLiteral("看起来是%1，不是能导入的题目文件（.docx、.xlsx、.csv、.txt、GIFT "
                              "或 Moodle XML）")
            .arg(error.found);
    case What::NotOfFormat:
        return QStringLiteral("按 --from %1 无法读取：这个文件看起来是%2")
            .arg(error.found, error.detail);
    case What::BrokenZip:
        return QStringLiteral("文件已经损坏，无法解压%1：请在 Word 或 Excel 中打开并重新保存后再导入")
            .arg(in_part(error));
    case What::ZipTooManyEntries:
        return QStringLiteral("压缩包中的文件超过 %1 个，不像 Word 或 Excel 文件，为安全起见不予导入")
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
    case What::SheetTooLarge:
        return QStringLiteral("工作表“%1”超过 %2 行或列，不像题目表，为安全起见不予导入")
            .arg(error.part)
            .arg(error.limit);
    case What::NulByte:
        return QStringLiteral("第 %1 行有一个空字节（0x00）：这不是文本文件，或者已经损坏")
            .arg(error.line);
    case What::Undecodable:
        return QStringLiteral("第 %1 行既不是 UTF-8 也不是 GBK 编码的文字：请把文件另存为 UTF-8 "
                              "后再导入")
            .arg(error.line);
    }
    return QString();
}

QString docx_paragraph_place(int number)
{
    return QStringLiteral("第 %1 段").arg(number);
}

QString picture_mark(const QString &name)
{
    return name.isEmpty() ? QStringLiteral("[图片]") : QStringLiteral("[图片：%1]").arg(name);
}

QString picture_left_as_mark(const QString &mark)
{
    return QStringLiteral("图片无法导入，留下了文字标记“%1”").arg(mark);
}

QString equation_mark()
{
    return QStringLiteral("[公式]");
}

QString equation_written_on_one_line(const QString &line)
{
    return QStringLiteral("公式写成了一行：%1").arg(line);
}

QString equation_left_as_mark()
{
    return QStringLiteral("公式无法写成一行，留下了文字标记“%1”").arg(equation_mark());
}
