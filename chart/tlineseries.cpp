#include "tlineseries.h"

#include "axismath.h"
#include "charthittest.h"
#include "rounding.h"
#include "tchartaxis.h"
#include "tvelcanvas3d.h"

#include <algorithm>

namespace
{

constexpr int kPixelLimit = 32766;

// Collects consecutive vertical segments of one colour in one pixel column and draws them as
// one run. The run holds exactly the pixels the segments would set: all of the column between
// the lowest and highest point except the last point, when that is a new extreme and so only an
// end pixel (which a line leaves out).
class ColumnMerger
{
public:
    explicit ColumnMerger(const TVelCanvas3D::SeriesRaster &raster)
        : m_raster(raster)
    {
    }
    ~ColumnMerger() { flush(); }

    void segment(int px, int py, int x, int y, TColor color)
    {
        if (x == px) {
            Run run = RunAt(x, py, color);
            run.Add(py, y);
            PutRun(x, y, color, run);
            return;
        }
        flush();
        m_raster.Line(px, py, x, y, color);
    }

    // A run of vertical segments in one column, handled by the caller in local variables.
    struct Run {
        bool Open = false;
        bool Taken = false; // continues the run that was open here
        int Lo = 0, Hi = 0;
        bool EndUncovered = false;

        // The vertical segment from y0 to y1, y1 != y0, where y0 is the run's last point.
        void Add(int y0, int y1)
        {
            if (!Open) {
                Open = true;
                Lo = Hi = y0;
            }
            EndUncovered = y1 < Lo || y1 > Hi;
            Lo = std::min(Lo, y1);
            Hi = std::max(Hi, y1);
        }
    };

    // The run open at (x, y) in this colour, to continue; a closed one when none is.
    Run RunAt(int x, int y, TColor color) const
    {
        if (m_open && x == m_x && y == m_y && color == m_color)
            return Run { true, true, m_lo, m_hi, m_endUncovered };
        return Run {};
    }

    // Takes back a run from RunAt that now ends at (x, y); a different open run is drawn first.
    void PutRun(int x, int y, TColor color, const Run &run)
    {
        if (!run.Open)
            return;
        if (!run.Taken)
            flush();
        m_open = true;
        m_x = x;
        m_y = y;
        m_color = color;
        m_lo = run.Lo;
        m_hi = run.Hi;
        m_endUncovered = run.EndUncovered;
    }

    void flush()
    {
        if (!m_open)
            return;
        m_open = false;
        m_raster.ColumnRun(m_x, m_lo, m_hi, m_y, m_color, m_endUncovered);
    }

private:
    const TVelCanvas3D::SeriesRaster &m_raster;
    bool m_open = false;
    int m_x = 0, m_y = 0, m_lo = 0, m_hi = 0;
    bool m_endUncovered = false;
    TColor m_color = clBlack;
};

} // namespace

TLineSeries::TLineSeries(const std::string &name)
    : TChartSeries(name)
    , LinePen(this)
{
}

void TLineSeries::SetStairs(bool value)
{
    SetProperty(m_stairs, value);
}

void TLineSeries::SetLineHeight(int value)
{
    SetProperty(m_lineHeight, value);
}

void TLineSeries::SetDark3D(bool value)
{
    SetProperty(m_dark3D, value);
}

TAxisMargins TLineSeries::HorizMargins() const
{
    TAxisMargins m;
    if (Pointer.Visible && Pointer.InflateMargins)
        m.First = m.Second = Pointer.HorizSize + 1;
    if (m_stairs)
        m.First = m.Second = std::max(m.First, LinePen.Width());
    return m;
}

TAxisMargins TLineSeries::VertMargins() const
{
    TAxisMargins m;
    if (Pointer.Visible && Pointer.InflateMargins)
        m.First = m.Second = Pointer.VertSize + 1;
    if (m_stairs) {
        m.First = std::max(m.First, LinePen.Width());
        m.Second = std::max(m.Second, LinePen.Width() + 1);
    }
    m.Second = std::max(m.Second, m_lineHeight);
    return m;
}

int TLineSeries::ClickedValueIndex(int x, int y) const
{
    if (FirstVisibleIndex < 0 || LastVisibleIndex < 0)
        return -1;
    if (BoundHorizAxis() == nullptr || BoundVertAxis() == nullptr)
        return -1;
    LineHitData line;
    line.X = XValues().RawValues();
    line.Y = YValues().RawValues();
    line.XMultiplier = XValues().Multiplier();
    line.YMultiplier = YValues().Multiplier();
    line.XAscending = XValues().Order() == loAscending && XValues().InOrder();
    line.Horizontal = BoundHorizAxis()->Mapping();
    line.Vertical = BoundVertAxis()->Mapping();
    if (m_stairs)
        return ClickedStairsIndex(line, FirstVisibleIndex, LastVisibleIndex, x, y);
    return ClickedLineIndex(line, FirstVisibleIndex, LastVisibleIndex, x, y);
}

