#include "jcampreader.h"

#include "numconv.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

namespace
{

// Every number of the format has a point as its decimal mark, whatever the locale.
constexpr char kDecimalMark = '.';

// LINK files nest one level; anything deeper is not a file this reader knows.
constexpr std::size_t kMaxNesting = 4;

// ASDF values are integers; more digits than this cannot be one a writer produced.
constexpr std::size_t kMaxAsdfDigits = 20;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The next line of text from pos; CR LF, LF and CR (old Mac files) all end a line.
bool nextLine(std::string_view text, std::size_t &pos, std::string_view &line)
{
    if (pos >= text.size())
        return false;
    std::size_t end = pos;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r')
        ++end;
    line = text.substr(pos, end - pos);
    pos = end;
    if (pos < text.size() && text[pos] == '\r')
        ++pos;
    if (pos < text.size() && text[pos] == '\n' && (pos == end || text[pos - 1] == '\r'))
        ++pos;
    return true;
}

std::string_view trimmed(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// "$$" starts a comment that runs to the end of the line, in data lines as in values.
std::string_view withoutComment(std::string_view line)
{
    const std::size_t comment = line.find("$$");
    return trimmed(comment == std::string_view::npos ? line : line.substr(0, comment));
}

// A record label as the format compares it: upper case, without blanks, '-', '/' and '_', so
// "##JCAMP-DX", "##JCAMPDX" and "##JCAMP_DX" are one label. Longer labels than any this reader
// knows keep only their beginning and can never match.
class Label
{
public:
    explicit Label(std::string_view raw)
    {
        for (char c : raw) {
            if (c == ' ' || c == '\t' || c == '-' || c == '/' || c == '_')
                continue;
            if (m_size == m_text.size())
                return;
            m_text[m_size++] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        }
    }
    bool operator==(std::string_view other) const
    {
        return std::string_view(m_text.data(), m_size) == other;
    }

private:
    std::array<char, 24> m_text {};
    std::size_t m_size = 0;
};

// A "##LABEL=value" line: false for any other line.
bool splitRecord(std::string_view line, std::string_view &label, std::string_view &value)
{
    line = trimmed(line);
    if (line.size() < 2 || line[0] != '#' || line[1] != '#')
        return false;
    const std::size_t equals = line.find('=');
    label = line.substr(2, equals == std::string_view::npos ? std::string_view::npos : equals - 2);
    value = equals == std::string_view::npos ? std::string_view() : line.substr(equals + 1);
    return true;
}

bool toNumber(std::string_view text, double &value)
{
    return TryTextToFloat(text, kDecimalMark, value) == ConvertStatus::Ok && std::isfinite(value);
}

bool sameValue(double a, double b)
{
    return std::abs(a - b) <= 1e-9 * std::max(std::abs(a), std::abs(b));
}

enum class DataKind { None, XYData, XYPoints, PeakTable };

// One block between ##TITLE= and ##END=: the values of the records the reader uses, as written,
// and the text of its data table.
struct Block {
    std::string_view title; // the first line of the ##TITLE= value
    std::optional<std::string_view> xFactor, yFactor, firstX, lastX, deltaX, nPoints;
    std::string_view xUnits, yUnits;
    DataKind kind = DataKind::None;
    bool twoTables = false;
    std::string_view form;
    std::string_view data;
};

// One decoded spectrum of a block.
struct Decoded {
    std::vector<double> x, y;
};

enum class TokenKind { Absolute, Difference, Duplicate };

struct Token {
    TokenKind kind = TokenKind::Absolute;
    double value = 0;
    double unit = 1; // the last written digit's place of a plain number, for the abscissa check
};

// The values of one line of a compressed table: plain numbers (AFFN, and PAC, where a sign
// separates them) and the ASDF forms, whose first character carries the delimiter, the sign and
// the first digit: SQZ '@' 'A'..'I' 'a'..'i' (a value), DIF '%' 'J'..'R' 'j'..'r' (a difference
// to the value before), DUP 'S'..'Z' 's' (how often the value before occurs, itself included).
class AsdfLine
{
public:
    explicit AsdfLine(std::string_view line)
        : m_line(line)
    {
    }

    // The next value; false at the end of the line and for anything that is not a value.
    bool next(Token &token)
    {
        while (m_pos < m_line.size() && (isBlank(m_line[m_pos]) || m_line[m_pos] == ','))
            ++m_pos;
        if (m_pos >= m_line.size())
            return false;
        const char c = m_line[m_pos];
        if (isDigit(c) || c == '+' || c == '-' || c == '.')
            return plainNumber(token);
        int digit = 0;
        bool negative = false;
        if (c == '@' || (c >= 'A' && c <= 'I') || (c >= 'a' && c <= 'i')) {
            token.kind = TokenKind::Absolute;
            digit = c == '@' ? 0 : c >= 'a' ? c - 'a' + 1 : c - 'A' + 1;
            negative = c >= 'a';
        } else if (c == '%' || (c >= 'J' && c <= 'R') || (c >= 'j' && c <= 'r')) {
            token.kind = TokenKind::Difference;
            digit = c == '%' ? 0 : c >= 'j' ? c - 'j' + 1 : c - 'J' + 1;
            negative = c >= 'j';
        } else if ((c >= 'S' && c <= 'Z') || c == 's') {
            token.kind = TokenKind::Duplicate;
            digit = c == 's' ? 9 : c - 'S' + 1;
        } else {
            m_failed = true; // '?' (a value not known) included: no such value reaches the table
            return false;
        }
        ++m_pos;
        std::array<char, kMaxAsdfDigits + 2> text;
        std::size_t size = 0;
        if (negative)
            text[size++] = '-';
        text[size++] = static_cast<char>('0' + digit);
        for (; m_pos < m_line.size() && isDigit(m_line[m_pos]); ++m_pos) {
            if (size == text.size()) {
                m_failed = true;
                return false;
            }
            text[size++] = m_line[m_pos];
        }
        token.unit = 1;
        // Nine digits always fit the 32-bit conversion, which costs a fraction of the general one.
        const std::string_view digits(text.data(), size);
        int whole = 0;
        if (size <= (negative ? 10U : 9U) && TryStrToInt(digits, whole)) {
            token.value = whole;
            return true;
        }
        if (!toNumber(digits, token.value)) {
            m_failed = true;
            return false;
        }
        return true;
    }

    bool failed() const { return m_failed; }

private:
    bool plainNumber(Token &token)
    {
        const std::size_t begin = m_pos;
        std::size_t i = m_pos;
        if (m_line[i] == '+' || m_line[i] == '-')
            ++i;
        while (i < m_line.size() && isDigit(m_line[i]))
            ++i;
        int decimals = 0;
        if (i < m_line.size() && m_line[i] == '.') {
            for (++i; i < m_line.size() && isDigit(m_line[i]); ++i)
                ++decimals;
        }
        // An exponent has its sign ("E-05", as the format defines it); without one, 'E' and 'e'
        // are SQZ values that follow the number ("2374.2E38" is 2374.2, then 538).
        bool exponent = false;
        if (i + 2 < m_line.size() && (m_line[i] == 'E' || m_line[i] == 'e')
            && (m_line[i + 1] == '+' || m_line[i + 1] == '-') && isDigit(m_line[i + 2])) {
            exponent = true;
            for (i += 2; i < m_line.size() && isDigit(m_line[i]);)
                ++i;
        }
        m_pos = i;
        token.kind = TokenKind::Absolute;
        if (!toNumber(m_line.substr(begin, i - begin), token.value)) {
            m_failed = true;
            return false;
        }
        token.unit = exponent ? std::abs(token.value) * 1e-6 : std::pow(10.0, -decimals);
        return true;
    }

    std::string_view m_line;
    std::size_t m_pos = 0;
    bool m_failed = false;
};

// A present value that is a finite number (and not zero where a factor must not be).
bool optionalNumber(const std::optional<std::string_view> &text, double fallback, double &value)
{
    if (!text) {
        value = fallback;
        return true;
    }
    return toNumber(withoutComment(*text), value);
}

// ##NPOINTS: 0 when absent; false when it is no count or beyond the table.
bool pointCount(const std::optional<std::string_view> &text, std::size_t &count)
{
    count = 0;
    if (!text)
        return true;
    double value = 0;
    if (!toNumber(withoutComment(*text), value) || value < 1
        || value > static_cast<double>(kImportMaxPoints) || value != std::floor(value))
        return false;
    count = static_cast<std::size_t>(value);
    return true;
}

// Where a line's first ordinate lies and what the line says its abscissa is.
struct LineAbscissa {
    std::size_t index;
    double x;
    double unit;
};

// (X++(Y..Y)): each line an abscissa, then ordinates. After a line that ends with a difference,
// the next line's first ordinate is a checkpoint that repeats the last one.
bool decodeXYData(const Block &block, double xFactor, double yFactor, Decoded &out)
{
    double firstX = 0;
    double lastX = 0;
    double deltaX = 0;
    std::size_t declared = 0;
    if (!block.firstX || !optionalNumber(block.firstX, 0, firstX) || (!block.lastX && !block.deltaX)
        || !optionalNumber(block.lastX, 0, lastX) || !optionalNumber(block.deltaX, 0, deltaX)
        || !pointCount(block.nPoints, declared))
        return false;

    std::vector<double> raw;
    raw.reserve(declared > 0 ? declared : std::min(kImportMaxPoints, block.data.size()));
    std::vector<LineAbscissa> lines;
    const auto push = [&raw](double value) {
        if (raw.size() >= kImportMaxPoints)
            return false;
        raw.push_back(value);
        return true;
    };
    bool checkpointDue = false;
    std::size_t pos = 0;
    std::string_view text;
    while (nextLine(block.data, pos, text)) {
        text = withoutComment(text);
        if (text.empty())
            continue;
        AsdfLine line(text);
        Token token;
        if (!line.next(token) || token.kind != TokenKind::Absolute)
            return false;
        LineAbscissa abscissa { raw.size(), token.value, token.unit };
        bool first = true;
        bool differences = false; // the values run on by differences
        double difference = 0;
        TokenKind previous = TokenKind::Absolute;
        while (line.next(token)) {
            if (first) {
                if (token.kind != TokenKind::Absolute)
                    return false;
                if (checkpointDue) {
                    if (!sameValue(raw.back(), token.value))
                        return false;
                    abscissa.index = raw.size() - 1;
                } else if (!push(token.value)) {
                    return false;
                }
                first = false;
                previous = TokenKind::Absolute;
                continue;
            }
            switch (token.kind) {
            case TokenKind::Absolute:
                if (!push(token.value))
                    return false;
                differences = false;
                break;
            case TokenKind::Difference:
                if (!push(raw.back() + token.value))
                    return false;
                differences = true;
                difference = token.value;
                break;
            case TokenKind::Duplicate: {
                // The count is checked against the table's size before a single value is added.
                if (previous == TokenKind::Duplicate || token.value < 1
                    || token.value - 1 > static_cast<double>(kImportMaxPoints - raw.size()))
                    return false;
                const auto repeats = static_cast<std::size_t>(token.value) - 1;
                for (std::size_t r = 0; r < repeats; ++r)
                    raw.push_back(differences ? raw.back() + difference : raw.back());
                break;
            }
            }
            previous = token.kind;
        }
        if (line.failed() || first)
            return false;
        checkpointDue = differences;
        lines.push_back(abscissa);
    }

    const std::size_t count = raw.size();
    if (count == 0 || (declared != 0 && count != declared))
        return false;
    if (!block.lastX)
        lastX = firstX + static_cast<double>(count - 1) * deltaX;
    const double step = count > 1 ? (lastX - firstX) / static_cast<double>(count - 1) : 0.0;
    if (!std::isfinite(step))
        return false;
    out.x.resize(count);
    out.y.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        out.x[i] = firstX + static_cast<double>(i) * step;
        out.y[i] = raw[i] * yFactor;
        if (!std::isfinite(out.y[i]))
            return false;
    }
    if (count > 1)
        out.x[count - 1] = lastX;
    // Every line's abscissa (in units of XFACTOR, rounded to the digits written) names its first
    // point: a line with a point too many or too few shifts the abscissae after it by a whole
    // step, which is more than half a step or the rounding, whichever is larger.
    for (const LineAbscissa &line : lines) {
        const double expected = out.x[line.index];
        const double written = line.x * xFactor;
        const double tolerance =
            std::max(0.5 * line.unit * std::abs(xFactor), 0.5 * std::abs(step)) * (1 + 1e-6)
            + 1e-9 * std::max(std::abs(expected), std::abs(written));
        if (!(std::abs(written - expected) <= tolerance))
            return false;
    }
    return true;
}

// (XY..XY): pairs of plain numbers, the x of each pair and its y, separated by commas, blanks
// or semicolons.
bool decodePairs(const Block &block, double xFactor, double yFactor, Decoded &out)
{
    std::size_t declared = 0;
    if (!pointCount(block.nPoints, declared))
        return false;
    std::size_t pos = 0;
    std::string_view text;
    bool haveX = false;
    double x = 0;
    while (nextLine(block.data, pos, text)) {
        text = withoutComment(text);
        std::size_t i = 0;
        while (i < text.size()) {
            const auto separator = [&text](std::size_t at) {
                return isBlank(text[at]) || text[at] == ',' || text[at] == ';';
            };
            if (separator(i)) {
                ++i;
                continue;
            }
            const std::size_t begin = i;
            while (i < text.size() && !separator(i))
                ++i;
            double value = 0;
            if (!toNumber(text.substr(begin, i - begin), value))
                return false;
            if (!haveX) {
                x = value * xFactor;
                haveX = true;
                continue;
            }
            if (out.x.size() >= kImportMaxPoints)
                return false;
            out.x.push_back(x);
            out.y.push_back(value * yFactor);
            if (!std::isfinite(out.x.back()) || !std::isfinite(out.y.back()))
                return false;
            haveX = false;
        }
    }
    return !haveX && !out.x.empty() && (declared == 0 || out.x.size() == declared);
}

std::string normalisedForm(std::string_view form)
{
    std::string text;
    for (char c : withoutComment(form))
        if (!isBlank(c))
            text += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return text;
}

bool decodeBlock(const Block &block, Decoded &out)
{
    double xFactor = 1;
    double yFactor = 1;
    if (block.twoTables || !optionalNumber(block.xFactor, 1, xFactor)
        || !optionalNumber(block.yFactor, 1, yFactor) || xFactor == 0 || yFactor == 0)
        return false;
    const std::string form = normalisedForm(block.form);
    if (block.kind == DataKind::XYData)
        return form == "(X++(Y..Y))" && decodeXYData(block, xFactor, yFactor, out);
    return form == "(XY..XY)" && decodePairs(block, xFactor, yFactor, out);
}

// A wavenumber axis is the program's Raman shift; any other axis keeps the file's units.
std::string xCaption(std::string_view units)
{
    units = withoutComment(units);
    const std::string form = normalisedForm(units);
    if (form == "1/CM" || form == "CM-1" || form == "CM^-1" || form == "WAVENUMBERS"
        || form == "WAVENUMBER" || form == "RAMANSHIFT")
        return "Raman shift [1/cm]";
    return std::string(units);
}

bool sameAxis(const std::vector<double> &a, const std::vector<double> &b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!(std::abs(a[i] - b[i]) <= 1e-9 * std::max({ 1.0, std::abs(a[i]), std::abs(b[i]) })))
            return false;
    return true;
}

