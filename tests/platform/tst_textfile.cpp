#include "exceptions.h"
#include "testsupport.h"
#include "textfile.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> readAll(const std::string &fileName)
{
    std::vector<std::string> lines;
    TextFile file(fileName);
    while (!file.Eof())
        lines.emplace_back(file.ReadLine());
    return lines;
}

int openDescriptorCount()
{
    const QDir fds(QStringLiteral("/proc/self/fd"));
    return static_cast<int>(fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}

} // namespace

class tst_TextFile : public QObject {
    Q_OBJECT

private slots:
    void lineEnds_data();
    void lineEnds();
    void readingPastTheEndYieldsEmptyLines();
    void linesLongerThanTheBuffer();
    void crLfSplitAcrossReads();
    void openErrors();
    void onlyRegularFilesAreRead();
    void linesBeyondTheLimitAreCut();
    void fileIsClosedOnEveryPath();
};

void tst_TextFile::lineEnds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QByteArrayList { "a", "b" };
    QTest::newRow("CR") << QByteArray("a\rb\r") << QByteArrayList { "a", "b" };
    QTest::newRow("lone LF") << QByteArray("a\nb\n") << QByteArrayList { "a", "b" };
    QTest::newRow("LF then CR is two ends") << QByteArray("a\n\rb") << QByteArrayList { "a", "", "b" };
    QTest::newRow("last line without end") << QByteArray("a\r\nb") << QByteArrayList { "a", "b" };
    QTest::newRow("empty line kept") << QByteArray("a\r\n\r\nb\r\n") << QByteArrayList { "a", "", "b" };
    QTest::newRow("empty file") << QByteArray() << QByteArrayList {};
    QTest::newRow("only a line end") << QByteArray("\r\n") << QByteArrayList { "" };
    QTest::newRow("Ctrl-Z ends the file") << QByteArray("a\r\nb\x1a" "c\r\nd") << QByteArrayList { "a", "b" };
    QTest::newRow("Ctrl-Z first") << QByteArray("\x1a" "abc") << QByteArrayList {};
    QTest::newRow("8-bit bytes") << QByteArray("\xb0\xe4\r\n") << QByteArrayList { "\xb0\xe4" };
    QTest::newRow("NUL is an ordinary byte") << QByteArray("a\0b\r\n", 5) << QByteArrayList { QByteArray("a\0b", 3) };
}

void tst_TextFile::lineEnds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArrayList, lines);
    TestFolder folder;
    const auto name = folder.write("f.txt", bytes.toStdString());
    QByteArrayList got;
    for (const auto &line : readAll(name))
        got << QByteArray(line.data(), static_cast<qsizetype>(line.size()));
    QCOMPARE(got, lines);
}

void tst_TextFile::readingPastTheEndYieldsEmptyLines()
{
    TestFolder folder;
    TextFile file(folder.write("f.txt", "only\r\n"));
    QCOMPARE(std::string(file.ReadLine()), std::string("only"));
    QVERIFY(file.Eof());
    QCOMPARE(std::string(file.ReadLine()), std::string());
    QCOMPARE(std::string(file.ReadLine()), std::string());
    QVERIFY(file.Eof());
}

void tst_TextFile::linesLongerThanTheBuffer()
{
    TestFolder folder;
    const std::string longLine(300000, 'x');
    const std::string text = "first\r\n" + longLine + "\r\n" + longLine + "y\nlast";
    const auto lines = readAll(folder.write("f.txt", text));
    QCOMPARE(lines.size(), std::size_t(4));
    QCOMPARE(lines[1], longLine);
    QCOMPARE(lines[2], longLine + "y");
    QCOMPARE(lines[3], std::string("last"));
}

void tst_TextFile::crLfSplitAcrossReads()
{
    // Put a CR at every position around the 64 KiB read boundary: its LF must still belong to it.
    TestFolder folder;
    for (std::size_t at = 65530; at < 65540; ++at) {
        std::string text(at, 'a');
        text += "\r\nb\r\n";
        const auto lines = readAll(folder.write("f.txt", text));
        QCOMPARE(lines.size(), std::size_t(2));
        QCOMPARE(lines[1], std::string("b"));
    }
}

