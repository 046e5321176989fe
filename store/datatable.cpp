#include "store/datatable.h"

#include "store/storeerror.h"

#include <algorithm>
#include <optional>

using ValueRules::FieldType;
using ValueRules::noValue;
using Outcome = RowStore::Outcome;

DataTable::DataTable(Database& database, const QString& objectName, const QString& tableName, QObject* parent)
    : QObject(parent), m_store(database, tableName, *this) {
    setObjectName(objectName);
}

DataTable::~DataTable() = default;

QString DataTable::tableName() const {
    return m_store.tableName();
}

// --- errors and states -------------------------------------------------------

void DataTable::fail(const QString& text) const {
    throw StoreError(objectName() + QStringLiteral(": ") + text);
}

void DataTable::requireOpen() const {
    if (m_state == State::Closed)
        fail(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void DataTable::requirePending() const {
    if (!isPending())
        fail(QStringLiteral("Dataset not in edit or insert mode"));
}

bool DataTable::isPending() const {
    return m_state == State::Editing || m_state == State::Inserting;
}

bool DataTable::isOpen() const {
    return m_state != State::Closed;
}

DataTable::State DataTable::state() const {
    return m_state;
}

void DataTable::setState(State state) {
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged();
}

void DataTable::setCurrent(int index) {
    if (m_current == index)
        return;
    m_current = index;
    emit cursorMoved();
}

void DataTable::setRefusalReport(QObject* context, RefusalReport report) {
    m_refusalContext = context;
    m_refusalReport = std::move(report);
}

// --- opening -----------------------------------------------------------------

void DataTable::open() {
    if (isOpen())
        return;
    m_rows = m_store.load();
    rebuildKeyIndex();
    m_current = m_rows.isEmpty() ? -1 : 0;
    m_beforeInsert = -1;
    m_eof = m_rows.isEmpty();
    m_modified = false;
    m_state = State::Browsing;
    emit rowsReset();
    emit cursorMoved();
    emit stateChanged();
}

void DataTable::close() {
    if (!isOpen())
        return;
    m_rows.clear();
    m_store.clear();
    m_rowByKey.clear();
    m_current = -1;
    m_beforeInsert = -1;
    m_eof = false;
    m_modified = false;
    m_state = State::Closed;
    emit rowsReset();
    emit cursorMoved();
    emit stateChanged();
}

// Every stored row by its key (the rowid), 0 and below included.
void DataTable::rebuildKeyIndex() {
    m_rowByKey.clear();
    m_rowByKey.reserve(m_rows.size());
    for (int index = 0; index < m_rows.size(); ++index)
        if (m_rows[index].inFile)
            m_rowByKey.insert(m_rows[index].rowid, index);
}

// --- cursor ------------------------------------------------------------------

void DataTable::first() {
    requireOpen();
    settle();
    m_eof = m_rows.isEmpty();
    setCurrent(m_rows.isEmpty() ? -1 : 0);
}

void DataTable::next() {
    requireOpen();
    settle();
    if (m_current + 1 < m_rows.size()) {
        m_eof = false;
        setCurrent(m_current + 1);
    } else {
        m_eof = true;
    }
}

bool DataTable::eof() const {
    return m_eof;
}

int DataTable::recordCount() const {
    requireOpen();
    return static_cast<int>(m_rows.size());
}

int DataTable::currentIndex() const {
    return m_current;
}

void DataTable::moveTo(int index) {
    requireOpen();
    settle();
    if (index < 0 || index >= m_rows.size())
        return;
    m_eof = false;
    setCurrent(index);
}

// --- fields ------------------------------------------------------------------

int DataTable::fieldCount() const {
    return static_cast<int>(m_store.fields().size());
}

QString DataTable::fieldName(int field) const {
    return field >= 0 && field < fieldCount() ? m_store.fields()[field].name : QString();
}

const FieldType& DataTable::field(int index) const {
    return m_store.fields()[index];
}

int DataTable::findField(const QString& name) const {
    return ValueRules::fieldPosition(m_store.fields(), name);
}

int DataTable::fieldIndex(const QString& name) const {
    const int found = findField(name);
    if (found < 0)
        fail(QStringLiteral("Field '%1' not found").arg(name));
    return found;
}

void DataTable::requireFields(const QStringList& names) const {
    requireOpen();
    for (const QString& name : names)
        fieldIndex(name);
}

int DataTable::fieldWidth(int index) const {
    return index >= 0 && index < fieldCount() ? field(index).width : 0;
}

QVariant DataTable::currentValue(const QString& name) const {
    const int index = fieldIndex(name);
    if (m_current < 0)
        return {};
    return m_rows[m_current].values[index];
}

QString DataTable::fieldAsString(const QString& name) const {
    const int index = fieldIndex(name);
    return m_current < 0 ? QString() : textAt(m_current, index);
}

bool DataTable::fieldAsBoolean(const QString& name) const {
    return ValueRules::booleanOf(currentValue(name));
}

int DataTable::fieldAsInteger(const QString& name) const {
    const int index = fieldIndex(name);
    return ValueRules::integerOf(field(index), currentValue(name));
}

bool DataTable::fieldIsNull(const QString& name) const {
    return noValue(currentValue(name));
}

QVariant DataTable::valueAt(int row, int index) const {
    if (row < 0 || row >= m_rows.size() || index < 0 || index >= fieldCount())
        return {};
    return m_rows[row].values[index];
}

QString DataTable::textAt(int row, int index) const {
    const QVariant value = valueAt(row, index);
    return noValue(value) ? QString() : ValueRules::textOf(field(index), value);
}

// --- writing the pending row ---------------------------------------------------

// The field that a write names, once the table is ready to take the write.
int DataTable::writableField(const QString& name) const {
    const int index = fieldIndex(name);
    requireOpen();
    requirePending();
    if (field(index).isKey)
        fail(QStringLiteral("Field '%1' cannot be modified").arg(name));
    return index;
}

void DataTable::writeField(int index, const QVariant& value) {
    m_rows[m_current].values[index] = value;
    m_modified = true;
    emit fieldChanged(index);
    emit rowChanged(m_current);
}

void DataTable::setFieldString(const QString& name, const QString& text) {
    const int index = writableField(name);
    writeField(index, ValueRules::storedText(field(index), text));
}

void DataTable::setFieldBoolean(const QString& name, bool value) {
    const int index = writableField(name);
    writeField(index, ValueRules::storedBoolean(field(index), value));
}

void DataTable::setFieldInteger(const QString& name, int value) {
    const int index = writableField(name);
    writeField(index, ValueRules::storedInteger(field(index), value));
}

bool DataTable::isModified() const {
    return m_modified;
}

// --- locate --------------------------------------------------------------------

bool DataTable::locate(const QString& name, const QVariant& value, LocateOptions options) {
    requireOpen();
    settle();
    const int found = findRow(fieldIndex(name), value, options);
    if (found < 0)
        return false;
    m_eof = false;
    setCurrent(found);
    return true;
}

int DataTable::findRow(int index, const QVariant& value, LocateOptions options) const {
    if (field(index).isKey && !options.testFlag(PartialKey) && !noValue(value)) {
        // The key is the rowid: look it up instead of walking every row.
        const std::optional<qint64> key = ValueRules::wholeNumberOf(value);
        if (!key)
            return -1;
        const auto found = m_rowByKey.constFind(*key);
        return found == m_rowByKey.constEnd() ? -1 : *found;
    }
    const ValueRules::LocateMatch matches(field(index), value, options.testFlag(CaseInsensitive),
                                          options.testFlag(PartialKey));
    for (int row = 0; row < m_rows.size(); ++row)
        if (matches(m_rows[row].values[index]))
            return row;
    return -1;
}

// --- insert, edit, post, cancel, delete ----------------------------------------

void DataTable::insert() {
    requireOpen();
    settle();
    m_rows.append(m_store.newRow());
    const int index = static_cast<int>(m_rows.size()) - 1;
    m_beforeInsert = m_current;
    m_current = index;
    m_eof = false;
    m_modified = false;
    m_state = State::Inserting;
    emit rowInserted(index);
    emit cursorMoved();
    emit stateChanged();
}

void DataTable::edit() {
    requireOpen();
    if (isPending())
        return;
    if (m_rows.isEmpty()) {
        insert();
        return;
    }
    m_modified = false;
    setState(State::Editing);
}

void DataTable::post() {
    requireOpen();
    requirePending();
    handOverBoundValues();
    requirePending(); // a bound control may have cancelled the row
    storePending(Refused::OnPost);
}

void DataTable::cancel() {
    requireOpen();
    if (isPending())
        cancelPending();
}

void DataTable::remove() {
    requireOpen();
    if (m_state == State::Inserting) {
        cancelPending();
        return;
    }
    if (m_rows.isEmpty())
        fail(QStringLiteral("Cannot perform this operation on an empty dataset"));
    const int index = m_current;
    const Row row = m_rows[index];
    const Outcome outcome = m_store.deleteRow(row);
    if (outcome == Outcome::RowChanged) {
        m_modified = false;
        showStoredRow(index);
        setState(State::Browsing);
        throw StoreError(refusalText(Refused::OnDelete, outcome, row));
    }
    dropRemovedRow(index); // deleted, or already removed by another program: gone either way
    const bool wasEditing = m_state != State::Browsing;
    m_state = State::Browsing;
    if (wasEditing)
        emit stateChanged();
}

// The values that bound controls recorded are written after the signal has returned:
// every value that its field takes, then the first refusal is thrown.
void DataTable::handOverBoundValues() {
    RecordHandOver values;
    emit updatingRecord(values);
    std::optional<StoreError> refused;
    for (const RecordHandOver::Value& value : values.values()) {
        try {
            setFieldString(value.field, value.text);
        } catch (const StoreError& error) {
            if (!refused)
                refused = error;
        }
    }
    if (refused)
        throw *refused;
}

// Bound controls hand over their values first; a row with written fields is then
// stored, an untouched one dropped. A refused store leaves the row pending and
// the caller's operation undone, unless another program changed or removed the row
// (see the class comment).
void DataTable::settle() {
    if (!isPending())
        return;
    handOverBoundValues();
    if (!isPending())
        return;
    if (m_modified)
        storePending(Refused::OnSettle);
    else
        cancelPending();
}

void DataTable::storePending(Refused when) {
    const int index = m_current;
    Row& row = m_rows[index];
    if (m_state == State::Inserting) {
        m_store.insertRow(row);
        m_rowByKey.insert(row.rowid, index);
    } else {
        const Row before = row;
        const Outcome outcome = m_store.updateRow(row);
        if (outcome != Outcome::Written) {
            const QString text = refusalText(when, outcome, before);
            if (when == Refused::OnPost) {
                keepPendingOverStoredRow(outcome);
                throw StoreError(text);
            }
            m_modified = false;
            if (outcome == Outcome::RowChanged)
                showStoredRow(index);
            else
                dropRemovedRow(index);
            setState(State::Browsing);
            reportRefusal(text);
            return;
        }
    }
    m_modified = false;
    m_state = State::Browsing;
    emit rowChanged(index);
    emit stateChanged();
}

void DataTable::cancelPending() {
    const int index = m_current;
    if (m_state == State::Inserting) {
        m_rows.removeAt(index);
        m_current = m_beforeInsert < m_rows.size() ? m_beforeInsert : static_cast<int>(m_rows.size()) - 1;
        m_eof = m_rows.isEmpty();
        m_modified = false;
        m_state = State::Browsing;
        emit rowRemoved(index);
        emit cursorMoved();
        emit stateChanged();
        return;
    }
    Row& row = m_rows[index];
    QVector<int> changed; // none when nothing was written since the edit began
    for (int field = 0; m_modified && field < fieldCount(); ++field)
        if (ValueRules::differs(row.values[field], row.stored[field]))
            changed.append(field);
    row.values = row.stored;
    m_modified = false;
    m_state = State::Browsing;
    for (int field : changed)
        emit fieldChanged(field);
    emit rowChanged(index);
    emit stateChanged();
}

// --- rows that another program changed or removed --------------------------------

// After a refused post: the values written stay pending, now over the row as the
// file holds it (the fields not written take its values), so that the next post
// stores them over the other program's change and a cancel shows that change. A row
// that is gone becomes a pending new row.
void DataTable::keepPendingOverStoredRow(Outcome outcome) {
    Row& row = m_rows[m_current];
    Row stored = row;
    if (outcome == Outcome::RowChanged && m_store.reread(stored)) {
        // A field that this copy did not write takes the other program's value.
        QVector<int> taken;
        for (int field = 0; field < fieldCount(); ++field)
            if (!ValueRules::differs(row.values[field], row.stored[field]) &&
                ValueRules::differs(row.values[field], stored.values[field])) {
                row.values[field] = stored.values[field];
                taken.append(field);
            }
        row.stored = stored.stored;
        row.asRead = stored.asRead;
        for (int field : taken)
            emit fieldChanged(field);
        if (!taken.isEmpty())
            emit rowChanged(m_current);
        return;
    }
    Row fresh = m_store.newRow();
    fresh.values = row.values;
    if (m_store.keyField() >= 0)
        fresh.values[m_store.keyField()] = QVariant();
    row = fresh;
    rebuildKeyIndex();
    m_beforeInsert = m_current;
    m_state = State::Inserting;
    if (m_store.keyField() >= 0)
        emit fieldChanged(m_store.keyField());
    emit rowChanged(m_current);
    emit stateChanged();
}

// The row at index as the file now holds it; when it is gone meanwhile, it goes.
void DataTable::showStoredRow(int index) {
    Row& row = m_rows[index];
    Row stored = row;
    if (!m_store.reread(stored)) {
        dropRemovedRow(index);
        return;
    }
    QVector<int> changed;
    for (int field = 0; field < fieldCount(); ++field)
        if (ValueRules::differs(row.values[field], stored.values[field]))
            changed.append(field);
    row = stored;
    if (index == m_current)
        for (int field : changed)
            emit fieldChanged(field);
    emit rowChanged(index);
}

// The row at index is no longer in the file: it leaves this copy too, and a
// neighbour becomes current.
void DataTable::dropRemovedRow(int index) {
    m_rows.removeAt(index);
    rebuildKeyIndex();
    m_current = m_rows.isEmpty() ? -1 : std::min(index, static_cast<int>(m_rows.size()) - 1);
    m_eof = m_rows.isEmpty();
    m_modified = false;
    emit rowRemoved(index);
    emit cursorMoved();
}

void DataTable::reportRefusal(const QString& text) {
    if (!m_refusalReport || m_refusalContext.isNull())
        throw StoreError(text);
    m_refusalReport(text);
}

// A row is named by its first text field as this copy read it (an IP set's name, a
// connection's name).
QString DataTable::rowName(const Row& row) const {
    for (int field = 0; field < fieldCount(); ++field)
        if (this->field(field).isText)
            return QLatin1Char('"') + ValueRules::textOf(this->field(field), row.stored[field]) +
                   QLatin1Char('"');
    return QStringLiteral("A row");
}

// The values written that were not stored: IPSet_Name "Office", DHCP "True".
QString DataTable::pendingValuesText(const Row& row) const {
    QStringList written;
    for (int field = 0; field < fieldCount(); ++field)
        if (ValueRules::differs(row.values[field], row.stored[field]))
            written << QStringLiteral("%1 \"%2\"")
                           .arg(this->field(field).name,
                                ValueRules::textOf(this->field(field), row.values[field]));
    return written.join(QStringLiteral(", "));
}

QString DataTable::refusalText(Refused when, Outcome outcome, const Row& row) const {
    const QString what =
        outcome == Outcome::RowChanged ? QStringLiteral("changed") : QStringLiteral("deleted");
    const QString happened = QStringLiteral("%1: %2 was %3 by another program after it was read here, ")
                                 .arg(objectName(), rowName(row), what);
    switch (when) {
    case Refused::OnPost:
        return happened +
               (outcome == Outcome::RowChanged
                    ? QStringLiteral("so your changes were not stored. Press Ok again to store them "
                                     "over that change, or Cancel to keep it.")
                    : QStringLiteral("so your changes were not stored. Press Ok again to store them "
                                     "as a new row, or Cancel to leave it deleted."));
    case Refused::OnSettle:
        return happened +
               QStringLiteral("so your changes were not stored (your values: %1). ")
                   .arg(pendingValuesText(row)) +
               (outcome == Outcome::RowChanged
                    ? QStringLiteral("It now shows as stored there; edit it again to make your changes.")
                    : QStringLiteral("Add it again to keep them."));
    case Refused::OnDelete:
        break;
    }
    return happened +
           QStringLiteral(
               "so it was not deleted. It now shows as stored there; delete it again if it should go.");
}
