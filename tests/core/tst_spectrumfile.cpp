#include "exceptions.h"
#include "spectrumfile.h"
#include "testsupport.h"
#include "textfile.h"

#include <QTest>
#include <memory>

namespace
{

const NumberSeparators kEnglish { '.', ',' };
const NumberSeparators kGerman { ',', '.' };

// The worked example: six lines with CR LF, two spectra, decimal commas and points mixed.
std::string workedExample(const std::string &tail = "")
{
    return "Probe 7\r\n"
           "x-data = Raman shift [1/cm] y-data = Intensity [counts]\r\n"
           "Shift\tA\tB\r\n"
           "1601,5\t120\t80\r\n"
           "1602.5\t340\t95\r\n"
           "1603,5\t150\t90\r\n"
        + tail;
}

} // namespace

class tst_SpectrumFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void workedExampleUnderBothLocales();
    void emptyDataLinesTakeNoRow();
    void lastLineWithoutLineEndCounts();
    void lfOnlyLineEnds();
    void headerWithoutDataLines();
    void captions_data();
    void captions();
    void wrongLayoutKeepsRows();
    void columnCountComesFromLineThree();
    void shortLinesKeepEarlierValues();
    void conversionErrorLeavesCounts();
    void textAfterCtrlZIsNeverRead();
    void limits();
    void lineBeyondTheLimitMakesTheWrongLayout();
    void missingFileChangesNothing();
    void kiloScale();

private:
    std::unique_ptr<SpectrumTableData> m_table;
    BadFileListData m_bad;
    TestFolder m_folder;
    LoadResult load(const std::string &text, const NumberSeparators &separators = kEnglish);
};

void tst_SpectrumFile::init()
{
    m_table = std::make_unique<SpectrumTableData>();
    m_bad = BadFileListData();
}

LoadResult tst_SpectrumFile::load(const std::string &text, const NumberSeparators &separators)
{
    return LoadSpectrumFile(*m_table, m_bad, m_folder.write("s.txt", text), separators);
}

void tst_SpectrumFile::workedExampleUnderBothLocales()
{
    for (const auto &separators : { kEnglish, kGerman }) {
        init();
        m_table->Cell(4, 1) = 99; // the row after the data must be zeroed
        const LoadResult result = load(workedExample(), separators);
        QVERIFY(result.WellFormed);
        QVERIFY(result.Complete);
        QCOMPARE(m_table->XCaption, std::string("Raman shift [1/cm] "));
        QCOMPARE(m_table->XCaption.size(), std::size_t(19));
        QCOMPARE(m_table->YCaption, std::string("Intensity [counts]"));
        QCOMPARE(m_table->SpectrumCount, 2);
        QCOMPARE(m_table->RowCount, 3);
        const double expected[3][3] = { { 1601.5, 120, 80 }, { 1602.5, 340, 95 },
            { 1603.5, 150, 90 } };
        for (int r = 1; r <= 3; ++r)
            for (int c = 1; c <= 3; ++c)
                QCOMPARE(m_table->Cell(r, c), expected[r - 1][c - 1]);
        for (int c = 1; c <= 3; ++c)
            QCOMPARE(m_table->Cell(4, c), 0.0);
        QCOMPARE(m_bad.Count, 0);
    }
}

void tst_SpectrumFile::emptyDataLinesTakeNoRow()
{
    // GIVEN a file read earlier that filled rows 1..5
    load(SpectrumText("x", "y", "a\tb", { "1\t11", "2\t12", "3\t13", "4\t14", "5\t15" }));
    // WHEN a file with empty lines between, before and after its data is read
    load(SpectrumText("x", "y", "a\tb", { "", "7\t70", "", "", "8\t80", "" }) + "\r\n\r\n");
    // THEN only its two data lines count, and no stale value slips into a row
    QCOMPARE(m_table->RowCount, 2);
    QCOMPARE(m_table->Cell(1, 1), 7.0);
    QCOMPARE(m_table->Cell(2, 2), 80.0);
    QCOMPARE(m_table->Cell(3, 1), 0.0);
    QCOMPARE(m_table->Cell(3, 2), 0.0);
    QCOMPARE(m_table->Cell(4, 1), 4.0); // beyond the zeroed row nothing changes
}

