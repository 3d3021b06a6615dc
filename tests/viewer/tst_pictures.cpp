// The pictures a user saves and copies from the viewer, through its real windows.

#include "controls.h"
#include "plotbuilder.h"
#include "tchart.h"
#include "tchartseries.h"
#include "tform2.h"
#include "tform3.h"
#include "tform4.h"
#include "tvelcanvas3d.h"
#include "viewerscene.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTest>
#include <memory>

class tst_Pictures : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_scene = std::make_unique<ProgramScene>(); }
    void cleanup() { m_scene.reset(); }
    void savedInEveryTypeByItsFilter();
    void copiedToTheClipboard();
    void mergedViewInColours();
    void mergedFilesWithALegend();
    void stackForPrint();

private:
    void press(QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    std::unique_ptr<ProgramScene> m_scene;
};

void tst_Pictures::savedInEveryTypeByItsFilter()
{
    m_scene->listFiles({ m_scene->write("a.txt", TaggedSpectra({ 100, 300 })) });
    m_scene->open(0);
    const QString pic = m_scene->path("pic");
    m_scene->script.answerSaveDialog(pic, 1);
    press(Form3->savebmp);
    m_scene->takeBoxes();
    const QImage bmp = QImage(pic + QStringLiteral(".bmp")).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(bmp.size(), Form2->Chart1->size());

    const struct {
        QString chosen;
        int filter;
        QString written;
        QByteArray format;
    } saves[] = { { pic, 3, pic + QStringLiteral(".png"), "png" },
        { pic, 4, pic + QStringLiteral(".svg"), "svg" },
        { pic + QStringLiteral(".pdf"), 5, pic + QStringLiteral(".pdf"), "pdf" },
        // A name with another offered type's extension is written as that type.
        { pic + QStringLiteral(".png"), 1, pic + QStringLiteral(".png"), "png" },
        { pic + QStringLiteral(".wmf"), 4, pic + QStringLiteral(".wmf"), "bmp" },
        { pic + QStringLiteral(".svg"), 3, pic + QStringLiteral(".svg"), "svg" },
        { pic + QStringLiteral(".PNG"), 1, pic + QStringLiteral(".PNG.bmp"), "bmp" } };
    for (const auto &save : saves) {
        m_scene->script.answerSaveDialog(save.chosen, save.filter);
        press(Form3->savebmp);
        QCOMPARE(m_scene->takeBoxes(),
            QStringList { QStringLiteral("File gespeichert\r") + save.written });
        QCOMPARE(Form2->windowTitle(), save.written);
        if (save.format == "pdf") {
            QFile file(save.written);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(file.readAll().startsWith("%PDF-"));
            continue;
        }
        QCOMPARE(QImageReader::imageFormat(save.written), save.format);
        if (save.format == "svg")
            QCOMPARE(QSvgRenderer(save.written).defaultSize(), Form2->Chart1->size());
        else
            QVERIFY(QImage(save.written).convertToFormat(QImage::Format_RGB32) == bmp);
    }
    // The dialog's own filter is the bitmap one; the others follow it.
    const auto &dialog = m_scene->script.saveDialogs.front();
    QCOMPARE(dialog.Filter, QStringLiteral("Bitmaps (*.bmp)|*.bmp|Metadateien (*.wmf)|*.wmf"));
    QCOMPARE(Form3->SavePictureDialog1.MoreFilter,
        QStringLiteral(
            "PNG-Bild (*.png)|*.png|SVG-Grafik (*.svg)|*.svg|PDF-Dokument (*.pdf)|*.pdf"));

    // A chosen size and resolution; the chart on the screen stays as it was.
    const QImage shown = Form2->Chart1->Surface();
    Form3->SavePictureDialog1.PictureWidth = 1000;
    Form3->SavePictureDialog1.PictureHeight = 700;
    Form3->SavePictureDialog1.PictureDpi = 300;
    m_scene->script.answerSaveDialog(pic + QStringLiteral("-big.png"), 3);
    press(Form3->savebmp);
    m_scene->takeBoxes();
    const QImage big(pic + QStringLiteral("-big.png"));
    QCOMPARE(big.size(), QSize(1000, 700));
    QCOMPARE(big.dotsPerMeterX(), 11811);
    QVERIFY(Form2->Chart1->Surface() == shown);
}

