// The SPE reader: the silicon sample read to its pixels and calibration, the variants built on
// its header, the files it must not claim, and damaged copies.

#include "formats/formatdispatch.h"
#include "formats/spereader.h"
#include "formatsamples.h"

#include <QTest>
#include <cstring>

namespace
{

constexpr char kSilicon[] = "charisma_S0N_50x.spe";

template <typename T> void put(std::string &bytes, std::size_t at, T value)
{
    std::memcpy(&bytes[at], &value, sizeof value); // the test machine is little-endian
}

template <typename T> T get(const std::string &bytes, std::size_t at)
{
    T value;
    std::memcpy(&value, &bytes[at], sizeof value);
    return value;
}

// An SPE file on the sample's header: width x height pixels in `frames` frames, of `type`, and a
// footer with one region and the wavelengths (a laser line only when laserLine is not empty).
// version 2.5 leaves out the footer.
std::string speFile(std::int16_t type, std::uint16_t width, std::uint16_t height,
    std::int32_t frames, const std::string &pixels, const std::string &wavelengths,
    const std::string &laserLine = "532", float version = 3.0f)
{
    std::string bytes = ReadFormatSample(kSilicon).substr(0, 4100);
    put(bytes, 42, width);
    put(bytes, 656, height);
    put(bytes, 108, type);
    put(bytes, 1446, frames);
    put(bytes, 1992, version);
    bytes += pixels;
    put(bytes, 678, std::uint64_t { bytes.size() });
    if (version < 3.0f)
        return bytes;
    return bytes + "<SpeFormat version=\"3.0\"><DataFormat><DataBlock type=\"Frame\" count=\""
        + std::to_string(frames) + "\"><DataBlock type=\"Region\" count=\"1\" width=\""
        + std::to_string(width) + "\" height=\"" + std::to_string(height)
        + "\" /></DataBlock></DataFormat><Calibrations><WavelengthMapping id=\"1\""
        + (laserLine.empty() ? "" : " laserLine=\"" + laserLine + "\"")
        + "><Wavelength xml:space=\"preserve\">" + wavelengths
        + "</Wavelength></WavelengthMapping></Calibrations></SpeFormat>";
}

template <typename T> std::string pixels(const std::vector<T> &values)
{
    std::string bytes(values.size() * sizeof(T), '\0');
    std::memcpy(&bytes[0], values.data(), bytes.size());
    return bytes;
}

bool looks(const std::string &bytes)
{
    return LooksSpe(std::string_view(bytes).substr(0, kSignatureBytes), bytes.size(), "a.spe");
}

} // namespace

class tst_SpeReader : public QObject
{
    Q_OBJECT

private slots:
    void siliconSample();
    void variants();
    void refusedVariants();
    void notClaimed();
    void damagedCopiesAreRefusedOrReadCleanly();
};

void tst_SpeReader::siliconSample()
{
    const std::string bytes = ReadFormatSample(kSilicon);
    QVERIFY(looks(bytes));
    const FormatReader *reader =
        DetectFormat(std::string_view(bytes).substr(0, kSignatureBytes), bytes.size(), kSilicon);
    QVERIFY(reader != nullptr);
    QCOMPARE(QString::fromLatin1(reader->Name), QStringLiteral("SPE"));
    ImportedSpectra s;
    QVERIFY(ReadSpe(bytes, s));
    QCOMPARE(s.X.size(), std::size_t(1340));
    QCOMPARE(s.Y.size(), std::size_t(1));
    QVERIFY(s.XCaption.empty()); // the laser line is given: Raman shift
    // The footer's first and last wavelengths and laser line 531.988 nm; the pixels are uint32.
    QCOMPARE(s.X.front(), 1e7 / 531.988 - 1e7 / 534.00047611653622);
    QCOMPARE(s.X.back(), 1e7 / 531.988 - 1e7 / 557.35494205905434);
    QCOMPARE(s.Y[0].front(), double(get<std::uint32_t>(bytes, 4100)));
    QCOMPARE(s.Y[0].back(), double(get<std::uint32_t>(bytes, 4100 + 4 * 1339)));
    QVERIFY(std::is_sorted(s.X.begin(), s.X.end()));
    // Silicon's band is the spectrum's maximum.
    const auto top = std::max_element(s.Y[0].begin(), s.Y[0].end()) - s.Y[0].begin();
    QVERIFY2(std::fabs(s.X[top] - 520.5) < 2, qPrintable(QString::number(s.X[top])));
}

