#pragma once

#include "axismath.h"
#include "chartparts.h"

#include <QString>
#include <string>
#include <vector>

class TVelCanvas3D;

// One axis of a chart: its range (automatic from the series bound to it, or set), its placement
// along one side of the plot rectangle, the conversions between values and pixels, the label
// step and texts, and the drawing of line, ticks, labels and title. The working range and pixel
// placement live in an AxisMapping, valid from one drawing pass to the next.
class TChartAxis : public ChartPart
{
public:
    TChartAxis(TChart *chart, bool horizontal, bool otherSide, bool depth = false);

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
    void SetInverted(bool value) { assign(m_inverted, value); }
    bool Labels() const { return m_labels; }
    void SetLabels(bool value) { assign(m_labels, value); }
    int LabelsAngle() const { return m_labelsAngle; }
    void SetLabelsAngle(int value) { assign(m_labelsAngle, value); }
    bool LabelsMultiLine() const { return m_labelsMultiLine; }
    void SetLabelsMultiLine(bool value) { assign(m_labelsMultiLine, value); }
    bool LabelsOnAxis() const { return m_labelsOnAxis; }
    void SetLabelsOnAxis(bool value) { assign(m_labelsOnAxis, value); }
    int LabelsSeparation() const { return m_labelsSeparation; }
    void SetLabelsSeparation(int value);
    int LabelsSize() const { return m_labelsSize; }
    void SetLabelsSize(int value) { assign(m_labelsSize, value); }
    TAxisLabelStyle LabelStyle() const { return m_labelStyle; }
    void SetLabelStyle(TAxisLabelStyle value) { assign(m_labelStyle, value); }
    const std::string &AxisValuesFormat() const { return m_axisValuesFormat; }
    void SetAxisValuesFormat(const std::string &value) { assign(m_axisValuesFormat, value); }
    bool RoundFirstLabel() const { return m_roundFirstLabel; }
    void SetRoundFirstLabel(bool value) { assign(m_roundFirstLabel, value); }
    double StartPosition() const { return m_startPosition; }
    void SetStartPosition(double value) { assign(m_startPosition, value); }
    double EndPosition() const { return m_endPosition; }
    void SetEndPosition(double value) { assign(m_endPosition, value); }
    int TickLength() const { return m_tickLength; }
    void SetTickLength(int value) { assign(m_tickLength, value); }
    int MinorTickLength() const { return m_minorTickLength; }
    void SetMinorTickLength(int value) { assign(m_minorTickLength, value); }
    int MinorTickCount() const { return m_minorTickCount; }
    void SetMinorTickCount(int value) { assign(m_minorTickCount, value); }
    int TickInnerLength() const { return m_tickInnerLength; }
    void SetTickInnerLength(int value) { assign(m_tickInnerLength, value); }
    bool TickOnLabelsOnly() const { return m_tickOnLabelsOnly; }
    void SetTickOnLabelsOnly(bool value) { assign(m_tickOnLabelsOnly, value); }
    int TitleSize() const { return m_titleSize; }
    void SetTitleSize(int value) { assign(m_titleSize, value); }
    bool Visible() const { return m_visible; }
    void SetVisible(bool value) { assign(m_visible, value); }

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
    void AutoRange();
    double SeriesExtreme(bool wantMinimum, bool isX) const;
    void CalcPixelPositions(const TRect &plot);
    void ApplySeriesMargins();
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
    // The label kind in effect: talValue or talNone for talAuto.
    TAxisLabelStyle EffectiveLabelStyle() const;
    // Shown when axes are visible, this one is, and an active series belongs to it.
    bool IsShown() const;
    // Takes the axis' space off its side of rect and records PosTitle and PosLabels.
    void ReserveSpace(TVelCanvas3D &canvas, TRect &rect);
    void Draw(TVelCanvas3D &canvas);

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

    AxisMapping m_mapping;
    std::vector<int> m_ticks;
};
