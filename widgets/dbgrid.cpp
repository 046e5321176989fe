#include "widgets/dbgrid.h"

#include "store/datasource.h"
#include "store/datatable.h"
#include "widgets/datatablemodel.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace {

// Draws the cells of one column in a font of their own.
class ColumnFontDelegate : public QStyledItemDelegate {
public:
    ColumnFontDelegate(const QFont& font, QObject* parent) : QStyledItemDelegate(parent), m_font(font) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->font = m_font;
        option->fontMetrics = QFontMetrics(m_font);
    }

private:
    QFont m_font;
};

// Draws the indicator column's mark, which the model gives as a picture, not as text.
class MarkDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString mark = index.data(DataTableModel::MarkRole).toString();
        if (!mark.isEmpty()) {
            option->text = mark;
            option->features |= QStyleOptionViewItem::HasDisplay;
        }
    }
};

constexpr int FirstFieldColumn = 1;

bool onlyRightButton(const QMouseEvent* event) {
    return event->button() == Qt::RightButton ||
           (event->button() == Qt::NoButton && event->buttons() == Qt::RightButton);
}

} // namespace

DbGrid::DbGrid(QWidget* parent) : QTableView(parent), m_model(new DataTableModel(this)) {
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(1);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(RowHeight);

    QHeaderView* header = horizontalHeader();
    header->setFixedHeight(RowHeight);
    header->setMinimumSectionSize(1);
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);

    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, &DbGrid::onCurrentRowChanged);
    // Not on screen yet: the mark moves without a signal until the grid is shown.
    m_model->setSignalsMarkMoves(false);
    connect(m_model, &DataTableModel::markedRowChanged, this, &DbGrid::scheduleFollowMark);
    connect(m_model, &QAbstractItemModel::modelReset, this, &DbGrid::scheduleFollowMark);
    setItemDelegateForColumn(DataTableModel::IndicatorColumn, new MarkDelegate(this));
    setColumns({});
}

DbGrid::~DbGrid() = default;

DataSource* DbGrid::dataSource() const {
    return m_model->dataSource();
}

void DbGrid::setDataSource(DataSource* source) {
    m_model->setDataSource(source);
}

DataTableModel* DbGrid::tableModel() const {
    return m_model;
}

void DbGrid::setColumns(const QList<Column>& columns) {
    for (int column = 0; column < m_columnDelegates.size(); ++column)
        setItemDelegateForColumn(column + FirstFieldColumn, nullptr);
    qDeleteAll(m_columnDelegates);
    m_columnDelegates.clear();

    m_columns = columns;
    QStringList fields;
    for (const Column& column : columns)
        fields << column.field;
    m_model->setFields(fields);

    QHeaderView* header = horizontalHeader();
    header->setSectionResizeMode(DataTableModel::IndicatorColumn, QHeaderView::Fixed);
    header->resizeSection(DataTableModel::IndicatorColumn, IndicatorWidth);
    for (int shown = 0; shown < columns.size(); ++shown) {
        const int column = shown + FirstFieldColumn;
        header->setSectionResizeMode(column, QHeaderView::Interactive);
        header->resizeSection(column, columns[shown].width);
        m_columnDelegates.append(new ColumnFontDelegate(columns[shown].font, this));
        setItemDelegateForColumn(column, m_columnDelegates.last());
    }
}

QFont DbGrid::columnFont(int column) const {
    const int shown = column - FirstFieldColumn;
    return shown >= 0 && shown < m_columns.size() ? m_columns[shown].font : font();
}

void DbGrid::setPopupMenu(QMenu* menu) {
    m_popupMenu = menu;
}

QMenu* DbGrid::popupMenu() const {
    return m_popupMenu;
}

void DbGrid::setErrorHandler(std::function<void(const std::exception&)> handler) {
    m_errorHandler = std::move(handler);
}

// --- the selection shows the table's current row ---------------------------------------

// Every move of the table's cursor would otherwise select and scroll (and a scroll
// asks the window system where the pointer is): a lookup that moves the cursor
// thousands of times in one command costs one follow, after the command.
void DbGrid::scheduleFollowMark() {
    if (m_followScheduled || !isVisible())
        return;
    m_followScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_followScheduled = false;
            if (isVisible())
                followMark();
        },
        Qt::QueuedConnection);
}

