#include "paper_tool/paper_tool_messages.h"

QString print_message(const PrintError &error)
{
    switch (error.what) {
    case PrintError::What::None:
        break;
    case PrintError::What::NoChineseFont:
        return QStringLiteral("这台电脑上没有能显示中文的字体，PDF 中的中文会全部缺失，"
                              "所以没有生成 PDF。请安装中文字体（Debian：fonts-noto-cjk）后再试，"
                              "或者存为 HTML，用浏览器打印。");
    case PrintError::What::TooLong:
        return QStringLiteral("试卷太长，无法排成一份 PDF（超过约 %1 页）。").arg(kMostPages);
    case PrintError::What::NotWritten:
        return QStringLiteral("Qt 未能生成 PDF。");
    }
    return QString();
}

QString no_chinese_font_refusal()
{
    return print_message({PrintError::What::NoChineseFont}) +
           QStringLiteral("\n确要生成没有中文的 PDF，请加 --force。");
}

QString no_chinese_font_warning()
{
    return QStringLiteral("这台电脑上没有能显示中文的字体：PDF 已生成，但其中的中文全部缺失。"
                          "请安装中文字体（Debian：fonts-noto-cjk）。");
}
