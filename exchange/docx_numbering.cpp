#include "exchange/docx_numbering.h"

#include "exchange/docx_styles.h"
#include "exchange/docx_xml.h"

#include <algorithm>

namespace
{

// Numbering styles that point at each other in a circle end here.
const int kMaxStyleLinks = 4;

QString letters(int value, char16_t first)
{
    // Word goes on after Z with AA, BB, …
    const QChar letter(char16_t(first + (value - 1) % 26));
    return QString((value - 1) / 26 + 1, letter);
}

QString roman(int value, bool upper)
{
    static const int values[] = {1000, 900, 500, 400, 100, 90, 50, 40, 10, 9, 5, 4, 1};
    static const char *const marks[] = {"M",  "CM", "D",  "CD", "C",  "XC", "L",
                                        "XL", "X",  "IX", "V",  "IV", "I"};
    QString text;
    for (int i = 0; i < 13; ++i) {
        for (; value >= values[i]; value -= values[i])
            text += QLatin1String(marks[i]);
    }
    return upper ? text : text.toLower();
}

// 一 … 十 十一 … 九千九百九十九; `zero` between the digits of 一百〇一.
QString chinese_counting(int value, QChar zero)
{
    static const char16_t digits[] = u"〇一二三四五六七八九";
    static const char16_t units[] = u"\0十百千";
    QString text;
    bool zero_pending = false;
    for (int position = 3, power = 1000; position >= 0; --position, power /= 10) {
        const int digit = value / power % 10;
        if (digit == 0) {
            zero_pending = !text.isEmpty();
            continue;
        }
        if (zero_pending)
            text += zero;
        zero_pending = false;
        if (!(position == 1 && digit == 1 && text.isEmpty()))
            text += QChar(digits[digit]);
        if (position > 0)
            text += QChar(units[position]);
    }
    return text;
}

QString from_table(int value, const char16_t *table, int size)
{
    return value >= 1 && value <= size ? QString(QChar(table[value - 1])) : QString::number(value);
}

QString full_width(int value)
{
    QString text = QString::number(value);
    for (QChar &c : text) {
        if (c.isDigit())
            c = QChar(char16_t(c.unicode() - u'0' + 0xFF10));
    }
    return text;
}

// Word writes "01, 02, 03, …" as a custom format, with decimalZero in
// its fallback for older versions.
QString number_format(const DocxWalker &walker)
{
    const QString format = docx_word_value(walker);
    if (format != QLatin1String("custom"))
        return format;
    const QString pattern = docx_attribute(walker.reader(), DocxNs::Word, QLatin1String("format"));
    return pattern.startsWith(QLatin1Char('0')) ? QStringLiteral("decimalZero")
                                                : QStringLiteral("decimal");
}

// Where a list starts, within what Word lets a list start at, so that
// counting on from it never overflows.
int start_value(const DocxWalker &walker)
{
    return std::clamp(docx_word_number(walker, "val", 1), 0, 32767);
}

} // namespace

QString docx_number_text(int value, const QString &format)
{
    if (value < 1 || value > 9999)
        return QString::number(value);
    if (format == QLatin1String("upperLetter"))
        return letters(value, u'A');
    if (format == QLatin1String("lowerLetter"))
        return letters(value, u'a');
    if (format == QLatin1String("upperRoman"))
        return roman(value, true);
    if (format == QLatin1String("lowerRoman"))
        return roman(value, false);
    if (format == QLatin1String("chineseCounting") || format == QLatin1String("japaneseCounting"))
        return chinese_counting(value, QChar(u'〇'));
    if (format == QLatin1String("chineseCountingThousand"))
        return chinese_counting(value, QChar(u'零'));
    if (format == QLatin1String("ideographTraditional"))
        return from_table(value, u"甲乙丙丁戊己庚辛壬癸", 10);
    if (format == QLatin1String("ideographZodiac"))
        return from_table(value, u"子丑寅卯辰巳午未申酉戌亥", 12);
    if (format == QLatin1String("decimalEnclosedCircle") ||
        format == QLatin1String("decimalEnclosedCircleChinese"))
        return from_table(value, u"①②③④⑤⑥⑦⑧⑨⑩⑪⑫⑬⑭⑮⑯⑰⑱⑲⑳", 20);
    if (format == QLatin1String("decimalFullWidth") || format == QLatin1String("decimalFullWidth2"))
        return full_width(value);
    if (format == QLatin1String("decimalZero"))
        return value < 10 ? QStringLiteral("0%1").arg(value) : QString::number(value);
    if (format == QLatin1String("none"))
        return QString();
    return QString::number(value);
}

