#include "axismath.h"

#include "numconv.h"
#include "rounding.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

namespace
{

constexpr double kFarAway = 2147483647.0;
constexpr double kTinyStep = 1e-12;

[[noreturn]] void overflow()
{
    RaiseFloatOverflow();
}

// NextNiceStep, made sure to grow: double rounding must not leave a step where it was.
double nextStep(double s)
{
    const double next = NextNiceStep(s);
    const double grown = next > s ? next : 2 * s;
    if (!std::isfinite(grown))
        overflow();
    return grown;
}

} // namespace

void AxisMapping::SetRange(double minimum, double maximum)
{
    // Limits near the ends of the double range would give an infinite span.
    if (!std::isfinite(maximum - minimum))
        overflow();
    RangeMinimum = minimum;
    RangeMaximum = maximum;
    RangeSpan = maximum - minimum;
}

void AxisMapping::SetPixels(int start, int end)
{
    PixelStart = start;
    PixelEnd = end;
    PixelLength = end - start;
    PixelCenter = (start + end) / 2;
}

namespace
{

// The distance of value from the range's start, in pixels, before rounding.
double pixelOffset(const AxisMapping &m, double value)
{
    return static_cast<double>(
        (static_cast<Extended>(value) - m.RangeMinimum) * m.PixelLength / m.RangeSpan);
}

} // namespace

int AxisMapping::FarSide(double value) const
{
    if (RangeSpan == 0.0)
        return 0;
    const double p = pixelOffset(*this, value);
    return p <= -kFarAway ? -1 : (p >= kFarAway ? 1 : 0);
}

int AxisMapping::ValueToPixel(double value) const
{
    if (RangeSpan == 0.0)
        return PixelCenter;
    const double p = pixelOffset(*this, value);
    // A value more than 2^31-1 pixels away maps to the centre, not to a clamped edge.
    if (std::fabs(p) >= kFarAway)
        return PixelCenter;
    const long long offset = static_cast<long long>(RoundEven(p));
    const long long pixel = CountsFromEnd() ? PixelEnd - offset : PixelStart + offset;
    // Near the 2^31-1 limit the sum could leave the int range; such pixels are far off anyway.
    return static_cast<int>(std::clamp<long long>(pixel, INT_MIN, INT_MAX));
}

double AxisMapping::PixelToValue(int pixel) const
{
    if (PixelLength <= 0)
        return 0.0;
    const long long d = Inverted ? static_cast<long long>(PixelEnd) - pixel
                                 : static_cast<long long>(pixel) - PixelStart;
    const double t = static_cast<double>(static_cast<Extended>(d) * RangeSpan / PixelLength);
    return Horizontal ? RangeMinimum + t : RangeMaximum - t;
}

FastAxisMapper::FastAxisMapper(const AxisMapping &mapping)
    : m_mapping(mapping)
    , m_minimum(mapping.RangeMinimum)
    , m_scale(mapping.RangeSpan != 0.0 ? mapping.PixelLength / mapping.RangeSpan
                                       : std::numeric_limits<double>::quiet_NaN())
    , m_origin(mapping.CountsFromEnd() ? mapping.PixelEnd : mapping.PixelStart)
    , m_sign(mapping.CountsFromEnd() ? -1 : 1)
{
}

FastAxisMapper::PixelSpan FastAxisMapper::SamePixel(double value, int pixel) const
{
    const PixelSpan alone { value, value };
    const double p = (value - m_minimum) * m_scale;
    if (!(std::fabs(p) < 1e9) || m_scale == 0.0)
        return alone;
    // The values of the half-pixel ties on either side, pulled inward by 0.0005 pixel (so that
    // the fast estimate decides them) and by far more than the estimate's error, then checked:
    // the mapping is monotonic between ends that are not far away.
    const double rounded = (p + 6755399441055744.0) - 6755399441055744.0; // ties to even
    double low = m_minimum + (rounded - 0.5) / m_scale;
    double high = m_minimum + (rounded + 0.5) / m_scale;
    if (low > high)
        std::swap(low, high);
    const double slack = 5e-4 / std::fabs(m_scale) + 1e-12 * (std::fabs(low) + std::fabs(high));
    low = std::min(low + slack, value);
    high = std::max(high - slack, value);
    const auto near = [this](double v) { return std::fabs((v - m_minimum) * m_scale) < 1.5e9; };
    if (!near(low) || !near(high) || (*this)(low) != pixel || (*this)(high) != pixel)
        return alone;
    return PixelSpan { low, high };
}

double NextNiceStep(double s)
{
    if (!std::isfinite(s))
        overflow();
    if (s >= 10.0) {
        const double step = 10.0 * NextNiceStep(s * 0.1);
        if (!std::isfinite(step))
            overflow();
        return step;
    }
    if (s < 1.0)
        return 0.1 * NextNiceStep(s * 10.0);
    if (s < 2.0)
        return 2.0;
    if (s < 5.0)
        return 5.0;
    return 10.0;
}

double LabelIncrement(double rangeSpan, double increment, int labelsSeparation, int maxLabelCount)
{
    if (maxLabelCount < 1)
        return kTinyStep;
    double s = increment > 0.0 ? increment : (std::fabs(rangeSpan) >= 1.0 ? 1.0 : kTinyStep);
    if (labelsSeparation > 0) {
        long long n = static_cast<long long>(maxLabelCount) + 1;
        do {
            const double q = static_cast<double>(static_cast<Extended>(rangeSpan) / s);
            if (std::fabs(q) < kFarAway) {
                n = static_cast<long long>(RoundEven(q));
                if (n > maxLabelCount)
                    s = nextStep(s);
            } else {
                s = nextStep(s);
            }
        } while (n > maxLabelCount);
    }
    return s > kTinyStep ? s : kTinyStep;
}

int MaxLabelCount(int pixelLength, int maxLabelSize, int labelsSeparation)
{
    if (maxLabelSize <= 0)
        return 1;
    // In extended precision: 10 % of a 15-pixel label is just below 1.5 there and rounds to 1.
    int room = maxLabelSize;
    if (labelsSeparation > 0)
        room += static_cast<int>(
            RoundEven(static_cast<Extended>(labelsSeparation) * 0.01L * maxLabelSize));
    return static_cast<int>(RoundEven(static_cast<Extended>(pixelLength) / room));
}

double FirstLabelValue(
    double rangeMinimum, double rangeMaximum, double increment, bool roundFirstLabel)
{
    if (rangeMinimum == rangeMaximum || !roundFirstLabel)
        return rangeMaximum;
    return static_cast<double>(Trunc(static_cast<Extended>(rangeMaximum) / increment) * increment);
}

std::vector<double> LabelValues(
    double rangeMinimum, double rangeMaximum, double increment, bool roundFirstLabel)
{
    std::vector<double> values;
    const double span = rangeMaximum - rangeMinimum;
    if (!(increment > 0.0) || std::fabs(static_cast<Extended>(span) / increment) >= 10000)
        return values;
    // A flat range shows one label at its value.
    if (span == 0.0) {
        values.push_back(rangeMaximum);
        return values;
    }
    double value = FirstLabelValue(rangeMinimum, rangeMaximum, increment, roundFirstLabel);
    while (value > rangeMaximum) {
        const double next = value - increment;
        if (!(next < value))
            return values;
        value = next;
    }
    const double limit =
        static_cast<double>((static_cast<Extended>(rangeMinimum) - kTinyStep) / 1.000000000001L);
    while (value >= limit) {
        values.push_back(value);
        const double next = value - increment;
        if (!(next < value))
            break;
        value = next;
    }
    return values;
}
