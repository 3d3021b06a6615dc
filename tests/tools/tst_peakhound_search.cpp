#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <cmath>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define PH_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PH_ASAN 1
#endif
#endif

namespace
{

QString toQString(const char *text)
{
    return QString::fromUtf8(text);
}
QString toQString(const QString &text)
{
    return text;
}

template <typename... T> QStringList A(const T &...items)
{
    return QStringList { toQString(items)... };
}

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// addressSpace: a limit of the child's address space in bytes (0: none).
Run search(const QStringList &arguments, const QString &folder = QString(),
    const QByteArray &locale = "C", rlim_t addressSpace = 0)
{
    QProcess process;
    if (addressSpace != 0) {
        process.setChildProcessModifier([addressSpace] {
            const rlimit limit { addressSpace, addressSpace };
            ::setrlimit(RLIMIT_AS, &limit);
        });
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(locale));
    process.setProcessEnvironment(environment);
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(QStringLiteral(PEAKHOUND_SEARCH), arguments);
    process.waitForFinished(120000);
    return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
        process.readAllStandardOutput(), process.readAllStandardError() };
}

// Data lines of one spectrum with clear humps at the given x positions, on a 1/cm grid.
std::vector<std::string> humpLines(
    const std::vector<int> &positions, int spectra = 1, int from = 550, int to = 1700)
{
    std::vector<std::string> lines;
    for (int x = from; x <= to; ++x) {
        double y = 1;
        for (int p : positions) {
            const int d = std::abs(x - p);
            y += d == 0 ? 90 : d == 1 ? 30 : 0;
        }
        std::string line = std::to_string(x);
        for (int s = 0; s < spectra; ++s)
            line += "\t" + std::to_string(static_cast<int>(y));
        lines.push_back(line);
    }
    return lines;
}

QStringList lines(const QByteArray &bytes)
{
    QStringList result;
    for (const auto &line : bytes.split('\n'))
        result << QString::fromUtf8(line);
    return result;
}

QString dataFolder()
{
    return qEnvironmentVariable("PEAKHOUND_SOURCE_DIR") + QStringLiteral("/tests/data/");
}

// The substance of a spectrum of the reference data, as --like names it (a path, with #K for
// spectrum K of a file of several, else its last), from the manifest, which gives the
// substances of a file of several spectra apart by '+'.
QString substanceOf(const QString &label)
{
    static QMap<QString, QStringList> substances;
    if (substances.isEmpty()) {
        QFile manifest(dataFolder() + QStringLiteral("library/manifest.tsv"));
        if (manifest.open(QIODevice::ReadOnly))
            for (const QByteArray &row : manifest.readAll().split('\n')) {
                const QList<QByteArray> cells = row.split('\t');
                if (cells.size() > 1)
                    substances[QFileInfo(QString::fromUtf8(cells[0])).fileName()] =
                        QString::fromUtf8(cells[1]).split(QLatin1Char('+'));
            }
    }
    const QStringList parts =
        substances.value(QFileInfo(label.section(QLatin1Char('#'), 0, 0)).fileName());
    if (parts.isEmpty())
        return QString();
    const int k = label.contains(QLatin1Char('#')) ? label.section(QLatin1Char('#'), 1).toInt() - 1
                                                   : static_cast<int>(parts.size()) - 1;
    return parts.value(k);
}

// The rows of a --like output, split into cells.
QList<QStringList> likeRows(const QByteArray &out)
{
    QList<QStringList> rows;
    for (const QString &line : lines(out))
        if (!line.isEmpty())
            rows << line.split(QLatin1Char('\t'));
    return rows;
}

} // namespace

class tst_PeakhoundSearch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void selectsInGivenOrder();
    void wrongLayoutIsNamedAfterTheRun();
    void runtimeErrorEndsTheRun();
    void targetsFromFilesAndPreset();
    void localeDecidesTheDecimalSeparator();
    void usageErrors_data();
    void usageErrors();
    void optionsByTheRulesOfBothCommands();
    void jobsGiveIdenticalOutput();
    void specialFilesEndTheRunAtOnce();
    void controlBytesAreEscapedOnStandardError();
    void outOfMemoryEndsTheRunInWords();
    void nullEndsEachName();
    void keepGoingNamesEveryFailure();
    void incompleteFileReadsCellsOfAnyEarlierFile();
    void threadsGiveTheSameOutputUnderAMemoryLimit();
    void nameListsAreReadAsTheRunGoes();
    void nameListFromAPipe();
    void eachSpectrumOfMapsAndSeries();
    void likeIdentifiesReferenceSpectra();
    void likeEachNamesTheSpectraOfASeries();

private:
    TestFolder m_folder;
    std::string m_match, m_match2, m_miss, m_bad;
};

void tst_PeakhoundSearch::initTestCase()
{
    m_match =
        m_folder.write("match.txt", SpectrumText("x", "y", "x\ty", humpLines({ 612, 774, 1650 })));
    m_match2 = m_folder.write(
        "match2.txt", SpectrumText("x", "y", "x\ty", humpLines({ 612, 775, 1651 }), "\n"));
    m_miss = m_folder.write("miss.txt", SpectrumText("x", "y", "x\ty", humpLines({ 612 })));
    m_bad = m_folder.write("bad.txt", SpectrumText("x", "y", "x y", humpLines({ 612 })));
}

