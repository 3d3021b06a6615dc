#include "tpeakanzeige.h"

#include "accessibility.h"
#include "application.h"
#include "controls.h"
#include "guard.h"
#include "numconv.h"
#include "qtstrings.h"
#include "tchart.h"
#include "tchartseries.h"
#include "tform2.h"

#include <QPushButton>

TPeakanzeige *Peakanzeige = nullptr;

TPeakanzeige::TPeakanzeige()
{
    SetupWindow(this, { tr("Peakanzeige"), 98, 106, 116, 422, false, BorderStyle::Sizeable });
    setAttribute(Qt::WA_QuitOnClose, false);

    ListBox1 = CreateListBox(this, { 8, 0, 89, 361 }, false);
    close = CreateButton(this, { 16, 368, 73, 25 }, tr("Schliesse"));

    Prominences = CreateListBox(this, { 104, 0, 89, 361 }, false);
    Prominences->setAccessibleName(tr("Prominenz"));
    Prominences->setToolTip(tr("Höhe jedes Peaks über dem höheren der beiden Minima neben ihm."));
    Prominences->hide();

    connect(ListBox1, &TListBox::Click, this, guarded(this, &TPeakanzeige::ListBox1Click));
    connect(close, &QPushButton::clicked, this, guarded(this, &TPeakanzeige::closeClick));
    setUpAccessibility();
}

void TPeakanzeige::ListBox1Click()
{
    // The entries are written with a point, whatever the user's decimal separator.
    const QString text = ListBox1->Item(ListBox1->ItemIndex());
    const double value = StrToFloat(ToStdString(text), NumberSeparators { '.', ',' });
    TChart *chart = Form2->Chart1;
    Form2->Paintline(chart, chart->SeriesAt(0)->XValueToPixel(value));
}

void TPeakanzeige::ShowProminences(bool shown)
{
    Prominences->Clear();
    Prominences->setVisible(shown);
    // Two columns need their headings; the one list of the fixed rule keeps its plain look.
    ListBox1->SetHeading(shown ? tr("Position") : QString());
    Prominences->SetHeading(shown ? tr("Prominenz") : QString());
    // The window grows by the second list and back; a width of the user's own stays.
    if (shown != m_widened)
        resize(width() + (shown ? 96 : -96), height());
    m_widened = shown;
}

void TPeakanzeige::closeClick()
{
    hide();
}

// ---- accessibility and keyboard

// The list has no label of its own: the window's caption names it.
void TPeakanzeige::setUpAccessibility()
{
    ListBox1->setAccessibleName(windowTitle());
    SetTabOrder({ ListBox1, Prominences, close });
}
