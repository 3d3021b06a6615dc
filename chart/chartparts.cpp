#include "chartparts.h"

#include "rounding.h"
#include "tvelcanvas3d.h"

void TChartPen::ApplyTo(TVelCanvas3D &canvas) const
{
    canvas.Pen = TVelCanvas3D::TPen { m_color, m_visible ? m_style : psClear, m_mode, m_width };
}

TChartFont::TChartFont(ChartOwner *owner)
    : ChartPart(owner)
    , m_name(DefaultName())
{
}

const QString &TChartFont::DefaultName()
{
    static const QString name = QStringLiteral("Arial");
    return name;
}

QFont TChartFont::ToQFont() const
{
    QFont font(m_name);
    // Sizes are points at 96 dots per inch, so a picture does not depend on the screen.
    font.setPixelSize(static_cast<int>(RoundEven(m_size * 96.0 / 72.0)));
    font.setBold(m_bold);
    font.setStyleStrategy(QFont::NoSubpixelAntialias);
    return font;
}

TChartTitle::TChartTitle(ChartOwner *owner)
    : ChartPart(owner)
    , Brush(owner, clWhite, bsClear)
    , Frame(owner, clBlack, false)
    , Font(owner)
{
}

void TChartTitle::Clear()
{
    if (m_text.isEmpty())
        return;
    m_text.clear();
    Invalidate();
}

void TChartTitle::Add(const QString &line)
{
    m_text.append(line);
    Invalidate();
}
