#include "application.h"
#include "controls.h"
#include "dialogs.h"
#include "exceptions.h"
#include "glyphs.h"
#include "guard.h"
#include "messagebox.h"
#include "qtstrings.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <climits>
#include <new>
#include <vector>

// The platform's controls, glyphs, dialogs and handler guard.
namespace
{

// Closes a modal box that is still open after ms milliseconds and says so in stuck, so that a
// box the test fails to answer fails the test instead of hanging it.
class ModalRescue
{
public:
    ModalRescue(bool &stuck, int ms)
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [&stuck] {
            if (auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                stuck = true;
                box->reject();
            }
        });
        m_timer.start(ms);
    }

private:
    QTimer m_timer;
};

} // namespace

class tst_Controls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void sortedListKeepsCaseInsensitiveTextOrder();
    void unsortedListKeepsTheAddingOrder();
    void listIndexErrorsNameTheIndex();
    void mouseKeepsTheSelectionAndReportsLeftDoubleClicks();
    void spinEditCountsNonIntegersAsZero_data();
    void spinEditCountsNonIntegersAsZero();
    void spinEditStepsWithoutBounds();
    void glyphsAreBlackOnTransparent();
    void dialogFiltersMatchEveryCaseAndEveryFile();
    void dialogChangesTheDirectoryUnlessAskedNotTo();
    void saveDialogTakesTheTypeTheUserPicks();
    void saveDialogAsksForATextSize();
    void guardShowsTheErrorAndGoesOn_data();
    void guardShowsTheErrorAndGoesOn();
    void guardShowsOutOfMemoryInWords();
    void textsKeepEveryByte();
    void escapeClosesTheMessageBoxes();
    void listOfManyFilesIsUpAtOnce();

private:
    void recordBoxes();

    std::vector<MessageBoxRequest> m_boxes;
};

void tst_Controls::initTestCase()
{
    SetApplicationTitle("Peakhound 2");
    recordBoxes();
}

void tst_Controls::recordBoxes()
{
    SetMessageBoxHook([this](const MessageBoxRequest &request) { m_boxes.push_back(request); });
}

void tst_Controls::cleanup()
{
    m_boxes.clear();
    SetOpenDialogHook(nullptr);
}

void tst_Controls::sortedListKeepsCaseInsensitiveTextOrder()
{
    TListBox list(nullptr, true);
    for (const char *text : { "650", "1000", "b", "B", "a", "", "1500", "A" })
        list.Add(QString::fromUtf8(text));
    // equal texts keep the order in which they came
    QCOMPARE(list.Items(),
        QStringList({ QString(), QStringLiteral("1000"), QStringLiteral("1500"),
            QStringLiteral("650"), QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("b"),
            QStringLiteral("B") }));
    list.Add(QStringLiteral("Ä"));
    list.Add(QStringLiteral("ä"));
    QCOMPARE(list.Item(list.Count() - 2), QStringLiteral("Ä"));
}

void tst_Controls::unsortedListKeepsTheAddingOrder()
{
    TListBox list(nullptr, false);
    list.Add(QStringLiteral("b"));
    list.Add(QStringLiteral("a"));
    QCOMPARE(list.Items(), QStringList({ QStringLiteral("b"), QStringLiteral("a") }));
    QCOMPARE(list.ItemIndex(), -1);
    list.SetItemIndex(1);
    QCOMPARE(list.ItemIndex(), 1);
    list.Delete(1);
    QCOMPARE(list.ItemIndex(), -1);
    // deleting another entry keeps the selection on its entry
    list.Add(QStringLiteral("c"));
    list.Add(QStringLiteral("d"));
    list.SetItemIndex(1); // b c d
    list.Delete(0);
    QCOMPARE(list.ItemIndex(), 0);
    list.Delete(1);
    QCOMPARE(list.ItemIndex(), 0);
    QCOMPARE(list.Items(), QStringList({ QStringLiteral("c") }));
    list.Clear();
    QCOMPARE(list.Count(), 0);
}

