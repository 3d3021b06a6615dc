#pragma once

#include "importedspectra.h"

#include <cstddef>
#include <string_view>

// Galactic/Thermo SPC files in the new little-endian layout (version byte 0x4B): evenly spaced x
// (first and last x in the header) or an explicit x array, single files and multifiles with one
// x for all subfiles, y as float32 or as 16-bit or 32-bit integers scaled by the exponent.  An
// XYXY multifile hands every subfile over on its own x array; any other variant, the old (0x4D)
// and the big-endian (0x4C) layouts included, is refused. The main header's memo (fcmnt) names the
// spectrum of a file of one.
//
// LooksSpc claims a file whose 512-byte main header is consistent throughout (version byte,
// flags, counts, axis type codes, finite first and last x); ReadSpc then checks every count and
// offset against the file, so a truncated SPC file is claimed and refused rather than handed to
// a text reader.
bool LooksSpc(std::string_view head, std::size_t fileSize, std::string_view fileName);
ReadOutcome StreamSpc(ByteSource &source, SpectrumSink &sink);
// The same into the shape of the table (99 spectra, 10000 points, one x at most), for tests.
bool ReadSpc(std::string_view bytes, ImportedSpectra &out);
