#include "filejudgement.h"

#include "numconv.h"
#include "peakfinder.h"
#include "rounding.h"

void JudgePeaks(const SpectrumTableData &table, const PeakListData &peaks,
    const std::vector<std::string> &targets, const SearchSettings &settings,
    const NumberSeparators &separators, FileJudgement &judgement)
{
    judgement.Targets.assign(targets.size(), TargetMatch {});
    const Extended window = settings.Tolerance;
    int missing = 0;
    for (std::size_t k = 0; k < targets.size(); ++k) {
        TargetMatch &match = judgement.Targets[k];
        // The text is converted only when there is a peak to compare it with.
        if (peaks.Count > 0) {
            const Extended t = StrToFloat(targets[k], separators);
            Extended nearest = 0;
            for (int i = 1; i <= peaks.Count; ++i) {
                const double x = table.Cell(peaks.Row(i), 1);
                // The window is open on both sides: a peak exactly `tolerance` away is missing.
                if (!(t + window > x && t - window < x))
                    continue;
                const Extended distance = x > t ? x - t : t - x;
                if (!match.Found || distance < nearest) {
                    match.Found = true;
                    match.Position = x;
                    match.Offset = static_cast<double>(x - t);
                    nearest = distance;
                }
            }
        }
        if (!match.Found)
            ++missing;
    }
    judgement.MissingCount = targets.empty() ? 10 : missing;
    judgement.Matches = judgement.MissingCount <= settings.MaxMissing;
    judgement.Selected = settings.Inverse ? !judgement.Matches : judgement.Matches;
}

void JudgeFile(const SpectrumTableData &table, PeakListData &peaks,
    const std::vector<std::string> &targets, const SearchSettings &settings,
    const NumberSeparators &separators, FileJudgement &judgement)
{
    FindPeaks(table, peaks);
    JudgePeaks(table, peaks, targets, settings, separators, judgement);
}

int CountMissingTargets(const SpectrumTableData &table, const PeakListData &peaks,
    const std::vector<std::string> &targets, int tolerance, const NumberSeparators &separators)
{
    FileJudgement judgement;
    JudgePeaks(table, peaks, targets, { tolerance, 0, false }, separators, judgement);
    return judgement.MissingCount;
}

bool JudgeLoadedFile(const SpectrumTableData &table, PeakListData &peaks,
                     const std::vector<std::string> &targets, const SearchSettings &settings,
                     const NumberSeparators &separators)
{
    FileJudgement judgement;
    JudgeFile(table, peaks, targets, settings, separators, judgement);
    return judgement.Selected;
}

int ProgressPosition(int index, int count)
{
    const Extended step = static_cast<Extended>(100) / count;
    return static_cast<int>(RoundEven(step * (index + 1)));
}
