#include "store/datasource.h"

DataSource::DataSource(DataTable* table, QObject* parent) : QObject(parent) {
    setTable(table);
}

DataTable* DataSource::table() const {
    return m_table;
}

void DataSource::setTable(DataTable* table) {
    if (m_table == table)
        return;
    for (QMetaObject::Connection& connection : m_connections)
        disconnect(connection);
    m_table = table;
    connectTable();
    emit tableChanged();
    emit stateChanged();
    emit dataChanged();
}

void DataSource::connectTable() {
    if (!m_table)
        return;
    DataTable* table = m_table;
    m_connections[0] = connect(table, &DataTable::cursorMoved, this, &DataSource::dataChanged);
    m_connections[1] = connect(table, &DataTable::fieldChanged, this, [this] { emit dataChanged(); });
    m_connections[2] = connect(table, &DataTable::rowsReset, this, &DataSource::dataChanged);
    m_connections[3] = connect(table, &DataTable::rowChanged, this, [this](int row) {
        if (m_table && row == m_table->currentIndex())
            emit dataChanged();
    });
    m_connections[4] = connect(table, &DataTable::stateChanged, this, &DataSource::stateChanged);
    m_connections[5] = connect(table, &DataTable::updatingRecord, this, &DataSource::updatingRecord);
}

bool DataSource::autoEdit() const {
    return m_autoEdit;
}

void DataSource::setAutoEdit(bool on) {
    m_autoEdit = on;
}

bool DataSource::canModify() const {
    if (!m_table)
        return false;
    switch (m_table->state()) {
    case DataTable::State::Editing:
    case DataTable::State::Inserting:
        return true;
    case DataTable::State::Browsing:
        return m_autoEdit;
    case DataTable::State::Closed:
        return false;
    }
    return false;
}

bool DataSource::beginUserEdit() {
    if (!canModify())
        return false;
    if (m_table->state() == DataTable::State::Browsing)
        m_table->edit();
    return true;
}
