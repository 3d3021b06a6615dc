#pragma once

#include "spectrumtable.h"

// Finds the peaks of every spectrum of the table by smoothing, a running minimum and a threshold
// of more than 10 percent of the largest smoothed value, and records the rows of the last
// spectrum's peaks in the list. Nothing changes when the table holds no spectrum. Intermediates
// are formed in extended precision and rounded to double when stored; a height too large for a
// double raises EOverflow.
void FindPeaks(const SpectrumTableData &table, PeakListData &peaks);
// The same for one spectrum of n values (at most kMaxRows) in an array of its own: the rows
// recorded are its indices counted from 1, as if the values stood in a table's rows 1..n.
void FindPeaks(const double *y, int n, PeakListData &peaks);
void FindPeaks();
