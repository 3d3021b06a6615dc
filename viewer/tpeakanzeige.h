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
    // Beside the positions under the sensitive rule: each peak's prominence, in the row of its
    // position. Hidden under the fixed rule, when the window has its own narrow width.
    TListBox *Prominences;
    void ShowProminences(bool shown);

    // handlers
    // Marks the clicked peak position in the chart with a vertical exclusive-or line.
    void ListBox1Click();
    void closeClick();

private:
    void setUpAccessibility();
    bool m_widened = false; // ShowProminences made room for the prominences
};

extern TPeakanzeige *Peakanzeige;
