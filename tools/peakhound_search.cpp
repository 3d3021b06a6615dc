// peakhound-search: the search of the desktop program for scripted batch use. Reads each spectrum
// file, finds its peaks and prints the names of the files that match the sought peaks.

#include "commandline.h"
#include "eachspectrum.h"
#include "exceptions.h"
#include "faultinjection.h"
#include "filejudgement.h"
#include "filesizelimit.h"
#include "hitmapfiles.h"
#include "language.h"
#include "matchreport.h"
#include "messages.h"
#include "numconv.h"
#include "peakfile.h"
#include "separators.h"
#include "spectrumfile.h"
#include "spectrumlibrary.h"
#include "spectrumtable.h"
#include "textfile.h"
#include "textoutput.h"
#include "translatable.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <malloc.h>
#include <memory>
#include <mutex>
#include <new>
#include <pthread.h>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

constexpr const char *kBadFilesHeading = QT_TRANSLATE_NOOP(
    "Messages", "Folgende Daten hatten nicht das richtige Format und wurden ignoriert:");

constexpr const char *kUsage =
    "Usage: peakhound-search [OPTION]... [--] FILE...\n"
    "  or:  peakhound-search --like QUERY [--like QUERY]... [--top N] [--report] [--each]\n"
    "                        [--] LIBRARY...\n"
    "Print the spectrum files that show the sought peaks, one name per line, in the given order.\n"
    "With --like, identify each QUERY spectrum against the LIBRARY files instead.\n"
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
    "  --files-from PATH   also judge the files named in PATH, one per line, read as the run\n"
    "                      goes (a pipe too; - for standard input)\n"
    "  --each              judge every spectrum of every file (series, line scans, maps of any\n"
    "                      size): a file is printed when one of its spectra matches (with\n"
    "                      --inverse: when none does); the report gets a row per spectrum\n"
    "  --hit-map DIR       with --each: write a picture of every map file judged (its spectra\n"
    "                      at their stage positions, coloured by the search) as DIR/NAME.png\n"
    "  --report            print the match report instead of the names: a tab-separated table\n"
    "                      with a row per file (selected, missing count, the position found\n"
    "                      for each sought peak), numbers with a decimal point\n"
    "  --null              end each printed name (or report row) with a NUL byte, not a newline\n"
    "  --keep-going        a file that cannot be read is named on standard error and the run\n"
    "                      goes on; the exit status is then 1\n"
    "  --like QUERY        identify the spectrum file QUERY (repeatable): the files given are\n"
    "                      the library, each read once; print QUERY<TAB>RANK<TAB>FILE<TAB>SCORE\n"
    "                      for its best library files, rank 1 first, score 0 to 100 with two\n"
    "                      decimals; files that share no band with it are not listed\n"
    "  --top N             with --like: at most N files a query (default 10)\n"
    "                      With --like, --report prints the explanation instead: a tab-separated\n"
    "                      table with a row per hit, per band of the query and per strong band\n"
    "                      of the library file the query lacks; --each makes every spectrum of\n"
    "                      a query a query and every spectrum of a library file an entry, named\n"
    "                      FILE#K (K from 1) where the file holds more than one spectrum\n"
    "  --help              show this help\n"
    "  --version           show the version\n"
    "\n"
    "Instrument files (SPC, WDF, JCAMP-DX) and the text exports of instrument software are read\n"
    "and judged like spectrum files; without --each a file of more than 99 spectra is refused.\n"
    "Numbers are read with the decimal separator of the user's locale. Files of the wrong layout\n"
    "are named on standard error after the run. Exit status: 0 done, 1 a file or peak could not\n"
    "be read (the run ends at that file unless --keep-going), 2 usage error.\n";

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
        TranslatedMessage(FormatMessage(Messages::WriteError, SystemErrorText(failure.error)))
            .c_str());
    return 1;
}

class NameSource;

struct LikeMode;

struct Options {
    std::vector<std::string> targets;
    std::shared_ptr<NameSource> files;
    SearchSettings settings;
    int jobs = 0;
    bool report = false;
    bool null = false;
    bool keepGoing = false;
    bool sortByScore = false;
    bool each = false; // judge every spectrum of every file
    std::string hitMapFolder; // --hit-map: a picture of every map file judged goes there
    PeakRuleSettings rule;
    // --like: the query files, and how many library files a query lists at most.
    std::vector<std::string> likeQueries;
    std::size_t top = 10;
    // While --like reads its library or its queries: what a file or spectrum is made of instead
    // of a judgement.
    const LikeMode *like = nullptr;
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

// The names to judge, in order: those of the command line, then those of each name list, read
// a line at a time as the run needs them, so that a list of millions of names costs no more
// memory than one. Name lists follow the text-file line rules; empty lines name nothing.
class NameSource
{
public:
    // Opens every list at once, so that a list that cannot be opened is named before the run.
    // Raises the runtime's error with failedFile naming the list.
    NameSource(std::vector<std::string> names, const std::vector<std::string> &listPaths,
        std::string &failedFile)
        : m_names(std::move(names))
    {
        for (const auto &path : listPaths) {
            failedFile = path;
            m_lists.push_back(
                { path, std::make_unique<TextFile>(path, TextFile::Stream::Allowed) });
        }
        failedFile.clear();
    }

    // The next name; false at the end. A list that cannot be read on raises the runtime's error,
    // with failedFile() naming it.
    bool next(std::string &name)
    {
        if (m_peeked) {
            m_peeked = false;
            name = std::move(m_peekedName);
            return true;
        }
        if (m_nextName < m_names.size()) {
            name = std::move(m_names[m_nextName++]);
            if (m_nextName == m_names.size())
                std::vector<std::string>().swap(m_names);
            return true;
        }
        for (; m_list < m_lists.size(); ++m_list) {
            TextFile &file = *m_lists[m_list].file;
            while (!file.Eof()) {
                const std::string_view line = file.ReadLine();
                if (file.LineTooLong()) // far beyond any name the system takes
                    ThrowInOutError(ENAMETOOLONG);
                if (!line.empty()) {
                    name.assign(line);
                    return true;
                }
            }
            m_lists[m_list].file.reset();
        }
        return false;
    }

    // Whether there is no name at all; reads ahead one name.
    bool empty()
    {
        if (m_peeked || m_nextName < m_names.size())
            return false;
        m_peeked = next(m_peekedName);
        return !m_peeked;
    }

    // Whether all names are known without reading a list: then their count.
    bool counted() const { return m_lists.empty(); }
    std::size_t count() const { return m_names.size() - m_nextName + (m_peeked ? 1 : 0); }

    const std::string &failedFile() const
    {
        static const std::string none;
        return m_list < m_lists.size() ? m_lists[m_list].path : none;
    }

private:
    struct List {
        std::string path;
        std::unique_ptr<TextFile> file;
    };
    std::vector<std::string> m_names;
    std::size_t m_nextName = 0;
    std::vector<List> m_lists;
    std::size_t m_list = 0;
    bool m_peeked = false;
    std::string m_peekedName;
};

// Lines kept for the end of the run (the names of the wrong layout, the failures): in memory
// up to kKeptBytes, beyond that in an unnamed temporary file, so that a run over millions of
// such files stays in bounded memory. Read back in the order added. Should the temporary file
// not be had or fill up, the rest is kept in memory.
class LineStore
{
public:
    LineStore() = default;
    LineStore(const LineStore &) = delete;
    LineStore &operator=(const LineStore &) = delete;
    ~LineStore()
    {
        if (m_spill != nullptr)
            std::fclose(m_spill);
    }

