#include "faultinjection.h"
#include "spectrumfile.h"
#include "spectrumtable.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <cerrno>
#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

// peakhound-convert as a user runs it: what it writes reads back to the table the source gave,
// every failure is named and leaves no file behind, and the other files are still converted.
class tst_PeakhoundConvert : public QObject
{
    Q_OBJECT

private slots:
    void convertedFilesReadBackToTheSameTable();
    void failuresAreNamedAndTheRestIsConverted();
    void usageErrors();
    void everyFaultPointOfAConversion();
    void messagesInTheUsersLanguage();

private:
    struct Run {
        int status = -1;
        QByteArray err;
        QByteArray out;
    };
    // fileSizeLimit: "ulimit -f" of a shell, in bytes (0: none), with the signal's default action.
    static Run convert(const QStringList &arguments, const QString &fault = QString(),
        const QString &faultReport = QString(), rlim_t fileSizeLimit = 0)
    {
        QProcess process;
        if (fileSizeLimit != 0) {
            process.setChildProcessModifier([fileSizeLimit] {
                std::signal(SIGXFSZ, SIG_DFL);
                const rlimit limit { fileSizeLimit, fileSizeLimit };
                ::setrlimit(RLIMIT_FSIZE, &limit);
            });
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        if (!fault.isEmpty()) {
            environment.insert(QStringLiteral("PEAKHOUND_FAULT"), fault);
            environment.insert(QStringLiteral("PEAKHOUND_FAULT_REPORT"), faultReport);
        }
        process.setProcessEnvironment(environment);
        process.start(fault.isEmpty() ? QStringLiteral(PEAKHOUND_CONVERT)
                                      : QStringLiteral(PEAKHOUND_CONVERT_FAULTS),
            arguments);
        process.waitForFinished(60000);
        return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardError(), process.readAllStandardOutput() };
    }
    static QString q(const std::string &text) { return QString::fromStdString(text); }
};

void tst_PeakhoundConvert::convertedFilesReadBackToTheSameTable()
{
    TestFolder folder;
    QDir().mkpath(q(folder.path("out")));
    // Decimal commas, exponents, two spectra and a negative zero.
    const std::string source = folder.write("two.txt",
        SpectrumText("Raman shift [1/cm] ", "Intensity [counts]", "x\ta\tb",
            { "100,5\t1234,5\t-0", "101,25\t1e-7\t3", "102\t0,1\t-2,5E+3" }));
    const Run run = convert({ q(source), QStringLiteral("--out"), q(folder.path("out")) });
    QCOMPARE(run.status, 0);
    QVERIFY(run.err.isEmpty());

    auto original = std::make_unique<SpectrumTableData>();
    auto converted = std::make_unique<SpectrumTableData>();
    BadFileListData bad;
    const NumberSeparators german { ',', '.' };
    const NumberSeparators english { '.', ',' };
    QVERIFY(LoadSpectrumFile(*original, bad, source, german).WellFormed);
    // Written with decimal points, read back under either locale.
    for (const NumberSeparators &separators : { german, english }) {
        QVERIFY(
            LoadSpectrumFile(*converted, bad, folder.path("out/two.txt"), separators).WellFormed);
        QCOMPARE(converted->RowCount, 3);
        QCOMPARE(converted->SpectrumCount, 2);
        QCOMPARE(converted->XCaption, original->XCaption);
        QCOMPARE(converted->YCaption, original->YCaption);
        for (int r = 1; r <= 3; ++r) {
            for (int c = 1; c <= 3; ++c) {
                QCOMPARE(std::signbit(converted->Cell(r, c)), std::signbit(original->Cell(r, c)));
                QCOMPARE(converted->Cell(r, c), original->Cell(r, c));
            }
        }
    }
    QCOMPARE(bad.Count, 0);
}

