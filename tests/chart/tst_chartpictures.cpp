// The chart's pictures for files and the clipboard: the PNG holds the BMP's pixels, the SVG and
// PDF the same pass as vectors, which rasterise back to nearly the same picture.

#include "chartfixture.h"
#include "chartmessages.h"
#include "chartpicture.h"
#include "tvelcanvas3d.h"

#include <QBuffer>
#include <QImageReader>
#include <QMap>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

namespace
{

// Three stacked spectra of 2000 points each, with a title and axis titles.
std::unique_ptr<TChart> StackedChart()
{
    auto chart = DisplayChart(3);
    chart->Title.SetText({ QStringLiteral("Probe 7") });
    chart->BottomAxis()->Title.SetCaption(QStringLiteral("Raman-Verschiebung / cm-1"));
    chart->LeftAxis()->Title.SetCaption(QStringLiteral("Intensität"));
    for (int s = 0; s < 3; ++s) {
        TChartSeries *series = chart->SeriesAt(s);
        for (int i = 0; i < 2000; ++i) {
            const double x = 200.0 + i * 0.9;
            const double peak = 900.0 * std::exp(-std::pow((x - 600.0 - 300.0 * s) / 12.0, 2));
            series->AddPointXY(x, 300.0 * s + 50.0 * std::sin(i * 0.37) + peak + 100.0);
        }
    }
    Render(*chart);
    return chart;
}

QImage Decoded(const QByteArray &bytes)
{
    return QImage::fromData(bytes).convertToFormat(QImage::Format_RGB32);
}

bool Ink(QRgb pixel)
{
    return qGray(pixel) < 160;
}

// The share of the ink (dark pixels) of one picture that has ink of the other within one pixel.
double InkMatched(const QImage &from, const QImage &in)
{
    long ink = 0, matched = 0;
    for (int y = 0; y < from.height(); ++y)
        for (int x = 0; x < from.width(); ++x) {
            if (!Ink(from.pixel(x, y)))
                continue;
            ++ink;
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx)
                    found = in.valid(x + dx, y + dy) && Ink(in.pixel(x + dx, y + dy));
            matched += found;
        }
    return ink == 0 ? 0.0 : static_cast<double>(matched) / static_cast<double>(ink);
}

// Close within antialiasing: 99 in 100 ink pixels of either picture have ink of the other next to
// them (the texts' glyphs are hinted differently by the renderers).
void CompareInk(const QImage &bitmap, const QImage &vector)
{
    QCOMPARE(vector.size(), bitmap.size());
    const double there = InkMatched(bitmap, vector), back = InkMatched(vector, bitmap);
    qInfo("ink matched: %.4f of the bitmap's, %.4f of the vector picture's", there, back);
    QVERIFY2(there > 0.99, qPrintable(QString::number(there)));
    QVERIFY2(back > 0.99, qPrintable(QString::number(back)));
}

} // namespace

class tst_ChartPictures : public QObject
{
    Q_OBJECT

private slots:
    void pngHoldsTheBitmapsPixels();
    void svgIsTheSamePictureAsVectors();
    void svgSeriesKeepTheirColoursInOrder();
    void pdfIsOnePageOfTheChartsSize();
    void otherSizesAndTheFilesName();
    void legendOfMoreSpectraThanFit();
};

void tst_ChartPictures::pngHoldsTheBitmapsPixels()
{
    auto chart = StackedChart();
    const QImage bmp = Decoded(EncodeChartPicture(*chart, PictureFormat::Bmp, {}));
    QCOMPARE(bmp.size(), chart->size());
    QVERIFY(bmp == chart->CreateChartBitmap(clWhite, TRect { 0, 0, 593, 395 }));
    const QByteArray png = EncodeChartPicture(*chart, PictureFormat::Png, { {}, 300 });
    QBuffer buffer(const_cast<QByteArray *>(&png));
    QCOMPARE(QImageReader(&buffer).format(), QByteArray("png"));
    const QImage decoded = QImage::fromData(png);
    QCOMPARE(decoded.dotsPerMeterX(), 11811);
    QVERIFY(decoded.convertToFormat(QImage::Format_RGB32) == bmp);
}

