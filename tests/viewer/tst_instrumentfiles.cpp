#include "controls.h"
#include "spectrumtable.h"
#include "tchart.h"
#include "tchartseries.h"
#include "tform1.h"
#include "tform2.h"
#include "tform3.h"
#include "tform4.h"
#include "viewerscene.h"

#include <QFile>
#include <QPushButton>
#include <QTest>
#include <memory>

// Instrument files and vendor exports as a lab user meets them: listed beside each other, searched,
// shown and merged through the real windows, with a damaged one named at the end of the search.
class tst_InstrumentFiles : public QObject
{
    Q_OBJECT

private slots:
    void searchShowAndMergeInstrumentFiles();

private:
    QString copySample(const QString &from, const std::string &to, qint64 cutTo = -1)
    {
        QFile file(
            qEnvironmentVariable("PEAKHOUND_SOURCE_DIR") + QStringLiteral("/tests/data/") + from);
        if (!file.open(QIODevice::ReadOnly))
            qFatal("missing test file %s", qPrintable(from));
        QByteArray bytes = file.readAll();
        if (cutTo >= 0)
            bytes.truncate(cutTo);
        return m_scene->write(to, bytes.toStdString());
    }

    std::unique_ptr<ProgramScene> m_scene;
};

void tst_InstrumentFiles::searchShowAndMergeInstrumentFiles()
{
    m_scene = std::make_unique<ProgramScene>();
    const QString calcite = copySample(
        QStringLiteral("formats/charisma_nCal_Qontor785_z005H12_100_1x3s.wdf"), "calcite.wdf");
    const QString bwspec = copySample(
        QStringLiteral("formats/charisma_PST10_iR532_Probe_100_3000msx7.txt"), "ps-bwspec.txt");
    const QString infrared = copySample(QStringLiteral("jcamp/jtpolys.jdx"), "ps-infrared.jdx");
    const QString spc = copySample(
        QStringLiteral("formats/charisma_PST_Reflex532_Z050_010_10000msx2.spc"), "ps.spc");
    const QString cut =
        copySample(QStringLiteral("formats/charisma_PST_Reflex532_Z050_010_10000msx2.spc"),
            "ps-cut.spc", 3000);
    m_scene->listFiles({ calcite, bwspec, infrared, spc, cut });
    QCOMPARE(Form1->ListBox1->Count(), 5);

    // Polystyrene's 1001 band, none missing: the Raman polystyrene files match, the calcite map
    // and the infrared polystyrene spectrum do not, the cut file is named at the end.
    Form1->Edit1->setText(QStringLiteral("1001"));
    QTest::mouseClick(Form1->Button4, Qt::LeftButton);
    Form1->maxfehl->SetValue(0);
    QTest::mouseClick(Form1->Button9, Qt::LeftButton);
    QCOMPARE(Form1->ListBox3->Items(), QStringList({ bwspec, spc }));
    const QStringList boxes = m_scene->takeBoxes();
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes[0].startsWith(QStringLiteral("Folgende Daten hatten nicht das richtige Format")),
        qPrintable(boxes[0]));
    QVERIFY(boxes[0].contains(cut));
    QVERIFY(!boxes[0].contains(spc + QLatin1Char('\r')));
    QCOMPARE(Form1->Label5->text(), QStringLiteral("Ready !"));

    // Open the SPC file from the results: one spectrum of the file's points, the default caption.
    DoubleClickEntry(Form1->ListBox3, 1);
    QVERIFY(Form2->isVisible());
    TChart &chart = *Form2->Chart1;
    QCOMPARE(chart.SeriesAt(0)->PointCount(), SpectrumTable.RowCount);
    QVERIFY(SpectrumTable.RowCount > 1000);
    QCOMPARE(chart.SeriesAt(1)->PointCount(), 0);
    QCOMPARE(chart.BottomAxis()->Title.Caption(), QStringLiteral("Raman shift [1/cm]"));
    // Last steps back through the result list to the BWSpec export.
    QTest::mouseClick(Form3->lastspek, Qt::LeftButton);
    QCOMPARE(chart.SeriesAt(0)->PointCount(), 1801);

    // Merge the BWSpec export and the SPC file into one view.
    QTest::mouseClick(Form3->chgdata, Qt::LeftButton);
    QVERIFY(Form4->isVisible());
    QTest::mouseClick(Form4->Button3, Qt::LeftButton); // Clear
    const QStringList offered = Form4->ListBox1->Items();
    QVERIFY(offered.contains(bwspec) && offered.contains(spc));
    DoubleClickEntry(Form4->ListBox1, static_cast<int>(offered.indexOf(bwspec)));
    DoubleClickEntry(Form4->ListBox1, static_cast<int>(offered.indexOf(spc)));
    QVERIFY(Form4->close());
    QCOMPARE(SpectrumTable.SpectrumCount, 2);
    // Files that name no spectrum are known by their names; the first file is the upper one.
    QCOMPARE(SpectrumTable.Names[1], std::string("ps-bwspec.txt"));
    QCOMPARE(SpectrumTable.Names[0], std::string("ps.spc"));
    QVERIFY(chart.SeriesAt(0)->PointCount() > 1000);
    QVERIFY(chart.SeriesAt(1)->PointCount() > 1000);
    QCOMPARE(chart.SeriesAt(2)->PointCount(), 0);
    QVERIFY(m_scene->takeBoxes().isEmpty());
}

QTEST_MAIN(tst_InstrumentFiles)
#include "tst_instrumentfiles.moc"
