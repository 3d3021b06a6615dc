#include "tvelcanvas3d.h"

#include "chartparts.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace
{

// Applies the pen mode to one pixel. Pixels are RGB32; the alpha byte stays opaque.
inline void plot(std::uint32_t &pixel, std::uint32_t color, TPenMode mode)
{
    switch (mode) {
    case pmCopy:
        pixel = color;
        break;
    case pmXor:
        pixel = (pixel ^ color) | 0xFF000000u;
        break;
    case pmNotXor:
        pixel = ~(pixel ^ color) | 0xFF000000u;
        break;
    case pmNot:
        pixel = ~pixel | 0xFF000000u;
        break;
    case pmMerge:
        pixel = pixel | color;
        break;
    case pmMask:
        pixel = (pixel & color) | 0xFF000000u;
        break;
    }
}

struct Raster {
    std::uint8_t *bits;
    qsizetype stride;
    TRect clip;
    std::uint32_t color;
    TPenMode mode;

    std::uint32_t &at(int x, int y) const
    {
        return reinterpret_cast<std::uint32_t *>(bits + static_cast<qsizetype>(y) * stride)[x];
    }
    bool inside(int x, int y) const { return clip.Contains(x, y); }
};

// The pixels of a line from (x0, y0) towards (x1, y1), the end pixel excluded: one pixel per
// step along the longer direction, the other coordinate rounded half up from the exact line.
// Steps outside the clip along the longer direction are not walked at all, so far-away end
// points cost nothing.
void rasterLine(const Raster &r, int x0, int y0, int x1, int y1)
{
    const long long dx = static_cast<long long>(x1) - x0;
    const long long dy = static_cast<long long>(y1) - y0;
    if (dx == 0 && dy == 0)
        return;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const long long dMajor = xMajor ? std::llabs(dx) : std::llabs(dy);
    const long long dMinor = xMajor ? std::llabs(dy) : std::llabs(dx);
    const int sMajor = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const int sMinor = (xMajor ? dy : dx) >= 0 ? 1 : -1;
    const int major0 = xMajor ? x0 : y0;
    const int minor0 = xMajor ? y0 : x0;
    const int clipLo = xMajor ? r.clip.Left : r.clip.Top;
    const int clipHi = xMajor ? r.clip.Right : r.clip.Bottom; // exclusive
    const int minorLo = xMajor ? r.clip.Top : r.clip.Left;
    const int minorHi = xMajor ? r.clip.Bottom : r.clip.Right;

    long long iFirst = 0;
    long long iEnd = dMajor; // exclusive: the end pixel is not set
    if (sMajor > 0) {
        iFirst = std::max<long long>(iFirst, static_cast<long long>(clipLo) - major0);
        iEnd = std::min<long long>(iEnd, static_cast<long long>(clipHi) - major0);
    } else {
        iFirst = std::max<long long>(iFirst, static_cast<long long>(major0) - clipHi + 1);
        iEnd = std::min<long long>(iEnd, static_cast<long long>(major0) - clipLo + 1);
    }
    if (iFirst >= iEnd)
        return;
    const long long twice = 2 * dMajor;
    long long num = 2 * iFirst * dMinor + dMajor;
    long long m = num / twice;
    long long rest = num % twice;
    for (long long i = iFirst; i < iEnd; ++i) {
        const int major = major0 + static_cast<int>(sMajor * i);
        const int minor = minor0 + static_cast<int>(sMinor * m);
        if (minor >= minorLo && minor < minorHi) {
            if (xMajor)
                plot(r.at(major, minor), r.color, r.mode);
            else
                plot(r.at(minor, major), r.color, r.mode);
        } else if ((sMinor > 0 && minor >= minorHi) || (sMinor < 0 && minor < minorLo)) {
            break; // moving away from the clip
        }
        rest += 2 * dMinor;
        if (rest >= twice) {
            rest -= twice;
            ++m;
        }
    }
}

Qt::PenStyle qtPenStyle(TPenStyle style)
{
    switch (style) {
    case psSolid:
        return Qt::SolidLine;
    case psDash:
        return Qt::DashLine;
    case psDot:
        return Qt::DotLine;
    case psDashDot:
        return Qt::DashDotLine;
    case psDashDotDot:
        return Qt::DashDotDotLine;
    case psClear:
        break;
    }
    return Qt::NoPen;
}

QPainter::CompositionMode qtMode(TPenMode mode)
{
    switch (mode) {
    case pmXor:
        return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor:
        return QPainter::RasterOp_NotSourceXorDestination;
    case pmNot:
        return QPainter::RasterOp_NotDestination;
    case pmMerge:
        return QPainter::RasterOp_SourceOrDestination;
    case pmMask:
        return QPainter::RasterOp_SourceAndDestination;
    case pmCopy:
        break;
    }
    return QPainter::CompositionMode_SourceOver;
}

QColor qtColor(TColor color)
{
    return QColor::fromRgb(PixelOf(color));
}

} // namespace

