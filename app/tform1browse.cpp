#include "controls.h"
#include "plotbuilder.h"
#include "qtstrings.h"
#include "tform1.h"
#include "tform3.h"
#include "tform4.h"
#include "tmapview.h"

#include <QCheckBox>
#include <QPushButton>

// Opening the viewer on an entry of the file list or of the result list. A double click beside
// the entries reports the list's index error for -1.

MapSearch TForm1::CurrentMapSearch()
{
    MapSearch search;
    for (const QString &target : ListBox2->Items())
        search.Targets.push_back(ToStdString(target));
    search.Settings.Tolerance = Abweichung->Value();
    search.Settings.MaxMissing = maxfehl->Value();
    search.Settings.Inverse = CheckBox1->isChecked();
    search.Rule = ChosenPeakRule();
    search.Score = SortByScore->isChecked();
    return search;
}

void TForm1::showMapOf(const QString &name)
{
    if (IsMapFile(name))
        TheMapView()->Open(name, [this] { return CurrentMapSearch(); });
}

void TForm1::listbox1dblclik()
{
    const QString name = ListBox1->Item(ListBox1->ItemIndex());
    Form4->ListBox2->Clear();
    ShowSpectra(name);
    showMapOf(name);
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
    showMapOf(name);
    Form4->ListBox2->Add(name);
    BrowseCursor = BrowseCursorData { ListBox3, ListBox3->ItemIndex() };
}
