#include "controls.h"
#include "spectrumtable.h"
#include "tchart.h"
#include "tchartseries.h"
#include "tform1.h"
#include "tform2.h"
#include "tform3.h"
#include "tform4.h"
#include "tpeakanzeige.h"
#include "viewerscene.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

// Spectrum j has one peak, at x = 1003 + 6 * humpSlots[j]: a hump of 500, 1000, 500 among zeros.
std::string peakedSpectra(const std::vector<int> &humpSlots)
{
    std::string header = "Shift";
    for (std::size_t j = 0; j < humpSlots.size(); ++j)
        header += "\tS" + std::to_string(j);
    std::vector<std::string> lines;
    for (int x = 1000; x <= 1021; ++x) {
        std::string line = std::to_string(x);
        for (const int slot : humpSlots) {
            const int offset = x - (1003 + 6 * slot);
            line += offset == 0 ? "\t1000" : (offset == 1 || offset == -1) ? "\t500" : "\t0";
        }
        lines.push_back(line);
    }
    lines.emplace_back();
    return SpectrumText("Raman shift", "Intensity", header, lines);
}

const std::string kPeakAt1234_56 = SpectrumText("Raman shift", "Intensity", "Shift\tA",
    { "1228\t0", "1229\t0", "1230\t0", "1233\t500", "1234.56\t1000", "1236\t500", "1237\t0",
        "1238\t0", "1239\t0", "1240\t0", "" });

QRgb pixel(int x, int y)
{
    return Form2->Chart1->Surface().pixel(x, y) & 0xFFFFFF;
}

} // namespace

// The preferences window, the peak list and the picture export, driven through their controls.
class tst_TForm3 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void nextAndLastWalkThroughTheList();
    void removeTakesTheClickedSpectrumOnly();
    void spacingTitleAndClose();
    void peakListFollowsTheShownDataAndMarksThePeak();
    void savedPicturesFollowTheNameRules();
    void failedSaveKeepsTheCaption();
    void savingOverAFileInALockedFolder();

private:
    void press(QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    void showCrosshairInThePlot();

    std::unique_ptr<ProgramScene> m_scene;
};

void tst_TForm3::init()
{
    m_scene = std::make_unique<ProgramScene>();
}

void tst_TForm3::cleanup()
{
    m_scene.reset();
}

void tst_TForm3::nextAndLastWalkThroughTheList()
{
    const QString a = m_scene->write("a.txt", TaggedSpectra({ 100 }));
    const QString b = m_scene->write("b.txt", TaggedSpectra({ 200 }));
    const QString c = m_scene->write("c.txt", TaggedSpectra({ 300 }));
    m_scene->listFiles({ c, a, b });
    m_scene->open(0);
    QCOMPARE(Form2->windowTitle(), a);

    press(Form3->Nextspek);
    press(Form3->Nextspek);
    QCOMPARE(Form2->windowTitle(), c);
    QCOMPARE(ShownTags(), QList<int> { 300 });
    press(Form3->Nextspek);
    QCOMPARE(m_scene->takeBoxes(), QStringList { QStringLiteral("Ende der Liste") });
    QVERIFY(!Form3->Nextspek->isEnabled());
    QCOMPARE(Form2->windowTitle(), c);

    press(Form3->lastspek);
    QCOMPARE(Form2->windowTitle(), b);
    QVERIFY(Form3->Nextspek->isEnabled());
    QCOMPARE(Form4->ListBox2->Items(), QStringList { b });
    press(Form3->lastspek);
    press(Form3->lastspek);
    QCOMPARE(m_scene->takeBoxes(), QStringList { QStringLiteral("Anfang der Liste") });
    QVERIFY(!Form3->lastspek->isEnabled());
    QCOMPARE(Form2->windowTitle(), a);
}

void tst_TForm3::removeTakesTheClickedSpectrumOnly()
{
    m_scene->listFiles({ m_scene->write("four.txt", TaggedSpectra({ 100, 200, 300, 400 })) });
    m_scene->open(0);
    Form3->Edit1->setText(QStringLiteral("1"));
    press(Form3->Button1);
    QCOMPARE(ShownTags(), (QList<int> { 100, 300, 400 }));
    QVERIFY(Form3->Edit1->text().isEmpty());

    press(Form3->Button2); // Reload
    Form3->Edit1->setText(QStringLiteral("3"));
    press(Form3->Button1);
    QCOMPARE(ShownTags(), (QList<int> { 100, 200, 300 }));

    // Numbers typed by hand outside the shown spectra are refused; nothing changes.
    for (const char *typed : { "3", "-1" }) {
        for (QPushButton *button : { Form3->Button1, Form3->Button3 }) {
            Form3->Edit1->setText(QString::fromLatin1(typed));
            press(button);
        }
    }
    QCOMPARE(m_scene->takeBoxes(),
        QStringList(4, QStringLiteral("Die Nummer des Spektrums muss zwischen 0 und 2 liegen.")));
    Form3->Edit1->setText(QStringLiteral("x"));
    press(Form3->Button1);
    QCOMPARE(
        m_scene->takeBoxes(), QStringList { QStringLiteral("'x' ist kein gültiger Integerwert.") });
    QCOMPARE(ShownTags(), (QList<int> { 100, 200, 300 }));

    Form3->Edit1->setText(QStringLiteral("2"));
    press(Form3->Button3);
    QCOMPARE(ShownTags(), QList<int> { 300 });
    QVERIFY(Form2->Chart1->LeftAxis()->Labels());
    QVERIFY(!Form3->Abstand->isEnabled());
}

