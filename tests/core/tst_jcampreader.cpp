#include "formats/jcampreader.h"
#include "formatsamples.h"

#include <QFile>
#include <QTest>
#include <cmath>
#include <random>

namespace
{

std::string sample(const char *name)
{
    QFile file(qEnvironmentVariable("PEAKHOUND_SOURCE_DIR") + QStringLiteral("/tests/data/jcamp/")
        + QString::fromLatin1(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test file %s", name);
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

bool looks(const std::string &text)
{
    return LooksJcamp(text, text.size(), "x.jdx");
}

// A single-spectrum file around a data table.
std::string single(const std::string &header, const std::string &table)
{
    return "##TITLE= test\n##JCAMP-DX= 4.24\n" + header + table + "##END=\n";
}

const std::string kTenPoints =
    "##XFACTOR= 1\n##YFACTOR= 1\n##FIRSTX= 100\n##LASTX= 109\n##NPOINTS= 10\n";

// What the reader hands over is always whole: one x per point, finite values, within the table.
void checkConsistent(const ImportedSpectra &read)
{
    QVERIFY(!read.X.empty() && read.X.size() <= kImportMaxPoints);
    QVERIFY(!read.Y.empty() && read.Y.size() <= kImportMaxSpectra);
    QVERIFY(NamesClean(read));
    for (const auto &y : read.Y) {
        QCOMPARE(y.size(), read.X.size());
        for (std::size_t i = 0; i < y.size(); ++i)
            QVERIFY(std::isfinite(y[i]) && std::isfinite(read.X[i]));
    }
}

} // namespace

class tst_JcampReader : public QObject
{
    Q_OBJECT

private slots:
    void signature();
    void compressedFormsGiveThePlainValues_data();
    void compressedFormsGiveThePlainValues();
    void peakTablesAndPoints();
    void compoundFiles();
    void inconsistentTablesAreRefused_data();
    void inconsistentTablesAreRefused();
    void damagedFilesReadCleanlyOrNotAtAll();
};

void tst_JcampReader::signature()
{
    QVERIFY(looks("##TITLE= x\n"));
    QVERIFY(looks("\r\n  \r\n##TITLE = spaced label\r\n"));
    QVERIFY(looks("##JCAMP-DX= 5.01\n##TITLE= x\n"));
    QVERIFY(looks(sample("mactab2.jdx"))); // CR line ends
    // RRUFF exports have ##KEY=value lines but none of the format's own records.
    QVERIFY(!looks("##NAMES=Anatase\n##RRUFFID=R060277\n##END=\n100, 5\n"));
    QVERIFY(!looks("Title\nx-data = Raman shift [1/cm] y-data = Intensity\n"));
    QVERIFY(!looks("TITLE\n##TITLE= x\n"));
    QVERIFY(!looks(""));
}

void tst_JcampReader::compressedFormsGiveThePlainValues_data()
{
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("compressed");
    QTest::addColumn<double>("yScale"); // corrects the compressed file's ##YFACTOR
    QTest::newRow("DIF, x decreasing") << "o01.jdx"
                                       << "o02.jdx" << 1.0;
    QTest::newRow("PAC") << "o01.jdx"
                         << "o03.jdx" << 1.0;
    QTest::newRow("SQZ") << "o01.jdx"
                         << "o04.jdx" << 1.0;
    QTest::newRow("DIF DUP") << "o01.jdx"
                             << "o05.jdx" << 1.0;
    QTest::newRow("DIF DUP, x increasing") << "jtpolys.jdx"
                                           << "jtpolysd.jdx" << 2.384185791 / 2.3884185791;
}

void tst_JcampReader::compressedFormsGiveThePlainValues()
{
    QFETCH(QString, plain);
    QFETCH(QString, compressed);
    QFETCH(double, yScale);
    ImportedSpectra expected;
    ImportedSpectra read;
    QVERIFY(ReadJcamp(sample(qPrintable(plain)), expected));
    QVERIFY(ReadJcamp(sample(qPrintable(compressed)), read));
    QCOMPARE(read.X.size(), expected.X.size());
    QCOMPARE(read.Y.size(), std::size_t(1));
    for (std::size_t i = 0; i < read.X.size(); ++i) {
        QVERIFY(std::abs(read.X[i] - expected.X[i]) <= 1e-6 * std::abs(expected.X[i]));
        QVERIFY(std::abs(read.Y[0][i] * yScale - expected.Y[0][i])
            <= 1e-12 * std::abs(expected.Y[0][i]));
    }
    // x as the format defines it: FIRSTX + i (LASTX - FIRSTX) / (NPOINTS - 1).
    if (plain == QLatin1String("o01.jdx")) {
        QCOMPARE(read.X.size(), std::size_t(8192));
        QCOMPARE(read.X.front(), 2391.297363);
        QCOMPARE(read.X.back(), -402.202637);
        QCOMPARE(read.Y[0][0], 37 * 1.267406);
        QCOMPARE(read.XCaption, std::string("HZ"));
        QCOMPARE(read.YCaption, std::string("ARBITRARY UNITS"));
    } else {
        QCOMPARE(read.XCaption, std::string("Raman shift [1/cm]"));
    }
}

void tst_JcampReader::peakTablesAndPoints()
{
    ImportedSpectra read;
    QVERIFY(ReadJcamp(sample("pktab1.jdx"), read));
    QCOMPARE(read.X.size(), std::size_t(46));
    QCOMPARE(read.X[1], 41.0);
    QCOMPARE(read.Y[0][1], 520.0);
    QCOMPARE(read.YCaption, std::string("relative abundance"));
    QVERIFY(ReadJcamp(sample("mactab2.jdx"), read)); // the same table with CR line ends
    QCOMPARE(read.X.size(), std::size_t(46));

    const std::string points =
        single("##XFACTOR= 2\n##YFACTOR= 0.5\n##XUNITS= CM-1\n##NPOINTS= 3\n",
            "##XYPOINTS= (XY..XY)\n1, 10; 2,20 $$ comment\n 3 ,30\n");
    QVERIFY(ReadJcamp(points, read));
    QCOMPARE(read.X, (std::vector<double> { 2, 4, 6 }));
    QCOMPARE(read.Y[0], (std::vector<double> { 5, 10, 15 }));
    QCOMPARE(read.XCaption, std::string("Raman shift [1/cm]"));
    QVERIFY(read.YCaption.empty());
    QVERIFY(!ReadJcamp(single("", "##XYPOINTS= (XY..XY)\n1, 10 2\n"), read)); // an x without y
    QVERIFY(!ReadJcamp(single("", "##PEAK TABLE= (XYW..XYW)\n1, 10, 1\n"), read));
}

void tst_JcampReader::compoundFiles()
{
    ImportedSpectra read;
    // Blocks of 1976 and 3951 points: the first block alone, named by its own title.
    QVERIFY(ReadJcamp(sample("compound.jdx"), read));
    QCOMPARE(read.Y.size(), std::size_t(1));
    QCOMPARE(read.Names, std::vector<std::string> { "block 1" });
    QCOMPARE(read.X.size(), std::size_t(1976));
    QCOMPARE(read.Y[0][0], 467 * 0.0001);
    QCOMPARE(read.YCaption, std::string("TRANSMITTANCE"));
    // Five blocks on the same x: one spectrum each, in the file's order.
    QVERIFY(ReadJcamp(sample("blckpac1.jdx"), read));
    QCOMPARE(read.Y.size(), std::size_t(5));
    QCOMPARE(read.X.size(), std::size_t(176));
    QCOMPARE(read.X.front(), 700.0);
    QCOMPARE(read.X.back(), 350.0);
    QCOMPARE(read.XCaption, std::string("nm"));
    QVERIFY(read.Y[0][0] != read.Y[1][0]);
    QCOMPARE(read.Names.size(), std::size_t(5));
    QCOMPARE(read.Names[0], std::string("Aquation of trans-[Co(en)2Cl2]+ (t1)"));
    QCOMPARE(read.Names[4], std::string("Aquation of trans-[Co(en)2Cl2]+ (t5)"));
    // Peak tables of different masses.
    QVERIFY(ReadJcamp(sample("blckpkt1.jdx"), read));
    QCOMPARE(read.Y.size(), std::size_t(1));
    QCOMPARE(read.X.size(), std::size_t(44));
    QCOMPARE(read.Names, std::vector<std::string> { "1-Propanol (70 eV EI)" });
}

void tst_JcampReader::inconsistentTablesAreRefused_data()
{
    QTest::addColumn<QByteArray>("text");
    const std::string dif = "##XYDATA= (X++(Y..Y))\n100 A0J0J0J0J0\n104 E0J0J0J0J0J0\n";
    ImportedSpectra read;
    QVERIFY(ReadJcamp(single(kTenPoints, dif), read)); // the form the rows below damage
    QCOMPARE(read.Y[0], (std::vector<double> { 10, 20, 30, 40, 50, 60, 70, 80, 90, 100 }));
    QTest::newRow("checkpoint differs") << QByteArray::fromStdString(
        single(kTenPoints, "##XYDATA= (X++(Y..Y))\n100 A0J0J0J0J0\n104 E1J0J0J0J0J0\n"));
    QTest::newRow("point lost in a line") << QByteArray::fromStdString(
        single(kTenPoints, "##XYDATA= (X++(Y..Y))\n100 A0J0J0J0\n104 D0J0J0J0J0J0J0\n"));
    QTest::newRow("abscissa off") << QByteArray::fromStdString(
        single(kTenPoints, "##XYDATA= (X++(Y..Y))\n100 1 2 3 4 5\n106 6 7 8 9 10\n"));
    QTest::newRow("more points than NPOINTS")
        << QByteArray::fromStdString(single(kTenPoints, dif + "109 A00J0\n"));
    QTest::newRow("beyond the table") << QByteArray::fromStdString(
        single("##FIRSTX= 1\n##LASTX= 10001\n", "##XYDATA= (X++(Y..Y))\n1 A0Zs99999999\n"));
    QTest::newRow("NPOINTS beyond the table") << QByteArray::fromStdString(
        single("##FIRSTX= 1\n##LASTX= 2\n##NPOINTS= 10001\n", "##XYDATA= (X++(Y..Y))\n1 1 2\n"));
    QTest::newRow("unknown value") << QByteArray::fromStdString(
        single(kTenPoints, "##XYDATA= (X++(Y..Y))\n100 1 2 3 4 ?\n105 6 7 8 9 10\n"));
    QTest::newRow("overflow") << QByteArray::fromStdString(single(kTenPoints,
        "##YFACTOR= 1E+300\n##XYDATA= (X++(Y..Y))\n100 1 2 3 4 5\n105 6 7 8 9 1E+300\n"));
    QTest::newRow("no END") << QByteArray::fromStdString("##TITLE= t\n" + kTenPoints + dif);
    QTest::newRow("n-tuples only") << QByteArray::fromStdString(
        single("##NTUPLES= NMR\n", "##DATA TABLE= (X++(R..R)), XYDATA\n1 2 3\n"));
    QTest::newRow("spliced lines") << QByteArray::fromStdString(sample("xyinc2.jdx"));
}

void tst_JcampReader::inconsistentTablesAreRefused()
{
    QFETCH(QByteArray, text);
    ImportedSpectra read;
    QVERIFY(!ReadJcamp(
        std::string_view(text.constData(), static_cast<std::size_t>(text.size())), read));
}

void tst_JcampReader::damagedFilesReadCleanlyOrNotAtAll()
{
    std::mt19937 random(14);
    for (const char *name : { "dupinc1.jdx", "o05.jdx", "pktab1.jdx", "blckpac1.jdx" }) {
        const std::string whole = sample(name);
        ImportedSpectra read;
        for (std::size_t size = 0; size < whole.size(); ++size) {
            if (ReadJcamp(std::string_view(whole).substr(0, size), read))
                checkConsistent(read);
        }
        for (int round = 0; round < 300; ++round) {
            std::string damaged = whole;
            for (int flip = 0; flip < 4; ++flip)
                damaged[random() % damaged.size()] = static_cast<char>(random() % 256);
            if (ReadJcamp(damaged, read))
                checkConsistent(read);
        }
    }
}

QTEST_GUILESS_MAIN(tst_JcampReader)
#include "tst_jcampreader.moc"
