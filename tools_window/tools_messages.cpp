#include "tools_window/tools_messages.h"

#include <QDir>

namespace tools_text
{

namespace
{
QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}
} // namespace

QString window_title()
{
    return QStringLiteral("试卷工具");
}

QString drop_hint()
{
    return QStringLiteral("把试卷文件夹或题目文件（Word、Excel、CSV、文本、GIFT、Moodle XML）"
                          "拖到这里，\n或者用上面的按钮打开。");
}

QString open_paper_button()
{
    return QStringLiteral("打开试卷文件夹…");
}

QString open_questions_button()
{
    return QStringLiteral("打开题目文件…");
}

QString choose_paper_caption()
{
    return QStringLiteral("选择试卷文件夹");
}

QString choose_questions_caption()
{
    return QStringLiteral("选择要导入的题目文件");
}

QString questions_filter()
{
    return QStringLiteral("题目文件 (*.docx *.xlsx *.csv *.txt *.gift *.xml);;所有文件 (*)");
}

QString not_found(const QString &path)
{
    return QStringLiteral("找不到 %1").arg(shown(path));
}

QString paper_heading(const QString &folder)
{
    return QStringLiteral("试卷：%1").arg(shown(folder));
}

QStringList finding_columns()
{
    return {QStringLiteral("位置"), QStringLiteral("需要改正的地方")};
}

QString no_findings()
{
    return QStringLiteral("没有发现需要改正的地方。");
}

QString with_key()
{
    return QStringLiteral("附参考答案");
}

QString print_button()
{
    return QStringLiteral("打印");
}

QString save_word_button()
{
    return QStringLiteral("另存为 Word…");
}

QString save_pdf_button()
{
    return QStringLiteral("另存为 PDF…");
}

QString save_html_button()
{
    return QStringLiteral("另存为 HTML…");
}

QString save_excel_button()
{
    return QStringLiteral("另存为 Excel…");
}

QString export_platform_button()
{
    return QStringLiteral("导出到学习平台");
}

QString export_gift_action()
{
    return QStringLiteral("GIFT 格式…");
}

QString export_moodle_action()
{
    return QStringLiteral("Moodle XML 格式…");
}

QString variants_button()
{
    return QStringLiteral("A/B 卷…");
}

QString recheck_button()
{
    return QStringLiteral("重新检查");
}

QString word_caption()
{
    return QStringLiteral("另存为 Word 文档");
}

QString pdf_caption()
{
    return QStringLiteral("另存为 PDF");
}

QString html_caption()
{
    return QStringLiteral("另存为 HTML 网页");
}

QString excel_caption()
{
    return QStringLiteral("另存为 Excel 工作簿");
}

QString gift_caption()
{
    return QStringLiteral("导出为 GIFT 文件");
}

QString moodle_caption()
{
    return QStringLiteral("导出为 Moodle XML 文件");
}

QString word_filter()
{
    return QStringLiteral("Word 文档 (*.docx)");
}

QString pdf_filter()
{
    return QStringLiteral("PDF 文件 (*.pdf)");
}

QString html_filter()
{
    return QStringLiteral("网页 (*.html *.htm)");
}

QString excel_filter()
{
    return QStringLiteral("Excel 工作簿 (*.xlsx)");
}

QString gift_filter()
{
    return QStringLiteral("GIFT 文件 (*.gift *.txt)");
}

QString moodle_filter()
{
    return QStringLiteral("Moodle XML 文件 (*.xml)");
}

QString key_suffix()
{
    return QStringLiteral("（含答案）");
}

QString write_into_paper_folder(const QString &folder, const QString &file)
{
    return QStringLiteral("文件夹 %1 中有一份试卷（problem.prb、answer.ans）。"
                          "确定把 %2 写在那里吗？试卷本身不会改动。")
        .arg(shown(folder), QDir(folder).relativeFilePath(file));
}

