#include "mapindex.h"

#include "messages.h"
#include "translatable.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace
{

// The distinct values among values (sorted), values closer than tolerance counting as one.
std::vector<double> distinct(std::vector<double> values, double tolerance)
{
    std::sort(values.begin(), values.end());
    std::vector<double> result;
    for (const double v : values)
        if (result.empty() || v - result.back() > tolerance)
            result.push_back(v);
    return result;
}

// The index of the distinct value nearest to v.
std::size_t nearest(const std::vector<double> &levels, double v)
{
    const auto above = std::lower_bound(levels.begin(), levels.end(), v);
    if (above == levels.begin())
        return 0;
    if (above == levels.end())
        return levels.size() - 1;
    const auto below = above - 1;
    return static_cast<std::size_t>((v - *below <= *above - v ? below : above) - levels.begin());
}

MapLayout inOrder(std::size_t count)
{
    MapLayout layout;
    layout.Shape = MapShape::Strip;
    layout.Columns = count;
    layout.Rows = 1;
    layout.MaxX = static_cast<double>(count);
    layout.CellWidth = layout.CellHeight = 1;
    layout.CellAt.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        layout.CellAt[i] = static_cast<std::uint32_t>(i);
    return layout;
}

} // namespace

void MapIndex::Start(std::size_t targets)
{
    m_cells.clear();
    m_found.clear();
    m_targets = targets;
    m_positioned = true;
}

void MapIndex::Add(const SpectrumPlace &place, const FileJudgement &judgement)
{
    MapCell cell;
    cell.X = place.X;
    cell.Y = place.Y;
    cell.HasPosition = place.HasPosition;
    cell.Selected = judgement.Selected;
    cell.Missing = static_cast<std::uint8_t>(std::clamp(judgement.MissingCount, 0, 255));
    cell.Score = judgement.Scored ? judgement.Score : 0.0;
    m_positioned =
        m_positioned && place.HasPosition && std::isfinite(place.X) && std::isfinite(place.Y);
    m_cells.push_back(cell);
    for (std::size_t t = 0; t < m_targets; ++t) {
        const bool found = t < judgement.Targets.size() && judgement.Targets[t].Found;
        m_found.push_back(
            found ? judgement.Targets[t].Position : std::numeric_limits<double>::quiet_NaN());
    }
}

void MapIndex::AddFrom(const MapIndex &other, std::size_t from)
{
    if (from >= other.m_cells.size() || other.m_targets != m_targets)
        return;
    for (std::size_t i = from; i < other.m_cells.size(); ++i) {
        const MapCell &cell = other.m_cells[i];
        m_positioned =
            m_positioned && cell.HasPosition && std::isfinite(cell.X) && std::isfinite(cell.Y);
    }
    m_cells.insert(m_cells.end(), other.m_cells.begin() + static_cast<std::ptrdiff_t>(from),
        other.m_cells.end());
    m_found.insert(m_found.end(),
        other.m_found.begin() + static_cast<std::ptrdiff_t>(from * m_targets), other.m_found.end());
}

bool MapIndex::Found(std::size_t i, std::size_t t, double &position) const
{
    const double value = m_found[i * m_targets + t];
    position = value;
    return !std::isnan(value);
}

std::string MapIndex::PositionFault() const
{
    std::vector<std::size_t> placed;
    bool unplaced = false;
    for (std::size_t i = 0; i < m_cells.size(); ++i) {
        const MapCell &cell = m_cells[i];
        if (cell.HasPosition && std::isfinite(cell.X) && std::isfinite(cell.Y))
            placed.push_back(i);
        else
            unplaced = true;
    }
    if (placed.empty())
        return {};
    if (unplaced) {
        for (std::size_t i = 0; i < m_cells.size(); ++i)
            if (!(m_cells[i].HasPosition && std::isfinite(m_cells[i].X)
                    && std::isfinite(m_cells[i].Y)))
                return FormatMessage(QT_TRANSLATE_NOOP("Messages", "Spektrum %d ohne Position"),
                    static_cast<long long>(i) + 1);
    }
    const auto at = [this](std::size_t i) { return std::pair(m_cells[i].X, m_cells[i].Y); };
    std::stable_sort(placed.begin(), placed.end(),
        [&at](std::size_t a, std::size_t b) { return at(a) < at(b); });
    for (std::size_t k = 1; k < placed.size(); ++k)
        if (at(placed[k]) == at(placed[k - 1])) {
            const std::size_t first = std::min(placed[k], placed[k - 1]);
            const std::size_t second = std::max(placed[k], placed[k - 1]);
            return FormatMessage(FormatMessage(QT_TRANSLATE_NOOP("Messages",
                                                   "Spektrum %d und %d an derselben Stelle"),
                                     static_cast<long long>(first) + 1),
                static_cast<long long>(second) + 1);
        }
    return {};
}

