// peakhound-search: the search of the desktop program for scripted batch use. Reads each spectrum
// file, finds its peaks and prints the names of the files that match the sought peaks.

#include "exceptions.h"
#include "faultinjection.h"
#include "filejudgement.h"
#include "matchreport.h"
#include "messages.h"
#include "numconv.h"
#include "peakfile.h"
#include "separators.h"
#include "spectrumfile.h"
#include "spectrumtable.h"
#include "textfile.h"
#include "textoutput.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

#ifdef PH_FAULT_FROM_ENVIRONMENT
void ArmFaultFromEnvironment(); // tests/support/faultenvironment.cpp
#endif

namespace
{

constexpr const char *kBadFilesHeading =
    "Folgende Daten hatten nicht das richtige Format und wurden ignoriert:";

constexpr const char *kUsage =
    "Usage: peakhound-search [OPTION]... [--] FILE...\n"
    "Print the spectrum files that show the sought peaks, one name per line, in the given order.\n"
    "\n"
    "  --peak VALUE        a sought peak position in 1/cm (repeatable)\n"
    "  --peak-file PATH    every line of PATH is a sought peak position\n"
    "  --rh6g              the Rhodamine 6G positions of peaks/rh6g.txt below the current folder\n"
    "                      (or, when it has none, of the copy installed with the program)\n"
    "  --tolerance N       how far (in 1/cm, exclusive) a found peak may lie from a sought one\n"
    "                      (default 10)\n"
    "  --max-missing N     how many sought peaks may be missing (default 1)\n"
    "  --inverse           print the files that do not match instead\n"
    "  --rule RULE         the peak rule: standard (the default, the fixed 10 % rule) or\n"
    "                      sensitive (prominence against the spectrum's noise, spikes ignored)\n"
    "  --from X, --to X    the sensitive rule looks at x from X (default 100) up to X (default: "
    "no\n"
    "                      limit), in 1/cm\n"
    "  --sort score        print the selected files best match score first; the report gets\n"
    "                      its score column (as it does under the sensitive rule)\n"
    "  --jobs N            read and judge files on N threads (default: the number of cores)\n"
    "  --files-from PATH   also judge the files named in PATH, one per line\n"
    "  --report            print the match report instead of the names: a tab-separated table\n"
    "                      with a row per file (selected, missing count, the position found\n"
    "                      for each sought peak), numbers with a decimal point\n"
    "  --null              end each printed name (or report row) with a NUL byte, not a newline\n"
    "  --keep-going        a file that cannot be read is named on standard error and the run\n"
    "                      goes on; the exit status is then 1\n"
    "  --help              show this help\n"
    "\n"
    "Instrument files (SPC, WDF, JCAMP-DX) and the text exports of instrument software are read\n"
    "and judged like spectrum files.\n"
    "Numbers are read with the decimal separator of the user's locale. Files of the wrong layout\n"
    "are named on standard error after the run. Exit status: 0 done, 1 a file or peak could not\n"
    "be read (the run ends at that file unless --keep-going), 2 usage error.\n";

struct UsageError {
    std::string reason;
};

// Standard output could not take what was written (a full disk, a closed descriptor, a file size
// limit): the run ends with exit status 1, whatever --keep-going says, since a script would take
// a cut list for a whole one.
struct OutputError {
    int error;
};

// Writes all bytes to standard output; throws OutputError when the system refuses them.
void writeOut(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = Fault::WriteFile(STDOUT_FILENO, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw OutputError { n < 0 ? errno : EIO };
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

// The end of standard output: a file system may report a failed write only at the close.
void closeOut()
{
    if (Fault::CloseFile(STDOUT_FILENO) != 0 && errno != EINTR)
        throw OutputError { errno };
}

int reportOutputError(const OutputError &failure)
{
    std::fprintf(stderr, "peakhound-search: %s\n",
        FormatMessage(Messages::WriteError, SystemErrorText(failure.error)).c_str());
    return 1;
}

struct Options {
    std::vector<std::string> targets;
    std::vector<std::string> files;
    SearchSettings settings;
    int jobs = 0;
    bool report = false;
    bool null = false;
    bool keepGoing = false;
    bool sortByScore = false;
    PeakRuleSettings rule;
    bool scored() const { return sortByScore || rule.Rule == PeakRule::Sensitive; }
};

double parseNumber(const std::string &option, const std::string &text)
{
    double value = 0;
    try {
        value = StrToFloat(text, CurrentSeparators());
    } catch (const EConvertError &) {
        value = std::nan("");
    }
    if (!std::isfinite(value))
        throw UsageError { option + " needs a number, not '" + text + "'" };
    return value;
}

int parseInteger(const std::string &option, const std::string &text)
{
    int value = 0;
    if (!TryStrToInt(text, value))
        throw UsageError { option + " needs a whole number, not '" + text + "'" };
    return value;
}

// Names given in a file, one per line with the text-file line rules; empty lines name nothing.
void readNameList(const std::string &path, std::vector<std::string> &names)
{
    TextFile file(path);
    while (!file.Eof()) {
        const std::string_view line = file.ReadLine();
        if (file.LineTooLong()) // far beyond any name the system takes
            ThrowInOutError(ENAMETOOLONG);
        if (!line.empty())
            names.emplace_back(line);
    }
}

// Parses the command line. Reading the peak and name files can raise runtime errors; those are
// reported with the file's name like any other.
Options parseArguments(int argc, char **argv, std::string &failedFile)
{
    Options options;
    std::vector<std::string> peakFiles;
    std::vector<std::string> listFiles;
    bool presetWanted = false;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            options.files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::string value;
        bool hasInlineValue = false;
        if (const auto equals = argument.find('=');
            argument.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = argument.substr(equals + 1);
            argument.resize(equals);
            hasInlineValue = true;
        }
        const auto takeValue = [&]() -> std::string {
            if (hasInlineValue)
                return value;
            if (i + 1 >= argc)
                throw UsageError { argument + " needs a value" };
            return argv[++i];
        };
        const auto noValue = [&]() {
            if (hasInlineValue)
                throw UsageError { argument + " takes no value" };
        };
        if (argument == "--help") {
            noValue();
            writeOut(kUsage);
            closeOut();
            std::exit(0);
        } else if (argument == "--peak") {
            options.targets.push_back(takeValue());
        } else if (argument == "--peak-file") {
            peakFiles.push_back(takeValue());
        } else if (argument == "--rh6g") {
            noValue();
            presetWanted = true;
        } else if (argument == "--tolerance") {
            options.settings.Tolerance = parseInteger(argument, takeValue());
        } else if (argument == "--max-missing") {
            options.settings.MaxMissing = parseInteger(argument, takeValue());
        } else if (argument == "--inverse") {
            noValue();
            options.settings.Inverse = true;
        } else if (argument == "--rule") {
            const std::string rule = takeValue();
            if (rule == "standard")
                options.rule.Rule = PeakRule::Standard;
            else if (rule == "sensitive")
                options.rule.Rule = PeakRule::Sensitive;
            else
                throw UsageError { "--rule takes standard or sensitive, not '" + rule + "'" };
        } else if (argument == "--from") {
            options.rule.From = parseNumber(argument, takeValue());
        } else if (argument == "--to") {
            options.rule.To = parseNumber(argument, takeValue());
        } else if (argument == "--sort") {
            const std::string key = takeValue();
            if (key != "score")
                throw UsageError { "--sort takes score, not '" + key + "'" };
            options.sortByScore = true;
        } else if (argument == "--jobs") {
            options.jobs = parseInteger(argument, takeValue());
            if (options.jobs < 1)
                throw UsageError { "--jobs needs at least 1" };
        } else if (argument == "--files-from") {
            listFiles.push_back(takeValue());
        } else if (argument == "--report") {
            noValue();
            options.report = true;
        } else if (argument == "--null") {
            noValue();
            options.null = true;
        } else if (argument == "--keep-going") {
            noValue();
            options.keepGoing = true;
        } else {
            throw UsageError { "unknown option " + argument };
        }
    }
    const auto addTarget = [&options](const std::string &line) { options.targets.push_back(line); };
    for (const auto &path : peakFiles) {
        failedFile = path;
        ReadPeakFile(path, addTarget);
    }
    if (presetWanted) {
        failedFile = "peaks/rh6g.txt";
        ReadPeakFile(
            PresetPeakFile(std::filesystem::current_path().string(), "rh6g.txt"), addTarget);
    }
    for (const auto &path : listFiles) {
        failedFile = path;
        readNameList(path, options.files);
    }
    failedFile.clear();
    if (options.files.empty())
        throw UsageError { "no spectrum files given" };
    if (options.jobs == 0)
        options.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return options;
}

// Unjudged: read, but left to the run that knows what earlier files put into the table.
enum class Verdict { Pending, Selected, Passed, Unjudged, WrongLayout, Failed };

struct FileResult {
    Verdict verdict = Verdict::Pending;
    bool complete = true; // the judgement used nothing an earlier file left in the table
    int rows = 0;
    int columns = 0;
    std::string message;
    bool outOfMemory = false; // failed for want of memory; message is then left empty
    FileJudgement judgement; // of a judged file
};

// Reads and judges one file on the given table, as the main window does. With judgeIncomplete
// false, a file whose rows are not complete is only read: its verdict depends on cells of earlier
// files, which only an in-order run knows.
FileResult judgeFile(SpectrumTableData &table, BadFileListData &badFiles, PeakListData &peaks,
    const std::string &name, const Options &options, const NumberSeparators &separators,
    bool judgeIncomplete = true)
{
    FileResult result;
    try {
        const LoadResult load = LoadSpectrumFile(table, badFiles, name, separators);
        result.complete = load.Complete;
        if (!load.WellFormed) {
            result.verdict = Verdict::WrongLayout;
            return result;
        }
        result.rows = table.RowCount;
        result.columns = table.SpectrumCount + 1;
        if (!load.Complete && !judgeIncomplete) {
            result.verdict = Verdict::Unjudged;
            return result;
        }
        JudgeFile(table, peaks, options.targets, options.settings, options.rule,
            options.sortByScore, separators, result.judgement);
        result.verdict = result.judgement.Selected ? Verdict::Selected : Verdict::Passed;
    } catch (const Exception &error) {
        result.verdict = Verdict::Failed;
        result.message = error.what();
    } catch (const std::bad_alloc &) {
        result.verdict = Verdict::Failed;
        result.outOfMemory = true; // no allocation here: a worker thread must not throw again
    }
    return result;
}

// Judges the files in order on one table; stops at the first runtime error unless told to go on.
std::vector<FileResult> judgeSequentially(
    const Options &options, const NumberSeparators &separators)
{
    auto table = std::make_unique<SpectrumTableData>();
    auto peaks = std::make_unique<PeakListData>();
    BadFileListData badFiles;
    std::vector<FileResult> results;
    results.reserve(options.files.size());
    for (const auto &name : options.files) {
        results.push_back(judgeFile(*table, badFiles, *peaks, name, options, separators));
        if (results.back().verdict == Verdict::Failed && !options.keepGoing)
            break;
    }
    return results;
}

// Judges the files on several threads, each with a table of its own. A file whose rows were not
// all complete read cells that an earlier file had left in the table; such a file is judged again
// on a table that has seen the earlier files in order, so the outcome equals the one-thread run.
class ParallelSearch
{
public:
    ParallelSearch(const Options &options, const NumberSeparators &separators)
        : m_options(options)
        , m_separators(separators)
        , m_results(options.files.size())
        , m_stopAt(options.files.size())
    {
        m_seen.reserve(options.files.size());
    }

    // Calls emit(index, result) for the files in order, up to and including a failed one. The
    // calling thread reads files too and emits what is ready between them, so that nobody waits
    // for each single file.
    template <typename Emit> void run(int jobs, Emit &&emit)
    {
        std::vector<std::thread> workers;
        workers.reserve(static_cast<std::size_t>(jobs - 1));
        // However the calling thread leaves (also for want of memory), the workers stop after
        // their current file and are joined.
        struct JoinOnExit {
            ParallelSearch &search;
            std::vector<std::thread> &threads;
            ~JoinOnExit()
            {
                search.stopAfter(0);
                for (auto &thread : threads)
                    thread.join();
            }
        } joinOnExit { *this, workers };
        for (int w = 1; w < jobs; ++w) {
            try {
                workers.emplace_back([this] { work(nullptr); });
            } catch (const std::system_error &) {
                break; // no thread to be had (memory, limits): fewer threads do the work
            }
        }
        const std::function<bool(bool)> emitReady = [this, &emit](bool wait) {
            return this->emitReady(emit, wait);
        };
        work(&emitReady);
        emitReady(true);
    }

private:
    // Reads and judges files until none is left. The calling thread passes its emitter, which
    // returns true once everything that will be emitted has been.
    void work(const std::function<bool(bool)> *emitReady)
    {
        // The table is left uncleared (8 MB a thread): a complete file is judged only on cells it
        // wrote itself, and an incomplete one is not judged here at all.
        std::unique_ptr<SpectrumTableData> table(new (std::nothrow) SpectrumTableData);
        std::unique_ptr<PeakListData> peaks(new (std::nothrow) PeakListData);
        if (!table || !peaks) {
            if (emitReady == nullptr)
                return; // a worker without memory for its table leaves the files to the others
            throw std::bad_alloc();
        }
        BadFileListData badFiles;
        for (;;) {
            const std::size_t i = m_next.fetch_add(1);
            if (i >= m_stopAt.load())
                return;
            FileResult result = judgeFile(
                *table, badFiles, *peaks, m_options.files[i], m_options, m_separators, false);
            if (result.verdict == Verdict::Failed && !m_options.keepGoing)
                stopAfter(i);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_results[i] = std::move(result);
            }
            // Wake the emitter only for the file it waits for, not for every file.
            if (m_waitingFor.load() == i)
                m_ready.notify_one();
            if (emitReady != nullptr && (*emitReady)(false))
                return;
        }
    }

    // Emits the results in order from the first one not yet emitted: those already there, or
    // with wait all of them. Returns true when the run's output is complete.
    template <typename Emit> bool emitReady(Emit &emit, bool wait)
    {
        const std::size_t count = m_options.files.size();
        for (; m_emitted < count; ++m_emitted) {
            const std::size_t i = m_emitted;
            FileResult result;
            if (wait) {
                result = waitFor(i);
            } else {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (m_results[i].verdict == Verdict::Pending)
                    return false;
                result = std::move(m_results[i]);
            }
            m_seen.push_back(
                { result.verdict, result.complete, result.rows, result.columns, {}, false, {} });
            if (result.verdict == Verdict::Unjudged)
                result = replay(i);
            emit(i, result);
            if (result.verdict == Verdict::Failed && !m_options.keepGoing) {
                stopAfter(i);
                m_emitted = count;
                return true;
            }
        }
        return true;
    }

    // No worker starts a file after index i.
    void stopAfter(std::size_t i)
    {
        std::size_t current = m_stopAt.load();
        while (i + 1 < current && !m_stopAt.compare_exchange_weak(current, i + 1)) { }
    }

    FileResult waitFor(std::size_t i)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_waitingFor.store(i);
        m_ready.wait(lock, [&] { return m_results[i].verdict != Verdict::Pending; });
        return std::move(m_results[i]);
    }

