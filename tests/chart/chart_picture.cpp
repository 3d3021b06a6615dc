// Draws three stacked example spectra with title and axis titles into a PNG, as the chart engine
// draws them for an export: chart_picture <examples folder> <output.png>

#include "numconv.h"
#include "tchart.h"
#include "tlineseries.h"

#include <QApplication>
#include <QFile>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace
{

using Points = std::vector<std::pair<double, double>>;

Points readSpectrum(const QString &fileName)
{
    Points points;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return points;
    for (int line = 0; !file.atEnd(); ++line) {
        const QByteArray text = file.readLine().trimmed();
        if (line < 3 || text.isEmpty())
            continue;
        const QList<QByteArray> fields = text.split('\t');
        if (fields.size() < 2)
            continue;
        const NumberSeparators point { '.', ',' };
        points.emplace_back(
            StrToFloat(fields[0].toStdString(), point), StrToFloat(fields[1].toStdString(), point));
    }
    return points;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: chart_picture <examples folder> <output.png>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QStringList names = { QStringLiteral("ethanol.txt"), QStringLiteral("polystyrene.txt"),
        QStringLiteral("rh6g_probe_01.txt") };

    TChart chart;
    chart.resize(593, 395);
    chart.SetView3D(false);
    chart.BackWall.Pen.SetVisible(false);
    chart.BackWall.Brush.SetStyle(bsClear);
    chart.SetLegendVisible(false);
    chart.BottomAxis()->Grid.SetVisible(false);
    chart.LeftAxis()->Grid.SetVisible(false);
    chart.Title.Add(QStringLiteral("Ethanol, polystyrene and rhodamine 6G, stacked"));
    chart.BottomAxis()->Title.SetCaption(QStringLiteral("Raman shift [1/cm]"));
    chart.LeftAxis()->Title.SetCaption(QStringLiteral("Intensity [counts]"));

    std::vector<Points> spectra;
    double largest = 0;
    for (const QString &name : names) {
        spectra.push_back(readSpectrum(folder + QLatin1Char('/') + name));
        for (const auto &p : spectra.back())
            largest = std::max(largest, p.second);
    }
    // Stacked with a spacing of 60 % of the largest intensity.
    for (std::size_t s = 0; s < spectra.size(); ++s) {
        TLineSeries *series = chart.AddLineSeries("Series" + std::to_string(s + 1));
        series->SetSeriesColor(clBlack);
        const double offset = static_cast<double>(s) * 0.6 * largest;
        for (const auto &p : spectra[s])
            series->AddPointXY(p.first, p.second + offset, "", clBlack);
    }
    chart.Repaint();
    const QImage image =
        chart.CreateChartBitmap(clWhite, TRect { 0, 0, chart.width(), chart.height() });
    return image.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
}
