#pragma once

#include "filejudgement.h"

#include <string>
#include <vector>

// The match report of a search run: why each file was or was not selected, as tab-separated text
// for a spreadsheet or a script. The header row reads "Datei", "Ausgewählt", "Fehlend" and then
// each target's text; one row per well-formed file follows in test order (its name, "ja" or
// "nein", the missing count, then per target the position of the peak that served it, empty when
// it is missing), then one row per file of the wrong layout ("falsches Format", other cells
// empty). Every row has the same number of cells; names and targets are written as they stand.
// A scored report (the sensitive rule, or a search sorted by score) has a column "Güte" after
// "Fehlend" with each judged file's match score, two decimals at most. A file of another format
// refused with a reason says "falsches Format: " and the reason.
//
// The report of a search of every spectrum has a row per spectrum instead: "Datei", "Spektrum"
// (its number in the file, from 1), "Ausgewählt" (the spectrum's verdict), "Fehlend", "Güte"
// when scored, the targets' columns, and then "Name" (the spectrum's), "X" and "Y" (its stage
// position, empty where the file has none). A refused file has one row, with "falsches Format"
// under "Ausgewählt" and the other cells empty.

// The rows one by one, without a line end, for writers that stream them.
std::string ReportHeaderRow(const std::vector<std::string> &targets, bool scored = false);
std::string ReportFileRow(
    const std::string &name, const FileJudgement &judgement, char decimalSeparator);
std::string ReportWrongLayoutRow(const std::string &name, std::size_t targetCount,
    bool scored = false, const std::string &reason = std::string());

// The rows of a report of every spectrum.
struct SpectrumPlace {
    int Number = 0; // in its file, from 1
    std::string Name;
    bool HasPosition = false;
    double X = 0;
    double Y = 0;
};
std::string ReportEachHeaderRow(const std::vector<std::string> &targets, bool scored);
std::string ReportSpectrumRow(const std::string &file, const SpectrumPlace &place,
    const FileJudgement &judgement, char decimalSeparator);
std::string ReportEachWrongLayoutRow(
    const std::string &name, std::size_t targetCount, bool scored, const std::string &reason);

// A position as the report writes it: the shortest text that reads back as the same double, in
// fixed notation, with the given decimal separator and no grouping.
std::string ReportNumber(double value, char decimalSeparator);

// The report of one run, collected file by file.
class MatchReport
{
public:
    // Starts a new report for the given targets; what an earlier run left is dropped.
    // each: a row per spectrum (AddSpectrum) instead of one per file.
    void Start(std::vector<std::string> targets, bool scored = false, bool each = false);
    void AddJudged(const std::string &name, const FileJudgement &judgement);
    void AddSpectrum(
        const std::string &file, const SpectrumPlace &place, const FileJudgement &judgement);
    void AddWrongLayout(const std::string &name, const std::string &reason = std::string());

    std::size_t JudgedCount() const { return m_judged.size(); }
    std::size_t WrongLayoutCount() const { return m_wrongLayout.size(); }
    bool Scored() const { return m_scored; }

    // The selected files, best score first (equal scores in test order).
    std::vector<std::string> SelectedByScore() const;

    // The whole report, each row ended by a line feed. byScore: the rows of the selected files
    // come best score first, then the others in test order, as peakhound-search --sort score
    // prints them (a report of every spectrum keeps the file order).
    std::string Text(char decimalSeparator, bool byScore = false) const;

private:
    struct Judged {
        std::string Name;
        std::vector<TargetMatch> Targets;
        int MissingCount;
        bool Selected;
        double Score;
        SpectrumPlace Place; // a spectrum's, in a report of every spectrum
    };
    bool m_scored = false;
    bool m_each = false;
    std::vector<std::string> m_targets;
    std::vector<Judged> m_judged;
    std::vector<std::pair<std::string, std::string>> m_wrongLayout; // name, reason
};
