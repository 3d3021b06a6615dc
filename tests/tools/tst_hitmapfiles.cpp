// peakhound-search --each --hit-map: the picture of a real map agrees cell by cell with the
// report of the same run.

#include "hitmap.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <cstring>

class tst_HitMapFiles : public QObject
{
    Q_OBJECT

private slots:
    void pictureAgreesWithTheReport();
    void damagedPositionsAreNotDrawn();
};

void tst_HitMapFiles::pictureAgreesWithTheReport()
{
    QTemporaryDir dir;
    const QString map = qEnvironmentVariable("PEAKHOUND_SOURCE_DIR")
        + QStringLiteral("/tests/data/formats/maps/map_6x6.wdf");
    QProcess search;
    search.start(QStringLiteral(PEAKHOUND_SEARCH),
        { QStringLiteral("--each"), QStringLiteral("--report"), QStringLiteral("--hit-map"),
            dir.path(), QStringLiteral("--tolerance"), QStringLiteral("15"),
            QStringLiteral("--peak"), QStringLiteral("1585"), QStringLiteral("--peak"),
            QStringLiteral("2705"), map });
    QVERIFY(search.waitForFinished(60000));
    QCOMPARE(search.exitCode(), 0);
    QCOMPARE(search.readAllStandardError(), QByteArray());
    const QImage picture(dir.filePath(QStringLiteral("map_6x6.png")));
    QVERIFY(!picture.isNull());

    // The cells as the report gives them: position and verdict.
    MapIndex cells;
    cells.Start(0);
    const QList<QByteArray> rows = search.readAllStandardOutput().split('\n');
    int selected = 0;
    for (int k = 1; k < rows.size(); ++k) {
        const QList<QByteArray> f = rows[k].split('\t');
        if (f.size() < 9)
            continue;
        SpectrumPlace place;
        place.Number = f[1].toInt();
        place.HasPosition = true;
        place.X = f[f.size() - 2].toDouble();
        place.Y = f[f.size() - 1].toDouble();
        FileJudgement judgement;
        judgement.Selected = f[2] == "ja";
        selected += judgement.Selected ? 1 : 0;
        cells.Add(place, judgement);
    }
    QCOMPARE(cells.Count(), std::size_t { 36 });
    QVERIFY(selected > 0 && selected < 36); // both colours are checked

    // Every pixel well inside a cell has that cell's colour.
    const MapLayout layout = cells.Arrange();
    HitMapLook look;
    std::vector<int> seen(36, 0);
    for (int y = 0; y < picture.height(); y += 3) {
        for (int x = 0; x < picture.width(); x += 3) {
            const long cell = HitMapCellAt(picture.rect(), cells, layout, look, QPointF(x, y));
            if (cell < 0
                || HitMapCellAt(picture.rect(), cells, layout, look, QPointF(x - 3, y - 3)) != cell
                || HitMapCellAt(picture.rect(), cells, layout, look, QPointF(x + 3, y + 3)) != cell)
                continue;
            const QRgb expected = cells.Cell(static_cast<std::size_t>(cell)).Selected
                ? HitMapSelectedColour()
                : HitMapPassedColour();
            QCOMPARE(picture.pixel(x, y), expected);
            ++seen[static_cast<std::size_t>(cell)];
        }
    }
    for (const int count : seen)
        QVERIFY(count > 10);
}

void tst_HitMapFiles::damagedPositionsAreNotDrawn()
{
    QFile real(qEnvironmentVariable("PEAKHOUND_SOURCE_DIR")
        + QStringLiteral("/tests/data/formats/maps/map_6x6.wdf"));
    QVERIFY(real.open(QIODevice::ReadOnly));
    const QByteArray bytes = real.readAll();
    // The Y origin list: the second list of the ORGN block, after the X list.
    const qsizetype orgn = bytes.indexOf("ORGN");
    QVERIFY(orgn > 0);
    const qsizetype list = 24 + 8 * 36;
    const qsizetype ys = orgn + 16 + 4 + list + 24;
    for (const bool notANumber : { false, true }) {
        QTemporaryDir dir;
        QByteArray damaged = bytes;
        // Spectrum 7 moved onto spectrum 1 (same x already), or given no number for y.
        const double y = notANumber ? std::nan("") : -2474.7475;
        std::memcpy(damaged.data() + ys + 8 * 6, &y, sizeof y);
        const QString name = dir.filePath(QStringLiteral("damaged.wdf"));
        QFile out(name);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(damaged);
        out.close();
        // The reason in German under C, in English under an English locale.
        for (const bool english : { false, true }) {
            QProcess search;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.remove(QStringLiteral("LANGUAGE"));
            environment.remove(QStringLiteral("LC_MESSAGES"));
            environment.insert(QStringLiteral("LC_ALL"),
                english ? QStringLiteral("en_US.UTF-8") : QStringLiteral("C"));
            search.setProcessEnvironment(environment);
            search.start(QStringLiteral(PEAKHOUND_SEARCH),
                { QStringLiteral("--each"), QStringLiteral("--hit-map"), dir.path(),
                    QStringLiteral("--peak"), QStringLiteral("1585"), name });
            QVERIFY(search.waitForFinished(60000));
            QCOMPARE(search.exitCode(), 1);
            const QString german = QStringLiteral(": Positionen beschädigt: Spektrum ")
                + (notANumber ? QStringLiteral("7 ohne Position\n")
                              : QStringLiteral("1 und 7 an derselben Stelle\n"));
            const QString translated = notANumber
                ? QStringLiteral(": positions damaged: spectrum 7 without a position\n")
                : QStringLiteral(": positions damaged: spectra 1 and 7 at the same place\n");
            QCOMPARE(QString::fromUtf8(search.readAllStandardError()),
                name + (english ? translated : german));
            QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("damaged.png"))));
        }
    }
}

QTEST_MAIN(tst_HitMapFiles)
#include "tst_hitmapfiles.moc"