void TLineSeries::DrawValues(
    TVelCanvas3D &canvas, const AxisMapping &xMap, const AxisMapping &yMap, const TRect &plot)
{
    const int first = FirstVisibleIndex;
    const int last = LastVisibleIndex;
    if (first < 0 || last < first)
        return;
    const FastAxisMapper toX(xMap);
    const FastAxisMapper toY(yMap);
    const double *xs = XValues().RawValues();
    const double *ys = YValues().RawValues();
    const double xm = XValues().Multiplier();
    const double ym = YValues().Multiplier();
    const TColor *colors = RawColors();
    const TColor seriesColor = SeriesColor();
    const bool eachPoint = ColorEachPoint();
    const auto colorAt = [&](int i) {
        const TColor stored = colors[i];
        if (stored != DefaultColorMark)
            return stored;
        return eachPoint ? DefaultPaletteColor(i % 16) : seriesColor;
    };

    const bool penVisible = LinePen.Visible() && LinePen.Style() != psClear;
    const bool mergeable = MergeColumns && LinePen.Width() <= 1 && LinePen.Style() == psSolid
        && LinePen.Mode() == pmCopy;
    const TVelCanvas3D::SeriesRaster raster =
        mergeable ? canvas.SeriesRasterView() : TVelCanvas3D::SeriesRaster {};
    ColumnMerger merger(raster);
    const auto segment = [&](int px, int py, int x, int y, TColor k) {
        if ((x == px && y == py) || k == NullColorMark || !penVisible)
            return;
        if (mergeable) {
            merger.segment(px, py, x, y, k);
        } else {
            canvas.Pen = TVelCanvas3D::TPen { k, LinePen.Style(), LinePen.Mode(), LinePen.Width() };
            canvas.Brush.Style = bsClear;
            canvas.Line(px, py, x, y);
        }
    };

    TColor previousColor = m_previousColor;
    int px = 0, py = 0;
    // Whether this pass has placed a point yet: until then there is no position a segment could
    // start from (the first visible point may be one skipped for the pixel range).
    bool placed = false;
    for (int i = first; i <= last; ++i) {
        const int x = toX(xs[i] * xm);
        const TColor k = colorAt(i);
        const int y = toY(ys[i] * ym);
        // Points beyond the 16-bit pixel range are skipped, not handed to the line drawing.
        if (x < -kPixelLimit || x > kPixelLimit || y < -kPixelLimit || y > kPixelLimit) {
            previousColor = k;
            continue;
        }
        if (previousColor == NullColorMark || !placed) {
            px = x;
            py = y;
        }
        if (i == first) {
            if (first > 0) {
                // The segment entering from the left: start it on the plot's edge.
                const int edge = xMap.Inverted ? plot.Right : plot.Left;
                const double edgeValue = xMap.PixelToValue(edge);
                const double x0 = xs[i - 1] * xm, x1 = xs[i] * xm;
                const double y0 = ys[i - 1] * ym, y1 = ys[i] * ym;
                const double yEdge = x1 == x0
                    ? y0
                    : static_cast<double>(y0
                        + (static_cast<Extended>(y1) - y0) * (edgeValue - x0)
                            / (static_cast<Extended>(x1) - x0));
                px = edge;
                py = yMap.ValueToPixel(yEdge);
                if (colorAt(i - 1) != NullColorMark)
                    segment(px, py, x, y, k);
            }
        } else {
            segment(px, py, x, y, k);
        }
        px = x;
        py = y;
        placed = true;
        previousColor = k;
        // Most points lie in the pixel column of the point before and have its stored colour:
        // they draw a vertical segment at most, or nothing when they land on its pixel. They
        // take this short loop, which keeps the run in locals, until one does not.
        if (!mergeable || !penVisible || k == NullColorMark
            || (eachPoint && colors[i] == DefaultColorMark))
            continue;
        const TColor stored = colors[i];
        ColumnMerger::Run run = merger.RunAt(px, py, k);
        int j = i + 1;
        // Where more points share the column, its x values are known as a span after the first
        // two, and the others need no mapping of x.
        FastAxisMapper::PixelSpan column { 1.0, 0.0 };
        for (; j <= last && colors[j] == stored; ++j) {
            const double xj = xs[j] * xm;
            if (!column.Contains(xj)) {
                if (toX(xj) != px)
                    break;
                if (j == i + 2)
                    column = toX.SamePixel(xj, px);
            }
            const int yj = toY(ys[j] * ym);
            if (yj < -kPixelLimit || yj > kPixelLimit)
                break;
            if (yj != py) {
                run.Add(py, yj);
                py = yj;
            }
        }
        merger.PutRun(px, py, k, run);
        i = j - 1;
    }
    merger.flush();
    m_previousColor = previousColor;
}
