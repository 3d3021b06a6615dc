#include "chartexceptions.h"
#include "chartfixture.h"
#include "chartmessages.h"
#include "messagebox.h"
#include "testsupport.h"
#include "tvelcanvas3d.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <cmath>
#include <new>
#include <random>

namespace
{

// A white image with the canvas drawing on it (as on the window between passes).
struct CanvasOnImage {
    QImage image { 40, 30, QImage::Format_RGB32 };
    TVelCanvas3D canvas;
    CanvasOnImage()
    {
        image.fill(0xFFFFFFFFu);
        canvas.SetWindowSurface(&image);
    }
};

// Three noisy spectra of 10000 points, stacked.
void fillNoisySpectra(TChart &chart, int count, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0, 40);
    for (int s = 0; s < count; ++s) {
        TChartSeries *series = chart.SeriesAt(s);
        for (int i = 0; i < 10000; ++i) {
            const double x = 100 + i * 0.31;
            const double peak = 3000 * std::exp(-std::pow((x - 1000 - 300 * s) / 15, 2));
            series->AddPointXY(x, 1000 * s + 200 + peak + noise(random), "", clBlack);
        }
    }
}

} // namespace

class tst_ChartDrawing : public QObject
{
    Q_OBJECT

private slots:
    void canvasLinesLeaveOutTheirEndPixel()
    {
        CanvasOnImage c;
        c.canvas.Line(10, 10, 20, 10);
        for (int x = 10; x < 20; ++x)
            QVERIFY(IsBlack(c.image, x, 10));
        QVERIFY(IsWhite(c.image, 20, 10));
        QVERIFY(IsWhite(c.image, 9, 10));
        c.canvas.Line(5, 25, 5, 20); // upward
        QVERIFY(IsBlack(c.image, 5, 25));
        QVERIFY(IsBlack(c.image, 5, 21));
        QVERIFY(IsWhite(c.image, 5, 20));
        c.canvas.Line(0, 0, 3, 3);
        QVERIFY(IsBlack(c.image, 0, 0) && IsBlack(c.image, 2, 2) && IsWhite(c.image, 3, 3));
        // Lines reaching far outside the image draw their visible part only.
        c.canvas.Line(-30000, 15, 30000, 15);
        QVERIFY(IsBlack(c.image, 0, 15) && IsBlack(c.image, 39, 15));
    }

    void exclusiveOrDrawnTwiceRestoresThePicture()
    {
        CanvasOnImage c;
        c.canvas.Line(0, 12, 40, 12); // a black series line
        const QImage before = c.image.copy();
        c.canvas.Pen = TVelCanvas3D::TPen { clYellow, psSolid, pmXor, 1 };
        c.canvas.Line(20, 0, 20, 30);
        c.canvas.Line(0, 5, 40, 5);
        QCOMPARE(c.image.pixel(20, 3) & 0xFFFFFF, 0x0000FFu); // blue on white
        QCOMPARE(c.image.pixel(20, 12) & 0xFFFFFF, 0xFFFF00u); // yellow on black
        c.canvas.Line(20, 0, 20, 30);
        c.canvas.Line(0, 5, 40, 5);
        QCOMPARE(CountDifferences(c.image, before), 0);
        // The rubber band's not-xor rectangle as well: no corner is touched twice.
        c.canvas.Pen = TVelCanvas3D::TPen { clBlack, psSolid, pmNotXor, 1 };
        c.canvas.Brush.Style = bsClear;
        c.canvas.Rectangle(3, 4, 30, 25);
        QVERIFY(IsBlack(c.image, 3, 4) && IsBlack(c.image, 29, 24) && IsWhite(c.image, 30, 25));
        c.canvas.Rectangle(3, 4, 30, 25);
        QCOMPARE(CountDifferences(c.image, before), 0);
    }

    void clippingKeepsLinesInside()
    {
        CanvasOnImage c;
        c.canvas.ClipRectangle(TRect { 10, 10, 20, 20 });
        c.canvas.Line(0, 15, 40, 15);
        c.canvas.Line(0, 0, 40, 40);
        QVERIFY(IsWhite(c.image, 9, 15) && IsBlack(c.image, 10, 15) && IsBlack(c.image, 19, 15));
        QVERIFY(IsWhite(c.image, 20, 15) && IsWhite(c.image, 5, 5) && IsBlack(c.image, 12, 12));
        QVERIFY(IsWhite(c.image, 20, 20));
    }

