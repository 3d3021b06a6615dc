#pragma once

#include <QWidget>

class QPushButton;
class TListBox;

// The peak list window: the positions of the peaks found in the shown data, one per line.
class TPeakanzeige : public QWidget
{
    Q_OBJECT

public:
    TPeakanzeige();

    TListBox *ListBox1;
    QPushButton *close;
};

extern TPeakanzeige *Peakanzeige;
