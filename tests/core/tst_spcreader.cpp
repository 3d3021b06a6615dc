#include "formats/spcreader.h"
#include "formatsamples.h"

#include <QTest>
#include <cstring>

namespace
{

constexpr char kCalcite[] = "charisma_nCal_Qontor785_z005H12_100_1x3s";
constexpr char kPolystyrene[] = "charisma_PST_Reflex532_Z050_010_10000msx2";
constexpr char kPolystyreneBwtek[] = "charisma_PST10_iR532_Probe_100_3000msx7";

std::string sample(const char *stem, const char *extension)
{
    return ReadFormatSample((std::string(stem) + extension).c_str());
}

template <typename T> void put(std::string &bytes, std::size_t at, T value)
{
    std::memcpy(&bytes[at], &value, sizeof value); // the test machine is little-endian
}

template <typename T> void append(std::string &bytes, const std::vector<T> &values)
{
    for (const T value : values) {
        bytes.resize(bytes.size() + sizeof value);
        put(bytes, bytes.size() - sizeof value, value);
    }
}

// A main header of the new layout as the format defines it.
std::string header(std::uint8_t flags, std::int8_t exponent, std::int32_t points, double first,
    double last, std::int32_t subfiles = 0, std::uint8_t version = 0x4B)
{
    std::string bytes(512, '\0');
    put(bytes, 0, flags);
    put(bytes, 1, version);
    put(bytes, 3, exponent);
    put(bytes, 4, points);
    put(bytes, 8, first);
    put(bytes, 16, last);
    put(bytes, 24, subfiles);
    put(bytes, 28, std::uint8_t { 13 });
    put(bytes, 29, std::uint8_t { 4 });
    return bytes;
}

std::string subheader(std::int8_t exponent, std::int32_t points = 0)
{
    std::string bytes(32, '\0');
    put(bytes, 1, exponent);
    put(bytes, 16, points);
    return bytes;
}

constexpr std::uint8_t kShortY = 0x01, kMulti = 0x04, kXyxy = 0x40, kXValues = 0x80;
constexpr std::int8_t kFloat = -128;

QList<double> asList(const std::vector<double> &values)
{
    return QList<double>(values.begin(), values.end());
}

} // namespace

class tst_SpcReader : public QObject
{
    Q_OBJECT

private slots:
    void twinExportsOfTheSameMeasurement_data();
    void twinExportsOfTheSameMeasurement();
    void instrumentGridFileKeepsItsPolystyreneBand();
    void variants_data();
    void variants();
    void signatureOnlyForSpcHeaders();
    void damagedCopiesAreRefusedOrReadCleanly_data();
    void damagedCopiesAreRefusedOrReadCleanly();
};

void tst_SpcReader::twinExportsOfTheSameMeasurement_data()
{
    QTest::addColumn<QString>("stem");
    QTest::newRow("calcite, Qontor") << QString::fromLatin1(kCalcite);
    QTest::newRow("polystyrene, Reflex") << QString::fromLatin1(kPolystyrene);
}

// These SPC files keep the measurement on an evenly spaced grid from the first to the last
// shift of the export (the writer resampled the spectrum onto it): the point count and both
// ends agree with the text export to float32 precision, the points between follow it closely.
void tst_SpcReader::twinExportsOfTheSameMeasurement()
{
    QFETCH(QString, stem);
    const std::string bytes = sample(stem.toLatin1().constData(), ".spc");
    const XYPoints twin = ReadTwoColumnTwin((stem + QStringLiteral(".txt")).toLatin1().constData());
    QVERIFY(LooksSpc(std::string_view(bytes).substr(0, kSignatureBytes), bytes.size(), "x.spc"));
    ImportedSpectra spectra;
    QVERIFY(ReadSpc(bytes, spectra));
    QCOMPARE(spectra.Y.size(), std::size_t { 1 });
    QCOMPARE(spectra.XCaption, std::string("Raman shift [1/cm]"));
    QCOMPARE(spectra.YCaption, std::string("Counts"));
    const XYPoints points = SortedPoints(spectra);
    QCOMPARE(points.size(), twin.size());
    // The export prints six significant digits.
    for (const std::size_t i : { std::size_t { 0 }, points.size() - 1 }) {
        QVERIFY2(Near(points[i].first, twin[i].first, 1e-6, 5e-4), qPrintable(QString::number(i)));
        QVERIFY2(
            Near(points[i].second, twin[i].second, 1e-6, 5e-3), qPrintable(QString::number(i)));
    }
    double top = 0;
    for (const auto &point : twin)
        top = std::max(top, std::fabs(point.second));
    for (std::size_t i = 1; i + 1 < points.size(); ++i) {
        const double step =
            (points.back().first - points.front().first) / double(points.size() - 1);
        QVERIFY(Near(points[i].first, points.front().first + step * double(i), 1e-12));
        const auto above =
            std::lower_bound(twin.begin(), twin.end(), std::make_pair(points[i].first, -1e300));
        const auto below = above - 1;
        const double t = (points[i].first - below->first) / (above->first - below->first);
        const double expected = below->second + t * (above->second - below->second);
        QVERIFY2(
            std::fabs(points[i].second - expected) <= 2e-3 * top, qPrintable(QString::number(i)));
    }
}

