#include "exceptions.h"
#include "spectrumedit.h"
#include "spectrumfile.h"
#include "testsupport.h"

#include <QTest>
#include <memory>

namespace
{

const NumberSeparators kEnglish { '.', ',' };
constexpr int kRows = 3;

// A file of three rows whose spectrum j holds tags[j] + row, so every column tells where it
// came from.
std::string taggedFile(const std::vector<int> &tags, const std::string &yCaption = "Intensity")
{
    std::string header = "Shift";
    for (std::size_t j = 0; j < tags.size(); ++j)
        header += "\tS" + std::to_string(j);
    std::vector<std::string> lines;
    for (int r = 1; r <= kRows; ++r) {
        std::string line = std::to_string(1000 + r);
        for (const int tag : tags)
            line += "\t" + std::to_string(tag + r);
        lines.push_back(line);
    }
    return SpectrumText("Raman shift", yCaption, header, lines);
}

} // namespace

// The table operations behind Remove, excl. Remove and the merge of several files.
class tst_SpectrumEdit : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void removeMovesTheSpectraAboveDown();
    void outOfRangeNumbersChangeNothing();
    void keepOnlyCopiesIntoTheFirstColumn();
    void mergeStacksTheFirstFileOnTop_data();
    void mergeStacksTheFirstFileOnTop();
    void mergeScalesKiloFiles();
    void mergeRefusesMoreThanTheTableHolds();
    void mergeReadsEveryHeaderBeforeChangingAnything();

private:
    // The tag of spectrum s (its value in row 1 minus 1), as the merge left it.
    QList<int> tags() const;
    std::string file(const std::string &name, const std::vector<int> &tags);

    std::unique_ptr<SpectrumTableData> m_table;
    BadFileListData m_bad;
    std::unique_ptr<TestFolder> m_folder;
};

void tst_SpectrumEdit::init()
{
    m_table = std::make_unique<SpectrumTableData>();
    m_bad = BadFileListData();
    m_folder = std::make_unique<TestFolder>();
}

QList<int> tst_SpectrumEdit::tags() const
{
    QList<int> result;
    for (int s = 0; s < m_table->SpectrumCount; ++s)
        result << static_cast<int>(m_table->Cell(1, s + 2)) - 1;
    return result;
}

std::string tst_SpectrumEdit::file(const std::string &name, const std::vector<int> &fileTags)
{
    return m_folder->write(name, taggedFile(fileTags));
}

void tst_SpectrumEdit::removeMovesTheSpectraAboveDown()
{
    LoadSpectrumFile(*m_table, m_bad, file("a.txt", { 0, 10, 20, 30 }), kEnglish);
    RemoveSpectrum(*m_table, 1);
    QCOMPARE(tags(), (QList<int> { 0, 20, 30 }));
    QCOMPARE(m_table->Cell(kRows, 5), 0.0); // the column the top spectrum left
    RemoveSpectrum(*m_table, 2);
    QCOMPARE(tags(), (QList<int> { 0, 20 }));
}

void tst_SpectrumEdit::outOfRangeNumbersChangeNothing()
{
    LoadSpectrumFile(*m_table, m_bad, file("a.txt", { 0, 10 }), kEnglish);
    for (const int s : { -1, 2, 99, -2147483647 - 1 }) {
        RemoveSpectrum(*m_table, s);
        KeepOnlySpectrum(*m_table, s);
    }
    QCOMPARE(tags(), (QList<int> { 0, 10 }));
}

void tst_SpectrumEdit::keepOnlyCopiesIntoTheFirstColumn()
{
    LoadSpectrumFile(*m_table, m_bad, file("a.txt", { 0, 10, 20, 30 }), kEnglish);
    KeepOnlySpectrum(*m_table, 2);
    QCOMPARE(tags(), (QList<int> { 20 }));
    QCOMPARE(m_table->Cell(kRows, 2), 23.0);
}