void tst_TForm3::spacingTitleAndClose()
{
    m_scene->listFiles({ m_scene->write("two.txt", TaggedSpectra({ 100, 200 })) });
    m_scene->open(0);
    Form3->Abstand->setFocus();
    Form3->Abstand->selectAll();
    QTest::keyClicks(Form3->Abstand, QStringLiteral("50"));
    QCOMPARE(Form2->Chart1->SeriesAt(1)->YValues().ValueAt(0), 201 + 0.3 * 2 * 203);
    QTest::keyClick(Form3->Abstand, Qt::Key_Return);
    QCOMPARE(Form2->Chart1->SeriesAt(0)->YValues().ValueAt(0), 101 + 0.5 * 203);
    QCOMPARE(Form2->Chart1->SeriesAt(1)->YValues().ValueAt(0), 201 + 0.5 * 2 * 203);

    const int plotTop = Form2->Chart1->PlotRect().Top;
    Form3->showtitle->click();
    QVERIFY(!Form2->Chart1->Title.Visible());
    Form2->Chart1->Repaint();
    QVERIFY(Form2->Chart1->PlotRect().Top < plotTop);

    press(Form3->Findepeaks);
    press(Form3->Close);
    QVERIFY(!Form2->isVisible() && !Form3->isVisible() && !Peakanzeige->isVisible());
}

void tst_TForm3::peakListFollowsTheShownDataAndMarksThePeak()
{
    const QString stacked = m_scene->write("p.txt", peakedSpectra({ 0, 1, 2 }));
    m_scene->listFiles({ stacked, m_scene->write("q.txt", kPeakAt1234_56) });
    m_scene->open(0);
    press(Form3->Findepeaks);
    QVERIFY(Peakanzeige->isVisible());
    QCOMPARE(Peakanzeige->ListBox1->Items(), QStringList { QStringLiteral("    1015.0") });
    Form3->Edit1->setText(QStringLiteral("0"));
    press(Form3->Button3); // excl. Remove rebuilds the open list
    QCOMPARE(Peakanzeige->ListBox1->Items(), QStringList { QStringLiteral("    1003.0") });

    press(Form3->Nextspek);
    QCOMPARE(Peakanzeige->ListBox1->Items(), QStringList { QStringLiteral("    1234.6") });
    TChart *chart = Form2->Chart1;
    const int px = chart->SeriesAt(0)->XValueToPixel(1234.6);
    const int y = (chart->PlotRect().Top + chart->PlotRect().Bottom) / 2;
    QCOMPARE(pixel(px, y), qRgb(255, 255, 255) & 0xFFFFFF);
    ClickEntry(Peakanzeige->ListBox1, 0);
    QCOMPARE(pixel(px, y), QRgb(0));
    QCOMPARE(pixel(px + 1, y), qRgb(255, 255, 255) & 0xFFFFFF);
    chart->Repaint();
    QCOMPARE(pixel(px, y), qRgb(255, 255, 255) & 0xFFFFFF);

    Peakanzeige->ListBox1->Clear();
    emit Peakanzeige->ListBox1->Click();
    QCOMPARE(m_scene->takeBoxes(),
        QStringList { QStringLiteral("Der Index der Liste überschreitet das Maximum (-1)") });
    press(Peakanzeige->close);
    QVERIFY(!Peakanzeige->isVisible());
}

void tst_TForm3::showCrosshairInThePlot()
{
    Form3->showcrosshair->setChecked(true);
    const TRect plot = Form2->Chart1->PlotRect();
    const int x = (plot.Left + plot.Right) / 2 + 7;
    Form2->mousemove(Form2->Chart1, {}, x, (plot.Top + plot.Bottom) / 2 + 5);
    QCOMPARE(CrosshairState.X, x);
}