// This instrument writes 1 1/cm steps from 175 to 3982 1/cm; its BWSpec export has the pixels.
// Both show polystyrene's ring-breathing band at 1001 1/cm as the strongest between 950 and 1050.
void tst_SpcReader::instrumentGridFileKeepsItsPolystyreneBand()
{
    const std::string bytes = sample(kPolystyreneBwtek, ".spc");
    ImportedSpectra spectra;
    QVERIFY(ReadSpc(bytes, spectra));
    QCOMPARE(spectra.X.size(), std::size_t { 3808 });
    for (std::size_t i = 0; i < spectra.X.size(); ++i)
        QCOMPARE(spectra.X[i], 175.0 + double(i));
    QCOMPARE(spectra.YCaption, std::string("Intensity"));
    std::size_t peak = 950 - 175;
    for (std::size_t i = peak; i <= 1050 - 175; ++i)
        if (spectra.Y[0][i] > spectra.Y[0][peak])
            peak = i;
    QVERIFY2(std::fabs(spectra.X[peak] - 1001) <= 2, qPrintable(QString::number(spectra.X[peak])));

    double twinPeakX = 0, twinPeakY = -1e300;
    const QByteArray text = QByteArray::fromStdString(sample(kPolystyreneBwtek, ".txt"));
    for (const QByteArray &line : text.split('\n')) {
        const QList<QByteArray> fields = line.split(';'); // Raman shift, then dark subtracted
        bool shiftOk = false, yOk = false;
        const double shift = fields.size() > 7
            ? QByteArray(fields[3]).replace(',', '.').trimmed().toDouble(&shiftOk)
            : 0;
        const double y =
            fields.size() > 7 ? QByteArray(fields[7]).replace(',', '.').toDouble(&yOk) : 0;
        if (shiftOk && yOk && shift >= 950 && shift <= 1050 && y > twinPeakY) {
            twinPeakX = shift;
            twinPeakY = y;
        }
    }
    QVERIFY2(std::fabs(spectra.X[peak] - twinPeakX) <= 2, qPrintable(QString::number(twinPeakX)));
}

void tst_SpcReader::variants_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QList<double>>("x");
    QTest::addColumn<QList<double>>("y"); // the spectra one after another

    const std::vector<float> y3 { 1.5f, -2.25f, 1e-3f };
    const QList<double> y3d { 1.5, -2.25, double(1e-3f) };
    const QList<double> even { 100, 200, 300 };
    auto row = [](const char *name, const std::string &bytes, bool readable, QList<double> x = {},
                   QList<double> y = {}) {
        QTest::newRow(name) << QByteArray::fromStdString(bytes) << readable << x << y;
    };
    {
        std::string b = header(0, kFloat, 3, 100, 300) + subheader(0);
        append(b, y3);
        row("float32, evenly spaced", b, true, even, y3d);
        row(
            "log offset inside the data",
            [b]() mutable {
                put(b, 248, std::uint32_t { 520 });
                return b;
            }(),
            false);
        row("four bytes short", b.substr(0, b.size() - 4), false);
        row(
            "old layout 0x4D",
            [b]() mutable {
                b[1] = 0x4D;
                return b;
            }(),
            false);
        row(
            "big-endian layout 0x4C",
            [b]() mutable {
                b[1] = 0x4C;
                return b;
            }(),
            false);
    }
    {
        std::string b = header(kXValues, kFloat, 3, 0, 0);
        append(b, std::vector<float> { 10.5f, 7.25f, 3.0f });
        b += subheader(0);
        append(b, y3);
        row("explicit x", b, true, { 10.5, 7.25, 3.0 }, y3d);
    }
    {
        // y = integer * 2^(exponent - 32), here 2^-28.
        std::string b = header(0, 4, 3, 100, 300) + subheader(0);
        append(b, std::vector<std::int32_t> { 1 << 28, -3 * (1 << 28), 1 << 27 });
        row("32-bit integers", b, true, even, { 1, -3, 0.5 });
    }
    {
        // y = integer * 2^(exponent - 16), here 2^-12.
        std::string b = header(kShortY, 4, 3, 100, 300) + subheader(0);
        append(b, std::vector<std::int16_t> { 4096, -12288, 2048 });
        row("16-bit integers", b, true, even, { 1, -3, 0.5 });
        b[3] = static_cast<char>(kFloat);
        row("16-bit float", b, false);
    }
    {
        // Each subfile of a multifile has its own exponent.
        std::string b = header(kMulti | kXValues, 0, 3, 0, 0, 2);
        append(b, std::vector<float> { 1, 2, 4 });
        b += subheader(kFloat);
        append(b, y3);
        b += subheader(4);
        append(b, std::vector<std::int32_t> { 1 << 28, -3 * (1 << 28), 1 << 27 });
        row("multifile, common x", b, true, { 1, 2, 4 }, y3d + QList<double> { 1, -3, 0.5 });
    }
    for (const bool sameX : { true, false }) {
        std::string b = header(kMulti | kXValues | kXyxy, 0, 0, 0, 0, 2);
        for (int s = 0; s < 2; ++s) {
            b += subheader(kFloat, 3);
            append(b, std::vector<float> { 1, 2, s == 1 && !sameX ? 5.f : 4.f });
            append(b, y3);
        }
        if (sameX)
            row("XYXY, the same x in every subfile", b, true, { 1, 2, 4 }, y3d + y3d);
        else
            row("XYXY, subfiles with different x", b, false);
    }
    {
        std::string b = header(0, kFloat, 10001, 1, 2) + subheader(0);
        b.resize(b.size() + 4 * 10001);
        row("10001 points", b, false);
        std::string m = header(kMulti, kFloat, 1, 1, 1, 100);
        for (int s = 0; s < 100; ++s)
            m += subheader(kFloat) + std::string(4, '\0');
        row("100 subfiles", m, false);
    }
}

