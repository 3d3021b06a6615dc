#include "exceptions.h"
#include "peakfile.h"
#include "testsupport.h"
#include "textfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>
#include <string>
#include <vector>

class tst_PeakFile : public QObject
{
    Q_OBJECT

private slots:
    void lineBeyondTheLimitIsNoNumber();
    void presetFromStartFolderThenInstalledCopies();
    void dataFoldersBesideTheExecutableFirst();
    void cleanup() { SetInstalledDataDirectory(""); }

private:
    std::vector<std::string> m_lines;
    void read(const std::string &name)
    {
        ReadPeakFile(name, [this](const std::string &line) { m_lines.push_back(line); });
    }
};

void tst_PeakFile::lineBeyondTheLimitIsNoNumber()
{
    // GIVEN a peak file whose second line is longer than any line is read
    TestFolder folder;
    const std::string name = folder.write(
        "p.txt", "612\r\n" + std::string(TextFile::kMaxLineLength + 1, '1') + "\r\n774\r\n");
    // THEN it is refused as not a number, quoting its start, and the line before it stays
    PH_EXPECT_THROW(
        EConvertError, read(name), "'11111111111111111111...' ist kein gültiger Gleitkommawert");
    QVERIFY(m_lines == std::vector<std::string>({ "612" }));
    // AND so is a line of megabytes that a list box would lay out at every paint
    m_lines.clear();
    folder.write("q.txt", "612\r\n" + std::string(8 << 20, '5') + "\r\n774\r\n");
    PH_EXPECT_THROW(EConvertError, read(folder.path("q.txt")),
        "'55555555555555555555...' ist kein gültiger Gleitkommawert");
    QVERIFY(m_lines == std::vector<std::string>({ "612" }));
}

void tst_PeakFile::presetFromStartFolderThenInstalledCopies()
{
    TestFolder folder;
    QDir().mkpath(QString::fromStdString(folder.path("start/peaks")));
    QDir().mkpath(QString::fromStdString(folder.path("data/peaks")));
    folder.write("start/peaks/rh6g.txt", "612");
    folder.write("data/peaks/rh6g.txt", "774");
    SetInstalledDataDirectory(folder.path("data"));
    QCOMPARE(PresetPeakFile(folder.path("start"), "rh6g.txt"), folder.path("start/peaks/rh6g.txt"));
    QCOMPARE(
        PresetPeakFile(folder.path("elsewhere"), "rh6g.txt"), folder.path("data/peaks/rh6g.txt"));
    // Started in the root folder with no copy anywhere: the paths tried, no doubled separator.
    SetInstalledDataDirectory(folder.path("gone"));
    PH_EXPECT_THROW(EInOutError, PresetPeakFile("/", "rh6g.txt"),
        "Datei nicht gefunden (/peaks/rh6g.txt, " + folder.path("gone") + "/peaks/rh6g.txt)");
    // The start folder that is the data folder is named once.
    PH_EXPECT_THROW(EInOutError, PresetPeakFile(folder.path("gone"), "rh6g.txt"),
        "Datei nicht gefunden (" + folder.path("gone") + "/peaks/rh6g.txt)");
}

void tst_PeakFile::dataFoldersBesideTheExecutableFirst()
{
    const QString beside = QDir::cleanPath(
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/peakhound"));
    const std::vector<std::string> folders = InstalledDataDirectories();
    QVERIFY(!folders.empty());
    QCOMPARE(QString::fromStdString(folders.front()), beside);
    QCOMPARE(folders.back(), std::string(PEAKHOUND_DATA_DIR));
}

QTEST_GUILESS_MAIN(tst_PeakFile)
#include "tst_peakfile.moc"
