// Files of many spectra on many axes: the real maps streamed spectrum by spectrum with their
// stage positions, the table's limits as reasons, spectra of a file on x values of their own,
// and the judgement of every spectrum.

#include "eachspectrum.h"
#include "formats/spcreader.h"
#include "language.h"
#include "spectrumedit.h"
#include "spectrumfile.h"

#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <fstream>

namespace
{

QString sourcePath(const char *relative)
{
    return qEnvironmentVariable("PEAKHOUND_SOURCE_DIR") + QStringLiteral("/tests/data/")
        + QString::fromUtf8(relative);
}

struct Seen {
    std::size_t points = 0;
    double firstX = 0;
    double lastX = 0;
    std::string name;
    bool hasPosition = false;
    double x = 0;
    double y = 0;
};

// Records what a reader hands over.
class Recorder : public SpectrumSink
{
public:
    StreamStart start;
    std::string xCaption;
    std::vector<Seen> spectra;
    bool Start(const StreamStart &s) override
    {
        start = s;
        xCaption.assign(s.XCaption);
        return true;
    }
    bool Take(const StreamedSpectrum &s) override
    {
        spectra.push_back({ s.Points, s.X[0], s.X[s.Points - 1], std::string(s.Name), s.HasPosition,
            s.PositionX, s.PositionY });
        return true;
    }
};

std::string write(const QTemporaryDir &dir, const char *name, const std::string &bytes)
{
    const std::string path = dir.filePath(QString::fromUtf8(name)).toStdString();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string readAll(const QString &path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

template <typename T> void put(std::string &bytes, std::size_t at, T value)
{
    std::memcpy(&bytes[at], &value, sizeof value); // the test machine is little-endian
}

template <typename T> void append(std::string &bytes, const std::vector<T> &values)
{
    for (const T value : values) {
        bytes.resize(bytes.size() + sizeof value);
        put(bytes, bytes.size() - sizeof value, value);
    }
}

// An SPC multifile whose two subfiles each carry their own x array (float y).
std::string spcWithOwnX()
{
    std::string bytes(512, '\0');
    bytes[0] = static_cast<char>(0x04 | 0x40 | 0x80); // multifile, x per subfile, x values
    bytes[1] = 0x4B;
    bytes[3] = static_cast<char>(0x80);
    put(bytes, 24, std::int32_t { 2 });
    const std::vector<std::vector<float>> xs = { { 100, 200, 300, 400 }, { 150, 250, 350 } };
    for (const auto &x : xs) {
        std::string sub(32, '\0');
        sub[1] = static_cast<char>(0x80);
        put(sub, 16, static_cast<std::int32_t>(x.size()));
        bytes += sub;
        append(bytes, x);
        std::vector<float> y(x.size(), 1.f);
        y[1] = 9.f;
        append(bytes, y);
    }
    return bytes;
}

} // namespace

class tst_SpectrumStream : public QObject
{
    Q_OBJECT

private slots:
    void realMapsGiveEverySpectrumWithItsPosition();
    void refusedFilesSayWhy();
    void subfilesOnTheirOwnXStayOnThem();
    void textMapsGoBeyondTheTable();
    void everySpectrumOfAFileIsJudged();
};

void tst_SpectrumStream::realMapsGiveEverySpectrumWithItsPosition()
{
    auto table = std::make_unique<SpectrumTableData>();
    BadFileListData bad;
    const NumberSeparators separators { '.', ',' };
    const std::string map = sourcePath("formats/maps/map_6x6.wdf").toStdString();
    const std::string line = sourcePath("formats/maps/line_scan.wdf").toStdString();

    Recorder area;
    QVERIFY(StreamSpectrumFile(*table, bad, map, separators, area).WellFormed);
    QCOMPARE(area.start.Spectra, std::uint64_t { 36 });
    QCOMPARE(area.spectra.size(), std::size_t { 36 });
    QCOMPARE(area.xCaption, std::string("Raman shift [1/cm]"));
    // Row by row, 6 um apart, as the file's origin lists give them.
    QVERIFY(area.spectra[0].hasPosition);
    QCOMPARE(area.spectra[0].x, -4501.903563829787);
    QCOMPARE(area.spectra[0].y, -2474.7475);
    QCOMPARE(area.spectra[5].x, -4471.903563829787);
    QCOMPARE(area.spectra[6].x, -4501.903563829787);
    QCOMPARE(area.spectra[6].y, -2468.7475);
    for (const Seen &s : area.spectra) {
        QCOMPARE(s.points, std::size_t { 1015 });
        QVERIFY(s.firstX > s.lastX); // the file's order: shift descending
    }

    Recorder scan;
    QVERIFY(StreamSpectrumFile(*table, bad, line, separators, scan).WellFormed);
    QCOMPARE(scan.spectra.size(), std::size_t { 235 });
    QVERIFY(scan.spectra[234].hasPosition && scan.spectra[234].x > scan.spectra[0].x);
    QCOMPARE(bad.Count, 0);

    // The table takes the map of 36 whole; the scan is refused with its count, and shown with
    // its first 99 spectra.
    QVERIFY(LoadSpectrumFile(*table, bad, map, separators).WellFormed);
    QCOMPARE(table->SpectrumCount, 36);
    QVERIFY(!table->HasOwnX());
    const LoadResult refused = LoadSpectrumFile(*table, bad, line, separators);
    QVERIFY(!refused.WellFormed);
    QCOMPARE(refused.Reason, std::string("235 Spektren: mit 'Jedes Spektrum' durchsuchen"));
    QCOMPARE(bad.Entry(1), line + ": 235 Spektren: mit 'Jedes Spektrum' durchsuchen");
    const LoadResult shown = LoadSpectrumFileShown(*table, bad, line, separators);
    QVERIFY(shown.WellFormed);
    QCOMPARE(shown.FileSpectra, std::uint64_t { 235 });
    QCOMPARE(table->SpectrumCount, kMaxSpectra);
    QCOMPARE(table->RowCount, 1015);
    QCOMPARE(HeaderSpectrumCount(line), 0);
    QCOMPARE(HeaderSpectrumCount(map), 36);
}

void tst_SpectrumStream::refusedFilesSayWhy()
{
    QTemporaryDir dir;
    auto table = std::make_unique<SpectrumTableData>();
    BadFileListData bad;
    const NumberSeparators separators { '.', ',' };
    const auto reason = [&](const std::string &path) {
        const LoadResult load = LoadSpectrumFile(*table, bad, path, separators);
        return load.WellFormed ? std::string("read") : load.Reason;
    };
    const std::string map = readAll(sourcePath("formats/maps/map_6x6.wdf"));
    QCOMPARE(reason(write(dir, "cut.wdf", map.substr(0, 100000))),
        std::string("beschädigt: Block DATA endet nach dem Dateiende"));
    QCOMPARE(reason(sourcePath("formats/charisma_test_opus.0").toStdString()),
        std::string("nicht unterstützt (OPUS)"));
    QCOMPARE(reason(write(dir, "l6.l6s", "LabSpec6" + std::string(200, '\0'))),
        std::string("nicht unterstützt (LabSpec 6)"));
    std::string wire = "#Wave\t\t#Intensity\n";
    for (int i = 0; i < 12000; ++i)
        wire += std::to_string(3000 - i * 0.25) + "\t\t1\n";
    QCOMPARE(reason(write(dir, "long.txt", wire)), std::string("12000 Punkte: mehr als 10000"));
    // A file of the program's own layout is named alone, as always.
    QCOMPARE(
        reason(write(dir, "own.txt", "a\nx-data = X y-data = Y\nno tab\n1\t2\n")), std::string());
    QCOMPARE(bad.Count, 5);
    QCOMPARE(bad.Entry(5), dir.filePath(QStringLiteral("own.txt")).toStdString());
    // In English the reasons are translated piece by piece, the numbers carried over.
    SetMessageLanguage(UiLanguage::English);
    QCOMPARE(TranslatedMessage(reason(write(dir, "cut.wdf", map.substr(0, 100000)))),
        std::string("damaged: block DATA runs past the end of the file"));
    QCOMPARE(TranslatedMessage(reason(write(dir, "long.txt", wire))),
        std::string("12000 points: more than 10000"));
    QCOMPARE(TranslatedMessage(reason(write(dir, "bad.txt", "#Wave\t\t#Intensity\n1\t\tx\n"))),
        std::string("damaged: line 2: not a number"));
    SetMessageLanguage(UiLanguage::German);
}

void tst_SpectrumStream::subfilesOnTheirOwnXStayOnThem()
{
    QTemporaryDir dir;
    const std::string path = write(dir, "own-x.spc", spcWithOwnX());
    auto table = std::make_unique<SpectrumTableData>();
    BadFileListData bad;
    const NumberSeparators separators { '.', ',' };
    QVERIFY(LoadSpectrumFile(*table, bad, path, separators).WellFormed);
    // Column 1 holds the last subfile's x, on which the file is judged; the first keeps its own.
    QCOMPARE(table->SpectrumCount, 2);
    QCOMPARE(table->RowCount, 3);
    QCOMPARE(table->Cell(1, 1), 150.0);
    QCOMPARE(table->SpectrumX[0], (std::vector<double> { 100, 200, 300, 400 }));
    QVERIFY(table->SpectrumX[1].empty());
    QCOMPARE(table->SpectrumRows(0), 4);
    QCOMPARE(table->Cell(2, 2), 9.0);
    QCOMPARE(table->Cell(2, 3), 9.0);
    // Merged below a file of the own layout, each subfile keeps its x.
    const std::string own =
        write(dir, "own.txt", "a\nx-data = X y-data = Y\nx\ty\n100\t1\n200\t2\n\n");
    QVERIFY(MergeSpectrumFiles(*table, bad, { own, path }, separators));
    QCOMPARE(table->SpectrumCount, 3);
    QCOMPARE(table->SpectrumX[0], (std::vector<double> { 100, 200, 300, 400 }));
    QCOMPARE(table->SpectrumX[1], (std::vector<double> { 150, 250, 350 }));
    QCOMPARE(table->SpectrumX[2], (std::vector<double> { 100, 200 }));
    // The table of one x column cannot hold them; the collecting reader refuses such a file.
    ImportedSpectra collected;
    QVERIFY(!ReadSpc(spcWithOwnX(), collected));
}

void tst_SpectrumStream::textMapsGoBeyondTheTable()
{
    QTemporaryDir dir;
    std::string wire = "#X\t#Y\t#Wave\t#Intensity\n";
    std::string labSpec = "#Acq. time (s)=\t1\n\t\t100\t200\t300\n";
    for (int p = 0; p < 150; ++p) {
        for (int w = 0; w < 3; ++w)
            wire += std::to_string(p % 15) + '\t' + std::to_string(p / 15) + '\t'
                + std::to_string(300 - 100 * w) + "\t5\n";
        labSpec += std::to_string(p) + "\t7\t1\t2\t3\n";
    }
    auto table = std::make_unique<SpectrumTableData>();
    BadFileListData bad;
    const NumberSeparators separators { '.', ',' };
    Recorder fromWire;
    QVERIFY(StreamSpectrumFile(*table, bad, write(dir, "map.txt", wire), separators, fromWire)
                .WellFormed);
    QCOMPARE(fromWire.spectra.size(), std::size_t { 150 });
    QCOMPARE(fromWire.spectra[149].x, 14.0);
    QCOMPARE(fromWire.spectra[149].y, 9.0);
    QCOMPARE(fromWire.spectra[149].firstX, 300.0);
    Recorder fromLabSpec;
    QVERIFY(
        StreamSpectrumFile(*table, bad, write(dir, "matrix.txt", labSpec), separators, fromLabSpec)
            .WellFormed);
    QCOMPARE(fromLabSpec.spectra.size(), std::size_t { 150 });
    QCOMPARE(fromLabSpec.spectra[42].x, 42.0);
    QCOMPARE(fromLabSpec.spectra[42].y, 7.0);
    QCOMPARE(bad.Count, 0);
}

void tst_SpectrumStream::everySpectrumOfAFileIsJudged()
{
    // Polystyrene in the first of four columns: the file's last spectrum (calcite) does not show
    // its bands; judged spectrum by spectrum, the first does.
    const std::string file =
        sourcePath("series/multi_FNMT-Horiba785_OP02_PST_Sil_sCAL_nCAL.txt").toStdString();
    const std::vector<std::string> targets = { "1001.4", "1031.8", "1602.3" };
    const NumberSeparators separators { '.', ',' };
    SearchSettings settings;
    settings.MaxMissing = 0;
    PeakRuleSettings rule;
    rule.Rule = PeakRule::Sensitive;
    auto table = std::make_unique<SpectrumTableData>();
    auto peaks = std::make_unique<PeakListData>();
    BadFileListData bad;
    QVERIFY(LoadSpectrumFile(*table, bad, file, separators).WellFormed);
    FileJudgement whole;
    JudgeFile(*table, *peaks, targets, settings, rule, false, separators, whole);
    QVERIFY(!whole.Selected);

    for (const bool inverse : { false, true }) {
        settings.Inverse = inverse;
        std::vector<std::pair<SpectrumPlace, FileJudgement>> judged;
        EachSpectrumJudge judge(targets, settings, rule, true, separators,
            [&judged](const SpectrumPlace &place, const FileJudgement &j) {
                judged.emplace_back(place, j);
            });
        FileVerdict verdict(inverse);
        judge.Reset();
        QVERIFY(StreamSpectrumFile(*table, bad, file, separators, judge).WellFormed);
        QCOMPARE(judged.size(), std::size_t { 4 });
        for (const auto &[place, j] : judged)
            verdict.Add(j);
        QCOMPARE(judged[0].first.Number, 1);
        QCOMPARE(judged[0].first.Name, std::string("Polystyrene PST"));
        QVERIFY(judged[0].second.Matches);
        QVERIFY(!judged[1].second.Matches && !judged[3].second.Matches);
        QCOMPARE(verdict.Selected(), !inverse);
        QVERIFY(verdict.Score() > 0);
    }

    // On worker threads: the same judgements in the same order, for every spectrum of a scan.
    const std::string scan = sourcePath("formats/maps/line_scan.wdf").toStdString();
    std::vector<std::pair<SpectrumPlace, FileJudgement>> alone;
    std::vector<std::pair<SpectrumPlace, FileJudgement>> parallel;
    const auto into = [](std::vector<std::pair<SpectrumPlace, FileJudgement>> &list) {
        return [&list](const SpectrumPlace &place, const FileJudgement &j) {
            list.emplace_back(place, j);
        };
    };
    settings.Inverse = false;
    EachSpectrumJudge one(targets, settings, rule, true, separators, into(alone));
    QVERIFY(StreamSpectrumFile(*table, bad, scan, separators, one).WellFormed);
    ParallelSpectrumJudge three(targets, settings, rule, true, separators, 3, into(parallel));
    QVERIFY(StreamSpectrumFile(*table, bad, scan, separators, three).WellFormed);
    three.Finish();
    QCOMPARE(parallel.size(), std::size_t { 235 });
    for (std::size_t i = 0; i < 235; ++i) {
        QCOMPARE(parallel[i].first.Number, alone[i].first.Number);
        QCOMPARE(parallel[i].first.X, alone[i].first.X);
        QCOMPARE(parallel[i].second.MissingCount, alone[i].second.MissingCount);
        QCOMPARE(parallel[i].second.Score, alone[i].second.Score);
    }
}

QTEST_APPLESS_MAIN(tst_SpectrumStream)
#include "tst_spectrumstream.moc"
