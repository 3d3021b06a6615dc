#include "spectrumedit.h"

#include "spectrumfile.h"

#include <algorithm>

bool HasSpectrum(const SpectrumTableData &table, int s)
{
    return s >= 0 && s < table.SpectrumCount;
}

void ShiftSpectra(SpectrumTableData &table, int first, int count, int by)
{
    if (by == 0 || count <= 0)
        return;
    const auto inTable = [](int column) { return column >= 2 && column <= kMaxColumns; };
    for (int r = 1; r <= table.RowCount; ++r) {
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
    for (int r = 1; r <= table.RowCount; ++r)
        table.Cell(r, 2) = table.Cell(r, s + 2);
    table.SpectrumCount = 1;
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

    int total = 0;
    for (std::size_t k = 0; k < fileNames.size(); ++k) {
        const int room = announced[k];
        ShiftSpectra(table, 0, total, room);
        LoadSpectrumFile(table, badFiles, fileNames[k], separators);
        const int loaded = table.SpectrumCount;
        // A file whose data the reader rejects after all brings no spectrum: the gathered ones
        // close the room made for it, and no earlier column is taken for its first spectrum.
        if (loaded != room)
            ShiftSpectra(table, room, total, loaded - room);
        if (loaded > 0)
            ApplyKiloScale(table);
        total = std::min(total + loaded, kMaxSpectra);
    }
    table.SpectrumCount = total;
    return true;
}
