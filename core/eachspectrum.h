#pragma once

#include "filejudgement.h"
#include "formats/spectrumstream.h"
#include "matchreport.h"
#include "spectrumtable.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The search of every spectrum of a file: each spectrum a reader hands over is judged alone, on
// its own x values, as a file of that one spectrum would be. A file is selected when one of its
// spectra matches (in inverse mode: when none does).

// Judges one spectrum on its own arrays, as JudgeFile judges a table that holds it as its only
// spectrum (column 1 its x, column 2 its y): the same peaks, rows counted from 1, and the same
// judgement. The spectrum must have at least one and at most kMaxRows points.
void JudgeSpectrum(const StreamedSpectrum &spectrum, PeakListData &peaks,
    const std::vector<std::string> &targets, const SearchSettings &settings,
    const PeakRuleSettings &rule, bool score, const NumberSeparators &separators,
    FileJudgement &judgement);

// What the search of a file's spectra comes to: selected as a file, and its best score.
class FileVerdict
{
public:
    explicit FileVerdict(bool inverse)
        : m_inverse(inverse)
    {
    }
    void Add(const FileJudgement &judgement);
    // One of the spectra matches (in inverse mode: none does, and there was one at least).
    bool Selected() const { return m_inverse ? m_judged > 0 && !m_matched : m_matched; }
    // The best score of a matching spectrum (inverse mode: of any), 0 when there is none.
    double Score() const { return m_score; }
    std::uint64_t Judged() const { return m_judged; }

private:
    bool m_inverse;
    bool m_matched = false;
    std::uint64_t m_judged = 0;
    double m_score = 0;
};

// A sink that judges each spectrum on its own arrays and tells every
// judgement to a callback, in the file's order. A spectrum of more points than the table holds
// ends the file, refused with TooManyPointsReason.
class EachSpectrumJudge : public SpectrumSink
{
public:
    using Judged = std::function<void(const SpectrumPlace &, const FileJudgement &)>;
    EachSpectrumJudge(std::vector<std::string> targets, SearchSettings settings,
        PeakRuleSettings rule, bool score, NumberSeparators separators, Judged judged);

    // Before each file.
    void Reset();
    bool Start(const StreamStart &start) override;
    bool Take(const StreamedSpectrum &spectrum) override;
    // Why the sink refused the file; empty when it took every spectrum.
    const std::string &Reason() const { return m_reason; }

private:
    std::vector<std::string> m_targets;
    SearchSettings m_settings;
    PeakRuleSettings m_rule;
    bool m_score;
    NumberSeparators m_separators;
    Judged m_judged;
    std::unique_ptr<PeakListData> m_peaks;
    FileJudgement m_judgement;
    int m_number = 0;
    std::string m_reason;
};

// The same judgement on worker threads: the spectra handed over are copied in batches to a
// bounded queue, judged on `threads` threads (each on the spectra's own arrays), and told to
// the callback in the file's order by the thread that hands them over, as they are done. Finish
// waits for the last ones. Memory stays within the queue's batches, whatever the file's size.
class ParallelSpectrumJudge : public SpectrumSink
{
public:
    using Judged = EachSpectrumJudge::Judged;
    ParallelSpectrumJudge(std::vector<std::string> targets, SearchSettings settings,
        PeakRuleSettings rule, bool score, NumberSeparators separators, int threads, Judged judged);
    ~ParallelSpectrumJudge() override;
    ParallelSpectrumJudge(const ParallelSpectrumJudge &) = delete;
    ParallelSpectrumJudge &operator=(const ParallelSpectrumJudge &) = delete;

    bool Start(const StreamStart &start) override;
    bool Take(const StreamedSpectrum &spectrum) override;
    // Judges what is still queued and tells it; a judgement's error is raised here (or at a
    // later Take) in the handing thread.
    void Finish();
    // Before each further file.
    void Reset()
    {
        m_number = 0;
        m_reason.clear();
    }
    const std::string &Reason() const { return m_reason; }

private:
    struct Shared;
    void flush();
    void tellDone(bool all);
    std::unique_ptr<Shared> m_shared;
    Judged m_judged;
    std::string m_reason;
    int m_number = 0;
};