void tst_ChartPictures::svgIsTheSamePictureAsVectors()
{
    auto chart = StackedChart();
    const QImage bmp = Decoded(EncodeChartPicture(*chart, PictureFormat::Bmp, {}));
    const QByteArray svg = EncodeChartPicture(*chart, PictureFormat::Svg, {});
    QSvgRenderer renderer(svg);
    QVERIFY(renderer.isValid());
    QCOMPARE(renderer.defaultSize(), chart->size());
    // Texts as text, lines as paths of a few points per pixel column, not one per value.
    QVERIFY(svg.contains(">Probe 7</text>") || svg.contains("Probe 7"));
    QVERIFY(svg.contains("Intensit"));
    const QRegularExpression polyline(QStringLiteral("<polyline[^>]*points=\"([^\"]*)\""));
    int lines = 0;
    for (auto match = polyline.globalMatch(QString::fromUtf8(svg)); match.hasNext();) {
        const int points = static_cast<int>(match.next().captured(1).count(QLatin1Char(' ')));
        QVERIFY2(points < 1800, qPrintable(QString::number(points)));
        ++lines;
    }
    QVERIFY(lines >= 3);

    QImage drawn(chart->size(), QImage::Format_RGB32);
    drawn.fill(Qt::white);
    QPainter painter(&drawn);
    renderer.render(&painter);
    painter.end();
    CompareInk(bmp, drawn);
}

// The series' points are written into the file apart from the rest of the picture: each series'
// polyline in its own colour and band, none left out, and the next export drawn as before.
void tst_ChartPictures::svgSeriesKeepTheirColoursInOrder()
{
    auto chart = StackedChart();
    const TColor colours[] = { 0x0000FF, 0x008000, clBlue };
    for (int s = 0; s < 3; ++s)
        chart->SeriesAt(s)->SetSeriesColor(colours[s]);
    Render(*chart);
    const QString svg = QString::fromUtf8(EncodeChartPicture(*chart, PictureFormat::Svg, {}));
    QVERIFY(!chart->Canvas()->InPass());
    QVERIFY(!svg.contains(QStringLiteral("-0.25")));
    const QRegularExpression polyline(
        QStringLiteral("stroke=\"(#[0-9a-f]{6})\"[^>]*>\\s*<polyline[^>]*points=\"([^\"]*)\""));
    QMap<double, QString> colourByHeight; // by the polyline's mean y, the top series first
    for (auto match = polyline.globalMatch(svg); match.hasNext();) {
        const QRegularExpressionMatch line = match.next();
        const QStringList points = line.captured(2).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (points.size() < 100)
            continue;
        double sum = 0;
        for (const QString &point : points)
            sum += point.section(QLatin1Char(','), 1, 1).toDouble();
        colourByHeight.insert(sum / static_cast<double>(points.size()), line.captured(1));
    }
    QCOMPARE(colourByHeight.values(),
        QStringList(
            { QStringLiteral("#0000ff"), QStringLiteral("#008000"), QStringLiteral("#ff0000") }));
}

void tst_ChartPictures::pdfIsOnePageOfTheChartsSize()
{
    auto chart = StackedChart();
    const QImage bmp = Decoded(EncodeChartPicture(*chart, PictureFormat::Bmp, {}));
    const QByteArray pdf = EncodeChartPicture(*chart, PictureFormat::Pdf, {});
    QVERIFY(pdf.startsWith("%PDF-"));
    // The series' polylines in a stream of their own, after Qt's page.
    QVERIFY(pdf.contains("/Contents ["));
    QCOMPARE(
        pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "), 1);
    // A pixel is a point.
    QVERIFY2(pdf.contains("/MediaBox [0 0 593.000000 395.000000]"),
        pdf.mid(pdf.indexOf("/MediaBox"), 60).constData());
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (pdftoppm.isEmpty())
        QSKIP("pdftoppm is not installed");
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("chart.pdf")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(pdf);
    file.close();
    QProcess process;
    process.start(pdftoppm,
        { QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"),
            QStringLiteral("-singlefile"), file.fileName(), dir.filePath(QStringLiteral("page")) });
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);
    const QImage page =
        QImage(dir.filePath(QStringLiteral("page.png"))).convertToFormat(QImage::Format_RGB32);
    CompareInk(bmp, page);
}

