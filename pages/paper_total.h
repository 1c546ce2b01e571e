#pragma once
// The paper's total score, as the teacher checks it on the control page.

#include <QString>

// The stored scores of questions 1 to count, added one by one in double
// precision: single-choice, then multiple-choice full scores, then free answer.
double paper_total();

// "试卷总分确认：<total> 分" with the total as printf's "%.2f" would give it in
// the C locale: exact rounding of the double, "." whatever the user's locale.
QString total_line(double total);

// What the label says while no paper is open.
QString no_paper_line();
