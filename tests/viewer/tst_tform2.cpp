#include "application.h"
#include "controls.h"
#include "plotbuilder.h"
#include "project1.h"
#include "separators.h"
#include "tchart.h"
#include "tchartaxis.h"
#include "tchartseries.h"
#include "testsupport.h"
#include "tform1.h"
#include "tform2.h"
#include "tform3.h"
#include "tform4.h"
#include "viewerscene.h"

#include <QCheckBox>
#include <QCursor>
#include <QDir>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <memory>

// The display window and the plot builder, walked as a user walks them: files opened from both
// lists of the main window, the stacked picture, the coordinates and crosshair under the mouse,
// a click on a line, zooming, and what happens to bad files and bad spacings.
class tst_TForm2 : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_scene = std::make_unique<ProgramScene>();
        QVERIFY(m_scene->shown());
    }
    void cleanup()
    {
        m_scene.reset();
        BrowseCursor = BrowseCursorData {};
        SetNumberSeparators({ '.', ',' });
    }

    void openingStacksTheSpectraOfTheFile();
    void pointerReadsCoordinatesAndDrawsTheCrosshair_data();
    void pointerReadsCoordinatesAndDrawsTheCrosshair();
    void clickOnALineNamesItAndZoomOutlivesTheFile();
    void badFilesAndSpacingsLeaveTheProgramGoing();

private:
    // A file of one x column and the given spectra (one column each), rows x = 100, 200, ...
    QString write(const std::string &name, const std::vector<std::vector<double>> &spectra,
        double x0 = 100, double dx = 100)
    {
        std::vector<std::string> lines;
        std::string header = "Shift";
        for (std::size_t s = 0; s < spectra.size(); ++s)
            header += "\tS" + std::to_string(s);
        for (std::size_t r = 0; r < spectra[0].size(); ++r) {
            std::string line =
                QString::number(x0 + dx * static_cast<double>(r), 'g', 17).toStdString();
            for (const auto &spectrum : spectra)
                line += "\t" + QString::number(spectrum[r], 'g', 17).toStdString();
            lines.push_back(line);
        }
        lines.emplace_back();
        return QString::fromStdString(m_scene->folder.write(
            name, SpectrumText("Raman shift [1/cm]", "Intensity [counts]", header, lines)));
    }
    static void doubleClick(TListBox *list, int index)
    {
        list->SetItemIndex(index);
        QTest::mouseDClick(
            list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(index)).center());
    }
    static double y(int series, int point)
    {
        return Form2->Chart1->SeriesAt(series)->YValues().ValueAt(point);
    }
    static void movePointer(QPoint p)
    {
        QCursor::setPos(Form2->Chart1->mapToGlobal(p));
        QTest::mouseMove(Form2->Chart1, p);
    }
    static QRgb surface(int x, int y) { return Form2->Chart1->Surface().pixel(x, y) & 0xFFFFFF; }

    std::unique_ptr<ProgramScene> m_scene;
};

