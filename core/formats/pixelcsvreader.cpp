#include "textexports.h"
#include "textfields.h"

#include <utility>

namespace
{

constexpr std::string_view kHeaderStart = "Pixels,Wavelength,Wavenumbers,Raman_Shift";
// The header row names a handful of columns.
constexpr std::size_t kMaxColumns = 32;

// A metadata line: "key,value" with a key that starts with a letter, so never a row of numbers,
// and without a semicolon, so never a line of a ';'-separated export.
bool isMetadata(std::string_view line)
{
    const char c = line.empty() ? '\0' : line[0];
    return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
        && line.find(',') != std::string_view::npos && line.find(';') == std::string_view::npos;
}

// Skips the metadata lines; true when the header row follows them, then in `line`. `measurement`
// is the value of the first "name" line that has one, the measurement's name.
bool findHeader(TextLines &lines, std::string_view &line, std::string_view &measurement)
{
    while (lines.Next(line)) {
        if (IsBlankLine(line))
            continue;
        if (StartsWith(line, kHeaderStart)) {
            const std::string_view rest = TrimFieldEnd(line.substr(kHeaderStart.size()));
            return rest.empty() || rest[0] == ',';
        }
        if (!isMetadata(line))
            return false;
        const std::size_t comma = line.find(',');
        if (measurement.empty() && EqualsNoCase(TrimField(line.substr(0, comma)), "name"))
            measurement = line.substr(comma + 1);
    }
    return false;
}

} // namespace

bool LooksPixelCsv(std::string_view head, std::size_t, std::string_view)
{
    TextLines lines(head);
    std::string_view line;
    std::string_view measurement;
    return findHeader(lines, line, measurement);
}

namespace
{

bool decodePixelCsv(std::string_view bytes, ImportedSpectra &out)
{
    TextLines lines(bytes);
    std::string_view line;
    std::string_view measurement;
    if (!findHeader(lines, line, measurement))
        return false;
    std::vector<std::string_view> fields;
    if (!SplitFields(TrimFieldEnd(line), ',', fields, kMaxColumns))
        return false;
    const std::size_t columns = fields.size();
    std::size_t shift = columns, processed = columns;
    for (std::size_t i = 0; i < columns; ++i) {
        const std::string_view name = TrimField(fields[i]);
        if (name == "Raman_Shift")
            shift = i;
        else if (name == "Processed_Data")
            processed = i;
    }
    if (shift == columns || processed == columns)
        return false;

    ImportedSpectra result;
    result.XCaption = "Raman shift [1/cm]";
    result.Y.emplace_back();
    result.Names.push_back(SpectrumName(measurement));
    std::vector<double> values(columns);
    while (lines.Next(line)) {
        if (IsBlankLine(line))
            continue;
        if (!SplitFields(TrimFieldEnd(line), ',', fields, columns) || fields.size() != columns)
            return false;
        for (std::size_t i = 0; i < columns; ++i)
            if (!FieldToNumber(fields[i], '.', values[i]))
                return false;
        result.X.push_back(values[shift]);
        result.Y[0].push_back(values[processed]);
    }
    if (result.X.empty())
        return false;
    out = std::move(result);
    return true;
}

} // namespace

ReadOutcome StreamPixelCsv(ByteSource &source, SpectrumSink &sink)
{
    return DecodeWhole(source, sink, decodePixelCsv, "Pixel-CSV");
}

bool ReadPixelCsv(std::string_view bytes, ImportedSpectra &out)
{
    return CollectImported(StreamPixelCsv, bytes, out);
}
