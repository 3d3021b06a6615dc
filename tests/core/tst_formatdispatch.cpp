#include "exceptions.h"
#include "formats/formatdispatch.h"
#include "spectrumfile.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

// The dispatch in front of the readers: which reader takes a file, that files without another
// format's signature are read exactly as by the own reader alone, and how decoded spectra enter
// the table.
class tst_FormatDispatch : public QObject
{
    Q_OBJECT

private slots:
    void filesWithoutSignatureReadAsBefore();
    void signatureFilesGoToTheirReader();
    void decodedSpectraEnterTheTableWithinItsLimits();
    void namesAreCleaned();

private:
    static std::string sourceFile(const QString &relative)
    {
        return (qEnvironmentVariable("PEAKHOUND_SOURCE_DIR") + QLatin1Char('/') + relative)
            .toStdString();
    }
};

// Every example, and files on the edge of the own layout, give the same verdict, table, captions
// and errors through the dispatch as through the own reader alone.
void tst_FormatDispatch::filesWithoutSignatureReadAsBefore()
{
    TestFolder folder;
    std::vector<std::string> files;
    const QDir examples(QString::fromStdString(sourceFile(QStringLiteral("examples"))));
    for (const QString &name : examples.entryList({ QStringLiteral("*.txt") }, QDir::Files))
        files.push_back(examples.filePath(name).toStdString());
    QVERIFY(files.size() >= 10);
    const std::string binary("\x00K\x80\x01\x00\x00\x00\x00\tx\r\n", 12);
    files.push_back(folder.write("headerless.txt", "100\t5\r\n101\t7\r\n102\t6\r\n103\t9\r\n"));
    files.push_back(folder.write("tabs.csv", "a\nx-data = X y-data = Y\nx\ty\n1\t2\n"));
    files.push_back(folder.write("empty.txt", ""));
    files.push_back(folder.write("binary.dat", binary));
    files.push_back(folder.write("hash.txt", "#Wave 1\n2\n#x\ty\n1\t2\n")); // no signature
    files.push_back(folder.write("letters.txt", "h\nh\nx\ty\nabc\t1\n")); // a conversion error
    files.push_back(
        folder.write("own.jdx", "##TITLE=x\nx-data = a y-data = b\nx\ty\n1\t2\n")); // markers win
    auto dispatched = std::make_unique<SpectrumTableData>();
    auto own = std::make_unique<SpectrumTableData>();
    for (const std::string &file : files) {
        for (const NumberSeparators separators :
            { NumberSeparators { '.', ',' }, NumberSeparators { ',', '.' } }) {
            BadFileListData badDispatched, badOwn;
            std::string errorDispatched, errorOwn;
            LoadResult a, b;
            try {
                a = LoadSpectrumFile(*dispatched, badDispatched, file, separators);
            } catch (const Exception &e) {
                errorDispatched = e.what();
            }
            try {
                b = LoadOwnLayoutFile(*own, badOwn, file, separators);
            } catch (const Exception &e) {
                errorOwn = e.what();
            }
            QCOMPARE(errorDispatched, errorOwn);
            QCOMPARE(a.WellFormed, b.WellFormed);
            QCOMPARE(a.Complete, b.Complete);
            QCOMPARE(badDispatched.Count, badOwn.Count);
            QCOMPARE(dispatched->RowCount, own->RowCount);
            QCOMPARE(dispatched->SpectrumCount, own->SpectrumCount);
            QCOMPARE(dispatched->XCaption, own->XCaption);
            QCOMPARE(dispatched->YCaption, own->YCaption);
            for (int r = 1; r <= std::min(own->RowCount + 1, kMaxRows); ++r) {
                for (int c = 1; c <= own->SpectrumCount + 1; ++c)
                    QCOMPARE(dispatched->Cell(r, c), own->Cell(r, c));
            }
        }
    }
}

