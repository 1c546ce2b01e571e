#pragma once
// Exchanging a paper with learning platforms: GIFT and Moodle XML, both ways.

#include "paper/paper_files.h"

#include <QByteArray>
#include <QString>
#include <vector>

// A question of the file that did not become a question of the paper.
struct ImportSkip {
    QString
        position; // where it stands in the file, for the teacher: "第 12 行", "第 3 个 <question>"
    QString reason; // why it was left out, in Chinese
};

// The score each kind gets where the file gives none.
struct ImportScores {
    double single_choice = 1.0;
    double multiple_choice = 1.0;
    double free_answer = 1.0;
};

struct ImportResult {
    PaperData paper;                 // the questions taken, in file order within each kind
    std::vector<ImportSkip> skipped; // in file order
    QString error;                   // not empty: the file as a whole could not be read
};

QByteArray export_gift(const PaperData &paper);
QByteArray export_moodle_xml(const PaperData &paper);

ImportResult import_gift(const QByteArray &file, const ImportScores &scores);
ImportResult import_moodle_xml(const QByteArray &file, const ImportScores &scores);
