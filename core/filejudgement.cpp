#include "filejudgement.h"

#include "numconv.h"
#include "peakfinder.h"
#include "rounding.h"

int CountMissingTargets(const SpectrumTableData &table, const PeakListData &peaks,
                        const std::vector<std::string> &targets, int tolerance,
                        const NumberSeparators &separators)
{
    if (targets.empty())
        return 10;
    const Extended window = tolerance;
    int missing = 0;
    for (const auto &target : targets) {
        bool hit = false;
        // The text is converted only when there is a peak to compare it with.
        if (peaks.Count > 0) {
            const Extended t = StrToFloat(target, separators);
            for (int i = 1; i <= peaks.Count && !hit; ++i) {
                const double x = table.Cell(peaks.Row(i), 1);
                // The window is open on both sides: a peak exactly `tolerance` away is missing.
                hit = t + window > x && t - window < x;
            }
        }
        if (!hit)
            ++missing;
    }
    return missing;
}

bool JudgeLoadedFile(const SpectrumTableData &table, PeakListData &peaks,
                     const std::vector<std::string> &targets, const SearchSettings &settings,
                     const NumberSeparators &separators)
{
    FindPeaks(table, peaks);
    const int missing = CountMissingTargets(table, peaks, targets, settings.Tolerance, separators);
    const bool matches = missing <= settings.MaxMissing;
    return settings.Inverse ? !matches : matches;
}

int ProgressPosition(int index, int count)
{
    const Extended step = static_cast<Extended>(100) / count;
    return static_cast<int>(RoundEven(step * (index + 1)));
}
