#include "controls.h"
#include "faultinjection.h"
#include "project1.h"
#include "rundisplay.h"
#include "tchart.h"
#include "tchartseries.h"
#include "tform1.h"
#include "tform2.h"
#include "tform3.h"
#include "tform4.h"
#include "viewerscene.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <cerrno>
#include <csignal>
#include <functional>
#include <memory>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// Each path a user takes through the windows (a search, a report saved, a picture saved, a
// merge), run once for every file and memory call it makes, with that call failing. After each:
// no crash, the error in words, no file left half-written, the lists as the rules say, and the
// same path works again at once.

namespace
{

void press(QPushButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

// What a user finds in the folder: every name, hidden ones too, with its contents.
QMap<QString, QByteArray> folderContents(const QString &folder)
{
    QMap<QString, QByteArray> contents;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        QFile file(dir.filePath(name));
        contents[name] = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("?");
    }
    return contents;
}

bool isPrefix(const QStringList &part, const QStringList &whole)
{
    return part.size() <= whole.size() && whole.mid(0, part.size()) == part;
}

// The kinds of fault each path meets: any file call failing with an I/O error, the disk full
// for the writers, and memory running out.
struct FaultClass {
    const char *name;
    unsigned points;
    int error;
    const char *words; // what the error box says
    const char *saveWords; // what it says when a save fails, without the full stop
};
const FaultClass kClasses[] = {
    { "file calls", Fault::AnyFileCall, EIO, "E/A-Fehler 5.",
        "E/A-Fehler 5: Ein-/Ausgabefehler des Datenträgers" },
    { "full disk", Fault::Write | Fault::Sync | Fault::Close, ENOSPC, "E/A-Fehler 28.",
        "E/A-Fehler 28: kein Platz mehr auf dem Datenträger" },
    { "memory", Fault::Allocation, 0, "Zu wenig Arbeitsspeicher.", "Zu wenig Arbeitsspeicher" },
};

} // namespace

class tst_FaultPaths : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RunDisplay::SetUpdateInterval(0); }
    void init();
    void cleanup();
    void searchInTheWindow();
    void reportSaved();
    void pictureSaved();
    void pictureSavedUnderAFileSizeLimit();
    void merge();
    void filesThatChangeUnderTheWindows();

private:
    // Runs action with the k-th call of the class failing, k = 1, 2, ... until the action no
    // longer reaches it; check(fired, boxes) after each. Returns the number of fault points.
    int sweep(const FaultClass &faults, const std::function<void()> &action,
        const std::function<void(bool fired, const QStringList &boxes)> &check);
    void search(const QString &files, const QStringList &targets);

    std::unique_ptr<ProgramScene> m_scene;
    QStringList m_files;
};

void tst_FaultPaths::init()
{
    m_scene = std::make_unique<ProgramScene>();
    QVERIFY(m_scene->shown());
    m_files = QStringList { m_scene->write("a.txt", SpectrumWithPeaks({ "1000", "1200" })),
        m_scene->write("b.txt", WrongLayoutText()),
        m_scene->write("c.txt", SpectrumWithPeaks({ "800" })),
        m_scene->write("d.txt", SpectrumWithPeaks({ "1000", "1201" })) };
    // An instrument file among them: its reader reads through the same calls.
    QFile spc(qEnvironmentVariable("PEAKHOUND_SOURCE_DIR")
        + QStringLiteral("/tests/data/formats/charisma_PST_Reflex532_Z050_010_10000msx2.spc"));
    QVERIFY(spc.open(QIODevice::ReadOnly));
    m_files << m_scene->write("e.spc", spc.readAll().toStdString());
    m_scene->listFiles(m_files);
    for (const char *target : { "1000", "1200" }) {
        Form1->Edit1->setText(QString::fromLatin1(target));
        press(Form1->Button4);
    }
}

void tst_FaultPaths::cleanup()
{
    Fault::Disarm();
    m_scene.reset();
}

int tst_FaultPaths::sweep(const FaultClass &faults, const std::function<void()> &action,
    const std::function<void(bool, const QStringList &)> &check)
{
    const Fault::DisarmOnExit disarm;
    for (long k = 1;; ++k) {
        m_scene->takeBoxes();
        Fault::Arm(faults.points, k, faults.error);
        action();
        Fault::Disarm();
        const bool fired = Fault::Fired();
        const QStringList boxes = m_scene->takeBoxes();
        check(fired, boxes);
        if (QTest::currentTestFailed()) {
            qWarning("%s: failed at fault point %ld", faults.name, k);
            return -1;
        }
        if (!fired) {
            qInfo("%s, %s: %ld fault points", QTest::currentTestFunction(), faults.name, k - 1);
            return static_cast<int>(k - 1);
        }
    }
}

