#include "sensitivepeaks.h"

#include "peakfinder.h"
#include "rounding.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

namespace
{

// A band must stand this many noise levels (standard deviations of one raw point) above the
// higher of its two separating minima, and as many above the noise around it. Noise wiggles of
// the 3-point smoothed curve reach 5 to 7 levels on the oversampled reference spectra; the
// weakest bands people search for there (calcite 712 on 532 nm instruments) stand 14 and more.
// See README, "The sensitive rule".
constexpr double kProminenceFactor = 8;

// A band must also reach this share of the most prominent band inside the window (spikes
// aside): a chemist reads a spectrum by its main bands and ignores what is 50 times weaker,
// while the weakest bands searched for on the reference spectra (calcite 712) are 3.4 % of
// their spectrum's main band and more. On a strong spectrum the noise alone would let
// hundreds of tiny wiggles of the background through.
constexpr double kRelativeFloor = 0.02;

// A spike (a cosmic ray on one to three detector pixels) is a maximum far narrower than the
// spectrum's bands: narrower than kSpikeWidthRatio times the most prominent band's width and at
// most kSpikeMaxWidth points wide, both at half prominence on the raw values (the cosmic ray of
// the reference TiO2 replicate is 2.1 points wide, its strongest band 3.5). Bands of one
// spectrum share the instrument's resolution, so their widths differ by far less than that;
// and an absolute bound keeps the narrow bands of a spectrum with broad ones (fluorescence,
// glass) as peaks. On the coarsest grids a real band is as few points wide as a spike, which is
// why the width is compared with the spectrum's own bands and not with a fixed count.
constexpr double kSpikeWidthRatio = 0.7;
constexpr double kSpikeMaxWidth = 2.5;

// The noise is also measured around each candidate, on this many points to either side: noise
// grows with the signal (shot noise), so a bump on a bright background (the laser edge, a
// fluorescence hump) must stand out of the noise there, not of the spectrum's quiet median.
constexpr std::size_t kLocalNoisePoints = 32;

// Widths are measured out to this many points on each side; a wider peak is simply wide.
constexpr int kWidthWalk = 12;

// The median absolute difference of neighbouring points, times this, is the noise level of one
// point: 1.4826 turns the median absolute value of normal noise into its standard deviation, and
// the difference of two points has sqrt(2) times the noise of one. (Differences at wider lags
// and second differences were tried on the reference set: they trade found files against
// strangers one for one, and they take band slopes for noise on coarse grids.)
constexpr double kMadToSigma = 1.4826 / 1.4142135623730951;

// Buffers kept between calls, each grown when a longer spectrum comes and never shrunk; the
// first m entries of y, rowOf, s and leftBase (and m / 2 of diffs) belong to the spectrum.
struct Work {
    std::size_t m = 0; // points inside the window
    std::vector<double> diffs; // |y[2j + 1] - y[2j]| / 2, in row order
    std::vector<double> scratch; // for the median selections
    std::vector<double> y; // raw values of the rows inside the window
    std::vector<int> rowOf; // their table rows
    std::vector<double> s; // the smoothed curve
    std::vector<double> leftBase; // lowest s between k and the nearest not-lower point left
    std::vector<double> stack; // values, of smoothWithLeftBases and visitMaxima, m + 1 at most
    std::vector<double> stackMin;
    struct Candidate {
        std::size_t K;
        double Prominence;
        double Width;
    };
    std::vector<Candidate> candidates; // right to left
};

template <typename T> T *room(std::vector<T> &buffer, std::size_t n)
{
    if (buffer.size() < n)
        buffer.resize(n);
    return buffer.data();
}

Work &work()
{
    thread_local Work w;
    return w;
}

double bounded(double v)
{
    if (std::isnan(v))
        return 0;
    return std::clamp(v, -DBL_MAX, DBL_MAX);
}

// The median of the values (which it reorders); the upper one of the two middle values.
double median(double *first, double *last)
{
    double *middle = first + (last - first) / 2;
    std::nth_element(first, middle, last);
    return *middle;
}

// The noise level of one point from the median absolute difference of the neighbour pairs
// (points 1 and 2, 3 and 4, ...: disjoint pairs, whose differences are independent of each
// other, and half the selection work of all neighbours). Data with mostly equal neighbours
// (zero-filled ends, coarse integer counts) fall back to the mean absolute difference, which is
// not zero unless the curve is constant. Leaves the halved differences in w.diffs for the local
// noise.
double estimateNoise(Work &w)
{
    const std::size_t n = w.m / 2;
    const double *y = w.y.data();
    double *diffs = room(w.diffs, n);
    // Halves of the differences, so that the difference of two finite values stays finite.
    double sum = 0;
    for (std::size_t j = 0; j < n; ++j) {
        const double d = std::fabs(y[2 * j + 1] / 2 - y[2 * j] / 2);
        diffs[j] = d;
        sum += d;
    }
    double *scratch = room(w.scratch, w.m);
    std::copy(diffs, diffs + n, scratch);
    const double centre = median(scratch, scratch + n);
    double spread = bounded(2 * kMadToSigma * centre);
    if (spread <= 0)
        spread = bounded(2 * 1.2533 / 1.4142135623730951 * (sum / static_cast<double>(n)));
    return spread;
}

// The 3-point moving mean (thirds first, so that no sum of finite values overflows), and with it
// leftBase[k]: the lowest smoothed value between k and the nearest point to its left that is at
// least as high (or the start), in the same pass with a stack of falling values: O(n).
void smoothWithLeftBases(Work &w)
{
    const std::size_t m = w.m;
    const double *y = w.y.data();
    double *s = room(w.s, m);
    double *leftBase = room(w.leftBase, m);
    double *stack = room(w.stack, m + 1);
    double *stackMin = room(w.stackMin, m + 1);
    constexpr double third = 1.0 / 3;
    stack[0] = std::numeric_limits<double>::infinity(); // higher than any point: never taken
    std::size_t top = 1; // entries on the stack
    for (std::size_t k = 0; k < m; ++k) {
        const double here = k == 0 ? y[0] / 2 + y[1] / 2
            : k + 1 == m           ? y[k - 1] / 2 + y[k] / 2
                                   : y[k - 1] * third + y[k] * third + y[k + 1] * third;
        s[k] = here;
        double low = here;
        while (stack[top - 1] < here) {
            --top;
            low = std::min(low, stackMin[top]);
        }
        leftBase[k] = low;
        stack[top] = here;
        stackMin[top] = low;
        ++top;
    }
}

// Calls visit(k, prominence, base) for every local maximum k (strictly higher than its left
// neighbour, not lower than its right one; the first point of a flat top) from right to left.
// The right base is the lowest value up to the nearest strictly higher point to the right (or
// the end), so of two equal summits the left one carries the prominence.
template <typename Visit> void visitMaxima(Work &w, Visit &&visit)
{
    const std::size_t m = w.m;
    const double *s = w.s.data();
    const double *leftBase = w.leftBase.data();
    double *stack = w.stack.data(); // m + 1 long since smoothWithLeftBases
    double *stackMin = w.stackMin.data();
    stack[0] = std::numeric_limits<double>::infinity();
    std::size_t top = 1;
    for (std::size_t k = m; k-- > 0;) {
        const double here = s[k];
        double low = here;
        while (stack[top - 1] <= here) {
            --top;
            low = std::min(low, stackMin[top]);
        }
        if (k > 0 && k + 1 < m && here > s[k - 1] && here >= s[k + 1]) {
            const double base = std::max(low, leftBase[k]);
            visit(k, bounded(here - base), base);
        }
        stack[top] = here;
        stackMin[top] = low;
        ++top;
    }
}

// The width of the maximum at k at half its prominence, in points, on the raw values: from the
// raw top next to k, out to where the values fall below the middle between top and base, with
// linear interpolation between the points on either side of that level.
double halfWidth(const Work &w, std::size_t k, double base)
{
    const std::size_t m = w.m;
    std::size_t top = k;
    if (w.y[k - 1] > w.y[top])
        top = k - 1;
    if (k + 1 < m && w.y[k + 1] > w.y[top])
        top = k + 1;
    const Extended half = (static_cast<Extended>(w.y[top]) + base) / 2;
    const auto side = [&](int direction) -> Extended {
        std::size_t i = top;
        for (int steps = 0; steps < kWidthWalk; ++steps) {
            const std::size_t next = direction < 0 ? i - 1 : i + 1;
            if ((direction < 0 && i == 0) || (direction > 0 && next >= m))
                return steps; // the curve ends above half
            if (w.y[next] <= half) {
                const Extended drop = static_cast<Extended>(w.y[i]) - w.y[next];
                const Extended part = drop > 0 ? (w.y[i] - half) / drop : 0;
                return steps + std::clamp<Extended>(part, 0, 1);
            }
            i = next;
        }
        return kWidthWalk;
    };
    return static_cast<double>(side(-1) + side(1));
}

// The noise level around point k, as estimateNoise measures it (without its fallback).
double localNoise(Work &w, std::size_t k)
{
    const std::size_t first = (k > kLocalNoisePoints ? k - kLocalNoisePoints : 0) / 2;
    const std::size_t end = std::min(w.m / 2, (k + kLocalNoisePoints) / 2);
    if (end <= first)
        return 0;
    double *scratch = w.scratch.data(); // m long since estimateNoise
    std::copy(w.diffs.data() + first, w.diffs.data() + end, scratch);
    return bounded(2 * kMadToSigma * median(scratch, scratch + (end - first)));
}

// The rows of the last spectrum with x inside [from, to], in row order.
void gather(const SpectrumTableData &table, double from, double to, Work &w)
{
    const int column = table.SpectrumCount + 1;
    const auto rows = static_cast<std::size_t>(std::max(table.RowCount, 0));
    double *y = room(w.y, rows);
    int *rowOf = room(w.rowOf, rows);
    std::size_t m = 0;
    const int count = table.RowCount;
    for (int r = 1; r <= count; ++r) {
        const double x = table.Cell(r, 1);
        if (x >= from && x <= to) {
            y[m] = bounded(table.Cell(r, column));
            rowOf[m] = r;
            ++m;
        }
    }
    w.m = m;
}

// Every row of the last spectrum, whatever its x.
void gatherAll(const SpectrumTableData &table, Work &w)
{
    const int column = table.SpectrumCount + 1;
    const auto rows = static_cast<std::size_t>(std::max(table.RowCount, 0));
    double *y = room(w.y, rows);
    for (std::size_t i = 0; i < rows; ++i)
        y[i] = bounded(table.Cell(static_cast<int>(i) + 1, column));
    w.m = rows;
}

} // namespace

