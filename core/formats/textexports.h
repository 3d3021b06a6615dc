#pragma once

#include "importedspectra.h"

#include <cstddef>
#include <string_view>

// Readers of the text exports of laboratory software, each in the shape importedspectra.h
// describes. The signatures are mutually exclusive and none of them matches a headerless table of
// numbers, which stays with the program's own reader; a file of the program's own layout is taken
// by that reader before any of these is asked.

// WiRE: a first line of tab-separated "#Name" fields (tabs may be doubled) ending in "#Wave" and
// "#Intensity". Read: "#Wave #Intensity" (one spectrum, x in the file's order, usually
// descending) and the map form "#X #Y #Wave #Intensity" (one spectrum per (X, Y) position, in the
// file's order, with that position; every position must list the same wave values, and a
// position must not come back later). Any other column set is refused. The spectra stay
// unnamed: the header names the columns' quantities, not the spectra. Each spectrum of a map is
// handed over as soon as the next position starts.
bool LooksWire(std::string_view head, std::size_t fileSize, std::string_view fileName);
ReadOutcome StreamWire(ByteSource &source, SpectrumSink &sink);
// This reader and the ones below the same into the shape of the table (99 spectra, 10000 points,
// one x at most), for tests and tools.
bool ReadWire(std::string_view bytes, ImportedSpectra &out);

// LabSpec: "#Key=<TAB>value" header lines, then either two tab-separated columns (x, y) or the
// matrix form: one x row that starts with k >= 1 empty fields, then one row per spectrum with k
// coordinates (with two or more, the first two are its stage position) and the intensities,
// handed over row by row. Decimal point. The header's "#Title=" names the spectrum of a file of
// one.
bool LooksLabSpec(std::string_view head, std::size_t fileSize, std::string_view fileName);
ReadOutcome StreamLabSpec(ByteSource &source, SpectrumSink &sink);
bool ReadLabSpec(std::string_view bytes, ImportedSpectra &out);

// BWSpec: ';'-separated, first line "File Version;BWRam..." (or "...;BWSpec..."), a header block
// of key;value lines, then a table whose header row starts with "Pixel". x is the "Raman Shift"
// column, and every "Dark Subtracted #n" column is a spectrum. Pixels outside the calibrated
// range carry no Raman shift and are left out; a pixel without one between pixels with one
// makes the file unreadable. The decimal mark is the comma, or the point when the first Raman
// shift is written with one. The spectra stay unnamed: the "title" key holds the instrument's
// name and the column headers name quantities ("Dark Subtracted #1").
bool LooksBwSpec(std::string_view head, std::size_t fileSize, std::string_view fileName);
ReadOutcome StreamBwSpec(ByteSource &source, SpectrumSink &sink);
bool ReadBwSpec(std::string_view bytes, ImportedSpectra &out);

// RRUFF: "##KEY=value" header lines among which "##NAMES=" or "##RRUFFID=", then "x, y" lines,
// optionally closed by "##END=". Never a JCAMP-DX file (first label TITLE, or a JCAMP-DX label in
// the head). The spectrum is named by "##NAMES=", the mineral.
bool LooksRruff(std::string_view head, std::size_t fileSize, std::string_view fileName);
ReadOutcome StreamRruff(ByteSource &source, SpectrumSink &sink);
bool ReadRruff(std::string_view bytes, ImportedSpectra &out);

// A pixel table in CSV: optional "key,value" metadata lines, then the header row
// "Pixels,Wavelength,Wavenumbers,Raman_Shift,..."; x is Raman_Shift and y is Processed_Data (the
// raw counts less the background). The metadata line "name,..." names the spectrum.
bool LooksPixelCsv(std::string_view head, std::size_t fileSize, std::string_view fileName);
ReadOutcome StreamPixelCsv(ByteSource &source, SpectrumSink &sink);
bool ReadPixelCsv(std::string_view bytes, ImportedSpectra &out);

// CSV: by the extension ".csv" alone (any case), unless the head carries one of the signatures
// above. Comma or semicolon separated (or as an Excel "sep=" first line says), an optional header
// row that names the columns, x in the first column and one spectrum per further column. With
// the comma as separator the decimal mark is the point; with the semicolon it is the comma, or
// the point when the whole file reads with it. A header row's field over a single spectrum is its
// y caption; over several, each field names its spectrum.
bool LooksCsv(std::string_view head, std::size_t fileSize, std::string_view fileName);
ReadOutcome StreamCsv(ByteSource &source, SpectrumSink &sink);
bool ReadCsv(std::string_view bytes, ImportedSpectra &out);