    void add(const std::string &line)
    {
        if (m_kept + line.size() > kKeptBytes && openSpill()) {
            const std::uint64_t size = line.size();
            if (std::fwrite(&size, sizeof size, 1, m_spill) == 1
                && std::fwrite(line.data(), 1, line.size(), m_spill) == line.size()) {
                ++m_spilled;
                return;
            }
            m_spillFull = true; // the whole records before this one stay readable
        }
        if (m_spilled > 0 && m_afterSpill == kNone)
            m_afterSpill = m_lines.size();
        m_lines.push_back(line);
        m_kept += line.size() + sizeof(std::string);
    }

    bool empty() const { return m_lines.empty() && m_spilled == 0; }

    template <typename Use> void forEach(Use &&use)
    {
        const std::size_t before = std::min(m_afterSpill, m_lines.size());
        for (std::size_t k = 0; k < before; ++k)
            use(m_lines[k]);
        if (m_spilled > 0 && std::fflush(m_spill) == 0) {
            std::rewind(m_spill);
            std::string line;
            for (std::size_t k = 0; k < m_spilled; ++k) {
                std::uint64_t size = 0;
                if (std::fread(&size, sizeof size, 1, m_spill) != 1)
                    break;
                line.resize(static_cast<std::size_t>(size));
                if (std::fread(line.data(), 1, line.size(), m_spill) != line.size())
                    break;
                use(line);
            }
        }
        for (std::size_t k = before; k < m_lines.size(); ++k)
            use(m_lines[k]);
    }

private:
    static constexpr std::size_t kKeptBytes = 4 << 20;
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    bool openSpill()
    {
        if (m_spill == nullptr && !m_spillFull) {
            m_spill = std::tmpfile();
            m_spillFull = m_spill == nullptr;
        }
        return !m_spillFull;
    }

    std::vector<std::string> m_lines; // before the spill, and after it filled up
    std::size_t m_kept = 0;
    std::FILE *m_spill = nullptr;
    bool m_spillFull = false;
    std::size_t m_spilled = 0;
    std::size_t m_afterSpill = kNone; // the first line of m_lines added after spilled ones
};

// A refused file as the end of the run names it: its name and, for a file of another format,
// the reason, apart by a NUL (which no name holds).
std::string badFileRecord(const std::string &name, const std::string &reason)
{
    return reason.empty() ? name : name + '\0' + reason;
}

std::pair<std::string, std::string> splitBadFileRecord(const std::string &record)
{
    const auto nul = record.find('\0');
    if (nul == std::string::npos)
        return { record, {} };
    return { record.substr(0, nul), record.substr(nul + 1) };
}

// The end of a run on standard error: the failures, then (unless a failure ended the run) the
// files of the wrong layout and a name list that could not be read on. The exit status.
int endOnStandardError(
    LineStore &failures, LineStore &badFiles, const std::string &listError, bool keepGoing)
{
    failures.forEach([](const std::string &failure) {
        std::fprintf(stderr, "%s\n", EscapeControls(TranslatedMessage(failure)).c_str());
    });
    if (!failures.empty() && !keepGoing)
        return 1;
    if (!badFiles.empty()) {
        std::fputs(TranslatedMessage(kBadFilesHeading).c_str(), stderr);
        std::fputc('\n', stderr);
        badFiles.forEach([](const std::string &record) {
            const auto [name, reason] = splitBadFileRecord(record);
            const std::string entry = reason.empty() ? name : name + ": " + reason;
            std::fprintf(stderr, "\t%s\n", EscapeControls(TranslatedMessage(entry)).c_str());
        });
    }
    if (!listError.empty()) {
        std::fprintf(stderr, "%s\n", EscapeControls(TranslatedMessage(listError)).c_str());
        return 1;
    }
    return failures.empty() ? 0 : 1;
}

// Parses the command line. Reading the peak and name files can raise runtime errors; those are
// reported with the file's name like any other.
Options parseArguments(int argc, char **argv, std::string &failedFile)
{
    Options options;
    std::vector<std::string> names;
    std::vector<std::string> peakFiles;
    std::vector<std::string> listFiles;
    bool presetWanted = false;
    bool topGiven = false;
    std::string searchOption; // the first option of the peak search, which --like does not take
    const CommandLine commandLine({ { "--peak", true }, { "--peak-file", true },
        { "--rh6g", false }, { "--tolerance", true }, { "--max-missing", true },
        { "--inverse", false }, { "--rule", true }, { "--from", true }, { "--to", true },
        { "--sort", true }, { "--jobs", true }, { "--files-from", true }, { "--each", false },
        { "--hit-map", true }, { "--like", true }, { "--top", true }, { "--report", false },
        { "--null", false }, { "--keep-going", false } });
    const auto option = [&](const std::string &name, std::string value) {
        if (searchOption.empty()
            && (name == "--peak" || name == "--peak-file" || name == "--rh6g"
                || name == "--tolerance" || name == "--max-missing" || name == "--inverse"
                || name == "--rule" || name == "--from" || name == "--to" || name == "--sort"
                || name == "--hit-map"))
            searchOption = name;
        if (name == "--peak") {
            options.targets.push_back(std::move(value));
        } else if (name == "--peak-file") {
            peakFiles.push_back(std::move(value));
        } else if (name == "--rh6g") {
            presetWanted = true;
        } else if (name == "--tolerance") {
            options.settings.Tolerance = parseInteger(name, value);
        } else if (name == "--max-missing") {
            options.settings.MaxMissing = parseInteger(name, value);
        } else if (name == "--inverse") {
            options.settings.Inverse = true;
        } else if (name == "--rule") {
            if (value == "standard")
                options.rule.Rule = PeakRule::Standard;
            else if (value == "sensitive")
                options.rule.Rule = PeakRule::Sensitive;
            else
                throw UsageError { "--rule takes standard or sensitive, not '" + value + "'" };
        } else if (name == "--from") {
            options.rule.From = parseNumber(name, value);
        } else if (name == "--to") {
            options.rule.To = parseNumber(name, value);
        } else if (name == "--sort") {
            if (value != "score")
                throw UsageError { "--sort takes score, not '" + value + "'" };
            options.sortByScore = true;
        } else if (name == "--jobs") {
            options.jobs = parseInteger(name, value);
            if (options.jobs < 1)
                throw UsageError { "--jobs needs at least 1" };
        } else if (name == "--files-from") {
            listFiles.push_back(std::move(value));
        } else if (name == "--each") {
            options.each = true;
        } else if (name == "--hit-map") {
            options.hitMapFolder = std::move(value);
            if (options.hitMapFolder.empty())
                throw UsageError { "--hit-map needs a folder" };
        } else if (name == "--like") {
            if (value.empty())
                throw UsageError { "--like needs a spectrum file" };
            options.likeQueries.push_back(std::move(value));
        } else if (name == "--top") {
            const int top = parseInteger(name, value);
            if (top < 1)
                throw UsageError { "--top needs at least 1" };
            options.top = static_cast<std::size_t>(top);
            topGiven = true;
        } else if (name == "--report") {
            options.report = true;
        } else if (name == "--null") {
            options.null = true;
        } else if (name == "--keep-going") {
            options.keepGoing = true;
        }
    };
    const auto operand = [&names](std::string name) { names.push_back(std::move(name)); };
    const CommandLine::Request request = commandLine.parse(argc, argv, option, operand);
    if (request != CommandLine::Request::Run) {
        writeOut(request == CommandLine::Request::Help ? std::string(kUsage)
                                                       : VersionLine("peakhound-search"));
        closeOut();
        std::exit(0);
    }
    if (!options.likeQueries.empty() && !searchOption.empty())
        throw UsageError { "--like does not take " + searchOption };
    if (topGiven && options.likeQueries.empty())
        throw UsageError { "--top needs --like" };
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
    options.files = std::make_shared<NameSource>(std::move(names), listFiles, failedFile);
    bool noFiles = true;
    try {
        noFiles = options.files->empty();
    } catch (const Exception &) {
        failedFile = options.files->failedFile();
        throw;
    }
    if (noFiles)
        throw UsageError { "no spectrum files given" };
    if (!options.hitMapFolder.empty() && !options.each)
        throw UsageError { "--hit-map needs --each" };
    if (options.jobs == 0)
        options.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return options;
}

// --like: what a file (its last spectrum) or, with --each, a spectrum is made of. While the
// library is read, its description; for a query, its best library entries, best first, with the
// reasons of each when the report is wanted (the query's own description is then dropped).
struct LikeHit {
    std::size_t entry = 0;
    double score = 0;
    LibraryMatch match; // explained, for the report
};
struct Likeness {
    LibraryEntry entry;
    std::vector<LikeHit> hits;
};

struct LikeMode {
    const SpectrumLibrary *library = nullptr; // null while the library is read
    std::size_t top = 10;
    bool explain = false;

