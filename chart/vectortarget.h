#pragma once

#include "canvastarget.h"

#include <QPolygon>
#include <QRect>
#include <functional>

class QPainter;

// The canvas's calls drawn through a QPainter on any paint device (an SVG or PDF writer, or an
// image for a picture denser than the screen) as vectors: lines as paths through the pixel
// centres, texts as text. The series' merged column runs join into one polyline per colour.
// Exclusive-or drawing has no place in a file and is left out.
class VectorTarget : public CanvasTarget, private SeriesPath
{
public:
    // Draws each series polyline of two points or more, given in whole pixels, in place of the
    // painter's drawPolyline, with the painter's pen, clip and the half-pixel translation to the
    // pixel centres set up; also given are the line's colour and the clip rectangle in pixels.
    using PolylineHook = std::function<void(QPainter &, const QPolygon &, TColor, const QRect &)>;

    VectorTarget(QPainter &painter, const TRect &bounds, PolylineHook hook = {},
        double pixelsPerPoint = kScreenPixelsPerPoint);

    TRect Bounds() const override { return m_bounds; }
    void Line(int x0, int y0, int x1, int y1, const CanvasPen &pen) override;
    void Rectangle(
        int x1, int y1, int x2, int y2, const CanvasPen &pen, const CanvasBrush &brush) override;
    void Fill(const TRect &rect, TColor color) override;
    void Text(int x, int y, const QString &text, const QFont &font, TColor color, int angle,
        int hAlign, bool bottomAligned) override;
    void Clip(const TRect &rect) override;
    void UnClip() override;
    SeriesRaster SeriesRasterView() override;
    void Finish() override { flushPath(); }

private:
    void Segment(int x0, int y0, int x1, int y1, TColor color) override;
    void Column(int x, int lo, int hi, int y, TColor color) override;
    // Returns the clip rectangle set.
    QRect setClip() const;
    void pathPoint(int x, int y, TColor color, bool startsNew);
    void flushPath();
    double thinWidth() const { return Scale(); }

    QPainter &m_painter;
    TRect m_bounds;
    PolylineHook m_hook;
    // The pixels whose centres the series' polyline joins.
    QPolygon m_path;
    TColor m_pathColor = clBlack;
};
