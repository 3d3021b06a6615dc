// Any bytes as two spectra of the spectrum library: described, compared both ways with their
// reasons, and ranked in a library of both and a shifted copy. The descriptions keep their bands
// in order inside the measured range; every score is finite in [0, 100], the same with and
// without the reasons; the shares lie in [0, 1]; both ways share one overlap; a spectrum with
// bands matches itself fully; and the ranking lists its hits best first with the scores of the
// comparison.
//
// The first byte chooses how the rest reads: bit 0 set, as raw doubles (x and y by turns, any
// bit pattern: NaN, infinities, x in any order); else as a spectrum on an even x grid whose step
// is the second byte, a y value a byte. The rest is split in two at the third byte's share.

#include "fuzzcheck.h"
#include "spectrumlibrary.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{

struct Arrays {
    std::vector<double> x;
    std::vector<double> y;
};

Arrays decode(const std::uint8_t *data, std::size_t size, bool raw, double step)
{
    Arrays a;
    if (raw) {
        for (std::size_t at = 0; at + 2 * sizeof(double) <= size; at += 2 * sizeof(double)) {
            double x = 0;
            double y = 0;
            std::memcpy(&x, data + at, sizeof x);
            std::memcpy(&y, data + at + sizeof x, sizeof y);
            a.x.push_back(x);
            a.y.push_back(y);
        }
    } else {
        for (std::size_t i = 0; i < size; ++i) {
            a.x.push_back(80 + step * static_cast<double>(i));
            a.y.push_back(static_cast<double>(data[i]));
        }
    }
    return a;
}

void checkDescription(const LibraryEntry &e)
{
    check(e.Bands.size() <= kLibraryBands);
    for (std::size_t i = 0; i < e.Bands.size(); ++i) {
        const LibraryBand &b = e.Bands[i];
        check(std::isfinite(b.Position) && b.Position >= e.MinX && b.Position <= e.MaxX);
        check(b.Strength > 0 && b.Strength <= 1);
        check(std::isfinite(b.Width) && b.Width >= 0);
        check(i == 0 || e.Bands[i - 1].Position <= b.Position);
    }
}

void checkMatch(const LibraryMatch &m)
{
    check(std::isfinite(m.Score) && m.Score >= 0 && m.Score <= 100);
    check(std::isfinite(m.Shift));
    check(m.QueryShare >= 0 && m.QueryShare <= 1);
    check(m.EntryShare >= 0 && m.EntryShare <= 1);
    for (const BandPair &pair : m.Pairs) {
        check(pair.Query.Position >= m.OverlapFrom && pair.Query.Position <= m.OverlapTo);
        check(!pair.Matched || pair.Offset == pair.Entry.Position - pair.Query.Position);
    }
    for (const LibraryBand &band : m.Lacking)
        check(band.Strength > 0 && band.Strength <= 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 3)
        return 0;
    const bool raw = (data[0] & 1) != 0;
    const double step = 0.25 + static_cast<double>(data[1]) / 16;
    const std::size_t rest = size - 3;
    const std::size_t split = rest * data[2] / 255;
    const Arrays first = decode(data + 3, split, raw, step);
    const Arrays second = decode(data + 3 + split, rest - split, raw, step);
    if (first.x.empty() || second.x.empty())
        return 0;

    const LibraryEntry a = DescribeSpectrum(first.x.data(), first.y.data(), first.x.size());
    const LibraryEntry b = DescribeSpectrum(second.x.data(), second.y.data(), second.x.size());
    checkDescription(a);
    checkDescription(b);

    const LibraryMatch ab = MatchSpectra(a, b, true);
    const LibraryMatch ba = MatchSpectra(b, a, true);
    checkMatch(ab);
    checkMatch(ba);
    check(ab.OverlapFrom == ba.OverlapFrom && ab.OverlapTo == ba.OverlapTo);
    check(MatchSpectra(a, b, false).Score == ab.Score);
    if (!a.Bands.empty() && a.MinX < a.MaxX)
        check(MatchSpectra(a, a, false).Score > 99.999);

    // A library of both and of a copy of the second moved by three.
    LibraryEntry moved = b;
    moved.MinX += 3;
    moved.MaxX += 3;
    for (LibraryBand &band : moved.Bands)
        band.Position += 3;
    SpectrumLibrary library;
    library.Add(a);
    library.Add(b);
    library.Add(moved);
    const auto hits = library.Rank(a, 0);
    check(hits.size() <= library.Count());
    for (std::size_t k = 0; k < hits.size(); ++k) {
        check(hits[k].Entry < library.Count() && hits[k].Score > 0);
        check(hits[k].Score == MatchSpectra(a, library.Entry(hits[k].Entry), false).Score);
        check(k == 0 || hits[k - 1].Score >= hits[k].Score);
        for (std::size_t j = 0; j < k; ++j)
            check(hits[j].Entry != hits[k].Entry);
    }
    const auto best = library.Rank(a, 1);
    check(best.size() == std::min<std::size_t>(1, hits.size()));
    check(best.empty() || (best[0].Entry == hits[0].Entry && best[0].Score == hits[0].Score));
    return 0;
}
