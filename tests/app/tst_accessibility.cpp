#include "application.h"
#include "controls.h"
#include "programscene.h"
#include "project1.h"
#include "separators.h"
#include "tchart.h"
#include "testsupport.h"
#include "tform1.h"
#include "tform2.h"
#include "tform3.h"
#include "tform4.h"
#include "tpeakanzeige.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <map>
#include <memory>
#include <vector>

// The five windows as assistive technology and the keyboard see them: every control's role, name
// and value, the announcements of changes, and a whole search run by keyboard alone.
class tst_Accessibility : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void everyControlReportsRoleNameAndValue();
    void namesAndValuesFollowChanges();
    void searchByKeyboardAlone();

private:
    std::unique_ptr<ProgramScene> m_scene;
};

namespace
{

using Role = QAccessible::Role;

struct Expected {
    QWidget *control;
    Role role;
    QString name;
    QString value; // "checked"/"unchecked" for check boxes, else the value or value text
};

QString valueOf(QAccessibleInterface *iface)
{
    if (iface->state().checkable)
        return iface->state().checked ? QStringLiteral("checked") : QStringLiteral("unchecked");
    if (QAccessibleValueInterface *value = iface->valueInterface())
        return value->currentValue().toString();
    if (iface->role() == QAccessible::EditableText)
        return iface->text(QAccessible::Value);
    return {};
}

// The controls of a window as a screen reader walks them: its children, and the children of the
// groups among them.
void collect(QAccessibleInterface *parent, std::vector<QAccessibleInterface *> &controls)
{
    for (int i = 0; i < parent->childCount(); ++i) {
        QAccessibleInterface *child = parent->child(i);
        controls.push_back(child);
        if (child->role() == QAccessible::Grouping)
            collect(child, controls);
    }
}

QString roleName(Role role)
{
    return QString::number(static_cast<int>(role), 16);
}

QAccessibleInterface *accessible(QObject *object)
{
    return QAccessible::queryAccessibleInterface(object);
}

} // namespace

void tst_Accessibility::initTestCase()
{
    // as with a screen reader running: the widgets send their events, interfaces are made early
    QAccessible::setActive(true);
}

void tst_Accessibility::init()
{
    m_scene = std::make_unique<ProgramScene>();
    QVERIFY(m_scene->shown());
}

void tst_Accessibility::cleanup()
{
    m_scene.reset();
}

