#include "vectortarget.h"

#include "rastertarget.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <utility>

VectorTarget::VectorTarget(
    QPainter &painter, const TRect &bounds, PolylineHook hook, double pixelsPerPoint)
    : CanvasTarget(pixelsPerPoint)
    , m_painter(painter)
    , m_bounds(bounds)
    , m_hook(std::move(hook))
{
}

QRect VectorTarget::setClip() const
{
    const TRect b = clipBounds();
    const QRect clip(b.Left, b.Top, std::max(b.Width(), 0), std::max(b.Height(), 0));
    m_painter.setClipRect(clip);
    return clip;
}

// The line over the pixels the raster line sets: along the longer direction from the first
// pixel's edge to the end pixel's edge (which the raster leaves out), across it through the
// pixel centres.
void VectorTarget::Line(int x0, int y0, int x1, int y1, const CanvasPen &pen)
{
    if (pen.Style == psClear || pen.Mode != pmCopy || (x0 == x1 && y0 == y1))
        return;
    flushPath();
    m_painter.save();
    setClip();
    if (pen.Width <= 1 && pen.Style == psSolid) {
        const bool xMajor = std::abs(x1 - x0) >= std::abs(y1 - y0);
        const double shift = (xMajor ? x1 - x0 : y1 - y0) > 0 ? 0.0 : 1.0;
        const double ox = xMajor ? shift : 0.5, oy = xMajor ? 0.5 : shift;
        m_painter.setPen(QPen(QtColorOf(pen.Color), thinWidth(), Qt::SolidLine, Qt::FlatCap));
        m_painter.drawLine(QLineF(x0 + ox, y0 + oy, x1 + ox, y1 + oy));
    } else {
        m_painter.setPen(QPen(QtColorOf(pen.Color), ScaledWidth(pen.Width), QtPenStyleOf(pen.Style),
            Qt::RoundCap, Qt::RoundJoin));
        m_painter.drawLine(x0, y0, x1, y1);
    }
    m_painter.restore();
}

void VectorTarget::Rectangle(
    int x1, int y1, int x2, int y2, const CanvasPen &pen, const CanvasBrush &brush)
{
    if (brush.Style != bsClear) {
        const bool withPen = pen.Style != psClear;
        Fill(withPen ? TRect { x1 + 1, y1 + 1, x2 - 1, y2 - 1 } : TRect { x1, y1, x2, y2 },
            brush.Color);
    }
    if (pen.Style != psClear && pen.Mode == pmCopy && x2 > x1 && y2 > y1) {
        flushPath();
        m_painter.save();
        setClip();
        m_painter.setPen(
            QPen(QtColorOf(pen.Color), thinWidth(), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(QRectF(x1 + 0.5, y1 + 0.5, x2 - x1 - 1, y2 - y1 - 1));
        m_painter.restore();
    }
}

void VectorTarget::Fill(const TRect &rect, TColor color)
{
    const TRect clip = clipBounds();
    const int left = std::max(rect.Left, clip.Left), right = std::min(rect.Right, clip.Right);
    const int top = std::max(rect.Top, clip.Top), bottom = std::min(rect.Bottom, clip.Bottom);
    if (left >= right || top >= bottom)
        return;
    flushPath();
    m_painter.fillRect(QRect(left, top, right - left, bottom - top), QtColorOf(color));
}

void VectorTarget::Text(int x, int y, const QString &text, const QFont &font, TColor color,
    int angle, int hAlign, bool bottomAligned)
{
    if (text.isEmpty())
        return;
    flushPath();
    m_painter.save();
    setClip();
    PaintCanvasText(m_painter, x, y, text, ScaledFont(font), color, angle, hAlign, bottomAligned);
    m_painter.restore();
}

void VectorTarget::Clip(const TRect &rect)
{
    flushPath();
    CanvasTarget::Clip(rect);
}

void VectorTarget::UnClip()
{
    flushPath();
    CanvasTarget::UnClip();
}

SeriesRaster VectorTarget::SeriesRasterView()
{
    return SeriesRaster { nullptr, 0, clipBounds(), this };
}

void VectorTarget::pathPoint(int x, int y, TColor color, bool startsNew)
{
    if (!m_path.isEmpty() && (startsNew || color != m_pathColor))
        flushPath();
    if (m_path.isEmpty())
        m_pathColor = color;
    if (m_path.isEmpty() || m_path.constLast() != QPoint(x, y))
        m_path.append(QPoint(x, y));
}

// Series lines join into one polyline through the pixel centres while each starts where the one
// before ended.
void VectorTarget::Segment(int x0, int y0, int x1, int y1, TColor color)
{
    pathPoint(x0, y0, color, m_path.isEmpty() || m_path.constLast() != QPoint(x0, y0));
    pathPoint(x1, y1, color, false);
}

// A merged run continues the polyline in its column: to the nearer extreme, the farther one and
// back to its last point, so a column costs at most three points however many values it holds.
void VectorTarget::Column(int x, int lo, int hi, int y, TColor color)
{
    const bool continues = !m_path.isEmpty() && m_path.constLast().x() == x && color == m_pathColor;
    const int from = continues ? m_path.constLast().y() : lo;
    const bool lowFirst = from - lo <= hi - from;
    pathPoint(x, lowFirst ? lo : hi, color, !continues);
    pathPoint(x, lowFirst ? hi : lo, color, false);
    pathPoint(x, y, color, false);
}

void VectorTarget::flushPath()
{
    if (m_path.isEmpty())
        return;
    m_painter.save();
    const QRect clip = setClip();
    // The pixels' centres by a translation, so that the files hold whole numbers, which are
    // shorter to write and, in a PDF, to compress.
    m_painter.translate(0.5, 0.5);
    m_painter.setPen(
        QPen(QtColorOf(m_pathColor), thinWidth(), Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    m_painter.setBrush(Qt::NoBrush);
    if (m_path.size() == 1)
        m_painter.drawPoint(m_path.constFirst());
    else if (m_hook)
        m_hook(m_painter, m_path, m_pathColor, clip);
    else
        m_painter.drawPolyline(m_path);
    m_painter.restore();
    m_path.clear();
}
