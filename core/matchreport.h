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
// "Fehlend" with each judged file's match score, two decimals at most.

// The rows one by one, without a line end, for writers that stream them.
std::string ReportHeaderRow(const std::vector<std::string> &targets, bool scored = false);
std::string ReportFileRow(
    const std::string &name, const FileJudgement &judgement, char decimalSeparator);
std::string ReportWrongLayoutRow(
    const std::string &name, std::size_t targetCount, bool scored = false);

// A position as the report writes it: the shortest text that reads back as the same double, in
// fixed notation, with the given decimal separator and no grouping.
std::string ReportNumber(double value, char decimalSeparator);

// The report of one run, collected file by file.
class MatchReport
{
public:
    // Starts a new report for the given targets; what an earlier run left is dropped.
    void Start(std::vector<std::string> targets, bool scored = false);
    void AddJudged(const std::string &name, const FileJudgement &judgement);
    void AddWrongLayout(const std::string &name);

    std::size_t JudgedCount() const { return m_judged.size(); }
    std::size_t WrongLayoutCount() const { return m_wrongLayout.size(); }
    bool Scored() const { return m_scored; }

    // The selected files, best score first (equal scores in test order).
    std::vector<std::string> SelectedByScore() const;

    // The whole report, each row ended by a line feed.
    std::string Text(char decimalSeparator) const;

private:
    struct Judged {
        std::string Name;
        std::vector<TargetMatch> Targets;
        int MissingCount;
        bool Selected;
        double Score;
    };
    bool m_scored = false;
    std::vector<std::string> m_targets;
    std::vector<Judged> m_judged;
    std::vector<std::string> m_wrongLayout;
};
