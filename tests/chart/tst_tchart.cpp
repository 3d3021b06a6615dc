#include "chartexceptions.h"
#include "chartfixture.h"
#include "chartmessages.h"
#include "exceptions.h"
#include "separators.h"
#include "tchartaxis.h"
#include "testsupport.h"

#include <QFontMetrics>
#include <QTest>
#include <vector>

class tst_TChart : public QObject
{
    Q_OBJECT

private slots:
    void init() { SetNumberSeparators(NumberSeparators { '.', ',' }); }

    void seriesListKeepsItsOrderAndChecksIndexes()
    {
        auto chart = DisplayChart(101);
        QCOMPARE(chart->SeriesCount(), 101);
        QCOMPARE(chart->SeriesAt(0)->Name(), std::string("Series1"));
        QCOMPARE(chart->SeriesAt(100)->Name(), std::string("Series101"));
        PH_EXPECT_THROW(EListError, chart->SeriesAt(101),
            "Der Index der Liste überschreitet das Maximum (101)");
        PH_EXPECT_THROW(
            EListError, chart->SeriesAt(-1), "Der Index der Liste überschreitet das Maximum (-1)");
        TChartSeries *s = chart->SeriesAt(5);
        s->AddPointXY(1, 2);
        s->ClearPoints();
        QCOMPARE(s->PointCount(), 0);
        QCOMPARE(s->MaxX(), 0.0);
        QCOMPARE(s->MinY(), 0.0);
        QCOMPARE(chart->SeriesAt(5), s);
    }

