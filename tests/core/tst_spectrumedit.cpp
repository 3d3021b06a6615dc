#include "exceptions.h"
#include "spectrumedit.h"
#include "spectrumfile.h"
#include "testsupport.h"

#include <QTest>
#include <memory>

namespace
{

const NumberSeparators kEnglish { '.', ',' };

} // namespace

// The table operations behind Remove, excl. Remove and the merge, at their limits; the windows'
// tests walk the ordinary cases.
class tst_SpectrumEdit : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void outOfRangeNumbersChangeNothing();
    void mergeRefusesMoreThanTheTableHolds();
    void mergeReadsEveryHeaderBeforeChangingAnything();
    void namesFollowTheirSpectra();
    void stackedFilesKeepTheirOwnX();

private:
    QList<QByteArray> names() const;
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
    return m_folder->write(name, TaggedSpectra(fileTags));
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
    std::string tooLong = TaggedSpectra({ 900 });
    for (int r = 0; r < kMaxRows; ++r)
        tooLong += "1\t1\r\n";
    const std::string rejected = m_folder->write("long.txt", tooLong);
    QVERIFY(MergeSpectrumFiles(
        *m_table, m_bad, { file("b.txt", { 100 }), rejected, file("c.txt", { 300 }) }, kEnglish));
    QCOMPARE(tags(), (QList<int> { 300, 100 }));
}

QList<QByteArray> tst_SpectrumEdit::names() const
{
    QList<QByteArray> result;
    for (int s = 0; s < m_table->SpectrumCount; ++s)
        result << QByteArray::fromStdString(m_table->Names[s]);
    return result;
}

// A file names its spectra in its column header; Remove, excl. Remove and a merge keep every
// name with its values, and a stack of files names each spectrum by its file.
void tst_SpectrumEdit::namesFollowTheirSpectra()
{
    const std::string three = m_folder->write(
        "three.txt", SpectrumText("x", "y", "Shift\tfirst\t\tthird ", { "1\t2\t3\t4" }));
    LoadSpectrumFile(*m_table, m_bad, three, kEnglish);
    QCOMPARE(names(), (QList<QByteArray> { "first", "", "third " }));
    RemoveSpectrum(*m_table, 0);
    QCOMPARE(names(), (QList<QByteArray> { "", "third " }));
    QCOMPARE(m_table->Names[2], std::string());
    KeepOnlySpectrum(*m_table, 1);
    QCOMPARE(names(), (QList<QByteArray> { "third " }));

    // Stacked: the first file highest; a rejected file names nothing and shifts no name.
    const std::string rejected = m_folder->write("bad.txt", "no\r\nlayout\r\nhere\r\n");
    QVERIFY(MergeSpectrumFiles(*m_table, m_bad,
        { file("one.txt", { 100 }), rejected, three, m_folder->path("three.txt") }, kEnglish));
    QCOMPARE(names(),
        (QList<QByteArray> { "three.txt: first", "three.txt: 2", "three.txt: third ",
            "three.txt: first", "three.txt: 2", "three.txt: third ", "one.txt" }));
    QCOMPARE(tags().last(), 100);
}

// Files on the same x stack into the plain table; files on different x keep each its own x
// and rows, which move with their spectra, and a spectrum kept alone takes them back.
void tst_SpectrumEdit::stackedFilesKeepTheirOwnX()
{
    const auto spectrum = [this](const char *name, int from, int count, int step) {
        std::vector<std::string> lines;
        for (int i = 0; i < count; ++i)
            lines.push_back(std::to_string(from + i * step) + "\t" + std::to_string(i + 1));
        lines.emplace_back();
        return m_folder->write(name, SpectrumText("x", "y", "x\ty", lines));
    };
    const std::string a = spectrum("a.txt", 100, 50, 2);
    const std::string b = spectrum("b.txt", 100, 50, 2);
    const std::string c = spectrum("c.txt", 900, 20, -3); // fewer rows, descending
    QVERIFY(MergeSpectrumFiles(*m_table, m_bad, { a, b }, kEnglish));
    QVERIFY(!m_table->HasOwnX());

    QVERIFY(MergeSpectrumFiles(*m_table, m_bad, { a, b, c }, kEnglish));
    QCOMPARE(m_table->SpectrumCount, 3);
    QCOMPARE(m_table->RowCount, 20); // the last file's, as ever
    QCOMPARE(m_table->SpectrumRows(2), 50); // a, on top, with all its rows
    QCOMPARE(m_table->SpectrumXAt(2, 50), 198.0);
    QCOMPARE(m_table->Cell(50, 4), 50.0);
    QCOMPARE(m_table->SpectrumXAt(0, 20), 843.0);
    RemoveSpectrum(*m_table, 1);
    QCOMPARE(m_table->SpectrumRows(1), 50);
    QCOMPARE(m_table->Cell(50, 3), 50.0);
    KeepOnlySpectrum(*m_table, 1);
    QVERIFY(!m_table->HasOwnX());
    QCOMPARE(m_table->RowCount, 50);
    QCOMPARE(m_table->Cell(50, 1), 198.0);
    QCOMPARE(m_table->Cell(50, 2), 50.0);
    // Reading a file puts its spectra back on its own x column.
    QVERIFY(MergeSpectrumFiles(*m_table, m_bad, { a, c }, kEnglish));
    QVERIFY(m_table->HasOwnX());
    LoadSpectrumFile(*m_table, m_bad, a, kEnglish);
    QVERIFY(!m_table->HasOwnX());
}

QTEST_GUILESS_MAIN(tst_SpectrumEdit)
#include "tst_spectrumedit.moc"