void tst_SpectrumFile::lastLineWithoutLineEndCounts()
{
    load("t\r\nx-data = a y-data = b\r\nx\ty\r\n1\t2\r\n3\t4");
    QCOMPARE(m_table->RowCount, 2);
    QCOMPARE(m_table->Cell(2, 2), 4.0);
}

void tst_SpectrumFile::lfOnlyLineEnds()
{
    const LoadResult result = load(SpectrumText("a", "b", "x\ty", { "1\t2", "3\t4" }, "\n"));
    QVERIFY(result.WellFormed);
    QCOMPARE(m_table->RowCount, 2);
    QCOMPARE(m_table->YCaption, std::string("b"));
    QCOMPARE(m_bad.Count, 0);
}

void tst_SpectrumFile::headerWithoutDataLines()
{
    m_table->RowCount = 7;
    load(SpectrumText("a", "b", "x\ty", {}));
    QCOMPARE(m_table->RowCount, 0);
    QCOMPARE(m_table->SpectrumCount, 1);
}

void tst_SpectrumFile::captions_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("x");
    QTest::addColumn<QByteArray>("y");
    QTest::newRow("both") << QByteArray("x-data = Shift y-data = Counts") << QByteArray("Shift ")
                          << QByteArray("Counts");
    QTest::newRow("tab between") << QByteArray("x-data = S\ty-data = C") << QByteArray("S\t")
                                 << QByteArray("C");
    QTest::newRow("y before x") << QByteArray("y-data = C x-data = S") << QByteArray()
                                << QByteArray("C x-data = S");
    QTest::newRow("x missing") << QByteArray("y-data = C") << QByteArray() << QByteArray();
    QTest::newRow("no blank after =")
        << QByteArray("x-data =S y-data = C") << QByteArray() << QByteArray();
    QTest::newRow("case matters") << QByteArray("X-data = S y-data = C") << QByteArray()
                                  << QByteArray();
    QTest::newRow("first occurrence") << QByteArray("x-data = a x-data = b y-data = c y-data = d")
                                      << QByteArray("a x-data = b ") << QByteArray("c y-data = d");
    QTest::newRow("8-bit caption")
        << QByteArray("x-data = \xb0 y-data = \xe4") << QByteArray("\xb0 ") << QByteArray("\xe4");
}

void tst_SpectrumFile::captions()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, x);
    QFETCH(QByteArray, y);
    m_table->XCaption = "old";
    m_table->YCaption = "old";
    load("t\r\n" + line.toStdString() + "\r\nx\ty\r\n1\t2\r\n");
    QCOMPARE(QByteArray::fromStdString(m_table->XCaption), x);
    QCOMPARE(QByteArray::fromStdString(m_table->YCaption), y);
}

void tst_SpectrumFile::wrongLayoutKeepsRows()
{
    load(SpectrumText("a", "b", "x\ty\tz", { "1\t2\t3", "4\t5\t6" }));
    const LoadResult result = load(SpectrumText("c", "d", "x y", { "garbage that is no number" }));
    QVERIFY(!result.WellFormed);
    QCOMPARE(m_table->SpectrumCount, 0);
    QCOMPARE(m_table->RowCount, 2);
    QCOMPARE(m_table->Cell(2, 3), 6.0);
    QCOMPARE(m_table->YCaption, std::string("d"));
    QCOMPARE(m_bad.Count, 1);
    QVERIFY(m_bad.Name(1).size() > 0);
    // Fewer than three lines: line 3 is empty, so the layout is wrong.
    load("only one line");
    QCOMPARE(m_bad.Count, 2);
}

void tst_SpectrumFile::columnCountComesFromLineThree()
{
    m_table->Cell(3, 2) = 5;
    m_table->Cell(3, 3) = 5;
    load(SpectrumText("a", "b", "x\ty", { "1\t2\t3", "4\t5\t6" }));
    QCOMPARE(m_table->SpectrumCount, 1);
    QCOMPARE(m_table->Cell(1, 3), 3.0); // extra fields are stored all the same
    QCOMPARE(m_table->Cell(3, 2), 0.0); // the row after the data is zeroed in columns 1..f
    QCOMPARE(m_table->Cell(3, 3), 5.0); // and only there
}

