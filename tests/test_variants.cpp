// A and B papers: the same questions in another order, the options of each
// choice question shuffled, each paper with its own key; the same seed gives
// the same papers on every system.

#include "exchange/exchange_messages.h"
#include "exchange/option_layout.h"
#include "exchange/paper_variants.h"

#include "tests/question_summary.h"
#include "tests/random_paper.h"

#include <QtTest>
#include <algorithm>

namespace
{

// The options of a choice question's text as a variant may shuffle them:
// laid out, every key among them, nothing after the last.
std::optional<LaidOutOptions> options_of(const ChoiceQuestion &question)
{
    std::optional<LaidOutOptions> found = find_laid_out_options(question.problem);
    if (!found || (question.answer & ~OptionMask((1 << found->options.size()) - 1)) ||
        found->options.last().contains(QLatin1Char('\n')))
        return std::nullopt;
    return found;
}

// What a question is whatever the order of its options: its stem, score and
// partial score, the set of its option texts, the texts its key names, and
// the options that keep their place with the place.
QString unordered_face(const ChoiceQuestion &question)
{
    const std::optional<LaidOutOptions> found = options_of(question);
    if (!found)
        return QStringLiteral("kept %1/%2 %3: %4")
            .arg(number(question.score), number(question.partial_score), letters(question.answer),
                 question.problem);
    QStringList options = found->options;
    QStringList keys, staying;
    for (int i = 0; i < options.size(); ++i) {
        if (question.answer & (1 << i))
            keys.append(options[i]);
        if (option_stays_in_place(options[i]))
            staying.append(QStringLiteral("%1=%2").arg(i).arg(options[i]));
    }
    options.sort();
    keys.sort();
    return QStringLiteral("%1/%2 %3 | options %4 | keys %5 | staying %6")
        .arg(number(question.score), number(question.partial_score), found->stem,
             options.join(QLatin1Char('|')), keys.join(QLatin1Char('|')),
             staying.join(QLatin1Char('|')));
}

QString unordered_face(const UnchQuestion &question)
{
    return QStringLiteral("%1 %2 => %3")
        .arg(number(question.score), question.problem, question.answer);
}

template <typename Question> QStringList sorted_faces(const std::vector<Question> &questions)
{
    QStringList faces;
    for (const Question &question : questions)
        faces.append(unordered_face(question));
    faces.sort();
    return faces;
}

// What a student sees, in order: the options of a laid-out question as the
// variant writes them, whatever markers the original used.
QString seen_face(const PaperData &paper)
{
    PaperData seen = paper;
    for (std::vector<ChoiceQuestion> *kind : {&seen.onech, &seen.somech}) {
        for (ChoiceQuestion &question : *kind) {
            if (const std::optional<LaidOutOptions> found = options_of(question))
                question.problem = lay_out_options(found->stem, found->options);
        }
    }
    return paper_summary(seen);
}

// A random paper with now and then an option that stays in place at the end,
// two of them, a question without laid-out options, or a question twice.
PaperData random_variant_paper(QRandomGenerator &random)
{
    static const QStringList staying = {
        QStringLiteral("以上都对"),         QStringLiteral("以上都不对"),
        QStringLiteral("以上均正确"),       QStringLiteral("都不对"),
        QStringLiteral("以上说法都不对"),   QStringLiteral("All of the above"),
        QStringLiteral("none of the above")};
    PaperData paper = random_paper(random);
    for (std::vector<ChoiceQuestion> *kind : {&paper.onech, &paper.somech}) {
        for (ChoiceQuestion &question : *kind) {
            const int draw = random.bounded(8);
            LaidOutOptions laid_out = *find_laid_out_options(question.problem);
            if (draw < 3) {
                for (int i = 0; i <= draw / 2 && i < laid_out.options.size() - 1; ++i)
                    laid_out.options[laid_out.options.size() - 1 - i] =
                        staying[random.bounded(staying.size())];
                question.problem = lay_out_options(laid_out.stem, laid_out.options);
            } else if (draw == 3) {
                question.problem = laid_out.stem + QStringLiteral("（见图）");
            }
        }
        if (!kind->empty() && random.bounded(4) == 0)
            kind->push_back(kind->front());
    }
    if (!paper.unch.empty() && random.bounded(4) == 0)
        paper.unch.push_back(paper.unch.back());
    return paper;
}

ChoiceQuestion choice(const char *problem, OptionMask answer, double score = 2, double partial = 0)
{
    return {score, partial, answer, QString::fromUtf8(problem)};
}

// A paper's order in short: each question's stem, then its options and key
// when it has laid-out ones ("单选3 丁甲丙乙 A").
QString order_of(const PaperData &paper)
{
    QStringList items;
    for (const std::vector<ChoiceQuestion> *kind : {&paper.onech, &paper.somech}) {
        for (const ChoiceQuestion &question : *kind) {
            const std::optional<LaidOutOptions> found = options_of(question);
            items.append(found ? found->stem + QLatin1Char(' ') + found->options.join(QString()) +
                                     QLatin1Char(' ') + letters(question.answer)
                               : question.problem);
        }
    }
    for (const UnchQuestion &question : paper.unch)
        items.append(question.problem);
    return items.join(QStringLiteral(", "));
}

// Four single-choice questions, three multiple-choice ones and two free
// answers, each different, four options each.
PaperData plain_paper()
{
    PaperData paper;
    for (int i = 1; i <= 4; ++i)
        paper.onech.push_back({double(i), 0, 1 << (i % 4),
                               QStringLiteral("单选%1\nA. 甲\nB. 乙\nC. 丙\nD. 丁").arg(i)});
    for (int i = 1; i <= 3; ++i)
        paper.somech.push_back(
            {4, 2, 3 << (i - 1), QStringLiteral("多选%1\nA. 甲\nB. 乙\nC. 丙\nD. 丁").arg(i)});
    for (int i = 1; i <= 2; ++i)
        paper.unch.push_back({10, QStringLiteral("简答%1").arg(i), QStringLiteral("答%1").arg(i)});
    return paper;
}

} // namespace

