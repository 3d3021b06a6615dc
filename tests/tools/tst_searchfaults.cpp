#include "faultinjection.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

// peakhound-search against faults of the machine: standard output that cannot take the result,
// every file and memory call of a run failing in turn, and the locales a user may have.

namespace
{

struct Run {
    int status = -1; // -1: the program crashed or hung
    QByteArray out;
    QByteArray err;
};

struct Launch {
    QString program = QStringLiteral(PEAKHOUND_SEARCH);
    QStringList arguments;
    QString locale = QStringLiteral("C");
    QString localePath; // LOCPATH, for locales built by the test
    QString outputFile; // standard output goes there (appended: /dev/full works too)
    rlim_t fileSizeLimit = 0; // RLIMIT_FSIZE of the child, SIGXFSZ at its default as a shell has it
    QString fault; // PEAKHOUND_FAULT for the fault build
    QString faultReport;
};

Run start(const Launch &launch)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), launch.locale);
    if (!launch.localePath.isEmpty())
        environment.insert(QStringLiteral("LOCPATH"), launch.localePath);
    if (!launch.fault.isEmpty()) {
        environment.insert(QStringLiteral("PEAKHOUND_FAULT"), launch.fault);
        environment.insert(QStringLiteral("PEAKHOUND_FAULT_REPORT"), launch.faultReport);
    }
    process.setProcessEnvironment(environment);
    const rlim_t limit = launch.fileSizeLimit;
    if (limit != 0) {
        process.setChildProcessModifier([limit] {
            // As "ulimit -f" in a shell leaves it: the signal's default action ends a program
            // that writes beyond the limit, unless the program sees to it itself.
            std::signal(SIGXFSZ, SIG_DFL);
            const rlimit size { limit, limit };
            ::setrlimit(RLIMIT_FSIZE, &size);
        });
    }
    if (!launch.outputFile.isEmpty())
        process.setStandardOutputFile(launch.outputFile, QIODevice::Append);
    process.start(launch.program, launch.arguments);
    process.waitForFinished(120000);
    return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
        process.readAllStandardOutput(), process.readAllStandardError() };
}

// A file whose single spectrum has clear humps at the given whole positions.
std::string humps(const std::vector<int> &positions, const std::string &decimals = "")
{
    std::vector<std::string> lines;
    for (int x = 550; x <= 1700; x += 2) {
        int y = 1;
        for (int p : positions)
            y += std::abs(x - p) == 0 ? 90 : std::abs(x - p) == 2 ? 30 : 0;
        lines.push_back(std::to_string(x) + decimals + "\t" + std::to_string(y) + decimals);
    }
    lines.emplace_back();
    return SpectrumText("Raman shift", "Intensity", "x\ty", lines);
}

// The message a user reads for a write error under the C locale.
QByteArray writeError(int error)
{
    return QByteArray("peakhound-search: Schreibfehler: ") + std::strerror(error) + '\n';
}

// Builds the locale under folder when the system has not got it; false when it cannot be built.
bool buildLocale(const QString &name, const QString &folder)
{
    QProcess probe;
    probe.start(QStringLiteral("locale"), { QStringLiteral("-a") });
    probe.waitForFinished();
    QString shortName = name;
    shortName.replace(QStringLiteral("UTF-8"), QStringLiteral("utf8"));
    if (probe.readAllStandardOutput().split('\n').contains(shortName.toUtf8()))
        return true;
    const QString input = name.section(QLatin1Char('.'), 0, 0);
    QProcess build;
    build.start(QStringLiteral("localedef"),
        { QStringLiteral("-i"), input, QStringLiteral("-f"), QStringLiteral("UTF-8"),
            folder + QLatin1Char('/') + name });
    return build.waitForFinished(120000) && QDir(folder + QLatin1Char('/') + name).exists();
}

} // namespace

class tst_SearchFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fullStandardOutputFailsTheRun();
    void reportIntoAFullFileSystemFailsTheRun();
    void everyFaultPointOfARun_data();
    void everyFaultPointOfARun();
    void localesGiveTheSameSelections();

private:
    TestFolder m_folder;
    QStringList m_files;
    QStringList m_targets;
};

void tst_SearchFaults::initTestCase()
{
    m_files << QString::fromStdString(m_folder.write("a.txt", humps({ 612, 774, 1650 })))
            << QString::fromStdString(m_folder.write("b.txt", humps({ 612 })))
            << QString::fromStdString(m_folder.write("c.txt", "x\r\nwrong\r\nlayout\r\n"))
            << QString::fromStdString(m_folder.write("d.txt", humps({ 612, 774, 1652 }, ",0")));
    m_targets =
        QStringList { QStringLiteral("--peak"), QStringLiteral("612"), QStringLiteral("--peak"),
            QStringLiteral("774"), QStringLiteral("--peak"), QStringLiteral("1650") };
}

