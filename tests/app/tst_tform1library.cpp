#include "controls.h"
#include "programscene.h"
#include "tform1.h"
#include "tform3.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMap>
#include <QPushButton>
#include <QTest>

// Identifying a spectrum along a user's path through the real windows: the reference spectra of
// four laboratories in the file list, a polystyrene spectrum shown, Bibliothek durchsuchen, the
// results, the status and the report's explanation of the hits.
class tst_TForm1Library : public QObject
{
    Q_OBJECT

private slots:
    void polystyreneFoundAmongReferenceSpectra();
};

namespace
{

const QString kFolder = QStringLiteral(PH_TEST_DATA "/library");

// The manifest's cells of each file, by file name: the substance (of each spectrum, joined by
// '+') second, the number of spectra eighth.
QMap<QString, QStringList> manifest()
{
    QMap<QString, QStringList> files;
    QFile file(kFolder + QStringLiteral("/manifest.tsv"));
    if (file.open(QIODevice::ReadOnly))
        for (const QString &line :
            QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')).mid(1))
            if (line.count(QLatin1Char('\t')) > 7)
                files[QFileInfo(line.section(QLatin1Char('\t'), 0, 0)).fileName()] =
                    line.split(QLatin1Char('\t'));
    return files;
}

// The report's rows as the context menu copies them, each split into its cells.
QList<QStringList> copiedReport()
{
    Form1->ReportCopyItem->trigger();
    QList<QStringList> rows;
    for (const QString &line : QGuiApplication::clipboard()->text().split(QLatin1Char('\n')))
        if (!line.isEmpty())
            rows << line.split(QLatin1Char('\t'));
    return rows;
}

} // namespace

void tst_TForm1Library::polystyreneFoundAmongReferenceSpectra()
{
    // GIVEN the reference spectra and a file of the wrong layout in the file list, and a
    // sought peak
    ProgramScene scene;
    QVERIFY(scene.shown());
    const QMap<QString, QStringList> substances = manifest();
    QStringList files;
    int spectra = 0;
    const QDir folder(kFolder + QStringLiteral("/spectra"));
    for (const QString &name : folder.entryList(QDir::Files, QDir::Name)) {
        files << folder.filePath(name);
        spectra += substances.value(name).value(7).toInt();
    }
    QCOMPARE(files.size(), substances.size());
    const QString wrong = scene.write("wrong.txt", WrongLayoutText());
    scene.listFiles(files + QStringList { wrong });
    Form1->ListBox2->Add(QStringLiteral("1001"));

    // WHEN a polystyrene spectrum is shown and Bibliothek durchsuchen pressed, reached by Tab
    // from excl. Remove
    const QString query = folder.filePath(
        QStringLiteral("Polystyrene_PST_ICV-BWtek532_PST02_iRPlus532_Z050_100_2500msx5.txt"));
    scene.open(Form1->ListBox1->Items().indexOf(query));
    Form3->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Form3));
    Form3->Button3->setFocus();
    QTest::keyClick(Form3->Button3, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), Form3->Bibliothek);
    QTest::keyClick(Form3->Bibliothek, Qt::Key_Space);

    // THEN the file itself comes first, then polystyrene of the other laboratories (a file of
    // several spectra by its last, whose substance the manifest names last)
    const QStringList found = Form1->ListBox3->Items();
    QVERIFY(found.size() > 5);
    QCOMPARE(found[0], query);
    for (int i = 1; i <= 4; ++i)
        QVERIFY2(substances.value(QFileInfo(found[i]).fileName())
                     .value(1)
                     .endsWith(QStringLiteral("Polystyrene")),
            qPrintable(found[i]));
    // the refused file named as the search names it, the entries counted, the sought peak kept
    QCOMPARE(scene.takeBoxes(),
        QStringList {
            QStringLiteral("Folgende Daten hatten nicht das richtige Format und wurden ignoriert: "
                           "\r\t")
            + wrong + QLatin1Char('\r') });
    QCOMPARE(
        Form1->Label5->text(), QString::number(files.size()) + QStringLiteral(" Einträge geprüft"));
    // (whole inside the window also for a library of tens of thousands of entries)
    const QString large = QStringLiteral("99999") + Form1->Label5->text().mid(2);
    QVERIFY(Form1->Label5->x() + QFontMetrics(Form1->Label5->font()).horizontalAdvance(large)
        <= Form1->width());
    QCOMPARE(Form1->windowTitle(), kMainCaption);
    QCOMPARE(Form1->ListBox2->Items(), QStringList { QStringLiteral("1001") });

    // WHEN the report is copied from the result list's menu
    const QList<QStringList> rows = copiedReport();

    // THEN every row has the header's cells; the query comes first, then the hits in the result
    // list's order with falling scores, and the refused file last
    QCOMPARE(rows[0].join(QLatin1Char('|')),
        QStringLiteral("Rang|Datei|Spektrum|Name|Güte|Anteil Abfrage|Anteil Eintrag|Verschiebung|"
                       "Bande Abfrage|Bande Eintrag|Abstand|Fehlende Bande|Stärke"));
    QCOMPARE(
        rows[1].mid(0, 3), QStringList({ QStringLiteral("Abfrage"), query, QStringLiteral("1") }));
    QCOMPARE(rows.last().mid(0, 2), QStringList({ QStringLiteral("falsches Format"), wrong }));
    QStringList ranked;
    double previous = 101;
    int matched = 0;
    int lacking = 0;
    for (const QStringList &row : rows.mid(2, rows.size() - 3)) {
        QCOMPARE(row.size(), 13);
        QCOMPARE(row[0].toInt(), ranked.size() + (row[4].isEmpty() ? 0 : 1));
        if (!row[4].isEmpty()) { // a hit's score row
            ranked << row[1];
            QVERIFY(row[4].toDouble() <= previous);
            previous = row[4].toDouble();
        } else if (!row[9].isEmpty()) { // a query band with the entry's band matched to it
            ++matched;
            QVERIFY(std::abs(row[9].toDouble() - row[8].toDouble() - row[10].toDouble()) < 0.011);
        } else if (!row[11].isEmpty()) { // a strong band of the entry that the query lacks
            ++lacking;
            QVERIFY(row[12].toDouble() >= 0.1);
        }
    }
    QCOMPARE(ranked, found);
    QCOMPARE(rows[2][4], QStringLiteral("100")); // the file itself, band for band
    QVERIFY(matched > 10 && lacking > 0);

    // WHEN every spectrum of each file is an entry THEN the status counts the spectra
    QTest::mouseClick(Form1->EachSpectrum, Qt::LeftButton);
    scene.takeBoxes();
    QTest::mouseClick(Form3->Bibliothek, Qt::LeftButton);
    QCOMPARE(Form1->Label5->text(), QString::number(spectra) + QStringLiteral(" Einträge geprüft"));
    QCOMPARE(Form1->ListBox3->Items().value(0), query);

    // WHEN the first spectrum of a file of calcite, silicon and polystyrene is chosen under
    // Spektrum THEN calcite is found first
    QTest::mouseClick(Form1->EachSpectrum, Qt::LeftButton);
    scene.open(Form1->ListBox1->Items().indexOf(
        folder.filePath(QStringLiteral("multi_FNMT-BWtek532_nCAL_S0B_PST.txt"))));
    Form3->Edit1->setText(QStringLiteral("0"));
    QTest::mouseClick(Form3->Bibliothek, Qt::LeftButton);
    const QString best = Form1->ListBox3->Items().value(0);
    QVERIFY2(substances.value(QFileInfo(best).fileName()).value(1) == QStringLiteral("Calcite"),
        qPrintable(best));

    // WHEN a search by peaks follows THEN the report is the search's again
    QTest::mouseClick(Form1->Button9, Qt::LeftButton);
    QCOMPARE(copiedReport().value(0),
        QStringList({ QStringLiteral("Datei"), QStringLiteral("Ausgewählt"),
            QStringLiteral("Fehlend"), QStringLiteral("1001") }));
}

QTEST_MAIN(tst_TForm1Library)
#include "tst_tform1library.moc"
