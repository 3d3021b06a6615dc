#include "tform4.h"

#include "accessibility.h"
#include "application.h"
#include "controls.h"
#include "glyphs.h"
#include "guard.h"
#include "messagebox.h"
#include "messages.h"
#include "plotbuilder.h"
#include "qtstrings.h"
#include "separators.h"
#include "spectrumedit.h"
#include "spectrumtable.h"
#include "tform3.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QPushButton>
#include <string>
#include <vector>

TForm4 *Form4 = nullptr;

TForm4::TForm4()
{
    SetupWindow(
        this, { tr("Change Visible Data"), 236, 131, 694, 484, false, BorderStyle::Sizeable });
    setAttribute(Qt::WA_QuitOnClose, false);

    const QSize arrow(25, 29);
    const QSize triangle(20, 24);
    // clang-format off
    Label1 = CreateLabel(this, {8, 8}, tr("Verfügbare Datensätze"), 16);
    ListBox1 = CreateListBox(this, {8, 32, 673, 161}, false,
                             tr("Alle Datensätze aus der Originalliste."), true);
    Button2 = CreateButton(this, {208, 216, 73, 25}, tr("Remove"),
                           tr("Lösche einen angewählten Eintrag aus der Liste der anzuzeigenden Daten."));
    Button3 = CreateButton(this, {288, 216, 73, 25}, tr("Clear"),
                           tr("Lösche Liste der anzuzeigenden Daten."));
    BitBtn1 = CreateGlyphButton(this, {368, 200, 33, 41}, ArrowGlyph(GlyphDirection::Down, arrow),
                                tr("Übertrage die angewählten Files in die Liste der anzuzeigenden Files."));
    Label2 = CreateLabel(this, {8, 224}, tr("Angezeigte Datensätze"), 16);
    ListBox2 = CreateListBox(this, {8, 248, 641, 201}, false, tr("Zur Zeit angezeigte Datensätze."));
    ganznochoben = CreateGlyphButton(this, {656, 272, 25, 33}, TriangleGlyph(GlyphDirection::Up, 2, triangle),
                                     tr("Verschiebe angewählten Datensatz ganz nach oben."));
    Nachoben = CreateGlyphButton(this, {656, 312, 25, 33}, TriangleGlyph(GlyphDirection::Up, 1, triangle),
                                 tr("Verschiebung des angewählten Datensatzes eins nach oben."));
    nachunten = CreateGlyphButton(this, {656, 352, 25, 33}, TriangleGlyph(GlyphDirection::Down, 1, triangle),
                                  tr("Verschiebung des angewählten Datensatzes eins nach unten."));
    ganznachunten = CreateGlyphButton(this, {656, 392, 25, 33}, TriangleGlyph(GlyphDirection::Down, 2, triangle),
                                      tr("Verschiebe angewählten Datensatz ganz nach unten."));
    // clang-format on
    connectHandlers();
    setUpAccessibility();
}

void TForm4::connectHandlers()
{
    connect(ListBox1, &TListBox::DblClick, this, guarded(this, &TForm4::ListBox1DblClick));
    connect(BitBtn1, &QPushButton::clicked, this, guarded(this, &TForm4::BitBtn1Click));
    connect(Button2, &QPushButton::clicked, this, guarded(this, &TForm4::Button2Click));
    connect(Button3, &QPushButton::clicked, this, guarded(this, &TForm4::Button3Click));
    connect(Nachoben, &QPushButton::clicked, this, guarded(this, &TForm4::NachobenClick));
    connect(nachunten, &QPushButton::clicked, this, guarded(this, &TForm4::nachuntenClick));
    connect(ganznochoben, &QPushButton::clicked, this, guarded(this, &TForm4::ganznochobenClick));
    connect(ganznachunten, &QPushButton::clicked, this, guarded(this, &TForm4::ganznachuntenClick));
}

// ---- choosing the files

void TForm4::ListBox1DblClick()
{
    if (ListBox1->ItemIndex() != -1)
        ListBox2->Add(ListBox1->Item(ListBox1->ItemIndex()));
}

void TForm4::BitBtn1Click()
{
    for (int i = 0; i < ListBox1->Count(); ++i)
        if (ListBox1->item(i)->isSelected())
            ListBox2->Add(ListBox1->Item(i));
}

void TForm4::Button2Click()
{
    if (ListBox2->ItemIndex() != -1)
        ListBox2->Delete(ListBox2->ItemIndex());
}

void TForm4::Button3Click()
{
    ListBox2->Clear();
}

// ---- ordering them

void TForm4::swapEntries(int upper, int lower)
{
    // Both are read first: an index outside the list reports its error before anything changes.
    const QString upperText = ListBox2->Item(upper);
    const QString lowerText = ListBox2->Item(lower);
    ListBox2->item(upper)->setText(lowerText);
    ListBox2->item(lower)->setText(upperText);
}

void TForm4::NachobenClick()
{
    const int i = ListBox2->ItemIndex();
    if (i <= 0)
        return;
    swapEntries(i - 1, i);
    ListBox2->SetItemIndex(i - 1);
}

void TForm4::nachuntenClick()
{
    // With nothing selected in a non-empty list, the swap reports the index error for -1.
    const int i = ListBox2->ItemIndex();
    if (i >= ListBox2->Count() - 1)
        return;
    swapEntries(i, i + 1);
    ListBox2->SetItemIndex(i + 1);
}

void TForm4::ganznochobenClick()
{
    const int i = ListBox2->ItemIndex();
    for (int step = 0; step <= i; ++step)
        NachobenClick();
}

void TForm4::ganznachuntenClick()
{
    const int distance = ListBox2->Count() - 1 - ListBox2->ItemIndex();
    for (int step = 0; step <= distance; ++step)
        nachuntenClick();
}

// ---- the merge

void TForm4::closeEvent(QCloseEvent *event)
{
    m_merged = false;
    Guarded([this] { FormClose(); });
    if (m_merged)
        event->accept();
    else
        event->ignore();
}

void TForm4::FormClose()
{
    // An empty list reports its index error for 0.
    ListBox2->Item(0);
    std::vector<std::string> names;
    for (const QString &name : ListBox2->Items())
        names.push_back(FileNameToStd(name));
    if (!MergeSpectrumFiles(SpectrumTable, BadFileList, names, CurrentSeparators())) {
        ShowMessage(FormatMessage(Messages::TooManySpectra, kMaxSpectra));
        return;
    }
    ShowSpectra(QString());
    Form3->showtitle->setChecked(false);
    m_merged = true;
}

// ---- accessibility and keyboard

// The lists are named by the labels above them; the glyph buttons by their hints. Tab in reading
// order.
void TForm4::setUpAccessibility()
{
    NameAfterLabels(ListBox1, { Label1 });
    NameAfterLabels(ListBox2, { Label2 });
    SetTabOrder({ ListBox1, Button2, Button3, BitBtn1, ListBox2, ganznochoben, Nachoben, nachunten,
        ganznachunten });
}
