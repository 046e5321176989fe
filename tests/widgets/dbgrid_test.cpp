// The data-aware grid over a real table: its look, selecting rows with the mouse
// and the keys, the right-click, and following the table's cursor.
#include "tests/widgets/storefixture.h"
#include "widgets/datatablemodel.h"
#include "widgets/dbgrid.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

class DbGridTest : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        grid = new DbGrid(&window);
        layout->addWidget(grid);
        grid->setColumns({{QStringLiteral("ConnectionName"), 200, QFont()},
                          {QStringLiteral("Description"), 185, QFont()}});
        grid->setDataSource(&connectionsDs);
        grid->setPopupMenu(&menu);
        grid->setErrorHandler(
            [this](const std::exception& error) { errors << QString::fromUtf8(error.what()); });
        deleteItem = menu.addAction(QStringLiteral("Delete Connection"));
        window.resize(420, 250);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        grid->setFocus();
    }

    QPoint cellCentre(int row, int column = 1) const {
        return grid->visualRect(grid->model()->index(row, column)).center();
    }
    void click(int row, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(grid->viewport(), button, Qt::NoModifier, cellCentre(row));
    }
    // A right-click as the platform delivers it: the button, then the context menu request.
    void rightClick(int row) {
        click(row, Qt::RightButton);
        const QPoint at = cellCentre(row);
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
        QApplication::sendEvent(grid->viewport(), &request);
    }
    QList<int> selectedRows() const {
        QList<int> rows;
        for (const QModelIndex& index : grid->selectionModel()->selectedRows())
            rows << index.row();
        return rows;
    }
    void expectRowIsCurrentAndSelected(int row) {
        EXPECT_EQ(connections.currentIndex(), row);
        EXPECT_EQ(grid->tableModel()->markedRow(), row);
        EXPECT_EQ(selectedRows(), QList<int>{row});
        EXPECT_EQ(grid->currentIndex().row(), row);
    }

    QWidget window;
    DbGrid* grid = nullptr;
    QMenu menu;
    QAction* deleteItem = nullptr;
    QStringList errors;
};

TEST_F(DbGridTest, HasTheIndicatorColumnTheFieldColumnsAndTwentyTwoPixelRows) {
    EXPECT_EQ(grid->columnWidth(0), DbGrid::IndicatorWidth);
    EXPECT_EQ(grid->columnWidth(0), 20);
    EXPECT_EQ(grid->columnWidth(1), 200);
    EXPECT_EQ(grid->columnWidth(2), 185);
    EXPECT_EQ(grid->horizontalHeader()->height(), 22);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(grid->rowHeight(row), 22);
    EXPECT_FALSE(grid->verticalHeader()->isVisible());
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(grid->selectionMode(), QAbstractItemView::SingleSelection);
    expectRowIsCurrentAndSelected(0);
}

TEST_F(DbGridTest, DrawsEachFieldColumnInItsOwnFont) {
    QFont large;
    large.setPixelSize(40);
    QFont small;
    small.setPixelSize(8);
    grid->setColumns(
        {{QStringLiteral("ConnectionName"), 200, large}, {QStringLiteral("Description"), 185, small}});
    EXPECT_EQ(grid->columnFont(1), large);
    EXPECT_EQ(grid->columnFont(2), small);
    QStyleOptionViewItem option;
    option.initFrom(grid);
    const int largeHeight =
        grid->itemDelegateForColumn(1)->sizeHint(option, grid->model()->index(0, 1)).height();
    const int smallHeight =
        grid->itemDelegateForColumn(2)->sizeHint(option, grid->model()->index(0, 2)).height();
    EXPECT_GE(largeHeight, 40);
    EXPECT_LT(smallHeight, largeHeight);
}

TEST_F(DbGridTest, AClickOnARowMakesItTheCurrentRow) {
    click(2);
    expectRowIsCurrentAndSelected(2);
    EXPECT_EQ(connections.fieldAsString(QStringLiteral("ConnectionName")), "VPN");
    click(1);
    expectRowIsCurrentAndSelected(1);
}

TEST_F(DbGridTest, ArrowKeysMoveTheCurrentRow) {
    QTest::keyClick(grid, Qt::Key_Down);
    expectRowIsCurrentAndSelected(1);
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Down); // stays on the last row
    expectRowIsCurrentAndSelected(2);
    QTest::keyClick(grid, Qt::Key_Up);
    expectRowIsCurrentAndSelected(1);
}

