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
#include "tform2.h"
#include "tform3.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFrame>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

// The main window, driven through its controls: defaults, the file lists, the sought peaks and
// the search run.
class tst_TForm1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void defaultsRightAfterStart();
    void controlsAreShownWholeAndApart();
    void fontsAndHints();

    void addDialogAddsSortedAndRemembersTheFolder();
    void cancelledAddStillRemembersTheFolder();
    void removeDeletesOnlyTheSelectedCopy();
    void clearEmptiesTheFileList();
    void doubleClickBesideTheEntriesReportsTheIndexError();
    void copyingResultsUpReplacesTheFileList();
    void checkBoxSwitchesTheExplanation();

    void addedPeaksStandInTextOrder();
    void enterInTheEditFieldAddsLikeTheButton();
    void removeAndClearPeaks();
    void peakFileLinesBecomeEntries();
    void missingPresetShowsTheFileError();
    void presetLoadsFromTheStartDirectory();
    void loadDialogStartsInThePeakFolder();

    void toleranceWindowIsOpenOnBothSides();
    void missingPeakLimitInBothModes();
    void emptyTargetListCountsTenMissing();
    void wrongLayoutBetweenTwoMatchesIsReportedAtTheEnd();
    void runtimeErrorStopsTheRunWhereItIs();
    void specialFilesFailAtOnceLikeAFolder();
    void fieldOfMegabytesGivesAShortMessageAtOnce();
    void captionShowsTheFileNameAsItIs();
    void eachSpectrumFindsTheSeriesAndShowsTheScan();
    void targetThatIsNoNumberStopsAtTheFirstFileWithPeaks();
    void progressFollowsTheFileCount_data();
    void progressFollowsTheFileCount();
    void statusIsPaintedDuringTheRun();
    void emptyFileListOnlyResets();

private:
    QString write(const std::string &name, const std::string &text);
    void setFiles(const QStringList &files);
    void setTargets(const QStringList &targets);
    QStringList runSearch();

    std::unique_ptr<ProgramScene> m_scene;
};

void tst_TForm1::initTestCase()
{
    RunDisplay::SetUpdateInterval(0); // every caption and bar change is shown
}

void tst_TForm1::init()
{
    m_scene = std::make_unique<ProgramScene>();
    QVERIFY(m_scene->shown());
}

void tst_TForm1::cleanup()
{
    m_scene.reset();
}

QString tst_TForm1::write(const std::string &name, const std::string &text)
{
    return QString::fromStdString(m_scene->folder.write(name, text));
}

void tst_TForm1::setFiles(const QStringList &files)
{
    m_scene->script.answerDialog(files);
    QTest::mouseClick(Form1->Button1, Qt::LeftButton);
}

void tst_TForm1::setTargets(const QStringList &targets)
{
    for (const QString &target : targets) {
        Form1->Edit1->setText(target);
        QTest::mouseClick(Form1->Button4, Qt::LeftButton);
    }
}

QStringList tst_TForm1::runSearch()
{
    QTest::mouseClick(Form1->Button9, Qt::LeftButton);
    return Form1->ListBox3->Items();
}

// ---- the layout

