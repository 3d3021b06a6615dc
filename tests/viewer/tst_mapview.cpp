#include "controls.h"
#include "eachspectrum.h"
#include "spectrumfile.h"
#include "spectrumtable.h"
#include "tform1.h"
#include "tform2.h"
#include "tmapview.h"
#include "viewerscene.h"

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QTest>
#include <memory>

// A real map as a lab user meets it: double-clicked in the file list, its cells at the file's
// positions coloured by the main window's search, a cell clicked and walked to with the keys
// shows its spectrum, and the map saved as a picture and a table that agree cell by cell.
class tst_MapView : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_scene = std::make_unique<ProgramScene>(); }
    void cleanup()
    {
        if (MapView != nullptr)
            MapView->close();
        m_scene.reset();
    }
    void mapOfAWdfFile();
    void lineScanIsAStrip();

private:
    QString copySample(const char *from)
    {
        QFile file(qEnvironmentVariable("PEAKHOUND_SOURCE_DIR") + QStringLiteral("/tests/data/")
            + QString::fromUtf8(from));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("missing test file %s", from);
        return m_scene->write(
            QFileInfo(file).fileName().toStdString(), file.readAll().toStdString());
    }
    void seek(const QStringList &targets)
    {
        for (const QString &target : targets) {
            Form1->Edit1->setText(target);
            QTest::mouseClick(Form1->Button4, Qt::LeftButton);
        }
    }
    std::unique_ptr<ProgramScene> m_scene;
};