    void horizontalSeriesLineLiesOnItsRow()
    {
        auto chart = DisplayChart(1);
        for (int x = 0; x <= 100; ++x)
            chart->SeriesAt(0)->AddPointXY(x, 2.5);
        chart->LeftAxis()->SetAxisRange(0, 10);
        const QImage image = Render(*chart);
        const TRect plot = chart->PlotRect();
        const TChartAxis *left = chart->LeftAxis();
        const int row =
            left->PixelEnd() - static_cast<int>(std::nearbyint(2.5 * left->PixelLength() / 10.0));
        QCOMPARE(chart->SeriesAt(0)->YValueToPixel(2.5), row);
        // Clipped to the plot without its left edge (where the axis line stands) and with the
        // right edge excluded.
        for (int x = plot.Left + 1; x < plot.Right; ++x)
            QVERIFY2(IsBlack(image, x, row), qPrintable(QString::number(x)));
        QVERIFY(IsWhite(image, plot.Right, row));
        const int middle = (plot.Left + plot.Right) / 2;
        QVERIFY(IsWhite(image, middle, row - 1));
        QVERIFY(IsWhite(image, middle, row + 1));
        // The axis line is black at the plot's left edge; the background is white elsewhere.
        QVERIFY(IsBlack(image, plot.Left, (plot.Top + plot.Bottom) / 2));
        QVERIFY(IsWhite(image, 2, 2));
    }

    void segmentEnteringFromTheLeftStartsAtTheEdge()
    {
        auto chart = DisplayChart(1);
        TChartSeries *s = chart->SeriesAt(0);
        for (int x = 0; x <= 100; x += 10)
            s->AddPointXY(x, 5);
        chart->LeftAxis()->SetAxisRange(0, 10);
        chart->BottomAxis()->SetAxisRange(25, 75);
        const QImage image = Render(*chart);
        QCOMPARE(s->FirstVisibleIndex, 3); // x = 30
        QCOMPARE(s->LastVisibleIndex, 8); // x = 80 keeps the segment leaving on the right
        const TRect plot = chart->PlotRect();
        const int row = s->YValueToPixel(5);
        QVERIFY(IsBlack(image, plot.Left + 1, row));
        QVERIFY(IsBlack(image, plot.Right - 1, row));
        // Nothing visible at all: nothing drawn and no range.
        chart->BottomAxis()->SetAxisRange(200, 300);
        const QImage empty = Render(*chart);
        QCOMPARE(s->FirstVisibleIndex, -1);
        QVERIFY(IsWhite(empty, (plot.Left + plot.Right) / 2, row));
    }

    void farAwayAndNullPointsBreakNoRules()
    {
        auto chart = DisplayChart(1);
        TChartSeries *s = chart->SeriesAt(0);
        s->AddPointXY(0, 2);
        s->AddPointXY(1, 1e7, "", clBlack); // beyond the 16-bit range: skipped
        s->AddPointXY(2, 2);
        s->AddPointXY(3, 8, "", NullColorMark);
        s->AddPointXY(4, 8);
        chart->LeftAxis()->SetAxisRange(0, 10);
        const QImage image = Render(*chart);
        const int row2 = s->YValueToPixel(2);
        const int row8 = s->YValueToPixel(8);
        // The line from x=0 to x=2 runs straight along its row under the skipped point.
        for (int x = s->XValueToPixel(0) + 1; x < s->XValueToPixel(2); ++x)
            QVERIFY(IsBlack(image, x, row2));
        // No segment ends at the null point, and none starts there.
        const int x25 = (s->XValueToPixel(2) + s->XValueToPixel(3)) / 2;
        for (int y = row8 + 1; y < row2; ++y)
            QVERIFY(IsWhite(image, x25, y));
        for (int x = s->XValueToPixel(3) + 1; x < s->XValueToPixel(4); ++x)
            QVERIFY(IsWhite(image, x, row8));
    }