void tst_PeakhoundSearch::selectsInGivenOrder()
{
    const QStringList peaks = A("--peak", "612", "--peak", "774", "--peak", "1650");
    Run run = search(peaks
        + A(QString::fromStdString(m_match2), QString::fromStdString(m_miss),
            QString::fromStdString(m_match)));
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QByteArray::fromStdString(m_match2 + "\n" + m_match + "\n"));
    QCOMPARE(run.err, QByteArray());

    run = search(
        peaks + A("--inverse", QString::fromStdString(m_match2), QString::fromStdString(m_miss)));
    QCOMPARE(run.out, QByteArray::fromStdString(m_miss + "\n"));

    // With no missing peak allowed and a tolerance of 1, the shifted file fails.
    run = search(peaks
        + A("--tolerance", "1", "--max-missing", "0", QString::fromStdString(m_match2),
            QString::fromStdString(m_match)));
    QCOMPARE(run.out, QByteArray::fromStdString(m_match + "\n"));
}

void tst_PeakhoundSearch::wrongLayoutIsNamedAfterTheRun()
{
    const Run run =
        search(A("--peak", "612", QString::fromStdString(m_match), QString::fromStdString(m_bad),
            QString::fromStdString(m_match2), QString::fromStdString(m_bad)));
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QByteArray::fromStdString(m_match + "\n" + m_match2 + "\n"));
    QCOMPARE(run.err,
        QByteArray::fromStdString(
            "Folgende Daten hatten nicht das richtige Format und wurden ignoriert:\n\t" + m_bad
            + "\n\t" + m_bad + "\n"));
}

void tst_PeakhoundSearch::runtimeErrorEndsTheRun()
{
    const std::string notANumber =
        m_folder.write("nan.txt", SpectrumText("x", "y", "x\ty", { "1\t2", "3\tzwei" }));
    const Run run =
        search(A("--peak", "612", QString::fromStdString(m_match), QString::fromStdString(m_bad),
            QString::fromStdString(notANumber), QString::fromStdString(m_match2)));
    QCOMPARE(run.status, 1);
    QCOMPARE(run.out, QByteArray::fromStdString(m_match + "\n"));
    // No list of wrong layouts after an error, as in the main window.
    QCOMPARE(run.err,
        QByteArray::fromStdString(notANumber + ": 'zwei' ist kein gültiger Gleitkommawert\n"));

    const Run missing = search(A("--peak", "612", QString::fromStdString(m_match),
        QString::fromStdString(m_folder.path("gone.txt")), QString::fromStdString(m_match2)));
    QCOMPARE(missing.status, 1);
    QCOMPARE(missing.err,
        QByteArray::fromStdString(m_folder.path("gone.txt") + ": Datei nicht gefunden\n"));

    // A target that is no number fails at the first file with a peak.
    const Run badTarget = search(
        A("--peak", "sechs", QString::fromStdString(m_bad), QString::fromStdString(m_match)));
    QCOMPARE(badTarget.status, 1);
    QCOMPARE(badTarget.err,
        QByteArray::fromStdString(m_match + ": 'sechs' ist kein gültiger Gleitkommawert\n"));
}

void tst_PeakhoundSearch::targetsFromFilesAndPreset()
{
    TestFolder folder;
    folder.write("peaks/rh6g.txt", "");
    QDir().mkpath(QString::fromStdString(folder.path("peaks")));
    folder.write("peaks/rh6g.txt", "612\r\n774\r\n1650");
    folder.write("list.txt", m_miss + "\n" + m_match + "\n\n" + m_match2);
    const std::string peakFile = folder.write("mine.txt", "612\r\n1650\r\n");
    Run run = search(A("--rh6g", "--max-missing", "0", "--files-from", "list.txt"),
        QString::fromStdString(folder.root()));
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QByteArray::fromStdString(m_match + "\n" + m_match2 + "\n"));
    run = search(A("--peak-file", QString::fromStdString(peakFile), "--max-missing", "0",
        QString::fromStdString(m_miss), QString::fromStdString(m_match)));
    QCOMPARE(run.out, QByteArray::fromStdString(m_match + "\n"));
    // An empty line of a peak file is an entry, and not a number.
    const std::string withGap = folder.write("gap.txt", "612\r\n\r\n1650\r\n");
    run =
        search(A("--peak-file", QString::fromStdString(withGap), QString::fromStdString(m_match)));
    QCOMPARE(run.status, 1);
    QCOMPARE(
        run.err, QByteArray::fromStdString(m_match + ": '' ist kein gültiger Gleitkommawert\n"));
    // A name list whose line is beyond the text-file limit names no file.
    const std::string longList =
        folder.write("long.txt", m_match + "\n" + std::string((64 << 20) + 1, 'n'));
    run = search(A("--files-from", QString::fromStdString(longList)));
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err, QByteArray::fromStdString(longList + ": Ungültiger Dateiname\n"));
    // No preset below the current folder: the installed copy, when there is none, the paths tried.
    run = search(
        A("--rh6g", QString::fromStdString(m_match)), QString::fromStdString(m_folder.root()));
    if (QFileInfo::exists(QStringLiteral(PEAKHOUND_DATA_DIR "/peaks/rh6g.txt")))
        return;
    // Tried: the start folder, the data folder beside the command, the configured one.
    const QString beside =
        QDir::cleanPath(QFileInfo(QStringLiteral(PEAKHOUND_SEARCH)).canonicalPath()
            + QStringLiteral("/../share/peakhound/peaks/rh6g.txt"));
    const std::string installed =
        beside.toStdString() + ", " PEAKHOUND_DATA_DIR "/peaks/rh6g.txt)\n";
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err,
        QByteArray::fromStdString("peaks/rh6g.txt: Datei nicht gefunden (" + m_folder.root()
            + "/peaks/rh6g.txt, " + installed));
    // Started in the root folder: no doubled separator.
    run = search(A("--rh6g", QString::fromStdString(m_match)), QStringLiteral("/"));
    QCOMPARE(run.err,
        QByteArray::fromStdString(
            "peaks/rh6g.txt: Datei nicht gefunden (/peaks/rh6g.txt, " + installed));
}

