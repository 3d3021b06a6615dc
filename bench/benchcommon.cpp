#include "benchcommon.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

std::string EnvOr(const char *name, const std::string &fallback)
{
    const char *value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

int EnvCount(const char *name, int fallback)
{
    return std::max(1, std::atoi(EnvOr(name, std::to_string(fallback)).c_str()));
}

int Jobs()
{
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

std::vector<std::uint64_t> SortedCounts(const std::string &list)
{
    std::vector<std::uint64_t> result;
    std::stringstream in(list);
    for (std::string word; std::getline(in, word, ',');) {
        const unsigned long long n = std::strtoull(word.c_str(), nullptr, 10);
        if (n > 0)
            result.push_back(n);
    }
    std::sort(result.begin(), result.end());
    result.erase(std::unique(result.begin(), result.end()), result.end());
    return result;
}

void RegisterPerCount(const std::string &name, const std::vector<std::uint64_t> &counts,
    const std::function<void(benchmark::State &, std::uint64_t n, std::uint64_t smallest)> &run)
{
    for (const std::uint64_t n : counts) {
        const std::uint64_t smallest = n > counts.front() ? counts.front() : 0;
        benchmark::RegisterBenchmark((name + "/" + std::to_string(n)).c_str(),
            [run, n, smallest](benchmark::State &state) { run(state, n, smallest); })
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
}

std::vector<std::string> SplitTabs(const std::string &line)
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

bool FileExists(const std::string &path)
{
    struct stat info {
    };
    return ::stat(path.c_str(), &info) == 0;
}

bool WriteAll(int fd, const std::string &bytes)
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

bool WriteFileWhole(const std::string &path, const std::function<bool(int fd)> &fill)
{
    const std::string fresh = path + ".new";
    const int fd = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = fill(fd);
    ok = ::close(fd) == 0 && ok;
    return ok && std::rename(fresh.c_str(), path.c_str()) == 0;
}
