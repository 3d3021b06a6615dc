#pragma once

#include "chartparts.h"
#include "tchartseries.h"

// Point symbols of a series. Line series hide them; they are kept for their margins only and are
// not drawn.
struct TSeriesPointer {
    bool Visible = false;
    bool InflateMargins = true;
    int HorizSize = 4;
    int VertSize = 4;
};

// A series drawn as a line through its points in index order, clipped to the plot rectangle.
// Points that fall into one pixel column are merged into one vertical run where that gives the
// same pixels as drawing every segment (a thin solid pen in copy mode and one colour).
class TLineSeries : public TChartSeries
{
public:
    explicit TLineSeries(const std::string &name = {});

    // properties
    TChartPen LinePen;
    TSeriesPointer Pointer;
    bool Stairs() const { return m_stairs; }
    void SetStairs(bool value);
    int LineHeight() const { return m_lineHeight; }
    void SetLineHeight(int value);
    bool Dark3D() const { return m_dark3D; }
    void SetDark3D(bool value);

    // drawing
    TAxisMargins HorizMargins() const override;
    TAxisMargins VertMargins() const override;
    void DrawValues(TVelCanvas3D &canvas, const AxisMapping &xMap, const AxisMapping &yMap,
        const TRect &plot) override;
    int ClickedValueIndex(int x, int y) const override;
    // For tests and benchmarks: draw every segment on its own, without merging columns.
    bool MergeColumns = true;

private:
    bool m_stairs = false;
    int m_lineHeight = 0;
    bool m_dark3D = true;
    // The colour of the last point handled, kept from pass to pass; NullColorMark marks a null
    // point, from which no segment starts.
    TColor m_previousColor = clBlack;
};
