#include "store/rowstore.h"

#include "store/database.h"
#include "store/enginetext.h"
#include "store/filetext.h"
#include "store/storeerror.h"

#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

using ValueRules::FieldType;
using ValueRules::noValue;

namespace {

QString quoted(QString identifier) {
    return QLatin1Char('"') + identifier.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

// The storage class as the select list codes it (see selectList): a number, which
// reaches the program without a string made for every value of every row.
RowStore::StorageClass storageClassCoded(int code) {
    switch (code) {
    case 1:
        return RowStore::StorageClass::Integer;
    case 2:
        return RowStore::StorageClass::Real;
    case 3:
        return RowStore::StorageClass::Text;
    case 4:
        return RowStore::StorageClass::Blob;
    default:
        return RowStore::StorageClass::Null;
    }
}

} // namespace

RowStore::RowStore(Database& database, const QString& tableName, const QObject& owner)
    : m_database(database), m_tableName(tableName), m_owner(owner) {}

QString RowStore::tableName() const {
    return m_tableName;
}

const QVector<FieldType>& RowStore::fields() const {
    return m_fields;
}

int RowStore::keyField() const {
    return m_keyField;
}

QSqlQuery RowStore::query() const {
    return QSqlQuery(QSqlDatabase::database(m_database.qtConnectionName(), false));
}

// The engine's text; a lock held past the busy timeout in the store's own words.
void RowStore::failStatement(const QSqlError& error) const {
    if (isBusy(error))
        throw StoreError(m_owner.objectName() + QStringLiteral(": ") + busyText());
    throw StoreError(engineText(error));
}

QVector<RowStore::Row> RowStore::load() {
    if (!m_database.isConnected())
        m_database.connect();
    QVector<FieldType> fields = readFields();
    const QStringConverter::Encoding encoding = readTextEncoding();
    m_fields = std::move(fields);
    m_textEncoding = encoding;
    m_keyField = -1;
    for (int field = 0; field < m_fields.size(); ++field)
        if (m_fields[field].isKey)
            m_keyField = field;

    QSqlQuery select = query();
    select.setForwardOnly(true);
    if (!select.exec(
            QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(selectList(), quoted(m_tableName)))) {
        clear();
        failStatement(select.lastError());
    }
    QVector<Row> rows;
    while (select.next())
        rows.append(rowFromQuery(select));
    if (select.lastError().isValid()) {
        clear();
        failStatement(select.lastError());
    }
    rows.squeeze(); // the room the appends grew would outlive the load
    return rows;
}

void RowStore::clear() {
    m_fields.clear();
    m_keyField = -1;
}

RowStore::Row RowStore::newRow() const {
    Row row;
    row.values = QVector<QVariant>(m_fields.size());
    row.stored = row.values;
    return row; // no value in the file either: asRead stays empty
}

// The declared types and the key come from the table's own description.
QVector<FieldType> RowStore::readFields() const {
    QSqlQuery info = query();
    if (!info.exec(QStringLiteral("PRAGMA table_info(%1)").arg(quoted(m_tableName))))
        failStatement(info.lastError());
    QVector<FieldType> fields;
    int keyColumns = 0;
    while (info.next()) {
        const bool primaryKey = info.value(5).toInt() > 0;
        keyColumns += primaryKey ? 1 : 0;
        fields.append(ValueRules::fieldType(info.value(1).toString(), info.value(2).toString(), primaryKey));
    }
    if (keyColumns != 1) // only a lone INTEGER PRIMARY KEY is the rowid
        for (FieldType& field : fields)
            field.isKey = false;
    return fields;
}

QStringConverter::Encoding RowStore::readTextEncoding() const {
    QSqlQuery pragma = query();
    if (!pragma.exec(QStringLiteral("PRAGMA encoding")) || !pragma.next())
        failStatement(pragma.lastError());
    return fileTextEncoding(pragma.value(0).toString());
}

// Every field twice: its storage class, then its value, a text or blob as its bytes
// (the engine's own text conversion would replace bytes that are not UTF-8).
QString RowStore::selectList() const {
    QString list = QStringLiteral("rowid");
    for (const FieldType& field : m_fields)
        list += QStringLiteral(", CASE typeof(%1) WHEN 'integer' THEN 1 WHEN 'real' THEN 2 WHEN 'text' THEN 3"
                               " WHEN 'blob' THEN 4 ELSE 0 END,"
                               " CASE WHEN typeof(%1) IN ('text', 'blob') THEN CAST(%1 AS BLOB) ELSE %1 END")
                    .arg(quoted(field.name));
    return list;
}

RowStore::Row RowStore::rowFromQuery(const QSqlQuery& query) const {
    const qsizetype fieldCount = m_fields.size();
    Row row;
    row.rowid = query.value(0).toLongLong();
    row.inFile = true;
    row.values.reserve(fieldCount);
    QVector<FileValue> asRead;
    asRead.reserve(fieldCount);
    bool derived = true;
    for (int field = 0; field < fieldCount; ++field) {
        FileValue read{storageClassCoded(query.value(1 + 2 * field).toInt()), query.value(2 + 2 * field)};
        row.values.append(valueOf(read));
        derived = derived && storingGives(row.values.constLast(), read);
        asRead.append(std::move(read));
    }
    row.stored = row.values;
    if (!derived)
        row.asRead = std::move(asRead);
    return row;
}

// Whether storing value puts read in the file, exactly: then the row need not keep
// read. A UTF-8 file's non-empty text that is valid UTF-8 decodes and encodes back
// to its own bytes, so it is not encoded again to know it.
bool RowStore::storingGives(const QVariant& value, const FileValue& read) const {
    if (read.type == StorageClass::Text && m_textEncoding == QStringConverter::Utf8) {
        const QByteArray bytes = read.value.toByteArray();
        if (!bytes.isEmpty())
            return bytes.isValidUtf8();
    }
    const FileValue stored = fileValueOf(value);
    return stored.type == read.type && (read.type == StorageClass::Null || stored.value == read.value);
}

// A value as the file held it when the row was read (or last written).
RowStore::FileValue RowStore::fileValueAt(const Row& row, int field) const {
    return row.asRead.isEmpty() ? fileValueOf(row.stored[field]) : row.asRead[field];
}

// What the program works with: a text decoded for reading, anything else as read.
QVariant RowStore::valueOf(const FileValue& read) const {
    if (read.type == StorageClass::Text)
        return decodeFileText(read.value.toByteArray(), m_textEncoding);
    return read.value;
}

// What the file holds after the engine has stored a value that the program wrote.
RowStore::FileValue RowStore::fileValueOf(const QVariant& value) const {
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

bool RowStore::reread(Row& row) const {
    QSqlQuery select = query();
    select.setForwardOnly(true);
    if (!select.prepare(
            QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(selectList(), quoted(m_tableName))))
        failStatement(select.lastError());
    select.addBindValue(row.rowid);
    if (!select.exec())
        failStatement(select.lastError());
    if (!select.next())
        return false;
    row = rowFromQuery(select);
    return true;
}

// After a statement stored the row: the copy as the file now holds it (what the
// engine made of the values: a text in a numeric column becomes a number).
void RowStore::keepWritten(Row& row) const {
    row.inFile = true;
    try {
        if (reread(row))
            return;
    } catch (const StoreError&) {
        // Stored all the same: keep what was written.
    }
    row.stored = row.values;
    row.asRead.clear(); // the file holds what storing the values gives
}

QSqlQuery RowStore::runStatement(const QString& sql, const QVariantList& values) const {
    QSqlQuery statement = query();
    if (!statement.prepare(sql))
        failStatement(statement.lastError());
    for (const QVariant& value : values)
        statement.addBindValue(value);
    if (!statement.exec())
        failStatement(statement.lastError());
    return statement;
}

void RowStore::insertRow(Row& row) {
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
    const QSqlQuery statement = runStatement(sql, values);
    row.rowid = statement.lastInsertId().toLongLong();
    if (m_keyField >= 0)
        row.values[m_keyField] = QVariant(row.rowid);
    keepWritten(row);
}

// The row is identified by its rowid and by every value as the file held it when it
// was read: a row that another process changed or removed since is touched by no
// statement. Texts and blobs are compared byte for byte, as they were read.
QString RowStore::rowCondition(const Row& row, QVariantList& values) const {
    QString condition = QStringLiteral("rowid = ?");
    values << QVariant(row.rowid);
    for (int field = 0; field < m_fields.size(); ++field) {
        const QString column = quoted(m_fields[field].name);
        const FileValue read = fileValueAt(row, field);
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

// Why a statement touched no row: the row is there with other values, or gone.
RowStore::Outcome RowStore::missing(const Row& row) const {
    QSqlQuery select = query();
    select.prepare(QStringLiteral("SELECT 1 FROM %1 WHERE rowid = ?").arg(quoted(m_tableName)));
    select.addBindValue(row.rowid);
    if (!select.exec())
        failStatement(select.lastError());
    return select.next() ? Outcome::RowChanged : Outcome::RowRemoved;
}

RowStore::Outcome RowStore::updateRow(Row& row) {
    QStringList assignments;
    QVariantList values;
    for (int field = 0; field < m_fields.size(); ++field) {
        if (!ValueRules::differs(row.values[field], row.stored[field]))
            continue; // unchanged: the file keeps its bytes
        assignments << QStringLiteral("%1 = ?").arg(quoted(m_fields[field].name));
        values << row.values[field];
    }
    if (assignments.isEmpty())
        return Outcome::Written; // nothing differs from the stored row
    const QString condition = rowCondition(row, values);
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                            .arg(quoted(m_tableName), assignments.join(QStringLiteral(", ")), condition);
    if (runStatement(sql, values).numRowsAffected() == 0)
        return missing(row);
    keepWritten(row);
    return Outcome::Written;
}

RowStore::Outcome RowStore::deleteRow(const Row& row) {
    QVariantList values;
    const QString condition = rowCondition(row, values);
    const QString sql = QStringLiteral("DELETE FROM %1 WHERE %2").arg(quoted(m_tableName), condition);
    if (runStatement(sql, values).numRowsAffected() == 0)
        return missing(row);
    return Outcome::Written;
}