void tst_Controls::listIndexErrorsNameTheIndex()
{
    TListBox list(nullptr, true);
    list.Add(QStringLiteral("x"));
    PH_EXPECT_THROW(
        EListError, list.Item(-1), "Der Index der Liste überschreitet das Maximum (-1)");
    PH_EXPECT_THROW(EListError, list.Item(1), "Der Index der Liste überschreitet das Maximum (1)");
    PH_EXPECT_THROW(
        EListError, list.Delete(5), "Der Index der Liste überschreitet das Maximum (5)");
    QCOMPARE(list.Count(), 1);
}

void tst_Controls::mouseKeepsTheSelectionAndReportsLeftDoubleClicks()
{
    QWidget window;
    window.resize(240, 240);
    TListBox *list = CreateListBox(&window, { 10, 10, 200, 200 }, true);
    list->Add(QStringLiteral("a"));
    list->Add(QStringLiteral("b"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint onB = list->visualItemRect(list->item(1)).center();
    const QPoint beside(onB.x(), onB.y() + 100);
    QVERIFY(list->itemAt(beside) == nullptr);

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, onB);
    QCOMPARE(list->ItemIndex(), 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, beside);
    QCOMPARE(list->ItemIndex(), 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, onB);
    QCOMPARE(list->ItemIndex(), 1);
    QCOMPARE(list->selectedItems().size(), 1);

    // only the left button's double click is reported
    QSignalSpy doubleClicks(list, &TListBox::DblClick);
    QTest::mouseDClick(list->viewport(), Qt::RightButton, {}, onB);
    QCOMPARE(doubleClicks.count(), 0);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, beside);
    QCOMPARE(doubleClicks.count(), 1);
    QCOMPARE(list->ItemIndex(), 1);
}

void tst_Controls::spinEditCountsNonIntegersAsZero_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "10" << 10;
    QTest::newRow("blanks and sign") << " -7 " << -7;
    QTest::newRow("largest") << "2147483647" << INT_MAX;
    QTest::newRow("beyond 32 bits") << "2147483648" << 0;
    QTest::newRow("decimal") << "1.5" << 0;
    QTest::newRow("letters") << "zehn" << 0;
    QTest::newRow("empty") << "" << 0;
}

void tst_Controls::spinEditCountsNonIntegersAsZero()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    TSpinEdit spin(nullptr);
    spin.SetText(text);
    QCOMPARE(spin.Value(), value);
    QCOMPARE(spin.Text(), text); // the text stays as typed
}

void tst_Controls::spinEditStepsWithoutBounds()
{
    TSpinEdit spin(nullptr);
    spin.resize(57, 22);
    // the style's arrows: up in the top right corner, down in the bottom right one
    const QPoint up(spin.width() - 4, 4);
    const QPoint down(spin.width() - 4, spin.height() - 4);
    spin.SetText(QStringLiteral("abc"));
    QTest::mouseClick(&spin, Qt::LeftButton, {}, up);
    QCOMPARE(spin.Text(), QStringLiteral("1"));
    spin.SetValue(0);
    QTest::mouseClick(&spin, Qt::LeftButton, {}, down);
    QTest::keyClick(spin.Editor(), Qt::Key_Down);
    QCOMPARE(spin.Value(), -2);
    QTest::keyClick(spin.Editor(), Qt::Key_Up);
    QCOMPARE(spin.Value(), -1);
    QTest::keyClick(spin.Editor(), Qt::Key_PageUp);
    QCOMPARE(spin.Value(), 9);
    spin.SetValue(INT_MAX);
    QTest::keyClick(spin.Editor(), Qt::Key_Up);
    QCOMPARE(spin.Value(), INT_MAX);
    spin.SetValue(INT_MIN + 3);
    QTest::keyClick(spin.Editor(), Qt::Key_PageDown);
    QCOMPARE(spin.Value(), INT_MIN);
    QTest::keyClick(spin.Editor(), Qt::Key_Down);
    QCOMPARE(spin.Value(), INT_MIN);
    // typing keeps the text as typed, whatever it is
    spin.SetText(QString());
    QTest::keyClicks(spin.Editor(), QStringLiteral("1,5x"));
    QTest::keyClick(spin.Editor(), Qt::Key_Return);
    QCOMPARE(spin.Text(), QStringLiteral("1,5x"));
    QCOMPARE(spin.Value(), 0);
}

