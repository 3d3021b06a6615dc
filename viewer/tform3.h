#pragma once

#include "dialogs.h"
#include "spectrumlibrary.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QFrame;
class QPushButton;
class TEdit;
class TLabel;

// The display preferences window beside the chart: spacing, title and crosshair switches, the
// spectrum removal buttons, peak finding, browsing through the file list, picture saving, and the
// search of the file list for the spectra most like the shown one.
class TForm3 : public QWidget
{
    Q_OBJECT

public:
    TForm3();

    TLabel *Label1;
    TLabel *Label2;
    TEdit *Abstand;
    QCheckBox *showtitle;
    TLabel *Label3;
    QCheckBox *showcrosshair;
    TLabel *Label5;
    // Off: every spectrum black, as always. On: each its own colour (see SpectrumColor).
    QCheckBox *Farben;
    TLabel *LabelFarben;
    // On: the chart shows a legend of the spectra's names, the top of the stack first.
    QCheckBox *Legende;
    TLabel *LabelLegende;
    QPushButton *Button1;
    TLabel *Label4;
    TEdit *Edit1;
    QPushButton *Button3;
    QPushButton *Button2;
    // "Bibliothek durchsuchen": the shown spectrum compared with every file of the main window's
    // list (in free space between excl. Remove and Reload).
    QPushButton *Bibliothek;
    QPushButton *Findepeaks;
    QPushButton *chgdata;
    QFrame *Panel1;
    QPushButton *lastspek;
    QPushButton *Nextspek;
    QFrame *Panel2;
    QPushButton *savebmp;
    QPushButton *Close;
    TSavePictureDialog SavePictureDialog1;

    // handlers
    void CloseClick();
    void schliesse();
    void neuermaxwert(QChar Key);
    void showtitleClick();
    void FarbenClick();
    void LegendeClick();
    void NextspekClick();
    void lastspekClick();
    void Button2Click(); // Reload
    void Button1Click(); // Remove
    void Button3Click(); // excl. Remove
    void FindepeaksClick();
    void chgdataClick();
    void savebmpClick();
    void BibliothekClick();

    // events
    // The library search with the description of the spectrum the user chose; the main window
    // runs it over its file list. Unassigned: the button does nothing.
    std::function<void(const LibraryEntry &query)> OnLibrarySearch;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void setUpAccessibility();
    void connectHandlers();
    // Moves the browse cursor by one entry and shows that file, in the viewer and the editor.
    void step(int by);
    // The spectrum number in Edit1, or -1 when the field is empty or the number names no shown
    // spectrum (then a message says which numbers are valid).
    int chosenSpectrum();
};

extern TForm3 *Form3;
