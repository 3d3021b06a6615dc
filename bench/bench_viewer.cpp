// The viewer on a file of 99 spectra of 9999 rows, each figure against a baseline in the same run:
// - a mouse move over the chart (the window's handler, the hit test of the cursor, the caption,
//   erasing and drawing the crosshair, showing the surface) against the bare work any window
//   must do for it (two exclusive-or lines erased and drawn with QPainter, the caption set);
// - ClickedValueIndex of all 99 series at a pixel on no line against the scan of every point;
// - ShowSpectra of the file with descending x against the same file ascending, and against the
//   sum of its parts measured alone (reading, filling the series, the first drawing pass);
//   filling the series a column at a time against adding every point on its own; and the two
//   ShowSpectra ratios again from alternating short rounds (x_parts, x_ascending_in_rounds), the
//   figures to compare across runs on a busy machine.

#include "bench_chart_main.h"
#include "benchsupport.h"
#include "charthittest.h"
#include "plotbuilder.h"
#include "project1.h"
#include "qtstrings.h"
#include "spectrumfile.h"
#include "tchart.h"
#include "tform2.h"
#include "tform3.h"
#include "tlineseries.h"

#include <QCheckBox>
#include <QCursor>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace
{

constexpr int kRows = 9999;
constexpr int kSpectra = 99;

const std::string &ascendingFile()
{
    static const std::string name = WriteBenchmarkSpectrum(kRows, kSpectra, 7);
    return name;
}

// The same file with its data lines in reverse order.
const std::string &descendingFile()
{
    static const std::string name = [] {
        std::ifstream in(ascendingFile(), std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line + '\n');
        std::reverse(lines.begin() + 3, lines.end());
        const std::string out = ascendingFile() + ".descending.txt";
        std::ofstream file(out, std::ios::binary);
        for (const std::string &line : lines)
            file << line;
        return out;
    }();
    return name;
}

void ensureWindows()
{
    if (Form2 != nullptr)
        return;
    CreateForms();
    ShowSpectra(FileNameFromStd(ascendingFile()));
    Form2->resize(601, 422);
    QCoreApplication::processEvents();
}

// A pixel inside the plot on no line: searched from the plot's top left corner.
QPoint pixelOnNoLine()
{
    TChart &chart = *Form2->Chart1;
    const TRect plot = chart.PlotRect();
    for (int y = plot.Top + 20; y < plot.Bottom; ++y)
        for (int x = plot.Left + 100; x < plot.Right; x += 7)
            if (chart.CalcClickedPart(x, y).Part == TChart::cpChartRect)
                return QPoint(x, y);
    return QPoint(plot.Left + 1, plot.Top + 1);
}

std::map<std::string, double> &partTimes()
{
    static std::map<std::string, double> times;
    return times;
}

void BM_MouseMoveBaseline(benchmark::State &state)
{
    ensureWindows();
    QImage surface = Form2->Chart1->Surface().copy();
    QWidget window;
    int k = 0;
    const IterationTimer timer;
    for (auto _ : state) {
        QPainter painter(&surface);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.setPen(QColor(255, 255, 0));
        for (int pass = 0; pass < 2; ++pass) {
            const int x = 200 + (k + pass) % 50, y = 150 + (k + pass) % 50;
            painter.drawLine(x, 20, x, 370);
            painter.drawLine(20, y, 570, y);
        }
        painter.end();
        window.setWindowTitle(QStringLiteral("( x , y ) - (1,234.5 , %1 )").arg(k++));
        benchmark::DoNotOptimize(surface.constBits());
    }
    RecordBaseline("move", timer.secondsPer(state));
}

void BM_MouseMove(benchmark::State &state)
{
    ensureWindows();
    Form3->showcrosshair->setChecked(true);
    TChart &chart = *Form2->Chart1;
    const QPoint base = pixelOnNoLine();
    std::vector<double> times;
    int k = 0;
    const IterationTimer timer;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const QPoint p = base + QPoint(k % 2, 0);
        ++k;
        QCursor::setPos(chart.mapToGlobal(p));
        QMouseEvent move(
            QEvent::MouseMove, p, chart.mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&chart, &move);
        QCoreApplication::processEvents();
        times.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    ReportAgainstBaseline(state, "move", timer.secondsPer(state));
    std::nth_element(
        times.begin(), times.begin() + static_cast<long>(times.size() / 2), times.end());
    state.counters["median_ms"] = times[times.size() / 2] * 1000;
}

void BM_ClickedValueIndexScanEveryPoint(benchmark::State &state)
{
    ensureWindows();
    TChart &chart = *Form2->Chart1;
    const QPoint p = pixelOnNoLine();
    const IterationTimer timer;
    for (auto _ : state) {
        int hits = 0;
        for (int s = 0; s < kSpectra; ++s) {
            const TChartSeries &series = *chart.SeriesAt(s);
            int px = 0, py = 0;
            for (int i = series.FirstVisibleIndex; i <= series.LastVisibleIndex; ++i) {
                const int x = series.XValueToPixel(series.XValues().ValueAt(i));
                const int y = series.YValueToPixel(series.YValues().ValueAt(i));
                if ((x == p.x() && y == p.y())
                    || (i > series.FirstVisibleIndex
                        && PointNearSegment(p.x(), p.y(), x, y, px, py, 0))) {
                    ++hits;
                    break;
                }
                px = x;
                py = y;
            }
        }
        benchmark::DoNotOptimize(hits);
    }
    RecordBaseline("clicked", timer.secondsPer(state));
}

void BM_ClickedValueIndex(benchmark::State &state)
{
    ensureWindows();
    TChart &chart = *Form2->Chart1;
    const QPoint p = pixelOnNoLine();
    const IterationTimer timer;
    for (auto _ : state) {
        int hits = 0;
        for (int s = 0; s < kSpectra; ++s)
            hits += chart.SeriesAt(s)->ClickedValueIndex(p.x(), p.y()) != -1;
        benchmark::DoNotOptimize(hits);
    }
    ReportAgainstBaseline(state, "clicked", timer.secondsPer(state));
    state.counters["us"] = timer.secondsPer(state) * 1e6;
}

void showSpectra(benchmark::State &state, const std::string &file, const char *key)
{
    ensureWindows();
    const QString name = FileNameFromStd(file);
    const IterationTimer timer;
    for (auto _ : state)
        ShowSpectra(name);
    const double seconds = timer.secondsPer(state);
    if (std::string(key) == "ascending") {
        RecordBaseline("ascending", seconds);
    } else {
        ReportAgainstBaseline(state, "ascending", seconds);
        double parts = 0;
        for (const auto &part : partTimes())
            parts += part.second;
        state.counters["x_sum_of_parts"] = parts > 0 ? seconds / parts : 0;
        state.counters["x_ascending"] =
            state.counters["vs_baseline"] > 0 ? 1.0 / state.counters["vs_baseline"] : 0;
    }
}

void BM_ShowSpectraAscending(benchmark::State &state)
{
    showSpectra(state, ascendingFile(), "ascending");
}

void BM_PartRead(benchmark::State &state)
{
    const IterationTimer timer;
    for (auto _ : state)
        LoadSpectrumFile(descendingFile());
    partTimes()["read"] = timer.secondsPer(state);
}

// Fills the display's series from the table as ShowSpectra does: a column at a time, or every
// point on its own.
void fillSeries(bool columns)
{
    TChart &chart = *Form2->Chart1;
    for (int s = 0; s < TForm2::kSeriesCount; ++s)
        chart.SeriesAt(s)->ClearPoints();
    const int rows = SpectrumTable.RowCount;
    std::vector<double> x(static_cast<std::size_t>(rows)), y(x.size());
    for (int r = 1; r <= rows; ++r)
        x[static_cast<std::size_t>(r - 1)] = SpectrumTable.Cell(r, 1);
    for (int s = 0; s < SpectrumTable.SpectrumCount; ++s) {
        TChartSeries &series = *chart.SeriesAt(s);
        for (int r = 1; r <= rows; ++r)
            y[static_cast<std::size_t>(r - 1)] = SpectrumTable.Cell(r, s + 2) + 300.0 * (s + 1);
        if (columns) {
            series.AddPoints(x.data(), y.data(), rows, clBlack);
        } else {
            for (std::size_t i = 0; i < x.size(); ++i)
                series.AddPointXY(x[i], y[i], std::string(), clBlack);
        }
    }
}

void BM_FillPointByPoint(benchmark::State &state)
{
    ensureWindows();
    LoadSpectrumFile(descendingFile());
    const IterationTimer timer;
    for (auto _ : state)
        fillSeries(false);
    RecordBaseline("fill", timer.secondsPer(state));
}

void BM_PartFill(benchmark::State &state)
{
    ensureWindows();
    LoadSpectrumFile(descendingFile());
    const IterationTimer timer;
    for (auto _ : state)
        fillSeries(true);
    partTimes()["fill"] = timer.secondsPer(state);
    ReportAgainstBaseline(state, "fill", timer.secondsPer(state));
}

void BM_PartFirstPass(benchmark::State &state)
{
    ensureWindows();
    ShowSpectra(FileNameFromStd(descendingFile()));
    TChart &chart = *Form2->Chart1;
    const IterationTimer timer;
    for (auto _ : state)
        chart.Repaint();
    partTimes()["pass"] = timer.secondsPer(state);
}

void BM_ShowSpectraDescending(benchmark::State &state)
{
    showSpectra(state, descendingFile(), "descending");
}

// ShowSpectra of the descending file against its parts run one after the other (reading,
// filling, the pass), and against ShowSpectra of the ascending file, in alternating rounds.
void BM_ShowSpectraInRounds(benchmark::State &state)
{
    ensureWindows();
    const QString descending = FileNameFromStd(descendingFile());
    const QString ascending = FileNameFromStd(ascendingFile());
    TChart &chart = *Form2->Chart1;
    const auto parts = [&] {
        LoadSpectrumFile(descendingFile());
        fillSeries(true);
        chart.Repaint();
    };
    const auto show = [&] { ShowSpectra(descending); };
    AlternatingRounds againstAscending;
    for (auto _ : state)
        againstAscending = RunAlternatingRounds([&] { ShowSpectra(ascending); }, show);
    state.counters["x_ascending_in_rounds"] = againstAscending.Ratio;
    const AlternatingRounds againstParts = RunAlternatingRounds(parts, show);
    state.counters["x_parts"] = againstParts.Ratio;
    state.counters["parts_ms"] = againstParts.BaselineSeconds * 1e3;
    state.counters["show_ms"] = againstParts.MeasuredSeconds * 1e3;
}

} // namespace

BENCHMARK(BM_MouseMoveBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MouseMove)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ClickedValueIndexScanEveryPoint)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ClickedValueIndex)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ShowSpectraAscending)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PartRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillPointByPoint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PartFill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PartFirstPass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowSpectraDescending)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowSpectraInRounds)->Iterations(1)->Unit(benchmark::kMillisecond);

PH_CHART_BENCHMARK_MAIN()
