// The chart's answer to the mouse, the second half of TChart's members: the hit test of the
// chart's parts, click events, the rubber-band zoom and its undo, scrolling with the right
// button, and the cursor over series lines. What a series answers lives with the series.

#include "guard.h"
#include "tchart.h"
#include "tchartaxis.h"
#include "tchartseries.h"

#include <QCursor>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace
{

// A zoom drag must reach further than this in both directions to zoom or undo.
constexpr int kZoomThreshold = 16;
// The width of an axis' click band beyond the axis line.
constexpr int kAxisClickGap = 3;
constexpr double kAnimatedZoomFactor = 3.0;

TMouseButton buttonOf(Qt::MouseButton button)
{
    switch (button) {
    case Qt::RightButton:
        return mbRight;
    case Qt::MiddleButton:
        return mbMiddle;
    default:
        return mbLeft;
    }
}

TShiftState shiftOf(const QMouseEvent *event)
{
    TShiftState shift = 0;
    const Qt::KeyboardModifiers keys = event->modifiers();
    if (keys.testFlag(Qt::ShiftModifier))
        shift |= ssShift;
    if (keys.testFlag(Qt::AltModifier))
        shift |= ssAlt;
    if (keys.testFlag(Qt::ControlModifier))
        shift |= ssCtrl;
    const Qt::MouseButtons buttons = event->buttons();
    if (buttons.testFlag(Qt::LeftButton))
        shift |= ssLeft;
    if (buttons.testFlag(Qt::RightButton))
        shift |= ssRight;
    if (buttons.testFlag(Qt::MiddleButton))
        shift |= ssMiddle;
    return shift;
}

Qt::CursorShape shapeOf(TCursor cursor)
{
    return cursor == crCross ? Qt::CrossCursor : Qt::ArrowCursor;
}

} // namespace

void TChart::CursorValues(const TChartSeries &series, double &x, double &y) const
{
    const QPoint p = CursorPosition();
    x = series.PixelToXValue(p.x());
    y = series.PixelToYValue(p.y());
}

QPoint TChart::CursorPosition() const
{
    return mapFromGlobal(QCursor::pos());
}

void TChart::SetChartCursor(TCursor value)
{
    m_restingCursor = value;
    showCursor(value);
}

void TChart::showCursor(TCursor cursor)
{
    if (cursor == m_currentCursor && testAttribute(Qt::WA_SetCursor))
        return;
    m_currentCursor = cursor;
    setCursor(shapeOf(cursor));
}

TChart::TChartClickedPart TChart::CalcClickedPart(int x, int y) const
{
    TChartClickedPart result;
    for (auto it = m_series.rbegin(); it != m_series.rend(); ++it) {
        TChartSeries *s = *it;
        if (!s->Active())
            continue;
        const int index = s->ClickedValueIndex(x, y);
        if (index != -1) {
            result.Part = cpSeries;
            result.PointIndex = index;
            result.ASeries = s;
            return result;
        }
    }
    for (const auto &axis : m_axes) {
        if (!axisShown(*axis))
            continue;
        const int alongFrom = std::min(axis->PixelStart(), axis->PixelEnd());
        const int alongTo = std::max(axis->PixelStart(), axis->PixelEnd());
        // Labels stand before the axis line on the left and top sides, after it elsewhere.
        const bool labelsBefore = axis->IsHorizontal ? axis->IsOtherSide : !axis->IsOtherSide;
        const int a = labelsBefore ? axis->PosLabels : axis->PosAxis - kAxisClickGap;
        const int b = labelsBefore ? axis->PosAxis + kAxisClickGap : axis->PosLabels;
        const TRect band = axis->IsHorizontal
            ? TRect { alongFrom, std::min(a, b), alongTo, std::max(a, b) }
            : TRect { std::min(a, b), alongFrom, std::max(a, b), alongTo };
        if (band.Contains(x, y)) {
            result.Part = cpAxis;
            result.AAxis = axis.get();
            return result;
        }
    }
    if (Title.Visible() && Title.TitleRect.Contains(x, y)) {
        result.Part = cpTitle;
        return result;
    }
    if (Foot.Visible() && Foot.TitleRect.Contains(x, y)) {
        result.Part = cpFoot;
        return result;
    }
    if (m_legendVisible && m_legendRect.Contains(x, y) && m_legendRowHeight > 0) {
        const int row = std::max(0, y - m_legendRowsTop) / m_legendRowHeight;
        result.Part = cpLegend;
        if (row >= 0 && row < static_cast<int>(m_legendRows.size())) {
            result.PointIndex = row;
            result.ASeries = m_legendRows[static_cast<std::size_t>(row)];
        }
        return result;
    }
    const bool anyActive = std::any_of(
        m_series.begin(), m_series.end(), [](const TChartSeries *s) { return s->Active(); });
    if (anyActive && m_plotRect.Contains(x, y))
        result.Part = cpChartRect;
    return result;
}

