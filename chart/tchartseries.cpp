#include "tchartseries.h"

#include "tchartaxis.h"

#include <algorithm>

TChartSeries::TChartSeries(const std::string &name)
    : m_name(name)
    , m_xValues(this, "X")
    , m_yValues(this, "Y")
{
    m_xValues.SetOrder(loAscending);
}

TChartSeries::~TChartSeries() = default;

void TChartSeries::Invalidate()
{
    if (m_chart != nullptr)
        m_chart->Invalidate();
}

void TChartSeries::ValueListChanged(bool repaint)
{
    if (repaint)
        Invalidate();
}

void TChartSeries::SetActive(bool value)
{
    SetProperty(m_active, value);
}

void TChartSeries::SetSeriesColor(TColor value)
{
    SetProperty(m_seriesColor, value);
}

void TChartSeries::SetColorEachPoint(bool value)
{
    SetProperty(m_colorEachPoint, value);
}

void TChartSeries::SetShowInLegend(bool value)
{
    SetProperty(m_showInLegend, value);
}

void TChartSeries::SetHorizAxis(THorizAxis value)
{
    if (SetProperty(m_horizAxis, value))
        RecalcBoundAxes();
}

void TChartSeries::SetVertAxis(TVertAxis value)
{
    if (SetProperty(m_vertAxis, value))
        RecalcBoundAxes();
}

void TChartSeries::RecalcBoundAxes()
{
    m_boundHorizAxis = m_horizAxis == aTopAxis ? m_sideAxes.Top : m_sideAxes.Bottom;
    m_boundVertAxis = m_vertAxis == aRightAxis ? m_sideAxes.Right : m_sideAxes.Left;
}

void TChartSeries::AttachTo(ChartOwner *chart, const TSideAxes &axes)
{
    m_chart = chart;
    m_sideAxes = axes;
    RecalcBoundAxes();
}

int TChartSeries::AddPointXY(double x, double y, const std::string &label, TColor color)
{
    m_xValues.PendingValue = x;
    m_yValues.PendingValue = y;
    if (OnBeforeAdd && !OnBeforeAdd(this))
        return -1;
    const int index = m_xValues.AppendOrdered(m_xValues.PendingValue);
    m_yValues.InsertValueAt(index, m_yValues.PendingValue);
    const auto at = static_cast<std::size_t>(index);
    m_pointColors.insert(at, color);
    m_pointLabels.insert(at, label.empty() ? nullptr : std::make_unique<std::string>(label));
    if (OnAfterAdd)
        OnAfterAdd(this, index);
    if (m_active)
        Invalidate();
    return index;
}

void TChartSeries::AddPoints(const double *x, const double *y, int count, TColor color)
{
    if (count <= 0)
        return;
    const auto n = static_cast<std::size_t>(count);
    const TChartValueList::ColumnPlacement placement = m_xValues.PlaceColumn(x, n);
    // Y follows X; an ordered Y list would have to check each value against its neighbours.
    if (OnBeforeAdd || OnAfterAdd || m_yValues.Order() != loNone
        || placement == TChartValueList::ColumnPlacement::PointByPoint) {
        for (int i = 0; i < count; ++i)
            AddPointXY(x[i], y[i], std::string(), color);
        return;
    }
    m_xValues.AddColumn(x, n, placement);
    m_yValues.AddColumn(y, n, placement);
    const bool front = placement == TChartValueList::ColumnPlacement::Prepend;
    std::fill_n(front ? m_pointColors.growFront(n) : m_pointColors.growBack(n), n, color);
    // No labels: the new elements hold none already.
    if (front)
        m_pointLabels.growFront(n);
    else
        m_pointLabels.growBack(n);
    if (m_active)
        Invalidate();
}

void TChartSeries::ClearPoints()
{
    m_xValues.RemoveAllValues();
    m_yValues.RemoveAllValues();
    m_pointColors.clear();
    m_pointLabels.clear();
    FirstVisibleIndex = LastVisibleIndex = -1;
    if (OnClearValues)
        OnClearValues(this);
    if (m_active)
        Invalidate();
}

TColor TChartSeries::PointColor(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_pointColors.size())
        return m_seriesColor;
    const TColor stored = m_pointColors[static_cast<std::size_t>(index)];
    if (stored != DefaultColorMark)
        return stored;
    return m_colorEachPoint ? DefaultPaletteColor(index % 16) : m_seriesColor;
}

std::string TChartSeries::PointLabel(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_pointLabels.size())
        return {};
    const auto &label = m_pointLabels[static_cast<std::size_t>(index)];
    return label ? *label : std::string();
}

bool TChartSeries::UsesAxis(const TChartAxis *axis) const
{
    if (axis == nullptr)
        return false;
    if (axis->IsHorizontal)
        return m_horizAxis == aBothHorizAxis || axis == m_boundHorizAxis;
    return m_vertAxis == aBothVertAxis || axis == m_boundVertAxis;
}

int TChartSeries::XValueToPixel(double value) const
{
    return m_boundHorizAxis != nullptr ? m_boundHorizAxis->HorizValueToPixel(value) : 0;
}

int TChartSeries::YValueToPixel(double value) const
{
    return m_boundVertAxis != nullptr ? m_boundVertAxis->VertValueToPixel(value) : 0;
}

double TChartSeries::PixelToXValue(int pixel) const
{
    return m_boundHorizAxis != nullptr ? m_boundHorizAxis->AxisPixelToValue(pixel) : 0.0;
}

double TChartSeries::PixelToYValue(int pixel) const
{
    return m_boundVertAxis != nullptr ? m_boundVertAxis->AxisPixelToValue(pixel) : 0.0;
}

TAxisMargins TChartSeries::HorizMargins() const
{
    return {};
}

TAxisMargins TChartSeries::VertMargins() const
{
    return {};
}

void TChartSeries::CalcVisibleIndices(const AxisMapping &xMap, const TRect &plot)
{
    const int n = PointCount();
    FirstVisibleIndex = LastVisibleIndex = -1;
    if (n == 0)
        return;
    if (m_xValues.Order() != loAscending || !m_xValues.InOrder() || !(m_xValues.Multiplier() > 0)) {
        FirstVisibleIndex = 0;
        LastVisibleIndex = n - 1;
        return;
    }
    const bool inverted = xMap.Inverted;
    const double minX = xMap.PixelToValue(inverted ? plot.Right : plot.Left);
    const double maxX = xMap.PixelToValue(inverted ? plot.Left : plot.Right);
    // Binary searches over the raw values; the multiplier is applied when comparing.
    const double *x = m_xValues.RawValues();
    const double multiplier = m_xValues.Multiplier();
    int lo = 0, hi = n;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (x[mid] * multiplier >= minX)
            hi = mid;
        else
            lo = mid + 1;
    }
    if (lo == n)
        return;
    FirstVisibleIndex = lo;
    if (x[n - 1] * multiplier > maxX) {
        hi = n - 1;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (x[mid] * multiplier >= maxX)
                hi = mid;
            else
                lo = mid + 1;
        }
        LastVisibleIndex = lo;
    } else {
        LastVisibleIndex = n - 1;
    }
}

int TChartSeries::ClickedValueIndex(int, int) const
{
    return -1;
}
