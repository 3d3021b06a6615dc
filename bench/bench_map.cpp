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
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

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

std::string envOr(const char *name, const std::string &fallback)
{
    const char *value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

std::string dataDir()
{
    return envOr("PEAKHOUND_MAP_DIR", "/tmp/peakhound-bench-map");
}

std::string searchBinary()
{
    return envOr("PEAKHOUND_SEARCH", PH_SEARCH_BINARY);
}

std::string rule()
{
    return envOr("PEAKHOUND_MAP_RULE", "sensitive");
}

int jobs()
{
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
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

// ---- WDF files ------------------------------------------------------------------------------

template <typename T> void put(std::string &bytes, std::size_t at, T value)
{
    std::memcpy(&bytes[at], &value, sizeof value); // little-endian host
}

template <typename T> void append(std::string &bytes, T value)
{
    bytes.resize(bytes.size() + sizeof value);
    put(bytes, bytes.size() - sizeof value, value);
}

std::string blockHeader(const char *name, std::uint64_t bodyBytes)
{
    std::string bytes(name, 4);
    append(bytes, std::uint32_t { 0 });
    append(bytes, std::uint64_t { 16 } + bodyBytes);
    return bytes;
}

std::string fileHeader(std::uint64_t spectra)
{
    std::string header(512, '\0');
    std::memcpy(&header[0], "WDF1", 4);
    put(header, 4, std::uint32_t { 1 });
    put(header, 8, std::uint64_t { 512 });
    put(header, 60, kPoints);
    put(header, 64, spectra); // capacity
    put(header, 72, spectra); // collected
    put(header, 88, kPoints);
    put(header, 152, std::uint32_t { 6 }); // counts
    const char title[] = "Grain map";
    std::memcpy(&header[240], title, sizeof title - 1);
    return header;
}

std::string originListHeader(std::uint32_t type, const char *label)
{
    std::string bytes;
    append(bytes, type | 0x80000000u);
    append(bytes, std::uint32_t { 5 }); // micrometres
    std::string name(16, '\0');
    std::memcpy(&name[0], label, std::strlen(label));
    return bytes + name;
}

bool writeAll(int fd, const std::string &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes the map to path.new, then renames it to path: a map present is complete.
bool writeMap(const std::string &path, std::uint64_t n)
{
    const std::vector<double> x = shifts();
    const std::vector<Shape> shapes = realShapes(x);
    if (shapes.empty()) {
        std::fprintf(stderr, "bench_map: no real spectra in %s\n", PH_REALDATA_DIR);
        return false;
    }
    const std::string fresh = path + ".new";
    const int fd = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    std::string bytes = fileHeader(n) + blockHeader("DATA", std::uint64_t { 4 } * kPoints * n);
    bool ok = true;
    std::vector<float> y(kPoints);
    for (std::uint64_t k = 0; k < n && ok; ++k) {
        spectrum(k, x, shapes, y.data());
        const std::size_t at = bytes.size();
        bytes.resize(at + sizeof(float) * kPoints);
        std::memcpy(&bytes[at], y.data(), sizeof(float) * kPoints);
        if (bytes.size() >= (std::size_t { 4 } << 20)) {
            ok = writeAll(fd, bytes);
            bytes.clear();
        }
    }
    bytes += blockHeader("XLST", 8 + std::uint64_t { 4 } * kPoints);
    append(bytes, std::uint32_t { 1 });
    append(bytes, std::uint32_t { 1 }); // Raman shift
    for (const double v : x)
        append(bytes, static_cast<float>(v));
    bytes += blockHeader("ORGN", 4 + 2 * (24 + 8 * n));
    append(bytes, std::uint32_t { 2 });
    for (int list = 0; list < 2 && ok; ++list) {
        bytes += list == 0 ? originListHeader(3, "X") : originListHeader(4, "Y");
        for (std::uint64_t k = 0; k < n && ok; ++k) {
            append(bytes, list == 0 ? positionX(k) : positionY(k));
            if (bytes.size() >= (std::size_t { 4 } << 20)) {
                ok = writeAll(fd, bytes);
                bytes.clear();
            }
        }
    }
    ok = ok && writeAll(fd, bytes);
    ok = ::close(fd) == 0 && ok;
    return ok && std::rename(fresh.c_str(), path.c_str()) == 0;
}

bool fileExists(const std::string &path)
{
    struct stat info {
    };
    return ::stat(path.c_str(), &info) == 0;
}

// The map of n spectra, written when missing.
bool prepare(std::uint64_t n, std::string &map)
{
    const std::string dir = dataDir();
    ::mkdir(dir.c_str(), 0755);
    map = dir + "/map-" + std::to_string(n) + ".wdf";
    return fileExists(map) || writeMap(map, n);
}

// ---- Measuring ------------------------------------------------------------------------------

struct Measured {
    int status = -1;
    double seconds = 0;
    double cpuSeconds = 0;
    long peakKb = 0;
};

double seconds(const timeval &t)
{
    return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
}

Measured spawnAndWait(char *const argv[], const posix_spawn_file_actions_t *actions)
{
    Measured measured;
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int error = ::posix_spawn(&child, argv[0], actions, nullptr, argv, environ);
    if (error != 0) {
        std::fprintf(stderr, "bench_map: cannot run %s: %s\n", argv[0], std::strerror(error));
        return measured;
    }
    rusage usage {};
    while (::wait4(child, &measured.status, 0, &usage) < 0 && errno == EINTR) { }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    measured.seconds = elapsed.count();
    measured.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    measured.peakKb = usage.ru_maxrss; // kilobytes on Linux
    return measured;
}

// The search is spawned by a fresh copy of this program, which times it and writes the figures
// to descriptor kResultFd: the kernel counts the memory of the process image an exec replaces
// into the new program's peak, and a child spawned from here would begin on this process's.
constexpr const char *kLaunchFlag = "--launch-measured";
constexpr int kResultFd = 3;

int launchMeasured(char **command)
{
    ::fcntl(kResultFd, F_SETFD, FD_CLOEXEC);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const Measured m = spawnAndWait(command, &actions);
    posix_spawn_file_actions_destroy(&actions);
    return ::dprintf(kResultFd, "%d %.9f %.6f %ld\n", m.status, m.seconds, m.cpuSeconds, m.peakKb)
            > 0
        ? 0
        : 1;
}

std::string selfPath()
{
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

struct Run {
    bool ok = false;
    double seconds = 0;
    double cpuSeconds = 0;
    double peakMb = 0;
};

// peakhound-search --each over the map, its output to /dev/null.
Run runSearch(const std::string &map)
{
    static const std::string self = selfPath();
    // The hit map of every map is written as well, beside the maps.
    static const std::string pictures = [] {
        const std::string folder = dataDir() + "/hit-maps";
        ::mkdir(folder.c_str(), 0755);
        return folder;
    }();
    std::vector<std::string> words = { self, kLaunchFlag, searchBinary(), "--each", "--rule",
        rule(), "--jobs", std::to_string(jobs()), "--peak", "1001", "--peak", "1602", "--hit-map",
        pictures, map };
    std::vector<char *> argv;
    for (auto &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    Run run;
    int resultFds[2] = { -1, -1 };
    if (::pipe2(resultFds, O_CLOEXEC) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, resultFds[1], kResultFd);
    const Measured launcher = spawnAndWait(argv.data(), &actions);
    posix_spawn_file_actions_destroy(&actions);
    ::close(resultFds[1]);
    char result[128] = {};
    const ssize_t got = ::read(resultFds[0], result, sizeof result - 1);
    ::close(resultFds[0]);
    Measured search;
    const bool reported = launcher.status == 0 && got > 0
        && std::sscanf(result, "%d %lf %lf %ld", &search.status, &search.seconds,
               &search.cpuSeconds, &search.peakKb)
            == 4;
    run.ok = reported && WIFEXITED(search.status) && WEXITSTATUS(search.status) == 0;
    run.seconds = search.seconds;
    run.cpuSeconds = search.cpuSeconds;
    run.peakMb = static_cast<double>(search.peakKb) / 1024.0;
    if (!run.ok)
        std::fprintf(stderr, "bench_map: peakhound-search ended with status %d on %s\n",
            search.status, map.c_str());
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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
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
        if (!runSearch(map).ok) {
            state.SkipWithError("peakhound-search failed");
            return;
        }
        std::vector<double> times, floors, cpu, linear, netLinear;
        for (int r = 0; r < rounds; ++r) {
            const double floor = readSeconds(map);
            const Run each = runSearch(map);
            Run small, first;
            small.ok = first.ok = true;
            if (linearity) {
                small = runSearch(smallMap);
                first = runSearch(startMap);
            }
            if (floor < 0 || !each.ok || !small.ok || !first.ok) {
                state.SkipWithError("a run failed");
                return;
            }
            const auto count = [](std::uint64_t spectra) { return static_cast<double>(spectra); };
            times.push_back(each.seconds);
            floors.push_back(floor);
            cpu.push_back(each.cpuSeconds / count(n));
            f.peakMb = std::max(f.peakMb, each.peakMb);
            if (linearity) {
                linear.push_back(count(n) / each.seconds / (count(smallest) / small.seconds));
                netLinear.push_back(count(n - start) / (each.seconds - first.seconds)
                    / (count(smallest - start) / (small.seconds - first.seconds)));
            }
        }
        f.seconds = median(times);
        f.rate = static_cast<double>(n) / f.seconds;
        f.floorSeconds = median(floors);
        f.cpuPerSpectrum = median(cpu);
        if (linearity) {
            f.linearity = median(linear);
            f.netLinearity = median(netLinear);
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

std::vector<std::uint64_t> sizes()
{
    std::vector<std::uint64_t> result;
    std::stringstream in(envOr("PEAKHOUND_MAP_SPECTRA", "10000,100000,1000000"));
    for (std::string word; std::getline(in, word, ',');) {
        const unsigned long long n = std::strtoull(word.c_str(), nullptr, 10);
        if (n > 0)
            result.push_back(n);
    }
    std::sort(result.begin(), result.end());
    result.erase(std::unique(result.begin(), result.end()), result.end());
    return result;
}

void printSummary()
{
    if (figures().empty())
        return;
    std::printf(
        "\npeakhound-search --each --rule %s on grain maps (--jobs %d):\n", rule().c_str(), jobs());
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
    if (argc > 2 && std::strcmp(argv[1], kLaunchFlag) == 0)
        return launchMeasured(argv + 2);
    if (argc == 4 && std::strcmp(argv[1], "--write-map") == 0)
        return writeMap(argv[3], std::strtoull(argv[2], nullptr, 10)) ? 0 : 1;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const int rounds = std::max(1, std::atoi(envOr("PEAKHOUND_MAP_ROUNDS", "3").c_str()));
    const std::vector<std::uint64_t> all = sizes();
    for (const std::uint64_t n : all)
        benchmark::RegisterBenchmark(("BM_EachMap/" + std::to_string(n)).c_str(), BM_EachMap, n,
            n > all.front() ? all.front() : 0, rounds)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary();
    return 0;
}
