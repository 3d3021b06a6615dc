#include "windowscript.h"

#include "controls.h"
#include "tform1.h"

#include <QDir>
#include <tuple>

WindowScript::WindowScript()
{
    SetMessageBoxHook([this](const MessageBoxRequest &request) {
        boxes.push_back({ request.Kind, request.Title, request.Text,
            Form1 != nullptr ? Form1->Label5->Caption() : QString() });
    });
    SetOpenDialogHook([this](const TOpenDialog &dialog, QStringList &files) {
        dialogs.push_back({ dialog.InitialDir, dialog.Filter, dialog.FilterIndex, dialog.Options,
            QDir::currentPath() });
        if (m_answers.empty())
            return false;
        files = m_answers.front();
        m_answers.erase(m_answers.begin());
        return !files.isEmpty();
    });
    SetSaveDialogHook([this](const TSavePictureDialog &dialog, QString &fileName, int &filter) {
        saveDialogs.push_back({ dialog.Filter, dialog.FilterIndex, dialog.Options });
        if (m_saveAnswers.empty())
            return false;
        std::tie(fileName, filter) = m_saveAnswers.front();
        m_saveAnswers.erase(m_saveAnswers.begin());
        return !fileName.isEmpty();
    });
}

WindowScript::~WindowScript()
{
    SetMessageBoxHook(nullptr);
    SetOpenDialogHook(nullptr);
    SetSaveDialogHook(nullptr);
}

void WindowScript::answerDialog(const QStringList &files)
{
    m_answers.push_back(files);
}

void WindowScript::answerSaveDialog(const QString &fileName, int filterIndex)
{
    m_saveAnswers.emplace_back(fileName, filterIndex);
}

std::string SpectrumWithPeaks(const std::vector<std::string> &peakPositions)
{
    std::string text = "Probe\r\nx-data = Raman shift [1/cm] y-data = Intensity\r\nShift\tA\r\n";
    int filler = 100;
    const auto row = [&text](
                         const std::string &x, const char *y) { text += x + "\t" + y + "\r\n"; };
    const auto zero = [&] { row(std::to_string(filler++), "0"); };
    zero();
    zero();
    for (const auto &position : peakPositions) {
        row(std::to_string(filler++), "500");
        row(position, "1000");
        row(std::to_string(filler++), "500");
        zero();
        zero();
        zero();
    }
    return text + "\r\n";
}

std::string WrongLayoutText()
{
    return "Probe\r\nx-data = x y-data = y\r\nShift A\r\n1\t2\r\n";
}