// The spectra of a file, block by block as each one ends: the first, and the others as long as
// every block has the first one's x values. Each spectrum is named by its block's title.
class Collector
{
public:
    bool add(const Block &block)
    {
        Decoded decoded;
        if (!decodeBlock(block, decoded))
            return false;
        if (m_count == 0) {
            m_out.X = std::move(decoded.x);
            m_out.Y.push_back(std::move(decoded.y));
            m_out.XCaption = xCaption(block.xUnits);
            m_out.YCaption = std::string(withoutComment(block.yUnits));
            m_out.Names.push_back(SpectrumName(withoutComment(block.title)));
        } else if (m_shared && sameAxis(m_out.X, decoded.x)) {
            if (m_out.Y.size() >= kImportMaxSpectra)
                return false;
            m_out.Y.push_back(std::move(decoded.y));
            m_out.Names.push_back(SpectrumName(withoutComment(block.title)));
        } else if (m_shared) {
            m_shared = false;
            m_out.Y.resize(1);
            m_out.Names.resize(1);
        }
        ++m_count;
        return true;
    }
    bool empty() const { return m_count == 0; }
    ImportedSpectra &result() { return m_out; }

private:
    ImportedSpectra m_out;
    std::size_t m_count = 0;
    bool m_shared = true;
};

