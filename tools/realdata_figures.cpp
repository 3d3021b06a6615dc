// realdata-figures: how both peak rules do on a folder of real spectra (known_bands.tsv and
// spectra/): per substance the files found, the other substances' files selected, and how many
// of those rank among the best-scored files; then the cosmic spike check and the speed.
//   realdata-figures [FOLDER] [--from X]

#include "exceptions.h"
#include "realdataeval.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{

void print(const char *title, const RealDataFigures &f)
{
    std::printf("%s\n", title);
    std::printf(
        "  %-16s %6s %6s %9s %12s\n", "substance", "files", "found", "strangers", "top strangers");
    for (const auto &s : f.Substances)
        std::printf("  %-16s %6d %6d %9d %12d\n", s.Substance.c_str(), s.Files, s.Found,
            s.Strangers, s.TopStrangers);
    for (const auto &s : f.Substances)
        for (const auto &name : s.StrangerNames)
            std::printf("    %s selects %s\n", s.Substance.c_str(), name.c_str());
    std::printf("  %-16s %6d %6d %9d %12d (worst)\n", "all", f.Files(), f.Found(), f.Strangers(),
        f.WorstTopStrangers());
    std::printf("  peaks near the TiO2 spike at 414.24: %d\n", f.SpikePeaks);
    std::printf("  peak finding and judgement: %.1f ms for %d files (%.0f files/s)\n\n",
        f.Seconds * 1000, f.SpectrumFiles, f.Seconds > 0 ? f.SpectrumFiles / f.Seconds : 0.0);
}

} // namespace

int main(int argc, char **argv)
{
    std::string folder = FindFullRealData(PH_SOURCE_DIR);
    PeakRuleSettings sensitive;
    sensitive.Rule = PeakRule::Sensitive;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--from" && i + 1 < argc)
            sensitive.From = std::atof(argv[++i]);
        else
            folder = argument;
    }
    if (folder.empty()) {
        std::fprintf(stderr, "realdata-figures: no folder given and none beside the checkout\n");
        return 2;
    }
    try {
        print("Standard", MeasureRealData(folder, PeakRuleSettings {}));
        print("Empfindlich", MeasureRealData(folder, sensitive));
    } catch (const Exception &error) {
        std::fprintf(stderr, "realdata-figures: %s: %s\n", folder.c_str(), error.what());
        return 1;
    }
    return 0;
}
