#pragma once

#include "spectrumtable.h"

#include <string>
#include <string_view>

// The table's spectra as a file of the program's own layout: the title on line 1, the captions
// with their markers on line 2, a column header with one tab per spectrum on line 3, then one
// line per row with x and every spectrum, tab-separated, CR LF at each line end. Numbers are the
// shortest text that reads back to the same double, with a decimal point, which the reader takes
// under every locale.
std::string SpectrumFileText(const SpectrumTableData &table, std::string_view title);
