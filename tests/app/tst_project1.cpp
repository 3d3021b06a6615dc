#include "application.h"
#include "controls.h"
#include "messagebox.h"
#include "project1.h"
#include "spectrumtable.h"
#include "testsupport.h"
#include "tform1.h"
#include "tform2.h"
#include "tform3.h"
#include "tform4.h"
#include "tpeakanzeige.h"
#include "windowscript.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QTest>

// The start-up: the application title, the windows in their order, the main window's creation
// handler and the secondary windows' layouts.
class tst_Project1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void titleAndCaptionAreThreeTexts();
    void formCreateRecordsTheStartAndEmptiesTheTable();
    void windowsAreCreatedHiddenInOrder();
    void onlyTheMainWindowEndsTheProgram();
    void secondaryLayouts();
    void startDirectoryStaysAfterBrowsing();
};

void tst_Project1::initTestCase()
{
    SetApplicationTitle(kApplicationTitle);
}

void tst_Project1::cleanup()
{
    if (Form1 != nullptr)
        DestroyForms();
}

void tst_Project1::titleAndCaptionAreThreeTexts()
{
    CreateForms();
    QCOMPARE(ApplicationTitle(), std::string("Peakhound 2"));
    QCOMPARE(Form1->windowTitle(), QStringLiteral("Peakhound V2.5"));
    WindowScript script;
    ShowMessage("x");
    QCOMPARE(script.boxes.at(0).Title, std::string("Peakhound 2"));
}

void tst_Project1::formCreateRecordsTheStartAndEmptiesTheTable()
{
    SpectrumTable.RowCount = 7;
    SpectrumTable.SpectrumCount = 3;
    SpectrumTable.Cell(1, 1) = 42.0;
    TestFolder folder;
    const QString before = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(folder.root()));
    CreateForms();
    QDir::setCurrent(before);
    QCOMPARE(SpectrumTable.RowCount, 0);
    QCOMPARE(SpectrumTable.SpectrumCount, 0);
    QCOMPARE(SpectrumTable.Cell(1, 1), 42.0); // the values are not cleared
    QCOMPARE(QString::fromStdString(StartDirectory),
        QFileInfo(QString::fromStdString(folder.root())).canonicalFilePath());
}

void tst_Project1::windowsAreCreatedHiddenInOrder()
{
    CreateForms();
    const QList<QWidget *> windows { Form1, Form2, Form3, Form4, Peakanzeige };
    for (QWidget *window : windows) {
        if (window == nullptr)
            QFAIL("a window is missing");
        QVERIFY(window->isWindow());
        QVERIFY(!window->isVisible());
    }
    DestroyForms();
    QVERIFY(Form1 == nullptr && Form2 == nullptr && Form3 == nullptr && Form4 == nullptr
        && Peakanzeige == nullptr);
}

void tst_Project1::onlyTheMainWindowEndsTheProgram()
{
    CreateForms();
    QVERIFY(Form1->testAttribute(Qt::WA_QuitOnClose));
    for (QWidget *window : QList<QWidget *> { Form2, Form3, Form4, Peakanzeige })
        QVERIFY(!window->testAttribute(Qt::WA_QuitOnClose));

    Form1->show();
    Form2->show();
    QVERIFY(Form2->close());
    QVERIFY(Form1->isVisible());
}

void tst_Project1::secondaryLayouts()
{
    CreateForms();
    QCOMPARE(Form2->windowTitle(), QStringLiteral("Display"));
    QCOMPARE(Form2->size(), QSize(593, 395));
    QCOMPARE(Form2->pos(), QPoint(214, 106));
    QVERIFY(Form2->minimumSize() != Form2->maximumSize());
    QCOMPARE(Form2->palette().color(QPalette::Window), QColor(Qt::white));

    QCOMPARE(Form3->windowTitle(), QStringLiteral("Display Preferences"));
    QCOMPARE(Form3->size(), QSize(202, 395));
    QCOMPARE(Form3->minimumSize(), Form3->maximumSize());
    QCOMPARE(Form3->lastspek->parentWidget(), Form3->Panel1);
    QCOMPARE(Form3->lastspek->geometry(), QRect(8, 8, 81, 25));
    QCOMPARE(Form3->savebmp->parentWidget(), Form3->Panel2);
    QCOMPARE(Form3->lastspek->toolTip(), QStringLiteral("Vorheriges Spektrum in  der Liste."));
    QCOMPARE(Form3->Edit1->text(), QString());

    QCOMPARE(Form4->windowTitle(), QStringLiteral("Change Visible Data"));
    QCOMPARE(Form4->size(), QSize(694 - kFrameWidth, 484 - kFrameHeight));
    QCOMPARE(Form4->ListBox1->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(Form4->ListBox2->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(Form4->ganznochoben->iconSize(), QSize(20, 24));
    QCOMPARE(Form4->BitBtn1->iconSize(), QSize(25, 29));
    QCOMPARE(Form4->Label1->font().pixelSize(), 16);

    QCOMPARE(Peakanzeige->windowTitle(), QStringLiteral("Peakanzeige"));
    QCOMPARE(Peakanzeige->size(), QSize(116 - kFrameWidth, 422 - kFrameHeight));
    QCOMPARE(Peakanzeige->close->text(), QStringLiteral("Schliesse"));
    QVERIFY(!Peakanzeige->ListBox1->Sorted());
}

void tst_Project1::startDirectoryStaysAfterBrowsing()
{
    TestFolder folder;
    const QString before = QDir::currentPath();
    CreateForms();
    const std::string start = StartDirectory;
    WindowScript script;
    QDir(QString::fromStdString(folder.root())).mkdir(QStringLiteral("sub"));
    script.answerDialog({ QString::fromStdString(folder.write("sub/a.txt", "x")) });
    QTest::mouseClick(Form1->Button1, Qt::LeftButton);
    QCOMPARE(QDir::currentPath(),
        QFileInfo(QString::fromStdString(folder.path("sub"))).canonicalFilePath());
    QCOMPARE(StartDirectory, start);
    QDir::setCurrent(before);
}

QTEST_MAIN(tst_Project1)
#include "tst_project1.moc"
