// The sensitive peak rule against the fixed rule on 2000-point spectra, measured in the same run:
// rounds alternate between the two rules, and the median of the per-round ratios is reported, so
// that the load of a shared machine falls on both alike. Then whole files (read and judge) by
// each rule, in files per second.

#include "benchsupport.h"
#include "filejudgement.h"
#include "peakfinder.h"
#include "peakrules.h"
#include "spectrumfile.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace
{

constexpr int kRows = 2000;

std::unique_ptr<SpectrumTableData> makeTable()
{
    auto table = std::make_unique<SpectrumTableData>();
    table->RowCount = kRows;
    table->SpectrumCount = 1;
    unsigned state = 7;
    for (int r = 1; r <= kRows; ++r) {
        const double x = 50 + r * 1.6;
        table->Cell(r, 1) = x;
        state = state * 1103515245u + 12345u;
        double y = 800 - 0.1 * x + 30 * (((state >> 8) & 0xffff) / 65536.0 - 0.5);
        for (double band : { 281.0, 712.0, 1086.0, 1435.0, 1749.0, 2500.0 }) {
            const double d = (x - band) / 5;
            y += 3000 / (1 + d * d);
        }
        table->Cell(r, 2) = y;
    }
    return table;
}

double secondsOf(const std::function<void()> &run, int repeat)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repeat; ++i)
        run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / repeat;
}

// Per iteration one round of each rule (the order alternating); the counter is the median ratio.
void BM_SensitiveOverStandard(benchmark::State &state)
{
    const auto table = makeTable();
    auto peaks = std::make_unique<PeakListData>();
    auto strengths = std::make_unique<PeakStrengthData>();
    const auto standard = [&] {
        FindPeaks(*table, *peaks);
        benchmark::DoNotOptimize(peaks->Count);
    };
    const auto sensitive = [&] {
        FindSensitivePeaks(*table, *peaks, kSensitiveDefaultFrom, 1e300, strengths.get());
        benchmark::DoNotOptimize(peaks->Count);
    };
    std::vector<double> ratios;
    double standardSum = 0;
    double sensitiveSum = 0;
    bool standardFirst = true;
    for (auto _ : state) {
        double a = 0;
        double b = 0;
        if (standardFirst) {
            a = secondsOf(standard, 20);
            b = secondsOf(sensitive, 20);
        } else {
            b = secondsOf(sensitive, 20);
            a = secondsOf(standard, 20);
        }
        standardFirst = !standardFirst;
        ratios.push_back(b / a);
        standardSum += a;
        sensitiveSum += b;
    }
    std::nth_element(
        ratios.begin(), ratios.begin() + static_cast<long>(ratios.size() / 2), ratios.end());
    state.counters["median_ratio"] = ratios[ratios.size() / 2];
    state.counters["standard_us"] = standardSum * 1e6 / static_cast<double>(ratios.size());
    state.counters["sensitive_us"] = sensitiveSum * 1e6 / static_cast<double>(ratios.size());
}

// A whole file: read, find the peaks and judge three targets, by the rule given as the argument.
void BM_SearchFile(benchmark::State &state)
{
    const std::string name = WriteBenchmarkSpectrum(kRows, 1);
    auto table = std::make_unique<SpectrumTableData>();
    auto peaks = std::make_unique<PeakListData>();
    BadFileListData badFiles;
    PeakRuleSettings rule;
    rule.Rule = state.range(0) == 0 ? PeakRule::Standard : PeakRule::Sensitive;
    const std::vector<std::string> targets { "612", "774", "1127" };
    FileJudgement judgement;
    IterationTimer timer;
    for (auto _ : state) {
        LoadSpectrumFile(*table, badFiles, name, NumberSeparators { '.', ',' });
        JudgeFile(*table, *peaks, targets, SearchSettings {}, rule, false,
            NumberSeparators { '.', ',' }, judgement);
        benchmark::DoNotOptimize(judgement.Selected);
    }
    const double seconds = timer.secondsPer(state);
    if (state.range(0) == 0)
        RecordBaseline("file", seconds);
    else
        ReportAgainstBaseline(state, "file", seconds);
    state.counters["files_per_s"] = 1 / seconds;
}

} // namespace

BENCHMARK(BM_SensitiveOverStandard)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SearchFile)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
