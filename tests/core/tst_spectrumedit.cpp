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

QTEST_GUILESS_MAIN(tst_SpectrumEdit)
#include "tst_spectrumedit.moc"
