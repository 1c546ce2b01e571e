#pragma once
// The numbers Word draws before numbered paragraphs (word/numbering.xml):
// "1." "A．" "一、" "（1）", counted as Word counts them, so that a question
// number or an option letter the text itself does not hold still reaches
// the parser.

#include <QByteArray>
#include <QString>
#include <array>
#include <map>
#include <optional>

class DocxStyles;

class DocxNumbering
{
  public:
    static constexpr int kLevels = 9;

    // `styles` resolves the lists that point to a numbering style.
    void load(const QByteArray &xml, const DocxStyles &styles);

    // The level a paragraph of style `style_id` has in instance `num_id`, when
    // the level names that style; else 0.
    int level_of_style(int num_id, const QString &style_id) const;

    // Counts the next paragraph of instance `num_id` at `level` and returns
    // what Word draws before it: the number text and the level's suffix (a
    // tab, a space or nothing). Empty when the instance or level is unknown,
    // or the level draws a bullet (which no question number is).
    QString next(int num_id, int level);

  private:
    struct Level {
        int start = 1;
        QString format = QStringLiteral("decimal");
        QString text;
        QString suffix = QStringLiteral("\t");
        int restart_after = -1; // -1: after any higher level; 0: never
        bool legal = false;     // higher levels' numbers written as decimals
        QString style;
    };
    struct Abstract {
        std::array<Level, kLevels> levels;
        QString style_link;     // w:numStyleLink: the levels are those of this style's list
        int linked_num_id = -1; // that list, once resolved
    };
    struct Instance {
        int abstract_id = -1;
        std::array<std::optional<int>, kLevels> start_override;
        std::array<std::optional<Level>, kLevels> level_override;
        bool used = false;
    };
    struct Counters {
        std::array<int, kLevels> value{};
        std::array<bool, kLevels> started{};
    };

    const Abstract *abstract_of(const Instance &instance, int *abstract_id) const;
    const Level &level(const Instance &instance, const Abstract &abstract, int level) const;
    int start(const Instance &instance, const Abstract &abstract, int level) const;

    std::map<int, Abstract> abstracts_;
    std::map<int, Instance> instances_;
    std::map<int, Counters> counters_; // by abstract numbering: instances of one count together
};

// `value` written in Word's number format `format` ("decimal", "upperLetter",
// "chineseCounting", …); decimal for a format the reader does not know.
QString docx_number_text(int value, const QString &format);