void tst_FormatDispatch::signatureFilesGoToTheirReader()
{
    auto table = std::make_unique<SpectrumTableData>();
    BadFileListData bad;
    const NumberSeparators separators;
    // A LINK file whose blocks share x: one spectrum per block, for the reader and the merge,
    // each named by its block's title.
    const std::string blocks = sourceFile(QStringLiteral("tests/data/jcamp/blckpac1.jdx"));
    QVERIFY(LoadSpectrumFile(*table, bad, blocks, separators).WellFormed);
    QCOMPARE(table->SpectrumCount, 5);
    QCOMPARE(table->Names[1], std::string("Aquation of trans-[Co(en)2Cl2]+ (t2)"));
    QCOMPARE(HeaderSpectrumCount(blocks), 5);
    QVERIFY(table->RowCount > 100);
    QCOMPARE(bad.Count, 0);

    // A damaged file of a format read here is the wrong layout, never an error: here a JCAMP
    // file cut before its end.
    TestFolder folder;
    QFile whole(QString::fromStdString(sourceFile(QStringLiteral("tests/data/jcamp/o01.jdx"))));
    QVERIFY(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    const std::string cut = folder.write("cut.jdx", bytes.left(bytes.size() / 2).toStdString());
    table->SpectrumCount = 7;
    QVERIFY(!LoadSpectrumFile(*table, bad, cut, separators).WellFormed);
    QCOMPARE(table->SpectrumCount, 0);
    QCOMPARE(bad.Count, 1);
    QCOMPARE(bad.Name(1), cut);
    QCOMPARE(HeaderSpectrumCount(cut), 0);
    // The signature is in the bytes, not the name.
    const std::string renamed = folder.write("spectrum.txt", bytes.toStdString());
    QVERIFY(LoadSpectrumFile(*table, bad, renamed, separators).WellFormed);
    QCOMPARE(table->SpectrumCount, 1);
    QCOMPARE(table->Names[0], std::string("o-dichlorobenzene"));
}

void tst_FormatDispatch::decodedSpectraEnterTheTableWithinItsLimits()
{
    auto table = std::make_unique<SpectrumTableData>();
    for (int r = 1; r <= 5; ++r) {
        for (int c = 1; c <= 4; ++c)
            table->Cell(r, c) = 99;
    }
    ImportedSpectra spectra;
    spectra.X = { 3, 2, 1 };
    spectra.Y = { { 10, 20, 30 } };
    QVERIFY(StoreImported(spectra, *table));
    QCOMPARE(table->RowCount, 3);
    QCOMPARE(table->SpectrumCount, 1);
    QCOMPARE(table->Cell(1, 1), 3.0); // the file's point order
    QCOMPARE(table->Cell(3, 2), 30.0);
    QCOMPARE(table->Cell(4, 1), 0.0); // the row below the last is cleared, as the own reader does
    QCOMPARE(table->Cell(4, 2), 0.0);
    QCOMPARE(table->Cell(1, 3), 99.0); // columns beyond the spectra keep what they held
    QCOMPARE(table->Cell(5, 1), 99.0);
    QCOMPARE(table->XCaption, std::string(kDefaultXCaption));
    QCOMPARE(table->YCaption, std::string(kDefaultYCaption));

    const auto refused = [&](const ImportedSpectra &bad) {
        table->RowCount = -1;
        return !StoreImported(bad, *table) && table->RowCount == -1;
    };
    ImportedSpectra bad = spectra;
    bad.Y[0][1] = std::numeric_limits<double>::infinity();
    QVERIFY(refused(bad));
    bad = spectra;
    bad.X[2] = std::nan("");
    QVERIFY(refused(bad));
    // Values near both ends of the double range: each finite, but no axis can span them
    bad = spectra;
    bad.X = { -1.7e308, 0, 1.7e308 };
    QVERIFY(refused(bad));
    bad = spectra;
    bad.Y = { { 1, 2, 3 }, { -1.7e308, 0, 1 }, { 2, 1.7e308, 0 } };
    QVERIFY(refused(bad));
    bad.Y = { { 1, 2, 3 }, { 8e307, 0, -8e307 } }; // a span of 1.6e308 fits
    QVERIFY(!refused(bad));
    bad = spectra;
    bad.Y[0].pop_back();
    QVERIFY(refused(bad));
    bad = spectra;
    bad.Y.clear();
    QVERIFY(refused(bad));
    bad.X.assign(kMaxRows + 1, 1.0);
    bad.Y.assign(1, bad.X);
    QVERIFY(refused(bad));
    bad.X.assign(kMaxRows, 1.0);
    bad.Y.assign(kMaxSpectra + 1, bad.X);
    QVERIFY(refused(bad));
    bad.Y.resize(kMaxSpectra); // exactly at both limits
    QVERIFY(StoreImported(bad, *table));
    QCOMPARE(table->RowCount, kMaxRows);
    QCOMPARE(table->SpectrumCount, kMaxSpectra);
}

// What a file gives as a name reaches the table without control characters and within
// kMaxNameBytes, never cut inside a UTF-8 character.
void tst_FormatDispatch::namesAreCleaned()
{
    using namespace std::string_view_literals;
    QCOMPARE(SpectrumName(" \tCalcite\r\n\0 2\x7F\t "sv), std::string("Calcite 2"));
    QCOMPARE(SpectrumName("a \tb"), std::string("a b"));
    QCOMPARE(SpectrumName("\0\r\n \x01"sv), std::string());
    // 199 bytes, then a two-byte character that would end beyond the limit.
    const std::string umlaut = "\xC3\xA4";
    QCOMPARE(SpectrumName(std::string(199, 'x') + umlaut + "tail"), std::string(199, 'x'));
    QCOMPARE(SpectrumName(std::string(198, 'x') + umlaut + "tail"), std::string(198, 'x') + umlaut);
    // Bytes that are no UTF-8 stay as the file has them, cut at the limit.
    QCOMPARE(SpectrumName(std::string(300, '\x80')), std::string(kMaxNameBytes, '\x80'));

    // Through a reader into the table: a CSV header of such names.
    TestFolder folder;
    const std::string csv = folder.write("names.csv",
        "shift,\"  first\x02sample \",\x7F" + std::string(250, 'y') + "\n1,2,3\n2,3,4\n");
    auto table = std::make_unique<SpectrumTableData>();
    BadFileListData bad;
    QVERIFY(LoadSpectrumFile(*table, bad, csv, NumberSeparators()).WellFormed);
    QCOMPARE(table->SpectrumCount, 2);
    QCOMPARE(table->Names[0], std::string("first sample"));
    QCOMPARE(table->Names[1], std::string(kMaxNameBytes, 'y'));
    // The program's own layout: names and captions as written, ones of megabytes cut
    const std::string own = folder.write("own.txt",
        SpectrumText("x", std::string(1023, 'c') + "\xC3\xA4" + std::string(1 << 20, 'c'),
            "x\t A \t" + std::string(1 << 20, 'z'), { "1\t2\t3" }));
    QVERIFY(LoadSpectrumFile(*table, bad, own, NumberSeparators()).WellFormed);
    QCOMPARE(table->Names[0], std::string(" A "));
    QCOMPARE(table->Names[1], std::string(kMaxNameBytes, 'z'));
    QCOMPARE(table->XCaption, std::string("x ")); // with the blank before the y marker
    QCOMPARE(table->YCaption, std::string(1023, 'c')); // not half the umlaut
}

QTEST_GUILESS_MAIN(tst_FormatDispatch)
#include "tst_formatdispatch.moc"
