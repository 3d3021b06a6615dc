#include "tchart.h"

#include "chartexceptions.h"
#include "chartmessages.h"
#include "guard.h"
#include "messages.h"
#include "qtstrings.h"
#include "rounding.h"
#include "tchartseries.h"
#include "tlineseries.h"
#include "vectortarget.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <exception>

namespace
{

// Runs a function when leaving a scope, also by an exception.
template <typename Fn> class ScopeExit
{
public:
    explicit ScopeExit(Fn fn)
        : m_fn(std::move(fn))
    {
    }
    ~ScopeExit() { m_fn(); }
    ScopeExit(const ScopeExit &) = delete;
    ScopeExit &operator=(const ScopeExit &) = delete;

private:
    Fn m_fn;
};

} // namespace

TChart::TChart(QWidget *parent)
    : QWidget(parent)
    , Title(this)
    , Foot(this)
    , BackWall(this)
    , LeftWall(this)
    , BottomWall(this)
    , LegendFont(this)
{
    m_axes.push_back(std::make_unique<TChartAxis>(this, true, false));
    m_axes.push_back(std::make_unique<TChartAxis>(this, true, true));
    m_axes.push_back(std::make_unique<TChartAxis>(this, false, false));
    m_axes.push_back(std::make_unique<TChartAxis>(this, false, true));
    m_axes.push_back(std::make_unique<TChartAxis>(this, false, false, true));
    for (auto &axis : m_axes)
        axis->OnLabelText = [this](TChartAxis *sender, QString &text) {
            if (OnGetAxisLabel)
                OnGetAxisLabel(sender, nullptr, -1, text);
        };
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    resize(400, 250);
    m_canvas.SetWindowSurface(&m_surface);
    m_canvas.SetOnSurfaceChanged([this](const QRect &area) { update(area); });
    m_repaintEnabled = true;
}

TChart::~TChart()
{
    m_repaintEnabled = false;
    m_series.clear();
    m_ownedSeries.clear();
}

TChartSeries *TChart::SeriesAt(int index) const
{
    if (index < 0 || index >= SeriesCount())
        ThrowListIndexError(index);
    return m_series[static_cast<std::size_t>(index)];
}

TLineSeries *TChart::AddLineSeries(const std::string &name)
{
    return static_cast<TLineSeries *>(AddSeries(std::make_unique<TLineSeries>(name)));
}

TChartSeries *TChart::AddSeries(std::unique_ptr<TChartSeries> series)
{
    TChartSeries *raw = series.get();
    if (raw->SeriesColor() == DefaultColorMark) {
        TColor chosen = DefaultPaletteColor(0);
        for (int i = 0; i < 16; ++i) {
            const TColor candidate = DefaultPaletteColor(i);
            const bool used = std::any_of(m_series.begin(), m_series.end(),
                [&](const TChartSeries *s) { return s->SeriesColor() == candidate; });
            if (!used && candidate != m_color && candidate != BackColor()) {
                chosen = candidate;
                break;
            }
        }
        raw->SetSeriesColor(chosen);
    }
    m_ownedSeries.push_back(std::move(series));
    m_series.push_back(raw);
    raw->AttachTo(this, TSideAxes { BottomAxis(), TopAxis(), LeftAxis(), RightAxis() });
    Invalidate();
    return raw;
}

void TChart::SetColor(TColor value)
{
    SetProperty(m_color, value);
}

void TChart::SetBackColor(TColor value)
{
    BackWall.SetColor(value);
    if (parentWidget() != nullptr)
        BackWall.Brush.SetStyle(bsSolid);
}

void TChart::SetMarginLeft(int value)
{
    SetProperty(m_marginLeft, value);
}

void TChart::SetMarginTop(int value)
{
    SetProperty(m_marginTop, value);
}

void TChart::SetMarginRight(int value)
{
    SetProperty(m_marginRight, value);
}

void TChart::SetMarginBottom(int value)
{
    SetProperty(m_marginBottom, value);
}

void TChart::SetBorderWidth(int value)
{
    SetProperty(m_borderWidth, value);
}

void TChart::SetView3D(bool value)
{
    SetProperty(m_view3D, value);
}

void TChart::SetView3DWalls(bool value)
{
    SetProperty(m_view3DWalls, value);
}

void TChart::SetView3DOrthogonal(bool value)
{
    SetProperty(m_view3DOrthogonal, value);
}

