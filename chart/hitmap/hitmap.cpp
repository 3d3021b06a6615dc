#include "hitmap.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace
{

constexpr int kTitleHeight = 28;
constexpr int kLeftMargin = 72;
constexpr int kBottomMargin = 46;
constexpr int kRightMargin = 16;
constexpr int kBarWidth = 70; // the colour bar with its labels
constexpr int kStripHeight = 40;

struct Extent {
    double left = 0;
    double right = 1;
    double bottom = 0;
    double top = 1;
};

Extent extentOf(const MapLayout &layout)
{
    const double w = layout.CellWidth > 0 ? layout.CellWidth : 1;
    const double h = layout.CellHeight > 0 ? layout.CellHeight : w;
    if (layout.Shape == MapShape::Strip)
        return { layout.MinX - w / 2, layout.MaxX + w / 2, 0, 1 };
    return { layout.MinX - w / 2, layout.MaxX + w / 2, layout.MinY - h / 2, layout.MaxY + h / 2 };
}

// Steps of 1, 2 or 5 times a power of ten, at most `count` over the span.
double niceStep(double span, double count)
{
    const double raw = span / std::max(count, 1.0);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : { 1.0, 2.0, 5.0 })
        if (m * power >= raw)
            return m * power;
    return 10 * power;
}

QColor mix(QColor a, QColor b, double t)
{
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
        static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
        static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

QRgb cellColour(const MapCell &cell, const HitMapLook &look)
{
    if (look.Scored)
        return HitMapScoreColour(cell.Score);
    return cell.Selected ? HitMapSelectedColour() : HitMapPassedColour();
}

// The cell's rectangle in map units.
QRectF cellRect(const MapIndex &map, const MapLayout &layout, std::size_t i, std::size_t order)
{
    const double w = layout.CellWidth > 0 ? layout.CellWidth : 1;
    const double h = layout.CellHeight > 0 ? layout.CellHeight : w;
    const MapCell &cell = map.Cell(i);
    switch (layout.Shape) {
    case MapShape::Strip:
        return { static_cast<double>(order) * w - w / 2 + layout.MinX, 0, w, 1 };
    case MapShape::Grid:
    case MapShape::Scatter:
        break;
    }
    return { cell.X - w / 2, cell.Y - h / 2, w, h };
}

} // namespace

QRgb HitMapSelectedColour()
{
    return qRgb(0x1B, 0x78, 0x37);
}

QRgb HitMapPassedColour()
{
    return qRgb(0xDD, 0xDD, 0xDD);
}

QRgb HitMapScoreColour(double score)
{
    // Light to dark, readable in grey print: pale yellow, green, deep blue.
    static const QColor stops[] = { QColor(0xFF, 0xFF, 0xE5), QColor(0xAD, 0xDD, 0x8E),
        QColor(0x41, 0xAB, 0x5D), QColor(0x1D, 0x6A, 0x8C), QColor(0x08, 0x1D, 0x58) };
    const double t = std::clamp(std::isfinite(score) ? score : 0.0, 0.0, 100.0) / 100 * 4;
    const auto k = std::min(static_cast<int>(t), 3);
    return mix(stops[k], stops[k + 1], t - k).rgb();
}

QRectF HitMapPlot(const QRect &area, const MapLayout &layout, const HitMapLook &look)
{
    const QRectF room(area.left() + kLeftMargin, area.top() + kTitleHeight,
        area.width() - kLeftMargin - kRightMargin - (look.Scored ? kBarWidth : 0),
        area.height() - kTitleHeight - kBottomMargin);
    if (room.width() <= 0 || room.height() <= 0)
        return {};
    const Extent e = extentOf(layout);
    const double spanX = e.right - e.left;
    if (layout.Shape == MapShape::Strip) {
        const double height = std::min<double>(kStripHeight, room.height());
        return { room.left(), room.center().y() - height / 2, room.width(), height };
    }
    // True aspect ratio: one unit as many pixels across as up.
    const double spanY = e.top - e.bottom;
    const double scale = std::min(room.width() / spanX, room.height() / spanY);
    const double w = spanX * scale;
    const double h = spanY * scale;
    return { room.left() + (room.width() - w) / 2, room.top() + (room.height() - h) / 2, w, h };
}

