#pragma once

#include "peakrules.h"

#include <string>
#include <vector>

// The peak rules measured on a folder of real spectra: known_bands.tsv names, per substance, its
// main band positions and its files; spectra/ holds every file that is searched. Each substance's
// bands are searched over all files (tolerance 10, no band missing), as a user would search them.
// Shared by realdata-figures, which prints the figures, and the test that holds them.

struct SubstanceFigures {
    std::string Substance;
    std::vector<std::string> Bands;
    int Files = 0; // files of the substance present in the folder
    int Found = 0; // of those, selected
    // Files of other substances selected; a file of several spectra (manifest.tsv names them
    // joined by '+') counts as the substance of its last one, which the rules read.
    int Strangers = 0;
    int TopStrangers = 0; // other substances' files among the Files best-scored files
    std::vector<std::string> StrangerNames;
};

struct RealDataFigures {
    std::vector<SubstanceFigures> Substances;
    int SpectrumFiles = 0; // files read
    int SpikePeaks = 0; // peaks within 5 1/cm of the cosmic spike at 414.24 in TiO2 files
    double Seconds = 0; // peak finding and judgement only, not reading

    int Found() const;
    int Files() const;
    int Strangers() const;
    int WorstTopStrangers() const;
};

// Reads the folder's files once and measures the rule on them. A file that cannot be read or
// has the wrong layout raises EInOutError or counts as not selected; decimal commas are told
// from the first data line.
RealDataFigures MeasureRealData(const std::string &folder, const PeakRuleSettings &rule);

// The folder of the full reference set beside the checkout, if there is one: $PH_REALDATA, else
// ../shared/realdata or ../../shared/realdata from the source folder; empty when none exists.
std::string FindFullRealData(const std::string &sourceDirectory);
