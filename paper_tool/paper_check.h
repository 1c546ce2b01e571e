#pragma once
// What a teacher should mend before the exam, found over the whole paper.

#include "paper/paper_commands.h"
#include "paper/paper_files.h"
#include "paper/paper_messages.h"
#include "paper/paper_score.h"

#include <QString>
#include <vector>

// One line per finding: "<kind> 第 <n> 题 <field>：<what is wrong>", or
// "<file>：<what is wrong>" for what lies in a file beyond the counts.
std::vector<QString> check_paper(const PaperOnDisk &disk);

// The counts, as the control page names them, and the total line the window
// would show for this paper.
QString paper_counts_line(const PaperData &paper);
QString paper_total_line(const PaperData &paper);
