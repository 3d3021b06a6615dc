#include "eachspectrum.h"

#include "peakfinder.h"
#include "spectrumfile.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

namespace
{

// A spectrum the judgement's scratch table can hold; else the reason it cannot.
bool fitsTable(std::uint64_t points, std::string &reason)
{
    if (points <= static_cast<std::uint64_t>(kMaxRows))
        return true;
    reason = TooManyPointsReason(points);
    return false;
}

SpectrumPlace placeOf(const StreamedSpectrum &spectrum, int number)
{
    SpectrumPlace place;
    place.Number = number;
    place.Name.assign(spectrum.Name);
    place.HasPosition = spectrum.HasPosition;
    place.X = spectrum.PositionX;
    place.Y = spectrum.PositionY;
    return place;
}

} // namespace

void JudgeSpectrum(const StreamedSpectrum &spectrum, PeakListData &peaks,
    const std::vector<std::string> &targets, const SearchSettings &settings,
    const PeakRuleSettings &rule, bool score, const NumberSeparators &separators,
    FileJudgement &judgement)
{
    const int points = static_cast<int>(spectrum.Points);
    if (rule.Rule == PeakRule::Standard && !score) {
        FindPeaks(spectrum.Y, points, peaks);
        JudgePeaks(spectrum.X, peaks, targets, settings, separators, judgement);
        return;
    }
    // As JudgeFile keeps its own: 80 kB a thread.
    thread_local PeakStrengthData strengths;
    FindPeaksByRule(spectrum.X, spectrum.Y, points, peaks, rule, &strengths);
    JudgePeaks(spectrum.X, peaks, targets, settings, separators, judgement, &strengths);
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
    return fitsTable(start.Points, m_reason);
}

bool EachSpectrumJudge::Take(const StreamedSpectrum &spectrum)
{
    ++m_number;
    if (!fitsTable(spectrum.Points, m_reason))
        return false;
    SpectrumPlace place = placeOf(spectrum, m_number);
    JudgeSpectrum(
        spectrum, *m_peaks, m_targets, m_settings, m_rule, m_score, m_separators, m_judgement);
    m_judged(place, m_judgement);
    return true;
}

// ---- on worker threads

namespace
{

constexpr std::size_t kBatchSpectra = 32;

struct Batch {
    std::vector<StreamedSpectrum> spectra; // pointing into values once the batch is complete
    std::vector<std::size_t> offsets; // of each spectrum's x in values; its y follows
    std::vector<double> values;
    std::vector<SpectrumPlace> places;
    std::vector<FileJudgement> judgements;
    bool done = false;
    std::exception_ptr error; // of the judgement, raised in the handing thread
};

} // namespace

struct ParallelSpectrumJudge::Shared {
    std::vector<std::string> targets;
    SearchSettings settings;
    PeakRuleSettings rule;
    bool score = false;
    NumberSeparators separators;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::unique_ptr<Batch>> batches; // in order: judged, being judged, queued
    std::size_t claimed = 0; // batches taken by workers, from the front
    std::size_t maxQueued = 8;
    bool stop = false;
    std::vector<std::thread> workers;
    std::unique_ptr<Batch> filling;

    void work()
    {
        auto peaks = std::make_unique<PeakListData>();
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return stop || claimed < batches.size(); });
            if (stop)
                return;
            Batch &batch = *batches[claimed++];
            lock.unlock();
            try {
                for (std::size_t k = 0; k < batch.spectra.size(); ++k)
                    JudgeSpectrum(batch.spectra[k], *peaks, targets, settings, rule, score,
                        separators, batch.judgements[k]);
            } catch (...) {
                batch.error = std::current_exception();
            }
            lock.lock();
            batch.done = true;
            changed.notify_all();
        }
    }
};