    void take(const double *x, const double *y, std::size_t points, Likeness &like) const
    {
        like.entry = DescribeSpectrum(x, y, points);
        like.hits.clear();
        if (library == nullptr)
            return;
        for (const SpectrumLibrary::Hit &hit : library->Rank(like.entry, top)) {
            LikeHit found;
            found.entry = hit.Entry;
            found.score = hit.Score;
            if (explain)
                found.match = MatchSpectra(like.entry, library->Entry(hit.Entry), true);
            like.hits.push_back(std::move(found));
        }
        like.entry = LibraryEntry();
    }

    // The spectrum a file is judged by: the table's last, on column 1's x.
    void take(const SpectrumTableData &table, Likeness &like) const
    {
        thread_local std::vector<double> x;
        thread_local std::vector<double> y;
        const auto rows = static_cast<std::size_t>(std::max(table.RowCount, 0));
        x.resize(rows);
        y.resize(rows);
        for (std::size_t k = 0; k < rows; ++k) {
            x[k] = table.Cells[k][0];
            y[k] = table.Cells[k][table.SpectrumCount];
        }
        take(x.data(), y.data(), rows, like);
    }
};

// Unjudged: read, but left to the run that knows what earlier files put into the table.
enum class Verdict { Pending, Selected, Passed, Unjudged, WrongLayout, Failed };

struct FileResult {
    Verdict verdict = Verdict::Pending;
    bool complete = true; // the judgement used nothing an earlier file left in the table
    int rows = 0;
    int columns = 0;
    LoadExtent written; // the cells the reading wrote, also when it failed
    std::string message; // of a failure, or the reason of a refused file of another format
    bool outOfMemory = false; // failed for want of memory; message is then left empty
    FileJudgement judgement; // of a judged file
    Likeness like; // of a file read for --like (verdict Selected)
};

// Reads and judges one file on the given table, as the main window does. With judgeIncomplete
// false, a file whose rows are not complete is only read: its verdict depends on cells of earlier
// files, which only an in-order run knows.
FileResult judgeFile(SpectrumTableData &table, BadFileListData &badFiles, PeakListData &peaks,
    const std::string &name, const Options &options, const NumberSeparators &separators,
    bool judgeIncomplete = true)
{
    FileResult result;
    badFiles.Count = 0; // only this file's verdict is wanted: the list holds one name at most
    try {
        const LoadResult load = LoadSpectrumFile(table, badFiles, name, separators, result.written);
        result.complete = load.Complete;
        if (!load.WellFormed) {
            result.verdict = Verdict::WrongLayout;
            result.message = load.Reason;
            return result;
        }
        result.rows = table.RowCount;
        result.columns = table.SpectrumCount + 1;
        if (!load.Complete && !judgeIncomplete) {
            result.verdict = Verdict::Unjudged;
            return result;
        }
        if (options.like != nullptr) {
            if (table.SpectrumCount < 1)
                result.like.entry = LibraryEntry();
            else
                options.like->take(table, result.like);
            result.verdict = Verdict::Selected;
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

// A name list that could not be read on: the run ends there, and the list is named.
struct ListError {
    std::string message;
};

// Judges the files in order on one table, emitting each at once; stops at the first runtime
// error unless told to go on.
template <typename Emit>
void judgeSequentially(const Options &options, const NumberSeparators &separators, Emit &&emit)
{
    auto table = std::make_unique<SpectrumTableData>();
    auto peaks = std::make_unique<PeakListData>();
    BadFileListData badFiles;
    NameSource &names = *options.files;
    std::string name;
    for (;;) {
        try {
            if (!names.next(name))
                return;
        } catch (const Exception &error) {
            throw ListError { names.failedFile() + ": " + error.what() };
        }
        const FileResult result = judgeFile(*table, badFiles, *peaks, name, options, separators);
        emit(name, result);
        if (result.verdict == Verdict::Failed && !options.keepGoing)
            return;
    }
}

// A thread on a stack of kWorkerStack bytes that it maps itself, instead of the system's
// 8 MiB, which a limit on the address space counts for each thread and which the system keeps
// mapped for later threads; joined and unmapped when the object goes.
class WorkerThread
{
public:
    explicit WorkerThread(std::function<void()> body)
        : m_body(std::move(body))
    {
        void *stack = ::mmap(nullptr, kWorkerStack, PROT_READ | PROT_WRITE,
            MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
        if (stack == MAP_FAILED)
            throw std::system_error(errno, std::generic_category());
        m_stack = stack;
        ::mprotect(m_stack, kGuard, PROT_NONE); // an overflow faults instead of writing on
        pthread_attr_t attributes;
        int error = ::pthread_attr_init(&attributes);
        if (error == 0) {
            error = ::pthread_attr_setstack(&attributes, m_stack, kWorkerStack);
            if (error == 0)
                error = ::pthread_create(&m_thread, &attributes, &WorkerThread::start, this);
            ::pthread_attr_destroy(&attributes);
        }
        if (error != 0) {
            ::munmap(m_stack, kWorkerStack);
            throw std::system_error(error, std::generic_category());
        }
    }
    WorkerThread(const WorkerThread &) = delete;
    WorkerThread &operator=(const WorkerThread &) = delete;
    ~WorkerThread()
    {
        ::pthread_join(m_thread, nullptr);
        ::munmap(m_stack, kWorkerStack);
    }

private:
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    static constexpr std::size_t kWorkerStack = std::size_t { 8 } << 20;
#else
    // The readers and the peak rules keep their data on the heap; their deepest calls need a few
    // dozen kilobytes.
    static constexpr std::size_t kWorkerStack = std::size_t { 1 } << 20;
#endif
    static constexpr std::size_t kGuard = 4096;

    static void *start(void *self)
    {
        static_cast<WorkerThread *>(self)->m_body();
        return nullptr;
    }

    std::function<void()> m_body;
    void *m_stack = nullptr;
    pthread_t m_thread {};
};

// Judges the files on several threads, each with a table of its own, and emits them in order on
// the calling thread. Names are taken from the source as files are started, and at most kWindow
// files are between started and emitted, so memory does not grow with the length of the list.
//
// The one-thread run judges every file on the table the earlier files left. A file whose rows
// were not all complete read cells that an earlier file had left there; such a file is judged
// again on the replay table, brought to the state the one-thread run has before it. For that the
// run keeps the earlier files that still matter: every file that wrote cells, less those whose
// cells a later complete file has all written over. A file that ran out of memory beside the
// others is read again alone on the replay table, the workers having given back their tables,
// before it is given up, so that the outcome does not depend on the number of threads.
class ParallelSearch
{
public:
    ParallelSearch(const Options &options, const NumberSeparators &separators)
        : m_options(options)
        , m_separators(separators)
        , m_slots(kWindow)
    {
    }

    template <typename Emit> void run(int jobs, Emit &&emit)
    {
        m_jobs = jobs;
        {
            // However the calling thread leaves (also for want of memory), the workers stop
            // after their current file and are joined before the state they use goes.
            struct StopOnExit {
                ParallelSearch &search;
                ~StopOnExit() { search.stopWorkers(); }
            };
            const StopOnExit stop { *this };
            startWorkers();
            lead(emit);
        }
        if (!m_listError.empty())
            throw ListError { m_listError };
    }

private:
    static constexpr std::size_t kWindow = 1024;
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    struct Slot {
        std::string name;
        FileResult result;
    };

    // A file the replay table has not seen yet that wrote cells.
    struct Earlier {
        std::string name;
        LoadExtent written;
    };

    // What a thread reads and judges on.
    struct Tables {
        std::unique_ptr<SpectrumTableData> table;
        std::unique_ptr<PeakListData> peaks;
        BadFileListData badFiles;
    };

    Slot &slot(std::size_t i) { return m_slots[i % kWindow]; }

    // Starts the next file under the lock: its index, or kNone when there is none to start now
    // (the window is full) or at all (ended; for a worker also when the workers are stopped).
    std::size_t claim(bool &ended, bool worker)
    {
        ended = m_namesEnded || m_claimed >= m_stopAt || (worker && m_stopWorkers);
        if (ended || m_claimed >= m_emitted + kWindow)
            return kNone;
        std::string name;
        bool more = false;
        try {
            more = m_options.files->next(name);
        } catch (const Exception &error) {
            m_listError = m_options.files->failedFile() + ": " + error.what();
        } catch (const std::bad_alloc &) {
            m_listError = "peakhound-search: " + std::string(Messages::OutOfMemory);
        }
        if (!more) {
            m_namesEnded = ended = true;
            m_changed.notify_all();
            return kNone;
        }
        const std::size_t i = m_claimed++;
        slot(i).name = std::move(name);
        slot(i).result = FileResult();
        return i;
    }

    // Judges file i and hands over the result. A thread that cannot get its tables reports the
    // file as out of memory, which the emitting thread then reads again alone.
    void judge(std::size_t i, const std::string &name, Tables &tables)
    {
        FileResult result;
        if (acquire(tables)) {
            // The table is left uncleared (8 MB a thread): a complete file is judged only on
            // cells it wrote itself, and an incomplete one is not judged here at all.
            result = judgeFile(*tables.table, tables.badFiles, *tables.peaks, name, m_options,
                m_separators, false);
        } else {
            result.verdict = Verdict::Failed;
            result.outOfMemory = true;
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (result.verdict == Verdict::Failed && !m_options.keepGoing && !result.outOfMemory)
                m_stopAt = std::min(m_stopAt, i + 1);
            slot(i).result = std::move(result);
        }
        m_changed.notify_all();
    }

    bool acquire(Tables &tables)
    {
        if (tables.table)
            return true;
        tables.table.reset(new (std::nothrow) SpectrumTableData);
        tables.peaks.reset(new (std::nothrow) PeakListData);
        if (!tables.table || !tables.peaks) {
            tables = Tables();
            return false;
        }
        return true;
    }

    // A worker: reads and judges files until none is left or the workers are stopped.
    void work()
    {
        Tables tables;
        for (;;) {
            std::size_t i = kNone;
            std::string name;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                bool ended = false;
                while ((i = claim(ended, true)) == kNone && !ended)
                    m_changed.wait(lock);
                if (i == kNone)
                    return;
                name = slot(i).name;
            }
            judge(i, name, tables);
        }
    }

    void startWorkers()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopWorkers = false;
        }
        for (int w = 0; w < m_jobs; ++w) {
            try {
                m_workers.push_back(std::make_unique<WorkerThread>([this] { work(); }));
            } catch (const std::system_error &) {
                break; // no thread to be had (memory, limits): fewer threads do the work
            }
        }
        m_leadReads = m_workers.empty();
    }

    // The workers finish the files they are reading and end, giving back their tables.
    void stopWorkers()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopWorkers = true;
        }
        m_changed.notify_all();
        m_workers.clear();
    }

