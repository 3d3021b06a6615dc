#include "filejudgement.h"
#include "peakfinder.h"
#include "realdataeval.h"
#include "sensitivepeaks.h"

#include <QTest>
#include <cmath>
#include <memory>

namespace
{

// Gaussian bands on a sloping background with reproducible noise of standard deviation sigma,
// x from 50 to 2049 in steps of 1.
struct Band {
    double Position, Height, Width;
};

void synthetic(SpectrumTableData &table, const std::vector<Band> &bands, double sigma)
{
    unsigned state = 12345;
    const auto uniform = [&state] {
        state = state * 1103515245u + 12345u;
        return ((state >> 8) & 0xffff) / 65536.0;
    };
    table.RowCount = 2000;
    table.SpectrumCount = 1;
    for (int r = 1; r <= table.RowCount; ++r) {
        const double x = 49 + r;
        double y = 1000 - 0.1 * x;
        for (const Band &b : bands)
            y += b.Height * std::exp(-0.5 * std::pow((x - b.Position) / b.Width, 2));
        // The sum of 12 uniform numbers is nearly normal with variance 1.
        double n = -6;
        for (int k = 0; k < 12; ++k)
            n += uniform();
        table.Cell(r, 1) = x;
        table.Cell(r, 2) = y + sigma * n;
    }
}

std::vector<double> positions(const SpectrumTableData &table, const PeakListData &peaks)
{
    std::vector<double> x;
    for (int i = 1; i <= peaks.Count; ++i)
        x.push_back(table.Cell(peaks.Row(i), 1));
    return x;
}

bool near(const std::vector<double> &xs, double position)
{
    for (double x : xs)
        if (std::fabs(x - position) < 3)
            return true;
    return false;
}

} // namespace

class tst_SensitivePeaks : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void weakBandsAboveTheNoiseAndNothingElse();
    void prominenceIsTheHeightAboveTheHigherSaddle();
    void bandsOnAFluorescenceHump();
    void spikeBesideWiderBandsIsNoPeak();
    void laserLineBelowTheLowerLimitStaysOut();
    void degenerateTablesGiveFiniteResults();
    void scoreRanksCloseStrongMatchesFirst();
    void realSpectraOfTheRepository();
    void fullReferenceSet();

private:
    std::unique_ptr<SpectrumTableData> m_table;
    std::unique_ptr<PeakListData> m_peaks;
    std::unique_ptr<PeakStrengthData> m_strengths;
};

void tst_SensitivePeaks::init()
{
    m_table = std::make_unique<SpectrumTableData>();
    m_peaks = std::make_unique<PeakListData>();
    m_strengths = std::make_unique<PeakStrengthData>();
}

// GIVEN a strong band, one at 5 % of it, one at 3 % and one at 1 % (still 20 noise levels high)
// WHEN the sensitive rule runs THEN the first three are found, the noise is estimated near its
// true level, and neither the 1 % band (below the relative floor) nor any wiggle is a peak; the
// fixed rule misses the weak ones.
void tst_SensitivePeaks::weakBandsAboveTheNoiseAndNothingElse()
{
    synthetic(
        *m_table, { { 1086, 20000, 4 }, { 712, 1000, 4 }, { 281, 600, 5 }, { 1500, 200, 5 } }, 10);
    FindSensitivePeaks(*m_table, *m_peaks, 100, 1e9, m_strengths.get());
    const auto found = positions(*m_table, *m_peaks);
    QCOMPARE(found.size(), std::size_t(3));
    QVERIFY(near(found, 1086) && near(found, 712) && near(found, 281));
    QVERIFY(m_strengths->Noise > 7 && m_strengths->Noise < 13);
    QCOMPARE(m_strengths->Count, 3);
    QCOMPARE(m_strengths->Strongest, m_strengths->Of(3));

    FindPeaks(*m_table, *m_peaks);
    const auto standard = positions(*m_table, *m_peaks);
    QVERIFY(near(standard, 1086));
    QVERIFY(!near(standard, 712) && !near(standard, 281));
}