    // Regression: when the first visible point lay beyond the 16-bit range, the next point drew a
    // segment from (0, 0), a stray line across the plot. No segment starts before a point of the
    // pass was placed.
    void skippedFirstVisiblePointStartsNoSegment_data()
    {
        QTest::addColumn<bool>("merge");
        QTest::addColumn<bool>("pointLeftOfPlot");
        QTest::newRow("merged, first point visible") << true << false;
        QTest::newRow("every segment, first point visible") << false << false;
        QTest::newRow("merged, entering from the left") << true << true;
        QTest::newRow("every segment, entering from the left") << false << true;
    }
    void skippedFirstVisiblePointStartsNoSegment()
    {
        QFETCH(bool, merge);
        QFETCH(bool, pointLeftOfPlot);
        // Drawn with the far point (and the point left of it), or with neither.
        int firstVisible = -2;
        const auto picture = [&](bool withFarPoint) {
            auto chart = DisplayChart(1);
            auto *s = static_cast<TLineSeries *>(chart->SeriesAt(0));
            s->MergeColumns = merge;
            if (withFarPoint && pointLeftOfPlot)
                s->AddPointXY(-1, 2);
            if (withFarPoint)
                s->AddPointXY(0, 1e7); // the first visible point, far beyond the 16-bit range
            s->AddPointXY(1, 2);
            s->AddPointXY(2, 6);
            chart->BottomAxis()->SetAxisRange(0, 2);
            chart->LeftAxis()->SetAxisRange(0, 10);
            const QImage image = Render(*chart);
            firstVisible = s->FirstVisibleIndex;
            return image;
        };
        const QImage withFarPoint = picture(true);
        QCOMPARE(firstVisible, pointLeftOfPlot ? 1 : 0); // the far point
        QCOMPARE(CountDifferences(withFarPoint, picture(false)), 0);
    }

    // The back wall's pen and the title's frame are applied like every chart pen: colour, style,
    // width and mode (they were drawn in copy mode whatever their mode).
    void wallAndTitleFrameKeepTheirPenMode()
    {
        auto chart = DisplayChart(0);
        chart->Title.Add(QStringLiteral("TChart"));
        for (TChartPen *pen : { &chart->BackWall.Pen, &chart->Title.Frame }) {
            pen->SetVisible(true);
            pen->SetColor(clYellow);
            pen->SetMode(pmXor);
        }
        const QImage image = Render(*chart);
        const TRect plot = chart->PlotRect();
        const TRect title = chart->Title.TitleRect;
        // Yellow in exclusive-or mode over white gives blue.
        QCOMPARE(image.pixel((plot.Left + plot.Right) / 2, plot.Top) & 0xFFFFFF, 0x0000FFu);
        QCOMPARE(image.pixel((title.Left + title.Right) / 2, title.Top) & 0xFFFFFF, 0x0000FFu);
    }

    // Points in one pixel column are drawn as one run; the picture must be the one drawing every
    // segment gives, pixel for pixel.
    void mergedColumnsMatchEverySegment()
    {
        auto chart = DisplayChart(3);
        fillNoisySpectra(*chart, 3, 7);
        // A few coloured points make the merging stop and restart at colour changes.
        chart->SeriesAt(1)->AddPointXY(1500.05, 1400, "", 0x0000FF);
        chart->SeriesAt(1)->AddPointXY(1500.06, 1700, "", 0x0000FF);
        const QImage merged = Render(*chart);
        for (int i = 0; i < 3; ++i)
            static_cast<TLineSeries *>(chart->SeriesAt(i))->MergeColumns = false;
        const QImage everySegment = Render(*chart);
        QCOMPARE(CountDifferences(merged, everySegment), 0);
        // Zoomed in, with segments leaving the plot on all sides.
        chart->BottomAxis()->SetAxisRange(900, 1100);
        chart->LeftAxis()->SetAxisRange(500, 2500);
        const QImage zoomedEvery = Render(*chart);
        for (int i = 0; i < 3; ++i)
            static_cast<TLineSeries *>(chart->SeriesAt(i))->MergeColumns = true;
        QCOMPARE(CountDifferences(Render(*chart), zoomedEvery), 0);
    }