TVelCanvas3D::TVelCanvas3D()
{
    ResetState();
}

void TVelCanvas3D::ApplyPen(const TChartPen &pen)
{
    Pen = TPen { pen.Color(), pen.Visible() ? pen.Style() : psClear, pen.Mode(), pen.Width() };
}

void TVelCanvas3D::SetWindowSurface(QImage *surface)
{
    m_window = surface;
    if (m_target == nullptr)
        m_current = surface;
}

void TVelCanvas3D::SetBuffered(bool value)
{
    if (m_buffered == value)
        return;
    m_buffered = value;
    if (!value) {
        m_buffer = QImage();
        m_outOfDate = true;
    }
}

TRect TVelCanvas3D::BeginPass(QImage &target, const TRect &rect)
{
    m_target = &target;
    m_targetRect = rect;
    m_clipped = false;
    if (m_buffered) {
        const int w = std::max(rect.Width(), 1);
        const int h = std::max(rect.Height(), 1);
        if (m_buffer.width() != w || m_buffer.height() != h)
            m_buffer = QImage(w, h, QImage::Format_RGB32);
        m_current = &m_buffer;
        return TRect { 0, 0, rect.Width(), rect.Height() };
    }
    m_current = &target;
    return rect;
}

TRect TVelCanvas3D::BeginDevicePass(QPainter &painter, const TRect &rect)
{
    m_device = &painter;
    m_deviceRect = rect;
    m_clipped = false;
    m_current = nullptr;
    m_path.clear();
    return rect;
}

void TVelCanvas3D::EndPass()
{
    if (m_device != nullptr) {
        flushPath();
        m_device = nullptr;
        m_clipped = false;
        m_current = m_window;
        return;
    }
    if (m_buffered && m_target != nullptr) {
        if (m_targetRect.Left == 0 && m_targetRect.Top == 0 && m_target->size() == m_buffer.size()
            && m_target->format() == m_buffer.format()) {
            // Same size: a row-by-row copy keeps the target's own storage.
            for (int y = 0; y < m_buffer.height(); ++y)
                std::copy_n(
                    m_buffer.constScanLine(y), m_buffer.bytesPerLine(), m_target->scanLine(y));
        } else {
            QPainter painter(m_target);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(m_targetRect.Left, m_targetRect.Top, m_buffer);
        }
        m_outOfDate = false;
    }
    m_target = nullptr;
    m_clipped = false;
    m_current = m_window;
}

void TVelCanvas3D::notify(const QRect &area)
{
    if (m_target == nullptr && m_current == m_window && OnSurfaceChanged)
        OnSurfaceChanged(area);
}

TRect TVelCanvas3D::clipBounds() const
{
    TRect bounds { 0, 0, m_current != nullptr ? m_current->width() : 0,
        m_current != nullptr ? m_current->height() : 0 };
    if (m_device != nullptr)
        bounds = m_deviceRect;
    if (m_clipped) {
        bounds.Left = std::max(bounds.Left, m_clip.Left);
        bounds.Top = std::max(bounds.Top, m_clip.Top);
        bounds.Right = std::min(bounds.Right, m_clip.Right);
        bounds.Bottom = std::min(bounds.Bottom, m_clip.Bottom);
    }
    return bounds;
}