void DocxNumbering::load(const QByteArray &xml, const DocxStyles &styles)
{
    DocxPartPath part(xml);
    const DocxWalker &walker = part.walker();
    Abstract *abstract = nullptr;
    Instance *instance = nullptr;
    Level *level = nullptr;
    int override_level = -1;
    while (part.next()) {
        const QString &name = part.name();
        if (!part.started()) {
            if (name == QLatin1String("lvl"))
                level = nullptr;
            else if (name == QLatin1String("lvlOverride"))
                override_level = -1;
            else if (part.depth() == 2)
                abstract = nullptr, instance = nullptr;
            continue;
        }
        const QString parent = part.parent();
        if (part.depth() == 2 && name == QLatin1String("abstractNum")) {
            abstract = &abstracts_[docx_word_number(walker, "abstractNumId", -1)];
            *abstract = Abstract();
        } else if (part.depth() == 2 && name == QLatin1String("num")) {
            instance = &instances_[docx_word_number(walker, "numId", -1)];
            *instance = Instance();
        } else if (name == QLatin1String("lvl")) {
            const int index = docx_word_number(walker, "ilvl", -1);
            if (index < 0 || index >= kLevels)
                continue;
            if (abstract && parent == QLatin1String("abstractNum")) {
                level = &abstract->levels[size_t(index)];
            } else if (instance && override_level >= 0 && parent == QLatin1String("lvlOverride")) {
                // Assigned rather than emplaced: clang finds a nested struct with
                // member initialisers not default-constructible inside its class.
                std::optional<Level> &slot = instance->level_override[size_t(override_level)];
                slot = Level{};
                level = &*slot;
            }
        } else if (level && parent == QLatin1String("lvl")) {
            if (name == QLatin1String("start"))
                level->start = start_value(walker);
            else if (name == QLatin1String("numFmt"))
                level->format = number_format(walker);
            else if (name == QLatin1String("lvlText"))
                level->text = docx_word_value(walker);
            else if (name == QLatin1String("suff"))
                level->suffix =
                    docx_word_value(walker) == QLatin1String("space")     ? QStringLiteral(" ")
                    : docx_word_value(walker) == QLatin1String("nothing") ? QString()
                                                                          : QStringLiteral("\t");
            else if (name == QLatin1String("lvlRestart"))
                level->restart_after = docx_word_number(walker, "val", -1);
            else if (name == QLatin1String("isLgl"))
                level->legal = docx_word_value(walker) != QLatin1String("0") &&
                               docx_word_value(walker) != QLatin1String("false");
            else if (name == QLatin1String("pStyle"))
                level->style = docx_word_value(walker);
        } else if (abstract && name == QLatin1String("numStyleLink")) {
            abstract->style_link = docx_word_value(walker);
        } else if (instance && name == QLatin1String("abstractNumId")) {
            instance->abstract_id = docx_word_number(walker, "val", -1);
        } else if (instance && name == QLatin1String("lvlOverride")) {
            const int index = docx_word_number(walker, "ilvl", -1);
            override_level = index >= 0 && index < kLevels ? index : -1;
        } else if (instance && override_level >= 0 && name == QLatin1String("startOverride")) {
            instance->start_override[size_t(override_level)] = start_value(walker);
        }
    }
    for (auto &entry : abstracts_) {
        if (!entry.second.style_link.isEmpty())
            entry.second.linked_num_id = styles.numbering(entry.second.style_link).num_id;
    }
}