void tst_PeakhoundConvert::failuresAreNamedAndTheRestIsConverted()
{
    TestFolder folder;
    const QString out = q(folder.path("out"));
    QDir().mkpath(out);
    const std::string good = folder.write("good.txt", TaggedSpectra({ 10 }));
    const std::string wrong = folder.write("wrong.txt", "no\ttabs\nhere\n");
    QDir().mkpath(q(folder.path("sub")));
    const std::string sameName = folder.write("sub/good.txt", TaggedSpectra({ 20 }));
    const Run run = convert({ q(folder.path("missing.txt")), q(wrong), q(good), q(sameName),
        QStringLiteral("--out"), out });
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains("missing.txt: Datei nicht gefunden"), run.err);
    QVERIFY2(run.err.contains("Folgende Daten hatten nicht das richtige Format und wurden "
                              "ignoriert:\n\t"
                 + QByteArray::fromStdString(wrong)),
        run.err);
    QVERIFY2(
        run.err.contains("was already written from " + QByteArray::fromStdString(good)), run.err);
    QCOMPARE(QDir(out).entryList(QDir::Files), QStringList { QStringLiteral("good.txt") });

    // A folder that cannot be written: the error in words, and no file, whole or partial.
    if (::geteuid() != 0) {
        ::chmod(out.toLocal8Bit().constData(), 0555);
        QFile::remove(out + QStringLiteral("/good.txt"));
        const Run denied = convert({ q(good), QStringLiteral("--out"), out });
        ::chmod(out.toLocal8Bit().constData(), 0755);
        QCOMPARE(denied.status, 1);
        QVERIFY2(denied.err.contains("Dateizugriff verweigert"), denied.err);
        QVERIFY(QDir(out).entryList(QDir::Files).isEmpty());
    }
    // Under a shell's file size limit below the converted file: a write error in words, the
    // other files still converted, and nothing left of the big one, not even a temporary file.
    const std::string big = folder.write("big.txt",
        SpectrumText("x", "y", "x\ty", std::vector<std::string>(4000, "1234.5\t678.25")));
    QFile::remove(out + QStringLiteral("/good.txt"));
    const Run limited = convert({ q(big), q(good), QStringLiteral("--out"), out }, {}, {}, 16384);
    QCOMPARE(limited.status, 1);
    QVERIFY2(limited.err.contains("big.txt: Schreibfehler: E/A-Fehler 27: Grenze der Dateigröße "
                                  "überschritten"),
        limited.err);
    QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden),
        QStringList { QStringLiteral("good.txt") });
    // Converting a folder's own-layout files into that folder would replace them.
    const Run itself = convert({ q(good), QStringLiteral("--out"), q(folder.root()) });
    QCOMPARE(itself.status, 1);
    QVERIFY2(itself.err.contains("would replace itself"), itself.err);
}

void tst_PeakhoundConvert::usageErrors()
{
    TestFolder folder;
    QCOMPARE(convert({ QStringLiteral("a.spc") }).status, 2);
    QCOMPARE(convert({ QStringLiteral("--out"), q(folder.root()) }).status, 2);
    QCOMPARE(
        convert({ QStringLiteral("a"), QStringLiteral("--out"), q(folder.path("none")) }).status,
        2);
    QCOMPARE(convert({ QStringLiteral("--bogus") }).status, 2);
    const Run help = convert({ QStringLiteral("--help") });
    QCOMPARE(help.status, 0);

    // The options by the rules of peakhound-search, in its words (its test holds it to them):
    // the reason, an empty line and the help text; --out=DIR; --version.
    for (const auto &[arguments, reason] :
        { std::pair { QStringList { QStringLiteral("--fast"), QStringLiteral("a") },
              "unknown option --fast" },
            std::pair { QStringList { QStringLiteral("a"), QStringLiteral("--out") },
                "--out needs a value" },
            std::pair { QStringList { QStringLiteral("--help=yes") }, "--help takes no value" } }) {
        const Run run = convert(arguments);
        QCOMPARE(run.status, 2);
        QCOMPARE(run.err, QByteArray("peakhound-convert: ") + reason + "\n\n" + help.out);
    }
    QDir().mkpath(q(folder.path("out")));
    const Run joined = convert({ q(folder.write("a.txt", TaggedSpectra({ 10 }))),
        QStringLiteral("--out=") + q(folder.path("out")) });
    QCOMPARE(joined.status, 0);
    QVERIFY(QFileInfo::exists(q(folder.path("out/a.txt"))));
    const Run version = convert({ QStringLiteral("--version") });
    QCOMPARE(version.status, 0);
    QCOMPARE(version.out,
        "peakhound-convert " + ManualPageVersion(QStringLiteral("peakhound-convert.1")) + "\n");
}

