// The floors of the start-up benchmark, as whole processes that end when drawn:
//   floor_probe bare        a bare QMainWindow of the main window's size, shown;
//   floor_probe plain SETS  the same window with a QTreeWidget of SETS plain items
//                           with six plain children each (the tree's floor).
#include "bench/firstpaint.h"

#include <QApplication>
#include <QMainWindow>
#include <QTreeWidget>
#include <cstring>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.resize(418, 588);
    if (argc > 2 && std::strcmp(argv[1], "plain") == 0) {
        const int sets = std::atoi(argv[2]);
        auto* tree = new QTreeWidget(&window);
        tree->setHeaderHidden(true);
        QList<QTreeWidgetItem*> nodes;
        nodes.reserve(sets);
        for (int s = 0; s < sets; ++s) {
            auto* node = new QTreeWidgetItem(QStringList(QStringLiteral("Set %1").arg(s)));
            for (int d = 0; d < 6; ++d)
                new QTreeWidgetItem(node, QStringList(QStringLiteral("Detail line %1 of %2").arg(d).arg(s)));
            nodes.append(node);
        }
        tree->addTopLevelItems(nodes);
        window.setCentralWidget(tree);
    }
    ExitWhenPainted exit(&window);
    window.show();
    return QApplication::exec();
}
