#include "rundisplay.h"

#include "application.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QProgressBar>
#include <QScreen>
#include <QWidget>

namespace
{

constexpr qint64 kScreenFrame = -1; // the default: one frame of the window's screen
qint64 g_interval = kScreenFrame;

qint64 frameOf(const QWidget *window)
{
    const QScreen *screen = window->screen();
    const double rate = screen != nullptr ? screen->refreshRate() : 0;
    return static_cast<qint64>(1e9 / (rate >= 1 ? rate : 60.0));
}

} // namespace

void RunDisplay::SetUpdateInterval(qint64 nanoseconds)
{
    g_interval = nanoseconds;
}

void RunDisplay::ResetUpdateInterval()
{
    g_interval = kScreenFrame;
}

// Lets user input through to the stop button alone while a run lasts; Escape anywhere stops.
class RunDisplay::InputGate : public QObject
{
public:
    explicit InputGate(RunDisplay &run)
        : m_run(run)
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~InputGate() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *target, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
                m_run.m_stopped = true;
                return true;
            }
            return target != m_run.m_stop;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            return target != m_run.m_stop;
        default:
            return false;
        }
    }

private:
    RunDisplay &m_run;
};

RunDisplay::RunDisplay(QWidget *window, QProgressBar *bar, QAbstractButton *stop)
    : m_window(window)
    , m_bar(bar)
    , m_position(bar->value())
    , m_interval(g_interval == kScreenFrame ? frameOf(window) : g_interval)
    , m_stop(stop)
{
    if (m_stop != nullptr) {
        m_gate = new InputGate(*this);
        QObject::connect(m_stop, &QAbstractButton::clicked, m_gate, [this] { m_stopped = true; });
        m_stop->show();
    }
}

RunDisplay::~RunDisplay()
{
    if (m_pending) {
        SetCaption(m_window, m_caption);
        m_bar->setValue(m_position);
    }
    if (m_stop != nullptr) {
        delete m_gate;
        m_stop->hide();
    }
}

void RunDisplay::FileStarted(const QString &caption)
{
    m_caption = caption;
    m_pending = true;
    if (!m_sinceShown.isValid() || m_sinceShown.nsecsElapsed() >= m_interval)
        show();
}

void RunDisplay::Progress(int position)
{
    m_position = position;
    m_pending = true;
}

void RunDisplay::show()
{
    SetCaption(m_window, m_caption);
    m_bar->setValue(m_position);
    m_pending = false;
    // Paints and exposures only: clicks and keys stay queued until the run has ended; with a
    // stop button, input too, through the gate that lets the stop through alone.
    QCoreApplication::processEvents(
        m_stop != nullptr ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    m_sinceShown.start();
}
