#include "exchange/xml_attributes.h"

namespace
{

enum class State { Text, Tag, Quoted, Skipped };

bool starts_with_at(const QByteArray &bytes, int at, const char *what)
{
    for (int i = 0; what[i]; ++i) {
        if (at + i >= bytes.size() || bytes[at + i] != what[i])
            return false;
    }
    return true;
}

} // namespace

std::optional<int> line_of_crowded_tag(const QByteArray &xml, int limit)
{
    if (const auto crowded = find_crowded_tag(xml, limit))
        return crowded->line;
    return std::nullopt;
}

std::optional<CrowdedTag> find_crowded_tag(const QByteArray &xml, int limit, int max_bytes)
{
    State state = State::Text;
    int tag_start = 0;
    const char *skipped_until = nullptr; // what ends a comment, CDATA or the like
    char quote = 0;
    int attributes = 0;
    int line = 1;
    int tag_line = 1;
    for (int i = 0; i < xml.size(); ++i) {
        const char c = xml[i];
        if (c == '\n')
            ++line;
        switch (state) {
        case State::Text:
            if (c != '<')
                break;
            if (starts_with_at(xml, i, "<!--")) {
                state = State::Skipped;
                skipped_until = "-->";
            } else if (starts_with_at(xml, i, "<![CDATA[")) {
                state = State::Skipped;
                skipped_until = "]]>";
            } else if (starts_with_at(xml, i, "<?")) {
                state = State::Skipped;
                skipped_until = "?>";
            } else if (starts_with_at(xml, i, "<!")) {
                state = State::Skipped;
                skipped_until = ">";
            } else {
                state = State::Tag;
                attributes = 0;
                tag_line = line;
                tag_start = i;
            }
            break;
        case State::Tag:
            if (i - tag_start >= max_bytes)
                return CrowdedTag{tag_line, true};
            if (c == '"' || c == '\'') {
                state = State::Quoted;
                quote = c;
            } else if (c == '=' && ++attributes > limit) {
                return CrowdedTag{tag_line, false};
            } else if (c == '>') {
                state = State::Text;
            }
            break;
        case State::Quoted:
            if (i - tag_start >= max_bytes)
                return CrowdedTag{tag_line, true};
            if (c == quote)
                state = State::Tag;
            break;
        case State::Skipped:
            if (starts_with_at(xml, i, skipped_until)) {
                i += int(qstrlen(skipped_until)) - 1;
                state = State::Text;
            }
            break;
        }
    }
    return std::nullopt;
}