ParallelSpectrumJudge::ParallelSpectrumJudge(std::vector<std::string> targets,
    SearchSettings settings, PeakRuleSettings rule, bool score, NumberSeparators separators,
    int threads, Judged judged)
    : m_shared(std::make_unique<Shared>())
    , m_judged(std::move(judged))
{
    m_shared->targets = std::move(targets);
    m_shared->settings = settings;
    m_shared->rule = rule;
    m_shared->score = score;
    m_shared->separators = separators;
    m_shared->maxQueued = static_cast<std::size_t>(std::max(threads, 1)) * 4;
    for (int t = 0; t < std::max(threads, 1); ++t)
        m_shared->workers.emplace_back([shared = m_shared.get()] { shared->work(); });
}

ParallelSpectrumJudge::~ParallelSpectrumJudge()
{
    {
        const std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->stop = true;
    }
    m_shared->changed.notify_all();
    for (std::thread &worker : m_shared->workers)
        worker.join();
}

bool ParallelSpectrumJudge::Start(const StreamStart &start)
{
    return fitsTable(start.Points, m_reason);
}

bool ParallelSpectrumJudge::Take(const StreamedSpectrum &spectrum)
{
    ++m_number;
    if (!fitsTable(spectrum.Points, m_reason))
        return false;
    if (!m_shared->filling) {
        m_shared->filling = std::make_unique<Batch>();
        m_shared->filling->values.reserve(kBatchSpectra * 2 * spectrum.Points);
    }
    Batch &batch = *m_shared->filling;
    SpectrumPlace place = placeOf(spectrum, m_number);
    batch.places.push_back(std::move(place));
    StreamedSpectrum copy;
    copy.Points = spectrum.Points;
    // The values may move while the batch grows: the pointers are set when it is complete.
    batch.offsets.push_back(batch.values.size());
    batch.values.insert(batch.values.end(), spectrum.X, spectrum.X + spectrum.Points);
    batch.values.insert(batch.values.end(), spectrum.Y, spectrum.Y + spectrum.Points);
    batch.spectra.push_back(copy);
    if (batch.spectra.size() == kBatchSpectra)
        flush();
    tellDone(false);
    return true;
}

// Hands the batch being filled to the workers, waiting while the queue is full.
void ParallelSpectrumJudge::flush()
{
    std::unique_ptr<Batch> batch = std::move(m_shared->filling);
    if (!batch || batch->spectra.empty())
        return;
    for (std::size_t k = 0; k < batch->spectra.size(); ++k) {
        StreamedSpectrum &spectrum = batch->spectra[k];
        spectrum.X = batch->values.data() + batch->offsets[k];
        spectrum.Y = spectrum.X + spectrum.Points;
    }
    batch->judgements.resize(batch->spectra.size());
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    while (m_shared->batches.size() >= m_shared->maxQueued) {
        lock.unlock();
        tellDone(false);
        lock.lock();
        if (m_shared->batches.size() >= m_shared->maxQueued)
            m_shared->changed.wait(lock,
                [this] { return m_shared->batches.empty() || m_shared->batches.front()->done; });
    }
    m_shared->batches.push_back(std::move(batch));
    m_shared->changed.notify_all();
}

// Tells the judged batches at the front, in order; with all, waits for every queued one.
void ParallelSpectrumJudge::tellDone(bool all)
{
    for (;;) {
        std::unique_ptr<Batch> batch;
        {
            std::unique_lock<std::mutex> lock(m_shared->mutex);
            if (all)
                m_shared->changed.wait(lock, [this] {
                    return m_shared->batches.empty() || m_shared->batches.front()->done;
                });
            if (m_shared->batches.empty() || !m_shared->batches.front()->done)
                return;
            batch = std::move(m_shared->batches.front());
            m_shared->batches.pop_front();
            --m_shared->claimed;
        }
        if (batch->error)
            std::rethrow_exception(batch->error);
        for (std::size_t k = 0; k < batch->places.size(); ++k)
            m_judged(batch->places[k], batch->judgements[k]);
    }
}

void ParallelSpectrumJudge::Finish()
{
    flush();
    tellDone(true);
}