    // Brings the replay table to the state the one-thread run has before file i, then judges i.
    FileResult replay(std::size_t i)
    {
        if (!m_replayTable) {
            m_replayTable = std::make_unique<SpectrumTableData>();
            m_replayPeaks = std::make_unique<PeakListData>();
        }
        // The latest complete file that wrote every cell file i reads makes the files before it
        // irrelevant; otherwise go on from where the replay table stands.
        std::size_t start = m_replayed;
        for (std::size_t j = i; j-- > m_replayed;) {
            const FileResult &seen = m_seen[j];
            if ((seen.verdict == Verdict::Selected || seen.verdict == Verdict::Passed)
                && seen.complete && seen.rows >= m_seen[i].rows
                && seen.columns >= m_seen[i].columns) {
                start = j;
                break;
            }
        }
        BadFileListData scratch;
        for (std::size_t j = start;; ++j) {
            FileResult result = judgeFile(*m_replayTable, scratch, *m_replayPeaks,
                m_options.files[j], m_options, m_separators);
            if (j == i || (result.verdict == Verdict::Failed && !m_options.keepGoing)) {
                m_replayed = j + 1;
                return result;
            }
        }
    }

    const Options &m_options;
    const NumberSeparators &m_separators;
    std::vector<FileResult> m_results;
    std::vector<FileResult> m_seen; // what the workers found, in order, as far as emitted
    std::atomic<std::size_t> m_next { 0 };
    std::atomic<std::size_t> m_stopAt;
    std::atomic<std::size_t> m_waitingFor { static_cast<std::size_t>(-1) };
    std::size_t m_emitted = 0; // results before this index have been emitted
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::unique_ptr<SpectrumTableData> m_replayTable;
    std::unique_ptr<PeakListData> m_replayPeaks;
    std::size_t m_replayed = 0; // the replay table holds the state after files 0 .. m_replayed - 1
};

