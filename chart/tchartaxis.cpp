#include "tchartaxis.h"

#include "chartexceptions.h"
#include "chartmessages.h"
#include "messages.h"
#include "numformat.h"
#include "rounding.h"
#include "tvelcanvas3d.h"

#include <algorithm>
#include <cmath>

namespace
{

int defaultTitleAngle(bool horizontal, bool otherSide)
{
    if (horizontal)
        return 0;
    return otherSide ? 270 : 90;
}

bool runsAlong(bool horizontal, int angle)
{
    return horizontal ? (angle == 0 || angle == 180) : (angle == 90 || angle == 270);
}

QStringList textLines(const QString &text)
{
    return text.split(QChar(13));
}

} // namespace

TChartAxis::TChartAxis(ChartOwner *owner, bool horizontal, bool otherSide, bool depth)
    : ChartPart(owner)
    , Axis(owner)
    , Grid(owner, clGray)
    , MinorGrid(owner, clGray, false)
    , Ticks(owner, clGray)
    , MinorTicks(owner, clGray)
    , TicksInner(owner, clGray)
    , LabelsFont(owner)
    , Title(owner, defaultTitleAngle(horizontal, otherSide))
    , IsHorizontal(horizontal)
    , IsOtherSide(otherSide)
    , IsDepthAxis(depth)
{
    m_mapping.Horizontal = horizontal;
    if (depth)
        m_visible = false;
}

// Invalidation only marks the picture out of date, so the flags that follow the one set may be
// stored after it.
void TChartAxis::SetAutomatic(bool value)
{
    if (SetProperty(m_automatic, value))
        m_automaticMinimum = m_automaticMaximum = value;
}

void TChartAxis::SetAutomaticMaximum(bool value)
{
    if (SetProperty(m_automaticMaximum, value) && (!value || m_automaticMinimum))
        m_automatic = value;
}

void TChartAxis::SetAutomaticMinimum(bool value)
{
    if (SetProperty(m_automaticMinimum, value) && (!value || m_automaticMaximum))
        m_automatic = value;
}

void TChartAxis::SetMaximum(double value)
{
    if (value < m_minimum)
        throw AxisException(std::string(ChartMessages::AxisMaximum));
    SetProperty(m_maximum, value);
}

void TChartAxis::SetMinimum(double value)
{
    if (value > m_maximum)
        throw AxisException(std::string(ChartMessages::AxisMinimum));
    SetProperty(m_minimum, value);
}

void TChartAxis::SetIncrement(double value)
{
    if (value < 0)
        throw AxisException(std::string(ChartMessages::AxisIncrement));
    SetProperty(m_increment, value);
}

void TChartAxis::SetLabelsSeparation(int value)
{
    if (value < 0)
        throw AxisException(std::string(ChartMessages::LabelsSeparation));
    SetProperty(m_labelsSeparation, value);
}

void TChartAxis::AutoRange(double seriesMinimum, double seriesMaximum)
{
    if (m_automatic || m_automaticMaximum)
        m_maximum = seriesMaximum;
    if (m_automatic || m_automaticMinimum)
        m_minimum = seriesMinimum;
    m_mapping.SetRange(m_minimum, m_maximum);
}

void TChartAxis::CalcPixelPositions(const TRect &plot)
{
    const int origin = IsHorizontal ? plot.Left : plot.Top;
    const Extended length = IsHorizontal ? plot.Width() : plot.Height();
    const int start = origin + static_cast<int>(RoundEven(length * 0.01L * m_startPosition));
    const int end = origin + static_cast<int>(RoundEven(length * 0.01L * m_endPosition));
    m_mapping.Horizontal = IsHorizontal;
    m_mapping.Inverted = m_inverted;
    m_mapping.SetPixels(start, end);
}

void TChartAxis::ApplySeriesMargins(const TAxisMargins &margins)
{
    const bool takeFirst = IsHorizontal ? m_automaticMinimum : m_automaticMaximum;
    const bool takeSecond = IsHorizontal ? m_automaticMaximum : m_automaticMinimum;
    const int first = takeFirst ? margins.First : 0;
    const int second = takeSecond ? margins.Second : 0;
    if (first == 0 && second == 0)
        return;
    const int oldStart = m_mapping.PixelStart;
    const int oldEnd = m_mapping.PixelEnd;
    AxisMapping shrunk = m_mapping;
    shrunk.SetPixels(oldStart + first, oldEnd - second);
    double a = shrunk.PixelToValue(oldStart);
    double b = shrunk.PixelToValue(oldEnd);
    if (a > b)
        std::swap(a, b);
    m_mapping.SetRange(a, b);
}

void TChartAxis::SetAxisRange(double aMin, double aMax)
{
    m_automatic = m_automaticMinimum = m_automaticMaximum = false;
    if (aMin > aMax)
        std::swap(aMin, aMax);
    SetProperty(m_minimum, aMin);
    SetProperty(m_maximum, aMax);
    if (m_maximum - m_minimum < 1e-10)
        SetProperty(m_maximum, m_minimum + 1e-10);
}

