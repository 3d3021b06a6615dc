// peakhound-search --each on a WDF map of N spectra against the plain search of the same spectra
// as N single-spectrum WDF files, measured in the same run: the program is run as a child
// process (standard output to /dev/null) with the same peaks, tolerance and --jobs (the number
// of cores) and timed on the wall clock; its peak memory is its own maximum resident set as
// wait4 tells it. Rounds alternate the single files, the map and a run over one spectrum, so the
// load of a shared machine falls on all alike; times are the medians of the rounds.
//
// Reported for each N: spectra per second of the map and of the single files; vs_baseline, the
// map's rate over that of the single files (goal: 0.8 at least); the peak memory of the map run,
// of the single files and of a run over one spectrum, and excess_mb, that of the map less that of
// one spectrum (goal: 64 MB at most); vs_smallest_n, the map's rate over that of the map of the
// smallest N measured, which runs in the same rounds (goal: at least 0.85), and
// net_vs_smallest_n, the same for the rates beyond a map of 1000 spectra (half the smallest N
// when that is less), which pays the start of a run (goal: within 15 %); net_cpu_us and
// smallest_n_net_cpu_us, the CPU time (all threads) a spectrum beyond that map at N and at the
// smallest N, which the load of a shared machine does not change as it does the wall time. A
// summary with the goals follows.
//
// The files are generated once into PEAKHOUND_EACH_DIR (default /tmp/peakhound-bench-each) and
// reused; spectrum k is the same for every N, so the single files of a smaller N are the first
// of a larger one. Before the timed rounds, the report of every spectrum of the map is compared
// with the report of the single files: verdict, missing count, the found peaks and, in the map,
// each spectrum's stage position.
//
//     bench_each                                 N = 10000 and 100000, three rounds each
//     PEAKHOUND_EACH_SPECTRA=2000 bench_each     a quick run (a comma-separated list of N)
//     PEAKHOUND_EACH_ROUNDS=5 bench_each         more rounds
//     PEAKHOUND_SEARCH=path bench_each           another peakhound-search than the built one

