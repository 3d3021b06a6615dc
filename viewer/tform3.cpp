#include "tform3.h"

#include "accessibility.h"
#include "application.h"
#include "chartpicture.h"
#include "controls.h"
#include "guard.h"
#include "messagebox.h"
#include "messages.h"
#include "numconv.h"
#include "numformat.h"
#include "peakfinder.h"
#include "peakrules.h"
#include "plotbuilder.h"
#include "qtstrings.h"
#include "spectrumedit.h"
#include "spectrumtable.h"
#include "tchart.h"
#include "tform2.h"
#include "tform4.h"
#include "tpeakanzeige.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QPushButton>
#include <memory>
#include <vector>

TForm3 *Form3 = nullptr;

namespace
{

const QString kPictureFilter = QStringLiteral("Bitmaps (*.bmp)|*.bmp|Metadateien (*.wmf)|*.wmf");
// Offered after the two above, as filters 3, 4 and 5.
const QString kMorePictureFilter =
    QStringLiteral("PNG-Bild (*.png)|*.png|SVG-Grafik (*.svg)|*.svg|PDF-Dokument (*.pdf)|*.pdf");

// The extension a name without one of its own gets for the chosen filter.
QString filterExtension(int filterIndex)
{
    switch (filterIndex) {
    case 1:
        return QStringLiteral(".bmp");
    case 3:
        return QStringLiteral(".png");
    case 4:
        return QStringLiteral(".svg");
    case 5:
        return QStringLiteral(".pdf");
    default:
        return QStringLiteral(".wmf");
    }
}

} // namespace

TForm3::TForm3()
{
    SetupWindow(this, { tr("Display Preferences"), 815, 106, 202, 395, true, BorderStyle::Single });
    setAttribute(Qt::WA_QuitOnClose, false);

    // clang-format off
    Label1 = CreateLabel(this, {8, 24}, tr("Abstand der Spektren"));
    Label2 = CreateLabel(this, {8, 40}, tr("in Prozent des Maximalwertes"));
    Abstand = CreateEdit(this, {152, 32, 41, 21}, QStringLiteral("30"),
                         tr("Bei mehreren Spektren gibt dieser Wert den Abstand der einzelnen Spektren an."));
    showtitle = CreateCheckBox(this, {9, 65, 16, 15}, true,
                               tr("Titel in der Grafik mit anzeigen. Wenn mehrere Dateien angezeigt werden nicht sinnvoll."));
    Label3 = CreateLabel(this, {32, 64}, tr("Titel anzeigen"), 13);
    showcrosshair = CreateCheckBox(this, {8, 88, 17, 17}, false);
    Label5 = CreateLabel(this, {32, 88}, tr("Fadenkreuz anzeigen"), 13);
    Farben = CreateCheckBox(this, {8, 112, 17, 17}, false,
                            tr("Jedes Spektrum in eigener Farbe, auch für Farbfehlsichtige und im Graudruck unterscheidbar."));
    LabelFarben = CreateLabel(this, {32, 112}, tr("Farben"), 13);
    Legende = CreateCheckBox(this, {8, 136, 17, 17}, false,
                             tr("Legende mit dem Namen jedes Spektrums in der Grafik anzeigen."));
    LabelLegende = CreateLabel(this, {32, 136}, tr("Legende"), 13);
    Button1 = CreateButton(this, {112, 144, 81, 25}, tr("Remove"),
                           tr("Entfernt das ausgewählte Spektrum aus der Ansicht."));
    Label4 = CreateLabel(this, {0, 160}, tr("Spektrum"));
    Edit1 = CreateEdit(this, {48, 160, 49, 21}, QString(), tr("Nummer des angeklickten Spektrums."));
    Button3 = CreateButton(this, {112, 176, 81, 25}, tr("excl. Remove"),
                           tr("Entfernt alle ausser das ausgewählte Spektrum aus der Ansicht."));
    Button2 = CreateButton(this, {112, 232, 81, 25}, tr("Reload"));
    Bibliothek = CreateButton(this, {8, 205, 185, 23}, tr("Bibliothek durchsuchen"),
                              tr("Vergleicht das ausgewählte (sonst das oberste) Spektrum mit allen Files der Liste; die ähnlichsten stehen zuerst im Ergebnis."));
    Findepeaks = CreateButton(this, {8, 272, 81, 25}, tr("Finde Peaks"));
    chgdata = CreateButton(this, {112, 272, 81, 25}, tr("Daten ändern"),
                           tr("Angezeigte Spektren hinzufügen, entfernen oder ordnen."));
    Panel1 = CreatePanel(this, {0, 304, 201, 41}, tr("Buttons zum scrollen durch die Spektren."));
    lastspek = CreateButton(Panel1, {8, 8, 81, 25}, tr("Last"),
                            tr("Vorheriges Spektrum in  der Liste."));
    Nextspek = CreateButton(Panel1, {112, 8, 81, 25}, tr("Next"),
                            tr("Nächstes Spektrum in der Liste."));
    Panel2 = CreatePanel(this, {0, 352, 201, 41});
    savebmp = CreateButton(Panel2, {8, 8, 81, 25}, tr("Save Picture"),
                           tr("Specihere aktuelles Bild inder aktuellen Grösse als BMP ode WMF."));
    Close = CreateButton(Panel2, {112, 8, 81, 25}, tr("Close"),
                         tr("Schliesse die Displayansicht."));
    // clang-format on

    SavePictureDialog1.Filter = kPictureFilter;
    SavePictureDialog1.MoreFilter = kMorePictureFilter;
    SavePictureDialog1.AskPictureSize = true;
    connectHandlers();
    setUpAccessibility();
}