void tst_FaultPaths::searchInTheWindow()
{
    // GIVEN four files (one of the wrong layout) and the clean run's results
    press(Form1->Button9);
    const QStringList clean = Form1->ListBox3->Items();
    QCOMPARE(clean, QStringList({ m_files[0], m_files[3], m_files[4] }));
    const QStringList cleanBoxes = m_scene->takeBoxes();
    for (const FaultClass &faults : kClasses) {
        const int points = sweep(
            faults, [] { press(Form1->Button9); },
            [&](bool fired, const QStringList &boxes) {
                // THEN the lists the user made are kept, the results are those found before the
                // failing file, and a failure is shown in words (a failed close of a file that
                // was read loses nothing: the run is the clean one)
                QCOMPARE(Form1->ListBox1->Items(), m_files);
                QCOMPARE(Form1->ListBox2->Count(), 2);
                QVERIFY(isPrefix(Form1->ListBox3->Items(), clean));
                if (!fired || boxes == cleanBoxes) {
                    QCOMPARE(Form1->ListBox3->Items(), clean);
                    QCOMPARE(Form1->Label5->Caption(), QStringLiteral("Ready !"));
                } else {
                    QCOMPARE(boxes, QStringList { QString::fromLatin1(faults.words) });
                }
                // AND the next run works
                press(Form1->Button9);
                QCOMPARE(Form1->ListBox3->Items(), clean);
                QCOMPARE(m_scene->takeBoxes(), cleanBoxes);
            });
        QVERIFY(points > 0);
    }
}

void tst_FaultPaths::reportSaved()
{
    // GIVEN a search done and an older report in the folder
    press(Form1->Button9);
    m_scene->takeBoxes();
    const QString target = m_scene->write("report.tsv", "the old report\n");
    const QString folder = QString::fromStdString(m_scene->folder.root());
    const auto before = folderContents(folder);
    const auto save = [&] {
        m_scene->script.answerSaveDialog(target, 1);
        Form1->ReportSaveItem->trigger();
    };
    for (const FaultClass &faults : kClasses) {
        const int points = sweep(faults, save, [&](bool fired, const QStringList &boxes) {
            QFile file(target);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray written = file.readAll();
            if (!fired) {
                QVERIFY(written.startsWith("Datei\tAusgewählt\tFehlend"));
                return;
            }
            // THEN the error is shown, the old report is whole, nothing else is left behind
            QCOMPARE(boxes.size(), 1);
            QVERIFY2(boxes[0] == QString::fromUtf8(faults.saveWords) + QLatin1Char('.')
                    || boxes[0] == QStringLiteral("Dateizugriff verweigert."),
                qPrintable(boxes[0]));
            QCOMPARE(folderContents(folder), before);
        });
        QVERIFY(points > 0);
        // (the next fault class starts from the old report again)
        m_scene->write("report.tsv", "the old report\n");
    }
}

void tst_FaultPaths::pictureSaved()
{
    // GIVEN the viewer showing a file
    m_scene->open(0);
    QVERIFY(Form2->isVisible());
    const QString folder = QString::fromStdString(m_scene->folder.root());
    const QString target = m_scene->path("picture.bmp");
    const auto save = [&] {
        m_scene->script.answerSaveDialog(target, 1);
        press(Form3->savebmp);
    };
    for (const FaultClass &faults : kClasses) {
        QFile::remove(target);
        const auto before = folderContents(folder);
        const int points = sweep(faults, save, [&](bool fired, const QStringList &boxes) {
            if (!fired) {
                QCOMPARE(boxes, QStringList { QStringLiteral("File gespeichert\r") + target });
                QCOMPARE(QImage(target).size(), Form2->Chart1->size());
                return;
            }
            // THEN the error is shown in words and no picture, whole or cut, is in the folder
            // (in words where the failure has no message of its own)
            const QString cannot =
                QStringLiteral("Datei ") + target + QStringLiteral(" kann nicht erstellt werden");
            QVERIFY2(boxes == QStringList { cannot + QLatin1Char('.') }
                    || boxes
                        == QStringList { cannot + QStringLiteral(" (")
                            + QString::fromUtf8(faults.saveWords) + QLatin1Char(')') }
                    || boxes == QStringList { QStringLiteral("Zu wenig Arbeitsspeicher.") },
                qPrintable(boxes.join(QLatin1Char('|'))));
            QCOMPARE(folderContents(folder), before);
        });
        QVERIFY(points > 0);
    }
}

