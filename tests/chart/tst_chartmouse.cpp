#include "chartfixture.h"
#include "charthittest.h"
#include "exceptions.h"
#include "tchartaxis.h"
#include "testsupport.h"
#include "tvelcanvas3d.h"

#include <QTest>
#include <random>

// The chart's mouse handling: the hit test against a plain scan of every point, clicks on lines
// and axes, zooming, undoing and scrolling with real mouse events.
class tst_ChartMouse : public QObject
{
    Q_OBJECT

private:
    // Every point in order, as the hit test is defined.
    static int scanEveryPoint(const TChartSeries &s, int x, int y)
    {
        int px = 0, py = 0;
        for (int i = s.FirstVisibleIndex; i <= s.LastVisibleIndex && i >= 0; ++i) {
            const int ix = s.XValueToPixel(s.XValues().ValueAt(i));
            const int iy = s.YValueToPixel(s.YValues().ValueAt(i));
            if (ix == x && iy == y)
                return i;
            if (i > s.FirstVisibleIndex && PointNearSegment(x, y, ix, iy, px, py, 0))
                return i - 1;
            px = ix;
            py = iy;
        }
        return -1;
    }

    static QPoint pixelOf(const TChartSeries &s, int i)
    {
        return QPoint(
            s.XValueToPixel(s.XValues().ValueAt(i)), s.YValueToPixel(s.YValues().ValueAt(i)));
    }

private slots:
    void pointNearSegment()
    {
        // On the line, at its ends, one pixel off, past an end, and a segment of one pixel.
        QVERIFY(PointNearSegment(5, 5, 0, 0, 10, 10, 0));
        QVERIFY(PointNearSegment(10, 10, 0, 0, 10, 10, 0));
        QVERIFY(!PointNearSegment(5, 6, 0, 0, 10, 10, 0));
        QVERIFY(!PointNearSegment(11, 11, 0, 0, 10, 10, 0));
        QVERIFY(PointNearSegment(11, 11, 0, 0, 10, 10, 1));
        QVERIFY(!PointNearSegment(3, 3, 3, 3, 3, 3, 0));
        QVERIFY(PointNearSegment(3, 7, 3, 0, 3, 9, 0));
        // Far pixels do not overflow the cross product.
        QVERIFY(!PointNearSegment(
            2000000000, -2000000000, -2000000000, 2000000000, 2000000000, 2000000000, 0));
    }

    // A stairs line is hit on its two legs per step: along at the height of the step's first
    // point, then up or down at the column of its second.
    void stairsAreHitOnBothLegs()
    {
        const double x[] = { 0, 10, 20 };
        const double y[] = { 0, 10, 5 };
        LineHitData line;
        line.X = x;
        line.Y = y;
        line.Horizontal.Horizontal = true;
        line.Horizontal.SetRange(0, 20);
        line.Horizontal.SetPixels(0, 20);
        line.Vertical.Horizontal = false;
        line.Vertical.SetRange(0, 20);
        line.Vertical.SetPixels(0, 20); // y = 20 - value
        QCOMPARE(ClickedStairsIndex(line, 0, 2, 0, 20), 0); // the first point
        QCOMPARE(ClickedStairsIndex(line, 0, 2, 5, 20), 0); // along at its height
        QCOMPARE(ClickedStairsIndex(line, 0, 2, 10, 15), 0); // up in the next column
        QCOMPARE(ClickedStairsIndex(line, 0, 2, 15, 10), 1); // along from the second point
        QCOMPARE(ClickedStairsIndex(line, 0, 2, 5, 15), -1); // on the straight line only
        QCOMPARE(ClickedStairsIndex(line, 1, 2, 5, 20), -1); // before the first visible point
        QCOMPARE(ClickedStairsIndex(line, 0, 2, 20, 15), 2); // the last point
    }

