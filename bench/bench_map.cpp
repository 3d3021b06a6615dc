// peakhound-search --each --rule sensitive on WDF maps of N spectra of 1024 points (default N =
// 10^4, 10^5 and 10^6), against the floor of reading the same file's bytes, measured in the same
// run. Each map is a field of mineral grains: every spectrum is one of the real spectra of
// tests/data/realdata (calcite, polystyrene, silicon, titanium dioxide; two grains blend at their
// border), resampled onto the map's 1024 shifts, scaled, set on a sloping fluorescence background
// and given shot noise, read noise and now and then a cosmic ray. Spectrum k is the same in every
// map, so a smaller map is the start of a larger one.
//
// The search runs as a child process (standard output to /dev/null) with --jobs the number of
// cores and --peak 1001 --peak 1602 (polystyrene), writing the map's hit map with --hit-map into
// hit-maps/ beside the maps; timed on the wall clock, its CPU time (all threads, the picture's
// program included) and peak memory (the largest resident set of the two) as wait4 gives them. The
// floor reads the map's bytes with plain read calls into one buffer. Rounds alternate the floor,
// the map, the smallest map and a map of 1000 spectra (the start of a run), so the load of a shared
// machine falls on all alike; times are the medians of the rounds.
//
// Reported for each N: spectra_per_s; vs_baseline, the floor's time over the search's (the
// share of the run that reading the bytes would take; x_floor is its inverse); peak_mb;
// cpu_us, CPU time a spectrum; vs_smallest_n, the rate over that of the smallest map in the same
// rounds, and net_vs_smallest_n, the same beyond the map of 1000 spectra (linear: 1). The
// summary holds the goal: 10^6 spectra in at most 10 s and 512 MB.
//
//     bench_map                                    N = 10^4, 10^5, 10^6; three rounds
//     PEAKHOUND_MAP_SPECTRA=20000,200000 bench_map  other sizes
//     PEAKHOUND_MAP_ROUNDS=5 bench_map              more rounds
//     PEAKHOUND_MAP_RULE=standard bench_map         the fixed rule
//     PEAKHOUND_MAP_DIR=/data/maps bench_map        where the maps are written (default
//                                                  /tmp/peakhound-bench-map; 10^6 spectra take
//                                                  4.1 GB) and kept for later runs
//     PEAKHOUND_SEARCH=path bench_map              another peakhound-search than the built one
//     bench_map --write-map N PATH                 only write a map of N spectra to PATH

#include "benchcommon.h"
#include "childrun.h"
#include "wdfwriter.h"

#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{

constexpr std::uint32_t kPoints = 1024;
constexpr std::uint64_t kMapColumns = 1000; // spectra per map line; the map grows by lines
constexpr double kStep = 0.5; // stage step in micrometres
constexpr std::uint64_t kSeed = 0x5EED2024ULL;
constexpr double kFirstShift = 1850; // the shifts fall from here
constexpr double kLastShift = 150; // to here
constexpr std::uint64_t kStartSpectra = 1000; // the map that measures the start of a run
constexpr double kGoalSeconds = 10; // at 10^6 spectra
constexpr double kGoalMb = 512;

std::string dataDir()
{
    return EnvOr("PEAKHOUND_MAP_DIR", "/tmp/peakhound-bench-map");
}

std::string searchBinary()
{
    return EnvOr("PEAKHOUND_SEARCH", PH_SEARCH_BINARY);
}

std::string rule()
{
    return EnvOr("PEAKHOUND_MAP_RULE", "sensitive");
}

// ---- The spectra ----------------------------------------------------------------------------

std::uint64_t mix(std::uint64_t v)
{
    v += 0x9E3779B97F4A7C15ULL;
    v = (v ^ (v >> 30)) * 0xBF58476D1CE4E5B9ULL;
    v = (v ^ (v >> 27)) * 0x94D049BB133111EBULL;
    return v ^ (v >> 31);
}

double unit(std::uint64_t bits)
{
    return static_cast<double>(bits >> 11) * 0x1.0p-53;
}

// The map's shifts, falling from kFirstShift to kLastShift, slightly non-linear as a grating's.
std::vector<double> shifts()
{
    std::vector<double> x(kPoints);
    for (std::uint32_t i = 0; i < kPoints; ++i) {
        const double t = i / double(kPoints - 1);
        x[i] = kFirstShift - (kFirstShift - kLastShift) * t + 30.0 * t * (1.0 - t);
    }
    return x;
}

// A real spectrum resampled onto the map's shifts, from 0 (its lowest) to 1 (its highest).
using Shape = std::array<double, kPoints>;