PeakRuleSettings PeakRuleInForce;
PeakStrengthData PeakStrengths;

void FindSensitivePeaks(const SpectrumTableData &table, PeakListData &peaks, double from, double to,
    PeakStrengthData *strengths)
{
    if (table.SpectrumCount < 1)
        return;
    peaks.Count = 0;
    if (strengths != nullptr) {
        strengths->Count = 0;
        strengths->Noise = 0;
        strengths->Strongest = 0;
    }
    if (table.RowCount < 3)
        return;
    Work &w = work();
    gather(table, from, to, w);
    if (w.m < 3)
        return;
    const double noise = estimateNoise(w);
    smoothWithLeftBases(w);
    if (strengths != nullptr)
        strengths->Noise = noise;
    const double threshold = bounded(kProminenceFactor * noise);
    w.candidates.clear();
    double reference = 0; // the width of the most prominent candidate
    double strongest = -1;
    visitMaxima(w, [&](std::size_t k, double prominence, double base) {
        if (!(prominence > threshold))
            return;
        const double width = halfWidth(w, k, base);
        w.candidates.push_back({ k, prominence, width });
        if (prominence > strongest) {
            strongest = prominence;
            reference = width;
        }
    });
    const auto spike = [&](const Work::Candidate &c) {
        return c.Width <= kSpikeMaxWidth && c.Width < kSpikeWidthRatio * reference;
    };
    // The floor is a share of the most prominent band: spikes aside, and humps too (maxima that
    // stay above half their prominence for kWidthWalk points on both sides, such as a
    // fluorescence background, whose height says nothing about the bands on it).
    double top = 0;
    for (const auto &c : w.candidates)
        if (!spike(c) && c.Width < 2 * kWidthWalk)
            top = std::max(top, c.Prominence);
    const double floor = kRelativeFloor * top;
    // The candidates were visited from right to left.
    int count = 0;
    double kept = 0;
    for (auto c = w.candidates.rbegin(); c != w.candidates.rend(); ++c) {
        if (spike(*c) || c->Prominence < floor)
            continue;
        if (!(c->Prominence > kProminenceFactor * localNoise(w, c->K)))
            continue;
        peaks.Rows[count] = w.rowOf[c->K];
        if (strengths != nullptr)
            strengths->Prominence[count] = c->Prominence;
        kept = std::max(kept, c->Prominence);
        ++count;
    }
    peaks.Count = count;
    if (strengths != nullptr) {
        strengths->Count = count;
        strengths->Strongest = kept;
    }
}