void tst_TextFile::openErrors()
{
    TestFolder folder;
    PH_EXPECT_THROW(EInOutError, TextFile(folder.path("missing.txt")), "Datei nicht gefunden");
    PH_EXPECT_THROW(EInOutError, TextFile(folder.path("no-folder/missing.txt")),
                    "Datei nicht gefunden");
    PH_EXPECT_THROW(EInOutError, TextFile(""), "Datei nicht gefunden");
    const auto plain = folder.write("plain.txt", "x");
    PH_EXPECT_THROW(EInOutError, TextFile(plain + "/below.txt"), "Ungültiger Dateiname");
    PH_EXPECT_THROW(EInOutError, TextFile(folder.root()), "Dateizugriff verweigert");
    // Symbolic links in a circle lead to no file.
    ::symlink("loop-b", folder.path("loop-a").c_str());
    ::symlink("loop-a", folder.path("loop-b").c_str());
    PH_EXPECT_THROW(EInOutError, TextFile(folder.path("loop-a")), "Datei nicht gefunden");
    try {
        TextFile file(folder.path("missing.txt"));
        QFAIL("no error");
    } catch (const EInOutError &error) {
        QCOMPARE(error.ErrorCode, 2);
    }
    if (::geteuid() != 0) { // root reads everything
        const auto locked = folder.write("locked.txt", "x");
        ::chmod(locked.c_str(), 0);
        PH_EXPECT_THROW(EInOutError, TextFile(locked), "Dateizugriff verweigert");
    }
}

void tst_TextFile::onlyRegularFilesAreRead()
{
    // A FIFO without a writer would block the open, a device never ends: both are refused at
    // once, like a folder, also behind a symbolic link. A link to a regular file is read.
    TestFolder folder;
    const auto fifo = folder.path("fifo");
    QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
    ::symlink("/dev/zero", folder.path("zero.txt").c_str());
    ::symlink(folder.write("plain.txt", "a\r\n").c_str(), folder.path("link.txt").c_str());
    const int before = openDescriptorCount();
    for (const auto &name : { fifo, folder.path("zero.txt"), std::string("/dev/null") }) {
        PH_EXPECT_THROW(EInOutError, TextFile(name), "Dateizugriff verweigert");
        try {
            TextFile file(name);
        } catch (const EInOutError &error) {
            QCOMPARE(error.ErrorCode, 5);
        }
    }
    QCOMPARE(openDescriptorCount(), before);
    QCOMPARE(readAll(folder.path("link.txt")), std::vector<std::string> { "a" });
}

void tst_TextFile::linesBeyondTheLimitAreCut()
{
    // GIVEN a line right at the limit, and lines one and two bytes beyond it, the last one
    // without a line end
    constexpr std::size_t limit = TextFile::kMaxLineLength;
    TestFolder folder;
    std::string text(limit, 'x');
    const auto lengths = [](const std::string &name) {
        std::vector<std::string> lines; // long lines by their length, all of x
        TextFile file(name);
        while (!file.Eof()) {
            const std::string_view line = file.ReadLine();
            const bool allX = line.find_first_not_of('x') == std::string_view::npos;
            lines.emplace_back(line.size() > 100 && allX ? std::to_string(line.size()) : line);
        }
        return std::make_pair(lines, file.LineTooLong());
    };
    const auto atLimit = lengths(folder.write("f.txt", text + "\r\nb"));
    QVERIFY(atLimit.first == std::vector<std::string>({ std::to_string(limit), "b" }));
    QVERIFY(!atLimit.second);

    text = "a\n" + text + "y\r\nb\r" + text + "yz";
    const auto beyond = lengths(folder.write("f.txt", text));
    // THEN they come back cut, the next line follows, and no empty line is made up at the end
    QVERIFY(beyond.first
        == std::vector<std::string>({ "a", std::to_string(limit), "b", std::to_string(limit) }));
    QVERIFY(beyond.second);
}

void tst_TextFile::fileIsClosedOnEveryPath()
{
    TestFolder folder;
    const auto name = folder.write("f.txt", "a\r\nb\r\n");
    const int before = openDescriptorCount();
    for (int i = 0; i < 50; ++i) {
        TextFile file(name);
        file.ReadLine();
    }
    try {
        TextFile file(folder.root());
    } catch (const EInOutError &) {
    }
    QCOMPARE(openDescriptorCount(), before);
}

QTEST_GUILESS_MAIN(tst_TextFile)
#include "tst_textfile.moc"
