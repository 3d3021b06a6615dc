#include "rastertarget.h"

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

} // namespace

// ---- series

void SeriesRaster::Line(int x0, int y0, int x1, int y1, TColor color) const
{
    if (Path != nullptr)
        Path->Segment(x0, y0, x1, y1, color);
    if (Bits != nullptr)
        rasterLine(Raster { Bits, Stride, Clip, PixelOf(color), pmCopy }, x0, y0, x1, y1);
}

void SeriesRaster::VerticalSpan(int x, int y0, int y1, TColor color) const
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

void SeriesRaster::ColumnRun(int x, int lo, int hi, int y, TColor color, bool endUncovered) const
{
    if (Path != nullptr) {
        Path->Column(x, lo, hi, y, color);
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

// ---- the target

TRect RasterTarget::Bounds() const
{
    return m_image != nullptr ? TRect { 0, 0, m_image->width(), m_image->height() } : TRect {};
}

void RasterTarget::notify(const QRect &area) const
{
    if (OnChanged)
        OnChanged(area);
}

void RasterTarget::Line(int x0, int y0, int x1, int y1, const CanvasPen &pen)
{
    if (!drawable() || pen.Style == psClear)
        return;
    if (pen.Width <= 1 && pen.Style == psSolid) {
        const Raster r { m_image->bits(), m_image->bytesPerLine(), clipBounds(), PixelOf(pen.Color),
            pen.Mode };
        rasterLine(r, x0, y0, x1, y1);
    } else {
        QPainter painter(m_image);
        if (Clipped()) {
            const TRect &c = clipRect();
            painter.setClipRect(QRect(c.Left, c.Top, c.Width(), c.Height()));
        }
        painter.setCompositionMode(qtMode(pen.Mode));
        painter.setPen(QPen(
            QtColorOf(pen.Color), pen.Width, QtPenStyleOf(pen.Style), Qt::RoundCap, Qt::RoundJoin));
        painter.drawLine(x0, y0, x1, y1);
    }
    if (OnChanged) {
        const int grow = std::max(pen.Width, 1);
        notify(QRect(
            QPoint(std::min(x0, x1), std::min(y0, y1)), QPoint(std::max(x0, x1), std::max(y0, y1)))
                   .adjusted(-grow, -grow, grow, grow));
    }
}

void RasterTarget::Rectangle(
    int x1, int y1, int x2, int y2, const CanvasPen &pen, const CanvasBrush &brush)
{
    if (!drawable())
        return;
    if (brush.Style != bsClear) {
        const bool withPen = pen.Style != psClear;
        Fill(withPen ? TRect { x1 + 1, y1 + 1, x2 - 1, y2 - 1 } : TRect { x1, y1, x2, y2 },
            brush.Color);
    }
    if (pen.Style != psClear && x2 > x1 && y2 > y1) {
        const Raster r { m_image->bits(), m_image->bytesPerLine(), clipBounds(), PixelOf(pen.Color),
            pen.Mode };
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

void RasterTarget::Fill(const TRect &rect, TColor color)
{
    if (!drawable())
        return;
    const TRect clip = clipBounds();
    const int left = std::max(rect.Left, clip.Left), right = std::min(rect.Right, clip.Right);
    const int top = std::max(rect.Top, clip.Top), bottom = std::min(rect.Bottom, clip.Bottom);
    if (left >= right || top >= bottom)
        return;
    const std::uint32_t pixel = PixelOf(color);
    for (int y = top; y < bottom; ++y) {
        auto *line = reinterpret_cast<std::uint32_t *>(m_image->scanLine(y));
        std::fill(line + left, line + right, pixel);
    }
    notify(QRect(left, top, right - left, bottom - top));
}

void RasterTarget::Text(int x, int y, const QString &text, const QFont &font, TColor color,
    int angle, int hAlign, bool bottomAligned)
{
    if (!drawable() || text.isEmpty())
        return;
    QPainter painter(m_image);
    if (Clipped()) {
        const TRect &c = clipRect();
        painter.setClipRect(QRect(c.Left, c.Top, c.Width(), c.Height()));
    }
    PaintCanvasText(painter, x, y, text, font, color, angle, hAlign, bottomAligned);
    if (OnChanged) {
        const QFontMetrics metrics(font);
        const int extent = std::max(metrics.horizontalAdvance(text), metrics.height());
        notify(QRect(x - extent, y - extent, 2 * extent + 1, 2 * extent + 1));
    }
}

SeriesRaster RasterTarget::SeriesRasterView()
{
    if (!drawable())
        return SeriesRaster {};
    return SeriesRaster { m_image->bits(), m_image->bytesPerLine(), clipBounds(), nullptr };
}

void PaintCanvasText(QPainter &painter, int x, int y, const QString &text, const QFont &font,
    TColor color, int angle, int hAlign, bool bottomAligned)
{
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(text);
    const int dx = hAlign < 0 ? 0 : (hAlign == 0 ? -(width / 2) : -width);
    const int baseline = bottomAligned ? -metrics.descent() : metrics.ascent();
    painter.setFont(font);
    painter.setPen(QtColorOf(color));
    painter.translate(x, y);
    if (angle != 0)
        painter.rotate(-angle);
    painter.drawText(dx, baseline, text);
}
