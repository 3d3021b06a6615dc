// The vendor text-export readers: the laboratory samples read to the numbers in the files and
// agree with their binary twins, the variants of each format, the files none of them may claim,
// and damaged input.

#include "formats/textexports.h"
#include "formats/textfields.h"
#include "formatsamples.h"

#include <QFile>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

namespace
{

struct Reader {
    const char *name;
    bool (*looks)(std::string_view, std::size_t, std::string_view);
    bool (*read)(std::string_view, ImportedSpectra &);
};

const Reader kReaders[] = {
    { "wire", LooksWire, ReadWire },
    { "labspec", LooksLabSpec, ReadLabSpec },
    { "bwspec", LooksBwSpec, ReadBwSpec },
    { "rruff", LooksRruff, ReadRruff },
    { "pixelcsv", LooksPixelCsv, ReadPixelCsv },
    { "csv", LooksCsv, ReadCsv },
};

const Reader &reader(const QString &name)
{
    for (const auto &r : kReaders)
        if (name == QLatin1String(r.name))
            return r;
    qFatal("no reader %s", qPrintable(name));
}

std::string sample(const QString &name)
{
    QFile file(QStringLiteral(PH_FORMATS_DATA "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing sample %s", qPrintable(name));
    return file.readAll().toStdString();
}

std::string sample(const char *name)
{
    return sample(QString::fromLatin1(name));
}

// The readers that claim a file by its head and name.
QStringList claimants(const std::string &bytes, const std::string &fileName)
{
    QStringList result;
    const std::string_view head = std::string_view(bytes).substr(0, kSignatureBytes);
    for (const auto &r : kReaders)
        if (r.looks(head, bytes.size(), fileName))
            result << QLatin1String(r.name);
    return result;
}

// What every successful read must hand over.
bool consistent(const ImportedSpectra &s)
{
    if (s.X.empty() || s.X.size() > kImportMaxPoints || s.Y.empty()
        || s.Y.size() > kImportMaxSpectra || !NamesClean(s))
        return false;
    for (const double x : s.X)
        if (!std::isfinite(x))
            return false;
    for (const auto &y : s.Y) {
        if (y.size() != s.X.size())
            return false;
        for (const double v : y)
            if (!std::isfinite(v))
                return false;
    }
    return true;
}

// y of a spectrum at x, linear between the two points around it (x rising).
double interpolate(const ImportedSpectra &s, double x)
{
    for (std::size_t i = 1; i < s.X.size(); ++i)
        if (s.X[i - 1] <= x && x <= s.X[i])
            return s.Y[0][i - 1]
                + (s.Y[0][i] - s.Y[0][i - 1]) * (x - s.X[i - 1]) / (s.X[i] - s.X[i - 1]);
    return NAN;
}

bool sameBits(const std::vector<double> &a, const std::vector<double> &b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// A random field of a CSV row: mostly numbers in every spelling numconv reads, at times with
// blanks around, the other mark, a broken exponent or no digits.
std::string randomField(std::mt19937 &random, char mark)
{
    const std::string alphabet = std::string("0123456789eE+- x") + mark;
    std::string field;
    const int length = 1 + static_cast<int>(random() % 10);
    for (int i = 0; i < length; ++i)
        field += alphabet[random() % (i < 6 ? 10 : alphabet.size())];
    std::shuffle(field.begin(), field.end(), random);
    if (random() % 8 == 0)
        field = (random() % 2 ? " " : "\t") + field + (random() % 2 ? " " : "");
    return field;
}

const char *const kWire = "charisma_nCal_Qontor785_z005H12_100_1x3s.txt";
const char *const kBwSpec = "charisma_PST10_iR532_Probe_100_3000msx7.txt";
const char *const kRruff =
    "charisma_Anatase_R060277_Broad_Scan_0_unoriented_Raman_Data_RAW_21346.txt";
const char *const kPixelCsv = "charisma_PST_532_SEX139.txt";

} // namespace

class tst_TextExports : public QObject
{
    Q_OBJECT

private slots:
    void samplesReadToTheirNumbers_data();
    void samplesReadToTheirNumbers();
    void samplesAgreeWithTheirBinaryTwins();
    void wireMapForm();
    void labSpecForms();
    void bwSpecTableRows();
    void rruffIsNeverJcamp();
    void csvVariants_data();
    void csvVariants();
    void notClaimed_data();
    void notClaimed();
    void limitsAreRefused();
    void damagedSamplesReadCleanlyOrNotAtAll();
    void fastPathsAgreeWithTheFullConversion();
};

void tst_TextExports::samplesReadToTheirNumbers_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("points");
    QTest::addColumn<double>("firstX");
    QTest::addColumn<double>("firstY");
    QTest::addColumn<double>("lastX");
    QTest::addColumn<double>("lastY");
    QTest::addColumn<QString>("xCaption");
    QTest::addColumn<QString>("name"); // empty: unnamed
    // The numbers as the files write them; x in the file's order (WiRE: descending).
    QTest::newRow("wire") << kWire << "wire" << 1021 << 1111.108398 << 1729.160645 << -154.501953
                          << 267.675995 << ""
                          << "";
    // Pixels 0-108 and 1910-2047 carry no Raman shift; "Dark Subtracted #1" is y, and no name.
    QTest::newRow("bwspec") << kBwSpec << "bwspec" << 1801 << 145.99 << 5655.2857 << 4010.28
                            << 655.4286 << "Raman shift [1/cm]"
                            << "";
    QTest::newRow("rruff") << kRruff << "rruff" << 1753 << 79.84985 << 0.0 << 3458.524 << 144.2470
                           << ""
                           << "Anatase";
    QTest::newRow("pixelcsv") << kPixelCsv << "pixelcsv" << 2048 << -1118.2901370987172 << -3210.0
                              << 4751.536933410046 << 31.0 << "Raman shift [1/cm]"
                              << "PST_532_SEX139";
}

void tst_TextExports::samplesReadToTheirNumbers()
{
    QFETCH(QString, file);
    QFETCH(QString, format);
    const std::string bytes = sample(file);
    QCOMPARE(claimants(bytes, file.toStdString()), QStringList { format });
    ImportedSpectra s;
    QVERIFY(reader(format).read(bytes, s));
    QVERIFY(consistent(s));
    QCOMPARE(s.Y.size(), std::size_t(1));
    QTEST(int(s.X.size()), "points");
    QTEST(s.X.front(), "firstX");
    QTEST(s.Y[0].front(), "firstY");
    QTEST(s.X.back(), "lastX");
    QTEST(s.Y[0].back(), "lastY");
    QTEST(QString::fromStdString(s.XCaption), "xCaption");
    QVERIFY(s.YCaption.empty());
    QTEST(QString::fromStdString(s.Names.empty() ? std::string() : s.Names[0]), "name");
}

void tst_TextExports::samplesAgreeWithTheirBinaryTwins()
{
    // The .spc of the WiRE export: 1021 points from 1111.1083984375 (y 1729.16064453125) to
    // -154.501953125 (y 267.6759948730469), float32.
    ImportedSpectra wire;
    QVERIFY(ReadWire(sample(kWire), wire));
    QCOMPARE(wire.X.size(), std::size_t(1021));
    QVERIFY(std::abs(wire.X.front() / 1111.1083984375 - 1) < 1e-6);
    QVERIFY(std::abs(wire.Y[0].front() / 1729.16064453125 - 1) < 1e-6);
    QVERIFY(std::abs(wire.X.back() / -154.501953125 - 1) < 1e-6);
    QVERIFY(std::abs(wire.Y[0].back() / 267.6759948730469 - 1) < 1e-6);

    // The .spc of the BWSpec export resamples the dark-subtracted counts to whole 1/cm from 175
    // to 3982. Away from sharp bands the export's points, joined by straight lines, meet it within
    // 1 % (the raw counts would be 17 % off at 175 1/cm).
    ImportedSpectra bw;
    QVERIFY(ReadBwSpec(sample(kBwSpec), bw));
    const struct {
        double x, y;
    } twin[] = { { 175, 6891.93505859375 }, { 500, 1353.50537109375 },
        { 3982, 689.0595092773438 } };
    for (const auto &point : twin)
        QVERIFY2(std::abs(interpolate(bw, point.x) / point.y - 1) < 0.01,
            qPrintable(QString::number(point.x)));
}

void tst_TextExports::wireMapForm()
{
    // Doubled tabs as WiRE writes them; two positions sharing the same three wave values.
    const std::string map =
        "#X\t\t#Y\t\t#Wave\t\t#Intensity\r\n"
        "-10\t\t5\t\t1003.5\t\t11\r\n-10\t\t5\t\t1002.5\t\t12\r\n-10\t\t5\t\t1001.5\t\t13\r\n"
        "-9\t\t5\t\t1003.5\t\t21\r\n-9\t\t5\t\t1002.5\t\t22\r\n-9\t\t5\t\t1001.5\t\t23\r\n";
    QVERIFY(LooksWire(map, map.size(), "m.txt"));
    ImportedSpectra s;
    QVERIFY(ReadWire(map, s));
    QCOMPARE(s.X, (std::vector<double> { 1003.5, 1002.5, 1001.5 }));
    QCOMPARE(s.Y, (std::vector<std::vector<double>> { { 11, 12, 13 }, { 21, 22, 23 } }));

    const std::string head = "#X\t#Y\t#Wave\t#Intensity\n";
    const char *const wrong[] = {
        "0\t0\t3\t1\n0\t0\t2\t1\n1\t0\t3\t1\n1\t0\t1\t1\n", // other wave values
        "0\t0\t3\t1\n0\t0\t2\t1\n1\t0\t3\t1\n", // a position short of a point
        "0\t0\t3\t1\n1\t0\t3\t1\n0\t0\t3\t1\n", // a position comes back
        "0\t0\t3\t1\n0\t0\t2\n", // a short line
        "0\t0\t3\tinf\n", // not a finite number
    };
    for (const char *body : wrong)
        QVERIFY2(!ReadWire(head + body, s), body);
    // Other WiRE column sets carry the signature but are not read.
    const std::string series = "#Time\t#Wave\t#Intensity\n0\t3\t1\n";
    QVERIFY(LooksWire(series, series.size(), "t.txt"));
    QVERIFY(!ReadWire(series, s));
}

void tst_TextExports::labSpecForms()
{
    const std::string header =
        "#Acq. time (s)=\t10\r\n#Accumulations=\t2\r\n#Title=\tCalcite, spot 3 \r\n";
    ImportedSpectra s;
    const std::string twoColumns = header + "168.216\t2152.87\r\n172.303\t2139.98\r\n";
    QCOMPARE(claimants(twoColumns, "l.txt"), QStringList { QStringLiteral("labspec") });
    QVERIFY(ReadLabSpec(twoColumns, s));
    QCOMPARE(s.X, (std::vector<double> { 168.216, 172.303 }));
    QCOMPARE(s.Y, (std::vector<std::vector<double>> { { 2152.87, 2139.98 } }));
    QCOMPARE(s.Names, std::vector<std::string> { "Calcite, spot 3" });

    // The matrix form with one coordinate (a time series) and with two (a map).
    QVERIFY(ReadLabSpec(header + "\t100\t200\t300\n0\t1\t2\t3\n5\t4\t5\t6\n", s));
    QCOMPARE(s.X, (std::vector<double> { 100, 200, 300 }));
    QCOMPARE(s.Y, (std::vector<std::vector<double>> { { 1, 2, 3 }, { 4, 5, 6 } }));
    QVERIFY(s.Names.empty()); // the file's title is no spectrum's
    QVERIFY(ReadLabSpec(header + "\t\t100\t200\n0\t0\t1\t2\n0\t1\t3\t4\n", s));
    QCOMPARE(s.Y, (std::vector<std::vector<double>> { { 1, 2 }, { 3, 4 } }));

    const char *const wrong[] = {
        "1\t2\n#Late=\t1\n3\t4\n", // a header line among the data
        "1\t2\t3\n", // three columns without the matrix's x row
        "\t100\t200\n0\t1\n", // a short matrix row
        "\t100\t200\n", // an x row without spectra
        "", // no data at all
    };
    for (const char *body : wrong)
        QVERIFY2(!ReadLabSpec(header + body, s), body);
}

void tst_TextExports::bwSpecTableRows()
{
    const std::string head =
        "File Version;BWSpec4.03_23\r\nlaser_wavelength;785,1\r\n"
        "Pixel;Wavelength;Wavenumber;Raman Shift;Dark;Raw data #1;Dark Subtracted #1;"
        "Raw data #2;Dark Subtracted #2;\r\n";
    const std::string outside = "0;   ;   ;   ;10,0;11,0;1,0;12,0;2,0;\r\n";
    const std::string row1 = "1;790,5;12650,1;100,25;10,0;20,5;10,5;30,0;20,0;\r\n";
    const std::string row2 = "2;790,6;12648,5;101,75;10,0;21,5;11,5;31,0;21,0;\r\n";
    ImportedSpectra s;
    QVERIFY(ReadBwSpec(head + outside + row1 + row2 + outside, s));
    QCOMPARE(s.X, (std::vector<double> { 100.25, 101.75 }));
    QCOMPARE(s.Y, (std::vector<std::vector<double>> { { 10.5, 11.5 }, { 20, 21 } }));
    QCOMPARE(s.XCaption, std::string("Raman shift [1/cm]"));

    std::string points = head + row1 + row2;
    for (auto &c : points)
        c = c == ',' ? '.' : c;
    QVERIFY(ReadBwSpec(points, s));
    QCOMPARE(s.X, (std::vector<double> { 100.25, 101.75 }));

    QVERIFY(!ReadBwSpec(head + row1 + outside + row2, s)); // a hole in the range
    QVERIFY(!ReadBwSpec(head + row1 + "2;790,6;12648,5;101,75;10,0;\r\n", s)); // a short row
    QVERIFY(!ReadBwSpec(head + "3;1;1;102,5;1;1;;1;1;\r\n", s)); // no intensity
    QVERIFY(!ReadBwSpec(head + row1 + "2;1;1;101.75;1;1;1;1;1;\r\n", s)); // marks mixed
    QVERIFY(!ReadBwSpec("File Version;BWSpec4\r\nPixel;Raman Shift;Raw data #1;\r\n1;2;3;\r\n", s));
    // Regression: a line that starts like the header row but is none left its intensity columns
    // behind, beyond the shorter real header row's fields.
    const std::string decoy = "Pixel;a;b;c;d;e;f;g;h;i;Dark Subtracted #9;\r\n";
    QVERIFY(ReadBwSpec(
        "File Version;BWRam4\r\n" + decoy + "Pixel;Raman Shift;Dark Subtracted #1\r\n1;2;3\r\n",
        s));
    QCOMPARE(s.Y, (std::vector<std::vector<double>> { { 3 } }));
}

void tst_TextExports::rruffIsNeverJcamp()
{
    const std::string rruff =
        "##NAMES=Calcite\n##RRUFFID=R040070\n100.5, 12\n101.5, 13\n##END=\n\n";
    QCOMPARE(claimants(rruff, "r.txt"), QStringList { QStringLiteral("rruff") });
    ImportedSpectra s;
    QVERIFY(ReadRruff(rruff, s));
    QCOMPARE(s.X, (std::vector<double> { 100.5, 101.5 }));
    QCOMPARE(s.Y, (std::vector<std::vector<double>> { { 12, 13 } }));

    // The JCAMP-DX reader's files: first label TITLE, or a JCAMP-DX label anywhere in the head.
    for (const std::string &jcamp : { std::string("##TITLE=Calcite\n##JCAMP-DX=4.24\n##NAMES=x\n"),
             std::string("##NAMES=Calcite\n##JCAMP-DX=5.01\n##XYDATA=(X++(Y..Y))\n1 2\n"),
             std::string("##NAMES=Calcite\n##RRUFFID=R1\n1, 2\n##jcamp_dx= 4.24\n") })
        QVERIFY2(claimants(jcamp, "j.txt").isEmpty(), jcamp.c_str());
    QVERIFY(!LooksRruff("##OWNER=x\n1, 2\n", 14, "r.txt")); // neither NAMES nor RRUFFID
    QVERIFY(!ReadRruff(rruff + "102, 1\n", s)); // data after the end
    QVERIFY(!ReadRruff("##NAMES=x\n1, 2\n##PEAKS=3\n4, 5\n", s));
    QVERIFY(ReadRruff("##RRUFFID=R1\n##NAMES= Calcite\n1, 2\n", s));
    QCOMPARE(s.Names, std::vector<std::string> { "Calcite" });
}

void tst_TextExports::csvVariants_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("points"); // 0: refused
    QTest::addColumn<int>("spectra");
    QTest::addColumn<double>("lastX");
    QTest::addColumn<double>("lastY");
    QTest::addColumn<QString>("xCaption");
    QTest::addColumn<QString>("yCaption");
    QTest::newRow("comma, no header") << "100.5,1\r\n101.5,2\r\n"
                                      << 2 << 1 << 101.5 << 2.0 << ""
                                      << "";
    QTest::newRow("comma, header") << "Raman shift (cm-1),Intensity (a.u.)\n1,2\n3,4\n"
                                   << 2 << 1 << 3.0 << 4.0 << "Raman shift (cm-1)"
                                   << "Intensity (a.u.)";
    QTest::newRow("semicolon, decimal comma") << "Shift;I\n100,5;1,5\n101,5;2,5\n"
                                              << 2 << 1 << 101.5 << 2.5 << "Shift"
                                              << "I";
    QTest::newRow("semicolon, decimal point") << "100.5;1.5\n101.5;2.5\n"
                                              << 2 << 1 << 101.5 << 2.5 << ""
                                              << "";
    QTest::newRow("sep hint, quotes, trailing separator")
        << "\xEF\xBB\xBFsep=;\n\"x\";\"a\";\"b\";\n1,5;2;3;\n2,5;4;5;\n"
        << 2 << 2 << 2.5 << 4.0 << "x"
        << "";
    QTest::newRow("two header rows") << "a,b\nc,d\n1,2\n"
                                     << 0 << 0 << 0.0 << 0.0 << ""
                                     << "";
    QTest::newRow("ragged rows") << "1,2\n3,4,5\n"
                                 << 0 << 0 << 0.0 << 0.0 << ""
                                 << "";
    QTest::newRow("one column") << "1\n2\n"
                                << 0 << 0 << 0.0 << 0.0 << ""
                                << "";
    QTest::newRow("marks mixed") << "1,5;2\n1.5;2\n"
                                 << 0 << 0 << 0.0 << 0.0 << ""
                                 << "";
    QTest::newRow("header alone") << "x,y\n"
                                  << 0 << 0 << 0.0 << 0.0 << ""
                                  << "";
    QTest::newRow("nan") << "1,nan\n"
                         << 0 << 0 << 0.0 << 0.0 << ""
                         << "";
}

