#include "spectrumfile.h"

#include "faultinjection.h"
#include "formats/formatdispatch.h"
#include "messages.h"
#include "numconv.h"
#include "rounding.h"
#include "textfile.h"
#include "translatable.h"
#include "utf8.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <string>
#include <string_view>

namespace
{

constexpr std::string_view kXMarker = "x-data = ";
constexpr std::string_view kYMarker = "y-data = ";
// The reading buffer of other formats is kept from file to file up to this size.
constexpr std::size_t kKeptImportBuffer = std::size_t { 4 } * 1024 * 1024;

// Captions are drawn at every paint of the chart and stand in its window's title: one of
// megabytes would take the window seconds a paint. Beyond kMaxCaptionBytes a caption is cut,
// before a UTF-8 character that would not fit whole; no axis shows that much.
constexpr std::size_t kMaxCaptionBytes = 1024;

std::string_view captionText(std::string_view caption)
{
    return caption.substr(0, Utf8CutPoint(caption, kMaxCaptionBytes));
}

void readCaptions(std::string_view line, SpectrumTableData &table)
{
    table.XCaption.clear();
    table.YCaption.clear();
    const auto px = line.find(kXMarker);
    const auto py = line.find(kYMarker);
    if (px == std::string_view::npos || py == std::string_view::npos)
        return;
    const auto xStart = px + kXMarker.size();
    // Whatever stands between the x caption and the y marker (blanks, a tab) belongs to the
    // caption.
    if (py > xStart)
        table.XCaption.assign(captionText(line.substr(xStart, py - xStart)));
    table.YCaption.assign(captionText(line.substr(py + kYMarker.size())));
}

// The number of columns the third header line announces (its tabs plus one), or 0 for a layout
// the reader rejects.
int headerColumns(std::string_view header)
{
    const auto tabs = std::count(header.begin(), header.end(), '\t');
    return tabs < 1 || tabs > kMaxSpectra ? 0 : static_cast<int>(tabs) + 1;
}

// Field k of the column header names spectrum k (field 0 is the x column's).
void readNames(std::string_view header, SpectrumTableData &table)
{
    std::size_t start = header.find('\t');
    for (int s = 0; s < kMaxSpectra && start != std::string_view::npos; ++s) {
        const std::size_t end = header.find('\t', start + 1);
        const std::string_view field = header.substr(
            start + 1, end == std::string_view::npos ? std::string_view::npos : end - start - 1);
        // A name is drawn in the legend at every paint: one of megabytes is cut as a reader
        // cuts the names it hands over.
        if (field.size() > kMaxNameBytes)
            table.Names[s] = SpectrumName(field);
        else
            table.Names[s].assign(field);
        start = end;
    }
}

// A spectrum its file gives no name is known by the file's name, with its number when the file
// holds several.
void nameUnnamed(SpectrumTableData &table, const std::string &fileName)
{
    const std::string base = FileBaseName(fileName);
    for (int s = 0; s < table.SpectrumCount; ++s)
        if (table.Names[s].empty())
            table.Names[s] = table.SpectrumCount == 1 ? base : base + " " + std::to_string(s + 1);
}

LoadResult rejectLayout(SpectrumTableData &table, BadFileListData &badFiles,
    const std::string &fileName, const std::string &reason = std::string())
{
    badFiles.Add(fileName, reason);
    table.SpectrumCount = 0;
    LoadResult result;
    result.Reason = reason;
    return result;
}

bool hasOwnMarkers(std::string_view line)
{
    return line.find(kXMarker) != std::string_view::npos
        && line.find(kYMarker) != std::string_view::npos;
}

// Which reader takes a file: the program's own (null, unsupported empty) always when line 2 has
// the own markers (a line cut at the text-file limit has none); else the reader of another format
// whose signature the file carries, or none with the name of a format recognised but not read.
struct Choice {
    const FormatReader *reader = nullptr;
    std::string_view unsupported;
};

Choice chooseReader(
    TextFile &file, std::string_view captionLine, bool lineTooLong, const std::string &fileName)
{
    Choice choice;
    if (!lineTooLong && hasOwnMarkers(captionLine))
        return choice;
    const std::string_view head = file.PeekHead(kSignatureBytes);
    choice.reader = DetectFormat(head, file.Size(), fileName);
    if (choice.reader == nullptr)
        choice.unsupported = UnsupportedFormat(head);
    return choice;
}

// A file's bytes for the readers of other formats: read whole into a buffer kept from file to
// file for the readers of text, in windows for those that read in place.
class FileSource : public ByteSource
{
public:
    explicit FileSource(TextFile &file)
        : m_file(file)
    {
    }
    ~FileSource() override
    {
        if (m_whole.capacity() > kKeptImportBuffer) {
            m_whole.clear();
            m_whole.shrink_to_fit();
        }
    }
    FileSource(const FileSource &) = delete;
    FileSource &operator=(const FileSource &) = delete;