void tst_SearchFaults::fullStandardOutputFailsTheRun()
{
    // GIVEN a run that selects files, WHEN standard output is a full device THEN the run fails
    // with the system's reason, with or without --keep-going, for names, report and help alike
    for (const QStringList &options : { QStringList(), QStringList { QStringLiteral("--report") },
             QStringList { QStringLiteral("--keep-going"), QStringLiteral("--jobs"),
                 QStringLiteral("3") } }) {
        Launch launch;
        launch.arguments = m_targets + options + m_files;
        launch.outputFile = QStringLiteral("/dev/full");
        const Run run = start(launch);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.startsWith(writeError(ENOSPC)), run.err.constData());
    }
    Launch help;
    help.arguments = QStringList { QStringLiteral("--help") };
    help.outputFile = QStringLiteral("/dev/full");
    QCOMPARE(start(help).status, 1);
    // The reason in the user's language, where that locale can be had.
    TestFolder locales;
    const QString root = QString::fromStdString(locales.root());
    if (buildLocale(QStringLiteral("de_DE.UTF-8"), root)) {
        Launch german;
        german.arguments = m_targets + m_files;
        german.outputFile = QStringLiteral("/dev/full");
        german.locale = QStringLiteral("de_DE.UTF-8");
        // LOCPATH only where the test built the locale: it hides the system's locales.
        if (QDir(root + QStringLiteral("/de_DE.UTF-8")).exists())
            german.localePath = root;
        const Run run = start(german);
        QCOMPARE(run.status, 1);
        if (QFile::exists(QStringLiteral("/usr/share/locale/de/LC_MESSAGES/libc.mo")))
            QCOMPARE(run.err.split('\n').value(0),
                QByteArray("peakhound-search: Schreibfehler: Auf dem Gerät ist kein "
                           "Speicherplatz mehr verfügbar"));
    }
}

void tst_SearchFaults::reportIntoAFullFileSystemFailsTheRun()
{
    // GIVEN a report of some 40 KB
    QStringList many;
    for (int i = 0; i < 400; ++i)
        many << m_files;
    Launch launch;
    launch.arguments = m_targets + QStringList { QStringLiteral("--report") } + many;
    const Run whole = start(launch);
    QCOMPARE(whole.status, 0);
    QVERIFY(whole.out.size() > 40000);

    // WHEN it goes to a file that may grow to 16 KB only (a file size limit: EFBIG)
    TestFolder folder;
    launch.outputFile = QString::fromStdString(folder.path("report.tsv"));
    launch.fileSizeLimit = 16 * 1024;
    Run run = start(launch);
    // THEN the run fails in words, and what did reach the file is the start of the report
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err, writeError(EFBIG));
    QFile written(launch.outputFile);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(whole.out.startsWith(written.readAll()));

    // WHEN it goes to a full file system of 16 KB (a tmpfs; mounting needs the right to)
    const QString mountPoint = QString::fromStdString(folder.path("full"));
    QDir().mkpath(mountPoint);
    if (::mount("tmpfs", mountPoint.toLocal8Bit().constData(), "tmpfs", 0, "size=16k") != 0)
        QSKIP(qPrintable(QStringLiteral("no tmpfs to fill (%1); the size limit above stands in")
                             .arg(QString::fromLocal8Bit(std::strerror(errno)))));
    launch.outputFile = mountPoint + QStringLiteral("/report.tsv");
    launch.fileSizeLimit = 0;
    run = start(launch);
    ::umount(mountPoint.toLocal8Bit().constData());
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err, writeError(ENOSPC));
}

void tst_SearchFaults::everyFaultPointOfARun_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<unsigned>("points");
    QTest::addColumn<int>("error");
    const QStringList names;
    const QStringList report { QStringLiteral("--report"), QStringLiteral("--keep-going") };
    const unsigned files = Fault::AnyFileCall;
    QTest::newRow("names, failing reads") << names << unsigned(Fault::Read) << EIO;
    QTest::newRow("names, any file call") << names << files << EIO;
    QTest::newRow("names, memory") << names << unsigned(Fault::Allocation) << 0;
    QTest::newRow("report, any file call") << report << files << EACCES;
    QTest::newRow("report, full disk") << report << unsigned(Fault::Write) << ENOSPC;
    QTest::newRow("report, memory") << report << unsigned(Fault::Allocation) << 0;
}

