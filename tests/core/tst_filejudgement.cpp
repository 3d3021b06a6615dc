#include "exceptions.h"
#include "filejudgement.h"
#include "matchreport.h"
#include "peakfinder.h"
#include "testsupport.h"

#include <QTest>
#include <memory>

namespace
{

const NumberSeparators kEnglish { '.', ',' };
const NumberSeparators kGerman { ',', '.' };

// A table whose one spectrum has a clear peak at each of the given x positions (and nowhere else).
void peaksAt(SpectrumTableData &table, const std::vector<double> &positions)
{
    const std::vector<double> hump { 0, 0, 30, 90, 30, 0, 0 };
    int row = 0;
    for (double position : positions) {
        for (std::size_t i = 0; i < hump.size(); ++i) {
            ++row;
            table.Cell(row, 1) = position + (static_cast<double>(i) - 3) * 0.5;
            table.Cell(row, 2) = hump[i];
        }
    }
    if (positions.empty()) {
        for (row = 1; row <= 5; ++row) {
            table.Cell(row, 1) = row;
            table.Cell(row, 2) = 1;
        }
        row = 5;
    }
    table.RowCount = row;
    table.SpectrumCount = 1;
}

} // namespace

class tst_FileJudgement : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void toleranceWindowIsOpen_data();
    void toleranceWindowIsOpen();
    void missingLimitAndInverseMode();
    void emptyTargetList();
    void targetsConvertOnlyWhenThereArePeaks();
    void onePeakServesSeveralTargets();
    void progressPositions();
    void nearestPeakInsideTheWindowServes();
    void reportRows();

private:
    std::unique_ptr<SpectrumTableData> m_table;
    PeakListData m_peaks;
};

void tst_FileJudgement::init()
{
    m_table = std::make_unique<SpectrumTableData>();
    m_peaks = PeakListData();
}

void tst_FileJudgement::toleranceWindowIsOpen_data()
{
    QTest::addColumn<double>("peak");
    QTest::addColumn<int>("tolerance");
    QTest::addColumn<bool>("hit");
    QTest::newRow("inside") << 1009.9 << 10 << true;
    QTest::newRow("upper edge") << 1010.0 << 10 << false;
    QTest::newRow("lower edge") << 990.0 << 10 << false;
    QTest::newRow("just inside the lower edge") << 990.1 << 10 << true;
    QTest::newRow("zero tolerance, exact peak") << 1000.0 << 0 << false;
    QTest::newRow("negative tolerance") << 1000.0 << -5 << false;
}

void tst_FileJudgement::toleranceWindowIsOpen()
{
    QFETCH(double, peak);
    QFETCH(int, tolerance);
    QFETCH(bool, hit);
    peaksAt(*m_table, { peak });
    FindPeaks(*m_table, m_peaks);
    QCOMPARE(m_peaks.Count, 1);
    QCOMPARE(m_table->Cell(m_peaks.Row(1), 1), peak);
    QCOMPARE(CountMissingTargets(*m_table, m_peaks, { "1000" }, tolerance, kEnglish), hit ? 0 : 1);
}

void tst_FileJudgement::missingLimitAndInverseMode()
{
    peaksAt(*m_table, { 612, 774, 1127 });
    const std::vector<std::string> oneAbsent { "612", "774", "1650" };
    const std::vector<std::string> twoAbsent { "612", "1509", "1650" };
    SearchSettings normal { 10, 1, false };
    SearchSettings inverse { 10, 1, true };
    QVERIFY(JudgeLoadedFile(*m_table, m_peaks, oneAbsent, normal, kEnglish));
    QVERIFY(!JudgeLoadedFile(*m_table, m_peaks, oneAbsent, inverse, kEnglish));
    QVERIFY(!JudgeLoadedFile(*m_table, m_peaks, twoAbsent, normal, kEnglish));
    QVERIFY(JudgeLoadedFile(*m_table, m_peaks, twoAbsent, inverse, kEnglish));
    // All targets present with no missing peak allowed.
    QVERIFY(
        JudgeLoadedFile(*m_table, m_peaks, { "612", "774", "1127" }, { 10, 0, false }, kEnglish));
    // The judgement finds the peaks itself.
    QCOMPARE(m_peaks.Count, 3);
}

void tst_FileJudgement::emptyTargetList()
{
    peaksAt(*m_table, { 612 });
    QVERIFY(!JudgeLoadedFile(*m_table, m_peaks, {}, { 10, 1, false }, kEnglish));
    QVERIFY(JudgeLoadedFile(*m_table, m_peaks, {}, { 10, 1, true }, kEnglish));
    QVERIFY(JudgeLoadedFile(*m_table, m_peaks, {}, { 10, 10, false }, kEnglish));
    QVERIFY(!JudgeLoadedFile(*m_table, m_peaks, {}, { 10, 9, false }, kEnglish));
}

