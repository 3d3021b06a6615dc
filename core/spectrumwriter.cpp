#include "spectrumwriter.h"

#include <charconv>

namespace
{

void appendNumber(std::string &text, double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text.append(buffer, result.ptr);
}

// Line ends inside a title or caption would shift the header lines.
std::string oneLine(std::string_view text)
{
    std::string line(text);
    for (char &c : line) {
        if (c == '\r' || c == '\n' || c == 26)
            c = ' ';
    }
    return line;
}

} // namespace

std::string SpectrumFileText(const SpectrumTableData &table, std::string_view title)
{
    std::string text;
    text.reserve(static_cast<std::size_t>(table.RowCount)
            * (static_cast<std::size_t>(table.SpectrumCount) + 1) * 12
        + 256);
    text += oneLine(title);
    text += "\r\nx-data = ";
    text += oneLine(table.XCaption);
    // The reader keeps what stands before the y marker; a caption read from a file of this
    // layout already ends with the blank that separates it.
    if (table.XCaption.empty() || (table.XCaption.back() != ' ' && table.XCaption.back() != '\t'))
        text += ' ';
    text += "y-data = ";
    text += oneLine(table.YCaption);
    text += "\r\nShift";
    for (int s = 1; s <= table.SpectrumCount; ++s) {
        text += "\tSpektrum ";
        text += std::to_string(s);
    }
    text += "\r\n";
    for (int r = 1; r <= table.RowCount; ++r) {
        appendNumber(text, table.Cell(r, 1));
        for (int s = 1; s <= table.SpectrumCount; ++s) {
            text += '\t';
            appendNumber(text, table.Cell(r, s + 1));
        }
        text += "\r\n";
    }
    return text;
}
