#include "exchange/question_text.h"
#include "paper/work_progress.h"

#include "exchange/exchange_messages.h"
#include "exchange/question_conventions.h"
#include "exchange/raw_question.h"

#include <QRegularExpression>
#include <map>

namespace
{

bool is_space(QChar c)
{
    return is_blank_space(c);
}

QString trimmed(const QString &text)
{
    return trimmed_blank(text);
}

int leading_spaces(const QString &text)
{
    int i = 0;
    while (i < text.size() && is_space(text[i]))
        ++i;
    return i;
}

// One line as the parser sees it: a line of a text file, or a paragraph of a
// Word document up to a soft line break.
struct Line {
    QStringRef text; // untrimmed, in the document's own string: a large file is held once
    int source = 0;  // index of its SourceLine
    int offset = 0;  // where it starts in that SourceLine's text
};

std::vector<Line> split_soft_breaks(const SourceDocument &document)
{
    std::vector<Line> lines;
    for (size_t i = 0; i < document.lines.size(); ++i) {
        const QString &text = document.lines[i].text;
        int start = 0;
        for (;;) {
            const int end = text.indexOf(QLatin1Char('\n'), start);
            lines.push_back(
                {QStringRef(&text, start, (end < 0 ? text.size() : end) - start), int(i), start});
            if (end < 0)
                break;
            start = end + 1;
        }
    }
    return lines;
}

// ---------------------------------------------------------------------------
// What a line is

const QString kChineseNumerals = QStringLiteral("一二三四五六七八九十");

struct Heading {
    SourceKind kind = SourceKind::Unknown;
    QString label; // "一" from "一、单项选择题"; empty when not numbered
    QString text;
};

// "一、单项选择题（每小题2分）", "第二部分 判断题", "三．填空题", "单选题".
std::optional<Heading> heading_of(const QString &line)
{
    static const QRegularExpression numbered(
        QStringLiteral("^第?([一二三四五六七八九十]+)(?:部分|大题)?\\s*[、．.:：\\s]\\s*(.*)$"));
    static const QRegularExpression bare(
        QStringLiteral("^(\\S{1,8}?题)\\s*(?:[（(].*[)）])?\\s*[:：]?$"));
    const QRegularExpressionMatch match = numbered.match(line);
    Heading heading;
    heading.text = line;
    QString rest;
    if (match.hasMatch()) {
        heading.label = match.captured(1);
        rest = match.captured(2);
    } else if (bare.match(line).hasMatch()) {
        rest = line;
    } else {
        return std::nullopt;
    }
    const std::optional<SourceKind> kind = kind_named(rest);
    if (!kind)
        return std::nullopt;
    heading.kind = *kind;
    return heading;
}

// "参考答案", "答案与解析", "三、参考答案及评分标准".
bool is_answer_section_heading(const QString &line)
{
    static const QRegularExpression heading(QStringLiteral(
        "^(?:[一二三四五六七八九十]+\\s*[、．.]\\s*)?[【\\[]?(?:参考答案|答案|试题答案|标准答案)"
        "(?:与|及|和)?(?:解析|评分标准|详解)?[】\\]]?\\s*[:：]?$"));
    return heading.match(line).hasMatch();
}

enum class Numbering { Dotted, Bracketed };

struct QuestionNumber {
    int number = 0;
    Numbering style = Numbering::Dotted;
    int rest = 0; // where the question's text starts in the trimmed line
};

// "1．", "1.", "1、", "（1）", "(1)"; "1.5" is a number, not a question.
std::optional<QuestionNumber> question_number(const QString &line)
{
    static const QRegularExpression dotted(
        QStringLiteral("^([0-9]{1,5})\\s*(?:[．、]|\\.(?![0-9]))\\s*"));
    static const QRegularExpression bracketed(
        QStringLiteral("^[（(]\\s*([0-9]{1,5})\\s*[)）]\\s*"));
    QRegularExpressionMatch match = dotted.match(line);
    if (match.hasMatch())
        return QuestionNumber{match.captured(1).toInt(), Numbering::Dotted, match.capturedEnd()};
    match = bracketed.match(line);
    if (match.hasMatch())
        return QuestionNumber{match.captured(1).toInt(), Numbering::Bracketed, match.capturedEnd()};
    return std::nullopt;
}

enum class Label { Answer, Analysis };

// "【答案】B", "答案：B", "正确答案：AC", "ANSWER: B", "【解析】…", "【详解】…".
std::optional<std::pair<Label, QString>> labelled_line(const QString &line)
{
    static const QRegularExpression answer(QStringLiteral(
        "^(?:[【\\[]\\s*(?:正确答案|参考答案|标准答案|答案)\\s*[】\\]]\\s*[:：]?|"
        "(?:正确答案|参考答案|标准答案|答案)\\s*[:：]|(?:answer|ANSWER|Answer)\\s*[:：])\\s*"));
    static const QRegularExpression analysis(QStringLiteral(
        "^(?:[【\\[]\\s*(?:解析|详解|点睛|分析|试题解析|答案解析)\\s*[】\\]]\\s*[:：]?|"
        "(?:解析|详解|点睛|试题解析|答案解析)\\s*[:：])\\s*"));
    QRegularExpressionMatch match = answer.match(line);
    if (match.hasMatch())
        return std::pair{Label::Answer, line.mid(match.capturedEnd())};
    match = analysis.match(line);
    if (match.hasMatch())
        return std::pair{Label::Analysis, line.mid(match.capturedEnd())};
    return std::nullopt;
}

// An answer line that goes on with its analysis: "B【解析】…", "B 解析：…".
std::pair<QString, std::optional<QString>> split_analysis(const QString &answer)
{
    static const QRegularExpression analysis(
        QStringLiteral("[【\\[]\\s*(?:解析|详解|点睛|分析|试题解析|答案解析)\\s*[】\\]]\\s*[:：]?"
                       "|(?:解析|详解|点睛)\\s*[:：]"));
    const QRegularExpressionMatch match = analysis.match(answer);
    if (!match.hasMatch())
        return {answer, std::nullopt};
    return {answer.left(match.capturedStart()), answer.mid(match.capturedEnd()).trimmed()};
}

// ---------------------------------------------------------------------------
// The answer section at the end: "1～5 BCADB", "1.B 2.C", "11．答：…"

struct AnswerEntry {
    int section = -1; // index among the answer section's own headings; -1: none yet
    int number = 0;
    QString key;       // a short key
    QString reference; // a free answer's text
    QString analysis;
    QString place;
};

// "1～5 BCADB", "1-5：BCADB", "6～10 AC BD ABC AD ABCD".
bool read_key_run(const QString &line, std::vector<std::pair<int, QString>> &keys)
{
    static const QRegularExpression run(QStringLiteral(
        "^([0-9]{1,5})\\s*[～~\\-—–－至到]\\s*([0-9]{1,5})\\s*(?:题)?\\s*[:：.．、]?\\s*(.+)$"));
    const QRegularExpressionMatch match = run.match(line);
    if (!match.hasMatch())
        return false;
    const int first = match.captured(1).toInt();
    const int last = match.captured(2).toInt();
    if (last < first || last - first > 100)
        return false;
    const int count = last - first + 1;
    const QString rest = trimmed(match.captured(3));
    QStringList groups = rest.split(QRegularExpression(QStringLiteral("[\\s\\x{3000},，、;；]+")),
                                    Qt::SkipEmptyParts);
    if (groups.size() != count) {
        // Run together: one character a question ("BCADB", "√×√").
        if (rest.size() != count)
            return false;
        groups.clear();
        for (const QChar c : rest)
            groups.append(QString(c));
    }
    for (int i = 0; i < count; ++i) {
        if (!key_letters(groups[i]) && !truth_key(groups[i]))
            return false;
        keys.push_back({first + i, groups[i]});
    }
    return true;
}

// "1.B 2.C 3.√", each a short key.
bool read_key_items(const QString &line, std::vector<std::pair<int, QString>> &keys)
{
    static const QRegularExpression item(
        QStringLiteral("(?:^|[\\s\\x{3000}])([0-9]{1,5})\\s*[．.、:：)）]\\s*"));
    std::vector<std::pair<int, int>> starts; // number, where its key starts
    std::vector<int> begins;
    QRegularExpressionMatchIterator it = item.globalMatch(line);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        starts.push_back({match.captured(1).toInt(), match.capturedEnd()});
        begins.push_back(match.capturedStart());
    }
    if (starts.empty() || begins.front() != 0)
        return false;
    std::vector<std::pair<int, QString>> found;
    for (size_t i = 0; i < starts.size(); ++i) {
        const int end = i + 1 < starts.size() ? begins[i + 1] : line.size();
        const QString key = trimmed(line.mid(starts[i].second, end - starts[i].second));
        if (!key_letters(key) && !truth_key(key))
            return false;
        found.push_back({starts[i].first, key});
    }
    keys.insert(keys.end(), found.begin(), found.end());
    return true;
}

