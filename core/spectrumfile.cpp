#include "spectrumfile.h"

#include "exceptions.h"
#include "messages.h"
#include "numconv.h"
#include "rounding.h"
#include "textfile.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace {

constexpr std::string_view kXMarker = "x-data = ";
constexpr std::string_view kYMarker = "y-data = ";

void readCaptions(std::string_view line, SpectrumTableData &table)
{
    table.XCaption.clear();
    table.YCaption.clear();
    const auto px = line.find(kXMarker);
    const auto py = line.find(kYMarker);
    if (px == std::string_view::npos || py == std::string_view::npos)
        return;
    const auto xStart = px + kXMarker.size();
    // Whatever stands between the x caption and the y marker (blanks, a tab) belongs to the caption.
    if (py > xStart)
        table.XCaption.assign(line.substr(xStart, py - xStart));
    table.YCaption.assign(line.substr(py + kYMarker.size()));
}

LoadResult rejectLayout(SpectrumTableData &table, BadFileListData &badFiles,
                        const std::string &fileName)
{
    badFiles.Add(fileName);
    table.SpectrumCount = 0;
    return {};
}

} // namespace

LoadResult LoadSpectrumFile(SpectrumTableData &table, BadFileListData &badFiles,
                            const std::string &fileName, const NumberSeparators &separators)
{
    TextFile file(fileName);
    file.ReadLine();
    readCaptions(file.ReadLine(), table);

    const std::string_view header = file.ReadLine();
    const auto tabs = std::count(header.begin(), header.end(), '\t');
    if (tabs < 1 || tabs > kMaxSpectra)
        return rejectLayout(table, badFiles, fileName);
    const int columns = static_cast<int>(tabs) + 1;

    // Empty data lines take no row. Fields beyond the table's last column are converted (a bad
    // one is still an error) but not stored.
    int row = 0;
    bool complete = true;
    while (!file.Eof()) {
        const std::string_view line = file.ReadLine();
        if (line.empty())
            continue;
        if (row == kMaxRows)
            return rejectLayout(table, badFiles, fileName);
        ++row;
        double *cells = table.Cells[row - 1];
        int column = 0;
        const char *p = line.data();
        const char *const end = p + line.size();
        for (;;) {
            const char *fieldEnd = p;
            while (fieldEnd != end && *fieldEnd != '\t' && *fieldEnd != '\0')
                ++fieldEnd;
            const double value = ConvertDataField({ p, static_cast<std::size_t>(fieldEnd - p) },
                                                  separators);
            if (column < kMaxColumns)
                cells[column] = value;
            ++column;
            if (fieldEnd == end)
                break;
            p = fieldEnd + 1;
        }
        if (column < columns)
            complete = false;
    }
    if (row < kMaxRows)
        std::fill_n(table.Cells[row], columns, 0.0);
    table.RowCount = row;
    table.SpectrumCount = columns - 1;
    return { true, complete };
}

void LoadSpectrumFile(const std::string &fileName)
{
    LoadSpectrumFile(SpectrumTable, BadFileList, fileName, CurrentSeparators());
}

void ApplyKiloScale(SpectrumTableData &table)
{
    if (table.YCaption.size() < 12 || table.YCaption[10] != 'k')
        return;
    // Checked before anything changes, so an overflow leaves the column as it was.
    for (int r = 1; r <= table.RowCount; ++r) {
        if (std::isinf(static_cast<double>(static_cast<Extended>(table.Cell(r, 2)) * 1000)))
            throw EOverflow(std::string(Messages::FloatOverflow));
    }
    for (int r = 1; r <= table.RowCount; ++r)
        table.Cell(r, 2) = static_cast<double>(static_cast<Extended>(table.Cell(r, 2)) * 1000);
    table.YCaption[10] = ' ';
}

void ApplyKiloScale() { ApplyKiloScale(SpectrumTable); }
