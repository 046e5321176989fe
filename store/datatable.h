#pragma once

#include "store/filetext.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

class Database;
class QSqlError;
class QSqlQuery;

// A table object (the program's IPSetT and ConnectionsT): it reads every row of one
// table when it opens and works on that copy, with one cursor shared by everyone.
// Every post and delete is written to the file at once, as one statement.
//
// States: closed, browsing, editing (the current row has unsaved changes) and
// inserting (a new, unsaved row is current). An editing or inserting row is the
// pending row; settling it (before first(), next(), locate(), insert(), moveTo())
// first lets bound controls hand over their values (updatingRecord()), then posts
// the row when a field was written since the edit or insert began, else cancels it.
//
// The store's own errors are StoreError with the object's name, ": " and the text;
// errors of the database engine carry the engine's text, except a lock that another
// program holds past the busy timeout, which the store reports in its own words.
// An update or delete names the row by its rowid and every value as read, texts by
// their exact bytes: when another process changed or removed the row since, nothing
// is written, the call fails and the row stays.
//
// Text is read as the file holds it (see store/filetext.h): 8-bit text that another
// tool wrote shows decoded, and a value that nobody changed is never rewritten, so
// its bytes stay as they were; a text written through the table is stored as UTF-8.
class DataTable : public QObject {
    Q_OBJECT
public:
    enum class State { Closed, Browsing, Editing, Inserting };

    enum LocateOption { CaseInsensitive = 0x1, PartialKey = 0x2 };
    Q_DECLARE_FLAGS(LocateOptions, LocateOption)

    // objectName is the name errors carry ("IPSetT"); tableName the SQL table ("IPSets").
    DataTable(Database& database, const QString& objectName, const QString& tableName,
              QObject* parent = nullptr);
    ~DataTable() override;

    QString tableName() const;

    // open: connects the database first when needed, reads the rows, first row current.
    // No effect on an open table.
    void open();
    void close();
    bool isOpen() const;
    State state() const;

    // Cursor.
    void first();
    void next();
    bool eof() const;         // the last next() found no further row
    int recordCount() const;  // rows, a pending new row included; throws on a closed table
    int currentIndex() const; // position of the current row, -1 when none
    void moveTo(int index);   // settles, then makes that row current (the grid's selection)

    // Fields, matched by name without regard to letter case.
    int fieldCount() const;
    QString fieldName(int field) const;
    int fieldIndex(const QString& name) const; // throws "Field '%s' not found"
    int fieldWidth(int field) const;           // declared width of a text field, 0 for none
    // Throws what reading these fields would throw: the closed table, or the first
    // name that the table does not have.
    void requireFields(const QStringList& names) const;

    // Reading the current row (an empty table reads every field as having no value).
    QString fieldAsString(const QString& name) const; // booleans read "True"/"False"; no value reads ""
    bool fieldAsBoolean(const QString& name) const;   // no value reads false
    int fieldAsInteger(const QString& name) const;    // no value reads 0; so does an integer field
                                                      // holding no 32-bit whole number (a damaged file)
    bool fieldIsNull(const QString& name) const;

    // Reading any row without moving the cursor (for the grid); no value outside the rows.
    QVariant valueAt(int row, int field) const;
    QString textAt(int row, int field) const;

    // Writing the pending row; the table must be editing or inserting.
    void setFieldString(const QString& name, const QString& text); // cut to the field's width
    void setFieldBoolean(const QString& name, bool value);
    void setFieldInteger(const QString& name, int value);
    bool isModified() const; // a field was written since the edit or insert began

    bool locate(const QString& name, const QVariant& value, LocateOptions options = {});

    void insert();
    void edit();
    void post();
    void cancel();
    void remove(); // the store's "delete"

signals:
    void stateChanged();
    void cursorMoved();           // another row became current (or none)
    void fieldChanged(int field); // a value of the current row changed
    void rowsReset();             // opened or closed: every row may differ
    void rowInserted(int index);  // a pending new row appeared at index
    void rowRemoved(int index);   // a row disappeared (delete, or a cancelled insert)
    void rowChanged(int index);   // the values of a row changed (post, cancel of an edit)
    void updatingRecord();        // bound controls: hand your changed values to the pending row now

private:
    // A value exactly as the file holds it: its storage class, and a number as it is
    // or the bytes of a text or blob.
    enum class StorageClass { Null, Integer, Real, Text, Blob };
    struct FileValue {
        StorageClass type = StorageClass::Null;
        QVariant value;
    };
    struct Row {
        qint64 rowid = 0;
        QVector<QVariant> values;
        QVector<QVariant> stored;  // the values as read from (or last written to) the file
        QVector<FileValue> inFile; // the same, as the file holds them: for the stale-row check
    };
    struct Field {
        QString name;
        QString declaredType;
        int width = 0;
        bool isBoolean = false;
        bool isInteger = false; // integer affinity: a text written is stored as a number
        bool isText = false;
        bool isKey = false; // INTEGER PRIMARY KEY: the rowid itself
    };

    [[noreturn]] void fail(const QString& text) const;
    [[noreturn]] void failStatement(const QSqlError& error) const;
    void requireOpen() const;
    void requirePending() const;
    bool isPending() const;
    QVariant currentValue(const QString& name) const;
    int writableField(const QString& name) const;
    void writeField(int field, const QVariant& value);
    QVariant textForField(const Field& field, const QString& text) const;
    void settle();
    void storePending();
    void cancelPending();
    QVector<Field> readFields() const;
    QStringConverter::Encoding readTextEncoding() const;
    QString selectList(const QVector<Field>& fields) const;
    static StorageClass storageClassNamed(const QString& name); // as typeof() names it
    Row rowFromQuery(const QSqlQuery& query, qsizetype fieldCount) const;
    QVariant valueOf(const FileValue& read) const;
    FileValue fileValueOf(const QVariant& value) const;
    QVector<Row> readRows(const QVector<Field>& fields) const;
    bool rereadRow(Row& row) const;
    void keepWritten(Row& row) const;
    QSqlQuery runStatement(const QString& sql, const QVariantList& values) const;
    QString rowCondition(const Row& row, QVariantList& values) const;
    void storeInsertedRow(Row& row);
    void storeEditedRow(Row& row);
    void deleteStoredRow(const Row& row);
    int findRow(int field, const QVariant& value, LocateOptions options) const;
    void setCurrent(int index);
    void setState(State state);
    void rebuildKeyIndex();
    int keyField() const;

    Database& m_database;
    QString m_tableName;
    State m_state = State::Closed;
    QVector<Field> m_fields;
    QVector<Row> m_rows;
    QHash<qint64, int> m_rowByKey; // key value -> position, for locate on the key field
    int m_current = -1;
    int m_beforeInsert = -1;
    QStringConverter::Encoding m_textEncoding = QStringConverter::Utf8;
    bool m_eof = false;
    bool m_modified = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(DataTable::LocateOptions)
