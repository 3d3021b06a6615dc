#pragma once

#include "separators.h"
#include "spectrumtable.h"

#include <string>
#include <vector>

// Editing what the viewer shows: taking spectra out of the table and stacking several files in
// it. Spectra are numbered from 0, as the chart's series are: spectrum s lies in column s + 2.

// True when s numbers a spectrum of the table (0 .. SpectrumCount - 1).
bool HasSpectrum(const SpectrumTableData &table, int s);

// Moves the spectra first .. first + count - 1 by `by` columns (up for a positive `by`) over the
// rows 1 .. RowCount; the cells they leave become 0. Nothing is read or written outside the
// spectrum columns 2 .. 100: a spectrum that would land beyond them is dropped.
void ShiftSpectra(SpectrumTableData &table, int first, int count, int by);

// Takes spectrum s out: the spectra above it move down one column and the count drops by one.
// A number that is no spectrum of the table changes nothing.
void RemoveSpectrum(SpectrumTableData &table, int s);

// Keeps spectrum s alone: its values are copied into column 2 and the count becomes 1; in a
// stack on different x its x values go into column 1 and the rows become its own. A number that
// is no spectrum of the table changes nothing.
void KeepOnlySpectrum(SpectrumTableData &table, int s);

// Writes spectrum s (which must exist) into alone as its only spectrum, on its own x values and
// rows; nothing else of alone is set.
void CopySpectrumAlone(const SpectrumTableData &table, int s, SpectrumTableData &alone);

// Reads the files one after another into the table and stacks them: the first file's spectra
// end up highest, the last file's in the lowest columns. Before each further file is read, the
// spectra gathered so far move up by as many columns as that file holds. A first spectrum given
// in thousands is scaled as it is read. The x values, the row count and the captions are the
// last file's. Of several files, each spectrum is named by its file (see
// SpectrumTableData::Names): the file's name, and the spectrum's own when the file holds more.
// Every header is read first: a file that cannot be opened raises its error, and files that
// would stack to more than kMaxSpectra spectra return false, both before the table changes.
bool MergeSpectrumFiles(SpectrumTableData &table, BadFileListData &badFiles,
    const std::vector<std::string> &fileNames, const NumberSeparators &separators);
