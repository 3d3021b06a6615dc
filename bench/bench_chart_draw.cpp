// A full drawing pass of 99 stacked spectra of 9999 points into 593 x 395 pixels (title, axis
// titles, labels, ticks and series), against a bare baseline in the same run: every point mapped
// to integer pixels, each pixel column merged to its first, lowest, highest and last point, and
// one QPainter polyline per series. Then the pass zoomed to a tenth of the x range against the
// full pass and, when the build found it, another Qt plotting library's default replot of the
// same data (adaptive sampling, not pixel-exact) against the full pass.
// Ratios are given in wall time (x_...) and in the benchmark thread's CPU time (x_..._cpu);
// the steadiest figure on a machine busy with other work is x_bare_in_rounds, the median ratio of
// alternating short rounds of the bare drawing and the pass.

#include "bench_chart_main.h"
#include "benchsupport.h"
#include "tchart.h"
#include "tlineseries.h"

#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <climits>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#ifdef PH_WITH_QCUSTOMPLOT
#include <qcustomplot.h>
#endif

namespace
{

constexpr int kSeries = 99;
constexpr int kPoints = 9999;
constexpr int kWidth = 593;
constexpr int kHeight = 395;

struct Spectra {
    std::vector<double> x;
    std::vector<std::vector<double>> y; // with their stacking offsets
    double yMin = 0, yMax = 0;
};

const Spectra &spectra()
{
    static const Spectra data = [] {
        Spectra d;
        std::mt19937 random(11);
        std::normal_distribution<double> noise(0, 30);
        for (int i = 0; i < kPoints; ++i)
            d.x.push_back(150 + i * 0.32);
        d.yMin = 1e300;
        d.yMax = -1e300;
        for (int s = 0; s < kSeries; ++s) {
            std::vector<double> y;
            for (int i = 0; i < kPoints; ++i) {
                double v = 500 + noise(random) + 200 * std::sin(d.x[i] / 300.0 + s);
                for (double band : { 620.0, 1001.0, 1031.0, 1602.0, 2904.0 })
                    v += 3000 / (1 + std::pow((d.x[i] - band - s) / 5, 2));
                v += s * 400.0; // stacked
                d.yMin = std::min(d.yMin, v);
                d.yMax = std::max(d.yMax, v);
                y.push_back(v);
            }
            d.y.push_back(std::move(y));
        }
        return d;
    }();
    return data;
}

std::unique_ptr<TChart> makeChart(bool merge)
{
    auto chart = std::make_unique<TChart>();
    chart->resize(kWidth, kHeight);
    chart->SetView3D(false);
    chart->BackWall.Pen.SetVisible(false);
    chart->BackWall.Brush.SetStyle(bsClear);
    chart->SetLegendVisible(false);
    chart->BottomAxis()->Grid.SetVisible(false);
    chart->LeftAxis()->Grid.SetVisible(false);
    chart->Title.Add(QStringLiteral("ethanol.txt"));
    chart->BottomAxis()->Title.SetCaption(QStringLiteral("Raman shift [1/cm]"));
    chart->LeftAxis()->Title.SetCaption(QStringLiteral("Intensity [counts]"));
    const Spectra &d = spectra();
    for (int s = 0; s < kSeries; ++s) {
        TLineSeries *series = chart->AddLineSeries("Series" + std::to_string(s + 1));
        series->SetSeriesColor(clBlack);
        series->MergeColumns = merge;
        for (int i = 0; i < kPoints; ++i)
            series->AddPointXY(d.x[i], d.y[s][i], "", clBlack);
    }
    chart->Repaint();
    chart->Repaint();
    return chart;
}

// Wall and thread CPU seconds per iteration of a timing loop.
struct Seconds {
    double wall = 0;
    double cpu = 0;
};

class LoopTimer
{
public:
    LoopTimer()
        : m_cpuStart(ThreadCpuSeconds())
    {
    }
    Seconds per(const benchmark::State &state) const
    {
        const double n = static_cast<double>(state.iterations());
        return Seconds { m_wall.secondsPer(state), (ThreadCpuSeconds() - m_cpuStart) / n };
    }

private:
    IterationTimer m_wall;
    double m_cpuStart;
};

Seconds g_bare, g_fullPass;

// Reports own time over the reference's as x_<name> (wall) and x_<name>_cpu.
void reportAgainst(
    benchmark::State &state, const std::string &name, const Seconds &reference, const Seconds &own)
{
    if (reference.wall > 0)
        state.counters["x_" + name] = own.wall / reference.wall;
    if (reference.cpu > 0)
        state.counters["x_" + name + "_cpu"] = own.cpu / reference.cpu;
}

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
    reportAgainst(state, "baseline", g_bare, seconds);
    state.SetItemsProcessed(state.iterations() * kSeries * kPoints);
    return seconds;
}

// The bare drawing: the same plot rectangle and ranges as the chart's, no text, no axes.
void bareDraw(QImage &image, const TRect &plot)
{
    const Spectra &d = spectra();
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
    const auto chart = makeChart(true);
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
    const auto chart = makeChart(true);
    {
        // How far merging the pixel columns moves the picture from drawing every segment.
        const auto everySegment = makeChart(false);
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
    const auto chart = makeChart(true);
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
    const auto chart = makeChart(true);
    const Spectra &d = spectra();
    const double span = d.x.back() - d.x.front();
    chart->BottomAxis()->SetAxisRange(d.x.front() + 0.45 * span, d.x.front() + 0.55 * span);
    chart->Repaint();
    chart->Repaint();
    reportAgainst(state, "full_pass", g_fullPass, timePasses(state, *chart));
}

// For comparison only: the same pass drawing every segment on its own.
void BM_DrawingPassEverySegment(benchmark::State &state)
{
    const auto chart = makeChart(false);
    timePasses(state, *chart);
}

#ifdef PH_WITH_QCUSTOMPLOT
// The other library's default replot of the same data: one graph per spectrum in black, the
// title and axis labels, axes rescaled to the data. Its graphs thin out points by adaptive
// sampling, so its picture is not the one drawing every segment gives.
void BM_OtherLibraryReplot(benchmark::State &state)
{
    const Spectra &d = spectra();
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