// The printed names or report rows, gathered and written in blocks. A failed write throws
// OutputError.
class Output
{
public:
    explicit Output(char end)
        : m_end(end)
    {
        m_buffer.reserve(kBlock);
    }
    void line(const std::string &text)
    {
        if (m_buffer.size() + text.size() + 1 > m_buffer.capacity())
            Fault::AllocationPoint();
        m_buffer += text;
        m_buffer += m_end;
        if (m_buffer.size() >= kBlock)
            flush();
    }
    void flush()
    {
        writeOut(m_buffer);
        m_buffer.clear(); // keeps its memory: the next rows need none
    }

private:
    static constexpr std::size_t kBlock = 1 << 16;
    std::string m_buffer;
    char m_end;
};

} // namespace

int main(int argc, char **argv)
{
#ifdef PH_FAULT_FROM_ENVIRONMENT
    ArmFaultFromEnvironment();
#endif
    Options options;
    std::string failedFile;
    try {
        options = parseArguments(argc, argv, failedFile);
    } catch (const OutputError &failure) {
        return reportOutputError(failure);
    } catch (const UsageError &error) {
        std::fprintf(
            stderr, "peakhound-search: %s\n\n%s", EscapeControls(error.reason).c_str(), kUsage);
        return 2;
    } catch (const Exception &error) {
        std::fprintf(stderr, "%s\n", EscapeControls(failedFile + ": " + error.what()).c_str());
        return 1;
    } catch (const std::bad_alloc &) {
        const std::string name = failedFile.empty() ? "peakhound-search" : failedFile;
        std::fprintf(
            stderr, "%s: %s\n", EscapeControls(name).c_str(), Messages::OutOfMemory.data());
        return 1;
    }

    const NumberSeparators separators = CurrentSeparators();
    Output out(options.null ? '\0' : '\n');
    std::vector<std::string> badFiles;
    std::vector<std::string> failures;
    const bool scored = options.scored();
    // Sorted by score, the judged files are held back until the run is done; in the report the
    // files not selected follow the selected ones in their order.
    std::vector<std::pair<double, std::string>> held;
    const auto emit = [&](std::size_t i, const FileResult &result) {
        switch (result.verdict) {
        case Verdict::Selected:
            if (options.sortByScore)
                held.emplace_back(result.judgement.Score,
                    options.report ? ReportFileRow(options.files[i], result.judgement, '.')
                                   : options.files[i]);
            else
                out.line(options.report ? ReportFileRow(options.files[i], result.judgement, '.')
                                        : options.files[i]);
            break;
        case Verdict::Passed:
            if (options.report && options.sortByScore)
                held.emplace_back(-1, ReportFileRow(options.files[i], result.judgement, '.'));
            else if (options.report)
                out.line(ReportFileRow(options.files[i], result.judgement, '.'));
            break;
        case Verdict::WrongLayout:
            badFiles.push_back(options.files[i]);
            break;
        case Verdict::Failed:
            failures.push_back(options.files[i] + ": "
                + (result.outOfMemory ? std::string(Messages::OutOfMemory) : result.message));
            break;
        case Verdict::Unjudged:
        case Verdict::Pending:
            break;
        }
    };

    const int jobs =
        static_cast<int>(std::min(static_cast<std::size_t>(options.jobs), options.files.size()));
    try {
        if (options.report)
            out.line(ReportHeaderRow(options.targets, scored));
        try {
            if (jobs == 1) {
                const auto results = judgeSequentially(options, separators);
                for (std::size_t i = 0; i < results.size(); ++i)
                    emit(i, results[i]);
            } else {
                ParallelSearch(options, separators).run(jobs, emit);
            }
        } catch (const std::bad_alloc &) {
            // Out of memory outside the reading of a file (tables, output): what was selected
            // before is still printed.
            failures.push_back("peakhound-search: " + std::string(Messages::OutOfMemory));
        }
        std::stable_sort(held.begin(), held.end(),
            [](const auto &a, const auto &b) { return a.first > b.first; });
        for (const auto &line : held)
            out.line(line.second);
        if (options.report) {
            for (const auto &name : badFiles)
                out.line(ReportWrongLayoutRow(name, options.targets.size(), scored));
        }
        out.flush();
        closeOut();
    } catch (const OutputError &failure) {
        return reportOutputError(failure);
    } catch (const std::bad_alloc &) {
        // No memory left for the last rows: what is gathered is still printed, and the run
        // fails.
        try {
            out.flush();
            closeOut();
        } catch (const OutputError &failure) {
            return reportOutputError(failure);
        }
        std::fprintf(stderr, "peakhound-search: %s\n", Messages::OutOfMemory.data());
        return 1;
    }

    for (const auto &failure : failures)
        std::fprintf(stderr, "%s\n", EscapeControls(failure).c_str());
    if (!failures.empty() && !options.keepGoing)
        return 1;
    if (!badFiles.empty()) {
        std::string text = std::string(kBadFilesHeading) + '\n';
        for (const auto &name : badFiles)
            text += '\t' + EscapeControls(name) + '\n';
        std::fputs(text.c_str(), stderr);
    }
    return failures.empty() ? 0 : 1;
}
