#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QString>

class DataSource;
class DataTable;
class RecordHandOver;

// A data-aware text field: bound through a data source to one field, it shows
// that field of the current row and follows every cursor move, state change and
// value change. It takes input only while the data source lets a control modify
// the row (DataSource::canModify); with automatic editing on, the user's first
// change puts a browsing table into editing. What the user typed reaches the
// pending row when the row is settled or posted, and only when the user changed it.
class DbEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DbEdit(QWidget* parent = nullptr);
    ~DbEdit() override;

    DataSource* dataSource() const;
    void setDataSource(DataSource* source);
    QString dataField() const;
    void setDataField(const QString& field);

    // The user changed the text since it was last read from the row.
    bool isModified() const;

private:
    void bindTable();
    void showCurrentRow();
    void onFieldChanged(int field);
    void onUserEdit();
    void handOver(RecordHandOver& values);
    void updateReadOnly();
    DataTable* table() const;
    int boundFieldIndex() const; // -1 when the table has no such field (or is closed)

    QPointer<DataSource> m_source;
    QString m_field;
    QMetaObject::Connection m_sourceConnections[4];
    QMetaObject::Connection m_tableConnections[3];
    bool m_modified = false;
    bool m_startingEdit = false;
};
