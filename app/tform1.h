#pragma once

#include "dialogs.h"
#include "eachspectrum.h"
#include "libraryreport.h"
#include "matchreport.h"
#include "tmapview.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QAction;
class QFrame;
class QMenu;
class QProgressBar;
class QPushButton;
class TEdit;
class TLabel;
class TListBox;
class TSpinEdit;

// The main window: the list of files to search, the sought peaks with the search settings, the
// start button, the result list, and the status line with the progress bar. Its handlers
// manage the lists, run the search and open the viewer on a file of either list.
class TForm1 : public QWidget
{
    Q_OBJECT

public:
    TForm1();

    // controls, named as in the layout
    QPushButton *Button1;
    QPushButton *Button2;
    QPushButton *Button3;
    TLabel *Label1;
    TListBox *ListBox1;
    TLabel *Label2;
    QPushButton *Button4;
    TEdit *Edit1;
    TListBox *ListBox2;
    QPushButton *Button5;
    QPushButton *Button6;
    QPushButton *Button8;
    QPushButton *Button7;
    TLabel *Label3;
    TLabel *Label4;
    TSpinEdit *Abweichung;
    TLabel *Label6;
    TSpinEdit *maxfehl;
    QPushButton *Button9;
    QCheckBox *CheckBox1;
    TLabel *Label8;
    TLabel *Label9;
    TLabel *Label10;
    QPushButton *BitBtn1;
    TLabel *Label7;
    TListBox *ListBox3;
    QFrame *Bevel1;
    QProgressBar *Bar;
    TLabel *Label5;
    // the peak rule, beside the search settings (in free space of the layout)
    TLabel *RuleLabel; // "Peakregel"
    QComboBox *PeakRuleBox; // "Standard" or "Empfindlich"
    TLabel *FromLabel; // "ab x [1/cm]"
    TEdit *FromEdit; // the sensitive rule's lower x limit
    QCheckBox *SortByScore; // "nach Güte sortieren"
    QCheckBox *EachSpectrum; // "Jedes Spektrum": every spectrum of a file judged
    TLabel *RuleUsedLabel; // which rule the last search used
    // under the result list and beside it (free space): what the last search came to, and the
    // button that stops a running search
    TLabel *CountLabel;
    QPushButton *StopButton; // "Abbrechen", shown while a search runs
    TOpenDialog Adddialog;
    TOpenDialog peakDialog;

    // The current directory as it stood after the last use of the Add dialog; empty at start.
    QString LastAddDirectory;

    // handlers: the window
    void FormCreate();
    // the file lists
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void uebertragClick();
    void CheckBox1Click();
    // the sought peaks
    void Button4Click();
    void peaksenter(QChar key);
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();
    // the search run
    void Button9Click();
    // the viewer, opened on an entry of the file list or of the result list
    void listbox1dblclik();
    void malegrafik();

    // Judges the file that the search just read and lists it when it is selected.
    void TestFile(const QString &fileName);

    // The library search ("Bibliothek durchsuchen" in the preferences window): every file of the
    // file list described as an entry (each of its spectra with "Jedes Spektrum"), compared with
    // the query and listed in the result list best first, each file once at its best entry.
    // Refused files are named as the search names them; the sought peaks are left alone.
    void LibrarySearch(const LibraryEntry &query);
    // The last library search, which the match report explains until the next search by peaks.
    LibraryReport Library;

    // The match report of the last run: why each file was or was not selected. Kept until the
    // next run or until the file list changes; offered by the result list's context menu.
    MatchReport Report;
    bool HasReport() const; // a run made it and the file list is still the one it searched
    QMenu *ReportMenu;
    QAction *ReportCopyItem; // "Bericht kopieren"
    QAction *ReportSaveItem; // "Bericht speichern..."
    TSavePictureDialog ReportDialog; // the file-save dialog, asking before it replaces a file
    void ListBox3ContextPopup(const QPoint &position);
    void ReportCopyClick();
    void ReportSaveClick();
    QString ReportText() const; // the report with the user's separators (the library search's
                                // after one)

    // The rule the controls choose, stored as the rule in force; the lower limit's text is
    // converted with the user's separators (EConvertError when it is not a number).
    PeakRuleSettings ChosenPeakRule();
    void PeakRuleBoxChange();

    // The search the map view colours a map by: the sought peaks and settings as they stand.
    MapSearch CurrentMapSearch();

    // Files and folders dropped on the file list are added as Add adds them.
    void AddDroppedFiles(const QStringList &names);

private:
    void buildLayout();
    void connectHandlers();
    void setUpAccessibility();
    void setStatus(const QString &text);
    // The message naming the files of BadFileList, with the status "Fehler !!!!" while it is
    // open; nothing when there are none.
    void reportBadFiles();
    void readPeakFile(const std::string &fileName);
    void setupReport();
    std::string reportText() const;
    void setupFileDrop();
    void setupPeakRule();
    void setupResultLine();
    // Adds a file to the result list, with its score beside it when the search scored.
    void addResult(const QString &name, const double *score);
    // The results best score first, equal scores in the order found (as the report).
    void sortResultsByScore();
    // The line under the result list after a run of total files, searched of them judged.
    void showCount(int searched, int total, int refused, bool stopped);
    void showRuleUsed(const PeakRuleSettings &rule, bool sorted);
    // Opens the map view beside the display window when the file is a map.
    void showMapOf(const QString &name);
    // Judges every spectrum of the file, adds it to the results when it is selected (with its
    // best score into scores), and its rows or its refusal to the report.
    // Runs judge on every file of the list while the caption and bar follow the files, the
    // windows keep being painted and the stop button is shown; returns how many files were
    // judged (all of them unless the run was stopped, which stopped then says).
    int forEachListedFile(const std::function<void(const QString &)> &judge, bool &stopped);
    void testEachSpectrum(const QString &fileName, ParallelSpectrumJudge &judge,
        FileVerdict &verdict, std::vector<std::pair<double, QString>> &scores);

    bool m_running = false; // a search run is under way
    bool m_runScored = false; // the run under way scores its files
    bool m_hasReport = false;
    QStringList m_reportFiles; // the file list the report's run searched
    bool m_reportByScore = false; // the run sorted its results by score: so does its report
};

extern TForm1 *Form1;

// The main window's caption; during a search it is followed by " - " and the file's name.
extern const QString kMainCaption;

// The filter of the peak file dialog, and the first two entries of the Add dialog's.
extern const QString kFileFilter;
// The Add dialog's filter: kFileFilter and then one entry with every format the program reads,
// which is also what a folder dropped on the file list adds.
extern const QString kSpectrumFileFilter;
