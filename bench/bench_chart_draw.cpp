// A full drawing pass of 99 stacked spectra of 9999 points into 593 x 395 pixels (title, axis
// titles, labels, ticks and series), against a bare baseline in the same run: every point mapped
// to integer pixels, each pixel column merged to its first, lowest, highest and last point, and
// one QPainter polyline per series.

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

double g_baselineSeconds = 0;

void reportRatio(benchmark::State &state, double seconds)
{
    ReportAgainstBaseline(state, "bare", seconds);
    if (g_baselineSeconds > 0)
        state.counters["x_baseline"] = seconds / g_baselineSeconds;
}

// Times full drawing passes of the chart and reports them against the bare baseline.
void timePasses(benchmark::State &state, TChart &chart)
{
    IterationTimer timer;
    for (auto _ : state) {
        chart.Repaint();
        benchmark::DoNotOptimize(chart.Surface().constBits());
    }
    reportRatio(state, timer.secondsPer(state));
    state.SetItemsProcessed(state.iterations() * kSeries * kPoints);
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
    IterationTimer timer;
    for (auto _ : state) {
        bareDraw(image, plot);
        benchmark::DoNotOptimize(image.constBits());
    }
    g_baselineSeconds = timer.secondsPer(state);
    RecordBaseline("bare", g_baselineSeconds);
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
    timePasses(state, *chart);
}

// For comparison only: the same pass drawing every segment on its own.
void BM_DrawingPassEverySegment(benchmark::State &state)
{
    const auto chart = makeChart(false);
    timePasses(state, *chart);
}

} // namespace

BENCHMARK(BM_BareMergedPolylines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawingPass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawingPassEverySegment)->Unit(benchmark::kMillisecond);
PH_CHART_BENCHMARK_MAIN()
