#include "controls.h"
#include "spectrumtable.h"
#include "tchart.h"
#include "tchartseries.h"
#include "tchartvaluelist.h"
#include "tform2.h"
#include "tform3.h"
#include "tform4.h"
#include "tpeakanzeige.h"
#include "viewerscene.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <memory>

// The change-visible-data window: choosing and ordering files, and the merge on closing.
class tst_TForm4 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void mergeStacksTheChosenFilesInTheirOrder();
    void mergeKeepsEverySpectrumAndScalesKiloFiles();
    void movesWithinTheListToShow();
    void refusedMergesKeepTheWindowOpen();
    void filesOnDifferentXKeepTheirOwn();

private:
    void press(QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    // Lists the files in the main window, opens the first and opens the editor on them.
    void openEditor(const QStringList &files);
    // Transfers these entries of the upper list into the lower one.
    void choose(const QList<int> &entries);

    std::unique_ptr<ProgramScene> m_scene;
};

void tst_TForm4::init()
{
    m_scene = std::make_unique<ProgramScene>();
}

void tst_TForm4::cleanup()
{
    m_scene.reset();
}

void tst_TForm4::openEditor(const QStringList &files)
{
    m_scene->listFiles(files);
    m_scene->open(0);
    QTest::mouseClick(Form3->chgdata, Qt::LeftButton);
    QVERIFY(Form4->isVisible());
    QCOMPARE(Form4->ListBox1->Count(), files.size());
    QCOMPARE(Form4->ListBox2->Count(), 1); // the file shown now
    press(Form4->Button3); // Clear
}

void tst_TForm4::choose(const QList<int> &entries)
{
    Form4->ListBox1->clearSelection();
    for (const int entry : entries)
        Form4->ListBox1->item(entry)->setSelected(true);
    press(Form4->BitBtn1);
}

void tst_TForm4::mergeStacksTheChosenFilesInTheirOrder()
{
    openEditor({ m_scene->write("a.txt", TaggedSpectra({ 100 })),
        m_scene->write("b.txt", TaggedSpectra({ 200 })),
        m_scene->write("c.txt", TaggedSpectra({ 300 })) });
    const QString shownBefore = Form2->windowTitle();
    choose({ 0, 1, 2 });
    QVERIFY(Form4->close());
    QVERIFY(!Form4->isVisible());
    QCOMPARE(ShownTags(), (QList<int> { 300, 200, 100 }));
    QVERIFY(!Form2->Chart1->LeftAxis()->Labels());
    QVERIFY(!Form3->showtitle->isChecked());
    QVERIFY(!Form2->Chart1->Title.Visible());
    QCOMPARE(Form2->windowTitle(), shownBefore);
}

void tst_TForm4::mergeKeepsEverySpectrumAndScalesKiloFiles()
{
    openEditor({ m_scene->write("a.txt", TaggedSpectra({ 100, 110 })),
        m_scene->write("b.txt", TaggedSpectra({ 200 })),
        m_scene->write("k.txt", TaggedSpectra({ 1 }, "Intensity k[counts]")) });
    choose({ 0, 1 });
    QVERIFY(Form4->close());
    QCOMPARE(ShownTags(), (QList<int> { 200, 100, 110 }));

    // A two-spectrum file after the first keeps both of its spectra.
    press(Form3->chgdata);
    press(Form4->Button3);
    DoubleClickEntry(Form4->ListBox1, 2);
    DoubleClickEntry(Form4->ListBox1, 0);
    QVERIFY(Form4->close());
    QCOMPARE(ShownTags(), (QList<int> { 100, 110, 1999 }));
}

void tst_TForm4::movesWithinTheListToShow()
{
    const QStringList files { m_scene->write("a.txt", TaggedSpectra({ 100 })),
        m_scene->write("b.txt", TaggedSpectra({ 200 })),
        m_scene->write("c.txt", TaggedSpectra({ 300 })) };
    openEditor(files);
    DoubleClickEntry(Form4->ListBox1, 0);
    choose({ 1, 2 });
    QCOMPARE(Form4->ListBox2->Items(), files);

    press(Form4->ganznochoben); // nothing selected: nothing happens
    press(Form4->nachunten);
    press(Form4->ganznachunten);
    QCOMPARE(m_scene->takeBoxes(),
        QStringList(2, QStringLiteral("Der Index der Liste überschreitet das Maximum (-1)")));
    QCOMPARE(Form4->ListBox2->Items(), files);

    ClickEntry(Form4->ListBox2, 2);
    press(Form4->ganznochoben);
    QCOMPARE(Form4->ListBox2->Items(), (QStringList { files[2], files[0], files[1] }));
    QCOMPARE(Form4->ListBox2->ItemIndex(), 0);
    press(Form4->nachunten);
    QCOMPARE(Form4->ListBox2->Items(), (QStringList { files[0], files[2], files[1] }));
    press(Form4->Nachoben);
    press(Form4->ganznachunten);
    QCOMPARE(Form4->ListBox2->Items(), (QStringList { files[0], files[1], files[2] }));
    QCOMPARE(Form4->ListBox2->ItemIndex(), 2);
    press(Form4->Button2); // Remove the selected entry
    QCOMPARE(Form4->ListBox2->Items(), (QStringList { files[0], files[1] }));
    QVERIFY(Form4->close());
    QCOMPARE(ShownTags(), (QList<int> { 200, 100 }));
}