class TestVariants : public QObject
{
    Q_OBJECT

  private slots:
    void the_generator_gives_the_same_numbers_everywhere();
    void the_same_seed_gives_the_same_variants_everywhere();
    void every_variant_question_is_an_original_one_with_its_key();
    void variants_differ_from_the_original_and_from_each_other();
    void different_seeds_give_different_orders();
    void options_that_speak_of_the_others_data();
    void options_that_speak_of_the_others();
    void such_options_stay_last_and_the_key_follows_data();
    void such_options_stay_last_and_the_key_follows();
    void options_that_cannot_be_found_keep_their_order_and_are_named_data();
    void options_that_cannot_be_found_keep_their_order_and_are_named();
    void a_paper_too_small_to_shuffle_is_said_data();
    void a_paper_too_small_to_shuffle_is_said();
};

// SplitMix64's published numbers for seed 0, and bounded draws from them.
void TestVariants::the_generator_gives_the_same_numbers_everywhere()
{
    VariantRandom random(0);
    QCOMPARE(random.next(), Q_UINT64_C(0xE220A8397B1DCDAF));
    QCOMPARE(random.next(), Q_UINT64_C(0x6E789E6AA1B965F4));
    QCOMPARE(random.next(), Q_UINT64_C(0x06C45D188009454F));
    VariantRandom bounded(20261208);
    QList<quint64> draws;
    for (int i = 0; i < 8; ++i)
        draws.append(bounded.below(10));
    QCOMPARE(draws, (QList<quint64>{5, 2, 7, 7, 5, 7, 7, 2}));
    std::vector<int> items{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    VariantRandom shuffling(20261208);
    shuffle_in_place(items, shuffling);
    QCOMPARE(items, (std::vector<int>{7, 8, 4, 6, 2, 1, 9, 3, 0, 5}));
}

// Written down once: a Windows build, another standard library or another
// compiler must give exactly these papers for this seed.
void TestVariants::the_same_seed_gives_the_same_variants_everywhere()
{
    const PaperVariants variants = make_variants(plain_paper(), 2, 20261208);
    QCOMPARE(int(variants.papers.size()), 2);
    QCOMPARE(
        order_of(variants.papers[0]),
        QStringLiteral("单选3 丁甲丙乙 A, 单选4 甲丁丙乙 A, 单选1 乙甲丁丙 A, 单选2 乙丙丁甲 B, "
                       "多选1 丁乙丙甲 BD, 多选3 乙丁甲丙 BD, 多选2 甲乙丙丁 BC, 简答1, 简答2"));
    QCOMPARE(
        order_of(variants.papers[1]),
        QStringLiteral("单选4 丁乙丙甲 D, 单选1 丁乙丙甲 B, 单选2 丁乙甲丙 D, 单选3 丁甲乙丙 A, "
                       "多选1 乙甲丙丁 AB, 多选3 甲乙丙丁 CD, 多选2 乙丙甲丁 AB, 简答1, 简答2"));
    const PaperVariants again = make_variants(plain_paper(), 2, 20261208);
    for (size_t i = 0; i < 2; ++i)
        QCOMPARE(paper_summary(again.papers[i]), paper_summary(variants.papers[i]));
    // One variant alone is the first of the set, when the first draw differs
    // from the original.
    VariantRandom random(20261208);
    QCOMPARE(paper_summary(make_variant(plain_paper(), random)), paper_summary(variants.papers[0]));
}

void TestVariants::every_variant_question_is_an_original_one_with_its_key()
{
    QRandomGenerator random(20261209);
    for (int round = 0; round < 300; ++round) {
        const PaperData paper = random_variant_paper(random);
        const int count = random.bounded(1, 6);
        const quint64 seed = random.generate64();
        const PaperVariants variants = make_variants(paper, count, seed);
        QCOMPARE(int(variants.papers.size()), count);
        QCOMPARE(int(variants.kept.size()), count);
        for (int v = 0; v < count; ++v) {
            const PaperData &variant = variants.papers[size_t(v)];
            QCOMPARE(sorted_faces(variant.onech), sorted_faces(paper.onech));
            QCOMPARE(sorted_faces(variant.somech), sorted_faces(paper.somech));
            QCOMPARE(sorted_faces(variant.unch), sorted_faces(paper.unch));
            // Every question that kept its options is named, where it stands.
            int kept = 0;
            for (const std::vector<ChoiceQuestion> *kind : {&variant.onech, &variant.somech}) {
                for (const ChoiceQuestion &question : *kind) {
                    if (!options_of(question))
                        ++kept;
                }
            }
            QCOMPARE(int(variants.kept[size_t(v)].size()), kept);
            for (const KeptOptions &named : variants.kept[size_t(v)]) {
                const auto &variant_kind =
                    named.kind == QuestionKind::SingleChoice ? variant.onech : variant.somech;
                const auto &original_kind =
                    named.kind == QuestionKind::SingleChoice ? paper.onech : paper.somech;
                const ChoiceQuestion &moved = variant_kind[size_t(named.number - 1)];
                const ChoiceQuestion &original = original_kind[size_t(named.original - 1)];
                QCOMPARE(moved.problem, original.problem);
                QCOMPARE(moved.answer, original.answer);
            }
        }
        // The same seed, the same variants.
        const PaperVariants again = make_variants(paper, count, seed);
        for (int v = 0; v < count; ++v)
            QCOMPARE(paper_summary(again.papers[size_t(v)]),
                     paper_summary(variants.papers[size_t(v)]));
    }
}

// Each variant is checked against the original and the earlier ones as a
// student sees them; one the same is named, and only then.
void TestVariants::variants_differ_from_the_original_and_from_each_other()
{
    QRandomGenerator random(20261210);
    int named = 0;
    for (int round = 0; round < 300; ++round) {
        const PaperData paper = random_variant_paper(random);
        const int count = random.bounded(1, 8);
        const PaperVariants variants = make_variants(paper, count, random.generate64());
        QStringList seen{seen_face(paper)};
        for (int v = 0; v < count; ++v) {
            const QString face = seen_face(variants.papers[size_t(v)]);
            const int same_as = int(seen.indexOf(face)) - 1;
            const auto said =
                std::find_if(variants.same.begin(), variants.same.end(),
                             [&](const SameVariant &same) { return same.variant == v; });
            if (same_as < -1) {
                if (said != variants.same.end())
                    QVERIFY(said == variants.same.end());
            } else {
                QVERIFY2(said != variants.same.end(), qPrintable(face));
                QCOMPARE(said->same_as, same_as);
                ++named;
            }
            seen.append(face);
        }
    }
    // The generated papers include some too small for their count.
    QVERIFY(named > 0);
}

void TestVariants::different_seeds_give_different_orders()
{
    QStringList firsts;
    for (quint64 seed = 1; seed <= 30; ++seed)
        firsts.append(paper_summary(make_variants(plain_paper(), 1, seed).papers[0]));
    firsts.removeDuplicates();
    QCOMPARE(firsts.size(), 30);
}

void TestVariants::options_that_speak_of_the_others_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("stays");
    for (const char *text :
         {"以上都对", "以上都不对", "以上均正确", "都不对", "以上说法都不对", "All of the above",
          "none of the above", "NONE OF THE ABOVE", " 以上都对 ", "\u3000以上都不对",
          "None of the above.", "以上都对。", "none  of the above"})
        QTest::newRow(text) << QString::fromUtf8(text) << true;
    for (const char *text : {"以上都对吗", "甲", "above", "以上", "都对", "Not all of the above"})
        QTest::newRow(text) << QString::fromUtf8(text) << false;
}

