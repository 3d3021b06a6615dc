#include "canvastarget.h"

#include "rounding.h"

#include <QFontMetrics>
#include <algorithm>

QColor QtColorOf(TColor color)
{
    return QColor::fromRgb(PixelOf(color));
}

Qt::PenStyle QtPenStyleOf(TPenStyle style)
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

QFont CanvasTarget::ScaledFont(const QFont &font) const
{
    // At the screen's scale the font stays exactly as given, so the window's picture does not
    // change by a pixel.
    if (m_pixelsPerPoint == kScreenPixelsPerPoint || font.pixelSize() <= 0)
        return font;
    QFont scaled = font;
    scaled.setPixelSize(std::max(1, static_cast<int>(RoundEven(font.pixelSize() * Scale()))));
    return scaled;
}

int CanvasTarget::ScaledWidth(int width) const
{
    if (m_pixelsPerPoint == kScreenPixelsPerPoint)
        return width;
    return std::max(1, static_cast<int>(RoundEven(std::max(width, 1) * Scale())));
}

int CanvasTarget::TextWidth(const QString &text, const QFont &font) const
{
    return QFontMetrics(ScaledFont(font)).horizontalAdvance(text);
}

int CanvasTarget::TextHeight(const QFont &font) const
{
    return QFontMetrics(ScaledFont(font)).height();
}

void CanvasTarget::Clip(const TRect &rect)
{
    m_clip = rect;
    m_clipped = true;
}

void CanvasTarget::UnClip()
{
    m_clipped = false;
}

TRect CanvasTarget::clipBounds() const
{
    TRect bounds = Bounds();
    if (m_clipped) {
        bounds.Left = std::max(bounds.Left, m_clip.Left);
        bounds.Top = std::max(bounds.Top, m_clip.Top);
        bounds.Right = std::min(bounds.Right, m_clip.Right);
        bounds.Bottom = std::min(bounds.Bottom, m_clip.Bottom);
    }
    return bounds;
}
