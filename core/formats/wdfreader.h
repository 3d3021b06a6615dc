#pragma once

#include "importedspectra.h"

#include <cstddef>
#include <string_view>

// Renishaw WDF files: single spectra, series, line scans and maps of any size, each spectrum with
// its stage position where the ORGN block lists the X and Y origins. The file is a chain of blocks,
// each with a 16-byte header (four-letter name, id, size including the header) that must tile the
// file exactly; x comes from the XLST block, the spectra (float32, one after another) from the DATA
// block, their counts from the 512-byte file header, each checked against the blocks' sizes. The
// file header's title names the spectrum of a file of one.
//
// LooksWdf claims a file that starts with the "WDF1" file header of 512 bytes (and, where the
// file goes on, the name of a second block); ReadWdf refuses anything damaged, truncated or
// beyond the limits.
bool LooksWdf(std::string_view head, std::size_t fileSize, std::string_view fileName);
ReadOutcome StreamWdf(ByteSource &source, SpectrumSink &sink);
// The same into the shape of the table (99 spectra, 10000 points at most), for tests and tools.
bool ReadWdf(std::string_view bytes, ImportedSpectra &out);