void TChart::SetClipPoints(bool value)
{
    SetProperty(m_clipPoints, value);
}

void TChart::SetAxisVisible(bool value)
{
    SetProperty(m_axisVisible, value);
}

void TChart::SetLegendVisible(bool value)
{
    SetProperty(m_legendVisible, value);
}

void TChart::SetChart3DPercent(int value)
{
    if (value < 1 || value > 100) {
        std::string message = FormatMessage(ChartMessages::Chart3DPercent, 1);
        throw ChartException(FormatMessage(message, 100));
    }
    SetProperty(m_chart3DPercent, value);
}

TVelCanvas3D *TChart::Canvas()
{
    ensureSurface();
    return &m_canvas;
}

void TChart::ensureSurface()
{
    const QSize wanted(std::max(width(), 1), std::max(height(), 1));
    if (m_surface.size() == wanted)
        return;
    m_surface = QImage(wanted, QImage::Format_RGB32);
    m_surface.fill(PixelOf(m_color));
    m_canvas.MarkOutOfDate();
}

void TChart::Invalidate()
{
    if (!m_repaintEnabled)
        return;
    m_canvas.MarkOutOfDate();
    // Thousands of added points ask for one paint, not one request each.
    if (!m_updatePending) {
        m_updatePending = true;
        update();
    }
}

void TChart::Repaint()
{
    if (!m_repaintEnabled)
        return;
    m_canvas.MarkOutOfDate();
    ensureSurface();
    Draw(m_surface, TRect { 0, 0, m_surface.width(), m_surface.height() });
    if (isVisible())
        repaint();
}

void TChart::resizeEvent(QResizeEvent *)
{
    Guarded([this] {
        ensureSurface();
        Invalidate();
    });
}

void TChart::paintEvent(QPaintEvent *event)
{
    m_updatePending = false;
    // A pass that fails here (values beyond what an axis can span, memory) is reported once the
    // paint is over, through the guard, which sees the exception itself: no message box opens
    // inside a paint event.
    std::exception_ptr failure;
    try {
        ensureSurface();
        if (m_canvas.PictureOutOfDate())
            Draw(m_surface, TRect { 0, 0, m_surface.width(), m_surface.height() });
    } catch (...) {
        failure = std::current_exception();
    }
    QPainter painter(this);
    painter.drawImage(event->rect(), m_surface, event->rect());
    if (failure)
        QTimer::singleShot(
            0, this, [failure] { Guarded([&] { std::rethrow_exception(failure); }); });
}

void TChart::normalisePlotRect()
{
    TRect &r = m_plotRect;
    const TRect &b = m_panelBounds;
    if (r.Left < b.Left)
        r.Left = b.Left;
    if (r.Top < b.Top)
        r.Top = b.Top;
    if (r.Right < r.Left)
        r.Right = r.Left + 1;
    else if (r.Right == r.Left)
        r.Right = r.Left + b.Width();
    if (r.Bottom < r.Top)
        r.Bottom = r.Top + 1;
    else if (r.Bottom == r.Top)
        r.Bottom = r.Top + b.Height();
}

void TChart::Draw(QImage &target, const TRect &rect)
{
    // A pass is not re-entered (an OnAfterDraw handler asking for a repaint, say).
    if (m_drawing)
        return;
    m_drawing = true;
    m_panelBounds = m_canvas.BeginPass(target, rect);
    pass();
}

void TChart::Draw(QPainter &painter, const TRect &rect)
{
    VectorTarget target(painter, rect);
    Draw(target);
}

void TChart::Draw(CanvasTarget &target)
{
    if (m_drawing)
        return;
    m_drawing = true;
    m_panelBounds = m_canvas.BeginPass(target);
    pass();
}

void TChart::pass()
{
    const ScopeExit end([this] {
        m_canvas.EndPass();
        m_drawing = false;
    });
    const TRect &b = m_panelBounds;
    const int w = b.Width(), h = b.Height();
    m_plotRect.Left = b.Left + MulDiv(m_marginLeft, w, 100) + m_borderWidth;
    m_plotRect.Top = b.Top + MulDiv(m_marginTop, h, 100) + m_borderWidth;
    m_plotRect.Right = b.Right - m_borderWidth - MulDiv(m_marginRight, w, 100);
    m_plotRect.Bottom = b.Bottom - m_borderWidth - MulDiv(m_marginBottom, h, 100);
    normalisePlotRect();
    try {
        innerDraw();
    } catch (...) {
        // A pass that an error ends still replaces the picture, transient drawing included, so
        // OnAfterDraw tells the program that nothing of its own drawing is left on it.
        m_canvas.ResetState();
        if (OnAfterDraw)
            OnAfterDraw(this);
        throw;
    }
}