// Reads a spectrum file of the program's layout (three header lines, then "x<TAB>y" lines with
// a decimal point or comma) into x and y, rising in x.
bool readSpectrum(const std::string &path, std::vector<std::pair<double, double>> &points)
{
    std::ifstream in(path);
    std::string line;
    for (int header = 0; header < 3; ++header)
        if (!std::getline(in, line))
            return false;
    points.clear();
    while (std::getline(in, line)) {
        std::replace(line.begin(), line.end(), ',', '.');
        char *end = nullptr;
        const double x = std::strtod(line.c_str(), &end);
        if (end == line.c_str() || *end != '\t')
            continue;
        const double y = std::strtod(end + 1, nullptr);
        points.emplace_back(x, y);
    }
    std::sort(points.begin(), points.end());
    return points.size() >= 2;
}

Shape resample(const std::vector<std::pair<double, double>> &points, const std::vector<double> &x)
{
    Shape shape {};
    for (std::uint32_t i = 0; i < kPoints; ++i) {
        const auto above = std::lower_bound(points.begin(), points.end(),
            std::make_pair(x[i], -HUGE_VAL)); // the first point at or above x[i]
        if (above == points.begin())
            shape[i] = above->second;
        else if (above == points.end())
            shape[i] = points.back().second;
        else {
            const auto below = above - 1;
            const double t = (x[i] - below->first) / (above->first - below->first);
            shape[i] = below->second + t * (above->second - below->second);
        }
    }
    const auto [low, high] = std::minmax_element(shape.begin(), shape.end());
    const double lowest = *low;
    const double span = *high > lowest ? *high - lowest : 1;
    for (double &v : shape)
        v = (v - lowest) / span;
    return shape;
}

// The real spectra of minerals and plastics (the neon lamp is no sample), sorted by name.
std::vector<Shape> realShapes(const std::vector<double> &x)
{
    const std::string folder = PH_REALDATA_DIR;
    std::vector<std::string> names;
    if (DIR *dir = ::opendir(folder.c_str())) {
        while (const dirent *entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".txt") == 0
                && name.compare(0, 4, "Neon") != 0)
                names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::vector<Shape> shapes;
    std::vector<std::pair<double, double>> points;
    for (const std::string &name : names)
        if (readSpectrum(folder + "/" + name, points))
            shapes.push_back(resample(points, x));
    return shapes;
}

double positionX(std::uint64_t k)
{
    return kStep * static_cast<double>(k % kMapColumns);
}

double positionY(std::uint64_t k)
{
    return kStep * static_cast<double>(k / kMapColumns);
}

// The grains: one a cell of 40 x 40 steps, around a jittered centre; a spectrum belongs to the
// nearest centre, and blends with the second nearest where both are nearly as near.
struct Grain {
    std::uint64_t id = 0;
    double distance = HUGE_VAL;
};

std::pair<Grain, Grain> nearestGrains(std::uint64_t k)
{
    constexpr long kCell = 40;
    const long column = static_cast<long>(k % kMapColumns);
    const long line = static_cast<long>(k / kMapColumns);
    Grain first;
    Grain second;
    for (long dy = -1; dy <= 1; ++dy)
        for (long dx = -1; dx <= 1; ++dx) {
            const long cx = column / kCell + dx;
            const long cy = line / kCell + dy;
            const std::uint64_t id = mix((static_cast<std::uint64_t>(cy + 2) << 32)
                ^ static_cast<std::uint64_t>(cx + 2) ^ kSeed);
            const double gx = double(cx * kCell) + unit(id) * kCell;
            const double gy = double(cy * kCell) + unit(mix(id)) * kCell;
            const Grain grain { id, std::hypot(double(column) - gx, double(line) - gy) };
            if (grain.distance < first.distance) {
                second = first;
                first = grain;
            } else if (grain.distance < second.distance) {
                second = grain;
            }
        }
    return { first, second };
}

// Standard normal deviates, drawn from a table by random bits: fast enough for 10^9 points.
const std::vector<double> &gaussians()
{
    static const std::vector<double> table = [] {
        std::mt19937_64 random(kSeed);
        std::normal_distribution<double> normal(0.0, 1.0);
        std::vector<double> values(1 << 16);
        for (double &v : values)
            v = normal(random);
        return values;
    }();
    return table;
}

