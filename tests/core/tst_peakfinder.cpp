#include "exceptions.h"
#include "peakfinder.h"
#include "testsupport.h"

#include <QTest>
#include <cfloat>
#include <memory>
#include <vector>

namespace
{

void fill(SpectrumTableData &table, const std::vector<std::vector<double>> &spectra)
{
    table.SpectrumCount = static_cast<int>(spectra.size());
    table.RowCount = static_cast<int>(spectra.front().size());
    for (int r = 1; r <= table.RowCount; ++r) {
        table.Cell(r, 1) = 1000 + r;
        for (std::size_t s = 0; s < spectra.size(); ++s)
            table.Cell(r, static_cast<int>(s) + 2) = spectra[s][static_cast<std::size_t>(r - 1)];
    }
}

std::vector<int> peakRows(const PeakListData &peaks)
{
    return std::vector<int>(peaks.Rows, peaks.Rows + peaks.Count);
}

} // namespace

class tst_PeakFinder : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void workedExample();
    void shapes_data();
    void shapes();
    void onlyTheLastSpectrumRemains();
    void tablesWithoutSpectraOrRows();
    void notPositiveMaximumFindsNothing();
    void absurdMagnitudesOverflow();
    void extendedPrecisionSmoothing();

private:
    std::unique_ptr<SpectrumTableData> m_table;
    PeakListData m_peaks;
};

void tst_PeakFinder::init()
{
    m_table = std::make_unique<SpectrumTableData>();
    m_peaks = PeakListData();
}

void tst_PeakFinder::workedExample()
{
    fill(*m_table, { { 0, 0, 30, 90, 30, 0, 0, 3, 9, 3, 0, 0, 12, 30, 12, 0, 0 } });
    FindPeaks(*m_table, m_peaks);
    QCOMPARE(peakRows(m_peaks), (std::vector<int> { 4, 14 }));
}

void tst_PeakFinder::shapes_data()
{
    QTest::addColumn<std::vector<double>>("y");
    QTest::addColumn<std::vector<int>>("rows");
    QTest::newRow("constant") << std::vector<double> { 5, 5, 5, 5, 5, 5 } << std::vector<int> {};
    // Smoothed 0, 10, 20, 20, 10, 0: the flat top is never a candidate.
    QTest::newRow("flat top") << std::vector<double> { 0, 0, 30, 30, 0, 0 } << std::vector<int> {};
    // Smoothed 0, 10, 40, 50, 40, 10, 0: a single hump.
    QTest::newRow("single hump") << std::vector<double> { 0, 0, 30, 90, 30, 0, 0 }
                                 << std::vector<int> { 4 };
    // Rows 1 and N are never reported, however high.
    QTest::newRow("edges") << std::vector<double> { 90, 0, 0, 0, 90 } << std::vector<int> {};
    // The second hump's smoothed top 5 stands 5 above the running minimum 0, with the maximum 50:
    // exactly 10 percent is not enough; 5.1 (10.2 percent) is.
    QTest::newRow("exactly ten percent") << std::vector<double> { 0, 0, 30, 90, 30, 0, 0, 0, 0, 3,
        9, 3, 0, 0 } << std::vector<int> { 4 };
    QTest::newRow("just above ten percent") << std::vector<double> { 0, 0, 30, 90, 30, 0, 0, 0, 0,
        3, 9.3, 3, 0, 0 } << std::vector<int> { 4, 11 };
    // After the rejected 5, a higher local maximum (5.67) is tested against the lowest point since
    // the last peak, without a new low between.
    QTest::newRow("higher than a rejected one") << std::vector<double> { 0, 0, 30, 90, 30, 0, 0, 0,
        3, 9, 3, 2, 12, 2, 0, 0 } << std::vector<int> { 4, 12 };
    // On the falling side every lower value is a new low: the shoulder at 33.3 is measured from 20.
    QTest::newRow("shoulder on the falling side") << std::vector<double> { 0, 0, 30, 90, 30, 20, 10,
        70, 10, 0, 0 } << std::vector<int> { 4, 7 };
}

void tst_PeakFinder::shapes()
{
    QFETCH(std::vector<double>, y);
    QFETCH(std::vector<int>, rows);
    fill(*m_table, { y });
    FindPeaks(*m_table, m_peaks);
    QCOMPARE(peakRows(m_peaks), rows);
}

void tst_PeakFinder::onlyTheLastSpectrumRemains()
{
    fill(*m_table, { { 0, 0, 30, 90, 30, 0, 0, 0, 0 }, { 0, 0, 0, 0, 30, 90, 30, 0, 0 } });
    FindPeaks(*m_table, m_peaks);
    QCOMPARE(peakRows(m_peaks), (std::vector<int> { 6 }));
}

void tst_PeakFinder::tablesWithoutSpectraOrRows()
{
    m_peaks.Count = 2;
    m_peaks.Rows[0] = 7;
    m_table->SpectrumCount = 0;
    m_table->RowCount = 10;
    FindPeaks(*m_table, m_peaks);
    QCOMPARE(m_peaks.Count, 2); // no spectrum: the list stays

    fill(*m_table, { { 0, 90 } });
    FindPeaks(*m_table, m_peaks);
    QCOMPARE(m_peaks.Count, 0); // two rows: nothing to test, the list is emptied
    m_table->RowCount = 0;
    m_peaks.Count = 1;
    FindPeaks(*m_table, m_peaks);
    QCOMPARE(m_peaks.Count, 0);
}

void tst_PeakFinder::notPositiveMaximumFindsNothing()
{
    // Negative apart from zeros: the largest smoothed value is 0 and a local maximum exists. One
    // odd file must not end a search with a division by zero.
    fill(*m_table, { { -9, -9, 0, 0, 0, -9, -9, -9, -9, -3, -9, -9 } });
    FindPeaks(*m_table, m_peaks);
    QCOMPARE(m_peaks.Count, 0);
    fill(*m_table, { { -90, -90, -30, -90, -90 } });
    FindPeaks(*m_table, m_peaks);
    QCOMPARE(m_peaks.Count, 0);
}

void tst_PeakFinder::absurdMagnitudesOverflow()
{
    // The maximum is tiny and the height above the running minimum is not: the relative height
    // does not fit a double.
    fill(*m_table, { { 0, -3e300, 0, 0, 0, 3e-300, 9e-300, 3e-300, 0, 0 } });
    PH_EXPECT_THROW(EOverflow, FindPeaks(*m_table, m_peaks), "Gleitkommaüberlauf");
}

void tst_PeakFinder::extendedPrecisionSmoothing()
{
    // (DBL_MAX + DBL_MAX + 0) / 3 overflows in double arithmetic but not in extended precision.
    fill(*m_table, { { 0, DBL_MAX, DBL_MAX, 0, 0 } });
    FindPeaks(*m_table, m_peaks);
    QCOMPARE(peakRows(m_peaks), (std::vector<int> {}));
    fill(*m_table, { { 0, DBL_MAX, DBL_MAX, DBL_MAX, 0, 0 } });
    FindPeaks(*m_table, m_peaks);
    QCOMPARE(peakRows(m_peaks), (std::vector<int> { 3 }));
}

QTEST_GUILESS_MAIN(tst_PeakFinder)
#include "tst_peakfinder.moc"
