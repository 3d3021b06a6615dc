// Times the main window's search run against the bare core loop on the same files.
//
//   time_search DIR [REPEATS]
//
// Run it from a folder with peaks/rh6g.txt (the repository root) on the display to be measured
// (an X server, or -platform offscreen). It fills the file list with the *.txt files of DIR,
// loads the Rhodamine 6G preset, then alternates the core loop (read and judge every file, as the
// batch command does on one thread) and a click on "Start !", and prints the best time of each
// and their ratio, in wall-clock time and in the process's processor time (which a busy machine
// disturbs less). The window adds only its caption, status and progress updates.

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
#include <ctime>
#include <vector>

namespace
{

int coreLoop(const QStringList &files, const std::vector<std::string> &targets)
{
    int selected = 0;
    BadFileList.Count = 0;
    for (const QString &file : files) {
        const int before = BadFileList.Count;
        LoadSpectrumFile(FileNameToStd(file));
        if (BadFileList.Count == before
            && JudgeLoadedFile(
                SpectrumTable, PeakList, targets, SearchSettings {}, CurrentSeparators()))
            ++selected;
    }
    return selected;
}

// Wall-clock and processor time in seconds.
struct Times {
    double Wall = 0;
    double Cpu = 0;
};

double processCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

template <typename Fn> Times measure(Fn &&fn)
{
    QElapsedTimer timer;
    const double cpu = processCpuSeconds();
    timer.start();
    fn();
    return { static_cast<double>(timer.nsecsElapsed()) / 1e9, processCpuSeconds() - cpu };
}

void keepBest(Times &best, const Times &now, bool first)
{
    best.Wall = first ? now.Wall : std::min(best.Wall, now.Wall);
    best.Cpu = first ? now.Cpu : std::min(best.Cpu, now.Cpu);
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

    Times core;
    Times window;
    int coreSelected = 0;
    for (int r = 0; r < repeats; ++r) {
        keepBest(core, measure([&] { coreSelected = coreLoop(files, targets); }), r == 0);
        QApplication::processEvents();
        keepBest(
            window, measure([] { QTest::mouseClick(Form1->Button9, Qt::LeftButton); }), r == 0);
        QApplication::processEvents();
    }
    std::printf("%lld files, %d targets, best of %d\n"
                "  core loop    %.3f s wall %.3f s cpu (%d selected)\n"
                "  main window  %.3f s wall %.3f s cpu (%d selected)\n"
                "  ratio        %.2f wall %.2f cpu\n",
        static_cast<long long>(files.size()), static_cast<int>(targets.size()), repeats, core.Wall,
        core.Cpu, coreSelected, window.Wall, window.Cpu, Form1->ListBox3->Count(),
        window.Wall / core.Wall, window.Cpu / core.Cpu);
    DestroyForms();
    return 0;
}
