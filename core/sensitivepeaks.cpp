#include "sensitivepeaks.h"

#include "rounding.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <utility>
#include <vector>

namespace
{

// A band must stand this many noise levels (standard deviations of one raw point) above the
// higher of its two separating minima, and as many above the noise around it. Noise wiggles of
// the 3-point smoothed curve reach 5 to 7 levels on the oversampled reference spectra; the
// weakest bands people search for there (calcite 712 on 532 nm instruments) stand 14 and more.
// See docs/developing.md, "The sensitive rule".
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

// The smoothed curve is also summarised in blocks of this many points (their highest and lowest
// value), over which the search for a maximum's bases strides.
constexpr std::size_t kBlock = 32;

// Buffers kept between calls, each grown when a longer spectrum comes and never shrunk; the
// first m entries of ownY, rowOf and s (m / 2 of diffs, one per block of blockHigh and
// blockLow) belong to the spectrum. y points to the spectrum's own array when that holds only
// finite values and every point is inside the window, and to ownY, a bounded copy, otherwise.
struct Work {
    std::size_t m = 0; // points inside the window
    std::vector<double> diffs; // |y[2j + 1] - y[2j]| / 2, in row order
    std::vector<double> scratch; // for the median selections, m long
    std::vector<double> scratch2; // m long
    const double *y = nullptr; // raw values of the rows inside the window (finite)
    std::vector<double> ownY; // where y points when the spectrum's own values cannot serve
    std::vector<int> rowOf; // their table rows, unless every row is inside
    bool everyRow = false; // point k is row k + 1
    std::vector<double> s; // the smoothed curve
    std::vector<double> blockHigh; // the highest s of each block
    std::vector<double> blockLow; // the lowest
    struct Candidate {
        std::size_t K;
        double Prominence;
        double Width;
    };
    std::vector<Candidate> candidates; // rising
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

// The median of the n values as median() gives it, the values (no NaN, no negative zero) left
// as they are, a and b n long each. Differences of a noisy spectrum come in no order, so that
// std::nth_element mispredicts half its comparisons; here each round splits the values around
// a pivot without a branch, those below it to the front of the other buffer and those above it
// to its back, and goes on with the side that holds the median.
double medianOf(const double *values, std::size_t n, double *a, double *b)
{
    constexpr std::size_t kFew = 24; // std::nth_element from here on
    constexpr int kRounds = 48; // and after so many rounds, whatever is left
    std::size_t rank = n / 2;
    const double *from = values;
    double *to = a;
    for (int round = 0; n > kFew && round < kRounds; ++round) {
        // The median of three, from the quarters: the values are in row order.
        const double p1 = from[n / 4];
        const double p2 = from[n / 2];
        const double p3 = from[n - 1 - n / 4];
        const double pivot = std::max(std::min(p1, p2), std::min(std::max(p1, p2), p3));
        std::size_t below = 0;
        std::size_t above = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double v = from[i];
            to[below] = v;
            to[n - 1 - above] = v;
            below += static_cast<std::size_t>(v < pivot);
            above += static_cast<std::size_t>(v > pivot);
        }
        if (rank < below) {
            n = below;
            from = to;
        } else if (rank >= n - above) {
            rank -= n - above;
            from = to + (n - above);
            n = above;
        } else {
            return pivot;
        }
        to = to == a ? b : a;
    }
    std::copy(from, from + n, to);
    std::nth_element(to, to + rank, to + n);
    return to[rank];
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
    const double *y = w.y;
    double *diffs = room(w.diffs, n);
    // Halves of the differences, so that the difference of two finite values stays finite.
    for (std::size_t j = 0; j < n; ++j)
        diffs[j] = std::fabs(y[2 * j + 1] / 2 - y[2 * j] / 2);
    const double centre = medianOf(diffs, n, room(w.scratch, w.m), room(w.scratch2, w.m));
    double spread = bounded(2 * kMadToSigma * centre);
    if (spread <= 0) {
        double sum = 0;
        for (std::size_t j = 0; j < n; ++j)
            sum += diffs[j];
        spread = bounded(2 * 1.2533 / 1.4142135623730951 * (sum / static_cast<double>(n)));
    }
    return spread;
}

// The 3-point moving mean (thirds first, so that no sum of finite values overflows) and the
// block summaries.
void smooth(Work &w)
{
    const std::size_t m = w.m;
    const double *y = w.y;
    double *s = room(w.s, m);
    constexpr double third = 1.0 / 3;
    s[0] = y[0] / 2 + y[1] / 2;
    for (std::size_t k = 1; k + 1 < m; ++k)
        s[k] = y[k - 1] * third + y[k] * third + y[k + 1] * third;
    s[m - 1] = y[m - 2] / 2 + y[m - 1] / 2;

    const std::size_t blocks = (m + kBlock - 1) / kBlock;
    double *high = room(w.blockHigh, blocks);
    double *low = room(w.blockLow, blocks);
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::size_t first = b * kBlock;
        const std::size_t end = std::min(m, first + kBlock);
        // Four running extremes, not one: each comparison waits for the one before it.
        double h[4] = { s[first], s[first], s[first], s[first] };
        double l[4] = { s[first], s[first], s[first], s[first] };
        std::size_t k = first;
        for (; k + 4 <= end; k += 4)
            for (std::size_t lane = 0; lane < 4; ++lane) {
                h[lane] = std::max(h[lane], s[k + lane]);
                l[lane] = std::min(l[lane], s[k + lane]);
            }
        for (; k < end; ++k) {
            h[0] = std::max(h[0], s[k]);
            l[0] = std::min(l[0], s[k]);
        }
        high[b] = std::max(std::max(h[0], h[1]), std::max(h[2], h[3]));
        low[b] = std::min(std::min(l[0], l[1]), std::min(l[2], l[3]));
    }
}

