#include "tpeakanzeige.h"

#include "application.h"
#include "controls.h"

#include <QPushButton>

TPeakanzeige *Peakanzeige = nullptr;

TPeakanzeige::TPeakanzeige()
{
    SetupWindow(
        this, { QStringLiteral("Peakanzeige"), 98, 106, 116, 422, false, BorderStyle::Sizeable });
    setAttribute(Qt::WA_QuitOnClose, false);

    ListBox1 = CreateListBox(this, { 8, 0, 89, 361 }, false);
    close = CreateButton(this, { 16, 368, 73, 25 }, QStringLiteral("Schliesse"));
}