void TVelCanvas3D::MoveTo(int x, int y)
{
    m_penX = x;
    m_penY = y;
}

void TVelCanvas3D::LineTo(int x, int y)
{
    const int x0 = m_penX, y0 = m_penY;
    m_penX = x;
    m_penY = y;
    if (m_device != nullptr) {
        deviceLine(x0, y0, x, y);
        return;
    }
    if (m_current == nullptr || m_current->isNull() || Pen.Style == psClear)
        return;
    if (PenIsThinSolid()) {
        const Raster r { m_current->bits(), m_current->bytesPerLine(), clipBounds(),
            PixelOf(Pen.Color), Pen.Mode };
        rasterLine(r, x0, y0, x, y);
    } else {
        painterLine(x0, y0, x, y);
    }
    const int grow = std::max(Pen.Width, 1);
    notify(QRect(QPoint(std::min(x0, x), std::min(y0, y)), QPoint(std::max(x0, x), std::max(y0, y)))
               .adjusted(-grow, -grow, grow, grow));
}

void TVelCanvas3D::painterLine(int x0, int y0, int x1, int y1)
{
    QPainter painter(m_current);
    if (m_clipped)
        painter.setClipRect(QRect(m_clip.Left, m_clip.Top, m_clip.Width(), m_clip.Height()));
    painter.setCompositionMode(qtMode(Pen.Mode));
    painter.setPen(
        QPen(qtColor(Pen.Color), Pen.Width, qtPenStyle(Pen.Style), Qt::RoundCap, Qt::RoundJoin));
    painter.drawLine(x0, y0, x1, y1);
}

TVelCanvas3D::SeriesRaster TVelCanvas3D::SeriesRasterView()
{
    if (m_device != nullptr)
        return SeriesRaster { nullptr, 0, clipBounds(), this };
    if (m_current == nullptr || m_current->isNull())
        return SeriesRaster {};
    return SeriesRaster { m_current->bits(), m_current->bytesPerLine(), clipBounds() };
}

void TVelCanvas3D::SeriesRaster::Line(int x0, int y0, int x1, int y1, TColor color) const
{
    if (Path != nullptr)
        Path->pathSegment(x0, y0, x1, y1, color);
    if (Bits != nullptr)
        rasterLine(Raster { Bits, Stride, Clip, PixelOf(color), pmCopy }, x0, y0, x1, y1);
}

void TVelCanvas3D::SeriesRaster::VerticalSpan(int x, int y0, int y1, TColor color) const
{
    if (Bits == nullptr || x < Clip.Left || x >= Clip.Right)
        return;
    const int lo = std::max(std::min(y0, y1), Clip.Top);
    const int hi = std::min(std::max(y0, y1), Clip.Bottom - 1);
    const std::uint32_t pixel = PixelOf(color);
    std::uint8_t *row = Bits + static_cast<qsizetype>(lo) * Stride;
    for (int y = lo; y <= hi; ++y, row += Stride)
        reinterpret_cast<std::uint32_t *>(row)[x] = pixel;
}

void TVelCanvas3D::SeriesRaster::ColumnRun(
    int x, int lo, int hi, int y, TColor color, bool endUncovered) const
{
    if (Path != nullptr) {
        Path->pathColumn(x, lo, hi, y, color);
        return;
    }
    if (endUncovered) {
        if (y == hi)
            --hi;
        else
            ++lo;
    }
    VerticalSpan(x, lo, hi, color);
}

