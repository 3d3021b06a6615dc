// Random tables through the sensitive peak rule and the match score: no crash, no endless loop
// (libFuzzer's timeout), rows inside the table and rising, every prominence and the noise finite,
// and the same peaks when the last spectrum is given on arrays of its own.
// The bytes give the row count, the window and then the cells as raw doubles, any bit pattern
// that is finite (the reader never stores another).

#include "exceptions.h"
#include "filejudgement.h"
#include "fuzzcheck.h"
#include "peakrules.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace
{

double take(const std::uint8_t *&data, std::size_t &size)
{
    double value = 0;
    if (size >= sizeof value) {
        std::memcpy(&value, data, sizeof value);
        data += sizeof value;
        size -= sizeof value;
    }
    return std::isfinite(value) ? value : 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static auto table = std::make_unique<SpectrumTableData>();
    static auto peaks = std::make_unique<PeakListData>();
    static auto strengths = std::make_unique<PeakStrengthData>();
    if (size < 2)
        return 0;
    const int spectra = 1 + data[0] % 3;
    data += 1;
    size -= 1;
    const double from = take(data, size);
    const double to = take(data, size);
    const int rows = static_cast<int>(std::min<std::size_t>(size / (8 * (spectra + 1)), kMaxRows));
    table->RowCount = rows;
    table->SpectrumCount = spectra;
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= spectra + 1; ++c)
            table->Cell(r, c) = take(data, size);
    FindSensitivePeaks(*table, *peaks, from, to, strengths.get());
    check(peaks->Count == strengths->Count);
    // The last spectrum on arrays of its own, as --each judges every spectrum: the same to the bit.
    static std::vector<double> x;
    static std::vector<double> y;
    x.resize(static_cast<std::size_t>(rows));
    y.resize(static_cast<std::size_t>(rows));
    for (int r = 1; r <= rows; ++r) {
        x[static_cast<std::size_t>(r - 1)] = table->Cell(r, 1);
        y[static_cast<std::size_t>(r - 1)] = table->Cell(r, spectra + 1);
    }
    static auto onArrays = std::make_unique<PeakListData>();
    static auto arrayStrengths = std::make_unique<PeakStrengthData>();
    FindSensitivePeaks(x.data(), y.data(), rows, *onArrays, from, to, arrayStrengths.get());
    check(onArrays->Count == peaks->Count && arrayStrengths->Count == strengths->Count);
    check(std::memcmp(
              onArrays->Rows, peaks->Rows, sizeof(int) * static_cast<std::size_t>(peaks->Count))
        == 0);
    check(std::memcmp(arrayStrengths->Prominence, strengths->Prominence,
              sizeof(double) * static_cast<std::size_t>(strengths->Count))
        == 0);
    check(std::memcmp(&arrayStrengths->Noise, &strengths->Noise, sizeof(double)) == 0);
    check(std::isfinite(strengths->Noise) && strengths->Noise >= 0);
    for (int i = 1; i <= peaks->Count; ++i) {
        check(peaks->Row(i) >= 1 && peaks->Row(i) <= rows);
        check(i == 1 || peaks->Row(i) > peaks->Row(i - 1));
        check(std::isfinite(strengths->Of(i)) && strengths->Of(i) >= 0);
    }
    // The fixed rule raises EOverflow where its relative height overflows, as it always has;
    // the search reports that file. The strengths it measures must still be finite.
    PeakRuleSettings standard;
    try {
        FindPeaksByRule(*table, *peaks, standard, strengths.get());
    } catch (const EOverflow &) {
        return 0;
    }
    for (int i = 1; i <= strengths->Count; ++i)
        check(std::isfinite(strengths->Of(i)));
    std::vector<TargetMatch> matches(2);
    matches[0].Found = true;
    matches[0].Offset = from;
    matches[0].Prominence = strengths->Count > 0 ? strengths->Of(1) : 0;
    check(std::isfinite(MatchScore(matches, 10, strengths->Noise, strengths->Strongest)));
    return 0;
}