void tst_TForm2::openingStacksTheSpectraOfTheFile()
{
    // GIVEN three spectra whose largest value, 1000, stands in the last row
    const QString three = write("three.txt", { { 1, 2, 3 }, { 4, 5, 6 }, { 7, 8, 1000 } });
    const QString one = write("one.txt", { { -5, 50, 1000 } });
    const QString negative = write("negative.txt", { { -5, -50, -1 } });
    m_scene->script.answerDialog({ three, one, negative });
    QTest::mouseClick(Form1->Button1, Qt::LeftButton);
    QCOMPARE(Form1->ListBox1->Count(), 3);

    // WHEN the file is opened from the file list
    doubleClick(Form1->ListBox1, 2);
    // THEN every row is drawn, each spectrum lifted by another 30 % of the maximum
    TChart &chart = *Form2->Chart1;
    QVERIFY(Form2->isVisible() && Form3->isVisible());
    QCOMPARE(Form2->windowTitle(), three);
    QCOMPARE(chart.Title.Text(), QStringList { three });
    QCOMPARE(chart.SeriesAt(2)->PointCount(), 3);
    QCOMPARE(chart.SeriesAt(3)->PointCount(), 0);
    QCOMPARE(y(0, 0), 301.0);
    QCOMPARE(y(1, 1), 605.0);
    QCOMPARE(y(2, 2), 1900.0);
    QVERIFY(!chart.LeftAxis()->Labels() && chart.LeftAxis()->Title.Caption().isEmpty());
    QCOMPARE(chart.BottomAxis()->Title.Caption(), QStringLiteral("Raman shift [1/cm] "));
    QVERIFY(Form3->Abstand->isEnabled());
    QCOMPARE(Form4->ListBox2->Items(), QStringList { three });
    QCOMPARE(BrowseCursor.List, Form1->ListBox1);
    QCOMPARE(BrowseCursor.Index, 2);
    QVERIFY(Form3->Nextspek->isEnabled() && Form3->lastspek->isEnabled());

    // A spacing of 0 puts them at their raw heights, without reading the file again.
    Form3->Abstand->setText(QStringLiteral("0"));
    ShowSpectra(QString());
    QCOMPARE(y(2, 2), 1000.0);
    Form3->Abstand->setText(QStringLiteral("30"));

    // One spectrum keeps its axis labels and caption; all-negative data get no lift.
    doubleClick(Form1->ListBox1, 1);
    QCOMPARE(y(0, 0), 295.0);
    QVERIFY(chart.LeftAxis()->Labels());
    QCOMPARE(chart.LeftAxis()->Title.Caption(), QStringLiteral("Intensity [counts]"));
    QVERIFY(!Form3->Abstand->isEnabled());
    doubleClick(Form1->ListBox1, 0);
    QCOMPARE(y(0, 1), -50.0);

    // Opened from the result list, the viewer keeps to that list, also after it changes.
    Form1->ListBox3->Add(one);
    doubleClick(Form1->ListBox3, 0);
    QCOMPARE(BrowseCursor.List, Form1->ListBox3);
    Form1->ListBox3->Clear();
    Form1->ListBox3->Add(three);
    QCOMPARE(BrowseCursor.List->Item(BrowseCursor.Index), three);
    QVERIFY(m_scene->script.boxes.empty());
}

void tst_TForm2::pointerReadsCoordinatesAndDrawsTheCrosshair_data()
{
    QTest::addColumn<char>("decimal");
    QTest::addColumn<char>("thousands");
    QTest::addColumn<QString>("locale");
    QTest::newRow("German") << ',' << '.' << QStringLiteral("de_DE");
    QTest::newRow("English") << '.' << ',' << QStringLiteral("en_US");
}

void tst_TForm2::pointerReadsCoordinatesAndDrawsTheCrosshair()
{
    QFETCH(char, decimal);
    QFETCH(char, thousands);
    QFETCH(QString, locale);
    SetNumberSeparators({ decimal, thousands });
    std::vector<double> rising;
    for (int i = 0; i <= 100; ++i)
        rising.push_back(i * 37.0);
    Form1->ListBox1->Add(write("rising.txt", { rising }));
    doubleClick(Form1->ListBox1, 0);
    QVERIFY(QTest::qWaitForWindowExposed(Form2));
    TChart &chart = *Form2->Chart1;
    const TRect plot = chart.PlotRect();
    const QPoint p(plot.Left + 150, plot.Top + 40);

    // Crosshair off: the caption reads the values in the user's notation, nothing is drawn.
    movePointer(p);
    const auto text = [&](double v) {
        QString s = QLocale(locale).toString(v, 'f', 3);
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLocale(locale).decimalPoint()))
            s.chop(1);
        return s;
    };
    QCOMPARE(Form2->windowTitle(),
        QStringLiteral("( x , y ) - (") + text(chart.BottomAxis()->AxisPixelToValue(p.x()))
            + QStringLiteral(" , ") + text(chart.LeftAxis()->AxisPixelToValue(p.y()))
            + QStringLiteral(" )"));
    QVERIFY(Form2->windowTitle().contains(QLocale(locale).groupSeparator()));
    QCOMPARE(CrosshairState.X, -1);
    QCOMPARE(surface(p.x(), plot.Top + 5), QRgb(0xFFFFFF));

    // Crosshair on: exclusive-or yellow, blue on the white background; the next move erases it.
    Form3->showcrosshair->setChecked(true);
    movePointer(p);
    QCOMPARE(CrosshairState.X, p.x());
    QCOMPARE(surface(p.x(), plot.Top + 5), QRgb(0x0000FF));
    QCOMPARE(surface(plot.Left + 3, p.y()), QRgb(0x0000FF));
    movePointer(p + QPoint(7, 7));
    QCOMPARE(surface(p.x(), plot.Top + 5), QRgb(0xFFFFFF));
    // Outside the plot it is erased and the caption stays.
    const QString caption = Form2->windowTitle();
    movePointer(QPoint(plot.Left - 2, p.y()));
    QCOMPARE(CrosshairState.X, -1);
    QCOMPARE(surface(p.x() + 7, plot.Top + 5), QRgb(0xFFFFFF));
    QCOMPARE(Form2->windowTitle(), caption);
    // A drawing pass wipes it and is forgotten: the next move draws without erasing first.
    movePointer(p);
    chart.Repaint();
    QCOMPARE(CrosshairState.X, -1);
    movePointer(p);
    QCOMPARE(surface(p.x(), plot.Top + 5), QRgb(0x0000FF));
}

