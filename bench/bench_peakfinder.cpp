// The peak finder on 10000 rows, against a plain loop in double arithmetic.

#include "benchsupport.h"
#include "peakfinder.h"

#include <cmath>
#include <memory>

namespace
{

constexpr int kRows = 10000;

std::unique_ptr<SpectrumTableData> makeTable()
{
    auto table = std::make_unique<SpectrumTableData>();
    table->RowCount = kRows;
    table->SpectrumCount = 1;
    for (int r = 1; r <= kRows; ++r) {
        const double x = 200 + r * 0.16;
        table->Cell(r, 1) = x;
        double y = 100 + 20 * std::sin(r * 0.37);
        for (double band :
            { 612.0, 774.0, 1127.0, 1183.0, 1310.0, 1363.0, 1509.0, 1574.0, 1650.0 }) {
            const double d = (x - band) / 6;
            y += 500 / (1 + d * d);
        }
        table->Cell(r, 2) = y;
    }
    return table;
}

void BM_PlainPeakLoop(benchmark::State &state)
{
    const auto table = makeTable();
    std::vector<double> smoothed;
    std::vector<int> peaks;
    IterationTimer timer;
    for (auto _ : state)
        benchmark::DoNotOptimize(BareFindPeaks(*table, kRows, 2, smoothed, peaks));
    const double seconds = timer.secondsPer(state);
    RecordBaseline("peaks", seconds);
    state.counters["ns_per_row"] = seconds * 1e9 / kRows;
}

void BM_FindPeaks(benchmark::State &state)
{
    const auto table = makeTable();
    auto peaks = std::make_unique<PeakListData>();
    IterationTimer timer;
    for (auto _ : state) {
        FindPeaks(*table, *peaks);
        benchmark::DoNotOptimize(peaks->Count);
    }
    const double seconds = timer.secondsPer(state);
    ReportAgainstBaseline(state, "peaks", seconds);
    state.counters["ns_per_row"] = seconds * 1e9 / kRows;
    state.counters["peaks"] = peaks->Count;
}

} // namespace

BENCHMARK(BM_PlainPeakLoop)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindPeaks)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