// A block's spectrum is its XYDATA or XYPOINTS, a peak table only where it has neither; two
// spectra in one block are not a single spectrum. True when the table starting here is the one.
bool startTable(Block &block, DataKind kind, std::string_view form)
{
    if (block.kind == DataKind::None
        || (block.kind == DataKind::PeakTable && kind != DataKind::PeakTable)) {
        block.kind = kind;
        block.form = form;
        block.data = {};
        return true;
    }
    if (kind != DataKind::PeakTable || block.kind == DataKind::PeakTable)
        block.twoTables = true;
    return false;
}

} // namespace

bool LooksJcamp(std::string_view head, std::size_t fileSize, std::string_view fileName)
{
    (void)fileSize;
    (void)fileName;
    if (head.substr(0, 3) == "\xEF\xBB\xBF")
        head.remove_prefix(3);
    std::size_t pos = 0;
    std::string_view line;
    bool first = true;
    while (nextLine(head, pos, line)) {
        if (trimmed(line).empty()) {
            if (first)
                continue;
            return false;
        }
        std::string_view label;
        std::string_view value;
        if (!splitRecord(line, label, value))
            return false;
        const Label name(label);
        if ((first && name == "TITLE") || name == "JCAMPDX")
            return true;
        first = false;
    }
    return false;
}