void tst_PeakhoundSearch::nullEndsEachName()
{
    const std::string newline =
        m_folder.write("two\nlines.txt", SpectrumText("x", "y", "x\ty", humpLines({ 612 })));
    const Run run = search(A("--null", "--peak", "612", QString::fromStdString(newline),
        QString::fromStdString(m_miss), QString::fromStdString(m_bad)));
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QByteArray::fromStdString(newline + '\0' + m_miss + '\0'));
    const Run report =
        search(A("--null", "--report", "--peak", "612", QString::fromStdString(newline)));
    QCOMPARE(report.out,
        QByteArray::fromStdString("Datei\tAusgewählt\tFehlend\t612" + std::string(1, '\0') + newline
            + "\tja\t0\t612" + '\0'));
}

void tst_PeakhoundSearch::keepGoingNamesEveryFailure()
{
    const std::string notANumber =
        m_folder.write("nan2.txt", SpectrumText("x", "y", "x\ty", { "1\t2", "3\tdrei" }));
    const std::string gone = m_folder.path("gone2.txt");
    const QStringList files = A(QString::fromStdString(m_match), QString::fromStdString(gone),
        QString::fromStdString(m_bad), QString::fromStdString(notANumber),
        QString::fromStdString(m_match2));
    for (const char *jobs : { "1", "2" }) {
        const Run run =
            search(A("--keep-going", "--jobs", QString::fromLatin1(jobs), "--peak", "612") + files);
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out, QByteArray::fromStdString(m_match + "\n" + m_match2 + "\n"));
        QCOMPARE(run.err,
            QByteArray::fromStdString(gone + ": Datei nicht gefunden\n" + notANumber
                + ": 'drei' ist kein gültiger Gleitkommawert\n"
                + "Folgende Daten hatten nicht das richtige Format und wurden ignoriert:\n\t"
                + m_bad + "\n"));
    }
    // Nothing failed: the status is 0 as without the option.
    const Run clean = search(A("--keep-going", "--peak", "612", QString::fromStdString(m_match)));
    QCOMPARE(clean.status, 0);
}

void tst_PeakhoundSearch::localeDecidesTheDecimalSeparator()
{
    // Under a decimal comma a target with a point is not a number; one with a comma is.
    Run run =
        search(A("--peak", "1650,5", QString::fromStdString(m_match)), QString(), "de_DE.UTF-8");
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QByteArray::fromStdString(m_match + "\n"));
    run = search(A("--peak", "1650.5", QString::fromStdString(m_match)), QString(), "de_DE.UTF-8");
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err,
        QByteArray::fromStdString(m_match + ": '1650.5' ist kein gültiger Gleitkommawert\n"));
}

void tst_PeakhoundSearch::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no files") << A("--peak", "612");
    QTest::newRow("unknown option") << A("--fast", "a.txt");
    QTest::newRow("tolerance not an integer") << A("--tolerance", "2.5", "a.txt");
    QTest::newRow("missing value") << A("a.txt", "--max-missing");
    QTest::newRow("no jobs") << A("--jobs", "0", "a.txt");
    QTest::newRow("like with peaks") << A("--like", "q.txt", "--peak", "612", "a.txt");
    QTest::newRow("like sorted") << A("--sort", "score", "--like", "q.txt", "a.txt");
    QTest::newRow("top without like") << A("--top", "3", "a.txt");
    QTest::newRow("top 0") << A("--like", "q.txt", "--top", "0", "a.txt");
}

void tst_PeakhoundSearch::usageErrors()
{
    QFETCH(QStringList, arguments);
    const Run run = search(arguments);
    QCOMPARE(run.status, 2);
    QCOMPARE(run.out, QByteArray());
    // One line with the reason, then the help text.
    const Run help = search(A("--help"));
    QCOMPARE(help.status, 0);
    QVERIFY(help.out.startsWith("Usage: peakhound-search"));
    const QStringList err = lines(run.err);
    QVERIFY(err[0].startsWith(QStringLiteral("peakhound-search: ")));
    QCOMPARE(err[1], QString());
    QCOMPARE(run.err.mid(run.err.indexOf("\n\n") + 2), help.out);
}