void tst_SpcReader::variants()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, readable);
    QFETCH(QList<double>, x);
    QFETCH(QList<double>, y);
    ImportedSpectra spectra;
    QCOMPARE(
        ReadSpc(std::string_view(bytes.constData(), std::size_t(bytes.size())), spectra), readable);
    if (!readable)
        return;
    QCOMPARE(asList(spectra.X), x);
    QList<double> all;
    for (const std::vector<double> &column : spectra.Y)
        all += asList(column);
    QCOMPARE(all, y);
}

void tst_SpcReader::signatureOnlyForSpcHeaders()
{
    for (const char *stem : { kCalcite, kPolystyrene, kPolystyreneBwtek }) {
        const std::string bytes = sample(stem, ".spc");
        QVERIFY(
            LooksSpc(std::string_view(bytes).substr(0, kSignatureBytes), bytes.size(), "a.spc"));
    }
    // Text whose second byte happens to be the version byte: files of the program's own layout,
    // a table, the text export of the same measurement.
    std::string own = "OK sample\r\nx-data = Raman shift [1/cm] y-data = Intensity\r\nShift\tA\r\n";
    for (int i = 0; i < 100; ++i)
        own += std::to_string(100 + i) + "\t" + std::to_string(i * 7) + "\r\n";
    const std::string table = "1K\t2\r\n\r\n\t\t\t3\t4\r\n" + std::string(600, '\t');
    std::string exported = sample(kCalcite, ".txt");
    exported[1] = 'K';
    for (const std::string &text : { own, table, exported }) {
        QVERIFY(!LooksSpc(std::string_view(text).substr(0, kSignatureBytes), text.size(), "a.spc"));
        ImportedSpectra spectra;
        QVERIFY(!ReadSpc(text, spectra));
    }
    const std::string wdf = sample(kCalcite, ".wdf");
    QVERIFY(!LooksSpc(std::string_view(wdf).substr(0, kSignatureBytes), wdf.size(), "a.spc"));
    // The header must fit: a shorter file is not claimed.
    const std::string spc = sample(kCalcite, ".spc");
    QVERIFY(!LooksSpc(std::string_view(spc).substr(0, 511), 511, "a.spc"));
}

void tst_SpcReader::damagedCopiesAreRefusedOrReadCleanly_data()
{
    QTest::addColumn<QString>("stem");
    for (const char *stem : { kCalcite, kPolystyrene, kPolystyreneBwtek })
        QTest::newRow(stem) << QString::fromLatin1(stem);
}

void tst_SpcReader::damagedCopiesAreRefusedOrReadCleanly()
{
    QFETCH(QString, stem);
    const std::string bytes = sample(stem.toLatin1().constData(), ".spc");
    QCOMPARE(FirstDamagedReadingAmiss(bytes, ReadSpc), -1L);
}

QTEST_GUILESS_MAIN(tst_SpcReader)
#include "tst_spcreader.moc"
