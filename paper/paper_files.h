#pragma once
// The two paper files, "problem.prb" and "answer.ans": their byte layout and
// the paper they hold as a value, which their reader (paper_reader.h) fills
// and their writer (paper_writer.h) writes.
//
// Layout: CR LF after every line; numbers separated by one space; scores as
// printf's "%g" with "." whatever the locale; texts in the local 8-bit encoding
// between "@" and "$", their line breaks written as CR LF. The readers accept
// CR LF or bare LF, any white space between numbers, any bytes between a number
// and the next "@", an "@" inside a text and anything after the last item.

#include "paper/paper_model.h"

#include <vector>

class QTextCodec;

// The two files of a paper's folder, as every program of the system names them.
constexpr char kProblemFileName[] = "problem.prb";
constexpr char kAnswerFileName[] = "answer.ans";

// A paper read from its files but not yet adopted into the model. Element i of
// a vector is question i + 1; the vector sizes are the counts.
struct PaperData {
    std::vector<ChoiceQuestion> onech;
    std::vector<ChoiceQuestion> somech;
    std::vector<UnchQuestion> unch;
    // The encoding the texts are decoded from; null: the local encoding.
    QTextCodec *codec = nullptr;
};

// The encoding a paper's texts are written and read in.
const QTextCodec *paper_data_codec(const PaperData &paper);