void tst_Accessibility::everyControlReportsRoleNameAndValue()
{
    const auto s = [](const char *text) { return QString::fromUtf8(text); };
    const Role button = QAccessible::PushButton;
    const Role label = QAccessible::StaticText;
    const Role list = QAccessible::List;
    const Role edit = QAccessible::EditableText;
    const Role check = QAccessible::CheckBox;
    const TForm1 &f1 = *Form1;
    const TForm3 &f3 = *Form3;
    const TForm4 &f4 = *Form4;
    const std::map<QWidget *, std::vector<Expected>> windows {
        { Form1,
            {
                { f1.Button1, button, s("Add"), {} },
                { f1.Button2, button, s("Remove"), {} },
                { f1.Button3, button, s("Clear"), {} },
                { f1.Label1, label, s("Files"), {} },
                { f1.ListBox1, list, s("Files"), {} },
                { f1.Label2, label, s("Peaks [1/cm]"), {} },
                { f1.Button4, button, s("Add"), {} },
                { f1.Edit1, edit, s("Peaks [1/cm]"), s("0") },
                { f1.ListBox2, list, s("Peaks [1/cm]"), {} },
                { f1.Button5, button, s("Remove"), {} },
                { f1.Button6, button, s("Clear"), {} },
                { f1.Button8, button, s("Load"), {} },
                { f1.Button7, button, s("Rh 6G"), {} },
                { f1.Label3, label, s("Maximale Abweichung"), {} },
                { f1.Label4, label, s("in 1/cm"), {} },
                { f1.Abweichung, QAccessible::SpinBox, s("Maximale Abweichung in 1/cm"), s("10") },
                { f1.Label6, label, s("Maximal fehlende Peaks"), {} },
                { f1.maxfehl, QAccessible::SpinBox, s("Maximal fehlende Peaks"), s("1") },
                { f1.Button9, button, s("Start !"), {} },
                { f1.CheckBox1, check, s("Inverse Auswahl"), s("unchecked") },
                { f1.Label8, label, s("Normale Auswahl"), {} },
                { f1.Label9, label, s("Es werden die Spektren ausgewählt,"), {} },
                { f1.Label10, label, s("die die angegebenen Peaks enthalten"), {} },
                { f1.BitBtn1, button, s("Ergebnisliste komplett nach  oben kopieren."), {} },
                { f1.Label7, label, s("Ergebnis:"), {} },
                { f1.ListBox3, list, s("Ergebnis:"), {} },
                { f1.Bevel1, QAccessible::Separator, {}, {} },
                { f1.Bar, QAccessible::ProgressBar, s("Fortschrittsanzeige"), s("0") },
                { f1.Label5, QAccessible::StatusBar, s("Status"), {} },
                { f1.RuleLabel, label, s("Peakregel"), {} },
                { f1.PeakRuleBox, QAccessible::ComboBox, s("Standard"),
                    {} }, // Qt names a combo box by its choice
                { f1.FromLabel, label, s("ab x [1/cm]"), {} },
                { f1.FromEdit, edit, s("ab x [1/cm]"), s("100") },
                { f1.SortByScore, check, s("nach Güte sortieren"), s("unchecked") },
                { f1.EachSpectrum, check, s("Jedes Spektrum"), s("unchecked") },
                { f1.RuleUsedLabel, label, {}, {} },
                { f1.CountLabel, label, {}, {} },
                { f1.StopButton, button, s("Abbrechen"), {} },
            } },
        { Form3,
            {
                { f3.Label1, label, s("Abstand der Spektren"), {} },
                { f3.Label2, label, s("in Prozent des Maximalwertes"), {} },
                { f3.Abstand, edit, s("Abstand der Spektren in Prozent des Maximalwertes"),
                    s("30") },
                { f3.showtitle, check, s("Titel anzeigen"), s("checked") },
                { f3.Label3, label, s("Titel anzeigen"), {} },
                { f3.showcrosshair, check, s("Fadenkreuz anzeigen"), s("unchecked") },
                { f3.Label5, label, s("Fadenkreuz anzeigen"), {} },
                { f3.Farben, check, s("Farben"), s("unchecked") },
                { f3.LabelFarben, label, s("Farben"), {} },
                { f3.Legende, check, s("Legende"), s("unchecked") },
                { f3.LabelLegende, label, s("Legende"), {} },
                { f3.Button1, button, s("Remove"), {} },
                { f3.Label4, label, s("Spektrum"), {} },
                { f3.Edit1, edit, s("Spektrum"), {} },
                { f3.Button3, button, s("excl. Remove"), {} },
                { f3.Bibliothek, button, s("Bibliothek durchsuchen"), {} },
                { f3.Button2, button, s("Reload"), {} },
                { f3.Findepeaks, button, s("Finde Peaks"), {} },
                { f3.chgdata, button, s("Daten ändern"), {} },
                { f3.Panel1, QAccessible::Grouping, {}, {} },
                { f3.lastspek, button, s("Last"), {} },
                { f3.Nextspek, button, s("Next"), {} },
                { f3.Panel2, QAccessible::Grouping, {}, {} },
                { f3.savebmp, button, s("Save Picture"), {} },
                { f3.Close, button, s("Close"), {} },
            } },
        { Form4,
            {
                { f4.Label1, label, s("Verfügbare Datensätze"), {} },
                { f4.ListBox1, list, s("Verfügbare Datensätze"), {} },
                { f4.Button2, button, s("Remove"), {} },
                { f4.Button3, button, s("Clear"), {} },
                { f4.BitBtn1, button,
                    s("Übertrage die angewählten Files in die Liste der anzuzeigenden Files."),
                    {} },
                { f4.Label2, label, s("Angezeigte Datensätze"), {} },
                { f4.ListBox2, list, s("Angezeigte Datensätze"), {} },
                { f4.ganznochoben, button, s("Verschiebe angewählten Datensatz ganz nach oben."),
                    {} },
                { f4.Nachoben, button,
                    s("Verschiebung des angewählten Datensatzes eins nach oben."), {} },
                { f4.nachunten, button,
                    s("Verschiebung des angewählten Datensatzes eins nach unten."), {} },
                { f4.ganznachunten, button, s("Verschiebe angewählten Datensatz ganz nach unten."),
                    {} },
            } },
        { Peakanzeige,
            {
                { Peakanzeige->ListBox1, list, s("Peakanzeige"), {} },
                { Peakanzeige->close, button, s("Schliesse"), {} },
                { Peakanzeige->Prominences, list, s("Prominenz"), {} },
            } },
        { Form2, { { Form2->Chart1, QAccessible::Graphic, s("TChart"), {} } } },
    };

    for (const auto &[window, rows] : windows) {
        window->show();
        QAccessibleInterface *iface = accessible(window);
        QCOMPARE(iface->role(), QAccessible::Window);
        QCOMPARE(iface->text(QAccessible::Name), window->windowTitle());
        std::vector<QAccessibleInterface *> walked;
        collect(iface, walked);
        for (QAccessibleInterface *control : walked) {
            const auto row = std::find_if(rows.begin(), rows.end(),
                [control](const Expected &e) { return e.control == control->object(); });
            const QString where =
                window->windowTitle() + QStringLiteral(": ") + control->text(QAccessible::Name);
            QVERIFY2(row != rows.end(), qPrintable(where + QStringLiteral(" is not in the table")));
            QVERIFY2(control->role() == row->role,
                qPrintable(where + QStringLiteral(" has role ") + roleName(control->role())));
            QCOMPARE(control->text(QAccessible::Name), row->name);
            QCOMPARE(valueOf(control), row->value);
            // a control without a caption of its own still tells what it is for
            if (row->name.isEmpty() && row->role != QAccessible::Separator)
                QVERIFY(!control->text(QAccessible::Description).isEmpty()
                    || row->role == QAccessible::Grouping);
        }
        QCOMPARE(walked.size(), rows.size());
    }
}

