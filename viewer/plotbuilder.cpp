#include "plotbuilder.h"

#include "application.h"
#include "controls.h"
#include "numconv.h"
#include "qtstrings.h"
#include "rounding.h"
#include "spectrumfile.h"
#include "spectrumtable.h"
#include "tchart.h"
#include "tform2.h"
#include "tform3.h"
#include "tlineseries.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <vector>

BrowseCursorData BrowseCursor;

namespace
{

// The smallest and largest intensity of each spectrum, read row by row, the order the table
// keeps its cells in.
struct SpectrumExtremes {
    std::vector<double> Lowest;
    std::vector<double> Highest;
};

SpectrumExtremes spectrumExtremes(const SpectrumTableData &table)
{
    const auto spectra = static_cast<std::size_t>(std::max(table.SpectrumCount, 0));
    SpectrumExtremes e { std::vector<double>(spectra), std::vector<double>(spectra) };
    if (table.HasOwnX()) {
        // Each spectrum over its own rows.
        for (std::size_t i = 0; i < spectra; ++i) {
            const int column = static_cast<int>(i) + 2;
            const int rows = table.SpectrumRows(static_cast<int>(i));
            if (rows < 1)
                continue;
            e.Lowest[i] = e.Highest[i] = table.Cell(1, column);
            for (int r = 2; r <= rows; ++r) {
                const double v = table.Cell(r, column);
                e.Lowest[i] = v < e.Lowest[i] ? v : e.Lowest[i];
                e.Highest[i] = v > e.Highest[i] ? v : e.Highest[i];
            }
        }
        return e;
    }
    if (table.RowCount < 1)
        return e;
    for (std::size_t i = 0; i < spectra; ++i)
        e.Lowest[i] = e.Highest[i] = table.Cell(1, static_cast<int>(i) + 2);
    for (int r = 2; r <= table.RowCount; ++r) {
        const double *cells = &table.Cells[r - 1][1];
        for (std::size_t i = 0; i < spectra; ++i) {
            e.Lowest[i] = cells[i] < e.Lowest[i] ? cells[i] : e.Lowest[i];
            e.Highest[i] = cells[i] > e.Highest[i] ? cells[i] : e.Highest[i];
        }
    }
    return e;
}

// The largest intensity of all spectra over every row, never below 0.
double largestIntensity(const SpectrumExtremes &extremes)
{
    double m = 0.0;
    for (const double v : extremes.Highest)
        if (!(m >= v))
            m = v;
    return m;
}

QString legendTitle(const SpectrumTableData &table, int s)
{
    const std::string &name = table.Names[s];
    return name.empty() ? QCoreApplication::translate("TForm2", "Spektrum %1").arg(s + 1)
                        : ToQString(name);
}

} // namespace

QString ShownNote(const LoadResult &load)
{
    if (!load.WellFormed)
        return load.Reason.empty() ? QString() : QStringLiteral(" - ") + ToQString(load.Reason);
    if (load.FileSpectra == 0)
        return QString();
    return QCoreApplication::translate("TForm2", " - die ersten %1 von %2 Spektren")
        .arg(kMaxSpectra)
        .arg(load.FileSpectra);
}

std::uint32_t SpectrumColor(int index)
{
    // 0x00BBGGRR
    static const TColor palette[] = { 0x000000, 0xB27200, 0x009FE6, 0x739E00, 0x005ED5, 0xE9B456,
        0xA779CC };
    constexpr int count = static_cast<int>(sizeof palette / sizeof palette[0]);
    return palette[((index % count) + count) % count];
}