    // The calling thread: emits what is ready in order; reads files itself only when no worker
    // could be started.
    template <typename Emit> void lead(Emit &emit)
    {
        for (;;) {
            std::size_t i = kNone;
            std::string name;
            FileResult result;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                for (;;) {
                    if (m_emitted >= m_stopAt || (m_namesEnded && m_emitted == m_claimed))
                        return;
                    if (m_emitted < m_claimed
                        && slot(m_emitted).result.verdict != Verdict::Pending) {
                        name = std::move(slot(m_emitted).name);
                        result = std::move(slot(m_emitted).result);
                        break;
                    }
                    bool ended = false;
                    if (m_leadReads && (i = claim(ended, false)) != kNone) {
                        name = slot(i).name;
                        break;
                    }
                    if (!ended || m_emitted < m_claimed)
                        m_changed.wait(lock);
                }
            }
            if (i != kNone)
                judge(i, name, m_leadTables);
            else
                emitOne(emit, name, result);
        }
    }

    // Emits the next file in order, judged anew where its verdict needs the earlier files or
    // memory of its own.
    template <typename Emit> void emitOne(Emit &emit, const std::string &name, FileResult &result)
    {
        if (result.verdict == Verdict::Unjudged)
            result = replay(name);
        else if (result.outOfMemory)
            result = alone(name);
        else
            remember(name, result);
        emit(name, result);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (result.verdict == Verdict::Failed && !m_options.keepGoing)
                m_stopAt = std::min(m_stopAt, m_emitted + 1);
            ++m_emitted;
        }
        m_changed.notify_all();
    }

    // Keeps a file the replay table has not seen, when it wrote cells that no later complete
    // file writes over; a complete file drops every earlier one whose cells it covers.
    void remember(const std::string &name, const FileResult &result)
    {
        if (result.written.Rows == 0 || result.written.Columns == 0)
            return;
        const bool judged =
            result.verdict == Verdict::Selected || result.verdict == Verdict::Passed;
        if (judged && result.complete) {
            // Every row up to RowCount got all its columns, and the row after it was zeroed.
            const int rows = std::min(result.rows + 1, kMaxRows);
            const int columns = std::min(result.columns, kMaxColumns);
            m_earlier.erase(std::remove_if(m_earlier.begin(), m_earlier.end(),
                                [&](const Earlier &e) {
                                    return e.written.Rows <= rows && e.written.Columns <= columns;
                                }),
                m_earlier.end());
        }
        m_earlier.push_back({ name, result.written });
    }

    // Brings the replay table to the state the one-thread run has before this file, then
    // judges it there.
    FileResult replay(const std::string &name)
    {
        if (!m_replay.table) {
            m_replay.table.reset(new (std::nothrow) SpectrumTableData());
            m_replay.peaks.reset(new (std::nothrow) PeakListData());
            if (!m_replay.table || !m_replay.peaks) {
                m_replay = Tables();
                FileResult failed;
                failed.verdict = Verdict::Failed;
                failed.outOfMemory = true;
                return failed;
            }
        }
        LoadExtent ignored;
        for (const Earlier &earlier : m_earlier) {
            m_replay.badFiles.Count = 0;
            try {
                LoadSpectrumFile(
                    *m_replay.table, m_replay.badFiles, earlier.name, m_separators, ignored);
            } catch (const Exception &) {
                // The cells it wrote before its error are in the table, as in the one-thread run.
            } catch (const std::bad_alloc &) {
            }
        }
        m_earlier.clear();
        return judgeFile(*m_replay.table, m_replay.badFiles, *m_replay.peaks, name, m_options,
            m_separators, true);
    }

    // Judges a file again once no other file is being read and the workers have ended, their
    // tables and stacks given back to the system, then lets the workers go on.
    FileResult alone(const std::string &name)
    {
        stopWorkers();
        m_leadTables = Tables();
        ::malloc_trim(0);
        FileResult result = replay(name);
        startWorkers();
        return result;
    }

    const Options &m_options;
    const NumberSeparators &m_separators;
    std::vector<Slot> m_slots; // file i in m_slots[i % kWindow] from its start to its emission
    std::mutex m_mutex;
    std::condition_variable m_changed; // a file started or judged, one emitted, a pause
    std::size_t m_claimed = 0; // files started
    std::size_t m_emitted = 0; // files emitted
    std::size_t m_stopAt = kNone; // no file at or after this index is started or emitted
    bool m_namesEnded = false;
    bool m_stopWorkers = false;
    bool m_leadReads = false; // no worker could be started
    int m_jobs = 1;
    std::vector<std::unique_ptr<WorkerThread>> m_workers;
    std::string m_listError;
    std::vector<Earlier> m_earlier; // in order; the emitting thread's alone
    Tables m_replay;
    Tables m_leadTables; // when the calling thread reads files itself
};