// The rules peakhound-convert reads its options by too (its test holds it to the same words): a
// value joined by '=' counts as a separate one, --version names the manual page's version and
// ends the reading, and the reader's usage errors read as below.
void tst_PeakhoundSearch::optionsByTheRulesOfBothCommands()
{
    const QString match = QString::fromStdString(m_match);
    const QString match2 = QString::fromStdString(m_match2);
    const Run joined =
        search(A("--peak=612", "--peak=774", "--tolerance=1", "--max-missing=0", match2, match));
    QCOMPARE(joined.status, 0);
    QCOMPARE(joined.out, QByteArray::fromStdString(m_match + "\n"));

    const Run version = search(A("--version", "--fast"));
    QCOMPARE(version.status, 0);
    QCOMPARE(version.out,
        "peakhound-search " + ManualPageVersion(QStringLiteral("peakhound-search.1")) + "\n");

    for (const auto &[arguments, reason] :
        { std::pair { A("--fast", "a.txt"), "unknown option --fast" },
            std::pair { A("a.txt", "--max-missing"), "--max-missing needs a value" },
            std::pair { A("--inverse=yes", "a.txt"), "--inverse takes no value" } }) {
        const Run run = search(arguments);
        QCOMPARE(run.status, 2);
        QCOMPARE(lines(run.err).value(0), QStringLiteral("peakhound-search: ") + toQString(reason));
    }
}

void tst_PeakhoundSearch::jobsGiveIdenticalOutput()
{
    // GIVEN a few hundred files of every kind, among them files whose short data lines leave
    // cells of the previous file in the table, so that their verdict depends on the order
    TestFolder folder;
    QRandomGenerator random(7);
    QStringList names;
    for (int i = 0; i < 300; ++i) {
        const std::string name = "s" + std::to_string(i) + ".txt";
        switch (random.bounded(6)) {
        case 0:
            folder.write(name, SpectrumText("x", "y", "x\ty", humpLines({ 612, 774, 1650 })));
            break;
        case 1:
            folder.write(
                name, SpectrumText("x", "y", "x\ty", humpLines({ 612 + random.bounded(20) })));
            break;
        case 2:
            folder.write(name, SpectrumText("x", "y", "x y", {}));
            break;
        case 3: {
            // Two spectra in the header, one in the data: spectrum 2 comes from earlier files.
            folder.write(name,
                SpectrumText(
                    "x", "y", "x\ty\tz", humpLines({ 900 }, 1, 550, 1700 - random.bounded(300))));
            break;
        }
        default:
            folder.write(name,
                SpectrumText("x", "y", "x\ty\tz",
                    humpLines({ 612, 774, 1650 - random.bounded(3) * 10 }, 2)));
            break;
        }
        names << QString::fromStdString(folder.path(name));
    }
    const QStringList targets =
        A("--peak", "612", "--peak", "774", "--peak", "1650", "--max-missing", "0");
    const Run one = search(targets + A("--jobs", "1") + names);
    QCOMPARE(one.status, 0);
    QVERIFY(one.out.count('\n') > 20);
    for (const char *jobs : { "2", "3", "8" }) {
        const Run many = search(targets + A("--jobs", QString::fromLatin1(jobs)) + names);
        QCOMPARE(many.status, one.status);
        QCOMPARE(many.out, one.out);
        QCOMPARE(many.err, one.err);
    }
    // The report's "ja" rows are the selection, whatever the number of threads.
    const Run report = search(targets + A("--report", "--jobs", "1") + names);
    QCOMPARE(search(targets + A("--report", "--jobs", "3") + names).out, report.out);
    QByteArray selected;
    for (const QByteArray &row : report.out.split('\n')) {
        if (row.split('\t').value(1) == "ja")
            selected += row.split('\t').value(0) + '\n';
    }
    QCOMPARE(selected, one.out);
    // WHEN a file fails near the end THEN all runs stop at it alike
    names.insert(250, QString::fromStdString(folder.path("missing.txt")));
    const Run oneFailing = search(targets + A("--jobs", "1") + names);
    QCOMPARE(oneFailing.status, 1);
    for (const char *jobs : { "2", "5" }) {
        const Run many = search(targets + A("--jobs", QString::fromLatin1(jobs)) + names);
        QCOMPARE(many.status, 1);
        QCOMPARE(many.out, oneFailing.out);
        QCOMPARE(many.err, oneFailing.err);
        const Run keepGoing =
            search(targets + A("--keep-going", "--jobs", QString::fromLatin1(jobs)) + names);
        QCOMPARE(keepGoing.status, 1);
        QCOMPARE(keepGoing.out, one.out);
    }
}

