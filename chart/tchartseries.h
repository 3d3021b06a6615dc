#pragma once

#include "axismath.h"
#include "chartowner.h"
#include "charttypes.h"
#include "devector.h"
#include "tchartvaluelist.h"

#include <QString>
#include <functional>
#include <memory>
#include <string>

class TChartAxis;
class TVelCanvas3D;

// The four side axes of a chart, from which a series picks the two it is drawn against.
struct TSideAxes {
    TChartAxis *Bottom = nullptr;
    TChartAxis *Top = nullptr;
    TChartAxis *Left = nullptr;
    TChartAxis *Right = nullptr;
};

// One data series of a chart: the X and Y value lists with a colour and an optional label per
// point, the axes it is drawn against, and its events. X decides where a new point goes (the X
// list is ascending by default); Y, colour and label follow it to the same index. The series
// draws and measures with what the chart's pass hands it (the axis mappings and the plot
// rectangle) and tells its chart of changes through the ChartOwner it was attached with; it
// never reaches into the chart.
class TChartSeries : public ChartOwner, public ChartValueListOwner
{
public:
    explicit TChartSeries(const std::string &name = {});
    ~TChartSeries() override;
    TChartSeries(const TChartSeries &) = delete;
    TChartSeries &operator=(const TChartSeries &) = delete;

    // properties
    const std::string &Name() const { return m_name; }
    void SetName(const std::string &value) { SetProperty(m_name, value); }
    bool Active() const { return m_active; }
    void SetActive(bool value);
    TColor SeriesColor() const { return m_seriesColor; }
    void SetSeriesColor(TColor value);
    bool ColorEachPoint() const { return m_colorEachPoint; }
    void SetColorEachPoint(bool value);
    bool ShowInLegend() const { return m_showInLegend; }
    void SetShowInLegend(bool value);
    // The series' text in the legend.
    const QString &Title() const { return m_title; }
    void SetTitle(const QString &value) { SetProperty(m_title, value); }
    THorizAxis HorizAxis() const { return m_horizAxis; }
    void SetHorizAxis(THorizAxis value);
    TVertAxis VertAxis() const { return m_vertAxis; }
    void SetVertAxis(TVertAxis value);
    TChartAxis *BoundHorizAxis() const { return m_boundHorizAxis; }
    TChartAxis *BoundVertAxis() const { return m_boundVertAxis; }
    // The chart's half of taking the series in: the chart as the owner told of every change,
    // and its side axes.
    void AttachTo(ChartOwner *chart, const TSideAxes &axes);
    const std::string &ValueFormat() const { return m_valueFormat; }
    const std::string &PercentFormat() const { return m_percentFormat; }

    TChartValueList &XValues() { return m_xValues; }
    TChartValueList &YValues() { return m_yValues; }
    const TChartValueList &XValues() const { return m_xValues; }
    const TChartValueList &YValues() const { return m_yValues; }

    // operations
    // Adds a point at the place its X value takes and returns its index, or -1 when OnBeforeAdd
    // vetoes. An empty label is stored as none.
    int AddPointXY(
        double x, double y, const std::string &label = {}, TColor color = DefaultColorMark);
    // Adds count points without labels, all in one colour, with the same result as AddPointXY
    // for each in turn. A column whose x values already run in the list's order (or exactly
    // against it, as a file written from high to low wavenumbers does) is stored in one go;
    // anything else, or a series with OnBeforeAdd or OnAfterAdd, goes point by point.
    void AddPoints(const double *x, const double *y, int count, TColor color = DefaultColorMark);
    void ClearPoints();
    int PointCount() const { return m_xValues.ValueCount(); }
    // The colour point index is drawn with (see DefaultColorMark).
    TColor PointColor(int index) const;
    std::string PointLabel(int index) const;
    double MaxX() { return m_xValues.MaxOfValues(); }
    double MinX() { return m_xValues.MinOfValues(); }
    double MaxY() { return m_yValues.MaxOfValues(); }
    double MinY() { return m_yValues.MinOfValues(); }
    TValueRange XRange() { return TValueRange { MinX(), MaxX() }; }
    TValueRange YRange() { return TValueRange { MinY(), MaxY() }; }
    bool UsesAxis(const TChartAxis *axis) const;
    bool AssociatedToAxis(const TChartAxis *axis) const { return UsesAxis(axis); }

    int XValueToPixel(double value) const;
    int YValueToPixel(double value) const;
    double PixelToXValue(int pixel) const;
    double PixelToYValue(int pixel) const;

    // mouse
    // The index of the point or segment under pixel (x, y) as the last drawing pass placed the
    // points; -1 for none.
    virtual int ClickedValueIndex(int x, int y) const;
    // Shown while the mouse is over the series' line; crDefault for none of its own.
    TCursor Cursor = crDefault;
    std::function<void(
        TChartSeries *Sender, int ValueIndex, TMouseButton Button, TShiftState Shift, int X, int Y)>
        OnClick;
    std::function<void(
        TChartSeries *Sender, int ValueIndex, TMouseButton Button, TShiftState Shift, int X, int Y)>
        OnDblClick;

    // drawing, used by the chart's drawing pass
    // Pixel margins the series needs at the ends of its axes.
    virtual TAxisMargins HorizMargins() const;
    virtual TAxisMargins VertMargins() const;
    // Computes FirstVisibleIndex and LastVisibleIndex for the plot rectangle and the mapping of
    // the horizontal axis.
    virtual void CalcVisibleIndices(const AxisMapping &xMap, const TRect &plot);
    // Draws the visible points onto canvas with the mappings of its two axes.
    virtual void DrawValues(TVelCanvas3D &canvas, const AxisMapping &xMap, const AxisMapping &yMap,
        const TRect &plot) = 0;
    int FirstVisibleIndex = -1;
    int LastVisibleIndex = -1;

    // events
    std::function<bool(TChartSeries *Sender)> OnBeforeAdd;
    std::function<void(TChartSeries *Sender, int ValueIndex)> OnAfterAdd;
    std::function<void(TChartSeries *Sender)> OnClearValues;
    std::function<void(TChartSeries *Sender)> BeforeDrawValues;
    std::function<void(TChartSeries *Sender)> AfterDrawValues;

    // helpers
    // Passes a change on to the chart, if attached.
    void Invalidate() override;
    void ValueListChanged(bool repaint) override;
    // Recomputes BoundHorizAxis and BoundVertAxis from the side axes and the two enums.
    void RecalcBoundAxes();

protected:
    // The raw colour list (DefaultColorMark means the series colour).
    const TColor *RawColors() const { return m_pointColors.data(); }

private:
    std::string m_name;
    bool m_active = true;
    TColor m_seriesColor = DefaultColorMark;
    bool m_colorEachPoint = false;
    bool m_showInLegend = true;
    QString m_title;
    THorizAxis m_horizAxis = aBottomAxis;
    TVertAxis m_vertAxis = aLeftAxis;
    TChartAxis *m_boundHorizAxis = nullptr;
    TChartAxis *m_boundVertAxis = nullptr;
    ChartOwner *m_chart = nullptr;
    TSideAxes m_sideAxes;
    TChartValueList m_xValues;
    TChartValueList m_yValues;
    DoubleEndedVector<TColor> m_pointColors;
    DoubleEndedVector<std::unique_ptr<std::string>> m_pointLabels;
    std::string m_valueFormat = "#,##0.###";
    std::string m_percentFormat = "##0.## %";
};
