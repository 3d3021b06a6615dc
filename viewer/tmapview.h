#pragma once

#include "filejudgement.h"
#include "hitmap.h"
#include "mapindex.h"
#include "peakrules.h"

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QProgressBar;
class QPushButton;
class TLabel;
class TMapView;

// The search a map is coloured by: the main window's sought peaks and settings.
struct MapSearch {
    std::vector<std::string> Targets;
    SearchSettings Settings;
    PeakRuleSettings Rule;
    bool Score = false; // sorting by score: the cells are shaded by it as under the sensitive rule
};

// The map drawn cell by cell: the mouse names the cell under it in the window's caption, a
// click (or Enter on the cell under the keyboard focus, moved with the arrow keys) shows its
// spectrum in the display window.
class MapCanvas : public QWidget
{
    Q_OBJECT

public:
    explicit MapCanvas(TMapView *view);
    long FocusCell() const { return m_focus; }
    void SetFocusCell(long cell);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    TMapView *m_view;
    long m_focus = -1;
};

// The map view: the file's spectra at their stage positions, coloured by the search. The
// spectra are read and judged on a thread of their own, so that the window stays responsive and
// a map of any size appears as it is read; only the cells are kept (see MapIndex).
class TMapView : public QWidget
{
    Q_OBJECT

public:
    TMapView();
    ~TMapView() override;

    // Opens the map of a file and judges it with the search that search gives (asked again by
    // "Karte aktualisieren").
    void Open(const QString &fileName, std::function<MapSearch()> search);
    // Judges the open map anew with the search as it stands ("Karte aktualisieren").
    void Refresh();
    // "Karte speichern...": the map as PNG, SVG or PDF, or every cell as a TSV table.
    void SaveMap();
    // Shows a cell's spectrum in the display window.
    void ShowCell(long cell);
    // The caption's words for a cell: its position, verdict, missing count and score.
    QString CellText(long cell) const;

    // Waits until the judging thread is done and takes in all it found (for tests).
    void WaitUntilJudged();
    bool Judging() const;

    const QString &FileName() const { return m_fileName; }
    const MapIndex &Map() const { return m_map; }
    const MapLayout &Layout() const { return m_layout; }
    const HitMapLook &Look() const { return m_look; }
    const std::vector<std::string> &Targets() const { return m_search.Targets; }

    MapCanvas *Canvas;
    QPushButton *RefreshButton; // "Karte aktualisieren"
    QPushButton *SaveButton; // "Karte speichern..."
    TLabel *StatusLabel;
    QProgressBar *Progress;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Job;
    void start();
    void stop();
    void takeIn(bool final);

    QString m_fileName;
    std::function<MapSearch()> m_searchSource;
    MapSearch m_search;
    MapIndex m_map;
    MapLayout m_layout;
    HitMapLook m_look;
    std::unique_ptr<Job> m_job;
    QTimer m_timer;
    qint64 m_arrangedAt = 0; // when the layout was last inferred, in ms of the run
};

extern TMapView *MapView;

// The map view, made at its first use; the display window's companion.
TMapView *TheMapView();

// Whether a file is a map: more than one spectrum, each with a stage position.
bool IsMapFile(const QString &fileName);
