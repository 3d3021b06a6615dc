#include "spectrumlibrary.h"

#include "peakrules.h"
#include "spectrumfile.h"
#include "spectrumtable.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numeric>

namespace
{

// The largest x offset between a query and an entry that a comparison looks for, in 1/cm: the
// calibrations of the reference data's instruments differ by up to about 3 1/cm, and a query may
// be off by 5 more; a larger window lets unrelated bands pair by chance.
constexpr double kMaxShift = 8;
// How far a band may lie from its partner once the offset is applied, in 1/cm: the band centres
// of one substance on different instruments and resolutions agree to about 2 1/cm, broad bands
// less well (see bandTolerance).
constexpr double kTolerance = 4;
// The strongest bands of each side whose differences are tried as offsets.
constexpr std::size_t kShiftCandidates = 8;
// A band's weight grows with the square root of its strength: the strongest band alone must not
// decide (intensity ratios differ between lasers and instruments), nor the weakest count as much.
double weight(const LibraryBand &band)
{
    return std::sqrt(band.Strength);
}
// A profile longer than this many steps is no spectrum's (x spans 160,000 1/cm).
constexpr double kMaxProfileSteps = 10000;
// Profiles compare over at least this many common steps (160 1/cm).
constexpr double kProfileCommon = 10;
// Spectra of fewer bands than this are compared by their profiles as well: a single band (silicon)
// still matches by its position, but lamps, LEDs and luminescent glass show no pattern of bands.
constexpr std::size_t kFewBands = 3;
// The entry's bands that a query lacks and that the explanation names: at least this strong.
constexpr double kStrongBand = 0.1;

// The tolerance for two bands: wider for broad bands, whose centres are less sharp.
double bandTolerance(const LibraryBand &a, const LibraryBand &b)
{
    return std::max(kTolerance, 0.25 * std::min(a.Width, b.Width));
}

// The band of bands (rising) nearest to x, or nullptr when there is none.
const LibraryBand *nearest(const std::vector<LibraryBand> &bands, double x)
{
    const auto above = std::lower_bound(bands.begin(), bands.end(), x,
        [](const LibraryBand &band, double value) { return band.Position < value; });
    const LibraryBand *best = nullptr;
    if (above != bands.end())
        best = &*above;
    if (above != bands.begin()) {
        const LibraryBand *below = &*(above - 1);
        if (best == nullptr || x - below->Position <= best->Position - x)
            best = below;
    }
    return best;
}

// How closely a band at distance d answers, 1 at the spot falling to 0 at the tolerance.
double closeness(double d, double tolerance)
{
    const double r = d / tolerance;
    return r >= 1 ? 0.0 : 1.0 - r * r;
}

// The strength-weighted share of from's bands inside [lo, hi] that to shows, to moved by shift.
double share(const std::vector<LibraryBand> &from, const std::vector<LibraryBand> &to, double shift,
    double lo, double hi)
{
    double total = 0;
    double found = 0;
    for (const LibraryBand &band : from) {
        if (band.Position < lo || band.Position > hi)
            continue;
        const double w = weight(band);
        total += w;
        const LibraryBand *partner = nearest(to, band.Position + shift);
        if (partner != nullptr)
            found += w
                * closeness(std::abs(partner->Position - band.Position - shift),
                    bandTolerance(band, *partner));
    }
    return total > 0 ? found / total : 0.0;
}

struct Fit {
    double Shift = 0;
    double QueryShare = 0;
    double EntryShare = 0;
    double Score() const { return std::sqrt(QueryShare * EntryShare); }
};

Fit fitAt(const LibraryEntry &query, const LibraryEntry &entry, double shift, double lo, double hi)
{
    Fit fit;
    fit.Shift = shift;
    // The query's bands against the entry's moved back by the shift, and the other way round.
    fit.QueryShare = share(query.Bands, entry.Bands, shift, lo, hi);
    fit.EntryShare = share(entry.Bands, query.Bands, -shift, lo + shift, hi + shift);
    return fit;
}

// The indices of the n strongest bands.
std::vector<std::size_t> strongest(const std::vector<LibraryBand> &bands, std::size_t n)
{
    std::vector<std::size_t> order(bands.size());
    std::iota(order.begin(), order.end(), std::size_t { 0 });
    const std::size_t keep = std::min(n, order.size());
    std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(keep), order.end(),
        [&bands](std::size_t a, std::size_t b) { return bands[a].Strength > bands[b].Strength; });
    order.resize(keep);
    return order;
}