    std::uint64_t Size() const override { return m_file.Size(); }

    std::string_view Bytes(std::uint64_t at, std::size_t count, SourceWindow &window) override
    {
        if (at >= window.Start && count <= window.Length
            && at - window.Start <= window.Length - count)
            return std::string_view(window.Buffer)
                .substr(static_cast<std::size_t>(at - window.Start), count);
        // A window of kWindowBytes at least (less at the file's end) serves the small reads that
        // follow; a read that comes up short means the file was cut since it was opened.
        const std::uint64_t rest = Size() > at ? Size() - at : 0;
        const auto length = static_cast<std::size_t>(
            std::max<std::uint64_t>(count, std::min<std::uint64_t>(kWindowBytes, rest)));
        Fault::AllocationPoint();
        window.Buffer.resize(length);
        const std::size_t got =
            m_file.ReadAt(window.Buffer.data(), length, static_cast<std::size_t>(at));
        if (got < count)
            ThrowInOutError(EIO);
        window.Start = at;
        window.Length = got;
        return std::string_view(window.Buffer).substr(0, count);
    }

    bool Whole(std::string_view &bytes, std::size_t maxBytes) override
    {
        if (!m_file.ReadWhole(m_whole, maxBytes)) {
            bytes = {};
            return false;
        }
        bytes = m_whole;
        return true;
    }

private:
    static constexpr std::size_t kWindowBytes = std::size_t { 1 } << 20;
    TextFile &m_file;
    // The reading buffer of text formats, kept from file to file up to kKeptImportBuffer.
    static thread_local std::string m_whole;
};

thread_local std::string FileSource::m_whole;

bool allFinite(const std::vector<double> &values)
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// Gathers the spectra of a file of another format for the table, and writes them into it only
// when the whole file has been read and fits: a refused file leaves the table as it was.
class TableSink : public SpectrumSink
{
public:
    // keepFirst: a file of more spectra than the table holds gives its first kMaxSpectra (for
    // showing); else it is refused.
    explicit TableSink(bool keepFirst)
        : m_keepFirst(keepFirst)
    {
    }

    bool Start(const StreamStart &start) override
    {
        m_xCaption.assign(captionText(start.XCaption));
        m_yCaption.assign(captionText(start.YCaption));
        m_announced = start.Spectra;
        if (start.Points > static_cast<std::uint64_t>(kMaxRows)) {
            m_reason = TooManyPointsReason(start.Points);
            return false;
        }
        if (start.Spectra > static_cast<std::uint64_t>(kMaxSpectra) && !m_keepFirst) {
            m_reason = TooManySpectraReason(start.Spectra);
            return false;
        }
        return true;
    }

    bool Take(const StreamedSpectrum &spectrum) override
    {
        ++m_count;
        if (m_spectra.size() == static_cast<std::size_t>(kMaxSpectra))
            return m_announced == 0; // counted on where the file does not say its count
        if (spectrum.Points > static_cast<std::size_t>(kMaxRows)) {
            m_reason = TooManyPointsReason(spectrum.Points);
            return false;
        }
        if (spectrum.Points == 0) {
            m_reason = Refusal::Damaged(QT_TRANSLATE_NOOP("Messages", "Spektrum ohne Werte"));
            return false;
        }
        Fault::AllocationPoint();
        Gathered gathered;
        const double *x = spectrum.X;
        const std::size_t n = spectrum.Points;
        if (m_spectra.empty()
            || !std::equal(x, x + n, m_spectra.front().x.begin(), m_spectra.front().x.end()))
            gathered.x.assign(x, x + n);
        gathered.y.assign(spectrum.Y, spectrum.Y + n);
        gathered.name.assign(spectrum.Name);
        m_spectra.push_back(std::move(gathered));
        return true;
    }

