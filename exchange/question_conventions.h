#pragma once
// How Chinese question files write what a question is: the kinds' names in
// headings and columns, keys ("B", "A、C、D", "√"), scores ("（12分）",
// "每小题2分", "选对但不全的得2分") and options ("A．…  B．…"). Shared by text,
// Word documents and the cells of Excel and CSV files.

#include "paper/paper_model.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// White space as Chinese files have it: the full-width space too.
bool is_blank_space(QChar c);
QString trimmed_blank(const QString &text);

// The kind a heading or a type column names.
enum class SourceKind {
    Unknown,   // not named, or "选择题": told by the key
    Single,    // 单选, 单项选择
    Multiple,  // 多选, 多项选择, 不定项选择
    Judgement, // 判断, 是非: true or false
    FreeAnswer, // 填空, 简答, 问答, 论述, 计算, 解答, 名词解释, 材料分析 and the like
};

// The kind named at the start of `text` ("单项选择题（每小题2分）", "多选",
// "判断题", "True/False"); none when it names no kind.
std::optional<SourceKind> kind_named(const QString &text);

// What a section heading says of its questions' scores.
struct HeadingScores {
    std::optional<double> each; // "每小题2分", "每题 2 分", or "共10小题……共20分"
    std::optional<double> per_blank; // "每空1分"
    std::optional<double> partial; // "选对但不全的得2分", "少选得2分", "部分选对得2分"
};
HeadingScores heading_scores(const QString &heading);

// A partial score a question's own note gives ("少选得2分").
std::optional<double> partial_score_note(const QString &text);

// A key as written: option letters in any of "ACD", "A、C、D", "A,C,D",
// "A C D" (full-width letters too), as a mask of A to F; none for anything else.
std::optional<int> key_letters(const QString &text);

// A judgement's key: √ ✓ 对 正确 是 T True Y for true, × ✗ 错 错误 否 F False
// N for false; none for anything else.
std::optional<bool> truth_key(const QString &text);

// The two options a judgement becomes, in the file's own words: "正确"/"错误"
// for √ and ×, "对"/"错", "是"/"否", "T"/"F", "True"/"False".
QStringList truth_options(const QString &key);

// A question's own score "（12分）" in `text`: taken out of it, with its
// partial score when it states one ("（4分，少选得2分）").
struct OwnScore {
    double score = 0;
    std::optional<double> partial;
};
std::optional<OwnScore> take_own_score(QString &text);

// A key written in the stem's bracket "（ B ）" or "（√）": taken out, the
// empty bracket "（　）" left for the students.
std::optional<QString> take_bracket_key(QString &stem);

// The blanks to fill in a stem: "____" runs and empty brackets; at least 1.
int blank_count(const QString &stem);

// The option letters known, two past the paper's six (A to H): a question
// with a seventh or eighth option is found and refused, not read into F.
constexpr int kOptionLettersKnown = kOptionCount + 2;

// An option marker at `at` in `text` ("A．", "A.", "A、", "A)", "(A)", "（A）"):
// the letter (0 for A, below kOptionLettersKnown) and where the option's text
// starts; none otherwise.
struct OptionMarker {
    int letter = 0;
    int begin = 0; // the marker's first character
    int text = 0;  // the option's first character
};
std::optional<OptionMarker> option_marker_at(const QString &text, int at);

// The options of a line that opens with the marker of `first_letter`: one or
// more, separated by spaces, tabs, full-width spaces, or run together, each
// with its text's range in `line`.
struct LineOption {
    QString text;
    int begin = 0;
    int end = 0;
};
std::vector<LineOption> split_option_line(const QString &line, int first_letter);

// The nearest score the paper can hold: 0 to 10000 with at most two decimals,
// as the window's score boxes take them.
double paper_score(double score);
