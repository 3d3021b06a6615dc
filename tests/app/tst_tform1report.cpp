#include "application.h"
#include "controls.h"
#include "peakfile.h"
#include "programscene.h"
#include "project1.h"
#include "rundisplay.h"
#include "separators.h"
#include "spectrumtable.h"
#include "testsupport.h"
#include "tform1.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <memory>

// The main window's match report, drops on the file list, the preset's fallback and the
// display during a run, driven through the real window.
class tst_TForm1Report : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void reportFromWindowAndCommandAgree();
    void reportUsesTheUsersSeparatorsAndGoesStale();
    void droppedFilesAndFoldersAreAdded();
    void presetFallsBackToTheInstalledCopy();
    void runStopsWithCaptionAndBarOfTheFileReached();
    void resultListIsRepaintedDuringTheRun();

private:
    QString write(const std::string &name, const std::string &text)
    {
        return QString::fromStdString(m_scene->folder.write(name, text));
    }
    void runSearch(const QStringList &files, const QStringList &targets);
    QMenu *openContextMenu();

    std::unique_ptr<ProgramScene> m_scene;
};

void tst_TForm1Report::initTestCase()
{
    // A window's update request waits a few milliseconds by default; here the first pass of the
    // event loop delivers it, so that a short run shows whether it let the window repaint.
    qputenv("QT_QPA_UPDATE_IDLE_TIME", "0");
}

void tst_TForm1Report::init()
{
    RunDisplay::SetUpdateInterval(0);
    m_scene = std::make_unique<ProgramScene>();
    QVERIFY(m_scene->shown());
}

void tst_TForm1Report::cleanup()
{
    m_scene.reset();
    RunDisplay::ResetUpdateInterval();
}

void tst_TForm1Report::runSearch(const QStringList &files, const QStringList &targets)
{
    for (const QString &file : files)
        Form1->ListBox1->Add(file);
    for (const QString &target : targets)
        Form1->ListBox2->Add(target);
    QTest::mouseClick(Form1->Button9, Qt::LeftButton);
}