// GIVEN two bands of 1.5 and 2 % of a broad fluorescence hump under them WHEN the sensitive rule
// runs THEN both are found: the floor is a share of the strongest band, not of the hump.
void tst_SensitivePeaks::bandsOnAFluorescenceHump()
{
    // The noise is the hump's shot noise.
    synthetic(*m_table, { { 1000, 1e6, 600 }, { 850, 15000, 4 }, { 1150, 20000, 4 } }, 1000);
    FindSensitivePeaks(*m_table, *m_peaks, 100, 1e9, m_strengths.get());
    const auto found = positions(*m_table, *m_peaks);
    QVERIFY(near(found, 850) && near(found, 1150));
}

void tst_SensitivePeaks::prominenceIsTheHeightAboveTheHigherSaddle()
{
    // Noise-free: a high band at 500 and a lower one at 540 on its flank; the lower one's
    // prominence is measured from the saddle between them, not from the background.
    synthetic(*m_table, { { 500, 1000, 5 }, { 540, 400, 5 } }, 0);
    FindSensitivePeaks(*m_table, *m_peaks, 100, 1e9, m_strengths.get());
    const auto found = positions(*m_table, *m_peaks);
    QCOMPARE(found.size(), std::size_t(2));
    QCOMPARE(found[0], 500.0);
    QCOMPARE(found[1], 540.0);
    // The smoothing takes a little off the tops.
    QVERIFY(std::fabs(m_strengths->Of(1) - 1000) < 20);
    QVERIFY(std::fabs(m_strengths->Of(2) - 400) < 10);
}

void tst_SensitivePeaks::spikeBesideWiderBandsIsNoPeak()
{
    synthetic(*m_table, { { 900, 5000, 3 }, { 1200, 3000, 3 } }, 10);
    // A cosmic ray: three pixels, the middle one far up, 20 % of the strongest band.
    m_table->Cell(414 - 49 - 1, 2) += 500;
    m_table->Cell(414 - 49, 2) += 1000;
    m_table->Cell(414 - 49 + 1, 2) += 450;
    FindSensitivePeaks(*m_table, *m_peaks, 100, 1e9);
    const auto found = positions(*m_table, *m_peaks);
    QVERIFY(near(found, 900) && near(found, 1200));
    QVERIFY(!near(found, 414));
    // A band as narrow as a spike is still a peak when it is the spectrum's strongest.
    synthetic(*m_table, { { 700, 5000, 0.8 } }, 10);
    FindSensitivePeaks(*m_table, *m_peaks, 100, 1e9);
    QVERIFY(near(positions(*m_table, *m_peaks), 700));
}

void tst_SensitivePeaks::laserLineBelowTheLowerLimitStaysOut()
{
    synthetic(*m_table, { { 60, 1e6, 4 }, { 130, 3000, 4 }, { 1500, 3000, 4 } }, 10);
    PeakRuleSettings rule;
    rule.Rule = PeakRule::Sensitive;
    FindPeaksByRule(*m_table, *m_peaks, rule);
    auto found = positions(*m_table, *m_peaks);
    QVERIFY(!near(found, 60) && near(found, 130) && near(found, 1500));
    rule.From = 200;
    rule.To = 1400;
    FindPeaksByRule(*m_table, *m_peaks, rule);
    QCOMPARE(m_peaks->Count, 0);
}

void tst_SensitivePeaks::degenerateTablesGiveFiniteResults()
{
    // No spectrum: the list keeps what it had, as with the fixed rule.
    m_peaks->Count = 1;
    m_peaks->Rows[0] = 7;
    FindSensitivePeaks(*m_table, *m_peaks, 100, 1e9);
    QCOMPARE(m_peaks->Count, 1);

    m_table->SpectrumCount = 1;
    m_table->RowCount = 5;
    const double extremes[] = { 0, 1.7e308, -1.7e308, 1.7e308, 0 };
    for (int r = 1; r <= 5; ++r) {
        m_table->Cell(r, 1) = 100 + r;
        m_table->Cell(r, 2) = extremes[r - 1];
    }
    FindSensitivePeaks(*m_table, *m_peaks, 100, 1e9, m_strengths.get());
    QVERIFY(std::isfinite(m_strengths->Noise));
    for (int i = 1; i <= m_peaks->Count; ++i) {
        QVERIFY(m_peaks->Row(i) >= 1 && m_peaks->Row(i) <= 5);
        QVERIFY(std::isfinite(m_strengths->Of(i)));
    }
    for (int r = 1; r <= 5; ++r)
        m_table->Cell(r, 2) = 3;
    FindSensitivePeaks(*m_table, *m_peaks, 100, 1e9);
    QCOMPARE(m_peaks->Count, 0);
    m_table->RowCount = 2;
    FindSensitivePeaks(*m_table, *m_peaks, 100, 1e9);
    QCOMPARE(m_peaks->Count, 0);
}