void TestVariants::options_that_speak_of_the_others()
{
    QFETCH(QString, option);
    QFETCH(bool, stays);
    QCOMPARE(option_stays_in_place(option), stays);
}

void TestVariants::such_options_stay_last_and_the_key_follows_data()
{
    QTest::addColumn<QString>("problem");
    QTest::addColumn<bool>("multiple");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("staying"); // how many of the last options stay

    QTest::newRow("以上都对") << "下列说法正确的是\nA. 甲\nB. 乙\nC. 丙\nD. 以上都对" << false << 8
                              << 1;
    QTest::newRow("以上都不对, the key moving")
        << "下列说法正确的是（　）\nA．甲\nB．乙\nC．丙\nD．以上都不对" << false << 2 << 1;
    QTest::newRow("以上均正确 and 都不对, multiple choice")
        << "哪些对？\nA. 甲  B. 乙  C. 丙\nD. 以上均正确  E. 都不对" << true << 9 << 2;
    QTest::newRow("以上说法都不对")
        << "甲\nA、一\nB、二\nC、三\nD、以上说法都不对" << false << 1 << 1;
    QTest::newRow("All of the above")
        << "Which are prime?\nA. 2\nB. 3\nC. 5\nD. All of the above" << false << 8 << 1;
    QTest::newRow("none of the above, with a stop")
        << "Which is even?\nA) 1\nB) 3\nC) 5\nD) None of the above." << false << 8 << 1;
    QTest::newRow("English, multiple choice")
        << "Pick two.\nA. x\nB. y\nC. z\nD. ALL OF THE ABOVE\nE. none of the above" << true << 5
        << 2;
}