// The full width at half prominence of the peak at index p of y, the level half-way between the
// peak and its prominence's base.
double widthAt(
    const std::vector<double> &x, const std::vector<double> &y, std::size_t p, double prominence)
{
    const double level = y[p] - prominence / 2;
    std::size_t left = p;
    while (left > 0 && y[left - 1] > level)
        --left;
    std::size_t right = p;
    while (right + 1 < y.size() && y[right + 1] > level)
        ++right;
    // Interpolated crossings where the neighbours exist.
    double from = x[left];
    if (left > 0 && y[left] != y[left - 1])
        from =
            x[left - 1] + (x[left] - x[left - 1]) * (level - y[left - 1]) / (y[left] - y[left - 1]);
    double to = x[right];
    if (right + 1 < y.size() && y[right] != y[right + 1])
        to = x[right] + (x[right + 1] - x[right]) * (y[right] - level) / (y[right] - y[right + 1]);
    const double width = to - from;
    return std::isfinite(width) && width > 0 ? width : 0.0;
}

// The coarse shape of a spectrum (x rising, finite): the mean of the points in each step.
void describeProfile(
    const std::vector<double> &x, const std::vector<double> &y, LibraryEntry &entry)
{
    const double from = std::floor(x.front() / kProfileStep) * kProfileStep;
    const double span = (x.back() - from) / kProfileStep;
    if (!(span >= 0) || span > kMaxProfileSteps)
        return;
    const std::size_t steps = static_cast<std::size_t>(span) + 1;
    std::vector<double> sum(steps, 0.0);
    std::vector<std::size_t> count(steps, 0);
    for (std::size_t i = 0; i < x.size(); ++i) {
        const std::size_t k =
            std::min(steps - 1, static_cast<std::size_t>((x[i] - from) / kProfileStep));
        sum[k] += y[i];
        ++count[k];
    }
    entry.ProfileFrom = from;
    entry.Profile.resize(steps);
    for (std::size_t k = 0; k < steps; ++k)
        entry.Profile[k] = count[k] > 0 ? static_cast<float>(sum[k] / static_cast<double>(count[k]))
                                        : std::numeric_limits<float>::quiet_NaN();
}

// The correlation of two profiles' slopes over the steps both have; false when it is not defined
// (fewer than kProfileCommon steps in common, or a side without any slope).
bool profileCorrelation(const LibraryEntry &a, const LibraryEntry &b, double &r)
{
    if (a.Profile.empty() || b.Profile.empty())
        return false;
    // Both start on a multiple of the step.
    const long offset = std::lround((b.ProfileFrom - a.ProfileFrom) / kProfileStep);
    double n = 0, sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    for (std::size_t i = 0; i < a.Profile.size(); ++i) {
        const long j = static_cast<long>(i) - offset;
        if (j < 0 || j >= static_cast<long>(b.Profile.size()))
            continue;
        // The slopes: a background's level and tilt drop out, the shape's turns remain.
        if (i == 0 || j == 0)
            continue;
        const double u = a.Profile[i] - a.Profile[i - 1];
        const double v =
            b.Profile[static_cast<std::size_t>(j)] - b.Profile[static_cast<std::size_t>(j - 1)];
        if (!std::isfinite(u) || !std::isfinite(v))
            continue;
        n += 1;
        sa += u;
        sb += v;
        saa += u * u;
        sbb += v * v;
        sab += u * v;
    }
    if (n < kProfileCommon)
        return false;
    const double va = saa - sa * sa / n;
    const double vb = sbb - sb * sb / n;
    const double cov = sab - sa * sb / n;
    if (!(va > 0) || !(vb > 0))
        return false;
    r = cov / std::sqrt(va * vb);
    if (!std::isfinite(r))
        return false;
    r = std::clamp(r, -1.0, 1.0);
    return true;
}

// Spectra of few bands both: the score is the mean of the bands' score and of what their shapes'
// correlation gives. One or two bands pair by chance too easily to decide alone, and the shapes of
// smooth curves resemble each other too easily to decide alone; on the reference data the mean
// identifies more of the lamps, LEDs and glasses than either.
void compareShapes(const LibraryEntry &query, const LibraryEntry &entry, LibraryMatch &match)
{
    // Where the shapes cannot be compared (too little range in common, a flat curve), the
    // bands decide alone.
    double r = 0;
    if (query.Bands.size() >= kFewBands || entry.Bands.size() >= kFewBands
        || !profileCorrelation(query, entry, r))
        return;
    match.Shape = r;
    match.Score = (match.Score + 100 * std::max(0.0, r)) / 2;
}

} // namespace