void ShowSpectra(const QString &name)
{
    SpectrumTableData &table = SpectrumTable;
    if (!name.isEmpty()) {
        // A file of more spectra than the table holds shows its first ones and says so; a file
        // of another format that cannot be shown says why.
        const LoadResult load = LoadSpectrumFileShown(
            SpectrumTable, BadFileList, FileNameToStd(name), CurrentSeparators());
        SetCaption(Form2, name + ShownNote(load));
    }
    const SpectrumExtremes extremes = spectrumExtremes(table);
    const double m = largestIntensity(extremes);

    TChart &chart = *Form2->Chart1;
    for (int s = 0; s < TForm2::kSeriesCount; ++s)
        chart.SeriesAt(s)->ClearPoints();
    chart.Repaint();

    const bool colours = Form3->Farben->isChecked();
    const auto colourOf = [colours](int i) { return colours ? SpectrumColor(i) : clBlack; };
    const bool ownX = table.HasOwnX();
    if (table.SpectrumCount > 0 && (table.RowCount > 0 || ownX)) {
        const Extended a = StrToFloat(ToStdString(Form3->Abstand->text()));
        const int spectra = table.SpectrumCount;
        const auto index = [](int k) { return static_cast<std::size_t>(k); };
        std::vector<Extended> lift(index(spectra));
        // The stacked values of a spectrum are finite when its extremes' are (rounding keeps the
        // order); otherwise it is filled alone, up to the overflow.
        bool finite = true;
        for (int i = 0; i < spectra; ++i) {
            lift[index(i)] = a / 100 * (i + 1) * m;
            finite = finite
                && std::isfinite(static_cast<double>(extremes.Lowest[index(i)] + lift[index(i)]))
                && std::isfinite(static_cast<double>(extremes.Highest[index(i)] + lift[index(i)]));
        }
        if (finite && !ownX) {
            // Each series is filled with its column a block of rows at a time: the series stores
            // points whose x values run one way without the work of adding every point on its
            // own, and a block of rows lies together in the table.
            const int rows = table.RowCount;
            std::vector<double> x(index(rows));
            for (int r = 1; r <= rows; ++r)
                x[index(r - 1)] = table.Cell(r, 1);
            constexpr int kBlock = 128;
            std::vector<double> tile(index(spectra * kBlock));
            for (int r0 = 1; r0 <= rows; r0 += kBlock) {
                const int count = std::min(kBlock, rows - r0 + 1);
                for (int r = r0; r < r0 + count; ++r) {
                    const double *cells = &table.Cells[r - 1][1];
                    for (int i = 0; i < spectra; ++i)
                        tile[index(i * kBlock + r - r0)] =
                            static_cast<double>(cells[i] + lift[index(i)]);
                }
                for (int i = 0; i < spectra; ++i)
                    chart.SeriesAt(i)->AddPoints(x.data() + (r0 - 1),
                        tile.data() + static_cast<std::ptrdiff_t>(i) * kBlock, count, colourOf(i));
            }
        } else {
            // A spectrum at a time, on its own x values and rows where it has them (a stack of
            // files on different x).
            std::vector<double> x;
            std::vector<double> y;
            for (int i = 0; i < spectra; ++i) {
                const int rows = std::max(table.SpectrumRows(i), 0);
                x.resize(index(rows));
                y.resize(index(rows));
                int r = 1;
                for (; r <= rows; ++r) {
                    const double v = static_cast<double>(table.Cell(r, i + 2) + lift[index(i)]);
                    if (!std::isfinite(v))
                        break;
                    x[index(r - 1)] = table.SpectrumXAt(i, r);
                    y[index(r - 1)] = v;
                }
                // The points before an overflow stay in the series, as when added one by one.
                chart.SeriesAt(i)->AddPoints(x.data(), y.data(), r - 1, colourOf(i));
                // A stacked value beyond the double range is an overflow, never an infinity.
                if (r <= rows)
                    RaiseFloatOverflow();
            }
        }
    }

    // The legend names the spectra shown, the top of the stack first.
    const bool legend = Form3->Legende->isChecked();
    for (int s = 0; s < TForm2::kSeriesCount; ++s) {
        TChartSeries &series = *chart.SeriesAt(s);
        const bool named = legend && s < table.SpectrumCount && s < kMaxSpectra;
        series.SetShowInLegend(named);
        if (named)
            series.SetTitle(legendTitle(table, s));
    }
    chart.SetLegendInverted(true);
    chart.SetLegendVisible(legend);

    chart.BottomAxis()->Title.SetCaption(ToQString(table.XCaption));
    const bool single = table.SpectrumCount < 2;
    chart.LeftAxis()->Title.SetCaption(single ? ToQString(table.YCaption) : QString());
    chart.LeftAxis()->SetLabels(single);
    Form3->Abstand->setEnabled(!single);
    if (!name.isEmpty()) {
        chart.Title.Clear();
        chart.Title.Add(name);
    }
    chart.Repaint();

    Form2->raise();
    Form3->raise();
    Form2->show();
    Form3->show();
    CrosshairState.X = -1;
}
