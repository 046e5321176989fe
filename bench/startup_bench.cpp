// Start-up as the user gets it: the program (the main window, the About box and the
// connection manager, as start-up creates them) from its fork to the main window's
// first picture, against a bare QMainWindow shown, both as whole processes, in
// interleaved pairs (and, for comparison, against a plain window with a part of each
// kind the main window has). The platform is the environment's (QT_QPA_PLATFORM, DISPLAY):
// bench/run-benchmarks runs it under Xvfb and offscreen. Also the growth of start-up
// with the database's size, and the peak memory at 100,000 sets against a window
// with the same number of plain tree items.
#include "bench/benchdata.h"
#include "bench/pairs.h"

#include <QCoreApplication>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct ProbeRun {
    double seconds = 0;   // from the fork to the first picture
    double peakBytes = 0; // the process's peak resident memory
};

double MonotonicSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Runs a probe in folder; it prints "painted <ns>" when drawn and ends.
ProbeRun RunProbe(const std::vector<std::string>& arguments, const QString& folder) {
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const QByteArray where = folder.toLocal8Bit();
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const double started = MonotonicSeconds();
    const pid_t child = fork();
    if (child == 0) {
        dup2(output[1], STDOUT_FILENO);
        if (!where.isEmpty() && chdir(where.constData()) != 0)
            _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(output[1]);
    std::string text;
    char chunk[256];
    for (ssize_t got; (got = read(output[0], chunk, sizeof chunk)) != 0;) {
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            break;
        text.append(chunk, static_cast<std::size_t>(got));
    }
    close(output[0]);
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    const auto at = text.find("painted ");
    if (at == std::string::npos || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the probe " + arguments[0] + " was not drawn (status " +
                                 std::to_string(status) + ")");
    const double painted = std::stod(text.substr(at + 8)) / 1e9;
    return {painted - started, static_cast<double>(usage.ru_maxrss) * 1024.0};
}

std::string Platform() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    return platform.isEmpty() ? std::string("default platform") : platform.toStdString();
}

const std::vector<std::string> Bare = {FLOOR_PROBE, "bare"};
const std::vector<std::string> Parts = {FLOOR_PROBE, "parts"};
const std::vector<std::string> Program = {STARTUP_PROBE};

// One database per size, made once.
TempDatabase& DatabaseOf(int sets) {
    static std::map<int, std::unique_ptr<TempDatabase>> databases;
    auto& db = databases[sets];
    if (!db) {
        db = std::make_unique<TempDatabase>();
        FillIPSets(*db, sets);
    }
    return *db;
}

// A user's database: 20 IP sets over 2 connections.
constexpr int TypicalSets = 20;

// One start-up against another (the program's against a floor's), both over the same
// folder, in interleaved pairs.
void MeasureStartupAgainst(benchmark::State& state, const std::vector<std::string>& measured,
                           const std::string& measuredName, const std::vector<std::string>& floor,
                           const std::string& floorName, double goal) {
    const QString folder = DatabaseOf(TypicalSets).folder();
    try {
        const PairedMedians medians = MeasurePairs(
            state, [&] { return RunProbe(measured, folder).seconds; },
            [&] { return RunProbe(floor, folder).seconds; });
        ReportRatio(state, measuredName + " (" + Platform() + ")", floorName, medians, goal);
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

const std::string ProgramName =
    "start-up to the main window drawn, three windows, " + std::to_string(TypicalSets) + " sets";

void BM_StartupVsBareWindow(benchmark::State& state) {
    MeasureStartupAgainst(state, Program, ProgramName, Bare, "bare QMainWindow", 1.3);
}
BENCHMARK(BM_StartupVsBareWindow)->Iterations(15)->Unit(benchmark::kMillisecond);

// For comparison, against a window with one of each kind of part in its plainest form
// (a menu bar, a status bar text, a tree of the sets read through Qt's SQLite driver),
// and that window against the bare one: what text, menus and the driver cost any such
// window, which the bare one lacks.
void BM_StartupVsWindowOfTheSameParts(benchmark::State& state) {
    MeasureStartupAgainst(state, Program, ProgramName, Parts, "a plain window of the same parts", 0);
}
BENCHMARK(BM_StartupVsWindowOfTheSameParts)->Iterations(15)->Unit(benchmark::kMillisecond);

void BM_PlainWindowOfTheSamePartsVsBareWindow(benchmark::State& state) {
    MeasureStartupAgainst(state, Parts, "a plain window of the same parts drawn", Bare, "bare QMainWindow", 0);
}
BENCHMARK(BM_PlainWindowOfTheSamePartsVsBareWindow)->Iterations(15)->Unit(benchmark::kMillisecond);

// Start-up with 100, 1,000, 10,000 and 100,000 sets: median of 3 runs each.
void BM_StartupGrowth(benchmark::State& state) {
    try {
        for (auto _ : state) {
            double previous = 0;
            int previousSize = 0;
            for (int sets : {100, 1000, 10000, 100000}) {
                const QString folder = DatabaseOf(sets).folder();
                std::vector<double> runs;
                for (int run = 0; run < 3; ++run)
                    runs.push_back(RunProbe(Program, folder).seconds);
                const double seconds = Median(runs);
                ReportGrowth("start-up (" + Platform() + ")", sets, seconds, previous, previousSize);
                state.counters["sets_" + std::to_string(sets) + "_ms"] = seconds * 1e3;
                previous = seconds;
                previousSize = sets;
            }
        }
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}
BENCHMARK(BM_StartupGrowth)->Iterations(1)->Unit(benchmark::kMillisecond);

// Peak memory of the program started over 100,000 sets, against a window whose tree
// holds the same 700,000 plain items.
void BM_PeakMemory100kSets(benchmark::State& state) {
    constexpr int Sets = 100000;
    const QString folder = DatabaseOf(Sets).folder();
    const std::vector<std::string> plain = {FLOOR_PROBE, "plain", std::to_string(Sets)};
    try {
        const PairedMedians medians = MeasurePairs(
            state, [&] { return RunProbe(Program, folder).peakBytes; },
            [&] { return RunProbe(plain, {}).peakBytes; });
        ReportRatio(state, "peak memory, program over 100000 sets (" + Platform() + ")", "plain tree items",
                    medians, 1.3, 1.0 / (1024 * 1024), "MiB");
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}
BENCHMARK(BM_PeakMemory100kSets)->Iterations(7)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv); // the databases are made through Qt's SQL driver
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
