#pragma once

#include "numconv.h"

#include <cmath>
#include <cstddef>
#include <string_view>
#include <vector>

// The few text rules the vendor text-export readers share: how lines end, what is trimmed from a
// field and how a field becomes a number. Each rule has its home here so the readers cannot
// drift apart; the number grammar itself is platform/numconv's.

// The lines of a text: a line ends at LF, at CR LF or at a lone CR (as the program's own reader
// splits them); a UTF-8 byte-order mark at the very start is skipped. The last line needs no line
// end. Views point into the text.
class TextLines
{
public:
    explicit TextLines(std::string_view text);
    // False at the end of the text.
    bool Next(std::string_view &line);
    // What is left after the lines read so far.
    std::string_view Rest() const { return m_text.substr(m_pos); }
    // Goes on at pos, the start of a line at or after the current position, for a reader that
    // has read the lines between by itself.
    void SkipTo(std::size_t pos) { m_pos = pos; }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
    std::size_t m_lf = 0; // the first LF at or after m_pos once searched, else the end
    bool m_searched = false;
};

// (Inline: the readers call it for every line.)
inline bool TextLines::Next(std::string_view &line)
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

// The first line of a text (of a file's head), without its line end.
std::string_view FirstTextLine(std::string_view text);

// The blanks, tabs, CRs and LFs that fields are trimmed of.
inline bool IsTrimmedChar(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Without them at the end only (a leading tab can carry meaning).
inline std::string_view TrimFieldEnd(std::string_view field)
{
    std::size_t end = field.size();
    while (end > 0 && IsTrimmedChar(field[end - 1]))
        --end;
    return field.substr(0, end);
}

// Without them at both ends.
inline std::string_view TrimField(std::string_view field)
{
    std::size_t begin = 0;
    while (begin < field.size() && IsTrimmedChar(field[begin]))
        ++begin;
    return TrimFieldEnd(field.substr(begin));
}

inline bool IsBlankLine(std::string_view line)
{
    return TrimField(line).empty();
}

// Splits a line at every `separator`. Empty fields are kept, or dropped with dropEmpty (then a
// field of blanks counts as empty too). False, with the fields undefined, when the line has more
// than maxFields fields, so a long line never costs more than the caller allows.
bool SplitFields(std::string_view line, char separator, std::vector<std::string_view> &fields,
    std::size_t maxFields, bool dropEmpty = false);

// A trimmed field as a number with the reader's decimal mark, through TryTextToFloat: false for
// anything but a finite number of that grammar (no infinity, no not-a-number, no overflow).
// (Inline: the readers call it for every field.)
inline bool FieldToNumber(std::string_view field, char decimalMark, double &value)
{
    const std::string_view trimmed = TrimField(field);
    // With the decimal comma, numconv's data-field path first: it takes one mark of either kind,
    // so a field without a point that it reads to its end reads to the same value here
    // (TryTextToFloat's own shortcut serves the decimal point).
    if (decimalMark == ',' && trimmed.find('.') == std::string_view::npos) {
        const char *end = trimmed.data() + trimmed.size();
        const char *fieldEnd = nullptr;
        double converted = 0.0;
        if (ConvertPlainDataField(trimmed.data(), end, converted, fieldEnd) && fieldEnd == end
            && std::isfinite(converted)) {
            value = converted;
            return true;
        }
    }
    double converted = 0.0;
    if (TryTextToFloat(trimmed, decimalMark, converted) != ConvertStatus::Ok
        || !std::isfinite(converted))
        return false;
    value = converted;
    return true;
}

bool StartsWith(std::string_view text, std::string_view prefix);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);