MapLayout MapIndex::Arrange() const
{
    const std::size_t count = m_cells.size();
    if (!Positioned() || count < 2)
        return inOrder(count);
    std::vector<double> xs(count);
    std::vector<double> ys(count);
    for (std::size_t i = 0; i < count; ++i) {
        xs[i] = m_cells[i].X;
        ys[i] = m_cells[i].Y;
    }
    const auto [minX, maxX] = std::minmax_element(xs.begin(), xs.end());
    const auto [minY, maxY] = std::minmax_element(ys.begin(), ys.end());
    MapLayout layout;
    layout.MinX = *minX;
    layout.MaxX = *maxX;
    layout.MinY = *minY;
    layout.MaxY = *maxY;
    const double spanX = layout.MaxX - layout.MinX;
    const double spanY = layout.MaxY - layout.MinY;
    const double span = std::max(spanX, spanY);
    if (!(span > 0))
        return inOrder(count);
    // Stage positions repeat exactly along a row or column, up to the rounding of their units.
    const double tolerance = span * 1e-6;
    const std::vector<double> columns = distinct(xs, tolerance);
    const std::vector<double> rows = distinct(ys, tolerance);

    // A grid: every cell at its own crossing of a distinct x and y; a measurement stopped early
    // leaves the last crossings empty.
    if (columns.size() > 1 && rows.size() > 1
        && columns.size() * rows.size() <= 2 * count + columns.size()) {
        layout.Shape = MapShape::Grid;
        layout.Columns = columns.size();
        layout.Rows = rows.size();
        layout.CellWidth = spanX / static_cast<double>(columns.size() - 1);
        layout.CellHeight = spanY / static_cast<double>(rows.size() - 1);
        layout.CellAt.assign(columns.size() * rows.size(), MapLayout::kNoCell);
        bool unique = true;
        for (std::size_t i = 0; i < count && unique; ++i) {
            std::uint32_t &at =
                layout.CellAt[nearest(rows, ys[i]) * columns.size() + nearest(columns, xs[i])];
            unique = at == MapLayout::kNoCell;
            at = static_cast<std::uint32_t>(i);
        }
        if (unique)
            return layout;
    }

    // A strip: all positions on the line through the first and the last one.
    const double dx = xs.back() - xs.front();
    const double dy = ys.back() - ys.front();
    const double length = std::hypot(dx, dy);
    bool straight = length > 0;
    for (std::size_t i = 0; i < count && straight; ++i)
        straight = std::fabs((xs[i] - xs.front()) * dy - (ys[i] - ys.front()) * dx) / length
            <= length * 1e-3;
    if (straight) {
        MapLayout strip;
        strip.Shape = MapShape::Strip;
        strip.Columns = count;
        strip.Rows = 1;
        strip.MaxX = length;
        strip.CellWidth = length / static_cast<double>(count - 1);
        strip.CellHeight = strip.CellWidth;
        strip.MinY = 0;
        strip.MaxY = 0;
        std::vector<std::pair<double, std::uint32_t>> along(count);
        for (std::size_t i = 0; i < count; ++i)
            along[i] = { ((xs[i] - xs.front()) * dx + (ys[i] - ys.front()) * dy) / length,
                static_cast<std::uint32_t>(i) };
        std::stable_sort(along.begin(), along.end(),
            [](const auto &a, const auto &b) { return a.first < b.first; });
        strip.CellAt.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            strip.CellAt[i] = along[i].second;
        return strip;
    }

    // Scattered: squares as large as the median step from one cell to the next.
    std::vector<double> steps;
    for (std::size_t i = 1; i < count; ++i) {
        const double step = std::hypot(xs[i] - xs[i - 1], ys[i] - ys[i - 1]);
        if (step > 0)
            steps.push_back(step);
    }
    std::nth_element(
        steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2), steps.end());
    layout.Shape = MapShape::Scatter;
    layout.Columns = layout.Rows = 0;
    layout.CellWidth = layout.CellHeight = steps.empty() ? span : steps[steps.size() / 2];
    layout.CellAt.clear();
    return layout;
}

