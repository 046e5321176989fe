#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVector>

class DataSource;
class DataTable;

// The rows of a table object as an item model, for a data-aware grid: column 0 is
// the indicator column, which marks the table's current row; the other columns
// show the fields named in setFields(), headed by those names, one model row per
// table row in the table's order (a pending new row included).
//
// The model follows every insert, delete, cursor move, state change, value change
// and reopening of the table at once, whoever made it. The table reports its
// changes after making them, so the model keeps the texts it shows: it is always
// consistent with the signals it has sent, as a view expects.
class DataTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int IndicatorColumn = 0;
    // The indicator's marks: the current row as stored, and a pending new row. The
    // indicator column gives its mark under MarkRole only, as a picture for the grid
    // to draw: it has no text, so a screen reader does not read the glyph out.
    static const QString CurrentMark;
    static const QString InsertingMark;
    static constexpr int MarkRole = Qt::UserRole + 1;

    explicit DataTableModel(QObject* parent = nullptr);
    ~DataTableModel() override;

    DataSource* dataSource() const;
    void setDataSource(DataSource* source);

    // The fields shown in columns 1, 2...; matched without regard to letter case.
    QStringList fields() const;
    void setFields(const QStringList& fields);

    // The table row that the indicator marks, -1 when none.
    int markedRow() const;

    // Whether a cursor move is signalled (the two indicator cells' dataChanged and
    // markedRowChanged). A view that is not on screen turns it off: the mark still
    // moves, at no further cost, and the view reads it when it is shown again.
    bool signalsMarkMoves() const;
    void setSignalsMarkMoves(bool on);
    // The column that shows a field, -1 when it is not shown.
    int columnOf(const QString& field) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The indicator moved to another row (or to none).
    void markedRowChanged(int row);

private:
    DataTable* table() const;
    void bindTable();
    void reload();
    QStringList readRow(int row) const;
    void resolveFields();

    void onRowInserted(int row);
    void onRowRemoved(int row);
    void onRowChanged(int row);
    void onCursorMoved();
    void onStateChanged();
    void emitRowChanged(int row, int firstColumn, int lastColumn);

    QPointer<DataSource> m_source;
    QPointer<DataTable> m_boundTable;
    QStringList m_fields;
    QVector<int> m_fieldIndexes; // the table's field behind each shown field, -1 when missing
    QVector<QStringList> m_rows;
    int m_marked = -1;
    bool m_inserting = false;
    bool m_signalsMarkMoves = true;
    QMetaObject::Connection m_sourceConnections[2];
    QMetaObject::Connection m_tableConnections[7];
};