void TChart::drawTitle(TChartTitle &title, bool top)
{
    const QStringList &lines = title.Text();
    // A visible title of no lines still takes its 5 pixels below.
    if (!title.Visible())
        return;
    m_canvas.Font = title.Font.ToQFont();
    m_canvas.FontColor = title.Font.Color();
    const int h = m_canvas.TextHeight(QStringLiteral("W"));
    const int count = static_cast<int>(lines.size());
    const bool frameShown = title.Frame.Visible() && title.Frame.Style() != psClear;
    const int f = frameShown ? title.Frame.Width() : 0;
    const int left = m_plotRect.Left + f;
    const int right = m_plotRect.Right - f;
    TRect box { left, 0, right, 0 };
    if (top) {
        box.Top = m_plotRect.Top + f;
        box.Bottom = box.Top + count * h;
    } else {
        box.Bottom = m_plotRect.Bottom - f;
        box.Top = box.Bottom - count * h;
    }
    box = TRect { box.Left - f, box.Top - f, box.Right + f, box.Bottom + f };
    const int w = m_canvas.TextWidth(QStringLiteral("W"));
    if (frameShown || title.Brush.Style() != bsClear) {
        if (title.AdjustFrame()) {
            int widest = 0;
            for (const QString &line : lines)
                widest = std::max(widest, m_canvas.TextWidth(line));
            const int width = widest + w;
            if (title.Alignment() == taLeftJustify) {
                box.Right = box.Left + width;
            } else if (title.Alignment() == taRightJustify) {
                box.Left = box.Right - width;
            } else {
                const int centre = (box.Left + box.Right) / 2;
                box.Left = centre - width / 2;
                box.Right = box.Left + width;
            }
        }
        title.Frame.ApplyTo(m_canvas);
        m_canvas.Brush = TVelCanvas3D::TBrush { title.Brush.Color(), title.Brush.Style() };
        m_canvas.Rectangle(box.Left, box.Top, box.Right, box.Bottom);
    }
    title.TitleRect = box;
    for (int k = 0; k < count; ++k) {
        const QString &line = lines[k];
        const int y = top ? m_plotRect.Top + f + k * h : m_plotRect.Bottom - f - (count - k) * h;
        int x = 0;
        if (title.Alignment() == taLeftJustify)
            x = left + w / 2;
        else if (title.Alignment() == taRightJustify)
            x = right - m_canvas.TextWidth(line) - w / 2;
        else
            x = (left + right) / 2 - m_canvas.TextWidth(line) / 2;
        m_canvas.TextOut(x, y, line);
    }
    const int taken = f + count * h + (frameShown ? f : 0) + 5;
    if (top)
        m_plotRect.Top += taken;
    else
        m_plotRect.Bottom -= taken;
    normalisePlotRect();
}

