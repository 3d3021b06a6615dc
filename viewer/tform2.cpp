#include "tform2.h"

#include "accessibility.h"
#include "application.h"
#include "chartpicture.h"
#include "controls.h"
#include "guard.h"
#include "tchart.h"
#include "tform3.h"
#include "tlineseries.h"
#include "tpeakanzeige.h"
#include "tvelcanvas3d.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <string>

TForm2 *Form2 = nullptr;
CrosshairStateData CrosshairState;

namespace
{

void configureChart(TChart &chart)
{
    chart.SetChartCursor(crCross);
    chart.SetColor(clWhite);
    chart.SetBackColor(clWhite);
    chart.BackWall.Brush.SetColor(clWhite);
    chart.BackWall.Brush.SetStyle(bsClear);
    chart.BackWall.Pen.SetVisible(false);
    chart.BottomWall.Pen.SetVisible(false);
    chart.LeftWall.Pen.SetVisible(false);
    chart.SetBorderWidth(0);
    chart.Title.SetText({ QStringLiteral("TChart") });
    chart.BottomAxis()->Title.SetCaption(QStringLiteral("test"));
    chart.BottomAxis()->Grid.SetVisible(false);
    chart.LeftAxis()->Grid.SetVisible(false);
    chart.SetLegendVisible(false);
    chart.SetView3D(false);
    chart.SetView3DWalls(false);
}

void configureSeries(TLineSeries &series)
{
    series.SetSeriesColor(clBlack);
    series.Cursor = crCross;
    series.SetShowInLegend(false);
    series.SetDark3D(false);
    series.Pointer.Visible = false;
    series.Pointer.InflateMargins = true;
    series.XValues().SetOrder(loAscending);
    series.YValues().SetOrder(loNone);
}

} // namespace

TForm2::TForm2()
{
    SetupWindow(this, { tr("Display"), 214, 106, 601, 422, false, BorderStyle::Sizeable });
    setAttribute(Qt::WA_QuitOnClose, false);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    Chart1 = new TChart(this);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Chart1);
    configureChart(*Chart1);
    for (int i = 0; i < kSeriesCount; ++i) {
        Lines[static_cast<std::size_t>(i)] =
            Chart1->AddLineSeries("Series" + std::to_string(i + 1));
        configureSeries(*Lines[static_cast<std::size_t>(i)]);
    }
    // The chart's own events run inside the chart's guard.
    Chart1->OnMouseMove = [this](TChart *sender, TShiftState shift, int x, int y) {
        mousemove(sender, shift, x, y);
    };
    Chart1->OnClickSeries = [this](TChart *sender, TChartSeries *series, int index,
                                TMouseButton button, TShiftState shift, int x, int y) {
        Chart1ClickSeries(sender, series, index, button, shift, x, y);
    };
    Chart1->OnAfterDraw = [this](TChart *sender) { Chart1AfterDraw(sender); };

    CopyPictureItem = new QAction(tr("Bild kopieren"), this);
    CopyPictureItem->setShortcut(QKeySequence::Copy);
    CopyPictureItem->setShortcutContext(Qt::WindowShortcut);
    addAction(CopyPictureItem);
    connect(CopyPictureItem, &QAction::triggered, this, guarded(this, &TForm2::CopyPicture));
    ChartMenu = new QMenu(this);
    ChartMenu->addAction(CopyPictureItem);
    Chart1->installEventFilter(this);

    setUpAccessibility();
}

// A right click that does not drag (a drag pans the chart) opens the chart's menu once the
// button is up, as does the menu key; the chart sees the mouse as before.
bool TForm2::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != Chart1)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton)
            m_rightPress = mouse->position().toPoint();
    } else if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint at = mouse->position().toPoint();
        if (mouse->button() == Qt::RightButton && (at - m_rightPress).manhattanLength() < 4) {
            const QPoint global = Chart1->mapToGlobal(at);
            QTimer::singleShot(0, ChartMenu, [this, global] { ChartMenu->popup(global); });
        }
    } else if (event->type() == QEvent::ContextMenu) {
        const auto *menu = static_cast<QContextMenuEvent *>(event);
        if (menu->reason() != QContextMenuEvent::Mouse)
            ChartMenu->popup(menu->globalPos());
        return true;
    }
    return false;
}