void tst_SpeReader::variants()
{
    ImportedSpectra s;
    // Without the laser line x is the wavelength.
    QVERIFY(ReadSpe(speFile(0, 2, 1, 1, pixels<float>({ 1.5f, -2.25f }), "540, 541.5", ""), s));
    QCOMPARE(s.X, (std::vector<double> { 540, 541.5 }));
    QCOMPARE(s.Y, (std::vector<std::vector<double>> { { 1.5, -2.25 } }));
    QCOMPARE(QString::fromStdString(s.XCaption), QStringLiteral("Wavelength [nm]"));
    // Every row of every frame is a spectrum, in the file's order.
    const std::string frames =
        speFile(2, 2, 2, 2, pixels<std::int16_t>({ -1, 2, 3, 4, 5, 6, 7, -32768 }), "540,541");
    QVERIFY(looks(frames));
    QVERIFY(ReadSpe(frames, s));
    QCOMPARE(s.X, (std::vector<double> { 1e7 / 532 - 1e7 / 540, 1e7 / 532 - 1e7 / 541 }));
    QCOMPARE(
        s.Y, (std::vector<std::vector<double>> { { -1, 2 }, { 3, 4 }, { 5, 6 }, { 7, -32768 } }));
    QVERIFY(ReadSpe(speFile(3, 1, 1, 1, pixels<std::uint16_t>({ 65535 }), "540"), s));
    QCOMPARE(s.Y[0][0], 65535.0);
    QVERIFY(ReadSpe(speFile(1, 1, 1, 1, pixels<std::int32_t>({ -7 }), "540"), s));
    QCOMPARE(s.Y[0][0], -7.0);
}

void tst_SpeReader::refusedVariants()
{
    ImportedSpectra s;
    const std::string two = pixels<std::uint32_t>({ 1, 2 });
    const auto refused = [&s](const std::string &bytes) {
        return looks(bytes) && !ReadSpe(bytes, s);
    };
    QVERIFY(refused(speFile(8, 2, 1, 1, two, "540"))); // a wavelength missing
    QVERIFY(refused(speFile(8, 2, 1, 1, two, "540,541,542"))); // one too many
    QVERIFY(refused(speFile(8, 2, 1, 1, two, "540,x")));
    QVERIFY(refused(speFile(8, 2, 1, 1, two, "540,541", "0"))); // no laser line
    QVERIFY(refused(speFile(8, 2, 1, 1, two, "540,541", "", 2.5f))); // version 2.x
    // Frames with metadata after their pixels.
    QVERIFY(refused(speFile(8, 2, 1, 1, two + "tracking", "540,541")));
    // Beyond the table: 100 spectra, 10001 points.
    QVERIFY(refused(speFile(2, 1, 100, 1, std::string(200, '\0'), "540")));
    std::string wide;
    for (int i = 0; i < 10001; ++i)
        wide += (i ? "," : "") + std::to_string(500 + i * 0.01);
    QVERIFY(refused(speFile(2, 10001, 1, 1, std::string(20002, '\0'), wide)));
    // Frame counts the file cannot hold, up to the largest, are not claimed.
    for (const std::int32_t frames : { 2, 65536, 2147483647 })
        QVERIFY(!looks(speFile(8, 65535, 65535, frames, two, "540")));
    // A pixel type not read (float64) is not claimed.
    QVERIFY(!looks(speFile(5, 1, 1, 1, std::string(8, '\0'), "540")));
}

void tst_SpeReader::notClaimed()
{
    std::string own = "OK sample\r\nx-data = Raman shift [1/cm] y-data = Intensity\r\nShift\tA\r\n";
    for (int i = 0; i < 800; ++i)
        own += std::to_string(100 + i) + "\t" + std::to_string(i * 7) + "\r\n";
    QVERIFY(own.size() > 4100);
    for (const std::string &other :
        { own, ReadFormatSample("charisma_nCal_Qontor785_z005H12_100_1x3s.spc"),
            ReadFormatSample("charisma_nCal_Qontor785_z005H12_100_1x3s.wdf") }) {
        QVERIFY(!other.empty());
        QVERIFY(!looks(other));
        ImportedSpectra s;
        QVERIFY(!ReadSpe(other, s));
    }
    // The header must be whole and the data must fit the file.
    const std::string bytes = ReadFormatSample(kSilicon);
    QVERIFY(!looks(bytes.substr(0, 4100)));
    QVERIFY(!looks(bytes.substr(0, 9460)));
}

void tst_SpeReader::damagedCopiesAreRefusedOrReadCleanly()
{
    QCOMPARE(FirstDamagedReadingAmiss(ReadFormatSample(kSilicon), ReadSpe), -1L);
}

QTEST_GUILESS_MAIN(tst_SpeReader)
#include "tst_spereader.moc"