// --each: every spectrum of every file judged on its own. The calling thread reads the files in
// order and queues their spectra (copied) in batches for the workers, which judge a batch at a
// time; the results are emitted in order, spectrum by spectrum, then the file's verdict. The
// queue is bounded in batches and in bytes, so that a map of any size goes through in bounded
// memory. A file of the program's own layout is read into the calling thread's table as the
// search of files reads it.
struct EachFileEnd {
    Verdict verdict = Verdict::Pending; // Selected, Passed, WrongLayout or Failed
    std::string message; // of a failure, or a refusal's reason
    bool outOfMemory = false;
    double score = 0;
};

class EachSearch
{
public:
    // like: what --like made of the spectrum (may be moved from).
    using SpectrumEmit = std::function<void(
        const std::string &file, const SpectrumPlace &, const FileJudgement &, Likeness &like)>;
    using FileEmit = std::function<void(const std::string &file, const EachFileEnd &)>;

    EachSearch(const Options &options, const NumberSeparators &separators)
        : m_options(options)
        , m_separators(separators)
        , m_batches(kSlots)
        , m_batchSpectra(options.like != nullptr && options.like->library != nullptr
                  ? kBatchQueries
                  : kBatchSpectra)
    {
    }

    void run(int jobs, const SpectrumEmit &emitSpectrum, const FileEmit &emitFile)
    {
        m_emitSpectrum = &emitSpectrum;
        m_emitFile = &emitFile;
        struct StopOnExit {
            EachSearch &search;
            ~StopOnExit() { search.stopWorkers(); }
        };
        const StopOnExit stop { *this };
        if (jobs > 1) {
            for (int w = 0; w < jobs; ++w) {
                try {
                    m_workers.push_back(std::make_unique<WorkerThread>([this] { work(); }));
                } catch (const std::system_error &) {
                    break; // fewer threads do the work; the calling thread judges as well
                }
            }
        }
        lead();
        if (!m_listError.empty())
            throw ListError { m_listError };
    }

private:
    // Batches queued at once.
    static constexpr std::size_t kSlots = 64;
    // The spectra queued at once hold at most this many bytes of values.
    static constexpr std::size_t kQueuedBytes = std::size_t { 16 } << 20;
    // A batch is handed over when it holds this many spectra or this many bytes of values: enough
    // work for a worker to make the handing over cheap, little enough to keep it in its cache.
    static constexpr std::size_t kBatchSpectra = 64;
    // A query of --like costs a comparison with every library entry: a few make a batch.
    static constexpr std::size_t kBatchQueries = 4;
    static constexpr std::size_t kBatchBytes = std::size_t { 256 } << 10;

    enum class State { Free, Queued, Judging, Done };

    // One spectrum of a batch: where its values lie in the batch, and its judgement.
    struct Item {
        std::size_t x = 0;
        std::size_t y = 0;
        std::size_t points = 0;
        SpectrumPlace place;
        FileJudgement judgement;
        Likeness like;
        bool failed = false;
        bool outOfMemory = false;
        std::string message;
    };

    // Spectra of one file in its order, and its end when the file's last spectrum is in it. The
    // storage of values and items is kept from batch to batch.
    struct Batch {
        State state = State::Free;
        std::vector<double> values; // the spectra's x and y; spectra on the same x share it
        std::vector<Item> items; // the first count belong to the batch
        std::size_t count = 0;
        std::size_t lastX = 0; // where the x of the last spectrum lies
        bool fileEnds = false;
        EachFileEnd end; // when fileEnds
        std::size_t bytes() const { return sizeof(double) * values.size(); }
    };

    struct Tables {
        std::unique_ptr<PeakListData> peaks;
    };

    // Hands the spectra of the file being read to the queue.
    class Queue : public SpectrumSink
    {
    public:
        explicit Queue(EachSearch &search)
            : m_search(search)
        {
        }
        std::string reason;
        bool Start(const StreamStart &start) override
        {
            if (start.Points > static_cast<std::uint64_t>(kMaxRows)) {
                reason = TooManyPointsReason(start.Points);
                return false;
            }
            return !m_search.stopped();
        }
        bool Take(const StreamedSpectrum &spectrum) override
        {
            ++m_number;
            if (spectrum.Points > static_cast<std::size_t>(kMaxRows)) {
                reason = TooManyPointsReason(spectrum.Points);
                return false;
            }
            return m_search.queueSpectrum(spectrum, m_number);
        }

    private:
        EachSearch &m_search;
        int m_number = 0;
    };

    Batch &batch(std::size_t i) { return m_batches[i % kSlots]; }

