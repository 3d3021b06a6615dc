#pragma once

#include <string>
#include <vector>

// The store of measured data: the contents of the spectrum file read last, one x column and up
// to 99 spectrum columns over up to 10000 rows. Rows and columns count from 1 at the API; a row's
// 100 values are contiguous. Whoever reads a file replaces what the previous reader left; cells
// a file does not supply keep their earlier values (merging files for display relies on this).

constexpr int kMaxRows = 10000;
constexpr int kMaxColumns = 100;
constexpr int kMaxSpectra = kMaxColumns - 1;

// Static storage starts it all zero, and so does std::make_unique<SpectrumTableData>(); the cells
// have no initialiser of their own so that the global needs no 8 MB clearing at start-up.
struct SpectrumTableData {
    double Cells[kMaxRows][kMaxColumns];
    int RowCount = 0;
    int SpectrumCount = 0;
    std::string XCaption;
    std::string YCaption;
    // The name of each spectrum, Names[s] for column s + 2: its field of the file's column header,
    // or what a merge gives it. Names move with their columns; an empty one is unnamed.
    std::string Names[kMaxSpectra];
    // The x values of spectrum s (column s + 2) when it has its own: a stack of files whose x
    // values differ keeps each file's x here, and the spectrum has as many rows as its x has
    // values. Empty (always, but for such a stack): the spectrum is on column 1 over RowCount
    // rows. Reading a file clears them all; they move with their columns.
    std::vector<double> SpectrumX[kMaxSpectra];

    // Whether some spectrum has x values of its own (see SpectrumX).
    bool HasOwnX() const
    {
        for (const auto &x : SpectrumX)
            if (!x.empty())
                return true;
        return false;
    }
    // The rows of spectrum s: its own x's count, else RowCount.
    int SpectrumRows(int s) const
    {
        return SpectrumX[s].empty() ? RowCount : static_cast<int>(SpectrumX[s].size());
    }
    // The x value of spectrum s at row r (from 1).
    double SpectrumXAt(int s, int r) const
    {
        return SpectrumX[s].empty() ? Cells[r - 1][0]
                                    : SpectrumX[s][static_cast<std::size_t>(r - 1)];
    }

    double &Cell(int row, int column) { return Cells[row - 1][column - 1]; }
    double Cell(int row, int column) const { return Cells[row - 1][column - 1]; }
};

// Names of files rejected for their layout in the current search run. Count is reset at the start
// of each run; the names beyond it stay but are never read. No fixed bound.
struct BadFileListData {
    std::vector<std::string> Names; // Names[k - 1] is entry k
    // Why entry k was refused, where a reader of another format says so; empty for a file of
    // the program's own layout, which is named alone.
    std::vector<std::string> Reasons;
    int Count = 0;

    void Add(const std::string &name, const std::string &reason = std::string());
    const std::string &Name(int k) const { return Names[static_cast<std::size_t>(k - 1)]; }
    const std::string &Reason(int k) const { return Reasons[static_cast<std::size_t>(k - 1)]; }
    // The name with its reason after a colon, or the name alone.
    std::string Entry(int k) const
    {
        return Reason(k).empty() ? Name(k) : Name(k) + ": " + Reason(k);
    }
};

// Rows of Cells at which the peak finder found peaks, rising; a peak's position is column 1 of
// its row.
struct PeakListData {
    int Rows[kMaxRows] = {};
    int Count = 0;

    int Row(int i) const { return Rows[i - 1]; }
};

// The program's one instance of each (static storage; the table alone is 8,000,000 bytes).
extern SpectrumTableData SpectrumTable;
extern BadFileListData BadFileList;
extern PeakListData PeakList;
// The current directory when the main window was created; the peak presets lie below it.
extern std::string StartDirectory;