// A local maximum: strictly higher than its left neighbour and not lower than its right one
// (the first point of a flat top), neither end.
bool isMaximum(const double *s, std::size_t m, std::size_t k)
{
    return k >= 1 && k + 1 < m && s[k] > s[k - 1] && s[k] >= s[k + 1];
}

// The bases of the maximum at k: on the left the lowest s between k and the nearest point to its
// left that is at least as high (or the start), on the right the lowest up to the nearest
// strictly higher point to the right (or the end), so of two equal summits the left one carries
// the prominence. Both walk point by point to a block's edge, then stride over the blocks that
// hold no such point.
double leftBase(const Work &w, std::size_t k)
{
    const double *s = w.s.data();
    const double here = s[k];
    double low = here;
    std::size_t i = k; // the next point looked at is i - 1
    for (; i % kBlock != 0; --i) {
        if (s[i - 1] >= here)
            return low;
        low = std::min(low, s[i - 1]);
    }
    for (; i > 0 && w.blockHigh[i / kBlock - 1] < here; i -= kBlock)
        low = std::min(low, w.blockLow[i / kBlock - 1]);
    for (; i > 0 && s[i - 1] < here; --i)
        low = std::min(low, s[i - 1]);
    return low;
}

double rightBase(const Work &w, std::size_t k)
{
    const std::size_t m = w.m;
    const double *s = w.s.data();
    const double here = s[k];
    double low = here;
    std::size_t j = k + 1; // the next point looked at
    for (; j < m && j % kBlock != 0; ++j) {
        if (s[j] > here)
            return low;
        low = std::min(low, s[j]);
    }
    for (; j < m && w.blockHigh[j / kBlock] <= here; j += kBlock)
        low = std::min(low, w.blockLow[j / kBlock]);
    for (; j < m && s[j] <= here; ++j)
        low = std::min(low, s[j]);
    return low;
}

// The prominence of the local maximum at k: its height above the higher of its bases.
double prominence(const Work &w, std::size_t k, double left, double &base)
{
    base = std::max(rightBase(w, k), left);
    return bounded(w.s[k] - base);
}

