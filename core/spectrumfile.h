#pragma once

#include "formats/spectrumstream.h"
#include "separators.h"
#include "spectrumtable.h"

#include <cstdint>
#include <string>

// Reading a spectrum file: three header lines (anything; "x-data = " and "y-data = " captions;
// the column header whose tabs give the column count f) and tab-separated data lines. A file of
// the wrong layout (no tab in line 3, more than 99 tabs, more than 10000 data lines, a line longer
// than TextFile::kMaxLineLength) is not an error: its name is appended to the bad-file list.
// Runtime errors (the file cannot be opened or read, a field that is not a number) are raised.

// Each spectrum's name (SpectrumTableData::Names) is its field of the column header; a file of
// another format names its spectra where it can, else they take the file's name.

// What one reading did, for callers that judge files on tables of their own.
struct LoadResult {
    bool WellFormed = false;
    // Every counted row received all f fields, so nothing the judgement reads came from an
    // earlier file.
    bool Complete = false;
    // Why a file of another format was refused (see the refusal reasons below); empty for the
    // program's own layout, whose refusal names the file alone.
    std::string Reason;
    // Read for showing (LoadSpectrumFileShown): the spectra the file holds when the table shows
    // only the first kMaxSpectra of them; 0 when it shows them all.
    std::uint64_t FileSpectra = 0;
};

// The refusal reasons of the table's limits: "235 Spektren: mit 'Jedes Spektrum' durchsuchen",
// "12000 Punkte: mehr als 10000".
std::string TooManySpectraReason(std::uint64_t spectra);
std::string TooManyPointsReason(std::uint64_t points);

// Files that are not of this layout but carry the signature of another format read here (an
// instrument file, a vendor text export; see formats/formatdispatch.h) are read by that format's
// reader into the same table, with the same limits and the same wrong-layout verdict for what it
// cannot read.
LoadResult LoadSpectrumFile(SpectrumTableData &table, BadFileListData &badFiles,
    const std::string &fileName, const NumberSeparators &separators);

// The cells of the table a reading has written so far: rows 1..Rows, columns 1..Columns at most
// (the zeroed row after the last one included). Kept up to date while the file is read, so that
// a reading ended by an error or by the wrong layout also tells what it left in the table.
struct LoadExtent {
    int Rows = 0;
    int Columns = 0;
};

// The same, telling into written which cells it wrote.
LoadResult LoadSpectrumFile(SpectrumTableData &table, BadFileListData &badFiles,
    const std::string &fileName, const NumberSeparators &separators, LoadExtent &written);

// The reader of this layout alone, as if no other format were read: what a file gave before
// other formats were added. For comparisons in tests and benchmarks.
LoadResult LoadOwnLayoutFile(SpectrumTableData &table, BadFileListData &badFiles,
    const std::string &fileName, const NumberSeparators &separators);

// For the viewer: a file of more spectra than the table holds fills it with its first
// kMaxSpectra, and FileSpectra tells how many it has; otherwise as LoadSpectrumFile.
LoadResult LoadSpectrumFileShown(SpectrumTableData &table, BadFileListData &badFiles,
    const std::string &fileName, const NumberSeparators &separators);

// Every spectrum of the file, one at a time, to the sink, for a judgement of each: files of any
// size and spectra on x values of their own. A file of the program's own layout is read into
// the table as LoadSpectrumFile reads it (its verdict, the cells it leaves) and its spectra are
// handed over from there, column by column; a file of another format is handed over as its
// reader decodes it, the table left alone. A refused file is added to badFiles with its reason,
// as LoadSpectrumFile does; file errors are raised.
LoadResult StreamSpectrumFile(SpectrumTableData &table, BadFileListData &badFiles,
    const std::string &fileName, const NumberSeparators &separators, SpectrumSink &sink);

// One spectrum of a file (Index from 0) as the table's only spectrum, on its own x: a cell of a
// map. Its name and stage position go into where. Not WellFormed (the table unchanged but for
// its captions) when the file is refused, has no such spectrum or the spectrum more points than
// the table holds.
struct SpectrumWhere {
    std::string Name;
    bool HasPosition = false;
    double X = 0;
    double Y = 0;
};
LoadResult LoadOneSpectrum(SpectrumTableData &table, BadFileListData &badFiles,
    const std::string &fileName, const NumberSeparators &separators, std::uint64_t index,
    SpectrumWhere &where);

// On the program's globals, with the user's separators.
LoadResult LoadSpectrumFile(const std::string &fileName);

// The number of spectra the file's header announces, read from its first three lines; 0 for a
// layout the reader rejects. A file that cannot be opened or read raises the file error.
int HeaderSpectrumCount(const std::string &fileName);

// A first spectrum given in thousands: when YCaption has at least 12 characters and the 11th is
// a lower-case k, column 2 of every row is multiplied by 1000 and the k becomes a blank.
void ApplyKiloScale(SpectrumTableData &table);
void ApplyKiloScale();

// The file's name without its folder.
std::string FileBaseName(const std::string &fileName);