void tst_FaultPaths::pictureSavedUnderAFileSizeLimit()
{
    // GIVEN the viewer showing a file, in a program started from a shell with "ulimit -f 1" (a
    // child process of the test: SIGXFSZ at its default, which ends a program without a word)
    m_scene->open(0);
    const QString target = m_scene->path("picture.bmp");
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(60); // a child that hangs fails the test rather than stopping it
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit limit { 1024, 1024 };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        PrepareProcess();
        // WHEN the user saves the chart as a picture larger than the limit
        m_scene->script.answerSaveDialog(target, 1);
        press(Form3->savebmp);
        // THEN the window names the failure and keeps the session; nothing is left behind
        const QStringList boxes = m_scene->takeBoxes();
        const bool named = boxes
            == QStringList { QStringLiteral("Datei ") + target
                   + QStringLiteral(" kann nicht erstellt werden (E/A-Fehler 27: Grenze der "
                                    "Dateigröße überschritten)") };
        const bool nothingLeft =
            folderContents(QString::fromStdString(m_scene->folder.root())).count() == 5;
        ::_exit(!named ? 2 : !nothingLeft ? 3 : Form1->ListBox1->Count() == 5 ? 0 : 4);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY2(WIFEXITED(status), "the program was ended by a signal");
    QCOMPARE(WEXITSTATUS(status), 0);
}

void tst_FaultPaths::merge()
{
    // GIVEN the editor with three well-formed files chosen
    m_scene->open(0);
    press(Form3->chgdata);
    QVERIFY(Form4->isVisible());
    const auto choose = [] {
        press(Form4->Button3); // Clear
        Form4->ListBox1->clearSelection();
        for (const int entry : { 0, 2, 3 })
            Form4->ListBox1->item(entry)->setSelected(true);
        press(Form4->BitBtn1);
    };
    choose();
    for (const FaultClass &faults : kClasses) {
        if (faults.points == (Fault::Write | Fault::Sync | Fault::Close))
            continue; // the merge writes nothing
        const int points = sweep(
            faults, [] { Form4->close(); },
            [&](bool fired, const QStringList &boxes) {
                if (fired && !Form4->isVisible())
                    QVERIFY(boxes.isEmpty()); // a failed close of a read file loses nothing
                if (Form4->isVisible()) {
                    // THEN the error is shown and the editor stays open with its choice
                    QCOMPARE(boxes, QStringList { QString::fromLatin1(faults.words) });
                    QCOMPARE(Form4->ListBox2->Count(), 3);
                    QVERIFY(Form4->close()); // AND the merge works at once
                }
                QVERIFY(Form2->Chart1->SeriesAt(2)->PointCount() > 0);
                // again from the editor for the next fault point
                press(Form3->chgdata);
                choose();
            });
        QVERIFY(points > 0);
    }
}

void tst_FaultPaths::filesThatChangeUnderTheWindows()
{
    // GIVEN the viewer showing the first file
    m_scene->open(0);
    QVERIFY(Form2->Chart1->SeriesAt(0)->PointCount() > 0);
    m_scene->takeBoxes();
    // WHEN the file vanishes and is opened again THEN it is a file that cannot be read, and the
    // viewer keeps what it showed
    QVERIFY(QFile::remove(m_files[0]));
    m_scene->open(0);
    QCOMPARE(m_scene->takeBoxes(), QStringList { QStringLiteral("Datei nicht gefunden.") });
    QVERIFY(Form2->Chart1->SeriesAt(0)->PointCount() > 0);
    // WHEN one file vanished, one became a folder and one shrank since they were added
    QVERIFY(QDir().mkdir(m_files[0]));
    QVERIFY(QFile::resize(m_files[3], 30));
    press(Form1->Button9);
    // THEN the run stops at the first, in words, with nothing judged
    QCOMPARE(m_scene->takeBoxes(), QStringList { QStringLiteral("Dateizugriff verweigert.") });
    QVERIFY(Form1->ListBox3->Items().isEmpty());
    // AND once it is a file again, the shrunk file is judged as what it now is: no peaks
    QVERIFY(QDir().rmdir(m_files[0]));
    m_scene->write("a.txt", SpectrumWithPeaks({ "1000", "1200" }));
    press(Form1->Button9);
    QCOMPARE(Form1->ListBox3->Items(), QStringList({ m_files[0], m_files[4] }));
}

QTEST_MAIN(tst_FaultPaths)
#include "tst_faultpaths.moc"