void tst_PeakhoundSearch::specialFilesEndTheRunAtOnce()
{
    // GIVEN a FIFO without a writer, a link to an endless device and links in a circle
    TestFolder folder;
    const std::string fifo = folder.path("fifo.txt");
    QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = folder.path("zero.txt");
    QCOMPARE(::symlink("/dev/zero", zero.c_str()), 0);
    const std::string loop = folder.path("loop.txt");
    QCOMPARE(::symlink(loop.c_str(), loop.c_str()), 0);
    const std::pair<std::string, std::string> cases[] = {
        { fifo, "Dateizugriff verweigert" },
        { zero, "Dateizugriff verweigert" },
        { loop, "Datei nicht gefunden" },
    };
    for (const char *jobs : { "1", "2" }) {
        for (const auto &[name, message] : cases) {
            // THEN each ends the run at once, as a runtime error does
            const Run run =
                search(A("--peak", "612", "--jobs", jobs, QString::fromStdString(m_match),
                    QString::fromStdString(name), QString::fromStdString(m_match2)));
            QCOMPARE(run.status, 1);
            QCOMPARE(run.out, QByteArray::fromStdString(m_match + "\n"));
            QCOMPARE(run.err, QByteArray::fromStdString(name + ": " + message + "\n"));
        }
    }
    const Run peaks =
        search(A("--peak-file", QString::fromStdString(fifo), QString::fromStdString(m_match)));
    QCOMPARE(peaks.status, 1);
    QCOMPARE(peaks.err, QByteArray::fromStdString(fifo + ": Dateizugriff verweigert\n"));
}

void tst_PeakhoundSearch::controlBytesAreEscapedOnStandardError()
{
    // GIVEN names and a field with control bytes
    TestFolder folder;
    const std::string bad = folder.write("bad\x01\x1b[2J.txt", SpectrumText("x", "y", "x y", {}));
    const std::string match =
        folder.write("match\x07.txt", SpectrumText("x", "y", "x\ty", humpLines({ 612 })));
    const std::string field =
        folder.write("field.txt", SpectrumText("x", "y", "x\ty", { "1\t2\x7f\x1b]0;x\x07" }));
    Run run =
        search(A("--peak", "612", QString::fromStdString(bad), QString::fromStdString(match)));
    // THEN standard output keeps the name as it is, standard error shows the bytes escaped
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QByteArray::fromStdString(match + "\n"));
    QCOMPARE(run.err,
        "Folgende Daten hatten nicht das richtige Format und wurden ignoriert:\n\t"
            + QByteArray::fromStdString(folder.path("bad\\x01\\x1b[2J.txt")) + "\n");
    run = search(A("--peak", "612", QString::fromStdString(field)));
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err,
        QByteArray::fromStdString(
            field + ": '2\\x7f\\x1b]0;x\\x07' ist kein gültiger Gleitkommawert\n"));
    // A tab stays a tab.
    run = search(A("--peak", "612", "gone\t\x02"));
    QCOMPARE(run.err, QByteArray("gone\t\\x02: Datei nicht gefunden\n"));
}

void tst_PeakhoundSearch::outOfMemoryEndsTheRunInWords()
{
#ifdef PH_ASAN
    QSKIP("AddressSanitizer needs more address space than any limit that lets the test run");
#else
    // GIVEN a file of 40 MiB without a line end (sparse: no disk used) and an address space of
    // 64 MiB, too little to hold the line whole
    TestFolder folder;
    const std::string huge = folder.write("huge.txt", "");
    QVERIFY(QFile::resize(QString::fromStdString(huge), 40 << 20));
    for (const char *jobs : { "1", "2" }) {
        const Run run = search(A("--peak", "612", "--jobs", jobs, QString::fromStdString(m_match),
                                   QString::fromStdString(huge), QString::fromStdString(m_match2)),
            QString(), "C", rlim_t { 64 } << 20);
        // THEN it is a runtime error in words, after what was selected before it
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out, QByteArray::fromStdString(m_match + "\n"));
        QCOMPARE(run.err, QByteArray::fromStdString(huge + ": Zu wenig Arbeitsspeicher\n"));
    }
    // Without the limit the line is read and the file has the wrong layout.
    const Run run = search(A("--peak", "612", QString::fromStdString(huge)));
    QCOMPARE(run.status, 0);
#endif
}

void tst_PeakhoundSearch::incompleteFileReadsCellsOfAnyEarlierFile()
{
    // GIVEN A: two spectra, the second with the sought bands; B: a shorter file of one; C and D:
    // files that name two spectra but carry one, so that their second spectrum is what earlier
    // files left in the table: for C, B's and A's cells; for D, A's second spectrum whole
    TestFolder folder;
    std::vector<std::string> twoSpectra;
    for (const std::string &line : humpLines({ 612, 774 }))
        twoSpectra.push_back(
            line.substr(0, line.find('\t')) + "\t1" + line.substr(line.find('\t')));
    std::vector<std::string> oneShort = humpLines({ 600 }, 1, 550, 650);
    oneShort.emplace_back("651"); // a row without its y: C is incomplete, and B covers it
    std::vector<std::string> flat;
    for (int x = 550; x <= 1700; ++x)
        flat.push_back(std::to_string(x) + "\t1");
    const QStringList names {
        QString::fromStdString(
            folder.write("a.txt", SpectrumText("x", "y", "x\ty\tz", twoSpectra))),
        QString::fromStdString(
            folder.write("b.txt", SpectrumText("x", "y", "x\ty", humpLines({ 900 }, 1, 550, 700)))),
        QString::fromStdString(folder.write("c.txt", SpectrumText("x", "y", "x\ty", oneShort))),
        QString::fromStdString(folder.write("d.txt", SpectrumText("x", "y", "x\ty\tz", flat))),
    };
    const QStringList targets = A("--peak", "612", "--peak", "774", "--max-missing", "0");
    // WHEN they are judged on one thread THEN D shows A's bands
    const Run one = search(targets + A("--jobs", "1") + names);
    QCOMPARE(one.status, 0);
    QCOMPARE(one.out, (names[0] + QLatin1Char('\n') + names[3] + QLatin1Char('\n')).toUtf8());
    // AND on several threads alike, though C, judged again in order before D, is covered by B
    for (const char *jobs : { "2", "4" })
        QCOMPARE(search(targets + A("--jobs", jobs) + names).out, one.out);
}

