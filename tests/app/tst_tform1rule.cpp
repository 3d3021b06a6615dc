#include "controls.h"
#include "programscene.h"
#include "rundisplay.h"
#include "separators.h"
#include "tform1.h"
#include "tform3.h"
#include "tpeakanzeige.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QListWidgetItem>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <memory>

// A user's path through the real windows with the sensitive rule: real spectra, the calcite
// bands, the results by score, the best file in the viewer with its peaks and prominences, and
// back to the standard rule, whose result is what it was.
class tst_TForm1Rule : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void calciteBandsBySensitiveRuleAndBack();
    void aLongSearchIsStoppedWhereItIs();

private:
    void search() { QTest::mouseClick(Form1->Button9, Qt::LeftButton); }

    std::unique_ptr<ProgramScene> m_scene;
};

void tst_TForm1Rule::init()
{
    m_scene = std::make_unique<ProgramScene>();
    QVERIFY(m_scene->shown());
}

void tst_TForm1Rule::cleanup()
{
    m_scene.reset();
    PeakRuleInForce = PeakRuleSettings {};
}

void tst_TForm1Rule::calciteBandsBySensitiveRuleAndBack()
{
    // GIVEN the real spectra of the repository that carry a decimal comma, as a German lab's
    // instruments write them, and calcite's three main bands
    SetNumberSeparators({ ',', '.' });
    QStringList files;
    const QDir spectra(QStringLiteral(PH_TEST_DATA "/realdata/spectra"));
    for (const QString &name : spectra.entryList(QDir::Files, QDir::Name)) {
        QFile file(spectra.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        for (int line = 0; line < 3; ++line)
            file.readLine();
        if (file.readLine().contains(','))
            files << spectra.filePath(name);
    }
    QVERIFY(files.size() >= 5);
    const QStringList calcite = files.filter(QStringLiteral("/Calcite_"));
    QCOMPARE(calcite.size(), 2);
    m_scene->listFiles(files);
    QCOMPARE(Form1->ListBox1->Count(), files.size());
    for (const char *band : { "281", "712", "1086" })
        Form1->ListBox2->Add(QString::fromLatin1(band));
    Form1->maxfehl->SetValue(0);

    // The standard rule first: what a search gave before the sensitive rule existed.
    QCOMPARE(Form1->PeakRuleBox->currentText(), QStringLiteral("Standard"));
    search();
    const QStringList standard = Form1->ListBox3->Items();
    QCOMPARE(Form1->RuleUsedLabel->text(), QStringLiteral("Regel: Standard"));
    QVERIFY(standard.size() < calcite.size()); // it misses 712 in at least one of them

    // WHEN the user switches to Empfindlich by keyboard, sorts by score and searches
    Form1->PeakRuleBox->setFocus();
    QTest::keyClick(Form1->PeakRuleBox, Qt::Key_Down);
    QCOMPARE(Form1->PeakRuleBox->currentText(), QStringLiteral("Empfindlich"));
    QTest::mouseClick(Form1->SortByScore, Qt::LeftButton);
    QVERIFY(Form1->SortByScore->isChecked());
    search();

    // THEN both calcite files are found, first, and the label names the rule used
    QStringList found = Form1->ListBox3->Items();
    QVERIFY(found.size() >= 2);
    QCOMPARE(QStringList(found.mid(0, 2)).filter(QStringLiteral("/Calcite_")).size(), 2);
    QCOMPARE(Form1->RuleUsedLabel->text(),
        QStringLiteral("Regel: Empfindlich ab 100,0 1/cm, nach Güte"));
    // and the line under the list counts them, each shows its score beside its name (the
    // entry's text stays the name), and the report lists the selected files in the same order
    QCOMPARE(Form1->CountLabel->text(),
        QStringLiteral("%1 von %2 Files ausgewählt").arg(found.size()).arg(files.size()));
    const QStringList report = Form1->ReportText().split(QLatin1Char('\n'));
    double previous = 101;
    for (int i = 0; i < found.size(); ++i) {
        QVERIFY(QFileInfo::exists(Form1->ListBox3->Item(i)));
        const QString score =
            Form1->ListBox3->item(i)->data(Qt::AccessibleDescriptionRole).toString();
        QVERIFY2(score.startsWith(QStringLiteral("Güte ")), qPrintable(score));
        const double value = score.mid(5).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
        QVERIFY(value <= previous && value > 0);
        previous = value;
        QVERIFY(report[i + 1].startsWith(found[i] + QStringLiteral("\tja\t")));
    }

    // WHEN the best file is opened from the result list and Finde Peaks pressed
    DoubleClickEntry(Form1->ListBox3, 0);
    QVERIFY(Form3->isVisible());
    QTest::mouseClick(Form3->Findepeaks, Qt::LeftButton);

    // THEN the peak list shows 712 (calcite's weak band) with its prominence beside it, and
    // nothing below the lower limit
    QVERIFY(Peakanzeige->isVisible());
    QVERIFY(Peakanzeige->Prominences->isVisible());
    QCOMPARE(Peakanzeige->ListBox1->Heading(), QStringLiteral("Position"));
    QCOMPARE(Peakanzeige->Prominences->Heading(), QStringLiteral("Prominenz"));
    const QStringList positions = Peakanzeige->ListBox1->Items();
    const QStringList prominences = Peakanzeige->Prominences->Items();
    QCOMPARE(prominences.size(), positions.size());
    int at712 = -1;
    for (int i = 0; i < positions.size(); ++i) {
        const double x = positions[i].trimmed().toDouble();
        QVERIFY(x >= 100);
        if (x > 702 && x < 722)
            at712 = i;
    }
    QVERIFY2(at712 >= 0, qPrintable(positions.join(QLatin1Char(' '))));
    QVERIFY(prominences[at712].trimmed().toDouble() > 0);
    QTest::mouseClick(Form3->Close, Qt::LeftButton);

    // WHEN the user switches back to Standard and searches again
    Form1->PeakRuleBox->setFocus();
    QTest::keyClick(Form1->PeakRuleBox, Qt::Key_Up);
    QTest::mouseClick(Form1->SortByScore, Qt::LeftButton);
    search();

    // THEN the result is the standard rule's as before, and the viewer lists no prominences
    QCOMPARE(Form1->ListBox3->Items(), standard);
    QCOMPARE(Form1->RuleUsedLabel->text(), QStringLiteral("Regel: Standard"));
    m_scene->open(static_cast<int>(files.indexOf(calcite[0])));
    QTest::mouseClick(Form3->Findepeaks, Qt::LeftButton);
    QVERIFY(Peakanzeige->isVisible());
    QVERIFY(!Peakanzeige->Prominences->isVisible());
    QCOMPARE(Peakanzeige->ListBox1->Heading(), QString());
}

void tst_TForm1Rule::aLongSearchIsStoppedWhereItIs()
{
    // GIVEN a long list of files (copies of a real spectrum) and its bands sought
    const QDir spectra(QStringLiteral(PH_TEST_DATA "/realdata/spectra"));
    const QString real = spectra.filePath(spectra.entryList(QDir::Files, QDir::Name).first());
    for (int i = 0; i < 400; ++i) {
        const QString copy = m_scene->path("copy" + std::to_string(1000 + i) + ".txt");
        QVERIFY(QFile::copy(real, copy));
        Form1->ListBox1->Add(copy);
    }
    Form1->ListBox2->Add(QStringLiteral("520"));
    RunDisplay::SetUpdateInterval(0);

    // WHEN a search runs, a click on Clear comes in, and then Escape is pressed
    int judgedAtStop = -1;
    QTimer::singleShot(40, Form1, [] { QTest::mouseClick(Form1->Button3, Qt::LeftButton); });
    QTimer::singleShot(80, Form1, [&judgedAtStop] {
        QVERIFY(Form1->StopButton->isVisible());
        judgedAtStop = Form1->Bar->value();
        QTest::keyClick(Form1->ListBox1, Qt::Key_Escape);
    });
    search();
    RunDisplay::ResetUpdateInterval();

    // THEN the run stopped at once, the click did nothing, and the window says how far it got
    QVERIFY(judgedAtStop >= 0);
    QVERIFY(!Form1->StopButton->isVisible());
    QCOMPARE(Form1->ListBox1->Count(), 400);
    QCOMPARE(Form1->Label5->text(), QStringLiteral("Abgebrochen"));
    const QRegularExpression line(
        QStringLiteral("^Abgebrochen nach (\\d+) von 400 Files: (\\d+) ausgewählt$"));
    const QRegularExpressionMatch match = line.match(Form1->CountLabel->text());
    QVERIFY2(match.hasMatch(), qPrintable(Form1->CountLabel->text()));
    const int searched = match.captured(1).toInt();
    QVERIFY(searched > 0 && searched < 400);
    QCOMPARE(match.captured(2).toInt(), Form1->ListBox3->Count());
    // the report holds the files judged, no more
    QCOMPARE(Form1->ReportText().count(QLatin1Char('\n')), searched + 1);
}

QTEST_MAIN(tst_TForm1Rule)
#include "tst_tform1rule.moc"