void TForm2::CopyPicture()
{
    // The fresh passes end in Chart1AfterDraw, while the screen still shows the crosshair.
    const CrosshairStateData shown = CrosshairState;
    TChart &chart = *Chart1;
    const QImage image =
        chart.CreateChartBitmap(clWhite, TRect { 0, 0, chart.width(), chart.height() });
    const QByteArray svg = EncodeChartPicture(chart, PictureFormat::Svg, {});
    CrosshairState = shown;
    auto *picture = new QMimeData;
    picture->setImageData(image);
    picture->setData(QStringLiteral("image/svg+xml"), svg);
    QGuiApplication::clipboard()->setMimeData(picture);
}

void TForm2::closeEvent(QCloseEvent *event)
{
    Guarded([this] { schliesse(); });
    event->accept();
}

void TForm2::schliesse()
{
    hide();
    Form3->hide();
    Peakanzeige->hide();
}

void TForm2::DrawCrosshair(int X, int Y)
{
    TVelCanvas3D &canvas = *Chart1->Canvas();
    canvas.Pen = TVelCanvas3D::TPen { clYellow, psSolid, pmXor, 1 };
    const TRect plot = Chart1->PlotRect();
    canvas.MoveTo(X, plot.Top - Chart1->DepthOffsetY());
    canvas.LineTo(X, plot.Bottom - Chart1->DepthOffsetY());
    canvas.MoveTo(plot.Left + Chart1->DepthOffsetX(), Y);
    canvas.LineTo(plot.Right + Chart1->DepthOffsetX(), Y);
}

void TForm2::mousemove(TChart *, TShiftState, int X, int Y)
{
    if (CrosshairState.X != -1) {
        DrawCrosshair(CrosshairState.X, CrosshairState.Y);
        CrosshairState.X = -1;
    }
    if (!Chart1->PlotRect().Contains(X - Chart1->DepthOffsetX(), Y + Chart1->DepthOffsetY()))
        return;
    if (Form3->showcrosshair->isChecked()) {
        DrawCrosshair(X, Y);
        CrosshairState = CrosshairStateData { X, Y };
    }
    double x = 0.0, y = 0.0;
    Chart1->CursorValues(*Chart1->SeriesAt(0), x, y);
    const QString xText = Chart1->BottomAxis()->LabelText(x);
    const QString yText = Chart1->LeftAxis()->LabelText(y);
    SetCaption(this,
        QStringLiteral("( x , y ) - (") + xText + QStringLiteral(" , ") + yText
            + QStringLiteral(" )"));
}

void TForm2::Chart1ClickSeries(
    TChart *Sender, TChartSeries *Series, int, TMouseButton, TShiftState, int, int)
{
    int number = 0;
    for (int i = 0; i <= 100; ++i)
        if (Sender->SeriesAt(i)->Name() == Series->Name())
            number = i;
    Form3->Edit1->setText(QString::number(number));
}

void TForm2::Chart1AfterDraw(TChart *)
{
    CrosshairState.X = -1;
}

void TForm2::Paintline(TChart *, int X)
{
    TVelCanvas3D &canvas = *Chart1->Canvas();
    canvas.Pen = TVelCanvas3D::TPen { clWhite, psSolid, pmXor, 1 };
    const TRect plot = Chart1->PlotRect();
    canvas.MoveTo(X, plot.Top - Chart1->DepthOffsetY());
    canvas.LineTo(X, plot.Bottom - Chart1->DepthOffsetY());
}

// ---- accessibility

// The chart is a graphic named by its title; the caption's read-out of the data coordinates
// under the mouse describes it. A new caption is announced with the window.
void TForm2::setUpAccessibility()
{
    SetAccessibleRole(Chart1, QAccessible::Graphic);
    SetAccessibleText(
        Chart1, QAccessible::Name, [this] { return Chart1->Title.Text().join(QLatin1Char(' ')); });
    SetAccessibleText(Chart1, QAccessible::Description, [this] { return windowTitle(); });
}
