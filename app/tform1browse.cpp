#include "controls.h"
#include "plotbuilder.h"
#include "tform1.h"
#include "tform3.h"
#include "tform4.h"

#include <QPushButton>

// Opening the viewer on an entry of the file list or of the result list. A double click beside
// the entries reports the list's index error for -1.

void TForm1::listbox1dblclik()
{
    const QString name = ListBox1->Item(ListBox1->ItemIndex());
    Form4->ListBox2->Clear();
    ShowSpectra(name);
    Form4->ListBox2->Add(name);
    BrowseCursor = BrowseCursorData { ListBox1, ListBox1->ItemIndex() };
    Form3->Nextspek->setEnabled(true);
    Form3->lastspek->setEnabled(true);
}

void TForm1::malegrafik()
{
    Form3->Nextspek->setEnabled(true);
    Form3->lastspek->setEnabled(true);
    const QString name = ListBox3->Item(ListBox3->ItemIndex());
    Form4->ListBox2->Clear();
    ShowSpectra(name);
    Form4->ListBox2->Add(name);
    BrowseCursor = BrowseCursorData { ListBox3, ListBox3->ItemIndex() };
}
