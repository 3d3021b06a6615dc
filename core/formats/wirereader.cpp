#include "messages.h"
#include "textexports.h"
#include "textfields.h"
#include "translatable.h"

#include <set>
#include <string>
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

ReadOutcome StreamWire(ByteSource &source, SpectrumSink &sink)
{
    std::string_view bytes;
    if (!WholeText(source, bytes))
        return TooLargeToDecode(source);
    TextLines lines(bytes);
    std::string_view line;
    const WireLayout layout = lines.Next(line) ? wireLayout(line) : WireLayout::None;
    if (layout == WireLayout::Other)
        return ReadOutcome::Refused(
            Refusal::Unsupported(QT_TRANSLATE_NOOP("Messages", "WiRE-Text mit diesen Spalten")));
    if (layout != WireLayout::Single && layout != WireLayout::Map)
        return ReadOutcome::Refused(Refusal::Unreadable("WiRE-Text"));
    const std::size_t columns = layout == WireLayout::Single ? 2 : 4;
    std::size_t lineNumber = 1;
    const auto damaged = [&lineNumber](const std::string &what) {
        return ReadOutcome::Refused(
            Refusal::Damaged(FormatMessage(QT_TRANSLATE_NOOP("Messages", "Zeile %d"),
                                 static_cast<long long>(lineNumber))
                + ": " + what));
    };

    // The spectrum being gathered; a map's goes out when the next position starts. The first
    // position's wave values are every position's.
    std::vector<double> x;
    std::vector<double> y;
    std::set<std::pair<double, double>> seen;
    std::pair<double, double> position;
    bool started = false;
    bool wanted = true;
    std::uint64_t index = 0;
    const auto handOver = [&]() {
        if (!started) {
            StreamStart start;
            start.Points = layout == WireLayout::Single ? 0 : x.size();
            started = true;
            if (!sink.Start(start))
                return false;
        }
        StreamedSpectrum spectrum;
        spectrum.Index = index++;
        spectrum.X = x.data();
        spectrum.Y = y.data();
        spectrum.Points = y.size();
        spectrum.HasPosition = layout == WireLayout::Map;
        spectrum.PositionX = position.first;
        spectrum.PositionY = position.second;
        return sink.Take(spectrum);
    };
    std::size_t point = 0; // the next point of the current position
    std::vector<std::string_view> fields;
    double values[4] = {};
    while (wanted && lines.Next(line)) {
        ++lineNumber;
        if (IsBlankLine(line))
            continue;
        if (!SplitFields(line, '\t', fields, columns, true) || fields.size() != columns)
            return damaged(FormatMessage(
                QT_TRANSLATE_NOOP("Messages", "nicht %d Zahlen"), static_cast<long long>(columns)));
        for (std::size_t i = 0; i < columns; ++i)
            if (!FieldToNumber(fields[i], '.', values[i]))
                return damaged(QT_TRANSLATE_NOOP("Messages", "keine Zahl"));
        const double wave = values[columns - 2];
        const double intensity = values[columns - 1];
        if (layout == WireLayout::Single) {
            x.push_back(wave);
            y.push_back(intensity);
            continue;
        }
        const std::pair<double, double> here(values[0], values[1]);
        if (seen.empty() || here != position) {
            // A new position: the previous one must have listed every wave value.
            if (!seen.empty()) {
                if (point != x.size())
                    return damaged(
                        QT_TRANSLATE_NOOP("Messages", "Position ohne alle Wellenzahlen"));
                wanted = handOver();
            }
            if (!seen.insert(here).second)
                return damaged(QT_TRANSLATE_NOOP("Messages", "Position kommt zweimal vor"));
            position = here;
            y.clear();
            point = 0;
        }
        if (seen.size() == 1) {
            x.push_back(wave);
        } else if (point >= x.size() || x[point] != wave) {
            return damaged(
                QT_TRANSLATE_NOOP("Messages", "andere Wellenzahlen als an der ersten Position"));
        }
        y.push_back(intensity);
        ++point;
    }
    if (!wanted)
        return ReadOutcome::Done();
    if (x.empty())
        return ReadOutcome::Refused(Refusal::Damaged(QT_TRANSLATE_NOOP("Messages", "keine Werte")));
    if (layout == WireLayout::Map && point != x.size())
        return damaged(QT_TRANSLATE_NOOP("Messages", "Position ohne alle Wellenzahlen"));
    handOver();
    return ReadOutcome::Done();
}

bool ReadWire(std::string_view bytes, ImportedSpectra &out)
{
    return CollectImported(StreamWire, bytes, out);
}
