// peakhound-search --like: 400 query spectra identified against a library of 2000 files in one
// run, against the plain search of the same 2000 files (--rule sensitive --peak 1001), measured
// in the same run. The program is run as a child process (standard output to /dev/null, or a
// pipe for the check) with the same --jobs (the number of cores) and timed on the wall clock;
// rounds alternate the two runs, so the load of a shared machine falls on both alike, and the
// figures are the medians of the rounds.
//
// The files are made from the real spectra of tests/data/library (each file's last spectrum),
// written in the program's own layout: library file k is spectrum k modulo their count, scaled
// by 0.8 to 1.2 with noise of 1 % of its largest value; query q is spectrum q modulo their count
// with noise of its own. They are generated into PEAKHOUND_LIKE_DIR (default
// /tmp/peakhound-bench-like) once and reused.
//
// Reported: like_s and plain_s, the medians of the two runs; x_plain, the --like run's time over
// that of the plain search (goal: at most 3); top1, the share of queries whose first library
// file comes from a spectrum of the same substance (the word before the first '_' of the
// reference file's name).
//
//     bench_like                                 three rounds
//     PEAKHOUND_LIKE_ROUNDS=7 bench_like         more rounds
//     PEAKHOUND_SEARCH=path bench_like           another peakhound-search than the built one