void MeasurePeakStrengths(
    const SpectrumTableData &table, const PeakListData &peaks, PeakStrengthData &strengths)
{
    strengths.Count = 0;
    strengths.Noise = 0;
    strengths.Strongest = 0;
    if (table.SpectrumCount < 1 || table.RowCount < 3 || peaks.Count == 0)
        return;
    Work &w = work();
    gatherAll(table, w);
    strengths.Noise = estimateNoise(w);
    smoothWithLeftBases(w);
    double *byRow = w.scratch.data(); // m long since estimateNoise
    std::fill(byRow, byRow + (w.m - 1), 0.0);
    // The last point is never a local maximum.
    visitMaxima(w, [&](std::size_t k, double prominence, double) { byRow[k] = prominence; });
    for (int i = 1; i <= peaks.Count; ++i) {
        const auto k = static_cast<std::size_t>(peaks.Row(i) - 1);
        strengths.Prominence[i - 1] = k < w.m - 1 ? byRow[k] : 0;
    }
    strengths.Count = peaks.Count;
    strengths.Strongest = 0;
    for (int i = 1; i <= peaks.Count; ++i)
        strengths.Strongest = std::max(strengths.Strongest, strengths.Of(i));
}

void FindPeaksByRule(const SpectrumTableData &table, PeakListData &peaks,
    const PeakRuleSettings &rule, PeakStrengthData *strengths)
{
    if (rule.Rule == PeakRule::Sensitive) {
        FindSensitivePeaks(table, peaks, rule.From, rule.To, strengths);
        return;
    }
    FindPeaks(table, peaks);
    if (strengths != nullptr)
        MeasurePeakStrengths(table, peaks, *strengths);
}
