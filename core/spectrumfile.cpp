#include "spectrumfile.h"

#include "formats/formatdispatch.h"
#include "numconv.h"
#include "rounding.h"
#include "textfile.h"
#include "utf8.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

namespace
{

constexpr std::string_view kXMarker = "x-data = ";
constexpr std::string_view kYMarker = "y-data = ";
// The reading buffer of other formats is kept from file to file up to this size.
constexpr std::size_t kKeptImportBuffer = std::size_t { 4 } * 1024 * 1024;

// Captions are drawn at every paint of the chart and stand in its window's title: one of
// megabytes would take the window seconds a paint. Beyond kMaxCaptionBytes a caption is cut,
// before a UTF-8 character that would not fit whole; no axis shows that much.
constexpr std::size_t kMaxCaptionBytes = 1024;

std::string_view captionText(std::string_view caption)
{
    return caption.substr(0, Utf8CutPoint(caption, kMaxCaptionBytes));
}

void readCaptions(std::string_view line, SpectrumTableData &table)
{
    table.XCaption.clear();
    table.YCaption.clear();
    const auto px = line.find(kXMarker);
    const auto py = line.find(kYMarker);
    if (px == std::string_view::npos || py == std::string_view::npos)
        return;
    const auto xStart = px + kXMarker.size();
    // Whatever stands between the x caption and the y marker (blanks, a tab) belongs to the
    // caption.
    if (py > xStart)
        table.XCaption.assign(captionText(line.substr(xStart, py - xStart)));
    table.YCaption.assign(captionText(line.substr(py + kYMarker.size())));
}

// The number of columns the third header line announces (its tabs plus one), or 0 for a layout
// the reader rejects.
int headerColumns(std::string_view header)
{
    const auto tabs = std::count(header.begin(), header.end(), '\t');
    return tabs < 1 || tabs > kMaxSpectra ? 0 : static_cast<int>(tabs) + 1;
}

// Field k of the column header names spectrum k (field 0 is the x column's).
void readNames(std::string_view header, SpectrumTableData &table)
{
    std::size_t start = header.find('\t');
    for (int s = 0; s < kMaxSpectra && start != std::string_view::npos; ++s) {
        const std::size_t end = header.find('\t', start + 1);
        const std::string_view field = header.substr(
            start + 1, end == std::string_view::npos ? std::string_view::npos : end - start - 1);
        // A name is drawn in the legend at every paint: one of megabytes is cut as a reader
        // cuts the names it hands over.
        if (field.size() > kMaxNameBytes)
            table.Names[s] = SpectrumName(field);
        else
            table.Names[s].assign(field);
        start = end;
    }
}

// A spectrum its file gives no name is known by the file's name, with its number when the file
// holds several.
void nameUnnamed(SpectrumTableData &table, const std::string &fileName)
{
    const std::string base = FileBaseName(fileName);
    for (int s = 0; s < table.SpectrumCount; ++s)
        if (table.Names[s].empty())
            table.Names[s] = table.SpectrumCount == 1 ? base : base + " " + std::to_string(s + 1);
}

LoadResult rejectLayout(
    SpectrumTableData &table, BadFileListData &badFiles, const std::string &fileName)
{
    badFiles.Add(fileName);
    table.SpectrumCount = 0;
    return {};
}

bool hasOwnMarkers(std::string_view line)
{
    return line.find(kXMarker) != std::string_view::npos
        && line.find(kYMarker) != std::string_view::npos;
}

// The reader of another format whose signature the file carries, or null when the program's own
// reader takes it: always when line 2 has the own markers (a line cut at the text-file limit
// has none).
const FormatReader *otherFormat(
    TextFile &file, std::string_view captionLine, bool lineTooLong, const std::string &fileName)
{
    if (!lineTooLong && hasOwnMarkers(captionLine))
        return nullptr;
    return DetectFormat(file.PeekHead(kSignatureBytes), file.Size(), fileName);
}

// Decodes a file of another format. Anything the reader cannot read with certainty, or that
// does not fit the table, is the wrong layout, as for the program's own files.
bool readImported(TextFile &file, const FormatReader &reader, ImportedSpectra &spectra)
{
    thread_local std::string bytes;
    const bool read = file.ReadWhole(bytes, kMaxImportBytes) && reader.Read(bytes, spectra);
    if (bytes.capacity() > kKeptImportBuffer) {
        bytes.clear();
        bytes.shrink_to_fit();
    }
    return read;
}

LoadResult loadFile(SpectrumTableData &table, BadFileListData &badFiles,
    const std::string &fileName, const NumberSeparators &separators, bool otherFormats,
    LoadExtent &written)
{
    written = {};
    TextFile file(fileName);
    // Once the file is open, its spectra, whatever it holds, lie on its own x column.
    for (auto &x : table.SpectrumX)
        x.clear();
    file.ReadLine();
    const std::string_view captionLine = file.ReadLine();
    readCaptions(file.LineTooLong() ? std::string_view() : captionLine, table);
    const FormatReader *reader =
        otherFormats ? otherFormat(file, captionLine, file.LineTooLong(), fileName) : nullptr;
    if (reader != nullptr) {
        ImportedSpectra spectra;
        if (!readImported(file, *reader, spectra) || !StoreImported(spectra, table))
            return rejectLayout(table, badFiles, fileName);
        written.Rows = std::min(table.RowCount + 1, kMaxRows);
        written.Columns = table.SpectrumCount + 1;
        nameUnnamed(table, fileName);
        return { true, true };
    }

    // A line beyond the text-file limit, here or below, makes the wrong layout.
    const std::string_view header = file.ReadLine();
    const int columns = file.LineTooLong() ? 0 : headerColumns(header);
    if (columns == 0)
        return rejectLayout(table, badFiles, fileName);
    readNames(header, table);

    // Empty data lines take no row. Fields beyond the table's last column are converted (a bad
    // one is still an error) but not stored.
    int row = 0;
    bool complete = true;
    // The shortcut reads a single decimal mark as a point, which is right whenever the locale's
    // decimal separator is a comma or a point.
    const bool plainMarks = separators.Decimal == '.' || separators.Decimal == ',';
    while (!file.Eof()) {
        const std::string_view line = file.ReadLine();
        if (line.empty())
            continue;
        if (row == kMaxRows || file.LineTooLong())
            return rejectLayout(table, badFiles, fileName);
        ++row;
        written.Rows = row;
        double *cells = table.Cells[row - 1];
        int column = 0;
        const char *p = line.data();
        const char *const end = p + line.size();
        for (;;) {
            double value = 0.0;
            const char *fieldEnd = nullptr;
            if (!ConvertCommonDataField(p, end, value, fieldEnd)
                && (!plainMarks || !ConvertPlainDataField(p, end, value, fieldEnd))) {
                // The cells of this row so far are written, should the field be an error.
                written.Columns = std::max(written.Columns, std::min(column, kMaxColumns));
                fieldEnd = FieldEnd(p, end);
                value = ConvertDataField({ p, static_cast<std::size_t>(fieldEnd - p) }, separators);
            }
            if (column < kMaxColumns)
                cells[column] = value;
            ++column;
            if (fieldEnd == end)
                break;
            p = fieldEnd + 1;
        }
        written.Columns = std::max(written.Columns, std::min(column, kMaxColumns));
        if (column < columns)
            complete = false;
    }
    if (row < kMaxRows) {
        std::fill_n(table.Cells[row], columns, 0.0);
        written.Rows = row + 1;
        written.Columns = std::max(written.Columns, columns);
    }
    table.RowCount = row;
    table.SpectrumCount = columns - 1;
    return { true, complete };
}

} // namespace

