// Start-up's windows: the main window shown over the current directory's database,
// the About box and the connection manager created hidden and bound to it, and the
// application icon given once the main window is on screen.
#include "app/startup.h"
#include "tests/fixtures/tempdatabase.h"
#include "widgets/datatablemodel.h"
#include "widgets/dbgrid.h"
#include "widgets/treeview.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(StartupWindows, ShowsTheMainWindowWithTheOtherTwoHiddenAndThenGivesTheIcon) {
    TempDatabase db;
    const qint64 lan = db.addConnection(QStringLiteral("LAN"));
    db.addIPSet(QStringLiteral("Office"), QStringLiteral("10.0.0.5"), QStringLiteral("255.255.255.0"),
                QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.2"), 0, lan);
    const CurrentDirectory here(db.folder());
    QApplication::setWindowIcon(QIcon());
    PrepareApplication();
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());

    StartupWindows windows;
    TFrmMain& main = windows.mainWindow();
    const QList<QWidget*> managers = QApplication::topLevelWidgets();
    windows.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    EXPECT_EQ(main.IPSetTreeView->topLevelItemCount(), 1) << "the tree is filled from the database";
    int shownWindows = 0;
    for (QWidget* window : QApplication::topLevelWidgets())
        shownWindows += window->isWindow() && window->isVisible() ? 1 : 0;
    EXPECT_EQ(shownWindows, 1) << "only the main window is shown";
    bool managerFound = false;
    for (QWidget* window : managers)
        if (auto* grid = window->findChild<DbGrid*>()) {
            managerFound = true;
            EXPECT_FALSE(window->isVisible());
            EXPECT_EQ(grid->dataSource(), &main.ConnectionsDs);
            EXPECT_EQ(grid->tableModel()->markedRow(), 0) << "the hidden grid's mark follows the lookups";
        }
    EXPECT_TRUE(managerFound);

    QApplication::processEvents();
    const QList<QSize> sizes = QApplication::windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
}

} // namespace