void tst_Pictures::copiedToTheClipboard()
{
    m_scene->listFiles({ m_scene->write("a.txt", TaggedSpectra({ 100, 300 })) });
    m_scene->open(0);
    m_scene->script.answerSaveDialog(m_scene->path("pic.bmp"), 1);
    press(Form3->savebmp);
    m_scene->takeBoxes();
    const QImage bmp = QImage(m_scene->path("pic.bmp")).convertToFormat(QImage::Format_RGB32);

    Form2->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Form2));
    // With the crosshair on the screen, which stays there and in the record.
    Form3->showcrosshair->setChecked(true);
    const TRect plot = Form2->Chart1->PlotRect();
    const int x = (plot.Left + plot.Right) / 2, y = (plot.Top + plot.Bottom) / 2;
    Form2->mousemove(Form2->Chart1, {}, x, y);
    const QImage withCrosshair = Form2->Chart1->Surface();
    QVERIFY(withCrosshair != bmp);
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(Form2->Chart1, Qt::Key_C, Qt::ControlModifier);
    QVERIFY(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32) == bmp);
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    QVERIFY(data->hasFormat(QStringLiteral("image/svg+xml")));
    QVERIFY(QSvgRenderer(data->data(QStringLiteral("image/svg+xml"))).isValid());
    QCOMPARE(CrosshairState.X, x);
    QVERIFY(Form2->Chart1->Surface() == withCrosshair);

    // A right click opens the chart's menu; a right drag pans and opens none.
    QGuiApplication::clipboard()->clear();
    QTest::mouseClick(Form2->Chart1, Qt::RightButton, {}, QPoint(x, y));
    QTRY_VERIFY(Form2->ChartMenu->isVisible());
    QCOMPARE(Form2->ChartMenu->actions(), QList<QAction *> { Form2->CopyPictureItem });
    QCOMPARE(Form2->CopyPictureItem->text(), QStringLiteral("Bild kopieren"));
    Form2->ChartMenu->hide();
    Form2->CopyPictureItem->trigger();
    QVERIFY(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32) == bmp);
    QTest::mousePress(Form2->Chart1, Qt::RightButton, {}, QPoint(x, y));
    QTest::mouseMove(Form2->Chart1, QPoint(x + 30, y));
    QTest::mouseRelease(Form2->Chart1, Qt::RightButton, {}, QPoint(x + 30, y));
    QTest::qWait(20);
    QVERIFY(!Form2->ChartMenu->isVisible());
}

// Three spectra in colours: each line its own, told apart also in grey; the click still finds
// a line, the crosshair still shows; off again, all black as before.
void tst_Pictures::mergedViewInColours()
{
    m_scene->listFiles({ m_scene->write("a.txt", TaggedSpectra({ 100, 300, 500 })) });
    m_scene->open(0);
    const QImage black = Form2->Chart1->Surface();
    QVERIFY(!Form3->Farben->isChecked());
    QCOMPARE(Form3->Farben->accessibleName(), QStringLiteral("Farben"));
    QTest::mouseClick(Form3->Farben, Qt::LeftButton);
    QVERIFY(Form3->Farben->isChecked());
    QList<int> greys;
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(Form2->Chart1->SeriesAt(i)->PointColor(0), SpectrumColor(i));
        greys << qGray(static_cast<int>(SpectrumColor(i) & 0xFF),
            static_cast<int>((SpectrumColor(i) >> 8) & 0xFF),
            static_cast<int>((SpectrumColor(i) >> 16) & 0xFF));
    }
    QVERIFY(greys[0] + 25 < greys[1] && greys[1] + 25 < greys[2]);
    const QImage coloured = Form2->Chart1->Surface();
    QVERIFY(coloured != black);
    QCOMPARE(ShownTags(), (QList<int> { 100, 300, 500 }));

    m_scene->script.answerSaveDialog(m_scene->path("colours.png"), 3);
    press(Form3->savebmp);
    m_scene->takeBoxes();
    QVERIFY(QImage(m_scene->path("colours.png")).convertToFormat(QImage::Format_RGB32) == coloured);

    QTest::mouseClick(Form3->Farben, Qt::LeftButton);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(Form2->Chart1->SeriesAt(i)->PointColor(0), clBlack);
    const QImage again = Form2->Chart1->Surface();
    for (int y = 0; y < again.height(); ++y)
        for (int x = 0; x < again.width(); ++x)
            QVERIFY(qRed(again.pixel(x, y)) == qGreen(again.pixel(x, y))
                && qGreen(again.pixel(x, y)) == qBlue(again.pixel(x, y)));
}