void TForm3::connectHandlers()
{
    connect(Abstand, &TEdit::KeyPress, this, guarded(this, &TForm3::neuermaxwert));
    // The check box reports every change of its state, also one made by the program.
    connect(showtitle, &QCheckBox::toggled, this, guarded(this, &TForm3::showtitleClick));
    connect(Farben, &QCheckBox::toggled, this, guarded(this, &TForm3::FarbenClick));
    connect(Legende, &QCheckBox::toggled, this, guarded(this, &TForm3::LegendeClick));
    connect(Button1, &QPushButton::clicked, this, guarded(this, &TForm3::Button1Click));
    connect(Button3, &QPushButton::clicked, this, guarded(this, &TForm3::Button3Click));
    connect(Button2, &QPushButton::clicked, this, guarded(this, &TForm3::Button2Click));
    connect(Findepeaks, &QPushButton::clicked, this, guarded(this, &TForm3::FindepeaksClick));
    connect(Bibliothek, &QPushButton::clicked, this, guarded(this, &TForm3::BibliothekClick));
    connect(chgdata, &QPushButton::clicked, this, guarded(this, &TForm3::chgdataClick));
    connect(lastspek, &QPushButton::clicked, this, guarded(this, &TForm3::lastspekClick));
    connect(Nextspek, &QPushButton::clicked, this, guarded(this, &TForm3::NextspekClick));
    connect(savebmp, &QPushButton::clicked, this, guarded(this, &TForm3::savebmpClick));
    connect(Close, &QPushButton::clicked, this, guarded(this, &TForm3::CloseClick));
}

void TForm3::closeEvent(QCloseEvent *event)
{
    Guarded([this] { schliesse(); });
    event->accept();
}

// ---- showing and hiding

void TForm3::CloseClick()
{
    schliesse();
}

void TForm3::schliesse()
{
    Form2->hide();
    hide();
    Peakanzeige->hide();
}

void TForm3::neuermaxwert(QChar Key)
{
    if (Key == QLatin1Char('\r'))
        ShowSpectra(QString());
}

void TForm3::showtitleClick()
{
    Form2->Chart1->Title.SetVisible(showtitle->isChecked());
}

void TForm3::FarbenClick()
{
    ShowSpectra(QString());
}

void TForm3::LegendeClick()
{
    ShowSpectra(QString());
}

// ---- stepping through the list the viewer was opened from

void TForm3::NextspekClick()
{
    Nextspek->setEnabled(false);
    lastspek->setEnabled(true);
    if (BrowseCursor.List == nullptr || BrowseCursor.Index + 1 > BrowseCursor.List->Count() - 1) {
        ShowMessage(ToStdString(tr("Ende der Liste")));
        return;
    }
    step(1);
    Nextspek->setEnabled(true);
}

