#pragma once
// The paper the benchmarks measure: texts of about 200 bytes mixing ASCII and
// Chinese, some over several lines, and scores and answers of every kind.

#include "paper/paper_model.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace bench
{

// A small linear congruential generator: the same paper on every run.
struct Random {
    std::uint64_t state = 0x2545F4914F6CDD1DULL;
    unsigned next(unsigned bound)
    {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return unsigned(state >> 33) % bound;
    }
};

// About 200 bytes in UTF-8, ASCII words and Chinese phrases mixed; every third
// text spans two or three lines.
inline QString make_text(Random &random, int serial)
{
    static const char *const ascii[] = {"Solve ",         "x + 2 = 5; ",      "the value of ",
                                        "f(x) = x^2 ",    "(2 points) ",      "Explain why. ",
                                        "A, B, C or D? ", "mail@example.org "};
    static const char *const chinese[] = {"计算下列各题",     "已知函数", "请写出推导过程，",
                                          "下列说法正确的是", "物理",     "化学反应方程式",
                                          "简答：",           "。"};
    QByteArray bytes;
    bytes.reserve(240);
    while (bytes.size() < 200) {
        bytes += random.next(2) ? ascii[random.next(8)] : chinese[random.next(8)];
        if (serial % 3 == 0 && random.next(6) == 0)
            bytes += '\n';
    }
    return QString::fromUtf8(bytes);
}

// `each` questions of each kind, the same on every run.
inline void generate_paper(int each)
{
    Random random;
    onech_count = somech_count = unch_count = each;
    for (int k = 1; k <= each; ++k) {
        onech_table[k].score = 0.5 * random.next(21);
        onech_table[k].answer = 1 << random.next(6);
        onech_table[k].problem = make_text(random, k);
        somech_table[k].score = 0.5 * random.next(41);
        somech_table[k].partial_score = 0.25 * random.next(9);
        somech_table[k].answer = int(random.next(64));
        somech_table[k].problem = make_text(random, k + 1);
        unch_table[k].score = random.next(10001) / 100.0;
        unch_table[k].problem = make_text(random, k + 2);
        unch_table[k].answer = make_text(random, k);
    }
}

template <typename Visit> void for_each_text(Visit visit)
{
    for (int k = 1; k <= onech_count; ++k)
        visit(onech_table[k].problem);
    for (int k = 1; k <= somech_count; ++k)
        visit(somech_table[k].problem);
    for (int k = 1; k <= unch_count; ++k) {
        visit(unch_table[k].problem);
        visit(unch_table[k].answer);
    }
}

} // namespace bench