void tst_Controls::glyphsAreBlackOnTransparent()
{
    const QImage up = ArrowGlyph(GlyphDirection::Up, { 25, 29 });
    QCOMPARE(up.size(), QSize(25, 29));
    QCOMPARE(qAlpha(up.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(up.pixel(24, 28)), 0);
    QCOMPARE(up.pixel(12, 5), qRgb(0, 0, 0)); // head
    QCOMPARE(up.pixel(12, 25), qRgb(0, 0, 0)); // shaft
    QCOMPARE(qAlpha(up.pixel(2, 25)), 0); // beside the shaft
    QCOMPARE(ArrowGlyph(GlyphDirection::Down, { 25, 29 }), up.mirrored(false, true));

    // Two stacked triangles: two black runs down the middle column, with a gap between.
    const QImage two = TriangleGlyph(GlyphDirection::Up, 2, { 20, 24 });
    int runs = 0;
    bool inRun = false;
    for (int y = 0; y < two.height(); ++y) {
        const bool black = qAlpha(two.pixel(10, y)) == 255;
        runs += black && !inRun ? 1 : 0;
        inRun = black;
    }
    QCOMPARE(runs, 2);
    // A triangle pointing up is wider at its bottom.
    const QImage one = TriangleGlyph(GlyphDirection::Up, 1, { 20, 24 });
    int firstRow = -1;
    int lastRow = -1;
    for (int y = 0; y < one.height(); ++y)
        if (qAlpha(one.pixel(10, y)) == 255)
            (firstRow < 0 ? firstRow : lastRow) = y;
    QVERIFY(firstRow >= 0 && lastRow > firstRow);
    const auto widthAt = [&one](int y) {
        int w = 0;
        for (int x = 0; x < one.width(); ++x)
            w += qAlpha(one.pixel(x, y)) == 255 ? 1 : 0;
        return w;
    };
    QVERIFY(widthAt(lastRow) > widthAt(firstRow));
}

void tst_Controls::dialogFiltersMatchEveryCaseAndEveryFile()
{
    TOpenDialog dialog;
    dialog.Filter = QStringLiteral("Textdateien (*.txt)|*.txt|Alle Dateien (*.*)|*.*");
    QCOMPARE(dialog.QtNameFilters(),
        QStringList({ QStringLiteral("Textdateien (*.txt) (*.[tT][xX][tT])"),
            QStringLiteral("Alle Dateien (*.*) (*)") }));
}

// The real save dialog, as a user works it: the type picked from the list is the one the
// program gets, and the name shown takes that type's plain extension.
void tst_Controls::saveDialogTakesTheTypeTheUserPicks()
{
    TestFolder folder;
    TSavePictureDialog dialog;
    dialog.Filter = QStringLiteral("Bitmaps (*.bmp)|*.bmp|Metadateien (*.wmf)|*.wmf");
    dialog.MoreFilter = QStringLiteral("PDF-Dokument (*.pdf)|*.pdf");
    dialog.FileName = QString::fromStdString(folder.path("bild.bmp"));
    dialog.FilterIndex = 1;
    QStringList shown;
    QTimer::singleShot(0, [&] {
        auto *files = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(files != nullptr);
        auto *types = files->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
        auto *name = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(types != nullptr && name != nullptr);
        shown << name->text();
        types->setCurrentIndex(2);
        emit types->activated(2);
        shown << name->text();
        QMetaObject::invokeMethod(files, "accept");
    });
    QVERIFY(dialog.Execute());
    QCOMPARE(shown, QStringList({ QStringLiteral("bild.bmp"), QStringLiteral("bild.pdf") }));
    QCOMPARE(dialog.FilterIndex, 3);
    QVERIFY(dialog.FileName.endsWith(QStringLiteral("bild.pdf")));
}

// The size fields end in the text size, named for screen readers and reached by Tab after the
// resolution; what the user types there is what the program gets.
void tst_Controls::saveDialogAsksForATextSize()
{
    TestFolder folder;
    TSavePictureDialog dialog;
    dialog.Filter = QStringLiteral("Bitmaps (*.bmp)|*.bmp");
    dialog.FileName = QString::fromStdString(folder.path("bild.png"));
    dialog.AskPictureSize = true;
    QString zero;
    QSpinBox *afterDpi = nullptr, *text = nullptr;
    QTimer::singleShot(0, [&] {
        auto *files = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QSpinBox *dpi = nullptr;
        for (QSpinBox *box : files->findChildren<QSpinBox *>()) {
            if (box->accessibleName() == QStringLiteral("Auflösung (dpi, PNG)"))
                dpi = box;
            if (box->accessibleName() == QStringLiteral("Schriftgröße (pt)"))
                text = box;
        }
        if (dpi != nullptr && text != nullptr) {
            zero = text->specialValueText();
            QWidget *next = dpi->nextInFocusChain();
            while (next != dpi && qobject_cast<QSpinBox *>(next) == nullptr)
                next = next->nextInFocusChain();
            afterDpi = qobject_cast<QSpinBox *>(next);
            text->setValue(12);
        }
        QMetaObject::invokeMethod(files, "accept");
    });
    QVERIFY(dialog.Execute());
    QVERIFY(text != nullptr);
    QCOMPARE(afterDpi, text);
    QCOMPARE(zero, QStringLiteral("wie angezeigt"));
    QCOMPARE(dialog.PictureTextSize, 12);
}

void tst_Controls::dialogChangesTheDirectoryUnlessAskedNotTo()
{
    TestFolder folder;
    QDir(QString::fromStdString(folder.root())).mkdir(QStringLiteral("sub"));
    const QString file = QString::fromStdString(folder.write("sub/a.txt", "x"));
    const QString subDir = QFileInfo(file).absolutePath();
    const QString before = QDir::currentPath();
    bool confirm = true;
    SetOpenDialogHook([&](const TOpenDialog &, QStringList &files) {
        files = { file };
        return confirm;
    });

    TOpenDialog keep;
    keep.Options.NoChangeDir = true;
    QVERIFY(keep.Execute());
    QCOMPARE(keep.FileName, file);
    QCOMPARE(QDir::currentPath(), before);

    confirm = false;
    TOpenDialog cancelled;
    QVERIFY(!cancelled.Execute());
    QVERIFY(cancelled.Files.isEmpty());
    QCOMPARE(QDir::currentPath(), before);

    confirm = true;
    TOpenDialog change;
    QVERIFY(change.Execute());
    QCOMPARE(change.Files, QStringList({ file }));
    QCOMPARE(QDir::currentPath(), subDir);
    QDir::setCurrent(before);
}

void tst_Controls::guardShowsTheErrorAndGoesOn_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Datei nicht gefunden"
                            << "Datei nicht gefunden.";
    QTest::newRow("closing bracket (code below the full stop)")
        << "Der Index der Liste überschreitet das Maximum (3)"
        << "Der Index der Liste überschreitet das Maximum (3)";
    QTest::newRow("full stop") << "Fertig."
                               << "Fertig.";
    QTest::newRow("exclamation mark") << "Achtung!"
                                      << "Achtung!";
    QTest::newRow("digit") << "E/A-Fehler 21"
                           << "E/A-Fehler 21.";
    QTest::newRow("quote") << "'x' ist kein gültiger Gleitkommawert"
                           << "'x' ist kein gültiger Gleitkommawert.";
    QTest::newRow("umlaut") << "Fehler ä"
                            << "Fehler ä.";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_Controls::guardShowsTheErrorAndGoesOn()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    bool before = false;
    bool after = false;
    Guarded([&] {
        before = true;
        throw EConvertError(message.toStdString());
        after = true; // never reached
    });
    QVERIFY(before);
    QVERIFY(!after);
    QCOMPARE(m_boxes.size(), std::size_t(1));
    QCOMPARE(m_boxes[0].Kind, MessageBoxKind::Error);
    QCOMPARE(m_boxes[0].Title, std::string("Peakhound 2"));
    QCOMPARE(QString::fromStdString(m_boxes[0].Text), shown);
}

