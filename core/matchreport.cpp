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

std::string ReportWrongLayoutRow(
    const std::string &name, std::size_t targetCount, bool scored, const std::string &reason)
{
    const std::string verdict = reason.empty() ? "falsches Format" : "falsches Format: " + reason;
    return name + '\t' + verdict + '\t' + std::string(targetCount + (scored ? 1 : 0), '\t');
}

std::string ReportEachHeaderRow(const std::vector<std::string> &targets, bool scored)
{
    std::string row = "Datei\tSpektrum\tAusgewählt\tFehlend";
    if (scored)
        row += "\tGüte";
    for (const auto &target : targets) {
        row += '\t';
        row += target;
    }
    return row + "\tName\tX\tY";
}

std::string ReportSpectrumRow(const std::string &file, const SpectrumPlace &place,
    const FileJudgement &judgement, char decimalSeparator)
{
    std::string row = file + '\t' + std::to_string(place.Number) + '\t';
    row += fileRow({}, judgement.Targets, judgement.MissingCount, judgement.Selected,
        judgement.Scored ? &judgement.Score : nullptr, decimalSeparator)
               .substr(1);
    row += '\t';
    row += place.Name;
    row += '\t';
    if (place.HasPosition) {
        row += ReportNumber(place.X, decimalSeparator);
        row += '\t';
        row += ReportNumber(place.Y, decimalSeparator);
    } else {
        row += '\t';
    }
    return row;
}

std::string ReportEachWrongLayoutRow(
    const std::string &name, std::size_t targetCount, bool scored, const std::string &reason)
{
    const std::string verdict = reason.empty() ? "falsches Format" : "falsches Format: " + reason;
    return name + "\t\t" + verdict + std::string(targetCount + (scored ? 1 : 0) + 4, '\t');
}

void MatchReport::Start(std::vector<std::string> targets, bool scored, bool each)
{
    m_scored = scored;
    m_each = each;
    m_targets = std::move(targets);
    m_judged.clear();
    m_wrongLayout.clear();
}

void MatchReport::AddJudged(const std::string &name, const FileJudgement &judgement)
{
    m_judged.push_back({ name, judgement.Targets, judgement.MissingCount, judgement.Selected,
        judgement.Score, {} });
}

void MatchReport::AddSpectrum(
    const std::string &file, const SpectrumPlace &place, const FileJudgement &judgement)
{
    m_judged.push_back({ file, judgement.Targets, judgement.MissingCount, judgement.Selected,
        judgement.Score, place });
}

void MatchReport::AddWrongLayout(const std::string &name, const std::string &reason)
{
    m_wrongLayout.emplace_back(name, reason);
}

std::string MatchReport::Text(char decimalSeparator, bool byScore) const
{
    std::string text =
        (m_each ? ReportEachHeaderRow(m_targets, m_scored) : ReportHeaderRow(m_targets, m_scored))
        + '\n';
    std::vector<const Judged *> order;
    order.reserve(m_judged.size());
    for (const auto &file : m_judged)
        order.push_back(&file);
    if (byScore && !m_each)
        std::stable_sort(order.begin(), order.end(), [](const Judged *a, const Judged *b) {
            return (a->Selected ? a->Score : -1) > (b->Selected ? b->Score : -1);
        });
    for (const Judged *entry : order) {
        const Judged &file = *entry;
        const std::string row = fileRow(file.Name, file.Targets, file.MissingCount, file.Selected,
            m_scored ? &file.Score : nullptr, decimalSeparator);
        if (!m_each) {
            text += row;
        } else {
            FileJudgement judgement;
            judgement.Targets = file.Targets;
            judgement.MissingCount = file.MissingCount;
            judgement.Selected = file.Selected;
            judgement.Scored = m_scored;
            judgement.Score = file.Score;
            text += ReportSpectrumRow(file.Name, file.Place, judgement, decimalSeparator);
        }
        text += '\n';
    }
    for (const auto &[name, reason] : m_wrongLayout)
        text += (m_each ? ReportEachWrongLayoutRow(name, m_targets.size(), m_scored, reason)
                        : ReportWrongLayoutRow(name, m_targets.size(), m_scored, reason))
            + '\n';
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
    names.reserve(selected.size());
    for (const Judged *file : selected)
        names.push_back(file->Name);
    return names;
}
