#pragma once

// The instrument samples in tests/data/formats and the checks every binary reader's test shares:
// the text-export twin of a sample, and the walk over damaged copies of a file.

#include "formats/importedspectra.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline std::string ReadFormatSample(const char *name)
{
    QFile file(qEnvironmentVariable("PEAKHOUND_SOURCE_DIR") + QStringLiteral("/tests/data/formats/")
        + QString::fromUtf8(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

using XYPoints = std::vector<std::pair<double, double>>;

// A text export of two tab-separated columns x and y, '#' header lines skipped, sorted by x.
inline XYPoints ReadTwoColumnTwin(const char *name)
{
    XYPoints points;
    const std::string text = ReadFormatSample(name);
    for (const QByteArray &line : QByteArray::fromStdString(text).split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split('\t');
        if (line.startsWith('#') || fields.size() != 2)
            continue;
        points.emplace_back(fields[0].toDouble(), fields[1].toDouble());
    }
    std::sort(points.begin(), points.end());
    return points;
}

// Spectrum `column` of a reading as (x, y) points sorted by x.
inline XYPoints SortedPoints(const ImportedSpectra &spectra, std::size_t column = 0)
{
    XYPoints points;
    for (std::size_t i = 0; i < spectra.X.size(); ++i)
        points.emplace_back(spectra.X[i], spectra.Y[column][i]);
    std::sort(points.begin(), points.end());
    return points;
}

// Equal within `relative`, or within `absolute` where the text gives fewer digits near zero.
inline bool Near(double a, double b, double relative, double absolute = 0)
{
    return std::fabs(a - b) <= std::max(relative * std::max(std::fabs(a), std::fabs(b)), absolute);
}

// At most one name per spectrum, each as SpectrumName leaves it: within kMaxNameBytes, without
// control characters or blanks at its ends.
inline bool NamesClean(const ImportedSpectra &spectra)
{
    if (spectra.Names.size() > spectra.Y.size())
        return false;
    for (const std::string &name : spectra.Names) {
        if (name.size() > kMaxNameBytes
            || (!name.empty() && (name.front() == ' ' || name.back() == ' ')))
            return false;
        for (const char c : name)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                return false;
    }
    return true;
}

// A reading that claims success hands over something the table can take.
inline bool Consistent(const ImportedSpectra &spectra)
{
    if (spectra.X.empty() || spectra.X.size() > kImportMaxPoints || spectra.Y.empty()
        || spectra.Y.size() > kImportMaxSpectra || !NamesClean(spectra))
        return false;
    for (const std::vector<double> &y : spectra.Y)
        if (y.size() != spectra.X.size())
            return false;
    return true;
}

// Every prefix of `bytes` and a few thousand copies with random bytes changed: the reader
// refuses or reads cleanly (a prefix that it reads gives the whole file's spectra). Returns the
// first offending size or trial, or -1.
template <typename Reader>
long FirstDamagedReadingAmiss(const std::string &bytes, Reader read, int trials = 3000)
{
    ImportedSpectra whole;
    if (!read(std::string_view(bytes), whole))
        return -2;
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        ImportedSpectra part;
        if (read(std::string_view(bytes).substr(0, length), part)
            && (part.X != whole.X || part.Y != whole.Y))
            return static_cast<long>(length);
    }
    std::mt19937 random(20240611);
    std::string damaged = bytes;
    for (int trial = 0; trial < trials; ++trial) {
        damaged = bytes;
        const int flips = 1 + trial % 4;
        for (int f = 0; f < flips; ++f) {
            // Half of the changes go into the first kilobyte, where the headers are.
            const std::size_t span =
                trial % 2 == 0 ? std::min<std::size_t>(1024, bytes.size()) : bytes.size();
            damaged[random() % span] = static_cast<char>(random() & 0xFF);
        }
        ImportedSpectra out;
        if (read(std::string_view(damaged), out) && !Consistent(out))
            return trial;
    }
    return -1;
}