void tst_Controls::guardShowsOutOfMemoryInWords()
{
    // A handler that runs out of memory ends like any runtime error, in words, and the next
    // handler runs.
    bool after = false;
    Guarded([] { throw std::bad_alloc(); });
    Guarded([] { throw std::bad_array_new_length(); });
    Guarded([&] { after = true; });
    QVERIFY(after);
    QCOMPARE(m_boxes.size(), std::size_t(2));
    for (const auto &box : m_boxes) {
        QCOMPARE(box.Kind, MessageBoxKind::Error);
        QCOMPARE(box.Text, std::string("Zu wenig Arbeitsspeicher."));
    }
}

void tst_Controls::textsKeepEveryByte()
{
    QCOMPARE(ToQString("1361,5"), QStringLiteral("1361,5"));
    QCOMPARE(ToQString("Gr\xc3\xb6sse"), QStringLiteral("Grösse"));
    QCOMPARE(ToQString("Gr\xf6sse"), QStringLiteral("Grösse")); // not UTF-8: Latin-1
    QCOMPARE(ToStdString(QStringLiteral("Grösse")), std::string("Gr\xc3\xb6sse"));
    QCOMPARE(FileNameFromStd(FileNameToStd(QStringLiteral("/tmp/ä b.txt"))),
        QStringLiteral("/tmp/ä b.txt"));
}