// The width of the maximum at k at half its prominence, in points, on the raw values: from the
// raw top next to k, out to where the values fall below the middle between top and base, with
// linear interpolation between the points on either side of that level.
double halfWidth(const Work &w, std::size_t k, double base)
{
    const std::size_t m = w.m;
    std::size_t top = k;
    const double *y = w.y;
    if (y[k - 1] > y[top])
        top = k - 1;
    if (k + 1 < m && y[k + 1] > y[top])
        top = k + 1;
    const Extended half = (static_cast<Extended>(y[top]) + base) / 2;
    const auto side = [&](int direction) -> Extended {
        std::size_t i = top;
        for (int steps = 0; steps < kWidthWalk; ++steps) {
            const std::size_t next = direction < 0 ? i - 1 : i + 1;
            if ((direction < 0 && i == 0) || (direction > 0 && next >= m))
                return steps; // the curve ends above half
            if (y[next] <= half) {
                const Extended drop = static_cast<Extended>(y[i]) - y[next];
                const Extended part = drop > 0 ? (y[i] - half) / drop : 0;
                return steps + std::clamp<Extended>(part, 0, 1);
            }
            i = next;
        }
        return kWidthWalk;
    };
    return static_cast<double>(side(-1) + side(1));
}

// The differences that the noise level around point k is measured on: [first, end) of w.diffs.
std::pair<std::size_t, std::size_t> localDiffs(const Work &w, std::size_t k)
{
    const std::size_t first = (k > kLocalNoisePoints ? k - kLocalNoisePoints : 0) / 2;
    const std::size_t end = std::min(w.m / 2, (k + kLocalNoisePoints) / 2);
    return { first, std::max(first, end) };
}

// The noise level around point k, as estimateNoise measures it (without its fallback).
double localNoise(Work &w, std::size_t k)
{
    const auto [first, end] = localDiffs(w, k);
    if (end == first)
        return 0;
    double *scratch = w.scratch.data(); // m long since estimateNoise
    std::copy(w.diffs.data() + first, w.diffs.data() + end, scratch);
    return bounded(2 * kMadToSigma * median(scratch, scratch + (end - first)));
}

// Whether a prominence stands out of the noise around point k: prominence > kProminenceFactor *
// localNoise(w, k), exactly, mostly without selecting a median. The level grows with the median,
// so it is enough to count the differences at or below two bounds just under and just over the
// median that the prominence bears; only a median between them is selected.
bool standsOut(Work &w, std::size_t k, double prominence)
{
    const auto level = [](double median) {
        return kProminenceFactor * bounded(2 * kMadToSigma * median);
    };
    const auto [first, end] = localDiffs(w, k);
    const double *diffs = w.diffs.data();
    const double borne = prominence / (kProminenceFactor * 2 * kMadToSigma);
    const double under = borne * (1 - 0x1.0p-40);
    const double over = borne * (1 + 0x1.0p-40);
    std::size_t atOrUnder = 0;
    std::size_t atOrOver = 0;
    for (std::size_t j = first; j < end; ++j) {
        atOrUnder += static_cast<std::size_t>(diffs[j] <= under);
        atOrOver += static_cast<std::size_t>(diffs[j] <= over);
    }
    // The median is the value of rank (end - first) / 2 from 0.
    const std::size_t rank = (end - first) / 2;
    if (end > first && atOrUnder > rank && level(under) < prominence)
        return true;
    if (end > first && atOrOver <= rank && !(prominence > level(over)))
        return false;
    return prominence > kProminenceFactor * localNoise(w, k);
}

// A spectrum's values, value(k) for k from 0: a column of the table, or an array of its own.
struct TableColumn {
    const SpectrumTableData &Table;
    int Column; // 0-based
    double operator()(std::size_t k) const { return Table.Cells[k][Column]; }
    static constexpr bool kArray = false;
};

struct Values {
    const double *V;
    double operator()(std::size_t k) const { return V[k]; }
    static constexpr bool kArray = true;
};

