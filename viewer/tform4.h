#pragma once

#include <QWidget>

class QPushButton;
class TLabel;
class TListBox;

// The change-visible-data window: picks several files of the browsed list and orders them into
// one stacked view, the first entry of the lower list on top. There is no OK button: closing the
// window merges the files into the spectrum table and redraws the chart.
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

    // handlers
    void ListBox1DblClick();
    void BitBtn1Click();
    void Button2Click(); // Remove
    void Button3Click(); // Clear
    void NachobenClick();
    void nachuntenClick();
    void ganznochobenClick();
    void ganznachuntenClick();
    // Merges the files of ListBox2 into one stacked view; the window closes only when it did.
    void FormClose();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void setUpAccessibility();
    void connectHandlers();
    void swapEntries(int upper, int lower);

    bool m_merged = false;
};

extern TForm4 *Form4;
