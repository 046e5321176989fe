// Locating rows of the Connections table: by the key (a hash lookup, the same cost
// for any table size) against a locate on a text field (a walk over the rows).
// Also the cost of opening a table of that size, of posting an edited row (one
// checked UPDATE), and of settling: a changed pending row stored by the next move,
// an unchanged one dropped.
#include "bench/benchdata.h"
#include "bench/pairs.h"
#include "store/database.h"
#include "store/datatable.h"
#include "tests/fixtures/tempdatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>

namespace {

void fill(TempDatabase& db, int connections) {
    db.exec(QStringLiteral("BEGIN"));
    for (int c = 1; c <= connections; ++c)
        db.addConnection(QStringLiteral("Connection %1").arg(c), QStringLiteral("bench"));
    db.exec(QStringLiteral("COMMIT"));
}

class OpenConnections {
public:
    explicit OpenConnections(int rows) {
        fill(m_file, rows);
        m_database.setConnectionString(m_file.path());
        m_table.open();
    }
    DataTable& table() { return m_table; }

private:
    TempDatabase m_file;
    Database m_database;
    DataTable m_table{m_database, QStringLiteral("ConnectionsT"), QStringLiteral("Connections")};
};

void BM_LocateByKey(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    OpenConnections connections(rows);
    int key = 0;
    for (auto _ : state) {
        key = key % rows + 1;
        benchmark::DoNotOptimize(
            connections.table().locate(QStringLiteral("autoincfield"), key, DataTable::CaseInsensitive));
    }
}
BENCHMARK(BM_LocateByKey)->RangeMultiplier(10)->Range(100, 100000);

void BM_LocateByName(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    OpenConnections connections(rows);
    const QString last = QStringLiteral("connection %1").arg(rows); // the worst case: the last row
    for (auto _ : state)
        benchmark::DoNotOptimize(
            connections.table().locate(QStringLiteral("connectionname"), last, DataTable::CaseInsensitive));
}
BENCHMARK(BM_LocateByName)->RangeMultiplier(10)->Range(100, 10000);

void BM_OpenTable(benchmark::State& state) {
    TempDatabase file;
    fill(file, static_cast<int>(state.range(0)));
    Database database;
    database.setConnectionString(file.path());
    DataTable table(database, QStringLiteral("ConnectionsT"), QStringLiteral("Connections"));
    for (auto _ : state) {
        table.open();
        benchmark::DoNotOptimize(table.recordCount());
        table.close();
    }
}
BENCHMARK(BM_OpenTable)->RangeMultiplier(10)->Range(100, 100000)->Unit(benchmark::kMillisecond);

// Each round edits the current row and writes one field; then ends the edit.
template <typename EndEdit>
void EditEachRound(benchmark::State& state, EndEdit endEdit) {
    OpenConnections connections(static_cast<int>(state.range(0)));
    DataTable& table = connections.table();
    int round = 0;
    for (auto _ : state) {
        table.edit();
        table.setFieldString(QStringLiteral("description"), QStringLiteral("round %1").arg(++round));
        endEdit(table);
    }
}

// Post: one checked UPDATE in the file.
void BM_PostEdit(benchmark::State& state) {
    EditEachRound(state, [](DataTable& table) { table.post(); });
}
BENCHMARK(BM_PostEdit)->RangeMultiplier(10)->Range(100, 10000)->Unit(benchmark::kMicrosecond);

// The changed pending row settled by the next locate (the row is stored, then the cursor moves).
void BM_SettleChanged(benchmark::State& state) {
    EditEachRound(state, [](DataTable& table) {
        benchmark::DoNotOptimize(table.locate(QStringLiteral("autoincfield"), 1, DataTable::CaseInsensitive));
    });
}
BENCHMARK(BM_SettleChanged)->RangeMultiplier(10)->Range(100, 10000)->Unit(benchmark::kMicrosecond);

// An unchanged pending row dropped by the next locate: no statement at all.
void BM_SettleUnchanged(benchmark::State& state) {
    OpenConnections connections(static_cast<int>(state.range(0)));
    DataTable& table = connections.table();
    for (auto _ : state) {
        table.edit();
        benchmark::DoNotOptimize(table.locate(QStringLiteral("autoincfield"), 1, DataTable::CaseInsensitive));
    }
}
BENCHMARK(BM_SettleUnchanged)->RangeMultiplier(10)->Range(100, 10000);

// Opening the IPSets table of 100, 1,000, 10,000 and 100,000 sets (median of 5 each),
// with the growth from each size to the next.
void BM_OpenIPSetsGrowth(benchmark::State& state) {
    for (auto _ : state) {
        double previous = 0;
        int previousSize = 0;
        for (int sets : {100, 1000, 10000, 100000}) {
            TempDatabase file;
            FillIPSets(file, sets);
            Database database;
            database.setConnectionString(file.path());
            DataTable table(database, QStringLiteral("IPSetT"), QStringLiteral("IPSets"));
            std::vector<double> opens;
            for (int run = 0; run < 5; ++run) {
                QElapsedTimer timer;
                timer.start();
                table.open();
                benchmark::DoNotOptimize(table.recordCount());
                opens.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e9);
                table.close();
            }
            const double seconds = Median(opens);
            ReportGrowth("store open IPSets", sets, seconds, previous, previousSize);
            state.counters["sets_" + std::to_string(sets) + "_ms"] = seconds * 1e3;
            previous = seconds;
            previousSize = sets;
        }
    }
}
BENCHMARK(BM_OpenIPSetsGrowth)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv); // the SQL driver is a plugin: it needs an application object
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
