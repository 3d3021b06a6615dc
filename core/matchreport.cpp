#include "matchreport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

std::string ReportNumber(double value, char decimalSeparator)
{
    char buffer[400]; // enough for any double in fixed notation
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    std::string text(buffer, result.ptr);
    for (char &c : text) {
        if (c == '.')
            c = decimalSeparator;
    }
    return text;
}

std::string ReportHeaderRow(const std::vector<std::string> &targets, bool scored)
{
    std::string row = "Datei\tAusgewählt\tFehlend";
    if (scored)
        row += "\tGüte";
    for (const auto &target : targets) {
        row += '\t';
        row += target;
    }
    return row;
}

namespace
{

std::string fileRow(const std::string &name, const std::vector<TargetMatch> &targets,
    int missingCount, bool selected, const double *score, char decimalSeparator)
{
    std::string row = name;
    row += selected ? "\tja\t" : "\tnein\t";
    row += std::to_string(missingCount);
    if (score != nullptr) {
        row += '\t';
        row += ReportNumber(std::nearbyint(*score * 100) / 100, decimalSeparator);
    }
    for (const auto &match : targets) {
        row += '\t';
        if (match.Found)
            row += ReportNumber(match.Position, decimalSeparator);
    }
    return row;
}

} // namespace

std::string ReportFileRow(
    const std::string &name, const FileJudgement &judgement, char decimalSeparator)
{
    return fileRow(name, judgement.Targets, judgement.MissingCount, judgement.Selected,
        judgement.Scored ? &judgement.Score : nullptr, decimalSeparator);
}

std::string ReportWrongLayoutRow(const std::string &name, std::size_t targetCount, bool scored)
{
    return name + "\tfalsches Format\t" + std::string(targetCount + (scored ? 1 : 0), '\t');
}

void MatchReport::Start(std::vector<std::string> targets, bool scored)
{
    m_scored = scored;
    m_targets = std::move(targets);
    m_judged.clear();
    m_wrongLayout.clear();
}

void MatchReport::AddJudged(const std::string &name, const FileJudgement &judgement)
{
    m_judged.push_back(
        { name, judgement.Targets, judgement.MissingCount, judgement.Selected, judgement.Score });
}

void MatchReport::AddWrongLayout(const std::string &name)
{
    m_wrongLayout.push_back(name);
}

std::string MatchReport::Text(char decimalSeparator) const
{
    std::string text = ReportHeaderRow(m_targets, m_scored) + '\n';
    for (const auto &file : m_judged) {
        text += fileRow(file.Name, file.Targets, file.MissingCount, file.Selected,
            m_scored ? &file.Score : nullptr, decimalSeparator);
        text += '\n';
    }
    for (const auto &name : m_wrongLayout)
        text += ReportWrongLayoutRow(name, m_targets.size(), m_scored) + '\n';
    return text;
}

std::vector<std::string> MatchReport::SelectedByScore() const
{
    std::vector<const Judged *> selected;
    for (const auto &file : m_judged)
        if (file.Selected)
            selected.push_back(&file);
    std::stable_sort(selected.begin(), selected.end(),
        [](const Judged *a, const Judged *b) { return a->Score > b->Score; });
    std::vector<std::string> names;
    for (const Judged *file : selected)
        names.push_back(file->Name);
    return names;
}
