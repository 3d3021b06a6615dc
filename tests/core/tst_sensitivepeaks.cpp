#include "eachspectrum.h"
#include "exceptions.h"
#include "filejudgement.h"
#include "peakfinder.h"
#include "peakrules.h"
#include "realdataeval.h"
#include "spectrumfile.h"

#include <QTest>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

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

quint64 bits(double v)
{
    quint64 b = 0;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// The prominence of every local maximum of the 3-point mean of y (the first point of a flat top),
// by its definition: the height above the higher of the lowest points between it and the nearest
// point as high to its left and strictly higher to its right (or the ends). 0 elsewhere.
std::vector<double> prominencesByDefinition(const std::vector<double> &y)
{
    const std::size_t m = y.size();
    std::vector<double> s(m);
    const double third = 1.0 / 3;
    s[0] = y[0] / 2 + y[1] / 2;
    for (std::size_t k = 1; k + 1 < m; ++k)
        s[k] = y[k - 1] * third + y[k] * third + y[k + 1] * third;
    s[m - 1] = y[m - 2] / 2 + y[m - 1] / 2;
    std::vector<double> prominence(m, 0.0);
    for (std::size_t k = 1; k + 1 < m; ++k) {
        if (!(s[k] > s[k - 1] && s[k] >= s[k + 1]))
            continue;
        double left = s[k];
        for (std::size_t i = k; i-- > 0 && s[i] < s[k];)
            left = std::min(left, s[i]);
        double right = s[k];
        for (std::size_t j = k + 1; j < m && s[j] <= s[k]; ++j)
            right = std::min(right, s[j]);
        prominence[k] = s[k] - std::max(right, left);
    }
    return prominence;
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
    void peaksAreTheMaximaProminentByDefinition();
    void spectrumOnItsArraysIsJudgedAsOnATable();
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

// GIVEN spectra of bands at random places (so that they fall anywhere in the blocks the search
// strides over), narrow and strong or so broad and low that a block around their top varies
// less than the threshold, with noise of whole counts, whose neighbours tie and whose tops are
// flat; and others rounded so coarsely that plateaus and equal summits are everywhere
// WHEN the sensitive rule runs, or measures the prominence of every maximum
// THEN its peaks are exactly the maxima of the smoothed curve whose prominence, measured point by
// point by its definition, exceeds eight noise levels, and every prominence is that one to the bit.
void tst_SensitivePeaks::peaksAreTheMaximaProminentByDefinition()
{
    std::mt19937 random(20240611);
    std::normal_distribution<double> gauss(0, 1);
    int flatTops = 0;
    for (int spectrum = 0; spectrum < 400; ++spectrum) {
        const bool coarse = spectrum % 4 == 3;
        const std::size_t m = 100 + random() % 1400;
        std::vector<double> x(m);
        std::vector<double> y(m);
        const double noise = 1 + random() % 4;
        struct Band {
            double Centre, Height, Width;
        };
        // Groups of bands clear of each other and of the ends by three widths (30 points at
        // least), none under the floor of the rule: a broad band; a narrow one; a narrow one
        // higher than the flat top of a broad one 50 to 65 points to its left or right; twins
        // 16 to 20 points apart.
        std::vector<Band> bands;
        for (double at = 0;;) {
            const unsigned group = random() % 5;
            const double width = group == 1 ? 2 + random() % 3
                : group >= 3                ? 50 + random() % 10
                                            : 30 + random() % 30;
            at += 3 * std::max(width, 10.0) + random() % 100;
            if (at + 3 * width + 60 >= static_cast<double>(m))
                break;
            if (group == 2) {
                bands.push_back({ at, noise * (40 + random() % 20), 3 });
                at += 16 + random() % 5;
                bands.push_back({ at, noise * (40 + random() % 20), 3 });
                at += 3 * 10;
                continue;
            }
            const Band narrow { 0, noise * (120 + random() % 30), 2 };
            if (group == 3) {
                bands.push_back({ at, narrow.Height, narrow.Width });
                at += 50 + random() % 16;
            }
            bands.push_back({ at,
                noise
                    * (group == 1        ? 50 + random() % 100
                            : group >= 3 ? 60 + random() % 20
                                         : 40 + random() % 20),
                width });
            flatTops += group != 1 ? 1 : 0;
            if (group == 4) {
                at += 50 + random() % 16;
                bands.push_back({ at, narrow.Height, narrow.Width });
            }
            at += 3 * std::max(width, 10.0);
        }
        for (std::size_t k = 0; k < m; ++k) {
            x[k] = 2000 - static_cast<double>(k);
            double v = 500 + 0.05 * static_cast<double>(k) + noise * gauss(random);
            for (const Band &band : bands) {
                const double d = (static_cast<double>(k) - band.Centre) / band.Width;
                v += band.Height / (1 + d * d);
            }
            y[k] = coarse ? 50 * std::round(v / 50) : std::round(v);
        }
        const std::vector<double> prominence = prominencesByDefinition(y);
        if (coarse) {
            m_peaks->Count = 0;
            for (std::size_t k = 0; k < m; ++k)
                if (prominence[k] > 0)
                    m_peaks->Rows[m_peaks->Count++] = static_cast<int>(k) + 1;
            MeasurePeakStrengths(y.data(), static_cast<int>(m), *m_peaks, *m_strengths);
        } else {
            FindSensitivePeaks(
                x.data(), y.data(), static_cast<int>(m), *m_peaks, 0, 1e9, m_strengths.get());
            std::vector<int> rows;
            for (std::size_t k = 0; k < m; ++k)
                if (prominence[k] > 8 * m_strengths->Noise)
                    rows.push_back(static_cast<int>(k) + 1);
            QCOMPARE(std::vector<int>(m_peaks->Rows, m_peaks->Rows + m_peaks->Count), rows);
        }
        for (int i = 1; i <= m_peaks->Count; ++i)
            QCOMPARE(bits(m_strengths->Of(i)), bits(prominence[m_peaks->Row(i) - 1]));
    }
    QVERIFY(flatTops > 100);
}

// GIVEN the real spectra of the repository, as they are and with a value made infinite and
// another not a number WHEN each is judged on its own arrays (as every spectrum of a map is) and
// on a table, by either rule, scored or not, over all x and inside a window THEN the judgements
// and the peaks are the same to the bit, and so is an overflow of the fixed rule.
void tst_SensitivePeaks::spectrumOnItsArraysIsJudgedAsOnATable()
{
    const std::vector<std::string> targets { "144", "281", "520", "712", "1001", "1086", "1602" };
    PeakRuleSettings standard;
    PeakRuleSettings sensitive;
    sensitive.Rule = PeakRule::Sensitive;
    PeakRuleSettings window = sensitive;
    window.From = 300;
    window.To = 1500;
    auto tablePeaks = std::make_unique<PeakListData>();
    int judged = 0;
    for (const auto &entry :
        std::filesystem::directory_iterator(PH_TEST_DATA "/realdata/spectra")) {
        std::ifstream in(entry.path());
        std::string line;
        for (int i = 0; i < 4; ++i)
            std::getline(in, line);
        const NumberSeparators separators = line.find(',') != std::string::npos
            ? NumberSeparators { ',', '.' }
            : NumberSeparators { '.', ',' };
        BadFileListData badFiles;
        QVERIFY(LoadSpectrumFile(*m_table, badFiles, entry.path().string(), separators).WellFormed);
        QCOMPARE(m_table->SpectrumCount, 1);
        const int n = m_table->RowCount;
        std::vector<double> x(static_cast<std::size_t>(n));
        std::vector<double> y(x.size());
        for (int r = 1; r <= n; ++r) {
            x[static_cast<std::size_t>(r - 1)] = m_table->Cell(r, 1);
            y[static_cast<std::size_t>(r - 1)] = m_table->Cell(r, 2);
        }
        for (const bool spoilt : { false, true }) {
            if (spoilt) {
                y[100] = m_table->Cell(101, 2) = HUGE_VAL;
                y[200] = m_table->Cell(201, 2) = std::nan("");
            }
            StreamedSpectrum spectrum;
            spectrum.X = x.data();
            spectrum.Y = y.data();
            spectrum.Points = x.size();
            for (const PeakRuleSettings &rule : { standard, sensitive, window }) {
                for (const bool score : { false, true }) {
                    FileJudgement onTable;
                    FileJudgement onArrays;
                    bool overflowOnTable = false;
                    bool overflowOnArrays = false;
                    try {
                        JudgeFile(*m_table, *tablePeaks, targets, SearchSettings {}, rule, score,
                            separators, onTable);
                    } catch (const EOverflow &) {
                        overflowOnTable = true;
                    }
                    try {
                        JudgeSpectrum(spectrum, *m_peaks, targets, SearchSettings {}, rule, score,
                            separators, onArrays);
                    } catch (const EOverflow &) {
                        overflowOnArrays = true;
                    }
                    QCOMPARE(overflowOnArrays, overflowOnTable);
                    if (overflowOnTable)
                        continue;
                    ++judged;
                    QCOMPARE(std::vector<int>(m_peaks->Rows, m_peaks->Rows + m_peaks->Count),
                        std::vector<int>(tablePeaks->Rows, tablePeaks->Rows + tablePeaks->Count));
                    QCOMPARE(onArrays.MissingCount, onTable.MissingCount);
                    QCOMPARE(onArrays.Selected, onTable.Selected);
                    QCOMPARE(onArrays.Scored, onTable.Scored);
                    QCOMPARE(bits(onArrays.Score), bits(onTable.Score));
                    QCOMPARE(onArrays.Targets.size(), targets.size());
                    for (std::size_t t = 0; t < targets.size(); ++t) {
                        QCOMPARE(onArrays.Targets[t].Found, onTable.Targets[t].Found);
                        QCOMPARE(
                            bits(onArrays.Targets[t].Position), bits(onTable.Targets[t].Position));
                        QCOMPARE(bits(onArrays.Targets[t].Prominence),
                            bits(onTable.Targets[t].Prominence));
                    }
                }
            }
        }
    }
    QVERIFY(judged >= 10 * 2 * 3 * 2 - 2 * 2);
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

// The whole reference set, when it lies beside the checkout (see docs/developing.md).
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
    // The strangers show the sought bands (see docs/manual.md, "Peak rules: Standard and
    // Empfindlich"): 35 TiO2 files carry a phenyl compound's 1001, 1031 and 1602 as clear bands
    // (1001 at 58-91 % of anatase's 144), anatase's 516 lies in silicon's window at 4-5 % of the
    // main band, and calcite's 155 and neon lines lie in TiO2's. Hold the count where it is.
    QVERIFY2(figures.Strangers() <= 52, std::to_string(figures.Strangers()).c_str());
    QEXPECT_FAIL("", "the strangers' spectra show the sought bands", Continue);
    QVERIFY(figures.Strangers() <= 10);
}

QTEST_GUILESS_MAIN(tst_SensitivePeaks)
#include "tst_sensitivepeaks.moc"
