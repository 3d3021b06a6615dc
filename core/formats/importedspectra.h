#pragma once

#include "spectrumstream.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// What a reader of an instrument file or a vendor text export hands over: the x values in the
// file's point order and one y vector per spectrum, each as long as x, with the axis captions
// where the file names its units. The dispatch checks the table's limits and that every value is
// finite, and fills the spectrum table from it; a reader only decodes.
//
// Every reader has the same two functions:
//   bool Looks<Format>(std::string_view head, std::size_t fileSize, std::string_view fileName)
//       true only for the format's unmistakable signature in the first bytes of the file (head
//       holds the first kSignatureBytes bytes, or the whole file when it is shorter);
//   bool Read<Format>(std::string_view bytes, ImportedSpectra &out)
//       decodes the whole file; false for anything it cannot read with certainty (damaged,
//       truncated, an unsupported variant, beyond the table's limits). It never throws for bad
//       input and never trusts a length, count or offset from the file before checking it
//       against bytes.size(); what it allocates stays bounded by a small multiple of the size.
struct ImportedSpectra {
    std::vector<double> X;
    std::vector<std::vector<double>> Y;
    std::string XCaption; // empty: the default "Raman shift [1/cm]"
    std::string YCaption; // empty: the default "Intensity"
    // Names of the spectra of Y, as the file gives them; missing or empty ones stay unnamed.
    // Each one has passed through SpectrumName. A reader names a spectrum only where its format
    // carries a name for it; a title of the whole file names a file of one spectrum.
    std::vector<std::string> Names;
};

// The longest name a reader hands over, in bytes.
constexpr std::size_t kMaxNameBytes = 200;

// A name as the file writes it, made fit for the table and the legend: every run of control
// characters (bytes below 0x20, and 0x7F) becomes one blank, blanks at both ends go, and a longer
// name is cut to kMaxNameBytes bytes, before a UTF-8 character that would not fit whole. The
// other bytes stay as they are. Empty when nothing but blanks and control characters is left.
std::string SpectrumName(std::string_view raw);

// How much of a file's beginning the signature tests see.
constexpr std::size_t kSignatureBytes = 4096;

// No reader needs more points or spectra than the table holds; readers may stop as soon as a
// count exceeds these, so that a huge count costs nothing.
constexpr std::size_t kImportMaxPoints = 10000;
constexpr std::size_t kImportMaxSpectra = 99;

// A file of text is decoded whole, and one larger than this is not read: no table it could fill
// and no text export a laboratory writes comes near it.
constexpr std::size_t kMaxImportBytes = std::size_t { 256 } * 1024 * 1024;

// The whole source for a reader of text, or false when it is larger than kMaxImportBytes.
bool WholeText(ByteSource &source, std::string_view &bytes);
// The refusal of a file of text beyond kMaxImportBytes.
ReadOutcome TooLargeToDecode(const ByteSource &source);

// A reader of text that decodes the file whole with decode and hands over what it decoded;
// refused as "beschädigt oder nicht lesbar (format)" when decode fails.
ReadOutcome DecodeWhole(ByteSource &source, SpectrumSink &sink,
    bool (*decode)(std::string_view, ImportedSpectra &), std::string_view format);

// Hands what a reader decoded whole to the sink: the start (captions, counts), then each spectrum
// on the shared x, named as decoded.
ReadOutcome StreamImported(const ImportedSpectra &spectra, SpectrumSink &sink);

// Collects what a reader streams into out, as the spectrum table would take it: at most
// kImportMaxSpectra spectra of at most kImportMaxPoints points, all on the same x values. False,
// with out empty, when the reader refuses the bytes or the spectra do not fit that shape.
bool CollectImported(StreamReader reader, std::string_view bytes, ImportedSpectra &out);
