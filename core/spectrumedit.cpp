#include "spectrumedit.h"

#include "spectrumfile.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace
{

// In a stack of several files a spectrum is known by its file: the file's name, followed by the
// spectrum's own name (or number) when the file holds more than one.
void nameByFile(SpectrumTableData &table, const std::string &fileName, int count)
{
    const std::string base = FileBaseName(fileName);
    for (int s = 0; s < count && s < kMaxSpectra; ++s) {
        std::string &name = table.Names[s];
        if (count == 1) {
            name = base;
            continue;
        }
        std::string named = base;
        named += ": ";
        named += name.empty() ? std::to_string(s + 1) : name;
        name = std::move(named);
    }
}

} // namespace

bool HasSpectrum(const SpectrumTableData &table, int s)
{
    return s >= 0 && s < table.SpectrumCount;
}

void ShiftSpectra(SpectrumTableData &table, int first, int count, int by)
{
    if (by == 0 || count <= 0)
        return;
    const auto inTable = [](int column) { return column >= 2 && column <= kMaxColumns; };
    // A spectrum with x values of its own has its own rows, which may be more than RowCount.
    int rows = table.RowCount;
    for (int i = 0; i < count; ++i) {
        const int s = first + i;
        if (s >= 0 && s < kMaxSpectra)
            rows = std::max(rows, static_cast<int>(table.SpectrumX[s].size()));
    }
    for (int r = 1; r <= rows; ++r) {
        // Upwards the top spectrum moves first, downwards the lowest, so none is overwritten
        // before it has moved.
        for (int i = 0; i < count; ++i) {
            const int from = (by > 0 ? first + count - 1 - i : first + i) + 2;
            if (!inTable(from))
                continue;
            if (inTable(from + by))
                table.Cell(r, from + by) = table.Cell(r, from);
            table.Cell(r, from) = 0.0;
        }
    }
    for (int i = 0; i < count; ++i) {
        const int from = (by > 0 ? first + count - 1 - i : first + i) + 2;
        if (!inTable(from))
            continue;
        std::string &name = table.Names[from - 2];
        std::vector<double> &x = table.SpectrumX[from - 2];
        if (inTable(from + by)) {
            table.Names[from + by - 2] = std::move(name);
            table.SpectrumX[from + by - 2] = std::move(x);
        }
        name.clear();
        x.clear();
    }
}

void RemoveSpectrum(SpectrumTableData &table, int s)
{
    if (!HasSpectrum(table, s))
        return;
    ShiftSpectra(table, s + 1, table.SpectrumCount - s - 1, -1);
    --table.SpectrumCount;
}

void KeepOnlySpectrum(SpectrumTableData &table, int s)
{
    if (!HasSpectrum(table, s))
        return;
    // Alone, a spectrum with x values of its own takes them back into column 1 and its rows.
    const int rows = table.SpectrumRows(s);
    for (int r = 1; r <= rows; ++r) {
        if (!table.SpectrumX[s].empty())
            table.Cell(r, 1) = table.SpectrumX[s][static_cast<std::size_t>(r - 1)];
        table.Cell(r, 2) = table.Cell(r, s + 2);
    }
    if (table.HasOwnX()) {
        for (auto &x : table.SpectrumX)
            x.clear();
        table.RowCount = rows;
    }
    if (s != 0)
        table.Names[0] = std::move(table.Names[s]);
    table.SpectrumCount = 1;
}

void CopySpectrumAlone(const SpectrumTableData &table, int s, SpectrumTableData &alone)
{
    alone.RowCount = table.SpectrumRows(s);
    alone.SpectrumCount = 1;
    for (int r = 1; r <= alone.RowCount; ++r) {
        alone.Cell(r, 1) = table.SpectrumXAt(s, r);
        alone.Cell(r, 2) = table.Cell(r, s + 2);
    }
}

bool MergeSpectrumFiles(SpectrumTableData &table, BadFileListData &badFiles,
    const std::vector<std::string> &fileNames, const NumberSeparators &separators)
{
    std::vector<int> announced;
    int sum = 0;
    for (const std::string &name : fileNames) {
        announced.push_back(HeaderSpectrumCount(name));
        sum += announced.back();
    }
    if (sum > kMaxSpectra)
        return false;

    // Each file's spectra keep their file's x values: the reading of a file clears the x values
    // of the spectra gathered before it, so they are set aside while it reads. When every file
    // has the same x, none is kept and the stack is the table it always was.
    std::vector<double> gathered[kMaxSpectra];
    struct PutBack {
        SpectrumTableData &table;
        std::vector<double> (&gathered)[kMaxSpectra];
        ~PutBack()
        {
            for (int s = 0; s < kMaxSpectra; ++s)
                if (!gathered[s].empty())
                    table.SpectrumX[s] = std::move(gathered[s]);
        }
    };
    std::vector<double> firstX;
    bool sameX = true;
    int total = 0;
    // What the table held before is read anew: no x of it is kept.
    for (auto &x : table.SpectrumX)
        x.clear();
    for (std::size_t k = 0; k < fileNames.size(); ++k) {
        const int room = announced[k];
        ShiftSpectra(table, 0, total, room);
        {
            for (int s = 0; s < kMaxSpectra; ++s)
                gathered[s] = std::move(table.SpectrumX[s]);
            const PutBack putBack { table, gathered };
            LoadSpectrumFile(table, badFiles, fileNames[k], separators);
        }
        const int loaded = table.SpectrumCount;
        // A file whose data the reader rejects after all brings no spectrum: the gathered ones
        // close the room made for it, and no earlier column is taken for its first spectrum.
        if (loaded != room)
            ShiftSpectra(table, room, total, loaded - room);
        if (loaded > 0)
            ApplyKiloScale(table);
        if (fileNames.size() > 1)
            nameByFile(table, fileNames[k], loaded);
        if (loaded > 0) {
            std::vector<double> x(static_cast<std::size_t>(std::max(table.RowCount, 0)));
            for (int r = 1; r <= table.RowCount; ++r)
                x[static_cast<std::size_t>(r - 1)] = table.Cell(r, 1);
            if (firstX.empty() && total == 0)
                firstX = x;
            else
                sameX = sameX && x == firstX;
            // A file whose spectra lie on x of their own (an SPC with an x per subfile) keeps
            // them; the others take its column 1.
            for (int s = 0; s < loaded && s < kMaxSpectra; ++s) {
                if (table.SpectrumX[s].empty())
                    table.SpectrumX[s] = x;
                else
                    sameX = false;
            }
        }
        total = std::min(total + loaded, kMaxSpectra);
    }
    table.SpectrumCount = total;
    if (sameX) {
        for (auto &x : table.SpectrumX)
            x.clear();
    }
    return true;
}
