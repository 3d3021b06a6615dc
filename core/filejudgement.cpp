#include "filejudgement.h"

#include "numconv.h"
#include "peakfinder.h"
#include "rounding.h"

#include <algorithm>
#include <cmath>

namespace
{

// positionOf(row): the x of the peak in that row.
template <typename Position>
void judgePeaks(const Position &positionOf, const PeakListData &peaks,
    const std::vector<std::string> &targets, const SearchSettings &settings,
    const NumberSeparators &separators, FileJudgement &judgement, const PeakStrengthData *strengths)
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
                const double x = positionOf(peaks.Row(i));
                // The window is open on both sides: a peak exactly `tolerance` away is missing.
                if (!(t + window > x && t - window < x))
                    continue;
                const Extended distance = x > t ? x - t : t - x;
                if (!match.Found || distance < nearest) {
                    match.Found = true;
                    match.Position = x;
                    match.Offset = static_cast<double>(x - t);
                    if (strengths != nullptr && i <= strengths->Count)
                        match.Prominence = strengths->Of(i);
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
    judgement.Scored = strengths != nullptr;
    judgement.Score = strengths != nullptr
        ? MatchScore(judgement.Targets, settings.Tolerance, strengths->Noise, strengths->Strongest)
        : 0;
}

} // namespace

void JudgePeaks(const SpectrumTableData &table, const PeakListData &peaks,
    const std::vector<std::string> &targets, const SearchSettings &settings,
    const NumberSeparators &separators, FileJudgement &judgement, const PeakStrengthData *strengths)
{
    judgePeaks([&table](int row) { return table.Cell(row, 1); }, peaks, targets, settings,
        separators, judgement, strengths);
}

void JudgePeaks(const double *x, const PeakListData &peaks, const std::vector<std::string> &targets,
    const SearchSettings &settings, const NumberSeparators &separators, FileJudgement &judgement,
    const PeakStrengthData *strengths)
{
    judgePeaks([x](int row) { return x[row - 1]; }, peaks, targets, settings, separators, judgement,
        strengths);
}

void JudgeFile(const SpectrumTableData &table, PeakListData &peaks,
    const std::vector<std::string> &targets, const SearchSettings &settings,
    const NumberSeparators &separators, FileJudgement &judgement)
{
    FindPeaks(table, peaks);
    JudgePeaks(table, peaks, targets, settings, separators, judgement);
}

void JudgeFile(const SpectrumTableData &table, PeakListData &peaks,
    const std::vector<std::string> &targets, const SearchSettings &settings,
    const PeakRuleSettings &rule, bool score, const NumberSeparators &separators,
    FileJudgement &judgement)
{
    if (rule.Rule == PeakRule::Standard && !score) {
        JudgeFile(table, peaks, targets, settings, separators, judgement);
        return;
    }
    // 80 kB a thread, kept between files instead of on the stack of every call.
    thread_local PeakStrengthData strengths;
    FindPeaksByRule(table, peaks, rule, &strengths);
    JudgePeaks(table, peaks, targets, settings, separators, judgement, &strengths);
}

double MatchScore(
    const std::vector<TargetMatch> &targets, int tolerance, double noise, double strongest)
{
    if (targets.empty() || tolerance <= 0)
        return 0;
    Extended sum = 0;
    for (const TargetMatch &match : targets) {
        if (!match.Found)
            continue;
        const Extended closeness = 1 - std::fabs(static_cast<Extended>(match.Offset)) / tolerance;
        // A noise-free curve makes every peak count fully.
        const Extended clear = noise > 0 ? match.Prominence / noise : kMaxRows * 1.0L;
        const Extended share =
            strongest > 0 ? std::min<Extended>(match.Prominence / strongest, 1) : 1;
        sum += std::max<Extended>(closeness, 0) * share * clear / (clear + kScoreHalfStrength);
    }
    const double score = static_cast<double>(100 * sum / static_cast<Extended>(targets.size()));
    return std::isfinite(score) ? score : 0;
}

int CountMissingTargets(const SpectrumTableData &table, const PeakListData &peaks,
    const std::vector<std::string> &targets, int tolerance, const NumberSeparators &separators)
{
    FileJudgement judgement;
    SearchSettings settings;
    settings.Tolerance = tolerance;
    settings.MaxMissing = 0;
    JudgePeaks(table, peaks, targets, settings, separators, judgement);
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
