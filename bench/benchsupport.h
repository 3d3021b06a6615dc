#pragma once

#include "spectrumtable.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

// Baselines and the ratios against them. A baseline benchmark records its seconds per iteration
// under a key; the benchmark measured against it, registered after it, reports
// `vs_baseline` = baseline time / own time (above 1: faster than the baseline).
class IterationTimer
{
public:
    IterationTimer()
        : m_start(std::chrono::steady_clock::now())
    {
    }
    double secondsPer(const benchmark::State &state) const
    {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - m_start;
        return elapsed.count() / static_cast<double>(state.iterations());
    }

private:
    std::chrono::steady_clock::time_point m_start;
};

void RecordBaseline(const std::string &key, double secondsPerIteration);
void ReportAgainstBaseline(
    benchmark::State &state, const std::string &key, double secondsPerIteration);

// The CPU time of the calling thread, which other work on the machine does not add to.
double ThreadCpuSeconds();

// A ratio that holds on a machine busy with other work: the baseline and the measured work run
// alternately in short rounds (each at least roundSeconds of the thread's CPU time, one call at
// least), so load that comes and goes falls on both alike, and the median of the rounds' ratios
// is taken. Ratio is measured time over baseline time; the seconds are medians per call.
struct AlternatingRounds {
    double Ratio = 0;
    double BaselineSeconds = 0;
    double MeasuredSeconds = 0;
};
AlternatingRounds RunAlternatingRounds(const std::function<void()> &baseline,
    const std::function<void()> &measured, int rounds = 9, double roundSeconds = 0.03);
// Runs the rounds as the benchmark's single iteration and reports x_<name> (the median ratio),
// <name>_ms and <name>_baseline_ms (median CPU milliseconds per call).
AlternatingRounds ReportAlternatingRounds(benchmark::State &state, const std::string &name,
    const std::function<void()> &baseline, const std::function<void()> &measured);

// Writes a spectrum file of `rows` data lines and `spectra` spectra with realistic numbers
// ("1234.56\t812.345\t..." with CR LF line ends) and returns its name. Files live in a temporary
// folder removed at exit.
std::string WriteBenchmarkSpectrum(int rows, int spectra, unsigned seed = 1);

// The file's bytes into bytes (its capacity kept, so that a timed loop allocates nothing), with
// plain POSIX calls; false when it cannot be opened or read whole.
bool ReadWholeFile(const std::string &name, std::string &bytes);

// The bare reading loop: the whole file read with plain POSIX calls, split at tabs and line ends,
// every field converted with std::from_chars into the table. No checks, no locale.
int BareLoadSpectrum(
    const std::string &fileName, SpectrumTableData &table, std::vector<char> &buffer);

// A plain peak finder in double arithmetic, for baselines.
int BareFindPeaks(const SpectrumTableData &table, int rows, int column,
    std::vector<double> &smoothed, std::vector<int> &peaks);
