#pragma once

#include "testsupport.h"
#include "windowscript.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>

class QWidget;
class TListBox;

// The program's windows as a user finds them: created in their order, the main window shown,
// boxes and dialogs answered by a script, the working folder a fresh one (where no preset lies,
// nor in the installed data folder). Lives for one test.
class ProgramScene
{
public:
    ProgramScene();
    ~ProgramScene();
    ProgramScene(const ProgramScene &) = delete;
    ProgramScene &operator=(const ProgramScene &) = delete;

    // Whether the main window reached the screen.
    bool shown() const;
    QString write(const std::string &name, const std::string &text) const;
    QString path(const std::string &name) const;
    // Adds the files to the main window's file list through its Add dialog.
    void listFiles(const QStringList &files);
    // Double-clicks entry index of the file list: the viewer opens on it.
    void open(int index);
    // The texts of the boxes shown so far, dropped from the record.
    QStringList takeBoxes();

    TestFolder folder;
    WindowScript script;

private:
    QString m_startDir;
};

void ClickEntry(TListBox *list, int index);
void DoubleClickEntry(TListBox *list, int index);

// Calls onPaint at every paint the widget receives, before it paints; for checking what a window
// showed while a run kept the event loop away. Watches for its own lifetime.
class PaintWatch : public QObject
{
public:
    PaintWatch(QWidget *widget, std::function<void()> onPaint);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_widget;
    std::function<void()> m_onPaint;
};
