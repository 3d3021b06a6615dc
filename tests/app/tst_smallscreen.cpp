#include "application.h"
#include "controls.h"
#include "messagebox.h"
#include "project1.h"
#include "tform1.h"
#include "tform2.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

// The windows on a laptop's 1366 x 768 screen: a stored position that would cut a window off is
// moved just enough, sizes stay. Message boxes are wide enough for their title.
class tst_SmallScreen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void windowsAreMovedOntoTheScreen();
    void fitMovesJustEnough_data();
    void fitMovesJustEnough();
    void messageBoxIsWideEnoughForItsTitle();
};

void tst_SmallScreen::initTestCase()
{
    QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 1366, 768));
    SetApplicationTitle(kApplicationTitle);
    CreateForms();
}

void tst_SmallScreen::cleanupTestCase()
{
    DestroyForms();
}

void tst_SmallScreen::windowsAreMovedOntoTheScreen()
{
    // The main window's 610 client and 27 frame pixels end at 854 from its stored top of 217.
    QCOMPARE(Form1->pos(), QPoint(193, 768 - 610 - kFrameHeight));
    QCOMPARE(Form1->size(), QSize(891, 610));
    Form1->show();
    QVERIFY(QTest::qWaitForWindowExposed(Form1));
    QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(
        Form1->mapToGlobal(Form1->Label5->geometry().bottomRight())));
    // A window that fits keeps its stored place.
    QCOMPARE(Form2->pos(), QPoint(214, 106));
}

void tst_SmallScreen::fitMovesJustEnough_data()
{
    QTest::addColumn<QRect>("outer");
    QTest::addColumn<QPoint>("placed");
    const QRect screen(0, 0, 1366, 768);
    QTest::newRow("fits") << QRect(10, 20, 300, 200) << QPoint(10, 20);
    QTest::newRow("off the bottom") << QRect(193, 700, 899, 637) << QPoint(193, 131);
    QTest::newRow("off the right") << QRect(1300, 10, 100, 100) << QPoint(1266, 10);
    QTest::newRow("above and left") << QRect(-50, -5, 100, 100) << QPoint(0, 0);
    QTest::newRow("larger than the screen") << QRect(100, 100, 2000, 900) << QPoint(0, 0);
}

void tst_SmallScreen::fitMovesJustEnough()
{
    QFETCH(QRect, outer);
    QFETCH(QPoint, placed);
    QCOMPARE(FitOnScreen(outer, QRect(0, 0, 1366, 768)), placed);
    // a screen that does not start at 0, 0
    QCOMPARE(FitOnScreen(outer.translated(1366, 0), QRect(1366, 0, 1366, 768)),
        placed + QPoint(1366, 0));
}

void tst_SmallScreen::messageBoxIsWideEnoughForItsTitle()
{
    int width = 0;
    QTimer::singleShot(0, [&width] {
        QWidget *box = QApplication::activeModalWidget();
        if (box == nullptr)
            return;
        width = box->width();
        box->close();
    });
    ShowMessage("OK");
    QFont bold = QApplication::font();
    bold.setBold(true);
    QVERIFY2(width > QFontMetrics(bold).horizontalAdvance(QStringLiteral("Peakhound 2")) + 100,
        qPrintable(QString::number(width)));
}

// The screen is given to the offscreen platform before the application starts.
int main(int argc, char **argv)
{
    QTemporaryFile screens;
    if (!screens.open())
        return 1;
    screens.write(R"({ "screens": [ { "name": "laptop", "x": 0, "y": 0, "width": 1366,
        "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1 } ] })");
    screens.flush();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toLocal8Bit());
    QApplication application(argc, argv);
    tst_SmallScreen test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_smallscreen.moc"
