// How long the Activate command keeps the window busy: from the command to its
// return. The job itself runs on its own thread; here its command lines start
// nothing, so each iteration can wait for its job to end before the next one.
#include "app/frmmain.h"
#include "net/process.h"
#include "tests/app/frmmainprobe.h"
#include "tests/fixtures/fakemessageboxes.h"
#include "tests/fixtures/tempdatabase.h"
#include "tests/net/snapshot_fakesource.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <atomic>
#include <benchmark/benchmark.h>

namespace {

// Starts nothing: every line "cannot be started".
class NoProcesses final : public ProcessLauncher {
public:
    std::unique_ptr<RunningProcess> start(const std::string&, int) override { return nullptr; }
};

void BM_ActivateCommandReturns(benchmark::State& state) {
    TempDatabase db;
    const qint64 lan = db.addConnection("LAN");
    db.addIPSet("Office", "10.0.0.5", "255.255.255.0", "10.0.0.1", "10.0.0.2", 0, lan);
    FakeMessageBoxes messages;
    std::atomic<int> pauses{0};
    MainWindowServices services = TFrmMainProbe::services(messages);
    services.isAdmin = [] { return true; };
    services.launcher = std::make_shared<NoProcesses>();
    services.pause = [&pauses](std::chrono::milliseconds) { ++pauses; };
    services.adapters = std::make_shared<FakeAdapterSource>();
    CurrentDirectory here(db.folder());
    TFrmMain frm(services);
    frm.show();
    QApplication::processEvents();

    for (auto _ : state) {
        const int before = pauses;
        frm.ActivatethisIPSet1Click();
        state.PauseTiming();
        // Let the job run its steps and end (the warning is answered by the fake).
        QElapsedTimer waited;
        waited.start();
        while ((pauses < before + 2 || frm.Label1->isVisible()) && waited.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        state.ResumeTiming();
    }
    if (static_cast<benchmark::IterationCount>(messages.shown.size()) != state.iterations())
        state.SkipWithError("a job did not end with its warning");
}
BENCHMARK(BM_ActivateCommandReturns)->Unit(benchmark::kMicrosecond);

} // namespace