const DocxNumbering::Abstract *DocxNumbering::abstract_of(const Instance &instance,
                                                          int *abstract_id) const
{
    int id = instance.abstract_id;
    for (int step = 0; step <= kMaxStyleLinks; ++step) {
        const auto found = abstracts_.find(id);
        if (found == abstracts_.end())
            return nullptr;
        const auto linked = instances_.find(found->second.linked_num_id);
        if (found->second.style_link.isEmpty() || linked == instances_.end()) {
            *abstract_id = id;
            return &found->second;
        }
        id = linked->second.abstract_id;
    }
    return nullptr;
}

const DocxNumbering::Level &DocxNumbering::level(const Instance &instance, const Abstract &abstract,
                                                 int level) const
{
    const std::optional<Level> &replaced = instance.level_override[size_t(level)];
    return replaced ? *replaced : abstract.levels[size_t(level)];
}

int DocxNumbering::start(const Instance &instance, const Abstract &abstract, int level) const
{
    const std::optional<int> &restart = instance.start_override[size_t(level)];
    return restart ? *restart : this->level(instance, abstract, level).start;
}

int DocxNumbering::level_of_style(int num_id, const QString &style_id) const
{
    const auto instance = instances_.find(num_id);
    int abstract_id = -1;
    const Abstract *abstract =
        instance == instances_.end() ? nullptr : abstract_of(instance->second, &abstract_id);
    for (int index = 0; abstract && index < kLevels; ++index) {
        if (!style_id.isEmpty() && level(instance->second, *abstract, index).style == style_id)
            return index;
    }
    return 0;
}

QString DocxNumbering::next(int num_id, int at)
{
    const auto found = instances_.find(num_id);
    if (found == instances_.end() || at < 0 || at >= kLevels)
        return QString();
    Instance &instance = found->second;
    int abstract_id = -1;
    const Abstract *abstract = abstract_of(instance, &abstract_id);
    if (!abstract)
        return QString();
    Counters &counters = counters_[abstract_id];
    // A list told to start again (Word's "重新开始于 1") starts again where
    // it is first used; otherwise instances of one list count on together.
    if (!instance.used) {
        instance.used = true;
        for (int index = 0; index < kLevels; ++index) {
            if (instance.start_override[size_t(index)] || instance.level_override[size_t(index)])
                counters.started[size_t(index)] = false;
        }
    }
    const size_t here = size_t(at);
    counters.value[here] =
        counters.started[here] ? counters.value[here] + 1 : start(instance, *abstract, at);
    counters.started[here] = true;
    for (int lower = at + 1; lower < kLevels; ++lower) {
        const int after = level(instance, *abstract, lower).restart_after;
        if (after < 0 || at < after)
            counters.started[size_t(lower)] = false;
    }

    const Level &drawn = level(instance, *abstract, at);
    if (drawn.format == QLatin1String("bullet"))
        return QString();
    QString text;
    for (int i = 0; i < drawn.text.size(); ++i) {
        const QChar c = drawn.text[i];
        const int referred = i + 1 < drawn.text.size() ? drawn.text[i + 1].digitValue() - 1 : -1;
        if (c != u'%' || referred < 0 || referred >= kLevels) {
            text += c;
            continue;
        }
        ++i;
        const size_t index = size_t(referred);
        const int value =
            counters.started[index] ? counters.value[index] : start(instance, *abstract, referred);
        const bool decimal = drawn.legal && referred < at;
        text += docx_number_text(value, decimal ? QStringLiteral("decimal")
                                                : level(instance, *abstract, referred).format);
    }
    return text.isEmpty() ? text : text + drawn.suffix;
}