void tst_Accessibility::namesAndValuesFollowChanges()
{
    // the chart: its title, and the caption's read-out
    Form2->Chart1->Title.SetText({ QStringLiteral("probe.txt") });
    SetCaption(Form2, QStringLiteral("x: 1000 y: 5"));
    QCOMPARE(accessible(Form2->Chart1)->text(QAccessible::Name), QStringLiteral("probe.txt"));
    QCOMPARE(
        accessible(Form2->Chart1)->text(QAccessible::Description), QStringLiteral("x: 1000 y: 5"));

    const QString file =
        QString::fromStdString(m_scene->folder.write("a.txt", SpectrumWithPeaks({ "1000" })));
    m_scene->script.answerDialog({ file });
    QTest::mouseClick(Form1->Button1, Qt::LeftButton);
    Form1->Edit1->setText(QStringLiteral("1000"));
    QTest::mouseClick(Form1->Button4, Qt::LeftButton);

    // the mode's explanation, and the limit that it names
    QTest::mouseClick(Form1->CheckBox1, Qt::LeftButton);
    QCOMPARE(accessible(Form1->maxfehl)->text(QAccessible::Name),
        QStringLiteral("Maximal vorhandene Peaks"));
    QCOMPARE(accessible(Form1->CheckBox1)->text(QAccessible::Description),
        QStringLiteral("Inverse Auswahl Es werden die Spektren ausgewählt, die nicht die "
                       "angegebenen Peaks enthalten"));
    QTest::mouseClick(Form1->CheckBox1, Qt::LeftButton);
    QCOMPARE(accessible(Form1->maxfehl)->text(QAccessible::Name),
        QStringLiteral("Maximal fehlende Peaks"));

    // a limit typed over: not an integer, so 0
    Form1->Abweichung->stepBy(1);
    QCOMPARE(valueOf(accessible(Form1->Abweichung)), QStringLiteral("11"));
    Form1->Abweichung->SetText(QStringLiteral("elf"));
    QCOMPARE(valueOf(accessible(Form1->Abweichung)), QStringLiteral("0"));
    QCOMPARE(accessible(Form1->Abweichung)->text(QAccessible::Value), QStringLiteral("elf"));

    // after the run: the status, the caption and the progress
    QTest::mouseClick(Form1->Button9, Qt::LeftButton);
    QCOMPARE(accessible(Form1->Label5)->text(QAccessible::Name), QStringLiteral("Ready !"));
    QCOMPARE(accessible(Form1)->text(QAccessible::Name), QStringLiteral("Peakhound V2.5"));
    QCOMPARE(valueOf(accessible(Form1->Bar)), QStringLiteral("0"));
}

