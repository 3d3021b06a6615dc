#pragma once

#include "testsupport.h"
#include "windowscript.h"

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

class QWidget;
class TListBox;

// The program's windows as a user finds them: created in their order, the main window shown,
// boxes and dialogs answered by a script, files written into a fresh folder. Lives for one test.
class ViewerScene
{
public:
    ViewerScene();
    ~ViewerScene();
    ViewerScene(const ViewerScene &) = delete;
    ViewerScene &operator=(const ViewerScene &) = delete;

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

// The tag of every spectrum the chart shows, from the bottom: its first point's height minus 1
// and minus the spacing's lift.
QList<int> ShownTags();
