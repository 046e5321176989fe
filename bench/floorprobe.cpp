// The floors of the start-up benchmark, as whole processes that end when drawn:
//   floor_probe bare        a bare QMainWindow of the main window's size, shown;
//   floor_probe parts       the same window with one of each kind of part the main
//                           window has, in the plainest form: a menu bar of four
//                           menus, a status bar with a text, a tree of the current
//                           folder's IP sets (ipdb.ipdb, read through Qt's SQLite
//                           driver); what any window of this kind costs;
//   floor_probe plain SETS  the bare window with a QTreeWidget of SETS plain items
//                           with six plain children each (the tree's floor).
#include "bench/firstpaint.h"
#include "bench/plainitems.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTreeWidget>
#include <cstring>

namespace {

QTreeWidget* plainTree(int sets) {
    auto* tree = new QTreeWidget;
    tree->setHeaderHidden(true);
    AddPlainItems(*tree, sets);
    return tree;
}

void addParts(QMainWindow& window) {
    for (const char* title : {"File", "Connections", "IP Sets", "Help"})
        window.menuBar()->addMenu(QString::fromLatin1(title))->addAction(QStringLiteral("Exit"));
    window.statusBar()->addWidget(new QLabel(QStringLiteral("Orvantis")));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(QStringLiteral("ipdb.ipdb"));
    auto* tree = new QTreeWidget;
    tree->setHeaderHidden(true);
    QSqlQuery names(db);
    if (db.open() && names.exec(QStringLiteral("SELECT IPSet_Name FROM IPSets")))
        while (names.next())
            tree->addTopLevelItem(new QTreeWidgetItem(QStringList(names.value(0).toString())));
    window.setCentralWidget(tree);
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.resize(418, 588);
    if (argc > 2 && std::strcmp(argv[1], "plain") == 0)
        window.setCentralWidget(plainTree(std::atoi(argv[2])));
    else if (argc > 1 && std::strcmp(argv[1], "parts") == 0)
        addParts(window);
    ExitWhenPainted exit(&window);
    window.show();
    return QApplication::exec();
}
