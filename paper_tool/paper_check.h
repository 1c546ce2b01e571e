#pragma once
// What a teacher should mend before the exam, found over the whole paper.

#include "paper/paper_commands.h"
#include "paper/paper_files.h"
#include "paper/paper_messages.h"
#include "paper/paper_score.h"

#include <QString>
#include <vector>

// One thing to mend: where ("<kind> 第 <n> 题 <field>", or the file's name for
// what lies in a file beyond the counts) and what is wrong there.
struct PaperFinding {
    QString place;
    QString what;
    QString line() const; // "<place>：<what>", as qv_paper check prints it
};

// In the order of the paper: kind, number, then the page's fields.
std::vector<PaperFinding> paper_findings(const PaperOnDisk &disk);
std::vector<QString> check_paper(const PaperOnDisk &disk); // each finding's line()

// The counts, as the control page names them, and the total line the window
// would show for this paper.
QString paper_counts_line(const PaperData &paper);
QString paper_total_line(const PaperData &paper);