void TChart::drawLegend()
{
    m_legendRect = TRect {};
    m_legendRows.clear();
    m_compact.Pending = false;
    if (!m_legendVisible)
        return;
    std::vector<TChartSeries *> shown;
    for (TChartSeries *s : m_series)
        if (s->Active() && s->ShowInLegend())
            shown.push_back(s);
    if (shown.empty())
        return;
    if (m_legendInverted)
        std::reverse(shown.begin(), shown.end());

    m_canvas.Font = LegendFont.ToQFont();
    m_canvas.FontColor = LegendFont.Color();
    if (m_legendCompact) {
        measureCompactLegend(shown);
        return;
    }
    const int h = m_canvas.TextHeight(QStringLiteral("W"));
    const int pad = std::max(2, h / 4);
    const int sample = 2 * h;
    m_legendRowHeight = h + 2;
    // At most a third of the panel's width, and as many rows as the plot's height holds; the
    // last row then counts those left out.
    const int room = (m_plotRect.Height() - 2 * pad) / m_legendRowHeight;
    if (room < 1)
        return;
    const auto total = static_cast<int>(shown.size());
    const int rows = std::min(total, room);
    const bool counted = rows < total;
    const int named = counted ? rows - 1 : rows;
    const QString more = counted
        ? QCoreApplication::translate("TChart", "+ %1 weitere").arg(total - named)
        : QString();
    const int widest = m_panelBounds.Width() / 3 - 3 * pad - sample;
    if (widest < h)
        return;
    const QFontMetrics metrics(m_canvas.Font);
    std::vector<QString> texts;
    int textWidth = counted ? m_canvas.TextWidth(more) : 0;
    for (int k = 0; k < named; ++k) {
        texts.push_back(metrics.elidedText(
            shown[static_cast<std::size_t>(k)]->Title(), Qt::ElideMiddle, widest));
        textWidth = std::max(textWidth, m_canvas.TextWidth(texts.back()));
    }
    textWidth = std::min(textWidth, widest);

    TRect box;
    box.Right = m_plotRect.Right;
    box.Left = box.Right - (4 * pad + sample + textWidth);
    box.Top = m_plotRect.Top;
    box.Bottom = box.Top + 2 * pad + rows * m_legendRowHeight;
    m_canvas.Pen = TVelCanvas3D::TPen {};
    m_canvas.Brush = TVelCanvas3D::TBrush { clWhite, bsSolid };
    m_canvas.Rectangle(box.Left, box.Top, box.Right, box.Bottom);
    for (int k = 0; k < rows; ++k) {
        const int top = box.Top + pad + k * m_legendRowHeight;
        const int textLeft = box.Left + 2 * pad + sample;
        if (k < named) {
            TChartSeries *s = shown[static_cast<std::size_t>(k)];
            const TColor colour = s->PointCount() > 0 ? s->PointColor(0) : s->SeriesColor();
            m_canvas.Pen = TVelCanvas3D::TPen { colour, psSolid, pmCopy, 2 };
            const int y = top + m_legendRowHeight / 2;
            m_canvas.Line(box.Left + pad, y, box.Left + pad + sample, y);
            m_canvas.TextOut(textLeft, top + 1, texts[static_cast<std::size_t>(k)]);
            m_legendRows.push_back(s);
        } else {
            m_canvas.TextOut(textLeft, top + 1, more);
            m_legendRows.push_back(nullptr);
        }
    }
    m_canvas.Pen = TVelCanvas3D::TPen {};
    m_legendRect = box;
    m_legendRowsTop = box.Top + pad;
    m_plotRect.Right = box.Left - 2 * pad;
    normalisePlotRect();
}

namespace
{

bool isNameSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char('_')
        || c == QLatin1Char('-') || c == QLatin1Char(' ') || c == QLatin1Char('.');
}

} // namespace

std::vector<QString> ShortenedLegendNames(const std::vector<QString> &names)
{
    std::vector<QString> out = names;
    if (names.size() < 2)
        return out;
    const QString &first = names.front();
    qsizetype prefix = first.size();
    qsizetype suffix = first.size();
    for (const QString &name : names) {
        qsizetype p = 0;
        while (p < prefix && p < name.size() && name[p] == first[p])
            ++p;
        prefix = p;
        qsizetype q = 0;
        while (q < suffix && q < name.size()
            && name[name.size() - 1 - q] == first[first.size() - 1 - q])
            ++q;
        suffix = q;
    }
    // Whole parts only: the shared beginning ends after a separator (a folder, "Calcite_"), the
    // shared ending begins at one (".txt", "_532nm.txt").
    while (prefix > 0 && !isNameSeparator(first[prefix - 1]))
        --prefix;
    while (suffix > 0 && !isNameSeparator(first[first.size() - suffix]))
        --suffix;
    for (const QString &name : names)
        if (name.size() - prefix - suffix < 1)
            return out;
    for (std::size_t k = 0; k < names.size(); ++k)
        out[k] = names[k].mid(prefix, names[k].size() - prefix - suffix);
    return out;
}

