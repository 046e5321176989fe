#pragma once

// The floor of any tree of IP sets: SETS plain items with six plain children each,
// as the tree load and the start-up benchmarks fill it.
#include <QList>
#include <QStringList>
#include <QTreeWidget>
#include <QTreeWidgetItem>

inline void AddPlainItems(QTreeWidget& tree, int sets) {
    QList<QTreeWidgetItem*> nodes;
    nodes.reserve(sets);
    for (int s = 0; s < sets; ++s) {
        auto* node = new QTreeWidgetItem(QStringList(QStringLiteral("Set %1").arg(s)));
        for (int d = 0; d < 6; ++d)
            new QTreeWidgetItem(node, QStringList(QStringLiteral("Detail line %1 of %2").arg(d).arg(s)));
        nodes.append(node);
    }
    tree.addTopLevelItems(nodes);
}
