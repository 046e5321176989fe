#include "widgets/dbedit.h"

#include "store/datasource.h"
#include "store/datatable.h"
#include "store/handover.h"

#include <QScopedValueRollback>

namespace {

constexpr int Unlimited = 32767; // QLineEdit's own default

bool isPending(const DataTable* table) {
    return table != nullptr &&
           (table->state() == DataTable::State::Editing || table->state() == DataTable::State::Inserting);
}

} // namespace

DbEdit::DbEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textEdited, this, &DbEdit::onUserEdit);
    updateReadOnly();
}

DbEdit::~DbEdit() {
    for (const auto& connection : m_sourceConnections)
        disconnect(connection);
    for (const auto& connection : m_tableConnections)
        disconnect(connection);
}

DataSource* DbEdit::dataSource() const {
    return m_source;
}

void DbEdit::setDataSource(DataSource* source) {
    for (const auto& connection : m_sourceConnections)
        disconnect(connection);
    m_source = source;
    if (source != nullptr) {
        m_sourceConnections[0] = connect(source, &DataSource::stateChanged, this, [this] {
            if (!m_startingEdit)
                showCurrentRow();
        });
        m_sourceConnections[1] = connect(source, &DataSource::updatingRecord, this, &DbEdit::handOver);
        m_sourceConnections[2] = connect(source, &DataSource::tableChanged, this, &DbEdit::bindTable);
        m_sourceConnections[3] = connect(source, &QObject::destroyed, this, [this] { bindTable(); });
    }
    bindTable();
}

QString DbEdit::dataField() const {
    return m_field;
}

void DbEdit::setDataField(const QString& field) {
    m_field = field;
    showCurrentRow();
}

bool DbEdit::isModified() const {
    return m_modified;
}

DataTable* DbEdit::table() const {
    return m_source ? m_source->table() : nullptr;
}

int DbEdit::boundFieldIndex() const {
    const DataTable* bound = table();
    return bound == nullptr || m_field.isEmpty() ? -1 : bound->findField(m_field);
}

void DbEdit::bindTable() {
    for (const auto& connection : m_tableConnections)
        disconnect(connection);
    if (DataTable* bound = table()) {
        const auto reread = [this] {
            if (!m_startingEdit)
                showCurrentRow();
        };
        m_tableConnections[0] = connect(bound, &DataTable::cursorMoved, this, reread);
        m_tableConnections[1] = connect(bound, &DataTable::rowsReset, this, reread);
        m_tableConnections[2] = connect(bound, &DataTable::fieldChanged, this, &DbEdit::onFieldChanged);
    }
    showCurrentRow();
}

// Another row, another state or a new value of our field: show what the row holds;
// whatever the user had typed and not handed over is forgotten.
void DbEdit::showCurrentRow() {
    m_modified = false;
    const int field = boundFieldIndex();
    // Typing stops at the field's width, so nothing typed is cut off when stored.
    const int width = field < 0 ? 0 : table()->fieldWidth(field);
    setMaxLength(width > 0 ? width : Unlimited);
    setText(field < 0 ? QString() : table()->fieldAsString(m_field));
    updateReadOnly();
}

void DbEdit::onFieldChanged(int field) {
    if (!m_startingEdit && field == boundFieldIndex())
        showCurrentRow();
}

void DbEdit::onUserEdit() {
    if (!isPending(table())) {
        bool editing = false;
        {
            const QScopedValueRollback starting(m_startingEdit, true);
            editing = m_source && boundFieldIndex() >= 0 && m_source->beginUserEdit();
        }
        if (!editing) {
            showCurrentRow();
            return;
        }
    }
    m_modified = true;
}

// The pending row is being settled or posted: what the user typed goes with it. The
// text counts as typed until the table has taken it (its fieldChanged shows the row
// again), so that a text the field refuses is kept and offered again.
void DbEdit::handOver(RecordHandOver& values) {
    if (m_modified && isPending(table()) && boundFieldIndex() >= 0)
        values.setString(m_field, text());
}

void DbEdit::updateReadOnly() {
    setReadOnly(!(m_source && boundFieldIndex() >= 0 && m_source->canModify()));
}