void TChart::measureCompactLegend(const std::vector<TChartSeries *> &shown)
{
    CompactLegend &c = m_compact;
    const int h = m_canvas.TextHeight(QStringLiteral("W"));
    c.Pad = std::max(2, h / 4);
    c.Sample = 2 * h;
    m_legendRowHeight = h + 2;
    // At most a third of the plot area's height and half its width, so that it fits a corner;
    // the last row then counts the names left out.
    const int room = (m_plotRect.Height() / 3 - 2 * c.Pad) / m_legendRowHeight;
    const int widest = m_plotRect.Width() / 2 - 4 * c.Pad - c.Sample;
    if (room < 1 || widest < h)
        return;
    const auto total = static_cast<int>(shown.size());
    const int rows = std::min(total, room);
    const int named = rows < total ? rows - 1 : rows;
    std::vector<QString> names;
    names.reserve(shown.size());
    for (const TChartSeries *s : shown)
        names.push_back(s->Title());
    names = ShortenedLegendNames(names);
    const QFontMetrics metrics(m_canvas.Target().ScaledFont(m_canvas.Font));
    c.Texts.clear();
    c.Rows.clear();
    int textWidth = 0;
    for (int k = 0; k < rows; ++k) {
        const bool counting = k >= named;
        const QString text = counting
            ? QCoreApplication::translate("TChart", "+ %1 weitere").arg(total - named)
            : metrics.elidedText(names[static_cast<std::size_t>(k)], Qt::ElideMiddle, widest);
        c.Texts.push_back(text);
        c.Rows.push_back(counting ? nullptr : shown[static_cast<std::size_t>(k)]);
        textWidth = std::max(textWidth, m_canvas.TextWidth(text));
    }
    c.Width = 4 * c.Pad + c.Sample + std::min(textWidth, widest);
    c.Height = 2 * c.Pad + rows * m_legendRowHeight;
    c.Pending = true;
}

bool TChart::plotAreaFree(const TRect &rect)
{
    for (TChartSeries *series : m_series) {
        if (!series->Active())
            continue;
        const AxisMapping &xMap = series->BoundHorizAxis()->Mapping();
        series->CalcVisibleIndices(xMap, m_plotRect);
        if (series->FirstVisibleIndex < 0)
            continue;
        int px = 0, py = 0;
        for (int i = series->FirstVisibleIndex; i <= series->LastVisibleIndex; ++i) {
            const int x = series->XValueToPixel(series->XValues().ValueAt(i));
            const int y = series->YValueToPixel(series->YValues().ValueAt(i));
            // A point inside, or a segment whose bounding box meets the rectangle.
            const int x0 = i > series->FirstVisibleIndex ? std::min(px, x) : x;
            const int x1 = i > series->FirstVisibleIndex ? std::max(px, x) : x;
            const int y0 = i > series->FirstVisibleIndex ? std::min(py, y) : y;
            const int y1 = i > series->FirstVisibleIndex ? std::max(py, y) : y;
            if (x1 >= rect.Left && x0 < rect.Right && y1 >= rect.Top && y0 < rect.Bottom)
                return false;
            px = x;
            py = y;
        }
    }
    return true;
}

void TChart::placeCompactLegend(const TRect &plotBeforeAxes)
{
    CompactLegend &c = m_compact;
    const int inset = c.Pad;
    const TRect &p = m_plotRect;
    // The corners in the order a reader looks for a legend: top right, top left, bottom right,
    // bottom left.
    const TRect corners[] = {
        { p.Right - inset - c.Width, p.Top + inset, p.Right - inset, p.Top + inset + c.Height },
        { p.Left + inset + 1, p.Top + inset, p.Left + inset + 1 + c.Width,
            p.Top + inset + c.Height },
        { p.Right - inset - c.Width, p.Bottom - inset - c.Height, p.Right - inset,
            p.Bottom - inset },
        { p.Left + inset + 1, p.Bottom - inset - c.Height, p.Left + inset + 1 + c.Width,
            p.Bottom - inset },
    };
    for (const TRect &corner : corners)
        if (corner.Left > p.Left && corner.Top > p.Top && plotAreaFree(corner)) {
            m_legendRect = corner;
            return;
        }
    // Above the plot area, at its right: the axes take their room again from a lower top.
    m_plotRect = plotBeforeAxes;
    m_plotRect.Top += c.Height + inset;
    normalisePlotRect();
    calcAxisSpace();
    m_legendRect = TRect { m_plotRect.Right - c.Width, plotBeforeAxes.Top, m_plotRect.Right,
        plotBeforeAxes.Top + c.Height };
}

