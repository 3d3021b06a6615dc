// The main window's search against peakhound-search --jobs 1 on the same files, in the same run.
// The window is the real one (off screen unless QT_QPA_PLATFORM says otherwise): the file list is
// filled, the bands of polystyrene entered and "Start !" clicked, and the run is timed to the end
// of the click, with its caption, status, count line and progress updates. The command gets the
// window's peaks, tolerance and missing-peak limit and the same files through --files-from, its
// output to /dev/null. Rounds alternate the two, so the load of a shared machine falls on both
// alike; the figures are the medians of the rounds.
//
// Reported: x_command, the window's wall time over the command's (goal: at most 1.3), and
// x_command_cpu, the same in processor time (the window's process against the command's, all
// threads); both selected counts, which must agree.
//
// The files are copies of the real spectra of tests/data/realdata, written once into
// PEAKHOUND_WINDOW_DIR (default /tmp/peakhound-bench-window) and reused.
//
//     bench_window_search                                 20000 files, three rounds
//     PEAKHOUND_WINDOW_FILES=200000 bench_window_search   another number of files
//     PEAKHOUND_WINDOW_ROUNDS=5 bench_window_search       more rounds

#include "application.h"
#include "benchcommon.h"
#include "childrun.h"
#include "controls.h"
#include "messagebox.h"
#include "project1.h"
#include "qtstrings.h"
#include "tform1.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace
{

double processCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// n files cycling through the real spectra, in a folder of their own per n; their names.
QStringList prepareFiles(int n)
{
    const QDir source(QStringLiteral(PH_REALDATA_DIR));
    const QStringList real = source.entryList({ QStringLiteral("*.txt") }, QDir::Files, QDir::Name);
    const QString folder =
        QString::fromStdString(EnvOr("PEAKHOUND_WINDOW_DIR", "/tmp/peakhound-bench-window"))
        + QStringLiteral("/") + QString::number(n);
    QDir().mkpath(folder);
    QStringList files;
    for (int k = 0; k < n && !real.isEmpty(); ++k) {
        const QString name = folder
            + QStringLiteral("/%1-%2").arg(k, 7, 10, QLatin1Char('0')).arg(real[k % real.size()]);
        if (!QFile::exists(name) && !QFile::copy(source.filePath(real[k % real.size()]), name))
            return {};
        files << name;
    }
    return files;
}

bool writeLines(const std::string &path, const QStringList &lines)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const QString &line : lines)
        out << ToStdString(line) << '\n';
    return static_cast<bool>(out);
}

void BM_WindowSearchVsCommand(benchmark::State &state)
{
    const int n = EnvCount("PEAKHOUND_WINDOW_FILES", 20000);
    const int rounds = EnvCount("PEAKHOUND_WINDOW_ROUNDS", 3);
    const QStringList files = prepareFiles(n);
    if (files.size() != n) {
        state.SkipWithError("cannot write the files");
        return;
    }
    CreateForms();
    Form1->show();
    if (!QTest::qWaitForWindowExposed(Form1)) {
        state.SkipWithError("the main window is not shown");
        return;
    }
    Form1->ListBox1->Clear();
    for (const QString &file : files)
        Form1->ListBox1->Add(file);
    // The bands of polystyrene, which a tenth of the files show.
    Form1->ListBox2->Clear();
    for (const char *band : { "620", "1001", "1031", "1602" })
        Form1->ListBox2->Add(QString::fromLatin1(band));
    QApplication::processEvents();

    const QString folder = QFileInfo(files.front()).absolutePath();
    const std::string list = ToStdString(folder) + ".list";
    const std::string peaks = ToStdString(folder) + ".peaks";
    if (!writeLines(list, files) || !writeLines(peaks, Form1->ListBox2->Items())) {
        state.SkipWithError("cannot write the file list");
        return;
    }
    const std::vector<std::string> command = { PH_SEARCH_BINARY, "--jobs", "1", "--peak-file",
        peaks, "--tolerance", std::to_string(Form1->Abweichung->Value()), "--max-missing",
        std::to_string(Form1->maxfehl->Value()), "--files-from", list };

    std::vector<double> windowWall, windowCpu, commandWall, commandCpu;
    int commandSelected = 0;
    for (auto _ : state) {
        for (int r = 0; r < rounds; ++r) {
            const ChildRun run = RunChild(command, ChildOutput::Capture);
            if (!run.Ok) {
                state.SkipWithError("peakhound-search failed");
                return;
            }
            commandWall.push_back(run.Seconds);
            commandCpu.push_back(run.CpuSeconds);
            commandSelected = static_cast<int>(std::count(run.Out.begin(), run.Out.end(), '\n'));
            QApplication::processEvents();
            QElapsedTimer timer;
            const double cpu = processCpuSeconds();
            timer.start();
            QTest::mouseClick(Form1->Button9, Qt::LeftButton);
            windowWall.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e9);
            windowCpu.push_back(processCpuSeconds() - cpu);
            QApplication::processEvents();
        }
        state.SetIterationTime(Median(windowWall));
    }
    const int windowSelected = Form1->ListBox3->Count();
    if (windowSelected != commandSelected || windowSelected == 0)
        state.SkipWithError("the window and the command selected different files");
    state.counters["files"] = n;
    state.counters["window_s"] = Median(windowWall);
    state.counters["command_s"] = Median(commandWall);
    state.counters["x_command"] = Median(windowWall) / Median(commandWall);
    state.counters["x_command_cpu"] = Median(windowCpu) / Median(commandCpu);
    state.counters["selected"] = windowSelected;
    std::printf("%d files, %d selected: window %.3f s (%.3f s CPU), peakhound-search --jobs 1 "
                "%.3f s (%.3f s CPU); ratio %.2f wall, %.2f CPU (goal: at most 1.3)\n",
        n, windowSelected, Median(windowWall), Median(windowCpu), Median(commandWall),
        Median(commandCpu), Median(windowWall) / Median(commandWall),
        Median(windowCpu) / Median(commandCpu));
    DestroyForms();
}

} // namespace

BENCHMARK(BM_WindowSearchVsCommand)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    QApplication application(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    SetApplicationTitle(kApplicationTitle);
    SetMessageBoxHook([](const MessageBoxRequest &request) {
        std::fprintf(stderr, "box: %s\n", request.Text.c_str());
    });
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