void tst_TForm2::clickOnALineNamesItAndZoomOutlivesTheFile()
{
    std::vector<double> flat(40, 10), ramp, other(40, 3);
    for (int i = 0; i < 40; ++i)
        ramp.push_back(i * 10.0);
    Form1->ListBox1->Add(write("a.txt", { flat, flat, ramp, flat }));
    Form1->ListBox1->Add(write("b.txt", { other }));
    doubleClick(Form1->ListBox1, 0);
    QVERIFY(QTest::qWaitForWindowExposed(Form2));
    TChart &chart = *Form2->Chart1;
    TChartSeries &third = *chart.SeriesAt(2);
    const QPoint onThird(third.XValueToPixel(third.XValues().ValueAt(20)),
        third.YValueToPixel(third.YValues().ValueAt(20)));
    QTest::mouseClick(&chart, Qt::LeftButton, {}, onThird);
    QCOMPARE(Form3->Edit1->text(), QStringLiteral("2"));
    QVERIFY(!chart.ZoomDrag.Active);

    // A drag right and down zooms; the next file is shown in the same ranges.
    const TRect plot = chart.PlotRect();
    const QPoint from(plot.Left + 20, plot.Top + 10), to(plot.Left + 120, plot.Bottom - 10);
    QTest::mousePress(&chart, Qt::LeftButton, {}, from);
    QTest::mouseMove(&chart, to);
    QTest::mouseRelease(&chart, Qt::LeftButton, {}, to);
    QVERIFY(chart.Zoomed());
    const double minimum = chart.BottomAxis()->Minimum();
    doubleClick(Form1->ListBox1, 1);
    QCOMPARE(chart.BottomAxis()->Minimum(), minimum);
    QVERIFY(!chart.BottomAxis()->Automatic());
}

void tst_TForm2::badFilesAndSpacingsLeaveTheProgramGoing()
{
    const QString good = write("good.txt", { { 1, 2, 3 } });
    Form1->ListBox1->Add(good);
    doubleClick(Form1->ListBox1, 0);
    const BrowseCursorData cursor = BrowseCursor;

    // A file gone since it was listed: the message, and the view stays.
    const QString gone = QString::fromStdString(m_scene->folder.path("gone.txt"));
    Form1->ListBox1->Add(gone);
    doubleClick(Form1->ListBox1, 0);
    QCOMPARE(m_scene->script.boxes.back().Text, std::string("Datei nicht gefunden."));
    QCOMPARE(Form2->windowTitle(), good);
    QVERIFY(Form4->ListBox2->Count() == 0);
    QCOMPARE(BrowseCursor.Index, cursor.Index);
    QCOMPARE(Form2->Chart1->SeriesAt(0)->PointCount(), 3);

    // A spacing that is no number: the message, and an empty chart.
    Form3->Abstand->setText(QStringLiteral("3x"));
    doubleClick(Form1->ListBox1, 1);
    QCOMPARE(
        m_scene->script.boxes.back().Text, std::string("'3x' ist kein gültiger Gleitkommawert."));
    QCOMPARE(Form2->Chart1->SeriesAt(0)->PointCount(), 0);
    Form3->Abstand->setText(QStringLiteral("30"));

    // Values at the ends of the double range: an overflow, and the program goes on.
    Form1->ListBox1->Add(QString::fromStdString(m_scene->folder.write(
        "huge.txt", SpectrumText("x", "y", "Shift\tA", { "-1e308\t1", "0\t2", "1e308\t3", "" }))));
    const int boxes = static_cast<int>(m_scene->script.boxes.size());
    doubleClick(Form1->ListBox1, Form1->ListBox1->Count() - 1);
    // The failed pass reports after its paint: wait for the box, not for a fixed time.
    QTRY_VERIFY(static_cast<int>(m_scene->script.boxes.size()) > boxes);
    QCOMPARE(QString::fromStdString(m_scene->script.boxes.back().Text),
        QStringLiteral("Gleitkommaüberlauf."));
    doubleClick(Form1->ListBox1, 1);
    QCOMPARE(Form2->windowTitle(), good);
    QCOMPARE(Form2->Chart1->SeriesAt(0)->PointCount(), 3);
}

QTEST_MAIN(tst_TForm2)
#include "tst_tform2.moc"