void TChart::drawCompactLegend()
{
    const CompactLegend &c = m_compact;
    const TRect box = m_legendRect;
    m_canvas.Font = LegendFont.ToQFont();
    m_canvas.FontColor = LegendFont.Color();
    m_canvas.Pen = TVelCanvas3D::TPen { clGray, psSolid, pmCopy, 1 };
    m_canvas.Brush = TVelCanvas3D::TBrush { clWhite, bsSolid };
    m_canvas.Rectangle(box.Left, box.Top, box.Right, box.Bottom);
    const int textLeft = box.Left + 2 * c.Pad + c.Sample;
    for (std::size_t k = 0; k < c.Texts.size(); ++k) {
        const int top = box.Top + c.Pad + static_cast<int>(k) * m_legendRowHeight;
        if (TChartSeries *s = c.Rows[k]) {
            const TColor colour = s->PointCount() > 0 ? s->PointColor(0) : s->SeriesColor();
            m_canvas.Pen = TVelCanvas3D::TPen { colour, psSolid, pmCopy, 2 };
            const int y = top + m_legendRowHeight / 2;
            m_canvas.Line(box.Left + c.Pad, y, box.Left + c.Pad + c.Sample, y);
        }
        m_canvas.TextOut(textLeft, top + 1, c.Texts[k]);
        m_legendRows.push_back(c.Rows[k]);
    }
    m_canvas.Pen = TVelCanvas3D::TPen {};
    m_legendRowsTop = box.Top + c.Pad;
}

bool TChart::axisShown(const TChartAxis &axis) const
{
    if (!m_axisVisible || !axis.Visible() || axis.IsDepthAxis)
        return false;
    return std::any_of(m_series.begin(), m_series.end(),
        [&](const TChartSeries *s) { return s->Active() && s->UsesAxis(&axis); });
}

TValueRange TChart::seriesExtent(const TChartAxis &axis) const
{
    const bool anyActive = std::any_of(m_series.begin(), m_series.end(),
        [&](const TChartSeries *s) { return s->Active() && s->UsesAxis(&axis); });
    bool found = false;
    TValueRange range;
    for (TChartSeries *s : m_series) {
        if (!(s->Active() || !anyActive) || s->PointCount() == 0 || !s->UsesAxis(&axis))
            continue;
        const TValueRange extent = axis.IsHorizontal ? s->XRange() : s->YRange();
        if (!found || extent.Minimum < range.Minimum)
            range.Minimum = extent.Minimum;
        if (!found || extent.Maximum > range.Maximum)
            range.Maximum = extent.Maximum;
        found = true;
    }
    return range;
}

TAxisMargins TChart::seriesMargins(const TChartAxis &axis) const
{
    TAxisMargins margins;
    for (const TChartSeries *s : m_series) {
        if (!s->Active() || !s->UsesAxis(&axis))
            continue;
        const TAxisMargins own = axis.IsHorizontal ? s->HorizMargins() : s->VertMargins();
        margins.First = std::max(margins.First, own.First);
        margins.Second = std::max(margins.Second, own.Second);
    }
    return margins;
}

TAxisLabelStyle TChart::seriesLabelStyle(const TChartAxis &axis) const
{
    bool bound = false;
    for (const TChartSeries *s : m_series) {
        if (!s->Active() || !s->UsesAxis(&axis))
            continue;
        bound = true;
        if (s->PointCount() > 0 && !s->PointLabel(0).empty())
            return talText;
    }
    return bound ? talValue : talNone;
}

void TChart::calcAxisSpace()
{
    for (auto &axis : m_axes) {
        axis->UseSeriesLabelStyle(seriesLabelStyle(*axis));
        const TValueRange extent = seriesExtent(*axis);
        axis->AutoRange(extent.Minimum, extent.Maximum);
    }
    if (m_view3D) {
        int d = static_cast<int>(RoundEven(m_plotRect.Width() * m_chart3DPercent * 0.001));
        if (!m_view3DOrthogonal)
            d *= 2;
        m_depthOffsetX = m_depthOffsetY = d;
    } else {
        m_depthOffsetX = m_depthOffsetY = 0;
    }
    normalisePlotRect();
    TRect working = m_plotRect;
    for (std::size_t i = 0; i < m_axes.size() && i < 5; ++i) {
        TChartAxis &axis = *m_axes[i];
        if (!axisShown(axis))
            continue;
        TRect copy = working;
        axis.ReserveSpace(m_canvas, copy);
        const TRect meet { std::max(copy.Left, working.Left), std::max(copy.Top, working.Top),
            std::min(copy.Right, working.Right), std::min(copy.Bottom, working.Bottom) };
        if (meet.Left < meet.Right && meet.Top < meet.Bottom)
            working = meet;
    }
    m_plotRect = working;
    normalisePlotRect();
    for (auto &axis : m_axes) {
        axis->CalcPixelPositions(m_plotRect);
        axis->PosAxis = axis->IsHorizontal
            ? (axis->IsOtherSide ? m_plotRect.Top : m_plotRect.Bottom)
            : (axis->IsOtherSide ? m_plotRect.Right : m_plotRect.Left);
    }
}