    // The file's spectra into the table, or false with the reason (the reader's own first).
    bool Commit(const ReadOutcome &outcome, SpectrumTableData &table, LoadResult &result,
        LoadExtent &written)
    {
        if (!outcome.Read)
            result.Reason = outcome.Reason;
        else if (!m_reason.empty())
            result.Reason = m_reason;
        else if (m_spectra.empty())
            result.Reason = Refusal::Damaged(QT_TRANSLATE_NOOP("Messages", "keine Spektren"));
        else if (m_count > static_cast<std::uint64_t>(kMaxSpectra) && !m_keepFirst)
            result.Reason = TooManySpectraReason(m_count);
        else if (!fits())
            result.Reason =
                Refusal::Damaged(QT_TRANSLATE_NOOP("Messages", "Werte außerhalb des Zahlbereichs"));
        if (!result.Reason.empty())
            return false;
        store(table, written);
        const std::uint64_t total = std::max(m_announced, m_count);
        if (total > static_cast<std::uint64_t>(kMaxSpectra))
            result.FileSpectra = total;
        result.WellFormed = result.Complete = true;
        return true;
    }

    // The spectra the file holds, once it has been read.
    std::uint64_t Count() const { return std::max(m_announced, m_count); }

private:
    struct Gathered {
        std::vector<double> x; // empty: the first spectrum's
        std::vector<double> y;
        std::string name;
    };

    const std::vector<double> &xOf(const Gathered &g) const
    {
        return g.x.empty() ? m_spectra.front().x : g.x;
    }

    // Every value finite, and the spans of all x and of all y within the double range: the
    // chart spans its axes from the least to the greatest value.
    bool fits() const
    {
        double low = m_spectra.front().x.front();
        double high = low;
        const auto spanOf = [&low, &high](const std::vector<double> &values) {
            const auto [least, greatest] = std::minmax_element(values.begin(), values.end());
            low = std::min(low, *least);
            high = std::max(high, *greatest);
            return std::isfinite(high - low);
        };
        for (const Gathered &g : m_spectra)
            if (!allFinite(g.x) || !allFinite(g.y))
                return false;
        for (const Gathered &g : m_spectra)
            if (!spanOf(xOf(g)))
                return false;
        low = high = m_spectra.front().y.front();
        for (const Gathered &g : m_spectra)
            if (!spanOf(g.y))
                return false;
        return true;
    }

    // x into column 1 (the last spectrum's, on which the file is judged), one column per
    // spectrum; a spectrum on other x keeps them as its own. Only the rows and columns of the
    // spectra are written, and the row below the last.
    void store(SpectrumTableData &table, LoadExtent &written)
    {
        const std::size_t count = m_spectra.size();
        const std::vector<double> &x = xOf(m_spectra.back());
        const std::size_t points = x.size();
        std::size_t rows = points;
        for (std::size_t s = 0; s < count; ++s) {
            const Gathered &g = m_spectra[s];
            const std::vector<double> &own = xOf(g);
            if (own != x)
                table.SpectrumX[s] = own;
            for (std::size_t r = 0; r < g.y.size(); ++r)
                table.Cells[r][s + 1] = g.y[r];
            if (g.y.size() < static_cast<std::size_t>(kMaxRows))
                table.Cells[g.y.size()][s + 1] = 0.0;
            rows = std::max(rows, g.y.size());
            table.Names[s] = g.name;
        }
        for (std::size_t r = 0; r < points; ++r)
            table.Cells[r][0] = x[r];
        if (points < static_cast<std::size_t>(kMaxRows))
            table.Cells[points][0] = 0.0;
        table.RowCount = static_cast<int>(points);
        table.SpectrumCount = static_cast<int>(count);
        table.XCaption = m_xCaption.empty() ? std::string(kDefaultXCaption) : m_xCaption;
        table.YCaption = m_yCaption.empty() ? std::string(kDefaultYCaption) : m_yCaption;
        written.Rows = std::min(static_cast<int>(rows) + 1, kMaxRows);
        written.Columns = static_cast<int>(count) + 1;
    }