void tst_TForm4::refusedMergesKeepTheWindowOpen()
{
    std::vector<int> fifty(50, 7);
    const QString big = m_scene->write("big.txt", TaggedSpectra(fifty));
    const QString shown = m_scene->write("shown.txt", TaggedSpectra({ 100 }));
    openEditor({ big, shown });
    const QList<int> before = ShownTags();

    QVERIFY(!Form4->close());
    QCOMPARE(m_scene->takeBoxes(),
        QStringList { QStringLiteral("Der Index der Liste überschreitet das Maximum (0)") });

    choose({ 0 });
    choose({ 0 });
    QVERIFY(!Form4->close());
    QCOMPARE(m_scene->takeBoxes(),
        QStringList {
            QStringLiteral("Es können höchstens 99 Spektren zusammen angezeigt werden.") });

    press(Form4->Button3);
    Form4->ListBox2->Add(shown);
    Form4->ListBox2->Add(m_scene->path("gone.txt"));
    QVERIFY(!Form4->close());
    QCOMPARE(m_scene->takeBoxes(), QStringList { QStringLiteral("Datei nicht gefunden.") });

    QVERIFY(Form4->isVisible());
    QCOMPARE(SpectrumTable.SpectrumCount, 50);
    QCOMPARE(ShownTags(), before);
    QVERIFY(Form3->showtitle->isChecked());
}

void tst_TForm4::filesOnDifferentXKeepTheirOwn()
{
    // GIVEN calcite from one instrument (x descending, 1019 points), calcite of the program's
    // layout from another and a polystyrene export, each on its own x grid
    QStringList files;
    for (const char *name : { "formats/charisma_nCal_Qontor785_z005H12_100_1x3s.wdf",
             "realdata/spectra/Calcite_sCAL_FNMT-BWtek532_sCAL10_iR532_Probe_100_3200msx4.txt",
             "formats/charisma_PST10_iR532_Probe_100_3000msx7.spc" }) {
        QFile sample(qEnvironmentVariable("PEAKHOUND_SOURCE_DIR") + QStringLiteral("/tests/data/")
            + QString::fromLatin1(name));
        QVERIFY(sample.open(QIODevice::ReadOnly));
        files << m_scene->write(
            QFileInfo(sample).fileName().toStdString(), sample.readAll().toStdString());
    }
    // the peaks and the x range of each file shown alone
    const auto peaksShown = [this] {
        press(Form3->Findepeaks);
        return Peakanzeige->ListBox1->Items();
    };
    const auto xRange = [](int series) {
        const TChartValueList &x = Form2->Chart1->SeriesAt(series)->XValues();
        const double *first = x.RawValues();
        const auto [low, high] = std::minmax_element(first, first + x.ValueCount());
        return std::pair { *low, *high };
    };
    m_scene->listFiles(files);
    QList<QStringList> alonePeaks;
    QList<std::pair<double, double>> aloneRange;
    for (int i = 0; i < 3; ++i) {
        m_scene->open(i);
        alonePeaks << peaksShown();
        aloneRange << xRange(0);
        QVERIFY(!alonePeaks.back().isEmpty());
    }
    QVERIFY(aloneRange[0] != aloneRange[1]);
    const auto merge = [&] {
        QTest::mouseClick(Form3->chgdata, Qt::LeftButton);
        press(Form4->Button3); // Clear
        choose({ 0, 1, 2 });
        QVERIFY(Form4->close());
    };
    // WHEN the three are merged THEN each is drawn on its own x (the first file on top)
    merge();
    QCOMPARE(SpectrumTable.SpectrumCount, 3);
    for (int k = 0; k < 3; ++k)
        QCOMPARE(xRange(2 - k), aloneRange[k]);
    // AND each one, kept alone out of the merge, shows the peaks it shows by itself
    for (int k = 0; k < 3; ++k) {
        if (k > 0)
            merge();
        Form3->Edit1->setText(QString::number(2 - k));
        press(Form3->Button3); // excl. Remove
        QCOMPARE(peaksShown(), alonePeaks[k]);
        QCOMPARE(xRange(0), aloneRange[k]);
    }
    // AND the merge's own peak list is that of its last spectrum, the first file's, on its x
    merge();
    QCOMPARE(peaksShown(), alonePeaks[0]);
}

QTEST_MAIN(tst_TForm4)
#include "tst_tform4.moc"
