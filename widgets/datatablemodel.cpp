#include "widgets/datatablemodel.h"

#include "store/datasource.h"
#include "store/datatable.h"

const QString DataTableModel::CurrentMark = QStringLiteral("\u25B6"); // a right-pointing triangle
const QString DataTableModel::InsertingMark = QStringLiteral("*");

DataTableModel::DataTableModel(QObject* parent) : QAbstractTableModel(parent) {}

DataTableModel::~DataTableModel() {
    for (const auto& connection : m_sourceConnections)
        disconnect(connection);
    for (const auto& connection : m_tableConnections)
        disconnect(connection);
}

DataSource* DataTableModel::dataSource() const {
    return m_source;
}

void DataTableModel::setDataSource(DataSource* source) {
    for (const auto& connection : m_sourceConnections)
        disconnect(connection);
    m_source = source;
    if (source != nullptr) {
        m_sourceConnections[0] = connect(source, &DataSource::tableChanged, this, &DataTableModel::bindTable);
        m_sourceConnections[1] = connect(source, &QObject::destroyed, this, &DataTableModel::bindTable);
    }
    bindTable();
}

QStringList DataTableModel::fields() const {
    return m_fields;
}

void DataTableModel::setFields(const QStringList& fields) {
    beginResetModel();
    m_fields = fields;
    reload();
    endResetModel();
}

int DataTableModel::markedRow() const {
    return m_marked;
}

bool DataTableModel::signalsMarkMoves() const {
    return m_signalsMarkMoves;
}

void DataTableModel::setSignalsMarkMoves(bool on) {
    m_signalsMarkMoves = on;
}

int DataTableModel::columnOf(const QString& field) const {
    for (int shown = 0; shown < m_fields.size(); ++shown)
        if (m_fields[shown].compare(field, Qt::CaseInsensitive) == 0)
            return shown + 1;
    return -1;
}

DataTable* DataTableModel::table() const {
    return m_source ? m_source->table() : nullptr;
}

void DataTableModel::bindTable() {
    for (const auto& connection : m_tableConnections)
        disconnect(connection);
    m_boundTable = table();
    if (DataTable* bound = m_boundTable) {
        m_tableConnections[0] = connect(bound, &DataTable::rowsReset, this, [this] {
            beginResetModel();
            reload();
            endResetModel();
        });
        m_tableConnections[1] = connect(bound, &DataTable::rowInserted, this, &DataTableModel::onRowInserted);
        m_tableConnections[2] = connect(bound, &DataTable::rowRemoved, this, &DataTableModel::onRowRemoved);
        m_tableConnections[3] = connect(bound, &DataTable::rowChanged, this, &DataTableModel::onRowChanged);
        m_tableConnections[4] = connect(bound, &DataTable::fieldChanged, this, [this] {
            onRowChanged(m_boundTable ? m_boundTable->currentIndex() : -1);
        });
        m_tableConnections[5] = connect(bound, &DataTable::cursorMoved, this, &DataTableModel::onCursorMoved);
        m_tableConnections[6] =
            connect(bound, &DataTable::stateChanged, this, &DataTableModel::onStateChanged);
        connect(bound, &QObject::destroyed, this, &DataTableModel::bindTable, Qt::UniqueConnection);
    }
    beginResetModel();
    reload();
    endResetModel();
}

// Reads every row again; only between beginResetModel() and endResetModel().
void DataTableModel::reload() {
    m_rows.clear();
    m_marked = -1;
    m_inserting = false;
    resolveFields();
    const DataTable* bound = m_boundTable;
    if (bound == nullptr || !bound->isOpen())
        return;
    const int count = bound->recordCount();
    m_rows.reserve(count);
    for (int row = 0; row < count; ++row)
        m_rows.append(readRow(row));
    const int current = bound->currentIndex();
    m_marked = current >= 0 && current < count ? current : -1;
    m_inserting = bound->state() == DataTable::State::Inserting;
}

void DataTableModel::resolveFields() {
    m_fieldIndexes.fill(-1, m_fields.size());
    const DataTable* bound = m_boundTable;
    if (bound == nullptr)
        return;
    for (int shown = 0; shown < m_fields.size(); ++shown)
        m_fieldIndexes[shown] = bound->findField(m_fields[shown]);
}

QStringList DataTableModel::readRow(int row) const {
    QStringList texts;
    texts.reserve(m_fieldIndexes.size());
    for (int field : m_fieldIndexes)
        texts.append(field >= 0 && m_boundTable ? m_boundTable->textAt(row, field) : QString());
    return texts;
}

// --- following the table ---------------------------------------------------------

void DataTableModel::onRowInserted(int row) {
    if (row < 0 || row > m_rows.size()) {
        beginResetModel();
        reload();
        endResetModel();
        return;
    }
    beginInsertRows({}, row, row);
    m_rows.insert(row, readRow(row));
    if (m_marked >= row)
        ++m_marked; // the mark stays on the same table row until the cursor says otherwise
    endInsertRows();
    onCursorMoved();
}

void DataTableModel::onRowRemoved(int row) {
    if (row < 0 || row >= m_rows.size()) {
        beginResetModel();
        reload();
        endResetModel();
        return;
    }
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    if (m_marked == row)
        m_marked = -1;
    else if (m_marked > row)
        --m_marked;
    endRemoveRows();
    onCursorMoved();
}

void DataTableModel::onRowChanged(int row) {
    if (row < 0 || row >= m_rows.size())
        return;
    m_rows[row] = readRow(row);
    if (!m_fields.isEmpty())
        emitRowChanged(row, 1, static_cast<int>(m_fields.size()));
}

// The table has already moved when it reports it; the mark follows its cursor.
void DataTableModel::onCursorMoved() {
    const int current = m_boundTable ? m_boundTable->currentIndex() : -1;
    const int marked = current >= 0 && current < m_rows.size() ? current : -1;
    onStateChanged();
    if (marked == m_marked)
        return;
    const int previous = m_marked;
    m_marked = marked;
    if (!m_signalsMarkMoves)
        return;
    if (previous >= 0)
        emitRowChanged(previous, IndicatorColumn, IndicatorColumn);
    if (marked >= 0)
        emitRowChanged(marked, IndicatorColumn, IndicatorColumn);
    emit markedRowChanged(marked);
}

void DataTableModel::onStateChanged() {
    const bool inserting = m_boundTable && m_boundTable->state() == DataTable::State::Inserting;
    if (inserting == m_inserting)
        return;
    m_inserting = inserting;
    if (m_signalsMarkMoves && m_marked >= 0)
        emitRowChanged(m_marked, IndicatorColumn, IndicatorColumn);
}

void DataTableModel::emitRowChanged(int row, int firstColumn, int lastColumn) {
    emit dataChanged(index(row, firstColumn), index(row, lastColumn));
}

// --- the model --------------------------------------------------------------------------

int DataTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int DataTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1 + static_cast<int>(m_fields.size());
}

QVariant DataTableModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int row = index.row();
    const int column = index.column();
    switch (role) {
    case MarkRole:
        if (column == IndicatorColumn && row == m_marked)
            return m_inserting ? InsertingMark : CurrentMark;
        return {};
    case Qt::DisplayRole:
        if (column == IndicatorColumn)
            return {};
        return m_rows[row][column - 1];
    case Qt::TextAlignmentRole:
        if (column == IndicatorColumn)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
        return {};
    }
}

QVariant DataTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > m_fields.size())
        return {};
    return section == IndicatorColumn ? QString() : m_fields[section - 1];
}

Qt::ItemFlags DataTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
