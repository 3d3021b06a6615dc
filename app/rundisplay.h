#pragma once

#include <QElapsedTimer>
#include <QString>

class QAbstractButton;
class QObject;
class QProgressBar;
class QWidget;

// The window's caption and progress bar while a search runs. A run never returns to the event
// loop; between files it lets the window system repaint (paint and expose events only; user input
// waits until the run ends). Changes the user could not see are coalesced: the caption, the bar
// and the repaint are brought up to date at most once per screen frame. Whatever is still pending
// is shown when the object goes, so that when the run stops, at its end or at an error, the
// caption names the file reached and the bar stands after the file before it.
//
// With a stop button, the run can be stopped: the button is shown while the run lasts, and a
// click on it or the Escape key asks the run to stop (Stopped). Then user input reaches the
// button and Escape alone; every other click and key during the run is dropped, so that nothing
// the user did to a busy window acts after it.
class RunDisplay
{
public:
    RunDisplay(QWidget *window, QProgressBar *bar, QAbstractButton *stop = nullptr);
    ~RunDisplay();
    RunDisplay(const RunDisplay &) = delete;
    RunDisplay &operator=(const RunDisplay &) = delete;

    // The run starts on a file: its caption is due.
    void FileStarted(const QString &caption);
    // The run has finished a file: the bar's position is due.
    void Progress(int position);
    // The user asked the run to stop (with a stop button only).
    bool Stopped() const { return m_stopped; }

    // The shortest time between two updates; by default one frame of the window's screen. Tests
    // set 0 to see every change, or a long time to see only the final state.
    static void SetUpdateInterval(qint64 nanoseconds);
    static void ResetUpdateInterval();

private:
    class InputGate;
    void show();

    QWidget *m_window;
    QProgressBar *m_bar;
    QString m_caption;
    int m_position;
    bool m_pending = false;
    qint64 m_interval;
    QElapsedTimer m_sinceShown;
    QAbstractButton *m_stop;
    bool m_stopped = false;
    InputGate *m_gate = nullptr;
};
