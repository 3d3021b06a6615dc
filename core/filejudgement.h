#pragma once

#include "separators.h"
#include "spectrumtable.h"

#include <string>
#include <vector>

// The judgement of one loaded file against the sought peaks, shared by the main window's search
// and the batch command.
struct SearchSettings {
    int Tolerance = 10;  // in 1/cm; the window around a target is open on both sides
    int MaxMissing = 1;  // the missing-peak limit
    bool Inverse = false; // list the files that do not match
};

// What the judgement found for one target: the peak nearest to it inside the open window (the
// lower one of two equally near), or none.
struct TargetMatch {
    bool Found = false;
    double Position = 0; // x of that peak
    double Offset = 0; // Position minus the target, formed in extended precision
};

// The whole judgement of one file: every target in list order, the missing count and the verdict.
// The search's selection, the batch command and the match report all come from it.
struct FileJudgement {
    std::vector<TargetMatch> Targets; // one per target; empty for an empty target list
    int MissingCount = 0; // 10 for an empty target list
    bool Matches = false; // MissingCount is at most the missing-peak limit
    bool Selected = false; // Matches, or in inverse mode its opposite
};

// Finds the peaks of the table's data (into peaks) and judges them against the targets, into
// judgement (whose storage is reused). Conversion and errors as for JudgeLoadedFile.
void JudgeFile(const SpectrumTableData &table, PeakListData &peaks,
    const std::vector<std::string> &targets, const SearchSettings &settings,
    const NumberSeparators &separators, FileJudgement &judgement);

// Judges the peaks already in the list (no peak finding).
void JudgePeaks(const SpectrumTableData &table, const PeakListData &peaks,
    const std::vector<std::string> &targets, const SearchSettings &settings,
    const NumberSeparators &separators, FileJudgement &judgement);

// Finds the peaks of the table's data (into peaks) and decides whether the file is selected.
// Targets are texts, converted with the given separators (no rewriting of decimal marks) only
// when there is a peak to compare them with; a text that is not a number raises EConvertError.
// An empty target list counts as 10 missing peaks.
bool JudgeLoadedFile(const SpectrumTableData &table, PeakListData &peaks,
                     const std::vector<std::string> &targets, const SearchSettings &settings,
                     const NumberSeparators &separators);

// The number of targets with no peak inside the window, for the peaks already in the list.
int CountMissingTargets(const SpectrumTableData &table, const PeakListData &peaks,
                        const std::vector<std::string> &targets, int tolerance,
                        const NumberSeparators &separators);

// The progress bar position after file index (from 0) of count files: 100 / count, then times
// index + 1, rounded to the nearest integer with halves to the even neighbour.
int ProgressPosition(int index, int count);
