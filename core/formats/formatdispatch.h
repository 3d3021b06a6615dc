#pragma once

#include "importedspectra.h"
#include "spectrumtable.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The one place that decides which reader takes a file that is not in the program's own layout
// (line 2 without the "x-data = " and "y-data = " markers): a reader is asked only when the
// file carries its format's unmistakable signature, or for a CSV reader the extension ".csv".
// Every other file stays with the program's own reader.

struct FormatReader {
    const char *Name; // for messages and the converter's report, e.g. "SPC"
    bool (*Looks)(std::string_view head, std::size_t fileSize, std::string_view fileName);
    StreamReader Stream;
    // Whether the reader holds only what it hands over (binary formats), or decodes the file
    // whole (text).
    bool ReadsInPlace;
};

// Every reader of other formats, in the order their signatures are tested (for fuzzing).
const FormatReader *FormatReaders(std::size_t &count);

// The reader whose signature the head shows, or null for the program's own reader.
const FormatReader *DetectFormat(
    std::string_view head, std::size_t fileSize, std::string_view fileName);

// The name of a format this program recognises by its signature but does not read ("OPUS"), or
// empty: a file with that signature is refused as not supported instead of being taken for a
// damaged file of the program's own layout.
std::string_view UnsupportedFormat(std::string_view head);

// Fills the table from what a reader decoded: x into column 1 in the file's point order, one
// column per spectrum, RowCount, SpectrumCount, the captions (defaults where the file names
// none). Only rows 1..n and columns 1..spectra+1 are written, and the row below the last is
// cleared, as the program's own reader does. False, with nothing written, when the spectra do
// not fit the table's limits, the vectors disagree in length, or a value is not finite.
bool StoreImported(const ImportedSpectra &spectra, SpectrumTableData &table);
// The checks of StoreImported alone.
bool ImportedFits(const ImportedSpectra &spectra);

// The file-name patterns of every format read (lower case, "*.txt" first), for the file dialog
// and for folders dropped on the file list.
const std::vector<std::string> &SpectrumFilePatterns();

constexpr std::string_view kDefaultXCaption = "Raman shift [1/cm]";
constexpr std::string_view kDefaultYCaption = "Intensity";