void tst_TForm1::defaultsRightAfterStart()
{
    QCOMPARE(Form1->windowTitle(), QStringLiteral("Peakhound V2.5"));
    QCOMPARE(Form1->size(), QSize(891, 610));
    QCOMPARE(Form1->minimumSize(), Form1->maximumSize());
    QVERIFY(!(Form1->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(Form1->ListBox1->Count(), 0);
    QCOMPARE(Form1->ListBox2->Count(), 0);
    QCOMPARE(Form1->ListBox3->Count(), 0);
    QVERIFY(Form1->ListBox1->Sorted());
    QVERIFY(Form1->ListBox2->Sorted());
    QVERIFY(!Form1->ListBox3->Sorted());
    QCOMPARE(Form1->Edit1->text(), QStringLiteral("0"));
    QCOMPARE(Form1->Abweichung->Value(), 10);
    QCOMPARE(Form1->maxfehl->Value(), 1);
    QVERIFY(!Form1->CheckBox1->isChecked());
    QCOMPARE(Form1->Label8->Caption(), QStringLiteral("Normale Auswahl"));
    QCOMPARE(Form1->Label9->Caption(), QStringLiteral("Es werden die Spektren ausgewählt,"));
    QCOMPARE(Form1->Label10->Caption(), QStringLiteral("die die angegebenen Peaks enthalten"));
    QCOMPARE(Form1->Label6->Caption(), QStringLiteral("Maximal fehlende Peaks"));
    QCOMPARE(Form1->Label5->Caption(), QStringLiteral("Status"));
    QCOMPARE(Form1->Bar->minimum(), 0);
    QCOMPARE(Form1->Bar->maximum(), 100);
    QCOMPARE(Form1->Bar->value(), 0);
    QVERIFY(Form1->LastAddDirectory.isEmpty());
    QCOMPARE(Form1->Button9->cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(!Form1->BitBtn1->icon().isNull());
    QCOMPARE(Form1->BitBtn1->iconSize(), QSize(25, 29));
    QCOMPARE(Form3->Abstand->text(), QStringLiteral("30"));
    QVERIFY(Form3->showtitle->isChecked());
    QVERIFY(!Form3->showcrosshair->isChecked());
}

// What a user sees of the layout: every control shown whole inside the window, none lying over
// another (the bevel is the frame drawn around the status line, the only control meant to hold
// others).
void tst_TForm1::controlsAreShownWholeAndApart()
{
    QList<QWidget *> controls;
    for (QWidget *child : Form1->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow() && child != Form1->Bevel1)
            controls << child;
    }
    QVERIFY(controls.size() >= 20);
    const QRect window = Form1->rect();
    // The stop button shows while a search runs: here it is shown to be checked with the rest.
    Form1->StopButton->show();
    for (QWidget *control : std::as_const(controls)) {
        const QString name = control->objectName();
        QVERIFY2(control->isVisible(), qPrintable(name));
        QVERIFY2(window.contains(control->geometry()), qPrintable(name));
        QVERIFY2(Form1->Bevel1->geometry().contains(control->geometry())
                == (control == Form1->Bar || control == Form1->Label5),
            qPrintable(name));
        for (QWidget *other : std::as_const(controls)) {
            if (other != control)
                QVERIFY2(!control->geometry().intersects(other->geometry()),
                    qPrintable(name + QStringLiteral(" overlaps ") + other->objectName()));
        }
    }
    Form1->StopButton->hide();
}

void tst_TForm1::fontsAndHints()
{
    QCOMPARE(Form1->font().pixelSize(), 11);
    QCOMPARE(Form1->Label1->font().pixelSize(), 24);
    QCOMPARE(Form1->Label2->font().pixelSize(), 24);
    QCOMPARE(Form1->Label7->font().pixelSize(), 24);
    QCOMPARE(Form1->Edit1->font().pixelSize(), 13);
    QCOMPARE(Form1->Label8->font().pixelSize(), 13);
    QCOMPARE(Form1->Label5->font().pixelSize(), 13);
    QCOMPARE(Form1->Label3->font().pixelSize(), 11);
    QCOMPARE(Form1->Button9->font().pixelSize(), 64);
    QVERIFY(Form1->Button9->font().bold());
    QCOMPARE(Form1->Button9->font().family(), QStringLiteral("Arial"));
    QCOMPARE(Form1->Button9->palette().color(QPalette::ButtonText), QColor(Qt::black));

    QCOMPARE(Form1->toolTip(), QStringLiteral("Das Hauptfenster."));
    QCOMPARE(
        Form1->BitBtn1->toolTip(), QStringLiteral("Ergebnisliste komplett nach  oben kopieren."));
    QCOMPARE(Form1->ListBox1->toolTip(), QStringLiteral("Liste der zu durchsuchenen Files."));
    QCOMPARE(Form1->Abweichung->toolTip(),
        QStringLiteral(
            "Maximale erlaubte Abweichung der Einzelnen Peaks vom angegeben Wert in 1/cm"));
    QCOMPARE(Form1->Bar->toolTip(), QStringLiteral("Fortschrittsanzeige."));
    QVERIFY(Form1->Edit1->toolTip().isEmpty());
}

// ---- the file list

void tst_TForm1::addDialogAddsSortedAndRemembersTheFolder()
{
    // GIVEN files in a sub-folder, chosen in reverse order
    QDir(QString::fromStdString(m_scene->folder.root())).mkdir(QStringLiteral("data"));
    const QString c = write("data/c.txt", "x");
    const QString b = write("data/B.txt", "x");
    const QString a = write("data/a.txt", "x");
    m_scene->script.answerDialog({ c, b, a });
    m_scene->script.answerDialog({ a });

    // WHEN Add is pressed twice
    QTest::mouseClick(Form1->Button1, Qt::LeftButton);
    QTest::mouseClick(Form1->Button1, Qt::LeftButton);

    // THEN the list is sorted without regard to case, keeps the duplicate, and the second dialog
    // started in the folder of the first
    QCOMPARE(Form1->ListBox1->Items(), QStringList({ a, a, b, c }));
    const QString dataDir = QFileInfo(a).absolutePath();
    QCOMPARE(Form1->LastAddDirectory, dataDir);
    QCOMPARE(QDir::currentPath(), dataDir);
    QCOMPARE(m_scene->script.dialogs.size(), std::size_t(2));
    QVERIFY(m_scene->script.dialogs[0].InitialDir.isEmpty());
    QCOMPARE(m_scene->script.dialogs[1].InitialDir, dataDir);
    for (const auto &dialog : m_scene->script.dialogs) {
        QVERIFY(dialog.Options.AllowMultiSelect);
        QVERIFY(dialog.Options.FileMustExist);
        QVERIFY(!dialog.Options.NoChangeDir);
        QVERIFY(!dialog.Options.HideReadOnly);
        QCOMPARE(dialog.Filter,
            QStringLiteral("Textdateien (*.txt)|*.txt|Alle Dateien (*.*)|*.*|Spektrendateien "
                           "(*.txt *.csv *.spc *.wdf *.jdx *.dx *.jcamp *.spe)|"
                           "*.txt;*.csv;*.spc;*.wdf;*.jdx;*.dx;*.jcamp;*.spe"));
        QCOMPARE(dialog.FilterIndex, 1);
    }
}

void tst_TForm1::cancelledAddStillRemembersTheFolder()
{
    m_scene->script.answerDialog({});
    QTest::mouseClick(Form1->Button1, Qt::LeftButton);
    QCOMPARE(Form1->ListBox1->Count(), 0);
    QCOMPARE(Form1->LastAddDirectory, QDir::currentPath());
    QVERIFY(!Form1->LastAddDirectory.isEmpty());
}

void tst_TForm1::removeDeletesOnlyTheSelectedCopy()
{
    const QString a = write("a.txt", "x");
    const QString b = write("b.txt", "x");
    setFiles({ b, a, a });

    QTest::mouseClick(Form1->Button2, Qt::LeftButton); // nothing selected: nothing happens
    QCOMPARE(Form1->ListBox1->Count(), 3);

    Form1->ListBox1->SetItemIndex(1);
    QTest::mouseClick(Form1->Button2, Qt::LeftButton);
    QCOMPARE(Form1->ListBox1->Items(), QStringList({ a, b }));
    QCOMPARE(Form1->ListBox1->ItemIndex(), -1);
    QTest::mouseClick(Form1->Button2, Qt::LeftButton);
    QCOMPARE(Form1->ListBox1->Count(), 2);
}

void tst_TForm1::clearEmptiesTheFileList()
{
    setFiles({ write("a.txt", "x"), write("b.txt", "x") });
    QTest::mouseClick(Form1->Button3, Qt::LeftButton);
    QCOMPARE(Form1->ListBox1->Count(), 0);
}

void tst_TForm1::doubleClickBesideTheEntriesReportsTheIndexError()
{
    QTest::mouseDClick(Form1->ListBox1->viewport(), Qt::LeftButton);
    QTest::mouseDClick(Form1->ListBox3->viewport(), Qt::LeftButton);
    QCOMPARE(m_scene->script.boxes.size(), std::size_t(2));
    for (const auto &box : m_scene->script.boxes) {
        QCOMPARE(box.Kind, MessageBoxKind::Error);
        QCOMPARE(QString::fromStdString(box.Text),
            QStringLiteral("Der Index der Liste überschreitet das Maximum (-1)"));
    }
}

void tst_TForm1::copyingResultsUpReplacesTheFileList()
{
    const QString z = write("z.txt", SpectrumWithPeaks({ "1000" }));
    const QString m = write("m.txt", SpectrumWithPeaks({ "1000" }));
    const QString other = write("other.txt", SpectrumWithPeaks({ "500" }));
    setFiles({ z, m, other });
    setTargets({ QStringLiteral("1000") });
    runSearch();
    // The result list keeps the order of testing; fake an unsorted order to see the sorting.
    Form1->ListBox3->Clear();
    Form1->ListBox3->Add(z);
    Form1->ListBox3->Add(m);

    QTest::mouseClick(Form1->BitBtn1, Qt::LeftButton);
    QCOMPARE(Form1->ListBox1->Items(), QStringList({ m, z }));
    QCOMPARE(Form1->ListBox3->Items(), QStringList({ z, m }));

    Form1->ListBox3->Clear();
    QTest::mouseClick(Form1->BitBtn1, Qt::LeftButton);
    QCOMPARE(Form1->ListBox1->Count(), 0);
}

void tst_TForm1::checkBoxSwitchesTheExplanation()
{
    QTest::mouseClick(Form1->CheckBox1, Qt::LeftButton);
    QVERIFY(Form1->CheckBox1->isChecked());
    QCOMPARE(Form1->Label8->Caption(), QStringLiteral("Inverse Auswahl"));
    QCOMPARE(
        Form1->Label10->Caption(), QStringLiteral("die nicht die angegebenen Peaks enthalten"));
    QCOMPARE(Form1->Label6->Caption(), QStringLiteral("Maximal vorhandene Peaks"));
    QCOMPARE(Form1->Label9->Caption(), QStringLiteral("Es werden die Spektren ausgewählt,"));

    Form1->CheckBox1->setChecked(false); // set by the program: the labels follow too
    QCOMPARE(Form1->Label8->Caption(), QStringLiteral("Normale Auswahl"));
    QCOMPARE(Form1->Label10->Caption(), QStringLiteral("die die angegebenen Peaks enthalten"));
    QCOMPARE(Form1->Label6->Caption(), QStringLiteral("Maximal fehlende Peaks"));
    QCOMPARE(Form1->Label6->size(), Form1->Label6->sizeHint());
}

// ---- the sought peaks

void tst_TForm1::addedPeaksStandInTextOrder()
{
    setTargets({ QStringLiteral("1000"), QStringLiteral("650"), QStringLiteral("1500") });
    QCOMPARE(Form1->ListBox2->Items(),
        QStringList({ QStringLiteral("1000"), QStringLiteral("1500"), QStringLiteral("650") }));
    QCOMPARE(Form1->Edit1->text(), QStringLiteral("1500"));

    setTargets({ QString() }); // an empty field adds an empty entry, which stands first
    QCOMPARE(Form1->ListBox2->Item(0), QString());
    QCOMPARE(Form1->ListBox2->Count(), 4);
}

void tst_TForm1::enterInTheEditFieldAddsLikeTheButton()
{
    Form1->Edit1->setFocus();
    Form1->Edit1->clear();
    QTest::keyClicks(Form1->Edit1, QStringLiteral("1361,5"));
    QCOMPARE(Form1->ListBox2->Count(), 0); // other keys only type
    QTest::keyClick(Form1->Edit1, Qt::Key_Return);
    QTest::keyClick(Form1->Edit1, Qt::Key_Enter);
    QCOMPARE(Form1->ListBox2->Items(),
        QStringList({ QStringLiteral("1361,5"), QStringLiteral("1361,5") }));
    QCOMPARE(Form1->Edit1->text(), QStringLiteral("1361,5"));
}

void tst_TForm1::removeAndClearPeaks()
{
    setTargets({ QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3") });
    QTest::mouseClick(Form1->Button5, Qt::LeftButton);
    QCOMPARE(Form1->ListBox2->Count(), 3);
    Form1->ListBox2->SetItemIndex(0);
    QTest::mouseClick(Form1->Button5, Qt::LeftButton);
    QCOMPARE(Form1->ListBox2->Items(), QStringList({ QStringLiteral("2"), QStringLiteral("3") }));
    QTest::mouseClick(Form1->Button6, Qt::LeftButton);
    QCOMPARE(Form1->ListBox2->Count(), 0);
}

void tst_TForm1::peakFileLinesBecomeEntries()
{
    // the last line has no line end; an empty line and blanks are kept; CR, CR LF and LF end lines
    const QString file = write("mine.txt", "1650\r\n\r\n 612 \r1361,5\r\n1183");
    m_scene->script.answerDialog({ file });
    m_scene->script.answerDialog({ file });
    QTest::mouseClick(Form1->Button8, Qt::LeftButton);
    const QStringList once { QString(), QStringLiteral(" 612 "), QStringLiteral("1183"),
        QStringLiteral("1361,5"), QStringLiteral("1650") };
    QCOMPARE(Form1->ListBox2->Items(), once);

    QTest::mouseClick(Form1->Button8, Qt::LeftButton); // loading again adds the lines again
    QCOMPARE(Form1->ListBox2->Count(), 10);
    QVERIFY(m_scene->script.boxes.empty());
}

void tst_TForm1::missingPresetShowsTheFileError()
{
    QTest::mouseClick(Form1->Button7, Qt::LeftButton);
    QCOMPARE(m_scene->script.boxes.size(), std::size_t(1));
    QCOMPARE(m_scene->script.boxes[0].Kind, MessageBoxKind::Error);
    QCOMPARE(m_scene->script.boxes[0].Title, std::string("Peakhound 2"));
    QCOMPARE(m_scene->script.boxes[0].Text,
        "Datei nicht gefunden (" + StartDirectory + "/peaks/rh6g.txt, " + m_scene->folder.root()
            + "/installed/peaks/rh6g.txt)");
    QCOMPARE(Form1->ListBox2->Count(), 0);
    // the program goes on
    setTargets({ QStringLiteral("5") });
    QCOMPARE(Form1->ListBox2->Count(), 1);
}

void tst_TForm1::presetLoadsFromTheStartDirectory()
{
    QDir(QString::fromStdString(m_scene->folder.root())).mkdir(QStringLiteral("peaks"));
    write("peaks/rh6g.txt", "612\r\n774\r\n1650\r\n");
    // Browsing elsewhere does not move the start directory.
    QDir::setCurrent(QDir::tempPath());
    QTest::mouseClick(Form1->Button7, Qt::LeftButton);
    QVERIFY(m_scene->script.boxes.empty());
    QCOMPARE(Form1->ListBox2->Items(),
        QStringList({ QStringLiteral("1650"), QStringLiteral("612"), QStringLiteral("774") }));
}

void tst_TForm1::loadDialogStartsInThePeakFolder()
{
    const QString before = QDir::currentPath();
    m_scene->script.answerDialog({});
    QTest::mouseClick(Form1->Button8, Qt::LeftButton);
    QCOMPARE(Form1->ListBox2->Count(), 0);
    QCOMPARE(m_scene->script.dialogs.size(), std::size_t(1));
    const auto &dialog = m_scene->script.dialogs[0];
    QCOMPARE(dialog.InitialDir, QString::fromStdString(StartDirectory) + QStringLiteral("/peaks/"));
    QCOMPARE(dialog.Filter, QStringLiteral("Textdateien (*.txt)|*.txt|Alle Dateien (*.*)|*.*"));
    QCOMPARE(dialog.FilterIndex, 1);
    QVERIFY(dialog.Options.NoChangeDir);
    QVERIFY(dialog.Options.FileMustExist);
    QVERIFY(!dialog.Options.AllowMultiSelect);

    // A chosen file leaves the current directory as it was.
    QDir(QString::fromStdString(m_scene->folder.root())).mkdir(QStringLiteral("elsewhere"));
    m_scene->script.answerDialog({ write("elsewhere/p.txt", "1") });
    QTest::mouseClick(Form1->Button8, Qt::LeftButton);
    QCOMPARE(Form1->ListBox2->Items(), QStringList({ QStringLiteral("1") }));
    QCOMPARE(QDir::currentPath(), before);
}

// ---- the search run

void tst_TForm1::toleranceWindowIsOpenOnBothSides()
{
    const QString inside = write("a_inside.txt", SpectrumWithPeaks({ "1009.9" }));
    const QString upper = write("b_upper.txt", SpectrumWithPeaks({ "1010" }));
    const QString lower = write("c_lower.txt", SpectrumWithPeaks({ "990" }));
    const QString near = write("d_near.txt", SpectrumWithPeaks({ "990.1" }));
    setFiles({ inside, upper, lower, near });
    setTargets({ QStringLiteral("1000") });
    Form1->maxfehl->SetValue(0);

    QCOMPARE(runSearch(), QStringList({ inside, near }));
    Form1->CheckBox1->setChecked(true);
    QCOMPARE(runSearch(), QStringList({ upper, lower }));

    Form1->CheckBox1->setChecked(false);
    Form1->Abweichung->SetText(QStringLiteral("zehn")); // not an integer: a tolerance of 0
    QCOMPARE(runSearch(), QStringList());
    Form1->Abweichung->SetValue(-5);
    QCOMPARE(runSearch(), QStringList());
}

void tst_TForm1::missingPeakLimitInBothModes()
{
    const QString oneAbsent = write("one.txt", SpectrumWithPeaks({ "612", "774" }));
    const QString twoAbsent = write("two.txt", SpectrumWithPeaks({ "612" }));
    const QString twoSpectra = write("three.txt",
        "P\r\nx-data = x y-data = y\r\nS\tA\tB\r\n100\t0\t0\r\n101\t500\t0\r\n612\t1000\t0\r\n"
        "102\t500\t0\r\n103\t0\t500\r\n774\t0\t1000\r\n104\t0\t500\r\n105\t0\t0\r\n\r\n");
    setFiles({ oneAbsent, twoAbsent, twoSpectra });
    setTargets({ QStringLiteral("612"), QStringLiteral("774"), QStringLiteral("1650") });

    // the two-spectra file is judged by its second spectrum only: 774 present, two absent
    QCOMPARE(runSearch(), QStringList({ oneAbsent }));
    Form1->CheckBox1->setChecked(true);
    QCOMPARE(runSearch(), QStringList({ twoSpectra, twoAbsent }));
    Form1->maxfehl->SetValue(2);
    QCOMPARE(runSearch(), QStringList());
}

void tst_TForm1::emptyTargetListCountsTenMissing()
{
    const QString a = write("a.txt", SpectrumWithPeaks({ "612" }));
    const QString b = write("b.txt", SpectrumWithPeaks({}));
    setFiles({ a, b });
    QCOMPARE(runSearch(), QStringList());
    Form1->CheckBox1->setChecked(true);
    QCOMPARE(runSearch(), QStringList({ a, b }));
    Form1->CheckBox1->setChecked(false);
    Form1->maxfehl->SetValue(10);
    QCOMPARE(runSearch(), QStringList({ a, b }));
}

void tst_TForm1::wrongLayoutBetweenTwoMatchesIsReportedAtTheEnd()
{
    const QString first = write("a.txt", SpectrumWithPeaks({ "1000" }));
    const QString bad = write("b.txt", WrongLayoutText());
    const QString last = write("c.txt", SpectrumWithPeaks({ "1000" }));
    const QString bad2 = write("d.txt", "");
    setFiles({ first, bad, last, bad2 });
    setTargets({ QStringLiteral("1000") });

    for (const bool inverse : { false, true }) {
        m_scene->script.boxes.clear();
        Form1->CheckBox1->setChecked(inverse);
        const QStringList expected = inverse ? QStringList() : QStringList({ first, last });
        QCOMPARE(runSearch(), expected);
        QCOMPARE(m_scene->script.boxes.size(), std::size_t(1));
        const WindowScript::Box &box = m_scene->script.boxes[0];
        QCOMPARE(box.Kind, MessageBoxKind::Information);
        QCOMPARE(box.Title, std::string("Peakhound 2"));
        QCOMPARE(box.Text,
            "Folgende Daten hatten nicht das richtige Format und wurden ignoriert: \r\t"
                + bad.toStdString() + "\r\t" + bad2.toStdString() + "\r");
        QCOMPARE(box.StatusWhileOpen, QStringLiteral("Fehler !!!!"));
        QCOMPARE(Form1->Label5->Caption(), QStringLiteral("Ready !"));
        QCOMPARE(Form1->windowTitle(), QStringLiteral("Peakhound V2.5"));
        QCOMPARE(Form1->Bar->value(), 0);
    }
}

void tst_TForm1::runtimeErrorStopsTheRunWhereItIs()
{
    const QString a = write("a.txt", SpectrumWithPeaks({ "1000" }));
    const QString missing = QString::fromStdString(m_scene->folder.path("b.txt"));
    const QString c = write("c.txt", SpectrumWithPeaks({ "1000" }));
    const QString d = write("d.txt", WrongLayoutText());
    setFiles({ a, missing, c, d });
    setTargets({ QStringLiteral("1000") });

    QCOMPARE(runSearch(), QStringList({ a }));
    QCOMPARE(
        m_scene->script.boxes.size(), std::size_t(1)); // the error only, no report of bad files
    QCOMPARE(m_scene->script.boxes[0].Kind, MessageBoxKind::Error);
    QCOMPARE(m_scene->script.boxes[0].Text, std::string("Datei nicht gefunden."));
    QCOMPARE(Form1->windowTitle(), QStringLiteral("Peakhound V2.5 - ") + missing);
    QCOMPARE(Form1->Label5->Caption(), QStringLiteral("Working......"));
    QCOMPARE(Form1->Bar->value(), 25);

    // the next run resets all of it
    write("b.txt", SpectrumWithPeaks({ "999" }));
    QCOMPARE(runSearch(), QStringList({ a, missing, c }));
    QCOMPARE(Form1->windowTitle(), QStringLiteral("Peakhound V2.5"));
    QCOMPARE(Form1->Label5->Caption(), QStringLiteral("Ready !"));
}

void tst_TForm1::specialFilesFailAtOnceLikeAFolder()
{
    // GIVEN a FIFO that nobody writes to and a link to an endless device among the files
    const QString a = write("a.txt", SpectrumWithPeaks({ "1000" }));
    const std::string fifo = m_scene->folder.path("fifo.txt");
    QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = m_scene->folder.path("zero.txt");
    QCOMPARE(::symlink("/dev/zero", zero.c_str()), 0);
    setFiles({ a, QString::fromStdString(fifo), QString::fromStdString(zero) });
    setTargets({ QStringLiteral("1000") });

    // THEN the search stops at the FIFO at once with the access error and keeps what it found
    QCOMPARE(runSearch(), QStringList({ a }));
    QCOMPARE(m_scene->script.boxes.size(), std::size_t(1));
    QCOMPARE(m_scene->script.boxes[0].Text, std::string("Dateizugriff verweigert."));

    // and either, loaded as a peak file, adds nothing
    for (const auto &name : { fifo, zero }) {
        m_scene->script.answerDialog({ QString::fromStdString(name) });
        QTest::mouseClick(Form1->Button8, Qt::LeftButton);
    }
    QCOMPARE(m_scene->script.boxes.size(), std::size_t(3));
    QCOMPARE(m_scene->script.boxes[2].Text, std::string("Dateizugriff verweigert."));
    QCOMPARE(Form1->ListBox2->Count(), 1);
}

void tst_TForm1::fieldOfMegabytesGivesAShortMessageAtOnce()
{
    // GIVEN a spectrum file whose second data line holds one field of 64 MiB less a little,
    // as long as a line may be
    std::string text = SpectrumText("x", "y", "x\ty", { "1000\t5" });
    text += std::string((64 << 20) - 64, '7') + "x\t1\r\n";
    const QString big = write("big.txt", text);
    setFiles({ big });
    setTargets({ QStringLiteral("1000") });

    // WHEN it is searched THEN the message box is up within a second and quotes the field's
    // first 40 bytes
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(runSearch(), QStringList());
#if defined(__SANITIZE_ADDRESS__)
    constexpr qint64 kWithin = 8000; // the sanitizers check every byte the reading touches
#else
    constexpr qint64 kWithin = 1000;
#endif
    QVERIFY2(clock.elapsed() < kWithin, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(m_scene->script.boxes.size(), std::size_t(1));
    QCOMPARE(m_scene->script.boxes[0].Text,
        "'" + std::string(40, '7') + "...' ist kein gültiger Gleitkommawert.");
}

void tst_TForm1::captionShowsTheFileNameAsItIs()
{
    // "[*]" in a window title is Qt's unsaved-changes mark; in a file name it is just text.
    const QString missing = QString::fromStdString(m_scene->folder.path("a[*]b[*][*].txt"));
    setFiles({ missing });
    runSearch();
    QCOMPARE(m_scene->script.boxes.size(), std::size_t(1));
    QCOMPARE(Form1->windowHandle()->title(), QStringLiteral("Peakhound V2.5 - ") + missing);
    m_scene->script.boxes.clear();
    Form1->Button3->click();
    runSearch();
    QCOMPARE(Form1->windowHandle()->title(), QStringLiteral("Peakhound V2.5"));
}

void tst_TForm1::targetThatIsNoNumberStopsAtTheFirstFileWithPeaks()
{
    const QString noPeaks = write("a.txt", SpectrumWithPeaks({}));
    const QString peaks = write("b.txt", SpectrumWithPeaks({ "1000" }));
    setFiles({ noPeaks, peaks });
    setTargets({ QStringLiteral("1000.5") });
    Form1->CheckBox1->setChecked(true);
    Form1->maxfehl->SetValue(0);
    SetNumberSeparators({ ',', '.' }); // a decimal comma: "1000.5" is no number
    runSearch();
    SetNumberSeparators({ '.', ',' });
    QCOMPARE(Form1->ListBox3->Items(), QStringList({ noPeaks }));
    QCOMPARE(m_scene->script.boxes.size(), std::size_t(1));
    QCOMPARE(
        m_scene->script.boxes[0].Text, std::string("'1000.5' ist kein gültiger Gleitkommawert."));
    QCOMPARE(Form1->windowTitle(), QStringLiteral("Peakhound V2.5 - ") + peaks);
}

void tst_TForm1::progressFollowsTheFileCount_data()
{
    QTest::addColumn<int>("files");
    QTest::addColumn<QList<int>>("positions");
    QTest::newRow("3 files") << 3 << QList<int>({ 33, 67, 100, 0 });
    QTest::newRow("8 files") << 8 << QList<int>({ 12, 25, 38, 50, 62, 75, 88, 100, 0 });
}

void tst_TForm1::progressFollowsTheFileCount()
{
    QFETCH(int, files);
    QFETCH(QList<int>, positions);
    QStringList names;
    for (int i = 0; i < files; ++i)
        names << write("f" + std::to_string(i) + ".txt", SpectrumWithPeaks({ "1000" }));
    setFiles(names);
    setTargets({ QStringLiteral("1000") });

    QSignalSpy bar(Form1->Bar, &QProgressBar::valueChanged);
    QSignalSpy caption(Form1, &QWidget::windowTitleChanged);
    runSearch();
    QList<int> seen;
    for (const auto &arguments : std::as_const(bar))
        seen << arguments.at(0).toInt();
    QCOMPARE(seen, positions);
    QCOMPARE(caption.count(), files + 1);
    QCOMPARE(caption.at(0).at(0).toString(), QStringLiteral("Peakhound V2.5 - ") + names[0]);
    QCOMPARE(caption.at(files).at(0).toString(), QStringLiteral("Peakhound V2.5"));
}

void tst_TForm1::statusIsPaintedDuringTheRun()
{
    setFiles({ write("a.txt", SpectrumWithPeaks({ "1000" })), write("b.txt", WrongLayoutText()) });
    QStringList painted; // the status label's text at every paint it receives
    const PaintWatch watch(Form1->Label5, [&] { painted << Form1->Label5->Caption(); });
    runSearch(); // the run never returns to the event loop, so these paints came at once
    QVERIFY2(painted.contains(QStringLiteral("Working......")), qPrintable(painted.join(u'|')));
    QVERIFY(painted.contains(QStringLiteral("Fehler !!!!")));
    QCOMPARE(painted.last(), QStringLiteral("Ready !"));
}

void tst_TForm1::emptyFileListOnlyResets()
{
    Form1->ListBox3->Add(QStringLiteral("old"));
    Form1->Bar->setValue(40);
    QCOMPARE(runSearch(), QStringList());
    QCOMPARE(Form1->Label5->Caption(), QStringLiteral("Ready !"));
    QCOMPARE(Form1->windowTitle(), QStringLiteral("Peakhound V2.5"));
    QCOMPARE(Form1->Bar->value(), 0);
    QVERIFY(m_scene->script.boxes.empty());
}

void tst_TForm1::eachSpectrumFindsTheSeriesAndShowsTheScan()
{
    const QString data =
        qEnvironmentVariable("PEAKHOUND_SOURCE_DIR") + QStringLiteral("/tests/data/");
    const QString series =
        data + QStringLiteral("series/multi_FNMT-Horiba785_OP02_PST_Sil_sCAL_nCAL.txt");
    const QString scan = data + QStringLiteral("formats/maps/line_scan.wdf");
    const QString opus = data + QStringLiteral("formats/charisma_test_opus.0");
    setFiles({ series, scan, opus });
    setTargets({ QStringLiteral("1001.4"), QStringLiteral("1031.8"), QStringLiteral("1602.3") });
    Form1->maxfehl->SetValue(0);
    Form1->PeakRuleBox->setCurrentIndex(1);

    // As specified, a file is judged by its last spectrum, and the scan is too large.
    QCOMPARE(runSearch(), QStringList());
    QCOMPARE(m_scene->script.boxes.size(), std::size_t(1));
    QCOMPARE(m_scene->script.boxes[0].Text,
        "Folgende Daten hatten nicht das richtige Format und wurden ignoriert: \r\t"
            + opus.toStdString() + ": nicht unterstützt (OPUS)\r\t" + scan.toStdString()
            + ": 235 Spektren: mit 'Jedes Spektrum' durchsuchen\r");

    // Every spectrum: the series shows polystyrene in its first spectrum, and the report says
    // which; the scan is searched too.
    m_scene->script.boxes.clear();
    Form1->EachSpectrum->setChecked(true);
    QCOMPARE(runSearch(), QStringList { series });
    QCOMPARE(m_scene->script.boxes.size(), std::size_t(1));
    QVERIFY(m_scene->script.boxes[0].Text.find(scan.toStdString()) == std::string::npos);
    const QStringList report = Form1->ReportText().split(QLatin1Char('\n'));
    QVERIFY(report[0].startsWith(QStringLiteral("Datei\tSpektrum\tAusgewählt\tFehlend\tGüte")));
    const QStringList seriesRows = report.filter(series + QLatin1Char('\t'));
    QCOMPARE(seriesRows.size(), 4);
    QVERIFY(seriesRows[0].startsWith(series + QStringLiteral("\t1\tja\t0\t")));
    QVERIFY(seriesRows[0].endsWith(QStringLiteral("\tPolystyrene PST\t\t")));
    QVERIFY(seriesRows[3].startsWith(series + QStringLiteral("\t4\tnein\t")));
    QCOMPARE(report.filter(scan + QLatin1Char('\t')).size(), 235);

    // The scan in the viewer: its first 99 spectra, and the title says so. (Add sorts the list.)
    QCOMPARE(Form1->ListBox1->Item(1), scan);
    Form1->ListBox1->SetItemIndex(1);
    emit Form1->ListBox1->DblClick();
    QCOMPARE(Form2->windowTitle(), scan + QStringLiteral(" - die ersten 99 von 235 Spektren"));
    QCOMPARE(SpectrumTable.SpectrumCount, 99);
    Form1->EachSpectrum->setChecked(false);
    Form1->PeakRuleBox->setCurrentIndex(0);
}

QTEST_MAIN(tst_TForm1)
#include "tst_tform1.moc"