// ---------------------------------------------------------------------------
// The parser

struct Section {
    Heading heading;
    HeadingScores scores;
};

struct ParsedQuestion {
    RawQuestion raw;
    int section = -1; // -1: before any heading
    int number = 0;   // 0: not numbered
};

enum class Part { Stem, Options, Answer, Analysis };

class LineParser
{
  public:
    LineParser(const SourceDocument &document, bool numbered)
        : document_(document), numbered_(numbered)
    {
    }

    void read(const Line &line)
    {
        const QString text = trimmed(line.text.toString());
        if (text.isEmpty()) {
            // Without numbers a blank line is all that parts two questions.
            if (!numbered_ && in_question())
                finish_question();
            return;
        }
        // "【答案】" alone is a question's empty answer; "参考答案" opens the
        // answer section.
        const auto label = labelled_line(text);
        const bool bare_answer_label = label && label->first == Label::Answer &&
                                       label->second.isEmpty() && in_question() &&
                                       !text.contains(QStringLiteral("参考"));
        if (is_answer_section_heading(text) && !bare_answer_label) {
            finish_question();
            in_answers_ = true;
            return;
        }
        if (const std::optional<Heading> heading = heading_of(text)) {
            finish_question();
            if (in_answers_) {
                answer_sections_.push_back(*heading);
            } else {
                sections_.push_back({*heading, heading_scores(text)});
                style_.reset();
                last_number_ = 0;
            }
            return;
        }
        if (in_answers_) {
            read_answer_line(line, without_answer_label(text));
            return;
        }
        if (const auto labelled = labelled_line(text)) {
            if (in_question()) {
                part_ = labelled->first == Label::Answer ? Part::Answer : Part::Analysis;
                if (part_ == Part::Answer) {
                    // "【答案】B【解析】…" on one line: the analysis goes on after it.
                    const auto [answer, analysis] = split_analysis(labelled->second);
                    answer_lines_ = QStringList{trimmed(answer)};
                    answer_place_ = place_of(line);
                    if (analysis) {
                        part_ = Part::Analysis;
                        append(current_.raw.analysis, *analysis);
                    }
                } else {
                    append(current_.raw.analysis, labelled->second);
                }
                return;
            }
        }
        if (numbered_) {
            if (const std::optional<QuestionNumber> number = question_number(text)) {
                if (starts_next_question(*number)) {
                    start_question(line, *number, text.mid(number->rest));
                    return;
                }
            }
        } else if (!in_question() || part_ == Part::Answer) {
            finish_question();
            start_unnumbered_question(line, text);
            return;
        }
        if (!in_question())
            return; // a title, a line for names, instructions
        if ((part_ == Part::Stem || part_ == Part::Options) && read_options(line))
            return;
        continue_part(text);
    }