    bool stopped()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_stop;
    }

    // Reads the files in order; emits as the queue fills, and all that is left at the end.
    void lead()
    {
        BadFileListData badFiles;
        NameSource &names = *m_options.files;
        std::string name;
        for (;;) {
            try {
                if (stopped() || !names.next(name))
                    break;
            } catch (const Exception &error) {
                m_listError = names.failedFile() + ": " + error.what();
                break;
            }
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_fileNames.push_back(name);
            }
            EachFileEnd end;
            Queue queue(*this);
            badFiles.Count = 0;
            try {
                const LoadResult load =
                    StreamSpectrumFile(m_leadTable, badFiles, name, m_separators, queue);
                if (!queue.reason.empty() || !load.WellFormed) {
                    end.verdict = Verdict::WrongLayout;
                    end.message = queue.reason.empty() ? load.Reason : queue.reason;
                }
            } catch (const Exception &error) {
                end.verdict = Verdict::Failed;
                end.message = error.what();
            } catch (const std::bad_alloc &) {
                end.verdict = Verdict::Failed;
                end.outOfMemory = true;
            }
            queueFileEnd(std::move(end));
        }
        std::unique_lock<std::mutex> lock(m_mutex);
        while (m_emitted < m_published && !m_stop)
            emitOrHelp(lock);
    }

    // Waits for room in the queue, emitting or judging meanwhile; false when the run stops.
    bool makeRoom(std::unique_lock<std::mutex> &lock)
    {
        while (!m_stop
            && (m_published - m_emitted >= kSlots
                || (m_queuedBytes + kBatchBytes > kQueuedBytes && m_published > m_emitted)))
            emitOrHelp(lock);
        return !m_stop;
    }

    // The batch being filled (only this thread touches it), opened when there is none; null
    // when the run stops.
    Batch *filling()
    {
        Batch &b = batch(m_published);
        if (m_filling)
            return &b;
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!makeRoom(lock))
            return nullptr;
        lock.unlock();
        m_filling = true;
        b.values.clear();
        b.count = 0;
        b.fileEnds = false;
        b.end = EachFileEnd();
        return &b;
    }

    void publish(Batch &b)
    {
        m_filling = false;
        std::lock_guard<std::mutex> lock(m_mutex);
        b.state = b.count > 0 ? State::Queued : State::Done;
        m_queuedBytes += b.bytes();
        ++m_published;
        if (b.count > 0)
            m_queued.notify_one();
        else
            m_progress.notify_one();
    }

    bool queueSpectrum(const StreamedSpectrum &spectrum, int number)
    {
        Batch *b = filling();
        if (b == nullptr)
            return false;
        const std::size_t points = spectrum.Points;
        if (b->count == b->items.size())
            b->items.emplace_back();
        Item &item = b->items[b->count];
        // Spectra of a map share their x: it is kept once.
        std::vector<double> &values = b->values;
        const bool sameX = b->count > 0 && b->items[b->count - 1].points == points
            && std::memcmp(spectrum.X, values.data() + b->lastX, sizeof(double) * points) == 0;
        if (!sameX) {
            b->lastX = values.size();
            values.insert(values.end(), spectrum.X, spectrum.X + points);
        }
        item.x = b->lastX;
        item.y = values.size();
        values.insert(values.end(), spectrum.Y, spectrum.Y + points);
        item.points = points;
        item.place.Number = number;
        item.place.Name.assign(spectrum.Name);
        item.place.HasPosition = spectrum.HasPosition;
        item.place.X = spectrum.PositionX;
        item.place.Y = spectrum.PositionY;
        item.failed = item.outOfMemory = false;
        ++b->count;
        if (b->count >= m_batchSpectra || b->bytes() >= kBatchBytes)
            publish(*b);
        return true;
    }

    void queueFileEnd(EachFileEnd end)
    {
        Batch *b = filling();
        if (b == nullptr)
            return;
        b->fileEnds = true;
        b->end = std::move(end);
        publish(*b);
    }

    // The claim of the next queued batch, in order; kNone when none is queued. Batches of a
    // file's end alone are passed by.
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t claim()
    {
        while (m_claimed < m_published) {
            const std::size_t i = m_claimed++;
            if (batch(i).state == State::Queued) {
                batch(i).state = State::Judging;
                return i;
            }
        }
        return kNone;
    }

    void judge(Batch &b, Tables &tables)
    {
        for (std::size_t k = 0; k < b.count; ++k) {
            Item &item = b.items[k];
            try {
                if (!tables.peaks)
                    tables.peaks = std::make_unique<PeakListData>();
                StreamedSpectrum spectrum;
                spectrum.X = b.values.data() + item.x;
                spectrum.Y = b.values.data() + item.y;
                spectrum.Points = item.points;
                if (m_options.like != nullptr) {
                    m_options.like->take(spectrum.X, spectrum.Y, spectrum.Points, item.like);
                    continue;
                }
                JudgeSpectrum(spectrum, *tables.peaks, m_options.targets, m_options.settings,
                    m_options.rule, m_options.sortByScore, m_separators, item.judgement);
            } catch (const Exception &error) {
                item.failed = true;
                item.message = error.what();
            } catch (const std::bad_alloc &) {
                tables = Tables();
                item.failed = true;
                item.outOfMemory = true;
            }
        }
    }

    // Judges batch i (claimed) outside the lock and marks it done.
    void judgeClaimed(std::unique_lock<std::mutex> &lock, std::size_t i, Tables &tables)
    {
        lock.unlock();
        judge(batch(i), tables);
        lock.lock();
        batch(i).state = State::Done;
        if (i == m_emitted)
            m_progress.notify_one();
    }

    // Under the lock: emits the next batch when it is done, else judges a queued one (when no
    // worker runs, or the calling thread has nothing else to do), else waits.
    void emitOrHelp(std::unique_lock<std::mutex> &lock)
    {
        Batch &next = batch(m_emitted);
        if (m_emitted < m_published && next.state == State::Done) {
            lock.unlock();
            emit(next);
            lock.lock();
            next.state = State::Free;
            m_queuedBytes -= next.bytes();
            ++m_emitted;
            return;
        }
        const std::size_t i = claim();
        if (i != kNone) {
            judgeClaimed(lock, i, m_leadTables);
            return;
        }
        m_progress.wait(lock);
    }

    // Outside the lock, in the calling thread.
    void emit(Batch &b)
    {
        const std::string &file = m_fileNames.front();
        for (std::size_t k = 0; k < b.count; ++k) {
            Item &item = b.items[k];
            if (item.failed) {
                if (!m_fileFailed) {
                    m_fileFailed = true;
                    m_failure =
                        item.outOfMemory ? std::string(Messages::OutOfMemory) : item.message;
                }
                continue;
            }
            m_verdict.Add(item.judgement);
            (*m_emitSpectrum)(file, item.place, item.judgement, item.like);
        }
        if (!b.fileEnds)
            return;
        EachFileEnd end = std::move(b.end);
        if (end.verdict == Verdict::Pending && m_fileFailed) {
            end.verdict = Verdict::Failed;
            end.message = m_failure;
        } else if (end.verdict == Verdict::Pending) {
            end.verdict = m_verdict.Selected() ? Verdict::Selected : Verdict::Passed;
            end.score = m_verdict.Score();
        }
        (*m_emitFile)(file, end);
        if (end.verdict == Verdict::Failed && !m_options.keepGoing) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
            m_queued.notify_all();
            m_progress.notify_all();
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_fileNames.pop_front();
        m_verdict = FileVerdict(m_options.settings.Inverse);
        m_fileFailed = false;
        m_failure.clear();
    }

    void work()
    {
        Tables tables;
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            if (m_stop || m_workersEnd)
                return;
            const std::size_t i = claim();
            if (i == kNone) {
                m_queued.wait(lock);
                continue;
            }
            judgeClaimed(lock, i, tables);
        }
    }

    void stopWorkers()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_workersEnd = true;
        }
        m_queued.notify_all();
        m_workers.clear();
    }

    const Options &m_options;
    const NumberSeparators &m_separators;
    const SpectrumEmit *m_emitSpectrum = nullptr;
    const FileEmit *m_emitFile = nullptr;
    std::vector<Batch>
        m_batches; // batch i in m_batches[i % kSlots] from its filling to its emission
    const std::size_t m_batchSpectra;
    std::deque<std::string> m_fileNames; // of the files read and not yet emitted, in order
    std::mutex m_mutex;
    std::condition_variable m_queued; // a batch queued (workers wait for it), or the end
    std::condition_variable m_progress; // the next batch to emit done (the calling thread waits)
    std::size_t m_published = 0; // batches queued
    bool m_filling = false; // batch m_published is being filled (by the calling thread)
    std::size_t m_claimed = 0; // batches taken for judging (or passed by)
    std::size_t m_emitted = 0;
    std::size_t m_queuedBytes = 0;
    bool m_stop = false; // a failure ends the run
    bool m_workersEnd = false;
    std::vector<std::unique_ptr<WorkerThread>> m_workers;
    // Files of the program's own layout are read into the program's table: static storage,
    // all zero, whose pages cost nothing until such a file is read (a table of its own cost
    // clearing 8 MB, a good part of a small run).
    SpectrumTableData &m_leadTable = SpectrumTable;
    Tables m_leadTables;
    std::string m_listError;
    // The verdict of the file being emitted.
    FileVerdict m_verdict { m_options.settings.Inverse };
    bool m_fileFailed = false;
    std::string m_failure;
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