TEST_F(DbGridTest, ARightClickOpensTheMenuWithoutMovingTheCurrentRowOrTheSelection) {
    click(1);
    rightClick(2);
    EXPECT_TRUE(menu.isVisible());
    expectRowIsCurrentAndSelected(1);
    QSignalSpy triggered(deleteItem, &QAction::triggered);
    QTest::mouseClick(&menu, Qt::LeftButton, Qt::NoModifier, menu.actionGeometry(deleteItem).center());
    EXPECT_EQ(triggered.count(), 1);
    expectRowIsCurrentAndSelected(1);
}

TEST_F(DbGridTest, ARightButtonDragDoesNotSelect) {
    const QPoint from = cellCentre(0);
    const QPoint to = cellCentre(2);
    QTest::mousePress(grid->viewport(), Qt::RightButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, to, grid->viewport()->mapToGlobal(to), Qt::NoButton, Qt::RightButton,
                     Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &move);
    QTest::mouseRelease(grid->viewport(), Qt::RightButton, Qt::NoModifier, to);
    expectRowIsCurrentAndSelected(0);
}

TEST_F(DbGridTest, FollowsEveryMoveOfTheTablesCursor) {
    connections.locate(QStringLiteral("ConnectionName"), QStringLiteral("VPN"));
    expectRowIsCurrentAndSelected(2);
    connections.first();
    expectRowIsCurrentAndSelected(0);
    connections.next();
    expectRowIsCurrentAndSelected(1);
}

TEST_F(DbGridTest, ShowsRowsAddedAndDeletedByTheTableAtOnce) {
    connections.insert();
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("Dial-up"));
    connections.post();
    ASSERT_EQ(grid->model()->rowCount(), 4);
    EXPECT_EQ(grid->model()->index(3, 1).data().toString(), "Dial-up");
    expectRowIsCurrentAndSelected(3);
    connections.moveTo(0);
    connections.remove();
    ASSERT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(grid->model()->index(0, 1).data().toString(), "Wireless Network Connection");
    expectRowIsCurrentAndSelected(0);
    connections.close();
    EXPECT_EQ(grid->model()->rowCount(), 0);
    EXPECT_TRUE(selectedRows().isEmpty());
    connections.open();
    expectRowIsCurrentAndSelected(0);
}

TEST_F(DbGridTest, BringsTheCurrentRowIntoViewAndScrollsBothWays) {
    for (int i = 0; i < 30; ++i)
        file.addConnection(QStringLiteral("Connection %1").arg(i));
    connections.close();
    connections.open();
    window.resize(200, 150);
    QTest::qWait(0);
    EXPECT_TRUE(grid->verticalScrollBar()->isVisible());
    EXPECT_TRUE(grid->horizontalScrollBar()->isVisible());
    connections.locate(QStringLiteral("ConnectionName"), QStringLiteral("Connection 29"));
    const QRect row = grid->visualRect(grid->model()->index(connections.currentIndex(), 1));
    EXPECT_TRUE(grid->viewport()->rect().intersects(row)) << "the current row is shown";
    EXPECT_GT(grid->verticalScrollBar()->value(), 0);
}

TEST_F(DbGridTest, CellsCannotBeEdited) {
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(1));
    QTest::keyClick(grid, Qt::Key_F2);
    QTest::keyClicks(grid, QStringLiteral("xyz"));
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(grid->viewport()->findChildren<QWidget*>().size(), 0) << "no editor opened in a cell";
    EXPECT_EQ(connections.state(), DataTable::State::Browsing);
    EXPECT_EQ(grid->model()->index(1, 1).data().toString(), "Wireless Network Connection");
}

TEST_F(DbGridTest, AMoveThatCannotSettleThePendingRowIsReportedAndTheMarkStays) {
    ASSERT_TRUE(file.exec(
        QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Connections "
                       "WHEN NEW.ConnectionName = 'bad' BEGIN SELECT RAISE(ABORT, 'refused'); END")));
    connections.insert();
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("bad"));
    expectRowIsCurrentAndSelected(3);
    click(0);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("refused")) << errors[0].toStdString();
    EXPECT_EQ(connections.state(), DataTable::State::Inserting);
    expectRowIsCurrentAndSelected(3);
    QTest::keyClick(grid, Qt::Key_Up);
    EXPECT_EQ(errors.size(), 2);
    expectRowIsCurrentAndSelected(3);
}

} // namespace