void tst_SpectrumFile::shortLinesKeepEarlierValues()
{
    // Reading two spectra and then one leaves the second spectrum's column alone.
    load(SpectrumText("a", "b", "x\ty\tz", { "1\t2\t3", "4\t5\t6" }));
    LoadResult result = load(SpectrumText("a", "b", "x\ty", { "7\t8", "9\t10" }));
    QVERIFY(result.Complete);
    QCOMPARE(m_table->Cell(1, 3), 3.0);
    QCOMPARE(m_table->SpectrumCount, 1);
    // A data line with fewer fields than the header keeps the earlier cells, and says so.
    result = load(SpectrumText("a", "b", "x\ty\tz", { "11\t12", "13\t14\t15" }));
    QVERIFY(!result.Complete);
    QCOMPARE(m_table->Cell(1, 3), 3.0);
    QCOMPARE(m_table->Cell(2, 3), 15.0);
}

void tst_SpectrumFile::conversionErrorLeavesCounts()
{
    load(SpectrumText("a", "b", "x\ty", { "1\t2", "3\t4", "5\t6" }));
    const std::string bad =
        SpectrumText("new x", "new y", "x\ty\tz", { "10\t20\t30", "11\t1.234,5\t9" });
    PH_EXPECT_THROW(EConvertError, load(bad), "'1,234.5' ist kein gültiger Gleitkommawert");
    QCOMPARE(m_table->RowCount, 3);
    QCOMPARE(m_table->SpectrumCount, 1);
    QCOMPARE(m_table->XCaption, std::string("new x "));
    QCOMPARE(m_table->Cell(1, 3), 30.0); // rows before the faulty field are stored
    QCOMPARE(m_table->Cell(2, 1), 11.0); // the faulty row up to its previous field
    QCOMPARE(m_table->Cell(2, 2), 4.0);
    QCOMPARE(m_bad.Count, 0);

    PH_EXPECT_THROW(EConvertError, load(SpectrumText("a", "b", "x\ty", { "1\t\t2" })),
        "'' ist kein gültiger Gleitkommawert");
    PH_EXPECT_THROW(EConvertError, load(SpectrumText("a", "b", "x\ty", { "1\t2\t" })),
        "'' ist kein gültiger Gleitkommawert");
    PH_EXPECT_THROW(EConvertError, load(SpectrumText("a", "b", "x\ty", { "1\t   " })),
        "'   ' ist kein gültiger Gleitkommawert");
    PH_EXPECT_THROW(
        EOverflow, load(SpectrumText("a", "b", "x\ty", { "1\t1e400" })), "Gleitkommaüberlauf");
    // A NUL ends a field like a tab.
    load(SpectrumText("a", "b", "x\ty",
        { std::string("1\0"
                      "2",
            3) }));
    QCOMPARE(m_table->Cell(1, 2), 2.0);
}

void tst_SpectrumFile::textAfterCtrlZIsNeverRead()
{
    load(SpectrumText("a", "b", "x\ty", { "1\t2", "3\t4" })
        + "\x1a"
          "not a number\r\n5\t6\r\n");
    QCOMPARE(m_table->RowCount, 2);
}

