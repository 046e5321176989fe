#pragma once

#include "store/handover.h"
#include "store/rowstore.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>

class Database;

// A table object (the program's IPSetT and ConnectionsT): the cursor over one
// table's rows. The rows come from a RowStore, which reads them when the table opens
// and writes every post and delete to the file at once; the value rules
// (store/valuerules.h) say how fields read and take values. This class keeps the
// one cursor shared by everyone, the four states and the signals the views follow.
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
//
// A row that another program changed or removed since it was read is never
// overwritten unasked (see RowStore). The table then reads that row again:
// - post(): the error says so; the row stays pending with the values written, now
//   over the row as stored, so that posting again stores them over the other
//   program's change and cancel() shows the stored row. A removed row becomes a
//   pending new row with those values (cancel drops it).
// - a settle: the row shows as stored (or disappears when removed) and is no longer
//   pending, and the operation goes on; the refusal, with the values that were not
//   stored, goes once to the refusal report (setRefusalReport), or is thrown when
//   there is none, so that the next operation goes on.
// - remove(): a changed row shows as stored and the error says so; a row already
//   removed disappears, which is what was asked.
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
    // The same lookup for controls bound by a field name: -1 when the table is closed
    // or has no such field; never throws.
    int findField(const QString& name) const;
    int fieldWidth(int field) const; // declared width of a text field, 0 for none
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

    // Who tells the user when a settle finds its pending row changed or removed by
    // another program: called once with the text, while context lives. Without one
    // (or once context is gone) the settle throws that text instead.
    using RefusalReport = std::function<void(const QString& text)>;
    void setRefusalReport(QObject* context, RefusalReport report);

signals:
    void stateChanged();
    void cursorMoved();           // another row became current (or none)
    void fieldChanged(int field); // a value of the current row changed
    void rowsReset();             // opened or closed: every row may differ
    void rowInserted(int index);  // a pending new row appeared at index
    void rowRemoved(int index);   // a row disappeared (delete, or a cancelled insert)
    void rowChanged(int index);   // the values of a row changed (post, cancel of an edit)
    // Bound controls: record your changed values for the pending row now. A handler
    // only records; the table writes the values after the signal has returned.
    void updatingRecord(RecordHandOver& values);

private:
    using Row = RowStore::Row;
    enum class Refused { OnPost, OnSettle, OnDelete };

    [[noreturn]] void fail(const QString& text) const;
    void requireOpen() const;
    void requirePending() const;
    bool isPending() const;
    const ValueRules::FieldType& field(int index) const;
    QVariant currentValue(const QString& name) const;
    int writableField(const QString& name) const;
    void writeField(int field, const QVariant& value);
    void handOverBoundValues();
    void settle();
    void storePending(Refused when);
    void cancelPending();
    QString rowName(const Row& row) const;
    QString pendingValuesText(const Row& row) const;
    QString refusalText(Refused when, RowStore::Outcome outcome, const Row& row) const;
    void keepPendingOverStoredRow(RowStore::Outcome outcome);
    void showStoredRow(int index);
    void dropRemovedRow(int index);
    void reportRefusal(const QString& text);
    int findRow(int field, const QVariant& value, LocateOptions options) const;
    void setCurrent(int index);
    void setState(State state);
    void rebuildKeyIndex();

    RowStore m_store;
    State m_state = State::Closed;
    QVector<Row> m_rows;
    QHash<qint64, int> m_rowByKey; // key value -> position, for locate on the key field
    int m_current = -1;
    int m_beforeInsert = -1;
    bool m_eof = false;
    bool m_modified = false;
    QPointer<QObject> m_refusalContext;
    RefusalReport m_refusalReport;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(DataTable::LocateOptions)
