// Rebuilding the IP set tree with every window the program creates at start (the
// main window shown, the About box and the connection manager created and hidden),
// until the tree is drawn, against filling the same number of plain tree items in a
// shown window: 10,000 IP sets over 1,000 connections in interleaved pairs; 20,000 sets
// against 10,000 the same way; and the growth from 100 to 100,000 sets. The platform is the environment's
// (QT_QPA_PLATFORM, DISPLAY): bench/run-benchmarks runs it under Xvfb and offscreen.
#include "app/startup.h"
#include "bench/benchdata.h"
#include "bench/pairs.h"
#include "bench/plainitems.h"
#include "tests/app/frmmainprobe.h"
#include "widgets/treeview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QTreeWidget>
#include <memory>

namespace {

// Lets the windows take the events of the change and draw it.
void LetDraw() {
    QApplication::processEvents();
    QApplication::processEvents();
}

std::string Platform() {
    return QApplication::platformName().toStdString();
}

// The program's windows over a database of SETS IP sets, as start-up leaves them.
class ProgramWindows {
public:
    explicit ProgramWindows(int sets) {
        FillIPSets(m_db, sets);
        const CurrentDirectory here(m_db.folder());
        m_windows = std::make_unique<StartupWindows>();
        m_windows->show();
        LetDraw();
    }
    double loadTree() {
        QElapsedTimer timer;
        timer.start();
        TFrmMainProbe::LoadIPSetTree(m_windows->mainWindow());
        LetDraw();
        return static_cast<double>(timer.nsecsElapsed()) / 1e9;
    }
    int topLevelNodes() { return m_windows->mainWindow().IPSetTreeView->topLevelItemCount(); }

private:
    TempDatabase m_db;
    std::unique_ptr<StartupWindows> m_windows;
};

// A shown window with a plain QTreeWidget: the floor of any tree of that many items.
class PlainTree {
public:
    PlainTree() {
        m_tree = new QTreeWidget(&m_window);
        m_window.setCentralWidget(m_tree);
        m_window.resize(418, 588);
        m_window.show();
        LetDraw();
    }
    double fill(int sets) {
        QElapsedTimer timer;
        timer.start();
        m_tree->clear();
        AddPlainItems(*m_tree, sets);
        LetDraw();
        return static_cast<double>(timer.nsecsElapsed()) / 1e9;
    }

private:
    QMainWindow m_window;
    QTreeWidget* m_tree = nullptr;
};

void BM_TreeLoadVsPlainItems(benchmark::State& state) {
    constexpr int Sets = 10000;
    ProgramWindows program(Sets);
    PlainTree plain;
    const PairedMedians medians = MeasurePairs(
        state, [&] { return program.loadTree(); }, [&] { return plain.fill(Sets); });
    if (program.topLevelNodes() != Sets)
        state.SkipWithError("the tree does not hold every IP set");
    ReportRatio(state, "tree load 10000 sets / 1000 connections, manager created (" + Platform() + ")",
                "70000 plain tree items", medians, 1.5);
}
BENCHMARK(BM_TreeLoadVsPlainItems)->Iterations(9)->Unit(benchmark::kMillisecond);

// Doubling the sets: 20,000 against 10,000 (both over one connection per ten sets), the
// windows of both alive in one process, in interleaved pairs.
void BM_TreeLoad20000Vs10000Sets(benchmark::State& state) {
    ProgramWindows tenThousand(10000);
    ProgramWindows twentyThousand(20000);
    const PairedMedians medians = MeasurePairs(
        state, [&] { return twentyThousand.loadTree(); }, [&] { return tenThousand.loadTree(); });
    ReportRatio(state, "tree load 20000 sets (" + Platform() + ")", "10000 sets", medians, 2.2);
}
BENCHMARK(BM_TreeLoad20000Vs10000Sets)->Iterations(9)->Unit(benchmark::kMillisecond);

// Median of 3 loads at each size, with the plain items of that size beside it.
void BM_TreeLoadGrowth(benchmark::State& state) {
    for (auto _ : state) {
        double previous = 0;
        int previousSize = 0;
        for (int sets : {100, 1000, 10000, 20000, 100000}) {
            ProgramWindows program(sets);
            PlainTree plain;
            std::vector<double> loads;
            std::vector<double> plains;
            for (int run = 0; run < 3; ++run) {
                loads.push_back(program.loadTree());
                plains.push_back(plain.fill(sets));
            }
            const double seconds = Median(loads);
            ReportGrowth("tree load (" + Platform() + ")", sets, seconds, previous, previousSize);
            std::printf("    plain items for %d sets: %.2f ms (program / plain %.2fx)\n", sets,
                        Median(plains) * 1e3, seconds / Median(plains));
            state.counters["sets_" + std::to_string(sets) + "_ms"] = seconds * 1e3;
            std::fflush(stdout);
            previous = seconds;
            previousSize = sets;
        }
    }
}
BENCHMARK(BM_TreeLoadGrowth)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
