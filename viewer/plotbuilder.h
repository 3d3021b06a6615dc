#pragma once

#include <QString>
#include <cstdint>

class TListBox;
struct LoadResult;

// Which file list the viewer steps through (the main window's file list or its result list) and
// the index in it. The list is referred to itself, so later changes of its entries are seen.
struct BrowseCursorData {
    TListBox *List = nullptr;
    int Index = 0;
};
extern BrowseCursorData BrowseCursor;

// Turns the spectrum table into the display window's picture: with a name, the file is read
// first and names the window and the chart title; then every spectrum becomes one black line of
// Chart1, lifted above the one before by the spacing (percent of the largest intensity) in the
// preferences window, and both viewer windows come to the front.
// With "Farben" checked in the preferences window the lines take SpectrumColor instead; with
// "Legende" checked the chart shows a legend of the spectra's names (SpectrumTableData::Names,
// "Spektrum n" for an unnamed one), the top of the stack first.
void ShowSpectra(const QString &name);

// The colour of spectrum index (from the bottom) when colours are on: a palette for readers with
// any colour vision, of differing lightness so that greyscale print tells them apart too
// (black, then the colour-blind-safe Okabe-Ito colours, yellow left out on white), repeating.
std::uint32_t SpectrumColor(int index);

// What the display window's title says after the file's name: which spectra it shows of a file
// of more than the table holds, or why a file of another format cannot be shown; else nothing.
QString ShownNote(const LoadResult &load);