    void clickedValueIndexAgreesWithTheScanOfEveryPoint()
    {
        std::mt19937 random(20261208);
        int hits = 0;
        for (int round = 0; round < 60; ++round) {
            auto chart = DisplayChart(1);
            TChartSeries &s = *chart->SeriesAt(0);
            s.XValues().SetOrder(loAscending);
            std::uniform_int_distribution<int> count(1, 3000);
            std::uniform_real_distribution<double> value(-1000, 1000);
            const int n = count(random);
            for (int i = 0; i < n; ++i) {
                // Repeated x values and steep runs put many points into one pixel column.
                double x = random() % 4 == 0 ? std::floor(value(random) / 50) : value(random);
                if (round % 11 == 5)
                    x = 1e15 + std::floor(x) * 0.125; // values a pixel apart share doubles
                s.AddPointXY(x, value(random) * (random() % 3 + 1));
            }
            if (round % 3 == 1)
                chart->BottomAxis()->SetAxisRange(value(random) / 4, 300 + value(random) / 4);
            if (round % 5 == 2)
                chart->LeftAxis()->SetAxisRange(-50, 50);
            if (round % 7 == 3)
                chart->BottomAxis()->SetAxisRange(-1e-3, 1e-3); // far points at both ends
            chart->BottomAxis()->SetInverted(round % 4 == 0);
            Render(*chart);
            std::uniform_int_distribution<int> px(-5, chart->width() + 5);
            std::uniform_int_distribution<int> py(-5, chart->height() + 5);
            for (int k = 0; k < 400; ++k) {
                QPoint p(px(random), py(random));
                if (k % 2 == 0 && s.FirstVisibleIndex >= 0) {
                    // A point's own pixel, or one on the way to its neighbour.
                    std::uniform_int_distribution<int> pick(
                        s.FirstVisibleIndex, s.LastVisibleIndex);
                    const int i = pick(random);
                    p = pixelOf(s, i);
                    if (k % 4 == 0 && i > s.FirstVisibleIndex)
                        p = (p + pixelOf(s, i - 1)) / 2;
                }
                const int expected = scanEveryPoint(s, p.x(), p.y());
                QCOMPARE(s.ClickedValueIndex(p.x(), p.y()), expected);
                hits += expected != -1;
            }
        }
        QVERIFY(hits > 3000);
    }

    void pressOnALineReportsTheTopSeriesAndConsumesTheClick()
    {
        auto chart = DisplayChart(3);
        for (int s = 0; s < 3; ++s)
            for (int x = 0; x <= 100; ++x)
                chart->SeriesAt(s)->AddPointXY(x, s == 2 ? 0 : x);
        chart->show();
        Render(*chart);
        TChartSeries *clicked = nullptr;
        chart->OnClickSeries = [&](TChart *, TChartSeries *s, int, TMouseButton, TShiftState, int,
                                   int) { clicked = s; };
        // Series 0 and 1 lie on each other: the one drawn on top is reported.
        const QPoint onBoth = pixelOf(*chart->SeriesAt(1), 40);
        QCOMPARE(chart->CalcClickedPart(onBoth.x(), onBoth.y()).Part, TChart::cpSeries);
        QTest::mousePress(chart.get(), Qt::LeftButton, {}, onBoth);
        QCOMPARE(clicked, chart->SeriesAt(1));
        QVERIFY(!chart->ZoomDrag.Active);
        QTest::mouseRelease(chart.get(), Qt::LeftButton, {}, onBoth);
        // Without a handler the press on the line starts the rubber band.
        chart->OnClickSeries = nullptr;
        QTest::mousePress(chart.get(), Qt::LeftButton, {}, onBoth);
        QVERIFY(chart->ZoomDrag.Active);
        QTest::mouseRelease(chart.get(), Qt::LeftButton, {}, onBoth);

        // The bottom axis' labels lie in its click band.
        TChartAxis *axisClicked = nullptr;
        chart->OnClickAxis = [&](TChart *, TChartAxis *a, TMouseButton, TShiftState, int, int) {
            axisClicked = a;
        };
        const TChartAxis &bottom = *chart->BottomAxis();
        QTest::mouseClick(chart.get(), Qt::LeftButton, {},
            QPoint(bottom.PixelCenter(), (bottom.PosAxis + bottom.PosLabels) / 2));
        QCOMPARE(axisClicked, chart->BottomAxis());
    }

