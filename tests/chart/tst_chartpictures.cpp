// The chart's pictures for files and the clipboard: the PNG holds the BMP's pixels, the SVG and
// PDF the same pass as vectors, which rasterise back to nearly the same picture.

#include "chartexceptions.h"
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

// The height of the first band of rows with ink from the top: the chart's title.
int TitleInkHeight(const QImage &image)
{
    int first = -1;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < image.width() && !ink; ++x)
            ink = Ink(image.pixel(x, y));
        if (ink && first < 0)
            first = y;
        if (!ink && first >= 0)
            return y - first;
    }
    return 0;
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
    void textKeepsItsPrintedSize();
    void pagesInRealUnits();
    void compactLegendInAFreeCorner();
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

// A text size makes text a size on paper: at 300 dpi the title is 300/96 times as high as at 96,
// within a pixel of the smaller picture; lines grow alike. Without one, the picture is the
// window's, pixel for pixel.
void tst_ChartPictures::textKeepsItsPrintedSize()
{
    auto chart = StackedChart();
    const TRect before = chart->PlotRect();
    const QImage plain = Decoded(EncodeChartPicture(*chart, PictureFormat::Png, { {}, 300 }));
    QVERIFY(plain == Decoded(EncodeChartPicture(*chart, PictureFormat::Bmp, {})));

    const QImage screen =
        Decoded(EncodeChartPicture(*chart, PictureFormat::Png, { QSize(600, 400), 96, 8 }));
    const QImage print =
        Decoded(EncodeChartPicture(*chart, PictureFormat::Png, { QSize(1875, 1250), 300, 8 }));
    const int low = TitleInkHeight(screen), high = TitleInkHeight(print);
    QVERIFY2(low >= 6 && std::abs(high - low * 300.0 / 96.0) <= 300.0 / 96.0,
        qPrintable(QStringLiteral("%1 %2").arg(low).arg(high)));
    // A larger text size, larger text; the chart on the screen is left as it was.
    const QImage large =
        Decoded(EncodeChartPicture(*chart, PictureFormat::Png, { QSize(1875, 1250), 300, 12 }));
    QVERIFY(TitleInkHeight(large) > high * 5 / 4);
    QCOMPARE(chart->PlotRect(), before);
}

// With a resolution, the PDF and SVG pages measure the picture's size at it: 1800 x 1200 pixels
// at 300 dpi are 152.4 x 101.6 mm.
void tst_ChartPictures::pagesInRealUnits()
{
    auto chart = StackedChart();
    const PictureOptions options { QSize(1800, 1200), 300, 8 };
    const QByteArray pdf = EncodeChartPicture(*chart, PictureFormat::Pdf, options);
    const QRegularExpression box(QStringLiteral("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]"));
    const QRegularExpressionMatch match = box.match(QString::fromLatin1(pdf));
    QVERIFY(match.hasMatch());
    QVERIFY(std::abs(match.captured(1).toDouble() / 72.0 * 25.4 - 152.4) < 0.1);
    QVERIFY(std::abs(match.captured(2).toDouble() / 72.0 * 25.4 - 101.6) < 0.1);
    QVERIFY(pdf.contains("/FlateDecode")); // the series' own stream, in the page's scale

    const QByteArray svg = EncodeChartPicture(*chart, PictureFormat::Svg, options);
    QVERIFY(svg.contains("width=\"152.40mm\" height=\"101.60mm\""));
    QCOMPARE(QSvgRenderer(svg).viewBox(), QRect(0, 0, 1800, 1200));
    // Without a resolution, the pages keep the chart's pixels.
    const QByteArray plain = EncodeChartPicture(*chart, PictureFormat::Pdf, {});
    QVERIFY2(plain.contains("/MediaBox [0 0 593.000000 395.000000]"),
        plain.mid(plain.indexOf("/MediaBox"), 40).constData());
}

// The compact legend of 3 and of 99 names lies inside a corner of the plot area that no line
// passes through, as wide as its longest name, the names shortened by what they share first.
void tst_ChartPictures::compactLegendInAFreeCorner()
{
    QCOMPARE(ShortenedLegendNames({ QStringLiteral("/lab/2024/Calcite_R0500_532nm_21025.txt"),
                 QStringLiteral("/lab/2024/Calcite_R0500_532nm_21031.txt") }),
        (std::vector<QString> { QStringLiteral("21025"), QStringLiteral("21031") }));
    QCOMPARE(ShortenedLegendNames({ QStringLiteral("a.txt"), QStringLiteral("a.txt") }),
        (std::vector<QString> { QStringLiteral("a.txt"), QStringLiteral("a.txt") }));

    for (const int count : { 3, 99 }) {
        auto chart = DisplayChart(count);
        for (int s = 0; s < count; ++s) {
            TChartSeries *series = chart->SeriesAt(s);
            series->SetTitle(QStringLiteral("/lab/2024/Calcite_R0500_532nm_%1.txt").arg(21000 + s));
            series->SetShowInLegend(true);
            // A band with one peak in its middle: both top corners stay free.
            for (int i = 0; i < 400; ++i)
                series->AddPointXY(i, s + 100.0 * std::exp(-std::pow((i - 200) / 20.0, 2)));
        }
        chart->SetLegendInverted(true);
        chart->SetLegendVisible(true);
        chart->SetLegendCompact(true);
        const QImage shown = Render(*chart);
        const TRect box = chart->LegendRect(), plot = chart->PlotRect();
        QVERIFY2(box.Left > plot.Left && box.Right < plot.Right && box.Top > plot.Top
                && box.Bottom < plot.Bottom,
            qPrintable(QStringLiteral("%1: %2 %3 %4 %5 in %6 %7 %8 %9")
                           .arg(count)
                           .arg(box.Left)
                           .arg(box.Top)
                           .arg(box.Right)
                           .arg(box.Bottom)
                           .arg(plot.Left)
                           .arg(plot.Top)
                           .arg(plot.Right)
                           .arg(plot.Bottom)));
        QVERIFY(box.Right >= plot.Right - 10 || box.Left <= plot.Left + 10);
        QVERIFY(box.Top <= plot.Top + 10);
        QVERIFY(box.Width() < plot.Width() / 2);
        const auto rows = static_cast<int>(chart->LegendRows().size());
        QCOMPARE(rows == count, count == 3);
        QCOMPARE(chart->LegendRows().front(), chart->SeriesAt(count - 1));
        // The plot area keeps its width: the legend takes no room beside it.
        chart->SetLegendCompact(false);
        Render(*chart);
        QVERIFY(chart->PlotRect().Right < plot.Right);
    }
}

QTEST_MAIN(tst_ChartPictures)
#include "tst_chartpictures.moc"
