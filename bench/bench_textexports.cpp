// A CSV export of 2000 points against the same spectrum in the program's own layout, both read by
// LoadSpectrumFile, so the CSV side is the dispatch's whole path: the first lines read, the
// signature tested, the whole file read, the export decoded and the table filled with every value
// checked finite. Baseline and measurement alternate in short rounds, so both see the same
// machine load; the figure is the median of the rounds' ratios (own layout time / CSV time; the
// requirement is at least 0.8).

#include "benchsupport.h"
#include "spectrumfile.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>

namespace
{

constexpr int kRows = 2000;
constexpr int kLoadsPerRound = 20;

// The own layout's spectrum as a CSV with a header row, written beside it.
std::string writeCsvTwin(const std::string &ownLayout)
{
    std::string text;
    ReadWholeFile(ownLayout, text);
    std::string csv = "Raman shift [1/cm],Intensity [counts]\r\n";
    std::size_t pos = 0;
    for (int skip = 0; skip < 3; ++skip)
        pos = text.find('\n', pos) + 1;
    for (; pos < text.size(); ++pos)
        csv += text[pos] == '\t' ? ',' : text[pos];
    const std::string name = ownLayout + ".csv";
    if (FILE *file = std::fopen(name.c_str(), "wb")) {
        std::fwrite(csv.data(), 1, csv.size(), file);
        std::fclose(file);
    }
    return name;
}

// The thread's processor time: on a machine shared with other work, wall time mostly measures
// the others.
double cpuSeconds()
{
    timespec now {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

void BM_CsvAgainstOwnLayout(benchmark::State &state)
{
    const std::string own = WriteBenchmarkSpectrum(kRows, 1);
    const std::string csv = writeCsvTwin(own);
    auto table = std::make_unique<SpectrumTableData>();
    BadFileListData badFiles;
    const NumberSeparators separators;
    std::vector<double> ratios;
    bool whole = true;
    for (auto _ : state) {
        double start = cpuSeconds();
        for (int i = 0; i < kLoadsPerRound; ++i) {
            LoadSpectrumFile(*table, badFiles, own, separators);
            benchmark::DoNotOptimize(table->RowCount);
        }
        const double ownSeconds = cpuSeconds() - start;
        whole = whole && table->RowCount == kRows;
        start = cpuSeconds();
        for (int i = 0; i < kLoadsPerRound; ++i) {
            whole = LoadSpectrumFile(*table, badFiles, csv, separators).WellFormed && whole;
            benchmark::DoNotOptimize(table->RowCount);
        }
        ratios.push_back(ownSeconds / (cpuSeconds() - start));
        whole = whole && table->RowCount == kRows;
    }
    if (!whole) {
        state.SkipWithError("a file was not read whole");
        return;
    }
    std::nth_element(
        ratios.begin(), ratios.begin() + static_cast<long>(ratios.size() / 2), ratios.end());
    const double median = ratios[ratios.size() / 2];
    state.counters["vs_own_layout"] = median;
    state.SetLabel("csv 2000x1, median of " + std::to_string(ratios.size()) + " rounds");
    std::printf(
        "CSV of %d points: %.2f of the own layout's speed (median ratio; required >= 0.8)\n", kRows,
        median);
}

} // namespace

BENCHMARK(BM_CsvAgainstOwnLayout)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
