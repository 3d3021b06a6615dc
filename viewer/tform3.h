#pragma once

#include "dialogs.h"

#include <QWidget>

class QCheckBox;
class QFrame;
class QPushButton;
class TEdit;
class TLabel;

// The display preferences window beside the chart: spacing, title and crosshair switches, the
// spectrum removal buttons, peak finding, browsing through the file list and picture saving.
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