void TChart::innerDraw()
{
    // 1. Background.
    m_canvas.Brush = TVelCanvas3D::TBrush { m_color, bsSolid };
    m_canvas.FillRect(m_panelBounds);

    // 2. The legend, then the titles.
    drawLegend();
    drawTitle(Title, true);
    drawTitle(Foot, false);

    // 4.-5. Axis space and series margins.
    const TRect plotBeforeAxes = m_plotRect;
    calcAxisSpace();
    if (m_compact.Pending)
        placeCompactLegend(plotBeforeAxes);
    for (TChartAxis *axis : { TopAxis(), LeftAxis(), RightAxis(), BottomAxis() })
        axis->ApplySeriesMargins(seriesMargins(*axis));

    // 6. The back wall.
    const bool wallPen = BackWall.Pen.Visible() && BackWall.Pen.Style() != psClear;
    if (wallPen || BackWall.Brush.Style() != bsClear) {
        BackWall.Pen.ApplyTo(m_canvas);
        m_canvas.Brush = TVelCanvas3D::TBrush { BackWall.Color(), BackWall.Brush.Style() };
        m_canvas.Rectangle(
            m_plotRect.Left, m_plotRect.Top, m_plotRect.Right + 1, m_plotRect.Bottom + 1);
    }

    // 7. Axes, before the series.
    if (m_axisVisible) {
        if (OnBeforeDrawAxes)
            OnBeforeDrawAxes(this);
        for (auto &axis : m_axes) {
            if (!axisShown(*axis))
                continue;
            // OnBeforeDrawAxes may have changed the series.
            axis->UseSeriesLabelStyle(seriesLabelStyle(*axis));
            axis->Draw(m_canvas, m_plotRect);
        }
    }

    // 8.-9. Series in list order, higher indices over lower ones.
    if (OnBeforeDrawSeries)
        OnBeforeDrawSeries(this);
    for (TChartSeries *series : m_series) {
        if (!series->Active())
            continue;
        const AxisMapping &xMap = series->BoundHorizAxis()->Mapping();
        const AxisMapping &yMap = series->BoundVertAxis()->Mapping();
        series->CalcVisibleIndices(xMap, m_plotRect);
        if (series->FirstVisibleIndex == -1)
            continue;
        if (series->BeforeDrawValues)
            series->BeforeDrawValues(series);
        if (m_clipPoints)
            m_canvas.ClipRectangle(TRect {
                m_plotRect.Left + 1, m_plotRect.Top + 1, m_plotRect.Right, m_plotRect.Bottom - 1 });
        series->DrawValues(m_canvas, xMap, yMap, m_plotRect);
        m_canvas.UnClipRectangle();
        if (series->AfterDrawValues)
            series->AfterDrawValues(series);
    }

    if (m_compact.Pending)
        drawCompactLegend();

    // 10.-12. Rubber band, canvas reset, OnAfterDraw.
    if (ZoomDrag.Active)
        DrawZoomRectangle();
    m_canvas.ResetState();
    if (OnAfterDraw)
        OnAfterDraw(this);
}

void TChart::DrawZoomRectangle()
{
    TVelCanvas3D &canvas = *Canvas();
    canvas.Pen = TVelCanvas3D::TPen { m_color == clWhite ? clBlack : (m_color & 0xFFFFFF), psSolid,
        pmNotXor, 1 };
    canvas.Brush.Style = bsClear;
    canvas.Rectangle(ZoomDrag.X0, ZoomDrag.Y0, ZoomDrag.X1, ZoomDrag.Y1);
}

QImage TChart::CreateChartBitmap(TColor background, const TRect &rect)
{
    QImage image(std::max(rect.Width(), 1), std::max(rect.Height(), 1), QImage::Format_RGB32);
    image.fill(PixelOf(background == clWhite ? clWhite : background));
    const bool buffered = m_canvas.Buffered();
    m_canvas.SetBuffered(false);
    const ScopeExit restore([this, buffered] { m_canvas.SetBuffered(buffered); });
    Draw(image, rect);
    return image;
}