void PaintHitMap(QPainter &painter, const QRect &area, const MapIndex &map, const MapLayout &layout,
    const HitMapLook &look)
{
    painter.save();
    painter.fillRect(area, Qt::white);
    const QFontMetrics metrics(painter.font());
    painter.setPen(Qt::black);
    painter.drawText(QRect(area.left(), area.top(), area.width(), kTitleHeight), Qt::AlignCenter,
        metrics.elidedText(look.Title, Qt::ElideLeft, area.width() - 8));
    const QRectF plot = HitMapPlot(area, layout, look);
    if (plot.isEmpty() || map.Count() == 0) {
        painter.restore();
        return;
    }
    const Extent e = extentOf(layout);
    const auto toX = [&](double v) {
        return plot.left() + (v - e.left) / (e.right - e.left) * plot.width();
    };
    const auto toY = [&](double v) {
        return plot.bottom() - (v - e.bottom) / (e.top - e.bottom) * plot.height();
    };

    // The cells; neighbours overlap by a fraction of a pixel so that no seam shows.
    painter.setPen(Qt::NoPen);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const auto fill = [&](std::size_t i, std::size_t order) {
        const QRectF r = cellRect(map, layout, i, order);
        const QRectF pixels(
            QPointF(toX(r.left()), toY(r.bottom())), QPointF(toX(r.right()), toY(r.top())));
        painter.fillRect(pixels.adjusted(0, 0, 0.5, 0.5), QColor(cellColour(map.Cell(i), look)));
    };
    if (layout.Shape == MapShape::Scatter) {
        for (std::size_t i = 0; i < map.Count(); ++i)
            fill(i, i);
    } else {
        // A grid or a strip: one pixel a cell in an image, drawn over the cells' extent without
        // smoothing, so that a map of millions of cells draws at once and each keeps its colour.
        const auto columns = static_cast<int>(layout.Columns);
        const auto rows = static_cast<int>(std::max<std::size_t>(layout.Rows, 1));
        QImage cells(columns, rows, QImage::Format_RGB32);
        cells.fill(Qt::white);
        for (std::size_t k = 0; k < layout.CellAt.size(); ++k) {
            const std::uint32_t i = layout.CellAt[k];
            if (i == MapLayout::kNoCell || i >= map.Count())
                continue;
            const auto c = static_cast<int>(k % layout.Columns);
            const auto r = static_cast<int>(k / layout.Columns);
            cells.setPixel(c, rows - 1 - r, cellColour(map.Cell(i), look)); // rows from the top
        }
        painter.drawImage(plot, cells);
    }
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);

    // Axes: 1-2-5 steps in the file's units; a strip counts the distance along its line.
    // A label every 80 pixels across and every 40 up, at most five.
    const auto ticks = [](double low, double high, double pixels) {
        std::vector<double> values;
        const double step = niceStep(high - low, std::min(5.0, pixels));
        const auto first = static_cast<long long>(std::ceil(low / step));
        for (long long k = first; static_cast<double>(k) * step <= high + step * 1e-9; ++k) {
            const double v = static_cast<double>(k) * step;
            values.push_back(std::fabs(v) < step * 1e-9 ? 0.0 : v);
        }
        return values;
    };
    for (const double v : ticks(e.left, e.right, plot.width() / 80)) {
        const double x = toX(v);
        painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 4));
        painter.drawText(QRectF(x - 40, plot.bottom() + 5, 80, 16), Qt::AlignHCenter | Qt::AlignTop,
            QString::number(v, 'g', 6));
    }
    const QString xCaption = layout.Shape == MapShape::Strip
        ? QCoreApplication::translate("HitMap", "Abstand [%1]").arg(look.Unit)
        : QStringLiteral("X [%1]").arg(look.Unit);
    painter.drawText(
        QRectF(plot.left(), plot.bottom() + 22, plot.width(), 18), Qt::AlignHCenter, xCaption);
    if (layout.Shape != MapShape::Strip) {
        for (const double v : ticks(e.bottom, e.top, plot.height() / 40)) {
            const double y = toY(v);
            painter.drawLine(QPointF(plot.left() - 4, y), QPointF(plot.left(), y));
            painter.drawText(QRectF(area.left(), y - 8, kLeftMargin - 8, 16),
                Qt::AlignRight | Qt::AlignVCenter, QString::number(v, 'g', 6));
        }
        painter.save();
        painter.translate(area.left() + 10, plot.center().y());
        painter.rotate(-90);
        painter.drawText(
            QRectF(-60, -8, 120, 16), Qt::AlignCenter, QStringLiteral("Y [%1]").arg(look.Unit));
        painter.restore();
    }

    // The colour bar: the score from 0 (bottom) to 100.
    if (look.Scored) {
        const QRectF bar(plot.right() + 16, plot.top(), 14, std::max(plot.height(), 60.0));
        for (int k = 0; k < 100; ++k) {
            const double y0 = bar.bottom() - bar.height() * (k + 1) / 100;
            painter.fillRect(QRectF(bar.left(), y0, bar.width(), bar.height() / 100 + 0.5),
                QColor(HitMapScoreColour(k + 0.5)));
        }
        painter.drawRect(bar);
        for (const int v : { 0, 50, 100 }) {
            const double y = bar.bottom() - bar.height() * v / 100;
            painter.drawText(QRectF(bar.right() + 4, y - 8, 40, 16),
                Qt::AlignLeft | Qt::AlignVCenter, QString::number(v));
        }
        painter.drawText(QRectF(bar.left() - 10, bar.top() - 18, 60, 16), Qt::AlignLeft,
            QCoreApplication::translate("HitMap", "Güte"));
    }
    painter.restore();
}