namespace
{

bool decodeJcamp(std::string_view bytes, ImportedSpectra &out)
{
    std::vector<Block> open;
    Collector spectra;
    // The data table being read: its block's depth and where its lines begin.
    std::optional<std::size_t> tableOwner;
    std::size_t tableBegin = 0;

    std::size_t pos = 0;
    std::string_view line;
    while (true) {
        const std::size_t lineStart = pos;
        if (!nextLine(bytes, pos, line))
            break;
        std::string_view labelText;
        std::string_view value;
        if (!splitRecord(line, labelText, value))
            continue;
        if (tableOwner) {
            open[*tableOwner].data = bytes.substr(tableBegin, lineStart - tableBegin);
            tableOwner.reset();
        }
        const Label label(labelText);
        if (label == "TITLE") {
            if (open.size() >= kMaxNesting)
                return false;
            open.emplace_back().title = value;
            continue;
        }
        if (open.empty())
            continue;
        Block &block = open.back();
        if (label == "END") {
            if (block.kind != DataKind::None && !spectra.add(block))
                return false;
            open.pop_back();
        } else if (label == "XYDATA" || label == "XYPOINTS" || label == "PEAKTABLE") {
            const DataKind kind = label == "XYDATA" ? DataKind::XYData
                : label == "XYPOINTS"               ? DataKind::XYPoints
                                                    : DataKind::PeakTable;
            if (startTable(block, kind, value)) {
                tableOwner = open.size() - 1;
                tableBegin = pos;
            }
        } else if (label == "XFACTOR") {
            block.xFactor = value;
        } else if (label == "YFACTOR") {
            block.yFactor = value;
        } else if (label == "FIRSTX") {
            block.firstX = value;
        } else if (label == "LASTX") {
            block.lastX = value;
        } else if (label == "DELTAX") {
            block.deltaX = value;
        } else if (label == "NPOINTS") {
            block.nPoints = value;
        } else if (label == "XUNITS") {
            block.xUnits = value;
        } else if (label == "YUNITS") {
            block.yUnits = value;
        }
    }
    // A block without its ##END= is a truncated file.
    if (!open.empty() || spectra.empty())
        return false;
    out = std::move(spectra.result());
    return true;
}

} // namespace

ReadOutcome StreamJcamp(ByteSource &source, SpectrumSink &sink)
{
    return DecodeWhole(source, sink, decodeJcamp, "JCAMP-DX");
}

bool ReadJcamp(std::string_view bytes, ImportedSpectra &out)
{
    return CollectImported(StreamJcamp, bytes, out);
}
