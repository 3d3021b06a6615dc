#pragma once

#include <cmath>
#include <vector>

// The arithmetic of an axis without any drawing: the working range and pixel placement with the
// conversions between values and pixels, and the 1-2-5 label steps. Free of Qt; TChartAxis keeps
// one AxisMapping and the drawing and mouse code receive it.

struct AxisMapping {
    double RangeMinimum = 0.0;
    double RangeMaximum = 0.0;
    double RangeSpan = 0.0;
    int PixelStart = 0;
    int PixelEnd = 0;
    int PixelLength = 0;
    int PixelCenter = 0;
    bool Horizontal = true;
    bool Inverted = false;

    void SetRange(double minimum, double maximum);
    // Places the axis between start and end: along x for a horizontal axis, y for a vertical one.
    void SetPixels(int start, int end);

    // Horizontal axes count from PixelStart unless inverted; vertical ones from PixelEnd unless
    // inverted, so larger values stand higher.
    int ValueToPixel(double value) const;
    double PixelToValue(int pixel) const;
    // Where a value stands against the far limit beyond which ValueToPixel gives the centre:
    // -1 below it, 1 above it, 0 within. Far values break the monotone order of the pixels.
    int FarSide(double value) const;
    // Where the pixel counting starts for ValueToPixel.
    bool CountsFromEnd() const { return Horizontal ? Inverted : !Inverted; }
};

// Value to pixel for long runs of values (a series' points): the same results as
// AxisMapping::ValueToPixel, with the exact extended-precision path taken only when the fast
// double estimate lies too close to a rounding tie to decide. Inline: drawing calls it for every
// point.
class FastAxisMapper
{
public:
    explicit FastAxisMapper(const AxisMapping &mapping);
    int operator()(double value) const
    {
        const double p = (value - m_minimum) * m_scale;
        // Within this band the estimate's few ulps of error cannot change the rounded pixel
        // unless it lies next to a tie. A flat range has a scale of NaN and fails the test.
        if (std::fabs(p) < 1e9) {
            // Adding and removing 1.5 * 2^52 rounds to the nearest integer, ties to even.
            const double rounded = (p + 6755399441055744.0) - 6755399441055744.0;
            if (std::fabs(p - rounded) < 0.4999)
                return m_origin + m_sign * static_cast<int>(rounded);
        }
        return m_mapping.ValueToPixel(value);
    }

    // The values around `value`, which maps to `pixel`, known to map to that pixel as well:
    // every v with Low <= v <= High does. Exact: both ends are mapped and checked, and spans are
    // only given where no value between them lies too far away (those map to the centre). Where
    // that cannot be had the span holds `value` alone.
    struct PixelSpan {
        double Low;
        double High;
        bool Contains(double v) const { return v >= Low && v <= High; }
    };
    PixelSpan SamePixel(double value, int pixel) const;

private:
    const AxisMapping &m_mapping;
    double m_minimum = 0.0;
    double m_scale = 0.0;
    int m_origin = 0;
    int m_sign = 1;
};

// The next larger step of the 1-2-5 series: 1 -> 2, 2 -> 5, 5 -> 10, 0.3 -> 0.5. s > 0.
double NextNiceStep(double s);

// The label step for a range: starts at increment (or 1, or 1e-12 for a span below 1) and, with a
// positive separation, grows along the 1-2-5 series until at most maxLabelCount labels fit.
double LabelIncrement(double rangeSpan, double increment, int labelsSeparation, int maxLabelCount);

// How many labels of maxLabelSize pixels (plus the separation in percent) fit into pixelLength.
int MaxLabelCount(int pixelLength, int maxLabelSize, int labelsSeparation);

// Label values from the top of the range downward in whole steps. A flat range gives one label at
// its value, and the list stops where subtracting the step no longer changes the value, so a
// step below the spacing of doubles near the range cannot loop without progress. An increment of
// 10000 steps or more for the span gives no labels.
std::vector<double> LabelValues(
    double rangeMinimum, double rangeMaximum, double increment, bool roundFirstLabel);

// The value a label run starts at (RoundFirstLabel: a whole multiple of the step).
double FirstLabelValue(
    double rangeMinimum, double rangeMaximum, double increment, bool roundFirstLabel);