void TVelCanvas3D::Rectangle(int x1, int y1, int x2, int y2)
{
    if (m_device == nullptr && (m_current == nullptr || m_current->isNull()))
        return;
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    if (m_device != nullptr) {
        if (Brush.Style != bsClear) {
            const bool withPen = Pen.Style != psClear;
            FillRect(withPen ? TRect { x1 + 1, y1 + 1, x2 - 1, y2 - 1 } : TRect { x1, y1, x2, y2 });
        }
        if (Pen.Style != psClear && Pen.Mode == pmCopy && x2 > x1 && y2 > y1) {
            flushPath();
            m_device->save();
            setDeviceClip();
            m_device->setPen(
                QPen(qtColor(Pen.Color), 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            m_device->setBrush(Qt::NoBrush);
            m_device->drawRect(QRectF(x1 + 0.5, y1 + 0.5, x2 - x1 - 1, y2 - y1 - 1));
            m_device->restore();
        }
        return;
    }
    if (Brush.Style != bsClear) {
        const bool withPen = Pen.Style != psClear;
        FillRect(withPen ? TRect { x1 + 1, y1 + 1, x2 - 1, y2 - 1 } : TRect { x1, y1, x2, y2 });
    }
    if (Pen.Style != psClear && x2 > x1 && y2 > y1) {
        const Raster r { m_current->bits(), m_current->bytesPerLine(), clipBounds(),
            PixelOf(Pen.Color), Pen.Mode };
        // Every outline pixel once, so that an exclusive-or rectangle drawn twice leaves no trace.
        const auto put = [&r](int x, int y) {
            if (r.inside(x, y))
                plot(r.at(x, y), r.color, r.mode);
        };
        for (int x = x1; x < x2; ++x)
            put(x, y1);
        if (y2 - 1 > y1)
            for (int x = x1; x < x2; ++x)
                put(x, y2 - 1);
        for (int y = y1 + 1; y < y2 - 1; ++y) {
            put(x1, y);
            if (x2 - 1 > x1)
                put(x2 - 1, y);
        }
    }
    notify(QRect(x1, y1, x2 - x1 + 1, y2 - y1 + 1));
}

void TVelCanvas3D::FillRect(const TRect &rect)
{
    if (m_device == nullptr && (m_current == nullptr || m_current->isNull()))
        return;
    const TRect clip = clipBounds();
    const int left = std::max(rect.Left, clip.Left), right = std::min(rect.Right, clip.Right);
    const int top = std::max(rect.Top, clip.Top), bottom = std::min(rect.Bottom, clip.Bottom);
    if (left >= right || top >= bottom)
        return;
    if (m_device != nullptr) {
        flushPath();
        m_device->fillRect(QRect(left, top, right - left, bottom - top), qtColor(Brush.Color));
        return;
    }
    const std::uint32_t color = PixelOf(Brush.Color);
    for (int y = top; y < bottom; ++y) {
        auto *line = reinterpret_cast<std::uint32_t *>(m_current->scanLine(y));
        std::fill(line + left, line + right, color);
    }
    notify(QRect(left, top, right - left, bottom - top));
}

void TVelCanvas3D::TextOut(int x, int y, const QString &text)
{
    TextOutAligned(x, y, text, 0, -1, false);
}

void TVelCanvas3D::TextOutAligned(
    int x, int y, const QString &text, int angle, int hAlign, bool bottomAligned)
{
    if (text.isEmpty())
        return;
    if (m_device != nullptr) {
        flushPath();
        m_device->save();
        setDeviceClip();
        paintText(*m_device, x, y, text, angle, hAlign, bottomAligned);
        m_device->restore();
        return;
    }
    if (m_current == nullptr || m_current->isNull())
        return;
    QPainter painter(m_current);
    if (m_clipped)
        painter.setClipRect(QRect(m_clip.Left, m_clip.Top, m_clip.Width(), m_clip.Height()));
    paintText(painter, x, y, text, angle, hAlign, bottomAligned);
    const QFontMetrics metrics(Font);
    const int extent = std::max(metrics.horizontalAdvance(text), metrics.height());
    notify(QRect(x - extent, y - extent, 2 * extent + 1, 2 * extent + 1));
}

void TVelCanvas3D::paintText(QPainter &painter, int x, int y, const QString &text, int angle,
    int hAlign, bool bottomAligned) const
{
    const QFontMetrics metrics(Font);
    const int width = metrics.horizontalAdvance(text);
    const int dx = hAlign < 0 ? 0 : (hAlign == 0 ? -(width / 2) : -width);
    const int baseline = bottomAligned ? -metrics.descent() : metrics.ascent();
    painter.setFont(Font);
    painter.setPen(qtColor(FontColor));
    painter.translate(x, y);
    if (angle != 0)
        painter.rotate(-angle);
    painter.drawText(dx, baseline, text);
}

// ---- the device pass

QRect TVelCanvas3D::setDeviceClip() const
{
    const TRect b = clipBounds();
    const QRect clip(b.Left, b.Top, std::max(b.Width(), 0), std::max(b.Height(), 0));
    m_device->setClipRect(clip);
    return clip;
}

// The line over the pixels the raster line sets: along the longer direction from the first
// pixel's edge to the end pixel's edge (which the raster leaves out), across it through the
// pixel centres.
void TVelCanvas3D::deviceLine(int x0, int y0, int x1, int y1)
{
    if (Pen.Style == psClear || Pen.Mode != pmCopy || (x0 == x1 && y0 == y1))
        return;
    flushPath();
    m_device->save();
    setDeviceClip();
    if (PenIsThinSolid()) {
        const bool xMajor = std::abs(x1 - x0) >= std::abs(y1 - y0);
        const double shift = (xMajor ? x1 - x0 : y1 - y0) > 0 ? 0.0 : 1.0;
        const double ox = xMajor ? shift : 0.5, oy = xMajor ? 0.5 : shift;
        m_device->setPen(QPen(qtColor(Pen.Color), 1.0, Qt::SolidLine, Qt::FlatCap));
        m_device->drawLine(QLineF(x0 + ox, y0 + oy, x1 + ox, y1 + oy));
    } else {
        m_device->setPen(QPen(
            qtColor(Pen.Color), Pen.Width, qtPenStyle(Pen.Style), Qt::RoundCap, Qt::RoundJoin));
        m_device->drawLine(x0, y0, x1, y1);
    }
    m_device->restore();
}

void TVelCanvas3D::pathPoint(int x, int y, TColor color, bool startsNew)
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
void TVelCanvas3D::pathSegment(int x0, int y0, int x1, int y1, TColor color)
{
    pathPoint(x0, y0, color, m_path.isEmpty() || m_path.constLast() != QPoint(x0, y0));
    pathPoint(x1, y1, color, false);
}

// A merged run continues the polyline in its column: to the nearer extreme, the farther one and
// back to its last point, so a column costs at most three points however many values it holds.
void TVelCanvas3D::pathColumn(int x, int lo, int hi, int y, TColor color)
{
    const bool continues = !m_path.isEmpty() && m_path.constLast().x() == x && color == m_pathColor;
    const int from = continues ? m_path.constLast().y() : lo;
    const bool lowFirst = from - lo <= hi - from;
    pathPoint(x, lowFirst ? lo : hi, color, !continues);
    pathPoint(x, lowFirst ? hi : lo, color, false);
    pathPoint(x, y, color, false);
}

void TVelCanvas3D::flushPath()
{
    if (m_device == nullptr || m_path.isEmpty())
        return;
    m_device->save();
    const QRect clip = setDeviceClip();
    // The pixels' centres by a translation, so that the files hold whole numbers, which are
    // shorter to write and, in a PDF, to compress.
    m_device->translate(0.5, 0.5);
    m_device->setPen(QPen(qtColor(m_pathColor), 1.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    m_device->setBrush(Qt::NoBrush);
    if (m_path.size() == 1)
        m_device->drawPoint(m_path.constFirst());
    else if (DrawDevicePolyline)
        DrawDevicePolyline(*m_device, m_path, m_pathColor, clip);
    else
        m_device->drawPolyline(m_path);
    m_device->restore();
    m_path.clear();
}

int TVelCanvas3D::TextWidth(const QString &text) const
{
    return QFontMetrics(Font).horizontalAdvance(text);
}

int TVelCanvas3D::TextHeight(const QString &) const
{
    return QFontMetrics(Font).height();
}

void TVelCanvas3D::ClipRectangle(const TRect &rect)
{
    flushPath();
    m_clip = rect;
    m_clipped = true;
}

void TVelCanvas3D::UnClipRectangle()
{
    flushPath();
    m_clipped = false;
}

void TVelCanvas3D::ResetState()
{
    Pen = TPen {};
    Brush = TBrush {};
    FontColor = clBlack;
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13); // 10 points at 96 dots per inch
    Font = font;
}
