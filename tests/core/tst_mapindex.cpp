// The cells of a map and their arrangement on the sample: the real 6 x 6 map as a grid at the
// file's positions, the real line scan as a strip, a map stopped early, scattered positions and
// a series without positions; the table of every cell.

#include "eachspectrum.h"
#include "mapindex.h"
#include "spectrumfile.h"

#include <QTest>

namespace
{

MapIndex judgedMap(const char *relative, std::vector<std::string> targets)
{
    const std::string file = (qEnvironmentVariable("PEAKHOUND_SOURCE_DIR")
        + QStringLiteral("/tests/data/") + QString::fromUtf8(relative))
                                 .toStdString();
    MapIndex map;
    map.Start(targets.size());
    EachSpectrumJudge judge(targets, SearchSettings(), PeakRuleSettings(), true,
        NumberSeparators { '.', ',' },
        [&map](const SpectrumPlace &place, const FileJudgement &j) { map.Add(place, j); });
    auto table = std::make_unique<SpectrumTableData>();
    BadFileListData bad;
    StreamSpectrumFile(*table, bad, file, NumberSeparators { '.', ',' }, judge);
    return map;
}

MapIndex atPositions(const std::vector<std::pair<double, double>> &positions, bool placed = true)
{
    MapIndex map;
    map.Start(0);
    for (const auto &[x, y] : positions) {
        SpectrumPlace place;
        place.HasPosition = placed;
        place.X = x;
        place.Y = y;
        map.Add(place, FileJudgement());
    }
    return map;
}

} // namespace

class tst_MapIndex : public QObject
{
    Q_OBJECT

private slots:
    void realMapIsAGridAtItsPositions();
    void realLineScanIsAStrip();
    void otherArrangements();
};

void tst_MapIndex::realMapIsAGridAtItsPositions()
{
    const MapIndex map = judgedMap("formats/maps/map_6x6.wdf", { "1585", "2705" });
    QCOMPARE(map.Count(), std::size_t { 36 });
    QVERIFY(map.Positioned());
    const MapLayout layout = map.Arrange();
    QCOMPARE(layout.Shape, MapShape::Grid);
    QCOMPARE(layout.Columns, std::size_t { 6 });
    QCOMPARE(layout.Rows, std::size_t { 6 });
    QCOMPARE(layout.CellWidth, 6.0);
    QCOMPARE(layout.CellHeight, 6.0);
    // The file lists the map row by row from the least y: the cell at column c, row r is the
    // spectrum r * 6 + c.
    for (std::uint32_t i = 0; i < 36; ++i)
        QCOMPARE(layout.CellAt[i], i);
    QCOMPARE(map.Cell(7).X, -4495.903563829787);
    QCOMPARE(map.Cell(7).Y, -2468.7475);

    const std::string table = map.Table({ "1585", "2705" }, '.');
    const QStringList rows = QString::fromStdString(table).split(QLatin1Char('\n'));
    QCOMPARE(rows[0], QStringLiteral("X\tY\tAusgewählt\tFehlend\tGüte\t1585\t2705"));
    QCOMPARE(rows.size(), 38); // the header, 36 cells, the last line end
    QVERIFY(rows[1].startsWith(QStringLiteral("-4501.903563829787\t-2474.7475\t")));
    for (std::size_t i = 0; i < 36; ++i) {
        const QStringList cells = rows[static_cast<int>(i) + 1].split(QLatin1Char('\t'));
        QCOMPARE(cells.size(), 7);
        QCOMPARE(cells[2], map.Cell(i).Selected ? QStringLiteral("ja") : QStringLiteral("nein"));
        QCOMPARE(cells[3].toInt(), int(map.Cell(i).Missing));
    }

    // The table read back is the same map, and damaged tables are refused with their line.
    MapIndex back;
    std::string fault;
    QVERIFY(ReadMapTable(table, back, fault));
    QCOMPARE(back.Table({ "1585", "2705" }, '.'), table);
    QCOMPARE(back.Arrange().CellAt, layout.CellAt);
    const std::pair<std::string, const char *> damaged[] = {
        { "X\tY\tAusgewählt\tFehlend\n", "Zeile 1: keine Tabelle der Karte" },
        { "X\tY\tAusgewählt\tFehlend\tGüte\n1\t2\tja\t0\t0\n1\t\tja\t0\t0\n",
            "Zeile 3: keine Zelle der Karte" },
        { "X\tY\tAusgewählt\tFehlend\tGüte\tA\n1\t2\tvielleicht\t0\t0\t\n",
            "Zeile 2: keine Zelle der Karte" },
        { "X\tY\tAusgewählt\tFehlend\tGüte\n1\tnan\tja\t0\t0\n", "Zeile 2: keine Zelle der Karte" },
        { "X\tY\tAusgewählt\tFehlend\tGüte\n1\t2\tja\t256\t0\n", "Zeile 2: keine Zelle der Karte" },
    };
    for (const auto &[text, message] : damaged) {
        QVERIFY(!ReadMapTable(text, back, fault));
        QCOMPARE(fault, std::string(message));
    }
}

void tst_MapIndex::realLineScanIsAStrip()
{
    const MapIndex map = judgedMap("formats/maps/line_scan.wdf", { "1585" });
    QCOMPARE(map.Count(), std::size_t { 235 });
    const MapLayout layout = map.Arrange();
    QCOMPARE(layout.Shape, MapShape::Strip);
    QCOMPARE(layout.CellAt.size(), std::size_t { 235 });
    QCOMPARE(layout.CellAt.front(), 0u);
    QCOMPARE(layout.CellAt.back(), 234u);
    // 235 steps of about 0.25 um along a diagonal line
    QVERIFY(layout.MaxX > 50 && layout.MaxX < 70);
}

void tst_MapIndex::otherArrangements()
{
    // A 3 x 3 map stopped after 7 spectra: a grid with its last crossings empty.
    std::vector<std::pair<double, double>> stopped;
    for (int k = 0; k < 7; ++k)
        stopped.emplace_back(10.0 * (k % 3), 5.0 * (k / 3));
    MapLayout layout = atPositions(stopped).Arrange();
    QCOMPARE(layout.Shape, MapShape::Grid);
    QCOMPARE(layout.CellAt[8], MapLayout::kNoCell);
    QCOMPARE(layout.CellAt[6], 6u);

    // Positions of no grid and no line.
    layout = atPositions({ { 0, 0 }, { 3, 1 }, { 1, 4 }, { 7, 2 }, { 2, 9 } }).Arrange();
    QCOMPARE(layout.Shape, MapShape::Scatter);

    // Two spectra at one position cannot be told apart on a grid.
    layout = atPositions({ { 0, 0 }, { 1, 0 }, { 0, 1 }, { 1, 1 }, { 1, 1 }, { 0, 1 } }).Arrange();
    QVERIFY(layout.Shape != MapShape::Grid);

    // A series without positions: its spectra in their order.
    const MapIndex series = atPositions({ { 0, 0 }, { 0, 0 }, { 0, 0 } }, false);
    QVERIFY(!series.Positioned());
    layout = series.Arrange();
    QCOMPARE(layout.Shape, MapShape::Strip);
    QCOMPARE(layout.CellAt, (std::vector<std::uint32_t> { 0, 1, 2 }));
}

QTEST_APPLESS_MAIN(tst_MapIndex)
#include "tst_mapindex.moc"