void TChart::backgroundClick(TMouseButton button, TShiftState shift, int x, int y, bool &handled)
{
    if (!OnClickBackground)
        return;
    MouseHandled = true;
    OnClickBackground(this, button, shift, x, y);
    handled = MouseHandled;
}

void TChart::startDrag(TMouseButton button, TShiftState shift, int x, int y, bool &handled)
{
    // Zooming and scrolling need no keys held besides their buttons.
    (void)shift;
    if (AllowZoom && button == mbLeft) {
        showCursor(crArrow);
        ZoomDrag = TZoomPanningRecord { true, x, y, x, y };
        DrawZoomRectangle();
        handled = true;
    }
    if (AllowPanning != pmNone && button == mbRight) {
        showCursor(crArrow);
        PanDrag = TZoomPanningRecord { true, x, y, x, y };
        handled = true;
    }
}

void TChart::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
    if (ZoomDrag.Active || PanDrag.Active)
        return;
    if (MouseHandled) {
        MouseHandled = false;
        return;
    }
    const TChartClickedPart part = CalcClickedPart(x, y);
    bool handled = false;
    switch (part.Part) {
    case cpSeries: {
        TChartSeries *s = part.ASeries;
        MouseHandled = false;
        if ((shift & ssDouble) != 0 && s->OnDblClick) {
            MouseHandled = true;
            s->OnDblClick(s, part.PointIndex, button, shift, x, y);
        } else if (s->OnClick) {
            MouseHandled = true;
            s->OnClick(s, part.PointIndex, button, shift, x, y);
        }
        handled = MouseHandled;
        if (OnClickSeries) {
            MouseHandled = true;
            OnClickSeries(this, s, part.PointIndex, button, shift, x, y);
            handled = MouseHandled;
        }
        if (!handled)
            startDrag(button, shift, x, y, handled);
        break;
    }
    case cpAxis:
        if (OnClickAxis) {
            MouseHandled = true;
            OnClickAxis(this, part.AAxis, button, shift, x, y);
            handled = MouseHandled;
        }
        if (!handled)
            startDrag(button, shift, x, y, handled);
        break;
    case cpChartRect:
        backgroundClick(button, shift, x, y, handled);
        if (!handled)
            startDrag(button, shift, x, y, handled);
        break;
    case cpLegend:
        if (OnClickLegend) {
            MouseHandled = true;
            OnClickLegend(this, button, shift, x, y);
            handled = MouseHandled;
        }
        break;
    case cpTitle:
    case cpFoot:
    case cpNone:
        break;
    }
    if (!handled)
        backgroundClick(button, shift, x, y, handled);
    MouseHandled = false;
}

void TChart::MouseMove(TShiftState shift, int x, int y)
{
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
    if (ZoomDrag.Active) {
        if (x == ZoomDrag.X1 && y == ZoomDrag.Y1)
            return;
        DrawZoomRectangle();
        ZoomDrag.X1 = x;
        ZoomDrag.Y1 = y;
        DrawZoomRectangle();
    } else if (PanDrag.Active) {
        if (!m_plotRect.Contains(x, y)) {
            PanDrag.Active = false;
            return;
        }
        if (x == PanDrag.X1 && y == PanDrag.Y1)
            return;
        saveZoomMemory();
        const bool horizontal = ScrollAxes(true, PanDrag.X1, x);
        const bool vertical = ScrollAxes(false, PanDrag.Y1, y);
        PanDrag.X1 = x;
        PanDrag.Y1 = y;
        if (horizontal || vertical) {
            if (OnScroll)
                OnScroll(this);
            Invalidate();
        }
    } else {
        for (TChartSeries *s : m_series) {
            if (s->Active() && s->Cursor != crDefault && s->ClickedValueIndex(x, y) != -1) {
                showCursor(s->Cursor);
                return;
            }
        }
        showCursor(m_restingCursor);
    }
}

void TChart::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
    if (ZoomDrag.Active && button == mbLeft) {
        ZoomDrag.Active = false;
        DrawZoomRectangle();
        m_canvas.Pen.Mode = pmCopy;
        ZoomDrag.X1 = x;
        ZoomDrag.Y1 = y;
        const TZoomPanningRecord &z = ZoomDrag;
        if (std::abs(z.X1 - z.X0) > kZoomThreshold && std::abs(z.Y1 - z.Y0) > kZoomThreshold) {
            if (z.X1 > z.X0 && z.Y1 > z.Y0)
                ZoomRect(z.X0, z.Y0, z.X1, z.Y1);
            else
                UndoZoom();
            Invalidate();
        }
    }
    PanDrag.Active = false;
}

