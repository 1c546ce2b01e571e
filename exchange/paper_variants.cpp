#include "exchange/paper_variants.h"

#include "exchange/option_layout.h"

#include <QHash>
#include <QStringList>
#include <algorithm>
#include <numeric>
#include <optional>
#include <unordered_map>

quint64 VariantRandom::next()
{
    quint64 z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

quint64 VariantRandom::below(quint64 bound)
{
    // The numbers below `threshold` would make the low remainders likelier.
    const quint64 threshold = (0 - bound) % bound;
    for (;;) {
        const quint64 drawn = next();
        if (drawn >= threshold)
            return drawn % bound;
    }
}

bool option_stays_in_place(const QString &option)
{
    static const QStringList phrases = {
        QStringLiteral("以上都对"),         QStringLiteral("以上都不对"),
        QStringLiteral("以上均正确"),       QStringLiteral("都不对"),
        QStringLiteral("以上说法都不对"),   QStringLiteral("all of the above"),
        QStringLiteral("none of the above")};
    QString text = option.simplified();
    while (text.endsWith(QLatin1Char('.')) || text.endsWith(QChar(0x3002) /* 。 */) ||
           text.endsWith(QChar(0xFF0E) /* ． */)) {
        text.chop(1);
        text = text.trimmed();
    }
    return phrases.contains(text, Qt::CaseInsensitive);
}

namespace
{

constexpr int kKinds = 3;
constexpr QuestionKind kKindOf[kKinds] = {QuestionKind::SingleChoice, QuestionKind::MultipleChoice,
                                          QuestionKind::FreeAnswer};

// What of a choice question's text can move.
struct ChoiceLayout {
    std::optional<LaidOutOptions> laid_out; // present when the options can be put in a new order
    OptionsKept why = OptionsKept::NotLaidOut;
    std::vector<int> movable; // the options that move, by index
    // Per option: the first option with the same text, in the key or out of
    // it as this one is. Swapping two such options changes neither the paper
    // nor its key.
    std::vector<int> option_class;
};

ChoiceLayout layout_of(const ChoiceQuestion &question)
{
    ChoiceLayout layout;
    std::optional<LaidOutOptions> found = find_laid_out_options(question.problem);
    if (!found)
        return layout;
    const int count = found->options.size();
    if (question.answer & ~OptionMask((1 << count) - 1)) {
        layout.why = OptionsKept::KeyOutsideOptions;
        return layout;
    }
    // A note after the last option would be glued to it and move with it.
    if (found->options.last().contains(QLatin1Char('\n'))) {
        layout.why = OptionsKept::TextAfterLastOption;
        return layout;
    }
    // Laid out anew, the text must give the same stem and options again. The
    // markers a text holds do not depend on the order of its options, so what
    // reads back in this order reads back in every order.
    const std::optional<LaidOutOptions> again =
        find_laid_out_options(lay_out_options(found->stem, found->options));
    if (!again || again->stem != found->stem || again->options != found->options) {
        layout.why = OptionsKept::WouldNotReadBack;
        return layout;
    }
    for (int i = 0; i < count; ++i) {
        if (!option_stays_in_place(found->options[i]))
            layout.movable.push_back(i);
        int same = i;
        const bool key = question.answer & (1 << i);
        for (int j = 0; j < i && same == i; ++j) {
            if (found->options[j] == found->options[i] && bool(question.answer & (1 << j)) == key)
                same = j;
        }
        layout.option_class.push_back(same);
    }
    layout.laid_out = std::move(found);
    return layout;
}

// Per question, the first question of its kind that is the same in every
// field: swapping two such questions gives the same paper.
template <typename Hash, typename Same>
std::vector<int> classes_of(size_t count, Hash hash, Same same)
{
    std::unordered_map<uint, std::vector<int>> firsts;
    std::vector<int> classes(count);
    for (size_t i = 0; i < count; ++i) {
        std::vector<int> &bucket = firsts[hash(i)];
        int found = -1;
        for (const int first : bucket) {
            if (same(size_t(first), i)) {
                found = first;
                break;
            }
        }
        if (found < 0) {
            found = int(i);
            bucket.push_back(found);
        }
        classes[i] = found;
    }
    return classes;
}

struct Analysis {
    std::vector<ChoiceLayout> choices[2]; // single, multiple choice
    std::vector<int> question_class[kKinds];
    bool anything_moves = false; // some draw can give another paper
};

bool has_two_classes(const std::vector<int> &classes)
{
    return std::any_of(classes.begin(), classes.end(), [&](int c) { return c != classes.front(); });
}

// Two choice questions whose options are laid out are the same when their
// stems, options and the rest are: the markers they were written with do not
// count, as a variant writes them anew.
std::vector<int> choice_classes(const std::vector<ChoiceQuestion> &questions,
                                const std::vector<ChoiceLayout> &layouts)
{
    const auto hash = [&](size_t i) {
        const ChoiceLayout &layout = layouts[i];
        return (layout.laid_out ? qHash(layout.laid_out->stem) : qHash(questions[i].problem)) ^
               uint(questions[i].answer) * 2654435761u;
    };
    const auto same = [&](size_t i, size_t j) {
        const ChoiceQuestion &a = questions[i];
        const ChoiceQuestion &b = questions[j];
        if (a.answer != b.answer || a.score != b.score || a.partial_score != b.partial_score ||
            bool(layouts[i].laid_out) != bool(layouts[j].laid_out))
            return false;
        if (!layouts[i].laid_out)
            return a.problem == b.problem;
        return layouts[i].laid_out->stem == layouts[j].laid_out->stem &&
               layouts[i].laid_out->options == layouts[j].laid_out->options;
    };
    return classes_of(questions.size(), hash, same);
}

Analysis analyse(const PaperData &paper)
{
    Analysis analysis;
    const std::vector<ChoiceQuestion> *kinds[2] = {&paper.onech, &paper.somech};
    for (int c = 0; c < 2; ++c) {
        for (const ChoiceQuestion &question : *kinds[c]) {
            ChoiceLayout layout = layout_of(question);
            std::vector<int> moving;
            for (const int option : layout.movable)
                moving.push_back(layout.option_class[size_t(option)]);
            analysis.anything_moves = analysis.anything_moves || has_two_classes(moving);
            analysis.choices[c].push_back(std::move(layout));
        }
        analysis.question_class[c] = choice_classes(*kinds[c], analysis.choices[c]);
    }
    const std::vector<UnchQuestion> &free = paper.unch;
    analysis.question_class[2] = classes_of(
        free.size(), [&](size_t i) { return qHash(free[i].problem) ^ qHash(free[i].answer); },
        [&](size_t i, size_t j) {
            return free[i].score == free[j].score && free[i].problem == free[j].problem &&
                   free[i].answer == free[j].answer;
        });
    for (const std::vector<int> &classes : analysis.question_class)
        analysis.anything_moves = analysis.anything_moves || has_two_classes(classes);
    return analysis;
}

// Where everything of a variant comes from.
struct Arrangement {
    std::vector<int> order[kKinds]; // per kind: the original question at each place
    // Per choice kind and place: the original option at each position; empty
    // where the options keep their order.
    std::vector<std::vector<int>> options[2];
};

std::vector<int> in_order(size_t count)
{
    std::vector<int> indices(count);
    std::iota(indices.begin(), indices.end(), 0);
    return indices;
}

Arrangement arrangement_of_original(const Analysis &analysis)
{
    Arrangement arrangement;
    for (int k = 0; k < kKinds; ++k)
        arrangement.order[k] = in_order(analysis.question_class[k].size());
    for (int c = 0; c < 2; ++c) {
        for (const ChoiceLayout &layout : analysis.choices[c])
            arrangement.options[c].push_back(layout.laid_out
                                                 ? in_order(size_t(layout.laid_out->options.size()))
                                                 : std::vector<int>());
    }
    return arrangement;
}

Arrangement draw(const Analysis &analysis, VariantRandom &random)
{
    Arrangement arrangement;
    for (int k = 0; k < kKinds; ++k) {
        arrangement.order[k] = in_order(analysis.question_class[k].size());
        shuffle_in_place(arrangement.order[k], random);
    }
    for (int c = 0; c < 2; ++c) {
        for (const int question : arrangement.order[c]) {
            const ChoiceLayout &layout = analysis.choices[c][size_t(question)];
            std::vector<int> options;
            if (layout.laid_out) {
                options = in_order(size_t(layout.laid_out->options.size()));
                std::vector<int> drawn = layout.movable;
                shuffle_in_place(drawn, random);
                for (size_t i = 0; i < drawn.size(); ++i)
                    options[size_t(layout.movable[i])] = drawn[i];
            }
            arrangement.options[c].push_back(std::move(options));
        }
    }
    return arrangement;
}

// What a student sees of an arrangement, as numbers: equal for two
// arrangements exactly when their papers are the same.
std::vector<int> signature(const Analysis &analysis, const Arrangement &arrangement)
{
    std::vector<int> seen;
    for (int k = 0; k < kKinds; ++k) {
        for (const int question : arrangement.order[k])
            seen.push_back(analysis.question_class[k][size_t(question)]);
    }
    for (int c = 0; c < 2; ++c) {
        for (size_t place = 0; place < arrangement.order[c].size(); ++place) {
            const ChoiceLayout &layout = analysis.choices[c][size_t(arrangement.order[c][place])];
            for (const int option : arrangement.options[c][place])
                seen.push_back(layout.option_class[size_t(option)]);
        }
    }
    return seen;
}

PaperData build(const PaperData &paper, const Analysis &analysis, const Arrangement &arrangement,
                std::vector<KeptOptions> *kept)
{
    PaperData variant;
    variant.codec = paper.codec;
    const std::vector<ChoiceQuestion> *sources[2] = {&paper.onech, &paper.somech};
    std::vector<ChoiceQuestion> *targets[2] = {&variant.onech, &variant.somech};
    for (int c = 0; c < 2; ++c) {
        targets[c]->reserve(sources[c]->size());
        for (size_t place = 0; place < arrangement.order[c].size(); ++place) {
            const int from = arrangement.order[c][place];
            ChoiceQuestion question = (*sources[c])[size_t(from)];
            const ChoiceLayout &layout = analysis.choices[c][size_t(from)];
            if (layout.laid_out) {
                const std::vector<int> &order = arrangement.options[c][place];
                QStringList options;
                OptionMask answer = 0;
                for (size_t position = 0; position < order.size(); ++position) {
                    options.append(layout.laid_out->options[order[position]]);
                    if (question.answer & (1 << order[position]))
                        answer |= OptionMask(1) << position;
                }
                question.problem = lay_out_options(layout.laid_out->stem, options);
                question.answer = answer;
            } else if (kept) {
                kept->push_back({kKindOf[c], int(place) + 1, from + 1, layout.why});
            }
            targets[c]->push_back(std::move(question));
        }
    }
    variant.unch.reserve(paper.unch.size());
    for (const int from : arrangement.order[2])
        variant.unch.push_back(paper.unch[size_t(from)]);
    return variant;
}

} // namespace

PaperData make_variant(const PaperData &paper, VariantRandom &random,
                       std::vector<KeptOptions> *kept)
{
    const Analysis analysis = analyse(paper);
    return build(paper, analysis, draw(analysis, random), kept);
}

PaperVariants make_variants(const PaperData &paper, int count, quint64 seed)
{
    const Analysis analysis = analyse(paper);
    VariantRandom random(seed);
    // seen[0] is the original, seen[i] variant i - 1.
    std::vector<std::vector<int>> seen{signature(analysis, arrangement_of_original(analysis))};
    PaperVariants variants;
    for (int variant = 0; variant < count; ++variant) {
        Arrangement arrangement;
        std::vector<int> drawn;
        auto same = seen.end();
        for (int draws = analysis.anything_moves ? kVariantDraws : 1; draws > 0; --draws) {
            arrangement = draw(analysis, random);
            drawn = signature(analysis, arrangement);
            same = std::find(seen.begin(), seen.end(), drawn);
            if (same == seen.end())
                break;
        }
        if (same != seen.end())
            variants.same.push_back({variant, int(same - seen.begin()) - 1});
        variants.kept.emplace_back();
        variants.papers.push_back(build(paper, analysis, arrangement, &variants.kept.back()));
        seen.push_back(std::move(drawn));
    }
    return variants;
}