LibraryEntry DescribeSpectrum(const double *x, const double *y, std::size_t points)
{
    LibraryEntry entry;
    std::vector<std::pair<double, double>> xy;
    xy.reserve(points);
    for (std::size_t i = 0; i < points; ++i)
        if (std::isfinite(x[i]) && std::isfinite(y[i]))
            xy.emplace_back(x[i], y[i]);
    if (xy.empty())
        return entry;
    if (!std::is_sorted(
            xy.begin(), xy.end(), [](const auto &a, const auto &b) { return a.first < b.first; }))
        std::stable_sort(
            xy.begin(), xy.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    // More points than the rule reads: neighbours averaged in pairs until they fit.
    while (xy.size() > static_cast<std::size_t>(kMaxRows)) {
        std::vector<std::pair<double, double>> half;
        half.reserve(xy.size() / 2 + 1);
        for (std::size_t i = 0; i + 1 < xy.size(); i += 2)
            half.emplace_back(
                (xy[i].first + xy[i + 1].first) / 2, (xy[i].second + xy[i + 1].second) / 2);
        if (xy.size() % 2 != 0)
            half.push_back(xy.back());
        xy.swap(half);
    }
    std::vector<double> xs(xy.size());
    std::vector<double> ys(xy.size());
    for (std::size_t i = 0; i < xy.size(); ++i) {
        xs[i] = xy[i].first;
        ys[i] = xy[i].second;
    }
    entry.MinX = xs.front();
    entry.MaxX = xs.back();
    describeProfile(xs, ys, entry);

    auto peaks = std::make_unique<PeakListData>();
    auto strengths = std::make_unique<PeakStrengthData>();
    PeakRuleSettings rule;
    rule.Rule = PeakRule::Sensitive;
    FindPeaksByRule(
        xs.data(), ys.data(), static_cast<int>(xs.size()), *peaks, rule, strengths.get());
    if (peaks->Count == 0 || !(strengths->Strongest > 0))
        return entry;
    std::vector<LibraryBand> bands;
    bands.reserve(static_cast<std::size_t>(peaks->Count));
    for (int i = 1; i <= peaks->Count; ++i) {
        const std::size_t p = static_cast<std::size_t>(peaks->Row(i) - 1);
        if (p >= xs.size())
            continue;
        LibraryBand band;
        band.Position = xs[p];
        band.Strength = std::clamp(strengths->Of(i) / strengths->Strongest, 0.0, 1.0);
        band.Width = widthAt(xs, ys, p, strengths->Of(i));
        if (band.Strength > 0)
            bands.push_back(band);
    }
    if (bands.size() > kLibraryBands) {
        std::vector<LibraryBand> kept;
        for (const std::size_t i : strongest(bands, kLibraryBands))
            kept.push_back(bands[i]);
        bands.swap(kept);
    }
    std::sort(bands.begin(), bands.end(),
        [](const LibraryBand &a, const LibraryBand &b) { return a.Position < b.Position; });
    entry.Bands = std::move(bands);
    return entry;
}

LibraryMatch MatchSpectra(const LibraryEntry &query, const LibraryEntry &entry, bool explain)
{
    LibraryMatch match;
    // The range both cover, in the query's x; the entry's range moves with the shift, which is
    // small against any range, so the unmoved one serves for the choice of the shift.
    const double lo = std::max(query.MinX, entry.MinX);
    const double hi = std::min(query.MaxX, entry.MaxX);
    match.OverlapFrom = lo;
    match.OverlapTo = hi;
    if (!(lo < hi))
        return match;
    if (query.Bands.empty() || entry.Bands.empty()) {
        compareShapes(query, entry, match);
        return match;
    }

    // Offsets to try: none, and every difference of a strong query band and a strong entry band
    // within the largest offset; the best fit wins, then its shift is refined to the weighted
    // mean offset of the pairs it matched.
    Fit best = fitAt(query, entry, 0, lo, hi);
    const auto strongQuery = strongest(query.Bands, kShiftCandidates);
    const auto strongEntry = strongest(entry.Bands, kShiftCandidates);
    for (const std::size_t q : strongQuery) {
        for (const std::size_t e : strongEntry) {
            const double shift = entry.Bands[e].Position - query.Bands[q].Position;
            if (std::abs(shift) > kMaxShift || shift == 0)
                continue;
            const Fit fit = fitAt(query, entry, shift, lo, hi);
            if (fit.Score() > best.Score())
                best = fit;
        }
    }
    double sum = 0;
    double weights = 0;
    for (const LibraryBand &band : query.Bands) {
        if (band.Position < lo || band.Position > hi)
            continue;
        const LibraryBand *partner = nearest(entry.Bands, band.Position + best.Shift);
        if (partner == nullptr)
            continue;
        const double offset = partner->Position - band.Position;
        if (std::abs(offset - best.Shift) <= bandTolerance(band, *partner)) {
            const double w = weight(band) * weight(*partner);
            sum += w * offset;
            weights += w;
        }
    }
    if (weights > 0) {
        const double refined = std::clamp(sum / weights, -kMaxShift, kMaxShift);
        const Fit fit = fitAt(query, entry, refined, lo, hi);
        if (fit.Score() >= best.Score())
            best = fit;
    }
    match.Shift = best.Shift;
    match.QueryShare = best.QueryShare;
    match.EntryShare = best.EntryShare;
    match.Score = 100 * best.Score();
    compareShapes(query, entry, match);
    if (!explain)
        return match;
    for (const LibraryBand &band : query.Bands) {
        if (band.Position < lo || band.Position > hi)
            continue;
        BandPair pair;
        pair.Query = band;
        const LibraryBand *partner = nearest(entry.Bands, band.Position + best.Shift);
        if (partner != nullptr
            && std::abs(partner->Position - band.Position - best.Shift)
                < bandTolerance(band, *partner)) {
            pair.Matched = true;
            pair.Entry = *partner;
            pair.Offset = partner->Position - band.Position;
        }
        match.Pairs.push_back(pair);
    }
    for (const LibraryBand &band : entry.Bands) {
        if (band.Strength < kStrongBand || band.Position - best.Shift < lo
            || band.Position - best.Shift > hi)
            continue;
        const LibraryBand *partner = nearest(query.Bands, band.Position - best.Shift);
        if (partner == nullptr
            || std::abs(band.Position - best.Shift - partner->Position)
                >= bandTolerance(band, *partner))
            match.Lacking.push_back(band);
    }
    return match;
}

std::vector<SpectrumLibrary::Hit> SpectrumLibrary::Rank(
    const LibraryEntry &query, std::size_t top) const
{
    std::vector<Hit> hits;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const double score = MatchSpectra(query, m_entries[i], false).Score;
        if (score > 0)
            hits.push_back({ i, score });
    }
    const auto better = [](const Hit &a, const Hit &b) {
        return a.Score > b.Score || (a.Score == b.Score && a.Entry < b.Entry);
    };
    if (top != 0 && top < hits.size()) {
        std::partial_sort(
            hits.begin(), hits.begin() + static_cast<std::ptrdiff_t>(top), hits.end(), better);
        hits.resize(top);
    } else {
        std::sort(hits.begin(), hits.end(), better);
    }
    return hits;
}