void DbGrid::showEvent(QShowEvent* event) {
    QTableView::showEvent(event);
    m_model->setSignalsMarkMoves(true);
    followMark(); // before the grid is drawn
}

void DbGrid::hideEvent(QHideEvent* event) {
    QTableView::hideEvent(event);
    if (!isVisible())
        m_model->setSignalsMarkMoves(false);
}

// The table's cursor moved (or the rows were read again): select the marked row
// and scroll it into view, up or down only. The grid stays scrolled sideways as it
// was: a grid not yet laid out (its viewport still small) would otherwise keep the
// indicator column scrolled out of view once it is shown.
void DbGrid::followMark() {
    QScrollBar* sideways = horizontalScrollBar();
    const int left = sideways->value();
    showMark();
    const int row = m_model->markedRow();
    if (row >= 0)
        scrollTo(m_model->index(row, DataTableModel::IndicatorColumn));
    sideways->setValue(left);
    emit markFollowed(row);
}

void DbGrid::showMark() {
    QItemSelectionModel* selection = selectionModel();
    const QScopedValueRollback showing(m_showingMark, true);
    const int row = m_model->markedRow();
    if (row < 0) {
        selection->clear();
        return;
    }
    const QModelIndex current = selection->currentIndex();
    const int column =
        current.isValid() ? current.column() : std::min(FirstFieldColumn, m_model->columnCount() - 1);
    const QModelIndex at = m_model->index(row, column);
    const auto command = QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    if (current != at)
        selection->setCurrentIndex(at, command);
    else if (selection->selectedRows().size() != 1 || !selection->isRowSelected(row))
        selection->select(at, command);
}

// The user selected another row: it becomes the table's current row. Changes of
// the selection that the grid makes itself, or that follow a change of the rows,
// leave the table alone. When the table cannot move there (a pending row that
// cannot be stored), the error is reported and the selection goes back to the
// mark once the input is handled.
void DbGrid::onCurrentRowChanged(const QModelIndex& current) {
    if (!m_userSelecting || m_showingMark || !current.isValid() || current.row() == m_model->markedRow())
        return;
    DataSource* source = m_model->dataSource();
    DataTable* table = source ? source->table() : nullptr;
    if (table == nullptr)
        return;
    const QScopedValueRollback moving(m_userSelecting, false);
    try {
        table->moveTo(current.row());
    } catch (const std::exception& error) {
        if (m_errorHandler)
            m_errorHandler(error);
    }
}

// --- input -------------------------------------------------------------------------------

// Runs the view's own handling of a mouse or key input, in which a change of the
// current row is the user's selection; afterwards the selection shows the mark.
void DbGrid::asUserSelection(const std::function<void()>& input) {
    {
        const QScopedValueRollback selecting(m_userSelecting, true);
        input();
    }
    showMark();
}

// A right-click leaves the current row and the selection alone; it only opens the
// popup menu (contextMenuEvent).
void DbGrid::mousePressEvent(QMouseEvent* event) {
    if (onlyRightButton(event))
        return event->accept();
    asUserSelection([&] { QTableView::mousePressEvent(event); });
}

void DbGrid::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::RightButton)
        return event->accept();
    if (event->buttons() == Qt::NoButton)
        return QTableView::mouseMoveEvent(event); // hovering selects nothing
    asUserSelection([&] { QTableView::mouseMoveEvent(event); });
}

void DbGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (onlyRightButton(event))
        return event->accept();
    asUserSelection([&] { QTableView::mouseReleaseEvent(event); });
}

void DbGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (onlyRightButton(event))
        return event->accept();
    asUserSelection([&] { QTableView::mouseDoubleClickEvent(event); });
}

void DbGrid::keyPressEvent(QKeyEvent* event) {
    asUserSelection([&] { QTableView::keyPressEvent(event); });
}

void DbGrid::contextMenuEvent(QContextMenuEvent* event) {
    if (!m_popupMenu)
        return event->ignore();
    event->accept();
    m_popupMenu->popup(event->globalPos());
}