void tst_TForm3::savedPicturesFollowTheNameRules()
{
    m_scene->listFiles({ m_scene->write("a.txt", TaggedSpectra({ 100 })) });
    m_scene->open(0);
    const QString pic = m_scene->path("pic");
    const struct {
        QString chosen;
        int filter;
        QString written;
    } saves[] = { { pic, 1, pic + QStringLiteral(".bmp") },
        { pic, 2, pic + QStringLiteral(".wmf") },
        { pic + QStringLiteral(".BMP"), 1, pic + QStringLiteral(".BMP.bmp") },
        { pic + QStringLiteral(".wmf"), 1, pic + QStringLiteral(".wmf") } };
    for (const auto &save : saves) {
        showCrosshairInThePlot();
        const QImage withCrosshair = Form2->Chart1->Surface();
        m_scene->script.answerSaveDialog(save.chosen, save.filter);
        press(Form3->savebmp);
        QCOMPARE(m_scene->takeBoxes(),
            QStringList { QStringLiteral("File gespeichert\r") + save.written });
        QCOMPARE(Form2->windowTitle(), save.written);
        QCOMPARE(QImageReader::imageFormat(save.written), QByteArray("bmp"));
        QCOMPARE(QImage(save.written).size(), Form2->Chart1->size());

        // The screen shows no crosshair, and the record knows it.
        QCOMPARE(CrosshairState.X, -1);
        QVERIFY(Form2->Chart1->Surface() != withCrosshair);
        QVERIFY(
            Form2->Chart1->Surface() == QImage(save.written).convertToFormat(QImage::Format_RGB32));
    }
    QCOMPARE(m_scene->script.saveDialogs.size(), std::size_t(4));
    const auto &dialog = m_scene->script.saveDialogs.front();
    QCOMPARE(dialog.Filter, QStringLiteral("Bitmaps (*.bmp)|*.bmp|Metadateien (*.wmf)|*.wmf"));
    QCOMPARE(dialog.FilterIndex, 1);
    QVERIFY(!dialog.Options.OverwritePrompt);
}

void tst_TForm3::failedSaveKeepsTheCaption()
{
    m_scene->listFiles({ m_scene->write("a.txt", TaggedSpectra({ 100 })) });
    m_scene->open(0);
    showCrosshairInThePlot();
    const QString caption = Form2->windowTitle();
    const QString target = m_scene->path("missing/pic.bmp");
    m_scene->script.answerSaveDialog(target, 1);
    press(Form3->savebmp);
    QCOMPARE(m_scene->takeBoxes(),
        QStringList {
            QStringLiteral("Datei ") + target + QStringLiteral(" kann nicht erstellt werden.") });
    QCOMPARE(Form2->windowTitle(), caption);
    QCOMPARE(CrosshairState.X, -1);
    const QImage shown = Form2->Chart1->Surface();
    Form2->Chart1->Repaint();
    QVERIFY(Form2->Chart1->Surface() == shown);
}

void tst_TForm3::savingOverAFileInALockedFolder()
{
    m_scene->listFiles({ m_scene->write("a.txt", TaggedSpectra({ 100 })) });
    m_scene->open(0);
    const QString locked = m_scene->path("locked");
    QVERIFY(QDir().mkpath(locked));
    const QString existing = locked + QStringLiteral("/pic.bmp");
    QFile old(existing);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(4 << 20, 'x'));
    old.close();
    const auto everyone = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther
        | QFileDevice::WriteOther | QFileDevice::ReadGroup | QFileDevice::WriteGroup;
    QVERIFY(old.setPermissions(everyone));
    const auto enter = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
        | QFileDevice::ExeOther | QFileDevice::ReadGroup | QFileDevice::ExeGroup;
    QVERIFY(QFile::setPermissions(
        QString::fromStdString(m_scene->folder.root()), enter | QFileDevice::WriteOwner));
    QVERIFY(QFile::setPermissions(locked, enter));

    // Saves as a user who may write the file but not the folder: as the nobody user when the test
    // runs as root, who may write everywhere.
    const auto saveAs = [this](const QString &name) {
        const auto save = [this, &name] {
            m_scene->script.answerSaveDialog(name, 1);
            press(Form3->savebmp);
            return m_scene->takeBoxes().join(QLatin1Char('|'));
        };
        if (geteuid() != 0)
            return save();
        const pid_t child = fork();
        if (child == 0) {
            const bool dropped = setgid(65534) == 0 && setuid(65534) == 0;
            _exit(!dropped ? 2 : save().startsWith(QStringLiteral("File gespeichert")) ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0
            ? QStringLiteral("File gespeichert\r") + name
            : QStringLiteral("failed with %1").arg(status);
    };
    QCOMPARE(saveAs(existing), QStringLiteral("File gespeichert\r") + existing);
    QCOMPARE(QImage(existing).size(), Form2->Chart1->size());
    QCOMPARE(QDir(locked).entryList(QDir::Files), QStringList { QStringLiteral("pic.bmp") });
    // A new file cannot be made there.
    QVERIFY(!saveAs(locked + QStringLiteral("/new.bmp"))
                 .startsWith(QStringLiteral("File gespeichert")));
    QFile::setPermissions(locked, enter | QFileDevice::WriteOwner);
}

QTEST_MAIN(tst_TForm3)
#include "tst_tform3.moc"
