#pragma once

// What the chart drawing benchmarks share: 99 stacked spectra of 9999 points on a chart of
// 593 x 395 pixels with title, axis titles and labels, and the wall and thread CPU time of a
// timing loop.

#include "benchsupport.h"
#include "tchart.h"
#include "tlineseries.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

constexpr int kSeries = 99;
constexpr int kPoints = 9999;
constexpr int kWidth = 593;
constexpr int kHeight = 395;

struct Spectra {
    std::vector<double> x;
    std::vector<std::vector<double>> y; // with their stacking offsets
    double yMin = 0, yMax = 0;
};

inline const Spectra &StackedSpectra()
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

// The chart of the stacked spectra in black, after two passes; merge sets the series'
// MergeColumns.
inline std::unique_ptr<TChart> MakeStackedChart(bool merge)
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
    const Spectra &d = StackedSpectra();
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

// Reports own time over the reference's as x_<name> (wall) and x_<name>_cpu.
inline void ReportAgainst(
    benchmark::State &state, const std::string &name, const Seconds &reference, const Seconds &own)
{
    if (reference.wall > 0)
        state.counters["x_" + name] = own.wall / reference.wall;
    if (reference.cpu > 0)
        state.counters["x_" + name + "_cpu"] = own.cpu / reference.cpu;
}
