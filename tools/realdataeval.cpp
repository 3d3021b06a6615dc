#include "realdataeval.h"

#include "exceptions.h"
#include "filejudgement.h"
#include "spectrumfile.h"
#include "textfile.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace
{

struct Known {
    std::string Substance;
    std::vector<std::string> Bands;
    std::vector<std::string> Files;
};

std::vector<std::string> splitOn(const std::string &line, char separator)
{
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, separator))
        fields.push_back(field);
    return fields;
}

std::vector<Known> readKnownBands(const std::string &folder)
{
    std::ifstream in(folder + "/known_bands.tsv");
    if (!in)
        ThrowInOutError(2);
    std::vector<Known> known;
    std::string line;
    std::getline(in, line); // the header
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto fields = splitOn(line, '\t');
        if (fields.size() < 6)
            continue;
        std::vector<std::string> bands;
        for (const auto &band : splitOn(fields[1], ' '))
            if (!band.empty())
                bands.push_back(band);
        std::vector<std::string> files;
        for (const auto &file : splitOn(fields[5], ' '))
            if (!file.empty())
                files.push_back(file);
        known.push_back({ fields[0], bands, files });
    }
    return known;
}

// Real files keep the decimal mark the instrument wrote; the first data line tells which.
NumberSeparators separatorsOf(const std::string &path)
{
    std::ifstream in(path);
    std::string line;
    for (int i = 0; i < 4 && std::getline(in, line); ++i) { }
    if (line.find(',') != std::string::npos)
        return { ',', '.' };
    return { '.', ',' };
}

// Files that hold several spectra (multi_*): the manifest names their substances joined by '+',
// in file order. The rules read the last spectrum, so a file whose last spectrum is of a substance
// is no stranger to it (nor one of its files: known_bands.tsv does not list it).
std::vector<std::pair<std::string, std::string>> readLastSubstances(const std::string &folder)
{
    std::vector<std::pair<std::string, std::string>> last;
    std::ifstream in(folder + "/manifest.tsv");
    std::string line;
    std::getline(in, line); // the header
    while (std::getline(in, line)) {
        const auto fields = splitOn(line, '\t');
        if (fields.size() < 2 || fields[1].find('+') == std::string::npos)
            continue;
        const std::string name = fields[0].substr(fields[0].rfind('/') + 1);
        last.emplace_back(name, fields[1].substr(fields[1].rfind('+') + 1));
    }
    return last;
}

struct Judged {
    std::string Name;
    std::vector<FileJudgement> PerSubstance;
};

} // namespace

int RealDataFigures::Found() const
{
    int sum = 0;
    for (const auto &s : Substances)
        sum += s.Found;
    return sum;
}

int RealDataFigures::Files() const
{
    int sum = 0;
    for (const auto &s : Substances)
        sum += s.Files;
    return sum;
}

int RealDataFigures::Strangers() const
{
    int sum = 0;
    for (const auto &s : Substances)
        sum += s.Strangers;
    return sum;
}

int RealDataFigures::WorstTopStrangers() const
{
    int worst = 0;
    for (const auto &s : Substances)
        worst = std::max(worst, s.TopStrangers);
    return worst;
}

RealDataFigures MeasureRealData(const std::string &folder, const PeakRuleSettings &rule)
{
    const std::vector<Known> known = readKnownBands(folder);
    const auto lastSubstances = readLastSubstances(folder);
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder + "/spectra"))
        if (entry.is_regular_file())
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());

    const NumberSeparators english { '.', ',' };
    SearchSettings settings;
    settings.Tolerance = 10;
    settings.MaxMissing = 0;

    auto table = std::make_unique<SpectrumTableData>();
    auto peaks = std::make_unique<PeakListData>();
    auto strengths = std::make_unique<PeakStrengthData>();
    BadFileListData badFiles;
    RealDataFigures figures;
    std::vector<Judged> judged;
    std::chrono::steady_clock::duration spent {};
    for (const auto &name : names) {
        const std::string path = (folder + "/spectra/").append(name);
        const LoadResult load = LoadSpectrumFile(*table, badFiles, path, separatorsOf(path));
        ++figures.SpectrumFiles;
        Judged file { name, std::vector<FileJudgement>(known.size()) };
        if (load.WellFormed) {
            const auto start = std::chrono::steady_clock::now();
            FindPeaksByRule(*table, *peaks, rule, strengths.get());
            for (std::size_t s = 0; s < known.size(); ++s)
                JudgePeaks(*table, *peaks, known[s].Bands, settings, english, file.PerSubstance[s],
                    strengths.get());
            spent += std::chrono::steady_clock::now() - start;
            if (name.rfind("TiO2", 0) == 0) {
                for (int i = 1; i <= peaks->Count; ++i) {
                    const double x = table->Cell(peaks->Row(i), 1);
                    if (x > 414.24 - 5 && x < 414.24 + 5)
                        ++figures.SpikePeaks;
                }
            }
        }
        judged.push_back(std::move(file));
    }
    figures.Seconds = std::chrono::duration<double>(spent).count();

    for (std::size_t s = 0; s < known.size(); ++s) {
        SubstanceFigures f;
        f.Substance = known[s].Substance;
        f.Bands = known[s].Bands;
        const auto ofSubstance = [&](const std::string &name) {
            return std::find(known[s].Files.begin(), known[s].Files.end(), name)
                != known[s].Files.end();
        };
        // "TiO2 (anatase)" is "TiO2" in the manifest.
        const std::string shortName = f.Substance.substr(0, f.Substance.find(' '));
        const auto lastIsSubstance = [&](const std::string &name) {
            return std::find(lastSubstances.begin(), lastSubstances.end(),
                       std::make_pair(name, shortName))
                != lastSubstances.end();
        };
        std::vector<std::pair<double, bool>> scores; // score, not a stranger
        for (const auto &file : judged) {
            const bool own = ofSubstance(file.Name);
            const bool kin = own || lastIsSubstance(file.Name);
            const FileJudgement &j = file.PerSubstance[s];
            f.Files += own ? 1 : 0;
            if (j.Selected && own)
                ++f.Found;
            if (j.Selected && !kin) {
                ++f.Strangers;
                f.StrangerNames.push_back(file.Name);
            }
            scores.push_back({ j.Selected ? j.Score : -1, kin });
        }
        std::stable_sort(scores.begin(), scores.end(),
            [](const auto &a, const auto &b) { return a.first > b.first; });
        for (int k = 0; k < f.Files && k < static_cast<int>(scores.size()); ++k)
            f.TopStrangers += scores[static_cast<std::size_t>(k)].second ? 0 : 1;
        figures.Substances.push_back(f);
    }
    return figures;
}

std::string FindFullRealData(const std::string &sourceDirectory)
{
    std::vector<std::string> candidates;
    if (const char *set = std::getenv("PH_REALDATA"))
        candidates.emplace_back(set);
    candidates.push_back(sourceDirectory + "/../shared/realdata");
    candidates.push_back(sourceDirectory + "/../../shared/realdata");
    for (const auto &candidate : candidates) {
        std::error_code error;
        if (std::filesystem::exists(candidate + "/known_bands.tsv", error))
            return candidate;
    }
    return {};
}
