#include "sensitivepeaks.h"

#include "peakfinder.h"
#include "rounding.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

namespace {

// A band must stand this many noise levels (standard deviations of one raw point) above the
// higher of its two separating minima, and as many above the noise around it. Noise wiggles of
// the 3-point smoothed curve reach 5 to 7 levels on the oversampled reference spectra; the
// weakest bands people search for there (calcite 712 on 532 nm instruments) stand 14 and more.
// See README, "The sensitive rule".
constexpr double kProminenceFactor = 8;

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

// 1.4826 turns the median absolute deviation of normal noise into its standard deviation; the
// difference of two points has sqrt(2) times the noise of one.
constexpr double kMadToSigma = 1.4826;
// Differences of neighbouring points; wider lags were tried and found no better on the data.
constexpr std::size_t kNoiseLag = 1;

struct Work {
    std::vector<double> diffs; // |y[i + 1] - y[i]| around the median difference
    std::vector<double> local;
    std::vector<double> y; // raw values of the rows inside the window
    std::vector<int> rowOf; // their table rows
    std::vector<double> s; // the smoothed curve
    std::vector<double> scratch;
    std::vector<double> leftBase; // lowest s between k and the nearest not-lower point left
    std::vector<int> stack;
    std::vector<double> stackMin;
    struct Candidate {
        std::size_t K;
        double Prominence;
        double Width;
    };
    std::vector<Candidate> candidates; // right to left
};

Work &work()
{
    thread_local Work w;
    return w;
}

double finite(Extended value)
{
    const double v = static_cast<double>(value);
    if (std::isnan(v))
        return 0;
    return std::clamp(v, -DBL_MAX, DBL_MAX);
}

double median(std::vector<double> &values)
{
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// The noise level of one point: the median absolute deviation of the point-to-point differences.
// Data with mostly equal neighbours (zero-filled ends, coarse integer counts) fall back to the
// mean absolute deviation, which is not zero unless the curve is constant.
double estimateNoise(Work &w)
{
    const std::size_t m = w.y.size();
    if (m < 2)
        return 0;
    const std::size_t lag = std::min<std::size_t>(kNoiseLag, m - 1);
    w.scratch.resize(m - lag);
    for (std::size_t i = 0; i + lag < m; ++i)
        w.scratch[i] = finite(static_cast<Extended>(w.y[i + lag]) - w.y[i]);
    const double centre = median(w.scratch);
    Extended sum = 0;
    for (std::size_t i = 0; i + lag < m; ++i) {
        const double d = std::fabs(finite(static_cast<Extended>(w.y[i + lag]) - w.y[i] - centre));
        w.scratch[i] = d;
        sum += d;
    }
    w.diffs = w.scratch;
    double spread = finite(static_cast<Extended>(kMadToSigma) * median(w.scratch));
    if (spread <= 0)
        spread = finite(sum / static_cast<Extended>(w.scratch.size()) * 1.2533L);
    return finite(spread / std::sqrt(2.0L));
}

void smooth(Work &w)
{
    const std::size_t m = w.y.size();
    w.s.resize(m);
    const auto y = [&](std::size_t i) { return static_cast<Extended>(w.y[i]); };
    if (m == 1) {
        w.s[0] = w.y[0];
        return;
    }
    w.s[0] = finite((y(0) + y(1)) / 2);
    for (std::size_t k = 1; k + 1 < m; ++k)
        w.s[k] = finite((y(k - 1) + y(k) + y(k + 1)) / 3);
    w.s[m - 1] = finite((y(m - 2) + y(m - 1)) / 2);
}

// leftBase[k]: the lowest smoothed value between k and the nearest point to its left that is at
// least as high (or the start). One pass with a stack of falling values: O(n).
void computeLeftBases(Work &w)
{
    const std::size_t m = w.s.size();
    w.leftBase.resize(m);
    w.stack.clear();
    w.stackMin.clear();
    for (std::size_t k = 0; k < m; ++k) {
        double low = w.s[k];
        while (!w.stack.empty() && w.s[static_cast<std::size_t>(w.stack.back())] < w.s[k]) {
            low = std::min(low, w.stackMin.back());
            w.stack.pop_back();
            w.stackMin.pop_back();
        }
        w.leftBase[k] = low;
        w.stack.push_back(static_cast<int>(k));
        w.stackMin.push_back(low);
    }
}

// Calls visit(k, prominence) for every local maximum k (strictly higher than its left neighbour,
// not lower than its right one; the first point of a flat top) from right to left. The right base
// is the lowest value up to the nearest strictly higher point to the right (or the end), so of two
// equal summits the left one carries the prominence.
template <typename Visit> void visitMaxima(Work &w, Visit &&visit)
{
    const std::size_t m = w.s.size();
    w.stack.clear();
    w.stackMin.clear();
    for (std::size_t k = m; k-- > 0;) {
        double low = w.s[k];
        while (!w.stack.empty() && w.s[static_cast<std::size_t>(w.stack.back())] <= w.s[k]) {
            low = std::min(low, w.stackMin.back());
            w.stack.pop_back();
            w.stackMin.pop_back();
        }
        if (k > 0 && k + 1 < m && w.s[k] > w.s[k - 1] && w.s[k] >= w.s[k + 1]) {
            const double base = std::max(low, w.leftBase[k]);
            visit(k, finite(static_cast<Extended>(w.s[k]) - base), base);
        }
        w.stack.push_back(static_cast<int>(k));
        w.stackMin.push_back(low);
    }
}

// The width of the maximum at k at half its prominence, in points, on the raw values: from the
// raw top next to k, out to where the values fall below the middle between top and base, with
// linear interpolation between the points on either side of that level.
double halfWidth(const Work &w, std::size_t k, double base)
{
    const std::size_t m = w.y.size();
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
    const std::size_t first = k > kLocalNoisePoints ? k - kLocalNoisePoints : 0;
    const std::size_t end = std::min(w.diffs.size(), k + kLocalNoisePoints);
    if (end <= first)
        return 0;
    w.local.assign(w.diffs.begin() + static_cast<std::ptrdiff_t>(first),
        w.diffs.begin() + static_cast<std::ptrdiff_t>(end));
    return finite(static_cast<Extended>(kMadToSigma) * median(w.local) / std::sqrt(2.0L));
}

// The rows of the last spectrum with x inside [from, to], in row order.
void gather(const SpectrumTableData &table, double from, double to, Work &w)
{
    const int column = table.SpectrumCount + 1;
    w.y.clear();
    w.rowOf.clear();
    for (int r = 1; r <= table.RowCount; ++r) {
        const double x = table.Cell(r, 1);
        if (x >= from && x <= to) {
            w.y.push_back(table.Cell(r, column));
            w.rowOf.push_back(r);
        }
    }
}

} // namespace

PeakRuleSettings PeakRuleInForce;
PeakStrengthData PeakStrengths;

void FindSensitivePeaks(const SpectrumTableData &table, PeakListData &peaks, double from,
    double to, PeakStrengthData *strengths)
{
    if (table.SpectrumCount < 1)
        return;
    peaks.Count = 0;
    if (strengths != nullptr) {
        strengths->Count = 0;
        strengths->Noise = 0;
    }
    if (table.RowCount < 3)
        return;
    Work &w = work();
    gather(table, from, to, w);
    if (w.y.size() < 3)
        return;
    const double noise = estimateNoise(w);
    smooth(w);
    computeLeftBases(w);
    if (strengths != nullptr)
        strengths->Noise = noise;
    const double threshold = finite(static_cast<Extended>(kProminenceFactor) * noise);
    w.candidates.clear();
    double reference = 0; // the width of the most prominent candidate
    double strongest = -1;
    visitMaxima(w, [&](std::size_t k, double prominence, double base) {
        if (!(prominence > threshold))
            return;
        if (!(prominence > kProminenceFactor * localNoise(w, k)))
            return;
        const double width = halfWidth(w, k, base);
        w.candidates.push_back({ k, prominence, width });
        if (prominence > strongest) {
            strongest = prominence;
            reference = width;
        }
    });
    // The candidates were visited from right to left.
    int count = 0;
    for (auto c = w.candidates.rbegin(); c != w.candidates.rend(); ++c) {
        if (c->Width <= kSpikeMaxWidth && c->Width < kSpikeWidthRatio * reference)
            continue;
        peaks.Rows[count] = w.rowOf[c->K];
        if (strengths != nullptr)
            strengths->Prominence[count] = c->Prominence;
        ++count;
    }
    peaks.Count = count;
    if (strengths != nullptr)
        strengths->Count = count;
}

void MeasurePeakStrengths(
    const SpectrumTableData &table, const PeakListData &peaks, PeakStrengthData &strengths)
{
    strengths.Count = 0;
    strengths.Noise = 0;
    if (table.SpectrumCount < 1 || table.RowCount < 3 || peaks.Count == 0)
        return;
    Work &w = work();
    gather(table, -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::infinity(), w);
    // Rows whose x is not a number fall out of the gathered rows; measure on every row then.
    if (static_cast<int>(w.y.size()) != table.RowCount) {
        const int column = table.SpectrumCount + 1;
        w.y.clear();
        for (int r = 1; r <= table.RowCount; ++r)
            w.y.push_back(table.Cell(r, column));
    }
    strengths.Noise = estimateNoise(w);
    smooth(w);
    computeLeftBases(w);
    std::vector<double> &byRow = w.scratch;
    byRow.assign(w.s.size(), 0);
    visitMaxima(w, [&](std::size_t k, double prominence, double) { byRow[k] = prominence; });
    for (int i = 1; i <= peaks.Count; ++i) {
        const auto k = static_cast<std::size_t>(peaks.Row(i) - 1);
        strengths.Prominence[i - 1] = k < byRow.size() ? byRow[k] : 0;
    }
    strengths.Count = peaks.Count;
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