void tst_PeakhoundSearch::threadsGiveTheSameOutputUnderAMemoryLimit()
{
#ifdef PH_ASAN
    QSKIP("AddressSanitizer needs more address space than any limit that lets the test run");
#else
    // GIVEN three files of 40 MiB without a line end (sparse), each needing a buffer of its size
    TestFolder folder;
    QStringList files { QString::fromStdString(m_match) };
    for (const char *name : { "h1.txt", "h2.txt", "h3.txt" }) {
        files << QString::fromStdString(folder.write(name, ""));
        QVERIFY(QFile::resize(files.back(), 40 << 20));
    }
    // WHEN they are searched in address spaces from too small for one file to room for several
    int outOfMemory = 0;
    for (rlim_t mib = 60; mib <= 104; mib += 4) {
        const QStringList arguments = A("--peak", "612") + files;
        const Run one = search(arguments + A("--jobs", "1"), {}, "C", mib << 20);
        outOfMemory += one.err.contains("Zu wenig Arbeitsspeicher") ? 1 : 0;
        // THEN two and three threads print what one thread prints, byte for byte
        for (const char *jobs : { "2", "3" }) {
            const Run many = search(arguments + A("--jobs", jobs), {}, "C", mib << 20);
            QCOMPARE(many.status, one.status);
            QCOMPARE(many.out, one.out);
            QCOMPARE(many.err, one.err);
        }
    }
    QVERIFY(outOfMemory > 0 && outOfMemory < 12); // both outcomes were met
#endif
}

void tst_PeakhoundSearch::nameListsAreReadAsTheRunGoes()
{
#ifdef PH_ASAN
    QSKIP("AddressSanitizer needs more address space than any limit that lets the test run");
#else
    // GIVEN a list of 300,000 names, every 1000th a file that matches, the others missing: held
    // whole, with the names of the failures, more than 100 MB
    TestFolder folder;
    std::string list;
    QByteArray expected;
    QByteArray failures;
    for (int i = 0; i < 300000; ++i) {
        if (i % 1000 == 0) {
            list += m_match + '\n';
            expected += QByteArray::fromStdString(m_match) + '\n';
        } else {
            const std::string name =
                folder.path("no such folder/spectrum ") + std::to_string(i) + ".txt";
            list += name + '\n';
            failures += QByteArray::fromStdString(name) + ": Datei nicht gefunden\n";
        }
    }
    const std::string listFile = folder.write("list.txt", list);
    // WHEN they are searched within an address space of 64 MiB
    const Run run = search(A("--peak", "612", "--keep-going", "--jobs", "2", "--files-from",
                               QString::fromStdString(listFile)),
        {}, "C", rlim_t { 64 } << 20);
    // THEN every file is judged: the matches in list order, every missing one named
    QCOMPARE(run.status, 1);
    QCOMPARE(run.out, expected);
    QVERIFY(run.err == failures); // (QCOMPARE would print megabytes)
#endif
}

void tst_PeakhoundSearch::nameListFromAPipe()
{
    // GIVEN names written into a pipe, as "find ... | peakhound-search --files-from -" does
    const QByteArray names =
        QByteArray::fromStdString(m_match2 + "\n" + m_miss + "\n" + m_match + "\n");
    for (const QString &list : { QStringLiteral("-"), QStringLiteral("/dev/stdin") }) {
        QProcess process;
        process.start(QStringLiteral(PEAKHOUND_SEARCH),
            A("--peak", "612", "--peak", "774", "--peak", "1650", "--files-from", list));
        QVERIFY(process.waitForStarted());
        process.write(names);
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(60000));
        // THEN they are judged as if given on the command line
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(process.readAllStandardOutput(),
            QByteArray::fromStdString(m_match2 + "\n" + m_match + "\n"));
    }
    // A folder is no list
    const Run folder =
        search(A("--peak", "612", "--files-from", QString::fromStdString(m_folder.root())));
    QCOMPARE(folder.status, 1);
    QVERIFY(folder.err.endsWith(": Dateizugriff verweigert\n"));
}

