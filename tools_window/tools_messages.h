#pragma once
// Every text the tools window shows of its own. What a check, an import or an
// export says comes from the layers below, worded as qv_paper prints it.

#include <QString>
#include <QStringList>

namespace tools_text
{

QString window_title();
QString drop_hint();
QString open_paper_button();
QString open_questions_button();
QString choose_paper_caption();
QString choose_questions_caption();
QString questions_filter();
QString not_found(const QString &path);

// The paper view.
QString paper_heading(const QString &folder);
QStringList finding_columns();
QString no_findings();
QString with_key();
QString print_button();
QString save_word_button();
QString save_pdf_button();
QString save_html_button();
QString save_excel_button();
QString export_platform_button();
QString export_gift_action();
QString export_moodle_action();
QString variants_button();
QString recheck_button();
QString word_caption();
QString pdf_caption();
QString html_caption();
QString excel_caption();
QString gift_caption();
QString moodle_caption();
QString word_filter();
QString pdf_filter();
QString html_filter();
QString excel_filter();
QString gift_filter();
QString moodle_filter();
QString key_suffix(); // "（含答案）", after a file's name
QString write_into_paper_folder(const QString &folder, const QString &file);
QString saved(const QString &path);
QString saved_with_differences(const QString &path, const QStringList &differences);
QString printed(const QString &path);
QString no_pdf_viewer(const QString &path);

// The import view.
QString questions_heading(const QString &file);
QStringList preview_columns();
QString scores_label();
QString single_score_label();
QString multiple_score_label();
QString free_score_label();
QString target_label();
QString change_target_button();
QString choose_target_caption();
QString import_button();
QString nothing_to_import();
QString replace_paper(const QString &folder);
QString imported(const QString &folder);

// A and B papers.
QString variants_title();
QString variant_count_label();
QString variant_seed_label();
QString variant_seed_hint();
QString variant_target_label();
QString variants_target_caption();
QString variants_folder_name(const QString &paper); // the default folder, beside the paper
QString replace_variants(const QString &folder);
QString variants_made(const QStringList &names, const QString &folder, const QString &seed);
QString ok_button();
QString cancel_button();

// Long work.
QString working(qint64 done, qint64 total);
QString cancelled();
QString out_of_memory();

} // namespace tools_text
