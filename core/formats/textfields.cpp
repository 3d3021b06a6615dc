#include "textfields.h"

#include "numconv.h"

#include <cmath>

namespace
{

bool isTrimmed(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

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

bool TextLines::Next(std::string_view &line)
{
    if (m_pos >= m_text.size())
        return false;
    const std::size_t begin = m_pos;
    // The next LF (one fast search, kept for the lines a lone CR ends before it), then a CR
    // before it.
    if (!m_searched || m_lf < begin) {
        m_searched = true;
        m_lf = m_text.find('\n', begin);
        if (m_lf == std::string_view::npos)
            m_lf = m_text.size();
    }
    std::size_t end = m_lf;
    const std::size_t cr = m_text.substr(begin, end - begin).find('\r');
    if (cr != std::string_view::npos)
        end = begin + cr;
    line = m_text.substr(begin, end - begin);
    m_pos = end;
    if (end < m_text.size()) {
        const bool crLf = m_text[end] == '\r' && end + 1 < m_text.size() && m_text[end + 1] == '\n';
        m_pos = end + (crLf ? 2 : 1);
    }
    return true;
}

std::string_view FirstTextLine(std::string_view text)
{
    TextLines lines(text);
    std::string_view line;
    return lines.Next(line) ? line : std::string_view();
}

std::string_view TrimField(std::string_view field)
{
    std::size_t begin = 0;
    while (begin < field.size() && isTrimmed(field[begin]))
        ++begin;
    return TrimFieldEnd(field.substr(begin));
}

std::string_view TrimFieldEnd(std::string_view field)
{
    std::size_t end = field.size();
    while (end > 0 && isTrimmed(field[end - 1]))
        --end;
    return field.substr(0, end);
}

bool IsBlankLine(std::string_view line)
{
    return TrimField(line).empty();
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

bool FieldToNumber(std::string_view field, char decimalMark, double &value)
{
    double converted = 0.0;
    if (TryTextToFloat(TrimField(field), decimalMark, converted) != ConvertStatus::Ok
        || !std::isfinite(converted))
        return false;
    value = converted;
    return true;
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
