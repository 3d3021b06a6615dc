#pragma once

#include <QWidget>

class QPushButton;
class TLabel;
class TListBox;

// The change-visible-data window: picks several files of the browsed list and orders them into
// one stacked view.
class TForm4 : public QWidget
{
    Q_OBJECT

public:
    TForm4();

    TLabel *Label1;
    TListBox *ListBox1;
    QPushButton *Button2;
    QPushButton *Button3;
    QPushButton *BitBtn1;
    TLabel *Label2;
    TListBox *ListBox2;
    QPushButton *ganznochoben;
    QPushButton *Nachoben;
    QPushButton *nachunten;
    QPushButton *ganznachunten;
};

extern TForm4 *Form4;
