// Start-up's windows: the main window shown over the current directory's database,
// the About box and the connection manager made hidden and bound to it once the main
// window is drawn, with the application icon; the main window's command opens that
// manager.
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
    windows.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    ASSERT_TRUE(QTest::qWaitFor([&] { return windows.manager() != nullptr; }, 2000))
        << "the hidden windows are made once the main window is drawn";
    ASSERT_NE(windows.aboutBox(), nullptr);
    const QList<QWidget*> managers = QApplication::topLevelWidgets();
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
    main.ManageConnections1->trigger();
    EXPECT_TRUE(windows.manager()->isVisible());

    const QList<QSize> sizes = QApplication::windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
}

} // namespace