void tst_SensitivePeaks::scoreRanksCloseStrongMatchesFirst()
{
    const auto match = [](double offset, double prominence) {
        TargetMatch m;
        m.Found = true;
        m.Offset = offset;
        m.Prominence = prominence;
        return m;
    };
    const double exactStrong = MatchScore({ match(0, 1000) }, 10, 1, 1000);
    const double offStrong = MatchScore({ match(5, 1000) }, 10, 1, 1000);
    const double exactWeak = MatchScore({ match(0, 10) }, 10, 1, 10);
    QVERIFY(exactStrong > 95 && exactStrong <= 100);
    QVERIFY(offStrong < exactStrong && offStrong > 45);
    QVERIFY(exactWeak < 50);
    // A clear band that is a tenth of the spectrum's main band counts a tenth.
    const double sideBand = MatchScore({ match(0, 1000) }, 10, 1, 10000);
    QVERIFY(std::fabs(sideBand - exactStrong / 10) < 1e-9);
    // A missing target counts 0 in the mean; no targets or no window score 0.
    QCOMPARE(MatchScore({ match(0, 1000), TargetMatch {} }, 10, 1, 1000), exactStrong / 2);
    QCOMPARE(MatchScore({}, 10, 1, 1), 0.0);
    QCOMPARE(MatchScore({ match(0, 1000) }, 0, 1, 1000), 0.0);
}

// The real spectra kept in the repository: every substance file is found by its bands, the
// cosmic spike is no peak, and the fixed rule finds fewer. A neon line lies within 10 of TiO2's
// 144, so that file is selected by its one band, but it ranks below the TiO2 files.
void tst_SensitivePeaks::realSpectraOfTheRepository()
{
    PeakRuleSettings sensitive;
    sensitive.Rule = PeakRule::Sensitive;
    const auto figures = MeasureRealData(PH_TEST_DATA "/realdata", sensitive);
    QCOMPARE(figures.SpectrumFiles, 10);
    QCOMPARE(figures.Found(), figures.Files());
    QCOMPARE(figures.SpikePeaks, 0);
    QCOMPARE(figures.Strangers(), 1);
    QCOMPARE(figures.WorstTopStrangers(), 0);
    const auto standard = MeasureRealData(PH_TEST_DATA "/realdata", PeakRuleSettings {});
    QVERIFY(standard.Found() < figures.Found());
}

// The whole reference set, when it lies beside the checkout (see README).
void tst_SensitivePeaks::fullReferenceSet()
{
    const std::string folder = FindFullRealData(PH_SOURCE_DIR);
    if (folder.empty())
        QSKIP("no reference set beside the checkout (set PH_REALDATA)");
    PeakRuleSettings sensitive;
    sensitive.Rule = PeakRule::Sensitive;
    const auto figures = MeasureRealData(folder, sensitive);
    const auto standard = MeasureRealData(folder, PeakRuleSettings {});
    QCOMPARE(figures.Files(), 128);
    QCOMPARE(standard.Found(), 105);
    QCOMPARE(standard.Strangers(), 7);
    QVERIFY2(figures.Found() >= 124, std::to_string(figures.Found()).c_str());
    QCOMPARE(figures.SpikePeaks, 0);
    QVERIFY2(figures.WorstTopStrangers() <= 1, std::to_string(figures.WorstTopStrangers()).c_str());
    // The strangers show the sought bands (see README, "Peak rules: Standard and Empfindlich"):
    // 35 TiO2 files carry a phenyl compound's 1001, 1031 and 1602 as clear bands
    // (1001 at 58-91 % of anatase's 144), anatase's 516 lies in silicon's window at 4-5 % of the
    // main band, and calcite's 155 and neon lines lie in TiO2's. Hold the count where it is.
    QVERIFY2(figures.Strangers() <= 52, std::to_string(figures.Strangers()).c_str());
    QEXPECT_FAIL("", "the strangers' spectra show the sought bands", Continue);
    QVERIFY(figures.Strangers() <= 10);
}

QTEST_GUILESS_MAIN(tst_SensitivePeaks)
#include "tst_sensitivepeaks.moc"
