#include "accessibility.h"
#include "controls.h"
#include "guard.h"
#include "tform1.h"

#include <QCheckBox>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>

// The main window for a screen reader and for the keyboard alone: names for the controls that a
// caption does not name, and the order in which Tab reaches them, a group at a time: the file
// list, the sought peaks with the limits, the start with the mode, the results.
void TForm1::setUpAccessibility()
{
    NameAfterLabels(ListBox1, { Label1 });
    NameAfterLabels(Edit1, { Label2 });
    NameAfterLabels(ListBox2, { Label2 });
    NameAfterLabels(Abweichung, { Label3, Label4 });
    NameAfterLabels(maxfehl, { Label6 });
    // The check box switches to the inverse selection; the labels beside it explain the mode.
    CheckBox1->setAccessibleName(tr("Inverse Auswahl"));
    DescribeAfterLabels(CheckBox1, { Label8, Label9, Label10 });
    NameAfterLabels(ListBox3, { Label7 });
    Bar->setAccessibleName(tr("Fortschrittsanzeige"));
    SetAccessibleRole(Label5, QAccessible::StatusBar);

    SetTabOrder({ Button1, Button2, Button3, ListBox1, Button4, Edit1, ListBox2, Button5, Button6,
        Button8, Button7, Abweichung, maxfehl, Button9, CheckBox1, BitBtn1, ListBox3 });

    // Delete in a list removes its selected entry, as the list's Remove button does.
    const auto removeOnDelete = [this](TListBox *list, void (TForm1::*remove)()) {
        auto *shortcut = new QShortcut(QKeySequence::Delete, list);
        shortcut->setContext(Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, guarded(this, remove));
    };
    removeOnDelete(ListBox1, &TForm1::Button2Click);
    removeOnDelete(ListBox2, &TForm1::Button5Click);
}