QMenu *tst_TForm1Report::openContextMenu()
{
    QWidget *viewport = Form1->ListBox3->viewport();
    QContextMenuEvent event(
        QContextMenuEvent::Mouse, QPoint(5, 5), viewport->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(viewport, &event);
    return Form1->ReportMenu;
}

void tst_TForm1Report::reportFromWindowAndCommandAgree()
{
    // GIVEN a match, a near miss exactly at the tolerance, a file without peaks, a wrong layout,
    // and a file where one target has two peaks in its window and one peak serves two targets
    const QString match = write("a_match.txt", SpectrumWithPeaks({ "612", "774" }));
    const QString edge = write("b_edge.txt", SpectrumWithPeaks({ "622", "774.5" }));
    const QString none = write("c_none.txt", SpectrumWithPeaks({}));
    const QString wrong = write("d_wrong.txt", WrongLayoutText());
    const QString two = write("e_two.txt", SpectrumWithPeaks({ "605", "615", "777" }));
    const QStringList files { match, edge, none, wrong, two };
    const QStringList targets { QStringLiteral("612"), QStringLiteral("774"),
        QStringLiteral("780") };
    QMenu *menu = openContextMenu();
    QVERIFY(menu->isVisible());
    QVERIFY(!Form1->ReportCopyItem->isEnabled()); // no run yet
    menu->hide();

    // WHEN the window searches, and the report is copied and saved from the result list's menu
    runSearch(files, targets);
    openContextMenu();
    QVERIFY(Form1->ReportCopyItem->isEnabled());
    Form1->ReportCopyItem->trigger();
    const QString clipboard = QGuiApplication::clipboard()->text();
    const QString saved = QString::fromStdString(m_scene->folder.path("saved"));
    m_scene->script.answerSaveDialog(saved, 1);
    openContextMenu()->hide();
    Form1->ReportSaveItem->trigger();
    QFile file(saved + QStringLiteral(".tsv")); // the default extension was added
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString fromFile = QString::fromUtf8(file.readAll());

    // AND the command judges the same files with the same settings
    QProcess command;
    command.start(QStringLiteral(PEAKHOUND_SEARCH),
        QStringList { QStringLiteral("--report"), QStringLiteral("--jobs"), QStringLiteral("2"),
            QStringLiteral("--peak"), targets[0], QStringLiteral("--peak"), targets[1],
            QStringLiteral("--peak"), targets[2] }
            + Form1->ListBox1->Items());
    QVERIFY(command.waitForFinished(60000));
    const QString fromCommand = QString::fromUtf8(command.readAllStandardOutput());

    // THEN all three are the same table, which says why each file was chosen
    const QString expected = QStringLiteral("Datei\tAusgewählt\tFehlend\t612\t774\t780\n") + match
        + QStringLiteral("\tja\t0\t612\t774\t774\n") // one peak serves two targets
        + edge + QStringLiteral("\tja\t1\t\t774.5\t774.5\n") // 622 lies exactly 10 away
        + none + QStringLiteral("\tnein\t3\t\t\t\n") //
        + two + QStringLiteral("\tja\t0\t615\t777\t777\n") // the nearer of 605 and 615
        + wrong + QStringLiteral("\tfalsches Format\t\t\t\t\n");
    QCOMPARE(clipboard, expected);
    QCOMPARE(fromFile, expected);
    QCOMPARE(fromCommand, expected);
    QCOMPARE(m_scene->script.saveDialogs.size(), std::size_t(1));
    QVERIFY(m_scene->script.saveDialogs[0].Filter.startsWith(
        QStringLiteral("Tabulatorgetrennte Texte (*.tsv)|*.tsv|")));
    QVERIFY(m_scene->script.saveDialogs[0].Options.OverwritePrompt);

    // AND the rows marked "ja" are exactly the search's own selection, in its order
    QStringList selected;
    for (const QString &row : expected.split(QLatin1Char('\n'))) {
        if (row.section(QLatin1Char('\t'), 1, 1) == QStringLiteral("ja"))
            selected << row.section(QLatin1Char('\t'), 0, 0);
    }
    QCOMPARE(selected, Form1->ListBox3->Items());
}

void tst_TForm1Report::reportUsesTheUsersSeparatorsAndGoesStale()
{
    const QString file = write("a.txt", SpectrumWithPeaks({ "1000.25" }));
    runSearch({ file }, { QStringLiteral("1000") });
    SetNumberSeparators({ ',', '.' });
    QVERIFY(Form1->ReportText().endsWith(QStringLiteral("\tja\t0\t1000,25\n")));

    // A changed file list leaves no report to copy; the next run makes a new one.
    Form1->ListBox1->Add(file);
    openContextMenu()->hide();
    QVERIFY(!Form1->ReportCopyItem->isEnabled());
    QVERIFY(!Form1->ReportSaveItem->isEnabled());
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    Form1->ReportCopyItem->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    QTest::mouseClick(Form1->Button9, Qt::LeftButton);
    openContextMenu()->hide();
    QVERIFY(Form1->ReportCopyItem->isEnabled());
    QCOMPARE(Form1->ReportText().count(QLatin1Char('\n')), 3);
}

void tst_TForm1Report::droppedFilesAndFoldersAreAdded()
{
    const QDir root(QString::fromStdString(m_scene->folder.root()));
    root.mkpath(QStringLiteral("drop/sub"));
    const QString x = write("drop/x.txt", "x");
    const QString y = write("drop/Y.TXT", "y");
    write("drop/z.dat", "z");
    const QString w = write("drop/w.WDF", "w");
    const QString c = write("drop/c.csv", "c");
    write("drop/.hidden.txt", "h");
    write("drop/sub/inner.txt", "i");
    const QString single = write("single.dat", "s");
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(root.filePath(QStringLiteral("drop"))),
        QUrl::fromLocalFile(single), QUrl(QStringLiteral("https://example.org/a.txt")) });

    QWidget *files = Form1->ListBox1->viewport();
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(files, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(files, &drop);
    QVERIFY(drop.isAccepted());
    // the folder gives the spectrum files of every format read directly inside it, the dropped
    // file comes as it is
    QCOMPARE(Form1->ListBox1->Items(), QStringList({ c, w, x, y, single }));

    // nothing else in the window takes a drop
    QVERIFY(!Form1->ListBox3->viewport()->acceptDrops());
    QVERIFY(!Form1->ListBox2->viewport()->acceptDrops());
    QVERIFY(!Form1->Edit1->acceptDrops());
    QVERIFY(!Form1->maxfehl->Editor()->acceptDrops());
}

