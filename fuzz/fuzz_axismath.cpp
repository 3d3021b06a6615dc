// Random ranges, pixel placements and values through the chart's axis arithmetic and hit test:
// every operation ends (no endless loop or recursion), raises at most the overflow error, keeps
// its results in range (a bounded, falling run of label values, pixels that are ints), the fast
// mapping agrees with the exact one, and the narrowed hit test agrees with a scan of every point.

#include "axismath.h"
#include "charthittest.h"
#include "exceptions.h"
#include "fuzzcheck.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{

class Input
{
public:
    Input(const std::uint8_t *data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }
    template <typename T> T take()
    {
        T value {};
        if (m_pos + sizeof(T) <= m_size) {
            std::memcpy(&value, m_data + m_pos, sizeof(T));
            m_pos += sizeof(T);
        }
        return value;
    }
    // A finite double, as every value the chart receives is.
    double finite()
    {
        const double v = take<double>();
        return std::isfinite(v) ? v : 0.0;
    }
    bool more() const { return m_pos < m_size; }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

int scanEveryPoint(const LineHitData &line, int first, int last, int x, int y)
{
    int px = 0, py = 0;
    for (int i = first; i <= last; ++i) {
        const int ix = line.Horizontal.ValueToPixel(line.X[i] * line.XMultiplier);
        const int iy = line.Vertical.ValueToPixel(line.Y[i] * line.YMultiplier);
        if (ix == x && iy == y)
            return i;
        if (i > first && PointNearSegment(x, y, ix, iy, px, py, 0))
            return i - 1;
        px = ix;
        py = iy;
    }
    return -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Input in(data, size);
    AxisMapping h, v;
    try {
        h.SetRange(in.finite(), in.finite());
        v.SetRange(in.finite(), in.finite());
    } catch (const EOverflow &) {
        return 0;
    }
    h.Horizontal = true;
    v.Horizontal = false;
    h.Inverted = (in.take<std::uint8_t>() & 1) != 0;
    const int start = in.take<std::int16_t>();
    h.SetPixels(start, start + (in.take<std::uint16_t>() % 4000));
    v.SetPixels(start, start + (in.take<std::uint16_t>() % 4000));

    // Conversions both ways, and the fast mapper against the exact one.
    const FastAxisMapper fast(h);
    for (int k = 0; k < 8; ++k) {
        const double value = in.finite();
        check(fast(value) == h.ValueToPixel(value));
        const double back = h.PixelToValue(in.take<int>());
        (void)back;
    }

    // Label steps and values for a range and a label size.
    try {
        const double span = h.RangeMaximum - h.RangeMinimum;
        const int count = MaxLabelCount(
            in.take<std::uint16_t>(), in.take<std::uint8_t>(), in.take<std::uint8_t>() % 50);
        const double increment = std::fabs(in.finite());
        const double step = LabelIncrement(span, increment, in.take<std::uint8_t>() % 50, count);
        check(step > 0.0 && std::isfinite(step));
        const double low = std::min(h.RangeMinimum, h.RangeMaximum);
        const double high = std::max(h.RangeMinimum, h.RangeMaximum);
        const std::vector<double> labels =
            LabelValues(low, high, step, (in.take<std::uint8_t>() & 1) != 0);
        // At most 10000 steps span the range (rounding can shorten a step by a third), and the
        // relative tolerance of 1e-12 below the range minimum holds up to about 18000 steps of
        // at least half the spacing of doubles there: bounded, falling, inside the band.
        check(labels.size() <= 40000);
        const double bandBottom = low - (std::fabs(low) + 1.0) * 2e-12;
        for (std::size_t i = 0; i < labels.size(); ++i) {
            check(std::isfinite(labels[i]) && labels[i] <= high && labels[i] >= bandBottom);
            check(i == 0 || labels[i] < labels[i - 1]);
        }
    } catch (const EOverflow &) {
    }

    // The hit test on points in ascending x against the scan of every point.
    std::vector<double> xs, ys;
    const int n = 1 + in.take<std::uint8_t>() % 64;
    for (int i = 0; i < n; ++i) {
        xs.push_back(in.finite());
        ys.push_back(in.finite());
    }
    std::sort(xs.begin(), xs.end());
    LineHitData line;
    line.X = xs.data();
    line.Y = ys.data();
    line.XAscending = true;
    line.Horizontal = h;
    line.Vertical = v;
    while (in.more()) {
        const int x = in.take<std::int16_t>(), y = in.take<std::int16_t>();
        const int first = in.take<std::uint8_t>() % n;
        const int last = first + in.take<std::uint8_t>() % (n - first);
        check(ClickedLineIndex(line, first, last, x, y) == scanEveryPoint(line, first, last, x, y));
    }
    return 0;
}