// Whether all n values pass the test, counted in four lanes of doubles (exact to 2^53), which
// the compiler turns into vector instructions as it does not a loop that stops early.
template <typename Column, typename Test> bool all(const Column &value, std::size_t n, Test &&test)
{
    double passed[4] = { 0, 0, 0, 0 };
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4)
        for (std::size_t lane = 0; lane < 4; ++lane)
            passed[lane] += test(value(k + lane)) ? 1.0 : 0.0;
    double total = (passed[0] + passed[1]) + (passed[2] + passed[3]);
    for (; k < n; ++k)
        total += test(value(k)) ? 1.0 : 0.0;
    return total == static_cast<double>(n);
}

bool finite(double v)
{
    return v - v == 0;
}

// Every point, whatever its x: the spectrum's own array when its values are all finite (bounded
// changes none of them then), else a bounded copy.
template <typename Column> void gatherAll(const Column &y, std::size_t n, Work &w)
{
    w.m = n;
    w.everyRow = true;
    if constexpr (Column::kArray) {
        if (all(y, n, finite)) {
            w.y = y.V;
            return;
        }
    }
    double *values = room(w.ownY, n);
    for (std::size_t k = 0; k < n; ++k)
        values[k] = bounded(y(k));
    w.y = values;
}

// The points with x inside [from, to] of the n given, in order.
template <typename Column>
void gather(const Column &x, const Column &y, std::size_t n, double from, double to, Work &w)
{
    if (all(x, n, [from, to](double at) { return at >= from && at <= to; })) {
        // Commonly the whole spectrum.
        gatherAll(y, n, w);
        return;
    }
    double *values = room(w.ownY, n);
    int *rowOf = room(w.rowOf, n);
    std::size_t m = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const double at = x(k);
        if (at >= from && at <= to) {
            values[m] = bounded(y(k));
            rowOf[m] = static_cast<int>(k) + 1;
            ++m;
        }
    }
    w.y = values;
    w.m = m;
    w.everyRow = false;
}

void clear(PeakListData &peaks, PeakStrengthData *strengths)
{
    peaks.Count = 0;
    if (strengths != nullptr) {
        strengths->Count = 0;
        strengths->Noise = 0;
        strengths->Strongest = 0;
    }
}

