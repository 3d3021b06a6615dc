#include "matchreport.h"

#include <charconv>
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

std::string ReportHeaderRow(const std::vector<std::string> &targets)
{
    std::string row = "Datei\tAusgewählt\tFehlend";
    for (const auto &target : targets) {
        row += '\t';
        row += target;
    }
    return row;
}

namespace
{

std::string fileRow(const std::string &name, const std::vector<TargetMatch> &targets,
    int missingCount, bool selected, char decimalSeparator)
{
    std::string row = name;
    row += selected ? "\tja\t" : "\tnein\t";
    row += std::to_string(missingCount);
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
    return fileRow(
        name, judgement.Targets, judgement.MissingCount, judgement.Selected, decimalSeparator);
}

std::string ReportWrongLayoutRow(const std::string &name, std::size_t targetCount)
{
    return name + "\tfalsches Format\t" + std::string(targetCount, '\t');
}

void MatchReport::Start(std::vector<std::string> targets)
{
    m_targets = std::move(targets);
    m_judged.clear();
    m_wrongLayout.clear();
}

void MatchReport::AddJudged(const std::string &name, const FileJudgement &judgement)
{
    m_judged.push_back({ name, judgement.Targets, judgement.MissingCount, judgement.Selected });
}

void MatchReport::AddWrongLayout(const std::string &name)
{
    m_wrongLayout.push_back(name);
}

std::string MatchReport::Text(char decimalSeparator) const
{
    std::string text = ReportHeaderRow(m_targets) + '\n';
    for (const auto &file : m_judged) {
        text +=
            fileRow(file.Name, file.Targets, file.MissingCount, file.Selected, decimalSeparator);
        text += '\n';
    }
    for (const auto &name : m_wrongLayout)
        text += ReportWrongLayoutRow(name, m_targets.size()) + '\n';
    return text;
}