void tst_TForm1Report::presetFallsBackToTheInstalledCopy()
{
    // The start folder has no peaks/: the installed copy serves.
    QDir().mkpath(QString::fromStdString(m_scene->folder.path("installed/peaks")));
    write("installed/peaks/rh6g.txt", "612\r\n774\r\n");
    QTest::mouseClick(Form1->Button7, Qt::LeftButton);
    QVERIFY(m_scene->script.boxes.empty());
    QCOMPARE(
        Form1->ListBox2->Items(), QStringList({ QStringLiteral("612"), QStringLiteral("774") }));

    // Neither exists: the message names the paths tried.
    QFile::remove(QString::fromStdString(m_scene->folder.path("installed/peaks/rh6g.txt")));
    QTest::mouseClick(Form1->Button7, Qt::LeftButton);
    QCOMPARE(m_scene->script.boxes.size(), std::size_t(1));
    QCOMPARE(m_scene->script.boxes[0].Text,
        "Datei nicht gefunden (" + StartDirectory + "/peaks/rh6g.txt, "
            + m_scene->folder.path("installed") + "/peaks/rh6g.txt)");
}

void tst_TForm1Report::runStopsWithCaptionAndBarOfTheFileReached()
{
    // Updates are coalesced (here: only the first file's comes in time) ...
    RunDisplay::SetUpdateInterval(3'600'000'000'000);
    QStringList files;
    for (int i = 0; i < 8; ++i)
        files << write("f" + std::to_string(i) + ".txt", SpectrumWithPeaks({ "1000" }));
    QSignalSpy bar(Form1->Bar, &QProgressBar::valueChanged);
    QSignalSpy caption(Form1, &QWidget::windowTitleChanged);
    runSearch(files, { QStringLiteral("1000") });
    QCOMPARE(bar.count(), 2); // 100 at the end, then 0
    QCOMPARE(bar.at(0).at(0).toInt(), 100);
    QCOMPARE(caption.count(), 3);
    QCOMPARE(caption.at(1).at(0).toString(), QStringLiteral("Peakhound V2.5 - ") + files.last());
    QCOMPARE(Form1->ListBox3->Count(), 8);

    // ... but an error leaves the caption at its file and the bar after the file before it.
    Form1->ListBox1->Clear();
    Form1->ListBox2->Clear();
    const QString missing = QString::fromStdString(m_scene->folder.path("b.txt"));
    runSearch({ write("a.txt", SpectrumWithPeaks({ "1000" })), missing,
                  write("c.txt", SpectrumWithPeaks({ "1000" })), write("d.txt", "") },
        { QStringLiteral("1000") });
    QCOMPARE(m_scene->script.boxes.size(), std::size_t(1));
    QCOMPARE(Form1->windowTitle(), QStringLiteral("Peakhound V2.5 - ") + missing);
    QCOMPARE(Form1->Bar->value(), 25);
    QCOMPARE(Form1->Label5->Caption(), QStringLiteral("Working......"));
}

void tst_TForm1Report::resultListIsRepaintedDuringTheRun()
{
    Form1->ListBox3->Add(QStringLiteral("from before"));
    QCoreApplication::processEvents();
    QList<int> counts; // the result list's entry count at every paint of it
    const PaintWatch watch(
        Form1->ListBox3->viewport(), [&] { counts << Form1->ListBox3->Count(); });
    Form1->maxfehl->SetValue(0); // no file is selected
    // The click never returns to the event loop: what was painted, was painted during the run.
    runSearch(
        { write("a.txt", SpectrumWithPeaks({ "1" })), write("b.txt", SpectrumWithPeaks({ "2" })) },
        { QStringLiteral("1000") });
    QVERIFY2(counts.contains(0), qPrintable(QString::number(counts.size())));
}

QTEST_MAIN(tst_TForm1Report)
#include "tst_tform1report.moc"
