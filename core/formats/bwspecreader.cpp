#include "textexports.h"
#include "textfields.h"

#include <utility>

namespace
{

// The table's columns: a pixel number, wavelength, wavenumber, Raman shift, dark, reference, and
// per acquisition raw, dark subtracted and three derived columns; far fewer than this.
constexpr std::size_t kMaxColumns = 4 * kImportMaxSpectra + 16;

struct Columns {
    std::size_t count = 0;
    std::size_t shift = 0;
    std::vector<std::size_t> spectra; // the "Dark Subtracted #n" columns
};

// The table's header row, or false with `columns` unchanged, so that a line that only starts like
// one leaves nothing behind for the real header row.
bool tableHeader(std::string_view line, Columns &columns)
{
    std::vector<std::string_view> fields;
    if (!SplitFields(line, ';', fields, kMaxColumns) || TrimField(fields[0]) != "Pixel")
        return false;
    Columns found;
    bool shift = false;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string_view name = TrimField(fields[i]);
        if (EqualsNoCase(name, "Raman Shift")) {
            if (shift)
                return false;
            shift = true;
            found.shift = i;
        } else if (StartsWithNoCase(name, "Dark Subtracted #")) {
            found.spectra.push_back(i);
        }
    }
    found.count = fields.size();
    if (!shift || found.spectra.empty() || found.spectra.size() > kImportMaxSpectra)
        return false;
    columns = std::move(found);
    return true;
}

} // namespace

bool LooksBwSpec(std::string_view head, std::size_t, std::string_view)
{
    const std::string_view first = FirstTextLine(head);
    return StartsWith(first, "File Version;BWRam") || StartsWith(first, "File Version;BWSpec");
}

namespace
{

bool decodeBwSpec(std::string_view bytes, ImportedSpectra &out)
{
    if (!LooksBwSpec(bytes, bytes.size(), {}))
        return false;
    TextLines lines(bytes);
    std::string_view line;
    Columns columns;
    bool found = false;
    while (!found && lines.Next(line))
        found = tableHeader(line, columns);
    if (!found)
        return false;

    ImportedSpectra result;
    result.XCaption = "Raman shift [1/cm]";
    result.Y.resize(columns.spectra.size());
    char mark = 0; // chosen at the first Raman shift
    bool ended = false; // past the calibrated range
    std::vector<std::string_view> fields;
    while (lines.Next(line)) {
        if (IsBlankLine(line))
            continue;
        double pixel = 0.0;
        if (!SplitFields(line, ';', fields, columns.count) || fields.size() != columns.count
            || !FieldToNumber(fields[0], ',', pixel))
            return false;
        const std::string_view shift = TrimField(fields[columns.shift]);
        if (shift.empty()) {
            ended = !result.X.empty();
            continue;
        }
        if (ended)
            return false;
        if (mark == 0)
            mark = shift.find('.') != std::string_view::npos ? '.' : ',';
        double x = 0.0;
        if (!FieldToNumber(shift, mark, x))
            return false;
        result.X.push_back(x);
        for (std::size_t s = 0; s < columns.spectra.size(); ++s) {
            double y = 0.0;
            if (!FieldToNumber(fields[columns.spectra[s]], mark, y))
                return false;
            result.Y[s].push_back(y);
        }
    }
    if (result.X.empty())
        return false;
    out = std::move(result);
    return true;
}

} // namespace

ReadOutcome StreamBwSpec(ByteSource &source, SpectrumSink &sink)
{
    return DecodeWhole(source, sink, decodeBwSpec, "BWSpec-Text");
}

bool ReadBwSpec(std::string_view bytes, ImportedSpectra &out)
{
    return CollectImported(StreamBwSpec, bytes, out);
}
