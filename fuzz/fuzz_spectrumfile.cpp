// Any bytes as a spectrum file (and as a peak file): no crash, no sanitizer report, no read or
// write outside the table, only the runtime's own errors, and a table that stays consistent.

#include "exceptions.h"
#include "fuzzcheck.h"
#include "peakfile.h"
#include "peakfinder.h"
#include "spectrumfile.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace
{

const std::string &scratchFile()
{
    static const std::string name = "/tmp/fuzz_spectrumfile_" + std::to_string(::getpid()) + ".txt";
    return name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (FILE *file = std::fopen(scratchFile().c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    // The first byte picks the separators, so both kinds of locale are explored.
    const NumberSeparators separators = size > 0 && (data[0] & 1) != 0
        ? NumberSeparators { ',', '.' }
        : NumberSeparators { '.', ',' };
    static BadFileListData badFiles;
    const int badBefore = badFiles.Count;
    try {
        const LoadResult result =
            LoadSpectrumFile(SpectrumTable, badFiles, scratchFile(), separators);
        check(result.WellFormed == (badFiles.Count == badBefore));
        if (result.WellFormed) {
            check(SpectrumTable.RowCount >= 0 && SpectrumTable.RowCount <= kMaxRows);
            check(SpectrumTable.SpectrumCount >= 1 && SpectrumTable.SpectrumCount <= kMaxSpectra);
            for (int r = 1; r <= SpectrumTable.RowCount; ++r)
                for (int c = 1; c <= SpectrumTable.SpectrumCount + 1; ++c)
                    check(std::isfinite(SpectrumTable.Cell(r, c)));
        } else {
            check(SpectrumTable.SpectrumCount == 0);
        }
        ApplyKiloScale(SpectrumTable);
        FindPeaks(SpectrumTable, PeakList);
        for (int i = 1; i <= PeakList.Count; ++i)
            check(PeakList.Row(i) >= 2 && PeakList.Row(i) < SpectrumTable.RowCount);
    } catch (const EConvertError &) {
    } catch (const EOverflow &) {
    } catch (const EInOutError &) {
    }
    if (badFiles.Count > 1000)
        badFiles.Count = 0;
    try {
        std::size_t lines = 0;
        ReadPeakFile(scratchFile(), [&lines](const std::string &) { ++lines; });
        check(lines <= size);
    } catch (const EInOutError &) {
    } catch (const EConvertError &) {
        // A line of kilobytes is refused as no peak position.
    }
    return 0;
}