std::string FileBaseName(const std::string &fileName)
{
    const auto slash = fileName.find_last_of('/');
    return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

LoadResult LoadSpectrumFile(SpectrumTableData &table, BadFileListData &badFiles,
    const std::string &fileName, const NumberSeparators &separators)
{
    LoadExtent written;
    return loadFile(table, badFiles, fileName, separators, true, written);
}

LoadResult LoadSpectrumFile(SpectrumTableData &table, BadFileListData &badFiles,
    const std::string &fileName, const NumberSeparators &separators, LoadExtent &written)
{
    return loadFile(table, badFiles, fileName, separators, true, written);
}

LoadResult LoadOwnLayoutFile(SpectrumTableData &table, BadFileListData &badFiles,
    const std::string &fileName, const NumberSeparators &separators)
{
    LoadExtent written;
    return loadFile(table, badFiles, fileName, separators, false, written);
}

LoadResult LoadSpectrumFile(const std::string &fileName)
{
    return LoadSpectrumFile(SpectrumTable, BadFileList, fileName, CurrentSeparators());
}

int HeaderSpectrumCount(const std::string &fileName)
{
    TextFile file(fileName);
    file.ReadLine();
    const std::string_view captionLine = file.ReadLine();
    if (const FormatReader *reader = otherFormat(file, captionLine, file.LineTooLong(), fileName)) {
        ImportedSpectra spectra;
        return readImported(file, *reader, spectra) && ImportedFits(spectra)
            ? static_cast<int>(spectra.Y.size())
            : 0;
    }
    const std::string_view header = file.ReadLine();
    const int columns = file.LineTooLong() ? 0 : headerColumns(header);
    return columns == 0 ? 0 : columns - 1;
}

void ApplyKiloScale(SpectrumTableData &table)
{
    if (table.YCaption.size() < 12 || table.YCaption[10] != 'k')
        return;
    // Checked before anything changes, so an overflow leaves the column as it was.
    for (int r = 1; r <= table.RowCount; ++r)
        FiniteDouble(static_cast<Extended>(table.Cell(r, 2)) * 1000);
    for (int r = 1; r <= table.RowCount; ++r)
        table.Cell(r, 2) = static_cast<double>(static_cast<Extended>(table.Cell(r, 2)) * 1000);
    table.YCaption[10] = ' ';
}

void ApplyKiloScale()
{
    ApplyKiloScale(SpectrumTable);
}
