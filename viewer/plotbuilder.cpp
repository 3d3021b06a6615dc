#include "plotbuilder.h"

#include "application.h"
#include "controls.h"
#include "exceptions.h"
#include "messages.h"
#include "numconv.h"
#include "qtstrings.h"
#include "rounding.h"
#include "spectrumfile.h"
#include "spectrumtable.h"
#include "tchart.h"
#include "tform2.h"
#include "tform3.h"
#include "tlineseries.h"

#include <cmath>
#include <vector>

BrowseCursorData BrowseCursor;

namespace
{

// The largest intensity of all spectra over every row, never below 0. Read row by row, the
// order the table keeps its cells in.
double largestIntensity(const SpectrumTableData &table)
{
    double m = 0.0;
    for (int r = 1; r <= table.RowCount; ++r)
        for (int k = 2; k <= table.SpectrumCount + 1; ++k)
            if (!(m >= table.Cell(r, k)))
                m = table.Cell(r, k);
    return m;
}

} // namespace

void ShowSpectra(const QString &name)
{
    SpectrumTableData &table = SpectrumTable;
    if (!name.isEmpty()) {
        LoadSpectrumFile(FileNameToStd(name));
        SetCaption(Form2, name);
    }
    const double m = largestIntensity(table);

    TChart &chart = *Form2->Chart1;
    for (int s = 0; s < TForm2::kSeriesCount; ++s)
        chart.SeriesAt(s)->ClearPoints();
    chart.Repaint();

    if (table.SpectrumCount > 0 && table.RowCount > 0) {
        const Extended a = StrToFloat(ToStdString(Form3->Abstand->text()));
        // Each series is filled with its column in one go: the series stores a column whose x
        // values run one way without the work of adding every point on its own.
        const int rows = table.RowCount;
        std::vector<double> x(static_cast<std::size_t>(rows));
        std::vector<double> y(static_cast<std::size_t>(rows));
        for (int r = 1; r <= rows; ++r)
            x[static_cast<std::size_t>(r - 1)] = table.Cell(r, 1);
        for (int i = 0; i < table.SpectrumCount; ++i) {
            const Extended lift = a / 100 * (i + 1) * m;
            int r = 1;
            for (; r <= rows; ++r) {
                const double v = static_cast<double>(table.Cell(r, i + 2) + lift);
                if (!std::isfinite(v))
                    break;
                y[static_cast<std::size_t>(r - 1)] = v;
            }
            // The points before an overflow stay in the series, as when added one by one.
            chart.SeriesAt(i)->AddPoints(x.data(), y.data(), r - 1, clBlack);
            // A stacked value beyond the double range is an overflow, never an infinity.
            if (r <= rows)
                throw EOverflow(std::string(Messages::FloatOverflow));
        }
    }

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
