#pragma once

// What every fuzz target of a format reader checks: the signature test and the reader run on
// any bytes without a crash or sanitizer report, and a reading that succeeds hands over what the
// table can take: one x per point, every spectrum as long as x, within the limits, finite values
// where the format stores them as numbers, names as SpectrumName leaves them, and memory within a
// small multiple of the input.

#include "importedspectra.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

inline void FuzzCheck(bool condition)
{
    if (!condition)
        std::abort();
}

// At most one name per spectrum, each within kMaxNameBytes, without a control character or a
// blank at either end.
inline void FuzzCheckNames(const ImportedSpectra &out)
{
    FuzzCheck(out.Names.size() <= out.Y.size());
    for (const std::string &name : out.Names) {
        FuzzCheck(name.size() <= kMaxNameBytes);
        FuzzCheck(name.empty() || (name.front() != ' ' && name.back() != ' '));
        for (const char c : name)
            FuzzCheck(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
    }
}

using LooksFunction = bool (*)(std::string_view, std::size_t, std::string_view);
using ReadFunction = bool (*)(std::string_view, ImportedSpectra &);

// finite: the reader converts text, so every value it hands over must be finite (binary readers
// may hand over what the file stores; the dispatch refuses non-finite values). compressed: the
// format repeats values by count (JCAMP-DX's DUP), so a reading is bounded by the table's limits,
// not by a multiple of the input.
inline void FuzzReader(const std::uint8_t *data, std::size_t size, LooksFunction looks,
    ReadFunction read, std::string_view fileName, bool finite, bool compressed = false)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    (void)looks(bytes.substr(0, kSignatureBytes), size, fileName);
    ImportedSpectra out;
    if (!read(bytes, out))
        return;
    FuzzCheck(!out.X.empty() && out.X.size() <= kImportMaxPoints);
    FuzzCheck(!out.Y.empty() && out.Y.size() <= kImportMaxSpectra);
    for (const auto &y : out.Y)
        FuzzCheck(y.size() == out.X.size());
    FuzzCheckNames(out);
    if (!compressed)
        FuzzCheck(out.X.size() * (out.Y.size() + 1) * sizeof(double) <= 16 * size + 4096);
    if (!finite)
        return;
    for (double x : out.X)
        FuzzCheck(std::isfinite(x));
    for (const auto &y : out.Y) {
        for (double value : y)
            FuzzCheck(std::isfinite(value));
    }
}