void tst_ChartPictures::otherSizesAndTheFilesName()
{
    auto chart = StackedChart();
    const QImage shown = Render(*chart);
    const TRect plot = chart->PlotRect();
    const QSize big(1200, 800);
    QCOMPARE(Decoded(EncodeChartPicture(*chart, PictureFormat::Png, { big, 0 })).size(), big);
    QCOMPARE(QSvgRenderer(EncodeChartPicture(*chart, PictureFormat::Svg, { big, 0 })).defaultSize(),
        big);
    // The mouse finds the chart as it is shown, not as the last picture was drawn.
    QCOMPARE(chart->PlotRect().Right, plot.Right);
    QVERIFY(Render(*chart) == shown);

    QCOMPARE(PictureFormatOfName(QStringLiteral("a.png")), PictureFormat::Png);
    QCOMPARE(PictureFormatOfName(QStringLiteral("a.svg")), PictureFormat::Svg);
    QCOMPARE(PictureFormatOfName(QStringLiteral("a.pdf")), PictureFormat::Pdf);
    QCOMPARE(PictureFormatOfName(QStringLiteral("a.wmf")), PictureFormat::Bmp);
    QCOMPARE(PictureFormatOfName(QStringLiteral("a.PNG")), PictureFormat::Bmp);

    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing/a.pdf"));
    QVERIFY_THROWS_EXCEPTION(
        EFCreateError, SaveChartPicture(*chart, missing, PictureFormat::Pdf, {}));
    QVERIFY(!QFile::exists(missing));
    const QString written = dir.filePath(QStringLiteral("a.svg"));
    SaveChartPicture(*chart, written, PictureFormat::Svg, {});
    QVERIFY(QSvgRenderer(written).isValid());
}

// 99 named spectra on a chart of 395 pixels: the legend, a third of the width at most, holds the
// rows that fit from the top of the stack, the last one counting the rest; its long names are
// shortened; its vector picture matches its bitmap as the chart's does.
void tst_ChartPictures::legendOfMoreSpectraThanFit()
{
    auto chart = DisplayChart(99);
    for (int s = 0; s < 99; ++s) {
        TChartSeries *series = chart->SeriesAt(s);
        series->SetTitle(
            QStringLiteral("Probe %1 mit einem sehr langen Namen aus dem Labor").arg(s));
        series->SetShowInLegend(true);
        for (int i = 0; i < 50; ++i)
            series->AddPointXY(i, s * 10.0 + (i % 7), {}, s % 2 == 0 ? clBlack : 0x0000FF);
    }
    chart->SetLegendInverted(true);
    chart->SetLegendVisible(true);
    const QImage shown = Render(*chart);
    const TRect box = chart->LegendRect();
    QVERIFY(box.Width() > 0 && box.Width() <= 593 / 3);
    QVERIFY(box.Bottom <= 395 && chart->PlotRect().Right < box.Left);
    const std::vector<TChartSeries *> &rows = chart->LegendRows();
    QVERIFY(rows.size() > 10 && rows.size() < 99);
    QCOMPARE(rows.front(), chart->SeriesAt(98));
    QCOMPARE(rows[1], chart->SeriesAt(97));
    QCOMPARE(rows.back(), nullptr);
    const auto last = static_cast<int>(rows.size()) - 1;
    const TChart::TChartClickedPart part =
        chart->CalcClickedPart(box.Left + 4, box.Bottom - chart->LegendRowHeight() / 2 - 2);
    QCOMPARE(part.Part, TChart::cpLegend);
    QCOMPARE(part.PointIndex, last);
    QCOMPARE(part.ASeries, nullptr);
    // The legend's row colours are the lines' own: black for the top one, red for the next.
    const auto redIn = [&](int bottom) {
        for (int x = box.Left; x < box.Left + 20; ++x)
            for (int y = box.Top; y < bottom; ++y)
                if (shown.pixel(x, y) == PixelOf(0x0000FF))
                    return true;
        return false;
    };
    QVERIFY(!redIn(box.Top + chart->LegendRowHeight() + 2));
    QVERIFY(redIn(box.Top + 2 * chart->LegendRowHeight() + 3));

    const QByteArray svg = EncodeChartPicture(*chart, PictureFormat::Svg, {});
    QVERIFY(svg.contains(QStringLiteral("+ %1 weitere").arg(99 - last).toUtf8()));
    QImage drawn(chart->size(), QImage::Format_RGB32);
    drawn.fill(Qt::white);
    QPainter painter(&drawn);
    QSvgRenderer(svg).render(&painter);
    painter.end();
    CompareInk(Decoded(EncodeChartPicture(*chart, PictureFormat::Bmp, {})), drawn);
}

QTEST_MAIN(tst_ChartPictures)
#include "tst_chartpictures.moc"