void TestVariants::such_options_stay_last_and_the_key_follows()
{
    QFETCH(QString, problem);
    QFETCH(bool, multiple);
    QFETCH(int, answer);
    QFETCH(int, staying);
    PaperData paper;
    ChoiceQuestion question{3, multiple ? 1.5 : 0, answer, problem};
    (multiple ? paper.somech : paper.onech).push_back(question);
    const LaidOutOptions original = *find_laid_out_options(problem);
    const int count = original.options.size();
    QSet<QString> orders;
    for (quint64 seed = 0; seed < 40; ++seed) {
        const PaperVariants variants = make_variants(paper, 1, seed);
        const ChoiceQuestion &moved =
            (multiple ? variants.papers[0].somech : variants.papers[0].onech).front();
        const std::optional<LaidOutOptions> found = find_laid_out_options(moved.problem);
        QVERIFY(found);
        QCOMPARE(found->stem, original.stem);
        QCOMPARE(found->options.size(), count);
        for (int i = count - staying; i < count; ++i)
            QCOMPARE(found->options[i], original.options[i]);
        QCOMPARE(moved.score, question.score);
        QCOMPARE(moved.partial_score, question.partial_score);
        for (int i = 0; i < count; ++i)
            QCOMPARE(bool(moved.answer & (1 << i)),
                     bool(answer & (1 << original.options.indexOf(found->options[i]))));
        QVERIFY(variants.same.empty());
        orders.insert(found->options.join(QLatin1Char('|')));
    }
    // Every order of the others comes up.
    int orders_of_the_others = 1;
    for (int i = 2; i <= count - staying; ++i)
        orders_of_the_others *= i;
    QCOMPARE(orders.size(), orders_of_the_others - 1);
}

void TestVariants::options_that_cannot_be_found_keep_their_order_and_are_named_data()
{
    QTest::addColumn<QString>("problem");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("why");
    QTest::addColumn<QString>("reason");

    QTest::newRow("not laid out") << "见下图，正确的是（　）" << 2 << int(OptionsKept::NotLaidOut)
                                  << "题面中没有从“A.”起依次排出的选项";
    QTest::newRow("options named in a run from B")
        << "甲\nB. 乙\nC. 丙" << 1 << int(OptionsKept::NotLaidOut)
        << "题面中没有从“A.”起依次排出的选项";
    QTest::newRow("a key outside the options")
        << "甲\nA. a\nB. b" << 4 << int(OptionsKept::KeyOutsideOptions)
        << "答案中有题面没有排出的选项";
    QTest::newRow("a note after the last option")
        << "甲\nA. a\nB. b\n（注：只选一项）" << 1 << int(OptionsKept::TextAfterLastOption)
        << "最后一个选项后面还有另起一行的文字";
    QTest::newRow("an option that starts like a marker")
        << "甲\nA.B. b\nB. c" << 1 << int(OptionsKept::WouldNotReadBack)
        << "有选项以像选项字母的文字开头";
}