#include "benchcommon.h"
#include "childrun.h"
#include "wdfwriter.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace
{

constexpr std::uint32_t kPoints = 1024;
constexpr int kMapColumns = 100; // spectra per map line; the map grows by lines
constexpr double kStep = 0.5; // stage step in micrometres
constexpr std::uint32_t kSeed = 20240611;
const std::vector<std::string> kPeaks = { "620", "1001", "1031", "1602" };
constexpr const char *kTolerance = "10";

std::string dataDir()
{
    return EnvOr("PEAKHOUND_EACH_DIR", "/tmp/peakhound-bench-each");
}

std::string searchBinary()
{
    return EnvOr("PEAKHOUND_SEARCH", PH_SEARCH_BINARY);
}

// ---- The spectra ----------------------------------------------------------------------------

// The instrument's x: Raman shift descending from 1850 to 150 1/cm, slightly non-linear.
std::vector<float> shifts()
{
    std::vector<float> x(kPoints);
    for (std::uint32_t i = 0; i < kPoints; ++i) {
        const double t = i / double(kPoints - 1);
        x[i] = static_cast<float>(1850.0 - 1700.0 * t + 40.0 * t * (1.0 - t));
    }
    return x;
}

double positionX(std::uint64_t k)
{
    return 100.0 + kStep * static_cast<double>(k % kMapColumns);
}

double positionY(std::uint64_t k)
{
    return -50.0 + kStep * static_cast<double>(k / kMapColumns);
}

std::uint32_t mix(std::uint64_t v)
{
    v ^= v >> 33;
    v *= 0xff51afd7ed558ccdULL;
    v ^= v >> 33;
    return static_cast<std::uint32_t>(v);
}

// How far inside a bead spectrum k lies: 1 at a bead's centre, 0 at its rim and outside. A bead
// of radius 4 to 7 steps sits at a jittered place in every cell of 20 x 20 steps.
double beadDepth(std::uint64_t k)
{
    const long column = static_cast<long>(k % kMapColumns);
    const long line = static_cast<long>(k / kMapColumns);
    const long cell = 20;
    const std::uint32_t h = mix((static_cast<std::uint64_t>(line / cell) << 32)
        ^ static_cast<std::uint64_t>(column / cell) ^ kSeed);
    const double cx = double(column / cell * cell) + 6 + (h & 7);
    const double cy = double(line / cell * cell) + 6 + ((h >> 3) & 7);
    const double radius = 4 + ((h >> 6) & 3);
    const double d = std::hypot(double(column) - cx, double(line) - cy) / radius;
    return d < 1 ? 1 - d * d : 0;
}

// Spectrum k: a sloped, slightly curved fluorescence background, the bands of the embedding
// medium everywhere, those of the bead material (620, 1001, 1031, 1583, 1602) inside a bead,
// shot noise and read noise.
void spectrum(std::uint64_t k, const std::vector<float> &x, float *y)
{
    std::mt19937 random(mix(k * 0x9E3779B97F4A7C15ULL + kSeed));
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::normal_distribution<double> gauss(0.0, 1.0);
    const double offset = 300 + 300 * uniform(random);
    const double slope = 0.15 + 0.15 * uniform(random);
    const double medium = 150 + 150 * uniform(random);
    const double depth = beadDepth(k);
    const double bead = depth > 0 ? 200 + 1400 * depth * (0.8 + 0.4 * uniform(random)) : 0;
    struct Band {
        double centre, halfWidth, height;
    };
    const Band bands[] = { { 478, 12, 0.6 * medium }, { 1085, 8, medium },
        { 1450, 15, 0.5 * medium }, { 620, 4, 0.25 * bead }, { 1001, 3.5, bead },
        { 1031, 4, 0.35 * bead }, { 1583, 5, 0.12 * bead }, { 1602, 6, 0.4 * bead } };
    for (std::uint32_t i = 0; i < kPoints; ++i) {
        const double s = x[i];
        double v = offset + slope * (s - 150) + 2e-5 * (s - 900) * (s - 900);
        for (const Band &b : bands) {
            if (b.height > 0) {
                const double d = (s - b.centre) / b.halfWidth;
                v += b.height / (1 + d * d);
            }
        }
        v += std::sqrt(v) * gauss(random) + 5 * gauss(random);
        y[i] = static_cast<float>(v);
    }
}

// ---- WDF files ------------------------------------------------------------------------------

// Spectra first .. first + count - 1 of the map with its positions, in one file.
WdfSpectra mapSpectra(const std::string &title, std::uint64_t first, std::uint64_t count)
{
    WdfSpectra spectra;
    spectra.Title = title;
    spectra.Shifts = shifts();
    spectra.First = first;
    spectra.Count = count;
    spectra.Intensities = [x = spectra.Shifts](std::uint64_t k, float *y) { spectrum(k, x, y); };
    spectra.X = positionX;
    spectra.Y = positionY;
    return spectra;
}

// The map: spectra 0 .. n-1 on lines of kMapColumns.
bool writeMap(const std::string &path, std::uint64_t n)
{
    return WriteWdf(path, mapSpectra("Bead map", 0, n));
}

// A thousand single files a folder.
std::string singleFolder(std::uint64_t k)
{
    char name[32];
    std::snprintf(name, sizeof name, "/single/%03llu", static_cast<unsigned long long>(k / 1000));
    return dataDir() + name;
}

std::string singleName(std::uint64_t k)
{
    char name[32];
    std::snprintf(name, sizeof name, "/spectrum_%06llu.wdf", static_cast<unsigned long long>(k));
    return singleFolder(k) + name;
}

bool writeSingle(std::uint64_t k)
{
    return WriteWdf(singleName(k), mapSpectra("Bead map " + std::to_string(k), k, 1));
}

// The map, the single files and their list for n spectra, generated where missing. The count of
// single files written so far is kept in single/count, written after them.
bool prepare(std::uint64_t n, std::string &map, std::string &list)
{
    const std::string dir = dataDir();
    ::mkdir(dir.c_str(), 0755);
    ::mkdir((dir + "/single").c_str(), 0755);
    map = dir + "/map-" + std::to_string(n) + ".wdf";
    list = dir + "/list-" + std::to_string(n) + ".txt";
    if (!FileExists(map) && !writeMap(map, n))
        return false;
    const std::string countFile = dir + "/single/count";
    unsigned long long have = 0;
    if (std::FILE *f = std::fopen(countFile.c_str(), "r")) {
        if (std::fscanf(f, "%llu", &have) != 1)
            have = 0;
        std::fclose(f);
    }
    if (have < n) {
        for (std::uint64_t k = have; k < n; ++k) {
            if (k % 1000 == 0)
                ::mkdir(singleFolder(k).c_str(), 0755);
            if (!writeSingle(k))
                return false;
        }
        const bool written = WriteFileWhole(
            countFile, [n](int fd) { return WriteAll(fd, std::to_string(n) + "\n"); });
        if (!written)
            return false;
    }
    return FileExists(list) || WriteFileWhole(list, [n](int fd) {
        std::string names;
        for (std::uint64_t k = 0; k < n; ++k)
            names += singleName(k) + "\n";
        return WriteAll(fd, names);
    });
}

// ---- Running peakhound-search ---------------------------------------------------------------

// Runs peakhound-search with the common options and the given arguments; standard output to
// /dev/null, or captured. It is started through a fresh copy of this program, so that its peak
// memory is its own: a child spawned from here would begin on the memory of this process, which
// holds the reports of every spectrum.
ChildRun runSearch(const std::vector<std::string> &arguments, bool capture = false)
{
    std::vector<std::string> words = { searchBinary(), "--jobs", std::to_string(Jobs()),
        "--tolerance", kTolerance };
    for (const auto &peak : kPeaks) {
        words.push_back("--peak");
        words.push_back(peak);
    }
    words.insert(words.end(), arguments.begin(), arguments.end());
    return RunChild(words, capture ? ChildOutput::Capture : ChildOutput::Discard, ChildMemory::Own);
}

std::vector<std::string> lines(const std::string &text)
{
    std::vector<std::string> result;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

// The report of every spectrum of the map against the report of the single files: the same
// verdict for every spectrum, the map's rows in order with their stage positions. Empty when
// they agree, else what differs; selected counts the selected spectra.
std::string compareReports(
    std::uint64_t n, const std::string &mapReport, const std::string &singleReport, long &selected)
{
    const std::vector<std::string> mapRows = lines(mapReport);
    const std::vector<std::string> singleRows = lines(singleReport);
    if (mapRows.size() != n + 1 || singleRows.size() != n + 1)
        return "report rows: map " + std::to_string(mapRows.size()) + ", single files "
            + std::to_string(singleRows.size()) + ", expected " + std::to_string(n + 1);
    // The map's rows: file, number, verdict, missing, a column per peak, name, X, Y; those of
    // the single files: file, verdict, missing, a column per peak.
    const std::size_t columns = 4 + kPeaks.size() + 3;
    selected = 0;
    for (std::uint64_t k = 0; k < n; ++k) {
        const std::vector<std::string> m = SplitTabs(mapRows[k + 1]);
        const std::vector<std::string> s = SplitTabs(singleRows[k + 1]);
        const std::string at = "spectrum " + std::to_string(k) + ": ";
        if (m.size() != columns || s.size() != 3 + kPeaks.size())
            return at + "row of " + std::to_string(m.size()) + " cells in the map's report, of "
                + std::to_string(s.size()) + " in that of the single files";
        if (m[1] != std::to_string(k + 1) || s[0] != singleName(k))
            return at + "out of order";
        for (std::size_t c = 1; c < s.size(); ++c)
            if (m[c + 1] != s[c])
                return at + "map says '" + m[c + 1] + "', single file '" + s[c] + "'";
        const double x = std::atof(m[columns - 2].c_str());
        const double y = std::atof(m[columns - 1].c_str());
        if (m[columns - 2].empty() || m[columns - 1].empty() || std::fabs(x - positionX(k)) > 1e-9
            || std::fabs(y - positionY(k)) > 1e-9)
            return at + "stage position '" + m[columns - 2] + "', '" + m[columns - 1] + "'";
        selected += m[2] == "ja" ? 1 : 0;
    }
    if (selected == 0 || selected == static_cast<long>(n))
        return "every spectrum has the same verdict (" + std::to_string(selected) + " selected)";
    return {};
}

struct Figures {
    double mapRate = 0;
    double singleRate = 0;
    double ratio = 0;
    double mapMb = 0;
    double singleMb = 0;
    double oneMb = 0;
    // The map's rate over that of the smallest map, run in the same rounds (0 for the smallest):
    // raw, and net, the rates beyond a small map that pays the start of a run (its tables,
    // its queue filled once).
    double linearity = 0;
    double netLinearity = 0;
    std::uint64_t startSpectra = 0;
    // CPU time a spectrum beyond the small map, at N and at the smallest N: what other work on
    // the machine does not add to.
    double cpuPerSpectrum = 0;
    double smallestCpuPerSpectrum = 0;
};
std::map<std::uint64_t, Figures> &figures()
{
    static std::map<std::uint64_t, Figures> instance;
    return instance;
}

// smallest: the smallest N measured, whose map runs in the same rounds for the linearity, with
// a map of 1000 spectra (half the smallest N when that is less) for the start of a run; 0 when n
// is the smallest.
void BM_EachMapVsSingleFiles(
    benchmark::State &state, std::uint64_t n, std::uint64_t smallest, int rounds)
{
    const std::uint64_t start =
        std::max<std::uint64_t>(1, std::min<std::uint64_t>(1000, smallest / 2));
    std::string map, list, smallMap, startMap, unused;
    if (!prepare(n, map, list)
        || (smallest > start
            && (!prepare(smallest, smallMap, unused) || !prepare(start, startMap, unused)))) {
        state.SkipWithError("the spectra could not be written");
        return;
    }
    const bool linearity = !smallMap.empty();
    for (auto _ : state) {
        // The check reads every file once, which also brings them into the page cache.
        const ChildRun mapReport = runSearch({ "--each", "--report", map }, true);
        const ChildRun singleReport = runSearch({ "--report", "--files-from", list }, true);
        long selected = 0;
        const std::string mismatch = mapReport.Ok && singleReport.Ok
            ? compareReports(n, mapReport.Out, singleReport.Out, selected)
            : "peakhound-search failed";
        if (!mismatch.empty()) {
            std::fprintf(stderr, "bench_each: N=%llu: %s\n", static_cast<unsigned long long>(n),
                mismatch.c_str());
            state.SkipWithError("the map and the single files are judged differently");
            return;
        }
        state.counters["selected"] = static_cast<double>(selected);
        std::vector<double> mapTimes, singleTimes, ratios, linear, netLinear, cpu, smallestCpu;
        Figures f;
        for (int r = 0; r < rounds; ++r) {
            const ChildRun single = runSearch({ "--files-from", list });
            const ChildRun each = runSearch({ "--each", map });
            const ChildRun one = runSearch({ "--each", singleName(0) });
            ChildRun small, first;
            small.Ok = first.Ok = true;
            if (linearity) {
                small = runSearch({ "--each", smallMap });
                first = runSearch({ "--each", startMap });
            }
            if (!single.Ok || !each.Ok || !one.Ok || !small.Ok || !first.Ok) {
                state.SkipWithError("peakhound-search failed");
                return;
            }
            singleTimes.push_back(single.Seconds);
            mapTimes.push_back(each.Seconds);
            ratios.push_back(single.Seconds / each.Seconds);
            f.mapMb = std::max(f.mapMb, each.PeakMb);
            f.singleMb = std::max(f.singleMb, single.PeakMb);
            f.oneMb = std::max(f.oneMb, one.PeakMb);
            if (linearity) {
                const auto spectra = [](std::uint64_t count) { return static_cast<double>(count); };
                linear.push_back(spectra(n) / each.Seconds / (spectra(smallest) / small.Seconds));
                netLinear.push_back(spectra(n - start) / (each.Seconds - first.Seconds)
                    / (spectra(smallest - start) / (small.Seconds - first.Seconds)));
                cpu.push_back((each.CpuSeconds - first.CpuSeconds) / spectra(n - start));
                smallestCpu.push_back(
                    (small.CpuSeconds - first.CpuSeconds) / spectra(smallest - start));
            }
        }
        const double mapSeconds = Median(mapTimes);
        state.SetIterationTime(mapSeconds);
        f.mapRate = static_cast<double>(n) / mapSeconds;
        f.singleRate = static_cast<double>(n) / Median(singleTimes);
        f.ratio = Median(ratios);
        if (linearity) {
            f.linearity = Median(linear);
            f.netLinearity = Median(netLinear);
            f.startSpectra = start;
            f.cpuPerSpectrum = Median(cpu);
            f.smallestCpuPerSpectrum = Median(smallestCpu);
        }
        figures()[n] = f;
    }
    const Figures &f = figures()[n];
    state.counters["spectra_per_s"] = f.mapRate;
    state.counters["baseline_spectra_per_s"] = f.singleRate;
    state.counters["vs_baseline"] = f.ratio;
    state.counters["map_peak_mb"] = f.mapMb;
    state.counters["baseline_peak_mb"] = f.singleMb;
    state.counters["one_spectrum_peak_mb"] = f.oneMb;
    state.counters["excess_mb"] = f.mapMb - f.oneMb;
    if (f.linearity > 0) {
        state.counters["vs_smallest_n"] = f.linearity;
        state.counters["net_vs_smallest_n"] = f.netLinearity;
        state.counters["net_cpu_us"] = f.cpuPerSpectrum * 1e6;
        state.counters["smallest_n_net_cpu_us"] = f.smallestCpuPerSpectrum * 1e6;
    }
}

const char *verdict(bool met)
{
    return met ? "met" : "MISSED";
}

void printSummary()
{
    if (figures().empty())
        return;
    std::printf(
        "\npeakhound-search --each on a map against the single files (--jobs %d):\n", Jobs());
    for (const auto &[n, f] : figures()) {
        if (f.mapRate <= 0)
            continue;
        std::printf("  N=%-7llu map %.0f spectra/s, single files %.0f spectra/s: "
                    "ratio %.2f (goal >= 0.80) %s\n",
            static_cast<unsigned long long>(n), f.mapRate, f.singleRate, f.ratio,
            verdict(f.ratio >= 0.8));
        std::printf("            peak RSS: map %.1f MB, one spectrum %.1f MB, single files %.1f "
                    "MB; excess %.1f MB (goal <= 64) %s\n",
            f.mapMb, f.oneMb, f.singleMb, f.mapMb - f.oneMb, verdict(f.mapMb - f.oneMb <= 64));
        if (f.linearity > 0)
            // Linear: no spectrum costs more in a larger map. A higher rate there only shows the
            // start of a run spread over more spectra.
            std::printf("            map rate %.2f of that at N=%llu in the same rounds (goal: "
                        "at least 0.85) %s; beyond a map of %llu spectra %.2f (goal: within "
                        "15 %%) %s\n",
                f.linearity, static_cast<unsigned long long>(figures().begin()->first),
                verdict(f.linearity >= 0.85), static_cast<unsigned long long>(f.startSpectra),
                f.netLinearity, verdict(std::fabs(f.netLinearity - 1) <= 0.15));
        if (f.cpuPerSpectrum > 0)
            std::printf("            CPU time a spectrum beyond that map: %.1f us at N=%llu, "
                        "%.1f us at N=%llu\n",
                f.smallestCpuPerSpectrum * 1e6,
                static_cast<unsigned long long>(figures().begin()->first), f.cpuPerSpectrum * 1e6,
                static_cast<unsigned long long>(n));
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (const int launched = RunChildLauncher(argc, argv); launched >= 0)
        return launched;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const int rounds = EnvCount("PEAKHOUND_EACH_ROUNDS", 3);
    RegisterPerCount("BM_EachMapVsSingleFiles",
        SortedCounts(EnvOr("PEAKHOUND_EACH_SPECTRA", "10000,100000")),
        [rounds](benchmark::State &state, std::uint64_t n, std::uint64_t smallest) {
            BM_EachMapVsSingleFiles(state, n, smallest, rounds);
        });
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary();
    return 0;
}