void tst_SpectrumFile::limits()
{
    // 99 tabs make 99 spectra; 100 tabs are the wrong layout.
    std::string header(99, '\t');
    std::string line = "1";
    for (int i = 0; i < 99; ++i)
        line += "\t" + std::to_string(i + 2);
    LoadResult result = load(SpectrumText("a", "b", header, { line }));
    QVERIFY(result.WellFormed);
    QCOMPARE(m_table->SpectrumCount, 99);
    QCOMPARE(m_table->Cell(1, 100), 100.0);
    result = load(SpectrumText("a", "b", header + "\t", { line + "\t101" }));
    QVERIFY(!result.WellFormed);
    QCOMPARE(m_bad.Count, 1);

    // Fields beyond column 100 are converted but not stored; a bad one is still an error.
    load(SpectrumText("a", "b", "x\ty", { line + "\t101\t102" }));
    QCOMPARE(m_table->Cell(1, 100), 100.0);
    PH_EXPECT_THROW(EConvertError, load(SpectrumText("a", "b", "x\ty", { line + "\t101\tz" })),
        "'z' ist kein gültiger Gleitkommawert");

    // 10000 data lines fit (no row after them to zero); the 10001st makes the wrong layout, and
    // nothing after it is converted.
    std::vector<std::string> rows;
    for (int r = 1; r <= 10000; ++r)
        rows.push_back(std::to_string(r) + "\t1");
    result = load(SpectrumText("a", "b", "x\ty", rows));
    QVERIFY(result.WellFormed);
    QCOMPARE(m_table->RowCount, 10000);
    QCOMPARE(m_table->Cell(10000, 1), 10000.0);
    rows.push_back("10001\t1");
    rows.push_back("no number at all");
    const int before = m_bad.Count;
    result = load(SpectrumText("a", "b", "x\ty", rows));
    QVERIFY(!result.WellFormed);
    QCOMPARE(m_bad.Count, before + 1);
    QCOMPARE(m_table->SpectrumCount, 0);
    QCOMPARE(m_table->RowCount, 10000);

    // The bad-file list has no fixed bound.
    BadFileListData list;
    for (int i = 0; i < 10005; ++i)
        list.Add(std::to_string(i));
    QCOMPARE(list.Count, 10005);
    QCOMPARE(list.Name(10005), std::string("10004"));
    list.Count = 0;
    list.Add("again");
    QCOMPARE(list.Name(1), std::string("again"));
    QCOMPARE(list.Name(2), std::string("1"));
}

void tst_SpectrumFile::lineBeyondTheLimitMakesTheWrongLayout()
{
    // A data line of digits one byte beyond the limit is not converted but makes the wrong
    // layout; so does a caption line beyond it, which leaves no caption behind.
    const std::string huge(TextFile::kMaxLineLength + 1, '7');
    load(SpectrumText("a", "b", "x\ty", { "1\t2" }));
    LoadResult result = load(SpectrumText("a", "b", "x\ty", { "3\t4", "5\t" + huge, "6\t7" }));
    QVERIFY(!result.WellFormed);
    QCOMPARE(m_bad.Count, 1);
    QCOMPARE(m_table->RowCount, 1);
    QCOMPARE(m_table->SpectrumCount, 0);
    result = load(SpectrumText("a", huge, "x\ty", { "1\t2" }));
    QVERIFY(!result.WellFormed);
    QCOMPARE(m_bad.Count, 2);
    QCOMPARE(m_table->YCaption, std::string());
}

void tst_SpectrumFile::missingFileChangesNothing()
{
    load(SpectrumText("a", "b", "x\ty", { "1\t2" }));
    PH_EXPECT_THROW(EInOutError,
        LoadSpectrumFile(*m_table, m_bad, m_folder.path("nope.txt"), kEnglish),
        "Datei nicht gefunden");
    QCOMPARE(m_table->XCaption, std::string("a "));
    QCOMPARE(m_table->SpectrumCount, 1);
}

void tst_SpectrumFile::kiloScale()
{
    // The 11th character of the y caption is a lower-case k.
    load(SpectrumText("a", "Intensity kcounts", "x\ty\tz", { "1\t2.5\t7", "2\t-3\t8" }));
    ApplyKiloScale(*m_table);
    QCOMPARE(m_table->Cell(1, 2), 2500.0);
    QCOMPARE(m_table->Cell(2, 2), -3000.0);
    QCOMPARE(m_table->Cell(1, 3), 7.0);
    QCOMPARE(m_table->YCaption, std::string("Intensity  counts"));
    ApplyKiloScale(*m_table); // a second call does nothing
    QCOMPARE(m_table->Cell(1, 2), 2500.0);

    // Only 11 characters: nothing happens.
    load(SpectrumText("a", "Intensity k", "x\ty", { "1\t2" }));
    ApplyKiloScale(*m_table);
    QCOMPARE(m_table->Cell(1, 2), 2.0);

    // An overflow raises and leaves the column and the caption as they were.
    load(SpectrumText("a", "Intensity kcounts", "x\ty", { "1\t2", "2\t1e306" }));
    PH_EXPECT_THROW(EOverflow, ApplyKiloScale(*m_table), "Gleitkommaüberlauf");
    QCOMPARE(m_table->Cell(1, 2), 2.0);
    QCOMPARE(m_table->YCaption, std::string("Intensity kcounts"));
}

QTEST_GUILESS_MAIN(tst_SpectrumFile)
#include "tst_spectrumfile.moc"
