// Times the main window's search run against the bare core loop on the same files.
//
//   time_search DIR [REPEATS]
//
// Run it from a folder with peaks/rh6g.txt (the repository root) on the display to be measured
// (an X server, or -platform offscreen). It fills the file list with the *.txt files of DIR,
// loads the Rhodamine 6G preset, then alternates the core loop (read and judge every file, as the
// batch command does on one thread) and a click on "Start !", and prints the best time of each
// and their ratio. The window adds only its caption, status and progress updates.

#include "application.h"
#include "controls.h"
#include "filejudgement.h"
#include "messagebox.h"
#include "project1.h"
#include "qtstrings.h"
#include "separators.h"
#include "spectrumfile.h"
#include "spectrumtable.h"
#include "tform1.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

int coreLoop(const QStringList &files, const std::vector<std::string> &targets)
{
    int selected = 0;
    BadFileList.Count = 0;
    for (const QString &file : files) {
        const int before = BadFileList.Count;
        LoadSpectrumFile(FileNameToStd(file));
        if (BadFileList.Count == before
            && JudgeLoadedFile(SpectrumTable, PeakList, targets, SearchSettings {}, CurrentSeparators()))
            ++selected;
    }
    return selected;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: time_search DIR [REPEATS]\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    SetApplicationTitle(kApplicationTitle);
    SetMessageBoxHook([](const MessageBoxRequest &request) {
        std::fprintf(stderr, "box: %s\n", request.Text.c_str());
    });
    CreateForms();
    Form1->show();
    if (!QTest::qWaitForWindowExposed(Form1))
        return 1;

    QStringList files;
    for (const QString &name : dir.entryList({ QStringLiteral("*.txt") }, QDir::Files, QDir::Name))
        files << dir.absoluteFilePath(name);
    for (const QString &file : std::as_const(files))
        Form1->ListBox1->Add(file);
    QTest::mouseClick(Form1->Button7, Qt::LeftButton);
    std::vector<std::string> targets;
    for (const QString &target : Form1->ListBox2->Items())
        targets.push_back(ToStdString(target));
    QApplication::processEvents();

    qint64 bestCore = -1;
    qint64 bestWindow = -1;
    int coreSelected = 0;
    for (int r = 0; r < repeats; ++r) {
        QElapsedTimer timer;
        timer.start();
        coreSelected = coreLoop(files, targets);
        const qint64 core = timer.nsecsElapsed();
        QApplication::processEvents();

        timer.restart();
        QTest::mouseClick(Form1->Button9, Qt::LeftButton);
        const qint64 window = timer.nsecsElapsed();
        QApplication::processEvents();

        bestCore = bestCore < 0 ? core : std::min(bestCore, core);
        bestWindow = bestWindow < 0 ? window : std::min(bestWindow, window);
    }
    std::printf("%lld files, %d targets: core loop %.3f s (%d selected), main window %.3f s "
                "(%d selected), ratio %.2f\n",
                static_cast<long long>(files.size()), static_cast<int>(targets.size()),
                static_cast<double>(bestCore) / 1e9, coreSelected, static_cast<double>(bestWindow) / 1e9,
                Form1->ListBox3->Count(), static_cast<double>(bestWindow) / static_cast<double>(bestCore));
    DestroyForms();
    return 0;
}
