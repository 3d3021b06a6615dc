#pragma once

#include "charttypes.h"

#include <QWidget>
#include <array>

class QAction;
class QMenu;
class TChart;
class TChartSeries;
class TLineSeries;

// Where the crosshair now drawn on the chart stands, in chart client pixels; X = -1 for none.
struct CrosshairStateData {
    int X = -1;
    int Y = -1;
};
extern CrosshairStateData CrosshairState;

// The display window: the chart Chart1, filling the client area, with 101 black line series that
// the plot builder fills. Over the chart's own drawing it puts transient exclusive-or lines: the
// crosshair following the mouse and the peak marker lines. Moving over the plot writes the data
// coordinates into the caption; a click on a line puts the spectrum's number into the
// preferences window. Closing hides the viewer's windows.
class TForm2 : public QWidget
{
    Q_OBJECT

public:
    TForm2();

    static constexpr int kSeriesCount = 101;
    TChart *Chart1;
    // Series1 ... Series101, series index 0 to 100.
    std::array<TLineSeries *, kSeriesCount> Lines {};

    // handlers
    void schliesse();
    void mousemove(TChart *Sender, TShiftState Shift, int X, int Y);
    void Chart1ClickSeries(TChart *Sender, TChartSeries *Series, int ValueIndex,
        TMouseButton Button, TShiftState Shift, int X, int Y);
    void Chart1AfterDraw(TChart *Sender);

    // operations
    // Draws the crosshair at (X, Y) in exclusive-or yellow; drawn again, it is erased.
    void DrawCrosshair(int X, int Y);
    // A white exclusive-or vertical line across the plot at pixel column X of Chart1 (whatever
    // chart is passed).
    void Paintline(TChart *chart, int X);

    // The picture on the clipboard, from a fresh pass (without crosshair and marker lines): the
    // image the BMP file holds and, for programs that take it, the SVG. Ctrl+C and the chart's
    // context menu ("Bild kopieren", by a right click that does not drag, or the menu key).
    void CopyPicture();
    QAction *CopyPictureItem;
    QMenu *ChartMenu;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setUpAccessibility();
    QPoint m_rightPress { -1000, -1000 };
};

extern TForm2 *Form2;
