#pragma once

#include <QWidget>

class QPushButton;
class TListBox;

// The peak list window: the positions of the peaks found in the shown data, one per line, as
// the preferences window's Finde Peaks writes them. Clicking a position marks it in the chart.
class TPeakanzeige : public QWidget
{
    Q_OBJECT

public:
    TPeakanzeige();

    TListBox *ListBox1;
    QPushButton *close;

    // handlers
    // Marks the clicked peak position in the chart with a vertical exclusive-or line.
    void ListBox1Click();
    void closeClick();

private:
    void setUpAccessibility();
};

extern TPeakanzeige *Peakanzeige;