TChartAxis::TRangeState TChartAxis::RangeState() const
{
    return TRangeState { m_automatic, m_automaticMinimum, m_automaticMaximum, m_minimum,
        m_maximum };
}

void TChartAxis::RestoreRangeState(const TRangeState &state)
{
    m_automatic = state.Automatic;
    m_automaticMinimum = state.AutomaticMinimum;
    m_automaticMaximum = state.AutomaticMaximum;
    // The limits are written together, so no order of the two setters can find them crossed.
    if (!state.AutomaticMinimum)
        m_minimum = state.Minimum;
    if (!state.AutomaticMaximum)
        m_maximum = state.Maximum;
    Invalidate();
}

QString TChartAxis::rawLabelText(double value) const
{
    QString text = QString::fromStdString(FormatFloat(m_axisValuesFormat, value));
    if (m_labelsMultiLine)
        text.replace(QLatin1Char(' '), QChar(13));
    return text;
}

QString TChartAxis::LabelText(double value) const
{
    QString text = QString::fromStdString(FormatFloat(m_axisValuesFormat, value));
    if (OnLabelText)
        OnLabelText(const_cast<TChartAxis *>(this), text);
    if (m_labelsMultiLine)
        text.replace(QLatin1Char(' '), QChar(13));
    return text;
}

double TChartAxis::LabelIncrement(int maxLabelCount) const
{
    return ::LabelIncrement(m_mapping.RangeSpan, m_increment, m_labelsSeparation, maxLabelCount);
}

double TChartAxis::IncrementForLabelSize(int maxLabelSize) const
{
    return LabelIncrement(MaxLabelCount(m_mapping.PixelLength, maxLabelSize, m_labelsSeparation));
}

int TChartAxis::labelSize(TVelCanvas3D &canvas, const QString &text, bool alongAxis) const
{
    const QStringList lines = textLines(text);
    if (alongAxis) {
        int widest = 0;
        for (const QString &line : lines)
            widest = std::max(widest, canvas.TextWidth(line));
        return widest;
    }
    return canvas.TextHeight(QStringLiteral("W")) * static_cast<int>(lines.size());
}

double TChartAxis::AutoIncrement(TVelCanvas3D &canvas) const
{
    canvas.Font = LabelsFont.ToQFont();
    // A horizontal axis measures the widths of its labels unless they stand upright; a vertical
    // one their heights unless they lie along it.
    const bool widths = IsHorizontal ? !(m_labelsAngle == 90 || m_labelsAngle == 270)
                                     : !(m_labelsAngle == 0 || m_labelsAngle == 180);
    const int size = std::max(labelSize(canvas, LabelText(m_mapping.RangeMaximum), widths),
        labelSize(canvas, LabelText(m_mapping.RangeMinimum), widths));
    return IncrementForLabelSize(size);
}

std::vector<double> TChartAxis::LabelValues(TVelCanvas3D &canvas) const
{
    if (EffectiveLabelStyle() != talValue)
        return {};
    const double increment = AutoIncrement(canvas);
    return ::LabelValues(
        m_mapping.RangeMinimum, m_mapping.RangeMaximum, increment, m_roundFirstLabel);
}

TAxisLabelStyle TChartAxis::EffectiveLabelStyle() const
{
    return m_labelStyle != talAuto ? m_labelStyle : m_seriesLabelStyle;
}

int TChartAxis::LabelRoom(TVelCanvas3D &canvas) const
{
    if (m_labelsSize != 0)
        return m_labelsSize;
    canvas.Font = LabelsFont.ToQFont();
    if (runsAlong(IsHorizontal, m_labelsAngle))
        return canvas.TextHeight(QStringLiteral("W"));
    double lower = m_mapping.RangeMinimum;
    double upper = m_mapping.RangeMaximum;
    if (m_roundFirstLabel) {
        const Extended increment = AutoIncrement(canvas);
        lower = static_cast<double>(Trunc(lower / increment) * increment);
        upper = static_cast<double>(Trunc(upper / increment) * increment);
    }
    // Measured without OnGetAxisLabel, as the texts are only an estimate of the widest label.
    const int widest = std::max(
        labelSize(canvas, rawLabelText(lower), true), labelSize(canvas, rawLabelText(upper), true));
    return widest + canvas.TextWidth(QStringLiteral(" "));
}

int TChartAxis::TitleRoom(TVelCanvas3D &canvas) const
{
    if (m_titleSize != 0)
        return m_titleSize;
    canvas.Font = Title.Font.ToQFont();
    if (runsAlong(IsHorizontal, Title.Angle()))
        return canvas.TextHeight(QStringLiteral("W"));
    return canvas.TextWidth(Title.Caption());
}