void tst_TextExports::csvVariants()
{
    QFETCH(QString, text);
    QFETCH(int, points);
    const std::string bytes = text.toStdString();
    QCOMPARE(claimants(bytes, "/data/Probe.CSV"), QStringList { QStringLiteral("csv") });
    ImportedSpectra s;
    QCOMPARE(ReadCsv(bytes, s), points > 0);
    if (points == 0)
        return;
    QVERIFY(consistent(s));
    QCOMPARE(int(s.X.size()), points);
    QTEST(int(s.Y.size()), "spectra");
    QTEST(s.X.back(), "lastX");
    QTEST(s.Y[0].back(), "lastY");
    QTEST(QString::fromStdString(s.XCaption), "xCaption");
    QTEST(QString::fromStdString(s.YCaption), "yCaption");
    QVERIFY(s.Y.size() > 1 || s.Names.empty()); // over one column the header is the caption
}

void tst_TextExports::notClaimed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::newRow("own layout")
        << "Probe\r\nx-data = Raman shift [1/cm] y-data = Intensity\r\nx\ty\r\n1\t2\r\n"
        << "a.txt";
    // The first lines of headerless two-column exports that stay with the program's own reader.
    QTest::newRow("witec") << "-42.7538623605254\t787.099975585938\r\n-37.8747066215309\t787.5\r\n"
                           << "w.txt";
    QTest::newRow("zolix") << "-241.82188966676\t0.0\n-238.7910504154156\t0.0\n"
                           << "z.txt";
    QTest::newRow("horiba") << "168.216\t2152.87\r\n172.303\t2139.98\r\n"
                            << "h.txt";
    QTest::newRow("reflex") << "3501.06\t930.534\r\n3500.01\t956.646\r\n"
                            << "r.txt";
    QTest::newRow("comment line") << "# measured 2024\n1\t2\n"
                                  << "c.txt";
    QTest::newRow("empty") << ""
                           << "e.txt";
}

