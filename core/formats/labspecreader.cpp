#include "textexports.h"
#include "textfields.h"

#include <utility>

namespace
{

// "#Key=" followed by a tab or the line end; the key is not empty, holds no tab and does not
// start with a second '#' (that is a JCAMP-DX or RRUFF label).
bool isKeyLine(std::string_view line)
{
    line = TrimFieldEnd(line);
    if (line.size() < 3 || line[0] != '#' || line[1] == '#')
        return false;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || equals < 2)
        return false;
    if (line.substr(1, equals - 1).find('\t') != std::string_view::npos)
        return false;
    return equals + 1 == line.size() || line[equals + 1] == '\t';
}

// The value of a "#Title=" line, the measurement's title; false for any other line.
bool titleLine(std::string_view line, std::string_view &title)
{
    constexpr std::string_view key = "#Title=";
    if (!isKeyLine(line) || !StartsWithNoCase(line, key))
        return false;
    title = line.substr(key.size());
    return true;
}

bool readTwoColumns(TextLines &lines, std::string_view line, ImportedSpectra &result)
{
    std::vector<std::string_view> fields;
    result.Y.emplace_back();
    do {
        if (IsBlankLine(line))
            continue;
        double x = 0.0, y = 0.0;
        if (!SplitFields(line, '\t', fields, 2, true) || fields.size() != 2
            || !FieldToNumber(fields[0], '.', x) || !FieldToNumber(fields[1], '.', y))
            return false;
        if (result.X.size() == kImportMaxPoints)
            return false;
        result.X.push_back(x);
        result.Y[0].push_back(y);
    } while (lines.Next(line));
    return true;
}

// The x row: k >= 1 empty fields, then the x values; then per spectrum k coordinates (numbers,
// not kept) and one intensity per x value.
bool readMatrix(TextLines &lines, std::string_view line, ImportedSpectra &result)
{
    std::vector<std::string_view> fields;
    // k coordinate columns: at most a few; the x values at most the table's limit.
    constexpr std::size_t kMaxCoordinates = 4;
    constexpr std::size_t kMaxFields = kImportMaxPoints + kMaxCoordinates;
    if (!SplitFields(TrimFieldEnd(line), '\t', fields, kMaxFields))
        return false;
    std::size_t coordinates = 0;
    while (coordinates < fields.size() && TrimField(fields[coordinates]).empty())
        ++coordinates;
    if (coordinates == 0 || coordinates > kMaxCoordinates || coordinates == fields.size()
        || fields.size() - coordinates > kImportMaxPoints)
        return false;
    const std::size_t count = fields.size();
    result.X.resize(count - coordinates);
    for (std::size_t i = coordinates; i < count; ++i)
        if (!FieldToNumber(fields[i], '.', result.X[i - coordinates]))
            return false;
    while (lines.Next(line)) {
        if (IsBlankLine(line))
            continue;
        if (!SplitFields(TrimFieldEnd(line), '\t', fields, count) || fields.size() != count)
            return false;
        if (result.Y.size() == kImportMaxSpectra)
            return false;
        double coordinate = 0.0;
        for (std::size_t i = 0; i < coordinates; ++i)
            if (!FieldToNumber(fields[i], '.', coordinate))
                return false;
        std::vector<double> y(count - coordinates);
        for (std::size_t i = coordinates; i < count; ++i)
            if (!FieldToNumber(fields[i], '.', y[i - coordinates]))
                return false;
        result.Y.push_back(std::move(y));
    }
    return !result.Y.empty();
}

} // namespace

bool LooksLabSpec(std::string_view head, std::size_t, std::string_view)
{
    return isKeyLine(FirstTextLine(head));
}

bool ReadLabSpec(std::string_view bytes, ImportedSpectra &out)
{
    TextLines lines(bytes);
    std::string_view line;
    if (!lines.Next(line) || !isKeyLine(line))
        return false;
    // The header: every line that starts with '#' before the first line of numbers. Its first
    // title names the spectrum of a file of one.
    std::string_view title;
    bool titled = titleLine(line, title);
    bool data = false;
    while (!data && lines.Next(line)) {
        data = !IsBlankLine(line) && line[0] != '#';
        if (!data && !titled)
            titled = titleLine(line, title);
    }
    if (!data)
        return false;
    ImportedSpectra result;
    // Only the x row of the matrix form starts with an empty field.
    const bool matrix = TrimField(line.substr(0, line.find('\t'))).empty();
    if (!(matrix ? readMatrix(lines, line, result) : readTwoColumns(lines, line, result)))
        return false;
    if (result.Y.size() == 1)
        result.Names.push_back(SpectrumName(title));
    out = std::move(result);
    return true;
}
