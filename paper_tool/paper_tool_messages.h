#pragma once
// The texts of qv_paper's own failures, in Chinese, for the command line and
// 试卷工具 alike. The paper's and the formats' failures are worded in their
// own layers.

#include "paper_tool/paper_print.h"

#include <QString>

// Empty for no failure.
QString print_message(const PrintError &error);

// qv_paper print without a font for Chinese: the PDF refused, and how to
// have it anyway; or made with --force, and what it lacks.
QString no_chinese_font_refusal();
QString no_chinese_font_warning();