void tst_FileJudgement::targetsConvertOnlyWhenThereArePeaks()
{
    // A file without peaks: every target is missing and nothing is converted.
    peaksAt(*m_table, {});
    QCOMPARE(CountMissingTargets(*m_table, PeakListData(), { "abc", "1650.5" }, 10, kGerman), 2);
    // With a peak the text must be a number under the user's separators, without any rewriting.
    peaksAt(*m_table, { 1650.5 });
    FindPeaks(*m_table, m_peaks);
    PH_EXPECT_THROW(EConvertError,
        CountMissingTargets(*m_table, m_peaks, { "1650.5" }, 10, kGerman),
        "'1650.5' ist kein gültiger Gleitkommawert");
    QCOMPARE(CountMissingTargets(*m_table, m_peaks, { "1650,5", "1650" }, 10, kGerman), 0);
    PH_EXPECT_THROW(EConvertError, CountMissingTargets(*m_table, m_peaks, { "" }, 10, kEnglish),
        "'' ist kein gültiger Gleitkommawert");
}

void tst_FileJudgement::onePeakServesSeveralTargets()
{
    peaksAt(*m_table, { 1000 });
    FindPeaks(*m_table, m_peaks);
    QCOMPARE(
        CountMissingTargets(*m_table, m_peaks, { "995", "1005", "1000", "2000" }, 10, kEnglish), 1);
}

void tst_FileJudgement::progressPositions()
{
    const std::vector<int> eight { 12, 25, 38, 50, 62, 75, 88, 100 };
    for (int i = 0; i < 8; ++i)
        QCOMPARE(ProgressPosition(i, 8), eight[static_cast<std::size_t>(i)]);
    const std::vector<int> three { 33, 67, 100 };
    for (int i = 0; i < 3; ++i)
        QCOMPARE(ProgressPosition(i, 3), three[static_cast<std::size_t>(i)]);
    QCOMPARE(ProgressPosition(0, 4), 25);
    QCOMPARE(ProgressPosition(0, 200), 0); // 0.5 goes to the even neighbour
    QCOMPARE(ProgressPosition(2, 200), 2); // 1.5 too
}

void tst_FileJudgement::nearestPeakInsideTheWindowServes()
{
    peaksAt(*m_table, { 990, 995, 1004, 1006, 1500 });
    FileJudgement judgement;
    JudgeFile(*m_table, m_peaks, { "1000", "1001", "1500", "2000", "1010" }, { 10, 1, true },
        kEnglish, judgement);
    QCOMPARE(judgement.Targets.size(), std::size_t(5));
    QCOMPARE(judgement.Targets[0].Position, 1004.0); // nearer than 995; 990 lies on the edge
    QCOMPARE(judgement.Targets[0].Offset, 4.0);
    QCOMPARE(judgement.Targets[1].Position, 1004.0);
    QCOMPARE(judgement.Targets[1].Offset, 3.0);
    QCOMPARE(judgement.Targets[2].Offset, 0.0);
    QVERIFY(!judgement.Targets[3].Found);
    QCOMPARE(judgement.Targets[4].Position, 1006.0); // the nearest, not the first inside
    QCOMPARE(judgement.MissingCount, 1);
    QVERIFY(judgement.Matches);
    QVERIFY(!judgement.Selected); // inverse mode

    // Two equally near peaks: the lower one serves; the judgement's storage is reused.
    JudgeFile(*m_table, m_peaks, { "1005" }, { 10, 1, false }, kEnglish, judgement);
    QCOMPARE(judgement.Targets.size(), std::size_t(1));
    QCOMPARE(judgement.Targets[0].Position, 1004.0);
    QCOMPARE(judgement.Targets[0].Offset, -1.0);
}

void tst_FileJudgement::reportRows()
{
    QCOMPARE(ReportNumber(1009.9, '.'), std::string("1009.9"));
    QCOMPARE(ReportNumber(1009.9, ','), std::string("1009,9"));
    QCOMPARE(ReportNumber(1650, ','), std::string("1650"));
    QCOMPARE(ReportNumber(-0.000125, '.'), std::string("-0.000125"));
    QCOMPARE(
        ReportNumber(0.1 + 0.2, '.'), std::string("0.30000000000000004")); // reads back exactly

    FileJudgement judgement;
    judgement.Targets = { { true, 612.5, 0.5 }, {} };
    judgement.MissingCount = 1;
    judgement.Selected = true;
    MatchReport report;
    report.Start({ "612", "774,0" });
    report.AddWrongLayout("w.txt");
    report.AddJudged("a b.txt", judgement);
    judgement.Selected = false;
    report.AddJudged("c.txt", judgement);
    QCOMPARE(report.Text(','),
        std::string("Datei\tAusgewählt\tFehlend\t612\t774,0\n"
                    "a b.txt\tja\t1\t612,5\t\n"
                    "c.txt\tnein\t1\t612,5\t\n"
                    "w.txt\tfalsches Format\t\t\t\n"));
    report.Start({});
    QCOMPARE(report.Text('.'), std::string("Datei\tAusgewählt\tFehlend\n"));
}

QTEST_GUILESS_MAIN(tst_FileJudgement)
#include "tst_filejudgement.moc"