void tst_SearchFaults::everyFaultPointOfARun()
{
    QFETCH(QStringList, options);
    QFETCH(unsigned, points);
    QFETCH(int, error);
    // GIVEN a search of a few files (one of the wrong layout) and its output without faults
    Launch launch;
    launch.program = QStringLiteral(PEAKHOUND_SEARCH_FAULTS);
    launch.arguments = m_targets + options
        + QStringList { QStringLiteral("--jobs"), QStringLiteral("1") } + m_files;
    const Run clean = start(launch);
    QCOMPARE(clean.status, 0);
    const QList<QByteArray> cleanLines = clean.out.split('\n');
    TestFolder folder;
    launch.faultReport = QString::fromStdString(folder.path("fault"));
    // WHEN the k-th call fails, for k = 1, 2, ... until the run no longer reaches it
    int k = 1;
    for (;; ++k) {
        launch.fault = QStringLiteral("%1 %2 %3").arg(points).arg(k).arg(error);
        const Run run = start(launch);
        QFile report(launch.faultReport);
        QVERIFY(report.open(QIODevice::ReadOnly));
        const QList<QByteArray> counts = report.readAll().trimmed().split(' ');
        QVERIFY2(run.status == 0 || run.status == 1, qPrintable(QStringLiteral("k=%1").arg(k)));
        if (counts.value(1) != "1") {
            QCOMPARE(run.out, clean.out); // the fault was not reached: the run is the clean one
            break;
        }
        // THEN either the fault lost nothing (closing a file that was read) and the run is the
        // clean one, or the run fails in words, and every line it printed is one of the clean
        // run's, in the same order: nothing wrong, at most something missing
        const QString context = QStringLiteral("k=%1: %2").arg(k).arg(QString::fromUtf8(run.err));
        if (run.status == 0) {
            QCOMPARE(run.out, clean.out);
            QCOMPARE(run.err, clean.err);
            continue;
        }
        QVERIFY2(run.err.contains("E/A-Fehler") || run.err.contains("Dateizugriff verweigert")
                || run.err.contains("Zu wenig Arbeitsspeicher")
                || run.err.contains("Schreibfehler"),
            qPrintable(context));
        int at = 0;
        for (const QByteArray &line : run.out.split('\n')) {
            while (at < cleanLines.size() && cleanLines[at] != line)
                ++at;
            QVERIFY2(at < cleanLines.size(), qPrintable(context + QString::fromUtf8(line)));
        }
    }
    qInfo("%s: %d fault points", QTest::currentDataTag(), k - 1);
    QVERIFY(k > 1);
}

void tst_SearchFaults::localesGiveTheSameSelections()
{
    // GIVEN whole-number targets and files with decimal points, decimal commas and exponents
    TestFolder locales;
    const QString root = QString::fromStdString(locales.root());
    const QStringList names { QStringLiteral("de_DE.UTF-8"), QStringLiteral("fr_FR.UTF-8"),
        QStringLiteral("tr_TR.UTF-8") };
    for (const QString &name : names) {
        if (!buildLocale(name, root))
            QSKIP(qPrintable(name + QStringLiteral(" cannot be built here (localedef, locales)")));
    }
    TestFolder folder;
    QStringList files = m_files;
    files << QString::fromStdString(folder.write("e.txt", humps({ 612, 1650 }, ".0e0")))
          << QString::fromStdString(folder.write("f.txt", humps({ 774, 1650 }, ",50")))
          << QString::fromStdString(folder.write("g.txt", humps({ 611, 775, 1650 }, "E+00")));
    Launch launch;
    // LOCPATH only where the test built a locale: it hides the system's locales. Where the
    // system lacks one but has another, all are built here.
    bool built = false;
    for (const QString &name : names)
        built = built || QDir(root + QLatin1Char('/') + name).exists();
    if (built) {
        for (const QString &name : names) {
            if (!QDir(root + QLatin1Char('/') + name).exists()) {
                QProcess build;
                build.start(QStringLiteral("localedef"),
                    { QStringLiteral("-i"), name.section(QLatin1Char('.'), 0, 0),
                        QStringLiteral("-f"), QStringLiteral("UTF-8"),
                        root + QLatin1Char('/') + name });
                QVERIFY(build.waitForFinished(120000));
            }
        }
        launch.localePath = root;
    }
    launch.arguments =
        m_targets + QStringList { QStringLiteral("--max-missing"), QStringLiteral("1") } + files;
    const Run c = start(launch);
    QCOMPARE(c.status, 0);
    QVERIFY(c.out.count('\n') >= 3);
    Launch report = launch;
    report.arguments << QStringLiteral("--report");
    const Run cReport = start(report);
    for (const QString &locale : QStringList { QStringLiteral("POSIX") } + names) {
        // WHEN the search runs under each THEN it selects the same files, and reports the same
        launch.locale = report.locale = locale;
        const Run run = start(launch);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, c.out);
        QCOMPARE(start(report).out, cReport.out);
    }
    // The locales are in force: a decimal comma is a number under de_DE only.
    launch.arguments = QStringList { QStringLiteral("--peak"), QStringLiteral("612,0") } + files;
    launch.locale = QStringLiteral("de_DE.UTF-8");
    QCOMPARE(start(launch).status, 0);
    launch.locale = QStringLiteral("C");
    QCOMPARE(start(launch).status, 1);
}

QTEST_GUILESS_MAIN(tst_SearchFaults)
#include "tst_searchfaults.moc"
