#pragma once

#include "canvastarget.h"
#include "charttypes.h"
#include "rastertarget.h"

#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <functional>

// The chart's canvas: the pen, brush, font and pen position the program and the drawing pass
// set, and the surfaces it draws on. Each drawing call goes to the current target (canvastarget.h):
// the off-screen buffer during a buffered drawing pass, the target image during an unbuffered
// one (an export), a painter's vectors during a vector pass (an SVG or PDF file), and the
// window's own surface at all other times, where the program's transient exclusive-or drawing
// goes.
class TVelCanvas3D
{
public:
    using TPen = CanvasPen;
    using TBrush = CanvasBrush;
    using SeriesRaster = ::SeriesRaster;

    TVelCanvas3D();

    // the state the program and the drawing pass set (a chart pen applies itself:
    // TChartPen::ApplyTo)
    TPen Pen;
    TBrush Brush;
    QFont Font;
    TColor FontColor = clBlack;

    // surfaces
    // The window's own surface; current whenever no pass runs.
    void SetWindowSurface(QImage *surface);
    // The image drawn on now; none during a vector pass.
    QImage *Surface() const;
    bool Buffered() const { return m_buffered; }
    // Switching buffering off discards the buffer and marks the picture out of date.
    void SetBuffered(bool value);
    bool PictureOutOfDate() const { return m_outOfDate; }
    void MarkOutOfDate() { m_outOfDate = true; }
    const QImage &Buffer() const { return m_buffer; }
    // Starts a pass onto target over rect and returns the bounds to draw in: (0, 0, w, h) of the
    // buffer when buffered, else rect itself.
    TRect BeginPass(QImage &target, const TRect &rect);
    // Starts a pass onto another target (vectors, say) and returns its bounds. The buffer and
    // the picture's state are left as they are.
    TRect BeginPass(CanvasTarget &target);
    // Ends the pass: a buffered pass is copied to the target at rect's corner and the picture
    // counts as current; the window's surface becomes current again.
    void EndPass();
    bool InPass() const { return m_target != &m_window; }
    // The target drawn on now.
    CanvasTarget &Target() const { return *m_target; }

    // Called after drawing on the window's surface outside a pass, with the touched area, so the
    // window can show it.
    void SetOnSurfaceChanged(std::function<void(const QRect &)> handler);

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
    bool Clipped() const { return m_target->Clipped(); }
    // Pen black, width 1, solid, copy; brush white, solid; font colour black, size 10.
    void ResetState();

    // Direct drawing for series (see SeriesRaster).
    SeriesRaster SeriesRasterView() { return m_target->SeriesRasterView(); }
    bool PenIsThinSolid() const { return Pen.Width <= 1 && Pen.Style == psSolid; }

private:
    RasterTarget m_window;
    RasterTarget m_pass;
    CanvasTarget *m_target = &m_window;
    QImage *m_passImage = nullptr;
    TRect m_passRect;
    QImage m_buffer;
    bool m_buffered = true;
    bool m_outOfDate = true;
    int m_penX = 0;
    int m_penY = 0;
};