void TForm3::lastspekClick()
{
    Nextspek->setEnabled(true);
    lastspek->setEnabled(false);
    if (BrowseCursor.List == nullptr || BrowseCursor.Index - 1 < 0) {
        ShowMessage(ToStdString(tr("Anfang der Liste")));
        return;
    }
    step(-1);
    lastspek->setEnabled(true);
}

void TForm3::step(int by)
{
    // The cursor moves first: a list shortened meanwhile reports its index error after that.
    BrowseCursor.Index += by;
    const QString name = BrowseCursor.List->Item(BrowseCursor.Index);
    ShowSpectra(name);
    Form4->ListBox2->Clear();
    Form4->ListBox2->Add(name);
    if (Peakanzeige->isVisible())
        FindepeaksClick();
}

void TForm3::Button2Click()
{
    if (BrowseCursor.List == nullptr)
        return;
    ShowSpectra(BrowseCursor.List->Item(BrowseCursor.Index));
    if (Peakanzeige->isVisible())
        FindepeaksClick();
}

// ---- removing spectra from the view

int TForm3::chosenSpectrum()
{
    if (Edit1->text().isEmpty())
        return -1;
    const int number = StrToInt(ToStdString(Edit1->text()));
    if (HasSpectrum(SpectrumTable, number))
        return number;
    // Only a number typed by hand gets here; clicking a line always names a shown spectrum.
    if (SpectrumTable.SpectrumCount < 1)
        ShowMessage(std::string(Messages::NoSpectrumShown));
    else
        ShowMessage(FormatMessage(Messages::SpectrumNumberRange, SpectrumTable.SpectrumCount - 1));
    return -1;
}

void TForm3::Button1Click()
{
    const int number = chosenSpectrum();
    if (number < 0)
        return;
    RemoveSpectrum(SpectrumTable, number);
    ShowSpectra(QString());
    Edit1->clear();
}

void TForm3::Button3Click()
{
    const int number = chosenSpectrum();
    if (number < 0)
        return;
    KeepOnlySpectrum(SpectrumTable, number);
    ShowSpectra(QString());
    Edit1->clear();
    if (Peakanzeige->isVisible())
        FindepeaksClick();
}

// ---- peaks, merging, the picture

// The peaks of the rule in force, so the user sees what the search saw; under the sensitive
// rule each position has its prominence beside it.
void TForm3::FindepeaksClick()
{
    const bool sensitive = PeakRuleInForce.Rule == PeakRule::Sensitive;
    // In a stack of files on different x the peaks are those of the last spectrum on its own x
    // values: found on a table that holds that spectrum alone.
    std::unique_ptr<SpectrumTableData> alone;
    if (SpectrumTable.HasOwnX() && SpectrumTable.SpectrumCount > 0) {
        alone = std::make_unique<SpectrumTableData>();
        CopySpectrumAlone(SpectrumTable, SpectrumTable.SpectrumCount - 1, *alone);
    }
    const SpectrumTableData &shown = alone ? *alone : SpectrumTable;
    if (sensitive)
        FindPeaksByRule(shown, PeakList, PeakRuleInForce, &PeakStrengths);
    else if (alone)
        FindPeaks(shown, PeakList);
    else
        FindPeaks();
    TListBox *list = Peakanzeige->ListBox1;
    list->Clear();
    for (int i = 1; i <= PeakList.Count; ++i)
        list->Add(ToQString(FormatFixed(shown.Cell(PeakList.Row(i), 1), 10, 1, '.')));
    Peakanzeige->ShowProminences(sensitive);
    if (sensitive) {
        for (int i = 1; i <= PeakStrengths.Count; ++i)
            Peakanzeige->Prominences->Add(ToQString(FormatFixed(PeakStrengths.Of(i), 10, 1, '.')));
    }
    Peakanzeige->show();
}

void TForm3::chgdataClick()
{
    Form4->show();
    Form4->ListBox1->Clear();
    if (BrowseCursor.List != nullptr)
        for (const QString &name : BrowseCursor.List->Items())
            Form4->ListBox1->Add(name);
}

