#include "glyphs.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>

namespace
{

QImage blankGlyph(QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Mirrors an up-pointing drawing into a down-pointing one.
QImage oriented(const QImage &up, GlyphDirection direction)
{
    if (direction == GlyphDirection::Up)
        return up;
    return up.mirrored(false, true);
}

void fillPolygon(QImage &image, const QPolygon &polygon)
{
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawPolygon(polygon);
}

} // namespace

QImage ArrowGlyph(GlyphDirection direction, QSize size)
{
    QImage image = blankGlyph(size);
    const int w = size.width();
    const int h = size.height();
    const int centre = w / 2;
    const int headHeight = h * 11 / 29; // the head takes the upper part
    const int shaftHalf = std::max(1, w * 4 / 25); // the shaft is about a third of the width
    QPolygon arrow;
    arrow << QPoint(centre, 0) << QPoint(w - 1, headHeight)
          << QPoint(centre + shaftHalf, headHeight) << QPoint(centre + shaftHalf, h - 1)
          << QPoint(centre - shaftHalf, h - 1) << QPoint(centre - shaftHalf, headHeight)
          << QPoint(0, headHeight);
    fillPolygon(image, arrow);
    return oriented(image, direction);
}

QImage TriangleGlyph(GlyphDirection direction, int count, QSize size)
{
    QImage image = blankGlyph(size);
    const int w = size.width();
    const int h = size.height();
    const int centre = w / 2;
    const int triangleWidth = w * 14 / 20;
    const int triangleHeight = triangleWidth / 2;
    const int total = count * triangleHeight + (count - 1) * 1;
    int top = (h - total) / 2;
    for (int i = 0; i < count; ++i) {
        QPolygon triangle;
        triangle << QPoint(centre, top) << QPoint(centre + triangleWidth / 2, top + triangleHeight)
                 << QPoint(centre - triangleWidth / 2, top + triangleHeight);
        fillPolygon(image, triangle);
        top += triangleHeight + 1;
    }
    return oriented(image, direction);
}