void tst_MapView::mapOfAWdfFile()
{
    const QString map = copySample("formats/maps/map_6x6.wdf");
    m_scene->listFiles({ map });
    seek({ QStringLiteral("1585"), QStringLiteral("2705") });
    Form1->Abweichung->SetValue(15);
    Form1->PeakRuleBox->setCurrentIndex(1); // Empfindlich: shaded by score
    m_scene->open(0);
    QVERIFY(MapView != nullptr && MapView->isVisible());
    MapView->WaitUntilJudged();
    QCOMPARE(MapView->Map().Count(), std::size_t { 36 });
    QCOMPARE(MapView->Layout().Shape, MapShape::Grid);
    QVERIFY(MapView->Look().Scored);

    // Every cell as the search of every spectrum judges it, at the file's position.
    std::vector<SpectrumPlace> places;
    std::vector<FileJudgement> judged;
    {
        SearchSettings settings;
        settings.Tolerance = 15;
        PeakRuleSettings rule;
        rule.Rule = PeakRule::Sensitive;
        EachSpectrumJudge judge({ "1585", "2705" }, settings, rule, false, CurrentSeparators(),
            [&](const SpectrumPlace &p, const FileJudgement &j) {
                places.push_back(p);
                judged.push_back(j);
            });
        auto table = std::make_unique<SpectrumTableData>();
        BadFileListData bad;
        StreamSpectrumFile(*table, bad, map.toStdString(), CurrentSeparators(), judge);
    }
    QCOMPARE(places.size(), std::size_t { 36 });
    for (std::size_t i = 0; i < 36; ++i) {
        const MapCell &cell = MapView->Map().Cell(i);
        QCOMPARE(cell.X, places[i].X);
        QCOMPARE(cell.Y, places[i].Y);
        QCOMPARE(cell.Selected, judged[i].Selected);
        QCOMPARE(int(cell.Missing), judged[i].MissingCount);
        QCOMPARE(cell.Score, judged[i].Score);
    }

    // A click on a cell shows its spectrum in the display window.
    const QRect area = MapView->Canvas->rect();
    const QPointF centre =
        HitMapCellRect(area, MapView->Map(), MapView->Layout(), MapView->Look(), 13).center();
    QTest::mouseClick(MapView->Canvas, Qt::LeftButton, {}, centre.toPoint());
    QCOMPARE(SpectrumTable.SpectrumCount, 1);
    QCOMPARE(SpectrumTable.RowCount, 1015);
    QVERIFY(Form2->windowTitle().contains(QStringLiteral("Spektrum 14, X: ")));
    SpectrumWhere where;
    auto alone = std::make_unique<SpectrumTableData>();
    BadFileListData bad;
    QVERIFY(
        LoadOneSpectrum(*alone, bad, map.toStdString(), CurrentSeparators(), 13, where).WellFormed);
    QCOMPARE(where.X, places[13].X);
    for (int r = 1; r <= 1015; ++r)
        QCOMPARE(SpectrumTable.Cell(r, 2), alone->Cell(r, 2));

    // The keys walk the grid: right is the next column, up the next row.
    MapView->Canvas->setFocus();
    QTest::keyClick(MapView->Canvas, Qt::Key_Right);
    QCOMPARE(MapView->Canvas->FocusCell(), 14L);
    QTest::keyClick(MapView->Canvas, Qt::Key_Up);
    QCOMPARE(MapView->Canvas->FocusCell(), 20L);
    QVERIFY(MapView->windowTitle().contains(QStringLiteral("Spektrum 21")));
    QTest::keyClick(MapView->Canvas, Qt::Key_Return);
    QVERIFY(Form2->windowTitle().contains(QStringLiteral("Spektrum 21")));

    // Saved as a picture and as a table: each cell's pixels have the colour of its score.
    const QString png = m_scene->path("map.png");
    const QString tsv = m_scene->path("map.tsv");
    m_scene->script.answerSaveDialog(png, 1);
    QTest::mouseClick(MapView->SaveButton, Qt::LeftButton);
    m_scene->script.answerSaveDialog(tsv, 4);
    QTest::mouseClick(MapView->SaveButton, Qt::LeftButton);
    QCOMPARE(m_scene->takeBoxes().size(), 2); // "File gespeichert", twice
    const QImage picture(png);
    QVERIFY(!picture.isNull());
    QFile table(tsv);
    QVERIFY(table.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = table.readAll().split('\n');
    QCOMPARE(rows.size(), 38);
    for (int i = 0; i < 36; ++i) {
        const QList<QByteArray> cells = rows[i + 1].split('\t');
        QCOMPARE(cells[0].toDouble(), places[static_cast<std::size_t>(i)].X);
        const QPointF at =
            HitMapCellRect(picture.rect(), MapView->Map(), MapView->Layout(), MapView->Look(), i)
                .center();
        QCOMPARE(picture.pixel(at.toPoint()), HitMapScoreColour(cells[4].toDouble()));
    }
    Form1->PeakRuleBox->setCurrentIndex(0);
}

void tst_MapView::lineScanIsAStrip()
{
    const QString scan = copySample("formats/maps/line_scan.wdf");
    const QString series = copySample("series/multi_FNMT-Horiba785_OP02_PST_Sil_sCAL_nCAL.txt");
    m_scene->listFiles({ scan, series });
    seek({ QStringLiteral("1585") });
    m_scene->open(0);
    QVERIFY(MapView != nullptr && MapView->isVisible());
    MapView->WaitUntilJudged();
    QCOMPARE(MapView->Map().Count(), std::size_t { 235 });
    QCOMPARE(MapView->Layout().Shape, MapShape::Strip);
    const auto selected = [] {
        int count = 0;
        for (std::size_t i = 0; i < MapView->Map().Count(); ++i)
            count += MapView->Map().Cell(i).Selected ? 1 : 0;
        return count;
    };
    QVERIFY(selected() > 0);

    // A search with other peaks recolours the open map.
    QTest::mouseClick(Form1->Button6, Qt::LeftButton); // Clear the peaks
    seek({ QStringLiteral("3333") });
    Form1->maxfehl->SetValue(0);
    QTest::mouseClick(Form1->Button9, Qt::LeftButton);
    m_scene->takeBoxes(); // the scan is too large for the search of files
    QVERIFY(MapView->Judging());
    MapView->WaitUntilJudged();
    QCOMPARE(MapView->Map().Count(), std::size_t { 235 });
    QCOMPARE(selected(), 0);

    // A file without positions opens no map.
    MapView->close();
    m_scene->open(1);
    QVERIFY(!MapView->isVisible());
}

QTEST_MAIN(tst_MapView)
#include "tst_mapview.moc"