void TForm3::savebmpClick()
{
    if (!SavePictureDialog1.Execute(this))
        return;
    QString name = SavePictureDialog1.FileName;
    const QString extension = name.right(4);
    // A name with the extension of any offered type is written as that type, whichever filter
    // is chosen ("bild.png" under bitmaps is a PNG); other names get the filter's.
    const QString own = filterExtension(SavePictureDialog1.FilterIndex);
    bool offered = false;
    for (int filter = 1; filter <= 5; ++filter)
        offered = offered || extension == filterExtension(filter);
    if (!offered) {
        name += own;
        SavePictureDialog1.FileName = name;
    }
    // The export's own drawing pass tells the display window that the crosshair is gone, while
    // the window still shows it and the marker lines. Drawing the chart anew first takes them off
    // the screen, so that the screen and the crosshair record agree, also when the file cannot be
    // written.
    TChart &chart = *Form2->Chart1;
    chart.Repaint();
    const PictureFormat format = PictureFormatOfName(name);
    const QSize size(
        SavePictureDialog1.PictureWidth > 0 ? SavePictureDialog1.PictureWidth : chart.width(),
        SavePictureDialog1.PictureHeight > 0 ? SavePictureDialog1.PictureHeight : chart.height());
    const int textSize = SavePictureDialog1.PictureTextSize;
    // A chosen size or text size makes a picture for print.
    const bool forPrint =
        SavePictureDialog1.PictureWidth > 0 || SavePictureDialog1.PictureHeight > 0 || textSize > 0;
    if (format == PictureFormat::Bmp && !forPrint && size == chart.size())
        chart.SaveChartBitmap(name);
    else
        SaveChartPicture(
            chart, name, format, { size, SavePictureDialog1.PictureDpi, textSize, forPrint });
    SetCaption(Form2, name);
    ShowMessage(ToStdString(tr("File gespeichert") + QLatin1Char('\r') + name));
}

// ---- identifying the shown spectrum

// The spectrum chosen under Spektrum, else the top of the stack, described as the query of a
// search of the main window's file list.
void TForm3::BibliothekClick()
{
    int number = SpectrumTable.SpectrumCount - 1;
    if (!Edit1->text().isEmpty()) {
        number = chosenSpectrum();
        if (number < 0)
            return;
    } else if (number < 0) {
        ShowMessage(std::string(Messages::NoSpectrumShown));
        return;
    }
    const int rows = SpectrumTable.SpectrumRows(number);
    std::vector<double> x;
    std::vector<double> y;
    for (int r = 1; r <= rows; ++r) {
        x.push_back(SpectrumTable.SpectrumXAt(number, r));
        y.push_back(SpectrumTable.Cell(r, number + 2));
    }
    LibraryEntry query =
        x.empty() ? LibraryEntry() : DescribeSpectrum(x.data(), y.data(), x.size());
    // The file it came from when one file is shown; in a merged stack its name tells.
    if (Form4->ListBox2->Count() == 1)
        query.File = ToStdString(Form4->ListBox2->Item(0));
    query.Spectrum = number + 1;
    query.Name = SpectrumTable.Names[number];
    if (OnLibrarySearch)
        OnLibrarySearch(query);
}

// ---- accessibility and keyboard

// Names for the controls that their labels name, and Tab in reading order, a panel at a time.
void TForm3::setUpAccessibility()
{
    NameAfterLabels(Abstand, { Label1, Label2 });
    NameAfterLabels(showtitle, { Label3 });
    NameAfterLabels(showcrosshair, { Label5 });
    NameAfterLabels(Farben, { LabelFarben });
    NameAfterLabels(Legende, { LabelLegende });
    NameAfterLabels(Edit1, { Label4 });
    SetAccessibleRole(Panel1, QAccessible::Grouping);
    SetAccessibleRole(Panel2, QAccessible::Grouping);
    Bibliothek->setAccessibleName(Bibliothek->text());
    SetTabOrder({ Abstand, showtitle, showcrosshair, Farben, Legende, Button1, Edit1, Button3,
        Bibliothek, Button2, Findepeaks, chgdata, lastspek, Nextspek, savebmp, Close });
}
