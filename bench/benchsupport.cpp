#include "benchsupport.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

std::map<std::string, double> &baselines()
{
    static std::map<std::string, double> instance;
    return instance;
}

struct TemporaryFolder {
    std::string path;
    TemporaryFolder()
    {
        char name[] = "/tmp/peakhound-bench-XXXXXX";
        if (::mkdtemp(name) != nullptr)
            path = name;
    }
    ~TemporaryFolder()
    {
        if (!path.empty())
            std::system(("rm -rf '" + path + "'").c_str());
    }
};

void appendNumber(std::string &out, double value, int decimals)
{
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    out.append(buffer, result.ptr);
}

} // namespace

void RecordBaseline(const std::string &key, double secondsPerIteration)
{
    baselines()[key] = secondsPerIteration;
}

void ReportAgainstBaseline(
    benchmark::State &state, const std::string &key, double secondsPerIteration)
{
    const auto found = baselines().find(key);
    if (found != baselines().end() && secondsPerIteration > 0)
        state.counters["vs_baseline"] = found->second / secondsPerIteration;
}

double ThreadCpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

namespace
{

// Seconds per call of one round of fn.
double round(const std::function<void()> &fn, double roundSeconds)
{
    const double start = ThreadCpuSeconds();
    int calls = 0;
    double elapsed = 0;
    do {
        fn();
        ++calls;
        elapsed = ThreadCpuSeconds() - start;
    } while (elapsed < roundSeconds);
    return elapsed / calls;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

AlternatingRounds RunAlternatingRounds(const std::function<void()> &baseline,
    const std::function<void()> &measured, int rounds, double roundSeconds)
{
    std::vector<double> ratios, baselines, measurements;
    // A first call of each warms caches and lazy set-up outside the rounds.
    baseline();
    measured();
    for (int k = 0; k < rounds; ++k) {
        const double b = round(baseline, roundSeconds);
        const double m = round(measured, roundSeconds);
        baselines.push_back(b);
        measurements.push_back(m);
        ratios.push_back(m / b);
    }
    return AlternatingRounds { median(ratios), median(baselines), median(measurements) };
}

AlternatingRounds ReportAlternatingRounds(benchmark::State &state, const std::string &name,
    const std::function<void()> &baseline, const std::function<void()> &measured)
{
    AlternatingRounds result;
    for (auto _ : state)
        result = RunAlternatingRounds(baseline, measured);
    state.counters["x_" + name] = result.Ratio;
    state.counters[name + "_ms"] = result.MeasuredSeconds * 1e3;
    state.counters[name + "_baseline_ms"] = result.BaselineSeconds * 1e3;
    return result;
}

std::string WriteBenchmarkSpectrum(int rows, int spectra, unsigned seed)
{
    static TemporaryFolder folder;
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> noise(0.0, 25.0);
    std::string text =
        "Benchmark\r\nx-data = Raman shift [1/cm] y-data = Intensity [counts]\r\nShift";
    for (int s = 1; s <= spectra; ++s)
        text += "\tSpektrum " + std::to_string(s);
    text += "\r\n";
    for (int r = 0; r < rows; ++r) {
        const double x = 200.0 + r * (1600.0 / rows);
        appendNumber(text, x, 2);
        for (int s = 0; s < spectra; ++s) {
            text += '\t';
            const double d = (x - 1000.0 - s) / 8.0;
            appendNumber(text, 100.0 + 900.0 / (1.0 + d * d) + noise(random), 3);
        }
        text += "\r\n";
    }
    const std::string name = folder.path + "/spectrum_" + std::to_string(rows) + "x"
        + std::to_string(spectra) + "_" + std::to_string(seed) + ".txt";
    if (FILE *file = std::fopen(name.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
    return name;
}

int BareLoadSpectrum(
    const std::string &fileName, SpectrumTableData &table, std::vector<char> &buffer)
{
    const int fd = ::open(fileName.c_str(), O_RDONLY);
    if (fd < 0)
        return -1;
    struct stat info {
    };
    ::fstat(fd, &info);
    const auto size = static_cast<std::size_t>(info.st_size);
    if (buffer.size() < size + 1)
        buffer.resize(size + 1);
    std::size_t got = 0;
    for (ssize_t n; got < size && (n = ::read(fd, buffer.data() + got, size - got)) > 0;)
        got += static_cast<std::size_t>(n);
    ::close(fd);
    const char *p = buffer.data();
    const char *const end = p + got;
    for (int header = 0; header < 3 && p < end; ++header) {
        while (p < end && *p != '\n')
            ++p;
        ++p;
    }
    int row = 0;
    while (p < end && row < kMaxRows) {
        double *cells = table.Cells[row];
        int column = 0;
        for (;;) {
            double value = 0;
            const auto result = std::from_chars(p, end, value);
            if (column < kMaxColumns)
                cells[column++] = value;
            p = result.ptr;
            if (p >= end || *p != '\t')
                break;
            ++p;
        }
        while (p < end && (*p == '\r' || *p == '\n'))
            ++p;
        ++row;
    }
    table.RowCount = row;
    return row;
}

int BareFindPeaks(const SpectrumTableData &table, int rows, int column,
    std::vector<double> &smoothed, std::vector<int> &peaks)
{
    peaks.clear();
    if (rows < 3)
        return 0;
    smoothed.resize(static_cast<std::size_t>(rows));
    const auto y = [&](int r) { return table.Cells[r][column - 1]; };
    smoothed[0] = (y(0) + y(1)) / 2;
    for (int k = 1; k < rows - 1; ++k)
        smoothed[static_cast<std::size_t>(k)] = (y(k - 1) + y(k) + y(k + 1)) / 3;
    smoothed[static_cast<std::size_t>(rows - 1)] = (y(rows - 2) + y(rows - 1)) / 2;
    double maximum = smoothed[0];
    for (double s : smoothed)
        maximum = s > maximum ? s : maximum;
    double low = smoothed[0], last = smoothed[0];
    for (int k = 1; k < rows - 1; ++k) {
        const double s = smoothed[static_cast<std::size_t>(k)];
        if (s < low)
            low = last = s;
        if (s > last && smoothed[static_cast<std::size_t>(k + 1)] < s
            && smoothed[static_cast<std::size_t>(k - 1)] < s) {
            last = s;
            if (100 / maximum * (s - low) > 10) {
                peaks.push_back(k + 1);
                low = s;
            }
        }
    }
    return static_cast<int>(peaks.size());
}

bool ReadWholeFile(const std::string &name, std::string &bytes)
{
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {
    };
    bool ok = ::fstat(fd, &info) == 0;
    bytes.resize(ok ? static_cast<std::size_t>(info.st_size) : 0);
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t got = ::read(fd, &bytes[done], bytes.size() - done);
        ok = got > 0;
        done += ok ? static_cast<std::size_t>(got) : 0;
    }
    ::close(fd);
    return ok;
}