    void finish(const ImportScores &scores, ImportResult &result)
    {
        finish_question();
        apply_answer_section();
        FileNotes notes;
        for (const QString &position : unquestions_)
            result.skip(position, not_a_question_reason());
        for (ParsedQuestion &question : questions_)
            take_raw_question(question.raw, scores, result, notes);
        finish_file_notes(notes, result);
    }

  private:
    bool in_question() const { return open_; }

    QString place_of(const Line &line) const { return document_.lines[size_t(line.source)].place; }

    static void append(QString &text, const QString &line)
    {
        if (!text.isEmpty())
            text.append(QLatin1Char('\n'));
        text.append(line);
    }

    // A number starts the next question when it follows the last one in the
    // section in its style: "（1）" inside question 3 is part of its text.
    bool starts_next_question(const QuestionNumber &number) const
    {
        if (style_ && *style_ != number.style)
            return false;
        return last_number_ == 0 || number.number == last_number_ + 1;
    }

    QString position(const Line &line, int number) const
    {
        const QString place = place_of(line);
        if (number == 0)
            return place;
        return question_place(place, sections_.empty() ? QString() : sections_.back().heading.label,
                              number);
    }

    // `stem_offset`: where the stem starts in the line.
    void begin_question(const Line &line, int number, const QString &stem, int stem_offset)
    {
        finish_question();
        open_ = true;
        part_ = Part::Stem;
        current_ = ParsedQuestion();
        current_.section = int(sections_.size()) - 1;
        current_.number = number;
        current_.raw.position = position(line, number);
        if (current_.section >= 0) {
            const Section &section = sections_[size_t(current_.section)];
            current_.raw.kind = section.heading.kind;
            current_.raw.section_score = section.scores.each;
            current_.raw.per_blank = section.scores.per_blank;
            current_.raw.partial = section.scores.partial;
        }
        current_.raw.changes = document_.lines[size_t(line.source)].changes;
        current_.raw.stem = stem;
        // Options may follow the stem on its own line: "1．题目（ ）A．甲 B．乙".
        split_options_from_stem(line, stem_offset);
    }

