#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// The file-open dialog of the layouts. Its settings are made before Execute, as the handlers
// do; the filter is written as pairs of description and patterns separated by bars
// ("Textdateien (*.txt)|*.txt|Alle Dateien (*.*)|*.*") and FilterIndex counts from 1.
// Patterns match regardless of case, and "*.*" matches every file, with or without a dot.
class TOpenDialog
{
public:
    struct OptionSet {
        bool AllowMultiSelect = false;
        bool FileMustExist = false;
        bool NoChangeDir = false; // keep the process's current directory unchanged
        bool HideReadOnly = false;
        bool EnableSizing = false;
    };

    QString InitialDir; // empty: the process's current directory
    QString Filter;
    int FilterIndex = 1;
    OptionSet Options;

    // The chosen files after a confirmed Execute: full paths, in the dialog's order.
    QStringList Files;
    QString FileName; // the first of them

    // Shows the dialog modally. On confirmation the chosen names are stored and, unless
    // NoChangeDir is set, the process's current directory becomes the folder they lie in.
    bool Execute(QWidget *parent = nullptr);

    // The name filters in Qt's form, for the dialog and for tests.
    QStringList QtNameFilters() const;
};

// The picture-save dialog of the viewer: the same filter form, FilterIndex counting from 1 and
// telling after Execute which filter the user chose. No extension is added to the chosen name,
// and an existing file is taken without asking unless OverwritePrompt is set.
class TSavePictureDialog
{
public:
    struct OptionSet {
        bool HideReadOnly = true;
        bool EnableSizing = true;
        bool OverwritePrompt = false;
    };

    QString Filter;
    // Further entries in Filter's form, offered after Filter's own and numbered on from them.
    QString MoreFilter;
    int FilterIndex = 1;
    OptionSet Options;
    QString FileName; // the chosen full path after a confirmed Execute; may be preset
    // With AskPictureSize the dialog also asks for the picture's width and height in pixels, a
    // resolution in dots per inch and a text size in points; 0 stands for "as shown" (the chart's
    // size, no resolution of its own, the text in the window's pixels). Kept from one Execute to
    // the next.
    bool AskPictureSize = false;
    int PictureWidth = 0;
    int PictureHeight = 0;
    int PictureDpi = 0;
    int PictureTextSize = 0;

    bool Execute(QWidget *parent = nullptr);
};

// The name filters of a filter text in Qt's form, for the dialogs and for tests.
QStringList QtNameFilters(const QString &filter);

// Tests answer the dialogs through a hook: it receives the dialog with its settings, puts the
// chosen full paths into files and returns true for OK, false for Cancel. An empty hook
// restores the real dialog.
using OpenDialogHook = std::function<bool(const TOpenDialog &dialog, QStringList &files)>;
void SetOpenDialogHook(OpenDialogHook hook);

// The save dialog's hook receives the dialog with its settings, puts the chosen full path into
// fileName and the chosen filter's number into filterIndex, and returns true for OK.
using SaveDialogHook =
    std::function<bool(const TSavePictureDialog &dialog, QString &fileName, int &filterIndex)>;
void SetSaveDialogHook(SaveDialogHook hook);
