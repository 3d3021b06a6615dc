#include "tchartseries.h"

#include "tchart.h"
#include "tchartaxis.h"

#include <QCursor>

TChartSeries::TChartSeries(const std::string &name)
    : m_name(name)
    , m_xValues(this, "X")
    , m_yValues(this, "Y")
{
    m_xValues.SetOrder(loAscending);
}

TChartSeries::~TChartSeries()
{
    if (m_parentChart != nullptr)
        m_parentChart->RemoveSeries(this);
}

void TChartSeries::invalidateChart() const
{
    if (m_parentChart != nullptr)
        m_parentChart->Invalidate();
}

void TChartSeries::ValueListChanged(bool repaint)
{
    if (repaint)
        invalidateChart();
}

void TChartSeries::SetActive(bool value)
{
    if (m_active == value)
        return;
    m_active = value;
    invalidateChart();
}

void TChartSeries::SetSeriesColor(TColor value)
{
    if (m_seriesColor == value)
        return;
    m_seriesColor = value;
    invalidateChart();
}

void TChartSeries::SetColorEachPoint(bool value)
{
    if (m_colorEachPoint == value)
        return;
    m_colorEachPoint = value;
    invalidateChart();
}

void TChartSeries::SetShowInLegend(bool value)
{
    if (m_showInLegend == value)
        return;
    m_showInLegend = value;
    invalidateChart();
}

void TChartSeries::SetHorizAxis(THorizAxis value)
{
    if (m_horizAxis == value)
        return;
    m_horizAxis = value;
    RecalcBoundAxes();
    invalidateChart();
}

void TChartSeries::SetVertAxis(TVertAxis value)
{
    if (m_vertAxis == value)
        return;
    m_vertAxis = value;
    RecalcBoundAxes();
    invalidateChart();
}

void TChartSeries::RecalcBoundAxes()
{
    if (m_parentChart == nullptr) {
        m_boundHorizAxis = m_boundVertAxis = nullptr;
        return;
    }
    m_boundHorizAxis =
        m_horizAxis == aTopAxis ? m_parentChart->TopAxis() : m_parentChart->BottomAxis();
    m_boundVertAxis =
        m_vertAxis == aRightAxis ? m_parentChart->RightAxis() : m_parentChart->LeftAxis();
}

void TChartSeries::SetParentChart(TChart *chart)
{
    if (m_parentChart == chart)
        return;
    if (m_parentChart != nullptr)
        m_parentChart->RemoveSeries(this);
    m_parentChart = chart;
    if (chart != nullptr)
        chart->AddSeries(this);
    RecalcBoundAxes();
    ParentChartChanged();
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
        invalidateChart();
    return index;
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
        invalidateChart();
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

void TChartSeries::HorizMargins(int &first, int &second) const
{
    first = second = 0;
}

void TChartSeries::VertMargins(int &first, int &second) const
{
    first = second = 0;
}

void TChartSeries::CalcVisibleIndices()
{
    const int n = PointCount();
    FirstVisibleIndex = LastVisibleIndex = -1;
    if (n == 0 || m_parentChart == nullptr || m_boundHorizAxis == nullptr)
        return;
    if (m_xValues.Order() != loAscending || !m_xValues.InOrder() || !(m_xValues.Multiplier() > 0)) {
        FirstVisibleIndex = 0;
        LastVisibleIndex = n - 1;
        return;
    }
    const TRect plot = m_parentChart->PlotRect();
    const bool inverted = m_boundHorizAxis->Inverted();
    const double minX = PixelToXValue(inverted ? plot.Right : plot.Left);
    const double maxX = PixelToXValue(inverted ? plot.Left : plot.Right);
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
