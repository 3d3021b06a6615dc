#pragma once

#include "axismath.h"
#include "chartparts.h"

#include <QString>
#include <functional>
#include <string>
#include <vector>

class TVelCanvas3D;

// One axis of a chart: its range (automatic from the extent the chart gathers from the series
// bound to it, or set), its placement along one side of the plot rectangle, the conversions
// between values and pixels, the label step and texts, and the drawing of line, ticks, labels and
// title. The working range and pixel placement live in an AxisMapping, valid from one drawing
// pass to the next. The axis knows nothing of the series: the chart hands it what it needs.
class TChartAxis : public ChartPart
{
public:
    TChartAxis(ChartOwner *owner, bool horizontal, bool otherSide, bool depth = false);

    // properties
    bool Automatic() const { return m_automatic; }
    void SetAutomatic(bool value);
    bool AutomaticMaximum() const { return m_automaticMaximum; }
    void SetAutomaticMaximum(bool value);
    bool AutomaticMinimum() const { return m_automaticMinimum; }
    void SetAutomaticMinimum(bool value);
    double Maximum() const { return m_maximum; }
    void SetMaximum(double value);
    double Minimum() const { return m_minimum; }
    void SetMinimum(double value);
    double Increment() const { return m_increment; }
    void SetIncrement(double value);
    bool Inverted() const { return m_inverted; }
    void SetInverted(bool value) { SetProperty(m_inverted, value); }
    bool Labels() const { return m_labels; }
    void SetLabels(bool value) { SetProperty(m_labels, value); }
    int LabelsAngle() const { return m_labelsAngle; }
    void SetLabelsAngle(int value) { SetProperty(m_labelsAngle, value); }
    bool LabelsMultiLine() const { return m_labelsMultiLine; }
    void SetLabelsMultiLine(bool value) { SetProperty(m_labelsMultiLine, value); }
    bool LabelsOnAxis() const { return m_labelsOnAxis; }
    void SetLabelsOnAxis(bool value) { SetProperty(m_labelsOnAxis, value); }
    int LabelsSeparation() const { return m_labelsSeparation; }
    void SetLabelsSeparation(int value);
    int LabelsSize() const { return m_labelsSize; }
    void SetLabelsSize(int value) { SetProperty(m_labelsSize, value); }
    TAxisLabelStyle LabelStyle() const { return m_labelStyle; }
    void SetLabelStyle(TAxisLabelStyle value) { SetProperty(m_labelStyle, value); }
    const std::string &AxisValuesFormat() const { return m_axisValuesFormat; }
    void SetAxisValuesFormat(const std::string &value) { SetProperty(m_axisValuesFormat, value); }
    bool RoundFirstLabel() const { return m_roundFirstLabel; }
    void SetRoundFirstLabel(bool value) { SetProperty(m_roundFirstLabel, value); }
    double StartPosition() const { return m_startPosition; }
    void SetStartPosition(double value) { SetProperty(m_startPosition, value); }
    double EndPosition() const { return m_endPosition; }
    void SetEndPosition(double value) { SetProperty(m_endPosition, value); }
    int TickLength() const { return m_tickLength; }
    void SetTickLength(int value) { SetProperty(m_tickLength, value); }
    int MinorTickLength() const { return m_minorTickLength; }
    void SetMinorTickLength(int value) { SetProperty(m_minorTickLength, value); }
    int MinorTickCount() const { return m_minorTickCount; }
    void SetMinorTickCount(int value) { SetProperty(m_minorTickCount, value); }
    int TickInnerLength() const { return m_tickInnerLength; }
    void SetTickInnerLength(int value) { SetProperty(m_tickInnerLength, value); }
    bool TickOnLabelsOnly() const { return m_tickOnLabelsOnly; }
    void SetTickOnLabelsOnly(bool value) { SetProperty(m_tickOnLabelsOnly, value); }
    int TitleSize() const { return m_titleSize; }
    void SetTitleSize(int value) { SetProperty(m_titleSize, value); }
    bool Visible() const { return m_visible; }
    void SetVisible(bool value) { SetProperty(m_visible, value); }

    TChartPen Axis;
    TChartPen Grid;
    TChartPen MinorGrid;
    TChartPen Ticks;
    TChartPen MinorTicks;
    TChartPen TicksInner;
    TChartFont LabelsFont;
    TChartAxisTitle Title;

    // fixed by the axis' place
    const bool IsHorizontal;
    const bool IsOtherSide;
    const bool IsDepthAxis;

