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

// Where the value stands against the mapping's far limit: -1 below it, 1 above it, 0 within.
// Far values map to the centre column, so they break the monotone order of the pixel columns.
int farSide(const AxisMapping &m, double value)
{
    const double p = static_cast<double>(
        (static_cast<Extended>(value) - m.RangeMinimum) * m.PixelLength / m.RangeSpan);
    if (p <= -2147483647.0)
        return -1;
    if (p >= 2147483647.0)
        return 1;
    return 0;
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
    const auto beyond = [tolerance](
                            int a, int b) { return static_cast<Wide>(a) + tolerance < b; };
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
    if (!line.XAscending || !(h.RangeSpan > 0.0) || h.PixelLength <= 0
        || !(line.XMultiplier > 0.0))
        return linearScan(line, first, last, x, y);

    // A point or segment can only be hit where its pixel columns reach x: a segment's columns
    // run from one end's to the other's, a point's is its own.
    const bool descending = h.CountsFromEnd();
    const auto value = [&line](int i) { return line.X[i] * line.XMultiplier; };
    // Points far below or above the range sit in the centre column: a prefix and a suffix.
    int a = first, b = last;
    {
        int lo = first, hi = last + 1;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (farSide(h, value(mid)) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        a = lo;
        lo = a;
        hi = last + 1;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (farSide(h, value(mid)) <= 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        b = lo - 1;
    }
    if ((a > first || b < last) && x == h.PixelCenter)
        return linearScan(line, first, last, x, y);

    // Columns of points a..b in ascending order of the index (negated when they descend).
    const PointPixels pixels { line };
    const auto column = [&](int i) { return descending ? -pixels.px(i) : pixels.px(i); };
    const int target = descending ? -x : x;
    std::vector<int> candidates;
    if (a > first && a <= last)
        candidates.push_back(a); // the segment from a far point below into the range
    if (a <= b) {
        int lo = a, hi = b + 1;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (column(mid) < target)
                lo = mid + 1;
            else
                hi = mid;
        }
        const int from = lo;
        hi = b + 1;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (column(mid) <= target)
                lo = mid + 1;
            else
                hi = mid;
        }
        // Points from..lo-1 sit in column x; segments ending at from and at lo cross it.
        const int to = std::min(lo, b);
        for (int i = from; i <= to; ++i)
            candidates.push_back(i);
        if (from > b && b + 1 <= last)
            candidates.push_back(b + 1);
    }
    if (b < last && b + 1 >= first)
        candidates.push_back(b + 1); // the segment from the range to a far point above
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    for (const int i : candidates) {
        const bool hasPrevious = i > first;
        const int prevX = hasPrevious ? pixels.px(i - 1) : 0;
        const int prevY = hasPrevious ? pixels.py(i - 1) : 0;
        const int hit = testStep(i, hasPrevious, x, y, pixels.px(i), pixels.py(i), prevX, prevY);
        if (hit != -1)
            return hit;
    }
    return -1;
}
