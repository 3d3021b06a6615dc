#include "messages.h"
#include "textexports.h"
#include "textfields.h"
#include "translatable.h"

#include <utility>

namespace
{

// "#Key=" followed by a tab or the line end; the key is not empty, holds no tab and does not
// start with a second '#' (that is a JCAMP-DX or RRUFF label).
bool isKeyLine(std::string_view line)
{
    line = TrimFieldEnd(line);
    if (line.size() < 3 || line[0] != '#' || line[1] == '#')
        return false;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || equals < 2)
        return false;
    if (line.substr(1, equals - 1).find('\t') != std::string_view::npos)
        return false;
    return equals + 1 == line.size() || line[equals + 1] == '\t';
}

// The value of a "#Title=" line, the measurement's title; false for any other line.
bool titleLine(std::string_view line, std::string_view &title)
{
    constexpr std::string_view key = "#Title=";
    if (!isKeyLine(line) || !StartsWithNoCase(line, key))
        return false;
    title = line.substr(key.size());
    return true;
}

bool readTwoColumns(TextLines &lines, std::string_view line, ImportedSpectra &result)
{
    std::vector<std::string_view> fields;
    result.Y.emplace_back();
    do {
        if (IsBlankLine(line))
            continue;
        double x = 0.0, y = 0.0;
        if (!SplitFields(line, '\t', fields, 2, true) || fields.size() != 2
            || !FieldToNumber(fields[0], '.', x) || !FieldToNumber(fields[1], '.', y))
            return false;
        result.X.push_back(x);
        result.Y[0].push_back(y);
    } while (lines.Next(line));
    return true;
}

// The x row: k >= 1 empty fields, then the x values; then per spectrum k coordinates (the first
// two are its stage position) and one intensity per x value, handed over row by row.
ReadOutcome streamMatrix(
    TextLines &lines, std::string_view line, std::size_t textBytes, SpectrumSink &sink)
{
    std::vector<std::string_view> fields;
    // k coordinate columns: at most a few.
    constexpr std::size_t kMaxCoordinates = 4;
    const std::size_t maxFields = textBytes + 1;
    std::size_t lineNumber = 1;
    const auto damaged = [&lineNumber](const char *what) {
        return ReadOutcome::Refused(
            Refusal::Damaged(FormatMessage(QT_TRANSLATE_NOOP("Messages", "Zeile %d"),
                                 static_cast<long long>(lineNumber))
                + ": " + what));
    };
    if (!SplitFields(TrimFieldEnd(line), '\t', fields, maxFields))
        return damaged(QT_TRANSLATE_NOOP("Messages", "zu viele Felder"));
    std::size_t coordinates = 0;
    while (coordinates < fields.size() && TrimField(fields[coordinates]).empty())
        ++coordinates;
    if (coordinates == 0 || coordinates > kMaxCoordinates || coordinates == fields.size())
        return damaged(QT_TRANSLATE_NOOP("Messages", "keine Zeile der x-Werte"));
    const std::size_t count = fields.size();
    std::vector<double> x(count - coordinates);
    for (std::size_t i = coordinates; i < count; ++i)
        if (!FieldToNumber(fields[i], '.', x[i - coordinates]))
            return damaged(QT_TRANSLATE_NOOP("Messages", "keine Zahl"));
    StreamStart start;
    start.Points = x.size();
    if (!sink.Start(start))
        return ReadOutcome::Done();
    std::vector<double> y(count - coordinates);
    double position[kMaxCoordinates] = {};
    std::uint64_t index = 0;
    while (lines.Next(line)) {
        ++lineNumber;
        if (IsBlankLine(line))
            continue;
        if (!SplitFields(TrimFieldEnd(line), '\t', fields, count) || fields.size() != count)
            return damaged(QT_TRANSLATE_NOOP("Messages", "nicht so viele Felder wie die x-Zeile"));
        for (std::size_t i = 0; i < coordinates; ++i)
            if (!FieldToNumber(fields[i], '.', position[i]))
                return damaged(QT_TRANSLATE_NOOP("Messages", "keine Zahl"));
        for (std::size_t i = coordinates; i < count; ++i)
            if (!FieldToNumber(fields[i], '.', y[i - coordinates]))
                return damaged(QT_TRANSLATE_NOOP("Messages", "keine Zahl"));
        StreamedSpectrum spectrum;
        spectrum.Index = index++;
        spectrum.X = x.data();
        spectrum.Y = y.data();
        spectrum.Points = x.size();
        spectrum.HasPosition = coordinates >= 2;
        spectrum.PositionX = position[0];
        spectrum.PositionY = position[1];
        if (!sink.Take(spectrum))
            return ReadOutcome::Done();
    }
    return index > 0
        ? ReadOutcome::Done()
        : ReadOutcome::Refused(Refusal::Damaged(QT_TRANSLATE_NOOP("Messages", "keine Spektren")));
}

} // namespace

bool LooksLabSpec(std::string_view head, std::size_t, std::string_view)
{
    return isKeyLine(FirstTextLine(head));
}

ReadOutcome StreamLabSpec(ByteSource &source, SpectrumSink &sink)
{
    std::string_view bytes;
    if (!WholeText(source, bytes))
        return TooLargeToDecode(source);
    TextLines lines(bytes);
    std::string_view line;
    if (!lines.Next(line) || !isKeyLine(line))
        return ReadOutcome::Refused(Refusal::Unreadable("LabSpec-Text"));
    // The header: every line that starts with '#' before the first line of numbers. Its first
    // title names the spectrum of a file of one.
    std::string_view title;
    bool titled = titleLine(line, title);
    bool data = false;
    while (!data && lines.Next(line)) {
        data = !IsBlankLine(line) && line[0] != '#';
        if (!data && !titled)
            titled = titleLine(line, title);
    }
    if (!data)
        return ReadOutcome::Refused(Refusal::Damaged(QT_TRANSLATE_NOOP("Messages", "keine Werte")));
    // Only the x row of the matrix form starts with an empty field.
    if (TrimField(line.substr(0, line.find('\t'))).empty())
        return streamMatrix(lines, line, bytes.size(), sink);
    ImportedSpectra result;
    if (!readTwoColumns(lines, line, result))
        return ReadOutcome::Refused(Refusal::Unreadable("LabSpec-Text"));
    result.Names.push_back(SpectrumName(title));
    return StreamImported(result, sink);
}

bool ReadLabSpec(std::string_view bytes, ImportedSpectra &out)
{
    return CollectImported(StreamLabSpec, bytes, out);
}