void tst_PeakhoundSearch::eachSpectrumOfMapsAndSeries()
{
    const QString data =
        qEnvironmentVariable("PEAKHOUND_SOURCE_DIR") + QStringLiteral("/tests/data/");
    const QString line = data + QStringLiteral("formats/maps/line_scan.wdf");
    const QString map = data + QStringLiteral("formats/maps/map_6x6.wdf");
    const QString series =
        data + QStringLiteral("series/multi_FNMT-Horiba785_OP02_PST_Sil_sCAL_nCAL.txt");
    const QString opus = data + QStringLiteral("formats/charisma_test_opus.0");
    const QStringList polystyrene = A("--rule", "sensitive", "--max-missing", "0", "--peak",
        "1001.4", "--peak", "1031.8", "--peak", "1602.3");

    // Without --each the series is judged by its last spectrum, and the scan is refused with
    // its reason; so is a format that is not read.
    Run run = search(polystyrene + A(series, line, opus, QString::fromStdString(m_bad)));
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.err,
        QByteArray("Folgende Daten hatten nicht das richtige Format und wurden ignoriert:\n\t")
            + line.toUtf8() + ": 235 Spektren: mit 'Jedes Spektrum' durchsuchen\n\t" + opus.toUtf8()
            + ": nicht unterstützt (OPUS)\n\t" + QByteArray::fromStdString(m_bad) + "\n");

    // With it every spectrum is judged, on as many threads as asked, with the same rows.
    run = search(polystyrene + A("--each", series, line, map, opus));
    QCOMPARE(run.status, 0);
    QCOMPARE(lines(run.out).first(), series);
    QByteArray previous;
    for (const char *jobs : { "1", "2" }) {
        const Run report =
            search(polystyrene + A("--each", "--report", "--jobs", jobs, series, line, map, opus));
        QCOMPARE(report.status, 0);
        const QStringList rows = lines(report.out);
        QCOMPARE(rows[0],
            QStringLiteral(
                "Datei\tSpektrum\tAusgewählt\tFehlend\tGüte\t1001.4\t1031.8\t1602.3\tName\tX\tY"));
        QCOMPARE(
            rows.size(), 1 + 4 + 235 + 36 + 1 + 1); // the refused file's row, the last line end
        const QStringList first = rows[1].split(QLatin1Char('\t'));
        QCOMPARE(first.size(), 11);
        QCOMPARE(first.mid(0, 4),
            (QStringList {
                series, QStringLiteral("1"), QStringLiteral("ja"), QStringLiteral("0") }));
        QCOMPARE(first[8], QStringLiteral("Polystyrene PST"));
        QCOMPARE(rows[2].split(QLatin1Char('\t'))[2], QStringLiteral("nein"));
        QCOMPARE(rows.filter(line + QLatin1Char('\t')).size(), 235);
        const QStringList corner = rows[5 + 235].split(QLatin1Char('\t'));
        QCOMPARE(corner[0], map);
        QCOMPARE(corner.mid(9),
            (QStringList { QStringLiteral("-4501.903563829787"), QStringLiteral("-2474.7475") }));
        QCOMPARE(rows[1 + 4 + 235 + 36],
            opus + QStringLiteral("\t\tfalsches Format: nicht unterstützt (OPUS)")
                + QString(8, QLatin1Char('\t')));
        if (!previous.isEmpty())
            QCOMPARE(report.out, previous);
        previous = report.out;
    }
}