    void start_question(const Line &line, const QuestionNumber &number, const QString &stem)
    {
        style_ = number.style;
        last_number_ = number.number;
        begin_question(line, number.number, stem,
                       leading_spaces(line.text.toString()) + number.rest);
    }

    void start_unnumbered_question(const Line &line, const QString &stem)
    {
        begin_question(line, 0, stem, leading_spaces(line.text.toString()));
    }

    void split_options_from_stem(const Line &line, int stem_offset)
    {
        const QString &stem = current_.raw.stem;
        for (int i = 1; i < stem.size(); ++i) {
            const QChar before = stem[i - 1];
            if (!is_space(before) && before != QChar(0xFF09) && before != QLatin1Char(')'))
                continue;
            const std::optional<OptionMarker> marker = option_marker_at(stem, i);
            if (!marker || marker->letter != 0)
                continue;
            const std::vector<LineOption> options = split_option_line(stem.mid(i), 0);
            if (options.size() < 2)
                continue;
            add_options(line, options, stem_offset + i);
            current_.raw.stem = stem.left(i);
            part_ = Part::Options;
            return;
        }
    }

    void add_options(const Line &line, const std::vector<LineOption> &options, int shift)
    {
        const SourceLine &source = document_.lines[size_t(line.source)];
        for (const LineOption &option : options) {
            current_.raw.options.append(option.text);
            bool marked = false;
            const int begin = line.offset + shift + option.begin;
            const int end = line.offset + shift + option.end;
            for (const auto &[first, last] : source.marked)
                marked = marked || (first < end && last > begin);
            current_.raw.marked.push_back(marked);
        }
    }

    bool read_options(const Line &line)
    {
        // Past H no marker is known, so a ninth letter goes on H's text.
        const int next = current_.raw.options.size();
        const std::vector<LineOption> options = split_option_line(line.text.toString(), next);
        if (options.empty())
            return false;
        add_options(line, options, 0);
        part_ = Part::Options;
        return true;
    }

    void continue_part(const QString &text)
    {
        switch (part_) {
        case Part::Stem:
            append(current_.raw.stem, text);
            break;
        case Part::Options:
            // A line after the options that is no option: the last option goes on.
            current_.raw.options.last().append(QLatin1Char('\n') + text);
            break;
        case Part::Answer:
            answer_lines_.append(text);
            break;
        case Part::Analysis:
            append(current_.raw.analysis, text);
            break;
        }
    }