int TChartAxis::TickRoom() const
{
    int size = 0;
    if (Axis.Visible())
        size += Axis.Width();
    if (Ticks.Visible())
        size += m_tickLength;
    if (MinorTicks.Visible())
        size = std::max(size, m_minorTickLength);
    return size;
}

void TChartAxis::ReserveSpace(TVelCanvas3D &canvas, TRect &rect)
{
    // The side the axis takes its space from, and the direction into the plot.
    int &edge = IsHorizontal ? (IsOtherSide ? rect.Top : rect.Bottom)
                             : (IsOtherSide ? rect.Right : rect.Left);
    const int inward = IsHorizontal ? (IsOtherSide ? 1 : -1) : (IsOtherSide ? -1 : 1);
    if (!Title.Caption().isEmpty())
        edge += inward * TitleRoom(canvas);
    PosTitle = edge;
    if (m_labels)
        edge += inward * LabelRoom(canvas);
    PosLabels = edge;
    edge += inward * TickRoom();
    PosAxis = edge;
}

// A tick at position p, starting offset pixels outside the axis line and length pixels long
// (negative values point into the plot).
void TChartAxis::tickLine(TVelCanvas3D &canvas, int p, int offset, int length) const
{
    // Left and top axes have their outside towards smaller coordinates.
    const int out = (IsHorizontal ? !IsOtherSide : IsOtherSide) ? 1 : -1;
    const int a = PosAxis + out * offset;
    const int b = a + out * length;
    if (IsHorizontal)
        canvas.Line(p, a, p, b);
    else
        canvas.Line(a, p, b, p);
}

void TChartAxis::Draw(TVelCanvas3D &canvas, const TRect &plot)
{
    m_ticks.clear();
    const std::vector<double> values = LabelValues(canvas); // selects LabelsFont
    const int h = canvas.TextHeight(QStringLiteral("W"));

    if (!Title.Caption().isEmpty()) {
        canvas.Font = Title.Font.ToQFont();
        canvas.FontColor = Title.Font.Color();
        if (IsHorizontal)
            canvas.TextOutAligned(
                PixelCenter(), PosTitle, Title.Caption(), Title.Angle(), 0, IsOtherSide);
        else
            canvas.TextOutAligned(PosTitle, PixelCenter(), Title.Caption(), Title.Angle(), 0, true);
        canvas.Font = LabelsFont.ToQFont();
    }

    canvas.FontColor = LabelsFont.Color();
    for (const double value : values) {
        const int p = AxisValueToPixel(value);
        if (!(m_labelsOnAxis || (p > PixelStart() && p < PixelEnd())))
            continue;
        if (m_labels) {
            const QStringList lines = textLines(LabelText(value));
            const int count = static_cast<int>(lines.size());
            for (int k = 0; k < count; ++k) {
                const QString &line = lines[k];
                if (IsHorizontal) {
                    const int top = IsOtherSide ? PosLabels - (count - k) * h : PosLabels + k * h;
                    canvas.TextOutAligned(p, top, line, 0, 0, false);
                } else {
                    const int top = p - (count * h) / 2 + k * h;
                    canvas.TextOutAligned(PosLabels, top, line, 0, IsOtherSide ? -1 : 1, false);
                }
            }
        }
        if ((!m_tickOnLabelsOnly || m_labels) && static_cast<int>(m_ticks.size()) < kMaxTicks)
            m_ticks.push_back(p);
    }

    if (Axis.Visible()) {
        Axis.ApplyTo(canvas);
        if (IsHorizontal)
            canvas.Line(PixelStart(), PosAxis, PixelEnd(), PosAxis);
        else
            canvas.Line(PosAxis, PixelStart(), PosAxis, PixelEnd());
    }
    if (Ticks.Visible()) {
        Ticks.ApplyTo(canvas);
        for (const int p : m_ticks)
            tickLine(canvas, p, 1, m_tickLength);
    }
    if (Grid.Visible()) {
        Grid.ApplyTo(canvas);
        for (const int p : m_ticks) {
            if (IsHorizontal)
                canvas.Line(p, plot.Top, p, plot.Bottom);
            else
                canvas.Line(plot.Left, p, plot.Right, p);
        }
    }
    if (TicksInner.Visible() && m_tickInnerLength != 0) {
        TicksInner.ApplyTo(canvas);
        for (const int p : m_ticks)
            tickLine(canvas, p, -1, -m_tickInnerLength);
    }
    if (MinorTicks.Visible() && !m_ticks.empty() && m_minorTickCount > 0) {
        MinorTicks.ApplyTo(canvas);
        for (std::size_t j = 0; j + 1 < m_ticks.size(); ++j) {
            const int a = m_ticks[j], b = m_ticks[j + 1];
            for (int t = 1; t <= m_minorTickCount; ++t) {
                const int p = a + MulDiv(b - a, t, m_minorTickCount + 1);
                tickLine(canvas, p, 1, m_minorTickLength);
            }
        }
    }
}