    void dragsZoomUndoAndScroll()
    {
        auto chart = DisplayChart(1);
        for (int x = 0; x <= 1000; ++x)
            chart->SeriesAt(0)->AddPointXY(x, x % 100);
        chart->show();
        QVERIFY(QTest::qWaitForWindowExposed(chart.get()));
        Render(*chart);
        TChartAxis &bottom = *chart->BottomAxis();
        TChartAxis &left = *chart->LeftAxis();
        int zooms = 0, undos = 0, scrolls = 0;
        chart->OnZoom = [&](TChart *) { ++zooms; };
        chart->OnUndoZoom = [&](TChart *) { ++undos; };
        chart->OnScroll = [&](TChart *) { ++scrolls; };
        const auto drag = [&](Qt::MouseButton button, QPoint from, QPoint to) {
            QTest::mousePress(chart.get(), button, {}, from);
            QTest::mouseMove(chart.get(), (from + to) / 2);
            QTest::mouseMove(chart.get(), to);
            QTest::mouseRelease(chart.get(), button, {}, to);
        };
        const QPoint start(200, 120);
        // 16 pixels in one direction are not enough.
        drag(Qt::LeftButton, start, start + QPoint(16, 40));
        QVERIFY(bottom.Automatic() && zooms == 0);
        const double x0 = bottom.AxisPixelToValue(200), x1 = bottom.AxisPixelToValue(260);
        const double yTop = left.AxisPixelToValue(120), yBottom = left.AxisPixelToValue(180);
        drag(Qt::LeftButton, start, start + QPoint(60, 60));
        QCOMPARE(zooms, 1);
        QVERIFY(chart->Zoomed() && !bottom.Automatic());
        QCOMPARE(bottom.Minimum(), x0);
        QCOMPARE(bottom.Maximum(), x1);
        QCOMPARE(left.Minimum(), yBottom);
        QCOMPARE(left.Maximum(), yTop);
        Render(*chart);
        // A right drag inside the plot moves the data with the pointer.
        const double before = bottom.Minimum();
        const double step = bottom.AxisPixelToValue(250) - bottom.AxisPixelToValue(200);
        drag(Qt::RightButton, QPoint(250, 150), QPoint(200, 150));
        QVERIFY(scrolls >= 1);
        QCOMPARE(bottom.Minimum(), before + step);
        // Any other direction undoes everything, back to the automatic ranges.
        drag(Qt::LeftButton, QPoint(300, 200), QPoint(250, 150));
        QCOMPARE(undos, 1);
        QVERIFY(!chart->Zoomed() && bottom.Automatic() && left.Automatic());
        Render(*chart);
        QCOMPARE(bottom.RangeMaximum(), 1000.0);
    }

    void failedPassForgetsTheCrosshairAndScrollingStaysFinite()
    {
        auto chart = DisplayChart(1);
        chart->SeriesAt(0)->AddPointXY(0, 0);
        chart->SeriesAt(0)->AddPointXY(1, 1);
        chart->Repaint();
        chart->Canvas()->Pen = TVelCanvas3D::TPen { clYellow, psSolid, pmXor, 1 };
        chart->Canvas()->Line(100, 0, 100, 300);
        int passes = 0;
        chart->OnAfterDraw = [&](TChart *) { ++passes; };
        // A span beyond the doubles ends the pass; it still replaces the picture, crosshair and
        // all, tells so through OnAfterDraw, and the next paint does not run it again.
        chart->SeriesAt(0)->AddPointXY(-1e308, 0);
        chart->SeriesAt(0)->AddPointXY(1e308, 0);
        PH_EXPECT_THROW(EOverflow, chart->Repaint(), "Gleitkommaüberlauf");
        QCOMPARE(passes, 1);
        QVERIFY((chart->Surface().pixel(100, 5) & 0xFFFFFF) == 0xFFFFFF);
        QVERIFY(!chart->Canvas()->PictureOutOfDate());
        // Scrolling refuses a range the doubles cannot hold.
        chart->SeriesAt(0)->ClearPoints();
        chart->SeriesAt(0)->AddPointXY(-8e307, 0);
        chart->SeriesAt(0)->AddPointXY(8e307, 1);
        chart->Repaint();
        chart->ScrollAxes(true, -3000, 3000);
        QVERIFY(chart->BottomAxis()->Automatic());
    }

    void emptyTitleStillTakesItsGap()
    {
        auto chart = DisplayChart(1);
        chart->SeriesAt(0)->AddPointXY(0, 0);
        chart->SeriesAt(0)->AddPointXY(1, 1);
        chart->Title.SetVisible(false);
        Render(*chart);
        const int top = chart->PlotRect().Top;
        chart->Title.SetText({});
        chart->Title.SetVisible(true);
        Render(*chart);
        QCOMPARE(chart->PlotRect().Top, top + 5);
    }
};

QTEST_MAIN(tst_ChartMouse)
#include "tst_chartmouse.moc"
