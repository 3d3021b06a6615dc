#include "tmapview.h"

#include "accessibility.h"
#include "application.h"
#include "atomicfile.h"
#include "chartexceptions.h"
#include "chartmessages.h"
#include "controls.h"
#include "dialogs.h"
#include "eachspectrum.h"
#include "exceptions.h"
#include "guard.h"
#include "language.h"
#include "messagebox.h"
#include "numformat.h"
#include "plotbuilder.h"
#include "qtstrings.h"
#include "separators.h"
#include "spectrumfile.h"
#include "spectrumtable.h"
#include "tchart.h"
#include "tform2.h"
#include "translatable.h"

#include <QBuffer>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QProgressBar>
#include <QPushButton>
#include <QSvgGenerator>
#include <atomic>
#include <mutex>
#include <thread>

TMapView *MapView = nullptr;

namespace
{

// The saved picture: the size of a page of a report.
constexpr int kPictureWidth = 900;
constexpr int kPictureHeight = 760;
// While a large map is read, its arrangement is inferred anew at most this often.
constexpr qint64 kArrangeEveryMs = 1000;

const QString kMapFilter =
    QStringLiteral("PNG-Bild (*.png)|*.png|SVG-Grafik (*.svg)|*.svg|PDF-Dokument "
                   "(*.pdf)|*.pdf|Tabelle (*.tsv)|*.tsv");
const QString kMapExtensions[] = { QStringLiteral(".png"), QStringLiteral(".svg"),
    QStringLiteral(".pdf"), QStringLiteral(".tsv") };

// Stops a reading after its second spectrum: a map is known by its first two.
class FirstTwo : public SpectrumSink
{
public:
    int positioned = 0;
    int taken = 0;
    bool Start(const StreamStart &) override { return true; }
    bool Take(const StreamedSpectrum &spectrum) override
    {
        positioned += spectrum.HasPosition ? 1 : 0;
        return ++taken < 2;
    }
};

} // namespace

// The judging thread and what it shares with the window.
struct TMapView::Job {
    std::thread thread;
    std::mutex mutex;
    MapIndex found; // the cells judged so far, under mutex
    std::atomic<bool> cancelled { false };
    std::atomic<bool> finished { false };
    std::uint64_t announced = 0; // under mutex: the spectra the file announces
    std::string failure; // under mutex: a file error, or the reason the file was refused
    QElapsedTimer clock;

    ~Job()
    {
        cancelled = true;
        if (thread.joinable())
            thread.join();
    }
};

// ---- the canvas

MapCanvas::MapCanvas(TMapView *view)
    : QWidget(view)
    , m_view(view)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(200, 150);
}

