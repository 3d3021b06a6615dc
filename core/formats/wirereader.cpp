#include "textexports.h"
#include "textfields.h"

#include <utility>

namespace
{

// No header of a WiRE export has more columns than this; a longer first line is not one.
constexpr std::size_t kMaxHeaderColumns = 8;

enum class WireLayout { None, Other, Single, Map };

WireLayout wireLayout(std::string_view firstLine)
{
    std::vector<std::string_view> names;
    if (!SplitFields(firstLine, '\t', names, kMaxHeaderColumns, true) || names.size() < 2)
        return WireLayout::None;
    for (auto &name : names) {
        name = TrimField(name);
        if (name.size() < 2 || name[0] != '#' || name.find_first_of(" =") != std::string_view::npos)
            return WireLayout::None;
    }
    if (names[names.size() - 2] != "#Wave" || names.back() != "#Intensity")
        return WireLayout::None;
    if (names.size() == 2)
        return WireLayout::Single;
    if (names.size() == 4 && names[0] == "#X" && names[1] == "#Y")
        return WireLayout::Map;
    return WireLayout::Other;
}

} // namespace

bool LooksWire(std::string_view head, std::size_t, std::string_view)
{
    return wireLayout(FirstTextLine(head)) != WireLayout::None;
}

bool ReadWire(std::string_view bytes, ImportedSpectra &out)
{
    TextLines lines(bytes);
    std::string_view line;
    if (!lines.Next(line))
        return false;
    const WireLayout layout = wireLayout(line);
    if (layout != WireLayout::Single && layout != WireLayout::Map)
        return false;
    const std::size_t columns = layout == WireLayout::Single ? 2 : 4;

    ImportedSpectra result;
    std::vector<std::pair<double, double>> positions;
    std::size_t point = 0; // the next point of the current position
    std::vector<std::string_view> fields;
    double values[4] = {};
    while (lines.Next(line)) {
        if (IsBlankLine(line))
            continue;
        if (!SplitFields(line, '\t', fields, columns, true) || fields.size() != columns)
            return false;
        for (std::size_t i = 0; i < columns; ++i)
            if (!FieldToNumber(fields[i], '.', values[i]))
                return false;
        const double wave = values[columns - 2];
        const double intensity = values[columns - 1];
        if (layout == WireLayout::Single) {
            if (result.Y.empty())
                result.Y.emplace_back();
            if (result.X.size() == kImportMaxPoints)
                return false;
            result.X.push_back(wave);
            result.Y[0].push_back(intensity);
            continue;
        }
        const std::pair<double, double> position(values[0], values[1]);
        if (positions.empty() || positions.back() != position) {
            // A new position: the previous one must have listed every wave value.
            if (!positions.empty() && point != result.X.size())
                return false;
            for (const auto &earlier : positions)
                if (earlier == position)
                    return false;
            if (positions.size() == kImportMaxSpectra)
                return false;
            positions.push_back(position);
            result.Y.emplace_back();
            point = 0;
        }
        if (positions.size() == 1) {
            if (result.X.size() == kImportMaxPoints)
                return false;
            result.X.push_back(wave);
        } else if (point >= result.X.size() || result.X[point] != wave) {
            return false;
        }
        result.Y.back().push_back(intensity);
        ++point;
    }
    if (result.X.empty() || (layout == WireLayout::Map && point != result.X.size()))
        return false;
    out = std::move(result);
    return true;
}
