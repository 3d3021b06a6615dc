#pragma once

#include "spectrumtable.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

// Baselines and the ratios against them. A baseline benchmark records its seconds per iteration
// under a key; the benchmark measured against it, registered after it, reports
// `vs_baseline` = baseline time / own time (above 1: faster than the baseline).
class IterationTimer {
public:
    IterationTimer() : m_start(std::chrono::steady_clock::now()) { }
    double secondsPer(const benchmark::State &state) const
    {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - m_start;
        return elapsed.count() / static_cast<double>(state.iterations());
    }

private:
    std::chrono::steady_clock::time_point m_start;
};

void RecordBaseline(const std::string &key, double secondsPerIteration);
void ReportAgainstBaseline(benchmark::State &state, const std::string &key, double secondsPerIteration);

// Writes a spectrum file of `rows` data lines and `spectra` spectra with realistic numbers
// ("1234.56\t812.345\t..." with CR LF line ends) and returns its name. Files live in a temporary
// folder removed at exit.
std::string WriteBenchmarkSpectrum(int rows, int spectra, unsigned seed = 1);

// The bare reading loop: the whole file read with plain POSIX calls, split at tabs and line ends,
// every field converted with std::from_chars into the table. No checks, no locale.
int BareLoadSpectrum(const std::string &fileName, SpectrumTableData &table, std::vector<char> &buffer);

// A plain peak finder in double arithmetic, for baselines.
int BareFindPeaks(const SpectrumTableData &table, int rows, int column, std::vector<double> &smoothed,
                  std::vector<int> &peaks);
