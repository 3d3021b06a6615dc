#include "chartparts.h"

#include "rounding.h"
#include "tchart.h"

void ChartPart::Changed() const
{
    if (m_chart != nullptr)
        m_chart->Invalidate();
}

TChartFont::TChartFont(TChart *chart)
    : ChartPart(chart)
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

TChartTitle::TChartTitle(TChart *chart)
    : ChartPart(chart)
    , Brush(chart, clWhite, bsClear)
    , Frame(chart, clBlack, false)
    , Font(chart)
{
}

void TChartTitle::Clear()
{
    if (m_text.isEmpty())
        return;
    m_text.clear();
    Changed();
}

void TChartTitle::Add(const QString &line)
{
    m_text.append(line);
    Changed();
}