void tst_PeakhoundSearch::likeIdentifiesReferenceSpectra()
{
    // GIVEN spectra of four substances from other laboratories' instruments than most of the
    // library, which holds the rest of the reference folder and a file of the wrong layout
    const QString folder = dataFolder() + QStringLiteral("library/spectra/");
    const QStringList queries = { folder
            + QStringLiteral("Polystyrene_PST_test-PST02_Zolix785_Probe_070_190ms.txt"),
        folder + QStringLiteral("Calcite_nCAL_FNMT-Horiba785_nCAL10_iR785_OP01_6000msx4.txt"),
        folder + QStringLiteral("Silicon_S0B_FNMT-BWtek532_S0B10_iR532_Probe_100_60000msx2.txt"),
        folder + QStringLiteral("NeonLamp_Neon_ICV-BWtek532_Ne_532nm_x100_2000ms.txt") };
    QStringList library;
    for (const QString &name :
        QDir(folder).entryList({ QStringLiteral("*.txt") }, QDir::Files, QDir::Name))
        if (!queries.contains(folder + name))
            library << folder + name;
    library << QString::fromStdString(m_bad);
    QStringList like;
    for (const QString &query : queries)
        like << QStringLiteral("--like") << query;

    // WHEN they are identified, on one thread and on three
    const Run run = search(like + A("--top", "3", "--jobs", "1", "--") + library);
    QCOMPARE(run.status, 0);
    QCOMPARE(search(like + A("--top", "3", "--jobs", "3", "--") + library).out, run.out);

    // THEN each query has three lines, ranked, best first, with its substance first, and the
    // refused library file is named as the search names it
    const QList<QStringList> rows = likeRows(run.out);
    QCOMPARE(rows.size(), 12);
    const QRegularExpression score(QStringLiteral("^\\d{1,3}\\.\\d\\d$"));
    for (int k = 0; k < rows.size(); ++k) {
        const QStringList &row = rows[k];
        QCOMPARE(row.size(), 4);
        QCOMPARE(row[0], queries[k / 3]);
        QCOMPARE(row[1], QString::number(k % 3 + 1));
        QVERIFY2(score.match(row[3]).hasMatch(), qPrintable(row[3]));
        if (k % 3 == 0)
            QCOMPARE(substanceOf(row[2]), substanceOf(row[0]));
        else
            QVERIFY(row[3].toDouble() <= rows[k - 1][3].toDouble());
    }
    QCOMPARE(run.err,
        QByteArray("Folgende Daten hatten nicht das richtige Format und wurden ignoriert:\n\t")
            + QByteArray::fromStdString(m_bad) + "\n");

    // The report explains the same hits: a row per hit with the score's parts, a row per band
    // of the query (the library's band and the offset where one matched), the strong library
    // bands the query lacks; eleven cells in every row.
    const Run report = search(like + A("--top", "3", "--report", "--") + library);
    QCOMPARE(report.status, 0);
    const QList<QStringList> table = likeRows(report.out);
    QCOMPARE(table[0].join(QLatin1Char('\t')),
        QStringLiteral("Anfrage\tRang\tDatei\tGüte\tArt\tAnteil Anfrage\tAnteil "
                       "Bibliothek\tVersatz\tBande Anfrage\tBande Bibliothek\tStärke"));
    QList<QStringList> hits;
    int matchedBands = 0;
    for (const QStringList &row : table.mid(1)) {
        QCOMPARE(row.size(), 11);
        if (row[4] == QStringLiteral("Treffer")) {
            hits << row.mid(0, 4);
            QVERIFY(row[5].toDouble() > 0 && row[5].toDouble() <= 1);
            QVERIFY(row[6].toDouble() > 0 && row[6].toDouble() <= 1);
            const double product = row[5].toDouble() * row[6].toDouble();
            QVERIFY(std::abs(100 * std::sqrt(product) - row[3].toDouble()) < 0.05);
        } else if (row[4] == QStringLiteral("Bande") && !row[9].isEmpty()) {
            ++matchedBands;
            QVERIFY(std::abs(row[9].toDouble() - row[8].toDouble() - row[7].toDouble()) < 0.01);
        } else {
            QVERIFY(row[4] == QStringLiteral("Bande") || row[4] == QStringLiteral("fehlt"));
        }
    }
    QCOMPARE(hits, rows);
    QVERIFY(matchedBands >= 12);

    // A query that cannot be read ends the run with its reason; one of the wrong layout is
    // named with the library's
    const Run missing = search(A("--like", "/nonexistent/q.txt", "--") + library);
    QCOMPARE(missing.status, 1);
    QVERIFY(missing.err.startsWith("/nonexistent/q.txt: "));
    const Run refused =
        search(A("--like", QString::fromStdString(m_bad), "--like", queries[0], "--") + library);
    QCOMPARE(refused.status, 0);
    QCOMPARE(likeRows(refused.out).size(), 10);
    QVERIFY(refused.err.endsWith("\n\t" + QByteArray::fromStdString(m_bad) + "\n\t"
        + QByteArray::fromStdString(m_bad) + "\n"));
}

void tst_PeakhoundSearch::likeEachNamesTheSpectraOfASeries()
{
    // GIVEN a series of four spectra of one instrument and a library of the reference folder
    // without that instrument's files
    const QString series =
        dataFolder() + QStringLiteral("series/multi_FNMT-Horiba785_OP02_PST_Sil_sCAL_nCAL.txt");
    const QString folder = dataFolder() + QStringLiteral("library/spectra/");
    QStringList library;
    for (const QString &name :
        QDir(folder).entryList({ QStringLiteral("*.txt") }, QDir::Files, QDir::Name))
        if (!name.contains(QStringLiteral("FNMT-Horiba785")))
            library << folder + name;

    // WHEN every spectrum of it is a query, and every spectrum of the library an entry
    const Run run = search(A("--each", "--like", series, "--top", "2", "--") + library);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QByteArray());

    // THEN the queries are named series#1 to #4 in order, each first of its substance
    const QList<QStringList> rows = likeRows(run.out);
    QCOMPARE(rows.size(), 8);
    for (int k = 0; k < rows.size(); ++k) {
        QCOMPARE(rows[k][0], series + QLatin1Char('#') + QString::number(k / 2 + 1));
        if (k % 2 == 0)
            QCOMPARE(substanceOf(rows[k][2]), substanceOf(rows[k][0]));
    }

    // A file of one spectrum keeps its name; the library's file of three spectra, one of them
    // the same measurement, names it by its number; without --each the series is one query,
    // its last spectrum
    const QString single =
        folder + QStringLiteral("Silicon_S0B_FNMT-BWtek532_S0B10_iR532_Probe_100_60000msx2.txt");
    const QList<QStringList> plain = likeRows(
        search(A("--each", "--like", single, "--like", series, "--top", "2", "--") + library).out);
    QCOMPARE(plain.size(), 10);
    QCOMPARE(
        plain[0], (QStringList { single, QStringLiteral("1"), single, QStringLiteral("100.00") }));
    QCOMPARE(plain[1][2], folder + QStringLiteral("multi_FNMT-BWtek532_nCAL_S0B_PST.txt#2"));
    const QList<QStringList> last =
        likeRows(search(A("--like", series, "--top", "1", "--") + library).out);
    QCOMPARE(last.size(), 1);
    QCOMPARE(last[0][0], series);
    QCOMPARE(substanceOf(last[0][2]), QStringLiteral("Calcite"));
}

QTEST_GUILESS_MAIN(tst_PeakhoundSearch)
#include "tst_peakhound_search.moc"
