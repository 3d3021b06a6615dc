#include "exceptions.h"
#include "peakfile.h"
#include "testsupport.h"
#include "textfile.h"

#include <QTest>

#include <string>
#include <vector>

class tst_PeakFile : public QObject {
    Q_OBJECT

private slots:
    void lineBeyondTheLimitIsNoNumber();

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
    PH_EXPECT_THROW(EConvertError, read(name),
                    "'11111111111111111111...' ist kein gültiger Gleitkommawert");
    QVERIFY(m_lines == std::vector<std::string>({ "612" }));
}

QTEST_GUILESS_MAIN(tst_PeakFile)
#include "tst_peakfile.moc"