#include "benchcommon.h"
#include "childrun.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace
{

constexpr int kEntries = 2000;
constexpr int kQueries = 400;

std::string dataDir()
{
    return EnvOr("PEAKHOUND_LIKE_DIR", "/tmp/peakhound-bench-like");
}

struct Reference {
    std::string substance;
    std::vector<double> x;
    std::vector<double> y;
    double top = 0;
};

// The last spectrum of each file of the reference folder (the program's own layout: three
// header lines, then x and the spectra by tabs, either decimal mark), in the order of their
// names.
std::vector<Reference> readReferences()
{
    std::vector<std::string> names;
    if (DIR *dir = ::opendir(PH_LIBRARY_DIR)) {
        while (const dirent *e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".txt") == 0)
                names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::vector<Reference> references;
    for (const std::string &name : names) {
        std::ifstream in(std::string(PH_LIBRARY_DIR) + "/" + name);
        Reference r;
        r.substance = name.substr(0, name.find('_'));
        std::string line;
        for (int k = 0; k < 3 && std::getline(in, line); ++k) { }
        while (std::getline(in, line)) {
            // Either decimal mark: the fields are apart by tabs.
            std::replace(line.begin(), line.end(), ',', '.');
            const char *p = line.c_str();
            char *end = nullptr;
            const double x = std::strtod(p, &end);
            if (end == p)
                continue;
            double y = 0;
            for (p = end; *p != '\0';) {
                const double value = std::strtod(p, &end);
                if (end == p)
                    break;
                y = value;
                p = end;
            }
            r.x.push_back(x);
            r.y.push_back(y);
            r.top = std::max(r.top, std::fabs(y));
        }
        if (r.x.size() >= 3)
            references.push_back(std::move(r));
    }
    return references;
}

bool writeCopy(const std::string &path, const Reference &r, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> scale(0.8, 1.2);
    std::normal_distribution<double> noise(0.0, 0.01 * r.top);
    const double s = scale(random);
    std::string text = "Bench copy of a " + r.substance
        + " spectrum\nx-data = Raman shift [1/cm] y-data = Intensity [counts]\nShift\t"
        + r.substance + "\n";
    char field[64];
    for (std::size_t k = 0; k < r.x.size(); ++k) {
        std::snprintf(field, sizeof field, "%.6g\t%.6g\n", r.x[k], s * r.y[k] + noise(random));
        text += field;
    }
    std::ofstream out(path + ".new");
    out << text;
    out.close();
    return out && std::rename((path + ".new").c_str(), path.c_str()) == 0;
}

std::string entryName(int k)
{
    return dataDir() + "/library/entry_" + std::to_string(k) + ".txt";
}

std::string queryName(int q)
{
    return dataDir() + "/queries/query_" + std::to_string(q) + ".txt";
}

// The library, the queries and the library's name list, generated where missing; the
// substance of every query's and entry's reference.
bool prepare(std::string &list, std::vector<std::string> &entrySubstance,
    std::vector<std::string> &querySubstance)
{
    const std::vector<Reference> references = readReferences();
    if (references.empty())
        return false;
    const std::string dir = dataDir();
    ::mkdir(dir.c_str(), 0755);
    ::mkdir((dir + "/library").c_str(), 0755);
    ::mkdir((dir + "/queries").c_str(), 0755);
    list = dir + "/library.txt";
    std::string names;
    for (int k = 0; k < kEntries; ++k) {
        const Reference &r = references[static_cast<std::size_t>(k) % references.size()];
        entrySubstance.push_back(r.substance);
        if (!FileExists(entryName(k))
            && !writeCopy(entryName(k), r, 1000u + static_cast<std::uint32_t>(k)))
            return false;
        names += entryName(k) + "\n";
    }
    for (int q = 0; q < kQueries; ++q) {
        const Reference &r = references[static_cast<std::size_t>(q) % references.size()];
        querySubstance.push_back(r.substance);
        if (!FileExists(queryName(q))
            && !writeCopy(queryName(q), r, 900000u + static_cast<std::uint32_t>(q)))
            return false;
    }
    std::ofstream out(list);
    out << names;
    return static_cast<bool>(out);
}

// Runs peakhound-search with --jobs and the given arguments; standard output to /dev/null, or
// captured.
ChildRun runSearch(const std::vector<std::string> &arguments, bool capture)
{
    std::vector<std::string> words = { EnvOr("PEAKHOUND_SEARCH", PH_SEARCH_BINARY), "--jobs",
        std::to_string(Jobs()) };
    words.insert(words.end(), arguments.begin(), arguments.end());
    return RunChild(words, capture ? ChildOutput::Capture : ChildOutput::Discard);
}

// The share of queries whose rank 1 names an entry of their substance.
double topOneShare(const std::string &out, const std::vector<std::string> &entrySubstance,
    const std::vector<std::string> &querySubstance)
{
    int right = 0;
    std::stringstream in(out);
    for (std::string line; std::getline(in, line);) {
        const std::vector<std::string> cells = SplitTabs(line);
        if (cells.size() != 4 || cells[1] != "1")
            continue;
        const auto number = [](const std::string &name) {
            const auto at = name.rfind('_');
            return std::atoi(name.c_str() + at + 1);
        };
        const auto q = static_cast<std::size_t>(number(cells[0]));
        const auto e = static_cast<std::size_t>(number(cells[2]));
        if (q < querySubstance.size() && e < entrySubstance.size()
            && querySubstance[q] == entrySubstance[e])
            ++right;
    }
    return static_cast<double>(right) / kQueries;
}

struct Figures {
    double like = 0;
    double plain = 0;
    double ratio = 0;
    double top1 = 0;
};
Figures &figures()
{
    static Figures instance;
    return instance;
}

void BM_LikeVsPlainSearch(benchmark::State &state, int rounds)
{
    std::string list;
    std::vector<std::string> entrySubstance, querySubstance;
    if (!prepare(list, entrySubstance, querySubstance)) {
        state.SkipWithError("the spectra could not be written");
        return;
    }
    std::vector<std::string> like;
    for (int q = 0; q < kQueries; ++q) {
        like.push_back("--like");
        like.push_back(queryName(q));
    }
    like.insert(like.end(), { "--files-from", list });
    const std::vector<std::string> plain = { "--rule", "sensitive", "--peak", "1001",
        "--files-from", list };
    for (auto _ : state) {
        // The check reads every file once, which also brings them into the page cache.
        const ChildRun checked = runSearch(like, true);
        if (!checked.Ok || !runSearch(plain, false).Ok) {
            state.SkipWithError("peakhound-search failed");
            return;
        }
        Figures &f = figures();
        f.top1 = topOneShare(checked.Out, entrySubstance, querySubstance);
        std::vector<double> likeTimes, plainTimes, ratios;
        for (int r = 0; r < rounds; ++r) {
            const ChildRun p = runSearch(plain, false);
            const ChildRun l = runSearch(like, false);
            if (!p.Ok || !l.Ok) {
                state.SkipWithError("peakhound-search failed");
                return;
            }
            plainTimes.push_back(p.Seconds);
            likeTimes.push_back(l.Seconds);
            ratios.push_back(l.Seconds / p.Seconds);
        }
        f.like = Median(likeTimes);
        f.plain = Median(plainTimes);
        f.ratio = Median(ratios);
        state.SetIterationTime(f.like);
    }
    const Figures &f = figures();
    state.counters["like_s"] = f.like;
    state.counters["plain_s"] = f.plain;
    state.counters["x_plain"] = f.ratio;
    state.counters["top1"] = f.top1;
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const int rounds = EnvCount("PEAKHOUND_LIKE_ROUNDS", 3);
    benchmark::RegisterBenchmark("BM_LikeVsPlainSearch", BM_LikeVsPlainSearch, rounds)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const Figures &f = figures();
    if (f.plain > 0)
        std::printf("\npeakhound-search --like, %d queries against %d files (--jobs %d): %.3f s; "
                    "plain search of the files %.3f s; ratio %.2f (goal <= 3) %s; top-1 %.3f\n",
            kQueries, kEntries, Jobs(), f.like, f.plain, f.ratio, f.ratio <= 3 ? "met" : "MISSED",
            f.top1);
    return 0;
}