void tst_Controls::escapeClosesTheMessageBoxes()
{
    SetMessageBoxHook(nullptr);
    bool stuck = false;
    // the plain box and the scrollable one of a long text
    for (const std::string &text : { std::string("kurz"), std::string(40, '\r') + "lang" }) {
        QTimer::singleShot(0, [] {
            QWidget *box = QApplication::activeModalWidget();
            QWidget *focus = QApplication::focusWidget();
            if (box != nullptr)
                QTest::keyClick(focus != nullptr ? focus : box, Qt::Key_Escape);
        });
        const ModalRescue rescue(stuck, 3000);
        ShowMessage(text); // returns when the box is closed
        QVERIFY(!stuck);
    }
    recordBoxes();
}

void tst_Controls::listOfManyFilesIsUpAtOnce()
{
    // GIVEN the message a search of 200,000 files of the wrong layout ends with
    SetMessageBoxHook(nullptr);
    std::string text = "Folgende Daten hatten nicht das richtige Format und wurden ignoriert: \r";
    for (int i = 0; i < 200000; ++i)
        text += "\t/home/lab/data/run " + std::to_string(i) + "/spectrum.txt\r";
    // WHEN it is shown THEN the box is up at once with every name, and Enter answers it
    QElapsedTimer clock;
    qint64 upAfter = -1;
    QString held;
    QTimer::singleShot(0, [&] {
        upAfter = clock.elapsed();
        QWidget *box = QApplication::activeModalWidget();
        if (auto *view = box != nullptr ? box->findChild<QPlainTextEdit *>() : nullptr)
            held = view->toPlainText();
        QWidget *focus = QApplication::focusWidget();
        if (box != nullptr)
            QTest::keyClick(focus != nullptr ? focus : box, Qt::Key_Return);
    });
    bool stuck = false;
    const ModalRescue rescue(stuck, 20000);
    clock.start();
    ShowMessage(text);
    QVERIFY(!stuck);
#if defined(__SANITIZE_ADDRESS__)
    constexpr qint64 kWithin = 10000;
#else
    constexpr qint64 kWithin = 2000;
#endif
    QVERIFY2(upAfter >= 0 && upAfter < kWithin, qPrintable(QString::number(upAfter)));
    QCOMPARE(held.count(QLatin1Char('\n')), 200001);
    QVERIFY(held.endsWith(QStringLiteral("run 199999/spectrum.txt\n")));
    recordBoxes();
}

QTEST_MAIN(tst_Controls)
#include "tst_controls.moc"