void tst_Accessibility::searchByKeyboardAlone()
{
    const QString first = QString::fromStdString(
        m_scene->folder.write("first.txt", SpectrumWithPeaks({ "1000", "1503" })));
    const QString second =
        QString::fromStdString(m_scene->folder.write("second.txt", SpectrumWithPeaks({ "1000" })));
    const auto focus = [] { return QApplication::focusWidget(); };
    const auto key = [&](Qt::Key k, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(focus(), k, modifiers);
    };
    // Tab moves the focus to the given control; false, with the focus named, when it does not.
    const auto tabTo = [&](QWidget *control) {
        key(Qt::Key_Tab);
        QWidget *expected = control->focusProxy() != nullptr ? control->focusProxy() : control;
        if (focus() != expected)
            qWarning() << "focus on" << focus() << "instead of" << expected;
        return focus() == expected;
    };
    Form1->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Form1));
    QCOMPARE(focus(), Form1->Button1);

    // the files come through the Add dialog
    m_scene->script.answerDialog({ second, first });
    key(Qt::Key_Space);
    QCOMPARE(Form1->ListBox1->Items(), QStringList({ first, second }));

    // two targets typed, each entered with Enter
    QVERIFY(tabTo(Form1->Button2));
    QVERIFY(tabTo(Form1->Button3));
    QVERIFY(tabTo(Form1->ListBox1));
    QVERIFY(tabTo(Form1->Button4));
    QVERIFY(tabTo(Form1->Edit1));
    key(Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(focus(), QStringLiteral("1000"));
    key(Qt::Key_Return);
    key(Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(focus(), QStringLiteral("1500"));
    key(Qt::Key_Return);
    QCOMPARE(
        Form1->ListBox2->Items(), QStringList({ QStringLiteral("1000"), QStringLiteral("1500") }));

    // the limits stepped with the arrow keys: 10 up to 5, 1 missing peak down to 0
    const std::vector<QWidget *> between { Form1->ListBox2, Form1->Button5, Form1->Button6,
        Form1->Button8, Form1->Button7, Form1->Abweichung };
    for (QWidget *control : between)
        QVERIFY(tabTo(control));
    for (int i = 0; i < 5; ++i)
        key(Qt::Key_Down);
    QCOMPARE(Form1->Abweichung->Value(), 5);
    QVERIFY(tabTo(Form1->maxfehl));
    key(Qt::Key_Down);
    QCOMPARE(Form1->maxfehl->Value(), 0);

    // Start with Space; the result list read as a screen reader reads it
    QVERIFY(tabTo(Form1->Button9));
    key(Qt::Key_Space);
    QVERIFY(tabTo(Form1->CheckBox1));
    QVERIFY(tabTo(Form1->BitBtn1));
    QVERIFY(tabTo(Form1->ListBox3));
    key(Qt::Key_Down);
    QAccessibleInterface *results = accessible(Form1->ListBox3);
    QCOMPARE(results->tableInterface()->rowCount(), 1);
    QCOMPARE(results->tableInterface()->selectedCellCount(), 1);
    QCOMPARE(results->tableInterface()->selectedCells().at(0)->text(QAccessible::Name), first);
    QVERIFY(results->tableInterface()->cellAt(0, 0)->state().selected);
    // Enter opens the selected file, as a double click does
    key(Qt::Key_Return);
    QVERIFY(Form2->isVisible());
    QCOMPARE(Form2->windowTitle(), first);
    Form1->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Form1));
    Form1->ListBox3->setFocus();
    QCOMPARE(accessible(Form1->Label5)->text(QAccessible::Name), QStringLiteral("Ready !"));

    // Enter on the arrow button copies the results up; Delete removes the selected file
    key(Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(focus(), Form1->BitBtn1);
    key(Qt::Key_Return);
    QCOMPARE(Form1->ListBox1->Items(), QStringList({ first }));
    Form1->ListBox1->setFocus();
    key(Qt::Key_Down);
    key(Qt::Key_Delete);
    QCOMPARE(Form1->ListBox1->Count(), 0);
    // and in the target list, the selected target
    Form1->ListBox2->setFocus();
    key(Qt::Key_Down);
    key(Qt::Key_End);
    key(Qt::Key_Delete);
    QCOMPARE(Form1->ListBox2->Items(), QStringList({ QStringLiteral("1000") }));
    QVERIFY(m_scene->script.boxes.empty());
}

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