    void pointsFollowTheirXValues()
    {
        auto chart = DisplayChart(1);
        TChartSeries *s = chart->SeriesAt(0);
        QCOMPARE(s->AddPointXY(3, 30, "c", 0), 0);
        QCOMPARE(s->AddPointXY(1, 10, "a", 0), 0);
        QCOMPARE(s->AddPointXY(2, 20, "", 0), 1);
        QCOMPARE(s->AddPointXY(2, 21, "b", 0x0000FF), 2);
        QCOMPARE(s->PointCount(), 4);
        const double y[] = { 10, 20, 21, 30 };
        const char *label[] = { "a", "", "b", "c" };
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(s->YValues().ValueAt(i), y[i]);
            QCOMPARE(s->PointLabel(i), std::string(label[i]));
        }
        QCOMPARE(s->PointColor(2), TColor(0x0000FF));
        QCOMPARE(s->MinX(), 1.0);
        QCOMPARE(s->MaxX(), 3.0);
        QCOMPARE(s->MaxY(), 30.0);
    }

    // A column added in one go gives the series every point, colour, label and statistic that
    // adding its points one by one gives, whichever way its x values run, onto an empty series
    // or one that holds points already, and with an OnAfterAdd that must see every point.
    void addPointsMatchesAddingEveryPoint_data()
    {
        QTest::addColumn<std::vector<double>>("before");
        QTest::addColumn<std::vector<double>>("column");
        QTest::addColumn<bool>("watched");
        using V = std::vector<double>;
        QTest::newRow("ascending") << V {} << V { 1, 2, 2, 3, 5 } << false;
        QTest::newRow("descending") << V {} << V { 9, 7, 4, 3 } << false;
        QTest::newRow("descending with equal values") << V {} << V { 9, 7, 7, 3 } << false;
        QTest::newRow("mixed") << V {} << V { 4, 1, 8, 2 } << false;
        QTest::newRow("after the points held") << V { 1, 3 } << V { 3, 4, 6 } << false;
        QTest::newRow("before the points held") << V { 5, 8 } << V { 4, 2, 1 } << false;
        QTest::newRow("into the points held") << V { 1, 8 } << V { 9, 5, 0 } << false;
        QTest::newRow("watched") << V {} << V { 3, 2, 1 } << true;
    }

    void addPointsMatchesAddingEveryPoint()
    {
        QFETCH(std::vector<double>, before);
        QFETCH(std::vector<double>, column);
        QFETCH(bool, watched);
        auto chart = DisplayChart(2);
        TChartSeries *bulk = chart->SeriesAt(0);
        TChartSeries *single = chart->SeriesAt(1);
        std::vector<int> seen;
        for (TChartSeries *s : { bulk, single }) {
            // A label and colour left from an earlier filling must not come back.
            s->AddPointXY(50, 50, "old", clBlue);
            s->ClearPoints();
            for (double x : before)
                s->AddPointXY(x, -x, "kept", clBlue);
            if (watched)
                s->OnAfterAdd = [&seen](TChartSeries *, int index) { seen.push_back(index); };
        }
        std::vector<double> y;
        for (std::size_t i = 0; i < column.size(); ++i)
            y.push_back(10.0 * static_cast<double>(i) + column[i]);
        bulk->AddPoints(column.data(), y.data(), static_cast<int>(column.size()), clYellow);
        for (std::size_t i = 0; i < column.size(); ++i)
            single->AddPointXY(column[i], y[i], std::string(), clYellow);
        QCOMPARE(bulk->PointCount(), single->PointCount());
        for (int i = 0; i < bulk->PointCount(); ++i) {
            QCOMPARE(bulk->XValues().ValueAt(i), single->XValues().ValueAt(i));
            QCOMPARE(bulk->YValues().ValueAt(i), single->YValues().ValueAt(i));
            QCOMPARE(bulk->PointColor(i), single->PointColor(i));
            QCOMPARE(bulk->PointLabel(i), single->PointLabel(i));
        }
        QCOMPARE(bulk->XValues().InOrder(), single->XValues().InOrder());
        QCOMPARE(bulk->MinY(), single->MinY());
        QCOMPARE(bulk->MaxX(), single->MaxX());
        QCOMPARE(bulk->YValues().SumOfValues(), single->YValues().SumOfValues());
        if (watched)
            QCOMPARE(seen.size(), 2 * column.size());
        chart->Repaint();
        bulk->AddPoints(column.data(), y.data(), 1);
        QVERIFY(chart->Canvas()->PictureOutOfDate());
    }

    void pointColours()
    {
        auto chart = DisplayChart(1);
        TChartSeries *s = chart->SeriesAt(0);
        s->AddPointXY(1, 1, "", clBlack);
        s->AddPointXY(2, 2, "", DefaultColorMark);
        s->SetSeriesColor(clBlue);
        QCOMPARE(s->PointColor(0), clBlack);
        QCOMPARE(s->PointColor(1), clBlue);
        QCOMPARE(s->PointColor(9), clBlue);
        s->SetColorEachPoint(true);
        QCOMPARE(s->PointColor(1), DefaultPaletteColor(1));
        QCOMPARE(s->PointColor(0), clBlack);
    }

    void seriesWithoutColourGetsAFreePaletteColour()
    {
        TChart chart;
        TLineSeries *a = chart.AddLineSeries("a");
        TLineSeries *b = chart.AddLineSeries("b");
        QCOMPARE(a->SeriesColor(), DefaultPaletteColor(0));
        QCOMPARE(b->SeriesColor(), DefaultPaletteColor(1));
    }

    void vetoedPointIsNotAdded()
    {
        auto chart = DisplayChart(1);
        TChartSeries *s = chart->SeriesAt(0);
        int after = -2;
        s->OnBeforeAdd = [](TChartSeries *sender) { return sender->XValues().PendingValue < 10; };
        s->OnAfterAdd = [&after](TChartSeries *, int index) { after = index; };
        QCOMPARE(s->AddPointXY(5, 1), 0);
        QCOMPARE(after, 0);
        QCOMPARE(s->AddPointXY(50, 1), -1);
        QCOMPARE(s->PointCount(), 1);
        QCOMPARE(after, 0);
    }

    void settersInvalidateOnlyOnChange()
    {
        auto chart = DisplayChart(1);
        chart->Title.Add(QStringLiteral("TChart"));
        chart->BottomAxis()->Title.SetCaption(QStringLiteral("test"));
        QVERIFY(chart->RepaintEnabled());
        chart->Repaint();
        QVERIFY(!chart->Canvas()->PictureOutOfDate());
        chart->Title.SetVisible(true);
        chart->BottomAxis()->Title.SetCaption(QStringLiteral("test"));
        chart->LeftAxis()->SetLabels(true);
        chart->SeriesAt(0)->SetActive(true);
        chart->SeriesAt(0)->SetSeriesColor(clBlack);
        chart->Title.Clear();
        chart->Title.Add(QStringLiteral("TChart"));
        QVERIFY(chart->Canvas()->PictureOutOfDate()); // the title list changed twice
        chart->Repaint();
        chart->Title.SetVisible(true);
        chart->BottomAxis()->Title.SetCaption(QStringLiteral("test"));
        QVERIFY(!chart->Canvas()->PictureOutOfDate());
        chart->BottomAxis()->Title.SetCaption(QStringLiteral("x"));
        QVERIFY(chart->Canvas()->PictureOutOfDate());
        chart->Repaint();
        chart->SeriesAt(0)->AddPointXY(1, 1);
        QVERIFY(chart->Canvas()->PictureOutOfDate());
    }

    void axisSettersCheckTheirValues()
    {
        TChart chart;
        TChartAxis *axis = chart.LeftAxis();
        axis->SetMaximum(10);
        PH_EXPECT_THROW(
            AxisException, axis->SetMinimum(11), "Der Minimalwert einer Achse muß <= Maximum sein");
        PH_EXPECT_THROW(
            AxisException, axis->SetMaximum(-1), "Der Maximalwert einer Achse muß >= Minimum sein");
        PH_EXPECT_THROW(AxisException, axis->SetIncrement(-1), "Die Achsensteigung muß >= 0 sein");
        PH_EXPECT_THROW(AxisException, axis->SetLabelsSeparation(-1),
            "Titelseparation % muß größer als 0 sein");
        PH_EXPECT_THROW(ChartException, chart.SetChart3DPercent(0),
            "Der Prozentsatz für 3D-Effekte muß zwischen 1 und 100 liegen");
        QCOMPARE(axis->Maximum(), 10.0);
        QCOMPARE(chart.Chart3DPercent(), 15);
        // Automatic and its two halves move together.
        axis->SetAutomaticMinimum(false);
        QVERIFY(!axis->Automatic());
        axis->SetAutomaticMinimum(true);
        QVERIFY(axis->Automatic());
        axis->SetAutomatic(false);
        QVERIFY(!axis->AutomaticMaximum() && !axis->AutomaticMinimum());
    }

    void automaticRangesFollowTheSeries()
    {
        auto chart = DisplayChart(3);
        chart->SeriesAt(0)->AddPointXY(100, 5);
        chart->SeriesAt(0)->AddPointXY(400, 7);
        chart->SeriesAt(1)->AddPointXY(50, 20);
        chart->SeriesAt(1)->AddPointXY(300, -3);
        chart->SeriesAt(2)->AddPointXY(1000, 99);
        chart->SeriesAt(2)->SetActive(false);
        chart->Repaint();
        QCOMPARE(chart->BottomAxis()->RangeMinimum(), 50.0);
        QCOMPARE(chart->BottomAxis()->RangeMaximum(), 400.0);
        QCOMPARE(chart->LeftAxis()->RangeMinimum(), -3.0);
        QCOMPARE(chart->LeftAxis()->RangeMaximum(), 20.0);
        // Axes without series: 0..0, every value at the centre.
        QCOMPARE(chart->TopAxis()->RangeSpan(), 0.0);
        QCOMPARE(chart->TopAxis()->AxisValueToPixel(123), chart->TopAxis()->PixelCenter());
        // A manual range stays for new data.
        chart->BottomAxis()->SetAxisRange(200, 100);
        QCOMPARE(chart->BottomAxis()->Minimum(), 100.0);
        QCOMPARE(chart->BottomAxis()->Maximum(), 200.0);
        chart->SeriesAt(0)->AddPointXY(2000, 1);
        chart->Repaint();
        QCOMPARE(chart->BottomAxis()->RangeMaximum(), 200.0);
        chart->BottomAxis()->SetAxisRange(5, 5);
        QCOMPARE(chart->BottomAxis()->Maximum(), 5 + 1e-10);
    }

    void labelTextUsesTheUsersSeparators()
    {
        auto chart = DisplayChart(1);
        SetNumberSeparators(NumberSeparators { ',', '.' });
        QCOMPARE(chart->BottomAxis()->LabelText(1234.5), QStringLiteral("1.234,5"));
        QCOMPARE(chart->BottomAxis()->LabelText(0.0004), QStringLiteral("0"));
        SetNumberSeparators(NumberSeparators { '.', ',' });
        QCOMPARE(chart->BottomAxis()->LabelText(1234.5), QStringLiteral("1,234.5"));
        QCOMPARE(chart->BottomAxis()->LabelText(0), QStringLiteral("0"));
        chart->OnGetAxisLabel = [](TChartAxis *, TChartSeries *, int index, QString &text) {
            QCOMPARE(index, -1);
            text += QStringLiteral(" cm");
        };
        chart->BottomAxis()->SetLabelsMultiLine(true);
        QCOMPARE(chart->BottomAxis()->LabelText(2), QStringLiteral("2\rcm"));
    }

    void plotRectBeforeTitleAndAxes()
    {
        // A visible title and foot of no lines each keep their 5-pixel gap.
        auto chart = DisplayChart(0);
        chart->Repaint();
        QCOMPARE(chart->PlotRect(), (TRect { 18, 21, 575, 374 }));
        QCOMPARE(chart->DepthOffsetX(), 0);
        QCOMPARE(chart->DepthOffsetY(), 0);
        // With no active series no axis is shown and none takes space.
        chart->AddLineSeries("inactive")->SetActive(false);
        chart->Repaint();
        QCOMPARE(chart->PlotRect(), (TRect { 18, 21, 575, 374 }));
    }

    void titleToggleMovesThePlotTop()
    {
        auto chart = DisplayChart(0);
        chart->Title.Add(QStringLiteral("TChart"));
        chart->Repaint();
        const int lineHeight = QFontMetrics(chart->Title.Font.ToQFont()).height();
        QCOMPARE(chart->PlotRect().Top, 16 + lineHeight + 5);
        chart->Title.SetVisible(false);
        chart->Repaint();
        QCOMPARE(chart->PlotRect().Top, 16);
        chart->Title.SetVisible(true);
        chart->Title.Add(QStringLiteral("second line"));
        chart->Repaint();
        QCOMPARE(chart->PlotRect().Top, 16 + 2 * lineHeight + 5);
    }

    void axesTakeTheirSpace()
    {
        auto chart = DisplayChart(1);
        chart->SeriesAt(0)->AddPointXY(0, 0);
        chart->SeriesAt(0)->AddPointXY(1000, 1234.5);
        chart->BottomAxis()->Title.SetCaption(QStringLiteral("test"));
        chart->Repaint();
        chart->Repaint(); // the label room uses the axis length of the previous pass
        const TRect withLabels = chart->PlotRect();
        TChartAxis *left = chart->LeftAxis();
        TChartAxis *bottom = chart->BottomAxis();
        const int h = QFontMetrics(bottom->LabelsFont.ToQFont()).height();
        const int titleHeight = QFontMetrics(bottom->Title.Font.ToQFont()).height();
        // Bottom: title, labels, then axis pen width + tick length.
        QCOMPARE(bottom->PosTitle, 374 - titleHeight);
        QCOMPARE(bottom->PosLabels, 374 - titleHeight - h);
        QCOMPARE(withLabels.Bottom, 374 - titleHeight - h - 5);
        QCOMPARE(bottom->PosAxis, withLabels.Bottom);
        QVERIFY(withLabels.Left > 18 + 5);
        QVERIFY(!left->TickPositions().empty());
        QVERIFY(!bottom->TickPositions().empty());

        left->SetLabels(false);
        chart->Repaint();
        QCOMPARE(chart->PlotRect().Left, 18 + 5);
        QVERIFY(left->TickPositions().empty());
        QVERIFY(!bottom->TickPositions().empty());
    }

    void labelsRunDownwardInWholeSteps()
    {
        auto chart = DisplayChart(1);
        chart->SeriesAt(0)->AddPointXY(3, 3);
        chart->SeriesAt(0)->AddPointXY(47, 47);
        chart->LeftAxis()->SetIncrement(10);
        chart->Repaint();
        chart->Repaint();
        const std::vector<double> values = chart->LeftAxis()->LabelValues(*chart->Canvas());
        QCOMPARE(values, (std::vector<double> { 40, 30, 20, 10 }));
        TChartAxis *left = chart->LeftAxis();
        QCOMPARE(left->TickPositions().size(), std::size_t(4));
        QCOMPARE(left->TickPositions()[0], left->AxisValueToPixel(40));
    }

    // Regression: a single point (a flat range far from zero) stalled the label loop.
    void singlePointChartDrawsOneLabelPerAxis()
    {
        auto chart = DisplayChart(1);
        chart->SeriesAt(0)->AddPointXY(20000, 50000);
        chart->Repaint();
        chart->Repaint();
        QCOMPARE(chart->BottomAxis()->TickPositions().size(), std::size_t(1));
        QCOMPARE(chart->LeftAxis()->TickPositions().size(), std::size_t(1));
        QCOMPARE(chart->BottomAxis()->TickPositions()[0], chart->BottomAxis()->PixelCenter());
    }
};

QTEST_MAIN(tst_TChart)
#include "tst_tchart.moc"
