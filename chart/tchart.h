#pragma once

#include "chartowner.h"
#include "chartparts.h"
#include "charttypes.h"
#include "tchartaxis.h"
#include "tvelcanvas3d.h"

#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QPainter;
class TChartSeries;
class TLineSeries;

// The chart control: an ordered list of series drawn against five axes, with title, foot and
// back wall. A drawing pass renders into the canvas' buffer and copies it to the window's
// surface, an image the control keeps; paintEvent only shows that surface. Invalidation marks the
// picture out of date and the next paint runs a pass. Exclusive-or drawing through Canvas()
// between passes goes onto the surface and stays there, also when the window is uncovered, until
// the next pass. The same Draw renders an export into a fresh image, never the surface.
// The pass hands the series and axes what they need (the axis mappings, the plot rectangle, each
// axis' extent and margins gathered from its series); they tell the chart of changes through
// ChartOwner::Invalidate.
class TChart : public QWidget, public ChartOwner
{
public:
    explicit TChart(QWidget *parent = nullptr);
    ~TChart() override;

    // series
    int SeriesCount() const { return static_cast<int>(m_series.size()); }
    // The series at index; an index outside the list raises the list error.
    TChartSeries *SeriesAt(int index) const;
    const std::vector<TChartSeries *> &SeriesList() const { return m_series; }
    // A new line series owned by the chart and attached to it.
    TLineSeries *AddLineSeries(const std::string &name);
    // Takes series in: owned by the chart from now on, given a colour of the palette if it has
    // none, and attached to the chart's axes. Returns it.
    TChartSeries *AddSeries(std::unique_ptr<TChartSeries> series);

    // axes, in their list order bottom, top, left, right, depth
    TChartAxis *BottomAxis() const { return m_axes[0].get(); }
    TChartAxis *TopAxis() const { return m_axes[1].get(); }
    TChartAxis *LeftAxis() const { return m_axes[2].get(); }
    TChartAxis *RightAxis() const { return m_axes[3].get(); }
    TChartAxis *DepthAxis() const { return m_axes[4].get(); }
    int AxisCount() const { return static_cast<int>(m_axes.size()); }
    TChartAxis *AxisAt(int index) const { return m_axes.at(static_cast<std::size_t>(index)).get(); }

    // properties
    TChartTitle Title;
    TChartTitle Foot;
    TChartWall BackWall;
    TChartWall LeftWall;
    TChartWall BottomWall;
    TChartPen &Frame() { return BackWall.Pen; }
    TColor Color() const { return m_color; }
    void SetColor(TColor value);
    TColor BackColor() const { return BackWall.Color(); }
    // Also makes the back wall's brush solid once the chart sits in a window.
    void SetBackColor(TColor value);
    int MarginLeft() const { return m_marginLeft; }
    void SetMarginLeft(int value);
    int MarginTop() const { return m_marginTop; }
    void SetMarginTop(int value);
    int MarginRight() const { return m_marginRight; }
    void SetMarginRight(int value);
    int MarginBottom() const { return m_marginBottom; }
    void SetMarginBottom(int value);
    int BorderWidth() const { return m_borderWidth; }
    void SetBorderWidth(int value);
    int Chart3DPercent() const { return m_chart3DPercent; }
    // A value outside 1..100 is refused with the chart's error.
    void SetChart3DPercent(int value);
    bool View3D() const { return m_view3D; }
    void SetView3D(bool value);
    bool View3DWalls() const { return m_view3DWalls; }
    void SetView3DWalls(bool value);
    bool View3DOrthogonal() const { return m_view3DOrthogonal; }
    void SetView3DOrthogonal(bool value);
    bool ClipPoints() const { return m_clipPoints; }
    void SetClipPoints(bool value);
    bool AxisVisible() const { return m_axisVisible; }
    void SetAxisVisible(bool value);
    // The legend: a framed column of a line in each shown series' colour and its title, at the
    // right of the plot area, which gives it room. It lists the active series with
    // ShowInLegend in list order, or from the last one when inverted (the top of a stack first);
    // rows that do not fit end in one that counts them.
    bool LegendVisible() const { return m_legendVisible; }
    void SetLegendVisible(bool value);
    bool LegendInverted() const { return m_legendInverted; }
    void SetLegendInverted(bool value) { SetProperty(m_legendInverted, value); }
    TChartFont LegendFont;
    // The compact legend of a picture for print: as wide as its longest name, the names first
    // shortened by what they all share (a folder, a beginning, an ending), inside a corner of the
    // plot area that no series passes through, or above the plot area when no corner is free. It
    // takes no room from the plot area beside it.
    bool LegendCompact() const { return m_legendCompact; }
    void SetLegendCompact(bool value) { SetProperty(m_legendCompact, value); }
    // The legend's rectangle in the last drawing pass (empty when none was drawn) and the series
    // of its rows, from the top.
    TRect LegendRect() const { return m_legendRect; }
    const std::vector<TChartSeries *> &LegendRows() const { return m_legendRows; }
    int LegendRowHeight() const { return m_legendRowHeight; }
    // False while the chart is being built; invalidation is ignored then.
    bool RepaintEnabled() const { return m_repaintEnabled; }

