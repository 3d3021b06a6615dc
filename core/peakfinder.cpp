#include "peakfinder.h"

#include "numconv.h"
#include "rounding.h"

#include <cmath>

namespace
{

// A spectrum's values, value(k) for k from 0: a column of the table, or an array of its own.
struct TableColumn {
    const SpectrumTableData &Table;
    int Column; // 0-based
    double operator()(int k) const { return Table.Cells[k][Column]; }
};

struct Values {
    const double *Y;
    double operator()(int k) const { return Y[k]; }
};

// Smooths values 0..n-1 into smoothed[0..n-1] and returns the maximum. Each sum and quotient is
// formed in extended precision and rounded to double once, when stored.
template <typename Column> double smoothColumn(const Column &value, int n, double *smoothed)
{
    const auto y = [&](int k) { return static_cast<Extended>(value(k)); };
    smoothed[0] = static_cast<double>((y(0) + y(1)) / 2);
    Extended previous = y(0);
    Extended current = y(1);
    for (int k = 1; k < n - 1; ++k) {
        const Extended next = y(k + 1);
        smoothed[k] = static_cast<double>((previous + current + next) / 3);
        previous = current;
        current = next;
    }
    smoothed[n - 1] = static_cast<double>((previous + current) / 2);

    double maximum = smoothed[0];
    for (int k = 1; k < n; ++k) {
        if (smoothed[k] > maximum)
            maximum = smoothed[k];
    }
    return maximum;
}

void scanColumn(const double *smoothed, int n, double maximum, PeakListData &peaks)
{
    double runningMinimum = smoothed[0];
    double lastCandidate = smoothed[0];
    for (int k = 1; k < n - 1; ++k) {
        const double s = smoothed[k];
        if (s < runningMinimum) {
            runningMinimum = s;
            lastCandidate = s;
        }
        if (s > lastCandidate && smoothed[k + 1] < s && smoothed[k - 1] < s) {
            lastCandidate = s;
            // A spectrum whose largest smoothed value is not positive has no peak: its heights
            // would be negative or a division by zero, and one odd file must not end a search.
            if (maximum <= 0)
                continue;
            const Extended height = (100 / static_cast<Extended>(maximum))
                * (static_cast<Extended>(s) - runningMinimum);
            const double relativeHeight = FiniteDouble(height);
            if (relativeHeight > 10) {
                peaks.Rows[peaks.Count++] = k + 1;
                runningMinimum = s;
            }
        }
    }
}

} // namespace

void FindPeaks(const SpectrumTableData &table, PeakListData &peaks)
{
    const int n = table.RowCount;
    double smoothed[kMaxRows];
    for (int column = 2; column <= table.SpectrumCount + 1; ++column) {
        peaks.Count = 0;
        if (n < 3)
            continue;
        const double maximum = smoothColumn(TableColumn { table, column - 1 }, n, smoothed);
        scanColumn(smoothed, n, maximum, peaks);
    }
}

void FindPeaks(const double *y, int n, PeakListData &peaks)
{
    peaks.Count = 0;
    if (n < 3)
        return;
    double smoothed[kMaxRows];
    const double maximum = smoothColumn(Values { y }, n, smoothed);
    scanColumn(smoothed, n, maximum, peaks);
}

void FindPeaks()
{
    FindPeaks(SpectrumTable, PeakList);
}
