#pragma once

#include "filejudgement.h"
#include "matchreport.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What a map is to the search: per spectrum its stage position and its judgement, a few dozen
// bytes a cell, never the spectra. Filled spectrum by spectrum as a reader hands them over and
// the judgement of every spectrum judges them, so that a map of millions of spectra takes tens
// of megabytes.

struct MapCell {
    double X = 0; // stage position, in the file's units
    double Y = 0;
    double Score = 0; // the match score, when the judgement was scored
    std::uint8_t Missing = 0; // sought peaks without a peak in the window (at most 255)
    bool Selected = false;
    bool HasPosition = false;
};

// How the cells lie on the sample.
enum class MapShape {
    Grid, // rows and columns of equal steps: an area map
    Strip, // along one line (a line scan, a depth or time series): drawn by the distance along it
    Scatter, // positions of no grid: each cell drawn as a square at its position
};

struct MapLayout {
    MapShape Shape = MapShape::Strip;
    std::size_t Columns = 0; // Grid: distinct x; Strip: the cells; Scatter: 0
    std::size_t Rows = 0; // Grid: distinct y; Strip: 1
    // Grid and Scatter: the extent of the positions; Strip: 0 .. the line's length.
    double MinX = 0;
    double MaxX = 0;
    double MinY = 0;
    double MaxY = 0;
    double CellWidth = 0; // the step between neighbours (Grid, Scatter), or along the strip
    double CellHeight = 0;
    // Grid: the cell at column c, row r is CellAt[r * Columns + c] (rows from the least y),
    // kNoCell where the map has none. Strip: the cells in their order.
    std::vector<std::uint32_t> CellAt;
    static constexpr std::uint32_t kNoCell = 0xFFFFFFFFu;
};

class MapIndex
{
public:
    // Starts an empty map for this many sought peaks.
    void Start(std::size_t targets);
    void Add(const SpectrumPlace &place, const FileJudgement &judgement);
    // Appends the cells of other from its cell `from` on (a map being filled elsewhere).
    void AddFrom(const MapIndex &other, std::size_t from);

    std::size_t Count() const { return m_cells.size(); }
    const MapCell &Cell(std::size_t i) const { return m_cells[i]; }
    // The position of the peak that served target t in cell i; false when it was missing.
    bool Found(std::size_t i, std::size_t t, double &position) const;
    std::size_t Targets() const { return m_targets; }
    // Every cell has a position and they are all finite.
    bool Positioned() const { return m_positioned && !m_cells.empty(); }
    // Why the positions cannot be drawn as a map, or empty: some spectra with a position and some
    // without ("Spektrum 7 ohne Position"), or two spectra at one position ("Spektrum 3 und 9 an
    // derselben Stelle"). A map is drawn at its positions only when they are whole and distinct.
    std::string PositionFault() const;

    // The cells' arrangement on the sample, inferred from their positions: a grid when the
    // distinct x and y values span every cell once, a strip when they lie on one line (or the
    // file gives no positions: then the cells in their order, one unit apart), else scattered.
    MapLayout Arrange() const;

    // Every cell as a tab-separated table for a spreadsheet: "X", "Y", "Ausgewählt", "Fehlend",
    // "Güte", then each target's text, one row per cell in the file's order, numbers with the
    // given decimal separator.
    std::string Table(const std::vector<std::string> &targets, char decimalSeparator) const;

private:
    std::vector<MapCell> m_cells;
    std::vector<double> m_found; // Targets() per cell; NaN where missing
    std::size_t m_targets = 0;
    bool m_positioned = true;
};

// Reads a table written by MapIndex::Table with a decimal point back into map, its targets the
// columns after "Güte". False, with the fault in words ("Zeile 4: ..."), when the text is not such
// a table; map then holds the rows before the fault.
bool ReadMapTable(std::string_view text, MapIndex &map, std::string &fault);