void tst_TextExports::notClaimed()
{
    QFETCH(QString, text);
    QFETCH(QString, name);
    QCOMPARE(claimants(text.toStdString(), name.toStdString()), QStringList());
}

void tst_TextExports::limitsAreRefused()
{
    std::string csv;
    for (std::size_t i = 0; i < kImportMaxPoints; ++i)
        csv += std::to_string(i) + ",1\n";
    ImportedSpectra s;
    QVERIFY(ReadCsv(csv, s));
    QVERIFY(!ReadCsv(csv + "1,1\n", s));

    std::string wide = "1";
    for (std::size_t i = 0; i < kImportMaxSpectra; ++i)
        wide += ",2";
    QVERIFY(ReadCsv(wide + "\n", s));
    QCOMPARE(s.Y.size(), kImportMaxSpectra);
    QVERIFY(!ReadCsv(wide + ",2\n", s));

    std::string map = "#X\t#Y\t#Wave\t#Intensity\n";
    for (std::size_t i = 0; i <= kImportMaxSpectra; ++i)
        map += std::to_string(i) + "\t0\t5\t1\n";
    QVERIFY(!ReadWire(map, s));
}

void tst_TextExports::damagedSamplesReadCleanlyOrNotAtAll()
{
    std::mt19937 random(14);
    for (const char *file : { kWire, kBwSpec, kRruff, kPixelCsv }) {
        const std::string bytes = sample(file);
        const QStringList owner = claimants(bytes, file);
        QCOMPARE(owner.size(), 1);
        const Reader &r = reader(owner[0]);
        ImportedSpectra s;
        // Every prefix through the signature and the first lines, then prefixes that end a line
        // or cut one of every few lines in the middle of a number.
        std::size_t lineEnds = 0;
        for (std::size_t n = 0; n <= bytes.size(); ++n) {
            const bool lineEnd = n > 0 && bytes[n - 1] == '\n' && ++lineEnds % 4 == 0;
            if (n > 2048 && !lineEnd && n != bytes.size())
                continue;
            for (const std::size_t cut : { n, std::min(n + 3, bytes.size()) })
                if (r.read(std::string_view(bytes.data(), cut), s))
                    QVERIFY2(consistent(s),
                        qPrintable(
                            QStringLiteral("%1, %2 bytes").arg(QLatin1String(file)).arg(cut)));
        }
        for (int round = 0; round < 100; ++round) {
            std::string damaged = bytes;
            for (int flip = 0; flip < 4; ++flip)
                damaged[random() % damaged.size()] = static_cast<char>(random());
            if (r.read(damaged, s))
                QVERIFY(consistent(s));
        }
    }
}

