// main() for the benchmarks that need a QApplication (windows and widgets): offscreen
// unless the environment names a platform (QT_QPA_PLATFORM=xcb with DISPLAY, as
// bench/run-benchmarks does under Xvfb).
#include <QApplication>
#include <benchmark/benchmark.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
