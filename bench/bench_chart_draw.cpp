// A full drawing pass of 99 stacked spectra of 9999 points into 593 x 395 pixels (title, axis
// titles, labels, ticks and series), against a bare baseline in the same run: every point mapped
// to integer pixels, each pixel column merged to its first, lowest, highest and last point, and
// one QPainter polyline per series. Then the pass zoomed to a tenth of the x range against the
// full pass and, when the build found it, another Qt plotting library's default replot of the
// same data (adaptive sampling, not pixel-exact) against the full pass.
// Ratios are given in wall time (x_...) and in the benchmark thread's CPU time (x_..._cpu);
// the steadiest figure on a machine busy with other work is x_bare_in_rounds, the median ratio of
// alternating short rounds of the bare drawing and the pass.

#include "bench_chart_data.h"
#include "bench_chart_main.h"
#include "benchsupport.h"
#include "tchart.h"

#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#ifdef PH_WITH_QCUSTOMPLOT
#include <qcustomplot.h>
#endif

namespace
{

Seconds g_bare, g_fullPass;

// Times full drawing passes of the chart.
Seconds timePasses(benchmark::State &state, TChart &chart)
{
    LoopTimer timer;
    for (auto _ : state) {
        chart.Repaint();
        benchmark::DoNotOptimize(chart.Surface().constBits());
    }
    const Seconds seconds = timer.per(state);
    ReportAgainstBaseline(state, "bare", seconds.wall);
    ReportAgainst(state, "baseline", g_bare, seconds);
    state.SetItemsProcessed(state.iterations() * kSeries * kPoints);
    return seconds;
}

// The bare drawing: the same plot rectangle and ranges as the chart's, no text, no axes.
void bareDraw(QImage &image, const TRect &plot)
{
    const Spectra &d = StackedSpectra();
    image.fill(0xFFFFFFFFu);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 0));
    const double sx = (plot.Right - plot.Left) / (d.x.back() - d.x.front());
    const double sy = (plot.Bottom - plot.Top) / (d.yMax - d.yMin);
    QPolygon polygon;
    for (int s = 0; s < kSeries; ++s) {
        const std::vector<double> &y = d.y[s];
        polygon.clear();
        int column = INT_MIN, first = 0, lo = 0, hi = 0, last = 0;
        const auto flush = [&] {
            if (column == INT_MIN)
                return;
            polygon << QPoint(column, first) << QPoint(column, lo) << QPoint(column, hi)
                    << QPoint(column, last);
        };
        for (int i = 0; i < kPoints; ++i) {
            const int px = plot.Left + static_cast<int>(std::lrint((d.x[i] - d.x.front()) * sx));
            const int py = plot.Bottom - static_cast<int>(std::lrint((y[i] - d.yMin) * sy));
            if (px != column) {
                flush();
                column = px;
                first = lo = hi = last = py;
            } else {
                lo = std::min(lo, py);
                hi = std::max(hi, py);
                last = py;
            }
        }
        flush();
        painter.drawPolyline(polygon);
    }
}

void BM_BareMergedPolylines(benchmark::State &state)
{
    const auto chart = MakeStackedChart(true);
    const TRect plot = chart->PlotRect();
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    LoopTimer timer;
    for (auto _ : state) {
        bareDraw(image, plot);
        benchmark::DoNotOptimize(image.constBits());
    }
    g_bare = timer.per(state);
    RecordBaseline("bare", g_bare.wall);
    state.SetItemsProcessed(state.iterations() * kSeries * kPoints);
}

void BM_DrawingPass(benchmark::State &state)
{
    const auto chart = MakeStackedChart(true);
    {
        // How far merging the pixel columns moves the picture from drawing every segment.
        const auto everySegment = MakeStackedChart(false);
        const TRect client { 0, 0, kWidth, kHeight };
        const QImage a = chart->CreateChartBitmap(clWhite, client);
        const QImage b = everySegment->CreateChartBitmap(clWhite, client);
        int differing = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (a.pixel(x, y) != b.pixel(x, y))
                    ++differing;
        state.counters["pixels_differing"] = differing;
    }
    g_fullPass = timePasses(state, *chart);
}

// The full pass against the bare drawing in alternating rounds.
void BM_DrawingPassAgainstBareInRounds(benchmark::State &state)
{
    const auto chart = MakeStackedChart(true);
    const TRect plot = chart->PlotRect();
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    ReportAlternatingRounds(
        state, "bare_in_rounds",
        [&] {
            bareDraw(image, plot);
            benchmark::DoNotOptimize(image.constBits());
        },
        [&] {
            chart->Repaint();
            benchmark::DoNotOptimize(chart->Surface().constBits());
        });
}

// The pass after a zoom to the middle tenth of the x range: only the visible points are walked.
void BM_DrawingPassZoomedToATenth(benchmark::State &state)
{
    const auto chart = MakeStackedChart(true);
    const Spectra &d = StackedSpectra();
    const double span = d.x.back() - d.x.front();
    chart->BottomAxis()->SetAxisRange(d.x.front() + 0.45 * span, d.x.front() + 0.55 * span);
    chart->Repaint();
    chart->Repaint();
    ReportAgainst(state, "full_pass", g_fullPass, timePasses(state, *chart));
}

// For comparison only: the same pass drawing every segment on its own.
void BM_DrawingPassEverySegment(benchmark::State &state)
{
    const auto chart = MakeStackedChart(false);
    timePasses(state, *chart);
}

#ifdef PH_WITH_QCUSTOMPLOT
// The other library's default replot of the same data: one graph per spectrum in black, the
// title and axis labels, axes rescaled to the data. Its graphs thin out points by adaptive
// sampling, so its picture is not the one drawing every segment gives.
void BM_OtherLibraryReplot(benchmark::State &state)
{
    const Spectra &d = StackedSpectra();
    QCustomPlot plot;
    plot.resize(kWidth, kHeight);
    plot.plotLayout()->insertRow(0);
    plot.plotLayout()->addElement(0, 0, new QCPTextElement(&plot, QStringLiteral("ethanol.txt")));
    plot.xAxis->setLabel(QStringLiteral("Raman shift [1/cm]"));
    plot.yAxis->setLabel(QStringLiteral("Intensity [counts]"));
    const QVector<double> x(d.x.begin(), d.x.end());
    for (int s = 0; s < kSeries; ++s) {
        QCPGraph *graph = plot.addGraph();
        graph->setPen(QPen(Qt::black));
        graph->setData(x, QVector<double>(d.y[s].begin(), d.y[s].end()), true);
    }
    plot.rescaleAxes();
    plot.replot();
    plot.replot();
    LoopTimer timer;
    for (auto _ : state)
        plot.replot();
    const Seconds seconds = timer.per(state);
    // Above 1 the chart's full pass is the faster.
    if (g_fullPass.wall > 0 && g_fullPass.cpu > 0) {
        state.counters["full_pass_speedup"] = seconds.wall / g_fullPass.wall;
        state.counters["full_pass_speedup_cpu"] = seconds.cpu / g_fullPass.cpu;
    }
    state.SetItemsProcessed(state.iterations() * kSeries * kPoints);
}
#endif

} // namespace

BENCHMARK(BM_BareMergedPolylines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawingPass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawingPassEverySegment)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawingPassAgainstBareInRounds)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawingPassZoomedToATenth)->Unit(benchmark::kMillisecond);
#ifdef PH_WITH_QCUSTOMPLOT
BENCHMARK(BM_OtherLibraryReplot)->Unit(benchmark::kMillisecond);
#endif
PH_CHART_BENCHMARK_MAIN()
