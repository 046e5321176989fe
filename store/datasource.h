#pragma once

#include "store/datatable.h"

#include <QObject>
#include <QPointer>

// Binds data-aware controls to a table object: they show the fields of the current
// row and follow every cursor move, state change and value change through the
// signals below, and hand their changed values to the pending row when it is
// settled or posted (updatingRecord: a handler records them, the table writes them). With automatic editing
// on, a control whose value the user changes first puts a browsing table into editing (beginUserEdit).
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(DataTable* table = nullptr, QObject* parent = nullptr);

    DataTable* table() const;
    void setTable(DataTable* table);

    bool autoEdit() const;
    void setAutoEdit(bool on);

    // May a bound control take input now? True while the table is editing or
    // inserting, or, with automatic editing on, while it is browsing.
    bool canModify() const;
    // A bound control is about to change a value: with automatic editing on, a
    // browsing table goes into editing. Answers whether the change may be made.
    bool beginUserEdit();

signals:
    void dataChanged(); // cursor moved, a value changed, or rows reset: show the current row again
    void stateChanged();
    void updatingRecord(RecordHandOver& values); // record your changed values for the pending row now
    void tableChanged();

private:
    void connectTable();

    QPointer<DataTable> m_table;
    bool m_autoEdit = true;
    QMetaObject::Connection m_connections[6];
};