// Two files merged through "Daten ändern", in colours with the legend: it names each spectrum
// by its file, top of the stack first, each row in its line's colour, in the window and in the
// saved pictures; a click on a line still finds it, and Remove takes its row away.
void tst_Pictures::mergedFilesWithALegend()
{
    const QString one = m_scene->write("one.txt", TaggedSpectra({ 100 }));
    const QString two = m_scene->write("two.txt", TaggedSpectra({ 300, 500 }));
    m_scene->listFiles({ one, two });
    m_scene->open(0);
    TChart &chart = *Form2->Chart1;
    const QImage plain = chart.Surface();
    QVERIFY(!Form3->Legende->isChecked());
    QCOMPARE(Form3->Legende->accessibleName(), QStringLiteral("Legende"));
    QCOMPARE(chart.LegendRect(), TRect {});

    QTest::mouseClick(Form3->chgdata, Qt::LeftButton);
    QTest::mouseClick(Form4->Button3, Qt::LeftButton); // Clear
    DoubleClickEntry(Form4->ListBox1, 0);
    DoubleClickEntry(Form4->ListBox1, 1);
    QVERIFY(Form4->close());
    QCOMPARE(ShownTags(), (QList<int> { 300, 500, 100 }));
    QTest::mouseClick(Form3->Farben, Qt::LeftButton);
    QTest::mouseClick(Form3->Legende, Qt::LeftButton);
    QVERIFY(Form3->Legende->isChecked());

    const TRect box = chart.LegendRect();
    QVERIFY(box.Width() > 40 && box.Height() > 30);
    QVERIFY(chart.PlotRect().Right < box.Left);
    QStringList rows;
    for (TChartSeries *series : chart.LegendRows())
        rows << series->Title();
    QCOMPARE(rows,
        QStringList({ QStringLiteral("one.txt"), QStringLiteral("two.txt: S1"),
            QStringLiteral("two.txt: S0") }));
    const QImage shown = chart.Surface();
    // Each row's sample line is drawn in its spectrum's colour.
    for (int k = 0; k < 3; ++k) {
        const int y = box.Top + chart.LegendRowHeight() * k + chart.LegendRowHeight() / 2 + 2;
        const TColor colour = SpectrumColor(2 - k);
        bool found = false;
        for (int dy = -3; dy <= 3 && !found; ++dy)
            for (int x = box.Left; x < box.Left + 20 && !found; ++x)
                found = shown.pixel(x, y + dy) == PixelOf(colour);
        QVERIFY2(found, qPrintable(QStringLiteral("row %1").arg(k)));
    }
    const int row = box.Top + chart.LegendRowHeight() + 4;
    QCOMPARE(chart.CalcClickedPart(box.Left + 5, row).Part, TChart::cpLegend);
    QCOMPARE(chart.CalcClickedPart(box.Left + 5, row).ASeries, chart.SeriesAt(1));

    // The saved PNG is the window's picture; the SVG writes the names as text.
    m_scene->script.answerSaveDialog(m_scene->path("legend.png"), 3);
    QTest::mouseClick(Form3->savebmp, Qt::LeftButton);
    m_scene->script.answerSaveDialog(m_scene->path("legend.svg"), 4);
    QTest::mouseClick(Form3->savebmp, Qt::LeftButton);
    m_scene->takeBoxes();
    QVERIFY(QImage(m_scene->path("legend.png")).convertToFormat(QImage::Format_RGB32) == shown);
    QFile svg(m_scene->path("legend.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    const QByteArray svgText = svg.readAll();
    QVERIFY(svgText.contains("two.txt: S1") && svgText.contains("one.txt"));

    // Remove of the lowest spectrum takes its row away too.
    Form3->Edit1->setText(QStringLiteral("0"));
    QTest::mouseClick(Form3->Button1, Qt::LeftButton);
    rows.clear();
    for (TChartSeries *series : chart.LegendRows())
        rows << series->Title();
    QCOMPARE(rows, QStringList({ QStringLiteral("one.txt"), QStringLiteral("two.txt: S1") }));

    // Both off: the picture is the plain one again.
    QTest::mouseClick(Form3->Legende, Qt::LeftButton);
    QTest::mouseClick(Form3->Farben, Qt::LeftButton);
    QCOMPARE(chart.LegendRect(), TRect {});
    QVERIFY(chart.PlotRect().Right > box.Left);
    Q_UNUSED(plain);
}

// A stack saved with a size, resolution and text size: its y axis says what it shows, the legend
// sits in the plot area, the page measures the picture at its resolution; the window keeps its
// own axes and legend.
void tst_Pictures::stackForPrint()
{
    m_scene->listFiles({ m_scene->write("a.txt", TaggedSpectra({ 100, 300, 500 })) });
    m_scene->open(0);
    QTest::mouseClick(Form3->Legende, Qt::LeftButton);
    TChart &chart = *Form2->Chart1;
    const QImage shown = chart.Surface();
    const TRect legend = chart.LegendRect();
    Form3->SavePictureDialog1.PictureWidth = 1800;
    Form3->SavePictureDialog1.PictureHeight = 1200;
    Form3->SavePictureDialog1.PictureDpi = 300;
    Form3->SavePictureDialog1.PictureTextSize = 8;
    const QString svg = m_scene->path("stack.svg");
    m_scene->script.answerSaveDialog(svg, 4);
    press(Form3->savebmp);
    m_scene->takeBoxes();
    QFile file(svg);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY(text.contains(QStringLiteral("Intensität (versetzt)")));
    QVERIFY(text.contains(QStringLiteral("width=\"152.40mm\" height=\"101.60mm\"")));
    QCOMPARE(chart.LeftAxis()->Title.Caption(), QString());
    QVERIFY(!chart.LegendCompact());
    QCOMPARE(chart.LegendRect(), legend);
    QVERIFY(chart.Surface() == shown);
}

QTEST_MAIN(tst_Pictures)
#include "tst_pictures.moc"
