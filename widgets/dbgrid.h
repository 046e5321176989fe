#pragma once

#include <QFont>
#include <QList>
#include <QPointer>
#include <QString>
#include <QTableView>
#include <exception>
#include <functional>

class DataSource;
class DataTableModel;
class QMenu;

// A data-aware grid: the rows of the table behind a data source, with the
// indicator column (column 0) marking the table's current row. It selects whole
// rows, its cells cannot be edited, and it scrolls both ways.
//
// The grid always shows the table as it is: every insert, delete and cursor move
// shows, whoever made it, and the selection follows the mark. Following the mark
// (selecting the marked row and scrolling it into view) is done once per pass of
// the event loop, however often the cursor moved in it, and not at all while the
// grid is not on screen: it follows when it is shown, before it is drawn. Selecting a
// row with the mouse or the arrow keys makes it the table's current row. A
// right-click opens the popup menu without changing the current row or the
// selection.
class DbGrid : public QTableView {
    Q_OBJECT
public:
    static constexpr int RowHeight = 22; // every row, the header row included
    static constexpr int IndicatorWidth = 20;

    explicit DbGrid(QWidget* parent = nullptr);
    ~DbGrid() override;

    DataSource* dataSource() const;
    void setDataSource(DataSource* source);

    // A column per field after the indicator, headed by the field's name.
    struct Column {
        QString field;
        int width = 64;
        QFont font;
    };
    void setColumns(const QList<Column>& columns);
    // The font of a field column's cells (column 1 shows the first field).
    QFont columnFont(int column) const;

    DataTableModel* tableModel() const;

    void setPopupMenu(QMenu* menu);
    QMenu* popupMenu() const;

    // Errors from moving the table's cursor (settling a pending row may fail),
    // which would otherwise leave an input event; without a handler they are dropped.
    void setErrorHandler(std::function<void(const std::exception&)> handler);

signals:
    // The selection was brought to the mark and the mark scrolled into view (for
    // tests: how often the grid followed the table's cursor).
    void markFollowed(int row);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void asUserSelection(const std::function<void()>& input);
    void scheduleFollowMark();
    void followMark();
    void showMark();
    void onCurrentRowChanged(const QModelIndex& current);

    DataTableModel* m_model = nullptr;
    QList<Column> m_columns;
    QList<QAbstractItemDelegate*> m_columnDelegates;
    QPointer<QMenu> m_popupMenu;
    std::function<void(const std::exception&)> m_errorHandler;
    bool m_showingMark = false;
    bool m_followScheduled = false; // a follow of the mark waits for the event loop
    bool m_userSelecting = false;   // handling the user's mouse or key input
};