LibrarySink::LibrarySink(bool everySpectrum, Described described)
    : m_every(everySpectrum)
    , m_described(std::move(described))
{
}

void LibrarySink::Reset()
{
    m_held = false;
}

void LibrarySink::Finish()
{
    if (m_every || !m_held)
        return;
    m_held = false;
    LibraryEntry entry = DescribeSpectrum(m_x.data(), m_y.data(), m_x.size());
    entry.Spectrum = static_cast<int>(std::min<std::uint64_t>(m_index + 1, 0x7fffffff));
    entry.Name = m_name;
    m_described(std::move(entry));
}

bool LibrarySink::Start(const StreamStart &)
{
    return true;
}

bool LibrarySink::Take(const StreamedSpectrum &spectrum)
{
    if (spectrum.Points == 0)
        return true;
    if (m_every) {
        LibraryEntry entry = DescribeSpectrum(spectrum.X, spectrum.Y, spectrum.Points);
        entry.Spectrum = static_cast<int>(std::min<std::uint64_t>(spectrum.Index + 1, 0x7fffffff));
        entry.Name = std::string(spectrum.Name);
        m_described(std::move(entry));
        return true;
    }
    m_x.assign(spectrum.X, spectrum.X + spectrum.Points);
    m_y.assign(spectrum.Y, spectrum.Y + spectrum.Points);
    m_name = std::string(spectrum.Name);
    m_index = spectrum.Index;
    m_held = true;
    return true;
}

bool DescribeFile(const std::string &fileName, bool everySpectrum,
    const NumberSeparators &separators, SpectrumTableData &table,
    std::vector<LibraryEntry> &entries, std::string &reason)
{
    const std::size_t before = entries.size();
    LibrarySink sink(everySpectrum, [&entries, &fileName](LibraryEntry &&entry) {
        entry.File = fileName;
        entries.push_back(std::move(entry));
    });
    BadFileListData bad;
    const LoadResult result = StreamSpectrumFile(table, bad, fileName, separators, sink);
    if (!result.WellFormed) {
        entries.resize(before);
        reason = result.Reason.empty() ? std::string("falsches Format") : result.Reason;
        return false;
    }
    sink.Finish();
    return true;
}
