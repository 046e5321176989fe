#pragma once

#include <QComboBox>
#include <QPointer>
#include <QString>
#include <exception>
#include <functional>

class DataSource;
class DataTable;

// A data-aware drop-down lookup list. It offers the list field (ConnectionName) of
// every row of the list source's table, in row order, and is bound through its data
// source to a data field (Connection) that holds a key field value (AutoIncField) of
// the list table. It shows the list field of the row whose key equals the data
// field, or nothing; while it is on screen it finds that row by a locate on the
// key, which moves the list table's cursor. Choosing an entry writes its key into
// the data field at once.
//
// No free text: typed characters pick the first row whose list field begins with
// all characters typed so far, without regard to letter case, through the list
// table's locate. A character after which nothing matches is dropped; the typed
// text is forgotten after a pause of more than 2 seconds, at Backspace or Escape,
// and holds at most 32 characters. With the list closed, Up and Down pick the
// previous or next row; Alt+Up and Alt+Down open and close the list.
class DbLookupComboBox : public QComboBox {
    Q_OBJECT
public:
    // Milliseconds from any fixed start; tests inject their own.
    using Clock = std::function<qint64()>;
    static constexpr qint64 SearchResetMs = 2000;
    static constexpr int MaxSearchLength = 32;

    explicit DbLookupComboBox(QWidget* parent = nullptr);
    ~DbLookupComboBox() override;

    void setListSource(DataSource* source);
    void setListField(const QString& field);
    void setKeyField(const QString& field);
    void setDataSource(DataSource* source);
    void setDataField(const QString& field);

    DataSource* listSource() const;
    DataSource* dataSource() const;

    void setClock(Clock clock);
    // Errors from writing the data field (the store's own), which would otherwise
    // leave an input event; without a handler they are dropped.
    void setErrorHandler(std::function<void(const std::exception&)> handler);

    // The typed search text so far.
    QString searchText() const;
    // The key of the entry shown, 0 when none is shown.
    int shownKey() const;

    // Rebuilds the entries from the list table.
    void reloadList();

    bool isListVisible() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DataTable* listTable() const;
    DataTable* dataTable() const;
    bool canModify() const;
    void bindListTable();
    void bindDataSource();
    void showDataValue();
    void processSearchKey(const QString& typed);
    void stepSelection(int delta);
    void chooseRow(int row);
    void selectKeyValue(int key);
    int keyAt(int row) const;

    static constexpr int NoKey = -1;

    QPointer<DataSource> m_listSource;
    QPointer<DataSource> m_dataSource;
    QString m_listField;
    QString m_keyField;
    QString m_dataField;
    Clock m_clock;
    std::function<void(const std::exception&)> m_errorHandler;
    QString m_searchText;
    qint64 m_lastSearchKey = 0;
    bool m_updating = false;
    QMetaObject::Connection m_listConnections[5];
    QMetaObject::Connection m_dataConnections[4];
};
