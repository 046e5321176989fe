#pragma once

#include "store/valuerules.h"

#include <QString>
#include <QStringConverter>
#include <QVariant>
#include <QVector>

class Database;
class QObject;
class QSqlError;
class QSqlQuery;

// One table's rows as the file holds them, read and written through Qt SQL. It
// reads the table's fields and every row, inserts a row, and updates or deletes one
// only while the file still holds it as it was read (its rowid and every value, a
// text by its exact bytes): a row that another process changed or removed since is
// touched by no statement, and the call answers so. It can read one row again.
//
// Text is read as the file holds it (see store/filetext.h): 8-bit text that another
// tool wrote shows decoded, a value that nobody changed is never rewritten, so its
// bytes stay, and a text written is stored as the file's encoding of it.
class RowStore {
public:
    // A value exactly as the file holds it: its storage class, and a number as it is
    // or the bytes of a text or blob.
    enum class StorageClass { Null, Integer, Real, Text, Blob };
    struct FileValue {
        StorageClass type = StorageClass::Null;
        QVariant value;
    };
    struct Row {
        qint64 rowid = 0;
        bool inFile = false;       // false for a new row that was never stored
        QVector<QVariant> values;  // what the program works with (the pending values)
        QVector<QVariant> stored;  // the values as read from (or last written to) the file
        // The same as the file holds them, for the stale-row check; empty when each is
        // what storing its value gives (fileValueAt), which is so for nearly every row,
        // so that a large table keeps one copy of its texts, not two.
        QVector<FileValue> asRead;
    };
    enum class Outcome { Written, RowChanged, RowRemoved };

    // tableName: the SQL table. owner: whose name the store's own errors carry.
    RowStore(Database& database, const QString& tableName, const QObject& owner);

    QString tableName() const;
    const QVector<ValueRules::FieldType>& fields() const;
    int keyField() const; // the field that is the rowid, -1 when none

    // Connects the database first when needed, then reads the table's fields and every
    // row, in rowid order; throws the engine's text.
    QVector<Row> load();
    void clear();
    Row newRow() const; // every field without a value

    // Stores a new row; it then holds the key the engine gave it and the values as stored.
    void insertRow(Row& row);
    // Writes the values that differ from the stored ones; nothing to write is Written.
    Outcome updateRow(Row& row);
    Outcome deleteRow(const Row& row);
    // Reads the row's stored values again, all three copies; false when it is gone.
    bool reread(Row& row) const;

private:
    QSqlQuery query() const;
    [[noreturn]] void failStatement(const QSqlError& error) const;
    QVector<ValueRules::FieldType> readFields() const;
    QStringConverter::Encoding readTextEncoding() const;
    QString selectList() const;
    Row rowFromQuery(const QSqlQuery& query) const;
    QVariant valueOf(const FileValue& read) const;
    FileValue fileValueOf(const QVariant& value) const;
    bool storingGives(const QVariant& value, const FileValue& read) const;
    FileValue fileValueAt(const Row& row, int field) const;
    QSqlQuery runStatement(const QString& sql, const QVariantList& values) const;
    QString rowCondition(const Row& row, QVariantList& values) const;
    Outcome missing(const Row& row) const;
    void keepWritten(Row& row) const;

    Database& m_database;
    QString m_tableName;
    const QObject& m_owner;
    QVector<ValueRules::FieldType> m_fields;
    int m_keyField = -1;
    QStringConverter::Encoding m_textEncoding = QStringConverter::Utf8;
};
