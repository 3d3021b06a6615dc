#pragma once

#include "charttypes.h"

#include <QFont>
#include <QImage>
#include <QPolygon>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>

class QPainter;
class TChartPen;

// The chart's canvas. It draws on one surface at a time: the off-screen buffer during a buffered
// drawing pass, the target image during an unbuffered one (an export), and the window's own
// surface at all other times, where the program's transient exclusive-or drawing goes.
// Lines of width 1 are drawn by the canvas itself, exactly as the system's line drawing does:
// a move to the first point and a line to the second, whose end pixel is not set, in the pen's
// mode (copy, exclusive-or, not-exclusive-or). Text and wide or styled lines go through QPainter.
// A device pass draws the same calls through a QPainter on any paint device (an SVG or PDF
// writer) as vectors: lines as paths through the pixel centres, texts as text; the series' merged
// column runs join into one polyline per colour. Exclusive-or drawing has no place in a file and
// is left out there.
class TVelCanvas3D
{
public:
    struct TPen {
        TColor Color = clBlack;
        TPenStyle Style = psSolid;
        TPenMode Mode = pmCopy;
        int Width = 1;
    };
    struct TBrush {
        TColor Color = clWhite;
        TBrushStyle Style = bsSolid;
    };

    TVelCanvas3D();

    // the state the program and the drawing pass set
    TPen Pen;
    // Takes over a chart pen's colour, style, mode and width; an invisible pen becomes clear.
    void ApplyPen(const TChartPen &pen);
    TBrush Brush;
    QFont Font;
    TColor FontColor = clBlack;

    // surfaces
    // The window's own surface; current whenever no pass runs.
    void SetWindowSurface(QImage *surface);
    QImage *Surface() const { return m_current; }
    bool Buffered() const { return m_buffered; }
    // Switching buffering off discards the buffer and marks the picture out of date.
    void SetBuffered(bool value);
    bool PictureOutOfDate() const { return m_outOfDate; }
    void MarkOutOfDate() { m_outOfDate = true; }
    const QImage &Buffer() const { return m_buffer; }
    // Starts a pass onto target over rect and returns the bounds to draw in: (0, 0, w, h) of the
    // buffer when buffered, else rect itself.
    TRect BeginPass(QImage &target, const TRect &rect);
    // Ends the pass: a buffered pass is copied to the target at rect's corner and the picture
    // counts as current; the window's surface becomes current again.
    void EndPass();
    bool InPass() const { return m_target != nullptr || m_device != nullptr; }
    // Starts a pass drawn through painter over rect, and returns rect; EndPass ends it. The
    // buffer and the picture's state are left as they are.
    TRect BeginDevicePass(QPainter &painter, const TRect &rect);
    bool DevicePass() const { return m_device != nullptr; }
    // In a device pass, when set: draws each series polyline of two points or more, given in
    // whole pixels, in place of the painter's drawPolyline, with the painter's pen, clip and the
    // half-pixel translation to the pixel centres set up; also given are the line's colour and
    // the clip rectangle in pixels.
    std::function<void(QPainter &, const QPolygon &, TColor, const QRect &)> DrawDevicePolyline;

    // Called after drawing on the window's surface outside a pass, with the touched area, so the
    // window can show it.
    std::function<void(const QRect &)> OnSurfaceChanged;

    // drawing
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Line(int x0, int y0, int x1, int y1)
    {
        MoveTo(x0, y0);
        LineTo(x1, y1);
    }
    int PenPosX() const { return m_penX; }
    int PenPosY() const { return m_penY; }
    // Outline with the pen, inside with the brush; right and bottom edges excluded.
    void Rectangle(int x1, int y1, int x2, int y2);
    void FillRect(const TRect &rect);
    // Writes text with its top-left corner at (x, y), transparently, in Font and FontColor.
    void TextOut(int x, int y, const QString &text);
    // Writes text rotated counter-clockwise by angle degrees about the reference point (x, y);
    // hAlign -1/0/1 puts the point at the text's left/centre/right, bottomAligned at its bottom
    // edge instead of its top.
    void TextOutAligned(
        int x, int y, const QString &text, int angle, int hAlign, bool bottomAligned);
    int TextWidth(const QString &text) const;
    // The height of a line of text in Font, as the chart measures it ("W").
    int TextHeight(const QString &text) const;
    void ClipRectangle(const TRect &rect);
    void UnClipRectangle();
    bool Clipped() const { return m_clipped; }
    // Pen black, width 1, solid, copy; brush white, solid; font colour black, size 10.
    void ResetState();

    // Direct drawing for series: the current surface and clip, taken once per series, for lines
    // of a solid pen of width 1 in copy mode, without notifications. Valid while the surface and
    // the clip stay as they were.
    struct SeriesRaster {
        std::uint8_t *Bits = nullptr;
        qsizetype Stride = 0;
        TRect Clip;
        // In a device pass: the canvas that joins the lines and runs into paths.
        TVelCanvas3D *Path = nullptr;
        // A line from (x0, y0) towards (x1, y1), its end pixel left out, as LineTo draws it.
        void Line(int x0, int y0, int x1, int y1, TColor color) const;
        // A vertical run in column x from y0 to y1, both included.
        void VerticalSpan(int x, int y0, int y1, TColor color) const;
        // A merged run in column x over lo..hi that ends at y, both ends included.
        void ColumnRun(int x, int lo, int hi, int y, TColor color, bool endUncovered) const;
    };
    SeriesRaster SeriesRasterView();
    bool PenIsThinSolid() const { return Pen.Width <= 1 && Pen.Style == psSolid; }

private:
    TRect clipBounds() const;
    void notify(const QRect &area);
    void painterLine(int x0, int y0, int x1, int y1);
    void paintText(QPainter &painter, int x, int y, const QString &text, int angle, int hAlign,
        bool bottomAligned) const;
    // device pass
    // Returns the clip rectangle set.
    QRect setDeviceClip() const;
    void deviceLine(int x0, int y0, int x1, int y1);
    void pathPoint(int x, int y, TColor color, bool startsNew);
    void pathSegment(int x0, int y0, int x1, int y1, TColor color);
    void pathColumn(int x, int lo, int hi, int y, TColor color);
    void flushPath();

    QImage *m_window = nullptr;
    QImage *m_current = nullptr;
    QImage *m_target = nullptr;
    TRect m_targetRect;
    QImage m_buffer;
    bool m_buffered = true;
    bool m_outOfDate = true;
    int m_penX = 0;
    int m_penY = 0;
    bool m_clipped = false;
    TRect m_clip;
    QPainter *m_device = nullptr;
    TRect m_deviceRect;
    // The pixels whose centres the series' polyline joins.
    QPolygon m_path;
    TColor m_pathColor = clBlack;
};

// The RGB32 pixel of a chart colour.
inline unsigned int PixelOf(TColor color)
{
    return 0xFF000000u | ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}
