#include "atomicfile.h"
#include "exceptions.h"
#include "faultinjection.h"
#include "testsupport.h"
#include "textfile.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <csignal>
#include <cstdio>
#include <functional>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{

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
    return static_cast<int>(
        fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}

} // namespace

class tst_TextFile : public QObject
{
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
    void failingReadIsAnErrorNotAnEnd();
    void fileCutWhileReadIsAnError();
    void wholeFileAsBytes();
    void atomicWriteIsWholeOrNothing();
    void olderFileInAFolderThatRefusesNewFilesSurvivesAFullDisk();
};

void tst_TextFile::lineEnds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QByteArrayList { "a", "b" };
    QTest::newRow("CR") << QByteArray("a\rb\r") << QByteArrayList { "a", "b" };
    QTest::newRow("lone LF") << QByteArray("a\nb\n") << QByteArrayList { "a", "b" };
    QTest::newRow("LF then CR is two ends")
        << QByteArray("a\n\rb") << QByteArrayList { "a", "", "b" };
    QTest::newRow("last line without end") << QByteArray("a\r\nb") << QByteArrayList { "a", "b" };
    QTest::newRow("empty line kept")
        << QByteArray("a\r\n\r\nb\r\n") << QByteArrayList { "a", "", "b" };
    QTest::newRow("empty file") << QByteArray() << QByteArrayList {};
    QTest::newRow("only a line end") << QByteArray("\r\n") << QByteArrayList { "" };
    QTest::newRow("Ctrl-Z ends the file") << QByteArray("a\r\nb\x1a"
                                                        "c\r\nd")
                                          << QByteArrayList { "a", "b" };
    QTest::newRow("Ctrl-Z first") << QByteArray("\x1a"
                                                "abc")
                                  << QByteArrayList {};
    QTest::newRow("8-bit bytes") << QByteArray("\xb0\xe4\r\n") << QByteArrayList { "\xb0\xe4" };
    QTest::newRow("NUL is an ordinary byte")
        << QByteArray("a\0b\r\n", 5) << QByteArrayList { QByteArray("a\0b", 3) };
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
    PH_EXPECT_THROW(
        EInOutError, TextFile(folder.path("no-folder/missing.txt")), "Datei nicht gefunden");
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

void tst_TextFile::failingReadIsAnErrorNotAnEnd()
{
    // GIVEN a file of several buffers, WHEN the third read fails THEN the error comes out, not
    // an early end of the file, and the file is closed
    TestFolder folder;
    const std::string name = folder.write("big.txt", std::string(300000, 'x') + "\r\nlast");
    const Fault::DisarmOnExit disarm;
    const int before = openDescriptorCount();
    Fault::Arm(Fault::Read, 3, EIO);
    PH_EXPECT_THROW(EInOutError, readAll(name), "E/A-Fehler 5");
    Fault::Arm(Fault::Read, 1, EIO);
    bool tooLarge = false;
    PH_EXPECT_THROW(EInOutError, ReadFileBytes(name, 1 << 20, tooLarge), "E/A-Fehler 5");
    Fault::Arm(Fault::Allocation, 1, 0);
    QVERIFY_THROWS_EXCEPTION(std::bad_alloc, readAll(name));
    Fault::Disarm();
    QCOMPARE(openDescriptorCount(), before);
    QCOMPARE(readAll(name).back(), std::string("last"));
}

void tst_TextFile::fileCutWhileReadIsAnError()
{
    // GIVEN a file being read, WHEN another program cuts it short THEN reaching its end is an
    // error, not the end of a shorter file
    TestFolder folder;
    const std::string text = "first\r\n" + std::string(200000, 'y') + "\r\nlast\r\n";
    const std::string name = folder.write("cut.txt", text);
    {
        TextFile file(name);
        QCOMPARE(file.ReadLine(), std::string_view("first"));
        QVERIFY(::truncate(name.c_str(), 1000) == 0); // shorter than what was read
        const auto readOn = [&file] {
            while (!file.Eof())
                file.ReadLine();
            return 0;
        };
        PH_EXPECT_THROW(EInOutError, readOn(), "E/A-Fehler 5");
    }
    // Grown while read: the whole new file is read (it is a file, complete).
    folder.write("cut.txt", text);
    TextFile grown(name);
    grown.ReadLine();
    QFile append(QString::fromStdString(name));
    QVERIFY(append.open(QIODevice::Append));
    append.write("more\r\n");
    append.close();
    std::vector<std::string> rest;
    while (!grown.Eof())
        rest.emplace_back(grown.ReadLine());
    QCOMPARE(rest.back(), std::string("more"));
}

void tst_TextFile::wholeFileAsBytes()
{
    TestFolder folder;
    const std::string bytes = std::string("\0\x1a\r\n", 4) + std::string(100000, 'z');
    const std::string name = folder.write("b.bin", bytes);
    bool tooLarge = true;
    QCOMPARE(ReadFileBytes(name, bytes.size(), tooLarge), bytes); // Ctrl-Z is a byte like others
    QVERIFY(!tooLarge);
    QCOMPARE(ReadFileBytes(name, 10, tooLarge), bytes.substr(0, 10));
    QVERIFY(tooLarge);
    PH_EXPECT_THROW(
        EInOutError, ReadFileBytes(folder.path("none"), 10, tooLarge), "Datei nicht gefunden");
    PH_EXPECT_THROW(
        EInOutError, ReadFileBytes(folder.root(), 10, tooLarge), "Dateizugriff verweigert");
}