    void finish_question()
    {
        if (!open_)
            return;
        open_ = false;
        RawQuestion &raw = current_.raw;
        // Without numbers, only options or an answer make a block of text a
        // question: prose is named and left.
        if (current_.number == 0 && raw.options.isEmpty() && answer_lines_.isEmpty() &&
            raw.analysis.isEmpty()) {
            unquestions_.push_back(raw.position);
            current_ = ParsedQuestion();
            return;
        }
        if (const std::optional<OwnScore> own = take_own_score(raw.stem)) {
            raw.own_score = own->score;
            if (own->partial)
                raw.partial = own->partial;
        }
        if (const auto partial = partial_score_note(raw.stem))
            raw.partial = partial;
        if (raw.kind != SourceKind::FreeAnswer) {
            if (const std::optional<QString> key = take_bracket_key(raw.stem))
                add_key(raw, *key, raw.position);
        }
        take_answer_lines(raw);
        questions_.push_back(std::move(current_));
        current_ = ParsedQuestion();
    }

    static void add_key(RawQuestion &raw, const QString &key, const QString &place)
    {
        raw.keys.append(trimmed(key));
        raw.key_places.append(place);
    }

    // An answer line holds a key, or a free answer's reference answer,
    // which may go on over several lines.
    void take_answer_lines(RawQuestion &raw)
    {
        if (answer_lines_.isEmpty())
            return;
        const QString first = answer_lines_.front();
        const bool short_key =
            answer_lines_.size() == 1 && (key_letters(first) || truth_key(first));
        if (short_key && raw.kind != SourceKind::FreeAnswer)
            add_key(raw, first, answer_place_);
        else
            append(raw.reference, answer_lines_.join(QLatin1Char('\n')));
        answer_lines_.clear();
    }

    // "一、1～5 BCADB": the section's numeral starts a section of the answers.
    QString without_answer_label(const QString &text)
    {
        static const QRegularExpression label(
            QStringLiteral("^([一二三四五六七八九十]+)\\s*[、．.]\\s*(?=[0-9（(])"));
        const QRegularExpressionMatch match = label.match(text);
        if (!match.hasMatch())
            return text;
        Heading heading;
        heading.label = match.captured(1);
        answer_sections_.push_back(heading);
        return text.mid(match.capturedEnd());
    }

    void read_answer_line(const Line &line, const QString &text)
    {
        std::vector<std::pair<int, QString>> keys;
        if (read_key_run(text, keys) || read_key_items(text, keys)) {
            for (const auto &[number, key] : keys)
                answers_.push_back({int(answer_sections_.size()) - 1, number, key, QString(),
                                    QString(), place_of(line)});
            answer_part_ = Part::Answer;
            return;
        }
        if (const auto labelled = labelled_line(text)) {
            if (answers_.empty())
                return;
            if (labelled->first == Label::Analysis) {
                answer_part_ = Part::Analysis;
                append(answers_.back().analysis, labelled->second);
            } else {
                answer_part_ = Part::Answer;
                append(answers_.back().reference, labelled->second);
            }
            return;
        }
        if (const std::optional<QuestionNumber> number = question_number(text)) {
            QString reference = text.mid(number->rest);
            static const QRegularExpression answer_word(QStringLiteral("^(?:答|解)\\s*[:：]\\s*"));
            reference.remove(answer_word);
            answers_.push_back({int(answer_sections_.size()) - 1, number->number, QString(),
                                reference, QString(), place_of(line)});
            answer_part_ = Part::Answer;
            return;
        }
        if (answers_.empty())
            return;
        append(answer_part_ == Part::Analysis ? answers_.back().analysis
                                              : answers_.back().reference,
               text);
    }

