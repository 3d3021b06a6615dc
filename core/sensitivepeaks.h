#pragma once

#include "spectrumtable.h"

// The sensitive peak rule, beside the fixed rule of peakfinder.h: a peak is a local maximum of the
// lightly smoothed curve whose prominence (its height above the higher of the two minima that
// separate it from higher ground) exceeds a multiple of the spectrum's own noise, which is
// estimated from the data (the median absolute difference of neighbour pairs), and a small share
// of the most prominent band. Spikes (maxima far narrower than any band) are no peaks, and only x
// inside a window counts, so that the laser line and the filter edge below ~100 1/cm stay out. It
// reads the table as the fixed rule does and writes the same output: the rows of the last
// spectrum's peaks, rising.

// The x window's default lower limit in 1/cm: the laser line and the edge filter lie below it on
// every instrument of the reference data, the lowest mineral bands people search for above it.
constexpr double kSensitiveDefaultFrom = 100;

// What the sensitive rule knows of each peak: Prominence[i - 1] belongs to the peak in row
// PeakList.Row(i), in the spectrum's own units; Noise is the estimated noise level (standard
// deviation of one point). Every value is finite.
struct PeakStrengthData {
    double Prominence[kMaxRows] = {};
    double Noise = 0;
    double Strongest = 0; // the largest of the prominences
    int Count = 0;

    double Of(int i) const { return Prominence[i - 1]; }
};

// The sensitive rule on the last spectrum of the table (earlier ones have no lasting effect, as
// with the fixed rule). Nothing changes when the table holds no spectrum. Never raises.
void FindSensitivePeaks(const SpectrumTableData &table, PeakListData &peaks, double from, double to,
    PeakStrengthData *strengths = nullptr);

// The same for one spectrum of n points (at most kMaxRows) in arrays of its own, x[0..n-1] and
// y[0..n-1]: the rows recorded are the indices counted from 1, as if the points stood in a
// table's rows 1..n, and everything else is as the table gives it.
void FindSensitivePeaks(const double *x, const double *y, int n, PeakListData &peaks, double from,
    double to, PeakStrengthData *strengths = nullptr);

// The prominences and the noise of the given peaks of the table's last spectrum, or of the n
// values of an array.
void MeasurePeakStrengths(
    const SpectrumTableData &table, const PeakListData &peaks, PeakStrengthData &strengths);
void MeasurePeakStrengths(
    const double *y, int n, const PeakListData &peaks, PeakStrengthData &strengths);