    // Random series with many points per column, stored colours that change, null points,
    // points beyond the 16-bit range and the per-point palette: merged columns must give the
    // picture of every segment, whole and zoomed so that segments cross the plot's edges. The
    // visible index range found by search must be the one the linear rule gives.
    void randomSeriesMergedMatchEverySegment()
    {
        std::mt19937 random(21);
        std::uniform_real_distribution<double> unit(0, 1);
        std::normal_distribution<double> noise(0, 2);
        const TColor colors[] = { clBlack, clBlack, clBlack, 0x0000FF, DefaultColorMark,
            NullColorMark };
        for (int round = 0; round < 40; ++round) {
            auto chart = DisplayChart(2);
            for (int s = 0; s < 2; ++s) {
                TChartSeries *series = chart->SeriesAt(s);
                series->SetColorEachPoint(round % 4 == 3);
                double x = 0, y = 0;
                TColor color = clBlack;
                for (int i = 0; i < 3000; ++i) {
                    x += unit(random) < 0.2 ? 0 : 0.04 * unit(random);
                    if (unit(random) < 0.6)
                        y = 20 * std::sin(x / 7 + s) + noise(random);
                    if (unit(random) < 0.01)
                        color = colors[random() % 6];
                    series->AddPointXY(x, unit(random) < 0.002 ? 1e7 : y, "", color);
                }
            }
            chart->LeftAxis()->SetAxisRange(-25, 25);
            const TChartValueList &xs = chart->SeriesAt(0)->XValues();
            if (round % 2 == 1) {
                // Zoom edges on a point's value or between points.
                const double a = xs.ValueAt(static_cast<int>(random() % 1500));
                const double b = xs.ValueAt(1500 + static_cast<int>(random() % 1500));
                chart->BottomAxis()->SetAxisRange(a + (round % 4 == 1 ? 0.0 : 0.01), b);
            }
            const QImage merged = Render(*chart);
            for (int s = 0; s < 2; ++s) {
                TChartSeries *series = chart->SeriesAt(s);
                const TChartValueList &values = series->XValues();
                const int n = values.ValueCount();
                const TRect plot = chart->PlotRect();
                const double minX = series->PixelToXValue(plot.Left);
                const double maxX = series->PixelToXValue(plot.Right);
                int first = 0;
                while (first < n && values.ValueAt(first) < minX)
                    ++first;
                int last = n - 1;
                if (first < n && values.ValueAt(n - 1) > maxX) {
                    last = first;
                    while (values.ValueAt(last) < maxX)
                        ++last;
                }
                QCOMPARE(series->FirstVisibleIndex, first < n ? first : -1);
                if (first < n)
                    QCOMPARE(series->LastVisibleIndex, last);
                static_cast<TLineSeries *>(series)->MergeColumns = false;
            }
            QCOMPARE(CountDifferences(merged, Render(*chart)), 0);
        }
    }

    void afterDrawRunsAtTheEndOfEveryPassAndItsDrawingIsKept()
    {
        auto chart = DisplayChart(1);
        chart->SeriesAt(0)->AddPointXY(0, 0);
        chart->SeriesAt(0)->AddPointXY(10, 10);
        int passes = 0;
        chart->OnAfterDraw = [&](TChart *sender) {
            ++passes;
            QCOMPARE(sender, chart.get());
            // Still in the pass: drawing here goes into the cached picture.
            sender->Canvas()->Pen.Color = 0x0000FF;
            sender->Canvas()->Line(1, 1, 5, 1);
        };
        chart->Repaint();
        QCOMPARE(passes, 1);
        QCOMPARE(chart->Surface().pixel(2, 1) & 0xFFFFFF, 0xFF0000u);
        QCOMPARE(chart->Canvas()->Buffer().pixel(2, 1) & 0xFFFFFF, 0xFF0000u);
    }

