#pragma once

#include "canvastarget.h"

#include <QImage>
#include <QRect>
#include <functional>

// The exact pixels of an RGB32 image, as the system's drawing sets them. Lines of width 1 are
// drawn here pixel by pixel: a line leaves its end pixel out, in the pen's mode (copy,
// exclusive-or, not-exclusive-or), so that exclusive-or drawing done twice leaves no trace.
// Text and wide or styled lines go through QPainter. The window's surface, the buffer of a
// drawing pass and the image of an export are each drawn through one.
class RasterTarget : public CanvasTarget
{
public:
    explicit RasterTarget(QImage *image = nullptr)
        : m_image(image)
    {
    }
    QImage *Image() const { return m_image; }
    void SetImage(QImage *image) { m_image = image; }
    // Called after drawing with the touched area, when set (the window shows it).
    std::function<void(const QRect &)> OnChanged;

    TRect Bounds() const override;
    void Line(int x0, int y0, int x1, int y1, const CanvasPen &pen) override;
    void Rectangle(
        int x1, int y1, int x2, int y2, const CanvasPen &pen, const CanvasBrush &brush) override;
    void Fill(const TRect &rect, TColor color) override;
    void Text(int x, int y, const QString &text, const QFont &font, TColor color, int angle,
        int hAlign, bool bottomAligned) override;
    SeriesRaster SeriesRasterView() override;

private:
    bool drawable() const { return m_image != nullptr && !m_image->isNull(); }
    void notify(const QRect &area) const;

    QImage *m_image;
};

// Writes text into painter as the canvas places it (shared with the vector target).
void PaintCanvasText(QPainter &painter, int x, int y, const QString &text, const QFont &font,
    TColor color, int angle, int hAlign, bool bottomAligned);
