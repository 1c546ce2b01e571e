#pragma once
// A paper's total score and how it is written: one sum for the window, the
// check and the printed paper, so that all three show the same double.

#include "paper/paper_files.h"

#include <QString>

// The stored scores added one by one in double precision: single choice, then
// the multiple-choice full scores, then free answer.
double paper_total(const PaperData &paper);

// The same for questions 1 to count of the open paper's tables.
double open_paper_total();

// The value as printf's "%.2f" would give it in the C locale: exact rounding
// of the double, "." whatever the user's locale.
QString two_decimals_text(double value);

// A score as the printed paper and the check show it: at most two decimals,
// no trailing zeros.
QString score_text(double score);