// Each file or memory call of a conversion of three files fails in turn: the run fails in words
// or, where nothing was lost, succeeds, and every file in the folder is one the clean run wrote,
// whole: no partial file, no temporary left behind.
void tst_PeakhoundConvert::everyFaultPointOfAConversion()
{
    TestFolder folder;
    const QString data =
        qEnvironmentVariable("PEAKHOUND_SOURCE_DIR") + QStringLiteral("/tests/data/");
    const QStringList files = { q(folder.write("own.txt", TaggedSpectra({ 10, 20 }))),
        data + QStringLiteral("formats/charisma_PST_Reflex532_Z050_010_10000msx2.spc"),
        data + QStringLiteral("jcamp/o01.jdx") };
    const QString clean = q(folder.path("clean"));
    QDir().mkpath(clean);
    QCOMPARE(convert(files + QStringList { QStringLiteral("--out"), clean }).status, 0);
    const QStringList written = QDir(clean).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(written.size(), 3);
    const auto contents = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    };
    for (const auto &[points, error] : { std::pair { unsigned(Fault::AnyFileCall), EIO },
             std::pair { unsigned(Fault::Write), ENOSPC },
             std::pair { unsigned(Fault::Allocation), 0 } }) {
        int k = 1;
        for (;; ++k) {
            const QString out =
                q(folder.path("out" + std::to_string(points) + "_" + std::to_string(k)));
            QDir().mkpath(out);
            const QString report = q(folder.path("report"));
            const Run run = convert(files + QStringList { QStringLiteral("--out"), out },
                QStringLiteral("%1 %2 %3").arg(points).arg(k).arg(error), report);
            const QString context = QStringLiteral("points %1, k=%2: %3")
                                        .arg(points)
                                        .arg(k)
                                        .arg(QString::fromUtf8(run.err));
            QVERIFY2(run.status == 0 || run.status == 1, qPrintable(context));
            for (const QString &name : QDir(out).entryList(QDir::Files | QDir::Hidden)) {
                QVERIFY2(written.contains(name), qPrintable(context + name));
                QVERIFY2(contents(out + QLatin1Char('/') + name)
                        == contents(clean + QLatin1Char('/') + name),
                    qPrintable(context + name));
            }
            QFile fired(report);
            QVERIFY(fired.open(QIODevice::ReadOnly));
            if (!fired.readAll().trimmed().endsWith(" 1"))
                break; // the run no longer reaches its k-th call
            if (run.status == 1) {
                QVERIFY2(run.err.contains("E/A-Fehler")
                        || run.err.contains("Zu wenig Arbeitsspeicher")
                        || run.err.contains("Dateizugriff verweigert")
                        || run.err.contains("Speicherplatz"),
                    qPrintable(context));
            }
        }
        qInfo("fault kinds %u: %d fault points", points, k - 1);
        QVERIFY(k > 1);
    }
}

void tst_PeakhoundConvert::messagesInTheUsersLanguage()
{
    TestFolder folder;
    const std::string wrong = folder.write("wrong.txt", "no\ttabs\nhere\n");
    const auto run = [&](const QString &variable, const QString &locale) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : { "LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE" })
            environment.remove(QString::fromLatin1(name));
        environment.insert(variable, locale);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(PEAKHOUND_CONVERT),
            { q(folder.path("missing.txt")), q(wrong), QStringLiteral("--out"), q(folder.root()) });
        process.waitForFinished(60000);
        return process.readAllStandardError();
    };
    // English by LANG: the core's German refusals come out translated, the names as they are.
    const QByteArray english = run(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
    QVERIFY2(english.contains("missing.txt: File not found\n"), english);
    QVERIFY2(english.contains("The following files were not in the right format and were "
                              "skipped:\n\t"
                 + QByteArray::fromStdString(wrong)),
        english);
    // German under C and under a German locale, byte for byte the texts of the code.
    for (const auto &[variable, locale] :
        { std::pair { "LC_ALL", "C" }, std::pair { "LANG", "de_DE.UTF-8" } }) {
        const QByteArray german = run(QString::fromLatin1(variable), QString::fromLatin1(locale));
        QVERIFY2(german.contains("missing.txt: Datei nicht gefunden\n"), german);
        QVERIFY2(german.contains("Folgende Daten hatten nicht das richtige Format"), german);
    }
}

QTEST_GUILESS_MAIN(tst_PeakhoundConvert)
#include "tst_peakhound_convert.moc"
