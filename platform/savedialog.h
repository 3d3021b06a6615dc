#pragma once

#include <QString>
#include <functional>

class QWidget;

// A file-save dialog: the filter is written as for TOpenDialog ("Tabellen (*.tsv)|*.tsv|...",
// FilterIndex from 1); DefaultExt (without the dot) is appended to a chosen name that has no
// extension. The dialog asks before an existing file is replaced.
class TSaveDialog
{
public:
    QString Filter;
    int FilterIndex = 1;
    QString DefaultExt;
    QString InitialDir; // empty: the process's current directory
    QString FileName; // the proposed name before Execute, the chosen full name after it

    bool Execute(QWidget *parent = nullptr);
};

// Tests answer the dialog through a hook: it receives the dialog with its settings, puts the
// chosen name into fileName and returns true for Save, false for Cancel. An empty hook restores
// the real dialog.
using SaveDialogHook = std::function<bool(const TSaveDialog &dialog, QString &fileName)>;
void SetSaveDialogHook(SaveDialogHook hook);
