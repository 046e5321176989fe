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

// Counts the events of one type that reach an object.
class EventCounter : public QObject {
public:
    EventCounter(QObject* watched, QEvent::Type type, int& count) : m_type(type), m_count(count) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == m_type)
            ++m_count;
        return false;
    }

private:
    QEvent::Type m_type;
    int& m_count;
};

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
    // The grid follows the mark once per pass of the event loop: checked after one.
    void expectRowIsCurrentAndSelected(int row) {
        QApplication::processEvents();
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
    QApplication::processEvents();
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

// ---------------------------------------------------------------- following the mark: when and how often

// A grid over 40 connections in a window too small to show them all.
class DbGridFollowTest : public StoreFixture {
protected:
    void SetUp() override {
        for (int i = 0; i < 37; ++i)
            file.addConnection(QStringLiteral("Connection %1").arg(i));
        StoreFixture::SetUp();
        auto* layout = new QVBoxLayout(&window);
        grid = new DbGrid(&window);
        layout->addWidget(grid);
        grid->setColumns({{QStringLiteral("ConnectionName"), 200, QFont()}});
        grid->setDataSource(&connectionsDs);
        window.resize(260, 160);
    }
    void showWindow() {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QApplication::processEvents();
    }
    // Moves the cursor over every row, as the main window's tree load does, ending on the last.
    void moveOverEveryRow() {
        connections.first();
        for (int row = 1; row < connections.recordCount(); ++row)
            connections.next();
    }
    int lastRow() const { return connections.recordCount() - 1; }
    bool rowInView(int row) const {
        return grid->viewport()->rect().intersects(grid->visualRect(grid->model()->index(row, 1)));
    }
    void expectMarkedRowSelectedAndInView(int row) {
        EXPECT_EQ(grid->tableModel()->markedRow(), row);
        EXPECT_EQ(grid->currentIndex().row(), row);
        ASSERT_EQ(grid->selectionModel()->selectedRows().size(), 1);
        EXPECT_EQ(grid->selectionModel()->selectedRows().at(0).row(), row);
        EXPECT_TRUE(rowInView(row)) << "row " << row << " is scrolled into view";
    }

    QWidget window;
    DbGrid* grid = nullptr;
};

TEST_F(DbGridFollowTest, AGridNeverShownDoesNoWorkForCursorMovesAndShowsTheMarkWhenShown) {
    QSignalSpy followed(grid, &DbGrid::markFollowed);
    QSignalSpy cellsChanged(grid->model(), &QAbstractItemModel::dataChanged);
    QSignalSpy scrolled(grid->verticalScrollBar(), &QScrollBar::valueChanged);
    moveOverEveryRow();
    QApplication::processEvents();
    EXPECT_EQ(followed.count(), 0);
    EXPECT_EQ(cellsChanged.count(), 0) << "no cell is reported changed to a grid off screen";
    EXPECT_EQ(scrolled.count(), 0);
    EXPECT_EQ(grid->tableModel()->markedRow(), lastRow()) << "the mark itself moves";

    showWindow();
    EXPECT_GE(followed.count(), 1);
    expectMarkedRowSelectedAndInView(lastRow());
}

TEST_F(DbGridFollowTest, AHiddenGridNeitherScrollsNorRepaintsOnCursorMoves) {
    showWindow();
    connections.first();
    QApplication::processEvents();
    expectMarkedRowSelectedAndInView(0);
    window.hide();
    QApplication::processEvents();
    int paints = 0;
    EventCounter counter(grid->viewport(), QEvent::Paint, paints);
    QSignalSpy followed(grid, &DbGrid::markFollowed);
    QSignalSpy cellsChanged(grid->model(), &QAbstractItemModel::dataChanged);
    const int scrolledTo = grid->verticalScrollBar()->value();

    moveOverEveryRow();
    QApplication::processEvents();
    EXPECT_EQ(followed.count(), 0);
    EXPECT_EQ(cellsChanged.count(), 0);
    EXPECT_EQ(grid->verticalScrollBar()->value(), scrolledTo) << "a hidden grid does not scroll";
    EXPECT_EQ(paints, 0);
    EXPECT_EQ(grid->selectionModel()->selectedRows().at(0).row(), 0) << "nor follows the mark";

    showWindow();
    expectMarkedRowSelectedAndInView(lastRow());
    EXPECT_GT(paints, 0) << "shown again, it is drawn";
}

TEST_F(DbGridFollowTest, SeveralMovesInOnePassOfTheEventLoopAreFollowedOnce) {
    showWindow();
    QSignalSpy followed(grid, &DbGrid::markFollowed);
    moveOverEveryRow();
    connections.locate(QStringLiteral("ConnectionName"), QStringLiteral("Connection 20"));
    EXPECT_EQ(followed.count(), 0) << "nothing is followed before the pass";
    QApplication::processEvents();
    ASSERT_EQ(followed.count(), 1);
    EXPECT_EQ(followed[0][0].toInt(), connections.currentIndex());
    expectMarkedRowSelectedAndInView(connections.currentIndex());
    QApplication::processEvents();
    EXPECT_EQ(followed.count(), 1) << "a pass without a move follows nothing";
}

} // namespace
