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

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
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
constexpr int kMapColumns = 100; // spectra per map line; the map grows by lines
constexpr double kStep = 0.5; // stage step in micrometres
constexpr std::uint32_t kSeed = 20240611;
const std::vector<std::string> kPeaks = { "620", "1001", "1031", "1602" };
constexpr const char *kTolerance = "10";

std::string envOr(const char *name, const std::string &fallback)
{
    const char *value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

std::string dataDir()
{
    return envOr("PEAKHOUND_EACH_DIR", "/tmp/peakhound-bench-each");
}

std::string searchBinary()
{
    return envOr("PEAKHOUND_SEARCH", PH_SEARCH_BINARY);
}

int jobs()
{
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
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
void spectrum(std::uint64_t k, const std::vector<float> &x, std::vector<float> &y)
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
    y.resize(kPoints);
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

std::string fileHeader(std::uint64_t spectra, const std::string &title)
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
    std::memcpy(&header[240], title.data(), std::min<std::size_t>(title.size(), 159));
    return header;
}

std::string xListBlock(const std::vector<float> &x)
{
    std::string bytes = blockHeader("XLST", 8 + 4 * std::uint64_t { kPoints });
    append(bytes, std::uint32_t { 1 });
    append(bytes, std::uint32_t { 1 }); // Raman shift
    for (const float v : x)
        append(bytes, v);
    return bytes;
}

// The header of the ORGN block and of its origin list of the given type; values follow.
std::string originListHeader(std::uint32_t type, const char *label)
{
    std::string bytes;
    append(bytes, type | 0x80000000u);
    append(bytes, std::uint32_t { 5 }); // micrometres
    std::string name(16, '\0');
    std::memcpy(&name[0], label, std::strlen(label));
    return bytes + name;
}

std::uint64_t originBodyBytes(std::uint64_t spectra)
{
    return 4 + 2 * (24 + 8 * spectra);
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

// Writes path.new through fill, then renames it to path: a file present is complete.
template <typename Fill> bool writeFile(const std::string &path, Fill &&fill)
{
    const std::string fresh = path + ".new";
    const int fd = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = fill(fd);
    ok = ::close(fd) == 0 && ok;
    return ok && std::rename(fresh.c_str(), path.c_str()) == 0;
}

// The map: spectra 0 .. n-1 on lines of kMapColumns, DATA streamed spectrum by spectrum.
bool writeMap(const std::string &path, std::uint64_t n)
{
    return writeFile(path, [n](int fd) {
        const std::vector<float> x = shifts();
        std::vector<float> y;
        std::string bytes = fileHeader(n, "Bead map") + blockHeader("DATA", 4 * kPoints * n);
        for (std::uint64_t k = 0; k < n; ++k) {
            spectrum(k, x, y);
            for (const float v : y)
                append(bytes, v);
            if (bytes.size() >= (1u << 20)) {
                if (!writeAll(fd, bytes))
                    return false;
                bytes.clear();
            }
        }
        bytes += xListBlock(x) + blockHeader("ORGN", originBodyBytes(n));
        append(bytes, std::uint32_t { 2 });
        bytes += originListHeader(3, "X");
        for (std::uint64_t k = 0; k < n; ++k)
            append(bytes, positionX(k));
        bytes += originListHeader(4, "Y");
        for (std::uint64_t k = 0; k < n; ++k)
            append(bytes, positionY(k));
        return writeAll(fd, bytes);
    });
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

bool writeSingle(std::uint64_t k, const std::vector<float> &x, std::vector<float> &y)
{
    return writeFile(singleName(k), [&](int fd) {
        spectrum(k, x, y);
        std::string bytes =
            fileHeader(1, "Bead map " + std::to_string(k)) + blockHeader("DATA", 4 * kPoints);
        for (const float v : y)
            append(bytes, v);
        bytes += xListBlock(x) + blockHeader("ORGN", originBodyBytes(1));
        append(bytes, std::uint32_t { 2 });
        bytes += originListHeader(3, "X");
        append(bytes, positionX(k));
        bytes += originListHeader(4, "Y");
        append(bytes, positionY(k));
        return writeAll(fd, bytes);
    });
}

bool fileExists(const std::string &path)
{
    struct stat info {
    };
    return ::stat(path.c_str(), &info) == 0;
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
    if (!fileExists(map) && !writeMap(map, n))
        return false;
    const std::string countFile = dir + "/single/count";
    unsigned long long have = 0;
    if (std::FILE *f = std::fopen(countFile.c_str(), "r")) {
        if (std::fscanf(f, "%llu", &have) != 1)
            have = 0;
        std::fclose(f);
    }
    if (have < n) {
        const std::vector<float> x = shifts();
        std::vector<float> y;
        for (std::uint64_t k = have; k < n; ++k) {
            if (k % 1000 == 0)
                ::mkdir(singleFolder(k).c_str(), 0755);
            if (!writeSingle(k, x, y))
                return false;
        }
        const bool written =
            writeFile(countFile, [n](int fd) { return writeAll(fd, std::to_string(n) + "\n"); });
        if (!written)
            return false;
    }
    return fileExists(list) || writeFile(list, [n](int fd) {
        std::string names;
        for (std::uint64_t k = 0; k < n; ++k)
            names += singleName(k) + "\n";
        return writeAll(fd, names);
    });
}

// ---- Running peakhound-search ---------------------------------------------------------------

// A command's figures as wait4 gives them: its exit status, wall time, CPU time (user and
// system, all threads) and peak resident set.
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

// Spawns the command (its descriptors set up by actions, may be null), closes this process's
// copies of the descriptors in closeAfter, and waits for the command; with outFd >= 0 reads that
// descriptor to its end into out meanwhile.
Measured spawnAndWait(char *const argv[], const posix_spawn_file_actions_t *actions,
    const std::vector<int> &closeAfter = {}, int outFd = -1, std::string *out = nullptr)
{
    Measured measured;
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int error = ::posix_spawn(&child, argv[0], actions, nullptr, argv, environ);
    for (const int fd : closeAfter)
        ::close(fd);
    if (error != 0) {
        std::fprintf(stderr, "bench_each: cannot run %s: %s\n", argv[0], std::strerror(error));
        return measured;
    }
    if (outFd >= 0) {
        char buffer[1 << 16];
        for (ssize_t n; (n = ::read(outFd, buffer, sizeof buffer)) != 0;) {
            if (n > 0)
                out->append(buffer, static_cast<std::size_t>(n));
            else if (errno != EINTR)
                break;
        }
    }
    rusage usage {};
    while (::wait4(child, &measured.status, 0, &usage) < 0 && errno == EINTR) { }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    measured.seconds = elapsed.count();
    measured.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    measured.peakKb = usage.ru_maxrss; // kilobytes on Linux
    return measured;
}

// The search is not spawned by this process itself but by a fresh copy of this program, which
// times it and writes the figures to descriptor kResultFd: the kernel counts the memory of the
// process image an exec replaces into the new program's peak, and a spawned child begins on the
// memory of its parent, which here holds reports of every spectrum.
constexpr const char *kLaunchFlag = "--launch-measured";
constexpr int kResultFd = 3;

int launchMeasured(char **command)
{
    ::fcntl(kResultFd, F_SETFD, FD_CLOEXEC);
    const Measured m = spawnAndWait(command, nullptr);
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
    double peakMb = 0; // the search's maximum resident set
    std::string out; // standard output, when captured
};

// Runs peakhound-search with the common options and the given arguments; standard output to
// /dev/null, or captured through a pipe.
Run runSearch(const std::vector<std::string> &arguments, bool capture = false)
{
    static const std::string self = selfPath();
    std::vector<std::string> words = { self, kLaunchFlag, searchBinary(), "--jobs",
        std::to_string(jobs()), "--tolerance", kTolerance };
    for (const auto &peak : kPeaks) {
        words.push_back("--peak");
        words.push_back(peak);
    }
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (auto &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    Run run;
    int outFds[2] = { -1, -1 };
    int resultFds[2] = { -1, -1 };
    if (::pipe2(resultFds, O_CLOEXEC) != 0)
        return run;
    if (capture && ::pipe2(outFds, O_CLOEXEC) != 0) {
        ::close(resultFds[0]);
        ::close(resultFds[1]);
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (capture)
        posix_spawn_file_actions_adddup2(&actions, outFds[1], STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, resultFds[1], kResultFd);
    std::vector<int> writeEnds = { resultFds[1] };
    if (capture)
        writeEnds.push_back(outFds[1]);
    const Measured launcher =
        spawnAndWait(argv.data(), &actions, writeEnds, capture ? outFds[0] : -1, &run.out);
    posix_spawn_file_actions_destroy(&actions);
    if (capture)
        ::close(outFds[0]);
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
        std::fprintf(stderr, "bench_each: %s ended with status %d\n", argv[2], search.status);
    return run;
}

std::vector<std::string> splitTabs(const std::string &line)
{
    std::vector<std::string> cells(1);
    for (const char c : line) {
        if (c == '\t')
            cells.emplace_back();
        else
            cells.back() += c;
    }
    return cells;
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
        const std::vector<std::string> m = splitTabs(mapRows[k + 1]);
        const std::vector<std::string> s = splitTabs(singleRows[k + 1]);
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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
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
        const Run mapReport = runSearch({ "--each", "--report", map }, true);
        const Run singleReport = runSearch({ "--report", "--files-from", list }, true);
        long selected = 0;
        const std::string mismatch = mapReport.ok && singleReport.ok
            ? compareReports(n, mapReport.out, singleReport.out, selected)
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
            const Run single = runSearch({ "--files-from", list });
            const Run each = runSearch({ "--each", map });
            const Run one = runSearch({ "--each", singleName(0) });
            Run small, first;
            small.ok = first.ok = true;
            if (linearity) {
                small = runSearch({ "--each", smallMap });
                first = runSearch({ "--each", startMap });
            }
            if (!single.ok || !each.ok || !one.ok || !small.ok || !first.ok) {
                state.SkipWithError("peakhound-search failed");
                return;
            }
            singleTimes.push_back(single.seconds);
            mapTimes.push_back(each.seconds);
            ratios.push_back(single.seconds / each.seconds);
            f.mapMb = std::max(f.mapMb, each.peakMb);
            f.singleMb = std::max(f.singleMb, single.peakMb);
            f.oneMb = std::max(f.oneMb, one.peakMb);
            if (linearity) {
                const auto spectra = [](std::uint64_t count) { return static_cast<double>(count); };
                linear.push_back(spectra(n) / each.seconds / (spectra(smallest) / small.seconds));
                netLinear.push_back(spectra(n - start) / (each.seconds - first.seconds)
                    / (spectra(smallest - start) / (small.seconds - first.seconds)));
                cpu.push_back((each.cpuSeconds - first.cpuSeconds) / spectra(n - start));
                smallestCpu.push_back(
                    (small.cpuSeconds - first.cpuSeconds) / spectra(smallest - start));
            }
        }
        const double mapSeconds = median(mapTimes);
        state.SetIterationTime(mapSeconds);
        f.mapRate = static_cast<double>(n) / mapSeconds;
        f.singleRate = static_cast<double>(n) / median(singleTimes);
        f.ratio = median(ratios);
        if (linearity) {
            f.linearity = median(linear);
            f.netLinearity = median(netLinear);
            f.startSpectra = start;
            f.cpuPerSpectrum = median(cpu);
            f.smallestCpuPerSpectrum = median(smallestCpu);
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

std::vector<std::uint64_t> sizes()
{
    std::vector<std::uint64_t> result;
    std::stringstream in(envOr("PEAKHOUND_EACH_SPECTRA", "10000,100000"));
    for (std::string word; std::getline(in, word, ',');) {
        const unsigned long long n = std::strtoull(word.c_str(), nullptr, 10);
        if (n > 0)
            result.push_back(n);
    }
    std::sort(result.begin(), result.end());
    result.erase(std::unique(result.begin(), result.end()), result.end());
    return result;
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
        "\npeakhound-search --each on a map against the single files (--jobs %d):\n", jobs());
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
    if (argc > 2 && std::strcmp(argv[1], kLaunchFlag) == 0)
        return launchMeasured(argv + 2);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const int rounds = std::max(1, std::atoi(envOr("PEAKHOUND_EACH_ROUNDS", "3").c_str()));
    const std::vector<std::uint64_t> all = sizes();
    for (const std::uint64_t n : all)
        benchmark::RegisterBenchmark(("BM_EachMapVsSingleFiles/" + std::to_string(n)).c_str(),
            BM_EachMapVsSingleFiles, n, n > all.front() ? all.front() : 0, rounds)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary();
    return 0;
}