void MapCanvas::SetFocusCell(long cell)
{
    m_focus = cell;
    update();
    if (cell >= 0) {
        QAccessibleEvent event(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void MapCanvas::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    PaintHitMap(painter, rect(), m_view->Map(), m_view->Layout(), m_view->Look());
    if (m_focus < 0)
        return;
    // The cell under the keyboard focus (or clicked last): a frame around it.
    const QRectF cell =
        HitMapCellRect(rect(), m_view->Map(), m_view->Layout(), m_view->Look(), m_focus);
    painter.setPen(QPen(Qt::red, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(cell.adjusted(-2, -2, 2, 2));
}

void MapCanvas::mouseMoveEvent(QMouseEvent *event)
{
    Guarded([&] {
        const long cell = HitMapCellAt(
            rect(), m_view->Map(), m_view->Layout(), m_view->Look(), event->position());
        SetCaption(m_view,
            cell < 0
                ? QCoreApplication::translate("TMapView", "Karte - ") + m_view->FileName()
                : QCoreApplication::translate("TMapView", "Karte - ") + m_view->CellText(cell));
    });
}

void MapCanvas::leaveEvent(QEvent *)
{
    SetCaption(m_view, QCoreApplication::translate("TMapView", "Karte - ") + m_view->FileName());
}

void MapCanvas::mousePressEvent(QMouseEvent *event)
{
    Guarded([&] {
        if (event->button() != Qt::LeftButton)
            return;
        const long cell = HitMapCellAt(
            rect(), m_view->Map(), m_view->Layout(), m_view->Look(), event->position());
        if (cell < 0)
            return;
        SetFocusCell(cell);
        m_view->ShowCell(cell);
    });
}

void MapCanvas::keyPressEvent(QKeyEvent *event)
{
    Guarded([&] {
        const MapIndex &map = m_view->Map();
        const MapLayout &layout = m_view->Layout();
        if (map.Count() == 0) {
            QWidget::keyPressEvent(event);
            return;
        }
        long cell = m_focus < 0 ? 0 : m_focus;
        const auto count = static_cast<long>(map.Count());
        // On a grid the arrows walk its rows and columns; elsewhere the cells in their order.
        long column = -1;
        long row = -1;
        if (layout.Shape == MapShape::Grid) {
            for (std::size_t k = 0; k < layout.CellAt.size(); ++k)
                if (layout.CellAt[k] == static_cast<std::uint32_t>(cell)) {
                    column = static_cast<long>(k % layout.Columns);
                    row = static_cast<long>(k / layout.Columns);
                }
        }
        const auto gridCell = [&](long c, long r) {
            if (c < 0 || r < 0 || c >= static_cast<long>(layout.Columns)
                || r >= static_cast<long>(layout.Rows))
                return cell;
            const std::uint32_t at = layout.CellAt[static_cast<std::size_t>(r) * layout.Columns
                + static_cast<std::size_t>(c)];
            return at == MapLayout::kNoCell ? cell : static_cast<long>(at);
        };
        switch (event->key()) {
        case Qt::Key_Left:
            cell = column >= 0 ? gridCell(column - 1, row) : std::max(0L, cell - 1);
            break;
        case Qt::Key_Right:
            cell = column >= 0 ? gridCell(column + 1, row) : std::min(count - 1, cell + 1);
            break;
        case Qt::Key_Up:
            cell = column >= 0 ? gridCell(column, row + 1) : cell;
            break;
        case Qt::Key_Down:
            cell = column >= 0 ? gridCell(column, row - 1) : cell;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            m_view->ShowCell(cell);
            return;
        default:
            QWidget::keyPressEvent(event);
            return;
        }
        SetFocusCell(cell);
        SetCaption(
            m_view, QCoreApplication::translate("TMapView", "Karte - ") + m_view->CellText(cell));
    });
}

// ---- the window

TMapView::TMapView()
{
    SetupWindow(this,
        { QCoreApplication::translate("TMapView", "Karte"), 214, 540, 601, 480, false,
            BorderStyle::Sizeable });
    setAttribute(Qt::WA_QuitOnClose, false);
    RefreshButton = CreateButton(this, { 8, 8, 130, 25 },
        QCoreApplication::translate("TMapView", "Karte aktualisieren"),
        QCoreApplication::translate(
            "TMapView", "Die Karte mit den Peaks und Einstellungen des Hauptfensters neu färben."));
    SaveButton = CreateButton(this, { 146, 8, 130, 25 },
        QCoreApplication::translate("TMapView", "Karte speichern..."),
        QCoreApplication::translate(
            "TMapView", "Die Karte als PNG, SVG oder PDF speichern, oder jede Zelle als Tabelle."));
    Progress = CreateProgressBar(this, { 284, 12, 150, 17 },
        QCoreApplication::translate("TMapView", "Fortschritt beim Lesen der Karte."));
    StatusLabel = CreateLabel(this, { 442, 12 }, QString());
    Canvas = new MapCanvas(this);
    Canvas->setGeometry(0, 40, width(), height() - 40);
    Canvas->setAccessibleName(QCoreApplication::translate("TMapView", "Karte"));
    SetAccessibleRole(Canvas, QAccessible::Graphic);
    SetAccessibleText(Canvas, QAccessible::Name, [this] {
        return QCoreApplication::translate("TMapView", "Karte ") + QFileInfo(m_fileName).fileName();
    });
    SetAccessibleText(Canvas, QAccessible::Description, [this] {
        return Canvas->FocusCell() >= 0 ? CellText(Canvas->FocusCell()) : StatusLabel->Caption();
    });
    Progress->setAccessibleName(QCoreApplication::translate("TMapView", "Fortschritt"));
    SetAccessibleRole(StatusLabel, QAccessible::StatusBar);
    SetTabOrder({ RefreshButton, SaveButton, Canvas });
    connect(RefreshButton, &QPushButton::clicked, this, guarded(this, &TMapView::Refresh));
    connect(SaveButton, &QPushButton::clicked, this, guarded(this, &TMapView::SaveMap));
    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, [this] { Guarded([this] { takeIn(false); }); });
}

TMapView::~TMapView()
{
    stop();
}

void TMapView::resizeEvent(QResizeEvent *)
{
    Canvas->setGeometry(0, 40, width(), std::max(0, height() - 40));
}

void TMapView::closeEvent(QCloseEvent *event)
{
    stop();
    event->accept();
}

bool TMapView::Judging() const
{
    return m_job != nullptr;
}

void TMapView::Open(const QString &fileName, std::function<MapSearch()> search)
{
    m_fileName = fileName;
    m_searchSource = std::move(search);
    Canvas->SetFocusCell(-1);
    SetCaption(this, QCoreApplication::translate("TMapView", "Karte - ") + fileName);
    start();
    show();
    raise();
}

void TMapView::Refresh()
{
    if (m_fileName.isEmpty())
        return;
    start();
}

void TMapView::stop()
{
    m_timer.stop();
    m_job.reset();
}

void TMapView::start()
{
    stop();
    m_search = m_searchSource ? m_searchSource() : MapSearch();
    m_look = HitMapLook();
    m_look.Title = QFileInfo(m_fileName).fileName();
    m_look.Scored = m_search.Score || m_search.Rule.Rule == PeakRule::Sensitive;
    m_map.Start(m_search.Targets.size());
    m_layout = m_map.Arrange();
    m_arrangedAt = 0;
    Progress->setValue(0);
    StatusLabel->SetCaption(QCoreApplication::translate("TMapView", "Lese..."));
    Canvas->update();

    auto job = std::make_unique<Job>();
    job->found.Start(m_search.Targets.size());
    job->clock.start();
    Job *shared = job.get();
    const std::string file = FileNameToStd(m_fileName);
    const MapSearch search = m_search;
    const NumberSeparators separators = CurrentSeparators();
    job->thread = std::thread([shared, file, search, separators] {
        // Hands the file's spectra to the judges, counting and stopping when told to.
        class Feed : public SpectrumSink
        {
        public:
            Feed(Job &job, ParallelSpectrumJudge &judge)
                : m_job(job)
                , m_judge(judge)
            {
            }
            bool Start(const StreamStart &start) override
            {
                {
                    const std::lock_guard<std::mutex> lock(m_job.mutex);
                    m_job.announced = start.Spectra;
                }
                return m_judge.Start(start) && !m_job.cancelled;
            }
            bool Take(const StreamedSpectrum &spectrum) override
            {
                return !m_job.cancelled && m_judge.Take(spectrum);
            }

        private:
            Job &m_job;
            ParallelSpectrumJudge &m_judge;
        };
        std::string failure;
        try {
            auto table = std::make_unique<SpectrumTableData>();
            BadFileListData badFiles;
            // Judged on as many threads as the machine has cores, as the search command does.
            ParallelSpectrumJudge judge(search.Targets, search.Settings, search.Rule, search.Score,
                separators, static_cast<int>(std::max(1u, std::thread::hardware_concurrency())),
                [shared](const SpectrumPlace &place, const FileJudgement &judgement) {
                    const std::lock_guard<std::mutex> lock(shared->mutex);
                    shared->found.Add(place, judgement);
                });
            Feed feed(*shared, judge);
            const LoadResult load = StreamSpectrumFile(*table, badFiles, file, separators, feed);
            judge.Finish();
            failure = !judge.Reason().empty() ? judge.Reason() : load.Reason;
            if (!load.WellFormed && failure.empty())
                failure = QT_TRANSLATE_NOOP("Messages", "falsches Format");
        } catch (const Exception &error) {
            failure = error.what();
        } catch (const std::bad_alloc &) {
            failure = Messages::OutOfMemory;
        }
        {
            const std::lock_guard<std::mutex> lock(shared->mutex);
            shared->failure = failure;
        }
        shared->finished = true;
    });
    m_job = std::move(job);
    m_timer.start();
}

void TMapView::WaitUntilJudged()
{
    if (!m_job)
        return;
    m_job->thread.join();
    takeIn(true);
}

// Takes in the cells judged since the last look; infers the arrangement anew now and then, and
// at the end.
void TMapView::takeIn(bool final)
{
    if (!m_job)
        return;
    final = final || m_job->finished;
    std::uint64_t announced = 0;
    std::string failure;
    {
        const std::lock_guard<std::mutex> lock(m_job->mutex);
        m_map.AddFrom(m_job->found, m_map.Count());
        announced = m_job->announced;
        failure = m_job->failure;
    }
    const qint64 now = m_job->clock.elapsed();
    if (final || now - m_arrangedAt >= kArrangeEveryMs) {
        m_layout = m_map.Arrange();
        m_arrangedAt = now;
        Canvas->update();
    }
    const auto count = static_cast<qint64>(m_map.Count());
    Progress->setValue(
        announced > 0 ? static_cast<int>(100 * count / static_cast<qint64>(announced)) : 0);
    StatusLabel->SetCaption(announced > 0 && !final
            ? QCoreApplication::translate("TMapView", "%1 Spektren von %2")
                  .arg(count)
                  .arg(announced)
            : QCoreApplication::translate("TMapView", "%1 Spektren").arg(count));
    if (!final)
        return;
    if (m_job->thread.joinable())
        m_job->thread.join();
    m_timer.stop();
    m_job.reset();
    Progress->setValue(0);
    // Positions that cannot be drawn are not drawn in some wrong place: the map is refused.
    if (failure.empty() && !m_map.PositionFault().empty())
        failure = QT_TRANSLATE_NOOP("Messages", "Positionen beschädigt") + std::string(": ")
            + m_map.PositionFault();
    if (!failure.empty()) {
        m_map.Start(m_search.Targets.size());
        m_layout = m_map.Arrange();
        Canvas->update();
        StatusLabel->SetCaption(QCoreApplication::translate("TMapView", "Fehler"));
        ShowMessage(ToStdString(m_fileName) + ": " + TranslatedMessage(failure));
    }
}

QString TMapView::CellText(long cell) const
{
    if (cell < 0 || static_cast<std::size_t>(cell) >= m_map.Count())
        return QString();
    const MapCell &c = m_map.Cell(static_cast<std::size_t>(cell));
    const NumberSeparators &separators = CurrentSeparators();
    QString text = QCoreApplication::translate("TMapView", "Spektrum ") + QString::number(cell + 1);
    if (c.HasPosition)
        text += QStringLiteral(", X: ") + ToQString(FormatFixed(c.X, 0, 3, separators))
            + QStringLiteral(", Y: ") + ToQString(FormatFixed(c.Y, 0, 3, separators));
    text += c.Selected ? QCoreApplication::translate("TMapView", ", ausgewählt")
                       : QCoreApplication::translate("TMapView", ", nicht ausgewählt");
    text += QCoreApplication::translate("TMapView", ", fehlend: ") + QString::number(c.Missing);
    if (m_look.Scored)
        text += QCoreApplication::translate("TMapView", ", Güte: ")
            + ToQString(FormatFixed(c.Score, 0, 2, separators));
    return text;
}

void TMapView::ShowCell(long cell)
{
    if (cell < 0 || m_fileName.isEmpty())
        return;
    SpectrumWhere where;
    const LoadResult load = LoadOneSpectrum(SpectrumTable, BadFileList, FileNameToStd(m_fileName),
        CurrentSeparators(), static_cast<std::uint64_t>(cell), where);
    if (!load.WellFormed) {
        ShowMessage(ToStdString(m_fileName) + ": " + TranslatedMessage(load.Reason));
        return;
    }
    ShowSpectra(QString());
    SetCaption(Form2, m_fileName + QStringLiteral(" - ") + CellText(cell));
    Form2->Chart1->Title.Clear();
    Form2->Chart1->Title.Add(m_fileName + QCoreApplication::translate("TMapView", " - Spektrum ")
        + QString::number(cell + 1));
    raise();
}

void TMapView::SaveMap()
{
    static TSavePictureDialog dialog;
    dialog.Filter = kMapFilter;
    if (!dialog.Execute(this))
        return;
    QString name = dialog.FileName;
    const int index = std::clamp(dialog.FilterIndex, 1, 4) - 1;
    QString extension;
    for (const QString &known : kMapExtensions)
        if (name.endsWith(known, Qt::CaseInsensitive))
            extension = known;
    if (extension.isEmpty()) {
        extension = kMapExtensions[index];
        name += extension;
    }
    QByteArray bytes;
    const QSize size(
        kPictureWidth, m_layout.Shape == MapShape::Strip ? kPictureHeight / 4 : kPictureHeight);
    if (extension == QStringLiteral(".tsv")) {
        bytes =
            QByteArray::fromStdString(m_map.Table(m_search.Targets, CurrentSeparators().Decimal));
    } else if (extension == QStringLiteral(".png")) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        HitMapImage(m_map, m_layout, m_look, size).save(&buffer, "PNG");
    } else if (extension == QStringLiteral(".svg")) {
        QBuffer buffer(&bytes);
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(m_look.Title);
        QPainter painter(&svg);
        PaintHitMap(painter, QRect(QPoint(0, 0), size), m_map, m_layout, m_look);
    } else {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        pdf.setResolution(96);
        pdf.setPageSize(QPageSize(QSizeF(size) * 25.4 / 96, QPageSize::Millimeter));
        pdf.setPageMargins(QMarginsF());
        pdf.setTitle(m_look.Title);
        QPainter painter(&pdf);
        PaintHitMap(painter, QRect(QPoint(0, 0), size), m_map, m_layout, m_look);
    }
    const auto failure = TryWriteFileAtomically(FileNameToStd(name),
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (failure)
        throw EFCreateError(
            PictureFileError(QDir::toNativeSeparators(name).toStdString(), &*failure));
    ShowMessage(ToStdString(
        QCoreApplication::translate("TMapView", "File gespeichert") + QLatin1Char('\r') + name));
}

TMapView *TheMapView()
{
    if (MapView == nullptr)
        MapView = new TMapView();
    return MapView;
}

bool IsMapFile(const QString &fileName)
{
    FirstTwo sink;
    auto table = std::make_unique<SpectrumTableData>();
    BadFileListData badFiles;
    try {
        StreamSpectrumFile(*table, badFiles, FileNameToStd(fileName), CurrentSeparators(), sink);
    } catch (const Exception &) {
        return false;
    }
    return sink.taken == 2 && sink.positioned == 2;
}
