#include "formats/wdfreader.h"
#include "formatsamples.h"

#include <QTest>
#include <cstring>

namespace
{

constexpr char kCalcite[] = "charisma_nCal_Qontor785_z005H12_100_1x3s";

template <typename T> void put(std::string &bytes, std::size_t at, T value)
{
    std::memcpy(&bytes[at], &value, sizeof value); // the test machine is little-endian
}

std::string block(const char *name, const std::string &body)
{
    std::string bytes(16, '\0');
    std::memcpy(&bytes[0], name, 4);
    put(bytes, 8, std::uint64_t { 16 + body.size() });
    return bytes + body;
}

std::string floats(const std::vector<float> &values)
{
    std::string bytes(4 * values.size(), '\0');
    for (std::size_t i = 0; i < values.size(); ++i)
        put(bytes, 4 * i, values[i]);
    return bytes;
}

// A file as the format lays it out: the 512-byte header, DATA with room for `planned` spectra
// of which the first `measured` are filled, XLST, and an origin block.
struct WdfParts {
    std::uint32_t points = 3;
    std::uint64_t planned = 3;
    std::uint64_t measured = 3;
    std::uint32_t xCount = 3;
    std::size_t dataValues = 9;
    std::size_t xValues = 3;
    bool withXList = true;
    std::string title = "map 7"; // the 160 bytes at 240

    std::string bytes() const
    {
        std::string header(512, '\0');
        std::memcpy(&header[0], "WDF1", 4);
        put(header, 4, std::uint32_t { 1 });
        put(header, 8, std::uint64_t { 512 });
        put(header, 60, points);
        put(header, 64, planned);
        put(header, 72, measured);
        put(header, 88, xCount);
        put(header, 152, std::uint32_t { 6 });
        header.replace(240, title.size(), title);
        std::vector<float> data(dataValues, 0.f);
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = float(i) + 0.5f;
        std::vector<float> x(xValues);
        for (std::size_t i = 0; i < x.size(); ++i)
            x[i] = 1000.f - 1.25f * float(i);
        std::string xList(8, '\0');
        put(xList, 0, std::uint32_t { 1 });
        put(xList, 4, std::uint32_t { 1 });
        return header + block("DATA", floats(data))
            + (withXList ? block("XLST", xList + floats(x)) : "")
            + block("ORGN", std::string(12, '\1'));
    }
};

} // namespace

class tst_WdfReader : public QObject
{
    Q_OBJECT

private slots:
    void twinExportOfTheSameMeasurement();
    void seriesAndTheirChecks_data();
    void seriesAndTheirChecks();
    void signatureOnlyForWdfHeaders();
    void damagedCopiesAreRefusedOrReadCleanly();
};

void tst_WdfReader::twinExportOfTheSameMeasurement()
{
    const std::string bytes = ReadFormatSample("charisma_nCal_Qontor785_z005H12_100_1x3s.wdf");
    const XYPoints twin = ReadTwoColumnTwin("charisma_nCal_Qontor785_z005H12_100_1x3s.txt");
    ImportedSpectra spectra;
    QVERIFY(ReadWdf(bytes, spectra));
    QCOMPARE(spectra.Y.size(), std::size_t { 1 });
    QCOMPARE(spectra.XCaption, std::string("Raman shift [1/cm]"));
    QCOMPARE(spectra.YCaption, std::string("Counts"));
    QCOMPARE(spectra.Names, std::vector<std::string> { "nCal_Qontor785_z005H12_100_1x3s" });
    QVERIFY(spectra.X.front() > spectra.X.back()); // the file's order: shift descending
    const XYPoints points = SortedPoints(spectra);
    QCOMPARE(points.size(), twin.size());
    // The export prints six decimals, so shifts near zero carry an absolute 5e-7.
    for (std::size_t i = 0; i < points.size(); ++i) {
        QVERIFY2(Near(points[i].first, twin[i].first, 1e-6, 1e-6), qPrintable(QString::number(i)));
        QVERIFY2(
            Near(points[i].second, twin[i].second, 1e-6, 1e-6), qPrintable(QString::number(i)));
    }
}

