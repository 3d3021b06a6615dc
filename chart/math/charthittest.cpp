#include "charthittest.h"

#include "rounding.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace
{

__extension__ typedef __int128 Wide;

Wide absWide(Wide v)
{
    return v < 0 ? -v : v;
}

struct PointPixels {
    const LineHitData &line;
    int px(int i) const { return line.Horizontal.ValueToPixel(line.X[i] * line.XMultiplier); }
    int py(int i) const { return line.Vertical.ValueToPixel(line.Y[i] * line.YMultiplier); }
};

// The test of one step of the scan: point i itself, then the segment from point i - 1 (kept in
// prevX, prevY) to it. Returns the index hit or -1.
int testStep(int i, bool hasPrevious, int x, int y, int ix, int iy, int prevX, int prevY)
{
    if (ix == x && iy == y)
        return i;
    if (hasPrevious && PointNearSegment(x, y, ix, iy, prevX, prevY, 0))
        return i - 1;
    return -1;
}

int linearScan(const LineHitData &line, int first, int last, int x, int y)
{
    const PointPixels pixels { line };
    int prevX = 0, prevY = 0;
    for (int i = first; i <= last; ++i) {
        const int ix = pixels.px(i), iy = pixels.py(i);
        const int hit = testStep(i, i > first, x, y, ix, iy, prevX, prevY);
        if (hit != -1)
            return hit;
        prevX = ix;
        prevY = iy;
    }
    return -1;
}

} // namespace

bool PointNearSegment(int x, int y, int px, int py, int qx, int qy, int tolerance)
{
    const Wide dx = static_cast<Wide>(qx) - px;
    const Wide dy = static_cast<Wide>(qy) - py;
    const Wide l = std::max(absWide(dx), absWide(dy));
    const Wide k = absWide(dy * (static_cast<Wide>(x) - px) - (static_cast<Wide>(y) - py) * dx);
    if (k >= l)
        return false;
    const auto beyond = [tolerance](int a, int b) { return static_cast<Wide>(a) + tolerance < b; };
    if ((beyond(qx, px) && beyond(px, x)) || (beyond(qy, py) && beyond(py, y)))
        return false;
    if ((beyond(x, px) && beyond(px, qx)) || (beyond(y, py) && beyond(py, qy)))
        return false;
    if ((beyond(px, qx) && beyond(qx, x)) || (beyond(py, qy) && beyond(qy, y)))
        return false;
    if ((beyond(x, qx) && beyond(qx, px)) || (beyond(y, qy) && beyond(qy, py)))
        return false;
    return true;
}

int ClickedLineIndex(const LineHitData &line, int first, int last, int x, int y)
{
    if (first < 0 || last < first)
        return -1;
    const AxisMapping &h = line.Horizontal;
    // Only where columns grow (or shrink) steadily with the index can the scan be narrowed.
    if (!line.XAscending || !(h.RangeSpan > 0.0) || h.PixelLength <= 0 || !(line.XMultiplier > 0.0))
        return linearScan(line, first, last, x, y);

    // A point can only be hit in its own column and a segment only where its columns run from
    // one end's to the other's. Columns grow (or, counted from the end, shrink) with the values,
    // except that values too far off the range all sit in the centre column: at most a prefix
    // and a suffix of the points.
    const auto value = [&line](int i) { return line.X[i] * line.XMultiplier; };
    int a = first, b = last; // the points a..b are not far off
    if (h.FarSide(value(first)) < 0) {
        int lo = first, hi = last + 1;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (h.FarSide(value(mid)) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        a = lo;
    }
    if (h.FarSide(value(last)) > 0) {
        int lo = a, hi = last + 1;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (h.FarSide(value(mid)) <= 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        b = lo - 1;
    }
    if ((a > first || b < last) && x == h.PixelCenter)
        return linearScan(line, first, last, x, y);

    // Points of column x lie within half a pixel of it: their values stand between those three
    // quarters of a pixel to either side (rounded to doubles, so the bounds are inclusive).
    const Extended offset = h.CountsFromEnd() ? h.PixelEnd - x : x - h.PixelStart;
    const Extended perPixel = static_cast<Extended>(h.RangeSpan) / h.PixelLength;
    double low = static_cast<double>(h.RangeMinimum + (offset - 0.75L) * perPixel);
    double high = static_cast<double>(h.RangeMinimum + (offset + 0.75L) * perPixel);
    if (low > high)
        std::swap(low, high);
    const double m = line.XMultiplier;
    const double *begin = line.X + a;
    const double *end = line.X + b + 1;
    const auto below = [m](double element, double v) { return element * m < v; };
    const auto above = [m](double v, double element) { return v < element * m; };
    const int from = a + static_cast<int>(std::lower_bound(begin, end, low, below) - begin);
    const int to = a + static_cast<int>(std::upper_bound(begin, end, high, above) - begin);

    // Candidates in the order of the scan: the segment from a far point below, the points
    // from..to (to being the first point past the column, a segment's end), the segment to a far
    // point above.
    const FastAxisMapper column(h);
    const FastAxisMapper row(line.Vertical);
    const auto pixelX = [&](int i) { return column(value(i)); };
    const auto pixelY = [&](int i) { return row(line.Y[i] * line.YMultiplier); };
    const auto test = [&](int i) {
        const bool hasPrevious = i > first;
        return testStep(i, hasPrevious, x, y, pixelX(i), pixelY(i), hasPrevious ? pixelX(i - 1) : 0,
            hasPrevious ? pixelY(i - 1) : 0);
    };
    if (a > first && a <= last && a < from) {
        const int hit = test(a);
        if (hit != -1)
            return hit;
    }
    const int start = std::max(from, first);
    const int stop = std::min(to, last);
    if (start <= stop) {
        // Each point's pixels serve as the next segment's start.
        int prevX = start > first ? pixelX(start - 1) : 0;
        int prevY = start > first ? pixelY(start - 1) : 0;
        for (int i = start; i <= stop; ++i) {
            const int ix = pixelX(i), iy = pixelY(i);
            const int hit = testStep(i, i > first, x, y, ix, iy, prevX, prevY);
            if (hit != -1)
                return hit;
            prevX = ix;
            prevY = iy;
        }
    }
    if (b < last && b + 1 > stop) {
        const int hit = test(b + 1);
        if (hit != -1)
            return hit;
    }
    return -1;
}

int ClickedStairsIndex(const LineHitData &line, int first, int last, int x, int y)
{
    const PointPixels pixels { line };
    int prevX = 0, prevY = 0;
    for (int i = first; i <= last; ++i) {
        const int ix = pixels.px(i), iy = pixels.py(i);
        if (ix == x && iy == y)
            return i;
        if (i > first
            && (PointNearSegment(x, y, prevX, prevY, ix, prevY, 0)
                || PointNearSegment(x, y, ix, prevY, ix, iy, 0)))
            return i - 1;
        prevX = ix;
        prevY = iy;
    }
    return -1;
}
