#pragma once

#include "tchart.h"
#include "tlineseries.h"

#include <QImage>
#include <memory>
#include <string>

// A chart set up as the display window sets its chart: white, flat, no walls, frame, legend or
// grids, 593 x 395 pixels, with `seriesCount` black line series Series1, Series2, ...
inline std::unique_ptr<TChart> DisplayChart(int seriesCount = 0)
{
    auto chart = std::make_unique<TChart>();
    chart->resize(593, 395);
    chart->SetColor(clWhite);
    chart->SetView3D(false);
    chart->SetView3DWalls(false);
    chart->BackWall.Brush.SetStyle(bsClear);
    chart->BackWall.Pen.SetVisible(false);
    chart->SetLegendVisible(false);
    chart->BottomAxis()->Grid.SetVisible(false);
    chart->LeftAxis()->Grid.SetVisible(false);
    for (int i = 0; i < seriesCount; ++i) {
        TLineSeries *s = chart->AddLineSeries("Series" + std::to_string(i + 1));
        s->SetSeriesColor(clBlack);
        s->SetShowInLegend(false);
    }
    return chart;
}

// The chart as an export draws it, at its client size. The room for the labels is estimated
// from the axis lengths of the previous pass, so a changed chart settles on its second pass.
inline QImage Render(TChart &chart)
{
    const TRect client { 0, 0, chart.width(), chart.height() };
    chart.CreateChartBitmap(clWhite, client);
    return chart.CreateChartBitmap(clWhite, client);
}

inline bool IsBlack(const QImage &image, int x, int y)
{
    return (image.pixel(x, y) & 0xFFFFFF) == 0;
}
inline bool IsWhite(const QImage &image, int x, int y)
{
    return (image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
}

inline int CountDifferences(const QImage &a, const QImage &b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}
