#include "textfields.h"

namespace
{

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

TextLines::TextLines(std::string_view text)
    : m_text(text)
{
    if (StartsWith(m_text, "\xEF\xBB\xBF"))
        m_pos = 3;
}

std::string_view FirstTextLine(std::string_view text)
{
    TextLines lines(text);
    std::string_view line;
    return lines.Next(line) ? line : std::string_view();
}

bool SplitFields(std::string_view line, char separator, std::vector<std::string_view> &fields,
    std::size_t maxFields, bool dropEmpty)
{
    fields.clear();
    std::size_t begin = 0;
    for (;;) {
        std::size_t end = line.find(separator, begin);
        const bool last = end == std::string_view::npos;
        if (last)
            end = line.size();
        const std::string_view field = line.substr(begin, end - begin);
        if (!dropEmpty || !TrimField(field).empty()) {
            if (fields.size() == maxFields)
                return false;
            fields.push_back(field);
        }
        if (last)
            return true;
        begin = end + 1;
    }
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size()
        && EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}