// Spectrum k of the map.
void spectrum(
    std::uint64_t k, const std::vector<double> &x, const std::vector<Shape> &shapes, float *y)
{
    const auto [first, second] = nearestGrains(k);
    const Shape &a = shapes[first.id % shapes.size()];
    const Shape &b = shapes[second.id % shapes.size()];
    // Within two steps of the border the two grains blend.
    const double share = std::clamp(0.5 + (second.distance - first.distance) / 4, 0.5, 1.0);
    std::uint64_t state = mix(k ^ kSeed);
    const auto next = [&state] { return state = mix(state); };
    const double amplitude = 300 + 3000 * unit(mix(first.id + 1)) * (0.8 + 0.4 * unit(next()));
    const double offset = 200 + 400 * unit(next());
    const double slope = 0.1 + 0.3 * unit(next());
    const std::vector<double> &normal = gaussians();
    for (std::uint32_t i = 0; i < kPoints; ++i) {
        const double background = offset + slope * (x[i] - kLastShift);
        double v = background + amplitude * (share * a[i] + (1 - share) * b[i]);
        const std::uint64_t bits = next();
        v += std::sqrt(v) * normal[bits & 0xFFFF] + 4 * normal[(bits >> 16) & 0xFFFF];
        y[i] = static_cast<float>(v);
    }
    // A cosmic ray on one or two pixels of every 50th spectrum or so.
    const std::uint64_t ray = next();
    if (ray % 50 == 0) {
        const std::size_t at = (ray >> 8) % (kPoints - 1);
        const float height = static_cast<float>(2000 + 8000 * unit(next()));
        y[at] += height;
        y[at + 1] += height / 3;
    }
}

// ---- The maps -------------------------------------------------------------------------------

// Writes the map of n spectra to path.
bool writeMap(const std::string &path, std::uint64_t n)
{
    const std::vector<double> x = shifts();
    const std::vector<Shape> shapes = realShapes(x);
    if (shapes.empty()) {
        std::fprintf(stderr, "bench_map: no real spectra in %s\n", PH_REALDATA_DIR);
        return false;
    }
    WdfSpectra spectra;
    spectra.Title = "Grain map";
    spectra.Shifts.assign(x.begin(), x.end());
    spectra.Count = n;
    spectra.Intensities = [&x, &shapes](std::uint64_t k, float *y) { spectrum(k, x, shapes, y); };
    spectra.X = positionX;
    spectra.Y = positionY;
    return WriteWdf(path, spectra);
}

// The map of n spectra, written when missing.
bool prepare(std::uint64_t n, std::string &map)
{
    const std::string dir = dataDir();
    ::mkdir(dir.c_str(), 0755);
    map = dir + "/map-" + std::to_string(n) + ".wdf";
    return FileExists(map) || writeMap(map, n);
}

// ---- Measuring ------------------------------------------------------------------------------

// peakhound-search --each over the map, its output to /dev/null. It is started through a fresh
// copy of this program, so that its peak memory is its own.
ChildRun runSearch(const std::string &map)
{
    // The hit map of every map is written as well, beside the maps.
    static const std::string pictures = [] {
        const std::string folder = dataDir() + "/hit-maps";
        ::mkdir(folder.c_str(), 0755);
        return folder;
    }();
    const ChildRun run =
        RunChild({ searchBinary(), "--each", "--rule", rule(), "--jobs", std::to_string(Jobs()),
                     "--peak", "1001", "--peak", "1602", "--hit-map", pictures, map },
            ChildOutput::Discard, ChildMemory::Own);
    if (!run.Ok)
        std::fprintf(stderr, "bench_map: the search of %s failed\n", map.c_str());
    return run;
}

// The floor: the file's bytes read with plain read calls into one buffer of 1 MiB, on the wall
// clock; negative when it cannot be read.
double readSeconds(const std::string &path)
{
    static std::vector<char> buffer(std::size_t { 1 } << 20);
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    std::uint64_t total = 0;
    for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return -1;
        }
        total += static_cast<std::uint64_t>(n);
    }
    ::close(fd);
    benchmark::DoNotOptimize(total);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count();
}

struct Figures {
    double seconds = 0;
    double rate = 0;
    double floorSeconds = 0;
    double peakMb = 0;
    double cpuPerSpectrum = 0;
    double linearity = 0; // the rate over that of the smallest map, 0 for the smallest
    double netLinearity = 0; // the same beyond the map of kStartSpectra
};

std::map<std::uint64_t, Figures> &figures()
{
    static std::map<std::uint64_t, Figures> instance;
    return instance;
}