QImage HitMapImage(const MapIndex &map, const MapLayout &layout, const HitMapLook &look, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintHitMap(painter, image.rect(), map, layout, look);
    painter.end();
    return image;
}

QRectF HitMapCellRect(const QRect &area, const MapIndex &map, const MapLayout &layout,
    const HitMapLook &look, long cell)
{
    const QRectF plot = HitMapPlot(area, layout, look);
    if (plot.isEmpty() || cell < 0 || static_cast<std::size_t>(cell) >= map.Count())
        return {};
    std::size_t order = static_cast<std::size_t>(cell);
    if (layout.Shape == MapShape::Strip) {
        const auto at =
            std::find(layout.CellAt.begin(), layout.CellAt.end(), static_cast<std::uint32_t>(cell));
        order = static_cast<std::size_t>(at - layout.CellAt.begin());
    }
    const Extent e = extentOf(layout);
    const QRectF r = cellRect(map, layout, static_cast<std::size_t>(cell), order);
    const auto toX = [&](double v) {
        return plot.left() + (v - e.left) / (e.right - e.left) * plot.width();
    };
    const auto toY = [&](double v) {
        return plot.bottom() - (v - e.bottom) / (e.top - e.bottom) * plot.height();
    };
    return QRectF(QPointF(toX(r.left()), toY(r.bottom())), QPointF(toX(r.right()), toY(r.top())));
}

long HitMapCellAt(const QRect &area, const MapIndex &map, const MapLayout &layout,
    const HitMapLook &look, QPointF point)
{
    const QRectF plot = HitMapPlot(area, layout, look);
    if (plot.isEmpty() || !plot.contains(point) || map.Count() == 0)
        return -1;
    const Extent e = extentOf(layout);
    const double x = e.left + (point.x() - plot.left()) / plot.width() * (e.right - e.left);
    const double y = e.bottom + (plot.bottom() - point.y()) / plot.height() * (e.top - e.bottom);
    switch (layout.Shape) {
    case MapShape::Strip: {
        const double w = layout.CellWidth > 0 ? layout.CellWidth : 1;
        const auto k = static_cast<long>(std::floor((x - layout.MinX + w / 2) / w));
        return k >= 0 && k < static_cast<long>(layout.CellAt.size())
            ? layout.CellAt[static_cast<std::size_t>(k)]
            : -1;
    }
    case MapShape::Grid: {
        const auto c = static_cast<long>(std::floor((x - e.left) / layout.CellWidth));
        const auto r = static_cast<long>(std::floor((y - e.bottom) / layout.CellHeight));
        if (c < 0 || r < 0 || c >= static_cast<long>(layout.Columns)
            || r >= static_cast<long>(layout.Rows))
            return -1;
        const std::uint32_t cell =
            layout
                .CellAt[static_cast<std::size_t>(r) * layout.Columns + static_cast<std::size_t>(c)];
        return cell == MapLayout::kNoCell ? -1 : static_cast<long>(cell);
    }
    case MapShape::Scatter:
        break;
    }
    long best = -1;
    double bestDistance = 0;
    for (std::size_t i = 0; i < map.Count(); ++i) {
        const double d = std::hypot(map.Cell(i).X - x, map.Cell(i).Y - y);
        if (best < 0 || d < bestDistance) {
            best = static_cast<long>(i);
            bestDistance = d;
        }
    }
    return bestDistance <= layout.CellWidth ? best : -1;
}
