#pragma once

#include "dialogs.h"
#include "messagebox.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Answers the program's modal boxes and file dialogs for a test, and records what they showed.
// Installed for the life of the object.
class WindowScript
{
public:
    struct Box {
        MessageBoxKind Kind;
        std::string Title;
        std::string Text;
        QString StatusWhileOpen; // the main window's status label while the box was open
    };
    struct Dialog {
        QString InitialDir;
        QString Filter;
        int FilterIndex;
        TOpenDialog::OptionSet Options;
        QString CurrentDirWhenShown;
    };

    struct SaveDialog {
        QString Filter;
        int FilterIndex;
        TSavePictureDialog::OptionSet Options;
    };

    WindowScript();
    ~WindowScript();
    WindowScript(const WindowScript &) = delete;
    WindowScript &operator=(const WindowScript &) = delete;

    // The next dialog confirms these files (full paths); an empty list cancels it.
    void answerDialog(const QStringList &files);

    // The next save dialog confirms this name with this filter; an empty name cancels it.
    void answerSaveDialog(const QString &fileName, int filterIndex);

    std::vector<Box> boxes;
    std::vector<Dialog> dialogs;
    std::vector<SaveDialog> saveDialogs;

private:
    std::vector<QStringList> m_answers;
    std::vector<std::pair<QString, int>> m_saveAnswers;
};

// A spectrum file's text with one spectrum whose peak finder finds exactly one peak at each of
// the given x texts (a hump of 500, 1000, 500 between zeros); the data ends with an empty line
// so that every data line counts.
std::string SpectrumWithPeaks(const std::vector<std::string> &peakPositions);

// A file of the wrong layout: no tab in its third line.
std::string WrongLayoutText();
