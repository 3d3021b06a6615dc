#pragma once

#include "formats/spectrumstream.h"
#include "separators.h"
#include "spectrumtable.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Identifying an unknown spectrum against a library of reference spectra. Every spectrum, query
// or entry, is described once by its bands (the sensitive rule's peaks with their prominence and
// width) and its x range; a query is then compared with each entry's bands alone, so that a
// library read once answers any number of queries at microseconds an entry.
//
// The match score is symmetric: the share of the query's bands that the entry shows and the share
// of the entry's bands that the query shows, each weighted by the bands' strength, after moving
// the query by the x offset that fits best (instruments and calibrations differ by a few 1/cm).
// Only the x range both spectra cover counts: a band outside the other's range is neither
// matched nor missing.

struct LibraryBand {
    double Position = 0; // x of the peak
    double Strength = 0; // prominence over that of the spectrum's strongest band, (0, 1]
    double Width = 0; // full width at half prominence, in x units
};

// One spectrum as the library knows it.
struct LibraryEntry {
    std::string File; // the file it was read from
    int Spectrum = 0; // its number in the file, from 1
    std::string Name; // as the file names it, or empty
    double MinX = 0; // the x range measured
    double MaxX = 0;
    std::vector<LibraryBand> Bands; // rising in position, at most kLibraryBands
    // The curve's coarse shape, for spectra of few bands (lamps, LEDs, luminescent glass): the
    // mean intensity in steps of kProfileStep from ProfileFrom on, NaN where no point falls.
    double ProfileFrom = 0;
    std::vector<float> Profile;
};

// The step of a profile in 1/cm: several times a band's width and any offset between
// calibrations, so that a shape compares whatever the instrument's resolution and calibration.
constexpr double kProfileStep = 16;

// The strongest bands a description keeps: enough for any substance of the reference data (the
// richest, polystyrene, has about 25 that stand out of the noise), few enough that a comparison
// stays short.
constexpr std::size_t kLibraryBands = 48;

// Describes one spectrum (x in any order, at least one point): its bands by the sensitive rule
// from 100 1/cm on, spikes left out. A spectrum of more points than the table holds is first
// averaged down by pairs of neighbours. Never throws for any values; non-finite points are left
// out.
LibraryEntry DescribeSpectrum(const double *x, const double *y, std::size_t points);

// How one query band fared against an entry.
struct BandPair {
    LibraryBand Query;
    bool Matched = false;
    LibraryBand Entry; // the entry's band it matched
    double Offset = 0; // Entry.Position - Query.Position, the estimated shift included
};

// A comparison of a query with an entry, with its reasons.
struct LibraryMatch {
    double Score = 0; // 0..100
    double Shift = 0; // the x offset of the entry against the query that fits best
    double QueryShare = 0; // the strength-weighted share of the query's bands the entry shows, 0..1
    double EntryShare = 0; // the same of the entry's bands that the query shows
    double Shape = 0; // the correlation of the profiles, when both have few bands; else 0
    double OverlapFrom = 0; // the x range both cover
    double OverlapTo = 0;
    std::vector<BandPair> Pairs; // each query band inside the overlap (explained matches only)
    std::vector<LibraryBand> Lacking; // strong entry bands the query lacks (explained only)
};

// Compares; with explain, Pairs and Lacking are filled as well.
LibraryMatch MatchSpectra(const LibraryEntry &query, const LibraryEntry &entry, bool explain);

class SpectrumLibrary
{
public:
    void Add(LibraryEntry entry) { m_entries.push_back(std::move(entry)); }
    std::size_t Count() const { return m_entries.size(); }
    const LibraryEntry &Entry(std::size_t i) const { return m_entries[i]; }

    struct Hit {
        std::size_t Entry = 0;
        double Score = 0;
    };
    // The entries best first, at most top of them (0: all); among equal scores the library's
    // order. Entries with a score of 0 are not listed.
    std::vector<Hit> Rank(const LibraryEntry &query, std::size_t top) const;

private:
    std::vector<LibraryEntry> m_entries;
};

// A sink that describes the spectra a reader hands over: with every spectrum, each of them;
// otherwise only the file's last (the spectrum the search judges a file by). Each description
// goes to the callback, File left empty for the caller to fill.
class LibrarySink : public SpectrumSink
{
public:
    using Described = std::function<void(LibraryEntry &&)>;
    LibrarySink(bool everySpectrum, Described described);

    // Before each file.
    void Reset();
    // After the file was read: describes the last spectrum kept (when not every one).
    void Finish();

    bool Start(const StreamStart &start) override;
    bool Take(const StreamedSpectrum &spectrum) override;

private:
    bool m_every;
    Described m_described;
    std::vector<double> m_x; // the last spectrum, when not every one is described
    std::vector<double> m_y;
    std::string m_name;
    std::uint64_t m_index = 0;
    bool m_held = false;
};

// Describes the spectra of one file of any format the program reads (with everySpectrum each of
// them, else its last) and appends them to entries with File set to fileName. False, with the
// reason in words ("falsches Format" for the own layout, else the reader's), when the file is
// refused. table is scratch space (the own layout is read through it); file errors raise.
bool DescribeFile(const std::string &fileName, bool everySpectrum,
    const NumberSeparators &separators, SpectrumTableData &table,
    std::vector<LibraryEntry> &entries, std::string &reason);