// A number with a decimal point and the given count of decimals (rounded half to even, as the
// report rounds its scores), whatever the locale.
std::string fixedNumber(double value, int decimals)
{
    unsigned long long unit = 1;
    for (int k = 0; k < decimals; ++k)
        unit *= 10;
    const double scaled = std::nearbyint(value * static_cast<double>(unit));
    const auto units = static_cast<unsigned long long>(std::fabs(scaled));
    std::string fraction = std::to_string(units % unit);
    fraction.insert(0, static_cast<std::size_t>(decimals) - fraction.size(), '0');
    return (scaled < 0 ? "-" : "") + std::to_string(units / unit) + "." + fraction;
}

constexpr const char *kLikeReportHeader = "Anfrage\tRang\tDatei\tGüte\tArt\tAnteil Anfrage\t"
                                          "Anteil Bibliothek\tVersatz\tBande Anfrage\t"
                                          "Bande Bibliothek\tStärke";

// Reads the files of phase.files for --like, as the search reads them: without --each each file
// whose last spectrum was made into a Likeness goes to spectrum(file, 0, like); with --each every
// spectrum goes to spectrum(file, number, like) (number from 1), and end(file, kept) follows each
// file, kept false for a file refused or failed. Refusals and failures are kept for the end.
template <typename Spectrum, typename End>
void readLikeFiles(Options &phase, const NumberSeparators &separators, LineStore &badFiles,
    LineStore &failures, Spectrum &&spectrum, End &&end)
{
    const auto failure = [&failures](const std::string &name, bool outOfMemory,
                             const std::string &message) {
        failures.add(name + ": " + (outOfMemory ? std::string(Messages::OutOfMemory) : message));
    };
    if (phase.each) {
        const EachSearch::SpectrumEmit emitSpectrum =
            [&](const std::string &file, const SpectrumPlace &place, const FileJudgement &,
                Likeness &like) { spectrum(file, place.Number, like); };
        const EachSearch::FileEmit emitFile = [&](const std::string &file,
                                                  const EachFileEnd &fileEnd) {
            if (fileEnd.verdict == Verdict::WrongLayout)
                badFiles.add(badFileRecord(file, fileEnd.message));
            else if (fileEnd.verdict == Verdict::Failed)
                failure(file, fileEnd.outOfMemory, fileEnd.message);
            end(file,
                fileEnd.verdict != Verdict::WrongLayout && fileEnd.verdict != Verdict::Failed);
        };
        EachSearch(phase, separators).run(phase.jobs, emitSpectrum, emitFile);
        return;
    }
    const auto emit = [&](const std::string &name, const FileResult &result) {
        if (result.verdict == Verdict::Selected) {
            Likeness like = result.like;
            spectrum(name, 0, like);
        } else if (result.verdict == Verdict::WrongLayout) {
            badFiles.add(badFileRecord(name, result.message));
        } else if (result.verdict == Verdict::Failed) {
            failure(name, result.outOfMemory, result.message);
        }
    };
    const NameSource &names = *phase.files;
    const int jobs = names.counted()
        ? static_cast<int>(std::min(static_cast<std::size_t>(phase.jobs), names.count()))
        : phase.jobs;
    if (jobs <= 1)
        judgeSequentially(phase, separators, emit);
    else
        ParallelSearch(phase, separators).run(jobs, emit);
}

// --like: the library files are read once, each described (on --jobs threads), then every query
// is described and compared with every entry (the queries on --jobs threads), its best entries
// printed in the order of the queries.
int runLike(const Options &options, const NumberSeparators &separators)
{
    Output out(options.null ? '\0' : '\n');
    LineStore badFiles;
    LineStore failures;
    std::string listError;
    try {
        try {
            // The library, in the order of its files.
            std::vector<LibraryEntry> entries;
            std::size_t fileStart = 0; // the first entry of the file being read (--each)
            Options phase = options;
            const LikeMode reading;
            phase.like = &reading;
            readLikeFiles(
                phase, separators, badFiles, failures,
                [&](const std::string &file, int number, Likeness &like) {
                    like.entry.File = file;
                    like.entry.Spectrum = std::max(number, 1);
                    entries.push_back(std::move(like.entry));
                },
                [&](const std::string &, bool kept) {
                    if (!kept)
                        entries.resize(fileStart);
                    fileStart = entries.size();
                });
            if (!failures.empty() && !options.keepGoing)
                return endOnStandardError(failures, badFiles, listError, options.keepGoing);
            // An entry is named by its file, and by its number there when the file gave more
            // than one.
            SpectrumLibrary library;
            std::vector<std::string> labels(entries.size());
            for (std::size_t i = 0; i < entries.size(); ++i) {
                const bool alone = (i == 0 || entries[i - 1].File != entries[i].File)
                    && (i + 1 == entries.size() || entries[i + 1].File != entries[i].File);
                labels[i] = alone ? entries[i].File
                                  : entries[i].File + "#" + std::to_string(entries[i].Spectrum);
            }
            for (LibraryEntry &entry : entries)
                library.Add(std::move(entry));
            std::vector<LibraryEntry>().swap(entries);

            // The queries.
            std::string unused;
            phase.files = std::make_shared<NameSource>(
                options.likeQueries, std::vector<std::string>(), unused);
            LikeMode querying;
            querying.library = &library;
            querying.top = options.top;
            querying.explain = options.report;
            phase.like = &querying;
            if (options.report)
                out.line(kLikeReportHeader);
            const auto print = [&](const std::string &query, const std::vector<LikeHit> &hits) {
                for (std::size_t rank = 0; rank < hits.size(); ++rank) {
                    const LikeHit &hit = hits[rank];
                    const std::string head = query + '\t' + std::to_string(rank + 1) + '\t'
                        + labels[hit.entry] + '\t' + fixedNumber(hit.score, 2);
                    if (!options.report) {
                        out.line(head);
                        continue;
                    }
                    const LibraryMatch &m = hit.match;
                    out.line(head + "\tTreffer\t" + fixedNumber(m.QueryShare, 4) + '\t'
                        + fixedNumber(m.EntryShare, 4) + '\t' + fixedNumber(m.Shift, 2) + "\t\t\t");
                    for (const BandPair &pair : m.Pairs)
                        out.line(head + "\tBande\t\t\t"
                            + (pair.Matched ? fixedNumber(pair.Offset, 2) : std::string()) + '\t'
                            + ReportNumber(pair.Query.Position, '.') + '\t'
                            + (pair.Matched ? ReportNumber(pair.Entry.Position, '.')
                                            : std::string())
                            + '\t' + fixedNumber(pair.Query.Strength, 4));
                    for (const LibraryBand &band : m.Lacking)
                        out.line(head + "\tfehlt\t\t\t\t\t" + ReportNumber(band.Position, '.')
                            + '\t' + fixedNumber(band.Strength, 4));
                }
            };
            // With --each the first spectrum of a query file waits until a second one shows
            // that the file holds more than one.
            std::vector<LikeHit> firstHits;
            bool firstHeld = false;
            readLikeFiles(
                phase, separators, badFiles, failures,
                [&](const std::string &file, int number, Likeness &like) {
                    if (number == 0) {
                        print(file, like.hits);
                    } else if (number == 1) {
                        firstHits = std::move(like.hits);
                        firstHeld = true;
                    } else {
                        if (firstHeld)
                            print(file + "#1", firstHits);
                        firstHeld = false;
                        print(file + "#" + std::to_string(number), like.hits);
                    }
                },
                [&](const std::string &file, bool kept) {
                    if (firstHeld && kept)
                        print(file, firstHits);
                    firstHeld = false;
                });
        } catch (const ListError &error) {
            listError = error.message;
        } catch (const std::bad_alloc &) {
            failures.add("peakhound-search: " + std::string(Messages::OutOfMemory));
        }
        out.flush();
        closeOut();
    } catch (const OutputError &failure) {
        return reportOutputError(failure);
    }
    return endOnStandardError(failures, badFiles, listError, options.keepGoing);
}

