#pragma once

#include "peakrules.h"
#include "separators.h"
#include "spectrumtable.h"

#include <string>
#include <vector>

// The judgement of one loaded file against the sought peaks, shared by the main window's search
// and the batch command.
struct SearchSettings {
    int Tolerance = 10; // in 1/cm; the window around a target is open on both sides
    int MaxMissing = 1; // the missing-peak limit
    bool Inverse = false; // list the files that do not match
};

// What the judgement found for one target: the peak nearest to it inside the open window (the
// lower one of two equally near), or none.
struct TargetMatch {
    bool Found = false;
    double Position = 0; // x of that peak
    double Offset = 0; // Position minus the target, formed in extended precision
    double Prominence = 0; // of that peak, when the judgement is scored
};

// How well a file's peaks answer the sought ones, 0 to 100: per target its closeness inside the
// tolerance window (1 at the target, falling linearly to 0 at the window's edge) times its share
// of the spectrum's strongest band (prominence over the strongest prominence, so that a file
// whose sought bands are its main bands ranks above one where they are side bands) times its
// clearness (the prominence in noise levels p, as p / (p + kScoreHalfStrength), so that a clear
// band counts nearly fully and one just above the noise little), averaged over all targets, so
// a missing target counts 0. Zero for an empty target list or a tolerance of 0 or less.
constexpr double kScoreHalfStrength = 25;

// The whole judgement of one file: every target in list order, the missing count and the verdict.
// The search's selection, the batch command and the match report all come from it.
struct FileJudgement {
    std::vector<TargetMatch> Targets; // one per target; empty for an empty target list
    int MissingCount = 0; // 10 for an empty target list
    bool Matches = false; // MissingCount is at most the missing-peak limit
    bool Selected = false; // Matches, or in inverse mode its opposite
    bool Scored = false; // Score holds the match score
    double Score = 0;
};

// Finds the peaks of the table's data (into peaks) and judges them against the targets, into
// judgement (whose storage is reused). Conversion and errors as for JudgeLoadedFile.
void JudgeFile(const SpectrumTableData &table, PeakListData &peaks,
    const std::vector<std::string> &targets, const SearchSettings &settings,
    const NumberSeparators &separators, FileJudgement &judgement);

// The same with the peaks of the given rule; with score (and always under the sensitive rule)
// the judgement is scored. For the fixed rule without score it is the call above.
void JudgeFile(const SpectrumTableData &table, PeakListData &peaks,
    const std::vector<std::string> &targets, const SearchSettings &settings,
    const PeakRuleSettings &rule, bool score, const NumberSeparators &separators,
    FileJudgement &judgement);

// Judges the peaks already in the list (no peak finding); with strengths, the judgement is
// scored as well.
void JudgePeaks(const SpectrumTableData &table, const PeakListData &peaks,
    const std::vector<std::string> &targets, const SearchSettings &settings,
    const NumberSeparators &separators, FileJudgement &judgement,
    const PeakStrengthData *strengths = nullptr);
// The same for one spectrum in arrays of its own: the peak in row r lies at x[r - 1].
void JudgePeaks(const double *x, const PeakListData &peaks, const std::vector<std::string> &targets,
    const SearchSettings &settings, const NumberSeparators &separators, FileJudgement &judgement,
    const PeakStrengthData *strengths = nullptr);

// Finds the peaks of the table's data (into peaks) and decides whether the file is selected.
// Targets are texts, converted with the given separators (no rewriting of decimal marks) only
// when there is a peak to compare them with; a text that is not a number raises EConvertError.
// An empty target list counts as 10 missing peaks.
bool JudgeLoadedFile(const SpectrumTableData &table, PeakListData &peaks,
    const std::vector<std::string> &targets, const SearchSettings &settings,
    const NumberSeparators &separators);

// The match score of the judged targets (see kScoreHalfStrength), with the noise level and the
// strongest prominence of the spectrum their prominences were measured on.
double MatchScore(
    const std::vector<TargetMatch> &targets, int tolerance, double noise, double strongest);

// The number of targets with no peak inside the window, for the peaks already in the list.
int CountMissingTargets(const SpectrumTableData &table, const PeakListData &peaks,
    const std::vector<std::string> &targets, int tolerance, const NumberSeparators &separators);

// The progress bar position after file index (from 0) of count files: 100 / count, then times
// index + 1, rounded to the nearest integer with halves to the even neighbour.
int ProgressPosition(int index, int count);
