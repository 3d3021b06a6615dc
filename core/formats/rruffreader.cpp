#include "textexports.h"
#include "textfields.h"

#include <string>
#include <utility>

namespace
{

// A "##LABEL=" line's label as JCAMP-DX compares labels: upper case, without blanks, '-', '_' and
// '/'. Empty for a line that is not a label line.
std::string label(std::string_view line)
{
    std::string result;
    if (!StartsWith(line, "##"))
        return result;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return result;
    for (const char c : line.substr(2, equals - 2)) {
        if (c == ' ' || c == '-' || c == '_' || c == '/')
            continue;
        result.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
    }
    return result;
}

// The header block: the "##" label lines from the first line on (blank lines between them
// allowed). It is RRUFF's when it names the mineral or its RRUFF id and none of its labels is
// JCAMP-DX's. On success `line` is the first line after it, when `more` says there is one, and
// `mineral` the value of the first "##NAMES=" line that has one.
bool rruffHeader(TextLines &lines, std::string_view &line, bool &more, std::string_view &mineral)
{
    bool named = false;
    bool first = true;
    while ((more = lines.Next(line))) {
        if (!StartsWith(line, "##")) {
            if (first)
                return false;
            if (IsBlankLine(line))
                continue;
            return named;
        }
        const std::string key = label(line);
        if (key.empty() || key == "JCAMPDX" || key == "END" || (first && key == "TITLE"))
            return false;
        if (key == "NAMES" && mineral.empty())
            mineral = line.substr(line.find('=') + 1);
        named = named || key == "NAMES" || key == "RRUFFID";
        first = false;
    }
    return named;
}

} // namespace

bool LooksRruff(std::string_view head, std::size_t, std::string_view)
{
    TextLines lines(head);
    std::string_view line;
    bool more = false;
    std::string_view mineral;
    if (!rruffHeader(lines, line, more, mineral))
        return false;
    // A JCAMP-DX label anywhere in the head is the other reader's.
    while (lines.Next(line))
        if (label(line) == "JCAMPDX")
            return false;
    return true;
}

namespace
{

bool decodeRruff(std::string_view bytes, ImportedSpectra &out)
{
    TextLines lines(bytes);
    std::string_view line;
    bool more = false;
    std::string_view mineral;
    if (!rruffHeader(lines, line, more, mineral) || !more)
        return false;
    ImportedSpectra result;
    result.Y.emplace_back();
    result.Names.push_back(SpectrumName(mineral));
    bool ended = false;
    do {
        if (IsBlankLine(line))
            continue;
        // After "##END=" only blank lines may follow.
        if (ended)
            return false;
        if (StartsWith(line, "##")) {
            if (label(line) != "END")
                return false;
            ended = true;
            continue;
        }
        const std::size_t comma = line.find(',');
        double x = 0.0, y = 0.0;
        if (comma == std::string_view::npos || !FieldToNumber(line.substr(0, comma), '.', x)
            || !FieldToNumber(line.substr(comma + 1), '.', y))
            return false;
        result.X.push_back(x);
        result.Y[0].push_back(y);
    } while (lines.Next(line));
    if (result.X.empty())
        return false;
    out = std::move(result);
    return true;
}

} // namespace

ReadOutcome StreamRruff(ByteSource &source, SpectrumSink &sink)
{
    return DecodeWhole(source, sink, decodeRruff, "RRUFF");
}

bool ReadRruff(std::string_view bytes, ImportedSpectra &out)
{
    return CollectImported(StreamRruff, bytes, out);
}