    // The window shows its surface: an exposure neither runs a pass nor wipes transient
    // exclusive-or drawing; only the next pass does.
    void exposureKeepsExclusiveOrDrawing()
    {
        auto chart = DisplayChart(1);
        chart->SeriesAt(0)->AddPointXY(0, 0);
        chart->SeriesAt(0)->AddPointXY(10, 10);
        int passes = 0;
        chart->OnAfterDraw = [&](TChart *) { ++passes; };
        chart->show();
        QVERIFY(QTest::qWaitForWindowExposed(chart.get()));
        QTRY_COMPARE(passes, 1);
        const TRect plot = chart->PlotRect();
        const int x = (plot.Left + plot.Right) / 2;
        const int y = plot.Top + 3;
        QVERIFY(IsWhite(chart->Surface(), x, y));
        TVelCanvas3D *canvas = chart->Canvas();
        canvas->Pen = TVelCanvas3D::TPen { clYellow, psSolid, pmXor, 1 };
        canvas->MoveTo(x, plot.Top);
        canvas->LineTo(x, plot.Bottom);
        QCOMPARE(chart->Surface().pixel(x, y) & 0xFFFFFF, 0x0000FFu);
        chart->repaint(); // an exposure
        QCOMPARE(chart->grab().toImage().pixel(x, y) & 0xFFFFFF, 0x0000FFu);
        QCOMPARE(passes, 1);
        chart->Repaint();
        QCOMPARE(passes, 2);
        QVERIFY(IsWhite(chart->Surface(), x, y));
    }

    // A pass that runs out of memory inside a paint is reported after it, in words.
    void outOfMemoryInAPaintIsReportedInWords()
    {
        static std::vector<MessageBoxRequest> boxes;
        SetMessageBoxHook([](const MessageBoxRequest &request) { boxes.push_back(request); });
        auto chart = DisplayChart(1);
        chart->SeriesAt(0)->AddPointXY(0, 0);
        chart->SeriesAt(0)->AddPointXY(10, 10);
        bool failed = false;
        chart->OnAfterDraw = [&](TChart *) {
            if (!failed) {
                failed = true;
                throw std::bad_alloc();
            }
        };
        chart->show();
        QTRY_COMPARE(boxes.size(), std::size_t(1));
        SetMessageBoxHook(nullptr);
        QCOMPARE(boxes[0].Kind, MessageBoxKind::Error);
        QCOMPARE(boxes[0].Text, std::string("Zu wenig Arbeitsspeicher."));
    }

    void exportHasTheClientSizeAndNoExclusiveOrDrawing()
    {
        auto chart = DisplayChart(1);
        chart->SeriesAt(0)->AddPointXY(0, 0);
        chart->SeriesAt(0)->AddPointXY(10, 10);
        int passes = 0;
        chart->OnAfterDraw = [&](TChart *) { ++passes; };
        chart->Repaint();
        const TRect plot = chart->PlotRect();
        const int x = (plot.Left + plot.Right) / 2, y = plot.Top + 3;
        TVelCanvas3D *canvas = chart->Canvas();
        canvas->Pen = TVelCanvas3D::TPen { clYellow, psSolid, pmXor, 1 };
        canvas->Line(x, plot.Top, x, plot.Bottom);

        TestFolder folder;
        const QString name = QString::fromStdString(folder.path("chart.wmf"));
        chart->SaveChartBitmap(name);
        QCOMPARE(passes, 2); // the export pass fires it too
        QFile file(name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(2), QByteArray("BM"));
        file.close();
        const QImage saved(name, "BMP");
        QCOMPARE(saved.size(), QSize(593, 395));
        QVERIFY(IsWhite(saved, x, y));
        QCOMPARE(chart->Surface().pixel(x, y) & 0xFFFFFF, 0x0000FFu);
        QVERIFY(chart->Canvas()->Buffered());
        QVERIFY(chart->Canvas()->PictureOutOfDate());

        chart->resize(300, 200);
        chart->SaveChartBitmap(name);
        QCOMPARE(QImage(name, "BMP").size(), QSize(300, 200));
    }

    void unwritableFileRaisesAndLeavesNothingBehind()
    {
        auto chart = DisplayChart(0);
        TestFolder folder;
        const QString missing = QString::fromStdString(folder.path("no such folder/chart.bmp"));
        PH_EXPECT_THROW(EFCreateError, chart->SaveChartBitmap(missing),
            "Datei " + missing.toStdString() + " kann nicht erstellt werden");
        QVERIFY(!QFileInfo::exists(missing));
        QVERIFY(chart->Canvas()->Buffered());
        const QString folderName = QString::fromStdString(folder.root());
        PH_EXPECT_THROW(EFCreateError, chart->SaveChartBitmap(folderName),
            "Datei " + folderName.toStdString() + " kann nicht erstellt werden");
        QVERIFY(QFileInfo(folderName).isDir());
    }
};

QTEST_MAIN(tst_ChartDrawing)
#include "tst_chartdrawing.moc"