// The shortcuts (a row of plain numbers with the decimal point read straight from the text; a
// field with the decimal comma through numconv's data-field path) give what the full conversion
// gives, bit for bit, and refuse what it refuses.
void tst_TextExports::fastPathsAgreeWithTheFullConversion()
{
    std::mt19937 random(1414);
    int accepted = 0;
    for (int n = 0; n < 200000; ++n) {
        const char mark = n % 2 ? ',' : '.';
        const std::string field = randomField(random, mark) + (n % 3 ? "" : ".5");
        double full = 0.0;
        const std::string_view trimmed = TrimField(field);
        const bool fullOk =
            TryTextToFloat(trimmed, mark, full) == ConvertStatus::Ok && std::isfinite(full);
        double fast = 0.0;
        QCOMPARE(FieldToNumber(field, mark, fast), fullOk);
        if (fullOk)
            QVERIFY2(std::memcmp(&fast, &full, sizeof full) == 0, field.c_str());
        accepted += fullOk;
    }
    QVERIFY(accepted > 10000);

    // Every field quoted takes each row off the shortcut.
    const char *const lineEnds[] = { "\n", "\r\n", "\r" };
    int tables = 0;
    for (int n = 0; n < 3000; ++n) {
        const char separator = n % 4 == 3 ? ';' : ',';
        const std::size_t columns = 2 + random() % 3;
        std::string plain, quoted;
        for (int row = 0, rows = 1 + static_cast<int>(random() % 6); row < rows; ++row) {
            for (std::size_t c = 0; c < columns; ++c) {
                std::string field = random() % 4 ? std::to_string(random() % 100000 / 100.0)
                                                 : randomField(random, '.');
                if (random() % 3 == 0)
                    field = "-" + field;
                const std::string sep = c + 1 < columns ? std::string(1, separator) : "";
                plain += field + sep;
                quoted += (IsBlankLine(field) ? field : '"' + field + '"') + sep;
            }
            const char *end = lineEnds[random() % 3];
            plain += end;
            quoted += end;
        }
        ImportedSpectra a, b;
        const bool read = ReadCsv(plain, a);
        QCOMPARE(ReadCsv(quoted, b), read);
        if (!read)
            continue;
        ++tables;
        QVERIFY2(sameBits(a.X, b.X), plain.c_str());
        QCOMPARE(a.Y.size(), b.Y.size());
        for (std::size_t i = 0; i < a.Y.size(); ++i)
            QVERIFY2(sameBits(a.Y[i], b.Y[i]), plain.c_str());
    }
    QVERIFY(tables > 500);
}

QTEST_GUILESS_MAIN(tst_TextExports)
#include "tst_textexports.moc"