    // geometry of the last drawing pass
    TRect PlotRect() const { return m_plotRect; }
    TRect PanelBounds() const { return m_panelBounds; }
    int DepthOffsetX() const { return m_depthOffsetX; }
    int DepthOffsetY() const { return m_depthOffsetY; }

    // The canvas, drawing on the window's surface between passes.
    TVelCanvas3D *Canvas();
    // What the window shows.
    const QImage &Surface() const { return m_surface; }

    // operations
    // Marks the picture out of date and asks for a paint (ignored while the chart is built).
    void Invalidate() override;
    // Invalidates and runs the drawing pass at once.
    void Repaint();
    // The drawing pass onto target over rect (buffered through the canvas when buffering is on).
    void Draw(QImage &target, const TRect &rect);
    // The same pass drawn through painter (on an SVG or PDF writer, say) over rect, as vectors.
    void Draw(QPainter &painter, const TRect &rect);
    // The same pass onto any canvas target, over its bounds.
    void Draw(CanvasTarget &target);
    // A new image of rect's size with the chart drawn into it, unbuffered.
    QImage CreateChartBitmap(TColor background, const TRect &rect);
    // Writes the chart at its client size as a BMP file, through the one picture write path
    // (chartpicture.h). A file that cannot be written raises
    // EFCreateError and leaves any existing file as it was, except an existing file in a folder
    // that refuses new files: that one is written over in place.
    void SaveChartBitmap(const QString &fileName);

    // events
    std::function<void(TChart *Sender)> OnAfterDraw;
    std::function<void(TChart *Sender)> OnBeforeDrawAxes;
    std::function<void(TChart *Sender)> OnBeforeDrawSeries;
    std::function<void(
        TChartAxis *Sender, TChartSeries *Series, int ValueIndex, QString &LabelText)>
        OnGetAxisLabel;

    // mouse drags (the rubber band is drawn by every pass while a zoom drag is active)
    struct TZoomPanningRecord {
        bool Active = false;
        int X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
    };
    TZoomPanningRecord ZoomDrag;
    TZoomPanningRecord PanDrag;
    void DrawZoomRectangle();

    // mouse: settings
    bool AllowZoom = true;
    TPanningMode AllowPanning = pmBoth;
    bool AnimatedZoom = false;
    int AnimatedZoomSteps = 8;
    // The chart's cursor; the value set last is also the resting cursor the chart returns to.
    TCursor ChartCursor() const { return m_restingCursor; }
    void SetChartCursor(TCursor value);
    // The cursor shown now (the resting one, a series' one, or the arrow during a drag).
    TCursor CurrentCursor() const { return m_currentCursor; }
    // Set just before a click event handler runs; a handler that leaves it set consumes the
    // press. Cleared at the end of every press. OnMouseDown may set it to skip the press.
    bool MouseHandled = false;
    bool Zoomed() const { return m_zoomed; }

    // mouse: what lies under a pixel
    enum TChartClickedPartStyle {
        cpNone,
        cpLegend,
        cpAxis,
        cpSeries,
        cpTitle,
        cpFoot,
        cpChartRect
    };
    struct TChartClickedPart {
        TChartClickedPartStyle Part = cpNone;
        int PointIndex = -1;
        TChartSeries *ASeries = nullptr;
        TChartAxis *AAxis = nullptr;
    };
    // The hit test at (x, y) on the geometry of the last drawing pass, first match wins: series
    // from the top one down, shown axes, title, foot, the legend (PointIndex its row from 0,
    // ASeries that row's series, null for the counting row), the plot area (with an active
    // series).
    TChartClickedPart CalcClickedPart(int x, int y) const;

    // mouse: operations, as the window's mouse events call them (also callable from tests)
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MouseMove(TShiftState shift, int x, int y);
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    void MouseLeave();
    // Zooms every side axis to the pixel rectangle (x0, y0)-(x1, y1) of the last pass.
    void ZoomRect(int x0, int y0, int x1, int y1);
    // Restores the ranges saved before the first zoom or scroll.
    void UndoZoom();
    // Scrolls the axes of one orientation by the move of the pointer from pixel from to pixel to.
    // Returns whether any axis scrolled.
    bool ScrollAxes(bool horizontal, int from, int to);
    // The pointer's position in client pixels now (read from the window system).
    QPoint CursorPosition() const;
    // The values of series' axes under the pointer now (not from an event).
    void CursorValues(const TChartSeries &series, double &x, double &y) const;