void BM_EachMap(benchmark::State &state, std::uint64_t n, std::uint64_t smallest, int rounds)
{
    const std::uint64_t start = std::min(kStartSpectra, std::max<std::uint64_t>(1, smallest / 2));
    std::string map, smallMap, startMap;
    if (!prepare(n, map)
        || (smallest > 0 && (!prepare(smallest, smallMap) || !prepare(start, startMap)))) {
        state.SkipWithError("the map could not be written");
        return;
    }
    const bool linearity = !smallMap.empty();
    Figures f;
    for (auto _ : state) {
        // Once untimed, which also brings the maps into the page cache.
        if (!runSearch(map).Ok) {
            state.SkipWithError("peakhound-search failed");
            return;
        }
        std::vector<double> times, floors, cpu, linear, netLinear;
        for (int r = 0; r < rounds; ++r) {
            const double floor = readSeconds(map);
            const ChildRun each = runSearch(map);
            ChildRun small, first;
            small.Ok = first.Ok = true;
            if (linearity) {
                small = runSearch(smallMap);
                first = runSearch(startMap);
            }
            if (floor < 0 || !each.Ok || !small.Ok || !first.Ok) {
                state.SkipWithError("a run failed");
                return;
            }
            const auto count = [](std::uint64_t spectra) { return static_cast<double>(spectra); };
            times.push_back(each.Seconds);
            floors.push_back(floor);
            cpu.push_back(each.CpuSeconds / count(n));
            f.peakMb = std::max(f.peakMb, each.PeakMb);
            if (linearity) {
                linear.push_back(count(n) / each.Seconds / (count(smallest) / small.Seconds));
                netLinear.push_back(count(n - start) / (each.Seconds - first.Seconds)
                    / (count(smallest - start) / (small.Seconds - first.Seconds)));
            }
        }
        f.seconds = Median(times);
        f.rate = static_cast<double>(n) / f.seconds;
        f.floorSeconds = Median(floors);
        f.cpuPerSpectrum = Median(cpu);
        if (linearity) {
            f.linearity = Median(linear);
            f.netLinearity = Median(netLinear);
        }
        state.SetIterationTime(f.seconds);
    }
    figures()[n] = f;
    state.counters["spectra_per_s"] = f.rate;
    state.counters["vs_baseline"] = f.floorSeconds / f.seconds;
    state.counters["x_floor"] = f.seconds / f.floorSeconds;
    state.counters["floor_ms"] = f.floorSeconds * 1e3;
    state.counters["peak_mb"] = f.peakMb;
    state.counters["cpu_us"] = f.cpuPerSpectrum * 1e6;
    if (linearity) {
        state.counters["vs_smallest_n"] = f.linearity;
        state.counters["net_vs_smallest_n"] = f.netLinearity;
    }
}

void printSummary()
{
    if (figures().empty())
        return;
    std::printf(
        "\npeakhound-search --each --rule %s on grain maps (--jobs %d):\n", rule().c_str(), Jobs());
    for (const auto &[n, f] : figures()) {
        if (f.rate <= 0)
            continue;
        std::printf("  N=%-8llu %.2f s, %.0f spectra/s, %.1f us CPU a spectrum, peak %.1f MB; "
                    "reading the bytes alone %.3f s (the search takes %.1f times that)\n",
            static_cast<unsigned long long>(n), f.seconds, f.rate, f.cpuPerSpectrum * 1e6, f.peakMb,
            f.floorSeconds, f.seconds / f.floorSeconds);
        if (f.linearity > 0)
            std::printf("             rate %.2f of that at N=%llu, %.2f beyond a map of %llu "
                        "spectra (linear: 1)\n",
                f.linearity, static_cast<unsigned long long>(figures().begin()->first),
                f.netLinearity,
                static_cast<unsigned long long>(std::min(
                    kStartSpectra, std::max<std::uint64_t>(1, figures().begin()->first / 2))));
        if (n == 1000000)
            std::printf("             goal: at most %.0f s and %.0f MB: %s\n", kGoalSeconds,
                kGoalMb, f.seconds <= kGoalSeconds && f.peakMb <= kGoalMb ? "met" : "MISSED");
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (const int launched = RunChildLauncher(argc, argv); launched >= 0)
        return launched;
    if (argc == 4 && std::strcmp(argv[1], "--write-map") == 0)
        return writeMap(argv[3], std::strtoull(argv[2], nullptr, 10)) ? 0 : 1;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const int rounds = EnvCount("PEAKHOUND_MAP_ROUNDS", 3);
    RegisterPerCount("BM_EachMap",
        SortedCounts(EnvOr("PEAKHOUND_MAP_SPECTRA", "10000,100000,1000000")),
        [rounds](benchmark::State &state, std::uint64_t n, std::uint64_t smallest) {
            BM_EachMap(state, n, smallest, rounds);
        });
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary();
    return 0;
}
