#include "textexports.h"
#include "textfields.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <utility>

namespace
{

// x, at most the table's spectra, and an empty field after a separator at the line end.
constexpr std::size_t kMaxCsvFields = kImportMaxSpectra + 2;

// A field without its blanks and without the double quotes around it (a quoted field holds no
// quote of its own in a table of numbers or its header).
std::string_view unquoted(std::string_view field)
{
    field = TrimField(field);
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"'
        && field.substr(1, field.size() - 2).find('"') == std::string_view::npos)
        return TrimField(field.substr(1, field.size() - 2));
    return field;
}

bool csvFields(std::string_view line, char separator, std::vector<std::string_view> &fields)
{
    if (!SplitFields(TrimFieldEnd(line), separator, fields, kMaxCsvFields))
        return false;
    if (fields.size() > 1 && TrimField(fields.back()).empty())
        fields.pop_back();
    for (auto &field : fields)
        field = unquoted(field);
    return true;
}

// A header's name for an axis; left empty when it holds a control character.
std::string caption(std::string_view name)
{
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return {};
    return std::string(name);
}

// A header row holds a field that is no number with either decimal mark, so a row of numbers
// with the other mark is never taken for one.
bool namesColumns(const std::vector<std::string_view> &fields)
{
    double value = 0.0;
    for (const auto field : fields)
        if (!FieldToNumber(field, '.', value) && !FieldToNumber(field, ',', value))
            return true;
    return false;
}

// A row of numbers into values (the fields of csvFields, in one pass without the views); false
// when a field is no number or there are too many.
bool numberRow(std::string_view line, char separator, char mark, double *values, std::size_t &count)
{
    count = 0;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = line.find(separator, begin);
        const bool last = end == std::string_view::npos;
        const std::string_view field = line.substr(begin, last ? line.size() - begin : end - begin);
        if (last && count > 0 && TrimField(field).empty())
            return true; // a separator at the line end
        const std::string_view trimmed = TrimField(field);
        const bool quoted = !trimmed.empty() && trimmed.front() == '"';
        if (count == kMaxCsvFields
            || !FieldToNumber(quoted ? unquoted(trimmed) : trimmed, mark, values[count]))
            return false;
        ++count;
        if (last)
            return true;
        begin = end + 1;
    }
}

// A row whose every field is a plain number written with the decimal point, parsed straight from
// the text, and where its line ends (after LF, CR LF or a lone CR). False for anything else
// (quotes, an empty field, another grammar, too many fields, a value out of range), which is
// left to numberRow on the line; it gives the same values for every row taken here: each field
// starts with a digit (after a minus), so numconv hands its trimmed text to std::from_chars
// whole, and from_chars reads the same longest number when the field is followed by a blank,
// the separator or the line end.
bool plainPointRow(std::string_view text, std::size_t pos, char separator, double *values,
    std::size_t &count, std::size_t &next)
{
    const char *p = text.data() + pos;
    const char *const end = text.data() + text.size();
    count = 0;
    for (;;) {
        while (p != end && (*p == ' ' || *p == '\t'))
            ++p;
        const char *digit = p != end && *p == '-' ? p + 1 : p;
        if (count == kMaxCsvFields || digit == end || *digit < '0' || *digit > '9')
            return false;
        const auto [after, ec] = std::from_chars(p, end, values[count]);
        if (ec != std::errc() || !std::isfinite(values[count]))
            return false;
        ++count;
        p = after;
        while (p != end && (*p == ' ' || *p == '\t'))
            ++p;
        if (p == end || *p == '\n' || *p == '\r') {
            const bool crLf = p != end && *p == '\r' && p + 1 != end && p[1] == '\n';
            next = static_cast<std::size_t>(p - text.data()) + (p == end ? 0 : crLf ? 2 : 1);
            return true;
        }
        if (*p != separator)
            return false;
        ++p;
    }
}

bool readTable(std::string_view text, char separator, char mark, ImportedSpectra &out)
{
    ImportedSpectra result;
    TextLines lines(text);
    std::size_t pos = text.size() - lines.Rest().size(); // after a byte-order mark
    std::string_view line;
    double values[kMaxCsvFields];
    bool first = true; // the first line may be the header row
    std::size_t headerCount = 0; // its fields, when it is one
    std::size_t columns = 0;
    while (pos < text.size()) {
        std::size_t count = 0;
        std::size_t next = 0;
        if (mark != '.' || !plainPointRow(text, pos, separator, values, count, next)) {
            lines.SkipTo(pos);
            lines.Next(line);
            next = text.size() - lines.Rest().size();
            if (IsBlankLine(line)) {
                pos = next;
                continue;
            }
            if (!numberRow(line, separator, mark, values, count)) {
                std::vector<std::string_view> fields;
                if (!first || !csvFields(line, separator, fields) || !namesColumns(fields))
                    return false;
                first = false;
                headerCount = fields.size();
                result.XCaption = caption(fields[0]);
                // One intensity column's field is its caption; of several, each names its
                // spectrum.
                if (fields.size() == 2) {
                    result.YCaption = caption(fields[1]);
                } else {
                    for (std::size_t i = 1; i < fields.size(); ++i)
                        result.Names.push_back(SpectrumName(fields[i]));
                }
                pos = next;
                continue;
            }
        }
        pos = next;
        first = false;
        if (columns == 0) {
            columns = count;
            if (columns < 2 || columns - 1 > kImportMaxSpectra
                || (headerCount != 0 && headerCount != columns))
                return false;
            result.Y.resize(columns - 1);
            // A row takes at least two bytes per column: reserving for that many rows keeps the
            // memory within a few times the file's size.
            const std::size_t rows = std::min(kImportMaxPoints, text.size() / (2 * columns) + 1);
            result.X.reserve(rows);
            for (auto &y : result.Y)
                y.reserve(rows);
        } else if (count != columns) {
            return false;
        }
        result.X.push_back(values[0]);
        for (std::size_t i = 1; i < columns; ++i)
            result.Y[i - 1].push_back(values[i]);
    }
    if (result.X.empty())
        return false;
    out = std::move(result);
    return true;
}

} // namespace

bool LooksCsv(std::string_view head, std::size_t fileSize, std::string_view fileName)
{
    return EndsWithNoCase(fileName, ".csv") && !LooksWire(head, fileSize, fileName)
        && !LooksLabSpec(head, fileSize, fileName) && !LooksBwSpec(head, fileSize, fileName)
        && !LooksRruff(head, fileSize, fileName) && !LooksPixelCsv(head, fileSize, fileName);
}

namespace
{

bool decodeCsv(std::string_view bytes, ImportedSpectra &out)
{
    TextLines lines(bytes);
    std::string_view line;
    while (lines.Next(line) && IsBlankLine(line)) { }
    // The separator: as an Excel "sep=" first line says, else the semicolon when the first line
    // has one, else the comma.
    const std::string_view first = TrimField(line);
    std::string_view table = bytes;
    char separator = first.find(';') != std::string_view::npos ? ';' : ',';
    if (first.size() == 5 && StartsWithNoCase(first, "sep=")
        && (first[4] == ';' || first[4] == ',')) {
        separator = first[4];
        table = lines.Rest();
    }
    if (separator == ',')
        return readTable(table, ',', '.', out);
    return readTable(table, ';', ',', out) || readTable(table, ';', '.', out);
}

} // namespace

ReadOutcome StreamCsv(ByteSource &source, SpectrumSink &sink)
{
    return DecodeWhole(source, sink, decodeCsv, "CSV");
}

bool ReadCsv(std::string_view bytes, ImportedSpectra &out)
{
    return CollectImported(StreamCsv, bytes, out);
}