    // The question section an answer section's entry speaks of: by its own
    // heading's kind where it has one, else the first section from the last
    // one matched that holds its number; a number that goes back moves on.
    int section_of(const AnswerEntry &entry, int &cursor, int &previous_number) const
    {
        if (entry.section >= 0) {
            const Heading &heading = answer_sections_[size_t(entry.section)];
            if (!heading.label.isEmpty()) {
                for (size_t i = 0; i < sections_.size(); ++i) {
                    if (sections_[i].heading.label == heading.label)
                        return int(i);
                }
                return -2;
            }
            int seen = 0;
            for (int i = 0; i < entry.section; ++i)
                seen += answer_sections_[size_t(i)].kind == heading.kind;
            for (size_t i = 0; i < sections_.size(); ++i) {
                if (sections_[i].heading.kind == heading.kind && seen-- == 0)
                    return int(i);
            }
            return -2;
        }
        if (entry.number <= previous_number)
            ++cursor;
        previous_number = entry.number;
        for (int i = std::max(cursor, 0); i < int(std::max<size_t>(sections_.size(), 1)); ++i) {
            const int section = sections_.empty() ? -1 : i;
            if (index_.count({section, entry.number})) {
                cursor = i;
                return section;
            }
        }
        return -2;
    }

    void apply_answer_section()
    {
        for (size_t i = 0; i < questions_.size(); ++i) {
            if (questions_[i].number > 0)
                index_[{questions_[i].section, questions_[i].number}] = i;
        }
        int cursor = 0;
        int previous_number = 0;
        for (const AnswerEntry &entry : answers_) {
            const int section = section_of(entry, cursor, previous_number);
            const auto found = index_.find({section, entry.number});
            if (found == index_.end())
                continue;
            RawQuestion &raw = questions_[found->second].raw;
            const QString answer = entry.key.isEmpty() ? entry.reference : entry.key;
            const bool short_key = key_letters(answer) || truth_key(answer);
            if (short_key && raw.kind != SourceKind::FreeAnswer && answer.indexOf('\n') < 0)
                add_key(raw, answer, entry.place);
            else
                append(raw.reference, trimmed(answer));
            append(raw.analysis, entry.analysis);
        }
    }

    const SourceDocument &document_;
    bool numbered_;
    std::vector<Section> sections_;
    std::vector<Heading> answer_sections_;
    std::vector<ParsedQuestion> questions_;
    std::vector<AnswerEntry> answers_;
    QStringList unquestions_;
    std::map<std::pair<int, int>, size_t> index_;
    ParsedQuestion current_;
    bool open_ = false;
    Part part_ = Part::Stem;
    Part answer_part_ = Part::Answer;
    QStringList answer_lines_;
    QString answer_place_;
    bool in_answers_ = false;
    std::optional<Numbering> style_;
    int last_number_ = 0;
};

// Files in the Aiken layout number nothing; Chinese papers number every
// question. Which one a file is decides whether a line of text outside a
// question starts one.
bool numbers_its_questions(const std::vector<Line> &lines)
{
    for (const Line &line : lines) {
        if (question_number(trimmed(line.text.toString())))
            return true;
    }
    return false;
}

} // namespace

void read_question_lines(const SourceDocument &document, const ImportScores &scores,
                         ImportResult &result)
{
    const std::vector<Line> lines = split_soft_breaks(document);
    LineParser parser(document, numbers_its_questions(lines));
    work_total(qint64(lines.size()));
    for (const Line &line : lines) {
        work_step();
        parser.read(line);
    }
    parser.finish(scores, result);
}

SourceDocument text_lines(const QString &text)
{
    SourceDocument document;
    int number = 1;
    int start = 0;
    while (start <= text.size()) {
        int end = start;
        while (end < text.size() && text[end] != QLatin1Char('\n') &&
               text[end] != QLatin1Char('\r'))
            ++end;
        document.lines.push_back({text.mid(start, end - start), line_place(number++), {}, {}});
        if (end < text.size() && text[end] == QLatin1Char('\r') && end + 1 < text.size() &&
            text[end + 1] == QLatin1Char('\n'))
            ++end;
        start = end + 1;
    }
    return document;
}