void TChart::MouseLeave()
{
    showCursor(m_restingCursor);
    PanDrag.Active = false;
}

void TChart::saveZoomMemory()
{
    if (m_zoomMemorySaved)
        return;
    m_zoomMemory.clear();
    for (TChartAxis *axis : { LeftAxis(), TopAxis(), RightAxis(), BottomAxis() })
        m_zoomMemory.push_back(axis->RangeState());
    m_zoomMemorySaved = true;
}

void TChart::ZoomRect(int x0, int y0, int x1, int y1)
{
    if (x0 > x1)
        std::swap(x0, x1);
    if (y0 > y1)
        std::swap(y0, y1);
    saveZoomMemory();
    struct Target {
        TChartAxis *Axis;
        double Minimum;
        double Maximum;
    };
    // Every new range comes from the mappings of the last pass, before any axis changes.
    std::vector<Target> targets;
    for (TChartAxis *axis : { TopAxis(), BottomAxis() })
        targets.push_back({ axis, axis->AxisPixelToValue(x0), axis->AxisPixelToValue(x1) });
    for (TChartAxis *axis : { LeftAxis(), RightAxis() })
        targets.push_back({ axis, axis->AxisPixelToValue(y1), axis->AxisPixelToValue(y0) });
    if (AnimatedZoom) {
        std::vector<std::pair<double, double>> current;
        current.reserve(targets.size());
        for (const Target &t : targets)
            current.emplace_back(t.Axis->Minimum(), t.Axis->Maximum());
        for (int step = 1; step < AnimatedZoomSteps; ++step) {
            for (std::size_t i = 0; i < targets.size(); ++i) {
                auto &[lo, hi] = current[i];
                hi += (targets[i].Maximum - hi) / kAnimatedZoomFactor;
                lo += (targets[i].Minimum - lo) / kAnimatedZoomFactor;
                targets[i].Axis->SetAxisRange(lo, hi);
            }
            Repaint();
        }
    }
    for (const Target &t : targets)
        t.Axis->SetAxisRange(t.Minimum, t.Maximum);
    m_zoomed = true;
    if (OnZoom)
        OnZoom(this);
}

void TChart::UndoZoom()
{
    if (m_zoomMemorySaved) {
        TChartAxis *order[] = { LeftAxis(), TopAxis(), RightAxis(), BottomAxis() };
        for (std::size_t i = 0; i < m_zoomMemory.size(); ++i)
            order[i]->RestoreRangeState(m_zoomMemory[i]);
        m_zoomMemorySaved = false;
    }
    if (OnUndoZoom)
        OnUndoZoom(this);
    Invalidate();
    m_zoomed = false;
}

bool TChart::ScrollAxes(bool horizontal, int from, int to)
{
    if (from == to)
        return false;
    const TPanningMode direction = horizontal ? pmHorizontal : pmVertical;
    if (AllowPanning != direction && AllowPanning != pmBoth)
        return false;
    bool scrolled = false;
    for (const auto &axis : m_axes) {
        if (axis->IsDepthAxis || axis->IsHorizontal != horizontal)
            continue;
        const double delta = axis->AxisPixelToValue(from) - axis->AxisPixelToValue(to);
        double aMin = axis->Minimum() + delta;
        double aMax = axis->Maximum() + delta;
        // Scrolling stops where the range would leave the doubles.
        bool allow = std::isfinite(aMax - aMin);
        if (OnAllowScroll)
            OnAllowScroll(axis.get(), aMin, aMax, allow);
        allow = allow && std::isfinite(aMax - aMin);
        if (allow) {
            axis->SetAxisRange(aMin, aMax);
            scrolled = true;
        }
    }
    return scrolled;
}

// The window's mouse events, each through the guard. A press that ends by an error still ends
// with MouseHandled cleared.

void TChart::mousePressEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    Guarded([&] { MouseDown(buttonOf(event->button()), shiftOf(event), p.x(), p.y()); });
    MouseHandled = false;
}

void TChart::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    Guarded([&] { MouseDown(buttonOf(event->button()), shiftOf(event) | ssDouble, p.x(), p.y()); });
    MouseHandled = false;
}

void TChart::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    Guarded([&] { MouseMove(shiftOf(event), p.x(), p.y()); });
}

void TChart::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    Guarded([&] { MouseUp(buttonOf(event->button()), shiftOf(event), p.x(), p.y()); });
}

void TChart::leaveEvent(QEvent *)
{
    Guarded([this] { MouseLeave(); });
}
