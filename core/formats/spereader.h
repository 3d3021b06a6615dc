#pragma once

#include "importedspectra.h"

#include <cstddef>
#include <string_view>

// Princeton Instruments SPE files: a binary header of 4100 bytes (the frame's width and height,
// the pixel type, the frame count), the frames, and in version 3 an XML footer whose wavelength
// mapping gives every pixel's wavelength and, where it names one, the laser line. Each row of
// every frame is a spectrum, in the file's order; x is the Raman shift when the footer gives the
// laser line, else the wavelength ("Wavelength [nm]"). Read: version 3 with one region per frame,
// no per-frame metadata, pixels as float32, int16, uint16, int32 or uint32, and a wavelength for
// every pixel. Version 2.x files (calibration in the binary header) are claimed and refused.
//
// LooksSpe claims a file whose header is consistent with its size: a known pixel type (whose
// high byte is zero, so no text file has one), nonzero counts, and the data filling the file
// (version 2.x) or ending where the footer begins (version 3, which ReadSpe requires exactly:
// frames with metadata are refused).
bool LooksSpe(std::string_view head, std::size_t fileSize, std::string_view fileName);
ReadOutcome StreamSpe(ByteSource &source, SpectrumSink &sink);
// The same into the shape of the table, for tests and tools.
bool ReadSpe(std::string_view bytes, ImportedSpectra &out);
