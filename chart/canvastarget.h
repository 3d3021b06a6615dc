#pragma once

#include "charttypes.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QtGlobal>
#include <cstdint>

// The pen and brush a canvas draws with, as plain values.
struct CanvasPen {
    TColor Color = clBlack;
    TPenStyle Style = psSolid;
    TPenMode Mode = pmCopy;
    int Width = 1;
};
struct CanvasBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
};

// Where a series' joined lines go when a target draws them as paths rather than pixels.
class SeriesPath
{
public:
    virtual ~SeriesPath() = default;
    // A line from (x0, y0) to (x1, y1) in whole pixels.
    virtual void Segment(int x0, int y0, int x1, int y1, TColor color) = 0;
    // A merged column run over lo..hi that ends at y.
    virtual void Column(int x, int lo, int hi, int y, TColor color) = 0;
};

// Direct drawing for series: the target's pixels and clip, taken once per series, for lines of a
// solid pen of width 1 in copy mode, without notifications; or, on a target that draws paths,
// the path the lines join into. Valid while the target and its clip stay as they were.
struct SeriesRaster {
    std::uint8_t *Bits = nullptr;
    qsizetype Stride = 0;
    TRect Clip;
    SeriesPath *Path = nullptr;
    // A line from (x0, y0) towards (x1, y1), its end pixel left out, as LineTo draws it.
    void Line(int x0, int y0, int x1, int y1, TColor color) const;
    // A vertical run in column x from y0 to y1, both included.
    void VerticalSpan(int x, int y0, int y1, TColor color) const;
    // A merged run in column x over lo..hi that ends at y, both ends included.
    void ColumnRun(int x, int lo, int hi, int y, TColor color, bool endUncovered) const;
};

// What the chart's canvas draws on: the exact pixels of an image (RasterTarget) or a painter's
// vectors (VectorTarget). Coordinates are device pixels. The target knows how many of its pixels
// a point is, so that text and lines keep their printed size on a denser picture; fonts come in
// at the chart's size (points at 96 dots per inch) and line widths in pixels at 96 dots per inch.
class CanvasTarget
{
public:
    static constexpr double kScreenPixelsPerPoint = 96.0 / 72.0;

    virtual ~CanvasTarget() = default;

    double DevicePixelsPerPoint() const { return m_pixelsPerPoint; }
    // How many device pixels one pixel at 96 dots per inch becomes.
    double Scale() const { return m_pixelsPerPoint / kScreenPixelsPerPoint; }
    // The font as this target draws and measures it.
    QFont ScaledFont(const QFont &font) const;
    // A line width as drawn here, at least 1.
    int ScaledWidth(int width) const;

    // The area drawn on, in device pixels.
    virtual TRect Bounds() const = 0;
    // A line from (x0, y0) towards (x1, y1), the end pixel left out.
    virtual void Line(int x0, int y0, int x1, int y1, const CanvasPen &pen) = 0;
    // Outline with the pen, inside with the brush; right and bottom edges excluded; x1 <= x2 and
    // y1 <= y2.
    virtual void Rectangle(
        int x1, int y1, int x2, int y2, const CanvasPen &pen, const CanvasBrush &brush) = 0;
    virtual void Fill(const TRect &rect, TColor color) = 0;
    // Text rotated counter-clockwise by angle degrees about (x, y); hAlign -1/0/1 puts the point
    // at the text's left/centre/right, bottomAligned at its bottom edge instead of its top.
    virtual void Text(int x, int y, const QString &text, const QFont &font, TColor color, int angle,
        int hAlign, bool bottomAligned) = 0;
    int TextWidth(const QString &text, const QFont &font) const;
    int TextHeight(const QFont &font) const;
    virtual void Clip(const TRect &rect);
    virtual void UnClip();
    bool Clipped() const { return m_clipped; }
    virtual SeriesRaster SeriesRasterView() = 0;
    // Ends the target's drawing (paths still open are drawn).
    virtual void Finish() { }

protected:
    explicit CanvasTarget(double pixelsPerPoint = kScreenPixelsPerPoint)
        : m_pixelsPerPoint(pixelsPerPoint)
    {
    }
    // The bounds, cut by the clip.
    TRect clipBounds() const;
    const TRect &clipRect() const { return m_clip; }

private:
    double m_pixelsPerPoint;
    bool m_clipped = false;
    TRect m_clip;
};

// Qt's colour and line style of a chart colour and pen style.
QColor QtColorOf(TColor color);
Qt::PenStyle QtPenStyleOf(TPenStyle style);

// The RGB32 pixel of a chart colour.
inline unsigned int PixelOf(TColor color)
{
    return 0xFF000000u | ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}