    // mouse: events
    std::function<void(TChart *Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>
        OnMouseDown;
    std::function<void(TChart *Sender, TShiftState Shift, int X, int Y)> OnMouseMove;
    std::function<void(TChart *Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>
        OnMouseUp;
    std::function<void(TChart *Sender, TChartSeries *Series, int ValueIndex, TMouseButton Button,
        TShiftState Shift, int X, int Y)>
        OnClickSeries;
    std::function<void(
        TChart *Sender, TChartAxis *Axis, TMouseButton Button, TShiftState Shift, int X, int Y)>
        OnClickAxis;
    std::function<void(TChart *Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>
        OnClickBackground;
    std::function<void(TChart *Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>
        OnClickLegend;
    std::function<void(TChart *Sender)> OnZoom;
    std::function<void(TChart *Sender)> OnUndoZoom;
    std::function<void(TChart *Sender)> OnScroll;
    std::function<void(TChartAxis *Sender, double &AMin, double &AMax, bool &AllowScroll)>
        OnAllowScroll;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void ensureSurface();
    // Shown when axes are visible, this one is, and an active series belongs to it.
    bool axisShown(const TChartAxis &axis) const;
    // The extent of the series bound to axis along it (the active ones, or all when none is
    // active); 0 to 0 for none.
    TValueRange seriesExtent(const TChartAxis &axis) const;
    TAxisMargins seriesMargins(const TChartAxis &axis) const;
    TAxisLabelStyle seriesLabelStyle(const TChartAxis &axis) const;
    void normalisePlotRect();
    // The pass after its canvas pass has begun; ends that.
    void pass();
    void innerDraw();
    void drawTitle(TChartTitle &title, bool top);
    void drawLegend();
    // The compact legend's rows and size, measured before the axes take their room.
    void measureCompactLegend(const std::vector<TChartSeries *> &shown);
    // Whether no active series passes through rect.
    bool plotAreaFree(const TRect &rect);
    // Places the measured compact legend after the axes took their room; plotBeforeAxes is the
    // plot area they started from.
    void placeCompactLegend(const TRect &plotBeforeAxes);
    void drawCompactLegend();
    void calcAxisSpace();
    void showCursor(TCursor cursor);
    void startDrag(TMouseButton button, TShiftState shift, int x, int y, bool &handled);
    void backgroundClick(TMouseButton button, TShiftState shift, int x, int y, bool &handled);
    void saveZoomMemory();

    std::vector<std::unique_ptr<TChartAxis>> m_axes;
    std::vector<TChartSeries *> m_series;
    std::vector<std::unique_ptr<TChartSeries>> m_ownedSeries;
    TVelCanvas3D m_canvas;
    QImage m_surface;

    TColor m_color = clWhite;
    int m_marginLeft = 3;
    int m_marginTop = 4;
    int m_marginRight = 3;
    int m_marginBottom = 4;
    int m_borderWidth = 0;
    int m_chart3DPercent = 15;
    bool m_view3D = true;
    bool m_view3DWalls = true;
    bool m_view3DOrthogonal = true;
    bool m_clipPoints = true;
    bool m_axisVisible = true;
    bool m_legendVisible = true;
    bool m_legendInverted = false;
    bool m_legendCompact = false;
    struct CompactLegend {
        bool Pending = false;
        std::vector<QString> Texts;
        std::vector<TChartSeries *> Rows; // null for the counting row
        int Width = 0, Height = 0, Pad = 0, Sample = 0;
    } m_compact;
    TRect m_legendRect {};
    std::vector<TChartSeries *> m_legendRows;
    int m_legendRowHeight = 0;
    int m_legendRowsTop = 0;
    bool m_repaintEnabled = false;
    bool m_updatePending = false;
    bool m_drawing = false;

    TCursor m_restingCursor = crDefault;
    TCursor m_currentCursor = crDefault;
    bool m_zoomed = false;
    bool m_zoomMemorySaved = false;
    std::vector<TChartAxis::TRangeState> m_zoomMemory;

    TRect m_panelBounds;
    TRect m_plotRect;
    int m_depthOffsetX = 0;
    int m_depthOffsetY = 0;
};

// The names with what they all share taken off, a whole part at a time (a folder, a beginning
// such as "Calcite_", an ending such as ".txt"), unless that would leave a name empty.
std::vector<QString> ShortenedLegendNames(const std::vector<QString> &names);
