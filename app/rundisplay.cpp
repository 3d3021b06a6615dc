#include "rundisplay.h"

#include "application.h"

#include <QCoreApplication>
#include <QEventLoop>
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

RunDisplay::RunDisplay(QWidget *window, QProgressBar *bar)
    : m_window(window)
    , m_bar(bar)
    , m_position(bar->value())
    , m_interval(g_interval == kScreenFrame ? frameOf(window) : g_interval)
{
}

RunDisplay::~RunDisplay()
{
    if (m_pending) {
        SetCaption(m_window, m_caption);
        m_bar->setValue(m_position);
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
    // Paints and exposures only: clicks and keys stay queued until the run has ended.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_sinceShown.start();
}