void TestVariants::options_that_cannot_be_found_keep_their_order_and_are_named()
{
    QFETCH(QString, problem);
    QFETCH(int, answer);
    QFETCH(int, why);
    QFETCH(QString, reason);
    PaperData paper;
    paper.onech.push_back(choice("前一题\nA. 一\nB. 二\nC. 三", 1));
    paper.onech.push_back({2, 0, answer, problem});
    paper.onech.push_back(choice("后一题\nA. 一\nB. 二\nC. 三", 2));
    const PaperVariants variants = make_variants(paper, 4, 7);
    for (int v = 0; v < 4; ++v) {
        const PaperData &variant = variants.papers[size_t(v)];
        QCOMPARE(int(variants.kept[size_t(v)].size()), 1);
        const KeptOptions &kept = variants.kept[size_t(v)].front();
        QCOMPARE(kept.kind, QuestionKind::SingleChoice);
        QCOMPARE(kept.original, 2);
        QCOMPARE(int(kept.why), why);
        const ChoiceQuestion &question = variant.onech[size_t(kept.number - 1)];
        QCOMPARE(question.problem, problem);
        QCOMPARE(question.answer, answer);
        const QString note = options_kept_note(v, kept);
        QVERIFY2(note.startsWith(QStringLiteral("%1 单选题 第 %2 题（原卷第 2 题）的选项没有打乱：")
                                     .arg(variant_name(v))
                                     .arg(kept.number)),
                 qPrintable(note));
        QVERIFY2(note.contains(reason), qPrintable(note));
    }
}

void TestVariants::a_paper_too_small_to_shuffle_is_said_data()
{
    QTest::addColumn<QStringList>("single");   // single-choice problems, key A
    QTest::addColumn<QStringList>("multiple"); // multiple-choice problems, key AB
    QTest::addColumn<QStringList>("free");     // free-answer problems
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("same"); // "B=A": B is the same as A; "A=0": as the original

    QTest::newRow("one of each kind, the options staying")
        << QStringList{"甲\nA. 乙\nB. 以上都不对"} << QStringList{"丙\nA. 以上都对\nB. 都不对"}
        << QStringList{"丁"} << 2 << "A=0 B=0";
    QTest::newRow("one question without laid-out options")
        << QStringList{"见图"} << QStringList() << QStringList() << 1 << "A=0";
    QTest::newRow("the same question twice")
        << QStringList() << QStringList() << QStringList{"丁", "丁"} << 3 << "A=0 B=0 C=0";
    QTest::newRow("two orders, one of them the original")
        << QStringList{"甲\nA. 乙\nB. 丙"} << QStringList() << QStringList() << 2 << "B=";
    QTest::newRow("two options the same, both in the key")
        << QStringList() << QStringList{"甲\nA. 乙\nB. 乙"} << QStringList() << 1 << "A=0";
    QTest::newRow("six orders, six variants asked")
        << QStringList() << QStringList() << QStringList{"甲", "乙", "丙"} << 6 << "F=";
    QTest::newRow("six orders, five variants asked")
        << QStringList() << QStringList() << QStringList{"甲", "乙", "丙"} << 5 << "";
}

void TestVariants::a_paper_too_small_to_shuffle_is_said()
{
    QFETCH(QStringList, single);
    QFETCH(QStringList, multiple);
    QFETCH(QStringList, free);
    QFETCH(int, count);
    QFETCH(QString, same);
    PaperData paper;
    for (const QString &problem : single)
        paper.onech.push_back({2, 0, 1, problem});
    for (const QString &problem : multiple)
        paper.somech.push_back({4, 2, 3, problem});
    for (const QString &problem : free)
        paper.unch.push_back({10, problem, QString()});
    const PaperVariants variants = make_variants(paper, count, 11);
    QStringList said;
    for (const SameVariant &variant : variants.same) {
        said.append(QStringLiteral("%1=%2").arg(
            QChar(u'A' + variant.variant),
            variant.same_as < 0 ? QStringLiteral("0") : QString(QChar(u'A' + variant.same_as))));
        const QString note = same_variant_note(variant);
        QVERIFY2(note.startsWith(variant_name(variant.variant) + QStringLiteral("与")) &&
                     note.contains(QStringLiteral("试卷的题目和选项太少")),
                 qPrintable(note));
    }
    // Which paper the last variant equals, "B=", depends on the draws.
    if (same.endsWith(QLatin1Char('=')))
        QVERIFY2(said.size() == 1 && said.front().startsWith(same), qPrintable(said.join(' ')));
    else
        QCOMPARE(said.join(QLatin1Char(' ')), same);
}

QTEST_GUILESS_MAIN(TestVariants)
#include "test_variants.moc"