std::string MapIndex::Table(const std::vector<std::string> &targets, char decimalSeparator) const
{
    std::string text = "X\tY\tAusgewählt\tFehlend\tGüte";
    for (const std::string &target : targets)
        text += '\t' + target;
    text += '\n';
    for (std::size_t i = 0; i < m_cells.size(); ++i) {
        const MapCell &cell = m_cells[i];
        if (cell.HasPosition)
            text += ReportNumber(cell.X, decimalSeparator) + '\t'
                + ReportNumber(cell.Y, decimalSeparator);
        else
            text += '\t';
        text += cell.Selected ? "\tja\t" : "\tnein\t";
        text += std::to_string(cell.Missing) + '\t';
        text += ReportNumber(std::nearbyint(cell.Score * 100) / 100, decimalSeparator);
        for (std::size_t t = 0; t < m_targets && t < targets.size(); ++t) {
            text += '\t';
            double position = 0;
            if (Found(i, t, position))
                text += ReportNumber(position, decimalSeparator);
        }
        text += '\n';
    }
    return text;
}

namespace
{

// The tab-separated fields of one line.
std::vector<std::string_view> fields(std::string_view line)
{
    std::vector<std::string_view> result;
    for (;;) {
        const auto tab = line.find('\t');
        result.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos)
            return result;
        line.remove_prefix(tab + 1);
    }
}

// A whole field as a finite number written with a decimal point.
bool number(std::string_view field, double &value)
{
    if (field.empty())
        return false;
    const char *end = field.data() + field.size();
    const auto [stop, error] = std::from_chars(field.data(), end, value);
    return error == std::errc() && stop == end && std::isfinite(value);
}

} // namespace

bool ReadMapTable(std::string_view text, MapIndex &map, std::string &fault)
{
    static constexpr std::string_view kHead = "X\tY\tAusgewählt\tFehlend\tGüte";
    const auto headEnd = text.find('\n');
    const std::string_view head = text.substr(0, headEnd);
    if (head.substr(0, kHead.size()) != kHead
        || (head.size() > kHead.size() && head[kHead.size()] != '\t')) {
        fault = FormatMessage(QT_TRANSLATE_NOOP("Messages", "Zeile %d"), 1LL) + ": "
            + QT_TRANSLATE_NOOP("Messages", "keine Tabelle der Karte");
        return false;
    }
    const std::size_t targets = fields(head).size() - 5;
    map.Start(targets);
    if (headEnd == std::string_view::npos)
        return true;
    text.remove_prefix(headEnd + 1);
    FileJudgement judgement;
    judgement.Scored = true;
    judgement.Targets.resize(targets);
    std::size_t row = 1;
    while (!text.empty()) {
        ++row;
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const auto cells = fields(line);
        SpectrumPlace place;
        place.HasPosition = !cells[0].empty() || (cells.size() > 1 && !cells[1].empty());
        double missing = 0;
        bool fine = cells.size() == targets + 5
            && (!place.HasPosition || (number(cells[0], place.X) && number(cells[1], place.Y)))
            && (cells[2] == "ja" || cells[2] == "nein") && number(cells[3], missing) && missing >= 0
            && missing <= 255 && missing == std::floor(missing) && number(cells[4], judgement.Score)
            && judgement.Score >= 0 && judgement.Score <= 100;
        for (std::size_t t = 0; fine && t < targets; ++t) {
            TargetMatch &match = judgement.Targets[t];
            match.Found = !cells[5 + t].empty();
            fine = !match.Found || number(cells[5 + t], match.Position);
        }
        if (!fine) {
            fault = FormatMessage(
                        QT_TRANSLATE_NOOP("Messages", "Zeile %d"), static_cast<long long>(row))
                + ": " + QT_TRANSLATE_NOOP("Messages", "keine Zelle der Karte");
            return false;
        }
        judgement.Selected = cells[2] == "ja";
        judgement.MissingCount = static_cast<int>(missing);
        place.Number = static_cast<int>(std::min<std::size_t>(row - 1, 0x7fffffff));
        map.Add(place, judgement);
    }
    return true;
}