    // working range and placement of the last drawing pass
    const AxisMapping &Mapping() const { return m_mapping; }
    double RangeMinimum() const { return m_mapping.RangeMinimum; }
    double RangeMaximum() const { return m_mapping.RangeMaximum; }
    double RangeSpan() const { return m_mapping.RangeSpan; }
    int PixelStart() const { return m_mapping.PixelStart; }
    int PixelEnd() const { return m_mapping.PixelEnd; }
    int PixelLength() const { return m_mapping.PixelLength; }
    int PixelCenter() const { return m_mapping.PixelCenter; }
    int PosAxis = 0;
    int PosLabels = 0;
    int PosTitle = 0;
    // Major tick positions recorded by the last drawing of the axis (at most kMaxTicks).
    const std::vector<int> &TickPositions() const { return m_ticks; }
    static constexpr int kMaxTicks = 2000;

    // operations
    // The working range for the pass: the set limits, or where automatic the extent of the
    // series (0 and 0 for none).
    void AutoRange(double seriesMinimum, double seriesMaximum);
    void CalcPixelPositions(const TRect &plot);
    // Widens the range so the series' margins (the largest at each end) fit inside the pixels;
    // only the automatic ends take them.
    void ApplySeriesMargins(const TAxisMargins &margins);
    // A manual range from now on (zooming, scrolling); kept at least 1e-10 wide.
    void SetAxisRange(double aMin, double aMax);
    // The range settings a zoom or scroll changes, to be put back when it is undone: the
    // automatic flags and, where not automatic, the limits.
    struct TRangeState {
        bool Automatic = true;
        bool AutomaticMinimum = true;
        bool AutomaticMaximum = true;
        double Minimum = 0.0;
        double Maximum = 0.0;
    };
    TRangeState RangeState() const;
    void RestoreRangeState(const TRangeState &state);
    int AxisValueToPixel(double value) const { return m_mapping.ValueToPixel(value); }
    int HorizValueToPixel(double value) const { return m_mapping.ValueToPixel(value); }
    int VertValueToPixel(double value) const { return m_mapping.ValueToPixel(value); }
    double AxisPixelToValue(int pixel) const { return m_mapping.PixelToValue(pixel); }
    // The label text of a value in AxisValuesFormat with the user's separators.
    QString LabelText(double value) const;
    double LabelIncrement(int maxLabelCount) const;
    double IncrementForLabelSize(int maxLabelSize) const;
    // The label step for the current range, label font (selected into the canvas here) and the
    // axis length of the last pass.
    double AutoIncrement(TVelCanvas3D &canvas) const;
    // The values labels are drawn at (none for an axis without value labels).
    std::vector<double> LabelValues(TVelCanvas3D &canvas) const;
    // Room across the axis for the labels and for the title, in pixels.
    int LabelRoom(TVelCanvas3D &canvas) const;
    int TitleRoom(TVelCanvas3D &canvas) const;
    // Room for the axis line and ticks.
    int TickRoom() const;
    // The label kind in effect: for talAuto the one the series ask for.
    TAxisLabelStyle EffectiveLabelStyle() const;
    // Takes the axis' space off its side of rect and records PosTitle and PosLabels.
    void ReserveSpace(TVelCanvas3D &canvas, TRect &rect);
    // Draws the axis along plot (grid lines span it).
    void Draw(TVelCanvas3D &canvas, const TRect &plot);

    // helpers, set by the chart
    // Passes every label text through the chart's OnGetAxisLabel.
    std::function<void(TChartAxis *Sender, QString &LabelText)> OnLabelText;
    // The label kind the active series of the axis ask for (talNone for none, talText when the
    // first has a label at its first point, talValue otherwise), gathered by the chart.
    void UseSeriesLabelStyle(TAxisLabelStyle value) { m_seriesLabelStyle = value; }

private:
    QString rawLabelText(double value) const;
    int labelSize(TVelCanvas3D &canvas, const QString &text, bool alongAxis) const;
    void tickLine(TVelCanvas3D &canvas, int p, int offset, int length) const;

    bool m_automatic = true;
    bool m_automaticMaximum = true;
    bool m_automaticMinimum = true;
    double m_maximum = 0.0;
    double m_minimum = 0.0;
    double m_increment = 0.0;
    bool m_inverted = false;
    bool m_labels = true;
    int m_labelsAngle = 0;
    bool m_labelsMultiLine = false;
    bool m_labelsOnAxis = true;
    int m_labelsSeparation = 10;
    int m_labelsSize = 0;
    TAxisLabelStyle m_labelStyle = talAuto;
    std::string m_axisValuesFormat = "#,##0.###";
    bool m_roundFirstLabel = true;
    double m_startPosition = 0.0;
    double m_endPosition = 100.0;
    int m_tickLength = 4;
    int m_minorTickLength = 2;
    int m_minorTickCount = 3;
    int m_tickInnerLength = 0;
    bool m_tickOnLabelsOnly = true;
    int m_titleSize = 0;
    bool m_visible = true;
    TAxisLabelStyle m_seriesLabelStyle = talNone;

    AxisMapping m_mapping;
    std::vector<int> m_ticks;
};
