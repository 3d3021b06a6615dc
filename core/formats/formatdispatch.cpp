#include "formatdispatch.h"

#include "jcampreader.h"
#include "spcreader.h"
#include "spereader.h"
#include "textexports.h"
#include "wdfreader.h"

#include <algorithm>
#include <cmath>

namespace
{

// Binary magics first, then the text signatures; the extension rule comes last, so that a
// ".csv" file with another format's signature is read as that format.
constexpr FormatReader kReaders[] = {
    { "SPC", LooksSpc, StreamSpc, true },
    { "WDF", LooksWdf, StreamWdf, true },
    { "SPE", LooksSpe, StreamSpe, false },
    { "JCAMP-DX", LooksJcamp, StreamJcamp, false },
    { "RRUFF", LooksRruff, StreamRruff, false },
    { "WiRE text", LooksWire, StreamWire, false },
    { "LabSpec text", LooksLabSpec, StreamLabSpec, false },
    { "BWSpec text", LooksBwSpec, StreamBwSpec, false },
    { "pixel CSV", LooksPixelCsv, StreamPixelCsv, false },
    { "CSV", LooksCsv, StreamCsv, false },
};

struct Signature {
    std::string_view Magic;
    std::string_view Format;
};

// Files of instrument software that keep their spectra in a form this program does not decode.
constexpr Signature kUnsupported[] = {
    { std::string_view("\x0a\x0a\xfe\xfe", 4), "OPUS" },
    { "LabSpec6", "LabSpec 6" },
    { "#WXD", "WiRE-Datensatz .wxd" },
};

} // namespace

const FormatReader *FormatReaders(std::size_t &count)
{
    count = sizeof kReaders / sizeof kReaders[0];
    return kReaders;
}

std::string_view UnsupportedFormat(std::string_view head)
{
    for (const Signature &signature : kUnsupported)
        if (head.substr(0, signature.Magic.size()) == signature.Magic)
            return signature.Format;
    return {};
}

const FormatReader *DetectFormat(
    std::string_view head, std::size_t fileSize, std::string_view fileName)
{
    for (const FormatReader &reader : kReaders) {
        if (reader.Looks != nullptr && reader.Looks(head, fileSize, fileName))
            return &reader;
    }
    return nullptr;
}

bool ImportedFits(const ImportedSpectra &spectra)
{
    const std::size_t points = spectra.X.size();
    const std::size_t count = spectra.Y.size();
    if (points == 0 || points > static_cast<std::size_t>(kMaxRows) || count == 0
        || count > static_cast<std::size_t>(kMaxSpectra))
        return false;
    const auto finite = [](double v) { return std::isfinite(v); };
    if (!std::all_of(spectra.X.begin(), spectra.X.end(), finite))
        return false;
    for (const std::vector<double> &y : spectra.Y) {
        if (y.size() != points || !std::all_of(y.begin(), y.end(), finite))
            return false;
    }
    // The chart spans the axes from the least to the greatest value; a span beyond the double
    // range (values near both ends of it) could be searched but never shown or saved.
    const auto spanFinite = [](const std::vector<double> &values, double &low, double &high) {
        const auto [least, greatest] = std::minmax_element(values.begin(), values.end());
        low = std::min(low, *least);
        high = std::max(high, *greatest);
        return std::isfinite(high - low);
    };
    double low = spectra.X.front();
    double high = low;
    if (!spanFinite(spectra.X, low, high))
        return false;
    low = high = spectra.Y.front().front();
    for (const std::vector<double> &y : spectra.Y) {
        if (!spanFinite(y, low, high))
            return false;
    }
    return true;
}

bool StoreImported(const ImportedSpectra &spectra, SpectrumTableData &table)
{
    if (!ImportedFits(spectra))
        return false;
    const std::size_t points = spectra.X.size();
    const std::size_t count = spectra.Y.size();
    for (std::size_t r = 0; r < points; ++r) {
        double *cells = table.Cells[r];
        cells[0] = spectra.X[r];
        for (std::size_t s = 0; s < count; ++s)
            cells[s + 1] = spectra.Y[s][r];
    }
    if (points < static_cast<std::size_t>(kMaxRows))
        std::fill_n(table.Cells[points], count + 1, 0.0);
    table.RowCount = static_cast<int>(points);
    table.SpectrumCount = static_cast<int>(count);
    for (std::size_t s = 0; s < count; ++s)
        table.Names[s] = s < spectra.Names.size() ? spectra.Names[s] : std::string();
    table.XCaption = spectra.XCaption.empty() ? std::string(kDefaultXCaption) : spectra.XCaption;
    table.YCaption = spectra.YCaption.empty() ? std::string(kDefaultYCaption) : spectra.YCaption;
    return true;
}

const std::vector<std::string> &SpectrumFilePatterns()
{
    static const std::vector<std::string> patterns = { "*.txt", "*.csv", "*.spc", "*.wdf", "*.jdx",
        "*.dx", "*.jcamp", "*.spe" };
    return patterns;
}
