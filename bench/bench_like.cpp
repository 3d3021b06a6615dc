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

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace
{

constexpr int kEntries = 2000;
constexpr int kQueries = 400;

std::string envOr(const char *name, const std::string &fallback)
{
    const char *value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

std::string dataDir()
{
    return envOr("PEAKHOUND_LIKE_DIR", "/tmp/peakhound-bench-like");
}

int jobs()
{
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
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

bool fileExists(const std::string &path)
{
    struct stat info {
    };
    return ::stat(path.c_str(), &info) == 0;
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
        if (!fileExists(entryName(k))
            && !writeCopy(entryName(k), r, 1000u + static_cast<std::uint32_t>(k)))
            return false;
        names += entryName(k) + "\n";
    }
    for (int q = 0; q < kQueries; ++q) {
        const Reference &r = references[static_cast<std::size_t>(q) % references.size()];
        querySubstance.push_back(r.substance);
        if (!fileExists(queryName(q))
            && !writeCopy(queryName(q), r, 900000u + static_cast<std::uint32_t>(q)))
            return false;
    }
    std::ofstream out(list);
    out << names;
    return static_cast<bool>(out);
}

struct Run {
    bool ok = false;
    double seconds = 0;
    std::string out;
};

// Runs peakhound-search with --jobs and the given arguments; standard output to /dev/null, or
// captured through a pipe.
Run runSearch(const std::vector<std::string> &arguments, bool capture)
{
    std::vector<std::string> words = { envOr("PEAKHOUND_SEARCH", PH_SEARCH_BINARY), "--jobs",
        std::to_string(jobs()) };
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (auto &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    Run run;
    int fds[2] = { -1, -1 };
    if (capture && ::pipe2(fds, O_CLOEXEC) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (capture)
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int error = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (capture)
        ::close(fds[1]);
    if (error != 0) {
        if (capture)
            ::close(fds[0]);
        std::fprintf(stderr, "bench_like: cannot run %s: %s\n", argv[0], std::strerror(error));
        return run;
    }
    if (capture) {
        char buffer[1 << 16];
        for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) != 0;) {
            if (n > 0)
                run.out.append(buffer, static_cast<std::size_t>(n));
            else if (errno != EINTR)
                break;
        }
        ::close(fds[0]);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    run.seconds = elapsed.count();
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!run.ok)
        std::fprintf(stderr, "bench_like: %s ended with status %d\n", argv[0], status);
    return run;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// The share of queries whose rank 1 names an entry of their substance.
double topOneShare(const std::string &out, const std::vector<std::string> &entrySubstance,
    const std::vector<std::string> &querySubstance)
{
    int right = 0;
    std::stringstream in(out);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> cells(1);
        for (const char c : line) {
            if (c == '\t')
                cells.emplace_back();
            else
                cells.back() += c;
        }
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
        const Run checked = runSearch(like, true);
        if (!checked.ok || !runSearch(plain, false).ok) {
            state.SkipWithError("peakhound-search failed");
            return;
        }
        Figures &f = figures();
        f.top1 = topOneShare(checked.out, entrySubstance, querySubstance);
        std::vector<double> likeTimes, plainTimes, ratios;
        for (int r = 0; r < rounds; ++r) {
            const Run p = runSearch(plain, false);
            const Run l = runSearch(like, false);
            if (!p.ok || !l.ok) {
                state.SkipWithError("peakhound-search failed");
                return;
            }
            plainTimes.push_back(p.seconds);
            likeTimes.push_back(l.seconds);
            ratios.push_back(l.seconds / p.seconds);
        }
        f.like = median(likeTimes);
        f.plain = median(plainTimes);
        f.ratio = median(ratios);
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
    const int rounds = std::max(1, std::atoi(envOr("PEAKHOUND_LIKE_ROUNDS", "3").c_str()));
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
            kQueries, kEntries, jobs(), f.like, f.plain, f.ratio, f.ratio <= 3 ? "met" : "MISSED",
            f.top1);
    return 0;
}
