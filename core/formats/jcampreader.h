#pragma once

#include "importedspectra.h"

#include <cstddef>
#include <string_view>

// JCAMP-DX 4.24 and 5.01 text files of single spectra: `##XYDATA=(X++(Y..Y))` in plain numbers
// and every compressed form (PAC, SQZ, DIF, DUP and their mixtures), `##XYPOINTS=(XY..XY)` and
// `##PEAK TABLE=(XY..XY)`, and compound (LINK) files, of which the first spectrum is read, or
// every spectrum when all of them have the same x values. Anything the reader cannot decode with
// certainty (n-tuples, a checkpoint or line abscissa that disagrees, a point count that differs
// from ##NPOINTS, a missing ##END) is refused. Each spectrum is named by its block's ##TITLE=
// (its first line, without a $$ comment).

// The first non-blank line is a `##TITLE=` record, or the file opens with labelled records of
// which one is `##JCAMP-DX=`.
bool LooksJcamp(std::string_view head, std::size_t fileSize, std::string_view fileName);

ReadOutcome StreamJcamp(ByteSource &source, SpectrumSink &sink);
// The same into the shape of the table, for tests and tools.
bool ReadJcamp(std::string_view bytes, ImportedSpectra &out);