// The sensitive rule on the points gathered into w.
void findGathered(Work &w, PeakListData &peaks, PeakStrengthData *strengths)
{
    if (w.m < 3)
        return;
    const double noise = estimateNoise(w);
    smooth(w);
    if (strengths != nullptr)
        strengths->Noise = noise;
    const double threshold = bounded(kProminenceFactor * noise);
    w.candidates.clear();
    double reference = 0; // the width of the most prominent candidate (the right one of equals)
    double strongest = -1;
    const auto consider = [&](std::size_t k) {
        // The prominence is at most the height above the left base: most maxima end here.
        const double left = leftBase(w, k);
        if (!(w.s[k] - left > threshold))
            return;
        double base = 0;
        const double height = prominence(w, k, left, base);
        if (!(height > threshold))
            return;
        const double width = halfWidth(w, k, base);
        w.candidates.push_back({ k, height, width });
        if (height >= strongest) {
            strongest = height;
            reference = width;
        }
    };
    // In a block whose values span no more than the threshold, a maximum with a point at least
    // as high to its left inside the block (or a higher one to its right) has its base there,
    // within the threshold: only the block's first highest point can be a peak. And not even
    // that when a neighbour block holds a point as high (to the left; higher to the right) and
    // no point lower than the threshold below it. Most blocks hold noise alone, and most maxima
    // are its wiggles.
    const std::size_t m = w.m;
    const double *sm = w.s.data();
    const double *high = w.blockHigh.data();
    const double *low = w.blockLow.data();
    const std::size_t blocks = (m + kBlock - 1) / kBlock;
    for (std::size_t b = 0; b < blocks; ++b) {
        const double h = high[b];
        if (!(h - low[b] > threshold)) {
            if (b > 0 && high[b - 1] >= h && !(h - low[b - 1] > threshold))
                continue;
            if (b + 1 < blocks && high[b + 1] > h && !(h - low[b + 1] > threshold))
                continue;
            std::size_t top = b * kBlock;
            while (sm[top] < h)
                ++top;
            if (isMaximum(sm, m, top))
                consider(top);
            continue;
        }
        // The block's maxima listed first, without a branch: which points are maxima is as
        // unpredictable as the noise.
        std::size_t maxima[kBlock];
        std::size_t count = 0;
        const std::size_t end = std::min(m - 1, (b + 1) * kBlock);
        for (std::size_t k = std::max<std::size_t>(b * kBlock, 1); k < end; ++k) {
            maxima[count] = k;
            count += static_cast<std::size_t>(
                static_cast<int>(sm[k] > sm[k - 1]) & static_cast<int>(sm[k] >= sm[k + 1]));
        }
        for (std::size_t i = 0; i < count; ++i)
            consider(maxima[i]);
    }
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
    int count = 0;
    double kept = 0;
    for (auto c = w.candidates.begin(); c != w.candidates.end(); ++c) {
        if (spike(*c) || c->Prominence < floor)
            continue;
        if (!standsOut(w, c->K, c->Prominence))
            continue;
        peaks.Rows[count] = w.everyRow ? static_cast<int>(c->K) + 1 : w.rowOf[c->K];
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

// The prominences of the given peaks on the points gathered into w (all of them).
void measureGathered(Work &w, const PeakListData &peaks, PeakStrengthData &strengths)
{
    strengths.Noise = estimateNoise(w);
    smooth(w);
    const std::size_t m = w.m;
    const double *sm = w.s.data();
    for (int i = 1; i <= peaks.Count; ++i) {
        // A row that is no local maximum (an end among them) has no prominence.
        const auto k = static_cast<std::size_t>(peaks.Row(i) - 1);
        double base = 0;
        strengths.Prominence[i - 1] =
            k < m && isMaximum(sm, m, k) ? prominence(w, k, leftBase(w, k), base) : 0;
    }
    strengths.Count = peaks.Count;
    strengths.Strongest = 0;
    for (int i = 1; i <= peaks.Count; ++i)
        strengths.Strongest = std::max(strengths.Strongest, strengths.Of(i));
}

} // namespace

void FindSensitivePeaks(const SpectrumTableData &table, PeakListData &peaks, double from, double to,
    PeakStrengthData *strengths)
{
    if (table.SpectrumCount < 1)
        return;
    clear(peaks, strengths);
    if (table.RowCount < 3)
        return;
    Work &w = work();
    const auto rows = static_cast<std::size_t>(table.RowCount);
    gather(TableColumn { table, 0 }, TableColumn { table, table.SpectrumCount }, rows, from, to, w);
    findGathered(w, peaks, strengths);
}

void FindSensitivePeaks(const double *x, const double *y, int n, PeakListData &peaks, double from,
    double to, PeakStrengthData *strengths)
{
    clear(peaks, strengths);
    if (n < 3)
        return;
    Work &w = work();
    gather(Values { x }, Values { y }, static_cast<std::size_t>(n), from, to, w);
    findGathered(w, peaks, strengths);
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
    gatherAll(
        TableColumn { table, table.SpectrumCount }, static_cast<std::size_t>(table.RowCount), w);
    measureGathered(w, peaks, strengths);
}

void MeasurePeakStrengths(
    const double *y, int n, const PeakListData &peaks, PeakStrengthData &strengths)
{
    strengths.Count = 0;
    strengths.Noise = 0;
    strengths.Strongest = 0;
    if (n < 3 || peaks.Count == 0)
        return;
    Work &w = work();
    gatherAll(Values { y }, static_cast<std::size_t>(n), w);
    measureGathered(w, peaks, strengths);
}