    bool m_keepFirst;
    std::string m_xCaption;
    std::string m_yCaption;
    std::uint64_t m_announced = 0;
    std::uint64_t m_count = 0;
    std::string m_reason;
    std::vector<Gathered> m_spectra;
};

enum class Mode { Search, Show, OwnLayoutOnly };

LoadResult loadFile(SpectrumTableData &table, BadFileListData &badFiles,
    const std::string &fileName, const NumberSeparators &separators, Mode mode, LoadExtent &written,
    SpectrumSink *each = nullptr)
{
    written = {};
    TextFile file(fileName);
    // Once the file is open, its spectra, whatever it holds, lie on its own x column.
    for (auto &x : table.SpectrumX)
        x.clear();
    file.ReadLine();
    const std::string_view captionLine = file.ReadLine();
    readCaptions(file.LineTooLong() ? std::string_view() : captionLine, table);
    const Choice choice = mode == Mode::OwnLayoutOnly
        ? Choice()
        : chooseReader(file, captionLine, file.LineTooLong(), fileName);
    if (!choice.unsupported.empty())
        return rejectLayout(table, badFiles, fileName, Refusal::Unsupported(choice.unsupported));
    if (choice.reader != nullptr && each != nullptr) {
        // Every spectrum to the judging sink; the table keeps what it held.
        FileSource source(file);
        const ReadOutcome outcome = choice.reader->Stream(source, *each);
        if (!outcome.Read) {
            badFiles.Add(fileName, outcome.Reason);
            LoadResult refused;
            refused.Reason = outcome.Reason;
            return refused;
        }
        return { true, true, {}, 0 };
    }
    if (choice.reader != nullptr) {
        FileSource source(file);
        TableSink sink(mode == Mode::Show);
        const ReadOutcome outcome = choice.reader->Stream(source, sink);
        LoadResult result;
        if (!sink.Commit(outcome, table, result, written))
            return rejectLayout(table, badFiles, fileName, result.Reason);
        nameUnnamed(table, fileName);
        return result;
    }

    // A line beyond the text-file limit, here or below, makes the wrong layout.
    const std::string_view header = file.ReadLine();
    const int columns = file.LineTooLong() ? 0 : headerColumns(header);
    if (columns == 0)
        return rejectLayout(table, badFiles, fileName);
    readNames(header, table);

    // Empty data lines take no row. Fields beyond the table's last column are converted (a bad
    // one is still an error) but not stored.
    int row = 0;
    bool complete = true;
    // The shortcut reads a single decimal mark as a point, which is right whenever the locale's
    // decimal separator is a comma or a point.
    const bool plainMarks = separators.Decimal == '.' || separators.Decimal == ',';
    while (!file.Eof()) {
        const std::string_view line = file.ReadLine();
        if (line.empty())
            continue;
        if (row == kMaxRows || file.LineTooLong())
            return rejectLayout(table, badFiles, fileName);
        ++row;
        written.Rows = row;
        double *cells = table.Cells[row - 1];
        int column = 0;
        const char *p = line.data();
        const char *const end = p + line.size();
        for (;;) {
            double value = 0.0;
            const char *fieldEnd = nullptr;
            if (!ConvertCommonDataField(p, end, value, fieldEnd)
                && (!plainMarks || !ConvertPlainDataField(p, end, value, fieldEnd))) {
                // The cells of this row so far are written, should the field be an error.
                written.Columns = std::max(written.Columns, std::min(column, kMaxColumns));
                fieldEnd = FieldEnd(p, end);
                value = ConvertDataField({ p, static_cast<std::size_t>(fieldEnd - p) }, separators);
            }
            if (column < kMaxColumns)
                cells[column] = value;
            ++column;
            if (fieldEnd == end)
                break;
            p = fieldEnd + 1;
        }
        written.Columns = std::max(written.Columns, std::min(column, kMaxColumns));
        if (column < columns)
            complete = false;
    }
    if (row < kMaxRows) {
        std::fill_n(table.Cells[row], columns, 0.0);
        written.Rows = row + 1;
        written.Columns = std::max(written.Columns, columns);
    }
    table.RowCount = row;
    table.SpectrumCount = columns - 1;
    return { true, complete, {}, 0 };
}

} // namespace