void tst_WdfReader::seriesAndTheirChecks_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("spectra"); // 0: refused
    QTest::addColumn<QString>("name"); // of a file of one spectrum

    auto row = [](const char *name, const WdfParts &parts, int spectra) {
        QTest::newRow(name) << QByteArray::fromStdString(parts.bytes()) << spectra << QString();
    };
    WdfParts series;
    row("series of three", series, 3);
    // A title that fills its field without a NUL, the padding behind it not blank.
    WdfParts single = series;
    single.measured = single.planned = 1;
    single.dataValues = 3;
    single.title = std::string(160, 't') + "pad";
    QTest::newRow("one spectrum") << QByteArray::fromStdString(single.bytes()) << 1
                                  << QString(160, QLatin1Char('t'));
    WdfParts stopped = series;
    stopped.measured = 2;
    stopped.planned = 5;
    stopped.dataValues = 15;
    row("two measured of five planned", stopped, 2);
    WdfParts more = series;
    more.measured = more.planned = 100;
    more.dataValues = 300;
    row("100 spectra", more, 0);
    WdfParts longer;
    longer.points = longer.xCount = 10001;
    longer.measured = longer.planned = 1;
    longer.dataValues = longer.xValues = 10001;
    row("10001 points", longer, 0);
    WdfParts shortData = series;
    shortData.dataValues = 8;
    row("DATA shorter than planned", shortData, 0);
    WdfParts overMeasured = series;
    overMeasured.measured = 4;
    row("more measured than planned", overMeasured, 0);
    WdfParts otherX = series;
    otherX.xValues = 4;
    row("x list of another length", otherX, 0);
    WdfParts otherCount = series;
    otherCount.xCount = 4;
    row("header x count of another length", otherCount, 0);
    WdfParts noX = series;
    noX.withXList = false;
    row("no XLST", noX, 0);

    QTest::newRow("bytes after the last block")
        << QByteArray::fromStdString(series.bytes() + "xyz") << 0;
    std::string runsOver = series.bytes();
    put(runsOver, 512 + 8, std::uint64_t { 1 } << 62);
    QTest::newRow("a block size beyond the file") << QByteArray::fromStdString(runsOver) << 0;
    std::string tooSmall = series.bytes();
    put(tooSmall, 512 + 8, std::uint64_t { 15 });
    QTest::newRow("a block smaller than its header") << QByteArray::fromStdString(tooSmall) << 0;
}

void tst_WdfReader::seriesAndTheirChecks()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, spectra);
    ImportedSpectra out;
    QCOMPARE(
        ReadWdf(std::string_view(bytes.constData(), std::size_t(bytes.size())), out), spectra > 0);
    if (spectra == 0)
        return;
    QCOMPARE(out.Y.size(), std::size_t(spectra));
    QCOMPARE(out.X, (std::vector<double> { 1000, 998.75, 997.5 }));
    // The title is the file's: a series stays unnamed.
    if (spectra == 1)
        QTEST(QString::fromStdString(out.Names.at(0)), "name");
    else
        QVERIFY(out.Names.empty());
    // Spectra follow one another in DATA.
    for (std::size_t s = 0; s < out.Y.size(); ++s)
        for (std::size_t i = 0; i < 3; ++i)
            QCOMPARE(out.Y[s][i], double(3 * s + i) + 0.5);
}

void tst_WdfReader::signatureOnlyForWdfHeaders()
{
    const std::string wdf = ReadFormatSample("charisma_nCal_Qontor785_z005H12_100_1x3s.wdf");
    QVERIFY(LooksWdf(std::string_view(wdf).substr(0, kSignatureBytes), wdf.size(), "a.wdf"));
    // Claimed when truncated after the header, so that it is refused as an instrument file.
    QVERIFY(LooksWdf(std::string_view(wdf).substr(0, 600), 600, "a.wdf"));
    std::string otherName = wdf;
    otherName.replace(512, 4, "Da\tA");
    QVERIFY(!LooksWdf(std::string_view(otherName).substr(0, kSignatureBytes), wdf.size(), "a.wdf"));
    const std::string text =
        "WDF1 sample\r\nx-data = Raman shift y-data = Intensity\r\nShift\tA\r\n1\t2\r\n";
    QVERIFY(!LooksWdf(text, text.size(), "a.txt"));
    const std::string spc = ReadFormatSample("charisma_nCal_Qontor785_z005H12_100_1x3s.spc");
    QVERIFY(!LooksWdf(std::string_view(spc).substr(0, kSignatureBytes), spc.size(), "a.wdf"));
}

void tst_WdfReader::damagedCopiesAreRefusedOrReadCleanly()
{
    const std::string wdf = ReadFormatSample("charisma_nCal_Qontor785_z005H12_100_1x3s.wdf");
    QCOMPARE(FirstDamagedReadingAmiss(wdf, ReadWdf), -1L);
    const std::string series = WdfParts().bytes();
    QCOMPARE(FirstDamagedReadingAmiss(series, ReadWdf, 20000), -1L);
}

QTEST_GUILESS_MAIN(tst_WdfReader)
#include "tst_wdfreader.moc"
