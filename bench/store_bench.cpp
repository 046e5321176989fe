// Locating rows of the Connections table: by the key (a hash lookup, the same cost
// for any table size) against a locate on a text field (a walk over the rows).
// Also the cost of opening a table of that size.
#include "store/database.h"
#include "store/datatable.h"
#include "tests/fixtures/tempdatabase.h"

#include <QCoreApplication>
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

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv); // the SQL driver is a plugin: it needs an application object
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
