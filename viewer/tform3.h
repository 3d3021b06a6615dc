#pragma once

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
};

extern TForm3 *Form3;