void tst_TextFile::atomicWriteIsWholeOrNothing()
{
    // GIVEN an existing file, WHEN each call of a new writing fails in turn THEN the file holds
    // its old contents and nothing else lies in the folder, until the writing goes through
    TestFolder folder;
    const std::string name = folder.write("out.txt", "old");
    QVERIFY(::chmod(name.c_str(), 0640) == 0);
    const std::string text(200000, 'n');
    const Fault::DisarmOnExit disarm;
    const QDir dir(QString::fromStdString(folder.root()));
    long k = 1;
    for (;; ++k) {
        Fault::Arm(Fault::AnyFileCall, k, ENOSPC);
        try {
            WriteFileAtomically(name, text);
        } catch (const EInOutError &error) {
            QCOMPARE(std::string(error.what()),
                std::string("E/A-Fehler 28: kein Platz mehr auf dem Datenträger"));
        }
        Fault::Disarm();
        QCOMPARE(
            dir.entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("out.txt") });
        QFile file(QString::fromStdString(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        if (!Fault::Fired()) {
            QCOMPARE(file.readAll().size(), qint64(text.size()));
            break;
        }
        QCOMPARE(file.readAll(), QByteArray("old"));
    }
    QVERIFY(k >= 5); // open, write, sync, close, rename
    struct stat info {
    };
    QVERIFY(::stat(name.c_str(), &info) == 0);
    QCOMPARE(info.st_mode & 0777, mode_t(0640)); // the file kept its permissions
    // A symbolic link is written through; a folder is refused.
    const std::string link = folder.path("link.txt");
    QVERIFY(::symlink(name.c_str(), link.c_str()) == 0);
    WriteFileAtomically(link, "through");
    QCOMPARE(readAll(name), std::vector<std::string> { "through" });
    PH_EXPECT_THROW(
        EInOutError, WriteFileAtomically(folder.root(), "x"), "Dateizugriff verweigert");
}

namespace
{

// Runs write in a child process as the user nobody with the default action of SIGXFSZ, as a
// shell starts a program; the child's exit status: 0 written, 1 refused with expected, 2 refused
// with another message, 3 no such user change; -1 when a signal ended it.
int writeAsNobody(const std::function<void()> &write, const std::string &expected, rlim_t limit)
{
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit size { limit, limit };
        if (::setgid(65534) != 0 || ::setuid(65534) != 0 || ::setrlimit(RLIMIT_FSIZE, &size) != 0)
            ::_exit(3);
        try {
            write();
        } catch (const EInOutError &error) {
            if (error.what() == expected)
                ::_exit(1);
            std::fprintf(stderr, "refused with: %s\n", error.what());
            ::_exit(2);
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

void tst_TextFile::olderFileInAFolderThatRefusesNewFilesSurvivesAFullDisk()
{
    // GIVEN a shared folder on a small disk: nobody may not create files in it but owns an
    // older picture there, and the disk is full
    if (::geteuid() != 0)
        QSKIP("needs root to mount a small file system and to act as another user");
    TestFolder folder;
    QVERIFY(::chmod(folder.root().c_str(), 0755) == 0); // nobody may pass through
    const std::string disk = folder.path("disk");
    QVERIFY(::mkdir(disk.c_str(), 0755) == 0);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=256k") != 0)
        QSKIP("this machine lets no test mount a file system");
    struct Unmount {
        std::string at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount { disk };
    const std::string shared = disk + "/shared";
    QVERIFY(::mkdir(shared.c_str(), 0755) == 0);
    const std::string older = shared + "/picture.bmp";
    std::string oldBytes(40000, '\0');
    for (std::size_t i = 0; i < oldBytes.size(); ++i)
        oldBytes[i] = static_cast<char>(i * 7);
    WriteFileAtomically(older, oldBytes);
    QVERIFY(::chown(older.c_str(), 65534, 65534) == 0);
    QVERIFY(::chmod(shared.c_str(), 0555) == 0);
    {
        std::string filler(4096, 'f');
        FILE *fill = std::fopen((disk + "/filler").c_str(), "wb");
        QVERIFY(fill != nullptr);
        while (std::fwrite(filler.data(), 1, filler.size(), fill) == filler.size()
            && std::fflush(fill) == 0) { }
        std::fclose(fill);
    }
    const auto olderBytes = [&] {
        QFile file(QString::fromStdString(older));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("?");
    };

    // WHEN a longer picture is saved over it THEN the disk's refusal is named in words and the
    // older file is as it was, byte for byte, with nothing beside it
    const std::string longer(120000, 'n');
    QCOMPARE(writeAsNobody([&] { WriteFileAtomically(older, longer); },
                 "E/A-Fehler 28: kein Platz mehr auf dem Datenträger", RLIM_INFINITY),
        1);
    QVERIFY(olderBytes() == oldBytes);
    // AND under a file size limit below the new size the same, without the signal
    QCOMPARE(writeAsNobody([&] { WriteFileAtomically(older, std::string(30000, 's')); },
                 "E/A-Fehler 27: Grenze der Dateigröße überschritten", 20000),
        1);
    QVERIFY(olderBytes() == oldBytes);
    QCOMPARE(QDir(QString::fromStdString(shared)).entryList(QDir::Files | QDir::Hidden),
        QStringList { QStringLiteral("picture.bmp") });
    // AND a shorter picture, which needs no new room, is written whole
    const std::string shorter(1000, 'k');
    QCOMPARE(writeAsNobody([&] { WriteFileAtomically(older, shorter); }, "", RLIM_INFINITY), 0);
    QVERIFY(olderBytes() == shorter);
}

QTEST_GUILESS_MAIN(tst_TextFile)
#include "tst_textfile.moc"
