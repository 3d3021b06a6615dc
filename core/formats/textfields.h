#pragma once

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

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
    std::size_t m_lf = 0; // the first LF at or after m_pos once searched, else the end
    bool m_searched = false;
};

// The first line of a text (of a file's head), without its line end.
std::string_view FirstTextLine(std::string_view text);

// Without the blanks, tabs, CRs and LFs at both ends.
std::string_view TrimField(std::string_view field);
// Without them at the end only (a leading tab can carry meaning).
std::string_view TrimFieldEnd(std::string_view field);
bool IsBlankLine(std::string_view line);

// Splits a line at every `separator`. Empty fields are kept, or dropped with dropEmpty (then a
// field of blanks counts as empty too). False, with the fields undefined, when the line has more
// than maxFields fields, so a long line never costs more than the caller allows.
bool SplitFields(std::string_view line, char separator, std::vector<std::string_view> &fields,
    std::size_t maxFields, bool dropEmpty = false);

// A trimmed field as a number with the reader's decimal mark, through TryTextToFloat: false for
// anything but a finite number of that grammar (no infinity, no not-a-number, no overflow).
bool FieldToNumber(std::string_view field, char decimalMark, double &value);

bool StartsWith(std::string_view text, std::string_view prefix);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);
