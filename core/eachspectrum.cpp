#include "eachspectrum.h"

#include "spectrumfile.h"

#include <algorithm>
#include <utility>

void JudgeSpectrum(const StreamedSpectrum &spectrum, SpectrumTableData &scratch,
    PeakListData &peaks, const std::vector<std::string> &targets, const SearchSettings &settings,
    const PeakRuleSettings &rule, bool score, const NumberSeparators &separators,
    FileJudgement &judgement)
{
    const std::size_t points = spectrum.Points;
    for (std::size_t r = 0; r < points; ++r) {
        scratch.Cells[r][0] = spectrum.X[r];
        scratch.Cells[r][1] = spectrum.Y[r];
    }
    if (points < static_cast<std::size_t>(kMaxRows)) {
        scratch.Cells[points][0] = 0.0;
        scratch.Cells[points][1] = 0.0;
    }
    scratch.RowCount = static_cast<int>(points);
    scratch.SpectrumCount = 1;
    JudgeFile(scratch, peaks, targets, settings, rule, score, separators, judgement);
}

void FileVerdict::Add(const FileJudgement &judgement)
{
    ++m_judged;
    m_matched = m_matched || judgement.Matches;
    if (m_inverse || judgement.Matches)
        m_score = std::max(m_score, judgement.Score);
}

EachSpectrumJudge::EachSpectrumJudge(std::vector<std::string> targets, SearchSettings settings,
    PeakRuleSettings rule, bool score, NumberSeparators separators, Judged judged)
    : m_targets(std::move(targets))
    , m_settings(settings)
    , m_rule(rule)
    , m_score(score)
    , m_separators(separators)
    , m_judged(std::move(judged))
    , m_scratch(std::make_unique<SpectrumTableData>())
    , m_peaks(std::make_unique<PeakListData>())
{
}

void EachSpectrumJudge::Reset()
{
    m_number = 0;
    m_reason.clear();
}

bool EachSpectrumJudge::Start(const StreamStart &start)
{
    if (start.Points > static_cast<std::uint64_t>(kMaxRows)) {
        m_reason = TooManyPointsReason(start.Points);
        return false;
    }
    return true;
}

bool EachSpectrumJudge::Take(const StreamedSpectrum &spectrum)
{
    ++m_number;
    if (spectrum.Points > static_cast<std::size_t>(kMaxRows)) {
        m_reason = TooManyPointsReason(spectrum.Points);
        return false;
    }
    SpectrumPlace place;
    place.Number = m_number;
    place.Name.assign(spectrum.Name);
    place.HasPosition = spectrum.HasPosition;
    place.X = spectrum.PositionX;
    place.Y = spectrum.PositionY;
    JudgeSpectrum(spectrum, *m_scratch, *m_peaks, m_targets, m_settings, m_rule, m_score,
        m_separators, m_judgement);
    m_judged(place, m_judgement);
    return true;
}
