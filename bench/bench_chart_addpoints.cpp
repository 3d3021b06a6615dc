// Filling 99 series with 9999 points each, in descending x order against ascending order. A list
// that scans from the end for the place of every point is quadratic for descending data.

#include "bench_chart_main.h"
#include "benchsupport.h"
#include "tchart.h"
#include "tlineseries.h"

#include <memory>
#include <string>

namespace
{

constexpr int kSeries = 99;
constexpr int kPoints = 9999;

std::unique_ptr<TChart> makeChart()
{
    auto chart = std::make_unique<TChart>();
    for (int s = 0; s < kSeries; ++s)
        chart->AddLineSeries("Series" + std::to_string(s + 1))->SetSeriesColor(clBlack);
    return chart;
}

void fill(TChart &chart, bool descending)
{
    for (int s = 0; s < kSeries; ++s) {
        TChartSeries *series = chart.SeriesAt(s);
        series->ClearPoints();
        for (int i = 0; i < kPoints; ++i) {
            const int row = descending ? kPoints - 1 - i : i;
            series->AddPointXY(100 + row * 0.25, 1000 + (row * 7919 % 613), "", clBlack);
        }
    }
}

double g_ascendingSeconds = 0;

void BM_AddPointXYAscending(benchmark::State &state)
{
    auto chart = makeChart();
    IterationTimer timer;
    for (auto _ : state) {
        fill(*chart, false);
        benchmark::DoNotOptimize(chart->SeriesAt(kSeries - 1)->PointCount());
    }
    g_ascendingSeconds = timer.secondsPer(state);
    RecordBaseline("ascending", g_ascendingSeconds);
    state.SetItemsProcessed(state.iterations() * kSeries * kPoints);
}

void BM_AddPointXYDescending(benchmark::State &state)
{
    auto chart = makeChart();
    IterationTimer timer;
    for (auto _ : state) {
        fill(*chart, true);
        benchmark::DoNotOptimize(chart->SeriesAt(kSeries - 1)->PointCount());
    }
    const double seconds = timer.secondsPer(state);
    ReportAgainstBaseline(state, "ascending", seconds);
    if (g_ascendingSeconds > 0)
        state.counters["x_baseline"] = seconds / g_ascendingSeconds;
    state.SetItemsProcessed(state.iterations() * kSeries * kPoints);
}

} // namespace

BENCHMARK(BM_AddPointXYAscending)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddPointXYDescending)->Unit(benchmark::kMillisecond);
PH_CHART_BENCHMARK_MAIN()
