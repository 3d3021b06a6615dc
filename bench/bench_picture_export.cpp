// The chart's picture export of 99 stacked spectra of 9999 points at the chart's size, 593 x 395
// pixels, against a baseline in the same run: the raster pass itself, TChart::Draw into an image
// of that size with the canvas unbuffered, as the BMP export draws it (without allocating the
// image and encoding it). The BMP, SVG and PDF exports (EncodeChartPicture) report their time
// over the raster pass's as x_bmp, x_svg and x_pdf.
// Ratios are given in wall time (x_...) and in the benchmark thread's CPU time (x_..._cpu);
// the steadiest figures on a machine busy with other work are x_svg_in_rounds and
// x_pdf_in_rounds, the median ratios of alternating short rounds of the raster pass and the
// export. The SVG benchmark also counts the points in the file's polylines and paths:
// path_points_per_spectrum is all of them over the 99 spectra (the axes' few included),
// path_points_longest the most one polyline or path holds.

#include "bench_chart_data.h"
#include "bench_chart_main.h"
#include "benchsupport.h"
#include "chartpicture.h"
#include "tchart.h"
#include "tvelcanvas3d.h"

#include <QByteArray>
#include <QImage>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <string>

namespace
{

Seconds g_raster;

// The chart of the stacked spectra with its canvas unbuffered, as the BMP export draws it.
std::unique_ptr<TChart> makeExportChart()
{
    auto chart = MakeStackedChart(true);
    chart->Canvas()->SetBuffered(false);
    return chart;
}

void rasterPass(TChart &chart, QImage &image)
{
    chart.Draw(image, TRect { 0, 0, kWidth, kHeight });
    benchmark::DoNotOptimize(image.constBits());
}

void encode(TChart &chart, PictureFormat format)
{
    const QByteArray bytes = EncodeChartPicture(chart, format, {});
    benchmark::DoNotOptimize(bytes.constData());
}

// Times the export of the chart in the format and reports it against the raster pass.
void timeExport(benchmark::State &state, PictureFormat format, const std::string &name)
{
    const auto chart = makeExportChart();
    qsizetype bytes = 0;
    LoopTimer timer;
    for (auto _ : state) {
        const QByteArray encoded = EncodeChartPicture(*chart, format, {});
        bytes = encoded.size();
        benchmark::DoNotOptimize(encoded.constData());
    }
    ReportAgainst(state, name, g_raster, timer.per(state));
    state.counters["bytes"] = static_cast<double>(bytes);
    state.SetItemsProcessed(state.iterations() * kSeries * kPoints);
}

struct PathPoints {
    long total = 0;
    long longest = 0;
};

// The coordinate pairs in the values of every points="..." (polylines, polygons) and d="..."
// (paths) attribute of the SVG.
PathPoints countPathPoints(const QByteArray &svg)
{
    PathPoints result;
    const char *const end = svg.constData() + svg.size();
    for (const char *attribute : { " points=\"", " d=\"" }) {
        const std::size_t length = std::strlen(attribute);
        for (const char *p = svg.constData(); p < end;) {
            const char *at = std::search(p, end, attribute, attribute + length);
            if (at == end)
                break;
            const char *value = at + length;
            const char *close = std::find(value, end, '"');
            long numbers = 0;
            for (const char *q = value; q < close;) {
                const bool starts = std::isdigit(static_cast<unsigned char>(*q)) != 0
                    || ((*q == '-' || *q == '.') && q + 1 < close
                        && std::isdigit(static_cast<unsigned char>(q[1])) != 0);
                if (!starts) {
                    ++q;
                    continue;
                }
                ++numbers;
                ++q;
                while (q < close
                    && (std::isdigit(static_cast<unsigned char>(*q)) != 0 || *q == '.' || *q == 'e'
                        || (*q == '-' && q[-1] == 'e')))
                    ++q;
            }
            result.total += numbers / 2;
            result.longest = std::max(result.longest, numbers / 2);
            p = close;
        }
    }
    return result;
}

void BM_RasterPass(benchmark::State &state)
{
    const auto chart = makeExportChart();
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(0xFFFFFFFFu);
    LoopTimer timer;
    for (auto _ : state)
        rasterPass(*chart, image);
    g_raster = timer.per(state);
    RecordBaseline("raster", g_raster.wall);
    state.SetItemsProcessed(state.iterations() * kSeries * kPoints);
}

void BM_BmpExport(benchmark::State &state)
{
    timeExport(state, PictureFormat::Bmp, "bmp");
}

void BM_SvgExport(benchmark::State &state)
{
    {
        const auto chart = makeExportChart();
        const PathPoints points =
            countPathPoints(EncodeChartPicture(*chart, PictureFormat::Svg, {}));
        state.counters["path_points_per_spectrum"] = static_cast<double>(points.total) / kSeries;
        state.counters["path_points_longest"] = static_cast<double>(points.longest);
    }
    timeExport(state, PictureFormat::Svg, "svg");
}

void BM_PdfExport(benchmark::State &state)
{
    timeExport(state, PictureFormat::Pdf, "pdf");
}

// An export against the raster pass in alternating rounds.
void reportInRounds(benchmark::State &state, PictureFormat format, const std::string &name)
{
    const auto chart = makeExportChart();
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(0xFFFFFFFFu);
    ReportAlternatingRounds(
        state, name, [&] { rasterPass(*chart, image); }, [&] { encode(*chart, format); });
}

void BM_SvgAgainstRasterInRounds(benchmark::State &state)
{
    reportInRounds(state, PictureFormat::Svg, "svg_in_rounds");
}

void BM_PdfAgainstRasterInRounds(benchmark::State &state)
{
    reportInRounds(state, PictureFormat::Pdf, "pdf_in_rounds");
}

} // namespace

BENCHMARK(BM_RasterPass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpExport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SvgExport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PdfExport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SvgAgainstRasterInRounds)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PdfAgainstRasterInRounds)->Iterations(1)->Unit(benchmark::kMillisecond);
PH_CHART_BENCHMARK_MAIN()