int run(int argc, char **argv)
{
    ReportFileSizeLimitAsWriteError();
    SetMessageLanguage(LanguageFromEnvironment());
    // Memory as the one-thread run has it, whatever the number of threads: one malloc arena
    // (each further arena reserves 64 MiB of address space that a limit counts), and large
    // blocks always mapped on their own, so that a freed file buffer goes back to the system at
    // once.
    ::mallopt(M_ARENA_MAX, 1);
    ::mallopt(M_MMAP_THRESHOLD, 1 << 20);
#ifdef PH_FAULT_FROM_ENVIRONMENT
    Fault::ArmFromEnvironment();
#endif
    Options options;
    std::string failedFile;
    try {
        options = parseArguments(argc, argv, failedFile);
    } catch (const OutputError &failure) {
        return reportOutputError(failure);
    } catch (const UsageError &error) {
        return ReportUsageError("peakhound-search", error, kUsage);
    } catch (const Exception &error) {
        std::fprintf(stderr, "%s\n",
            EscapeControls(TranslatedMessage(failedFile + ": " + error.what())).c_str());
        return 1;
    } catch (const std::bad_alloc &) {
        const std::string name = failedFile.empty() ? "peakhound-search" : failedFile;
        std::fprintf(stderr, "%s: %s\n", EscapeControls(name).c_str(),
            TranslatedMessage(Messages::OutOfMemory).c_str());
        return 1;
    }

    const NumberSeparators separators = CurrentSeparators();
    if (!options.likeQueries.empty())
        return runLike(options, separators);
    Output out(options.null ? '\0' : '\n');
    LineStore badFiles;
    LineStore failures;
    std::string listError;
    const bool scored = options.scored();
    // Sorted by score, the judged files are held back until the run is done; in the report the
    // files not selected follow the selected ones in their order.
    std::vector<std::pair<double, std::string>> held;
    const auto emit = [&](const std::string &name, const FileResult &result) {
        switch (result.verdict) {
        case Verdict::Selected:
            if (options.sortByScore)
                held.emplace_back(result.judgement.Score,
                    options.report ? ReportFileRow(name, result.judgement, '.') : name);
            else
                out.line(options.report ? ReportFileRow(name, result.judgement, '.') : name);
            break;
        case Verdict::Passed:
            if (options.report && options.sortByScore)
                held.emplace_back(-1, ReportFileRow(name, result.judgement, '.'));
            else if (options.report)
                out.line(ReportFileRow(name, result.judgement, '.'));
            break;
        case Verdict::WrongLayout:
            badFiles.add(badFileRecord(name, result.message));
            break;
        case Verdict::Failed:
            failures.add(name + ": "
                + (result.outOfMemory ? std::string(Messages::OutOfMemory) : result.message));
            break;
        case Verdict::Unjudged:
        case Verdict::Pending:
            break;
        }
    };

    // Without name lists the count is known: no more threads than files.
    const NameSource &names = *options.files;
    const int jobs = names.counted()
        ? static_cast<int>(std::min(static_cast<std::size_t>(options.jobs), names.count()))
        : options.jobs;
    // Every spectrum: the report gets a row per spectrum as it is judged; a file's name is
    // printed (or held for sorting) once all its spectra are.
    HitMapFiles hitMaps(options.hitMapFolder, options.targets, scored);
    const auto emitSpectrum = [&](const std::string &file, const SpectrumPlace &place,
                                  const FileJudgement &judgement, Likeness &) {
        if (options.report)
            out.line(ReportSpectrumRow(file, place, judgement, '.'));
        hitMaps.add(file, place, judgement);
    };
    const auto emitFile = [&](const std::string &file, const EachFileEnd &end) {
        // A map's picture, once all its spectra are judged; a failure to write it is the file's.
        std::string failure;
        if (!hitMaps.finish(file, failure))
            failures.add(failure);
        switch (end.verdict) {
        case Verdict::Selected:
            if (options.report)
                break;
            if (options.sortByScore)
                held.emplace_back(end.score, file);
            else
                out.line(file);
            break;
        case Verdict::WrongLayout:
            badFiles.add(badFileRecord(file, end.message));
            break;
        case Verdict::Failed:
            failures.add(
                file + ": " + (end.outOfMemory ? std::string(Messages::OutOfMemory) : end.message));
            break;
        default:
            break;
        }
    };
    try {
        if (options.report)
            out.line(options.each ? ReportEachHeaderRow(options.targets, scored)
                                  : ReportHeaderRow(options.targets, scored));
        try {
            if (options.each)
                EachSearch(options, separators).run(options.jobs, emitSpectrum, emitFile);
            else if (jobs <= 1)
                judgeSequentially(options, separators, emit);
            else
                ParallelSearch(options, separators).run(jobs, emit);
        } catch (const ListError &error) {
            listError = error.message;
        } catch (const std::bad_alloc &) {
            // Out of memory outside the reading of a file (tables, output): what was selected
            // before is still printed.
            failures.add("peakhound-search: " + std::string(Messages::OutOfMemory));
        }
        std::stable_sort(held.begin(), held.end(),
            [](const auto &a, const auto &b) { return a.first > b.first; });
        for (const auto &line : held)
            out.line(line.second);
        if (options.report)
            badFiles.forEach([&](const std::string &record) {
                const auto [name, reason] = splitBadFileRecord(record);
                out.line(options.each
                        ? ReportEachWrongLayoutRow(name, options.targets.size(), scored, reason)
                        : ReportWrongLayoutRow(name, options.targets.size(), scored, reason));
            });
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
        std::fprintf(
            stderr, "peakhound-search: %s\n", TranslatedMessage(Messages::OutOfMemory).c_str());
        return 1;
    }

    return endOnStandardError(failures, badFiles, listError, options.keepGoing);
}

} // namespace

int main(int argc, char **argv)
{
    // Whatever escapes the run's own handlers (memory gone outside them) ends it with a line
    // on standard error, not with an abort.
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc &) {
        std::fprintf(stderr, "peakhound-search: %s\n", Messages::OutOfMemory.data());
    } catch (const Exception &error) {
        std::fprintf(stderr, "peakhound-search: %s\n", error.what());
    } catch (...) {
        std::fputs("peakhound-search: unexpected error\n", stderr);
    }
    return 1;
}
