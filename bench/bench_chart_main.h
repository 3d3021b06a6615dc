#pragma once

#include <QApplication>
#include <QByteArray>
#include <benchmark/benchmark.h>

// The chart needs an application object; the benchmarks draw off screen.
#define PH_CHART_BENCHMARK_MAIN()                                                                  \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                        \
            qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));                                   \
        QApplication application(argc, argv);                                                      \
        /* The offscreen platform warns at every raise() of a window. */                           \
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});     \
        benchmark::Initialize(&argc, argv);                                                        \
        if (benchmark::ReportUnrecognizedArguments(argc, argv))                                    \
            return 1;                                                                              \
        benchmark::RunSpecifiedBenchmarks();                                                       \
        benchmark::Shutdown();                                                                     \
        return 0;                                                                                  \
    }