QString saved(const QString &path)
{
    return QStringLiteral("已保存：%1").arg(shown(path));
}

QString saved_with_differences(const QString &path, const QStringList &differences)
{
    return QStringLiteral("已保存 %1，但其中有题目再读回来会不一样：\n%2")
        .arg(shown(path), differences.join(QLatin1Char('\n')));
}

QString printed(const QString &path)
{
    return QStringLiteral("已在 PDF 阅读器中打开 %1，请从那里打印。").arg(shown(path));
}

QString no_pdf_viewer(const QString &path)
{
    return QStringLiteral("这台电脑上没有能打开 PDF 的程序。PDF 已保存在 %1，"
                          "装好 PDF 阅读器后可以从那里打开、打印。")
        .arg(shown(path));
}

QString questions_heading(const QString &file)
{
    return QStringLiteral("题目文件：%1").arg(shown(file));
}

QStringList preview_columns()
{
    return {QStringLiteral("类型"), QStringLiteral("题号"),     QStringLiteral("答案"),
            QStringLiteral("分值"), QStringLiteral("部分得分"), QStringLiteral("题目"),
            QStringLiteral("位置"), QStringLiteral("说明")};
}

QString scores_label()
{
    return QStringLiteral("文件没有给出分数的题目：");
}

QString single_score_label()
{
    return QStringLiteral("单选");
}

QString multiple_score_label()
{
    return QStringLiteral("多选");
}

QString free_score_label()
{
    return QStringLiteral("非选择");
}

QString target_label()
{
    return QStringLiteral("新试卷的文件夹：");
}

QString change_target_button()
{
    return QStringLiteral("更改…");
}

QString choose_target_caption()
{
    return QStringLiteral("选择新试卷的文件夹");
}

QString import_button()
{
    return QStringLiteral("导入");
}

QString nothing_to_import()
{
    return QStringLiteral("文件中没有可以导入的题目。");
}

QString replace_paper(const QString &folder)
{
    return QStringLiteral("文件夹 %1 中已有一份试卷。导入的题目会替换它，原来的题目将丢失。"
                          "确定替换吗？")
        .arg(shown(folder));
}

QString imported(const QString &folder)
{
    return QStringLiteral("已导入为新试卷：%1").arg(shown(folder));
}

QString variants_title()
{
    return QStringLiteral("A/B 卷");
}

QString variant_count_label()
{
    return QStringLiteral("份数：");
}

QString variant_seed_label()
{
    return QStringLiteral("种子：");
}

QString variant_seed_hint()
{
    return QStringLiteral("同一个种子在任何电脑上都做出同样的几份；记下它，需要时可以再做一次。");
}

QString variant_target_label()
{
    return QStringLiteral("放到文件夹：");
}

QString variants_target_caption()
{
    return QStringLiteral("选择放 A/B 卷的文件夹");
}

QString variants_folder_name(const QString &paper)
{
    return QStringLiteral("%1-AB卷").arg(paper);
}

QString replace_variants(const QString &folder)
{
    return QStringLiteral("%1 中已有试卷，新做的会替换它们，原来的题目将丢失。确定替换吗？")
        .arg(shown(folder));
}

QString variants_made(const QStringList &names, const QString &folder, const QString &seed)
{
    return QStringLiteral("已做出%1，放在 %2。种子：%3")
        .arg(names.join(QStringLiteral("、")), shown(folder), seed);
}

QString ok_button()
{
    return QStringLiteral("确定");
}

QString cancel_button()
{
    return QStringLiteral("取消");
}

QString working(qint64 done, qint64 total)
{
    if (total <= 0)
        return QStringLiteral("正在处理…");
    return QStringLiteral("正在处理：%1 / %2").arg(done).arg(total);
}

QString cancelled()
{
    return QStringLiteral("已取消，没有写出任何文件。");
}

QString out_of_memory()
{
    return QStringLiteral("内存不足");
}

} // namespace tools_text