std::string FileBaseName(const std::string &fileName)
{
    const auto slash = fileName.find_last_of('/');
    return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

std::string TooManySpectraReason(std::uint64_t spectra)
{
    return FormatMessage(
               QT_TRANSLATE_NOOP("Messages", "%d Spektren"), static_cast<long long>(spectra))
        + ": " + QT_TRANSLATE_NOOP("Messages", "mit 'Jedes Spektrum' durchsuchen");
}

std::string TooManyPointsReason(std::uint64_t points)
{
    return FormatMessage(QT_TRANSLATE_NOOP("Messages", "%d Punkte"), static_cast<long long>(points))
        + ": "
        + FormatMessage(
            QT_TRANSLATE_NOOP("Messages", "mehr als %d"), static_cast<long long>(kMaxRows));
}

LoadResult LoadSpectrumFile(SpectrumTableData &table, BadFileListData &badFiles,
    const std::string &fileName, const NumberSeparators &separators)
{
    LoadExtent written;
    return loadFile(table, badFiles, fileName, separators, Mode::Search, written);
}

LoadResult LoadSpectrumFile(SpectrumTableData &table, BadFileListData &badFiles,
    const std::string &fileName, const NumberSeparators &separators, LoadExtent &written)
{
    return loadFile(table, badFiles, fileName, separators, Mode::Search, written);
}

LoadResult LoadOwnLayoutFile(SpectrumTableData &table, BadFileListData &badFiles,
    const std::string &fileName, const NumberSeparators &separators)
{
    LoadExtent written;
    return loadFile(table, badFiles, fileName, separators, Mode::OwnLayoutOnly, written);
}

LoadResult LoadSpectrumFileShown(SpectrumTableData &table, BadFileListData &badFiles,
    const std::string &fileName, const NumberSeparators &separators)
{
    LoadExtent written;
    return loadFile(table, badFiles, fileName, separators, Mode::Show, written);
}

LoadResult StreamSpectrumFile(SpectrumTableData &table, BadFileListData &badFiles,
    const std::string &fileName, const NumberSeparators &separators, SpectrumSink &sink)
{
    LoadExtent written;
    LoadResult load = loadFile(table, badFiles, fileName, separators, Mode::Search, written, &sink);
    if (!load.WellFormed || written.Columns == 0)
        return load; // refused, or handed over by the reader of its format
    // A file of the program's own layout: its spectra from the table, on column 1.
    nameUnnamed(table, fileName);
    StreamStart start;
    start.XCaption = table.XCaption;
    start.YCaption = table.YCaption;
    start.Spectra = static_cast<std::uint64_t>(table.SpectrumCount);
    start.Points = static_cast<std::uint64_t>(table.RowCount);
    if (!sink.Start(start))
        return load;
    const auto rows = static_cast<std::size_t>(table.RowCount);
    std::vector<double> x(rows);
    std::vector<double> y(rows);
    for (std::size_t r = 0; r < rows; ++r)
        x[r] = table.Cells[r][0];
    for (int s = 0; s < table.SpectrumCount; ++s) {
        for (std::size_t r = 0; r < rows; ++r)
            y[r] = table.Cells[r][s + 1];
        StreamedSpectrum spectrum;
        spectrum.X = x.data();
        spectrum.Y = y.data();
        spectrum.Points = rows;
        spectrum.Index = static_cast<std::uint64_t>(s);
        spectrum.Name = table.Names[s];
        if (!sink.Take(spectrum))
            break;
    }
    return load;
}

LoadResult LoadOneSpectrum(SpectrumTableData &table, BadFileListData &badFiles,
    const std::string &fileName, const NumberSeparators &separators, std::uint64_t index,
    SpectrumWhere &where)
{
    // Takes the one spectrum wanted into the table and ends the reading there.
    class Pick : public SpectrumSink
    {
    public:
        Pick(SpectrumTableData &table, std::uint64_t index, SpectrumWhere &where)
            : m_table(table)
            , m_index(index)
            , m_where(where)
        {
        }
        bool found = false;
        std::string xCaption;
        std::string yCaption;
        bool Start(const StreamStart &start) override
        {
            xCaption.assign(captionText(start.XCaption));
            yCaption.assign(captionText(start.YCaption));
            return true;
        }
        bool Take(const StreamedSpectrum &spectrum) override
        {
            if (spectrum.Index < m_index)
                return true;
            if (spectrum.Index > m_index || spectrum.Points == 0
                || spectrum.Points > static_cast<std::size_t>(kMaxRows))
                return false;
            for (std::size_t r = 0; r < spectrum.Points; ++r) {
                m_table.Cells[r][0] = spectrum.X[r];
                m_table.Cells[r][1] = spectrum.Y[r];
            }
            if (spectrum.Points < static_cast<std::size_t>(kMaxRows)) {
                m_table.Cells[spectrum.Points][0] = 0.0;
                m_table.Cells[spectrum.Points][1] = 0.0;
            }
            m_table.RowCount = static_cast<int>(spectrum.Points);
            m_where.Name.assign(spectrum.Name);
            m_where.HasPosition = spectrum.HasPosition;
            m_where.X = spectrum.PositionX;
            m_where.Y = spectrum.PositionY;
            found = true;
            return false;
        }
        std::uint64_t FirstWanted() const override { return m_index; }

    private:
        SpectrumTableData &m_table;
        std::uint64_t m_index;
        SpectrumWhere &m_where;
    };
    where = SpectrumWhere();
    Pick pick(table, index, where);
    LoadResult load = StreamSpectrumFile(table, badFiles, fileName, separators, pick);
    load.WellFormed = load.WellFormed && pick.found;
    if (!pick.found)
        return load;
    for (auto &x : table.SpectrumX)
        x.clear();
    table.SpectrumCount = 1;
    table.Names[0] =
        where.Name.empty() ? FileBaseName(fileName) + " " + std::to_string(index + 1) : where.Name;
    // A file of the program's own layout keeps the captions its reading set.
    if (!pick.xCaption.empty() || !pick.yCaption.empty() || table.XCaption.empty()) {
        table.XCaption = pick.xCaption.empty() ? std::string(kDefaultXCaption) : pick.xCaption;
        table.YCaption = pick.yCaption.empty() ? std::string(kDefaultYCaption) : pick.yCaption;
    }
    return load;
}

LoadResult LoadSpectrumFile(const std::string &fileName)
{
    return LoadSpectrumFile(SpectrumTable, BadFileList, fileName, CurrentSeparators());
}

int HeaderSpectrumCount(const std::string &fileName)
{
    TextFile file(fileName);
    file.ReadLine();
    const std::string_view captionLine = file.ReadLine();
    const Choice choice = chooseReader(file, captionLine, file.LineTooLong(), fileName);
    if (!choice.unsupported.empty())
        return 0;
    if (choice.reader != nullptr) {
        FileSource source(file);
        TableSink sink(false);
        const ReadOutcome outcome = choice.reader->Stream(source, sink);
        // Counted as the table would take it, without writing it.
        return outcome.Read && sink.Count() <= static_cast<std::uint64_t>(kMaxSpectra)
            ? static_cast<int>(sink.Count())
            : 0;
    }
    const std::string_view header = file.ReadLine();
    const int columns = file.LineTooLong() ? 0 : headerColumns(header);
    return columns == 0 ? 0 : columns - 1;
}

void ApplyKiloScale(SpectrumTableData &table)
{
    if (table.YCaption.size() < 12 || table.YCaption[10] != 'k')
        return;
    // Checked before anything changes, so an overflow leaves the column as it was.
    for (int r = 1; r <= table.RowCount; ++r)
        FiniteDouble(static_cast<Extended>(table.Cell(r, 2)) * 1000);
    for (int r = 1; r <= table.RowCount; ++r)
        table.Cell(r, 2) = static_cast<double>(static_cast<Extended>(table.Cell(r, 2)) * 1000);
    table.YCaption[10] = ' ';
}

void ApplyKiloScale()
{
    ApplyKiloScale(SpectrumTable);
}