void tst_SpectrumEdit::mergeStacksTheFirstFileOnTop_data()
{
    QTest::addColumn<QList<QList<int>>>("files");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("three single spectra")
        << QList<QList<int>> { { 100 }, { 200 }, { 300 } } << QList<int> { 300, 200, 100 };
    QTest::newRow("two then one") << QList<QList<int>> { { 100, 110 }, { 200 } }
                                  << QList<int> { 200, 100, 110 };
    // Each further file makes room for all of its spectra.
    QTest::newRow("one then two") << QList<QList<int>> { { 100 }, { 200, 210 } }
                                  << QList<int> { 200, 210, 100 };
    QTest::newRow("one file") << QList<QList<int>> { { 100, 110 } } << QList<int> { 100, 110 };
}

void tst_SpectrumEdit::mergeStacksTheFirstFileOnTop()
{
    QFETCH(QList<QList<int>>, files);
    QFETCH(QList<int>, expected);
    std::vector<std::string> names;
    for (const QList<int> &fileTags : files)
        names.push_back(file("f" + std::to_string(names.size()) + ".txt",
            std::vector<int>(fileTags.begin(), fileTags.end())));
    QVERIFY(MergeSpectrumFiles(*m_table, m_bad, names, kEnglish));
    QCOMPARE(tags(), expected);
    QCOMPARE(m_table->Cell(2, 1), 1002.0);
}

void tst_SpectrumEdit::mergeScalesKiloFiles()
{
    // The 11th character of the y caption marks thousands.
    const std::string kilo = m_folder->write("kilo.txt", taggedFile({ 1 }, "Intensity k[counts]"));
    QVERIFY(MergeSpectrumFiles(*m_table, m_bad, { file("a.txt", { 100 }), kilo }, kEnglish));
    QCOMPARE(tags(), (QList<int> { 1999, 100 }));
}

void tst_SpectrumEdit::mergeRefusesMoreThanTheTableHolds()
{
    std::vector<int> fifty;
    for (int j = 0; j < 50; ++j)
        fifty.push_back(j * 10);
    LoadSpectrumFile(*m_table, m_bad, file("shown.txt", { 7 }), kEnglish);
    const std::string big = file("big.txt", fifty);
    QVERIFY(!MergeSpectrumFiles(*m_table, m_bad, { big, big }, kEnglish));
    QCOMPARE(tags(), (QList<int> { 7 }));
    fifty.pop_back();
    QVERIFY(MergeSpectrumFiles(*m_table, m_bad, { big, file("49.txt", fifty) }, kEnglish));
    QCOMPARE(m_table->SpectrumCount, 99);
    QCOMPARE(tags().last(), 490);
}

void tst_SpectrumEdit::mergeReadsEveryHeaderBeforeChangingAnything()
{
    LoadSpectrumFile(*m_table, m_bad, file("shown.txt", { 7 }), kEnglish);
    const std::vector<std::string> names { file("a.txt", { 100 }), m_folder->path("gone.txt") };
    PH_EXPECT_THROW(
        EInOutError, MergeSpectrumFiles(*m_table, m_bad, names, kEnglish), "Datei nicht gefunden");
    QCOMPARE(tags(), (QList<int> { 7 }));

    // A file the reader rejects only for its data brings no spectrum and takes no column.
    std::string tooLong = taggedFile({ 900 });
    for (int r = 0; r < kMaxRows; ++r)
        tooLong += "1\t1\r\n";
    const std::string rejected = m_folder->write("long.txt", tooLong);
    QVERIFY(MergeSpectrumFiles(
        *m_table, m_bad, { file("b.txt", { 100 }), rejected, file("c.txt", { 300 }) }, kEnglish));
    QCOMPARE(tags(), (QList<int> { 300, 100 }));
}

QTEST_GUILESS_MAIN(tst_SpectrumEdit)
#include "tst_spectrumedit.moc"
