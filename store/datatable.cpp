#include "store/datatable.h"

#include "store/database.h"
#include "store/enginetext.h"
#include "store/storeerror.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>
#include <limits>
#include <optional>

namespace {

// The engine's words when an update or delete finds the row no longer as it was
// read: another process changed or removed it since.
const char* const RowChangedText =
    "Row cannot be located for updating. Some values may have been changed since it was last read.";

QString quoted(QString identifier) {
    return QLatin1Char('"') + identifier.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

bool noValue(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return true;
    // Qt binds a null QString or QByteArray as SQL NULL: treat it alike here.
    if (value.typeId() == QMetaType::QString)
        return value.toString().isNull();
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray().isNull();
    return false;
}

bool isNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

QString plainText(const QVariant& value) {
    if (value.typeId() == QMetaType::QByteArray)
        return QString::fromUtf8(value.toByteArray());
    return value.toString();
}

bool booleanOf(const QVariant& value) {
    if (noValue(value))
        return false;
    if (isNumber(value))
        return value.toDouble() != 0.0;
    const QString text = plainText(value).trimmed();
    bool numeric = false;
    const double number = text.toDouble(&numeric);
    if (numeric)
        return number != 0.0;
    return text.startsWith(QLatin1Char('T'), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1Char('Y'), Qt::CaseInsensitive);
}

// The whole number a value holds, if it holds one.
std::optional<qint64> wholeNumberOf(const QVariant& value) {
    if (value.typeId() == QMetaType::Double) {
        const double number = value.toDouble();
        if (std::isfinite(number) && number == std::trunc(number) && std::fabs(number) < 9.2e18)
            return static_cast<qint64>(number);
        return std::nullopt;
    }
    if (isNumber(value))
        return value.toLongLong();
    bool ok = false;
    const qint64 number = plainText(value).trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(number) : std::nullopt;
}

// The width in a declared type such as VARCHAR(15); 0 when there is none.
int declaredWidth(const QString& type) {
    const qsizetype open = type.indexOf(QLatin1Char('('));
    if (open < 0)
        return 0;
    const qsizetype end = type.indexOf(QRegularExpression(QStringLiteral("[,)]")), open);
    if (end < 0)
        return 0;
    bool ok = false;
    const int width = type.mid(open + 1, end - open - 1).trimmed().toInt(&ok);
    return ok && width > 0 ? width : 0;
}

// Keeps at most width characters; a character outside the basic plane (a
// surrogate pair) counts as one and is never split.
QString cutToWidth(const QString& text, int width) {
    if (width <= 0)
        return text;
    qsizetype end = 0;
    for (int count = 0; count < width && end < text.size(); ++count) {
        const bool pair =
            text.at(end).isHighSurrogate() && end + 1 < text.size() && text.at(end + 1).isLowSurrogate();
        end += pair ? 2 : 1;
    }
    return text.left(end);
}

} // namespace

DataTable::DataTable(Database& database, const QString& objectName, const QString& tableName, QObject* parent)
    : QObject(parent), m_database(database), m_tableName(tableName) {
    setObjectName(objectName);
}

DataTable::~DataTable() = default;

QString DataTable::tableName() const {
    return m_tableName;
}

// --- errors and states -------------------------------------------------------

void DataTable::fail(const QString& text) const {
    throw StoreError(objectName() + QStringLiteral(": ") + text);
}

void DataTable::failStatement(const QSqlError& error) const {
    if (isBusy(error))
        fail(busyText());
    throw StoreError(engineText(error));
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

// --- opening and reading the table --------------------------------------------

void DataTable::open() {
    if (isOpen())
        return;
    if (!m_database.isConnected())
        m_database.connect();
    QVector<Field> fields = readFields();
    m_textEncoding = readTextEncoding();
    QVector<Row> rows = readRows(fields);
    m_fields = std::move(fields);
    m_rows = std::move(rows);
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
    m_fields.clear();
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

// The declared types and the key come from the table's own description.
QVector<DataTable::Field> DataTable::readFields() const {
    QSqlQuery query(QSqlDatabase::database(m_database.qtConnectionName(), false));
    if (!query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(quoted(m_tableName))))
        failStatement(query.lastError());
    QVector<Field> fields;
    int keyColumns = 0;
    while (query.next()) {
        Field field;
        field.name = query.value(1).toString();
        field.declaredType = query.value(2).toString();
        const QString type = field.declaredType.toUpper();
        field.isBoolean = type.contains(QLatin1String("BOOL"));
        field.isInteger = !field.isBoolean && type.contains(QLatin1String("INT"));
        field.isText = !field.isBoolean && !field.isInteger &&
                       (type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("CLOB")) ||
                        type.contains(QLatin1String("TEXT")) || type.isEmpty());
        field.width = field.isText ? declaredWidth(type) : 0;
        const bool primaryKey = query.value(5).toInt() > 0;
        keyColumns += primaryKey ? 1 : 0;
        field.isKey = primaryKey && type.trimmed() == QLatin1String("INTEGER");
        fields.append(field);
    }
    if (keyColumns != 1) // only a lone INTEGER PRIMARY KEY is the rowid
        for (Field& field : fields)
            field.isKey = false;
    return fields;
}

QStringConverter::Encoding DataTable::readTextEncoding() const {
    QSqlQuery query(QSqlDatabase::database(m_database.qtConnectionName(), false));
    if (!query.exec(QStringLiteral("PRAGMA encoding")) || !query.next())
        failStatement(query.lastError());
    return fileTextEncoding(query.value(0).toString());
}

// Every field twice: its storage class, then its value, a text or blob as its bytes
// (the engine's own text conversion would replace bytes that are not UTF-8).
QString DataTable::selectList(const QVector<Field>& fields) const {
    QString list = QStringLiteral("rowid");
    for (const Field& field : fields)
        list += QStringLiteral(", typeof(%1), CASE WHEN typeof(%1) IN ('text', 'blob')"
                               " THEN CAST(%1 AS BLOB) ELSE %1 END")
                    .arg(quoted(field.name));
    return list;
}

DataTable::StorageClass DataTable::storageClassNamed(const QString& name) {
    if (name == QLatin1String("integer"))
        return StorageClass::Integer;
    if (name == QLatin1String("real"))
        return StorageClass::Real;
    if (name == QLatin1String("text"))
        return StorageClass::Text;
    if (name == QLatin1String("blob"))
        return StorageClass::Blob;
    return StorageClass::Null;
}

DataTable::Row DataTable::rowFromQuery(const QSqlQuery& query, qsizetype fieldCount) const {
    Row row;
    row.rowid = query.value(0).toLongLong();
    row.values.reserve(fieldCount);
    row.inFile.reserve(fieldCount);
    for (int field = 0; field < fieldCount; ++field) {
        const FileValue read{storageClassNamed(query.value(1 + 2 * field).toString()),
                             query.value(2 + 2 * field)};
        row.values.append(valueOf(read));
        row.inFile.append(read);
    }
    row.stored = row.values;
    return row;
}

// What the program works with: a text decoded for reading, anything else as read.
QVariant DataTable::valueOf(const FileValue& read) const {
    if (read.type == StorageClass::Text)
        return decodeFileText(read.value.toByteArray(), m_textEncoding);
    return read.value;
}

// What the file holds after the engine has stored a value that the program wrote.
DataTable::FileValue DataTable::fileValueOf(const QVariant& value) const {
    if (noValue(value))
        return {};
    switch (value.typeId()) {
    case QMetaType::QString:
        return {StorageClass::Text, encodeFileText(value.toString(), m_textEncoding)};
    case QMetaType::QByteArray:
        return {StorageClass::Blob, value};
    case QMetaType::Double:
        return {StorageClass::Real, value};
    default:
        return {StorageClass::Integer, value};
    }
}

QVector<DataTable::Row> DataTable::readRows(const QVector<Field>& fields) const {
    QSqlQuery query(QSqlDatabase::database(m_database.qtConnectionName(), false));
    query.setForwardOnly(true);
    if (!query.exec(
            QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(selectList(fields), quoted(m_tableName))))
        failStatement(query.lastError());
    QVector<Row> rows;
    while (query.next())
        rows.append(rowFromQuery(query, fields.size()));
    if (query.lastError().isValid())
        failStatement(query.lastError());
    return rows;
}

// Reads the stored values of one row back, so that the copy holds what the engine
// made of the values written (a text in a numeric column becomes a number).
bool DataTable::rereadRow(Row& row) const {
    QSqlQuery query(QSqlDatabase::database(m_database.qtConnectionName(), false));
    query.setForwardOnly(true);
    query.prepare(
        QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(selectList(m_fields), quoted(m_tableName)));
    query.addBindValue(row.rowid);
    if (!query.exec() || !query.next())
        return false;
    const qint64 rowid = row.rowid;
    row = rowFromQuery(query, m_fields.size());
    row.rowid = rowid;
    return true;
}

// After a statement stored the row: the copy as the file now holds it.
void DataTable::keepWritten(Row& row) const {
    if (rereadRow(row))
        return;
    row.stored = row.values;
    row.inFile.clear();
    for (const QVariant& value : row.values)
        row.inFile.append(fileValueOf(value));
}

void DataTable::rebuildKeyIndex() {
    m_rowByKey.clear();
    m_rowByKey.reserve(m_rows.size());
    for (int index = 0; index < m_rows.size(); ++index)
        if (m_rows[index].rowid != 0)
            m_rowByKey.insert(m_rows[index].rowid, index);
}

int DataTable::keyField() const {
    for (int field = 0; field < m_fields.size(); ++field)
        if (m_fields[field].isKey)
            return field;
    return -1;
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
    return static_cast<int>(m_fields.size());
}

QString DataTable::fieldName(int field) const {
    return field >= 0 && field < m_fields.size() ? m_fields[field].name : QString();
}

int DataTable::fieldIndex(const QString& name) const {
    for (int field = 0; field < m_fields.size(); ++field)
        if (m_fields[field].name.compare(name, Qt::CaseInsensitive) == 0)
            return field;
    fail(QStringLiteral("Field '%1' not found").arg(name));
}

void DataTable::requireFields(const QStringList& names) const {
    requireOpen();
    for (const QString& name : names)
        fieldIndex(name);
}

int DataTable::fieldWidth(int field) const {
    return field >= 0 && field < m_fields.size() ? m_fields[field].width : 0;
}

QVariant DataTable::currentValue(const QString& name) const {
    const int field = fieldIndex(name);
    if (m_current < 0)
        return {};
    return m_rows[m_current].values[field];
}

QString DataTable::fieldAsString(const QString& name) const {
    const int field = fieldIndex(name);
    return m_current < 0 ? QString() : textAt(m_current, field);
}

bool DataTable::fieldAsBoolean(const QString& name) const {
    return booleanOf(currentValue(name));
}

int DataTable::fieldAsInteger(const QString& name) const {
    const int field = fieldIndex(name);
    const QVariant value = currentValue(name);
    if (noValue(value) || (value.typeId() == QMetaType::QString && value.toString().isEmpty()))
        return 0; // an empty text holds no number either
    if (m_fields[field].isBoolean)
        return booleanOf(value) ? 1 : 0;
    const std::optional<qint64> number = wholeNumberOf(value);
    if (number && *number >= std::numeric_limits<int>::min() && *number <= std::numeric_limits<int>::max())
        return static_cast<int>(*number);
    if (m_fields[field].isInteger)
        return 0; // a damaged file (another tool wrote 'abc'): the field holds no integer
    throw StoreError(QStringLiteral("'%1' is not a valid integer value").arg(textAt(m_current, field)));
}

bool DataTable::fieldIsNull(const QString& name) const {
    return noValue(currentValue(name));
}

QVariant DataTable::valueAt(int row, int field) const {
    if (row < 0 || row >= m_rows.size() || field < 0 || field >= m_fields.size())
        return {};
    return m_rows[row].values[field];
}

QString DataTable::textAt(int row, int field) const {
    const QVariant value = valueAt(row, field);
    if (noValue(value))
        return QString();
    if (m_fields[field].isBoolean)
        return booleanOf(value) ? QStringLiteral("True") : QStringLiteral("False");
    return plainText(value);
}

// --- writing the pending row ---------------------------------------------------

// The field that a write names, once the table is ready to take the write.
int DataTable::writableField(const QString& name) const {
    const int field = fieldIndex(name);
    requireOpen();
    requirePending();
    if (m_fields[field].isKey)
        fail(QStringLiteral("Field '%1' cannot be modified").arg(name));
    return field;
}

void DataTable::writeField(int field, const QVariant& value) {
    m_rows[m_current].values[field] = value;
    m_modified = true;
    emit fieldChanged(field);
    emit rowChanged(m_current);
}

// A text as the field stores it: cut to a text field's width, a number for a
// numeric field, true or false for a boolean field. Empty text is no value for
// a field that is not text.
QVariant DataTable::textForField(const Field& field, const QString& text) const {
    if (field.isText || (!field.isBoolean && !field.isInteger))
        return QVariant(text.isNull() ? QStringLiteral("") : cutToWidth(text, field.width));
    if (text.trimmed().isEmpty())
        return {};
    if (field.isBoolean) {
        const QString word = text.trimmed();
        if (word.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return QVariant(qint64(1));
        if (word.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return QVariant(qint64(0));
        throw StoreError(QStringLiteral("'%1' is not a valid boolean value").arg(text));
    }
    bool ok = false;
    const qint64 number = text.trimmed().toLongLong(&ok);
    if (!ok)
        throw StoreError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return QVariant(number);
}

void DataTable::setFieldString(const QString& name, const QString& text) {
    const int field = writableField(name);
    writeField(field, textForField(m_fields[field], text));
}

void DataTable::setFieldBoolean(const QString& name, bool value) {
    const int field = writableField(name);
    if (m_fields[field].isText)
        writeField(field, cutToWidth(value ? QStringLiteral("True") : QStringLiteral("False"),
                                     m_fields[field].width));
    else
        writeField(field, QVariant(qint64(value ? 1 : 0)));
}

void DataTable::setFieldInteger(const QString& name, int value) {
    const int field = writableField(name);
    if (m_fields[field].isText)
        writeField(field, cutToWidth(QString::number(value), m_fields[field].width));
    else if (m_fields[field].isBoolean)
        writeField(field, QVariant(qint64(value != 0 ? 1 : 0)));
    else
        writeField(field, QVariant(qint64(value)));
}

bool DataTable::isModified() const {
    return m_modified;
}

// --- locate --------------------------------------------------------------------

bool DataTable::locate(const QString& name, const QVariant& value, LocateOptions options) {
    requireOpen();
    settle();
    const int field = fieldIndex(name);
    const int found = findRow(field, value, options);
    if (found < 0)
        return false;
    m_eof = false;
    setCurrent(found);
    return true;
}

int DataTable::findRow(int field, const QVariant& value, LocateOptions options) const {
    if (m_fields[field].isKey && !options.testFlag(PartialKey) && !noValue(value)) {
        // The key is the rowid: look it up instead of walking every row.
        const std::optional<qint64> key = wholeNumberOf(value);
        if (!key)
            return -1;
        const auto found = m_rowByKey.constFind(*key);
        return found == m_rowByKey.constEnd() ? -1 : *found;
    }
    const bool isBoolean = m_fields[field].isBoolean;
    const bool wantsNoValue = noValue(value);
    const bool partial = options.testFlag(PartialKey);
    const Qt::CaseSensitivity sensitivity =
        options.testFlag(CaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const QString wantedText = plainText(value);
    const bool wantedBoolean = booleanOf(value);
    const std::optional<qint64> wantedNumber = wholeNumberOf(value);
    bool wantedIsReal = false;
    const double wantedReal = wantedText.trimmed().toDouble(&wantedIsReal);

    const auto matches = [&](const QVariant& have) {
        if (wantsNoValue || noValue(have))
            return wantsNoValue && noValue(have);
        if (partial) {
            const QString haveText =
                isBoolean ? (booleanOf(have) ? QStringLiteral("True") : QStringLiteral("False"))
                          : plainText(have);
            return haveText.startsWith(wantedText, sensitivity);
        }
        if (isBoolean)
            return booleanOf(have) == wantedBoolean;
        if (isNumber(have)) {
            const std::optional<qint64> haveNumber = wholeNumberOf(have);
            if (haveNumber && wantedNumber)
                return *haveNumber == *wantedNumber;
            return wantedIsReal && wantedReal == have.toDouble();
        }
        return plainText(have).compare(wantedText, sensitivity) == 0;
    };
    for (int row = 0; row < m_rows.size(); ++row)
        if (matches(m_rows[row].values[field]))
            return row;
    return -1;
}

// --- insert, edit, post, cancel, delete ----------------------------------------

void DataTable::insert() {
    requireOpen();
    settle();
    Row row;
    row.values = QVector<QVariant>(m_fields.size());
    row.stored = row.values;
    row.inFile = QVector<FileValue>(m_fields.size());
    m_rows.append(row);
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
    emit updatingRecord();
    requirePending(); // a bound control may have cancelled the row
    storePending();
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
    deleteStoredRow(m_rows[index]);
    m_rows.removeAt(index);
    rebuildKeyIndex();
    m_current = m_rows.isEmpty() ? -1 : std::min(index, static_cast<int>(m_rows.size()) - 1);
    m_eof = m_rows.isEmpty();
    m_modified = false;
    const bool wasEditing = m_state != State::Browsing;
    m_state = State::Browsing;
    emit rowRemoved(index);
    emit cursorMoved();
    if (wasEditing)
        emit stateChanged();
}

// Bound controls hand over their values first; a row with written fields is then
// stored, an untouched one dropped. A refused store leaves the row pending and
// the caller's operation undone.
void DataTable::settle() {
    if (!isPending())
        return;
    emit updatingRecord();
    if (!isPending())
        return;
    if (m_modified)
        storePending();
    else
        cancelPending();
}

void DataTable::storePending() {
    const int index = m_current;
    Row& row = m_rows[index];
    if (m_state == State::Inserting) {
        storeInsertedRow(row);
        m_rowByKey.insert(row.rowid, index);
    } else {
        storeEditedRow(row);
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
    QVector<int> changed;
    for (int field = 0; field < m_fields.size(); ++field)
        if (row.values[field] != row.stored[field])
            changed.append(field);
    row.values = row.stored;
    m_modified = false;
    m_state = State::Browsing;
    for (int field : changed)
        emit fieldChanged(field);
    emit rowChanged(index);
    emit stateChanged();
}

// --- statements --------------------------------------------------------------------

QSqlQuery DataTable::runStatement(const QString& sql, const QVariantList& values) const {
    QSqlQuery query(QSqlDatabase::database(m_database.qtConnectionName(), false));
    if (!query.prepare(sql))
        failStatement(query.lastError());
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        failStatement(query.lastError());
    return query;
}

void DataTable::storeInsertedRow(Row& row) {
    QStringList columns;
    QStringList marks;
    QVariantList values;
    for (int field = 0; field < m_fields.size(); ++field) {
        if (m_fields[field].isKey || noValue(row.values[field]))
            continue; // no value: the engine fills in the column's default (or NULL)
        columns << quoted(m_fields[field].name);
        marks << QStringLiteral("?");
        values << row.values[field];
    }
    const QString sql = columns.isEmpty()
                            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoted(m_tableName))
                            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                  .arg(quoted(m_tableName), columns.join(QStringLiteral(", ")),
                                       marks.join(QStringLiteral(", ")));
    const QSqlQuery query = runStatement(sql, values);
    row.rowid = query.lastInsertId().toLongLong();
    const int key = keyField();
    if (key >= 0)
        row.values[key] = QVariant(row.rowid);
    keepWritten(row);
}

// The row is identified by its rowid and by every value as the file held it when it
// was read: a row that another process changed or removed since is touched by no
// statement. Texts and blobs are compared byte for byte, as they were read.
QString DataTable::rowCondition(const Row& row, QVariantList& values) const {
    QString condition = QStringLiteral("rowid = ?");
    values << QVariant(row.rowid);
    for (int field = 0; field < m_fields.size(); ++field) {
        const QString column = quoted(m_fields[field].name);
        const FileValue& read = row.inFile[field];
        switch (read.type) {
        case StorageClass::Null:
            condition += QStringLiteral(" AND %1 IS NULL").arg(column);
            break;
        case StorageClass::Text:
        case StorageClass::Blob: {
            const QByteArray bytes = read.value.toByteArray();
            condition += QStringLiteral(" AND typeof(%1) = '%2' AND CAST(%1 AS BLOB) = ?")
                             .arg(column, read.type == StorageClass::Text ? QStringLiteral("text")
                                                                          : QStringLiteral("blob"));
            values << (bytes.isNull() ? QByteArray("", 0) : bytes); // a null one would bind as NULL
            break;
        }
        case StorageClass::Integer:
        case StorageClass::Real:
            condition += QStringLiteral(" AND %1 IS ?").arg(column);
            values << read.value;
            break;
        }
    }
    return condition;
}

void DataTable::storeEditedRow(Row& row) {
    QStringList assignments;
    QVariantList values;
    for (int field = 0; field < m_fields.size(); ++field) {
        if (row.values[field] == row.stored[field] &&
            noValue(row.values[field]) == noValue(row.stored[field]))
            continue; // unchanged: the file keeps its bytes
        assignments << QStringLiteral("%1 = ?").arg(quoted(m_fields[field].name));
        values << row.values[field];
    }
    if (assignments.isEmpty())
        return; // nothing differs from the stored row
    const QString condition = rowCondition(row, values);
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                            .arg(quoted(m_tableName), assignments.join(QStringLiteral(", ")), condition);
    const QSqlQuery query = runStatement(sql, values);
    if (query.numRowsAffected() == 0)
        throw StoreError(QString::fromLatin1(RowChangedText));
    keepWritten(row);
}

void DataTable::deleteStoredRow(const Row& row) {
    QVariantList values;
    const QString condition = rowCondition(row, values);
    const QString sql = QStringLiteral("DELETE FROM %1 WHERE %2").arg(quoted(m_tableName), condition);
    const QSqlQuery query = runStatement(sql, values);
    if (query.numRowsAffected() == 0)
        throw StoreError(QString::fromLatin1(RowChangedText));
}
