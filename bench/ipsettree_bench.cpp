// Rebuilding the IP set tree: 10,000 IP sets over 1,000 connections, against the
// cost of filling the same number of plain tree items (the floor for any tree).
#include "app/frmmain.h"
#include "tests/app/frmmainprobe.h"
#include "tests/fixtures/fakemessageboxes.h"
#include "tests/fixtures/tempdatabase.h"
#include "widgets/treeview.h"

#include <QApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTreeWidget>
#include <benchmark/benchmark.h>

namespace {

constexpr int IPSets = 10000;
constexpr int Connections = 1000;

void fill(TempDatabase& db) {
    db.exec("BEGIN");
    for (int c = 1; c <= Connections; ++c)
        db.addConnection(QStringLiteral("Connection %1").arg(c), QStringLiteral("bench"));
    for (int s = 0; s < IPSets; ++s)
        db.addIPSet(QStringLiteral("Set %1").arg(s), QStringLiteral("10.%1.%2.5").arg(s / 256).arg(s % 256),
                    "255.255.255.0", "10.0.0.1", "10.0.0.2", s % 2, 1 + s % Connections);
    db.exec("COMMIT");
}

void BM_LoadIPSetTree(benchmark::State& state) {
    TempDatabase db;
    fill(db);
    FakeMessageBoxes messages;
    CurrentDirectory here(db.folder());
    TFrmMain frm(TFrmMainProbe::services(messages));
    for (auto _ : state) {
        TFrmMainProbe::LoadIPSetTree(frm);
        benchmark::DoNotOptimize(frm.IPSetTreeView->topLevelItemCount());
    }
    if (frm.IPSetTreeView->topLevelItemCount() != IPSets)
        state.SkipWithError("the tree does not hold every IP set");
    state.counters["sets"] = IPSets;
}
BENCHMARK(BM_LoadIPSetTree)->Unit(benchmark::kMillisecond);

void BM_FillPlainTreeItems(benchmark::State& state) {
    QTreeWidget tree;
    for (auto _ : state) {
        tree.clear();
        QList<QTreeWidgetItem*> nodes;
        nodes.reserve(IPSets);
        for (int s = 0; s < IPSets; ++s) {
            auto* node = new QTreeWidgetItem(QStringList(QStringLiteral("Set %1").arg(s)));
            for (int d = 0; d < 6; ++d)
                new QTreeWidgetItem(node, QStringList(QStringLiteral("Detail %1").arg(d)));
            nodes.append(node);
        }
        tree.addTopLevelItems(nodes);
        benchmark::DoNotOptimize(tree.topLevelItemCount());
    }
}
BENCHMARK(BM_FillPlainTreeItems)->Unit(benchmark::kMillisecond);

} // namespace
